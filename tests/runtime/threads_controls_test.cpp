#include <atomic>
#include <mutex>
#include <thread>
#include <unordered_set>
#include <vector>

#include "runtime/block_pool.h"
#include "runtime_controls_support.h"

namespace {

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
