#include "drawing/bmp_decoder.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

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
#include "bmp_test_support.h"
#include "runtime/heaps.h"

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string DataDir() {
    return std::string(ZV_TESTDATA_DIR) + "/bmpsuite/";
}

// Check, decode into `rows` rows of `pitch` bytes that start as kFill, release.
std::vector<uint8_t> DecodeMemory(const std::vector<uint8_t>& file, int32_t pitch, int32_t rows,
                                  size_t size = SIZE_MAX) {
    MemoryInput input(file, size);
    EXPECT_EQ(Bmp_Check(&input.request), 1);
    std::vector<uint8_t> out((size_t)rows * pitch, kFill);
    EXPECT_EQ(Bmp_Decode(&input.request, out.data(), pitch, nullptr), 1);
    Bmp_Release(&input.request);
    return out;
}

std::vector<uint8_t> Pixel(const std::vector<uint8_t>& out, int32_t pitch, int x, int row) {
    const uint8_t* p = &out[(size_t)row * pitch + 3 * x];
    return {p[0], p[1], p[2]};
}

// ---- Registry -----------------------------------------------------------------------

TEST_F(BmpDecoderTest, RegistryHoldsTheBmpDecoderAndStopsAtItsCapacity) {
    ImageDecoders_Init();
    EXPECT_EQ(ImageDecoders_Get()->count, 0);
    BmpDecoder_Init();
    const ImageDecoderRegistry* registry = ImageDecoders_Get();
    ASSERT_EQ(registry->count, 1);
    const ImageDecoder* bmp = registry->decoders[0];
    EXPECT_EQ(bmp, BmpDecoder_Get());
    EXPECT_EQ(bmp->check, &Bmp_Check);
    EXPECT_EQ(bmp->decode, &Bmp_Decode);
    EXPECT_EQ(bmp->release, &Bmp_Release);
    EXPECT_EQ(memcmp(bmp->tag, "BMP", 4), 0);

    ImageDecoder other{};
    for (int i = 1; i < IMAGE_DECODERS_MAX; ++i)
        EXPECT_EQ(ImageDecoders_Register(&other), 1);
    EXPECT_EQ(ImageDecoders_Register(&other), 0);
    EXPECT_EQ(ImageDecoders_Register(nullptr), 0);
    EXPECT_EQ(registry->count, IMAGE_DECODERS_MAX);
    EXPECT_EQ(registry->decoders[IMAGE_DECODERS_MAX - 1], &other);
    ImageDecoders_Init();
    EXPECT_EQ(registry->count, 0);
}

// ---- Check ----------------------------------------------------------------------------

TEST_F(BmpDecoderTest, CheckReportsTheHeaderAsItIs) {
    std::vector<uint8_t> file = MakeBmp(3, -2, 8, 0, {0x112233}, std::vector<uint8_t>(8, 0));
    MemoryInput input(file);
    ASSERT_EQ(Bmp_Check(&input.request), 1);
    EXPECT_EQ(input.request.width, 3);
    EXPECT_EQ(input.request.height, -2);  // top-down files are accepted, with their sign
    EXPECT_EQ(input.request.depth, 24);
    EXPECT_EQ(input.request.source_depth, 8);
    EXPECT_EQ(input.request.decoder_data, input.bytes.get());
    EXPECT_EQ(input.request.data_size, file.size());
    EXPECT_EQ(input.request.owned_data, nullptr);
    Bmp_Release(&input.request);
}

TEST_F(BmpDecoderTest, CheckRejectsWhatIsNotABmpOrTooShortForItsHeader) {
    const std::vector<uint8_t> good = MakeBmp(1, 1, 24, 0, {}, {1, 2, 3, 0});
    // Cut at every byte of the headers: below 30 bytes (through biBitCount) is rejected.
    for (size_t size = 0; size < 54; ++size) {
        MemoryInput input(good, size);
        EXPECT_EQ(Bmp_Check(&input.request), size >= 30 ? 1 : 0) << size;
        Bmp_Release(&input.request);
    }
    auto rejects = [](std::vector<uint8_t> file) {
        MemoryInput input(file);
        return Bmp_Check(&input.request) == 0 && input.request.owned_data == nullptr;
    };
    std::vector<uint8_t> bad = good;
    bad[1] = 'A';
    EXPECT_TRUE(rejects(bad));
    bad = good;
    bad[6] = 1;
    EXPECT_TRUE(rejects(bad));
    bad = good;
    bad[9] = 0x80;
    EXPECT_TRUE(rejects(bad));

    ImageDecodeRequest null_memory{};
    null_memory.from_memory = 1;
    null_memory.memory_size = 100;
    EXPECT_EQ(Bmp_Check(&null_memory), 0);
    ImageDecodeRequest no_file{};
    EXPECT_EQ(Bmp_Check(&no_file), 0);
    EXPECT_EQ(Bmp_Check(nullptr), 0);
}

