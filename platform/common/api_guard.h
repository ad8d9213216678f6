// The failure policy at the edge of every platform library: no C++ exception leaves an API
// call.
//
// Inside the platform, running short of memory throws (std::bad_alloc from new and from
// the containers). Each entry point that can reach an allocation runs its body through
// Guarded, which turns the exception into that call's documented failure: its failure
// result and, for calls that report through the last error, the error Windows sets when
// memory runs out (ERROR_NOT_ENOUGH_MEMORY for USER, GDI and KERNEL; COM methods pass 0 and
// say E_OUTOFMEMORY or D3DERR_OUTOFVIDEOMEMORY in their result alone).
//
// Every exception counts as that failure, not only std::bad_alloc: what else the platform
// can throw (std::length_error for a size no allocation could hold, std::system_error when
// the system refuses a lock) also means that the call could not get what it needed.
//
// A body must leave its objects as they were when it throws: allocate first, then link
// what it made into shared state, so that a failed call loses nothing and leaks nothing.
// Calls that release (DestroyWindow, DeleteObject, Release) do not allocate at all, so that
// they cannot fail for lack of memory.
#pragma once

#include <windows.h>

namespace zv {

// Sets the last error and returns `result`: a call's failure path in one line.
template <class T>
T Fail(DWORD error, T result) {
    SetLastError(error);
    return result;
}

// Runs body() and returns its result; if it throws, sets the last error to `error` (unless
// 0) and returns `failure`.
template <class R, class Body>
R Guarded(R failure, DWORD error, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        if (error) SetLastError(error);
        return failure;
    }
}

// The same for calls without a result: a body that throws ends the call.
template <class Body>
void Guarded(DWORD error, Body&& body) noexcept {
    try {
        body();
    } catch (...) {
        if (error) SetLastError(error);
    }
}

}  // namespace zv
