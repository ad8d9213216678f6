#include "runtime/block_pool.h"

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

}  // namespace
