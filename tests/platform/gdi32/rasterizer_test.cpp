// The rasteriser's rules: excluded right and bottom edges, closed symmetric one-pixel
// outlines, fills up to the outline, Windows' line pixels, clipping of any coordinates,
// flood fill, FillRect.
#include "gdi_test_util.h"

#include <climits>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

using PixelSet = std::set<std::pair<int, int>>;

PixelSet Set(const Canvas& c, uint32_t v) {
    PixelSet s;
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x)
            if (c.At(x, y) == v) s.insert({x, y});
    return s;
}

TEST(GdiRectangle, OutlineAndFillExcludeRightColumnAndBottomRow) {
    Canvas c(12, 12);
    c.Clear();
    Tools t(c.dc, kPenRef, kBrushRef);
    ASSERT_TRUE(Rectangle(c.dc, 2, 3, 7, 9));
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            bool in = x >= 2 && x <= 6 && y >= 3 && y <= 8;
            bool edge = in && (x == 2 || x == 6 || y == 3 || y == 8);
            EXPECT_EQ(c.At(x, y), edge ? kPen
                                  : in ? kBrush
                                       : 0u)
                << x << "," << y << "\n"
                << c.Dump();
        }
    // Corners given in any order draw the same box.
    Canvas d(12, 12);
    d.Clear();
    Tools t2(d.dc, kPenRef, kBrushRef);
    Rectangle(d.dc, 7, 9, 2, 3);
    EXPECT_EQ(memcmp(c.px, d.px, 12 * 12 * 4), 0);
}

TEST(GdiRectangle, DegenerateAndNullPenBoxes) {
    Canvas c(8, 8);
    c.Clear();
    {
        Tools t(c.dc, kPenRef, kBrushRef);
        Rectangle(c.dc, 1, 1, 1, 5);  // empty: nothing
        EXPECT_EQ(c.Count(0), 64);
        Rectangle(c.dc, 1, 1, 2, 5);  // one column of pen
        EXPECT_EQ(Set(c, kPen), (PixelSet{{1, 1}, {1, 2}, {1, 3}, {1, 4}}));
    }
    c.Clear();
    HGDIOBJ old_pen = SelectObject(c.dc, GetStockObject(NULL_PEN));
    HBRUSH b = CreateSolidBrush(kBrushRef);
    HGDIOBJ old_brush = SelectObject(c.dc, b);
    // Without a pen the fill is one pixel smaller on the right and bottom.
    Rectangle(c.dc, 1, 1, 5, 4);
    EXPECT_EQ(c.Count(kBrush), 3 * 2) << c.Dump();
    EXPECT_EQ(c.At(1, 1), kBrush);
    EXPECT_EQ(c.At(3, 2), kBrush);
    EXPECT_EQ(c.At(4, 1), 0u);
    SelectObject(c.dc, old_pen);
    SelectObject(c.dc, old_brush);
    DeleteObject(b);
}

// Pixels of an outline form one 8-connected curve without loose ends (every pixel has at
// least `min_neighbours` neighbours; flat ellipses end in one-pixel spikes, so they ask 1).
void ExpectClosed(const PixelSet& s, const std::string& dump, int min_neighbours = 2) {
    for (auto [x, y] : s) {
        int n = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if ((dx || dy) && s.count({x + dx, y + dy})) ++n;
        EXPECT_GE(n, min_neighbours) << x << "," << y << "\n" << dump;
    }
    PixelSet seen;
    std::vector<std::pair<int, int>> todo{*s.begin()};
    while (!todo.empty()) {
        auto p = todo.back();
        todo.pop_back();
        if (!s.count(p) || !seen.insert(p).second) continue;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                todo.push_back({p.first + dx, p.second + dy});
    }
    EXPECT_EQ(seen.size(), s.size()) << dump;
}

TEST(GdiEllipse, CircleOfRadiusRCoversCentreMinusRToCentrePlusR) {
    for (int r = 2; r <= 40; ++r) {
        SCOPED_TRACE(r);
        const int cx = 45, cy = 44;
        Canvas c(90, 90);
        c.Clear();
        Tools t(c.dc, kPenRef, 0, true);
        ASSERT_TRUE(Ellipse(c.dc, cx - r, cy - r, cx + r + 1, cy + r + 1));
        PixelSet s = Set(c, kPen);
        int minx = 999, maxx = -1, miny = 999, maxy = -1;
        for (auto [x, y] : s) {
            minx = std::min(minx, x), maxx = std::max(maxx, x);
            miny = std::min(miny, y), maxy = std::max(maxy, y);
            // Symmetric about the centre both ways and about the diagonal.
            EXPECT_TRUE(s.count({2 * cx - x, y}) && s.count({x, 2 * cy - y}) &&
                        s.count({cx + (y - cy), cy + (x - cx)}))
                << x << "," << y;
        }
        EXPECT_EQ(minx, cx - r);
        EXPECT_EQ(maxx, cx + r);
        EXPECT_EQ(miny, cy - r);
        EXPECT_EQ(maxy, cy + r);
        ExpectClosed(s, c.Dump());
        // One pixel wide: no 2 x 2 block of outline pixels.
        for (auto [x, y] : s)
            EXPECT_FALSE(s.count({x + 1, y}) && s.count({x, y + 1}) && s.count({x + 1, y + 1}))
                << x << "," << y;
        // The hollow brush left the inside alone.
        EXPECT_EQ(c.At(cx, cy), 0u);
    }
}

