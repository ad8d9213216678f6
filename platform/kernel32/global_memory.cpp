// Global memory, as far as packed DIBs need it: fixed blocks are plain pointers into the
// process heap; moveable blocks are handles that GlobalLock turns into their pointer.

#include <windows.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_set>

#include "handle_table.h"
#include "kernel32_internal.h"

namespace zv::kernel32 {
namespace {

struct ProcessHeapFree {
    void operator()(void* mem) const { HeapFree(GetProcessHeap(), 0, mem); }
};

struct MoveableBlock {
    void* mem = nullptr;
    SIZE_T size = 0;
    int locks = 0;
    ~MoveableBlock() { ProcessHeapFree()(mem); }
};

HandleTable<MoveableBlock>& Moveables() {
    static HandleTable<MoveableBlock>* table = new HandleTable<MoveableBlock>(2);
    return *table;
}

// Fixed blocks are bare pointers; remembering them lets a stray pointer fail the call
// instead of being taken for a heap block.
struct FixedBlocks {
    std::mutex mutex;
    std::unordered_set<void*> live;
    void Add(void* p) {
        std::lock_guard<std::mutex> lock(mutex);
        live.insert(p);
    }
    bool Contains(void* p) {
        std::lock_guard<std::mutex> lock(mutex);
        return live.count(p) != 0;
    }
    bool Remove(void* p) {
        std::lock_guard<std::mutex> lock(mutex);
        return live.erase(p) != 0;
    }
};

FixedBlocks& Fixed() {
    static FixedBlocks* blocks = new FixedBlocks;
    return *blocks;
}

}  // namespace
}  // namespace zv::kernel32

using namespace zv::kernel32;

extern "C" {

HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
    if (flags & ~UINT(GMEM_MOVEABLE | GMEM_ZEROINIT))
        return Fail(ERROR_INVALID_PARAMETER, HGLOBAL(nullptr));
    DWORD heap_flags = (flags & GMEM_ZEROINIT) ? HEAP_ZERO_MEMORY : 0;
    void* mem = HeapAlloc(GetProcessHeap(), heap_flags, bytes);
    if (!mem) return nullptr;  // HeapAlloc set the error
    // Until a record holds it, the memory goes back when the call fails.
    std::unique_ptr<void, ProcessHeapFree> owned(mem);
    return Guard(HGLOBAL(nullptr), [&] {
        if (!(flags & GMEM_MOVEABLE)) {
            Fixed().Add(mem);
            return HGLOBAL(owned.release());
        }
        auto block = std::make_unique<MoveableBlock>();
        block->mem = owned.release();
        block->size = bytes;
        uintptr_t h = Moveables().Add(std::move(block));
        if (!h) return Fail(ERROR_NOT_ENOUGH_MEMORY, HGLOBAL(nullptr));
        return reinterpret_cast<HGLOBAL>(h);
    });
}

HGLOBAL WINAPI GlobalFree(HGLOBAL mem) {
    if (!mem) return nullptr;
    if (Moveables().Remove(mem)) return nullptr;
    if (Fixed().Remove(mem) && HeapFree(GetProcessHeap(), 0, mem)) return nullptr;
    return Fail(ERROR_INVALID_HANDLE, mem);
}

LPVOID WINAPI GlobalLock(HGLOBAL mem) {
    if (MoveableBlock* b = Moveables().Get(mem)) {
        ++b->locks;
        return b->mem;
    }
    if (Fixed().Contains(mem)) return mem;
    return Fail(ERROR_INVALID_HANDLE, LPVOID(nullptr));
}

BOOL WINAPI GlobalUnlock(HGLOBAL mem) {
    if (MoveableBlock* b = Moveables().Get(mem)) {
        if (b->locks == 0) return Fail(ERROR_NOT_LOCKED, FALSE);
        return --b->locks != 0;
    }
    // A fixed block has no lock count.
    if (Fixed().Contains(mem)) return FALSE;
    return Fail(ERROR_INVALID_HANDLE, FALSE);
}

SIZE_T WINAPI GlobalSize(HGLOBAL mem) {
    if (MoveableBlock* b = Moveables().Get(mem)) return b->size;
    if (Fixed().Contains(mem)) return HeapSize(GetProcessHeap(), 0, mem);
    return Fail(ERROR_INVALID_HANDLE, SIZE_T(0));
}

}  // extern "C"
