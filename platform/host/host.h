// The seam between the platform and the real display. Everything that knows how a
// window reaches the screen (SDL, or nothing at all) sits behind this header; user32
// drives it and the backends report native events back through the input sink below.
//
// The backend is chosen once, on first use, from the environment variable ZORVANE_HOST:
// "sdl" (the default) or "headless". An SDL backend that cannot open a display behaves
// as a display-less host: no display mode, no native windows.
//
// Threads: the host is driven from the thread that owns the top-level windows (the
// program's window thread); PumpEvents is called from its message loop. Present and
// WaitRetrace may be called from that thread only.
#pragma once

#include <windows.h>

#include <cstdint>

namespace zv::host {

struct DisplayMode {
    int width;
    int height;
    int refresh_hz;  // 0 when unknown
};

enum class ShowState { kHidden, kNormal, kMinimized, kMaximized };

struct NativeWindowParams {
    const char* title;
    int x, y;  // screen position of the client area
    int client_width, client_height;
    bool decorated;  // a title bar and close button (WS_CAPTION)
    bool resizable;  // WS_THICKFRAME
};

// "sdl" or "headless".
const char* BackendName();

// The display's mode; false when there is no display to show anything on.
bool GetDisplayMode(DisplayMode* mode);

// A native window for the visible top-level window hwnd. False when the host has none
// to give (no display); the window then lives on without one.
bool OpenNativeWindow(HWND hwnd, const NativeWindowParams& params);
void CloseNativeWindow(HWND hwnd);
void ShowNativeWindow(HWND hwnd, ShowState state);
void SetNativeTitle(HWND hwnd, const char* title);
void SetNativeClientRect(HWND hwnd, int x, int y, int width, int height);

// Shows a frame of the client area of top-level window hwnd. pixels are 32-bit
// 0x00RRGGBB, top row first; pitch is in bytes.
void Present(HWND hwnd, const uint32_t* pixels, int width, int height, int pitch);

// Returns after the next vertical retrace: the display's vsync where there is one,
// otherwise a steady clock at the display's refresh rate (60 Hz when unknown). The
// headless host's clock is virtual, so the wait takes no real time.
void WaitRetrace();

// Turns pending native events into user32 input. Cheap when there is nothing.
void PumpEvents();

}  // namespace zv::host

// What the hosts report; implemented by user32. hwnd is always a top-level window;
// coordinates are in its client area.
namespace zv::input {

enum MouseButton { kLeft = 0, kRight = 1, kMiddle = 2 };

void CloseRequest(HWND hwnd);  // the close button: a posted WM_SYSCOMMAND SC_CLOSE
void CloseRequestAll();        // every visible top-level window
void MouseMove(HWND hwnd, int x, int y);
void MouseButtonEvent(HWND hwnd, MouseButton button, bool down, int x, int y);
void Key(int virtual_key, bool down);  // to the focus window (or the active one)
void FocusChange(HWND hwnd, bool gained);
void ClientResized(HWND hwnd, int width, int height);
void ClientMoved(HWND hwnd, int x, int y);  // screen position of the client area
void Minimized(HWND hwnd);
void Maximized(HWND hwnd);
void Restored(HWND hwnd);
void Exposed(HWND hwnd);

}  // namespace zv::input