TEST(GdiEllipse, RandomBoxesStayInsideTheirBoxAndAreMirrorSymmetric) {
    std::mt19937 rng(1234);
    for (int i = 0; i < 300; ++i) {
        int w = 1 + int(rng() % 40), h = 1 + int(rng() % 40);
        int l = 2 + int(rng() % 5), t = 2 + int(rng() % 5);
        SCOPED_TRACE(testing::Message() << l << "," << t << " " << w << "x" << h);
        Canvas c(50, 50);
        c.Clear();
        Tools tools(c.dc, kPenRef, kBrushRef);
        int which = int(rng() % 2);
        if (which == 0)
            Ellipse(c.dc, l, t, l + w, t + h);
        else
            RoundRect(c.dc, l, t, l + w, t + h, int(rng() % 20), int(rng() % 20));
        PixelSet pen = Set(c, kPen), brush = Set(c, kBrush);
        ASSERT_FALSE(pen.empty()) << c.Dump();
        int minx = 999, maxx = -1, miny = 999, maxy = -1;
        for (auto [x, y] : pen) {
            minx = std::min(minx, x), maxx = std::max(maxx, x);
            miny = std::min(miny, y), maxy = std::max(maxy, y);
            EXPECT_TRUE(pen.count({2 * l + w - 1 - x, y}) && pen.count({x, 2 * t + h - 1 - y}))
                << x << "," << y;
        }
        EXPECT_EQ(minx, l);
        EXPECT_EQ(maxx, l + w - 1);
        EXPECT_EQ(miny, t);
        EXPECT_EQ(maxy, t + h - 1);
        ExpectClosed(pen, c.Dump(), 1);
        // The fill lies between the outline's ends on its row.
        for (auto [x, y] : brush) {
            bool left = false, right = false;
            for (auto [px, py] : pen) {
                if (py != y) continue;
                left |= px < x;
                right |= px > x;
            }
            EXPECT_TRUE(left && right) << x << "," << y << "\n" << c.Dump();
        }
        EXPECT_EQ(c.Count(0) + int(pen.size()) + int(brush.size()), 50 * 50);
    }
}

TEST(GdiEllipse, SolidBrushFillsExactlyUpToTheOutline) {
    for (int r = 2; r <= 30; r += 7) {
        Canvas hollow(70, 70), solid(70, 70);
        hollow.Clear();
        solid.Clear();
        {
            Tools t(hollow.dc, kPenRef, 0, true);
            Ellipse(hollow.dc, 35 - r, 35 - r, 36 + r, 36 + r);
        }
        {
            Tools t(solid.dc, kPenRef, kBrushRef);
            Ellipse(solid.dc, 35 - r, 35 - r, 36 + r, 36 + r);
        }
        EXPECT_EQ(Set(hollow, kPen), Set(solid, kPen));
        // Inside every row, the run between the outline's pixels is all brush.
        for (int y = 35 - r; y <= 35 + r; ++y) {
            int first = -1, last = -1;
            for (int x = 0; x < 70; ++x)
                if (solid.At(x, y)) {
                    if (first < 0) first = x;
                    last = x;
                }
            for (int x = first; x <= last; ++x)
                EXPECT_NE(solid.At(x, y), 0u) << x << "," << y;
        }
    }
}

PixelSet LinePixels(int x0, int y0, int x1, int y1) {
    Canvas c(12, 12);
    c.Clear();
    Tools t(c.dc, kPenRef, 0, true);
    MoveToEx(c.dc, x0, y0, nullptr);
    LineTo(c.dc, x1, y1);
    POINT cp;
    GetCurrentPositionEx(c.dc, &cp);
    EXPECT_EQ(cp.x, x1);
    EXPECT_EQ(cp.y, y1);
    return Set(c, kPen);
}

