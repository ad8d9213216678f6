// The table of functions each host backend fills in; host.cpp picks one at first use.
#pragma once

#include "host.h"

namespace zv::host {

struct Backend {
    const char* name;
    bool (*display_mode)(DisplayMode* mode);
    bool (*open_window)(HWND hwnd, const NativeWindowParams& params);
    void (*close_window)(HWND hwnd);
    void (*show_window)(HWND hwnd, ShowState state);
    void (*set_title)(HWND hwnd, const char* title);
    void (*set_client_rect)(HWND hwnd, int x, int y, int width, int height);
    void (*present)(HWND hwnd, const uint32_t* pixels, int width, int height, int pitch);
    void (*wait_retrace)();
    void (*pump)();
    // Optional (null when the backend has no memory of its own to show). The memory the
    // backend shows for hwnd's client area, as GetFramebuffer promises it (the overlap
    // of what it gave before kept, the same pixels while the size stays), or false when
    // it has none for this window: the seam then keeps the pixels and calls present.
    bool (*framebuffer)(HWND hwnd, int width, int height, Framebuffer* fb);
    // Shows what the memory given by framebuffer holds.
    void (*show_framebuffer)(HWND hwnd);
};

// Each returns its backend, started; SdlBackend returns null when SDL has no display.
const Backend* HeadlessBackend();
const Backend* SdlBackend();

// Sleeps on the real steady clock until the next retrace of a display at refresh_hz.
void SteadyRetrace(int refresh_hz);

}  // namespace zv::host
