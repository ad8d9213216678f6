// The GDI operation table: tiny shapes, the direct pixel writer in every format, text
// widths with the italic overhang, the rotated-font cache, flood fill in outlined mode,
// lines with their end point, grabbing and drawing images.
#include "surface_target.h"

#include <set>
#include <utility>

namespace {

using PixelSet = std::set<std::pair<int, int>>;

PixelSet Lit(const SurfaceTarget& t) {
    PixelSet s;
    for (int y = 0; y < t.h; ++y)
        for (int x = 0; x < t.w; ++x)
            if (t.At(x, y)) s.insert({x, y});
    return s;
}

class PrimitivesTest : public DrawingTest {
  protected:
    // A bracket on a fresh target with colour 0xFFFFFF (white) in the given mode.
    DrawingContext* Begin(SurfaceTarget& t, int32_t mode) {
        DrawingContext* c = t.NewContext();
        EXPECT_NE(Draw_Begin(c), nullptr);
        Draw_SetMode(mode);
        c->current_colour = 0xFFFFFF;
        c->ops.set_front_colour(c, 0xFFFFFF);
        return c;
    }
};

TEST_F(PrimitivesTest, TinyBoxesAreSinglePixels) {
    struct Case {
        int w, h;
        PixelSet expect;
    } cases[] = {{1, 1, {{5, 5}}}, {1, -1, {{5, 4}}}, {-1, 1, {{4, 5}}}, {-1, -1, {{4, 4}}}};
    for (const Case& k : cases) {
        SurfaceTarget t(10, 10);
        DrawingContext* c = Begin(t, 0);
        c->ops.box(c, 5, 5, k.w, k.h);
        EXPECT_EQ(Lit(t), k.expect) << k.w << "x" << k.h;
        Draw_End();
    }
    SurfaceTarget t(10, 10);
    DrawingContext* c = Begin(t, 0);
    zv_test::StartGdiTrace(c->hdc);
    c->ops.box(c, 2, 2, 1, 5);
    c->ops.box(c, 2, 2, 0, 0);
    auto calls = zv_test::StopGdiTrace();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].function, "Rectangle");
    EXPECT_EQ(calls[1].function, "Rectangle");
    EXPECT_EQ(Lit(t).size(), 5u);
    Draw_End();
}

TEST_F(PrimitivesTest, TinyCirclesAndEllipses) {
    const PixelSet plus{{4, 5}, {6, 5}, {5, 4}, {5, 6}};
    PixelSet filled = plus;
    filled.insert({5, 5});
    struct Case {
        int mode;
        int kind;  // 0 circle, 1 ellipse
        int rx, ry;
        PixelSet expect;
    } cases[] = {
        {DRAW_MODE_OUTLINED, 0, 1, 1, plus},
        {0, 0, 1, 1, filled},
        {DRAW_MODE_OUTLINED, 0, 0, 0, {{5, 5}}},
        {0, 1, 0, 0, {{5, 5}}},
        {0, 1, 1, 0, {{4, 5}, {6, 5}, {5, 5}}},
        {DRAW_MODE_OUTLINED, 1, 1, 0, {{4, 5}, {6, 5}, {5, 5}}},
        {DRAW_MODE_OUTLINED, 1, 1, 1, plus},
        {0, 1, 1, 1, filled},
    };
    for (const Case& k : cases) {
        SurfaceTarget t(11, 11);
        DrawingContext* c = Begin(t, k.mode);
        if (k.kind == 0)
            c->ops.circle(c, 5, 5, k.rx);
        else
            c->ops.ellipse(c, 5, 5, k.rx, k.ry);
        EXPECT_EQ(Lit(t), k.expect)
            << "mode " << k.mode << " kind " << k.kind << " " << k.rx << "," << k.ry;
        Draw_End();
    }
    // Radius 2 and up is an Ellipse covering x - r ... x + r.
    SurfaceTarget t(11, 11);
    DrawingContext* c = Begin(t, DRAW_MODE_OUTLINED);
    c->ops.circle(c, 5, 5, 3);
    PixelSet s = Lit(t);
    EXPECT_TRUE(s.count({2, 5}) && s.count({8, 5}) && s.count({5, 2}) && s.count({5, 8}));
    EXPECT_FALSE(s.count({1, 5}) || s.count({9, 5}));
    Draw_End();
}

