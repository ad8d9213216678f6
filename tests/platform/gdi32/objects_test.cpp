// Objects and handle rules: what Windows guarantees about selection, deletion, stock
// objects, palettes, GetObjectA and bad handles.
#include "gdi_test_util.h"

#include <vector>

namespace {

const HDC kBogusDc = reinterpret_cast<HDC>(uintptr_t(0x12345678));
const HGDIOBJ kBogusObj = reinterpret_cast<HGDIOBJ>(uintptr_t(0x0BADF00C));

TEST(GdiObjects, StockObjectsAreStableAndSurviveDeletion) {
    HGDIOBJ null_brush = GetStockObject(NULL_BRUSH);
    ASSERT_NE(null_brush, nullptr);
    EXPECT_EQ(null_brush, GetStockObject(HOLLOW_BRUSH));
    LOGBRUSH lb;
    ASSERT_EQ(GetObjectA(null_brush, sizeof lb, &lb), int(sizeof lb));
    EXPECT_EQ(lb.lbStyle, UINT(BS_NULL));
    ASSERT_EQ(GetObjectA(GetStockObject(BLACK_BRUSH), sizeof lb, &lb), int(sizeof lb));
    EXPECT_EQ(lb.lbStyle, UINT(BS_SOLID));
    EXPECT_EQ(lb.lbColor, 0u);
    EXPECT_TRUE(DeleteObject(null_brush));
    EXPECT_EQ(GetObjectType(null_brush), DWORD(OBJ_BRUSH));
    for (int i : {SYSTEM_FONT, DEFAULT_GUI_FONT})
        EXPECT_EQ(GetObjectType(GetStockObject(i)), DWORD(OBJ_FONT));
    EXPECT_EQ(GetStockObject(9), nullptr);
    EXPECT_EQ(GetStockObject(-1), nullptr);
    EXPECT_EQ(GetStockObject(1000), nullptr);
}

TEST(GdiObjects, DeletingADcReleasesItsSelections) {
    HDC dc = CreateCompatibleDC(nullptr);
    HPEN pen = CreatePen(PS_SOLID, 0, 0);
    HBITMAP bmp = CreateCompatibleBitmap(dc, 4, 4);
    SelectObject(dc, pen);
    ASSERT_NE(SelectObject(dc, bmp), nullptr);
    // A bitmap lives in one DC at a time.
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(other, bmp), nullptr);
    EXPECT_FALSE(DeleteObject(bmp));
    DeleteDC(dc);
    EXPECT_NE(SelectObject(other, bmp), nullptr);
    SelectObject(other, GetStockObject(BLACK_PEN));
    DeleteDC(other);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_TRUE(DeleteObject(bmp));
}

TEST(GdiObjects, GetObjectSizesFollowTheObjectKind) {
    Canvas c(7, 5, 24);
    EXPECT_EQ(GetObjectA(c.bmp, 0, nullptr), int(sizeof(DIBSECTION)));
    DIBSECTION ds;
    memset(&ds, 0xCC, sizeof ds);
    ASSERT_EQ(GetObjectA(c.bmp, sizeof ds, &ds), int(sizeof(DIBSECTION)));
    EXPECT_EQ(ds.dsBm.bmWidth, 7);
    EXPECT_EQ(ds.dsBm.bmHeight, 5);
    EXPECT_EQ(ds.dsBm.bmBitsPixel, 24);
    EXPECT_EQ(ds.dsBm.bmWidthBytes, 24);
    EXPECT_NE(ds.dsBm.bmBits, nullptr);
    EXPECT_EQ(ds.dsBmih.biSize, DWORD(sizeof(BITMAPINFOHEADER)));
    EXPECT_EQ(ds.dsBmih.biBitCount, 24);
    EXPECT_EQ(ds.dshSection, nullptr);
    BITMAP bm;
    EXPECT_EQ(GetObjectA(c.bmp, sizeof bm, &bm), int(sizeof(BITMAP)));
    EXPECT_EQ(GetObjectA(c.bmp, sizeof bm - 1, &bm), 0);

    // A device-dependent bitmap answers BITMAP even when asked for a DIBSECTION.
    HBITMAP ddb = CreateCompatibleBitmap(GetDC(nullptr), 3, 3);
    EXPECT_EQ(GetObjectA(ddb, sizeof ds, &ds), int(sizeof(BITMAP)));
    EXPECT_EQ(ds.dsBm.bmBitsPixel, 32);
    DeleteObject(ddb);

    HPEN pen = CreatePen(PS_SOLID, 0, RGB(9, 8, 7));
    LOGPEN lp;
    ASSERT_EQ(GetObjectA(pen, sizeof lp, &lp), int(sizeof lp));
    EXPECT_EQ(lp.lopnStyle, UINT(PS_SOLID));
    EXPECT_EQ(lp.lopnWidth.x, 0);
    EXPECT_EQ(lp.lopnColor, RGB(9, 8, 7));
    DeleteObject(pen);
    EXPECT_EQ(GetObjectA(c.dc, sizeof lp, &lp), 0);
}

