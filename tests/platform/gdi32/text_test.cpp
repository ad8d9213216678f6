// Text: extents and metrics, monochrome glyphs in the text colour, the background box,
// TA_UPDATECP, and rotated text from a font's escapement.
#include "gdi_test_util.h"

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

TEST(GdiText, ExtentsAndMetricsAgree) {
    Canvas c(10, 10);
    HFONT f = Font(-20);
    HGDIOBJ old = SelectObject(c.dc, f);
    TEXTMETRICA tm;
    ASSERT_TRUE(GetTextMetricsA(c.dc, &tm));
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 20);
    EXPECT_EQ(tm.tmItalic, 0);
    SIZE a, b, ab;
    ASSERT_TRUE(GetTextExtentPoint32A(c.dc, "A", 1, &a));
    ASSERT_TRUE(GetTextExtentPoint32A(c.dc, "B", 1, &b));
    ASSERT_TRUE(GetTextExtentPoint32A(c.dc, "AB", 2, &ab));
    EXPECT_GT(a.cx, 5);
    EXPECT_EQ(ab.cx, a.cx + b.cx);
    EXPECT_EQ(ab.cy, tm.tmHeight);
    SIZE none;
    ASSERT_TRUE(GetTextExtentPoint32A(c.dc, "", 0, &none));
    EXPECT_EQ(none.cx, 0);
    EXPECT_FALSE(GetTextExtentPoint32A(c.dc, "A", -1, &none));
    // Positive heights are cell heights.
    HFONT cell = Font(30);
    SelectObject(c.dc, cell);
    ASSERT_TRUE(GetTextMetricsA(c.dc, &tm));
    EXPECT_EQ(tm.tmHeight, 30);
    HFONT it = Font(30, true);
    SelectObject(c.dc, it);
    ASSERT_TRUE(GetTextMetricsA(c.dc, &tm));
    EXPECT_NE(tm.tmItalic, 0);
    SelectObject(c.dc, old);
    DeleteObject(f);
    DeleteObject(cell);
    DeleteObject(it);
}

TEST(GdiText, DrawsMonochromeGlyphsAndTheBackgroundBox) {
    Canvas c(60, 30);
    c.Clear();
    SetTextColor(c.dc, RGB(255, 255, 255));
    SetBkColor(c.dc, RGB(0, 0, 255));
    SetBkMode(c.dc, OPAQUE);
    HFONT f = Font(-16);
    HGDIOBJ old = SelectObject(c.dc, f);
    SIZE sz;
    GetTextExtentPoint32A(c.dc, "Hi", 2, &sz);
    ASSERT_TRUE(TextOutA(c.dc, 3, 4, "Hi", 2));
    std::set<uint32_t> colours;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x) {
            colours.insert(c.At(x, y));
            bool in_box = x >= 3 && x < 3 + sz.cx && y >= 4 && y < 4 + sz.cy;
            if (!in_box) {
                EXPECT_EQ(c.At(x, y), 0u) << x << "," << y;
            }
        }
    // Only the two colours: no anti-aliasing.
    EXPECT_EQ(colours, (std::set<uint32_t>{0, 0xFFFFFF, 0x0000FF}));
    EXPECT_GT(c.Count(0xFFFFFF), 20);
    // Transparent mode leaves the background alone.
    c.Clear();
    SetBkMode(c.dc, TRANSPARENT);
    TextOutA(c.dc, 3, 4, "Hi", 2);
    EXPECT_EQ(c.Count(0x0000FF), 0);
    EXPECT_GT(c.Count(0xFFFFFF), 20);
    SelectObject(c.dc, old);
    DeleteObject(f);
}

TEST(GdiText, UpdateCpStartsAtAndAdvancesTheCurrentPosition) {
    Canvas c(80, 30);
    c.Clear();
    SetTextColor(c.dc, RGB(255, 255, 255));
    SetBkMode(c.dc, TRANSPARENT);
    SetTextAlign(c.dc, TA_UPDATECP);
    EXPECT_EQ(GetTextAlign(c.dc), UINT(TA_UPDATECP));
    SIZE sz;
    GetTextExtentPoint32A(c.dc, "ab", 2, &sz);
    MoveToEx(c.dc, 10, 2, nullptr);
    ASSERT_TRUE(TextOutA(c.dc, 0, 0, "ab", 2));  // the coordinates are ignored
    POINT pt;
    MoveToEx(c.dc, 0, 0, &pt);
    EXPECT_EQ(pt.x, 10 + sz.cx);
    EXPECT_EQ(pt.y, 2);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(c.At(x, y), 0u);
    EXPECT_TRUE(TextOutA(c.dc, 0, 0, "", 0));
    MoveToEx(c.dc, 0, 0, &pt);
    EXPECT_EQ(pt.x, 0);
}

TEST(GdiText, EscapementRotatesTheText) {
    Canvas flat(80, 80), up(80, 80);
    flat.Clear();
    up.Clear();
    HFONT f0 = Font(-16), f90 = Font(-16, false, 900);
    for (auto [c, f] : {std::pair{&flat, f0}, std::pair{&up, f90}})
        DrawWhiteText(*c, f, 40, 40, "WWWW");
    auto extent = [](const Canvas& c, int* w, int* h) {
        int x0 = 999, x1 = -1, y0 = 999, y1 = -1;
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x)
                if (c.At(x, y))
                    x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y),
                    y1 = std::max(y1, y);
        *w = x1 - x0 + 1;
        *h = y1 - y0 + 1;
    };
    int fw, fh, uw, uh;
    extent(flat, &fw, &fh);
    extent(up, &uw, &uh);
    EXPECT_GT(fw, fh);
    EXPECT_GT(uh, uw);  // 90 degrees: the run goes upwards
    DeleteObject(f0);
    DeleteObject(f90);
}

}  // namespace

namespace {}  // namespace
