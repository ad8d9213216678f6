// Shared set-up for the screen tests: the RuntimeHeap and the drawing library live for the
// whole test program (the sprite table and drawing contexts come from it), a plain
// top-level window stands in for the program's window, and ScreenState is put back to its
// starting point after each test, keeping the hidden window that a process makes once.
#pragma once

#include <d3d9.h>
#include <windows.h>
#include <zorvane_test/d3d9.h>
#include <zorvane_test/host.h>
#include <zorvane_test/kernel32.h>

#include <gtest/gtest.h>

#include "drawing/drawing_context.h"
#include "runtime/heaps.h"
#include "screen/input.h"
#include "screen/screen.h"
#include "screen/sprites.h"
#include "support/test_window.h"

class ScreenEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        Runtime_CreateHeap();
        Strings_Init();
        Memory_Init();
        DrawingContext_Init();
    }
};

// A private message that the parents' own procedures answer, to show which procedure a
// hooked parent's messages reach.
inline constexpr UINT kWhoAreYou = WM_USER + 41;

class ScreenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        zv_test::SetHeadlessDisplay(1024, 768, 60);
        zv_test::ResetD3D9Adapter();
        zv_support::RegisterTestClass("ScreenTestParent");
        parent_ = MakeParent(640, 480);
        ASSERT_NE(parent_, nullptr);
    }
    void TearDown() override {
        // The windows go first, while the hooks still find the procedures they chain to.
        for (HWND w : windows_)
            DestroyWindow(w);
        ResetScreen();
        zv_test::ResetD3D9Adapter();
        zv_test::ShowAllModules();
        zv_test::ClearAllocationFailures();
        zv_test::SetHeadlessDisplay(1024, 768, 60);
    }

    // A parent with a caption, of a class registered with zv_support::RegisterTestClass,
    // destroyed after the test.
    HWND MakeParent(int client_width, int client_height,
                    const char* class_name = "ScreenTestParent") {
        HWND w = zv_support::MakeTestWindow(class_name, WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                                            client_width, client_height, "screen");
        if (w) windows_.push_back(w);
        return w;
    }

    // Screen_Init, asserting that it worked.
    void Start() { ASSERT_NE(Screen_Init(), nullptr); }
    void StartAndOpen(int32_t width = 640, int32_t height = 480) {
        Start();
        ASSERT_EQ(Screen_OpenWindowed(parent_, 0, 0, width, height, 0, 0, 0), 1);
    }

    // Closes the screen, lets go of the Direct3D object and empties ScreenState, so that
    // the next test starts the library afresh. The hidden window stays, as in a process.
    static void ResetScreen() {
        Screen_Close();
        if (Screen.direct3d) Screen.direct3d->Release();
        HWND hidden = Screen.hidden_window;
        int32_t ready = Screen.hidden_ready;
        Screen = ScreenState{};
        Screen.target = SCREEN_TARGET_BACK_BUFFER;
        Screen.hidden_window = hidden;
        Screen.hidden_ready = ready;
    }

    size_t Presents() {
        zv_test::D3D9DeviceInfo info;
        return zv_test::GetD3D9DeviceInfo(Screen.device, &info) ? info.present_count : 0;
    }

    HWND parent_ = nullptr;
    std::vector<HWND> windows_;
};
