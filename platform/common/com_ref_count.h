// The reference count of a COM object of the platform. A release of an object whose
// count is already 0 changes nothing, so a caller's extra Release cannot free it twice.
#pragma once

#include <windows.h>

#include <atomic>

namespace zv {

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

    ULONG Count() const { return refs_.load(); }

  private:
    std::atomic<ULONG> refs_;
};

}  // namespace zv
