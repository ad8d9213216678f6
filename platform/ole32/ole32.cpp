// OLE32: initialisation and drop-target registration. A registration is a window
// property, as on Windows, and holds a reference to its target until it is revoked; a
// window destroyed without revoking keeps that reference for good, as on Windows. The
// target is not called here: nothing delivers drops.
#include <ole2.h>

namespace {

const char kDropTarget[] = "OleDropTargetInterface";

thread_local int ole_initialised = 0;

}  // namespace

extern "C" {

HRESULT WINAPI OleInitialize(LPVOID) {
    return ole_initialised++ ? S_FALSE : S_OK;
}

void WINAPI OleUninitialize(void) {
    if (ole_initialised > 0) --ole_initialised;
}

HRESULT WINAPI RegisterDragDrop(HWND hwnd, LPDROPTARGET target) {
    if (!target) return E_INVALIDARG;
    if (!IsWindow(hwnd)) return DRAGDROP_E_INVALIDHWND;
    if (!ole_initialised) return E_OUTOFMEMORY;
    if (GetPropA(hwnd, kDropTarget)) return DRAGDROP_E_ALREADYREGISTERED;
    if (!SetPropA(hwnd, kDropTarget, target)) return E_OUTOFMEMORY;
    target->AddRef();
    return S_OK;
}

HRESULT WINAPI RevokeDragDrop(HWND hwnd) {
    if (!IsWindow(hwnd)) return DRAGDROP_E_INVALIDHWND;
    auto* target = static_cast<IDropTarget*>(RemovePropA(hwnd, kDropTarget));
    if (!target) return DRAGDROP_E_NOTREGISTERED;
    target->Release();
    return S_OK;
}

}  // extern "C"
