// Chooses the backend once, from ZORVANE_HOST, and forwards the seam's calls to it.
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <thread>

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
    static const Backend none = {"sdl",   NoMode, NoWindow,  NoClose,     NoShow,
                                 NoTitle, NoRect, NoPresent, RealRetrace, NoPump};
    return &none;
}

const Backend& Current() {
    static const Backend* backend = Choose();
    return *backend;
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

const char* BackendName() {
    return Current().name;
}
bool GetDisplayMode(DisplayMode* mode) {
    return mode && Current().display_mode(mode);
}
bool OpenNativeWindow(HWND hwnd, const NativeWindowParams& params) {
    return Current().open_window(hwnd, params);
}
void CloseNativeWindow(HWND hwnd) {
    Current().close_window(hwnd);
}
void ShowNativeWindow(HWND hwnd, ShowState state) {
    Current().show_window(hwnd, state);
}
void SetNativeTitle(HWND hwnd, const char* title) {
    Current().set_title(hwnd, title ? title : "");
}
void SetNativeClientRect(HWND hwnd, int x, int y, int width, int height) {
    Current().set_client_rect(hwnd, x, y, width, height);
}
void Present(HWND hwnd, const uint32_t* pixels, int width, int height, int pitch) {
    if (pixels && width > 0 && height > 0) Current().present(hwnd, pixels, width, height, pitch);
}
void WaitRetrace() {
    Current().wait_retrace();
}
void PumpEvents() {
    // Input handlers run window procedures, which may fetch messages themselves; the
    // native queue is drained by the outermost fetch only.
    static thread_local bool pumping = false;
    if (pumping) return;
    pumping = true;
    Current().pump();
    pumping = false;
}

}  // namespace zv::host
