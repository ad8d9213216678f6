// One-time initialisation: an argument check that Windows does not make.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

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
