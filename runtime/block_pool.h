// Block pools: fixed-size blocks carved from larger chunks of the RuntimeHeap.
//
// Each chunk holds `capacity` slots; a slot is one pointer-sized header word followed by
// the block. While a block is in use the header holds its chunk's address; while free it
// links the chunk's free list. Slot size = block size + sizeof(void*), rounded up to a
// multiple of sizeof(void*) (28 -> 32 and 5 -> 12 where pointers take 4 bytes).
//
// Growth and release: a new chunk holds (total blocks / 16) rounded down to a multiple of
// 16 slots, clamped to [minimum, maximum]; a chunk goes back to the heap as soon as every
// block it gave out has returned. A block is always taken from the head of the available
// list: the most recently freed slot of that chunk first, then its never-used slots.
//
// Locking: a pool made with POOL_LOCKED serialises Pool_Alloc, Pool_Free and Pool_Clear
// with its own critical section; other pools take no lock and must be used by one thread
// at a time. Pools made with POOL_SHARED are shared, by reference count, among all
// creators asking for the same slot size and flags, through a process-wide registry whose
// lock is set up once by Once_Execute. Lock order: registry lock, then a pool's own lock.
//
// Bad input: null pools are ignored (Pool_Alloc returns 0), Pool_Free of 0 does nothing,
// Pool_Create rejects a negative block size, a minimum below 1 and a maximum below the
// minimum. Freeing a block that did not come from the pool, or twice, is not detected.
#pragma once

#include <windows.h>
#include <stdint.h>

#define POOL_LOCKED 1
#define POOL_SHARED 4

struct PoolChunk {
    struct PoolChunk* next;      // next chunk in the same list
    struct PoolChunk* previous;  // previous chunk in the same list, 0 for the head
    void* free_list;             // first free slot; a free slot's header links the next
    int32_t capacity;
    int32_t handed_out;  // slots given out at least once, from the front
    int32_t free_count;  // slots on the free list
};

struct SharedPoolEntry {
    struct SharedPoolEntry* next;
    struct SharedPoolEntry* previous;
    struct BlockPool* pool;
    int32_t slot_size;
    int32_t flags;  // as passed, POOL_SHARED included
    int32_t reference_count;
};

struct BlockPool {
    struct PoolChunk* full_chunks;       // chunks with no block left to give (see hot_chunk)
    struct PoolChunk* available_chunks;  // chunks that can still give a block
    struct SharedPoolEntry* shared_entry;
    int32_t total_blocks;  // capacities of all chunks, added up
    int32_t slot_size;
    int32_t minimum_per_chunk;
    int32_t maximum_per_chunk;
    int32_t locked;
    CRITICAL_SECTION lock;  // initialised only when locked
    // A chunk of the full list that has had a block returned since it filled up. It counts
    // as the head of the available list while it stays linked on the full list, so that
    // the common "one back, one out" on a full chunk moves no list links at all. The order
    // of the full list is never observable; the blocks handed out are exactly those of the
    // plain two-list scheme.
    struct PoolChunk* hot_chunk;
};

// The slot size for a block size (block + one pointer, rounded up to a pointer), or 0 when
// the block size is negative or too large.
int32_t Pool_SlotSize(int32_t block_size);

struct BlockPool* Pool_Create(int32_t block_size, int32_t minimum_per_chunk,
                              int32_t maximum_per_chunk, int32_t flags);

// The general paths of Pool_Alloc and Pool_Free: every case, with the lock. Pool_Alloc and
// Pool_Free below settle the common cases of an unlocked pool in line (a slot within the
// head chunk that leaves it available; a slot back into a chunk that neither empties nor
// was full) and hand everything else to these.
void* Pool_AllocGeneral(struct BlockPool* pool);
void Pool_FreeGeneral(struct BlockPool* pool, void* block);

// A block (contents undefined), or 0 when no chunk can be had.
static inline void* Pool_Alloc(struct BlockPool* pool) {
    if (__builtin_expect(pool && !pool->locked, 1)) {
        struct PoolChunk* chunk = pool->hot_chunk;
        if (chunk) {
            void** slot = (void**)chunk->free_list;
            chunk->free_list = *slot;
            if (--chunk->free_count == 0) pool->hot_chunk = 0;  // full again, and listed so
            *slot = chunk;
            return slot + 1;
        }
        chunk = pool->available_chunks;
        if (chunk) {
            // Blocks the chunk can still give: free slots plus never-used ones. With more
            // than one, it stays on the available list after this one.
            int32_t free_count = chunk->free_count;
            int32_t spare = free_count + chunk->capacity - chunk->handed_out;
            if (__builtin_expect(spare > 1, 1)) {
                void** slot;
                if (free_count != 0) {
                    slot = (void**)chunk->free_list;
                    chunk->free_list = *slot;
                    chunk->free_count = free_count - 1;
                } else {
                    slot = (void**)((char*)(chunk + 1) +
                                    (SIZE_T)chunk->handed_out * (SIZE_T)pool->slot_size);
                    ++chunk->handed_out;
                }
                *slot = chunk;
                return slot + 1;
            }
        }
    }
    return Pool_AllocGeneral(pool);
}

static inline void Pool_Free(struct BlockPool* pool, void* block) {
    if (__builtin_expect(pool && block && !pool->locked, 1)) {
        void** slot = (void**)block - 1;
        struct PoolChunk* chunk = (struct PoolChunk*)*slot;
        int32_t free_count = chunk->free_count;
        int32_t handed_out = chunk->handed_out;
        // Neither the chunk's last block coming back nor one going into a full chunk.
        if (__builtin_expect(
                free_count + 1 != handed_out && free_count + chunk->capacity - handed_out != 0,
                1)) {
            *slot = chunk->free_list;
            chunk->free_list = slot;
            chunk->free_count = free_count + 1;
            return;
        }
        if (free_count + 1 != handed_out && !pool->hot_chunk) {
            // A full chunk gets a block back: it becomes the hot chunk, without list moves.
            *slot = chunk->free_list;
            chunk->free_list = slot;
            chunk->free_count = 1;
            pool->hot_chunk = chunk;
            return;
        }
    }
    Pool_FreeGeneral(pool, block);
}

// Releases every chunk; all blocks of the pool become invalid.
void Pool_Clear(struct BlockPool* pool);
// Releases the pool (a shared pool: one reference).
void Pool_Destroy(struct BlockPool* pool);

// Forgets every registry entry without touching them: for Runtime_DestroyHeap, after which
// the entries no longer exist.
void SharedPools_Forget(void);

// One-time initialisation state. It is used as an INIT_ONCE when KERNEL32 offers
// InitOnceExecuteOnce and, where it does not, as a LONG holding ONCE_IDLE, ONCE_RUNNING
// or ONCE_DONE (the low bits of an INIT_ONCE encode the same three states, so a word
// done one way also reads as done the other way). Start it zero-filled (ONCE_STATE_INIT).
typedef union OnceState {
    INIT_ONCE init_once;
    LONG word;
} OnceState;

#define ONCE_STATE_INIT \
    { INIT_ONCE_STATIC_INIT }
#define ONCE_IDLE 0
#define ONCE_RUNNING 1
#define ONCE_DONE 2

typedef void (*OnceRoutine)(void);

// Runs the routine exactly once per state, however many threads call it; every caller
// returns only after the routine has finished.
void Once_Execute(OnceState* state, OnceRoutine routine);
