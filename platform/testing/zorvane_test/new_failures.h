// Test control for the C++ allocations of the platform: makes operator new fail on the
// calling thread, so that a test sees what a call does when memory runs out. Only tests
// include this; its implementation (platform/testing/new_failures.cpp) replaces the global
// operator new and is linked into the Linux-only test programs, never into a program.
//
// The throwing forms then throw std::bad_alloc and the nothrow forms return null, exactly
// as when the system has no memory left. Other threads allocate as usual.
#pragma once

#include <cstddef>

namespace zv_test {

// After `successes` more allocations on this thread, every following one fails, until
// ClearNewFailures.
void FailNewAfter(size_t successes);
// Lets allocations succeed again; returns how many were refused since FailNewAfter.
size_t ClearNewFailures();

// Clears the failures when it goes, so that a failed assertion leaves none armed.
struct NewFailuresOff {
    ~NewFailuresOff() { ClearNewFailures(); }
};

// Runs `call` with allocations failing after 0, 1, 2, ... successes, until a run in which
// none was refused: the call's complete run, which is the last. After each run, with
// allocations back on, `check(refused)` says whether that run had one refused. So a test
// sees the call fail at each allocation it makes in turn, and then succeed.
template <class Call, class Check>
size_t ForEachAllocationFailure(Call&& call, Check&& check, size_t limit = 100000) {
    NewFailuresOff off;  // a call that throws leaves none armed
    size_t runs = 0;
    for (size_t n = 0; n < limit; ++n) {
        FailNewAfter(n);
        call();
        const bool refused = ClearNewFailures() != 0;
        ++runs;
        check(refused);
        if (!refused) break;
    }
    return runs;
}

// What a call gave with every allocation refused, and how many it asked for.
template <class T>
struct WithoutMemory {
    T result;
    size_t refused;
};

// Runs `call` with every allocation refused. A test checks the outcome afterwards, with
// allocations back on: an assertion that fails needs memory to say so.
template <class Call>
auto RunWithoutMemory(Call&& call) -> WithoutMemory<decltype(call())> {
    NewFailuresOff off;
    FailNewAfter(0);
    auto result = call();
    const size_t refused = ClearNewFailures();
    return {result, refused};
}

}  // namespace zv_test
