// Test control for the hosts and the window system's input. Only tests include this.
//
// The Inject functions feed the same input path that the SDL backend feeds from native
// events, so they work with either backend; call them on the thread that owns the
// windows. Frames, the display mode and the clock belong to the headless backend.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zv_test {

// ---- Display (headless) -------------------------------------------------------------
// Sets the display mode the headless host reports; width 0 means no display at all.
void SetHeadlessDisplay(int width, int height, int refresh_hz);
const char* HostBackendName();

// ---- Native windows and frames (headless) ---------------------------------------------
struct HostFrame {
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first, width * height
    int width = 0;
    int height = 0;
};

struct NativeWindowInfo {
    std::string title;
    RECT client = {};  // screen rectangle of the client area
    bool decorated = false;
    bool resizable = false;
    int show_state = 0;  // 0 hidden, 1 normal, 2 minimized, 3 maximized
};

bool GetNativeWindow(HWND hwnd, NativeWindowInfo* info);
size_t PresentCount(HWND hwnd);
bool LastPresentedFrame(HWND hwnd, HostFrame* frame);
// Whether the headless host copies each frame it is shown for LastPresentedFrame (it does
// unless told otherwise); without the copy it still counts the presents. Benchmarks turn
// it off to measure the platform's own work alone.
void KeepHeadlessFrames(bool keep);

// ---- Input ---------------------------------------------------------------------------------
void InjectClose(HWND top);
void InjectMouseMove(HWND top, int x, int y);
void InjectMouseButton(HWND top, int button, bool down, int x, int y);  // 0 left, 1 right, 2 middle
void InjectKey(int virtual_key, bool down);
void InjectFocus(HWND top, bool gained);
void InjectResize(HWND top, int client_width, int client_height);
void InjectMove(HWND top, int client_x, int client_y);  // screen position of the client area
void InjectMinimize(HWND top);
void InjectMaximize(HWND top);
void InjectRestore(HWND top);
void InjectExpose(HWND top);

// ---- Virtual clock (headless) ----------------------------------------------------------------
// Outside tests the headless host waits for its retraces on the steady clock. Test
// programs switch to a virtual clock, which drives the headless retrace, GetTickCount and
// Sleep and moves only when something waits (every test program does so before main; see
// use_virtual_clock.cpp). It takes effect when the headless host starts, or at once when
// it has started already; the two functions below switch it on too.
void UseVirtualClock();
bool VirtualClockInUse();
uint64_t VirtualClockMs();
void AdvanceVirtualClock(uint64_t ms);

}  // namespace zv_test
