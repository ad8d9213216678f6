// The platform's clock source, which the headless host's virtual clock plugs into, and
// argument checks that Windows does not make.
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

// Windows checks only that a TLS index is in range; ours also refuses one that was freed.
TEST(Tls, AFreedIndexIsRefused) {
    DWORD index = TlsAlloc();
    ASSERT_NE(index, TLS_OUT_OF_INDEXES);
    int a = 0;
    EXPECT_TRUE(TlsFree(index));
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(TlsGetValue(index), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(TlsSetValue(index, &a));
}

// Windows reads the state without looking (a null one faults there); ours refuses it
// without running the routine.
TEST(InitOnce, ANullStateFailsWithoutRunningTheRoutine) {
    int calls = 0;
    auto count = [](PINIT_ONCE, PVOID parameter, PVOID*) -> BOOL {
        ++*static_cast<int*>(parameter);
        return TRUE;
    };
    EXPECT_FALSE(InitOnceExecuteOnce(nullptr, count, &calls, nullptr));
    EXPECT_EQ(calls, 0);
}

}  // namespace
