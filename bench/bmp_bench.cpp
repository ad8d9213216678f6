// Decoding 2048 x 2048 BMP files from memory: Bmp_Check + Bmp_Decode + Bmp_Release against
// stb_image (Debian's libstb) on the same bytes, and a plain row copy as the ceiling.
// Throughput is in pixels decoded.
#include <benchmark/benchmark.h>
#include <stb_image.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "drawing/bmp_decoder.h"

namespace {

constexpr int kSide = 2048;

void Put32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        f[at + i] = (uint8_t)(v >> (8 * i));
}

std::vector<uint8_t> MakeFile(int bits) {
    const int palette = bits == 8 ? 256 : 0;
    const size_t stride = ((size_t)kSide * bits + 31) / 32 * 4;
    const size_t offset = 54 + 4 * (size_t)palette;
    std::vector<uint8_t> f(offset + stride * kSide, 0);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 2, (uint32_t)f.size());
    Put32(f, 10, (uint32_t)offset);
    Put32(f, 14, 40);
    Put32(f, 18, kSide);
    Put32(f, 22, kSide);
    f[26] = 1;
    f[28] = (uint8_t)bits;
    Put32(f, 34, (uint32_t)(stride * kSide));
    Put32(f, 46, (uint32_t)palette);
    std::mt19937 rng(bits);
    for (int i = 0; i < palette; ++i)
        Put32(f, 54 + 4 * i, rng() & 0xFFFFFF);
    for (size_t i = offset; i < f.size(); ++i)
        f[i] = (uint8_t)rng();
    return f;
}

const std::vector<uint8_t>& File(int bits) {
    static std::vector<uint8_t> files[33];
    if (files[bits].empty()) files[bits] = MakeFile(bits);
    return files[bits];
}

void Report(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * (int64_t)kSide * kSide);
    state.counters["Mpix/s"] = benchmark::Counter((double)state.iterations() * kSide * kSide / 1e6,
                                                  benchmark::Counter::kIsRate);
}

void BM_BmpDecode(benchmark::State& state) {
    const std::vector<uint8_t>& file = File((int)state.range(0));
    std::vector<uint8_t> out((size_t)kSide * kSide * 3);
    for (auto _ : state) {
        ImageDecodeRequest request{};
        request.from_memory = 1;
        request.memory = file.data();
        request.memory_size = file.size();
        if (!Bmp_Check(&request)) state.SkipWithError("Bmp_Check rejected the file");
        Bmp_Decode(&request, out.data(), 3 * kSide, nullptr);
        Bmp_Release(&request);
        benchmark::DoNotOptimize(out.data());
    }
    Report(state);
}

void BM_StbImage(benchmark::State& state) {
    const std::vector<uint8_t>& file = File((int)state.range(0));
    for (auto _ : state) {
        int w, h, n;
        stbi_uc* pixels = stbi_load_from_memory(file.data(), (int)file.size(), &w, &h, &n, 3);
        if (!pixels) state.SkipWithError("stb_image rejected the file");
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    Report(state);
}

// The ceiling for 24 bits: one memcpy per row, turned over.
void BM_RowCopy(benchmark::State& state) {
    const std::vector<uint8_t>& file = File(24);
    std::vector<uint8_t> out((size_t)kSide * kSide * 3);
    for (auto _ : state) {
        for (int y = 0; y < kSide; ++y)
            memcpy(&out[(size_t)(kSide - 1 - y) * kSide * 3], &file[54 + (size_t)y * kSide * 3],
                   (size_t)kSide * 3);
        benchmark::DoNotOptimize(out.data());
    }
    Report(state);
}

}  // namespace

// Ours and stb's back to back for each depth, so that a busy machine slows both alike.
BENCHMARK(BM_BmpDecode)->ArgName("bits")->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StbImage)->ArgName("bits")->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpDecode)->ArgName("bits")->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StbImage)->ArgName("bits")->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpDecode)->ArgName("bits")->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StbImage)->ArgName("bits")->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowCopy)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
