// Thread-local storage: TlsAlloc hands out indexes; each thread has its own value per
// index, zero until set. A freed index reads as zero again on every thread.

#include <windows.h>

#include <atomic>
#include <mutex>

#include "kernel32_internal.h"

namespace {

constexpr DWORD kSlots = 1088;  // TLS_MINIMUM_AVAILABLE plus Windows' expansion slots

std::mutex g_mutex;
std::atomic<bool> g_used[kSlots];
// Bumped when an index is freed, so stale values of a reused index read as zero.
std::atomic<uint32_t> g_epoch[kSlots];

struct ThreadSlots {
    void* values[kSlots] = {};
    uint32_t epochs[kSlots] = {};
};
thread_local ThreadSlots t_slots;

bool InUse(DWORD index) {
    return index < kSlots && g_used[index].load(std::memory_order_acquire);
}

}  // namespace

using zv::kernel32::Fail;

extern "C" {

DWORD WINAPI TlsAlloc(void) {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (DWORD i = 0; i < kSlots; ++i) {
        if (!g_used[i]) {
            g_used[i] = true;
            return i;
        }
    }
    return Fail(ERROR_NO_MORE_ITEMS, TLS_OUT_OF_INDEXES);
}

BOOL WINAPI TlsFree(DWORD index) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (index >= kSlots || !g_used[index]) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    g_used[index] = false;
    g_epoch[index].fetch_add(1);
    return TRUE;
}

LPVOID WINAPI TlsGetValue(DWORD index) {
    if (!InUse(index)) return Fail(ERROR_INVALID_PARAMETER, LPVOID(nullptr));
    SetLastError(ERROR_SUCCESS);
    if (t_slots.epochs[index] != g_epoch[index].load()) return nullptr;
    return t_slots.values[index];
}

BOOL WINAPI TlsSetValue(DWORD index, LPVOID value) {
    if (!InUse(index)) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    t_slots.values[index] = value;
    t_slots.epochs[index] = g_epoch[index].load();
    return TRUE;
}

}  // extern "C"
