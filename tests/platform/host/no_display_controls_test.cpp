// The SDL host with no display to open: no display mode, no native windows, and the
// window manager works on regardless. The backend is chosen once per process, on first
// use, so this program chooses it before anything else runs.
#include <gtest/gtest.h>
#include <windows.h>
#include <zorvane_test/host.h>

#include <stdlib.h>

#include "host/host.h"

namespace {

TEST(NoDisplay, SdlHostWithoutADisplayOffersNoModeAndNoWindows) {
    setenv("ZORVANE_HOST", "sdl", 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    zv::host::DisplayMode mode = {1, 1, 1};
    EXPECT_FALSE(zv::host::GetDisplayMode(&mode));
    EXPECT_STREQ(zv::host::BackendName(), "sdl");
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    HWND hwnd = CreateWindowExA(0, "Static", "t", WS_CAPTION | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&m);
    zv::host::WaitRetrace();  // a steady clock when there is no display
    EXPECT_TRUE(DestroyWindow(hwnd));
}

}  // namespace
