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
    auto destroyed = zv_test::RunWithoutMemory([&] { return HeapDestroy(heap); });
    EXPECT_TRUE(destroyed.result);
    EXPECT_EQ(destroyed.refused, 0u);
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
        auto freed = zv_test::RunWithoutMemory([&] { return GlobalFree(mem); });
        EXPECT_EQ(freed.result, nullptr);
        EXPECT_EQ(freed.refused, 0u);
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
    struct Seen {
        HMODULE module, by_name;
        FARPROC found, missing;
        void *block, *grown;
        DWORD tls;
        BOOL tls_freed, freed;
    };
    auto run = zv_test::RunWithoutMemory([&] {
        Seen s{};
        s.module = LoadLibraryA("D3D9.DLL");
        s.by_name = GetModuleHandleA("d3d9");
        s.found = GetProcAddress(s.module, "Direct3DCreate9");
        s.missing = GetProcAddress(s.module, "NoSuchExport");
        s.block = HeapAlloc(heap, HEAP_ZERO_MEMORY, 32);
        s.grown = HeapReAlloc(heap, 0, s.block, 64);
        s.tls = TlsAlloc();
        s.tls_freed = TlsFree(s.tls);
        s.freed = FreeLibrary(s.module);
        return s;
    });
    EXPECT_EQ(run.refused, 0u);
    const Seen& s = run.result;
    EXPECT_NE(s.module, nullptr);
    EXPECT_EQ(s.by_name, s.module);
    EXPECT_NE(s.found, nullptr);
    EXPECT_EQ(s.missing, nullptr);
    EXPECT_NE(s.block, nullptr);
    EXPECT_NE(s.grown, nullptr);
    EXPECT_NE(s.tls, TLS_OUT_OF_INDEXES);
    EXPECT_TRUE(s.tls_freed);
    EXPECT_TRUE(s.freed);
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
