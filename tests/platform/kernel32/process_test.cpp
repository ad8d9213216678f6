// The last error per thread, the process's identifiers, and ExitProcess.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Only spinning between the calls: starting and joining a thread are API calls of their
// own, which may set the last error themselves.
TEST(LastError, IsPerThread) {
    std::atomic<int> stage{0};
    DWORD seen = 0xDEADBEEF;
    std::thread other([&] {
        while (stage.load() != 1) {
        }
        seen = GetLastError();
        SetLastError(7);
        stage = 2;
    });
    SetLastError(5);
    stage = 1;
    while (stage.load() != 2) {
    }
    EXPECT_EQ(GetLastError(), 5u);
    other.join();
    EXPECT_NE(seen, 5u);
}

TEST(Process, IdentifiersAreStableAndDifferPerThread) {
    EXPECT_NE(GetCurrentProcessId(), 0u);
    DWORD main_id = GetCurrentThreadId();
    EXPECT_EQ(GetCurrentThreadId(), main_id);
    DWORD other = 0;
    std::thread([&] { other = GetCurrentThreadId(); }).join();
    EXPECT_NE(other, main_id);
}

TEST(ProcessDeathTest, ExitProcessEndsWithTheCode) {
    EXPECT_EXIT(ExitProcess(3), ::testing::ExitedWithCode(3), "");
}

}  // namespace