TEST_F(PrimitivesTest, DirectPixelWriterInEveryFormat) {
    struct Case {
        int32_t format;
        COLORREF colour;
        uint32_t stored;
    } cases[] = {{PIXEL_FORMAT_16, 0x0000FF, 0xF800},     {PIXEL_FORMAT_15, 0x0000FF, 0x7C00},
                 {PIXEL_FORMAT_32, 0x0000FF, 0xFFFF0000}, {PIXEL_FORMAT_16, 0xFFFFFF, 0xFFFF},
                 {PIXEL_FORMAT_15, 0x00FF00, 0x03E0},     {PIXEL_FORMAT_8, 0x123456, 0x56}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.format);
        SurfaceTarget t(4, 3, k.format);
        DrawingContext* c = t.NewContext();
        ASSERT_NE(Draw_Begin(c), nullptr);
        c->ops.plot_colour(c, 2, 1, k.colour);
        uint32_t v = 0;
        memcpy(&v, t.pixels.data() + (1 * 4 + 2) * t.bytes_pp, size_t(t.bytes_pp));
        EXPECT_EQ(v, k.stored);
        EXPECT_EQ(c->ops.buffer(c), t.pixels.data());
        EXPECT_EQ(c->ops.buffer_pitch(c), 4 * t.bytes_pp);
        EXPECT_EQ(c->ops.buffer_format(c), k.format);
        // Outside the target nothing is written.
        std::vector<uint8_t> before = t.pixels;
        for (auto [x, y] : {std::pair{-1, 0}, {4, 0}, {0, 3}, {0, -1}, {100000, 100000}})
            c->ops.plot_colour(c, x, y, 0xFFFFFF);
        EXPECT_EQ(t.pixels, before);
        Draw_End();
    }
    // Targets that are not surfaces go through SetPixelV and have no buffer.
    SurfaceTarget t(4, 4);
    DrawingContext* c = t.NewContext(0);
    ASSERT_NE(Draw_Begin(c), nullptr);
    c->ops.plot_colour(c, 1, 1, 0x0000FF);
    EXPECT_EQ(t.At(1, 1), 0xFF0000u);
    EXPECT_EQ(c->dc_state, DC_HELD);
    EXPECT_EQ(c->ops.buffer(c), nullptr);
    EXPECT_EQ(c->ops.buffer_pitch(c), 0);
    EXPECT_EQ(c->ops.buffer_format(c), 0);
    Draw_End();
}

TEST_F(PrimitivesTest, LinesIncludeTheirEndPointAndPointsReadBack) {
    SurfaceTarget t(10, 10);
    DrawingContext* c = Begin(t, 0);
    c->ops.line(c, 1, 1, 6, 1);
    EXPECT_EQ(Lit(t).size(), 6u);
    EXPECT_EQ(c->ops.point(c, 6, 1), 0xFFFFFFu);
    EXPECT_EQ(c->ops.point(c, 7, 1), 0u);
    c->ops.plot(c, 8, 8);
    EXPECT_EQ(t.At(8, 8), 0xFFFFFFu);
    Draw_End();
}

TEST_F(PrimitivesTest, TextReturnsTheEndAndWidthsCountTheItalicOverhang) {
    SurfaceTarget t(200, 40);
    DrawingContext* c = Begin(t, DRAW_MODE_TRANSPARENT);
    EXPECT_EQ(c->ops.text(c, 7, 3, ""), 7);
    EXPECT_EQ(c->ops.text(c, 7, 3, nullptr), 7);
    SIZE ab;
    GetTextExtentPoint32A(c->hdc, "ab", 2, &ab);
    EXPECT_EQ(c->ops.text(c, 7, 3, "ab"), 7 + ab.cx);
    EXPECT_GT(t.Count(0xFFFFFF), 0);
    EXPECT_EQ(c->ops.text_width(c, "ab"), ab.cx);
    EXPECT_EQ(c->ops.text_height(c, "ab"), ab.cy);
    EXPECT_EQ(c->ops.text_width(c, ""), 0);
    EXPECT_EQ(c->ops.text_height(c, nullptr), 0);

    LOGFONTA lf{};
    lf.lfHeight = -24;
    lf.lfItalic = 1;
    strcpy(lf.lfFaceName, "Arial");
    HFONT italic = CreateFontIndirectA(&lf);
    c->ops.set_font(c, italic);
    EXPECT_EQ(c->font, italic);
    EXPECT_GT(c->italic_overhang, 0);
    SIZE h;
    GetTextExtentPoint32A(c->hdc, "Hello", 5, &h);
    EXPECT_EQ(c->ops.text_width(c, "Hello"), h.cx + c->italic_overhang);
    c->ops.set_font(c, DRAWING_DEFAULT_FONT);
    EXPECT_EQ(c->font, GetStockObject(SYSTEM_FONT));
    EXPECT_EQ(c->italic_overhang, 0);
    Draw_End();
    EXPECT_EQ(GetObjectType(italic), DWORD(OBJ_FONT));  // the caller's font is left alone
    DeleteObject(italic);
}

