// Private heaps of the runtime and the library start-up convention.
//
// Every runtime record (object tables and their objects, arrays, block pools, maps,
// library global records, drawing contexts) comes from the RuntimeHeap. Nothing frees
// tables or global records one by one: destroying the RuntimeHeap releases the whole
// runtime state at once. String values held in record fields come from the StringHeap;
// the MemoryHeap exists for compatibility and serves nothing.
//
// Order of life: Runtime_CreateHeap, then the library start-ups (Strings_Init first),
// ..., the library shut-downs (Strings_End last), then Runtime_DestroyHeap.
//
// All heaps are made with options 0, so the platform serialises access to them and they
// may be used from any thread. Start-up and shut-down run on the program's thread.
#pragma once

#include <windows.h>
#include <stdint.h>

// The heaps, 0 while they do not exist.
extern HANDLE RuntimeHeap;
extern HANDLE StringHeap;
extern HANDLE MemoryHeap;

// Creates the RuntimeHeap (growable, initial size 4096) and returns it, or 0. A heap
// that already exists is returned as it is.
HANDLE Runtime_CreateHeap(void);

// Destroys the RuntimeHeap, releasing every block still allocated from it, and forgets
// the process-wide lists that lived in it (the shared-pool registry). Returns non-zero
// on success, 0 when there was no heap.
BOOL Runtime_DestroyHeap(void);

// Create and destroy the StringHeap and the MemoryHeap. Init on a heap that exists and
// End on a heap that does not are harmless.
void Strings_Init(void);
void Strings_End(void);
void Memory_Init(void);
void Memory_End(void);

typedef void (*GlobalRoutine)(void* record);

// A library's process-wide record: `size` zero-filled bytes of the RuntimeHeap. The init
// routine, when given, runs once on the new (zero-filled) record before it is returned.
// The release routine is accepted for symmetry but never called: the record goes with
// the RuntimeHeap. Returns 0, without calling init, when the block cannot be had
// (including a negative size or no RuntimeHeap).
void* Global_Alloc(int32_t size, GlobalRoutine init, GlobalRoutine release);

// Returns its argument unchanged; libraries reach their global records through it.
void* Global_Get(void* record);

// Allocation helpers on the RuntimeHeap for the runtime's own libraries: 0 when there
// is no RuntimeHeap or no memory. Runtime_Free of 0 does nothing.
void* Runtime_Alloc(SIZE_T bytes, BOOL zero_filled);
void Runtime_Free(void* block);
