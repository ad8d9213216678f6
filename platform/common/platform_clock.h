// The clock behind GetTickCount and Sleep. By default the steady system clock; the
// headless host installs a virtual clock for tests, so that waits cost no real time.
#pragma once

#include <cstdint>

namespace zv {

struct ClockSource {
    uint64_t (*now_ms)(void* context);             // milliseconds since an arbitrary origin
    void (*sleep_ms)(void* context, uint32_t ms);  // waits until now_ms has advanced by ms
    void* context;
};

// Installs a clock (nullptr restores the steady system clock).
void SetClockSource(const ClockSource* source);

// The steady system clock, in milliseconds, whatever source is installed.
uint64_t SystemClockMs();

}  // namespace zv
