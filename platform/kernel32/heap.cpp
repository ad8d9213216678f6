// Private heaps. A heap owns its blocks: every block carries a header that links it
// into its heap's list, so HeapDestroy releases whatever is still allocated, and
// HeapWalk (like the tests' counts) reads a heap's blocks from that list.

#include <windows.h>

#include <zorvane_test/kernel32.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <mutex>
#include <vector>

#include "handle_table.h"
#include "kernel32_internal.h"

namespace zv::kernel32 {
namespace {

constexpr uint32_t kBlockMagic = 0x5A484B42;  // live block
constexpr uint32_t kFreedMagic = 0x5A484B46;  // marks a header that no longer heads a live block

struct Heap;

// 32 bytes keeps the caller's block 16-byte aligned, as Windows' heaps are on x64.
struct alignas(16) BlockHeader {
    BlockHeader* prev;
    BlockHeader* next;
    Heap* heap;
    uint32_t size;  // blocks are limited to 4 GiB, as a 32-bit process's are
    uint32_t magic;
};
static_assert(sizeof(BlockHeader) == 32);

struct Heap {
    // Recursive, as Windows' heap lock is: a thread holding HeapLock may still allocate.
    std::recursive_mutex mutex;
    bool serialize = true;
    size_t maximum = 0;  // 0: growable
    BlockHeader head{&head, &head, nullptr, 0, 0};
    size_t blocks = 0;
    size_t bytes = 0;

    ~Heap() {
        BlockHeader* b = head.next;
        while (b != &head) {
            BlockHeader* next = b->next;
            b->magic = kFreedMagic;
            std::free(b);
            b = next;
        }
    }
};

HandleTable<Heap>& Heaps() {
    static HandleTable<Heap>* table = new HandleTable<Heap>(1);
    return *table;
}

size_t BlockSize(const BlockHeader* b) {
    return b->size;
}

struct FailureSwitch {
    std::mutex mutex;
    bool armed = false;
    size_t remaining = 0;
    HANDLE heap = nullptr;
} g_failures;
std::atomic<bool> g_failures_armed{false};

class HeapGuard {
  public:
    explicit HeapGuard(Heap* h) : heap_(h) {
        if (heap_->serialize) heap_->mutex.lock();
    }
    ~HeapGuard() {
        if (heap_->serialize) heap_->mutex.unlock();
    }

  private:
    Heap* heap_;
};

BlockHeader* HeaderOf(Heap* heap, LPCVOID mem) {
    if (!mem || (reinterpret_cast<uintptr_t>(mem) & 15) != 0) return nullptr;
    auto* b = reinterpret_cast<BlockHeader*>(const_cast<void*>(mem)) - 1;
    if (b->magic != kBlockMagic || b->heap != heap) return nullptr;
    return b;
}

}  // namespace

bool ShouldFailAllocation(HANDLE heap) {
    if (!g_failures_armed.load(std::memory_order_relaxed)) return false;
    std::lock_guard<std::mutex> lock(g_failures.mutex);
    if (!g_failures.armed) return false;
    if (g_failures.heap && g_failures.heap != heap) return false;
    if (g_failures.remaining > 0) {
        --g_failures.remaining;
        return false;
    }
    return true;
}

}  // namespace zv::kernel32

using namespace zv::kernel32;

