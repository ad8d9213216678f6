// The order in which the queue gives out what waits in it, with real host input among the
// posted messages: posted messages first, then input, then paints, whatever came first.
#include <gtest/gtest.h>
#include <windows.h>
#include <zorvane_test/host.h>

#include "message_log.h"

using namespace user32_test;

namespace {

TEST(MessageOrder, PostedThenInputThenPaint) {
    HWND hwnd = CreateLogWindow("q", WS_POPUP, 0, 0, 50, 50);
    ASSERT_NE(hwnd, nullptr);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    Drain();
    InvalidateRect(hwnd, nullptr, TRUE);
    // Input first in time, posts after it: the posts still come first, in their order,
    // then the input in its order, then the paint.
    zv_test::InjectMouseButton(hwnd, 0, true, 10, 10);
    zv_test::InjectMouseButton(hwnd, 0, false, 10, 10);
    PostMessageA(hwnd, WM_USER + 1, 0, 0);
    PostThreadMessageA(GetCurrentThreadId(), WM_USER + 9, 0, 0);
    PostMessageA(hwnd, WM_USER + 2, 0, 0);
    Seq got;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message != WM_MOUSEMOVE) got.push_back(m.message);
        DispatchMessageA(&m);
    }
    EXPECT_EQ(got,
              (Seq{WM_USER + 1, WM_USER + 9, WM_USER + 2, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_PAINT}));
    // Input that arrives while posts are being handled still waits for them.
    zv_test::InjectMouseButton(hwnd, 1, true, 10, 10);
    PostMessageA(hwnd, WM_USER + 3, 0, 0);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_USER + 3));
    zv_test::InjectMouseButton(hwnd, 1, false, 10, 10);
    PostMessageA(hwnd, WM_USER + 4, 0, 0);
    got.clear();
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message != WM_MOUSEMOVE) got.push_back(m.message);
        DispatchMessageA(&m);
    }
    EXPECT_EQ(got, (Seq{WM_USER + 4, WM_RBUTTONDOWN, WM_RBUTTONUP}));
    DestroyWindow(hwnd);
}

}  // namespace
