// The program driven frame by frame in a child process (each run needs a fresh process,
// as the program itself has): the first frame's circles, the truncation in the second
// frame, the close, the path without Direct3D 9, and exit code 0 every time.
#include <windows.h>
#include <zorvane_test/d3d9.h>
#include <zorvane_test/gdi32.h>
#include <zorvane_test/host.h>
#include <zorvane_test/kernel32.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include "e2e_test_support.h"
#include "app/animation.h"
#include "window/window.h"

namespace {

// Checks inside the child process: a failed one reports and ends the child with code 1.
#define CHECK(condition) CHECK_IN_CHILD(condition, _exit)

uint32_t Pixel(const zv_test::D3D9Frame& f, int x, int y) {
    return f.pixels[size_t(y) * f.width + x];
}

void FirstFrameThenClose() {
    CHECK(Animation_Start() == 1);
    HWND window = Window_Handle(0);
    CHECK(window != nullptr);
    zv_test::NativeWindowInfo native;
    CHECK(zv_test::GetNativeWindow(window, &native));
    CHECK(native.title == "Zorvane Lumetra");
    CHECK(native.client.right - native.client.left == 640);
    CHECK(native.client.bottom - native.client.top == 480);
    CHECK(native.decorated);
    RECT outer;
    GetWindowRect(window, &outer);
    CHECK(outer.left == 0 && outer.top == 0);

    CHECK(Animation_Frame() == 1);
    zv_test::D3D9Frame f;
    CHECK(zv_test::LastD3D9Frame(zv_test::LastD3D9Device(), &f));
    CHECK(f.width == 640 && f.height == 480);
    // Black and white only, and (all centres lying on row 240) mirrored about that row.
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            uint32_t p = Pixel(f, x, y);
            CHECK(p == 0 || p == 0xFFFFFF);
            if (y > 0) CHECK(p == Pixel(f, x, 480 - y));
        }
    // Left edges of the six circles on row 240: centre 320 + 30 i, radius 180 - 30 i.
    for (int i = 0; i < 6; ++i) {
        int left = 320 + 30 * i - (180 - 30 * i);
        CHECK(Pixel(f, left, 240) == 0xFFFFFF);
        CHECK(Pixel(f, left + 5, 240) == 0);
    }
    CHECK(Pixel(f, 320, 60) == 0xFFFFFF);   // top of circle 0
    CHECK(Pixel(f, 470, 210) == 0xFFFFFF);  // top of circle 5
    CHECK(Pixel(f, 470, 240) == 0);         // its centre
    CHECK(Pixel(f, 100, 240) == 0 && Pixel(f, 320, 40) == 0 && Pixel(f, 520, 240) == 0);
    // The same frame reached the window.
    zv_test::HostFrame shown;
    CHECK(zv_test::LastPresentedFrame(window, &shown));
    CHECK(shown.width == 640 && shown.pixels[240 * 640 + 140] == 0xFFFFFF);

    // The close button: one more frame, then the close event ends the loop.
    // Frames until nothing is waiting (start-up leaves paints and activations queued).
    MSG msg;
    for (int i = 0; i < 50 && PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); ++i)
        CHECK(Animation_Frame() == 1);
    CHECK(!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));

    // The close button: the frame whose poll dispatches it goes on, the next one ends.
    zv_test::InjectClose(window);
    CHECK(Animation_Frame() == 1);
    CHECK(Animation_Frame() == 0);
    Animation_ShutDown();
    CHECK(!IsWindow(window));
    ExitProcess(0);
}

void SecondFrameTruncates() {
    CHECK(Animation_Start() == 1);
    CHECK(Animation_Frame() == 1);
    zv_test::StartGdiTrace();
    Animation_Frame();
    std::vector<zv_test::GdiCall> calls = zv_test::StopGdiTrace();
    std::vector<std::vector<intptr_t>> ellipses;
    for (const auto& c : calls)
        if (c.function == "Ellipse") ellipses.push_back(c.args);
    CHECK(ellipses.size() == 6);
    // Circle 1 is centred at 320 + 30 cos(1/30) = 349.98..., drawn at 349, radius 150.
    CHECK((ellipses[1][0] + ellipses[1][2]) / 2 == 349);
    CHECK(ellipses[1][2] - ellipses[1][0] == 301);  // the outline spans both ends
    CHECK(Program.angle_counters[5] == 10);         // counter i grows by i each frame
    Animation_ShutDown();
    ExitProcess(0);
}

void ChainStaysOnScreenAndCountersWrap() {
    CHECK(Animation_Start() == 1);
    for (int frame = 0; frame < 300; ++frame) {
        zv_test::StartGdiTrace();
        CHECK(Animation_Frame() == 1);
        for (const auto& c : zv_test::StopGdiTrace())
            if (c.function == "Ellipse")
                CHECK(c.args[0] >= 0 && c.args[1] >= 0 && c.args[2] <= 641 && c.args[3] <= 481);
    }
    // Counter 5 runs past the largest 32-bit value and carries on from the most negative.
    Program.angle_counters[5] = INT32_MAX - 2;
    CHECK(Animation_Frame() == 1);
    CHECK(Program.angle_counters[5] == INT32_MIN + 2);
    CHECK(Animation_Frame() == 1);
    Animation_ShutDown();
    ExitProcess(0);
}

void WithoutDirect3D() {
    zv_test::HideModule("d3d9.dll");
    CHECK(Animation_Start() == 0);
    CHECK(Window_Handle(0) == nullptr);
    Animation_ShutDown();
    ExitProcess(0);
}

void WithoutADisplay() {
    zv_test::SetHeadlessDisplay(0, 0, 0);
    CHECK(Animation_Start() == 0);
    CHECK(Window_Handle(0) == nullptr);
    Animation_ShutDown();
    ExitProcess(0);
}

using Animation = ChildProcessTest;

CHILD_PROCESS_TEST(Animation, FirstFrameShowsTheChainAndTheCloseEndsWithCodeZero,
                   FirstFrameThenClose)
CHILD_PROCESS_TEST(Animation, SecondFrameShowsTheTruncation, SecondFrameTruncates)
CHILD_PROCESS_TEST(Animation, TheChainStaysOnScreenAndTheCountersWrap,
                   ChainStaysOnScreenAndCountersWrap)
CHILD_PROCESS_TEST(Animation, WithoutDirect3DNoWindowOpensAndTheExitCodeIsZero, WithoutDirect3D)
CHILD_PROCESS_TEST(Animation, WithoutADisplayNoWindowOpensAndTheExitCodeIsZero, WithoutADisplay)

TEST(FloatToInt, TruncatesTowardZero) {
    EXPECT_EQ(Float_ToInt(349.98), 349);
    EXPECT_EQ(Float_ToInt(-2.7), -2);
    EXPECT_EQ(Float_ToInt(double(350.0f)), 350);
    EXPECT_EQ(Float_ToInt(1e12), INT32_MAX);
    EXPECT_EQ(Float_ToInt(-1e12), INT32_MIN);
}

}  // namespace
