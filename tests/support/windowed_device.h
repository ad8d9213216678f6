// The presentation parameters of a windowed Direct3D 9 device the way the screen asks for
// one: a single lockable back buffer, presented by copy into `window`.
#pragma once

#include <d3d9.h>
#include <windows.h>

namespace zv_support {

inline D3DPRESENT_PARAMETERS WindowedParams(HWND window, UINT width, UINT height, D3DFORMAT format,
                                            UINT interval) {
    D3DPRESENT_PARAMETERS p = {};
    p.BackBufferWidth = width;
    p.BackBufferHeight = height;
    p.BackBufferFormat = format;
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_COPY;
    p.hDeviceWindow = window;
    p.Windowed = TRUE;
    p.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    p.PresentationInterval = interval;
    return p;
}

}  // namespace zv_support
