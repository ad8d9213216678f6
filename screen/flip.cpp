// Frame flip and pacing: the present waits for the vertical retrace (the device was made
// with D3DPRESENT_INTERVAL_ONE), so a flip that presents needs no delay of its own. A lost
// device is waited for briefly and reset once it can be. A flip that cannot present waits
// one retrace itself, so that a loop around it keeps its pace while the device is gone.
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

constexpr uint64_t kDefaultRefreshRate = 60;  // Hz, for an adapter that reports no rate
constexpr uint64_t kTicksPerSecond = 1000;    // GetTickCount counts milliseconds

// Sleeps until the next retrace of a display at the adapter's refresh rate, on a grid of
// the tick count, so that a run of such waits keeps the display's rate on average.
void WaitOneRetrace() {
    uint64_t rate = Screen.refresh_rate ? Screen.refresh_rate : kDefaultRefreshRate;
    uint64_t now = GetTickCount();
    uint64_t next = ((now * rate / kTicksPerSecond + 1) * kTicksPerSecond + rate - 1) / rate;
    DWORD wait = DWORD(next - now);
    Sleep(wait ? wait : 1);
}

// Resets a device that reported D3DERR_DEVICENOTRESET; false when the reset failed
// (device_ok is then 0).
bool ResetDevice() {
    VisitSprites(Sprite_BeforeReset);
    // Direct3D resets only a swap chain whose back buffer nobody holds: give ours back
    // first and fetch the new one after.
    if (Screen.back_buffer) {
        Screen.back_buffer->Release();
        Screen.back_buffer = nullptr;
    }
    if (Screen.device->Reset(&Screen.present_params) != D3D_OK) {
        // The sprites wait for the reset that works to get back what they gave up.
        Screen.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &Screen.back_buffer);
        Screen.device_ok = 0;
        return false;
    }
    VisitSprites(Sprite_AfterReset);
    Screen.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &Screen.back_buffer);
    return true;
}

// Presents the current target's rectangle onto the child's client area; device_ok
// becomes the outcome.
bool Present() {
    RECT source = {0, 0, Screen.target_width, Screen.target_height};
    RECT dest;
    GetClientRect(Screen.child_window, &dest);
    HRESULT hr = Screen.device->Present(&source, &dest, nullptr, nullptr);
    Screen.device_ok = hr == D3D_OK ? 1 : 0;
    return Screen.device_ok;
}

// A flip after a failed present or a device given up on: it asks the device once, brings
// it back when it can be presented to again, and otherwise waits for the retrace. Such a
// flip returns 1 whatever it finds.
int32_t Recover() {
    HRESULT hr = Screen.device->TestCooperativeLevel();
    bool usable = hr != D3DERR_DEVICELOST && hr != D3DERR_DRIVERINTERNALERROR;
    if (usable && hr == D3DERR_DEVICENOTRESET) usable = ResetDevice();
    if (!usable || !Present()) WaitOneRetrace();
    return 1;
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
    if (!Screen.device_ok) return Recover();

    HRESULT hr = Screen.device->TestCooperativeLevel();
    if (hr == D3DERR_DRIVERINTERNALERROR) {
        Screen.device_ok = 0;
        WaitOneRetrace();
        return 0;
    }
    if (hr == D3DERR_DEVICELOST) {
        DWORD start = GetTickCount();
        for (;;) {
            Sleep(1);
            hr = Screen.device->TestCooperativeLevel();
            if (hr == D3DERR_DRIVERINTERNALERROR) {
                Screen.device_ok = 0;
                WaitOneRetrace();
                return 0;
            }
            if (hr == D3DERR_DEVICENOTRESET || hr == D3D_OK) break;
            if (DWORD(GetTickCount() - start) >= LOST_DEVICE_WAIT_MS) break;
        }
        // The wait was longer than a retrace already.
        if (hr == D3DERR_DEVICELOST) {
            Screen.device_ok = 0;
            return 0;
        }
    }
    if (hr == D3DERR_DEVICENOTRESET && !ResetDevice()) {
        WaitOneRetrace();
        return 0;
    }
    if (!Present()) WaitOneRetrace();
    return 1;
}
