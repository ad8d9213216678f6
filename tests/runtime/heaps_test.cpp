#include <string.h>

#include "runtime/block_pool.h"
#include "runtime/object_table.h"
#include "heaps_support.h"
#include "runtime_test_support.h"

namespace {

void MustNotRun(void*) {
    ADD_FAILURE() << "the release routine is never called";
}

using GlobalAllocTest = RuntimeTest;

TEST_F(GlobalAllocTest, RecordStartsZeroFilledAndInitRunsOnceOnIt) {
    g_init_calls = 0;
    g_init_saw_zeros = false;
    auto* record = static_cast<unsigned char*>(Global_Alloc(64, CountingInit, MustNotRun));
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(g_init_calls, 1);
    EXPECT_TRUE(g_init_saw_zeros);
    EXPECT_EQ(record[63], 0xAB);
    EXPECT_EQ(Global_Get(record), record);

    auto* plain = static_cast<unsigned char*>(Global_Alloc(32, nullptr, nullptr));
    ASSERT_NE(plain, nullptr);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(plain[i], 0);
}

TEST(RuntimeHeapTest, WithoutAHeapEveryAllocationFailsCleanly) {
    ASSERT_EQ(RuntimeHeap, nullptr);
    EXPECT_FALSE(Runtime_DestroyHeap());
    EXPECT_EQ(Global_Alloc(16, nullptr, nullptr), nullptr);
    EXPECT_EQ(Objects_NewTable(16, 4, nullptr), nullptr);
    EXPECT_EQ(Pool_Create(16, 16, 256, 0), nullptr);
    void* array = nullptr;
    EXPECT_EQ(Array_Alloc(4, 4, 0, nullptr, &array), nullptr);
    Strings_End();  // never made: harmless
    Memory_End();
}

TEST(RuntimeHeapTest, StartUpAndShutDownCreateAndDestroyTheHeaps) {
    size_t before = HeapCount();
    ASSERT_NE(Runtime_CreateHeap(), nullptr);
    HANDLE heap = RuntimeHeap;
    EXPECT_EQ(Runtime_CreateHeap(), heap);  // a second call keeps the heap
    Strings_Init();
    Memory_Init();
    EXPECT_NE(StringHeap, nullptr);
    EXPECT_NE(MemoryHeap, nullptr);
    EXPECT_EQ(HeapCount(), before + 3);
    Memory_End();
    Strings_End();
    EXPECT_EQ(StringHeap, nullptr);
    EXPECT_EQ(MemoryHeap, nullptr);
    EXPECT_TRUE(Runtime_DestroyHeap());
    EXPECT_EQ(HeapCount(), before);
}

const LayoutWord kNamedLayout[] = {0, LAYOUT_END};  // one string at offset 0

TEST(RuntimeHeapTest, DestroyingTheHeapsReleasesEverythingWithoutFreeCalls) {
    size_t before = HeapCount();
    ASSERT_NE(Runtime_CreateHeap(), nullptr);
    Strings_Init();
    Memory_Init();
    Arrays_Init();
    Maps_Init();

    ObjectTable* table = Objects_NewTable(24, 16, nullptr);
    ASSERT_NE(table, nullptr);
    for (int i = 0; i < 40; ++i)
        *static_cast<int32_t*>(Objects_Create(table, i)) = 1;
    for (int i = 0; i < 5; ++i)
        *static_cast<int32_t*>(Objects_Create(table, OBJECT_DYNAMIC)) = 1;
    ASSERT_NE(Global_Alloc(128, nullptr, nullptr), nullptr);

    void* names = nullptr;
    ASSERT_NE(Array_Alloc(sizeof(char*), 10, 0, kNamedLayout, &names), nullptr);
    for (int i = 0; i < 10; ++i)
        String_Duplicate(static_cast<char**>(names) + i, "name");

    BlockPool* pool = Pool_Create(40, 16, 256, POOL_LOCKED);
    BlockPool* shared = Pool_Create(40, 16, 256, POOL_SHARED);
    for (int i = 0; i < 100; ++i) {
        ASSERT_NE(Pool_Alloc(pool), nullptr);
        ASSERT_NE(Pool_Alloc(shared), nullptr);
    }
    StringMap* map = nullptr;
    ASSERT_NE(Map_New(16, 0, nullptr, &map, 1024), nullptr);
    for (int i = 0; i < 50; ++i) {
        char key[16];
        snprintf(key, sizeof key, "k%d", i);
        ASSERT_NE(Map_Add(map, key, 0), nullptr);
    }
    EXPECT_GT(HeapBlocks(RuntimeHeap), 50u);

    Memory_End();
    Strings_End();
    EXPECT_TRUE(Runtime_DestroyHeap());
    EXPECT_EQ(HeapCount(), before);

    // The shared-pool registry went with the heap: a new heap starts a new registry.
    ASSERT_NE(Runtime_CreateHeap(), nullptr);
    BlockPool* again = Pool_Create(40, 16, 256, POOL_SHARED);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->total_blocks, 0);
    Pool_Destroy(again);
    EXPECT_EQ(HeapBlocks(RuntimeHeap), 0u);
    EXPECT_TRUE(Runtime_DestroyHeap());
}

}  // namespace
