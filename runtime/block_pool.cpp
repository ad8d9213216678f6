#include "runtime/block_pool.h"

#include "runtime/heaps.h"

namespace {

// Slots start right after the chunk header, which keeps them on a pointer boundary.
constexpr SIZE_T kChunkHeader = sizeof(PoolChunk);
static_assert(sizeof(PoolChunk) % sizeof(void*) == 0, "slots must stay pointer-aligned");

inline char* ChunkSlots(PoolChunk* chunk) {
    return (char*)chunk + kChunkHeader;
}

inline void PushChunk(PoolChunk** list, PoolChunk* chunk) {
    chunk->previous = 0;
    chunk->next = *list;
    if (*list) (*list)->previous = chunk;
    *list = chunk;
}

inline void UnlinkChunk(PoolChunk** list, PoolChunk* chunk) {
    if (chunk->previous)
        chunk->previous->next = chunk->next;
    else
        *list = chunk->next;
    if (chunk->next) chunk->next->previous = chunk->previous;
}

// The head of the available list: the hot chunk when there is one.
inline PoolChunk* AvailableHead(BlockPool* pool) {
    return pool->hot_chunk ? pool->hot_chunk : pool->available_chunks;
}

// After every change of the lists: the chunk Pool_Alloc takes from in line.
inline void UpdateCurrent(BlockPool* pool) {
    if (!pool->locked) pool->current = AvailableHead(pool);
}

void FreeChunkList(PoolChunk* chunk) {
    while (chunk) {
        PoolChunk* next = chunk->next;
        Runtime_Free(chunk);
        chunk = next;
    }
}

// A new chunk for the pool, linked into the right list, its first slot already handed
// out; 0 when not even a one-slot chunk can be had.
PoolChunk* NewChunk(BlockPool* pool) {
    int32_t n = (pool->total_blocks >> 4) & ~15;
    if (n < pool->minimum_per_chunk)
        n = pool->minimum_per_chunk;
    else if (n > pool->maximum_per_chunk)
        n = pool->maximum_per_chunk;
    PoolChunk* chunk = 0;
    uint64_t bytes = kChunkHeader + (uint64_t)n * (uint32_t)pool->slot_size;
    if (bytes <= (SIZE_T)-1 && pool->total_blocks <= 0x7FFFFFFF - n)
        chunk = (PoolChunk*)Runtime_Alloc((SIZE_T)bytes, FALSE);
    if (!chunk) {
        if (pool->total_blocks == 0x7FFFFFFF) return 0;
        n = 1;
        chunk = (PoolChunk*)Runtime_Alloc(kChunkHeader + (SIZE_T)pool->slot_size, FALSE);
        if (!chunk) return 0;
    }
    chunk->capacity = n;
    pool->total_blocks += n;
    chunk->handed_out = 1;
    chunk->spare = n - 1;
    chunk->inline_free_limit = n < 2 ? 0 : (uint32_t)n - 2;
    chunk->free_list = 0;
    PushChunk(n > 1 ? &pool->available_chunks : &pool->full_chunks, chunk);
    return chunk;
}

BlockPool* MakePool(int32_t slot_size, int32_t minimum, int32_t maximum, int32_t flags) {
    BlockPool* pool = (BlockPool*)Runtime_Alloc(sizeof(BlockPool), FALSE);
    if (!pool) return 0;
    pool->full_chunks = 0;
    pool->available_chunks = 0;
    pool->shared_entry = 0;
    pool->total_blocks = 0;
    pool->slot_size = slot_size;
    pool->minimum_per_chunk = minimum;
    pool->maximum_per_chunk = maximum;
    pool->hot_chunk = 0;
    pool->current = 0;
    pool->locked = (flags & POOL_LOCK_BITS) == POOL_LOCKED;
    if (pool->locked) InitializeCriticalSection(&pool->lock);
    return pool;
}

void DestroyPool(BlockPool* pool) {
    Pool_Clear(pool);
    if (pool->locked) DeleteCriticalSection(&pool->lock);
    Runtime_Free(pool);
}

// The shared-pool registry: process-wide, its lock made once.
SharedPoolEntry* g_registry = 0;
CRITICAL_SECTION g_registry_lock;
OnceState g_registry_once = ONCE_STATE_INIT;
volatile LONG g_registry_ready = 0;

void SetUpRegistry(void) {
    InitializeCriticalSection(&g_registry_lock);
    g_registry = 0;
    InterlockedExchange(&g_registry_ready, 1);
}

BOOL CALLBACK RunOnceCallback(PINIT_ONCE, PVOID parameter, PVOID*) {
    (*(OnceRoutine*)parameter)();
    return TRUE;
}

}  // namespace

