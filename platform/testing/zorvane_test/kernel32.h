// Test control for KERNEL32. Only tests include this header.
#pragma once

#include <windows.h>

#include <cstddef>

namespace zv_test {

struct HeapStats {
    size_t blocks;  // blocks allocated and not yet freed
    size_t bytes;   // their requested sizes, added up
};

// Counts of a live heap; false for a bad handle.
bool GetHeapStats(HANDLE heap, HeapStats* stats);

// Number of live heaps made with HeapCreate.
size_t LiveHeapCount();

// Makes allocations fail (HeapAlloc, HeapReAlloc, GlobalAlloc): after `successes` more
// successful allocations, every following one fails until ClearAllocationFailures.
// heap nullptr applies to every heap.
void FailAllocationsAfter(size_t successes, HANDLE heap = nullptr);
void ClearAllocationFailures();

// Hides a module from LoadLibraryA/GetModuleHandleA, or one of its exports from
// GetProcAddress, until shown again. Names compare without regard to case.
void HideModule(const char* module, bool hidden = true);
void HideExport(const char* module, const char* proc, bool hidden = true);
void ShowAllModules();

// Number of LoadLibraryA references still held on a module (0 when not loaded).
int ModuleLoadCount(const char* module);

// RAII guard that shows every module and clears allocation failures when it goes.
struct Kernel32Reset {
    ~Kernel32Reset() {
        ShowAllModules();
        ClearAllocationFailures();
    }
};

}  // namespace zv_test
