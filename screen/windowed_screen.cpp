// The windowed screen: a "STATIC" child window over part of the parent's client area, a
// windowed device presenting into it, and the two hooked window procedures that show the
// screen again when the child is painted or the parent resized.
#include "runtime/window_properties.h"
#include "screen/screen.h"
#include "screen/sprites.h"

namespace {

int32_t PixelFormatOf(D3DFORMAT format, int32_t previous) {
    switch (format) {
        case D3DFMT_X8R8G8B8:
            return PIXEL_FORMAT_32;
        case D3DFMT_R5G6B5:
            return PIXEL_FORMAT_16;
        case D3DFMT_X1R5G5B5:
            return PIXEL_FORMAT_15;
        default:
            return previous;
    }
}

int32_t DepthOf(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_R8G8B8:
            return 24;
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_A2B10G10R10:
        case D3DFMT_G16R16:
        case D3DFMT_A2R10G10B10:
            return 32;
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_A8R3G3B2:
        case D3DFMT_X4R4G4B4:
            return 16;
        case D3DFMT_R3G3B2:
        case D3DFMT_A8:
            return 8;
        case D3DFMT_A16B16G16R16:
            return 64;
        default:
            return 0;  // D3DFMT_A8B8G8R8 and D3DFMT_X8B8G8R8 included
    }
}

LRESULT CALLBACK ChildHook(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (Screen.screen_open) {
        if (message == WM_PAINT) {
            PAINTSTRUCT ps;
            BeginPaint(window, &ps);
            EndPaint(window, &ps);
            if (Screen.screen_width) Screen_Flip();
            return 0;
        }
        if (message == WM_ERASEBKGND) return 1;
    }
    return CallWindowProcA(Screen.child_old_proc, window, message, wparam, lparam);
}

LRESULT CALLBACK ParentHook(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    // Only the parent that holds the open screen moves it; the others were hooked for a
    // screen that has since been closed.
    if (Screen.screen_open && message == WM_SIZE && window == Screen.parent_window) {
        Screen_SizeChild();
        if (Screen.screen_width) Screen_Flip();
    }
    auto old_proc = reinterpret_cast<WNDPROC>(GetPropA(window, PROPERTY_SCREEN_PARENT_PROC));
    if (message == WM_NCDESTROY) {
        RemovePropA(window, PROPERTY_SCREEN_PARENT_PROC);
        RemovePropA(window, PROPERTY_SCREEN_HOOKED);
    }
    if (!old_proc) return DefWindowProcA(window, message, wparam, lparam);
    return CallWindowProcA(old_proc, window, message, wparam, lparam);
}

int32_t Fail() {
    Objects_FreeAll(Screen.sprites);
    return 0;
}

}  // namespace

void Screen_SizeChild(void) {
    if (!Screen.auto_size || !Screen.child_window) return;
    RECT client;
    GetClientRect(Screen.parent_window, &client);
    SetWindowPos(Screen.child_window, nullptr, 0, 0,
                 client.right - Screen.right_margin - Screen.left,
                 client.bottom - Screen.bottom_margin - Screen.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER);
}

int32_t Screen_OpenWindowed(HWND parent, int32_t left, int32_t top, int32_t width, int32_t height,
                            int32_t auto_size, int32_t right_margin, int32_t bottom_margin) {
    Screen_Close();
    if (!parent) return Fail();
    // Without a started library there is no Direct3D object to make a device with.
    if (!Screen.direct3d) return Fail();

    Screen.target = SCREEN_TARGET_BACK_BUFFER;
    Screen.left = left;
    Screen.top = top;
    Screen.auto_size = auto_size;
    Screen.right_margin = right_margin;
    Screen.bottom_margin = bottom_margin;
    Screen.windowed = 1;
    Screen.parent_window = parent;
    Screen.screen_width = Screen.target_width = width;
    Screen.screen_height = Screen.target_height = height;
    Screen.depth = 0;

    Screen.child_window =
        CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, left, top, width, height, parent,
                        nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!Screen.child_window) return Fail();
    Screen_SizeChild();
    Screen.child_old_proc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        Screen.child_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ChildHook)));

    D3DDISPLAYMODE mode = {};
    if (Screen.direct3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode) != D3D_OK) return Fail();
    D3DPRESENT_PARAMETERS& p = Screen.present_params;
    p = D3DPRESENT_PARAMETERS{};
    p.BackBufferWidth = UINT(width);
    p.BackBufferHeight = UINT(height);
    p.BackBufferFormat = mode.Format;
    p.BackBufferCount = 1;
    p.MultiSampleType = D3DMULTISAMPLE_NONE;
    p.MultiSampleQuality = 0;
    p.SwapEffect = D3DSWAPEFFECT_COPY;
    p.hDeviceWindow = Screen.child_window;
    p.Windowed = TRUE;
    p.EnableAutoDepthStencil = FALSE;
    p.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    p.FullScreen_RefreshRateInHz = 0;
    p.PresentationInterval = D3DPRESENT_INTERVAL_ONE;

    D3DCAPS9 caps;
    if (Screen.direct3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps) != D3D_OK)
        return Fail();
    DWORD behaviour = D3DCREATE_FPU_PRESERVE | ((caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)
                                                    ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                                    : D3DCREATE_SOFTWARE_VERTEXPROCESSING);
    if (Screen.direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, Screen.child_window,
                                      behaviour, &p, &Screen.device) != D3D_OK) {
        Screen.device = nullptr;
        return Fail();
    }
    Screen.pixel_format = PixelFormatOf(p.BackBufferFormat, Screen.pixel_format);
    Screen.depth = DepthOf(p.BackBufferFormat);
    Screen.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &Screen.back_buffer);
    Screen.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 0.0f, 0);

    if (!GetPropA(parent, PROPERTY_SCREEN_HOOKED)) {
        // The procedure is kept before the hook goes in: a parent whose procedure could
        // not be kept stays unhooked (its screen then does not follow its size) rather
        // than lose its own procedure.
        auto old_proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(parent, GWLP_WNDPROC));
        if (old_proc &&
            SetPropA(parent, PROPERTY_SCREEN_PARENT_PROC, reinterpret_cast<HANDLE>(old_proc))) {
            Screen.parent_old_proc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ParentHook)));
            SetPropA(parent, PROPERTY_SCREEN_HOOKED, reinterpret_cast<HANDLE>(1));
        }
    }

    D3DDISPLAYMODE current = {};
    Screen.direct3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &current);
    Screen.refresh_rate = current.RefreshRate;

    Screen.device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    Screen.device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    Screen.device->SetSoftwareVertexProcessing(FALSE);
    Screen.device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    Screen.device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    Screen.device->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, FALSE);

    Screen.screen_open = 1;
    Screen.device_ok = 1;
    return 1;
}
