// Chooses the backend once, from ZORVANE_HOST, and forwards the seam's calls to it. Keeps
// the framebuffers of windows whose backend has no memory of its own to show for them,
// and hands what the backends report to the registered input sink.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <map>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "api_guard.h"
#include "backend.h"

namespace zv::host {
namespace {

// An SDL host without a display: no mode, no native windows, nothing to pump.
bool NoMode(DisplayMode*) {
    return false;
}
bool NoWindow(HWND, const NativeWindowParams&) {
    return false;
}
void NoClose(HWND) {}
void NoShow(HWND, ShowState) {}
void NoTitle(HWND, const char*) {}
void NoRect(HWND, int, int, int, int) {}
void NoPresent(HWND, const uint32_t*, int, int, int) {}
void NoPump() {}
void RealRetrace() {
    SteadyRetrace(60);
}

const Backend* Choose() {
    const char* name = std::getenv("ZORVANE_HOST");
    if (name && std::strcmp(name, "headless") == 0) return HeadlessBackend();
    if (const Backend* sdl = SdlBackend()) return sdl;
    static const Backend none = {"sdl",  NoMode,    NoWindow,    NoClose, NoShow,  NoTitle,
                                 NoRect, NoPresent, RealRetrace, NoPump,  nullptr, nullptr};
    return &none;
}

const Backend& Current() {
    static const Backend* backend = Choose();
    return *backend;
}

constexpr int kMaxFramebufferSide = 16384;

// Where a window's pixels are: in the backend's memory, or here.
struct Store {
    bool in_backend = false;
    std::vector<uint32_t> pixels;  // here: width * height, pitch width * 4
    int width = 0;
    int height = 0;
};

std::mutex g_store_mutex;
std::map<HWND, Store> g_stores;

// Copies the overlap of two framebuffers.
void CopyOverlap(const uint32_t* from, int from_width, int from_height, int from_pitch,
                 const Framebuffer& to) {
    const int w = std::min(from_width, to.width), h = std::min(from_height, to.height);
    if (!from || !to.pixels || w <= 0) return;
    for (int y = 0; y < h; ++y)
        std::memcpy(reinterpret_cast<uint8_t*>(to.pixels) + ptrdiff_t(y) * to.pitch,
                    reinterpret_cast<const uint8_t*>(from) + ptrdiff_t(y) * from_pitch,
                    size_t(w) * 4);
}

}  // namespace

void SteadyRetrace(int refresh_hz) {
    using namespace std::chrono;
    if (refresh_hz <= 0) refresh_hz = 60;
    // Retraces fall on a fixed grid from the first call, so a late frame catches the
    // next one instead of pushing every later frame back.
    static const steady_clock::time_point origin = steady_clock::now();
    auto period = duration_cast<steady_clock::duration>(duration<double>(1.0 / refresh_hz));
    auto now = steady_clock::now();
    auto ticks = (now - origin) / period + 1;
    std::this_thread::sleep_until(origin + ticks * period);
}

// The calls below that can allocate (a backend's start, its records of native windows and
// frames) fail as the seam says, with nothing thrown: false, or nothing done.
const char* BackendName() {
    return Guarded("", 0, [] { return Current().name; });
}
bool GetDisplayMode(DisplayMode* mode) {
    return mode && Guarded(false, 0, [&] { return Current().display_mode(mode); });
}
bool OpenNativeWindow(HWND hwnd, const NativeWindowParams& params) {
    return Guarded(false, 0, [&] { return Current().open_window(hwnd, params); });
}
void CloseNativeWindow(HWND hwnd) {
    Current().close_window(hwnd);
    std::lock_guard<std::mutex> lock(g_store_mutex);
    auto it = g_stores.find(hwnd);
    if (it != g_stores.end() && it->second.in_backend) it->second = Store{};
}
void ShowNativeWindow(HWND hwnd, ShowState state) {
    Current().show_window(hwnd, state);
}
void SetNativeTitle(HWND hwnd, const char* title) {
    Guarded(0, [&] { Current().set_title(hwnd, title ? title : ""); });
}
void SetNativeClientRect(HWND hwnd, int x, int y, int width, int height) {
    Current().set_client_rect(hwnd, x, y, width, height);
}
bool GetFramebuffer(HWND hwnd, int width, int height, Framebuffer* fb) {
    if (!hwnd || !fb || width < 0 || height < 0 || width > kMaxFramebufferSide ||
        height > kMaxFramebufferSide)
        return false;
    return Guarded(false, 0, [&] {
        const Backend& backend = Current();
        std::lock_guard<std::mutex> lock(g_store_mutex);
        Store& store = g_stores[hwnd];
        Framebuffer given;
        if (backend.framebuffer && backend.framebuffer(hwnd, width, height, &given)) {
            // Pixels drawn before the native window took over move into its memory.
            if (!store.in_backend) {
                CopyOverlap(store.pixels.data(), store.width, store.height, store.width * 4, given);
                std::vector<uint32_t>().swap(store.pixels);
                store.in_backend = true;
            }
            store.width = width;
            store.height = height;
            *fb = given;
            return true;
        }
        if (store.in_backend) {  // the backend's memory went with its native window
            store = Store{};
        }
        if (width != store.width || height != store.height) {
            std::vector<uint32_t> pixels(size_t(width) * size_t(height), 0);
            Framebuffer resized = {pixels.data(), width, height, width * 4};
            CopyOverlap(store.pixels.data(), store.width, store.height, store.width * 4, resized);
            store.pixels.swap(pixels);
            store.width = width;
            store.height = height;
        }
        *fb = {store.pixels.empty() ? nullptr : store.pixels.data(), width, height, width * 4};
        return true;
    });
}

void ShowFramebuffer(HWND hwnd) {
    Guarded(0, [&] {
        const Backend& backend = Current();
        std::lock_guard<std::mutex> lock(g_store_mutex);
        auto it = g_stores.find(hwnd);
        if (it == g_stores.end()) return;
        const Store& store = it->second;
        if (store.in_backend) {
            backend.show_framebuffer(hwnd);
        } else if (!store.pixels.empty()) {
            backend.present(hwnd, store.pixels.data(), store.width, store.height, store.width * 4);
        }
    });
}

void ReleaseFramebuffer(HWND hwnd) {
    std::lock_guard<std::mutex> lock(g_store_mutex);
    g_stores.erase(hwnd);
}
void WaitRetrace() {
    Current().wait_retrace();
}
void PumpEvents() {
    // Input handlers run window procedures, which may fetch messages themselves; the
    // native queue is drained by the outermost fetch only.
    static thread_local bool pumping = false;
    if (pumping) return;
    struct Pumping {
        Pumping() { pumping = true; }
        ~Pumping() { pumping = false; }
    } scope;
    Guarded(0, [] { Current().pump(); });
}

}  // namespace zv::host

