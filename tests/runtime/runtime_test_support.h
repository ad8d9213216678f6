// A fresh RuntimeHeap and StringHeap around each test, with the container handlers
// filled, and a check that destroying the heaps left nothing behind.
#pragma once

#include <gtest/gtest.h>

#include "heap_walk.h"
#include "runtime/arrays.h"
#include "runtime/heaps.h"
#include "runtime/string_map.h"

class RuntimeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        heaps_before_ = HeapCount();
        ASSERT_NE(Runtime_CreateHeap(), nullptr);
        Strings_Init();
        Memory_Init();
        ASSERT_NE(StringHeap, nullptr);
        Arrays_Init();
        Maps_Init();
    }
    void TearDown() override {
        Memory_End();
        Strings_End();
        EXPECT_TRUE(Runtime_DestroyHeap());
        EXPECT_EQ(RuntimeHeap, nullptr);
        EXPECT_EQ(HeapCount(), heaps_before_);
    }

    static size_t Blocks(HANDLE heap) { return HeapBlocks(heap); }
    static size_t RuntimeBlocks() { return Blocks(RuntimeHeap); }
    static size_t StringBlocks() { return Blocks(StringHeap); }

  private:
    size_t heaps_before_ = 0;
};
