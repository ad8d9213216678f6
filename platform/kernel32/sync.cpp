// Critical sections (recursive, owned by a thread) and one-time initialisation.

#include <windows.h>

#include <pthread.h>

#include <condition_variable>
#include <mutex>
#include <new>

#include "kernel32_internal.h"

namespace {

static_assert(sizeof(pthread_mutex_t) <= sizeof(CRITICAL_SECTION::u.opaque),
              "a critical section holds its mutex inline");

pthread_mutex_t* MutexOf(LPCRITICAL_SECTION cs) {
    return reinterpret_cast<pthread_mutex_t*>(cs->u.opaque);
}

// One-time initialisation keeps its state in the INIT_ONCE word: 0 idle, 1 running,
// otherwise done, with the callback's context in the bits above the two reserved ones.
constexpr uintptr_t kOnceRunning = 1;
constexpr uintptr_t kOnceDone = 2;

std::mutex g_once_mutex;
std::condition_variable g_once_done;

uintptr_t LoadState(PINIT_ONCE once) {
    return reinterpret_cast<uintptr_t>(__atomic_load_n(&once->Ptr, __ATOMIC_ACQUIRE));
}
void StoreState(PINIT_ONCE once, uintptr_t value) {
    __atomic_store_n(&once->Ptr, reinterpret_cast<void*>(value), __ATOMIC_RELEASE);
}

}  // namespace

using zv::kernel32::Fail;

extern "C" {

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION cs) {
    InitializeCriticalSectionAndSpinCount(cs, 0);
}

BOOL WINAPI InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION cs, DWORD /*spin_count*/) {
    if (!cs) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(new (cs->u.opaque) pthread_mutex_t, &attr);
    pthread_mutexattr_destroy(&attr);
    return TRUE;
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION cs) {
    if (cs) pthread_mutex_lock(MutexOf(cs));
}

BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION cs) {
    return cs && pthread_mutex_trylock(MutexOf(cs)) == 0;
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION cs) {
    if (cs) pthread_mutex_unlock(MutexOf(cs));
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION cs) {
    if (cs) pthread_mutex_destroy(MutexOf(cs));
}

BOOL WINAPI InitOnceExecuteOnce(PINIT_ONCE once, PINIT_ONCE_FN fn, PVOID parameter,
                                LPVOID* context) {
    if (!once || !fn) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    uintptr_t state = LoadState(once);
    if (state != 0 && state != kOnceRunning) {
        if (context) *context = reinterpret_cast<void*>(state & ~uintptr_t(3));
        return TRUE;
    }
    {
        std::unique_lock<std::mutex> lock(g_once_mutex);
        for (;;) {
            state = LoadState(once);
            if (state == 0) break;
            if (state != kOnceRunning) {
                if (context) *context = reinterpret_cast<void*>(state & ~uintptr_t(3));
                return TRUE;
            }
            g_once_done.wait(lock);
        }
        StoreState(once, kOnceRunning);
    }
    // The routine runs outside the lock: it may itself run other one-time initialisations.
    void* result_context = nullptr;
    BOOL ok = fn(once, parameter, &result_context);
    {
        std::lock_guard<std::mutex> lock(g_once_mutex);
        // A failed callback leaves the object as it was, so a later call tries again.
        StoreState(
            once,
            ok ? ((reinterpret_cast<uintptr_t>(result_context) & ~uintptr_t(3)) | kOnceDone) : 0);
    }
    g_once_done.notify_all();
    if (ok && context)
        *context =
            reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(result_context) & ~uintptr_t(3));
    return ok ? TRUE : FALSE;
}

}  // extern "C"