namespace zv::input {
namespace {

// Constant-initialised, so a sink registered from another file's static object finds it
// ready whatever the order of static initialisation.
std::atomic<const Sink*> g_sink{nullptr};

const Sink* Current() {
    return g_sink.load(std::memory_order_acquire);
}

}  // namespace

void SetSink(const Sink* sink) {
    g_sink.store(sink, std::memory_order_release);
}

void CloseRequest(HWND hwnd) {
    if (const Sink* s = Current()) s->close_request(hwnd);
}
void CloseRequestAll() {
    if (const Sink* s = Current()) s->close_request_all();
}
void MouseMove(HWND hwnd, int x, int y) {
    if (const Sink* s = Current()) s->mouse_move(hwnd, x, y);
}
void MouseButtonEvent(HWND hwnd, MouseButton button, bool down, int x, int y) {
    if (const Sink* s = Current()) s->mouse_button(hwnd, button, down, x, y);
}
void Key(int virtual_key, bool down) {
    if (const Sink* s = Current()) s->key(virtual_key, down);
}
void FocusChange(HWND hwnd, bool gained) {
    if (const Sink* s = Current()) s->focus_change(hwnd, gained);
}
void ClientResized(HWND hwnd, int width, int height) {
    if (const Sink* s = Current()) s->client_resized(hwnd, width, height);
}
void ClientMoved(HWND hwnd, int x, int y) {
    if (const Sink* s = Current()) s->client_moved(hwnd, x, y);
}
void Minimized(HWND hwnd) {
    if (const Sink* s = Current()) s->minimized(hwnd);
}
void Maximized(HWND hwnd) {
    if (const Sink* s = Current()) s->maximized(hwnd);
}
void Restored(HWND hwnd) {
    if (const Sink* s = Current()) s->restored(hwnd);
}
void Exposed(HWND hwnd) {
    if (const Sink* s = Current()) s->exposed(hwnd);
}

}  // namespace zv::input
