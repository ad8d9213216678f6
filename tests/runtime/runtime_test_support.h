// A fresh RuntimeHeap and StringHeap around each test, with the container handlers
// filled, and a check that destroying the heaps left nothing behind.
#pragma once

#include <gtest/gtest.h>
#include <zorvane_test/kernel32.h>

#include "runtime/arrays.h"
#include "runtime/heaps.h"
#include "window/string_map.h"

class RuntimeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        heaps_before_ = zv_test::LiveHeapCount();
        ASSERT_NE(Runtime_CreateHeap(), nullptr);
        Strings_Init();
        Memory_Init();
        ASSERT_NE(StringHeap, nullptr);
        Arrays_Init();
        Maps_Init();
    }
    void TearDown() override {
        zv_test::ClearAllocationFailures();
        Memory_End();
        Strings_End();
        EXPECT_TRUE(Runtime_DestroyHeap());
        EXPECT_EQ(RuntimeHeap, nullptr);
        EXPECT_EQ(zv_test::LiveHeapCount(), heaps_before_);
    }

    static size_t Blocks(HANDLE heap) {
        zv_test::HeapStats stats{};
        EXPECT_TRUE(zv_test::GetHeapStats(heap, &stats));
        return stats.blocks;
    }
    static size_t RuntimeBlocks() { return Blocks(RuntimeHeap); }
    static size_t StringBlocks() { return Blocks(StringHeap); }

  private:
    size_t heaps_before_ = 0;
};
