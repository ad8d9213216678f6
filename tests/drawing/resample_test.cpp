#include "drawing/resample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "resample_reference.h"

namespace {

std::vector<uint8_t> Resample(const std::vector<uint8_t>& src, int sw, int sh, int dw, int dh,
                              int depth) {
    std::vector<uint8_t> dst((size_t)dw * dh * (depth / 8), 0xCD);
    EXPECT_EQ(Image_Resample(src.data(), sw, sh, dst.data(), dw, dh, depth), 1);
    return dst;
}

TEST(ResampleTest, SameLengthIsNotTheIdentity) {
    std::vector<uint8_t> row = {0, 0, 255, 0, 0};
    EXPECT_EQ(Resample(row, 5, 1, 5, 1, 8), (std::vector<uint8_t>{0, 14, 227, 14, 0}));
    // The same along a column, and per channel of wider pixels.
    EXPECT_EQ(Resample(row, 1, 5, 1, 5, 8), (std::vector<uint8_t>{0, 14, 227, 14, 0}));
    std::vector<uint8_t> pixels = {0, 9, 0, 9, 255, 9, 0, 9, 0, 9};
    EXPECT_EQ(Resample(pixels, 5, 1, 5, 1, 16),
              (std::vector<uint8_t>{0, 9, 14, 9, 227, 9, 14, 9, 0, 9}));
}

TEST(ResampleTest, EnlargesTwoPixelsToFour) {
    std::vector<uint8_t> row = {10, 200};
    EXPECT_EQ(Resample(row, 2, 1, 4, 1, 8), (std::vector<uint8_t>{4, 57, 153, 206}));
    EXPECT_EQ(Resample(row, 1, 2, 1, 4, 8), (std::vector<uint8_t>{4, 57, 153, 206}));
}

TEST(ResampleTest, OnePixelSourceRepeatsItsValue) {
    std::vector<uint8_t> pixel = {1, 128, 254, 77};
    for (int depth : {8, 16, 24, 32}) {
        int bpp = depth / 8;
        std::vector<uint8_t> src(pixel.begin(), pixel.begin() + bpp);
        for (auto [dw, dh] : {std::pair{1, 1}, {7, 3}, {1, 40}, {33, 1}}) {
            std::vector<uint8_t> dst = Resample(src, 1, 1, dw, dh, depth);
            for (size_t i = 0; i < dst.size(); ++i) {
                ASSERT_EQ(dst[i], src[i % bpp]) << "depth " << depth << " size " << dw << "x" << dh;
            }
        }
    }
}

TEST(ResampleTest, NegativeLobesAreClamped) {
    // A hard edge overshoots on both sides when enlarged; the overshoot is clamped.
    std::vector<uint8_t> row = {0, 0, 0, 255, 255, 255};
    std::vector<uint8_t> dst = Resample(row, 6, 1, 18, 1, 8);
    std::vector<uint8_t> expected(dst.size());
    resample_reference::Resample(row.data(), 6, 1, expected.data(), 18, 1, 8);
    EXPECT_EQ(dst, expected);
    EXPECT_EQ(dst.front(), 0);
    EXPECT_EQ(dst.back(), 255);
}

TEST(ResampleTest, WeightTablesAreNormalisedAndInRange) {
    for (auto [s, d] : {std::pair{5, 5}, {2, 4}, {1, 9}, {9, 1}, {300, 7}, {7, 300}, {640, 479}}) {
        ResampleTable* table = Resample_Weights(s, d);
        ASSERT_NE(table, nullptr);
        ASSERT_EQ(table->count, d);
        for (int i = 0; i < d; ++i) {
            const ResampleWeight& e = table->entries[i];
            ASSERT_GE(e.first, 0);
            ASSERT_LE(e.last, s - 1);
            ASSERT_LE(e.last - e.first + 1, table->max_taps);
            double sum = 0;
            for (int j = e.first; j <= e.last; ++j)
                sum += e.weights[j - e.first];
            EXPECT_NEAR(sum, 1.0, 1e-12) << s << " -> " << d << " entry " << i;
        }
        Resample_FreeWeights(table);
    }
    ResampleTable* same = Resample_Weights(5, 5);
    const ResampleWeight& middle = same->entries[2];
    ASSERT_EQ(middle.first, 0);
    ASSERT_EQ(middle.last, 4);
    EXPECT_NEAR(middle.weights[1], 1.0 / 18, 1e-15);
    EXPECT_NEAR(middle.weights[2], 8.0 / 9, 1e-15);
    EXPECT_NEAR(middle.weights[3], 1.0 / 18, 1e-15);
    Resample_FreeWeights(same);
}

TEST(ResampleTest, MatchesPlainImplementationOverRandomSizes) {
    std::mt19937 rng(20261209);
    std::uniform_int_distribution<int> size(1, 300);
    std::uniform_int_distribution<int> byte(0, 255);
    const int depths[] = {8, 16, 24, 32};
    for (int round = 0; round < 160; ++round) {
        int depth = depths[round % 4];
        int bpp = depth / 8;
        int sw = size(rng), sh = size(rng), dw = size(rng), dh = size(rng);
        if (round % 8 == 1) dw = sw;  // same width: the weights are 1/18, 8/9, 1/18
        if (round % 8 == 5) sh = 1;
        std::vector<uint8_t> src((size_t)sw * sh * bpp);
        // Half random noise, half hard blocks of 0 and 255, which push sums past the range.
        for (size_t i = 0; i < src.size(); ++i) {
            src[i] = round % 2 ? (uint8_t)byte(rng)
                               : (((i / bpp) / 3 + (i / bpp / sw) / 5) % 2 ? 255 : 0);
        }
        std::vector<uint8_t> expected((size_t)dw * dh * bpp);
        resample_reference::Resample(src.data(), sw, sh, expected.data(), dw, dh, depth);
        std::vector<uint8_t> got = Resample(src, sw, sh, dw, dh, depth);
        ASSERT_EQ(got, expected) << sw << "x" << sh << " -> " << dw << "x" << dh << " depth "
                                 << depth;
    }
}

TEST(ResampleTest, EachPassMatchesPlainImplementation) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> size(1, 120);
    for (int round = 0; round < 64; ++round) {
        int bpp = 1 + round % 4;
        int w = size(rng), h = size(rng), to = size(rng);
        std::vector<uint8_t> src((size_t)w * h * bpp);
        for (auto& b : src)
            b = (uint8_t)rng();
        std::vector<uint8_t> got((size_t)to * h * bpp), expected(got.size());
        ASSERT_EQ(Resample_Rows(h, src.data(), w, got.data(), to, bpp), 1);
        resample_reference::Rows(h, src.data(), w, expected.data(), to, bpp);
        ASSERT_EQ(got, expected) << "rows " << w << " -> " << to << " x" << h << " bpp " << bpp;

        // Columns of a wider source: only the first `cols` columns are read.
        int cols = 1 + (int)(rng() % w);
        got.assign((size_t)cols * to * bpp, 0);
        expected = got;
        ASSERT_EQ(Resample_Columns(src.data(), w, h, got.data(), cols, to, bpp), 1);
        resample_reference::Columns(src.data(), w, h, expected.data(), cols, to, bpp);
        ASSERT_EQ(got, expected) << "columns " << h << " -> " << to << " bpp " << bpp;
    }
}