TEST(GdiObjects, PalettesSelectAndRealize) {
    HDC dc = CreateCompatibleDC(nullptr);
    struct {
        LOGPALETTE lp;
        PALETTEENTRY more[1];
    } pal{};
    pal.lp.palVersion = 0x300;
    pal.lp.palNumEntries = 2;
    pal.lp.palPalEntry[0] = PALETTEENTRY{255, 0, 0, 0};
    pal.more[0] = PALETTEENTRY{0, 0, 255, 0};
    HPALETTE p = CreatePalette(&pal.lp);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(GetObjectType(p), DWORD(OBJ_PAL));
    WORD n = 0;
    EXPECT_EQ(GetObjectA(p, sizeof n, &n), int(sizeof n));
    EXPECT_EQ(n, 2);
    HPALETTE old = SelectPalette(dc, p, TRUE);
    EXPECT_EQ(old, GetStockObject(DEFAULT_PALETTE));
    EXPECT_NE(RealizePalette(dc), GDI_ERROR);
    EXPECT_EQ(SelectObject(dc, p), nullptr);  // palettes go through SelectPalette only
    EXPECT_FALSE(DeleteObject(p));
    EXPECT_EQ(SelectPalette(dc, old, TRUE), p);
    EXPECT_TRUE(DeleteObject(p));
    EXPECT_EQ(RealizePalette(kBogusDc), GDI_ERROR);
    DeleteDC(dc);
}

// Every call given a handle that was never handed out fails, and says so.
TEST(GdiObjects, BadHandlesFailEveryCall) {
    HDC stale = CreateCompatibleDC(nullptr);
    DeleteDC(stale);
    for (HDC bad : {kBogusDc, stale, reinterpret_cast<HDC>(GetStockObject(BLACK_PEN))}) {
        SCOPED_TRACE(uintptr_t(bad));
        RECT r{0, 0, 1, 1};
        SIZE sz;
        POINT pt;
        TEXTMETRICA tm;
        auto check = [&](bool failed, const char* what) {
            EXPECT_TRUE(failed) << what;
            EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE)) << what;
            SetLastError(0xdeadbeef);
        };
        SetLastError(0xdeadbeef);
        check(!Rectangle(bad, 0, 0, 2, 2), "Rectangle");
        check(!Ellipse(bad, 0, 0, 2, 2), "Ellipse");
        check(!RoundRect(bad, 0, 0, 2, 2, 1, 1), "RoundRect");
        check(!MoveToEx(bad, 0, 0, &pt), "MoveToEx");
        check(!LineTo(bad, 1, 1), "LineTo");
        check(!SetPixelV(bad, 0, 0, 0), "SetPixelV");
        check(GetPixel(bad, 0, 0) == CLR_INVALID, "GetPixel");
        check(SelectObject(bad, GetStockObject(BLACK_PEN)) == nullptr, "SelectObject");
        check(SetROP2(bad, R2_NOT) == 0, "SetROP2");
        check(SetBkMode(bad, OPAQUE) == 0, "SetBkMode");
        check(SetTextColor(bad, 0) == CLR_INVALID, "SetTextColor");
        check(SetBkColor(bad, 0) == CLR_INVALID, "SetBkColor");
        check(SetTextAlign(bad, 0) == GDI_ERROR, "SetTextAlign");
        check(!TextOutA(bad, 0, 0, "a", 1), "TextOutA");
        check(!GetTextExtentPoint32A(bad, "a", 1, &sz), "GetTextExtentPoint32A");
        check(!GetTextMetricsA(bad, &tm), "GetTextMetricsA");
        check(!ExtFloodFill(bad, 0, 0, 0, FLOODFILLSURFACE), "ExtFloodFill");
        check(FillRect(bad, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))) == 0, "FillRect");
        check(!BitBlt(bad, 0, 0, 1, 1, nullptr, 0, 0, BLACKNESS), "BitBlt");
        check(CreateCompatibleDC(bad) == nullptr, "CreateCompatibleDC");
        check(CreateCompatibleBitmap(bad, 1, 1) == nullptr, "CreateCompatibleBitmap");
        check(!DeleteDC(bad), "DeleteDC");
    }
    HDC dc = CreateCompatibleDC(nullptr);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(SelectObject(dc, kBogusObj), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(DeleteObject(kBogusObj));
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_EQ(GetObjectType(kBogusObj), 0u);
    // A DC is not a GDI object and a GDI object is not a DC.
    EXPECT_FALSE(DeleteObject(dc));
    RECT r{0, 0, 1, 1};
    EXPECT_EQ(FillRect(dc, &r, reinterpret_cast<HBRUSH>(kBogusObj)), 0);
    EXPECT_EQ(FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_PEN))), 0);
    Canvas c(2, 2);
    EXPECT_FALSE(BitBlt(c.dc, 0, 0, 1, 1, kBogusDc, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(c.dc, 0, 0, 1, 1, kBogusDc, 0, 0, BLACKNESS));  // no source needed
    EXPECT_EQ(SetROP2(dc, 0), 0);
    EXPECT_EQ(SetROP2(dc, 17), 0);
    EXPECT_EQ(SetBkMode(dc, 3), 0);
    DeleteDC(dc);
}

}  // namespace
