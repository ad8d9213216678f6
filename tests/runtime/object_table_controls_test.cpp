#include "runtime/object_table.h"

#include <string.h>

#include <vector>

#include "runtime_controls_support.h"

namespace {

struct Thing {
    int32_t handle;  // non-zero while live
    int32_t payload[5];
};

ObjectTable* g_table;
std::vector<int32_t> g_closed;
bool g_close_frees = true;

int32_t CloseThing(int32_t number) {
    if (number == OBJECT_DYNAMIC) return Objects_FreeAll(g_table);
    g_closed.push_back(number);
    if (!Objects_Find(g_table, number)) return 0;
    if (g_close_frees) Objects_Free(g_table, number);
    return 1;
}

class ObjectTableTest : public RuntimeControlsTest {
  protected:
    void SetUp() override {
        RuntimeControlsTest::SetUp();
        g_closed.clear();
        g_close_frees = true;
        g_table = Objects_NewTable(sizeof(Thing), 16, CloseThing);
        ASSERT_NE(g_table, nullptr);
    }
    Thing* Make(int32_t number, int32_t handle = 1) {
        auto* thing = static_cast<Thing*>(Objects_Create(g_table, number));
        if (thing) thing->handle = handle;
        return thing;
    }
};

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
