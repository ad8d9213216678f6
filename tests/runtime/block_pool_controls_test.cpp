// Block pools under forced allocation failures, and one-time initialisation, with and
// without InitOnceExecuteOnce, under several threads.
#include "runtime/block_pool.h"

#include <atomic>
#include <thread>
#include <vector>

#include "runtime_controls_support.h"

namespace {

using PoolTest = RuntimeControlsTest;

TEST_F(PoolTest, AllocationFailuresGiveNoneAndLeaveThePoolUnchanged) {
    size_t blocks = RuntimeBlocks();
    zv_test::FailAllocationsAfter(0, RuntimeHeap);
    EXPECT_EQ(Pool_Create(16, 16, 256, 0), nullptr);
    EXPECT_EQ(Pool_Create(16, 16, 256, POOL_SHARED), nullptr);
    zv_test::FailAllocationsAfter(1, RuntimeHeap);  // registry entry yes, pool no
    EXPECT_EQ(Pool_Create(16, 16, 256, POOL_SHARED), nullptr);
    zv_test::ClearAllocationFailures();
    EXPECT_EQ(RuntimeBlocks(), blocks);
    BlockPool* shared = Pool_Create(16, 16, 256, POOL_SHARED);
    EXPECT_EQ(shared->shared_entry->reference_count, 1);

    BlockPool* pool = Pool_Create(16, 16, 256, 0);
    zv_test::FailAllocationsAfter(0, RuntimeHeap);
    EXPECT_EQ(Pool_Alloc(pool), nullptr);
    EXPECT_EQ(pool->total_blocks, 0);
    zv_test::ClearAllocationFailures();
    Pool_Destroy(pool);
    Pool_Destroy(shared);
    EXPECT_EQ(RuntimeBlocks(), blocks);
}

int g_once_calls;
void CountOnce() {
    ++g_once_calls;
}

TEST(OnceTest, RunsOnceWithOrWithoutInitOnceExecuteOnce) {
    zv_test::Kernel32Reset reset;
    const int loads = zv_test::ModuleLoadCount("kernel32.dll");
    for (bool hidden : {false, true}) {
        zv_test::HideExport("kernel32.dll", "InitOnceExecuteOnce", hidden);
        OnceState state = ONCE_STATE_INIT;
        g_once_calls = 0;
        Once_Execute(&state, CountOnce);
        Once_Execute(&state, CountOnce);
        EXPECT_EQ(g_once_calls, 1) << hidden;
        EXPECT_EQ(zv_test::ModuleLoadCount("kernel32.dll"), loads) << "unloaded after each call";
        // A state done one way reads as done the other way.
        zv_test::HideExport("kernel32.dll", "InitOnceExecuteOnce", !hidden);
        Once_Execute(&state, CountOnce);
        EXPECT_EQ(g_once_calls, 1) << hidden;
    }
    Once_Execute(nullptr, CountOnce);
}

std::atomic<int> g_runs;
std::atomic<bool> g_routine_finished;

void SlowRoutine() {
    ++g_runs;
    Sleep(20);  // long enough for every other thread to arrive and wait
    g_routine_finished = true;
}

TEST(OnceThreadsTest, EveryThreadReturnsAfterTheOneRun) {
    zv_test::Kernel32Reset reset;
    for (bool hidden : {false, true}) {
        zv_test::HideExport("kernel32.dll", "InitOnceExecuteOnce", hidden);
        OnceState state = ONCE_STATE_INIT;
        g_runs = 0;
        g_routine_finished = false;
        std::atomic<int> saw_unfinished{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 8; ++t) {
            threads.emplace_back([&] {
                Once_Execute(&state, SlowRoutine);
                if (!g_routine_finished) ++saw_unfinished;
            });
        }
        for (auto& thread : threads)
            thread.join();
        EXPECT_EQ(g_runs, 1) << hidden;
        EXPECT_EQ(saw_unfinished, 0) << hidden;
    }
}

}  // namespace
