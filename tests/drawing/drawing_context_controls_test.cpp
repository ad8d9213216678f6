// The drawing context: the bracket and its failures, the colour cache, the origin, the
// give-up and re-acquire of a surface's device context, and the animation's frame.
#include "surface_target.h"

#include <string>

namespace {

using Calls = std::vector<zv_test::GdiCall>;

std::vector<std::string> Names(const Calls& calls) {
    std::vector<std::string> out;
    for (const auto& c : calls)
        out.push_back(c.function);
    return out;
}

class DrawingContextTest : public DrawingTest {};

TEST_F(DrawingContextTest, NullTargetAndRepeatedEndDoNothing) {
    EXPECT_EQ(Draw_Begin(nullptr), nullptr);
    Draw_End();
    Draw_SetMode(0);
    Draw_Box(0, 0, 10, 10, 0);
    Draw_Circle(5, 5, 3, 0);
    SurfaceTarget t(8, 8);
    DrawingContext* c = t.NewContext();
    ASSERT_NE(Draw_Begin(c), nullptr);
    Draw_End();
    Draw_End();
    EXPECT_EQ(t.releases, std::vector<int32_t>{1});
}

TEST_F(DrawingContextTest, AllocationSetsDefaultsAndMirrorsTheCurrentPointer) {
    zv_test::HeapStats before{};
    ASSERT_TRUE(zv_test::GetHeapStats(RuntimeHeap, &before));
    DrawingContext* c = DrawingContext_Alloc(sizeof(DrawingContext));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(Drawing_Current, c);
    EXPECT_EQ(c->front_colour, 0xFFFFFFu);
    EXPECT_EQ(c->back_colour, 0u);
    EXPECT_EQ(c->current_colour, COLORREF(-1));
    EXPECT_EQ(c->current_back_colour, COLORREF(-1));
    EXPECT_EQ(c->ops.box, nullptr);
    EXPECT_EQ(c->dc_state, 0);
    DrawingContext_Free(c);
    EXPECT_EQ(Drawing_Current, nullptr);
    zv_test::HeapStats after{};
    ASSERT_TRUE(zv_test::GetHeapStats(RuntimeHeap, &after));
    EXPECT_EQ(after.blocks, before.blocks);
    EXPECT_EQ(DrawingContext_Alloc(4), nullptr);  // smaller than the record
}

TEST_F(DrawingContextTest, FailedBeginReleasesAndFreesTheContext) {
    zv_test::HeapStats before{};
    ASSERT_TRUE(zv_test::GetHeapStats(RuntimeHeap, &before));
    SurfaceTarget t(4, 4);
    DrawingContext* c = t.NewContext();
    DeleteDC(t.dc);
    t.dc = nullptr;
    c->hdc = nullptr;  // the target could not get its device context
    EXPECT_EQ(Draw_Begin(c), nullptr);
    EXPECT_EQ(t.releases, std::vector<int32_t>{0});
    EXPECT_EQ(Drawing_Current, nullptr);
    zv_test::HeapStats after{};
    ASSERT_TRUE(zv_test::GetHeapStats(RuntimeHeap, &after));
    EXPECT_EQ(after.blocks, before.blocks);
    // The drawing calls that follow find no context.
    Draw_Box(0, 0, 4, 4, 0xFF);
    Draw_End();
    EXPECT_EQ(t.Count(0), 16);
}

TEST_F(DrawingContextTest, BeginSavesAndEndRestoresTheDcsOwnObjects) {
    SurfaceTarget t(4, 4);
    HDC dc = t.MakeDc();
    HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN), brush = GetCurrentObject(dc, OBJ_BRUSH),
            font = GetCurrentObject(dc, OBJ_FONT);
    DrawingContext* c = t.NewContext();
    ASSERT_EQ(Draw_Begin(c), dc);
    EXPECT_EQ(c->dc_state, DC_HELD);
    EXPECT_EQ(c->mode, 0);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), HGDIOBJ(c->begin_pen));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), HGDIOBJ(c->begin_brush));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));
    EXPECT_EQ(GetTextAlign(dc), UINT(TA_UPDATECP));
    EXPECT_EQ(c->pen, nullptr);
    EXPECT_NE(c->brush, nullptr);
    Draw_Box(0, 0, 2, 2, 0x123456);
    // end runs before release, which here deletes the DC: check through the trace.
    zv_test::StartGdiTrace(dc);
    Draw_End();
    Calls calls = zv_test::StopGdiTrace();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(zv_test::ToString(calls[0]), zv_test::ToString({"SelectObject", {intptr_t(brush)}}));
    EXPECT_EQ(zv_test::ToString(calls[1]), zv_test::ToString({"SelectObject", {intptr_t(pen)}}));
    EXPECT_EQ(zv_test::ToString(calls[2]), zv_test::ToString({"SelectObject", {intptr_t(font)}}));
}

