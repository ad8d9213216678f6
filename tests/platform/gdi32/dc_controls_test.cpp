// Device contexts over the platform's own buffers and over windows that the window
// surface provider describes, with the platform's count of live DCs.
#include "gdi_test_util.h"

#include <zorvane_test/gdi32.h>

#include "gdi_window_dc.h"

#include <vector>

namespace {

TEST(GdiBufferDc, DrawsIntoTheCallersMemoryWithinItsClip) {
    std::vector<uint16_t> mem(8 * 6, 0);
    zv::PixelBuffer buf;
    buf.bits = mem.data();
    buf.pitch = 8 * 2;
    buf.width = 8;
    buf.height = 6;
    buf.format = zv::BufferFormat::R5G6B5;
    RECT clip{2, 1, 6, 5};
    HDC dc = zv::CreateBufferDC(buf, &clip, POINT{1, 1});
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetObjectType(dc), DWORD(OBJ_DC));
    // Logical (0, 0) is buffer (1, 1); (0, 0) itself is clipped away.
    EXPECT_TRUE(SetPixelV(dc, 1, 0, RGB(255, 0, 0)));
    EXPECT_FALSE(SetPixelV(dc, 0, 0, RGB(255, 0, 0)));
    EXPECT_EQ(mem[1 * 8 + 2], 0xF800);
    EXPECT_EQ(GetPixel(dc, 1, 0), RGB(255, 0, 0));
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    RECT all{-100, -100, 100, 100};
    FillRect(dc, &all, green);
    int filled = 0;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            bool inside = x >= 2 && x < 6 && y >= 1 && y < 5;
            EXPECT_EQ(mem[y * 8 + x], inside ? 0x07E0 : 0) << x << "," << y;
            filled += inside;
        }
    EXPECT_EQ(filled, 16);
    std::vector<uint32_t> other(4, 0);
    zv::PixelBuffer b2;
    b2.bits = other.data();
    b2.pitch = 8;
    b2.width = b2.height = 2;
    ASSERT_TRUE(zv::RetargetBufferDC(dc, b2));
    FillRect(dc, &all, green);
    EXPECT_EQ(other[3], 0x00FF00u);
    DeleteObject(green);
    EXPECT_TRUE(DeleteDC(dc));
    buf.pitch = 2;  // too small for the width
    EXPECT_EQ(zv::CreateBufferDC(buf), nullptr);
    EXPECT_FALSE(zv::RetargetBufferDC(CreateCompatibleDC(nullptr), b2));
}

bool FakeWindow(HWND hwnd, zv::WindowSurface* s, void* context) {
    if (hwnd != reinterpret_cast<HWND>(uintptr_t(0x40))) return false;
    auto* mem = static_cast<std::vector<uint32_t>*>(context);
    s->buffer.bits = mem->data();
    s->buffer.pitch = 16;
    s->buffer.width = 4;
    s->buffer.height = 4;
    s->clip = RECT{1, 1, 4, 4};
    s->origin = POINT{1, 1};
    return true;
}

TEST(GdiGetDc, ScreenAndWindowDcs) {
    const size_t dcs = zv_test::LiveDcCount();
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
    EXPECT_TRUE(Rectangle(screen, 0, 0, 10, 10));  // nothing to draw on, but no failure
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 0);

    HWND wnd = reinterpret_cast<HWND>(uintptr_t(0x40));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetDC(wnd), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));

    std::vector<uint32_t> mem(16, 0);
    const zv::WindowSurfaceProvider provider = {&FakeWindow, nullptr, &mem};
    zv::SetWindowSurfaceProvider(&provider);
    HDC dc = GetDC(wnd);
    ASSERT_NE(dc, nullptr);
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RECT r{-1, -1, 1, 1};
    FillRect(dc, &r, white);
    EXPECT_EQ(mem[0], 0u);
    EXPECT_EQ(mem[1 * 4 + 1], 0xFFFFFFu);
    EXPECT_EQ(mem[1 * 4 + 2], 0u);
    EXPECT_EQ(ReleaseDC(nullptr, dc), 0);  // not its window
    EXPECT_EQ(ReleaseDC(wnd, dc), 1);
    zv::SetWindowSurfaceProvider(nullptr);
    EXPECT_EQ(zv_test::LiveDcCount(), dcs);
}

// The Direct3D device's present asks the window system to show what was drawn, through
// the provider: with its context, only where the provider can show, and not at all once
// it is gone.
TEST(GdiGetDc, ShowingWhatWasDrawnGoesToTheProvider) {
    int shown = 0;
    const zv::WindowSurfaceProvider provider = {
        &FakeWindow, [](void* context) { ++*static_cast<int*>(context); }, &shown};
    zv::SetWindowSurfaceProvider(&provider);
    zv::ShowDrawnWindowSurfaces();
    zv::ShowDrawnWindowSurfaces();
    EXPECT_EQ(shown, 2);

    const zv::WindowSurfaceProvider surfaces_only = {&FakeWindow, nullptr, &shown};
    zv::SetWindowSurfaceProvider(&surfaces_only);
    zv::ShowDrawnWindowSurfaces();
    zv::SetWindowSurfaceProvider(nullptr);
    zv::ShowDrawnWindowSurfaces();
    EXPECT_EQ(shown, 2);
}

}  // namespace
