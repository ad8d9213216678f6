// Objects as the platform counts and records them: selection against live object counts,
// fonts and their LOGFONT, the call trace.
#include "gdi_test_util.h"

#include <zorvane_test/gdi32.h>

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

}  // namespace
