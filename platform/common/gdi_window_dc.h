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

typedef bool (*WindowSurfaceProvider)(HWND hwnd, WindowSurface* surface, void* context);

// Installs the provider (null removes it). Called by the window system at start-up.
void SetWindowSurfaceProvider(WindowSurfaceProvider provider, void* context);

// What GetDC(hwnd) would draw into, for a caller that writes the window's pixels itself
// (the Direct3D device's present): false where GetDC(hwnd) would fail. The window system
// counts the window as drawn into, as for GetDC, and the pixels are valid until the next
// message fetch or the next ask, whichever is first.
bool GetWindowSurface(HWND hwnd, WindowSurface* surface);

}  // namespace zv
