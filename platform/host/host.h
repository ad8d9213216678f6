// The seam between the platform and the real display. Everything that knows how a
// window reaches the screen (SDL, or nothing at all) sits behind this header; user32 and
// the Direct3D device drive it, and the backends report native events back through the
// input sink below, which user32 registers.
//
// The backend is chosen once, on first use, from the environment variable ZORVANE_HOST:
// "sdl" (the default) or "headless". An SDL backend that cannot open a display behaves
// as a display-less host: no display mode, no native windows.
//
// Pixels: every top-level window's client area lives in a framebuffer that the host
// hands out (GetFramebuffer). Where the backend can show its own memory (the SDL host on
// its window surface) that memory is the framebuffer itself, so what GDI and Direct3D
// write into a window is already where the display reads it and ShowFramebuffer only
// tells the display; otherwise the seam keeps the pixels and gives them to the backend
// at ShowFramebuffer.
//
// Threads: the host is driven from the thread that owns the top-level windows (the
// program's window thread); PumpEvents is called from its message loop. The framebuffer
// calls and WaitRetrace may be called from that thread only.
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

// The client area's pixels of a top-level window: 32-bit 0x00RRGGBB (the top byte is
// not shown), top row first, pitch in bytes (at least 4 * width).
struct Framebuffer {
    uint32_t* pixels;  // null when width or height is 0
    int width;
    int height;
    int pitch;
};

// The framebuffer of top-level window hwnd at width x height. It keeps what was written
// into it: a call with the size it already has gives the same pixels; one with another
// size keeps the overlapping part and starts the rest black. The memory stays valid until
// the next GetFramebuffer or ReleaseFramebuffer for hwnd, or CloseNativeWindow; a caller
// asks again each time it is about to draw. False, with *fb untouched, for a null hwnd or
// a size that is negative or larger than 16384 on a side, or when memory runs out.
bool GetFramebuffer(HWND hwnd, int width, int height, Framebuffer* fb);
// Shows what hwnd's framebuffer holds in its native window, if it has one.
void ShowFramebuffer(HWND hwnd);
// Forgets hwnd's framebuffer (the window is going).
void ReleaseFramebuffer(HWND hwnd);

// Returns after the next vertical retrace. Where the host shows frames through a renderer
// that waits for the display's vsync (the SDL host's streaming texture), the wait was the
// showing of the frame and this returns at once; a vsync that does not hold the frames
// back to the refresh rate is not trusted, and the steady clock then keeps the pace.
// Otherwise it waits on a steady clock at the display's refresh rate (60 Hz when
// unknown): the SDL host's window surface and the headless host (whose clock tests make
// virtual, so that the wait takes no real time).
void WaitRetrace();

// Turns pending native events into user32 input. Cheap when there is nothing.
void PumpEvents();

}  // namespace zv::host

// What the hosts report. hwnd is always a top-level window; coordinates are in its
// client area. The backends call the functions below; they go to the sink that the window
// system (user32) registers, from a static object in the file that implements it, so the
// host never links the window system. Before a sink is registered, or after it is
// removed, what a host reports is dropped.
namespace zv::input {

enum MouseButton { kLeft = 0, kRight = 1, kMiddle = 2 };

struct Sink {
    void (*close_request)(HWND hwnd);  // the close button: a posted WM_SYSCOMMAND SC_CLOSE
    void (*close_request_all)();       // every visible top-level window
    void (*mouse_move)(HWND hwnd, int x, int y);
    void (*mouse_button)(HWND hwnd, MouseButton button, bool down, int x, int y);
    void (*key)(int virtual_key, bool down);  // to the focus window (or the active one)
    void (*focus_change)(HWND hwnd, bool gained);
    void (*client_resized)(HWND hwnd, int width, int height);
    void (*client_moved)(HWND hwnd, int x, int y);  // screen position of the client area
    void (*minimized)(HWND hwnd);
    void (*maximized)(HWND hwnd);
    void (*restored)(HWND hwnd);
    void (*exposed)(HWND hwnd);
};

// Registers the sink (which must outlive its registration; null removes it). Every entry
// must be filled in.
void SetSink(const Sink* sink);

void CloseRequest(HWND hwnd);
void CloseRequestAll();
void MouseMove(HWND hwnd, int x, int y);
void MouseButtonEvent(HWND hwnd, MouseButton button, bool down, int x, int y);
void Key(int virtual_key, bool down);
void FocusChange(HWND hwnd, bool gained);
void ClientResized(HWND hwnd, int width, int height);
void ClientMoved(HWND hwnd, int x, int y);
void Minimized(HWND hwnd);
void Maximized(HWND hwnd);
void Restored(HWND hwnd);
void Exposed(HWND hwnd);

}  // namespace zv::input