TEST(ResampleTest, FlatImageStaysFlat) {
    std::mt19937 rng(3);
    for (int round = 0; round < 20; ++round) {
        int sw = 1 + rng() % 200, sh = 1 + rng() % 200, dw = 1 + rng() % 200, dh = 1 + rng() % 200;
        std::vector<uint8_t> src((size_t)sw * sh * 3, 93);
        std::vector<uint8_t> dst = Resample(src, sw, sh, dw, dh, 24);
        for (uint8_t b : dst)
            ASSERT_EQ(b, 93);
    }
}

TEST(ResampleTest, RejectsWhatCannotBeImagesAndLeavesDestinationAlone) {
    std::vector<uint8_t> src(16, 50), dst(64, 0xAB);
    EXPECT_EQ(Image_Resample(src.data(), 0, 4, dst.data(), 4, 4, 8), 0);
    EXPECT_EQ(Image_Resample(src.data(), 4, 4, dst.data(), 4, -1, 8), 0);
    EXPECT_EQ(Image_Resample(src.data(), 4, 4, dst.data(), 4, 4, 7), 0);   // 0 bytes per pixel
    EXPECT_EQ(Image_Resample(src.data(), 2, 1, dst.data(), 2, 1, 40), 0);  // 5 bytes per pixel
    EXPECT_EQ(Image_Resample(nullptr, 4, 4, dst.data(), 4, 4, 8), 0);
    EXPECT_EQ(Image_Resample(src.data(), 4, 4, nullptr, 4, 4, 8), 0);
    for (uint8_t b : dst)
        ASSERT_EQ(b, 0xAB);
    EXPECT_EQ(Resample_Weights(0, 3), nullptr);
    EXPECT_EQ(Resample_Weights(3, 0), nullptr);
}

}  // namespace
