// OLE32: drag-and-drop registration, as far as windows revoke it.
#pragma once

#include "windows.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct IDropTarget IDropTarget;
typedef IDropTarget* LPDROPTARGET;

#define DRAGDROP_E_NOTREGISTERED ((HRESULT)0x80040100L)
#define DRAGDROP_E_ALREADYREGISTERED ((HRESULT)0x80040101L)
#define DRAGDROP_E_INVALIDHWND ((HRESULT)0x80040102L)

HRESULT WINAPI RegisterDragDrop(HWND hwnd, LPDROPTARGET target);
HRESULT WINAPI RevokeDragDrop(HWND hwnd);

#ifdef __cplusplus
}
#endif
