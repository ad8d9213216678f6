// winuser: declared by the platform library that implements it.
#pragma once

#include "windef.h"
#include "winbase.h"

#ifdef __cplusplus
extern "C" {
#endif

// ---- Painting with GDI (implemented by the gdi32 library) ------------------------------------
// The gdi32 library owns the declarations between these markers.
// BEGIN gdi32 block
typedef struct _ICONINFO {
    BOOL fIcon;
    DWORD xHotspot;
    DWORD yHotspot;
    HBITMAP hbmMask;
    HBITMAP hbmColor;
} ICONINFO, *PICONINFO;

#define DI_MASK 0x0001
#define DI_IMAGE 0x0002
#define DI_NORMAL 0x0003
#define DI_COMPAT 0x0004
#define DI_DEFAULTSIZE 0x0008

int WINAPI FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
HDC WINAPI GetDC(HWND hwnd);
int WINAPI ReleaseDC(HWND hwnd, HDC hdc);
HICON WINAPI CreateIconIndirect(PICONINFO info);
BOOL WINAPI DestroyIcon(HICON icon);
BOOL WINAPI DrawIconEx(HDC hdc, int x, int y, HICON icon, int width, int height, UINT step,
                       HBRUSH flicker_free_brush, UINT flags);
// END gdi32 block

#ifdef __cplusplus
}
#endif
