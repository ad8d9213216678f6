// The map under forced allocation failures.
#include "runtime/string_map.h"

#include <string.h>

#include <set>
#include <string>
#include <vector>

#include "runtime_controls_support.h"
#include "runtime/block_pool.h"

namespace {

class StringMapTest : public RuntimeControlsTest {
  protected:
    void SetUp() override {
        RuntimeControlsTest::SetUp();
        empty_blocks_ = RuntimeBlocks();
    }
    StringMap* New(int32_t value_size = 8, int32_t buckets = 1024, StructLayout layout = nullptr) {
        StringMap* made = Map_New(value_size, 7, layout, &map_, buckets);
        EXPECT_EQ(made, map_);
        return made;
    }
    int32_t* Add(const char* key, int32_t value, int32_t find_first = 0) {
        auto* slot = static_cast<int32_t*>(Map_Add(map_, key, find_first));
        if (slot) *slot = value;
        return slot;
    }
    std::vector<int32_t> Walk() {
        std::vector<int32_t> seen;
        Map_Reset(map_);
        while (void* value = Map_Next(map_))
            seen.push_back(*static_cast<int32_t*>(value));
        return seen;
    }

    StringMap* map_ = nullptr;
    size_t empty_blocks_ = 0;
};

struct Binding {
    char* name;
    void* list;  // array of int32
    int32_t plain;
};
const LayoutWord kBindingLayout[] = {
    offsetof(Binding, name), LAYOUT_ARRAY, offsetof(Binding, list), 4, 3, 21, 0, LAYOUT_END};

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
