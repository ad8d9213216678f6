// Painting: invalidation, WM_PAINT and WM_ERASEBKGND.
#include <gtest/gtest.h>
#include <windows.h>

#include "message_log.h"

using namespace user32_test;

namespace {

TEST(Paint, ShowingInvalidatesAndDefaultPaintingErasesThenValidates) {
    HWND hwnd = CreateLogWindow("", WS_POPUP, 0, 0, 40, 30);
    Drain();
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE)) << "hidden windows get no WM_PAINT";
    // Showing erases at once (SetWindowPos defers it only with SWP_DEFERERASE); the update
    // region stays for WM_PAINT, whose BeginPaint has nothing left to erase.
    MessageLog::Get().Clear();
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    EXPECT_NE(MessageLog::Get().Last(WM_ERASEBKGND), nullptr);
    RECT u;
    EXPECT_TRUE(GetUpdateRect(hwnd, &u, FALSE));
    EXPECT_EQ(u.right, 40);
    EXPECT_EQ(u.bottom, 30);
    MessageLog::Get().Clear();
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_PAINT));
    DispatchMessageA(&m);
    EXPECT_EQ(MessageLog::Get().Messages(hwnd), (Seq{WM_PAINT}));
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));

    // Without erasing, BeginPaint sends no WM_ERASEBKGND; the update rectangle is the
    // union of what was invalidated.
    RECT a = {1, 2, 5, 6}, b = {10, 10, 12, 12};
    InvalidateRect(hwnd, &a, FALSE);
    InvalidateRect(hwnd, &b, FALSE);
    MessageLog::Get().Clear();
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    EXPECT_EQ(ps.rcPaint.left, 1);
    EXPECT_EQ(ps.rcPaint.bottom, 12);
    EXPECT_FALSE(ps.fErase);
    EndPaint(hwnd, &ps);
    EXPECT_TRUE(MessageLog::Get().Messages(hwnd).empty());
    // A WM_PAINT that is never validated keeps coming back, as on Windows.
    InvalidateRect(hwnd, nullptr, FALSE);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_PAINT));
    ValidateRect(hwnd, nullptr);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(hwnd);
}

TEST(Paint, DeferredEraseIsLeftToBeginPaint) {
    HWND hwnd = CreateLogWindow("", WS_POPUP, 0, 0, 40, 30);
    ASSERT_NE(hwnd, nullptr);
    Drain();
    MessageLog::Get().Clear();
    SetWindowPos(
        hwnd, nullptr, 0, 0, 0, 0,
        SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_DEFERERASE);
    EXPECT_EQ(MessageLog::Get().Last(WM_ERASEBKGND), nullptr);
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    EXPECT_NE(MessageLog::Get().Last(WM_ERASEBKGND), nullptr);
    EXPECT_FALSE(ps.fErase) << "the window's WM_ERASEBKGND erased";
    EndPaint(hwnd, &ps);
    DestroyWindow(hwnd);
}

}  // namespace
