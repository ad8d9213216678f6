// The headless host: no display. Frames are kept in memory, the retrace comes from the
// steady clock at the display's refresh rate, input comes from tests, and SIGINT or
// SIGTERM becomes a close request to every visible top-level window so that the program
// ends the way it would on a close button. Tests switch on a virtual clock instead
// (zv_test::UseVirtualClock): the retrace, GetTickCount and Sleep then run on a clock
// that only moves when someone waits, so paced loops cost no real time.
#include <algorithm>
#include <atomic>
#include <csignal>
#include <map>
#include <mutex>

#include <zorvane_test/host.h>

#include "../backend.h"
#include "platform_clock.h"

namespace zv::host {
namespace {

struct NativeWindow {
    zv_test::NativeWindowInfo info;
    zv_test::HostFrame frame;
    size_t presents = 0;
};

std::mutex g_mutex;
std::map<HWND, NativeWindow> g_windows;
DisplayMode g_mode = {1024, 768, 60};

// The virtual clock, in microseconds so that 60 Hz retraces do not drift. It is in use
// once a test asked for it and the backend has started.
std::atomic<uint64_t> g_clock_us{0};
std::atomic<bool> g_virtual_wanted{false};
std::atomic<bool> g_virtual{false};
std::atomic<bool> g_started{false};
volatile std::sig_atomic_t g_close_signal = 0;
bool g_keep_frames = true;  // under g_mutex

uint64_t ClockNow(void*) {
    return g_clock_us.load() / 1000;
}
void ClockSleep(void*, uint32_t ms) {
    g_clock_us.fetch_add(uint64_t(ms) * 1000);
}

void StartVirtualClock() {
    static std::mutex once;
    std::lock_guard<std::mutex> lock(once);
    if (g_virtual.load()) return;
    g_clock_us.store(SystemClockMs() * 1000);
    static const ClockSource clock = {ClockNow, ClockSleep, nullptr};
    SetClockSource(&clock);
    g_virtual.store(true);
}

void OnSignal(int) {
    g_close_signal = 1;
}

bool Mode(DisplayMode* mode) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_mode.width <= 0) return false;
    *mode = g_mode;
    return true;
}

bool Open(HWND hwnd, const NativeWindowParams& params) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_mode.width <= 0) return false;
    // Made whole before it is listed, so that running out of memory lists nothing.
    NativeWindow w;
    w.info.title = params.title ? params.title : "";
    w.info.client = {params.x, params.y, params.x + params.client_width,
                     params.y + params.client_height};
    w.info.decorated = params.decorated;
    w.info.resizable = params.resizable;
    g_windows[hwnd] = std::move(w);
    return true;
}

void Close(HWND hwnd) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_windows.erase(hwnd);
}

void Show(HWND hwnd, ShowState state) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_windows.find(hwnd);
    if (it != g_windows.end()) it->second.info.show_state = int(state);
}

void Title(HWND hwnd, const char* title) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_windows.find(hwnd);
    if (it != g_windows.end()) it->second.info.title = title;
}

void Rect(HWND hwnd, int x, int y, int width, int height) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_windows.find(hwnd);
    if (it != g_windows.end()) it->second.info.client = {x, y, x + width, y + height};
}

void PresentFrame(HWND hwnd, const uint32_t* pixels, int width, int height, int pitch) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_windows.find(hwnd);
    if (it == g_windows.end()) return;
    if (!g_keep_frames) {
        it->second.presents++;
        return;
    }
    zv_test::HostFrame& f = it->second.frame;
    f.pixels.resize(size_t(width) * size_t(height));  // first: it may run out of memory
    f.width = width;
    f.height = height;
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(
            reinterpret_cast<const uint8_t*>(pixels) + ptrdiff_t(y) * pitch);
        std::copy(row, row + width, f.pixels.begin() + ptrdiff_t(y) * width);
    }
    it->second.presents++;
}

void Retrace() {
    int hz;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        hz = g_mode.refresh_hz > 0 ? g_mode.refresh_hz : 60;
    }
    if (!g_virtual.load()) {
        SteadyRetrace(hz);
        return;
    }
    uint64_t period = 1000000 / uint64_t(hz);
    uint64_t now = g_clock_us.load();
    g_clock_us.store((now / period + 1) * period);
}

void Pump() {
    if (g_close_signal) {
        g_close_signal = 0;
        input::CloseRequestAll();
    }
}

}  // namespace

const Backend* HeadlessBackend() {
    static const Backend backend = [] {
        g_started.store(true);
        if (g_virtual_wanted.load()) StartVirtualClock();
        struct sigaction action = {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
        return Backend{"headless", Mode,         Open,    Close, Show,    Title,
                       Rect,       PresentFrame, Retrace, Pump,  nullptr, nullptr};
    }();
    return &backend;
}

}  // namespace zv::host

namespace zv_test {

using namespace zv::host;

void SetHeadlessDisplay(int width, int height, int refresh_hz) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_mode = {width, height, refresh_hz};
}

const char* HostBackendName() {
    return BackendName();
}

bool GetNativeWindow(HWND hwnd, NativeWindowInfo* info) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_windows.find(hwnd);
    if (it == g_windows.end()) return false;
    if (info) *info = it->second.info;
    return true;
}

size_t PresentCount(HWND hwnd) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_windows.find(hwnd);
    return it == g_windows.end() ? 0 : it->second.presents;
}

void KeepHeadlessFrames(bool keep) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_keep_frames = keep;
}

bool LastPresentedFrame(HWND hwnd, HostFrame* frame) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_windows.find(hwnd);
    if (it == g_windows.end() || it->second.presents == 0) return false;
    *frame = it->second.frame;
    return true;
}

void InjectClose(HWND top) {
    zv::input::CloseRequest(top);
}
void InjectMouseMove(HWND top, int x, int y) {
    zv::input::MouseMove(top, x, y);
}
void InjectMouseButton(HWND top, int button, bool down, int x, int y) {
    zv::input::MouseButtonEvent(top, zv::input::MouseButton(button), down, x, y);
}
void InjectKey(int vk, bool down) {
    zv::input::Key(vk, down);
}
void InjectFocus(HWND top, bool gained) {
    zv::input::FocusChange(top, gained);
}
void InjectResize(HWND top, int w, int h) {
    zv::input::ClientResized(top, w, h);
}
void InjectMove(HWND top, int x, int y) {
    zv::input::ClientMoved(top, x, y);
}
void InjectMinimize(HWND top) {
    zv::input::Minimized(top);
}
void InjectMaximize(HWND top) {
    zv::input::Maximized(top);
}
void InjectRestore(HWND top) {
    zv::input::Restored(top);
}
void InjectExpose(HWND top) {
    zv::input::Exposed(top);
}

void UseVirtualClock() {
    g_virtual_wanted.store(true);
    if (g_started.load()) StartVirtualClock();
}

bool VirtualClockInUse() {
    return g_virtual.load();
}

uint64_t VirtualClockMs() {
    UseVirtualClock();
    HeadlessBackend();
    return g_clock_us.load() / 1000;
}

void AdvanceVirtualClock(uint64_t ms) {
    UseVirtualClock();
    HeadlessBackend();
    g_clock_us.fetch_add(ms * 1000);
}

}  // namespace zv_test
