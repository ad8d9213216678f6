// Bitmaps, DIB sections and blits: formats, row order, conversions, stretching, alpha
// blending and the msimg32 module.
#include "gdi_test_util.h"

namespace {

TEST(GdiDib, SectionsOfEveryDepthStartZeroed) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        struct {
            BITMAPINFO info;
            RGBQUAD more[255];  // a whole colour table for the palette depths
        } bi{};
        bi.info = Info(13, -3, bits);
        void* p = reinterpret_cast<void*>(1);
        HBITMAP b = CreateDIBSection(nullptr, &bi.info, DIB_RGB_COLORS, &p, nullptr, 0);
        ASSERT_NE(b, nullptr);
        ASSERT_NE(p, nullptr);
        size_t stride = ((13 * bits + 31) / 32) * 4;
        for (size_t i = 0; i < stride * 3; ++i)
            ASSERT_EQ(static_cast<uint8_t*>(p)[i], 0);
        DIBSECTION ds;
        ASSERT_EQ(GetObjectA(b, sizeof ds, &ds), int(sizeof ds));
        EXPECT_EQ(ds.dsBm.bmWidthBytes, LONG(stride));
        EXPECT_EQ(ds.dsBm.bmHeight, 3);
        EXPECT_EQ(ds.dsBm.bmBits, p);
        EXPECT_EQ(ds.dsBmih.biHeight, -3);
        EXPECT_EQ(ds.dsBmih.biSizeImage, DWORD(stride * 3));
        EXPECT_EQ(GetObjectType(b), DWORD(OBJ_BITMAP));
        DeleteObject(b);
    }
}

TEST(GdiDib, BadHeadersAreRefused) {
    void* p = nullptr;
    auto refused = [&](BITMAPINFO bi) {
        SetLastError(0xdeadbeef);
        HBITMAP b = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
        bool ok = b == nullptr && p == nullptr && GetLastError() != 0xdeadbeef;
        if (b) DeleteObject(b);
        return ok;
    };
    EXPECT_TRUE(refused(Info(4, 4, 7)));
    EXPECT_TRUE(refused(Info(0, 4, 32)));
    EXPECT_TRUE(refused(Info(4, 0, 32)));
    EXPECT_TRUE(refused(Info(-4, 4, 32)));
    EXPECT_TRUE(refused(Info(100000, 100000, 32)));
    BITMAPINFO bad = Info(4, 4, 32);
    bad.bmiHeader.biPlanes = 2;
    EXPECT_TRUE(refused(bad));
    bad = Info(4, 4, 24);
    bad.bmiHeader.biCompression = BI_RLE8;
    EXPECT_TRUE(refused(bad));
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &p, nullptr, 0), nullptr);
}

