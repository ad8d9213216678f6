// Pixel formats and raster operations: shapes stored right in every DIB format, R2_NOT
// on exactly the pixels R2_COPYPEN sets, SetPixel untouched by the raster operation.
#include "gdi_test_util.h"

#include <random>

namespace {

template <class Draw>
void ExpectNotMatchesCopy(Draw draw, bool hollow) {
    Canvas copy(40, 40), inv(40, 40);
    copy.Clear();
    inv.Clear(0x123456);
    {
        Tools t(copy.dc, RGB(255, 255, 255), RGB(255, 255, 255), hollow);
        draw(copy.dc);
    }
    {
        Tools t(inv.dc, kPenRef, kBrushRef, hollow);
        SetROP2(inv.dc, R2_NOT);
        draw(inv.dc);
    }
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            EXPECT_EQ(inv.At(x, y), copy.At(x, y) ? (~0x123456u & 0xFFFFFF) : 0x123456u)
                << x << "," << y << "\n"
                << copy.Dump();
}

TEST(GdiRop2, NotInvertsExactlyThePixelsCopyPenSets) {
    for (bool hollow : {true, false}) {
        SCOPED_TRACE(hollow);
        ExpectNotMatchesCopy([](HDC dc) { Rectangle(dc, 3, 4, 30, 22); }, hollow);
        ExpectNotMatchesCopy([](HDC dc) { Rectangle(dc, 3, 4, 4, 22); }, hollow);
        ExpectNotMatchesCopy([](HDC dc) { Ellipse(dc, 3, 4, 30, 22); }, hollow);
        ExpectNotMatchesCopy([](HDC dc) { Ellipse(dc, 5, 5, 9, 12); }, hollow);
        ExpectNotMatchesCopy([](HDC dc) { RoundRect(dc, 2, 2, 37, 30, 12, 9); }, hollow);
        // Shapes partly off the surface too (the copy of a whole hollow ellipse takes a
        // shortcut of its own; R2_NOT goes the general way).
        std::mt19937 rng(hollow ? 7 : 8);
        for (int i = 0; i < 60; ++i) {
            int l = int(rng() % 50) - 10, t = int(rng() % 50) - 10;
            int r = l + 1 + int(rng() % 45), b = t + 1 + int(rng() % 45);
            ExpectNotMatchesCopy([&](HDC dc) { Ellipse(dc, l, t, r, b); }, hollow);
        }
        ExpectNotMatchesCopy(
            [](HDC dc) {
                MoveToEx(dc, 1, 1, nullptr);
                LineTo(dc, 33, 17);
                LineTo(dc, 5, 38);
            },
            hollow);
    }
}

TEST(GdiRop2, SetPixelIgnoresTheRasterOperation) {
    Canvas c(4, 4);
    c.Clear(0x000000);
    SetROP2(c.dc, R2_NOT);
    EXPECT_TRUE(SetPixelV(c.dc, 1, 1, RGB(1, 2, 3)));
    EXPECT_EQ(c.At(1, 1), 0x010203u);
    EXPECT_EQ(SetPixel(c.dc, 2, 2, RGB(9, 9, 9)), RGB(9, 9, 9));
    EXPECT_EQ(GetPixel(c.dc, 2, 2), RGB(9, 9, 9));
    EXPECT_EQ(SetPixel(c.dc, 4, 0, 0), CLR_INVALID);
    EXPECT_FALSE(SetPixelV(c.dc, -1, 0, 0));
    EXPECT_EQ(GetPixel(c.dc, 0, 4), CLR_INVALID);
}

struct FormatCase {
    int bits;
    DWORD compression;
    DWORD masks[3];
    uint32_t red, green;  // stored pixel values
};

TEST(GdiFormats, ShapesOnEveryPixelFormat) {
    const FormatCase cases[] = {
        {16, BI_RGB, {0, 0, 0}, 0x7C00, 0x03E0},
        {16, BI_BITFIELDS, {0xF800, 0x7E0, 0x1F}, 0xF800, 0x07E0},
        {24, BI_RGB, {0, 0, 0}, 0xFF0000, 0x00FF00},
        {32, BI_RGB, {0, 0, 0}, 0xFF0000, 0x00FF00},
        {8, BI_RGB, {0, 0, 0}, 2, 1},
        {4, BI_RGB, {0, 0, 0}, 2, 1},
        {1, BI_RGB, {0, 0, 0}, 1, 1},
    };
    for (const FormatCase& fc : cases) {
        SCOPED_TRACE(testing::Message() << fc.bits << " bits, compression " << fc.compression);
        struct {
            BITMAPINFOHEADER h;
            DWORD table[256];
        } bi{};
        bi.h = Info(10, 10, fc.bits).bmiHeader;  // bottom-up
        bi.h.biCompression = fc.compression;
        memcpy(bi.table, fc.masks, sizeof fc.masks);
        if (fc.bits <= 8) {
            bi.h.biClrUsed = fc.bits == 1 ? 2 : 3;
            bi.table[0] = 0x000000;
            bi.table[1] = fc.bits == 1 ? 0xFF0000 : 0x00FF00;  // RGBQUAD as a DWORD: 0x00RRGGBB
            bi.table[2] = 0xFF0000;
        }
        HDC dc = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        HBITMAP bmp = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS,
                                       &bits, nullptr, 0);
        ASSERT_NE(bmp, nullptr);
        HGDIOBJ old = SelectObject(dc, bmp);
        {
            Tools t(dc, RGB(255, 0, 0), RGB(0, 255, 0));
            Rectangle(dc, 1, 1, 6, 6);
        }
        EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0));
        EXPECT_EQ(GetPixel(dc, 1, 1), RGB(255, 0, 0));
        // Green is not in the two-colour table: the nearest entry is black.
        EXPECT_EQ(GetPixel(dc, 3, 3), fc.bits == 1 ? RGB(0, 0, 0) : RGB(0, 255, 0));
        EXPECT_EQ(GetPixel(dc, 6, 6), RGB(0, 0, 0));
        // Row 1 from the top is row 8 in memory (bottom-up).
        size_t stride = ((10 * fc.bits + 31) / 32) * 4;
        const uint8_t* row = static_cast<uint8_t*>(bits) + stride * 8;
        uint32_t v = 0;
        if (fc.bits >= 8) {
            memcpy(&v, row + fc.bits / 8, size_t(fc.bits / 8));
        } else if (fc.bits == 4) {
            v = row[0] & 15;  // pixel 1 is the low nibble of byte 0
        } else {
            v = (row[0] >> 6) & 1;
        }
        EXPECT_EQ(v, fc.red);
        // R2_NOT inverts the stored bits (an index of a wide table would land on an unset entry).
        if (fc.bits == 1 || fc.bits >= 16) {
            SetROP2(dc, R2_NOT);
            MoveToEx(dc, 0, 9, nullptr);
            LineTo(dc, 2, 9);
            EXPECT_NE(GetPixel(dc, 0, 9), RGB(0, 0, 0));
        }
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
}

}  // namespace