TEST_F(DrawingContextTest, ColourCacheMakesOnePenAndBrushPerColour) {
    SurfaceTarget t(20, 20);
    DrawingContext* c = t.NewContext();
    ASSERT_NE(Draw_Begin(c), nullptr);
    Draw_SetMode(0);
    const size_t base = zv_test::LiveGdiObjectCount();
    Draw_Box(0, 0, 20, 20, 0);
    HPEN pen = c->pen;
    HBRUSH brush = c->brush;
    EXPECT_EQ(c->current_colour, 0u);
    zv_test::StartGdiTrace(c->hdc);
    for (int i = 0; i < 5; ++i)
        Draw_Box(i, i, 3, 3, 0);
    Calls calls = zv_test::StopGdiTrace();
    EXPECT_EQ(Names(calls), std::vector<std::string>(5, "Rectangle"));
    EXPECT_EQ(c->pen, pen);
    EXPECT_EQ(c->brush, brush);
    EXPECT_EQ(zv_test::LiveGdiObjectCount(), base);  // replaced objects were deleted

    // Outlined circles in one colour: one new pen for all of them, no brush.
    Draw_SetMode(DRAW_MODE_OUTLINED);
    const HBRUSH before = c->brush;
    Draw_Circle(10, 10, 5, 0xFFFFFF);
    HPEN white = c->pen;
    zv_test::StartGdiTrace(c->hdc);
    for (int r = 2; r < 8; ++r)
        Draw_Circle(10, 10, r, 0xFFFFFF);
    EXPECT_EQ(Names(zv_test::StopGdiTrace()), std::vector<std::string>(6, "Ellipse"));
    EXPECT_EQ(c->pen, white);
    EXPECT_EQ(c->brush, before);
    EXPECT_EQ(GetCurrentObject(c->hdc, OBJ_BRUSH), GetStockObject(NULL_BRUSH));
    Draw_End();
}

TEST_F(DrawingContextTest, OriginShiftsBoxesAndCircles) {
    SurfaceTarget t(16, 16);
    DrawingContext* c = t.NewContext();
    ASSERT_NE(Draw_Begin(c), nullptr);
    c->origin_x = 5;
    c->origin_y = 6;
    Draw_SetMode(0);
    Draw_Box(0, 0, 1, 1, 0x0000FF);
    EXPECT_EQ(t.At(5, 6), 0xFF0000u);
    EXPECT_EQ(t.Count(0xFF0000), 1);
    // Without a circle operation, circles go through ellipse with equal radii.
    c->ops.circle = nullptr;
    Draw_SetMode(DRAW_MODE_OUTLINED);
    Draw_Circle(0, 0, 1, 0x00FF00);
    EXPECT_EQ(t.Count(0x00FF00), 4);
    EXPECT_EQ(t.At(4, 6), 0x00FF00u);
    Draw_End();
}

