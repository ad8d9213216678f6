// Screen start-up: the hidden window, Direct3D 9 loaded by name, the display-mode check
// and the sprite table.
#include "screen/input.h"
#include "screen/screen.h"
#include "screen/sprites.h"

namespace {

// All zero but the render target, which starts as the back buffer.
constexpr ScreenState InitialScreenState() {
    ScreenState s{};
    s.target = SCREEN_TARGET_BACK_BUFFER;
    return s;
}

const char kHiddenClass[] = "MultimediaBase Class";

LRESULT CALLBACK HiddenWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_ACTIVATE:
            if (!Screen.windowed) {
                if (LOWORD(wparam) != 0) {
                    Screen.device_ok = 1;
                } else {
                    Screen.device_ok = 0;
                    if (Input.mouse_device) Input.mouse_device->Unacquire();
                }
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(window, &ps);
            EndPaint(window, &ps);
            return 1;
        }
        case WM_CLOSE:  // the hidden window is not closed this way
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_KEYUP:
        case WM_SYSKEYUP:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            return 0;
        default:
            return DefWindowProcA(window, message, wparam, lparam);
    }
}

// The hidden window lives until the process ends; a failed attempt is tried again by the
// next start-up.
int32_t MakeHiddenWindow() {
    if (Screen.hidden_ready || Screen.parent_window) return Screen.hidden_ready;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = HiddenWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kHiddenClass;
    // A class left registered by an earlier attempt whose window failed is used as it is.
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return Screen.hidden_ready;
    Screen.hidden_window = CreateWindowExA(0, kHiddenClass, "", WS_POPUP, 0, 0, 1, 1, nullptr,
                                           nullptr, instance, nullptr);
    if (Screen.hidden_window) Screen.hidden_ready = 1;
    return Screen.hidden_ready;
}

}  // namespace

struct ScreenState Screen = InitialScreenState();

struct ObjectTable* Screen_Init(void) {
    if (Screen.sprites) return Screen.sprites;
    if (!MakeHiddenWindow()) return nullptr;
    // The library is never freed: the Direct3D object made from it lives as long.
    HMODULE d3d9 = LoadLibraryA("d3d9.dll");
    if (!d3d9) return nullptr;
    typedef IDirect3D9*(WINAPI * CreateRoutine)(UINT);
    CreateRoutine create = reinterpret_cast<CreateRoutine>(
        reinterpret_cast<void (*)()>(GetProcAddress(d3d9, "Direct3DCreate9")));
    if (!create) return nullptr;
    Screen.direct3d = create(D3D_SDK_VERSION);
    if (!Screen.direct3d) return nullptr;
    int32_t modes =
        int32_t(Screen.direct3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X1R5G5B5)) +
        int32_t(Screen.direct3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_R5G6B5)) +
        int32_t(Screen.direct3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8));
    if (modes < 1) {
        Screen.direct3d->Release();
        Screen.direct3d = nullptr;
        return nullptr;
    }
    Screen.sprites = Objects_NewTable(int32_t(sizeof(SpriteRecord)), 64, Sprite_Close);
    return Screen.sprites;
}
