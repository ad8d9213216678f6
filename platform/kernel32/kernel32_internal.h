// Shared between the KERNEL32 source files; not part of any API.
#pragma once

#include <windows.h>

#include <cstddef>

#include "api_guard.h"

namespace zv::kernel32 {

// The forced-failure switch of the tests: true when this allocation must fail.
bool ShouldFailAllocation(HANDLE heap);

using zv::Fail;

// Runs the body of an entry point that can allocate: when memory runs out, the call fails
// with `failure` and ERROR_NOT_ENOUGH_MEMORY (api_guard.h).
template <class R, class Body>
R Guard(R failure, Body&& body) {
    return Guarded(failure, ERROR_NOT_ENOUGH_MEMORY, body);
}

}  // namespace zv::kernel32
