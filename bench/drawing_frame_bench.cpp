// The animation's frame through the whole drawing layer on a 640 x 480 32-bit DC over a
// buffer, beside memset of the same buffer, the six outlines alone, and Rectangle fills.
#include <windows.h>

#include <benchmark/benchmark.h>

#include "drawing/drawing_context.h"
#include "gdi_buffer_dc.h"
#include "runtime/heaps.h"

#include <cmath>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

constexpr int kW = 640, kH = 480;

struct Buffer {
    std::vector<uint32_t> pixels = std::vector<uint32_t>(size_t(kW) * kH);
    HDC dc;
    Buffer() {
        zv::PixelBuffer b;
        b.bits = pixels.data();
        b.pitch = kW * 4;
        b.width = kW;
        b.height = kH;
        dc = zv::CreateBufferDC(b);
    }
    ~Buffer() { DeleteDC(dc); }
};

struct Circle {
    int x, y, r;
};

// The chain of six circles as the animation places them on some frame.
std::vector<Circle> Chain(int frame) {
    std::vector<Circle> out{{320, 240, 180}};
    double x = 320, y = 240;
    for (int i = 1; i < 6; ++i) {
        double angle = double(frame * i) / 30.0;
        x += 30 * std::cos(angle);
        y += 30 * std::sin(angle);
        out.push_back({int(x), int(y), (6 - i) * 30});
    }
    return out;
}

void BM_MemsetBuffer(benchmark::State& state) {
    Buffer buf;
    for (auto _ : state) {
        memset(buf.pixels.data(), 0, buf.pixels.size() * 4);
        benchmark::DoNotOptimize(buf.pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 4);
}
BENCHMARK(BM_MemsetBuffer);

// Thread CPU time in nanoseconds: the ratio below holds on a busy machine too.
double CpuNs() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e9 + double(ts.tv_nsec);
}

void BM_Frame(benchmark::State& state) {
    Runtime_CreateHeap();
    DrawingContext_Init();
    Buffer buf;
    // memset of the same buffer, measured in this run, for the frame's ratio to it.
    const int kCalibration = 200;
    double t0 = CpuNs();
    for (int i = 0; i < kCalibration; ++i) {
        memset(buf.pixels.data(), i, buf.pixels.size() * 4);
        benchmark::ClobberMemory();
    }
    const double memset_ns = (CpuNs() - t0) / kCalibration;
    int frame = 0;
    const double start = CpuNs();
    for (auto _ : state) {
        DrawingContext* c = DrawingContext_NewGdi();
        c->hdc = buf.dc;
        c->width = kW;
        c->height = kH;
        c->depth = 32;
        Draw_Begin(c);
        Draw_SetMode(0);
        Draw_Box(0, 0, kW, kH, 0);
        Draw_SetMode(DRAW_MODE_OUTLINED);
        for (const Circle& k : Chain(++frame))
            Draw_Circle(k.x, k.y, k.r, 0xFFFFFF);
        Draw_End();
        benchmark::ClobberMemory();
    }
    const double frame_ns = (CpuNs() - start) / double(state.iterations());
    state.counters["memset_us"] = memset_ns / 1000.0;
    state.counters["ratio_to_memset"] = frame_ns / memset_ns;
    state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 4);
}
BENCHMARK(BM_Frame);

void BM_SixOutlines(benchmark::State& state) {
    Buffer buf;
    SelectObject(buf.dc, GetStockObject(NULL_BRUSH));
    SelectObject(buf.dc, GetStockObject(WHITE_PEN));
    int frame = 0;
    for (auto _ : state) {
        for (const Circle& k : Chain(++frame))
            Ellipse(buf.dc, k.x - k.r, k.y - k.r, k.x + k.r + 1, k.y + k.r + 1);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SixOutlines);

// A full-surface Rectangle with the pen and brush of one colour (as the frame's clear),
// and with a different pen, in a few colours.
void BM_RectangleFill(benchmark::State& state) {
    Buffer buf;
    const COLORREF colour = COLORREF(state.range(0));
    HBRUSH brush = CreateSolidBrush(colour);
    HPEN pen = CreatePen(PS_SOLID, 0, state.range(1) ? colour ^ 0xFFFFFF : colour);
    SelectObject(buf.dc, brush);
    SelectObject(buf.dc, pen);
    for (auto _ : state) {
        Rectangle(buf.dc, 0, 0, kW, kH);
        benchmark::ClobberMemory();
    }
    SelectObject(buf.dc, GetStockObject(WHITE_BRUSH));
    SelectObject(buf.dc, GetStockObject(BLACK_PEN));
    DeleteObject(brush);
    DeleteObject(pen);
    state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 4);
}
BENCHMARK(BM_RectangleFill)
    ->Args({0x000000, 0})
    ->Args({0x123456, 0})
    ->Args({0xFFFFFF, 0})
    ->Args({0x123456, 1});

}  // namespace

BENCHMARK_MAIN();
