#include <string.h>

#include "runtime/block_pool.h"
#include "runtime/object_table.h"
#include "runtime_controls_support.h"

namespace {

int g_init_calls;
bool g_init_saw_zeros;

void CountingInit(void* record) {
    ++g_init_calls;
    const unsigned char* bytes = static_cast<const unsigned char*>(record);
    g_init_saw_zeros = true;
    for (int i = 0; i < 64; ++i)
        g_init_saw_zeros &= bytes[i] == 0;
    memset(record, 0xAB, 64);
}

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