// ---- File input ------------------------------------------------------------------------

TEST_F(BmpDecoderTest, FileInputIsCopiedToTheRuntimeHeapUntilRelease) {
    const std::vector<uint8_t> file = MakeBmp(2, 2, 24, 0, {},
                                              {1, 2, 3, 4, 5, 6, 0, 0,  //
                                               7, 8, 9, 10, 11, 12, 0, 0});
    TempFile temp(file);
    ASSERT_NE(temp.file, nullptr);
    ImageDecodeRequest request{};
    request.file = temp.file;
    ASSERT_EQ(Bmp_Check(&request), 1);
    ASSERT_NE(request.owned_data, nullptr);
    EXPECT_EQ(request.decoder_data, request.owned_data);
    EXPECT_EQ(request.data_size, file.size());
    EXPECT_EQ(memcmp(request.owned_data, file.data(), file.size()), 0);
    EXPECT_EQ(HeapBlocks(RuntimeHeap), before_ + 1);

    std::vector<uint8_t> out(2 * 6, kFill);
    EXPECT_EQ(Bmp_Decode(&request, out.data(), 6, nullptr), 1);
    EXPECT_EQ(out, DecodeMemory(file, 6, 2));
    EXPECT_EQ(out, (std::vector<uint8_t>{7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}));

    Bmp_Release(&request);
    EXPECT_EQ(request.owned_data, nullptr);
    // Decoding after release finds nothing to read rather than freed memory.
    std::vector<uint8_t> again(2 * 6, kFill);
    EXPECT_EQ(Bmp_Decode(&request, again.data(), 6, nullptr), 1);
    EXPECT_EQ(again, std::vector<uint8_t>(12, kFill));
    Bmp_Release(&request);  // a second release does nothing
}

// ---- Pixels, as documented ----------------------------------------------------------------

TEST_F(BmpDecoderTest, OneBitIgnoresTheColourTable) {
    // Red and blue in the table; width 10: the second byte's last 6 bits are outside.
    std::vector<uint8_t> file = MakeBmp(10, 1, 1, 0, {0xFF0000, 0x0000FF}, {0xA5, 0xFF, 0, 0});
    std::vector<uint8_t> out = DecodeMemory(file, 33, 1);
    const Bgr white = {255, 255, 255}, black = {0, 0, 0};
    const Bgr expected[10] = {white, black, white, black, black, white, black, white, white, white};
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(Pixel(out, 33, x, 0), expected[x]) << x;
    EXPECT_EQ(Pixel(out, 33, 10, 0), kUntouched);
}

TEST_F(BmpDecoderTest, FourBitOfWidthThreeReadsTwoBytesAndTwoPaddingPerRow) {
    // Rows of 4 bytes: 2 with pixels, 2 of padding (filled with index 1 nibbles as bait).
    std::vector<uint8_t> file = MakeBmp(3, 2, 4, 0, {0x000000, 0x0000FF, 0x00FF00, 0xFF0000},
                                        {0x01, 0x21, 0x11, 0x11,    // bottom row: 0 1 2
                                         0x32, 0x10, 0x11, 0x11});  // top row: 3 2 1
    std::vector<uint8_t> out = DecodeMemory(file, 12, 2);
    EXPECT_EQ(Pixel(out, 12, 0, 0), (Bgr{0, 0, 255}));  // index 3: red
    EXPECT_EQ(Pixel(out, 12, 1, 0), (Bgr{0, 255, 0}));
    EXPECT_EQ(Pixel(out, 12, 2, 0), (Bgr{255, 0, 0}));
    EXPECT_EQ(Pixel(out, 12, 3, 0), kUntouched);  // exactly 3 pixels per row
    EXPECT_EQ(Pixel(out, 12, 0, 1), (Bgr{0, 0, 0}));
    EXPECT_EQ(Pixel(out, 12, 1, 1), (Bgr{255, 0, 0}));
    EXPECT_EQ(Pixel(out, 12, 2, 1), (Bgr{0, 255, 0}));
    EXPECT_EQ(Pixel(out, 12, 3, 1), kUntouched);
}