TEST(GdiLine, ExcludesTheLastPixelAndBreaksTiesByOctant) {
    EXPECT_EQ(LinePixels(1, 1, 5, 1), (PixelSet{{1, 1}, {2, 1}, {3, 1}, {4, 1}}));
    EXPECT_EQ(LinePixels(5, 1, 1, 1), (PixelSet{{5, 1}, {4, 1}, {3, 1}, {2, 1}}));
    EXPECT_EQ(LinePixels(2, 5, 2, 2), (PixelSet{{2, 5}, {2, 4}, {2, 3}}));
    EXPECT_EQ(LinePixels(0, 0, 3, 3), (PixelSet{{0, 0}, {1, 1}, {2, 2}}));
    // Half-way cases: rightward rounds down, the reverse line rounds the other way.
    EXPECT_EQ(LinePixels(0, 0, 4, 2), (PixelSet{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
    EXPECT_EQ(LinePixels(4, 2, 0, 0), (PixelSet{{4, 2}, {3, 1}, {2, 1}, {1, 0}}));
    EXPECT_EQ(LinePixels(0, 0, 2, 4), (PixelSet{{0, 0}, {0, 1}, {1, 2}, {1, 3}}));
    EXPECT_TRUE(LinePixels(3, 3, 3, 3).empty());
}

TEST(GdiClip, ShapesOutsideOrHugeAreClippedWithoutHanging) {
    Canvas c(16, 16);
    c.Clear();
    Tools t(c.dc, kPenRef, kBrushRef);
    const int big = INT_MAX, small = INT_MIN;
    EXPECT_TRUE(Rectangle(c.dc, small, small, big, big));
    EXPECT_EQ(c.Count(kBrush), 256);  // the outline lies far outside
    c.Clear();
    EXPECT_TRUE(Ellipse(c.dc, small, small, big, big));
    EXPECT_EQ(c.Count(kBrush), 256);
    c.Clear();
    EXPECT_TRUE(Ellipse(c.dc, -100000000, 0, 100000000, 16));
    EXPECT_GT(c.Count(kPen), 0);
    EXPECT_TRUE(RoundRect(c.dc, small, small, big, big, big, big));
    EXPECT_TRUE(Ellipse(c.dc, 100, 100, 200, 200));
    EXPECT_TRUE(Ellipse(c.dc, -50, -50, -10, -10));
    EXPECT_TRUE(Rectangle(c.dc, 20, 20, 10, 30));
    c.Clear();
    MoveToEx(c.dc, small, small, nullptr);
    EXPECT_TRUE(LineTo(c.dc, big, big));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(c.At(i, i), kPen) << i;
    EXPECT_EQ(c.Count(kPen), 16);
    c.Clear();
    MoveToEx(c.dc, -5, 3, nullptr);
    LineTo(c.dc, 100000, 3);
    EXPECT_EQ(c.Count(kPen), 16);
    // Ellipse whose box straddles the surface's corner: only its visible part is drawn.
    c.Clear();
    Ellipse(c.dc, -10, -10, 10, 10);
    EXPECT_NE(c.At(0, 0), 0u);
    EXPECT_EQ(c.At(15, 15), 0u);
}

TEST(GdiFloodFill, SurfaceAndBorderModes) {
    Canvas c(20, 20);
    c.Clear(0xFFFFFF);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(c.dc, red);
    {
        Tools t(c.dc, RGB(0, 0, 255), 0, true);
        Rectangle(c.dc, 2, 2, 10, 10);
    }
    SelectObject(c.dc, red);
    // Fill the area of the colour under (5, 5): the inside of the box only.
    ASSERT_TRUE(ExtFloodFill(c.dc, 5, 5, GetPixel(c.dc, 5, 5), FLOODFILLSURFACE));
    EXPECT_EQ(c.Count(0xFF0000), 6 * 6);
    EXPECT_EQ(c.At(2, 2), 0x0000FFu);
    EXPECT_EQ(c.At(15, 15), 0xFFFFFFu);
    // Border mode fills everything up to the blue border, from outside.
    ASSERT_TRUE(ExtFloodFill(c.dc, 15, 15, RGB(0, 0, 255), FLOODFILLBORDER));
    EXPECT_EQ(c.Count(0xFFFFFF), 0);
    EXPECT_EQ(c.Count(0x0000FF), 28);
    // Starting on the border colour, or outside the surface, fails.
    EXPECT_FALSE(ExtFloodFill(c.dc, 2, 2, RGB(0, 0, 255), FLOODFILLBORDER));
    EXPECT_FALSE(ExtFloodFill(c.dc, 2, 2, RGB(0, 255, 0), FLOODFILLSURFACE));
    EXPECT_FALSE(ExtFloodFill(c.dc, 25, 2, 0, FLOODFILLBORDER));
    EXPECT_FALSE(ExtFloodFill(c.dc, 5, 5, 0, 7));
    SelectObject(c.dc, old);
    DeleteObject(red);
}

TEST(GdiFillRect, FillsTheHalfOpenRectangleWithTheBrush) {
    Canvas c(6, 6);
    c.Clear();
    SetROP2(c.dc, R2_NOT);  // FillRect does not use the raster operation
    RECT r{1, 2, 4, 3};
    HBRUSH b = CreateSolidBrush(kBrushRef);
    EXPECT_EQ(FillRect(c.dc, &r, b), 1);
    EXPECT_EQ(Set(c, kBrush), (PixelSet{{1, 2}, {2, 2}, {3, 2}}));
    RECT empty{4, 4, 2, 5};
    EXPECT_EQ(FillRect(c.dc, &empty, b), 1);
    EXPECT_EQ(c.Count(kBrush), 3);
    RECT all{0, 0, 6, 6};
    // A system colour index plus one stands for that colour (6: COLOR_WINDOW, white).
    EXPECT_EQ(FillRect(c.dc, &all, reinterpret_cast<HBRUSH>(uintptr_t(6))), 1);
    EXPECT_EQ(c.Count(0xFFFFFF), 36);
    EXPECT_EQ(FillRect(c.dc, nullptr, b), 0);
    DeleteObject(b);
}

}  // namespace