TEST_F(DrawingContextTest, DirectPixelAccessGivesTheDcUpAndPrepReAppliesInOrder) {
    SurfaceTarget t(8, 8);
    DrawingContext* c = t.NewContext();
    ASSERT_NE(Draw_Begin(c), nullptr);
    Draw_SetMode(0);
    Draw_Box(0, 0, 8, 8, 0x00FF00);
    c->ops.plot_colour(c, 1, 1, 0x0000FF);
    EXPECT_EQ(c->dc_state, DC_GIVEN_UP);
    EXPECT_TRUE(t.locked);
    EXPECT_EQ(t.get_buffer_calls, 1);
    c->ops.plot_colour(c, 2, 2, 0x0000FF);  // no second give-up
    EXPECT_EQ(t.get_buffer_calls, 1);
    EXPECT_EQ(t.At(1, 1), 0xFF0000u);

    zv_test::StartGdiTrace();
    Draw_Box(3, 3, 2, 2, 0x00FF00);
    Calls calls = zv_test::StopGdiTrace();
    EXPECT_EQ(c->dc_state, DC_HELD);
    EXPECT_EQ(t.get_dc_calls, 1);
    ASSERT_EQ(Names(calls), (std::vector<std::string>{"SetTextColor", "SetTextAlign", "SetBkColor",
                                                      "SelectObject", "SelectObject",
                                                      "SelectObject", "Rectangle"}));
    EXPECT_EQ(calls[0].args[0], 0x00FF00);
    EXPECT_EQ(calls[1].args[0], TA_UPDATECP);
    EXPECT_EQ(calls[2].args[0], intptr_t(COLORREF(-1)));
    EXPECT_EQ(calls[3].args[0], intptr_t(c->brush));
    EXPECT_EQ(calls[4].args[0], intptr_t(c->pen));
    EXPECT_EQ(calls[5].args[0], intptr_t(c->font));

    // With a mode set, prep goes through set_mode instead of selecting the brush.
    c->ops.set_mode(c, DRAW_MODE_OUTLINED);
    c->ops.buffer(c);
    zv_test::StartGdiTrace();
    c->ops.plot(c, 0, 0);
    calls = zv_test::StopGdiTrace();
    std::vector<std::string> names = Names(calls);
    ASSERT_GE(names.size(), 7u);
    EXPECT_EQ(names[3], "SetROP2");
    EXPECT_EQ(names.back(), "SetPixelV");
    Draw_End();
    EXPECT_EQ(t.releases, std::vector<int32_t>{1});
}

// Two of the animation's frames: the centres it draws for frames 1 and 955 (worked out
// apart from the program, as in tests/e2e/animation_centres.py), radii 180 down to 30.
struct AnimationFrame {
    int frame;
    POINT centre[6];
};
const AnimationFrame kAnimationFrames[] = {
    {1, {{320, 240}, {349, 240}, {379, 242}, {409, 245}, {439, 249}, {469, 254}}},
    {955, {{320, 240}, {347, 252}, {367, 274}, {376, 302}, {374, 332}, {359, 358}}},
};

TEST_F(DrawingContextTest, AnimationFrameIsBlackWithSixWhiteOutlines) {
    for (const AnimationFrame& f : kAnimationFrames) {
        SCOPED_TRACE(f.frame);
        SurfaceTarget t(640, 480);
        std::fill(t.pixels.begin(), t.pixels.end(), 0x5A);
        const size_t objects = zv_test::LiveGdiObjectCount();
        DrawingContext* c = t.NewContext();
        ASSERT_NE(Draw_Begin(c), nullptr);
        Draw_SetMode(0);
        Draw_Box(0, 0, 640, 480, 0);
        EXPECT_EQ(t.Count(0), 640 * 480);
        Draw_SetMode(DRAW_MODE_OUTLINED);
        for (int i = 0; i < 6; ++i)
            Draw_Circle(f.centre[i].x, f.centre[i].y, (6 - i) * 30, 0xFFFFFF);
        Draw_End();
        EXPECT_EQ(zv_test::LiveGdiObjectCount(), objects);
        int white = t.Count(0xFFFFFF);
        EXPECT_GT(white, 2000);
        EXPECT_EQ(white + t.Count(0), 640 * 480);
        // Every outline reaches its radius in the four directions, and stays hollow.
        for (int i = 0; i < 6; ++i) {
            const int x = f.centre[i].x, y = f.centre[i].y, r = (6 - i) * 30;
            EXPECT_EQ(t.At(x - r, y), 0xFFFFFFu) << "circle " << i;
            EXPECT_EQ(t.At(x + r, y), 0xFFFFFFu) << "circle " << i;
            EXPECT_EQ(t.At(x, y - r), 0xFFFFFFu) << "circle " << i;
            EXPECT_EQ(t.At(x, y + r), 0xFFFFFFu) << "circle " << i;
        }
        // The chain lies inside the big circle, which spans 140 ... 500 on its row and
        // 60 ... 420 on its column, with nothing beyond.
        EXPECT_EQ(t.At(139, 240), 0u);
        EXPECT_EQ(t.At(501, 240), 0u);
        EXPECT_EQ(t.At(320, 59), 0u);
        EXPECT_EQ(t.At(320, 421), 0u);
        // The smallest circle's middle is black: outlines only.
        EXPECT_EQ(t.At(f.centre[5].x, f.centre[5].y), 0u);
    }
}

}  // namespace
