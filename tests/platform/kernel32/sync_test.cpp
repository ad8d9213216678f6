// Critical sections, one-time initialisation, TLS, the last error, the process.
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

TEST(Tls, ValuesArePerThreadAndAFreedIndexReadsZero) {
    DWORD index = TlsAlloc();
    ASSERT_NE(index, TLS_OUT_OF_INDEXES);
    int a = 0, b = 0;
    EXPECT_TRUE(TlsSetValue(index, &a));
    std::thread([&] {
        SetLastError(0xDEADBEEF);
        EXPECT_EQ(TlsGetValue(index), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
        TlsSetValue(index, &b);
        EXPECT_EQ(TlsGetValue(index), &b);
    }).join();
    EXPECT_EQ(TlsGetValue(index), &a);
    EXPECT_TRUE(TlsFree(index));
    EXPECT_FALSE(TlsFree(index));
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(TlsSetValue(100000, &a));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    // The index may come back; its old value must not.
    DWORD again = TlsAlloc();
    if (again == index) {
        EXPECT_EQ(TlsGetValue(again), nullptr);
    }
    TlsFree(again);
}

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
