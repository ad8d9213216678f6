// Loading the system's modules by name.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(Modules, NamesCompareWithoutCaseAndWithOrWithoutExtension) {
    HMODULE a = LoadLibraryA("Kernel32.dll");
    HMODULE b = LoadLibraryA("KERNEL32.DLL");
    HMODULE c = LoadLibraryA("kernel32");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, c);
    FARPROC p = GetProcAddress(a, "InitOnceExecuteOnce");
    EXPECT_EQ(reinterpret_cast<void*>(p), reinterpret_cast<void*>(&InitOnceExecuteOnce));
    // Entry points compare exactly.
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(GetProcAddress(a, "initonceexecuteonce"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_TRUE(FreeLibrary(b));
    EXPECT_TRUE(FreeLibrary(c));
}

}  // namespace
