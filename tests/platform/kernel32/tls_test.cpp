// Thread-local storage: values per thread, and a freed index reads zero.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(Tls, ValuesArePerThreadAndAFreedIndexReadsZero) {
    DWORD index = TlsAlloc();
    ASSERT_NE(index, TLS_OUT_OF_INDEXES);
    int a = 0, b = 0;
    EXPECT_TRUE(TlsSetValue(index, &a));
    std::thread([&] {
        SetLastError(0xDEADBEEF);
        EXPECT_EQ(TlsGetValue(index), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
        TlsSetValue(index, &b);
        EXPECT_EQ(TlsGetValue(index), &b);
    }).join();
    EXPECT_EQ(TlsGetValue(index), &a);
    EXPECT_TRUE(TlsFree(index));
    EXPECT_FALSE(TlsFree(index));
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(TlsSetValue(100000, &a));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    // The index may come back; its old value must not.
    DWORD again = TlsAlloc();
    if (again == index) {
        EXPECT_EQ(TlsGetValue(again), nullptr);
    }
    TlsFree(again);
}

}  // namespace