TEST_F(PrimitivesTest, RotatedTextKeepsOneFontPerAngle) {
    SurfaceTarget t(120, 120);
    DrawingContext* c = Begin(t, 0);
    c->ops.rotated_text(c, 60, 60, "Hi", 30.0f);
    HFONT first = c->rotated_font;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(c->rotated_angle, 30.0f);
    LOGFONTA lf;
    ASSERT_EQ(GetObjectA(first, sizeof lf, &lf), int(sizeof lf));
    EXPECT_EQ(lf.lfEscapement, 300);
    EXPECT_EQ(lf.lfOrientation, 300);
    EXPECT_EQ(lf.lfOutPrecision, OUT_TT_ONLY_PRECIS);
    EXPECT_GT(t.Count(0xFFFFFF), 0);
    const size_t objects = zv_test::LiveGdiObjectCount();
    c->ops.rotated_text(c, 60, 60, "Hi", 390.0f);  // 390 is 30 again
    EXPECT_EQ(c->rotated_font, first);
    EXPECT_EQ(zv_test::LiveGdiObjectCount(), objects);
    // The upright font is back and the background mode is as it was.
    EXPECT_EQ(GetCurrentObject(c->hdc, OBJ_FONT), HGDIOBJ(c->font));
    EXPECT_EQ(GetBkMode(c->hdc), OPAQUE);
    c->ops.rotated_text(c, 60, 60, "Hi", -30.0f);
    EXPECT_EQ(c->rotated_angle, -30.0f);
    EXPECT_EQ(zv_test::LiveGdiObjectCount(), objects);  // the old one was deleted
    c->ops.set_font(c, DRAWING_DEFAULT_FONT);
    EXPECT_EQ(c->rotated_font, nullptr);
    Draw_End();
}

TEST_F(PrimitivesTest, FillAreaWorksInOutlinedModeAndKeepsIt) {
    SurfaceTarget t(20, 20);
    DrawingContext* c = Begin(t, DRAW_MODE_OUTLINED);
    c->ops.box(c, 2, 2, 10, 10);  // a white outline
    EXPECT_EQ(t.At(5, 5), 0u);
    c->current_colour = 0x0000FF;
    c->ops.set_front_colour(c, 0x0000FF);
    c->ops.fill_area(c, 5, 5, COLORREF(-1));
    EXPECT_EQ(t.At(5, 5), 0xFF0000u);
    EXPECT_EQ(t.Count(0xFF0000), 8 * 8);
    EXPECT_EQ(c->mode, DRAW_MODE_OUTLINED);
    EXPECT_EQ(GetCurrentObject(c->hdc, OBJ_BRUSH), GetStockObject(NULL_BRUSH));
    // Up to a border colour, from outside the box.
    c->ops.fill_area(c, 15, 15, 0xFFFFFF);
    EXPECT_EQ(t.Count(0), 0);
    Draw_End();
}

TEST_F(PrimitivesTest, GrabImageMakesImagesOfTheTargetsPixels) {
    Images_Init();
    SurfaceTarget t(16, 16);
    DrawingContext* c = Begin(t, 0);
    c->ops.box(c, 0, 0, 4, 4);
    const size_t objects = zv_test::LiveGdiObjectCount();
    void* rec = c->ops.grab_image(c, OBJECT_DYNAMIC, 0, 0, 8, 8);
    ASSERT_NE(rec, nullptr);
    ImageRecord* image = static_cast<ImageRecord*>(rec);
    EXPECT_EQ(image->width, 8);
    EXPECT_EQ(image->height, 8);
    EXPECT_EQ(image->depth, 32);
    BITMAP bm;
    ASSERT_EQ(GetObjectA(image->handle, sizeof bm, &bm), int(sizeof bm));
    EXPECT_EQ(bm.bmBitsPixel, 24);  // the screen target grabs 32 bits as 24
    void* handle = c->ops.grab_image(c, 5, 4, 4, 2, 2);
    ASSERT_NE(handle, nullptr);
    ImageRecord* five = static_cast<ImageRecord*>(Objects_Find(Images_Table, 5));
    ASSERT_NE(five, nullptr);
    EXPECT_EQ(five->handle, handle);
    EXPECT_EQ(zv_test::LiveGdiObjectCount(), objects + 2);

    // Drawing the grabbed image back: at its own size, and stretched.
    c->ops.image(c, image->handle, 8, 8);
    EXPECT_EQ(t.At(8, 8), 0xFFFFFFu);
    EXPECT_EQ(t.At(12, 12), 0u);
    c->ops.image_sized(c, image->handle, 0, 8, 4, 4);
    EXPECT_EQ(t.At(1, 9), 0xFFFFFFu);
    Draw_End();

    // A device that takes only DIBs: no grabbing, images go through StretchDIBits.
    SurfaceTarget d(8, 8);
    DrawingContext* dib = d.NewContext(DRAWING_TARGET_DIB_DEVICE);
    ASSERT_NE(Draw_Begin(dib), nullptr);
    EXPECT_EQ(dib->ops.grab_image(dib, OBJECT_DYNAMIC, 0, 0, 2, 2), nullptr);
    zv_test::StartGdiTrace(dib->hdc);
    dib->ops.image(dib, image->handle, 0, 0);
    bool stretched = false;
    for (const auto& call : zv_test::StopGdiTrace())
        stretched |= call.function == "StretchDIBits";
    EXPECT_TRUE(stretched);
    EXPECT_EQ(d.At(0, 0), 0xFFFFFFu);
    Draw_End();

    HANDLE grabbed = image->handle;
    Images_End();
    EXPECT_EQ(GetObjectType(grabbed), 0u);
    EXPECT_EQ(GetObjectType(handle), 0u);
    EXPECT_EQ(Objects_Find(Images_Table, 5), nullptr);
}

