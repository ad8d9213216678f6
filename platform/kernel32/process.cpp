// The last error, time, threads and the process.

#include <windows.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "kernel32_internal.h"
#include "platform_clock.h"

namespace zv {
namespace {

thread_local DWORD t_last_error = 0;

std::atomic<const ClockSource*> g_clock{nullptr};
ClockSource g_installed;  // the installed source's copy; g_clock points here when set

}  // namespace

uint64_t SystemClockMs() {
    using namespace std::chrono;
    return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SetClockSource(const ClockSource* source) {
    if (!source) {
        g_clock.store(nullptr);
        return;
    }
    g_clock.store(nullptr);
    g_installed = *source;
    g_clock.store(&g_installed);
}

}  // namespace zv

extern "C" {

DWORD WINAPI GetLastError(void) {
    return zv::t_last_error;
}

void WINAPI SetLastError(DWORD code) {
    zv::t_last_error = code;
}

DWORD WINAPI GetTickCount(void) {
    const zv::ClockSource* clock = zv::g_clock.load();
    uint64_t ms = clock ? clock->now_ms(clock->context) : zv::SystemClockMs();
    return DWORD(ms);  // wraps after 49.7 days, as Windows' tick count does
}

void WINAPI Sleep(DWORD milliseconds) {
    if (const zv::ClockSource* clock = zv::g_clock.load()) {
        clock->sleep_ms(clock->context, milliseconds);
        return;
    }
    if (milliseconds == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

DWORD WINAPI GetCurrentProcessId(void) {
    return DWORD(getpid());
}

DWORD WINAPI GetCurrentThreadId(void) {
    static thread_local DWORD id = DWORD(syscall(SYS_gettid));
    return id;
}

void WINAPI ExitProcess(UINT exit_code) {
    std::exit(int(exit_code));
}

}  // extern "C"
