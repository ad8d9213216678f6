// What the BMP decoder tests build their input from: a file made in memory, its copy in a
// block of exactly its size or in a temporary file, and a fixture with the runtime heap
// that checks every file copy was given back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "../runtime/heap_walk.h"
#include "drawing/bmp_decoder.h"
#include "runtime/heaps.h"

namespace {

constexpr uint8_t kFill = 0xEE;

void Put16(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    f[at] = (uint8_t)v;
    f[at + 1] = (uint8_t)(v >> 8);
}
void Put32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    Put16(f, at, v & 0xFFFF);
    Put16(f, at + 2, v >> 16);
}

// A BMP file with a 40-byte info header, the colour table (0x00RRGGBB values) right after
// it and the pixel bytes right after that.
std::vector<uint8_t> MakeBmp(int32_t w, int32_t h, uint16_t bits, uint32_t compression,
                             const std::vector<uint32_t>& palette,
                             const std::vector<uint8_t>& pixels) {
    const size_t offset = 54 + 4 * palette.size();
    std::vector<uint8_t> f(offset, 0);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 2, (uint32_t)(offset + pixels.size()));
    Put32(f, 10, (uint32_t)offset);
    Put32(f, 14, 40);
    Put32(f, 18, (uint32_t)w);
    Put32(f, 22, (uint32_t)h);
    Put16(f, 26, 1);
    Put16(f, 28, bits);
    Put32(f, 30, compression);
    Put32(f, 34, (uint32_t)pixels.size());
    Put32(f, 46, (uint32_t)palette.size());
    for (size_t i = 0; i < palette.size(); ++i)
        Put32(f, 54 + 4 * i, palette[i]);
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

// The input copied to a block of exactly its size, so that AddressSanitizer sees any read
// past its end.
struct MemoryInput {
    std::unique_ptr<uint8_t[]> bytes;
    ImageDecodeRequest request{};

    explicit MemoryInput(const std::vector<uint8_t>& file, size_t size = SIZE_MAX)
        : bytes(new uint8_t[file.size() ? file.size() : 1]) {
        if (size > file.size()) size = file.size();
        memcpy(bytes.get(), file.data(), size);
        request.from_memory = 1;
        request.memory = bytes.get();
        request.memory_size = size;
    }
};

using Bgr = std::vector<uint8_t>;
const Bgr kUntouched = {kFill, kFill, kFill};

class BmpDecoderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(Runtime_CreateHeap(), nullptr);
        before_ = HeapBlocks(RuntimeHeap);
    }
    void TearDown() override {
        if (RuntimeHeap) {
            EXPECT_EQ(HeapBlocks(RuntimeHeap), before_) << "a file copy was not given back";
        }
        Runtime_DestroyHeap();
    }
    size_t before_ = 0;
};

// The bytes in a temporary file, positioned away from the start.
struct TempFile {
    FILE* file = std::tmpfile();
    explicit TempFile(const std::vector<uint8_t>& bytes) {
        if (file && !bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), file);
        if (file) fseek(file, 7, SEEK_SET);  // the check must not rely on the position
    }
    ~TempFile() {
        if (file) fclose(file);
    }
};

}  // namespace
