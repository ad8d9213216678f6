// Screen shut-down. The Direct3D object, the sprite table and the hidden window outlive
// the screen, so another screen may be opened without starting the library again.
#include "screen/screen.h"

void Screen_Close(void) {
    if (!Screen.screen_open) return;
    Objects_FreeAll(Screen.sprites);
    if (Screen.device) {
        if (Screen.back_buffer) Screen.back_buffer->Release();
        Screen.device->Release();
        Screen.back_buffer = nullptr;
        Screen.device = nullptr;
    }
    Screen.screen_width = Screen.screen_height = 0;
    Screen.target_width = Screen.target_height = 0;
    Screen.depth = 0;
    Screen.windowed = 0;
    DestroyWindow(Screen.child_window);
    Screen.child_window = nullptr;
    InvalidateRect(Screen.parent_window, nullptr, TRUE);
    Screen.screen_open = 0;
}

void Screen_End(void) {}
