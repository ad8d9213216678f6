// IUnknown, the root of every COM interface, as the Windows SDK declares it for C++:
// an abstract class whose virtual functions sit in the SDK's vtable order.
#pragma once

#include "guiddef.h"

#define STDMETHODCALLTYPE
#define STDMETHODIMP HRESULT STDMETHODCALLTYPE
#define STDMETHODIMP_(type) type STDMETHODCALLTYPE

#ifdef __cplusplus
struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

  protected:
    ~IUnknown() = default;
};
typedef IUnknown* LPUNKNOWN;
#endif
