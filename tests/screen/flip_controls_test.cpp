// Flip and pacing: presenting on the retrace, and lost, reset and broken devices.
#include <vector>

#include "screen_fixture.h"

namespace {

TEST_F(ScreenTest, FlipPresentsAndWaitsForTheRetrace) {
    StartAndOpen();
    EXPECT_EQ(Screen_Flip(), 1);
    uint64_t before = zv_test::VirtualClockMs();
    EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_GE(zv_test::VirtualClockMs() - before, 16u);
    zv_test::D3D9Frame frame;
    ASSERT_TRUE(zv_test::LastD3D9Frame(Screen.device, &frame));
    EXPECT_EQ(frame.window, Screen.child_window);
    EXPECT_EQ(frame.source.right, 640);
    EXPECT_EQ(frame.dest.bottom, 480);
}

// A windowed device lost for longer than a flip waits (a locked workstation): the flip
// that gives up says so, the flips after it keep the loop at the display's pace without
// presenting, and once the device can be reset the frames come back.
TEST_F(ScreenTest, ADeviceLostForAWhileKeepsThePaceAndComesBack) {
    StartAndOpen();
    ASSERT_EQ(Screen.refresh_rate, 60u);
    ASSERT_TRUE(zv_test::ScriptCooperativeLevel(
        Screen.device, {{D3DERR_DEVICELOST, 300}, {D3DERR_DEVICENOTRESET, 0}}));
    size_t presents = Presents();
    uint64_t start = zv_test::VirtualClockMs();
    EXPECT_EQ(Screen_Flip(), 0);
    uint64_t waited = zv_test::VirtualClockMs() - start;
    EXPECT_GE(waited, 32u);
    EXPECT_LE(waited, 34u);
    EXPECT_EQ(Screen.device_ok, 0);

    std::vector<uint64_t> periods;
    while (!Screen.device_ok && periods.size() < 100) {
        uint64_t before = zv_test::VirtualClockMs();
        EXPECT_EQ(Screen_Flip(), 1);
        periods.push_back(zv_test::VirtualClockMs() - before);
    }
    ASSERT_EQ(Screen.device_ok, 1) << "the device came back";
    // The rest of the 300 ms at 60 Hz: each flip waits one retrace; the first one is cut
    // short by where the loss wait ended, and the last, which presented, waited for the
    // display's own, which keeps its own time and may come at once. How many flips that
    // takes depends on where the clock stood against the retraces, so the test checks when
    // they ran, not how many there were.
    ASSERT_GE(periods.size(), 2u);
    uint64_t back = waited;  // when the flip that found the device usable began
    for (size_t i = 0; i < periods.size(); ++i) {
        EXPECT_LE(periods[i], 17u) << "flip " << i;
        if (i + 1 == periods.size()) break;
        EXPECT_GE(periods[i], i ? 16u : 1u) << "flip " << i;
        back += periods[i];
    }
    EXPECT_GE(back, 300u) << "not presented before the device came back";
    EXPECT_LT(back - periods[periods.size() - 2], 300u) << "a flip lost after it came back";
    zv_test::D3D9DeviceInfo info;
    ASSERT_TRUE(zv_test::GetD3D9DeviceInfo(Screen.device, &info));
    EXPECT_EQ(info.reset_count, 1u);
    EXPECT_EQ(Presents(), presents + 1) << "nothing shown while lost, the frame after it is";

    // The frames go on as before, the back buffer fetched again after the reset.
    ASSERT_NE(Screen.back_buffer, nullptr);
    for (int i = 0; i < 3; ++i) {
        struct DrawingContext* dc = Screen_DrawingTarget();
        ASSERT_NE(dc, nullptr);
        Draw_Begin(dc);
        Draw_End();
        uint64_t before = zv_test::VirtualClockMs();
        EXPECT_EQ(Screen_Flip(), 1);
        EXPECT_GE(zv_test::VirtualClockMs() - before, 1u);
    }
    EXPECT_EQ(Presents(), presents + 4);
}

TEST_F(ScreenTest, ADeviceThatNeedsAResetIsResetAndPresented) {
    StartAndOpen();
    ASSERT_TRUE(zv_test::ScriptCooperativeLevel(
        Screen.device, {{D3DERR_DEVICELOST, 10}, {D3DERR_DEVICENOTRESET, 0}}));
    size_t presents = Presents();
    EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_EQ(Screen.device_ok, 1);
    zv_test::D3D9DeviceInfo info;
    ASSERT_TRUE(zv_test::GetD3D9DeviceInfo(Screen.device, &info));
    EXPECT_EQ(info.reset_count, 1u);
    EXPECT_EQ(info.present_count, presents + 1);
    // The back buffer is the new one and draws as before.
    struct DrawingContext* dc = Screen_DrawingTarget();
    ASSERT_NE(dc, nullptr);
    Draw_Begin(dc);
    Draw_End();
    EXPECT_EQ(Screen_Flip(), 1);
}

TEST_F(ScreenTest, ADeviceBackWithinTheWaitIsPresentedWithoutAReset) {
    StartAndOpen();
    ASSERT_TRUE(zv_test::ScriptCooperativeLevel(Screen.device, {{D3DERR_DEVICELOST, 10}}));
    EXPECT_EQ(Screen_Flip(), 1);
    zv_test::D3D9DeviceInfo info;
    ASSERT_TRUE(zv_test::GetD3D9DeviceInfo(Screen.device, &info));
    EXPECT_EQ(info.reset_count, 0u);
    EXPECT_EQ(info.present_count, 1u);
}

TEST_F(ScreenTest, BrokenDevicesAndFailedResets) {
    StartAndOpen();
    ASSERT_TRUE(zv_test::ScriptCooperativeLevel(Screen.device, {{D3DERR_DRIVERINTERNALERROR, 0}}));
    EXPECT_EQ(Screen_Flip(), 0);
    EXPECT_EQ(Screen.device_ok, 0);

    ASSERT_EQ(Screen_OpenWindowed(parent_, 0, 0, 640, 480, 0, 0, 0), 1);
    ASSERT_TRUE(zv_test::ScriptCooperativeLevel(Screen.device, {{D3DERR_DEVICENOTRESET, 0}}));
    zv_test::FailD3D9Call(zv_test::D3D9Call::kReset);
    EXPECT_EQ(Screen_Flip(), 0);
    EXPECT_EQ(Screen.device_ok, 0);
    EXPECT_NE(Screen.back_buffer, nullptr);  // still there for the drawing and the close

    // That device is reset by the next flip once it reports it can be.
    ASSERT_TRUE(zv_test::ScriptCooperativeLevel(Screen.device, {{D3DERR_DEVICENOTRESET, 0}}));
    size_t presents = Presents();
    EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_EQ(Screen.device_ok, 1);
    EXPECT_EQ(Presents(), presents + 1);

    // One failed present: that flip still waits for the retrace, and the next one shows
    // the frame again.
    ASSERT_EQ(Screen_OpenWindowed(parent_, 0, 0, 640, 480, 0, 0, 0), 1);
    presents = Presents();
    zv_test::FailD3D9Call(zv_test::D3D9Call::kPresent);
    uint64_t before = zv_test::VirtualClockMs();
    EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_EQ(Screen.device_ok, 0);
    EXPECT_GE(zv_test::VirtualClockMs() - before, 1u);
    EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_EQ(Screen.device_ok, 1);
    EXPECT_EQ(Presents(), presents + 1);
    before = zv_test::VirtualClockMs();
    for (int i = 0; i < 60; ++i)
        EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_GE(zv_test::VirtualClockMs() - before, 980u) << "60 frames take about a second";
    EXPECT_EQ(Presents(), presents + 61);

    // A broken driver: no present, but the pace is kept too.
    ASSERT_TRUE(zv_test::ScriptCooperativeLevel(Screen.device, {{D3DERR_DRIVERINTERNALERROR, 0}}));
    before = zv_test::VirtualClockMs();
    EXPECT_EQ(Screen_Flip(), 0);
    EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_GE(zv_test::VirtualClockMs() - before, 17u);
    EXPECT_EQ(Presents(), presents + 61);
}

TEST_F(ScreenTest, FlipGivesTheRenderTargetBackToTheBackBuffer) {
    StartAndOpen();
    Screen.target = 3;  // a sprite number with no sprite behind it
    Screen.target_width = Screen.target_height = 8;
    EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_EQ(Screen.target, SCREEN_TARGET_BACK_BUFFER);
    EXPECT_EQ(Screen.target_width, 640);
    EXPECT_EQ(Screen.target_height, 480);
}

}  // namespace
