// A deliberately plain resampler written straight from the formulas, with no shortcuts:
// one weight table per axis as the algorithm describes it, one scalar sum per output
// byte starting at 0 and running over every tap in order. The real resampler must give
// the same bytes; the benchmarks also use it as the scalar baseline.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace resample_reference {

inline double Filter(double x) {
    double t = std::fabs(x);
    if (t < 1.0) return 7.0 / 6.0 * t * t * t - 2.0 * t * t + 8.0 / 9.0;
    if (t < 2.0) return -7.0 / 18.0 * t * t * t + 2.0 * t * t - 10.0 / 3.0 * t + 16.0 / 9.0;
    return 0.0;
}

struct Entry {
    std::vector<double> weights;
    int first;
    int last;
};

inline std::vector<Entry> Weights(int source, int destination) {
    double scale = (double)destination / source;
    double width, factor;
    if (scale < 1) {
        width = 2 / scale;
        factor = scale;
    } else {
        width = 2;
        factor = 1;
    }
    int max_taps = 2 * (int)std::ceil(width) + 1;
    std::vector<Entry> table(destination);
    for (int i = 0; i < destination; ++i) {
        Entry& e = table[i];
        e.weights.assign(max_taps, 0.0);
        double centre = i / scale + (0.5 / scale - 0.5);
        e.first = (int)std::floor(centre - width);
        if (e.first < 0) e.first = 0;
        e.last = (int)std::ceil(centre + width);
        if (e.last > source - 1) e.last = source - 1;
        if (e.last - e.first + 1 > max_taps) {
            if (e.first < source)
                e.first += 1;
            else
                e.last -= 1;
        }
        double sum = 0;
        for (int j = e.first; j <= e.last; ++j) {
            double w = Filter((centre - j) * factor) * factor;
            e.weights[j - e.first] = w;
            sum += w;
        }
        if (sum > 0 && sum != 1) {
            for (int j = e.first; j <= e.last; ++j)
                e.weights[j - e.first] /= sum;
        }
    }
    return table;
}

inline uint8_t Byte(double sum) {
    int v = (int)(sum + 0.5);
    if (v < 0) v = 0;
    if (v >= 255) v = 255;
    return (uint8_t)v;
}

inline void Rows(int rows, const uint8_t* src, int src_width, uint8_t* dst, int dst_width,
                 int bpp) {
    std::vector<Entry> table = Weights(src_width, dst_width);
    for (int r = 0; r < rows; ++r) {
        for (int i = 0; i < dst_width; ++i) {
            const Entry& e = table[i];
            for (int c = 0; c < bpp; ++c) {
                double sum = 0;
                for (int j = e.first; j <= e.last; ++j) {
                    sum += e.weights[j - e.first] * src[((size_t)r * src_width + j) * bpp + c];
                }
                dst[((size_t)r * dst_width + i) * bpp + c] = Byte(sum);
            }
        }
    }
}

inline void Columns(const uint8_t* src, int src_row_width, int src_height, uint8_t* dst,
                    int columns, int dst_height, int bpp) {
    std::vector<Entry> table = Weights(src_height, dst_height);
    for (int x = 0; x < columns; ++x) {
        for (int i = 0; i < dst_height; ++i) {
            const Entry& e = table[i];
            for (int c = 0; c < bpp; ++c) {
                double sum = 0;
                for (int j = e.first; j <= e.last; ++j) {
                    sum += e.weights[j - e.first] * src[((size_t)j * src_row_width + x) * bpp + c];
                }
                dst[((size_t)i * columns + x) * bpp + c] = Byte(sum);
            }
        }
    }
}

inline void Resample(const uint8_t* src, int sw, int sh, uint8_t* dst, int dw, int dh, int depth) {
    int bpp = depth / 8;
    if ((long long)dw * sh <= (long long)sw * dh) {
        std::vector<uint8_t> middle((size_t)dw * sh * bpp);
        Rows(sh, src, sw, middle.data(), dw, bpp);
        Columns(middle.data(), dw, sh, dst, dw, dh, bpp);
    } else {
        std::vector<uint8_t> middle((size_t)sw * dh * bpp);
        Columns(src, sw, sh, middle.data(), sw, dh, bpp);
        Rows(dh, middle.data(), sw, dst, dw, bpp);
    }
}

}  // namespace resample_reference
