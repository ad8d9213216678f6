// How GetDC reaches a window's pixels: the window system installs a provider that
// resolves an HWND to the pixel buffer of its top-level window, the rectangle of that
// buffer the window may draw in, and where the window's client (0, 0) lies in it.
//
// GetDC(hwnd) asks the provider and makes a buffer DC (gdi_buffer_dc.h) from the answer;
// a provider that answers false makes GetDC fail with ERROR_INVALID_WINDOW_HANDLE.
// GetDC(NULL), the screen, asks the provider with a null HWND; without a provider, or
// when it answers false, the screen DC is a 32-bit DC with nothing to draw on (every
// drawing call on it is clipped away). ReleaseDC deletes what GetDC made.
#pragma once

#include "gdi_buffer_dc.h"

namespace zv {

struct WindowSurface {
    PixelBuffer buffer;
    RECT clip;     // in buffer pixels
    POINT origin;  // buffer position of the window's client (0, 0)
};

// The window system's side of window surfaces.
struct WindowSurfaceProvider {
    // hwnd's surface, or the screen's for a null hwnd; false when there is none.
    bool (*surface)(HWND hwnd, WindowSurface* surface, void* context);
    // Shows on the display what was drawn through the surfaces it handed out on the
    // calling thread since the last message fetch (which shows it otherwise).
    void (*show_drawn)(void* context);
    void* context;
};

// Installs the provider (copied; null removes it). Called by the window system at start-up.
void SetWindowSurfaceProvider(const WindowSurfaceProvider* provider);

// What GetDC(hwnd) would draw into, for a caller that writes the window's pixels itself
// (the Direct3D device's present): false where GetDC(hwnd) would fail. The window system
// counts the window as drawn into, as for GetDC, and the pixels are valid until the next
// message fetch or the next ask, whichever is first.
bool GetWindowSurface(HWND hwnd, WindowSurface* surface);

// Shows at once what the calling thread drew into window surfaces, instead of at its next
// message fetch (the Direct3D device's present, after writing). Nothing without a
// provider.
void ShowDrawnWindowSurfaces();

}  // namespace zv
