// Showing, moving, sizing, minimising, restoring and hiding a window: Windows' messages
// in Windows' order, from creation to destruction.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

#include "user32_fixtures.h"

using namespace user32_test;

namespace {

using Seq = std::vector<UINT>;

TEST_F(WindowTest, MessageSequences) {
    struct Case {
        const char* what;
        std::function<HWND(WindowTest*)> act;  // returns the window whose messages count
        Seq expected;
    };
    static HWND top = nullptr;
    std::vector<Case> cases = {
        {"create hidden overlapped",
         [](WindowTest* t) { return top = t->Make(WS_CAPTION | WS_SYSMENU); },
         {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}},
        {"show normal, first active window",
         [](WindowTest*) {
             ShowWindow(top, SW_SHOWNORMAL);
             return top;
         },
         {WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE,
          WM_SETFOCUS, WM_WINDOWPOSCHANGED}},
        {"move and size",
         [](WindowTest*) {
             SetWindowPos(top, nullptr, 30, 40, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
             return top;
         },
         {WM_WINDOWPOSCHANGING, WM_GETMINMAXINFO, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE,
          WM_SIZE}},
        {"move only",
         [](WindowTest*) {
             SetWindowPos(top, nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
             return top;
         },
         {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE}},
        {"minimize",
         [](WindowTest*) {
             ShowWindow(top, SW_MINIMIZE);
             return top;
         },
         {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE, WM_NCACTIVATE,
          WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS}},
        {"restore",
         [](WindowTest*) {
             ShowWindow(top, SW_RESTORE);
             return top;
         },
         {WM_WINDOWPOSCHANGING, WM_GETMINMAXINFO, WM_NCCALCSIZE, WM_ACTIVATEAPP, WM_NCACTIVATE,
          WM_ACTIVATE, WM_SETFOCUS, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}},
        {"hide the active window",
         [](WindowTest*) {
             ShowWindow(top, SW_HIDE);
             return top;
         },
         {WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_NCACTIVATE, WM_ACTIVATE,
          WM_ACTIVATEAPP, WM_KILLFOCUS}},
        {"destroy a hidden window",
         [](WindowTest*) {
             DestroyWindow(top);
             return top;
         },
         {WM_DESTROY, WM_NCDESTROY}},
    };
    for (auto& c : cases) {
        MessageLog::Get().Clear();
        HWND h = c.act(this);
        ASSERT_NE(h, nullptr) << c.what;
        Seq got = MessageLog::Get().Messages(h);
        EXPECT_EQ(got, c.expected)
            << c.what << ": got " << Describe(got) << "\n expected " << Describe(c.expected);
    }
}

}  // namespace
