#include "runtime/block_pool.h"
#include "runtime/object_table.h"
#include "heaps_support.h"
#include "runtime_controls_support.h"

namespace {

using GlobalAllocTest = RuntimeControlsTest;

TEST_F(GlobalAllocTest, FailureReturnsNoneWithoutCallingInit) {
    g_init_calls = 0;
    zv_test::FailAllocationsAfter(0, RuntimeHeap);
    EXPECT_EQ(Global_Alloc(64, CountingInit, nullptr), nullptr);
    zv_test::ClearAllocationFailures();
    EXPECT_EQ(Global_Alloc(-1, CountingInit, nullptr), nullptr);
    EXPECT_EQ(g_init_calls, 0);
}

const LayoutWord kNamedLayout[] = {0, LAYOUT_END};  // one string at offset 0

}  // namespace
