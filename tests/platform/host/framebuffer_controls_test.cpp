// The seam's framebuffers on the headless host, which has no memory of its own to show:
// a window's pixels are kept across asks and resizes as GetFramebuffer promises, bad
// arguments fail without touching anything, and showing hands the pixels to the host.
#include <gtest/gtest.h>
#include <windows.h>
#include <zorvane_test/host.h>

#include <cstdint>
#include <vector>

#include "host/host.h"
#include "support/test_window.h"

namespace {

using zv::host::Framebuffer;

// Handles the seam never checks against user32: any distinct non-null values will do.
HWND Fake(uintptr_t n) {
    return reinterpret_cast<HWND>(0x1000 + n);
}

uint32_t At(const Framebuffer& fb, int x, int y) {
    return reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(fb.pixels) +
                                             ptrdiff_t(y) * fb.pitch)[x];
}

void Paint(const Framebuffer& fb) {
    for (int y = 0; y < fb.height; ++y)
        for (int x = 0; x < fb.width; ++x)
            reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(fb.pixels) +
                                        ptrdiff_t(y) * fb.pitch)[x] = uint32_t((x << 8) | y);
}

TEST(Framebuffer, KeepsItsPixelsWhileTheSizeStays) {
    HWND w = Fake(1);
    Framebuffer fb = {};
    ASSERT_TRUE(zv::host::GetFramebuffer(w, 30, 20, &fb));
    ASSERT_NE(fb.pixels, nullptr);
    EXPECT_EQ(fb.width, 30);
    EXPECT_EQ(fb.height, 20);
    EXPECT_GE(fb.pitch, 30 * 4);
    EXPECT_EQ(At(fb, 0, 0), 0u);  // a new framebuffer is black
    EXPECT_EQ(At(fb, 29, 19), 0u);
    Paint(fb);
    Framebuffer again = {};
    ASSERT_TRUE(zv::host::GetFramebuffer(w, 30, 20, &again));
    EXPECT_EQ(again.pixels, fb.pixels);
    EXPECT_EQ(At(again, 29, 19), uint32_t((29 << 8) | 19));
    zv::host::ReleaseFramebuffer(w);
}

TEST(Framebuffer, AResizeKeepsTheOverlapAndStartsTheRestBlack) {
    HWND w = Fake(2);
    Framebuffer fb = {};
    ASSERT_TRUE(zv::host::GetFramebuffer(w, 30, 20, &fb));
    Paint(fb);
    ASSERT_TRUE(zv::host::GetFramebuffer(w, 40, 10, &fb));  // wider, shorter
    EXPECT_EQ(At(fb, 29, 9), uint32_t((29 << 8) | 9));
    EXPECT_EQ(At(fb, 30, 0), 0u);
    EXPECT_EQ(At(fb, 39, 9), 0u);
    ASSERT_TRUE(zv::host::GetFramebuffer(w, 10, 30, &fb));  // narrower, taller
    EXPECT_EQ(At(fb, 9, 9), uint32_t((9 << 8) | 9));
    EXPECT_EQ(At(fb, 9, 10), 0u);  // the rows the shorter size had dropped come back black
    ASSERT_TRUE(zv::host::GetFramebuffer(w, 0, 30, &fb));
    EXPECT_EQ(fb.pixels, nullptr);
    EXPECT_EQ(fb.width, 0);
    ASSERT_TRUE(zv::host::GetFramebuffer(w, 10, 30, &fb));
    EXPECT_EQ(At(fb, 0, 0), 0u);  // nothing survives an empty size
    zv::host::ReleaseFramebuffer(w);
}

TEST(Framebuffer, BadArgumentsFailAndLeaveTheCallersRecordAlone) {
    const Framebuffer junk = {reinterpret_cast<uint32_t*>(0xBAD), 7, 7, 7};
    struct Case {
        HWND hwnd;
        int width, height;
    } cases[] = {
        {nullptr, 10, 10},   {Fake(3), -1, 10},   {Fake(3), 10, -1},
        {Fake(3), 16385, 1}, {Fake(3), 1, 16385},
    };
    for (const Case& c : cases) {
        Framebuffer fb = junk;
        EXPECT_FALSE(zv::host::GetFramebuffer(c.hwnd, c.width, c.height, &fb))
            << c.width << " x " << c.height;
        EXPECT_EQ(fb.pixels, junk.pixels);
        EXPECT_EQ(fb.pitch, 7);
    }
    EXPECT_FALSE(zv::host::GetFramebuffer(Fake(3), 10, 10, nullptr));
    // A window that was never asked for has nothing to show or release.
    zv::host::ShowFramebuffer(Fake(4));
    zv::host::ReleaseFramebuffer(Fake(4));
}

TEST(Framebuffer, AReleasedWindowStartsAgainBlack) {
    HWND w = Fake(5);
    Framebuffer fb = {};
    ASSERT_TRUE(zv::host::GetFramebuffer(w, 8, 8, &fb));
    Paint(fb);
    zv::host::ReleaseFramebuffer(w);
    ASSERT_TRUE(zv::host::GetFramebuffer(w, 8, 8, &fb));
    EXPECT_EQ(At(fb, 7, 7), 0u);
    zv::host::ReleaseFramebuffer(w);
}

TEST(Framebuffer, ShowingHandsTheWindowsPixelsToTheHost) {
    zv_support::RegisterTestClass("FramebufferTest");
    HWND top = zv_support::MakeTestWindow("FramebufferTest", WS_POPUP | WS_VISIBLE, 24, 16);
    ASSERT_NE(top, nullptr);
    Framebuffer fb = {};
    ASSERT_TRUE(zv::host::GetFramebuffer(top, 24, 16, &fb));
    Paint(fb);
    size_t before = zv_test::PresentCount(top);
    zv::host::ShowFramebuffer(top);
    EXPECT_EQ(zv_test::PresentCount(top), before + 1);
    zv_test::HostFrame frame;
    ASSERT_TRUE(zv_test::LastPresentedFrame(top, &frame));
    ASSERT_EQ(frame.width, 24);
    ASSERT_EQ(frame.height, 16);
    EXPECT_EQ(frame.pixels[15 * 24 + 23], uint32_t((23 << 8) | 15));
    // What GDI draws into the window is drawn into the same pixels.
    HDC dc = GetDC(top);
    ASSERT_NE(dc, nullptr);
    SetPixel(dc, 3, 2, RGB(255, 0, 0));
    ReleaseDC(top, dc);
    ASSERT_TRUE(zv::host::GetFramebuffer(top, 24, 16, &fb));
    EXPECT_EQ(At(fb, 3, 2), 0xFF0000u);
    EXPECT_TRUE(DestroyWindow(top));
}

}  // namespace
