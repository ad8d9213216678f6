// The back buffer as a drawing target, and its release.
#include "screen_fixture.h"

namespace {

TEST_F(ScreenTest, TheBackBufferIsADrawingTarget) {
    StartAndOpen();
    struct DrawingContext* dc = Screen_DrawingTarget();
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(dc->kind, DRAWING_TARGET_SURFACE);
    EXPECT_NE(dc->hdc, nullptr);
    EXPECT_EQ(dc->buffer, nullptr);
    EXPECT_EQ(dc->buffer_format, PIXEL_FORMAT_32);
    EXPECT_EQ(dc->width, 640);
    EXPECT_EQ(dc->height, 480);
    EXPECT_EQ(dc->depth, 32);
    EXPECT_EQ(dc->grab_32_as_24, 1);
    ASSERT_NE(Draw_Begin(dc), nullptr);
    Draw_SetMode(0);
    Draw_Box(10, 10, 20, 20, 0x0000FF);  // red, as GDI colours go

    // GDI, then the pixel memory, then GDI again: the device context is held at the end.
    int32_t pitch = 0;
    void* bits = dc->get_buffer(dc, &pitch);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(dc->hdc, nullptr);
    EXPECT_GE(pitch, 640 * 4);
    EXPECT_EQ(static_cast<uint32_t*>(bits)[15 * (pitch / 4) + 15] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(dc->get_buffer(dc, &pitch), bits);  // asked again: the same lock
    HDC again = dc->get_dc(dc);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(dc->buffer, nullptr);
    EXPECT_EQ(dc->get_dc(dc), again);
    Draw_End();

    // Everything was given back: the frame can be presented.
    EXPECT_EQ(Screen_Flip(), 1);
    zv_test::D3D9Frame frame;
    ASSERT_TRUE(zv_test::LastD3D9Frame(Screen.device, &frame));
    EXPECT_EQ(frame.pixels[15 * 640 + 15], 0xFF0000u);
    EXPECT_EQ(frame.pixels[40 * 640 + 40], 0u);
}

TEST_F(ScreenTest, TheReleaseCallbackCanRunTwice) {
    StartAndOpen();
    struct DrawingContext* dc = Screen_DrawingTarget();
    ASSERT_NE(dc, nullptr);
    int32_t pitch;
    dc->get_buffer(dc, &pitch);
    dc->release(dc, 1);
    EXPECT_EQ(dc->hdc, nullptr);
    EXPECT_EQ(dc->buffer, nullptr);
    dc->release(dc, 1);
    DrawingContext_Free(dc);
    HDC hdc;
    ASSERT_EQ(Screen.back_buffer->GetDC(&hdc), D3D_OK);  // neither held nor locked
    Screen.back_buffer->ReleaseDC(hdc);
}

TEST_F(ScreenTest, NoDrawingTargetWithoutADeviceContextOrMemory) {
    EXPECT_EQ(Screen_DrawingTarget(), nullptr);  // no screen
    StartAndOpen();
    zv_test::FailD3D9Call(zv_test::D3D9Call::kGetDC);
    EXPECT_EQ(Screen_DrawingTarget(), nullptr);
    EXPECT_EQ(Draw_Begin(nullptr), nullptr);
    Draw_End();
    // No context to be had: the device context goes back, so the screen keeps working.
    zv_test::FailAllocationsAfter(0, RuntimeHeap);
    EXPECT_EQ(Screen_DrawingTarget(), nullptr);
    zv_test::ClearAllocationFailures();
    EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_EQ(Screen.device_ok, 1);
    ASSERT_NE(Draw_Begin(Screen_DrawingTarget()), nullptr);
    Draw_End();
}

}  // namespace
