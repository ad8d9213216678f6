// KERNEL32 when the platform's own memory runs out: each call that needs memory fails with
// its failure result and ERROR_NOT_ENOUGH_MEMORY and leaves nothing behind, at whichever of
// its allocations memory runs out; the calls that release never need any.
#include <windows.h>

#include <gtest/gtest.h>
#include <zorvane_test/kernel32.h>
#include <zorvane_test/new_failures.h>

#include <algorithm>

#include "platform/out_of_memory_sweep.h"

namespace {

using zv_oom::SweepCalls;
using zv_oom::SweepFailures;

size_t ProcessHeapBlocks() {
    zv_test::HeapStats stats{};
    EXPECT_TRUE(zv_test::GetHeapStats(GetProcessHeap(), &stats));
    return stats.blocks;
}

TEST(Kernel32OutOfMemory, HeapCreateFailsWithoutAHeapLeft) {
    zv_test::NewFailuresOff off;
    const size_t heaps = zv_test::LiveHeapCount();
    auto sweep = SweepFailures([] { return HeapCreate(0, 0, 0); }, nullptr,
                               [&] { EXPECT_EQ(zv_test::LiveHeapCount(), heaps); });
    EXPECT_GT(sweep.runs, 1u);
    HANDLE heap = sweep.result;
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
        auto sweep = SweepFailures([&] { return GlobalAlloc(flags, 64); }, nullptr,
                                   [&] { EXPECT_EQ(ProcessHeapBlocks(), blocks); });
        EXPECT_GT(sweep.runs, 1u);
        HGLOBAL mem = sweep.result;
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
        auto sweep = SweepCalls(
            [&] { return call(kLongName); },
            [](bool refused, HMODULE module, DWORD error) {
                EXPECT_EQ(module, nullptr);
                EXPECT_EQ(error, DWORD(refused ? ERROR_NOT_ENOUGH_MEMORY : ERROR_MOD_NOT_FOUND));
            });
        EXPECT_GT(sweep.runs, 1u);
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
    DWORD count = SweepFailures([&] { return GetProcessHeaps(64, heaps); }, 0u).result;
    EXPECT_GE(count, 1u);
    EXPECT_NE(std::find(heaps, heaps + count, GetProcessHeap()), heaps + count);
}

}  // namespace
