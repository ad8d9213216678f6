// Objects and device contexts as the platform counts and records them: live object and DC
// counts, font files, the call trace, and device contexts over the platform's own buffers.
#include "gdi_test_util.h"

#include <zorvane_test/gdi32.h>

#include "gdi_window_dc.h"

#include <vector>

namespace {

TEST(GdiObjects, SelectReturnsPreviousAndSelectedObjectsAreNotDeleted) {
    const size_t before = zv_test::LiveGdiObjectCount();
    HDC dc = CreateCompatibleDC(nullptr);
    HPEN red = CreatePen(PS_SOLID, 0, RGB(255, 0, 0));
    HPEN blue = CreatePen(PS_SOLID, 0, RGB(0, 0, 255));
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    EXPECT_EQ(zv_test::LiveGdiObjectCount(), before + 3);

    EXPECT_EQ(SelectObject(dc, red), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(dc, blue), HGDIOBJ(red));
    EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));

    // Still selected: not deleted, and still usable.
    EXPECT_FALSE(DeleteObject(blue));
    EXPECT_EQ(GetObjectType(blue), DWORD(OBJ_PEN));
    EXPECT_TRUE(DeleteObject(red));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetObjectType(red), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    // A deleted handle fails everything.
    EXPECT_EQ(SelectObject(dc, red), nullptr);
    EXPECT_FALSE(DeleteObject(red));
    LOGPEN lp;
    EXPECT_EQ(GetObjectA(red, sizeof lp, &lp), 0);

    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    EXPECT_TRUE(DeleteObject(blue));
    EXPECT_TRUE(DeleteObject(brush));
    DeleteDC(dc);
    EXPECT_EQ(zv_test::LiveGdiObjectCount(), before);
}

TEST(GdiObjects, FontsKeepTheirLogfont) {
    LOGFONTA lf{};
    lf.lfHeight = -20;
    lf.lfEscapement = lf.lfOrientation = 450;
    lf.lfWeight = FW_BOLD;
    lf.lfItalic = 1;
    lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    strcpy(lf.lfFaceName, "Arial");
    HFONT f = CreateFontIndirectA(&lf);
    ASSERT_NE(f, nullptr);
    LOGFONTA back;
    memset(&back, 0xCC, sizeof back);
    ASSERT_EQ(GetObjectA(f, sizeof back, &back), int(sizeof(LOGFONTA)));
    EXPECT_EQ(back.lfHeight, -20);
    EXPECT_EQ(back.lfEscapement, 450);
    EXPECT_EQ(back.lfOrientation, 450);
    EXPECT_EQ(back.lfItalic, 1);
    EXPECT_EQ(back.lfOutPrecision, OUT_TT_ONLY_PRECIS);
    EXPECT_STREQ(back.lfFaceName, "Arial");
    // A short buffer gets what fits.
    EXPECT_EQ(GetObjectA(f, 8, &back), 8);
    EXPECT_FALSE(zv_test::FontFileOf(f).empty());
    DeleteObject(f);
    EXPECT_EQ(CreateFontIndirectA(nullptr), nullptr);

    LOGFONTA sys;
    ASSERT_EQ(GetObjectA(GetStockObject(SYSTEM_FONT), sizeof sys, &sys), int(sizeof sys));
    EXPECT_GT(sys.lfHeight, 0);
}

TEST(GdiTrace, RecordsCallsOnTheTracedDcInOrder) {
    Canvas c(4, 4);
    Canvas other(2, 2);
    zv_test::StartGdiTrace(c.dc);
    SetTextColor(c.dc, 0x123456);
    SetPixelV(other.dc, 0, 0, 0);
    HGDIOBJ pen = GetStockObject(WHITE_PEN);
    HGDIOBJ old = SelectObject(c.dc, pen);
    Rectangle(c.dc, 0, 0, 2, 2);
    SelectObject(c.dc, old);
    auto calls = zv_test::StopGdiTrace();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].function, "SetTextColor");
    EXPECT_EQ(calls[0].args, std::vector<intptr_t>{0x123456});
    EXPECT_EQ(calls[1].function, "SelectObject");
    EXPECT_EQ(calls[1].args, std::vector<intptr_t>{intptr_t(pen)});
    EXPECT_EQ(zv_test::ToString(calls[2]), "Rectangle(0, 0, 0x2, 0x2)");
    SetTextColor(c.dc, 0);
    EXPECT_TRUE(zv_test::StopGdiTrace().empty());
}

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
    zv::SetWindowSurfaceProvider(&FakeWindow, &mem);
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
    zv::SetWindowSurfaceProvider(nullptr, nullptr);
    EXPECT_EQ(zv_test::LiveDcCount(), dcs);
}

}  // namespace
