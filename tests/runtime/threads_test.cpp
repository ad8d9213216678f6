#include <atomic>
#include <mutex>
#include <thread>
#include <unordered_set>
#include <vector>

#include "runtime/block_pool.h"
#include "runtime_test_support.h"

namespace {

using LockedPoolThreadsTest = RuntimeTest;

TEST_F(LockedPoolThreadsTest, NoBlockIsHandedOutTwice) {
    size_t blocks = RuntimeBlocks();
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    std::mutex live_mutex;
    std::unordered_set<void*> live;
    std::atomic<int> duplicates{0}, corrupted{0}, failures{0};
    // Every thread asks for the pool itself: the shared registry hands them all one pool.
    std::vector<BlockPool*> pools(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            BlockPool* pool = Pool_Create(24, 16, 256, POOL_SHARED | POOL_LOCKED);
            pools[t] = pool;
            if (!pool) {
                ++failures;
                return;
            }
            std::vector<uint64_t*> held;
            uint64_t serial = (uint64_t)t << 40;
            for (int i = 0; i < kRounds; ++i) {
                bool take = held.size() < 8 || (held.size() < 200 && (i * 7 + t) % 3 != 0);
                if (take) {
                    auto* block = static_cast<uint64_t*>(Pool_Alloc(pool));
                    if (!block) {
                        ++failures;
                        continue;
                    }
                    {
                        std::lock_guard<std::mutex> lock(live_mutex);
                        if (!live.insert(block).second) ++duplicates;
                    }
                    block[0] = block[1] = block[2] = ++serial;
                    held.push_back(block);
                } else {
                    size_t at = (size_t)(i * 31 + t) % held.size();
                    uint64_t* block = held[at];
                    held[at] = held.back();
                    held.pop_back();
                    if (block[0] != block[1] || block[1] != block[2]) ++corrupted;
                    {
                        std::lock_guard<std::mutex> lock(live_mutex);
                        live.erase(block);
                    }
                    Pool_Free(pool, block);
                }
            }
            for (uint64_t* block : held) {
                {
                    std::lock_guard<std::mutex> lock(live_mutex);
                    live.erase(block);
                }
                Pool_Free(pool, block);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(duplicates, 0);
    EXPECT_EQ(corrupted, 0);
    EXPECT_EQ(failures, 0);
    for (int t = 1; t < kThreads; ++t)
        EXPECT_EQ(pools[t], pools[0]);
    ASSERT_NE(pools[0], nullptr);
    EXPECT_EQ(pools[0]->locked, 1);
    EXPECT_EQ(pools[0]->total_blocks, 0);
    EXPECT_EQ(pools[0]->shared_entry->reference_count, kThreads);
    for (BlockPool* pool : pools)
        Pool_Destroy(pool);
    EXPECT_EQ(RuntimeBlocks(), blocks);
}

}  // namespace