TEST_F(BmpDecoderTest, TwentyFourBitRowsArePaddedToFourBytes) {
    std::vector<uint8_t> one = MakeBmp(1, 2, 24, 0, {}, {1, 2, 3, 99, 4, 5, 6, 99});
    EXPECT_EQ(DecodeMemory(one, 3, 2), (std::vector<uint8_t>{4, 5, 6, 1, 2, 3}));
    std::vector<uint8_t> pixels(24);
    for (int i = 0; i < 24; ++i)
        pixels[i] = (uint8_t)i;
    std::vector<uint8_t> four = MakeBmp(4, 2, 24, 0, {}, pixels);
    std::vector<uint8_t> expected(pixels.begin() + 12, pixels.end());
    expected.insert(expected.end(), pixels.begin(), pixels.begin() + 12);
    EXPECT_EQ(DecodeMemory(four, 12, 2), expected);
}

TEST_F(BmpDecoderTest, SixteenBitIsWidenedByAPlainShift) {
    // Width 1: each row is followed by 2 padding bytes.
    std::vector<uint8_t> file = MakeBmp(1, 2, 16, 0, {}, {0xFF, 0x7F, 0, 0, 0x1F, 0x80, 0, 0});
    std::vector<uint8_t> out = DecodeMemory(file, 3, 2);
    EXPECT_EQ(Pixel(out, 3, 0, 1), (Bgr{248, 248, 248}));  // 0x7FFF
    EXPECT_EQ(Pixel(out, 3, 0, 0), (Bgr{248, 0, 0}));      // 0x801F: the top bit is ignored
    // Bit fields: 5-6-5 whatever masks follow the header (here none at all).
    file = MakeBmp(2, 1, 16, 3, {}, {0xFF, 0xFF, 0xE0, 0x07});
    out = DecodeMemory(file, 6, 1);
    EXPECT_EQ(Pixel(out, 6, 0, 0), (Bgr{248, 252, 248}));
    EXPECT_EQ(Pixel(out, 6, 1, 0), (Bgr{0, 252, 0}));
    // Other compressions are not decoded.
    file = MakeBmp(2, 1, 16, 6, {}, {0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(DecodeMemory(file, 6, 1), std::vector<uint8_t>(6, kFill));
}

TEST_F(BmpDecoderTest, ThirtyTwoBitDropsTheFourthByte) {
    std::vector<uint8_t> file = MakeBmp(2, 1, 32, 0, {}, {1, 2, 3, 4, 5, 6, 7, 8});
    std::vector<uint8_t> out = DecodeMemory(file, 7, 1);
    EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3, 5, 6, 7, kFill}));
}

TEST_F(BmpDecoderTest, EightBitUsesTheColourTable) {
    std::vector<uint8_t> file = MakeBmp(3, 1, 8, 0, {0x102030, 0x405060}, {1, 0, 1, 0});
    EXPECT_EQ(DecodeMemory(file, 9, 1),
              (std::vector<uint8_t>{0x60, 0x50, 0x40, 0x30, 0x20, 0x10, 0x60, 0x50, 0x40}));
}

TEST_F(BmpDecoderTest, RleEightRunsEndOfLineAndEndOfBitmap) {
    std::vector<uint32_t> palette(8);
    palette[5] = 0x050505;
    palette[7] = 0x070707;
    std::vector<uint8_t> file = MakeBmp(4, 2, 8, 1, palette, {3, 5, 0, 0, 2, 7, 0, 1});
    std::vector<uint8_t> out = DecodeMemory(file, 12, 2);
    const Bgr five = {5, 5, 5}, seven = {7, 7, 7};
    EXPECT_EQ(Pixel(out, 12, 0, 1), five);
    EXPECT_EQ(Pixel(out, 12, 1, 1), five);
    EXPECT_EQ(Pixel(out, 12, 2, 1), five);
    EXPECT_EQ(Pixel(out, 12, 3, 1), kUntouched);
    EXPECT_EQ(Pixel(out, 12, 0, 0), seven);
    EXPECT_EQ(Pixel(out, 12, 1, 0), seven);
    EXPECT_EQ(Pixel(out, 12, 2, 0), kUntouched);
}

