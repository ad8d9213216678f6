// KERNEL32 when the platform's own memory runs out: each call that needs memory fails with
// its failure result and ERROR_NOT_ENOUGH_MEMORY and leaves nothing behind, at whichever of
// its allocations memory runs out; the calls that release never need any.
#include <windows.h>

#include <gtest/gtest.h>
#include <zorvane_test/kernel32.h>
#include <zorvane_test/new_failures.h>

#include <algorithm>

namespace {

using zv_test::ForEachAllocationFailure;

constexpr DWORD kSentinel = 0xDEADBEEF;

size_t ProcessHeapBlocks() {
    zv_test::HeapStats stats{};
    EXPECT_TRUE(zv_test::GetHeapStats(GetProcessHeap(), &stats));
    return stats.blocks;
}

TEST(Kernel32OutOfMemory, HeapCreateFailsWithoutAHeapLeft) {
    zv_test::NewFailuresOff off;
    const size_t heaps = zv_test::LiveHeapCount();
    HANDLE heap = nullptr;
    DWORD error = 0;
    size_t runs = ForEachAllocationFailure(
        [&] {
            SetLastError(kSentinel);
            heap = HeapCreate(0, 0, 0);
            error = GetLastError();
        },
        [&](bool refused) {
            if (!refused) return;
            EXPECT_EQ(heap, nullptr);
            EXPECT_EQ(error, DWORD(ERROR_NOT_ENOUGH_MEMORY));
            EXPECT_EQ(zv_test::LiveHeapCount(), heaps);
        });
    EXPECT_GT(runs, 1u);
    ASSERT_NE(heap, nullptr);
    EXPECT_EQ(zv_test::LiveHeapCount(), heaps + 1);
    // Giving a heap back needs no memory, whatever it still holds.
    ASSERT_NE(HeapAlloc(heap, 0, 100), nullptr);
    zv_test::FailNewAfter(0);
    EXPECT_TRUE(HeapDestroy(heap));
    EXPECT_EQ(zv_test::ClearNewFailures(), 0u);
    EXPECT_EQ(zv_test::LiveHeapCount(), heaps);
}

TEST(Kernel32OutOfMemory, GlobalAllocGivesTheBlockBackWhenItsRecordCannotBeMade) {
    zv_test::NewFailuresOff off;
    for (UINT flags : {UINT(GMEM_FIXED), UINT(GMEM_MOVEABLE | GMEM_ZEROINIT)}) {
        SCOPED_TRACE(flags);
        const size_t blocks = ProcessHeapBlocks();
        HGLOBAL mem = nullptr;
        DWORD error = 0;
        size_t runs = ForEachAllocationFailure(
            [&] {
                SetLastError(kSentinel);
                mem = GlobalAlloc(flags, 64);
                error = GetLastError();
            },
            [&](bool refused) {
                if (!refused) return;
                EXPECT_EQ(mem, nullptr);
                EXPECT_EQ(error, DWORD(ERROR_NOT_ENOUGH_MEMORY));
                EXPECT_EQ(ProcessHeapBlocks(), blocks);
            });
        EXPECT_GT(runs, 1u);
        ASSERT_NE(mem, nullptr);
        EXPECT_NE(GlobalLock(mem), nullptr);
        GlobalUnlock(mem);
        zv_test::FailNewAfter(0);
        EXPECT_EQ(GlobalFree(mem), nullptr);
        EXPECT_EQ(zv_test::ClearNewFailures(), 0u);
        EXPECT_EQ(ProcessHeapBlocks(), blocks);
    }
}

// A module name too long to be kept without an allocation of its own.
constexpr char kLongName[] = "a_module_whose_name_is_long.dll";

TEST(Kernel32OutOfMemory, ModuleLookUpsFailAsAWhole) {
    zv_test::NewFailuresOff off;
    for (auto call : {+[](const char* name) { return LoadLibraryA(name); },
                      +[](const char* name) { return GetModuleHandleA(name); }}) {
        HMODULE module = nullptr;
        DWORD error = 0;
        size_t runs = ForEachAllocationFailure(
            [&] {
                SetLastError(kSentinel);
                module = call(kLongName);
                error = GetLastError();
            },
            [&](bool refused) {
                EXPECT_EQ(module, nullptr);
                EXPECT_EQ(error, DWORD(refused ? ERROR_NOT_ENOUGH_MEMORY : ERROR_MOD_NOT_FOUND));
            });
        EXPECT_GT(runs, 1u);
    }
}

TEST(Kernel32OutOfMemory, CallsThatOnlyLookUpNeedNoMemory) {
    zv_test::NewFailuresOff off;
    const int loads = zv_test::ModuleLoadCount("d3d9.dll");
    HANDLE heap = HeapCreate(0, 0, 0);
    zv_test::FailNewAfter(0);
    HMODULE module = LoadLibraryA("D3D9.DLL");
    EXPECT_NE(module, nullptr);
    EXPECT_EQ(GetModuleHandleA("d3d9"), module);
    EXPECT_NE(GetProcAddress(module, "Direct3DCreate9"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "NoSuchExport"), nullptr);
    void* block = HeapAlloc(heap, HEAP_ZERO_MEMORY, 32);
    EXPECT_NE(block, nullptr);
    EXPECT_NE(HeapReAlloc(heap, 0, block, 64), nullptr);
    DWORD tls = TlsAlloc();
    EXPECT_NE(tls, TLS_OUT_OF_INDEXES);
    EXPECT_TRUE(TlsFree(tls));
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(zv_test::ClearNewFailures(), 0u);
    EXPECT_EQ(zv_test::ModuleLoadCount("d3d9.dll"), loads);
    HeapDestroy(heap);
}

TEST(Kernel32OutOfMemory, GetProcessHeapsFailsAsAWhole) {
    zv_test::NewFailuresOff off;
    HANDLE heaps[64] = {};
    DWORD count = 0, error = 0;
    ForEachAllocationFailure(
        [&] {
            SetLastError(kSentinel);
            count = GetProcessHeaps(64, heaps);
            error = GetLastError();
        },
        [&](bool refused) {
            if (!refused) return;
            EXPECT_EQ(count, 0u);
            EXPECT_EQ(error, DWORD(ERROR_NOT_ENOUGH_MEMORY));
        });
    EXPECT_GE(count, 1u);
    EXPECT_NE(std::find(heaps, heaps + count, GetProcessHeap()), heaps + count);
}

}  // namespace
