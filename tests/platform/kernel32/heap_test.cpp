#include <windows.h>

#include <gtest/gtest.h>
#include <zorvane_test/kernel32.h>

#include <cstring>
#include <vector>

namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;

struct HeapFixture : ::testing::Test {
    HANDLE heap = HeapCreate(0, 4096, 0);
    zv_test::Kernel32Reset reset;
    ~HeapFixture() override {
        if (heap) HeapDestroy(heap);
    }
    zv_test::HeapStats Stats() {
        zv_test::HeapStats s{};
        EXPECT_TRUE(zv_test::GetHeapStats(heap, &s));
        return s;
    }
};

TEST_F(HeapFixture, AllocationsAreCountedAndZeroFilledOnRequest) {
    ASSERT_NE(heap, nullptr);
    auto* a = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 100));
    ASSERT_NE(a, nullptr);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(a[i], 0) << i;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 16, 0u);
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
    // In place: shrinking keeps the address; growing fails and keeps the block.
    EXPECT_EQ(HeapReAlloc(heap, HEAP_REALLOC_IN_PLACE_ONLY, b, 16), b);
    SetLastError(kSentinel);
    EXPECT_EQ(HeapReAlloc(heap, HEAP_REALLOC_IN_PLACE_ONLY, b, 5000), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(HeapSize(heap, 0, b), 16u);
    EXPECT_STREQ(b, "abcdefg");
}

TEST_F(HeapFixture, DestroyReleasesEveryBlockAndInvalidatesTheHandle) {
    for (int i = 0; i < 1000; ++i)
        ASSERT_NE(HeapAlloc(heap, 0, size_t(i) * 3), nullptr);
    size_t before = zv_test::LiveHeapCount();
    HANDLE h = heap;
    ASSERT_TRUE(HeapDestroy(heap));
    heap = nullptr;
    EXPECT_EQ(zv_test::LiveHeapCount(), before - 1);
    // The old handle is now stale, even after a new heap takes its slot.
    HANDLE other = HeapCreate(0, 0, 0);
    SetLastError(kSentinel);
    EXPECT_EQ(HeapAlloc(h, 0, 8), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(HeapDestroy(h));
    HeapDestroy(other);
}

TEST_F(HeapFixture, BadHandlesAndForeignBlocksFailCleanly) {
    HANDLE garbage[] = {nullptr, reinterpret_cast<HANDLE>(1), reinterpret_cast<HANDLE>(0x12345678),
                        reinterpret_cast<HANDLE>(~uintptr_t(0)),
                        reinterpret_cast<HANDLE>(&garbage)};
    for (HANDLE g : garbage) {
        SetLastError(kSentinel);
        EXPECT_EQ(HeapAlloc(g, 0, 8), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
        EXPECT_FALSE(HeapFree(g, 0, nullptr));
        EXPECT_EQ(HeapSize(g, 0, nullptr), SIZE_T(-1));
        EXPECT_FALSE(HeapDestroy(g));
        zv_test::HeapStats s;
        EXPECT_FALSE(zv_test::GetHeapStats(g, &s));
    }
    // A block of one heap is not a block of another.
    HANDLE other = HeapCreate(0, 0, 0);
    void* mine = HeapAlloc(heap, 0, 32);
    SetLastError(kSentinel);
    EXPECT_FALSE(HeapFree(other, 0, mine));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(HeapSize(other, 0, mine), SIZE_T(-1));
    EXPECT_EQ(Stats().blocks, 1u);
    HeapDestroy(other);
}

TEST_F(HeapFixture, MaximumSizeBoundsAFixedHeap) {
    HANDLE small = HeapCreate(0, 0, 1000);
    ASSERT_NE(small, nullptr);
    EXPECT_NE(HeapAlloc(small, 0, 600), nullptr);
    EXPECT_EQ(HeapAlloc(small, 0, 600), nullptr);
    EXPECT_NE(HeapAlloc(small, 0, 400), nullptr);
    HeapDestroy(small);
    EXPECT_EQ(HeapCreate(0, 2000, 1000), nullptr);
}

TEST_F(HeapFixture, HugeRequestsFail) {
    SetLastError(kSentinel);
    EXPECT_EQ(HeapAlloc(heap, 0, SIZE_T(-1)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(HeapAlloc(heap, 0, SIZE_T(1) << 40), nullptr);
    EXPECT_EQ(Stats().blocks, 0u);
}

TEST_F(HeapFixture, ForcedFailuresHitTheChosenHeapAfterTheGivenCount) {
    HANDLE other = HeapCreate(0, 0, 0);
    zv_test::FailAllocationsAfter(2, heap);
    EXPECT_NE(HeapAlloc(heap, 0, 8), nullptr);
    EXPECT_NE(HeapAlloc(other, 0, 8), nullptr);  // other heaps are not affected
    void* b = HeapAlloc(heap, 0, 8);
    EXPECT_NE(b, nullptr);
    EXPECT_EQ(HeapAlloc(heap, 0, 8), nullptr);
    EXPECT_EQ(HeapReAlloc(heap, 0, b, 64), nullptr);
    EXPECT_EQ(HeapSize(heap, 0, b), 8u);  // a failed reallocation keeps the block
    zv_test::ClearAllocationFailures();
    EXPECT_NE(HeapAlloc(heap, 0, 8), nullptr);
    zv_test::FailAllocationsAfter(0);
    EXPECT_EQ(HeapAlloc(other, 0, 8), nullptr);
    EXPECT_EQ(GlobalAlloc(GMEM_FIXED, 8), nullptr);
    zv_test::ClearAllocationFailures();
    HeapDestroy(other);
}

TEST(GlobalMemory, FixedAndMoveableBlocks) {
    void* fixed = GlobalAlloc(GPTR, 64);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(fixed)[63], 0);
    EXPECT_EQ(GlobalLock(fixed), fixed);
    EXPECT_EQ(GlobalSize(fixed), 64u);
    EXPECT_EQ(GlobalFree(fixed), nullptr);

    HGLOBAL moveable = GlobalAlloc(GHND, 32);
    ASSERT_NE(moveable, nullptr);
    void* p = GlobalLock(moveable);
    ASSERT_NE(p, nullptr);
    EXPECT_NE(p, moveable);
    EXPECT_EQ(GlobalSize(moveable), 32u);
    EXPECT_FALSE(GlobalUnlock(moveable));  // lock count back to zero
    EXPECT_EQ(GlobalFree(moveable), nullptr);

    // Stale and stray handles fail and are handed back.
    SetLastError(kSentinel);
    EXPECT_EQ(GlobalLock(moveable), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    int local = 0;
    EXPECT_EQ(GlobalFree(&local), &local);
    EXPECT_EQ(GlobalFree(fixed), fixed);
    EXPECT_EQ(GlobalSize(&local), 0u);
    EXPECT_EQ(GlobalAlloc(0x8000, 8), nullptr);
}

}  // namespace