TEST_F(BmpDecoderTest, RleEightDeltaAndAbsoluteRuns) {
    std::vector<uint32_t> palette = {0x000000, 0x010101, 0x020202, 0x030303};
    // Delta (2, 1), then an absolute run of 3 (odd: one padding byte), then 1 pixel.
    std::vector<uint8_t> file =
        MakeBmp(6, 3, 8, 1, palette, {0, 2, 2, 1, 0, 3, 1, 2, 3, 0xFF, 1, 1, 0, 1});
    std::vector<uint8_t> out = DecodeMemory(file, 18, 3);
    EXPECT_EQ(Pixel(out, 18, 1, 1), kUntouched);
    EXPECT_EQ(Pixel(out, 18, 2, 1), (Bgr{1, 1, 1}));
    EXPECT_EQ(Pixel(out, 18, 3, 1), (Bgr{2, 2, 2}));
    EXPECT_EQ(Pixel(out, 18, 4, 1), (Bgr{3, 3, 3}));
    EXPECT_EQ(Pixel(out, 18, 5, 1), (Bgr{1, 1, 1}));
    // Rows 0 and 2 stay untouched.
    for (size_t i = 0; i < out.size(); ++i) {
        if (i < 18 || i >= 36) {
            EXPECT_EQ(out[i], kFill) << i;
        }
    }
}

TEST_F(BmpDecoderTest, VariantsLeftUndecodedWriteNothing) {
    const std::vector<uint8_t> nothing(4 * 6, kFill);
    // 4-bit RLE passes the check with its depth, and writes nothing.
    std::vector<uint8_t> rle4 = MakeBmp(2, 4, 4, 2, {0xFFFFFF}, {2, 0x00, 0, 1});
    MemoryInput input(rle4);
    ASSERT_EQ(Bmp_Check(&input.request), 1);
    EXPECT_EQ(input.request.source_depth, 4);
    EXPECT_EQ(DecodeMemory(rle4, 6, 4), nothing);
    // Top-down rows (negative height), and zero sizes.
    EXPECT_EQ(DecodeMemory(MakeBmp(2, -4, 24, 0, {}, std::vector<uint8_t>(32, 1)), 6, 4), nothing);
    EXPECT_EQ(DecodeMemory(MakeBmp(0, 4, 24, 0, {}, std::vector<uint8_t>(32, 1)), 6, 4), nothing);
    EXPECT_EQ(DecodeMemory(MakeBmp(2, 0, 24, 0, {}, std::vector<uint8_t>(32, 1)), 6, 4), nothing);
    // Bit counts outside the table.
    for (uint16_t bits : {0, 2, 3, 12, 48, 64})
        EXPECT_EQ(
            DecodeMemory(MakeBmp(2, 4, bits, 0, {0xFFFFFF}, std::vector<uint8_t>(64, 0)), 6, 4),
            nothing)
            << bits;
}

// ---- Malformed input: cut off or skipped, never outside the input or the output ----------

TEST_F(BmpDecoderTest, TruncatedPixelDataDecodesWhatIsThere) {
    std::vector<uint8_t> pixels(3 * 12);  // 3 rows of 3 pixels (9 bytes + 3 padding)
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = (uint8_t)(i + 1);
    const std::vector<uint8_t> file = MakeBmp(3, 3, 24, 0, {}, pixels);
    const std::vector<uint8_t> whole = DecodeMemory(file, 10, 3);
    for (size_t size = 30; size <= file.size(); ++size) {
        std::vector<uint8_t> cut = DecodeMemory(file, 10, 3, size);
        for (int row = 0; row < 3; ++row) {
            for (int x = 0; x < 3; ++x) {
                // Source row 2 - row; the pixel is there when its three bytes are.
                const size_t end = 54 + (size_t)(2 - row) * 12 + 3 * x + 3;
                EXPECT_EQ(Pixel(cut, 10, x, row),
                          end <= size ? Pixel(whole, 10, x, row) : kUntouched)
                    << "size " << size << " pixel " << x << "," << row;
            }
            EXPECT_EQ(cut[row * 10 + 9], kFill);
        }
    }
    // The same for 1, 4, 8, 16 and 32 bits: against the whole decode, pixel by pixel.
    for (uint16_t bits : {1, 4, 8, 16, 32}) {
        std::vector<uint32_t> palette(bits <= 8 ? 1u << bits : 0);
        for (size_t i = 0; i < palette.size(); ++i)
            palette[i] = 0x010203 * (uint32_t)i;
        std::vector<uint8_t> data(5 * 20);
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = (uint8_t)(i * 37);
        const std::vector<uint8_t> f = MakeBmp(5, 5, bits, 0, palette, data);
        const std::vector<uint8_t> full = DecodeMemory(f, 15, 5);
        const size_t stride = (5 * bits + 31) / 32 * 4, start = 54 + 4 * palette.size();
        for (size_t size = start; size < f.size(); size += 3) {
            std::vector<uint8_t> cut = DecodeMemory(f, 15, 5, size);
            for (int row = 0; row < 5; ++row)
                for (int x = 0; x < 5; ++x) {
                    const size_t end =
                        start + (4 - row) * stride + ((size_t)(x + 1) * bits + 7) / 8;
                    ASSERT_EQ(Pixel(cut, 15, x, row),
                              end <= size ? Pixel(full, 15, x, row) : kUntouched)
                        << "bits " << bits << " size " << size << " pixel " << x << "," << row;
                }
        }
    }
}

