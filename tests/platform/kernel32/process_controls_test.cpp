// The platform's clock source, which the headless host's virtual clock plugs into.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform_clock.h"

namespace {

TEST(Clock, AnInstalledSourceDrivesTickCountAndSleep) {
    static uint64_t now = 1000;
    zv::ClockSource virtual_clock{[](void*) { return now; }, [](void*, uint32_t ms) { now += ms; },
                                  nullptr};
    zv::SetClockSource(&virtual_clock);
    EXPECT_EQ(GetTickCount(), 1000u);
    Sleep(16);
    EXPECT_EQ(GetTickCount(), 1016u);
    zv::SetClockSource(nullptr);
    DWORD t0 = GetTickCount();
    Sleep(20);
    EXPECT_GE(GetTickCount() - t0, 19u);
}

}  // namespace
