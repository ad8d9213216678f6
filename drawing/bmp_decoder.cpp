#include "drawing/bmp_decoder.h"

#include <string.h>

#include "runtime/heaps.h"

namespace {

// Offsets in the file: BITMAPFILEHEADER (14 bytes), then BITMAPINFOHEADER.
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kReserved1 = 6;
constexpr size_t kReserved2 = 8;
constexpr size_t kOffBits = 10;
constexpr size_t kInfoSize = 14;
constexpr size_t kWidth = 18;
constexpr size_t kHeight = 22;
constexpr size_t kBitCount = 28;
constexpr size_t kCompression = 30;
constexpr size_t kCheckedSize = 30;     // what the check reads: through biBitCount
constexpr size_t kCompressionEnd = 34;  // what decode needs to tell the variants apart

constexpr uint16_t kSignature = 0x4D42;  // "BM", read as a little-endian word
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

ImageDecoder g_bmp_decoder;

inline uint16_t Word(const uint8_t* p) {
    return (uint16_t)(p[0] | p[1] << 8);
}
inline uint32_t Dword(const uint8_t* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

int Reject(ImageDecodeRequest* request, void* buffer) {
    Runtime_Free(buffer);
    request->owned_data = nullptr;
    return 0;
}

// The colour table as ready-made output pixels (blue, green, red and a spare byte, so
// that a pixel can be stored with one 4-byte copy). Only entries whose blue, green and
// red bytes lie inside the input count; an index past them is skipped.
struct Palette {
    uint8_t entry[256][4];
    uint32_t count;
};

void LoadPalette(const uint8_t* data, size_t size, uint32_t info_size, Palette* palette) {
    const uint64_t start = kFileHeaderSize + (uint64_t)info_size;
    palette->count = 0;
    if (start + 3 > size) return;
    uint64_t count = (size - start - 3) / 4 + 1;
    if (count > 256) count = 256;
    for (uint64_t k = 0; k < count; ++k) {
        const uint8_t* e = data + start + 4 * k;
        palette->entry[k][0] = e[0];
        palette->entry[k][1] = e[1];
        palette->entry[k][2] = e[2];
        palette->entry[k][3] = 0;
    }
    palette->count = (uint32_t)count;
}

// One source row of n pixels to one output row. The 4-byte stores spill one byte into
// the next pixel, which is written right after; the last pixel is stored with 3 bytes so
// that nothing lands past the row's n pixels.

void Row1(const uint8_t* in, int32_t n, uint8_t* out, const Palette&) {
    for (int32_t x = 0; x < n; ++x) {
        const uint8_t value = (in[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0;
        memset(out + 3 * (size_t)x, value, 3);
    }
}

void Row4(const uint8_t* in, int32_t n, uint8_t* out, const Palette& palette) {
    for (int32_t x = 0; x < n; ++x) {
        const uint8_t byte = in[x >> 1];
        const uint32_t index = x & 1 ? byte & 15 : byte >> 4;
        if (index < palette.count) memcpy(out + 3 * (size_t)x, palette.entry[index], 3);
    }
}

void Row8(const uint8_t* in, int32_t n, uint8_t* out, const Palette& palette) {
    if (n <= 0) return;
    if (palette.count == 256) {
        int32_t x = 0;
        for (; x + 1 < n; ++x)
            memcpy(out + 3 * (size_t)x, palette.entry[in[x]], 4);
        memcpy(out + 3 * (size_t)x, palette.entry[in[x]], 3);
    } else {
        for (int32_t x = 0; x < n; ++x) {
            if (in[x] < palette.count) memcpy(out + 3 * (size_t)x, palette.entry[in[x]], 3);
        }
    }
}

// 16-bit pixels, blue in the low 5 bits, then green in GreenBits (5 for 5-5-5, 6 for
// 5-6-5), then red in 5; each widened to 8 bits by a shift.
template <int GreenBits>
void Row16(const uint8_t* in, int32_t n, uint8_t* out, const Palette&) {
    constexpr uint32_t kGreenMask = (1u << GreenBits) - 1;
    for (int32_t x = 0; x < n; ++x) {
        const uint32_t v = Word(in + 2 * (size_t)x);
        uint8_t* o = out + 3 * (size_t)x;
        o[0] = (uint8_t)((v & 31) << 3);
        o[1] = (uint8_t)(((v >> 5) & kGreenMask) << (8 - GreenBits));
        o[2] = (uint8_t)(((v >> (5 + GreenBits)) & 31) << 3);
    }
}

void Row24(const uint8_t* in, int32_t n, uint8_t* out, const Palette&) {
    memcpy(out, in, 3 * (size_t)n);
}

void Row32(const uint8_t* in, int32_t n, uint8_t* out, const Palette&) {
    if (n <= 0) return;
    int32_t x = 0;
    for (; x + 1 < n; ++x)
        memcpy(out + 3 * (size_t)x, in + 4 * (size_t)x, 4);
    memcpy(out + 3 * (size_t)x, in + 4 * (size_t)x, 3);
}

struct Image {
    const uint8_t* data;
    size_t size;
    uint64_t offset;  // bfOffBits: where the pixel data starts
    int32_t width;
    int32_t height;
    uint8_t* out;
    int64_t pitch;

    uint8_t* OutputRow(int64_t from_bottom) const {
        return out + (height - 1 - from_bottom) * pitch;
    }
};

// Rows in file order, bottom row first, each `stride` bytes. A row that runs past the end
// of the input is decoded up to its last whole pixel; rows after it are not there at all.
template <void (*DecodeRow)(const uint8_t*, int32_t, uint8_t*, const Palette&)>
void DecodeRows(const Image& image, uint32_t bits, uint64_t stride, const Palette& palette) {
    for (int32_t i = 0; i < image.height; ++i) {
        const uint64_t start = image.offset + (uint64_t)i * stride;
        if (start >= image.size) return;
        const uint64_t avail = image.size - start;
        const uint64_t whole = bits >= 8 ? avail / (bits / 8) : avail * (8 / bits);
        const int32_t n = whole < (uint64_t)image.width ? (int32_t)whole : image.width;
        DecodeRow(image.data + start, n, image.OutputRow(i), palette);
    }
}

void DecodeRle8(const Image& image, const Palette& palette) {
    const uint8_t* data = image.data;
    const size_t size = image.size;
    if (image.offset >= size) return;
    size_t p = (size_t)image.offset;
    int64_t x = 0, y = 0;  // y counts rows from the bottom
    auto put = [&](int64_t at, uint32_t index) {
        if (at < image.width && index < palette.count)
            memcpy(image.OutputRow(y) + 3 * at, palette.entry[index], 3);
    };
    // Stops at the end marker, at the end of the data, or once past the top row (nothing
    // after that could be written).
    while (y < image.height && size - p >= 2) {
        const uint32_t n = data[p], second = data[p + 1];
        p += 2;
        if (n != 0) {
            for (uint32_t k = 0; k < n && x + k < image.width; ++k)
                put(x + k, second);
            x += n;
        } else if (second == 0) {
            x = 0;
            ++y;
        } else if (second == 1) {
            return;
        } else if (second == 2) {
            if (size - p < 2) return;
            x += data[p];
            y += data[p + 1];
            p += 2;
        } else {
            const size_t have = size - p < second ? size - p : second;
            for (size_t k = 0; k < have; ++k)
                put(x + (int64_t)k, data[p + k]);
            if (have < second) return;
            x += second;
            p += second + (second & 1);
            if (p > size) return;
        }
    }
}

}  // namespace

void BmpDecoder_Init(void) {
    g_bmp_decoder.check = Bmp_Check;
    g_bmp_decoder.decode = Bmp_Decode;
    g_bmp_decoder.release = Bmp_Release;
    memcpy(g_bmp_decoder.tag, "BMP", 4);
    ImageDecoders_Register(&g_bmp_decoder);
}

ImageDecoder* BmpDecoder_Get(void) {
    return &g_bmp_decoder;
}

int Bmp_Check(ImageDecodeRequest* request) {
    if (!request) return 0;
    const uint8_t* data;
    size_t size;
    uint8_t* buffer = nullptr;
    FILE* file = request->file;
    if (request->from_memory) {
        if (!request->memory || request->memory_size < kCheckedSize)
            return Reject(request, nullptr);
        data = (const uint8_t*)request->memory;
        size = request->memory_size;
    } else {
        if (!file || fseek(file, 0, SEEK_END) != 0) return Reject(request, nullptr);
        const long end = ftell(file);
        if (end < (long)kCheckedSize || fseek(file, 0, SEEK_SET) != 0) {
            return Reject(request, nullptr);
        }
        size = (size_t)end;
        buffer = (uint8_t*)Runtime_Alloc((SIZE_T)size, FALSE);
        if (!buffer) return Reject(request, nullptr);
        if (fread(buffer, kFileHeaderSize, 1, file) != 1) return Reject(request, buffer);
        request->owned_data = buffer;
        data = buffer;
    }
    if (Word(data) != kSignature || Word(data + kReserved1) != 0 || Word(data + kReserved2) != 0) {
        return Reject(request, buffer);
    }
    // A file that comes up short of the size it gave would leave the copy half unread.
    if (buffer && fread(buffer + kFileHeaderSize, size - kFileHeaderSize, 1, file) != 1) {
        return Reject(request, buffer);
    }
    request->width = (int32_t)Dword(data + kWidth);
    request->height = (int32_t)Dword(data + kHeight);
    request->source_depth = Word(data + kBitCount);
    request->depth = 24;
    request->owned_data = buffer;
    request->decoder_data = data;
    request->data_size = size;
    return 1;
}

int Bmp_Decode(ImageDecodeRequest* request, void* pixels, int32_t pitch, void* unused) {
    (void)unused;
    if (!request || !pixels || !request->decoder_data || request->data_size < kCheckedSize) {
        return 1;
    }
    Image image;
    image.data = (const uint8_t*)request->decoder_data;
    image.size = request->data_size;
    image.offset = Dword(image.data + kOffBits);
    image.width = (int32_t)Dword(image.data + kWidth);
    image.height = (int32_t)Dword(image.data + kHeight);
    image.out = (uint8_t*)pixels;
    image.pitch = pitch;
    const uint32_t bits = Word(image.data + kBitCount);
    if (image.width <= 0 || image.height <= 0 || image.pitch < 3 * (int64_t)image.width) return 1;
    const bool has_compression = image.size >= kCompressionEnd;
    const uint32_t compression = has_compression ? Dword(image.data + kCompression) : 0;
    const uint64_t w = (uint64_t)image.width;

    Palette palette;
    palette.count = 0;
    if (bits == 4 || bits == 8) {
        if (!has_compression) return 1;
        LoadPalette(image.data, image.size, Dword(image.data + kInfoSize), &palette);
    }
    switch (bits) {
        case 1:
            DecodeRows<Row1>(image, bits, ((w + 7) / 8 + 3) & ~(uint64_t)3, palette);
            break;
        case 4:
            if (compression != kRle4)
                DecodeRows<Row4>(image, bits, ((w + 1) / 2 + 3) & ~(uint64_t)3, palette);
            break;
        case 8:
            if (compression == kRle8)
                DecodeRle8(image, palette);
            else
                DecodeRows<Row8>(image, bits, (w + 3) & ~(uint64_t)3, palette);
            break;
        case 16:
            if (!has_compression) break;
            if (compression == kRgb)
                DecodeRows<Row16<5>>(image, bits, 2 * w + (w & 1 ? 2 : 0), palette);
            else if (compression == kBitFields)
                DecodeRows<Row16<6>>(image, bits, 2 * w + (w & 1 ? 2 : 0), palette);
            break;
        case 24:
            DecodeRows<Row24>(image, bits, 3 * w + (w & 3), palette);
            break;
        case 32:
            DecodeRows<Row32>(image, bits, 4 * w, palette);
            break;
        default:
            break;
    }
    return 1;
}

void Bmp_Release(ImageDecodeRequest* request) {
    if (!request || !request->owned_data) return;
    // decode after release must find nothing rather than freed memory
    if (request->decoder_data == request->owned_data) {
        request->decoder_data = nullptr;
        request->data_size = 0;
    }
    Runtime_Free(request->owned_data);
    request->owned_data = nullptr;
}