TEST_F(BmpDecoderTest, OffsetsBeyondTheEndReadNothing) {
    std::vector<uint8_t> file = MakeBmp(2, 2, 24, 0, {}, std::vector<uint8_t>(16, 9));
    const std::vector<uint8_t> nothing(12, kFill);
    for (uint32_t offset :
         {(uint32_t)file.size(), (uint32_t)file.size() + 100, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
        Put32(file, 10, offset);
        EXPECT_EQ(DecodeMemory(file, 6, 2), nothing) << offset;
    }
    // The same for RLE8 data.
    file = MakeBmp(2, 2, 8, 1, {0xFFFFFF}, {2, 0, 0, 1});
    Put32(file, 10, 0xFFFFFFFF);
    EXPECT_EQ(DecodeMemory(file, 6, 2), nothing);
    // A colour table that would start past the end: no index is inside it.
    file = MakeBmp(2, 2, 8, 0, {0xFFFFFF}, {0, 0, 0, 0, 0, 0, 0, 0});
    for (uint32_t info_size : {4000u, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
        Put32(file, 14, info_size);
        EXPECT_EQ(DecodeMemory(file, 6, 2), nothing) << info_size;
    }
}

TEST_F(BmpDecoderTest, PaletteIndicesBeyondTheTableAreSkipped) {
    // The colour table is placed last in the file with two whole entries and the blue,
    // green and red bytes of a third: indices 0 to 2 are colours, 3 and above are not.
    std::vector<uint8_t> file = MakeBmp(6, 1, 8, 0, {}, {0, 1, 2, 3, 4, 255, 0, 0});
    const size_t table = file.size();
    file.insert(file.end(), {10, 11, 12, 0, 20, 21, 22, 0, 30, 31, 32});
    Put32(file, 14, (uint32_t)(table - 14));
    std::vector<uint8_t> out = DecodeMemory(file, 18, 1);
    EXPECT_EQ(out, (std::vector<uint8_t>{10, 11, 12, 20, 21, 22, 30, 31, 32, kFill, kFill, kFill,
                                         kFill, kFill, kFill, kFill, kFill, kFill}));
    // 4-bit, and RLE8 runs of both kinds.
    std::vector<uint8_t> four = MakeBmp(4, 1, 4, 0, {}, {0x21, 0x3F, 0, 0});
    const size_t table4 = four.size();
    four.insert(four.end(), {10, 11, 12, 0, 20, 21, 22, 0, 30, 31, 32});
    Put32(four, 14, (uint32_t)(table4 - 14));
    EXPECT_EQ(DecodeMemory(four, 12, 1), (std::vector<uint8_t>{30, 31, 32, 20, 21, 22, kFill, kFill,
                                                               kFill, kFill, kFill, kFill}));
    std::vector<uint8_t> rle = MakeBmp(4, 1, 8, 1, {}, {2, 9, 0, 3, 1, 7, 0, 0, 0, 1});
    const size_t table8 = rle.size();
    rle.insert(rle.end(), {10, 11, 12, 0, 20, 21, 22, 0});
    Put32(rle, 14, (uint32_t)(table8 - 14));
    EXPECT_EQ(DecodeMemory(rle, 12, 1),
              (std::vector<uint8_t>{kFill, kFill, kFill, kFill, kFill, kFill, 20, 21, 22, kFill,
                                    kFill, kFill}));
}

TEST_F(BmpDecoderTest, RleEightIsCutAtTheRowTheHeightAndTheEndOfData) {
    std::vector<uint32_t> palette = {0x000000, 0x010101, 0x020202};
    const Bgr one = {1, 1, 1}, two = {2, 2, 2};
    struct Case {
        const char* what;
        std::vector<uint8_t> stream;
        std::vector<Bgr> bottom, top;  // the expected rows of a 3 x 2 image
    };
    const Bgr u = kUntouched;
    const Case cases[] = {
        {"run past the row end does not wrap",
         {200, 1, 0, 0, 1, 2, 0, 1},
         {one, one, one},
         {two, u, u}},
        {"absolute run past the row end",
         {0, 5, 1, 1, 1, 1, 1, 0, 0, 0, 1, 2, 0, 1},
         {one, one, one},
         {two, u, u}},
        {"delta past the row end", {0, 2, 250, 0, 1, 1, 0, 0, 1, 2}, {u, u, u}, {two, u, u}},
        {"delta past the height", {1, 1, 0, 2, 0, 9, 1, 2, 0, 0, 1, 2}, {one, u, u}, {u, u, u}},
        {"end of line past the height", {0, 0, 0, 0, 0, 0, 0, 0, 3, 1}, {u, u, u}, {u, u, u}},
        {"no end marker", {2, 1, 0, 0, 1, 2}, {one, one, u}, {two, u, u}},
        {"data ends inside a pair", {2, 1, 0}, {one, one, u}, {u, u, u}},
        {"data ends inside a delta", {1, 2, 0, 2, 1}, {two, u, u}, {u, u, u}},
        {"data ends inside an absolute run", {0, 6, 2, 1}, {two, one, u}, {u, u, u}},
        {"odd absolute run without its padding byte", {0, 3, 1, 2, 1}, {one, two, one}, {u, u, u}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> file = MakeBmp(3, 2, 8, 1, palette, c.stream);
        std::vector<uint8_t> out = DecodeMemory(file, 10, 2);
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(Pixel(out, 10, x, 1), c.bottom[x]) << c.what << ", bottom " << x;
            EXPECT_EQ(Pixel(out, 10, x, 0), c.top[x]) << c.what << ", top " << x;
        }
        EXPECT_EQ(out[9], kFill) << c.what;
        EXPECT_EQ(out[19], kFill) << c.what;
    }
}

TEST_F(BmpDecoderTest, NegativeAndHugeSizes) {
    const std::vector<uint8_t> nothing(3 * 12, kFill);
    // Negative width, and a negative height for RLE8 (rows would land above the output).
    EXPECT_EQ(DecodeMemory(MakeBmp(-4, 3, 24, 0, {}, std::vector<uint8_t>(64, 1)), 12, 3), nothing);
    EXPECT_EQ(DecodeMemory(MakeBmp(4, -3, 8, 1, {0xFFFFFF}, {4, 0, 0, 0, 4, 0, 0, 1}), 12, 3),
              nothing);
    // A width the output cannot hold at this pitch writes nothing.
    EXPECT_EQ(DecodeMemory(MakeBmp(0x7FFFFFFF, 3, 24, 0, {}, std::vector<uint8_t>(64, 1)), 12, 3),
              nothing);
    EXPECT_EQ(DecodeMemory(MakeBmp(5, 3, 24, 0, {}, std::vector<uint8_t>(64, 1)), 14, 3),
              std::vector<uint8_t>(3 * 14, kFill));
    std::vector<uint8_t> file = MakeBmp(5, 3, 24, 0, {}, std::vector<uint8_t>(64, 1));
    MemoryInput input(file);
    ASSERT_EQ(Bmp_Check(&input.request), 1);
    std::vector<uint8_t> out(3 * 15, kFill);
    EXPECT_EQ(Bmp_Decode(&input.request, out.data() + 2 * 15, -15, nullptr), 1);
    EXPECT_EQ(out, std::vector<uint8_t>(3 * 15, kFill));
    // A huge height with a little data: only the bottom rows that are there are written.
    const int32_t tall = 200000;
    out = DecodeMemory(MakeBmp(1, tall, 24, 0, {}, {1, 2, 3, 0, 4, 5, 6}), 3, tall);
    EXPECT_EQ(Pixel(out, 3, 0, tall - 1), (Bgr{1, 2, 3}));
    EXPECT_EQ(Pixel(out, 3, 0, tall - 2), (Bgr{4, 5, 6}));
    out.resize(out.size() - 6);
    EXPECT_EQ(out, std::vector<uint8_t>(out.size(), kFill));
}

// ---- The test images --------------------------------------------------------------------

// Files whose variant is decoded, compared with the independent reading of the same rules.
const char* const kDecoded[] = {
    "g/pal1.bmp",          "g/pal1bg.bmp",         "g/pal1wb.bmp",         "g/pal4.bmp",
    "g/pal4gs.bmp",        "g/pal8-0.bmp",         "g/pal8.bmp",           "g/pal8gs.bmp",
    "g/pal8nonsquare.bmp", "g/pal8rle.bmp",        "g/pal8v4.bmp",         "g/pal8v5.bmp",
    "g/pal8w124.bmp",      "g/pal8w125.bmp",       "g/pal8w126.bmp",       "g/rgb16-565.bmp",
    "g/rgb16-565pal.bmp",  "g/rgb16.bmp",          "g/rgb16bfdef.bmp",     "g/rgb24.bmp",
    "g/rgb24pal.bmp",      "g/rgb32.bmp",          "g/rgb32bf.bmp",        "g/rgb32bfdef.bmp",
    "q/pal1p1.bmp",        "q/pal1huffmsb.bmp",    "q/pal8offs.bmp",       "q/pal8oversizepal.bmp",
    "q/pal8os2v2.bmp",     "q/pal8os2v2-sz.bmp",   "q/pal8os2v2-40sz.bmp", "q/pal8rletrns.bmp",
    "q/pal8rlecut.bmp",    "q/rgb16-231.bmp",      "q/rgb16-3103.bmp",     "q/rgb16faketrns.bmp",
    "q/rgb24largepal.bmp", "q/rgb24lprof.bmp",     "q/rgb24prof.bmp",      "q/rgb24prof2.bmp",
    "q/rgb32-111110.bmp",  "q/rgb32-7187.bmp",     "q/rgb32-xbgr.bmp",     "q/rgb32fakealpha.bmp",
    "q/rgb32h52.bmp",      "q/rgba16-1924.bmp",    "q/rgba16-4444.bmp",    "q/rgba16-5551.bmp",
    "q/rgba32-1.bmp",      "q/rgba32-1010102.bmp", "q/rgba32-2.bmp",       "q/rgba32-61754.bmp",
    "q/rgba32-81284.bmp",  "q/rgba32abf.bmp",      "q/rgba32h56.bmp"};

// Files whose variant is deliberately left undecoded: nothing is written.
const char* const kUndecoded[] = {"g/pal4rle.bmp",     "g/pal8topdown.bmp", "q/pal2.bmp",
                                  "q/pal2color.bmp",   "q/pal4rlecut.bmp",  "q/pal4rletrns.bmp",
                                  "q/rgb24jpeg.bmp",   "q/rgb24png.bmp",    "q/rgba64.bmp",
                                  "b/badbitcount.bmp", "b/badrle4.bmp",     "b/badrle4bis.bmp",
                                  "b/badrle4ter.bmp",  "b/rletopdown.bmp",  "b/badwidth.bmp"};

TEST_F(BmpDecoderTest, SuiteImagesDecodeAsDocumented) {
    for (const char* name : kDecoded) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> file = ReadFile(DataDir() + name);
        ASSERT_FALSE(file.empty());
        MemoryInput input(file);
        ASSERT_EQ(Bmp_Check(&input.request), 1);
        const int32_t w = input.request.width, h = input.request.height;
        ASSERT_GT(w, 0);
        ASSERT_GT(h, 0);
        const int32_t pitch = 3 * w + 5;  // room after each row, to see that none is touched
        std::vector<uint8_t> expected = bmp_reference::Decode(file, pitch, kFill);
        std::vector<uint8_t> out = DecodeMemory(file, pitch, h);
        EXPECT_EQ(out, expected);

        // The same file through a FILE*.
        FILE* f = fopen((DataDir() + name).c_str(), "rb");
        ASSERT_NE(f, nullptr);
        ImageDecodeRequest request{};
        request.file = f;
        ASSERT_EQ(Bmp_Check(&request), 1);
        EXPECT_EQ(request.width, w);
        EXPECT_EQ(request.height, h);
        std::vector<uint8_t> from_file((size_t)h * pitch, kFill);
        EXPECT_EQ(Bmp_Decode(&request, from_file.data(), pitch, nullptr), 1);
        Bmp_Release(&request);
        fclose(f);
        EXPECT_EQ(from_file, expected);
    }
    for (const char* name : kUndecoded) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> file = ReadFile(DataDir() + name);
        MemoryInput input(file);
        ASSERT_EQ(Bmp_Check(&input.request), 1);
        const int32_t w = input.request.width, h = input.request.height;
        const int32_t rows = h < 0 ? -h : h, pitch = 3 * (w < 0 ? -w : w);
        EXPECT_EQ(DecodeMemory(file, pitch, rows),
                  std::vector<uint8_t>((size_t)rows * pitch, kFill));
    }
}

