// What a well-formed BMP decodes to under the decoder's documented rules, worked out a
// different way from the decoder: one stride formula for every depth (rows are a whole
// number of 32-bit words), one bit-extraction routine for every palette depth, one pixel
// at a time, and every byte read through a checked accessor, so a file that is not
// well-formed fails the test instead of passing by accident.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace bmp_reference {

struct Bytes {
    const std::vector<uint8_t>& f;
    uint32_t At(size_t i) const { return f.at(i); }
    uint32_t U16(size_t i) const { return At(i) | At(i + 1) << 8; }
    uint32_t U32(size_t i) const { return U16(i) | U16(i + 2) << 16; }
};

// The output of a decode into `height` rows of `pitch` bytes that started as `fill`.
inline std::vector<uint8_t> Decode(const std::vector<uint8_t>& file, int pitch, uint8_t fill) {
    Bytes b{file};
    const int w = (int)b.U32(18), h = (int)b.U32(22);
    const int bits = (int)b.U16(28);
    const uint32_t compression = b.U32(30);
    const size_t pixels = b.U32(10);
    const size_t palette = 14 + b.U32(14);
    std::vector<uint8_t> out(h > 0 ? (size_t)h * pitch : 0, fill);
    if (w <= 0 || h <= 0) return out;

    auto put = [&](int x, int row_from_top, uint32_t blue, uint32_t green, uint32_t red) {
        if (x < 0 || x >= w || row_from_top < 0 || row_from_top >= h)
            throw std::out_of_range("pixel outside the image");
        uint8_t* o = &out[(size_t)row_from_top * pitch + 3 * x];
        o[0] = (uint8_t)blue;
        o[1] = (uint8_t)green;
        o[2] = (uint8_t)red;
    };
    auto put_index = [&](int x, int row_from_top, uint32_t index) {
        size_t e = palette + 4 * index;
        put(x, row_from_top, b.At(e), b.At(e + 1), b.At(e + 2));
    };

    if (bits == 8 && compression == 1) {
        size_t p = pixels;
        int x = 0, y = 0;
        for (;;) {
            uint32_t first = b.At(p), second = b.At(p + 1);
            p += 2;
            if (first > 0) {
                for (uint32_t k = 0; k < first; ++k)
                    put_index(x++, h - 1 - y, second);
            } else if (second == 0) {
                x = 0;
                ++y;
            } else if (second == 1) {
                break;
            } else if (second == 2) {
                x += (int)b.At(p);
                y += (int)b.At(p + 1);
                p += 2;
            } else {
                for (uint32_t k = 0; k < second; ++k)
                    put_index(x++, h - 1 - y, b.At(p + k));
                p += second + second % 2;
            }
        }
        return out;
    }

    const bool decoded = bits == 1 || (bits == 4 && compression != 2) || bits == 8 ||
                         (bits == 16 && (compression == 0 || compression == 3)) || bits == 24 ||
                         bits == 32;
    if (!decoded) return out;
    const size_t stride = ((size_t)w * bits + 31) / 32 * 4;
    for (int y = 0; y < h; ++y) {
        const size_t row = pixels + (size_t)y * stride;
        for (int x = 0; x < w; ++x) {
            if (bits <= 8) {
                const size_t bit = (size_t)x * bits;
                const uint32_t value =
                    (b.At(row + bit / 8) >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                if (bits == 1) {
                    const uint32_t level = value ? 255 : 0;
                    put(x, h - 1 - y, level, level, level);
                } else {
                    put_index(x, h - 1 - y, value);
                }
            } else if (bits == 16) {
                const uint32_t v = b.U16(row + 2 * x);
                if (compression == 0)
                    put(x, h - 1 - y, (v & 0x1F) * 8, (v >> 5 & 0x1F) * 8, (v >> 10 & 0x1F) * 8);
                else
                    put(x, h - 1 - y, (v & 0x1F) * 8, (v >> 5 & 0x3F) * 4, (v >> 11 & 0x1F) * 8);
            } else {
                const size_t at = row + (size_t)x * (bits / 8);
                put(x, h - 1 - y, b.At(at), b.At(at + 1), b.At(at + 2));
            }
        }
    }
    return out;
}

}  // namespace bmp_reference
