// Activation and focus.
#include <gtest/gtest.h>
#include <windows.h>

#include "message_log.h"

using namespace user32_test;

namespace {

HWND MakeTop() {
    return CreateLogWindow("", WS_POPUP | WS_CAPTION, 0, 0, 50, 50);
}

TEST(Focus, ActivationMovesBetweenWindowsInOrder) {
    HWND a = MakeTop(), b = MakeTop();
    HWND child = CreateWindowExA(0, "LogClass", "", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, a, nullptr,
                                 nullptr, nullptr);
    ShowWindow(a, SW_SHOW);
    EXPECT_EQ(GetActiveWindow(), a);
    EXPECT_EQ(GetForegroundWindow(), a);
    EXPECT_EQ(GetFocus(), a);
    EXPECT_EQ(SetFocus(child), a);
    EXPECT_EQ(GetFocus(), child);

    ShowWindow(b, SW_SHOWNOACTIVATE);
    EXPECT_EQ(GetActiveWindow(), a);
    MessageLog::Get().Clear();
    EXPECT_EQ(SetActiveWindow(b), a);
    std::vector<std::pair<HWND, UINT>> got;
    for (auto& e : MessageLog::Get().Entries())
        got.push_back({e.hwnd, e.message});
    std::vector<std::pair<HWND, UINT>> expected = {{a, WM_NCACTIVATE},    {a, WM_ACTIVATE},
                                                   {b, WM_NCACTIVATE},    {b, WM_ACTIVATE},
                                                   {child, WM_KILLFOCUS}, {b, WM_SETFOCUS}};
    EXPECT_EQ(got, expected);
    auto* act = MessageLog::Get().Last(WM_ACTIVATE);
    EXPECT_EQ(LOWORD(act->wparam), WA_ACTIVE);
    EXPECT_EQ(reinterpret_cast<HWND>(act->lparam), a);

    // Focusing a child of an inactive window activates that window first; activating
    // gives the window itself the focus, which the call then takes from it.
    EXPECT_EQ(SetFocus(child), a);
    EXPECT_EQ(GetActiveWindow(), a);
    EXPECT_EQ(GetFocus(), child);

    // Disabled windows do not take the focus; destroying the focus clears it.
    EnableWindow(b, FALSE);
    EXPECT_EQ(SetFocus(b), nullptr);
    EXPECT_EQ(GetFocus(), child);
    DestroyWindow(child);
    EXPECT_EQ(GetFocus(), a);
    DestroyWindow(a);
    EXPECT_NE(GetActiveWindow(), a);
    DestroyWindow(b);
    EXPECT_EQ(GetActiveWindow(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
}

}  // namespace