extern "C" {

HANDLE WINAPI HeapCreate(DWORD options, SIZE_T initial_size, SIZE_T maximum_size) {
    if (maximum_size != 0 && initial_size > maximum_size)
        return Fail(ERROR_INVALID_PARAMETER, HANDLE(nullptr));
    return Guard(HANDLE(nullptr), [&] {
        auto heap = std::make_unique<Heap>();
        heap->serialize = (options & HEAP_NO_SERIALIZE) == 0;
        // A fixed heap holds whole pages, as Windows rounds its maximum up to them.
        constexpr SIZE_T kPage = 4096;
        heap->maximum = maximum_size > ~SIZE_T(0) - kPage
                            ? maximum_size
                            : (maximum_size + kPage - 1) / kPage * kPage;
        uintptr_t h = Heaps().Add(std::move(heap));
        if (!h) return Fail(ERROR_NOT_ENOUGH_MEMORY, HANDLE(nullptr));
        return reinterpret_cast<HANDLE>(h);
    });
}

BOOL WINAPI HeapDestroy(HANDLE heap) {
    std::unique_ptr<Heap> h = Heaps().Remove(heap);
    if (!h) return Fail(ERROR_INVALID_HANDLE, FALSE);
    return TRUE;  // the destructor releases every block still allocated
}

LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
    Heap* h = Heaps().Get(heap);
    if (!h) return Fail(ERROR_INVALID_HANDLE, LPVOID(nullptr));
    if (bytes > 0xFFFFFFFFu - sizeof(BlockHeader) || (h->maximum && bytes > h->maximum) ||
        ShouldFailAllocation(heap))
        return Fail(ERROR_NOT_ENOUGH_MEMORY, LPVOID(nullptr));
    HeapGuard lock(h);
    if (h->maximum && h->bytes + bytes > h->maximum)
        return Fail(ERROR_NOT_ENOUGH_MEMORY, LPVOID(nullptr));
    auto* b = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + (bytes ? bytes : 1)));
    if (!b) return Fail(ERROR_NOT_ENOUGH_MEMORY, LPVOID(nullptr));
    b->size = uint32_t(bytes);
    b->magic = kBlockMagic;
    b->heap = h;
    b->next = h->head.next;
    b->prev = &h->head;
    h->head.next->prev = b;
    h->head.next = b;
    ++h->blocks;
    h->bytes += bytes;
    void* mem = b + 1;
    if (flags & HEAP_ZERO_MEMORY) std::memset(mem, 0, bytes);
    return mem;
}

LPVOID WINAPI HeapReAlloc(HANDLE heap, DWORD flags, LPVOID mem, SIZE_T bytes) {
    Heap* h = Heaps().Get(heap);
    if (!h) return Fail(ERROR_INVALID_HANDLE, LPVOID(nullptr));
    HeapGuard lock(h);
    BlockHeader* b = HeaderOf(h, mem);
    if (!b) return Fail(ERROR_INVALID_PARAMETER, LPVOID(nullptr));
    size_t old = BlockSize(b);
    if (bytes == old) return mem;
    if ((flags & HEAP_REALLOC_IN_PLACE_ONLY) && bytes > old)
        return Fail(ERROR_NOT_ENOUGH_MEMORY, LPVOID(nullptr));
    if (bytes > 0xFFFFFFFFu - sizeof(BlockHeader) ||
        (h->maximum && h->bytes - old + bytes > h->maximum) || ShouldFailAllocation(heap))
        return Fail(ERROR_NOT_ENOUGH_MEMORY, LPVOID(nullptr));
    if (flags & HEAP_REALLOC_IN_PLACE_ONLY) {
        // Shrinking in place: the block keeps its address, only its size changes.
        h->bytes = h->bytes - old + bytes;
        b->size = uint32_t(bytes);
        return mem;
    }
    BlockHeader* prev = b->prev;
    BlockHeader* next = b->next;
    auto* nb =
        static_cast<BlockHeader*>(std::realloc(b, sizeof(BlockHeader) + (bytes ? bytes : 1)));
    if (!nb) return Fail(ERROR_NOT_ENOUGH_MEMORY, LPVOID(nullptr));
    prev->next = nb;
    next->prev = nb;
    nb->size = uint32_t(bytes);
    h->bytes = h->bytes - old + bytes;
    if ((flags & HEAP_ZERO_MEMORY) && bytes > old)
        std::memset(reinterpret_cast<char*>(nb + 1) + old, 0, bytes - old);
    return nb + 1;
}

BOOL WINAPI HeapFree(HANDLE heap, DWORD /*flags*/, LPVOID mem) {
    Heap* h = Heaps().Get(heap);
    if (!h) return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (!mem) return TRUE;
    HeapGuard lock(h);
    BlockHeader* b = HeaderOf(h, mem);
    if (!b) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    b->prev->next = b->next;
    b->next->prev = b->prev;
    --h->blocks;
    h->bytes -= BlockSize(b);
    b->magic = kFreedMagic;
    std::free(b);
    return TRUE;
}

SIZE_T WINAPI HeapSize(HANDLE heap, DWORD /*flags*/, LPCVOID mem) {
    Heap* h = Heaps().Get(heap);
    if (!h) return Fail(ERROR_INVALID_HANDLE, SIZE_T(-1));
    HeapGuard lock(h);
    BlockHeader* b = HeaderOf(h, mem);
    if (!b) return Fail(ERROR_INVALID_PARAMETER, SIZE_T(-1));
    return BlockSize(b);
}