TEST(GdiDib, GetDIBitsDescribesAndReadsInEitherRowOrder) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP ddb = CreateCompatibleBitmap(screen, 3, 2);
    HGDIOBJ old = SelectObject(dc, ddb);
    SetPixelV(dc, 0, 0, RGB(10, 20, 30));
    SetPixelV(dc, 2, 1, RGB(40, 50, 60));
    SelectObject(dc, old);

    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    ASSERT_NE(GetDIBits(dc, ddb, 0, 0, nullptr, &bi, DIB_RGB_COLORS), 0);
    EXPECT_EQ(bi.bmiHeader.biWidth, 3);
    EXPECT_EQ(bi.bmiHeader.biHeight, 2);
    EXPECT_EQ(bi.bmiHeader.biBitCount, 32);

    uint32_t top_down[6] = {};
    BITMAPINFO td = Info(3, -2, 32);
    EXPECT_EQ(GetDIBits(dc, ddb, 0, 2, top_down, &td, DIB_RGB_COLORS), 2);
    EXPECT_EQ(top_down[0] & 0xFFFFFF, 0x0A141Eu);
    EXPECT_EQ(top_down[5] & 0xFFFFFF, 0x28323Cu);
    uint8_t bottom_up[2 * 12] = {};  // 24-bit rows of 9 bytes padded to 12
    BITMAPINFO bu = Info(3, 2, 24);
    EXPECT_EQ(GetDIBits(dc, ddb, 0, 2, bottom_up, &bu, DIB_RGB_COLORS), 2);
    EXPECT_EQ(bottom_up[6], 60);  // first row in memory is the bottom row: pixel 2 is B, G, R
    EXPECT_EQ(bottom_up[8], 40);
    EXPECT_EQ(bottom_up[12], 30);  // then the top row, pixel 0
    EXPECT_EQ(GetDIBits(dc, reinterpret_cast<HBITMAP>(dc), 0, 2, top_down, &td, DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetDIBits(nullptr, ddb, 0, 2, top_down, &td, DIB_RGB_COLORS), 0);
    DeleteObject(ddb);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

TEST(GdiBlit, BitBltCopiesConvertsAndInverts) {
    Canvas dst(8, 8), src(8, 8, 16);
    dst.Clear();
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT r{0, 0, 8, 8};
    FillRect(src.dc, &r, red);
    SetPixelV(src.dc, 1, 1, RGB(0, 0, 255));
    ASSERT_TRUE(BitBlt(dst.dc, 2, 2, 4, 4, src.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(dst.At(2, 2), 0xFF0000u);
    EXPECT_EQ(dst.At(3, 3), 0x0000FFu);
    EXPECT_EQ(dst.At(6, 6), 0u);
    EXPECT_EQ(dst.Count(0xFF0000), 15);
    ASSERT_TRUE(BitBlt(dst.dc, 2, 2, 1, 1, src.dc, 0, 0, SRCINVERT));
    EXPECT_EQ(dst.At(2, 2), 0u);
    // Source rectangles beyond the source draw only what exists.
    dst.Clear();
    ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 8, 8, src.dc, 6, 6, SRCCOPY));
    EXPECT_EQ(dst.Count(0xFF0000), 4);
    // Overlapping copy inside one surface.
    dst.Clear();
    for (int x = 0; x < 8; ++x)
        SetPixelV(dst.dc, x, 0, RGB(x, 0, 0));
    ASSERT_TRUE(BitBlt(dst.dc, 1, 0, 7, 1, dst.dc, 0, 0, SRCCOPY));
    for (int x = 1; x < 8; ++x)
        EXPECT_EQ(dst.At(x, 0), uint32_t(x - 1) << 16);
    DeleteObject(red);
}

TEST(GdiBlit, MonochromeUsesTextAndBackgroundColours) {
    HDC mono = CreateCompatibleDC(nullptr);
    HBITMAP mb = CreateCompatibleBitmap(mono, 2, 1);
    HGDIOBJ old = SelectObject(mono, mb);
    SetPixelV(mono, 0, 0, RGB(255, 255, 255));
    Canvas c(2, 1);
    SetTextColor(c.dc, RGB(1, 2, 3));
    SetBkColor(c.dc, RGB(4, 5, 6));
    BitBlt(c.dc, 0, 0, 2, 1, mono, 0, 0, SRCCOPY);
    EXPECT_EQ(c.At(0, 0), 0x040506u);  // 1 (white) takes the background colour
    EXPECT_EQ(c.At(1, 0), 0x010203u);
    // Colour to monochrome: the source's background colour becomes white.
    SetBkColor(c.dc, RGB(4, 5, 6));
    BitBlt(mono, 0, 0, 2, 1, c.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(mono, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(mono, 1, 0), RGB(0, 0, 0));
    SelectObject(mono, old);
    DeleteObject(mb);
    DeleteDC(mono);
}

TEST(GdiBlit, StretchModes) {
    Canvas src(2, 2), dst(4, 4);
    src.px[0] = 0xFF0000;
    src.px[1] = 0x00FF00;
    src.px[2] = 0x0000FF;
    src.px[3] = 0xFFFFFF;
    EXPECT_EQ(SetStretchBltMode(dst.dc, COLORONCOLOR), BLACKONWHITE);
    ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(dst.At(0, 0), 0xFF0000u);
    EXPECT_EQ(dst.At(1, 1), 0xFF0000u);
    EXPECT_EQ(dst.At(2, 1), 0x00FF00u);
    EXPECT_EQ(dst.At(3, 3), 0xFFFFFFu);
    // Mirrored by a negative width.
    ASSERT_TRUE(StretchBlt(dst.dc, 4, 0, -4, 4, src.dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(dst.At(0, 0), 0x00FF00u);
    // HALFTONE averages when shrinking.
    Canvas one(1, 1);
    SetStretchBltMode(one.dc, HALFTONE);
    ASSERT_TRUE(StretchBlt(one.dc, 0, 0, 1, 1, src.dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(one.At(0, 0), 0x808080u);
    EXPECT_EQ(SetStretchBltMode(one.dc, 0), 0);
}

TEST(GdiBlit, StretchDIBitsCountsBottomUpSourceRowsFromTheBottom) {
    // 2 x 2 bottom-up, 24-bit: memory row 0 is the bottom row.
    uint8_t bits[2 * 8] = {};
    bits[0] = 0xFF;      // bottom-left blue
    bits[8 + 5] = 0xFF;  // top-right red
    BITMAPINFO bi = Info(2, 2, 24);
    Canvas c(4, 4);
    c.Clear();
    EXPECT_EQ(StretchDIBits(c.dc, 0, 0, 2, 2, 0, 0, 2, 2, bits, &bi, DIB_RGB_COLORS, SRCCOPY), 2);
    EXPECT_EQ(c.At(0, 1), 0x0000FFu);
    EXPECT_EQ(c.At(1, 0), 0xFF0000u);
    c.Clear();
    // Source row 0 with height 1 is the bottom row.
    StretchDIBits(c.dc, 0, 0, 2, 1, 0, 0, 2, 1, bits, &bi, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(c.At(0, 0), 0x0000FFu);
    EXPECT_EQ(StretchDIBits(c.dc, 0, 0, 2, 2, 0, 0, 2, 2, nullptr, &bi, DIB_RGB_COLORS, SRCCOPY),
              0);
}

TEST(GdiAlpha, ConstantAndPremultipliedBlends) {
    Canvas dst(2, 1), src(2, 1);
    dst.px[0] = 0x000000;
    dst.px[1] = 0xFFFFFF;
    src.px[0] = 0xFFFFFF;
    src.px[1] = 0x80800000;  // alpha 128, premultiplied red 128
    BLENDFUNCTION half{AC_SRC_OVER, 0, 128, 0};
    ASSERT_TRUE(GdiAlphaBlend(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 1, 1, half));
    EXPECT_EQ(dst.At(0, 0), 0x808080u);
    BLENDFUNCTION per_pixel{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ASSERT_TRUE(GdiAlphaBlend(dst.dc, 1, 0, 1, 1, src.dc, 1, 0, 1, 1, per_pixel));
    EXPECT_EQ(dst.At(1, 0), 0xFF7F7Fu);
    // Source rectangles must lie inside the source; per-pixel alpha needs 32 bits.
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GdiAlphaBlend(dst.dc, 0, 0, 2, 1, src.dc, 1, 0, 2, 1, half));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    Canvas rgb(1, 1, 24);
    EXPECT_FALSE(GdiAlphaBlend(dst.dc, 0, 0, 1, 1, rgb.dc, 0, 0, 1, 1, per_pixel));
    EXPECT_TRUE(GdiAlphaBlend(dst.dc, 0, 0, 1, 1, rgb.dc, 0, 0, 1, 1, half));
    BLENDFUNCTION bad_op{1, 0, 255, 0};
    EXPECT_FALSE(GdiAlphaBlend(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 1, 1, bad_op));
}

TEST(GdiAlpha, Msimg32ExportsAlphaBlend) {
    HMODULE m = LoadLibraryA("msimg32.dll");
    ASSERT_NE(m, nullptr);
    auto fn = reinterpret_cast<decltype(&AlphaBlend)>(
        reinterpret_cast<void (*)()>(GetProcAddress(m, "AlphaBlend")));
    ASSERT_NE(fn, nullptr);
    Canvas dst(1, 1), src(1, 1);
    src.px[0] = 0xFFFFFF;
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, 0};
    EXPECT_TRUE(fn(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 1, 1, bf));
    EXPECT_EQ(dst.At(0, 0), 0xFFFFFFu);
    FreeLibrary(m);
}

}  // namespace
