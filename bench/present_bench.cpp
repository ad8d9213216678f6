// Presenting a 640 x 480 back buffer into a window: one to one (the animation's case) and
// stretched to twice the size, from 32-bit and 16-bit back buffers, beside a plain copy
// of the same pixels. The presents do not wait for a retrace, and the copies that only
// the tests read back (the headless host's frames, the device's record of its last frame)
// are off, so what is measured is the platform's own work: the scaling or conversion into
// the window's pixels and handing them to the host. Run with ZORVANE_HOST=sdl on a display
// (xvfb-run) to measure the real window's path instead of the headless host's.
#include <d3d9.h>
#include <windows.h>
#include <zorvane_test/d3d9.h>
#include <zorvane_test/host.h>

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <cstring>
#include <vector>

#include "support/test_window.h"
#include "support/windowed_device.h"

namespace {

struct Screen {
    HWND top = nullptr;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;

    Screen(D3DFORMAT format, int client_width, int client_height) {
        zv_support::RegisterTestClass("PresentBench");
        top = zv_support::MakeTestWindow("PresentBench", WS_POPUP | WS_VISIBLE, client_width,
                                         client_height, "bench");
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS p =
            zv_support::WindowedParams(top, 640, 480, format, D3DPRESENT_INTERVAL_IMMEDIATE);
        if (d3d)
            d3d->CreateDevice(0, D3DDEVTYPE_HAL, top, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p,
                              &device);
    }
    ~Screen() {
        if (device) device->Release();
        if (d3d) d3d->Release();
        DestroyWindow(top);
    }
};

void Present(benchmark::State& state, D3DFORMAT format, int width, int height) {
    Screen screen(format, width, height);
    if (!screen.device) {
        state.SkipWithError("no device");
        return;
    }
    screen.device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 0), 0.0f, 0);
    RECT source = {0, 0, 640, 480}, dest = {0, 0, width, height};
    for (auto _ : state)
        screen.device->Present(&source, &dest, nullptr, nullptr);
    state.SetItemsProcessed(state.iterations() * int64_t(width) * height);
}

void BM_Present32OneToOne(benchmark::State& state) {
    Present(state, D3DFMT_X8R8G8B8, 640, 480);
}
void BM_Present32Stretched(benchmark::State& state) {
    Present(state, D3DFMT_X8R8G8B8, 1280, 960);
}
void BM_Present16OneToOne(benchmark::State& state) {
    Present(state, D3DFMT_R5G6B5, 640, 480);
}

// What a present cannot beat: copying the frame's bytes once.
void BM_CopyFrame(benchmark::State& state) {
    std::vector<uint32_t> from(640 * 480), to(640 * 480);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size() * 4);
        benchmark::DoNotOptimize(to.data());
    }
    state.SetItemsProcessed(state.iterations() * 640 * 480);
}

BENCHMARK(BM_Present32OneToOne);
BENCHMARK(BM_Present32Stretched);
BENCHMARK(BM_Present16OneToOne);
BENCHMARK(BM_CopyFrame);

}  // namespace

int main(int argc, char** argv) {
    setenv("ZORVANE_HOST", "headless", 0);
    zv_test::KeepHeadlessFrames(false);
    zv_test::RecordD3D9Frames(false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
