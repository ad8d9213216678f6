#include "runtime/heaps.h"

#include "runtime/block_pool.h"

HANDLE RuntimeHeap = 0;
HANDLE StringHeap = 0;
HANDLE MemoryHeap = 0;

namespace {

// Options 0 keeps the platform's serialisation, so any thread may use the heaps.
HANDLE CreatePrivateHeap() {
    return HeapCreate(0, 4096, 0);
}

}  // namespace

HANDLE Runtime_CreateHeap(void) {
    if (!RuntimeHeap) RuntimeHeap = CreatePrivateHeap();
    return RuntimeHeap;
}

BOOL Runtime_DestroyHeap(void) {
    if (!RuntimeHeap) return FALSE;
    // The registry's entries live in this heap and vanish with it.
    SharedPools_Forget();
    BOOL ok = HeapDestroy(RuntimeHeap);
    RuntimeHeap = 0;
    return ok;
}

void Strings_Init(void) {
    if (!StringHeap) StringHeap = CreatePrivateHeap();
}

void Strings_End(void) {
    if (StringHeap) HeapDestroy(StringHeap);
    StringHeap = 0;
}

void Memory_Init(void) {
    if (!MemoryHeap) MemoryHeap = CreatePrivateHeap();
}

void Memory_End(void) {
    if (MemoryHeap) HeapDestroy(MemoryHeap);
    MemoryHeap = 0;
}

void* Runtime_Alloc(SIZE_T bytes, BOOL zero_filled) {
    if (!RuntimeHeap) return 0;
    return HeapAlloc(RuntimeHeap, zero_filled ? HEAP_ZERO_MEMORY : 0, bytes);
}

void Runtime_Free(void* block) {
    if (block && RuntimeHeap) HeapFree(RuntimeHeap, 0, block);
}

void* Global_Alloc(int32_t size, GlobalRoutine init, GlobalRoutine release) {
    (void)release;  // the record goes with the RuntimeHeap
    if (size < 0) return 0;
    void* record = Runtime_Alloc((SIZE_T)size, TRUE);
    if (record && init) init(record);
    return record;
}

void* Global_Get(void* record) {
    return record;
}
