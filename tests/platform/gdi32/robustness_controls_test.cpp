// Any arguments, however large or odd, are clipped or refused: random calls with values
// near the 32-bit limits on small surfaces of several formats must neither crash (the
// sanitizer build watches every access) nor hang, and leave no object behind.
#include "gdi_test_util.h"

#include <zorvane_test/gdi32.h>

#include <climits>
#include <random>

namespace {

int Wild(std::mt19937& rng) {
    static const int special[] = {INT_MIN, INT_MIN + 1, -65537, -1,    0,           1,
                                  2,       3,           7,      65536, INT_MAX - 1, INT_MAX};
    switch (rng() % 3) {
        case 0:
            return special[rng() % (sizeof special / sizeof *special)];
        case 1:
            return int(rng() % 40) - 10;
        default:
            return int(rng());
    }
}

TEST(GdiRobustness, RandomCallsWithExtremeArgumentsAreSafe) {
    const size_t objects = zv_test::LiveGdiObjectCount();
    std::mt19937 rng(99);
    for (int bits : {32, 24, 16, 8, 1}) {
        SCOPED_TRACE(bits);
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colors[256];
        } bi{};
        bi.header = Info(13, 11, bits).bmiHeader;
        for (int i = 0; i < 256; ++i)
            bi.colors[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
        HDC dc = CreateCompatibleDC(nullptr);
        void* p = nullptr;
        HBITMAP bmp = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &p,
                                       nullptr, 0);
        ASSERT_NE(bmp, nullptr);
        HGDIOBJ old_bmp = SelectObject(dc, bmp);
        Canvas src(5, 4);
        HPEN pen = CreatePen(PS_SOLID, 0, RGB(200, 10, 10));
        HBRUSH brush = CreateSolidBrush(RGB(10, 200, 10));
        HGDIOBJ old_pen = SelectObject(dc, pen), old_brush = SelectObject(dc, brush);
        for (int i = 0; i < 1500; ++i) {
            SetROP2(dc, 1 + int(rng() % 16));
            int a = Wild(rng), b = Wild(rng), c = Wild(rng), d = Wild(rng), e = Wild(rng),
                f = Wild(rng);
            switch (rng() % 12) {
                case 0:
                    Rectangle(dc, a, b, c, d);
                    break;
                case 1:
                    Ellipse(dc, a, b, c, d);
                    break;
                case 2:
                    RoundRect(dc, a, b, c, d, e, f);
                    break;
                case 3:
                    MoveToEx(dc, a, b, nullptr);
                    LineTo(dc, c, d);
                    break;
                case 4:
                    SetPixelV(dc, a, b, COLORREF(c));
                    break;
                case 5:
                    GetPixel(dc, a, b);
                    break;
                case 6:
                    BitBlt(dc, a, b, c, d, src.dc, e, f, rng() % 2 ? SRCCOPY : SRCINVERT);
                    break;
                case 7:
                    SetStretchBltMode(dc, rng() % 2 ? HALFTONE : COLORONCOLOR);
                    StretchBlt(dc, a % 50, b % 50, c % 100, d % 100, src.dc, e, f, Wild(rng),
                               Wild(rng), SRCCOPY);
                    break;
                case 8: {
                    BLENDFUNCTION bf{AC_SRC_OVER, 0, BYTE(rng()), BYTE(rng() % 2)};
                    GdiAlphaBlend(dc, a, b, c % 64, d % 64, src.dc, e, f, Wild(rng) % 8,
                                  Wild(rng) % 8, bf);
                    break;
                }
                case 9:
                    ExtFloodFill(dc, a % 20, b % 20, COLORREF(c), rng() % 2);
                    break;
                case 10: {
                    RECT r{a, b, c, d};
                    FillRect(dc, &r, brush);
                    PatBlt(dc, a, b, c, d, rng() % 2 ? PATCOPY : DSTINVERT);
                    break;
                }
                case 11: {
                    LOGFONTA lf{};
                    lf.lfHeight = a;
                    lf.lfEscapement = b % 3600;
                    lf.lfItalic = BYTE(c & 1);
                    HFONT font = CreateFontIndirectA(&lf);
                    HGDIOBJ old_font = SelectObject(dc, font);
                    SetTextAlign(dc, UINT(d) & TA_MASK);
                    TextOutA(dc, e % 1000, f % 1000, "Wy", 2);
                    SelectObject(dc, old_font);
                    DeleteObject(font);
                    break;
                }
            }
        }
        SelectObject(dc, old_pen);
        SelectObject(dc, old_brush);
        SelectObject(dc, old_bmp);
        DeleteObject(pen);
        DeleteObject(brush);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    EXPECT_EQ(zv_test::LiveGdiObjectCount(), objects);
}

}  // namespace
