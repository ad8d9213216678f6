// OLE32: drop-target registration. A registration is a window property, as on Windows,
// so it goes with its window. The target is not called here: nothing delivers drops.
#include <ole2.h>

namespace {
const char kDropTarget[] = "OleDropTargetInterface";
}

extern "C" {

HRESULT WINAPI RegisterDragDrop(HWND hwnd, LPDROPTARGET target) {
    if (!target) return E_INVALIDARG;
    if (!IsWindow(hwnd)) return DRAGDROP_E_INVALIDHWND;
    if (GetPropA(hwnd, kDropTarget)) return DRAGDROP_E_ALREADYREGISTERED;
    SetPropA(hwnd, kDropTarget, target);
    return S_OK;
}

HRESULT WINAPI RevokeDragDrop(HWND hwnd) {
    if (!IsWindow(hwnd)) return DRAGDROP_E_INVALIDHWND;
    if (!RemovePropA(hwnd, kDropTarget)) return DRAGDROP_E_NOTREGISTERED;
    return S_OK;
}

}  // extern "C"
