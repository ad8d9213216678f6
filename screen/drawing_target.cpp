// The back buffer as a drawing target. The three callbacks keep one rule: the back
// buffer is held either as a device context or as locked memory, never both.
#include "screen/screen.h"

namespace {

void ReleaseTarget(struct DrawingContext* dc, int32_t /*completed*/) {
    if (dc->hdc) {
        Screen.back_buffer->ReleaseDC(dc->hdc);
        dc->hdc = nullptr;
    }
    if (dc->buffer) {
        Screen.back_buffer->UnlockRect();
        dc->buffer = nullptr;
    }
}

HDC ReacquireDc(struct DrawingContext* dc) {
    if (dc->hdc) return dc->hdc;
    if (dc->buffer) {
        Screen.back_buffer->UnlockRect();
        dc->buffer = nullptr;
    }
    HDC hdc = nullptr;
    if (Screen.back_buffer->GetDC(&hdc) != D3D_OK) return nullptr;
    dc->hdc = hdc;
    return hdc;
}

void* AccessPixels(struct DrawingContext* dc, int32_t* pitch) {
    if (dc->hdc) {
        Screen.back_buffer->ReleaseDC(dc->hdc);
        dc->hdc = nullptr;
    }
    // Already locked: the memory stays where it is.
    if (dc->buffer) return dc->buffer;
    D3DLOCKED_RECT locked;
    if (Screen.back_buffer->LockRect(&locked, nullptr, 0) == D3D_OK) {
        dc->buffer = locked.pBits;
        if (pitch) *pitch = locked.Pitch;
    }
    return dc->buffer;
}

}  // namespace

struct DrawingContext* Screen_DrawingTarget(void) {
    if (!Screen.back_buffer) return nullptr;
    HDC hdc = nullptr;
    if (Screen.back_buffer->GetDC(&hdc) != D3D_OK) return nullptr;
    struct DrawingContext* dc = DrawingContext_NewGdi();
    if (!dc) {
        // Keeping the device context would leave the back buffer unpresentable for good.
        Screen.back_buffer->ReleaseDC(hdc);
        return nullptr;
    }
    dc->kind = DRAWING_TARGET_SURFACE;
    dc->hdc = hdc;
    dc->buffer = nullptr;
    dc->buffer_format = Screen.pixel_format;
    dc->get_dc = ReacquireDc;
    dc->get_buffer = AccessPixels;
    dc->grab_32_as_24 = 1;
    dc->width = Screen.screen_width;
    dc->height = Screen.screen_height;
    dc->depth = Screen.depth;
    dc->release = ReleaseTarget;
    return dc;
}
