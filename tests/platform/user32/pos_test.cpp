// Showing, moving, sizing, minimising, restoring and hiding a window: Windows' messages
// in Windows' order, from creation to destruction.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

#include "user32_fixtures.h"

using namespace user32_test;

namespace {

struct SequenceCase {
    const char* what;
    std::function<HWND()> act;  // returns the window whose messages count
    Seq expected;
};

void ExpectSequences(const std::vector<SequenceCase>& cases) {
    for (auto& c : cases) {
        MessageLog::Get().Clear();
        HWND h = c.act();
        ASSERT_NE(h, nullptr) << c.what;
        Seq got = MessageLog::Get().Messages(h);
        EXPECT_EQ(got, c.expected)
            << c.what << ": got " << Describe(got) << "\n expected " << Describe(c.expected);
    }
}

// Acts on `h` whose messages count: ShowWindow with `command`, and SetWindowPos with no
// window to insert after.
std::function<HWND()> Showing(HWND h, int command) {
    return [=] {
        ShowWindow(h, command);
        return h;
    };
}
std::function<HWND()> Placing(HWND h, int x, int y, int cx, int cy, UINT flags) {
    return [=] {
        SetWindowPos(h, nullptr, x, y, cx, cy, flags);
        return h;
    };
}

// An overlapped window with a caption and a system menu, shown normally (which activates
// it) once made; null when it cannot be made.
HWND MakeShown(WindowTest& test) {
    HWND h = test.Make(WS_CAPTION | WS_SYSMENU);
    if (h) ShowWindow(h, SW_SHOWNORMAL);
    return h;
}

TEST_F(WindowTest, CreatingAHiddenWindowTellsItsSizeAndPosition) {
    ExpectSequences(
        {{"create hidden overlapped",
          [this] { return Make(WS_CAPTION | WS_SYSMENU); },
          {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}}});
}

TEST_F(WindowTest, MessageSequences) {
    // Shown and hidden once first: when a window hears its first size and position
    // (at creation or when first shown) is left to the test above.
    HWND top = MakeShown(*this);
    ASSERT_NE(top, nullptr);
    ShowWindow(top, SW_HIDE);
    ASSERT_EQ(GetActiveWindow(), nullptr);
    // Showing a window erases what it exposes before WM_WINDOWPOSCHANGED; resizing erases
    // what it grows by.
    ExpectSequences({
        {"move and size while hidden",
         Placing(top, 30, 40, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE),
         {WM_WINDOWPOSCHANGING, WM_GETMINMAXINFO, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE,
          WM_SIZE}},
        {"show normal, first active window",
         Showing(top, SW_SHOWNORMAL),
         {WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE,
          WM_SETFOCUS, WM_ERASEBKGND, WM_WINDOWPOSCHANGED}},
        {"move and size",
         Placing(top, 20, 30, 320, 220, SWP_NOZORDER | SWP_NOACTIVATE),
         {WM_WINDOWPOSCHANGING, WM_GETMINMAXINFO, WM_NCCALCSIZE, WM_ERASEBKGND, WM_WINDOWPOSCHANGED,
          WM_MOVE, WM_SIZE}},
        {"move only",
         Placing(top, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER),
         {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE}},
        {"hide the active window",
         Showing(top, SW_HIDE),
         {WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_NCACTIVATE, WM_ACTIVATE,
          WM_ACTIVATEAPP, WM_KILLFOCUS}},
        {"destroy a hidden window",
         [&] {
             DestroyWindow(top);
             return top;
         },
         {WM_DESTROY, WM_NCDESTROY}},
    });
}

// Minimizing activates the next top-level window; restoring activates the window again.
TEST_F(WindowTest, MinimizeAndRestoreSequences) {
    HWND other = Make(WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
    ASSERT_NE(other, nullptr);
    HWND top = MakeShown(*this);
    ASSERT_NE(top, nullptr);
    ASSERT_EQ(GetActiveWindow(), top);
    ExpectSequences({
        {"minimize",
         Showing(top, SW_MINIMIZE),
         {WM_KILLFOCUS, WM_WINDOWPOSCHANGING, WM_GETMINMAXINFO, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED,
          WM_MOVE, WM_SIZE, WM_NCACTIVATE, WM_ACTIVATE}},
        {"restore",
         Showing(top, SW_RESTORE),
         {WM_QUERYOPEN, WM_WINDOWPOSCHANGING, WM_GETMINMAXINFO, WM_NCCALCSIZE, WM_NCACTIVATE,
          WM_ACTIVATE, WM_SETFOCUS, WM_ERASEBKGND, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}},
    });
    EXPECT_EQ(GetActiveWindow(), top);
    EXPECT_EQ(GetFocus(), top);
}

// With no other window to activate, the minimized window stops being the active one.
TEST_F(WindowTest, MinimizingTheOnlyWindowDeactivatesTheApplication) {
    HWND top = MakeShown(*this);
    ASSERT_NE(top, nullptr);
    ExpectSequences({
        {"minimize",
         Showing(top, SW_MINIMIZE),
         {WM_KILLFOCUS, WM_WINDOWPOSCHANGING, WM_GETMINMAXINFO, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED,
          WM_MOVE, WM_SIZE, WM_NCACTIVATE, WM_ACTIVATE, WM_ACTIVATEAPP}},
        {"restore",
         Showing(top, SW_RESTORE),
         {WM_QUERYOPEN, WM_WINDOWPOSCHANGING, WM_GETMINMAXINFO, WM_NCCALCSIZE, WM_ACTIVATEAPP,
          WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS, WM_ERASEBKGND, WM_WINDOWPOSCHANGED, WM_MOVE,
          WM_SIZE}},
    });
    EXPECT_EQ(GetActiveWindow(), top);
}

}  // namespace
