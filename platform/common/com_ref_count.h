// The reference count of a COM object of the platform, and its QueryInterface. A release
// of an object whose count is already 0 changes nothing, so a caller's extra Release cannot
// free it twice.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>

namespace zv {

inline constexpr GUID kIID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Whether an object that answers to IUnknown and `iids` answers to riid.
template <size_t N>
bool AnswersTo(REFIID riid, const GUID (&iids)[N]) {
    if (riid == kIID_IUnknown) return true;
    for (const GUID& iid : iids)
        if (riid == iid) return true;
    return false;
}

// QueryInterface of an object with one interface pointer, `self`, handed out (with a
// reference) for IUnknown and `iids`: E_POINTER without a place for it, E_NOINTERFACE with
// the place cleared for any other identifier.
template <class Interface, size_t N>
HRESULT QueryOwnInterface(Interface* self, REFIID riid, void** object, const GUID (&iids)[N]) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!AnswersTo(riid, iids)) return E_NOINTERFACE;
    self->AddRef();
    *object = self;
    return S_OK;
}

class ComRefCount {
  public:
    explicit ComRefCount(ULONG initial = 1) : refs_(initial) {}

    ULONG Add() { return refs_.fetch_add(1) + 1; }

    // Lowers the count and returns what is left; *last tells whether this release took it
    // from 1 to 0, when the object must go.
    ULONG Release(bool* last) {
        ULONG r = refs_.load();
        do {
            if (r == 0) {
                *last = false;
                return 0;
            }
        } while (!refs_.compare_exchange_weak(r, r - 1));
        *last = r == 1;
        return r - 1;
    }

    // Release of an object that goes with its last reference: deletes `self` then. Only
    // the returned count may be used afterwards.
    template <class T>
    ULONG ReleaseAndDelete(T* self) {
        bool last;
        ULONG left = Release(&last);
        if (last) delete self;
        return left;
    }

    ULONG Count() const { return refs_.load(); }

  private:
    std::atomic<ULONG> refs_;
};

}  // namespace zv
