// Private heaps as Win32 defines them: blocks, sizes, reallocation, limits, and what
// HeapWalk and GetProcessHeaps report about them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;

struct WalkCount {
    size_t blocks = 0;
    size_t bytes = 0;
};

// The busy blocks of a heap, counted the way Win32 offers: a locked HeapWalk.
WalkCount Walk(HANDLE heap) {
    WalkCount n;
    PROCESS_HEAP_ENTRY e{};
    EXPECT_TRUE(HeapLock(heap));
    while (HeapWalk(heap, &e)) {
        if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
            ++n.blocks;
            n.bytes += e.cbData;
        }
    }
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_ITEMS));
    EXPECT_TRUE(HeapUnlock(heap));
    return n;
}

DWORD HeapCount() {
    return GetProcessHeaps(0, nullptr);
}

struct HeapFixture : ::testing::Test {
    HANDLE heap = HeapCreate(0, 4096, 0);
    ~HeapFixture() override {
        if (heap) HeapDestroy(heap);
    }
    WalkCount Stats() { return Walk(heap); }
};

TEST_F(HeapFixture, AllocationsAreCountedAndZeroFilledOnRequest) {
    ASSERT_NE(heap, nullptr);
    auto* a = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 100));
    ASSERT_NE(a, nullptr);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(a[i], 0) << i;
    // Windows' heaps align to two pointers: 8 bytes in a 32-bit process, 16 in a 64-bit one.
    EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % (2 * sizeof(void*)), 0u);
    void* b = HeapAlloc(heap, 0, 28);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(Stats().blocks, 2u);
    EXPECT_EQ(Stats().bytes, 128u);
    EXPECT_EQ(HeapSize(heap, 0, a), 100u);
    EXPECT_TRUE(HeapFree(heap, 0, a));
    EXPECT_EQ(Stats().blocks, 1u);
    EXPECT_EQ(Stats().bytes, 28u);
    EXPECT_TRUE(HeapFree(heap, 0, nullptr));  // freeing nothing succeeds, as on Windows
}

TEST_F(HeapFixture, ZeroByteBlocksAreRealBlocks) {
    void* a = HeapAlloc(heap, 0, 0);
    void* b = HeapAlloc(heap, 0, 0);
    ASSERT_NE(a, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(HeapSize(heap, 0, a), 0u);
    EXPECT_EQ(Stats().blocks, 2u);
}

TEST_F(HeapFixture, ReAllocKeepsContentsAndZeroesTheGrowth) {
    auto* a = static_cast<char*>(HeapAlloc(heap, 0, 8));
    std::memcpy(a, "abcdefg", 8);
    auto* b = static_cast<char*>(HeapReAlloc(heap, HEAP_ZERO_MEMORY, a, 4000));
    ASSERT_NE(b, nullptr);
    EXPECT_STREQ(b, "abcdefg");
    for (int i = 8; i < 4000; ++i)
        ASSERT_EQ(b[i], 0) << i;
    EXPECT_EQ(Stats().bytes, 4000u);
    EXPECT_EQ(Stats().blocks, 1u);
    // In place: shrinking keeps the address; growing either stays in place or fails and
    // keeps the block (Windows grows in place when the space after the block is free).
    EXPECT_EQ(HeapReAlloc(heap, HEAP_REALLOC_IN_PLACE_ONLY, b, 16), b);
    void* grown = HeapReAlloc(heap, HEAP_REALLOC_IN_PLACE_ONLY, b, 5000);
    if (grown) {
        EXPECT_EQ(grown, b);
        EXPECT_EQ(HeapSize(heap, 0, b), 5000u);
    } else {
        EXPECT_EQ(HeapSize(heap, 0, b), 16u);
    }
    EXPECT_STREQ(b, "abcdefg");
}

TEST_F(HeapFixture, DestroyReleasesEveryBlockAndTheHeap) {
    for (int i = 0; i < 1000; ++i)
        ASSERT_NE(HeapAlloc(heap, 0, size_t(i) * 3), nullptr);
    const DWORD before = HeapCount();
    ASSERT_TRUE(HeapDestroy(heap));
    heap = nullptr;
    EXPECT_EQ(HeapCount(), before - 1);
}

TEST_F(HeapFixture, WalkStartsWithTheRegionAndVisitsEveryBusyBlockOnce) {
    std::set<void*> mine;
    for (SIZE_T size : {SIZE_T(1), SIZE_T(24), SIZE_T(100), SIZE_T(3000)})
        mine.insert(HeapAlloc(heap, 0, size));
    ASSERT_EQ(mine.count(nullptr), 0u);
    ASSERT_TRUE(HeapLock(heap));
    PROCESS_HEAP_ENTRY e{};
    ASSERT_TRUE(HeapWalk(heap, &e));
    EXPECT_TRUE(e.wFlags & PROCESS_HEAP_REGION);
    std::set<void*> seen;
    while (HeapWalk(heap, &e)) {
        if (!(e.wFlags & PROCESS_HEAP_ENTRY_BUSY)) continue;
        EXPECT_TRUE(seen.insert(e.lpData).second) << "visited twice";
        EXPECT_EQ(e.cbData, DWORD(HeapSize(heap, 0, e.lpData)));
    }
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_ITEMS));
    ASSERT_TRUE(HeapUnlock(heap));
    EXPECT_EQ(seen, mine);
    // A locked heap still serves the thread that holds the lock.
    ASSERT_TRUE(HeapLock(heap));
    void* p = HeapAlloc(heap, 0, 8);
    EXPECT_NE(p, nullptr);
    EXPECT_TRUE(HeapFree(heap, 0, p));
    ASSERT_TRUE(HeapUnlock(heap));
}

TEST(ProcessHeaps, ListsEveryHeapAndStoresNothingWhenTheBufferIsShort) {
    HANDLE mine = HeapCreate(0, 0, 0);
    ASSERT_NE(mine, nullptr);
    const DWORD n = HeapCount();
    ASSERT_GE(n, 2u);
    std::vector<HANDLE> all(n + 4, nullptr);
    EXPECT_EQ(GetProcessHeaps(DWORD(all.size()), all.data()), n);
    all.resize(n);
    EXPECT_NE(std::find(all.begin(), all.end(), GetProcessHeap()), all.end());
    EXPECT_NE(std::find(all.begin(), all.end(), mine), all.end());
    std::vector<HANDLE> short_list(n - 1, nullptr);
    EXPECT_EQ(GetProcessHeaps(DWORD(short_list.size()), short_list.data()), n);
    EXPECT_EQ(std::count(short_list.begin(), short_list.end(), nullptr), ptrdiff_t(n - 1));
    EXPECT_TRUE(HeapDestroy(mine));
    EXPECT_EQ(HeapCount(), n - 1);
}

TEST_F(HeapFixture, MaximumSizeBoundsAFixedHeap) {
    // The maximum is rounded up to whole pages.
    HANDLE small = HeapCreate(0, 0, 1000);
    ASSERT_NE(small, nullptr);
    EXPECT_NE(HeapAlloc(small, 0, 100), nullptr);
    EXPECT_EQ(HeapAlloc(small, 0, 5000), nullptr);
    EXPECT_NE(HeapAlloc(small, 0, 100), nullptr);
    HeapDestroy(small);
}

TEST_F(HeapFixture, HugeRequestsFail) {
    SetLastError(kSentinel);
    EXPECT_EQ(HeapAlloc(heap, 0, SIZE_T(-1)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(HeapAlloc(heap, 0, SIZE_T(1) << (8 * sizeof(SIZE_T) - 1)), nullptr);
    EXPECT_EQ(Stats().blocks, 0u);
}

}  // namespace