// The output for a header's size: `height` rows of 3 x width bytes. Sizes that some of the
// set's headers claim (terabytes) are reserved address space whose pages appear only when
// written, which is all the decoder may touch.
struct OutputRegion {
    uint8_t* pixels = nullptr;
    int32_t pitch = 3;
    size_t bytes = 0;
    std::vector<uint8_t> small;

    OutputRegion(int32_t w, int32_t h) {
        const uint64_t row = 3 * (uint64_t)(w > 0 ? w : 1);
        const uint64_t total = row * (uint64_t)(h > 0 ? h : 1);
        if (row > INT32_MAX) {
            small.resize(3);  // no pitch can hold a row: nothing may be written
            pixels = small.data();
            return;
        }
        pitch = (int32_t)row;
        if (total <= (64u << 20)) {
            small.assign(total, kFill);
            pixels = small.data();
            return;
        }
        // Pages that are only touched where the decoder writes.
#ifdef _WIN32
        void* p = total <= SIZE_MAX ? VirtualAlloc(nullptr, size_t(total), MEM_RESERVE | MEM_COMMIT,
                                                   PAGE_READWRITE)
                                    : nullptr;
        if (p) {
#else
        void* p = mmap(nullptr, total, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (p != MAP_FAILED) {
#endif
            pixels = (uint8_t*)p;
            bytes = total;
        }
    }
    ~OutputRegion() {
#ifdef _WIN32
        if (bytes) VirtualFree(pixels, 0, MEM_RELEASE);
#else
        if (bytes) munmap(pixels, bytes);
#endif
    }
};

// Every file of the set, whatever it holds, through check, decode and release, from memory
// and from a file; the sanitizers watch the reads and the writes.
TEST_F(BmpDecoderTest, EverySuiteFileGoesThroughCheckDecodeRelease) {
    int files = 0, accepted = 0;
    for (const char* folder : {"g", "q", "b"}) {
        for (const auto& entry : std::filesystem::directory_iterator(DataDir() + folder)) {
            if (entry.path().extension() != ".bmp") continue;
            SCOPED_TRACE(entry.path().string());
            ++files;
            const std::vector<uint8_t> file = ReadFile(entry.path().string());
            MemoryInput input(file);
            FILE* f = fopen(entry.path().string().c_str(), "rb");
            ASSERT_NE(f, nullptr);
            ImageDecodeRequest from_file{};
            from_file.file = f;
            const int ok = Bmp_Check(&input.request);
            EXPECT_EQ(Bmp_Check(&from_file), ok);
            if (ok) {
                ++accepted;
                OutputRegion out(input.request.width, input.request.height);
                if (out.pixels) {
                    EXPECT_EQ(Bmp_Decode(&input.request, out.pixels, out.pitch, nullptr), 1);
                    EXPECT_EQ(Bmp_Decode(&from_file, out.pixels, out.pitch, nullptr), 1);
                } else {
#ifndef _WIN32
                    // Windows commits every page it hands out, so there an output of
                    // gigabytes (a header read with the wrong layout) may find no room.
                    ADD_FAILURE() << "no room for the output";
#endif
                }
            }
            Bmp_Release(&input.request);
            Bmp_Release(&from_file);
            fclose(f);
        }
    }
    EXPECT_EQ(files, 27 + 43 + 20);
    EXPECT_EQ(accepted, files - 1);  // q/pal8os2-hs.bmp has non-zero reserved words
}

}  // namespace
