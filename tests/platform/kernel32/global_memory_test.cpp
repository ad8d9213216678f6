// Global memory: fixed and moveable blocks.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;

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
}

}  // namespace
