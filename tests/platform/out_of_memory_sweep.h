// The sweep that the out-of-memory tests run over one call: the call runs with its first,
// second, ... allocation refused and then once with none refused, each time with a
// sentinel in the last error, and every run is checked with what the call returned and
// the last error it left.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <zorvane_test/new_failures.h>

#include <cstddef>
#include <type_traits>

namespace zv_oom {

// Put in the last error before each run, so that a call which fails without setting one
// shows.
constexpr DWORD kSentinel = 0xDEADBEEF;

template <class T>
struct Sweep {
    T result{};       // the last run's, the one in which nothing was refused
    size_t runs = 0;  // how many runs there were
};

// Runs `call` through every allocation failure; after each run, with allocations back on,
// `check(refused, result, error)` sees whether that run had one refused, what the call
// returned and its last error.
template <class Call, class Check>
auto SweepCalls(Call&& call, Check&& check) {
    using Result = std::invoke_result_t<Call&>;
    Sweep<Result> sweep;
    DWORD error = 0;
    sweep.runs = zv_test::ForEachAllocationFailure(
        [&] {
            SetLastError(kSentinel);
            sweep.result = call();
            error = GetLastError();
        },
        [&](bool refused) { check(refused, static_cast<const Result&>(sweep.result), error); });
    return sweep;
}

// The usual sweep: each run that had an allocation refused gives `failure` with
// ERROR_NOT_ENOUGH_MEMORY, and `unchanged()` checks that it left nothing behind.
template <class Call, class Unchanged>
auto SweepFailures(Call&& call, std::invoke_result_t<Call&> failure, Unchanged&& unchanged) {
    return SweepCalls(call, [&](bool refused, const auto& result, DWORD error) {
        if (!refused) return;
        EXPECT_EQ(result, failure);
        EXPECT_EQ(error, DWORD(ERROR_NOT_ENOUGH_MEMORY));
        unchanged();
    });
}

template <class Call>
auto SweepFailures(Call&& call, std::invoke_result_t<Call&> failure) {
    return SweepFailures(call, failure, [] {});
}

}  // namespace zv_oom
