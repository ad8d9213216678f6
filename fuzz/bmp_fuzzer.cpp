// The BMP decoder on arbitrary bytes from memory: check, decode, release. The output is
// an exact-size block with one spare byte after every row, so AddressSanitizer sees any
// write past the last row and the spare bytes show any write past a row's width.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "drawing/bmp_decoder.h"

namespace {
constexpr uint8_t kSpare = 0xA5;
constexpr int64_t kMaxPixels = 1 << 20;  // larger images only get the no-room decode
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ImageDecodeRequest request;
    memset(&request, 0, sizeof request);
    request.from_memory = 1;
    request.memory = data;
    request.memory_size = size;
    if (!Bmp_Check(&request)) return 0;

    const int64_t w = request.width, h = request.height;
    if (w > 0 && h > 0 && w * h <= kMaxPixels) {
        const int32_t pitch = (int32_t)(3 * w + 1);
        const size_t bytes = (size_t)h * (size_t)pitch;
        uint8_t* out = (uint8_t*)malloc(bytes);
        if (out) {
            memset(out, kSpare, bytes);
            Bmp_Decode(&request, out, pitch, nullptr);
            for (int64_t row = 0; row < h; ++row) {
                if (out[row * pitch + pitch - 1] != kSpare) abort();
            }
            free(out);
        }
    } else {
        // Whatever the header says, an output that cannot hold a row gets nothing.
        uint8_t guard[4] = {kSpare, kSpare, kSpare, kSpare};
        Bmp_Decode(&request, guard, 1, nullptr);
        for (uint8_t b : guard) {
            if (b != kSpare) abort();
        }
    }
    Bmp_Release(&request);
    return 0;
}
