// Counting a heap's blocks the way Win32 offers, so that tests which only need a count
// run against Windows too.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>

// The busy blocks of a heap, through a locked HeapWalk.
inline size_t HeapBlocks(HANDLE heap) {
    size_t blocks = 0;
    PROCESS_HEAP_ENTRY entry{};
    EXPECT_TRUE(HeapLock(heap));
    while (HeapWalk(heap, &entry))
        blocks += (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0;
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_ITEMS));
    EXPECT_TRUE(HeapUnlock(heap));
    return blocks;
}

// The heaps of the process.
inline size_t HeapCount() {
    return GetProcessHeaps(0, nullptr);
}
