// The map under forced allocation failures.
#include "runtime/string_map.h"

#include <string.h>

#include <set>
#include <string>
#include <vector>

#include "runtime_controls_support.h"
#include "string_map_support.h"
#include "runtime/block_pool.h"

namespace {

using StringMapTest = StringMapFixture<RuntimeControlsTest>;

TEST_F(StringMapTest, AllocationFailuresLeaveNothingBehind) {
    for (size_t successes = 0; successes < 5; ++successes) {
        zv_test::FailAllocationsAfter(successes, RuntimeHeap);
        StringMap* local = nullptr;
        EXPECT_EQ(Map_New(8, 0, nullptr, &local, 16), nullptr) << successes;
        EXPECT_EQ(local, nullptr);
        zv_test::ClearAllocationFailures();
        EXPECT_EQ(RuntimeBlocks(), empty_blocks_) << successes;
    }

    New(8, 16);
    Add("present", 1);
    size_t blocks = RuntimeBlocks();
    MapElement* cursor = map_->current;
    // The chunk still has room, so only the key copy needs the heap, and fails.
    zv_test::FailAllocationsAfter(0, RuntimeHeap);
    EXPECT_EQ(Map_Add(map_, "key copy fails", 0), nullptr);
    EXPECT_EQ(map_->element_count, 1);
    EXPECT_EQ(map_->current, cursor);
    zv_test::ClearAllocationFailures();
    EXPECT_EQ(RuntimeBlocks(), blocks);
    EXPECT_EQ(Walk(), std::vector<int32_t>{1});

    // An empty pool needs a chunk for the first element.
    Map_Clear(map_);
    zv_test::FailAllocationsAfter(0, RuntimeHeap);
    EXPECT_EQ(Map_Add(map_, "no chunk", 0), nullptr);
    EXPECT_EQ(map_->element_count, 0);
    zv_test::ClearAllocationFailures();
}

}  // namespace