int32_t Pool_SlotSize(int32_t block_size) {
    const int32_t header = (int32_t)sizeof(void*);
    if (block_size < 0 || block_size > 0x7FFFFFFF - 2 * header) return 0;
    return (block_size + header + header - 1) & ~(header - 1);
}

BlockPool* Pool_Create(int32_t block_size, int32_t minimum_per_chunk, int32_t maximum_per_chunk,
                       int32_t flags) {
    int32_t slot_size = Pool_SlotSize(block_size);
    if (!slot_size || minimum_per_chunk < 1 || maximum_per_chunk < minimum_per_chunk) return 0;
    if (!(flags & POOL_SHARED))
        return MakePool(slot_size, minimum_per_chunk, maximum_per_chunk, flags);

    Once_Execute(&g_registry_once, SetUpRegistry);
    EnterCriticalSection(&g_registry_lock);
    BlockPool* result = 0;
    for (SharedPoolEntry* entry = g_registry; entry; entry = entry->next) {
        if (entry->slot_size == slot_size && entry->flags == flags) {
            ++entry->reference_count;
            result = entry->pool;
            break;
        }
    }
    if (!result) {
        SharedPoolEntry* entry = (SharedPoolEntry*)Runtime_Alloc(sizeof(SharedPoolEntry), FALSE);
        if (entry) {
            result =
                MakePool(slot_size, minimum_per_chunk, maximum_per_chunk, flags & ~POOL_SHARED);
            if (result) {
                entry->pool = result;
                entry->slot_size = slot_size;
                entry->flags = flags;
                entry->reference_count = 1;
                entry->previous = 0;
                entry->next = g_registry;
                if (g_registry) g_registry->previous = entry;
                g_registry = entry;
                result->shared_entry = entry;
            } else {
                Runtime_Free(entry);
            }
        }
    }
    LeaveCriticalSection(&g_registry_lock);
    return result;
}

void* Pool_AllocGeneral(BlockPool* pool) {
    if (!pool) return 0;
    if (pool->locked) EnterCriticalSection(&pool->lock);
    void** slot = 0;
    PoolChunk* chunk = AvailableHead(pool);
    if (chunk) {
        if (chunk->free_list) {
            slot = (void**)chunk->free_list;
            chunk->free_list = *slot;
        } else {
            slot = (void**)(ChunkSlots(chunk) + (SIZE_T)chunk->handed_out * pool->slot_size);
            ++chunk->handed_out;
        }
        if (--chunk->spare == 0) {
            // Full: the hot chunk is on the full list already.
            if (chunk == pool->hot_chunk) {
                pool->hot_chunk = 0;
            } else {
                UnlinkChunk(&pool->available_chunks, chunk);
                PushChunk(&pool->full_chunks, chunk);
            }
        }
    } else {
        chunk = NewChunk(pool);
        if (chunk) slot = (void**)ChunkSlots(chunk);
    }
    if (slot) *slot = chunk;
    UpdateCurrent(pool);
    if (pool->locked) LeaveCriticalSection(&pool->lock);
    return slot ? slot + 1 : 0;
}

