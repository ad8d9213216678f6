// OLE32: initialisation and drag-and-drop registration, as far as windows register for
// dropped data and revoke it.
#pragma once

#include "unknwn.h"
#include "windows.h"

#ifdef __cplusplus
struct IDataObject;

// A window's drop target. Registration holds a reference to it until it is revoked.
struct IDropTarget : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD key_state, POINTL point,
                                                DWORD* effect) = 0;
    virtual HRESULT STDMETHODCALLTYPE DragOver(DWORD key_state, POINTL point, DWORD* effect) = 0;
    virtual HRESULT STDMETHODCALLTYPE DragLeave() = 0;
    virtual HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD key_state, POINTL point,
                                           DWORD* effect) = 0;

  protected:
    ~IDropTarget() = default;
};
#else
typedef struct IDropTarget IDropTarget;
#endif
typedef IDropTarget* LPDROPTARGET;

#ifdef __cplusplus
extern "C" {
#endif

#define DRAGDROP_E_NOTREGISTERED ((HRESULT)0x80040100L)
#define DRAGDROP_E_ALREADYREGISTERED ((HRESULT)0x80040101L)
#define DRAGDROP_E_INVALIDHWND ((HRESULT)0x80040102L)

// Per thread, counted: the first call gives S_OK, later ones S_FALSE; each successful
// call wants an OleUninitialize.
HRESULT WINAPI OleInitialize(LPVOID reserved);
void WINAPI OleUninitialize(void);

// RegisterDragDrop needs OLE initialised on the calling thread (E_OUTOFMEMORY otherwise)
// and adds a reference to the target; RevokeDragDrop releases it.
HRESULT WINAPI RegisterDragDrop(HWND hwnd, LPDROPTARGET target);
HRESULT WINAPI RevokeDragDrop(HWND hwnd);

#ifdef __cplusplus
}
#endif
