// Heaps beyond Win32's contract: our platform checks every heap handle and block (Windows
// does not: a bad one faults there), and tests can force allocations to fail.
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

TEST_F(HeapFixture, ADestroyedHandleStaysStaleAfterANewHeapTakesItsSlot) {
    ASSERT_NE(HeapAlloc(heap, 0, 8), nullptr);
    HANDLE h = heap;
    ASSERT_TRUE(HeapDestroy(heap));
    heap = nullptr;
    HANDLE other = HeapCreate(0, 0, 0);
    SetLastError(kSentinel);
    EXPECT_EQ(HeapAlloc(h, 0, 8), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(HeapDestroy(h));
    HeapDestroy(other);
}

// Windows leaves both to the caller (the initial size "must be smaller" than the maximum;
// unknown GlobalAlloc flags are ignored); ours refuses them.
TEST(HeapArguments, AnInitialSizeAboveTheMaximumAndUnknownGlobalFlagsAreRefused) {
    SetLastError(kSentinel);
    EXPECT_EQ(HeapCreate(0, 2000, 1000), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(GlobalAlloc(0x8000, 8), nullptr);
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

}  // namespace
