// Shared between the KERNEL32 source files; not part of any API.
#pragma once

#include <windows.h>

#include <cstddef>

namespace zv::kernel32 {

// The forced-failure switch of the tests: true when this allocation must fail.
bool ShouldFailAllocation(HANDLE heap);

// Sets the last error and returns `result`, for one-line failure paths.
template <class T>
inline T Fail(DWORD error, T result) {
    SetLastError(error);
    return result;
}

}  // namespace zv::kernel32
