// Image_Resample against stb_image_resize's Mitchell filter (Debian's libstb) and against
// the plain scalar implementation kept in the tests. Throughput is in output pixels.
#include "drawing/resample.h"

#include <benchmark/benchmark.h>
#include <stb_image_resize.h>

#include <cstdint>
#include <random>
#include <vector>

#include "../tests/drawing/resample_reference.h"

namespace {

constexpr int kSourceWidth = 1024, kSourceHeight = 768;

const std::vector<uint8_t>& Source(int bpp) {
    static std::vector<uint8_t> images[5];
    std::vector<uint8_t>& image = images[bpp];
    if (image.empty()) {
        std::mt19937 rng(bpp);
        image.resize((size_t)kSourceWidth * kSourceHeight * bpp);
        // Smooth gradients with some noise: typical photographic content.
        for (int y = 0; y < kSourceHeight; ++y)
            for (int x = 0; x < kSourceWidth; ++x)
                for (int c = 0; c < bpp; ++c)
                    image[((size_t)y * kSourceWidth + x) * bpp + c] =
                        (uint8_t)((x * (c + 1) + y * (3 - c) + rng() % 24) & 255);
    }
    return image;
}

// Times one resampler from the shared source (bpp bytes a pixel) to a dw x dh image, with
// bpp, dw and dh the benchmark's arguments. resize(src, dst, dw, dh, bpp) is false when it
// failed.
template <typename Resize>
void TimeResize(benchmark::State& state, const char* failure, Resize resize) {
    int bpp = (int)state.range(0), dw = (int)state.range(1), dh = (int)state.range(2);
    const std::vector<uint8_t>& src = Source(bpp);
    std::vector<uint8_t> dst((size_t)dw * dh * bpp);
    for (auto _ : state) {
        if (!resize(src.data(), dst.data(), dw, dh, bpp)) state.SkipWithError(failure);
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(state.iterations() * (int64_t)dw * dh);
    state.counters["Mpix/s"] =
        benchmark::Counter((double)state.iterations() * dw * dh / 1e6, benchmark::Counter::kIsRate);
}

void BM_ImageResample(benchmark::State& state) {
    TimeResize(state, "Image_Resample failed",
               [](const uint8_t* src, uint8_t* dst, int dw, int dh, int bpp) {
                   return Image_Resample(src, kSourceWidth, kSourceHeight, dst, dw, dh, bpp * 8) !=
                          0;
               });
}

void BM_StbResizeMitchell(benchmark::State& state) {
    TimeResize(state, "stbir_resize_uint8_generic failed",
               [](const uint8_t* src, uint8_t* dst, int dw, int dh, int bpp) {
                   return stbir_resize_uint8_generic(src, kSourceWidth, kSourceHeight, 0, dst, dw,
                                                     dh, 0, bpp, STBIR_ALPHA_CHANNEL_NONE, 0,
                                                     STBIR_EDGE_CLAMP, STBIR_FILTER_MITCHELL,
                                                     STBIR_COLORSPACE_LINEAR, nullptr) != 0;
               });
}

void BM_PlainScalar(benchmark::State& state) {
    TimeResize(state, "", [](const uint8_t* src, uint8_t* dst, int dw, int dh, int bpp) {
        resample_reference::Resample(src, kSourceWidth, kSourceHeight, dst, dw, dh, bpp * 8);
        return true;
    });
}

}  // namespace

// Each size runs ours, stb's and the plain one back to back, so that a busy machine
// slows all three alike.
int main(int argc, char** argv) {
    for (int bpp : {3, 4}) {
        for (auto [w, h] : {std::pair{2048, 1536}, {512, 384}, {1000, 700}}) {
            for (auto [name, fn] : {std::pair{"ImageResample", &BM_ImageResample},
                                    {"StbResizeMitchell", &BM_StbResizeMitchell},
                                    {"PlainScalar", &BM_PlainScalar}}) {
                benchmark::RegisterBenchmark(name, fn)
                    ->ArgNames({"bpp", "dw", "dh"})
                    ->Args({bpp, w, h})
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
