// Frame flip and pacing: the present waits for the vertical retrace (the device was made
// with D3DPRESENT_INTERVAL_ONE), so the flip needs no delay of its own. A lost device is
// waited for briefly and reset once it can be.
#include "screen/screen.h"
#include "screen/sprites.h"

namespace {

typedef int32_t (*SpriteHook)(struct SpriteResources*);

void VisitSprites(SpriteHook hook) {
    Objects_EnumStart(Screen.sprites);
    while (auto* sprite =
               static_cast<struct SpriteRecord*>(Objects_EnumNext(Screen.sprites, nullptr)))
        hook(sprite->resources);
}

}  // namespace

int32_t Screen_Flip(void) {
    // Without a device there is nothing to present (the screen was never opened or is
    // closed); device_ok may still say 1 from the screen before.
    if (!Screen.device) return 0;

    if (Screen.target != SCREEN_TARGET_BACK_BUFFER) {
        if (auto* sprite =
                static_cast<struct SpriteRecord*>(Objects_Find(Screen.sprites, Screen.target)))
            Sprite_EndRendering(sprite->resources);
        Screen.target = SCREEN_TARGET_BACK_BUFFER;
        Screen.target_width = Screen.screen_width;
        Screen.target_height = Screen.screen_height;
        if (Screen.back_buffer) Screen.device->SetRenderTarget(0, Screen.back_buffer);
    }
    if (!Screen.device_ok) return 1;

    HRESULT hr = Screen.device->TestCooperativeLevel();
    if (hr == D3DERR_DRIVERINTERNALERROR) {
        Screen.device_ok = 0;
        return 0;
    }
    if (hr == D3DERR_DEVICELOST) {
        DWORD start = GetTickCount();
        for (;;) {
            Sleep(1);
            hr = Screen.device->TestCooperativeLevel();
            if (hr == D3DERR_DRIVERINTERNALERROR) {
                Screen.device_ok = 0;
                return 0;
            }
            if (hr == D3DERR_DEVICENOTRESET || hr == D3D_OK) break;
            if (DWORD(GetTickCount() - start) >= LOST_DEVICE_WAIT_MS) break;
        }
        if (hr == D3DERR_DEVICELOST) {
            Screen.device_ok = 0;
            return 0;
        }
    }
    if (hr == D3DERR_DEVICENOTRESET) {
        VisitSprites(Sprite_BeforeReset);
        // Direct3D resets only a swap chain whose back buffer nobody holds: give ours back
        // first and fetch the new one after.
        if (Screen.back_buffer) {
            Screen.back_buffer->Release();
            Screen.back_buffer = nullptr;
        }
        if (Screen.device->Reset(&Screen.present_params) != D3D_OK) {
            Screen.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &Screen.back_buffer);
            Screen.device_ok = 0;
            return 0;
        }
        VisitSprites(Sprite_AfterReset);
        Screen.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &Screen.back_buffer);
    }

    RECT source = {0, 0, Screen.target_width, Screen.target_height};
    RECT dest;
    GetClientRect(Screen.child_window, &dest);
    hr = Screen.device->Present(&source, &dest, nullptr, nullptr);
    Screen.device_ok = hr == D3D_OK ? 1 : 0;
    return 1;
}
