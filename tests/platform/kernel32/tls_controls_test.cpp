// Thread-local storage: a freed index is refused, a check Windows does not make.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

// Windows checks only that a TLS index is in range; ours also refuses one that was freed.
TEST(Tls, AFreedIndexIsRefused) {
    DWORD index = TlsAlloc();
    ASSERT_NE(index, TLS_OUT_OF_INDEXES);
    int a = 0;
    EXPECT_TRUE(TlsFree(index));
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(TlsGetValue(index), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(TlsSetValue(index, &a));
}

}  // namespace
