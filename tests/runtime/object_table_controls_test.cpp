#include "runtime/object_table.h"

#include <string.h>

#include <vector>

#include "object_table_support.h"
#include "runtime_controls_support.h"

namespace {

using ObjectTableTest = ObjectTableFixture<RuntimeControlsTest>;

TEST_F(ObjectTableTest, AllocationFailuresLeaveTheTableAsItWas) {
    Make(1);
    zv_test::FailAllocationsAfter(0, RuntimeHeap);
    EXPECT_EQ(Objects_Create(g_table, 100), nullptr);  // slot array cannot grow
    EXPECT_EQ(g_table->slot_count, 16);
    EXPECT_EQ(Objects_Create(g_table, 2), nullptr);  // record cannot be had
    EXPECT_EQ(g_table->slots[2], nullptr);
    EXPECT_EQ(Objects_Create(g_table, OBJECT_DYNAMIC), nullptr);
    EXPECT_EQ(g_table->dynamic_list, nullptr);
    EXPECT_EQ(Objects_NewTable(16, 16, nullptr), nullptr);
    // Node made, identifier table not: the node is given back.
    size_t blocks = RuntimeBlocks();
    zv_test::FailAllocationsAfter(1, RuntimeHeap);
    EXPECT_EQ(Objects_Create(g_table, OBJECT_DYNAMIC), nullptr);
    EXPECT_EQ(RuntimeBlocks(), blocks);
    zv_test::ClearAllocationFailures();
    EXPECT_NE(Objects_Find(g_table, 1), nullptr);
    EXPECT_NE(Make(OBJECT_DYNAMIC), nullptr);
}

}  // namespace
