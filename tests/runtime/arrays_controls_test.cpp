#include "runtime/arrays.h"

#include <string.h>

#include "arrays_support.h"
#include "runtime_controls_support.h"

namespace {

using ArrayTest = RuntimeControlsTest;
using StructTest = RuntimeControlsTest;

TEST_F(ArrayTest, AllocationFailureLeavesTheVariableNone) {
    void* array = nullptr;
    ASSERT_NE(Array_Alloc(4, 3, 0, nullptr, &array), nullptr);
    size_t blocks = RuntimeBlocks();
    zv_test::FailAllocationsAfter(0, RuntimeHeap);
    EXPECT_EQ(Array_Alloc(4, 8, 0, nullptr, &array), nullptr);
    EXPECT_EQ(array, nullptr);  // the old array was freed first
    EXPECT_EQ(RuntimeBlocks(), blocks - 1);
}

TEST_F(StructTest, StringDuplicationFailureLeavesTheFieldNone) {
    char* field = Dup("x");
    String_Free(field);
    field = reinterpret_cast<char*>(&field);  // junk, overwritten by the failure
    zv_test::FailAllocationsAfter(0, StringHeap);
    String_Duplicate(&field, "abc");
    EXPECT_EQ(field, nullptr);
    zv_test::ClearAllocationFailures();
    String_Duplicate(&field, nullptr);  // no source: field unchanged
    EXPECT_EQ(field, nullptr);
    String_Free(nullptr);
}

// A record with every kind of managed field, nested: strings inside arrays inside maps.
}  // namespace
