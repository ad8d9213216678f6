// Critical sections and one-time initialisation.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(CriticalSection, IsRecursiveAndExcludesOtherThreads) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs);  // the owner may enter again
    std::atomic<int> other_got_it{-1};
    std::thread([&] { other_got_it = TryEnterCriticalSection(&cs); }).join();
    EXPECT_EQ(other_got_it, 0);
    LeaveCriticalSection(&cs);
    LeaveCriticalSection(&cs);

    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                EnterCriticalSection(&cs);
                ++counter;
                LeaveCriticalSection(&cs);
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(counter, 80000);
    DeleteCriticalSection(&cs);
}

BOOL WINAPI CountingInit(PINIT_ONCE, PVOID parameter, PVOID* context) {
    auto* calls = static_cast<std::atomic<int>*>(parameter);
    // Stay in the routine a while so that other threads really wait for it.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ++*calls;
    *context = reinterpret_cast<PVOID>(0x1230);
    return TRUE;
}

TEST(InitOnce, RunsTheRoutineOnceAndEveryCallingThreadSeesItFinished) {
    INIT_ONCE once = INIT_ONCE_STATIC_INIT;
    std::atomic<int> calls{0};
    std::atomic<int> saw_unfinished{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            PVOID context = nullptr;
            EXPECT_TRUE(InitOnceExecuteOnce(&once, CountingInit, &calls, &context));
            if (calls.load() != 1) ++saw_unfinished;
            EXPECT_EQ(context, reinterpret_cast<PVOID>(0x1230));
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(saw_unfinished, 0);
    EXPECT_TRUE(InitOnceExecuteOnce(&once, CountingInit, &calls, nullptr));
    EXPECT_EQ(calls, 1);
}

BOOL WINAPI FailingInit(PINIT_ONCE, PVOID parameter, PVOID*) {
    ++*static_cast<int*>(parameter);
    return FALSE;
}

TEST(InitOnce, AFailedRoutineLetsTheNextCallTryAgain) {
    INIT_ONCE once = INIT_ONCE_STATIC_INIT;
    int calls = 0;
    EXPECT_FALSE(InitOnceExecuteOnce(&once, FailingInit, &calls, nullptr));
    EXPECT_FALSE(InitOnceExecuteOnce(&once, FailingInit, &calls, nullptr));
    EXPECT_EQ(calls, 2);
}

}  // namespace
