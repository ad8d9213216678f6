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
//
// The in-line Pool_Alloc and Pool_Free below share their state with the general paths in
// block_pool.cpp; what each side may assume and change, with a diagram of the chunks and
// lists, is in runtime/README.md. Read it before changing either.
#pragma once

#include <windows.h>
#include <stdint.h>

// Flags of Pool_Create. The low two bits (POOL_LOCK_BITS) choose the locking: POOL_LOCKED
// gives the pool its own lock, 0 and POOL_UNLOCKED give none; the two differ only as part
// of the key under which a shared pool is found.
#define POOL_LOCKED 1
#define POOL_UNLOCKED 2
#define POOL_LOCK_BITS 3
#define POOL_SHARED 4

struct PoolChunk {
    struct PoolChunk* next;      // next chunk in the same list
    struct PoolChunk* previous;  // previous chunk in the same list, 0 for the head
    void* free_list;             // first free slot; a free slot's header links the next
    int32_t capacity;
    int32_t handed_out;  // slots given out at least once, from the front
    int32_t spare;       // blocks it can still give: its free slots and never-used ones
    // Pool_Free settles a block in line when (unsigned)(spare - 1) is below this: the
    // chunk was not full and the block is not the last one out. It is capacity - 2, or 0
    // below two slots.
    uint32_t inline_free_limit;
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
    // The chunk Pool_Alloc takes from, the head of the available list as above (the hot
    // chunk when there is one); 0 when there is none and always 0 in a locked pool, whose
    // blocks all go through the general path and its lock.
    struct PoolChunk* current;
};

// The slot size for a block size (block + one pointer, rounded up to a pointer), or 0 when
// the block size is negative or too large.
int32_t Pool_SlotSize(int32_t block_size);

struct BlockPool* Pool_Create(int32_t block_size, int32_t minimum_per_chunk,
                              int32_t maximum_per_chunk, int32_t flags);

// The general paths of Pool_Alloc and Pool_Free: every case, with the lock. Pool_Alloc and
// Pool_Free below settle the common cases of an unlocked pool in line, none of which moves
// a chunk between lists: a block from the current chunk that can give more, or the hot
// chunk's last one; a block back into a chunk that neither empties nor was full, or into
// a full chunk while there is no hot chunk. Everything else goes to these.
void* Pool_AllocGeneral(struct BlockPool* pool);
void Pool_FreeGeneral(struct BlockPool* pool, void* block);

// A block (contents undefined), or 0 when no chunk can be had.
static inline void* Pool_Alloc(struct BlockPool* pool) {
    if (__builtin_expect(pool != 0, 1)) {
        struct PoolChunk* chunk = pool->current;
        if (__builtin_expect(chunk != 0, 1)) {
            int32_t spare = chunk->spare - 1;
            // It can still give more, or it is the hot chunk, already on the full list.
            if (__builtin_expect(spare > 0, 1) || chunk == pool->hot_chunk) {
                void** slot = (void**)chunk->free_list;
                if (slot)
                    chunk->free_list = *slot;
                else
                    slot = (void**)((char*)(chunk + 1) +
                                    (SIZE_T)chunk->handed_out++ * (SIZE_T)pool->slot_size);
                chunk->spare = spare;
                *slot = chunk;
                if (__builtin_expect(spare == 0, 0)) {  // the hot chunk is full again
                    pool->hot_chunk = 0;
                    pool->current = pool->available_chunks;
                }
                return slot + 1;
            }
        }
    }
    return Pool_AllocGeneral(pool);
}

static inline void Pool_Free(struct BlockPool* pool, void* block) {
    // A locked pool's chunks are read only under its lock, in the general path.
    if (__builtin_expect(pool && block && !pool->locked, 1)) {
        void** slot = (void**)block - 1;
        struct PoolChunk* chunk = (struct PoolChunk*)*slot;
        uint32_t spare = (uint32_t)chunk->spare;
        // Neither empties nor was full; or a full chunk, not emptied, while there is no hot one.
        if (__builtin_expect(spare - 1u < chunk->inline_free_limit, 1) ||
            (spare == 0 && chunk->capacity != 1 && !pool->hot_chunk)) {
            *slot = chunk->free_list;
            chunk->free_list = slot;
            chunk->spare = (int32_t)(spare + 1u);
            if (__builtin_expect(spare == 0, 0)) {  // it becomes the hot chunk, no list moves
                pool->hot_chunk = chunk;
                pool->current = chunk;
            }
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
