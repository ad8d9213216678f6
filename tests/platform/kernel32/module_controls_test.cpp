// Modules that the platform registers itself, their load counts, and hiding them.
#include <windows.h>

#include <gtest/gtest.h>
#include <zorvane_test/kernel32.h>

#include "builtin_modules.h"

namespace {

int WINAPI Answer() {
    return 42;
}
static const zv::ModuleRegistration kTestModule("ZvTest.dll", {{"Answer", zv::Export(&Answer)}});

TEST(Modules, LoadCountsAndHandles) {
    zv_test::Kernel32Reset reset;
    EXPECT_EQ(GetModuleHandleA("zvtest.dll"), nullptr);  // not loaded yet
    HMODULE m = LoadLibraryA("zvtest.dll");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GetModuleHandleA("ZVTEST"), m);
    EXPECT_EQ(zv_test::ModuleLoadCount("ZvTest.dll"), 1);
    auto answer =
        reinterpret_cast<int(WINAPI*)()>(reinterpret_cast<void (*)()>(GetProcAddress(m, "Answer")));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_TRUE(FreeLibrary(m));
    EXPECT_EQ(zv_test::ModuleLoadCount("ZvTest.dll"), 0);
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(FreeLibrary(m));  // no reference left
    EXPECT_EQ(GetProcAddress(m, "Answer"), nullptr);
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(GetModuleHandleA("kernel32.dll"), nullptr);
}

TEST(Modules, UnknownNamesAndBadHandlesFail) {
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(LoadLibraryA("nosuch.dll"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
    int junk = 0;
    HMODULE bad[] = {nullptr, reinterpret_cast<HMODULE>(&junk), reinterpret_cast<HMODULE>(16)};
    for (HMODULE h : bad) {
        EXPECT_FALSE(FreeLibrary(h));
        EXPECT_EQ(GetProcAddress(h, "Answer"), nullptr);
    }
    HMODULE m = LoadLibraryA("zvtest");
    EXPECT_EQ(GetProcAddress(m, nullptr), nullptr);
    EXPECT_EQ(GetProcAddress(m, reinterpret_cast<LPCSTR>(1)), nullptr);  // an ordinal
    FreeLibrary(m);
}

TEST(Modules, TestsCanHideAModuleOrAnEntryPoint) {
    zv_test::Kernel32Reset reset;
    zv_test::HideModule("KERNEL32.dll");
    EXPECT_EQ(LoadLibraryA("kernel32.dll"), nullptr);
    zv_test::HideModule("kernel32.dll", false);
    HMODULE k = LoadLibraryA("kernel32.dll");
    ASSERT_NE(k, nullptr);
    zv_test::HideExport("kernel32.dll", "InitOnceExecuteOnce");
    EXPECT_EQ(GetProcAddress(k, "InitOnceExecuteOnce"), nullptr);
    zv_test::ShowAllModules();
    EXPECT_NE(GetProcAddress(k, "InitOnceExecuteOnce"), nullptr);
    FreeLibrary(k);
}

}  // namespace