HANDLE WINAPI GetProcessHeap(void) {
    // Made on first use; a first use that runs out of memory leaves the next one to try.
    static std::atomic<HANDLE> process_heap{nullptr};
    static std::mutex making;
    if (HANDLE h = process_heap.load(std::memory_order_acquire)) return h;
    std::lock_guard<std::mutex> lock(making);
    HANDLE h = process_heap.load(std::memory_order_relaxed);
    if (!h) {
        h = HeapCreate(0, 0, 0);
        process_heap.store(h, std::memory_order_release);
    }
    return h;
}

BOOL WINAPI HeapLock(HANDLE heap) {
    Heap* h = Heaps().Get(heap);
    if (!h) return Fail(ERROR_INVALID_HANDLE, FALSE);
    h->mutex.lock();
    return TRUE;
}

BOOL WINAPI HeapUnlock(HANDLE heap) {
    Heap* h = Heaps().Get(heap);
    if (!h) return Fail(ERROR_INVALID_HANDLE, FALSE);
    h->mutex.unlock();
    return TRUE;
}

// One region entry for the heap as a whole, then every busy block, newest first. The
// caller holds HeapLock across the walk when other threads may change the heap.
BOOL WINAPI HeapWalk(HANDLE heap, LPPROCESS_HEAP_ENTRY entry) {
    Heap* h = Heaps().Get(heap);
    if (!h) return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (!entry) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    HeapGuard lock(h);
    BlockHeader* next;
    if (!entry->lpData) {
        std::memset(entry, 0, sizeof(*entry));
        entry->lpData = h;
        entry->cbData = DWORD(h->bytes);
        entry->wFlags = PROCESS_HEAP_REGION;
        entry->Region.dwCommittedSize = DWORD(h->bytes);
        entry->Region.lpFirstBlock = h->head.next == &h->head ? nullptr : h->head.next + 1;
        entry->Region.lpLastBlock = h->head.prev == &h->head ? nullptr : h->head.prev + 1;
        return TRUE;
    }
    if (entry->lpData == h) {
        next = h->head.next;
    } else {
        BlockHeader* b = HeaderOf(h, entry->lpData);
        if (!b) return Fail(ERROR_INVALID_PARAMETER, FALSE);
        next = b->next;
    }
    if (next == &h->head) return Fail(ERROR_NO_MORE_ITEMS, FALSE);
    std::memset(entry, 0, sizeof(*entry));
    entry->lpData = next + 1;
    entry->cbData = next->size;
    entry->cbOverhead = BYTE(sizeof(BlockHeader));
    entry->wFlags = PROCESS_HEAP_ENTRY_BUSY;
    return TRUE;
}

// The number of heaps. The handles are stored only when all of them fit, as on Windows.
DWORD WINAPI GetProcessHeaps(DWORD count, PHANDLE heaps) {
    GetProcessHeap();  // the process heap exists from the first question on
    if (count && !heaps) return Fail(ERROR_INVALID_PARAMETER, DWORD(0));
    return Guard(DWORD(0), [&] {
        std::vector<HANDLE> all;
        Heaps().ForEach(
            [&](uintptr_t handle, Heap*) { all.push_back(reinterpret_cast<HANDLE>(handle)); });
        if (all.size() <= count) std::copy(all.begin(), all.end(), heaps);
        return DWORD(all.size());
    });
}

}  // extern "C"

namespace zv_test {

bool GetHeapStats(HANDLE heap, HeapStats* stats) {
    Heap* h = Heaps().Get(heap);
    if (!h || !stats) return false;
    HeapGuard lock(h);
    stats->blocks = h->blocks;
    stats->bytes = h->bytes;
    return true;
}

size_t LiveHeapCount() {
    return Heaps().LiveCount();
}

void FailAllocationsAfter(size_t successes, HANDLE heap) {
    std::lock_guard<std::mutex> lock(g_failures.mutex);
    g_failures.armed = true;
    g_failures.remaining = successes;
    g_failures.heap = heap;
    g_failures_armed.store(true);
}

void ClearAllocationFailures() {
    std::lock_guard<std::mutex> lock(g_failures.mutex);
    g_failures.armed = false;
    g_failures_armed.store(false);
}

}  // namespace zv_test
