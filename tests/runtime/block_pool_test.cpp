// Block pools: slot sizes, chunks made and given back, shared pools, a long random
// sequence checked against a model, and one locked pool under several threads.
#include "runtime/block_pool.h"

#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <list>
#include <mutex>
#include <random>
#include <thread>
#include <unordered_set>
#include <vector>

#include "runtime_test_support.h"

namespace {

using PoolTest = RuntimeTest;

TEST(PoolSlotSizeTest, BlockPlusOnePointerRoundedUpToAPointer) {
    const int32_t header = sizeof(void*);
    for (int32_t block : {0, 1, 5, 7, 8, 28, 32, 33, 100}) {
        int32_t slot = Pool_SlotSize(block);
        EXPECT_EQ(slot % header, 0) << block;
        EXPECT_GE(slot, block + header) << block;
        EXPECT_LT(slot, block + 2 * header) << block;
    }
    if (sizeof(void*) == 4) {
        EXPECT_EQ(Pool_SlotSize(28), 32);
        EXPECT_EQ(Pool_SlotSize(5), 12);
    } else {
        EXPECT_EQ(Pool_SlotSize(28), 40);
        EXPECT_EQ(Pool_SlotSize(5), 16);
    }
    EXPECT_EQ(Pool_SlotSize(-1), 0);
    EXPECT_EQ(Pool_SlotSize(0x7FFFFFFF), 0);
}

TEST_F(PoolTest, ChunksOfSixteenAreMadeOnlyWhenTheLastOneIsFull) {
    BlockPool* pool = Pool_Create(28, 16, 256, 0);
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(pool->slot_size, Pool_SlotSize(28));
    EXPECT_EQ(pool->locked, 0);
    size_t blocks = RuntimeBlocks();
    std::vector<char*> got;
    got.push_back(static_cast<char*>(Pool_Alloc(pool)));
    EXPECT_EQ(pool->total_blocks, 16);
    EXPECT_EQ(RuntimeBlocks(), blocks + 1);
    for (int i = 1; i < 16; ++i) {
        got.push_back(static_cast<char*>(Pool_Alloc(pool)));
        // Never-used slots are handed out in order.
        EXPECT_EQ(got[i] - got[i - 1], pool->slot_size);
    }
    EXPECT_EQ(RuntimeBlocks(), blocks + 1);
    EXPECT_EQ(pool->available_chunks, nullptr);
    EXPECT_NE(pool->full_chunks, nullptr);
    got.push_back(static_cast<char*>(Pool_Alloc(pool)));
    EXPECT_EQ(pool->total_blocks, 32);
    EXPECT_EQ(RuntimeBlocks(), blocks + 2);
    Pool_Destroy(pool);
    EXPECT_EQ(RuntimeBlocks(), blocks - 1);
}

TEST_F(PoolTest, ChunkCapacityGrowsWithOneSixteenthOfThePool) {
    BlockPool* pool = Pool_Create(4, 16, 40, 0);
    std::vector<int32_t> capacities;
    int32_t total = 0;
    while (total < 1100) {
        ASSERT_NE(Pool_Alloc(pool), nullptr);
        if (pool->total_blocks != total) {
            capacities.push_back(pool->total_blocks - total);
            total = pool->total_blocks;
        }
    }
    // 16 while below 512 blocks (32 chunks), then 32 at 512 blocks; clamped to 40 from 768.
    ASSERT_GE(capacities.size(), 44u);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(capacities[i], 16) << i;
    for (int i = 32; i < 40; ++i)
        EXPECT_EQ(capacities[i], 32) << i;
    EXPECT_EQ(capacities[40], 40);
    Pool_Destroy(pool);
}

TEST_F(PoolTest, AChunkGoesBackAsSoonAsItsLastBlockReturns) {
    BlockPool* pool = Pool_Create(16, 16, 256, 0);
    std::vector<void*> first, second;
    for (int i = 0; i < 16; ++i)
        first.push_back(Pool_Alloc(pool));
    for (int i = 0; i < 5; ++i)
        second.push_back(Pool_Alloc(pool));
    size_t blocks = RuntimeBlocks();
    for (void* block : first)
        Pool_Free(pool, block);
    EXPECT_EQ(pool->total_blocks, 16);
    EXPECT_EQ(RuntimeBlocks(), blocks - 1);
    EXPECT_EQ(pool->full_chunks, nullptr);
    for (void* block : second)
        Pool_Free(pool, block);
    EXPECT_EQ(pool->total_blocks, 0);
    EXPECT_EQ(pool->available_chunks, nullptr);
    EXPECT_EQ(RuntimeBlocks(), blocks - 2);
    Pool_Destroy(pool);
}

TEST_F(PoolTest, AFreedBlockIsReusedFirst) {
    BlockPool* pool = Pool_Create(16, 16, 256, 0);
    std::vector<void*> blocks;
    for (int i = 0; i < 20; ++i)
        blocks.push_back(Pool_Alloc(pool));
    // Freeing one block of the full first chunk makes it the head of the available list.
    Pool_Free(pool, blocks[3]);
    EXPECT_EQ(Pool_Alloc(pool), blocks[3]);
    Pool_Free(pool, blocks[18]);
    Pool_Free(pool, blocks[17]);
    EXPECT_EQ(Pool_Alloc(pool), blocks[17]);
    EXPECT_EQ(Pool_Alloc(pool), blocks[18]);
    Pool_Clear(pool);
    EXPECT_EQ(pool->total_blocks, 0);
    EXPECT_EQ(pool->available_chunks, nullptr);
    EXPECT_EQ(pool->full_chunks, nullptr);
    EXPECT_NE(Pool_Alloc(pool), nullptr);  // usable after a clear
    Pool_Destroy(pool);
}

TEST_F(PoolTest, OneSlotChunksLiveOnTheFullList) {
    BlockPool* pool = Pool_Create(8, 1, 1, 0);
    void* a = Pool_Alloc(pool);
    void* b = Pool_Alloc(pool);
    EXPECT_EQ(pool->available_chunks, nullptr);
    EXPECT_EQ(pool->total_blocks, 2);
    size_t blocks = RuntimeBlocks();
    Pool_Free(pool, a);
    EXPECT_EQ(RuntimeBlocks(), blocks - 1);
    Pool_Free(pool, b);
    EXPECT_EQ(pool->full_chunks, nullptr);
    EXPECT_EQ(pool->total_blocks, 0);
    Pool_Destroy(pool);
}

TEST_F(PoolTest, SharedPoolsAreSharedByReference) {
    size_t blocks = RuntimeBlocks();
    BlockPool* a = Pool_Create(28, 16, 256, POOL_SHARED);
    BlockPool* b = Pool_Create(28, 16, 256, POOL_SHARED);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    ASSERT_NE(a->shared_entry, nullptr);
    EXPECT_EQ(a->shared_entry->reference_count, 2);
    EXPECT_EQ(a->shared_entry->flags, POOL_SHARED);
    // Same slot size, other flags: another pool. Same flags, slot size rounded alike: same.
    BlockPool* locked = Pool_Create(28, 16, 256, POOL_SHARED | POOL_LOCKED);
    EXPECT_NE(locked, a);
    EXPECT_EQ(locked->locked, 1);
    EXPECT_EQ(Pool_Create(Pool_SlotSize(28) - (int32_t)sizeof(void*), 16, 256, POOL_SHARED), a);
    Pool_Destroy(a);  // third reference from the line above
    ASSERT_NE(Pool_Alloc(a), nullptr);
    Pool_Destroy(a);
    EXPECT_EQ(a->shared_entry->reference_count, 1);
    EXPECT_EQ(a->total_blocks, 16);
    Pool_Destroy(b);
    Pool_Destroy(locked);
    EXPECT_EQ(RuntimeBlocks(), blocks);
}

TEST_F(PoolTest, BadArgumentsAndNullPoolsFailCleanly) {
    EXPECT_EQ(Pool_Create(-1, 16, 256, 0), nullptr);
    EXPECT_EQ(Pool_Create(16, 0, 256, 0), nullptr);
    EXPECT_EQ(Pool_Create(16, 32, 16, 0), nullptr);
    EXPECT_EQ(Pool_Create(0x7FFFFFFF, 16, 256, POOL_SHARED), nullptr);
    EXPECT_EQ(Pool_Alloc(nullptr), nullptr);
    Pool_Free(nullptr, nullptr);
    Pool_Clear(nullptr);
    Pool_Destroy(nullptr);
    BlockPool* pool = Pool_Create(16, 16, 256, 0);
    Pool_Free(pool, nullptr);
    EXPECT_EQ(pool->total_blocks, 0);
    Pool_Destroy(pool);
}

TEST_F(PoolTest, AChunkTooLargeForTheHeapFallsBackToOneSlot) {
    // 8192 slots of a megabyte cannot be had; one can.
    BlockPool* pool = Pool_Create(1 << 20, 8192, 8192, 0);
    void* block = Pool_Alloc(pool);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(pool->total_blocks, 1);
    EXPECT_NE(pool->full_chunks, nullptr);
    Pool_Free(pool, block);
    EXPECT_EQ(pool->total_blocks, 0);
    Pool_Destroy(pool);
}

struct PoolVariant {
    int32_t block_size;
    int32_t minimum;
    int32_t maximum;
    int32_t flags;
    int steps;
    int peak;  // blocks the random walk swings up to
};

class PoolModelTest : public RuntimeTest, public ::testing::WithParamInterface<PoolVariant> {};

// The pool's chunks, modelled slot by slot: every Pool_Alloc must return exactly the slot the
// rules predict, every block must keep what was written into it, and the heap must hold
// exactly the chunks the model holds.
TEST_P(PoolModelTest, RandomOperationsMatchTheModel) {
    const PoolVariant v = GetParam();
    const size_t base_blocks = RuntimeBlocks();
    BlockPool* pool = Pool_Create(v.block_size, v.minimum, v.maximum, v.flags);
    ASSERT_NE(pool, nullptr);
    BlockPool* second_reference = nullptr;
    if (v.flags & POOL_SHARED) {
        second_reference = Pool_Create(v.block_size, v.minimum, v.maximum, v.flags);
        ASSERT_EQ(second_reference, pool);
    }
    const size_t pool_blocks = RuntimeBlocks() - base_blocks;
    const int32_t slot = pool->slot_size;

    struct Chunk {
        char* first_slot = nullptr;  // learnt from the chunk's first block
        int32_t capacity = 0;
        int32_t handed_out = 0;
        std::vector<int32_t> free_slots;  // top = most recently freed
        bool full = false;
    };
    std::list<Chunk> chunks;             // owns the chunks
    std::deque<Chunk*> available, full;  // front = head
    int32_t total = 0;
    struct Live {
        unsigned char* block;
        Chunk* chunk;
        int32_t index;
        uint32_t tag;
    };
    std::vector<Live> live;
    const size_t tag_bytes = std::min<size_t>((size_t)v.block_size, 8);
    auto fill = [&](unsigned char* block, uint32_t tag) {
        for (size_t i = 0; i < tag_bytes; ++i)
            block[i] = (unsigned char)(tag >> (i % 4 * 8));
    };
    auto intact = [&](const unsigned char* block, uint32_t tag) {
        for (size_t i = 0; i < tag_bytes; ++i)
            if (block[i] != (unsigned char)(tag >> (i % 4 * 8))) return false;
        return true;
    };
    auto remove_from = [](std::deque<Chunk*>& list, Chunk* chunk) {
        list.erase(std::find(list.begin(), list.end(), chunk));
    };

    std::mt19937 rng(v.block_size * 31 + v.minimum + v.flags);
    uint32_t next_tag = 1;
    int target = v.peak;
    for (int step = 0; step < v.steps; ++step) {
        if (step % 5000 == 0) target = 1 + (int)(rng() % (uint32_t)v.peak);
        bool grow = live.empty() || (rng() % 100) < ((int)live.size() < target ? 60u : 40u);
        if (grow) {
            // What the rules predict.
            Chunk* chunk;
            int32_t index;
            if (!available.empty()) {
                chunk = available.front();
                if (!chunk->free_slots.empty()) {
                    index = chunk->free_slots.back();
                    chunk->free_slots.pop_back();
                } else {
                    index = chunk->handed_out++;
                }
                if (chunk->free_slots.empty() && chunk->handed_out >= chunk->capacity) {
                    available.pop_front();
                    full.push_front(chunk);
                }
            } else {
                int32_t n = (total >> 4) & ~15;
                n = n < v.minimum ? v.minimum : n > v.maximum ? v.maximum : n;
                chunks.emplace_back();
                chunk = &chunks.back();
                chunk->capacity = n;
                chunk->handed_out = 1;
                total += n;
                index = 0;
                (n > 1 ? available : full).push_front(chunk);
            }
            auto* block = static_cast<unsigned char*>(Pool_Alloc(pool));
            ASSERT_NE(block, nullptr);
            char* slot_start = (char*)block - sizeof(void*);
            if (!chunk->first_slot) chunk->first_slot = slot_start - (ptrdiff_t)index * slot;
            ASSERT_EQ(slot_start, chunk->first_slot + (ptrdiff_t)index * slot) << "step " << step;
            ASSERT_EQ((uintptr_t)block % sizeof(void*), 0u);
            uint32_t tag = next_tag++;
            fill(block, tag);
            live.push_back({block, chunk, index, tag});
        } else {
            size_t at = rng() % live.size();
            Live gone = live[at];
            live[at] = live.back();
            live.pop_back();
            ASSERT_TRUE(intact(gone.block, gone.tag)) << "step " << step;
            Pool_Free(pool, gone.block);
            Chunk* chunk = gone.chunk;
            bool was_full = chunk->free_slots.empty() && chunk->handed_out >= chunk->capacity;
            chunk->free_slots.push_back(gone.index);
            if ((int32_t)chunk->free_slots.size() == chunk->handed_out) {
                remove_from(was_full ? full : available, chunk);
                total -= chunk->capacity;
                for (auto it = chunks.begin(); it != chunks.end(); ++it)
                    if (&*it == chunk) {
                        chunks.erase(it);
                        break;
                    }
            } else if (was_full) {
                remove_from(full, chunk);
                available.push_front(chunk);
            }
        }
        ASSERT_EQ(pool->total_blocks, total) << "step " << step;
        ASSERT_EQ(RuntimeBlocks(), base_blocks + pool_blocks + chunks.size()) << "step " << step;
        // The hot chunk heads the available list while still linked on the full list.
        const bool hot = pool->hot_chunk != nullptr;
        ASSERT_EQ(pool->available_chunks == nullptr && !hot, available.empty());
        ASSERT_EQ(pool->full_chunks == nullptr, full.empty() && !hot);
        if (hot) {
            ASSERT_EQ((char*)(pool->hot_chunk + 1), available.front()->first_slot);
        }
        // Pool_Alloc's in-line path takes from the head, except in a locked pool.
        if (v.flags & POOL_LOCKED || available.empty())
            ASSERT_EQ(pool->current, nullptr);
        else
            ASSERT_EQ((char*)(pool->current + 1), available.front()->first_slot);
        if (step == v.steps / 2 && second_reference) {
            Pool_Destroy(second_reference);  // one reference goes; the pool stays
            ASSERT_EQ(pool->shared_entry->reference_count, 1);
        }
    }
    for (const Live& l : live)
        ASSERT_TRUE(intact(l.block, l.tag));
    Pool_Clear(pool);
    EXPECT_EQ(pool->total_blocks, 0);
    EXPECT_EQ(RuntimeBlocks(), base_blocks + pool_blocks);
    Pool_Destroy(pool);
    EXPECT_EQ(RuntimeBlocks(), base_blocks);
}

INSTANTIATE_TEST_SUITE_P(
    ChunkSizesAndLocking, PoolModelTest,
    ::testing::Values(PoolVariant{32, 16, 256, 0, 300000, 3000},
                      PoolVariant{28, 16, 65536, POOL_SHARED, 250000, 6000},
                      PoolVariant{5, 16, 256, POOL_LOCKED, 200000, 1500},
                      PoolVariant{40, 16, 256, POOL_SHARED | POOL_LOCKED, 150000, 1500},
                      PoolVariant{8, 1, 1, 2, 60000, 200}, PoolVariant{100, 3, 7, 0, 100000, 400}));

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
