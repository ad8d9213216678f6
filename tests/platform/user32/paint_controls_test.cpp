// Painting as the host sees it: window pixels reaching the native window's frame.
#include <gtest/gtest.h>
#include <windows.h>
#include <zorvane_test/host.h>

#include "message_log.h"

using namespace user32_test;

namespace {

TEST(Paint, ClassBrushReachesTheHostFrame) {
    HWND hwnd = CreateLogWindow("painted", WS_CAPTION | WS_SYSMENU, 5, 5, 120, 60);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    Drain();
    zv_test::NativeWindowInfo info;
    ASSERT_TRUE(zv_test::GetNativeWindow(hwnd, &info));
    EXPECT_EQ(info.title, "painted");
    EXPECT_TRUE(info.decorated);
    EXPECT_EQ(info.client.left, 8);
    EXPECT_EQ(info.client.top, 27);
    EXPECT_EQ(info.client.right - info.client.left, 114);
    EXPECT_EQ(info.show_state, 1);
    zv_test::HostFrame frame;
    ASSERT_TRUE(zv_test::LastPresentedFrame(hwnd, &frame));
    ASSERT_EQ(frame.width, 114);
    ASSERT_EQ(frame.height, 60 - 25);
    // COLOR_BTNFACE, 0x00RRGGBB.
    EXPECT_EQ(frame.pixels[0], 0xF0F0F0u);
    EXPECT_EQ(frame.pixels.back(), 0xF0F0F0u);
    DestroyWindow(hwnd);
    EXPECT_FALSE(zv_test::GetNativeWindow(hwnd, nullptr));
}

TEST(Paint, ChildDrawsIntoItsTopLevelPixelsWithinItsOwnArea) {
    HWND top = CreateLogWindow("", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40);
    HWND child = CreateWindowExA(0, "LogClass", "", WS_CHILD | WS_VISIBLE, 10, 10, 10, 10, top,
                                 nullptr, nullptr, nullptr);
    Drain();
    HDC dc = GetDC(child);
    ASSERT_NE(dc, nullptr);
    RECT everything = {-100, -100, 100, 100};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &everything, red);
    DeleteObject(red);
    ReleaseDC(child, dc);
    MSG m;
    PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);  // a fetch shows what was drawn
    zv_test::HostFrame frame;
    ASSERT_TRUE(zv_test::LastPresentedFrame(top, &frame));
    ASSERT_EQ(frame.width, 40);
    auto at = [&](int x, int y) { return frame.pixels[size_t(y) * 40 + x]; };
    EXPECT_EQ(at(10, 10), 0xFF0000u);
    EXPECT_EQ(at(19, 19), 0xFF0000u);
    EXPECT_NE(at(9, 10), 0xFF0000u);
    EXPECT_NE(at(20, 19), 0xFF0000u);
    EXPECT_NE(at(10, 20), 0xFF0000u);
    DestroyWindow(top);
}

}  // namespace
