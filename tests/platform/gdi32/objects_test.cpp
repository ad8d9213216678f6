// Objects, device contexts and handle rules: what Windows guarantees about selection,
// deletion, stock objects, GetObjectA and bad handles.
#include "gdi_test_util.h"

#include <zorvane_test/gdi32.h>

#include "gdi_window_dc.h"

#include <vector>

namespace {

const HDC kBogusDc = reinterpret_cast<HDC>(uintptr_t(0x12345678));
const HGDIOBJ kBogusObj = reinterpret_cast<HGDIOBJ>(uintptr_t(0x0BADF00C));

TEST(GdiDc, MemoryDcStartsWithOneByOneMonochromeBitmap) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetObjectType(dc), DWORD(OBJ_MEMDC));
    HGDIOBJ bmp = GetCurrentObject(dc, OBJ_BITMAP);
    BITMAP bm;
    memset(&bm, 0xCC, sizeof bm);
    ASSERT_EQ(GetObjectA(bmp, sizeof bm, &bm), int(sizeof(BITMAP)));
    EXPECT_EQ(bm.bmWidth, 1);
    EXPECT_EQ(bm.bmHeight, 1);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_EQ(bm.bmBits, nullptr);
    // Bitmaps compatible with it are monochrome too.
    HBITMAP mono = CreateCompatibleBitmap(dc, 8, 8);
    ASSERT_EQ(GetObjectA(mono, sizeof bm, &bm), int(sizeof(BITMAP)));
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_EQ(bm.bmWidth, 8);
    DeleteObject(mono);
    // Default objects are the stock ones.
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));
    EXPECT_TRUE(DeleteDC(dc));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

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