void Pool_FreeGeneral(BlockPool* pool, void* block) {
    if (!pool || !block) return;
    if (pool->locked) EnterCriticalSection(&pool->lock);
    void** slot = (void**)block - 1;
    PoolChunk* chunk = (PoolChunk*)*slot;
    bool was_full = chunk->spare == 0;
    *slot = chunk->free_list;
    chunk->free_list = slot;
    ++chunk->spare;
    // Physically on the full list: a chunk that was full, and the hot chunk.
    bool on_full_list = was_full || chunk == pool->hot_chunk;
    if (chunk->spare == chunk->capacity) {
        if (chunk == pool->hot_chunk) pool->hot_chunk = 0;
        UnlinkChunk(on_full_list ? &pool->full_chunks : &pool->available_chunks, chunk);
        pool->total_blocks -= chunk->capacity;
        Runtime_Free(chunk);
    } else if (was_full) {
        // It becomes the head of the available list. The hot chunk, if any, was the head
        // until now and takes its place behind it for real.
        PoolChunk* previous_head = pool->hot_chunk;
        if (previous_head) {
            UnlinkChunk(&pool->full_chunks, previous_head);
            PushChunk(&pool->available_chunks, previous_head);
        }
        pool->hot_chunk = chunk;
    }
    UpdateCurrent(pool);
    if (pool->locked) LeaveCriticalSection(&pool->lock);
}

void Pool_Clear(BlockPool* pool) {
    if (!pool) return;
    if (pool->locked) EnterCriticalSection(&pool->lock);
    FreeChunkList(pool->available_chunks);
    FreeChunkList(pool->full_chunks);
    pool->available_chunks = 0;
    pool->full_chunks = 0;
    pool->hot_chunk = 0;
    pool->current = 0;
    pool->total_blocks = 0;
    if (pool->locked) LeaveCriticalSection(&pool->lock);
}

void Pool_Destroy(BlockPool* pool) {
    if (!pool) return;
    SharedPoolEntry* entry = pool->shared_entry;
    if (!entry) {
        DestroyPool(pool);
        return;
    }
    EnterCriticalSection(&g_registry_lock);
    if (--entry->reference_count > 0) {
        LeaveCriticalSection(&g_registry_lock);
        return;
    }
    pool->shared_entry = 0;
    DestroyPool(pool);
    if (entry->previous)
        entry->previous->next = entry->next;
    else
        g_registry = entry->next;
    if (entry->next) entry->next->previous = entry->previous;
    Runtime_Free(entry);
    LeaveCriticalSection(&g_registry_lock);
}

void SharedPools_Forget(void) {
    if (!InterlockedCompareExchange(&g_registry_ready, 1, 1)) return;
    EnterCriticalSection(&g_registry_lock);
    g_registry = 0;
    LeaveCriticalSection(&g_registry_lock);
}

void Once_Execute(OnceState* state, OnceRoutine routine) {
    if (!state || !routine) return;
    // Looked up each time: the entry point only exists on newer systems.
    HMODULE kernel32 = LoadLibraryA("Kernel32.dll");
    if (kernel32) {
        typedef BOOL(WINAPI * InitOnceFn)(PINIT_ONCE, PINIT_ONCE_FN, PVOID, LPVOID*);
        FARPROC proc = GetProcAddress(kernel32, "InitOnceExecuteOnce");
        if (proc) {
            InitOnceFn execute_once =
                reinterpret_cast<InitOnceFn>(reinterpret_cast<void (*)(void)>(proc));
            execute_once(&state->init_once, RunOnceCallback, (PVOID)&routine, 0);
            FreeLibrary(kernel32);
            return;
        }
        FreeLibrary(kernel32);
    }
    LONG previous = InterlockedCompareExchange(&state->word, ONCE_RUNNING, ONCE_IDLE);
    if (previous == ONCE_IDLE) {
        routine();
        InterlockedExchange(&state->word, ONCE_DONE);
    } else if (previous == ONCE_RUNNING) {
        while (InterlockedCompareExchange(&state->word, ONCE_DONE, ONCE_DONE) != ONCE_DONE)
            Sleep(0);
    }
}
