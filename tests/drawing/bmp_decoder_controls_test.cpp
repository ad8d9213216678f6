// The decoder with a file copy whose allocation is forced to fail.
#include "drawing/bmp_decoder.h"

#include <gtest/gtest.h>
#include <zorvane_test/kernel32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "../runtime/heap_walk.h"
#include "bmp_reference.h"
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

// ---- Registry -----------------------------------------------------------------------

// ---- Check ----------------------------------------------------------------------------

// ---- File input ------------------------------------------------------------------------

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

TEST_F(BmpDecoderTest, FileInputRejectionsGiveTheCopyBack) {
    std::vector<uint8_t> file = MakeBmp(1, 1, 24, 0, {}, {1, 2, 3, 0});
    std::vector<uint8_t> wrong = file;
    wrong[0] = 'X';
    std::vector<uint8_t> reserved = file;
    reserved[8] = 1;
    for (const auto& bytes :
         {wrong, reserved, std::vector<uint8_t>(file.begin(), file.begin() + 13),
          std::vector<uint8_t>(file.begin(), file.begin() + 29), std::vector<uint8_t>{}}) {
        TempFile temp(bytes);
        ImageDecodeRequest request{};
        request.file = temp.file;
        EXPECT_EQ(Bmp_Check(&request), 0) << bytes.size();
        EXPECT_EQ(request.owned_data, nullptr);
    }
    // No heap to copy into.
    Runtime_DestroyHeap();
    TempFile temp(file);
    ImageDecodeRequest request{};
    request.file = temp.file;
    EXPECT_EQ(Bmp_Check(&request), 0);
    ASSERT_NE(Runtime_CreateHeap(), nullptr);
    before_ = HeapBlocks(RuntimeHeap);
    // A failed allocation.
    zv_test::Kernel32Reset reset;
    zv_test::FailAllocationsAfter(0, RuntimeHeap);
    EXPECT_EQ(Bmp_Check(&request), 0);
    EXPECT_EQ(request.owned_data, nullptr);
}

}  // namespace