TEST_F(PrimitivesTest, XorModeInvertsShapesAndImages) {
    SurfaceTarget t(12, 12);
    DrawingContext* c = Begin(t, DRAW_MODE_XOR);
    EXPECT_EQ(GetROP2(c->hdc), R2_NOT);
    c->ops.box(c, 1, 1, 4, 4);
    EXPECT_EQ(t.Count(0xFFFFFF), 16);
    c->ops.box(c, 1, 1, 4, 4);  // twice: back to black
    EXPECT_EQ(t.Count(0), 144);
    HBITMAP img = Images_CreateDib(2, 2, 24);
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, img);
    SetPixelV(mem, 0, 0, RGB(255, 0, 0));
    SelectObject(mem, old);
    DeleteDC(mem);
    c->ops.image(c, img, 6, 6);
    c->ops.image(c, img, 6, 6);  // SRCINVERT twice cancels out
    EXPECT_EQ(t.Count(0), 144);
    c->ops.image(c, img, 6, 6);
    EXPECT_EQ(t.At(6, 6), 0xFF0000u);
    Draw_End();
    DeleteObject(img);
}

TEST_F(PrimitivesTest, IconsDrawThroughDrawIconEx) {
    SurfaceTarget t(8, 8);
    DrawingContext* c = Begin(t, 0);
    HBITMAP colour = Images_CreateDib(2, 2, 24), mask = Images_CreateDib(2, 2, 24);
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, colour);
    RECT all = {0, 0, 2, 2};
    FillRect(mem, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    SelectObject(mem, old);
    DeleteDC(mem);
    ICONINFO ii = {TRUE, 0, 0, mask, colour};
    HICON icon = CreateIconIndirect(&ii);
    ASSERT_NE(icon, nullptr);
    zv_test::StartGdiTrace(c->hdc);
    c->ops.image_sized(c, icon, 2, 2, 4, 4);
    auto calls = zv_test::StopGdiTrace();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().function, "DrawIconEx");
    EXPECT_EQ(t.Count(0xFFFFFF), 16);
    Draw_End();
    DestroyIcon(icon);
    DeleteObject(colour);
    DeleteObject(mask);
}

TEST_F(PrimitivesTest, RoundBoxAndBackColourPassTheirArguments) {
    SurfaceTarget t(30, 30);
    DrawingContext* c = Begin(t, DRAW_MODE_OUTLINED);
    zv_test::StartGdiTrace(c->hdc);
    c->ops.round_box(c, 2, 3, 20, 10, 4, 3);
    c->ops.set_back_colour(c, 0x00AB00);
    auto calls = zv_test::StopGdiTrace();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(zv_test::ToString(calls[0]), zv_test::ToString({"RoundRect", {2, 3, 22, 13, 8, 6}}));
    EXPECT_EQ(calls[1].function, "SetBkColor");
    EXPECT_EQ(calls[1].args[0], 0x00AB00);
    EXPECT_EQ(GetBkColor(c->hdc), 0x00AB00u);
    EXPECT_EQ(c->current_back_colour, COLORREF(-1));  // not recorded
    EXPECT_GT(t.Count(0xFFFFFF), 40);
    Draw_End();
}

}  // namespace
