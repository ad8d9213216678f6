// Separable cubic resampling. The arithmetic is fixed (see resample.h); the speed comes
// from doing many independent sums side by side, each lane keeping its own order:
//   - the vertical pass works along a row: every byte column of a destination row has the
//     same weights, so a lane per column;
//   - the horizontal pass works on several rows at once: the same output position of
//     rows r and r + 1 has the same taps, so the rows are interleaved into one buffer
//     of doubles and a lane per row.
// Both convert each source byte to a double once, not once per tap. Taps whose weight is
// exactly 0 are skipped: adding +0 or -0 never changes a sum that decides a byte.
#include "drawing/resample.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

namespace {

typedef double D2 __attribute__((vector_size(16)));
typedef int64_t L2 __attribute__((vector_size(16)));
typedef int32_t I2 __attribute__((vector_size(8)));
typedef int32_t I4 __attribute__((vector_size(16)));
typedef int16_t S8 __attribute__((vector_size(16)));
typedef uint8_t U16 __attribute__((vector_size(16)));

inline D2 Load(const double* p) {
    D2 v;
    memcpy(&v, p, sizeof v);
    return v;
}

// Loads of pairs that sit on 16-byte boundaries (every buffer below is allocated so), which
// the compiler may then fold into the arithmetic.
inline D2 LoadPair(const double* p) {
    D2 v;
    memcpy(&v, __builtin_assume_aligned(p, 16), sizeof v);
    return v;
}

// malloc with the block moved up to a 16-byte boundary; free the returned raw pointer.
inline double* AlignedDoubles(size_t count, void** raw) {
    *raw = malloc(count * sizeof(double) + 16);
    if (!*raw) return nullptr;
    return (double*)(((uintptr_t)*raw + 15) & ~(uintptr_t)15);
}

inline void Store(double* p, D2 v) {
    memcpy(p, &v, sizeof v);
}

double Filter(double x) {
    double t = fabs(x);
    if (t < 1.0) return 7.0 / 6.0 * t * t * t - 2.0 * t * t + 8.0 / 9.0;
    if (t < 2.0) return -7.0 / 18.0 * t * t * t + 2.0 * t * t - 10.0 / 3.0 * t + 16.0 / 9.0;
    return 0.0;
}

// sum + 0.5 truncated toward zero, then clamped to 0..255.
inline uint8_t ToByte(double sum) {
    int32_t v = (int32_t)(sum + 0.5);
    return (uint8_t)(v < 0 ? 0 : v > 255 ? 255 : v);
}

// The same for four sums at once (the sums are far inside the int32 range).
inline I4 ToBytes4(D2 a, D2 b) {
    I2 x = __builtin_convertvector(a + 0.5, I2);
    I2 y = __builtin_convertvector(b + 0.5, I2);
    I4 v = __builtin_shufflevector(x, y, 0, 1, 2, 3);
    v = v < 0 ? 0 : v;
    return v > 255 ? 255 : v;
}

// Sixteen values of 0..255 in 32-bit lanes to sixteen bytes, in order.
inline U16 PackBytes(I4 q0, I4 q1, I4 q2, I4 q3) {
    S8 a = __builtin_shufflevector((S8)q0, (S8)q1, 0, 2, 4, 6, 8, 10, 12, 14);
    S8 b = __builtin_shufflevector((S8)q2, (S8)q3, 0, 2, 4, 6, 8, 10, 12, 14);
    return __builtin_shufflevector((U16)a, (U16)b, 0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24,
                                   26, 28, 30);
}

// Sixteen sums to sixteen consecutive bytes.
inline void StoreBytes16(const D2* s, uint8_t* out) {
    U16 r = PackBytes(ToBytes4(s[0], s[1]), ToBytes4(s[2], s[3]), ToBytes4(s[4], s[5]),
                      ToBytes4(s[6], s[7]));
    memcpy(out, &r, sizeof r);
}

// Sixteen bytes to sixteen doubles, exactly: a byte placed in the low bits of the double
// 2^52 makes 2^52 + byte, and subtracting 2^52 leaves the byte.
inline void Widen16(U16 v, D2* out) {
    const U16 z8 = {};
    const S8 z16 = {};
    const I4 z32 = {};
    const L2 magic = {0x4330000000000000LL, 0x4330000000000000LL};
    const D2 two52 = {4503599627370496.0, 4503599627370496.0};
    S8 w0 =
        (S8)__builtin_shufflevector(v, z8, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
    S8 w1 = (S8)__builtin_shufflevector(v, z8, 8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30,
                                        15, 31);
    I4 d[4] = {(I4)__builtin_shufflevector(w0, z16, 0, 8, 1, 9, 2, 10, 3, 11),
               (I4)__builtin_shufflevector(w0, z16, 4, 12, 5, 13, 6, 14, 7, 15),
               (I4)__builtin_shufflevector(w1, z16, 0, 8, 1, 9, 2, 10, 3, 11),
               (I4)__builtin_shufflevector(w1, z16, 4, 12, 5, 13, 6, 14, 7, 15)};
#pragma GCC unroll 4
    for (int k = 0; k < 4; ++k) {
        L2 q0 = (L2)__builtin_shufflevector(d[k], z32, 0, 4, 1, 5);
        L2 q1 = (L2)__builtin_shufflevector(d[k], z32, 2, 6, 3, 7);
        out[2 * k] = (D2)(q0 | magic) - two52;
        out[2 * k + 1] = (D2)(q1 | magic) - two52;
    }
}

// A row of bytes to doubles.
void WidenRow(const uint8_t* in, double* out, size_t n) {
    size_t x = 0;
    for (; x + 16 <= n; x += 16) {
        U16 v;
        memcpy(&v, in + x, sizeof v);
        D2 d[8];
        Widen16(v, d);
#pragma GCC unroll 8
        for (int k = 0; k < 8; ++k)
            Store(out + x + 2 * k, d[k]);
    }
    for (; x < n; ++x)
        out[x] = in[x];
}

// Two rows of bytes to doubles, side by side: (a[i], b[i]) at out + i * step.
void WidenTwoRows(const uint8_t* a, const uint8_t* b, double* out, size_t step, size_t n) {
    size_t x = 0;
    for (; x + 16 <= n; x += 16) {
        U16 va, vb;
        memcpy(&va, a + x, sizeof va);
        memcpy(&vb, b + x, sizeof vb);
        D2 d[16];
        Widen16(
            __builtin_shufflevector(va, vb, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23),
            d);
        Widen16(__builtin_shufflevector(va, vb, 8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14,
                                        30, 15, 31),
                d + 8);
#pragma GCC unroll 16
        for (int k = 0; k < 16; ++k)
            Store(out + (x + k) * step, d[k]);
    }
    for (; x < n; ++x) {
        out[x * step] = a[x];
        out[x * step + 1] = b[x];
    }
}

// A weight table reduced to what the passes run: per destination position the first
// source position with a non-zero weight and the number of taps from there, and each
// weight stored twice so that it loads straight into both lanes.
struct Tap {
    int32_t first;
    int32_t count;
    size_t offset;  // in weights, counted in pairs
};

struct Plan {
    int32_t count = 0;
    int32_t widest = 0;  // the largest tap count
    Tap* taps = nullptr;
    double* weights = nullptr;
    void* weights_block = nullptr;

    ~Plan() {
        free(taps);
        free(weights_block);
    }
};

bool MakePlan(int32_t source_length, int32_t destination_length, Plan* plan) {
    ResampleTable* table = Resample_Weights(source_length, destination_length);
    if (!table) return false;
    bool ok = false;
    size_t total = 0;
    plan->count = table->count;
    plan->taps = (Tap*)malloc(sizeof(Tap) * (size_t)table->count);
    if (plan->taps) {
        for (int32_t i = 0; i < table->count; ++i) {
            const ResampleWeight& e = table->entries[i];
            int32_t lo = 0, hi = e.last - e.first;
            while (lo <= hi && e.weights[lo] == 0.0)
                ++lo;
            while (hi >= lo && e.weights[hi] == 0.0)
                --hi;
            Tap& tap = plan->taps[i];
            tap.first = e.first + lo;
            tap.count = hi - lo + 1;
            tap.offset = total;
            total += (size_t)tap.count;
            if (tap.count > plan->widest) plan->widest = tap.count;
        }
        plan->weights = AlignedDoubles(2 * (total ? total : 1), &plan->weights_block);
        if (plan->weights) {
            for (int32_t i = 0; i < table->count; ++i) {
                const ResampleWeight& e = table->entries[i];
                const Tap& tap = plan->taps[i];
                double* w = plan->weights + 2 * tap.offset;
                for (int32_t k = 0; k < tap.count; ++k) {
                    w[2 * k] = w[2 * k + 1] = e.weights[tap.first - e.first + k];
                }
            }
            ok = true;
        }
    }
    Resample_FreeWeights(table);
    return ok;
}

// ---- Horizontal pass: R rows at a time, interleaved -------------------------------------

template <int BPP, int R>
void ScaleRows(const Plan& plan, int32_t row_count, const uint8_t* source, int32_t source_width,
               uint8_t* destination, double* lanes) {
    constexpr int H = R / 2;
    const size_t elements = (size_t)source_width * BPP;
    const size_t out_stride = (size_t)plan.count * BPP;
    for (int32_t r0 = 0; r0 < row_count; r0 += R) {
        const int rows = row_count - r0 < R ? row_count - r0 : R;
        const uint8_t* in[R];
#pragma GCC unroll 16
        for (int r = 0; r < R; ++r) {
            // Missing rows of the last group repeat a real one; their results are dropped.
            in[r] = source + (size_t)(r0 + (r < rows ? r : rows - 1)) * elements;
        }
#pragma GCC unroll 4
        for (int h = 0; h < H; ++h)
            WidenTwoRows(in[2 * h], in[2 * h + 1], lanes + 2 * h, R, elements);
        uint8_t* out = destination + (size_t)r0 * out_stride;
        for (int32_t x = 0; x < plan.count; ++x) {
            const Tap& tap = plan.taps[x];
            D2 sum[BPP][H];
            if (tap.count == 0) {
#pragma GCC unroll 16
                for (int c = 0; c < BPP; ++c)
#pragma GCC unroll 16
                    for (int h = 0; h < H; ++h)
                        sum[c][h] = D2{0.0, 0.0};
            } else {
                const double* w = plan.weights + 2 * tap.offset;
                const double* p = lanes + (size_t)tap.first * BPP * R;
                D2 wk = LoadPair(w);
#pragma GCC unroll 16
                for (int c = 0; c < BPP; ++c)
#pragma GCC unroll 16
                    for (int h = 0; h < H; ++h)
                        sum[c][h] = wk * LoadPair(p + c * R + 2 * h);
                for (int32_t k = 1; k < tap.count; ++k) {
                    p += BPP * R;
                    wk = LoadPair(w + 2 * k);
#pragma GCC unroll 16
                    for (int c = 0; c < BPP; ++c)
#pragma GCC unroll 16
                        for (int h = 0; h < H; ++h)
                            sum[c][h] += wk * LoadPair(p + c * R + 2 * h);
                }
            }
            uint8_t* o = out + (size_t)x * BPP;
            if constexpr (BPP >= 3 && R == 4) {
                // Turn (channel: rows 0-3) into (row: channels 0-3) inside registers: one
                // 4-byte group per row. Three-byte pixels spill a byte into the next pixel,
                // written right after; the row's last pixel is stored with its 3 bytes.
                const I4 q0 = ToBytes4(sum[0][0], sum[0][1]);
                const I4 q1 = ToBytes4(sum[1][0], sum[1][1]);
                const I4 q2 = ToBytes4(sum[2][0], sum[2][1]);
                const I4 q3 = BPP == 4 ? ToBytes4(sum[BPP - 1][0], sum[BPP - 1][1]) : I4{};
                const I4 t0 = __builtin_shufflevector(q0, q1, 0, 4, 1, 5);
                const I4 t1 = __builtin_shufflevector(q2, q3, 0, 4, 1, 5);
                const I4 t2 = __builtin_shufflevector(q0, q1, 2, 6, 3, 7);
                const I4 t3 = __builtin_shufflevector(q2, q3, 2, 6, 3, 7);
                const I4 pixel = (I4)PackBytes((I4)__builtin_shufflevector((L2)t0, (L2)t1, 0, 2),
                                               (I4)__builtin_shufflevector((L2)t0, (L2)t1, 1, 3),
                                               (I4)__builtin_shufflevector((L2)t2, (L2)t3, 0, 2),
                                               (I4)__builtin_shufflevector((L2)t2, (L2)t3, 1, 3));
                const bool whole = BPP == 4 || x + 1 < plan.count;
#pragma GCC unroll 4
                for (int r = 0; r < R; ++r) {
                    if (r < rows) {
                        const int32_t group = pixel[r];
                        if (whole)
                            memcpy(o + (size_t)r * out_stride, &group, 4);
                        else
                            memcpy(o + (size_t)r * out_stride, &group, 3);
                    }
                }
            } else {
                int32_t bytes[BPP][R];
#pragma GCC unroll 4
                for (int c = 0; c < BPP; ++c)
#pragma GCC unroll 4
                    for (int h = 0; h < H; h += 2) {
                        I4 q = ToBytes4(sum[c][h], sum[c][h + 1]);
                        memcpy(&bytes[c][2 * h], &q, sizeof q);
                    }
                for (int r = 0; r < rows; ++r)
#pragma GCC unroll 4
                    for (int c = 0; c < BPP; ++c)
                        o[(size_t)r * out_stride + c] = (uint8_t)bytes[c][r];
            }
        }
    }
}

// ---- Vertical pass: lanes along the row, source rows kept as doubles ---------------------

// Scratch for one strip of converted source rows: a ring of `slots` rows, slot = row %
// slots, so a window of up to `slots` consecutive rows is always resident at once.
constexpr size_t kStripBudget = 256 * 1024;  // bytes of converted rows, to stay in cache
constexpr int kBlock = 16;                   // doubles summed side by side

void SumBlock(const double* const* rows, const double* w, int32_t count, size_t x, uint8_t* out) {
    D2 s[kBlock / 2];
    D2 wk = LoadPair(w);
    const double* q = rows[0] + x;
#pragma GCC unroll 16
    for (int j = 0; j < kBlock / 2; ++j)
        s[j] = wk * LoadPair(q + 2 * j);
    for (int32_t k = 1; k < count; ++k) {
        wk = LoadPair(w + 2 * k);
        q = rows[k] + x;
#pragma GCC unroll 16
        for (int j = 0; j < kBlock / 2; ++j)
            s[j] += wk * LoadPair(q + 2 * j);
    }
    StoreBytes16(s, out);
}

}  // namespace

ResampleTable* Resample_Weights(int32_t source_length, int32_t destination_length) {
    if (source_length < 1 || destination_length < 1) return nullptr;
    const double scale = (double)destination_length / source_length;
    double width = 2.0, factor = 1.0;
    if (scale < 1.0) {
        width = 2.0 / scale;
        factor = scale;
    }
    const double taps = 2.0 * ceil(width) + 1.0;
    if (taps > 1e9) return nullptr;
    const int32_t max_taps = (int32_t)taps;
    const size_t total = (size_t)max_taps * (size_t)destination_length;
    if (total / (size_t)destination_length != (size_t)max_taps ||
        total > SIZE_MAX / sizeof(double)) {
        return nullptr;
    }

    ResampleTable* table = (ResampleTable*)malloc(sizeof(ResampleTable));
    if (!table) return nullptr;
    table->count = destination_length;
    table->max_taps = max_taps;
    table->entries = (ResampleWeight*)malloc(sizeof(ResampleWeight) * (size_t)destination_length);
    double* storage = (double*)malloc(sizeof(double) * total);
    if (!table->entries || !storage) {
        free(storage);
        free(table->entries);
        free(table);
        return nullptr;
    }

    const double offset = 0.5 / scale - 0.5;
    for (int32_t i = 0; i < destination_length; ++i) {
        ResampleWeight& e = table->entries[i];
        e.weights = storage + (size_t)i * (size_t)max_taps;
        const double centre = i / scale + offset;
        double first = floor(centre - width);
        double last = ceil(centre + width);
        if (first < 0.0) first = 0.0;
        if (last > source_length - 1) last = source_length - 1;
        e.first = (int32_t)first;
        e.last = (int32_t)last;
        if (e.last - e.first + 1 > max_taps) {
            if (e.first < source_length)
                ++e.first;
            else
                --e.last;
        }
        // Rounding in centre +- width can never need more than that one step, but the
        // weights array must not be overrun even so.
        if (e.last - e.first + 1 > max_taps) e.last = e.first + max_taps - 1;
        double sum = 0.0;
        for (int32_t j = e.first; j <= e.last; ++j) {
            const double weight = Filter((centre - j) * factor) * factor;
            e.weights[j - e.first] = weight;
            sum += weight;
        }
        if (sum > 0.0 && sum != 1.0) {
            for (int32_t j = e.first; j <= e.last; ++j)
                e.weights[j - e.first] /= sum;
        }
    }
    return table;
}

void Resample_FreeWeights(ResampleTable* table) {
    if (!table) return;
    if (table->entries && table->count > 0) free(table->entries[0].weights);
    free(table->entries);
    free(table);
}

int Resample_Rows(int32_t row_count, const uint8_t* source, int32_t source_width,
                  uint8_t* destination, int32_t destination_width, int32_t bytes_per_pixel) {
    if (row_count < 1 || source_width < 1 || destination_width < 1 || bytes_per_pixel < 1 ||
        bytes_per_pixel > 4 || !source || !destination) {
        return 0;
    }
    Plan plan;
    if (!MakePlan(source_width, destination_width, &plan)) return 0;
    // Four rows side by side; eight where pixels are narrow, to keep enough sums in flight.
    const int lanes_per_element = bytes_per_pixel <= 2 ? 8 : 4;
    const size_t elements = (size_t)source_width * (size_t)bytes_per_pixel;
    if (elements > SIZE_MAX / sizeof(double) / (size_t)lanes_per_element) return 0;
    void* lanes_block;
    double* lanes = AlignedDoubles(elements * (size_t)lanes_per_element, &lanes_block);
    if (!lanes) return 0;
    switch (bytes_per_pixel) {
        case 1:
            ScaleRows<1, 8>(plan, row_count, source, source_width, destination, lanes);
            break;
        case 2:
            ScaleRows<2, 8>(plan, row_count, source, source_width, destination, lanes);
            break;
        case 3:
            ScaleRows<3, 4>(plan, row_count, source, source_width, destination, lanes);
            break;
        default:
            ScaleRows<4, 4>(plan, row_count, source, source_width, destination, lanes);
            break;
    }
    free(lanes_block);
    return 1;
}

int Resample_Columns(const uint8_t* source, int32_t source_row_width, int32_t source_height,
                     uint8_t* destination, int32_t column_count, int32_t destination_height,
                     int32_t bytes_per_pixel) {
    if (source_height < 1 || column_count < 1 || destination_height < 1 ||
        source_row_width < column_count || bytes_per_pixel < 1 || bytes_per_pixel > 4 || !source ||
        !destination) {
        return 0;
    }
    Plan plan;
    if (!MakePlan(source_height, destination_height, &plan)) return 0;

    const size_t in_stride = (size_t)source_row_width * (size_t)bytes_per_pixel;
    const size_t n = (size_t)column_count * (size_t)bytes_per_pixel;
    const size_t slots = plan.widest > 0 ? (size_t)plan.widest : 1;
    size_t strip = kStripBudget / sizeof(double) / slots;
    strip = strip < kBlock ? kBlock : strip - strip % kBlock;
    if (strip > n) strip = n;
    const size_t slot_size = (strip + 1) & ~(size_t)1;  // keeps every slot on 16 bytes
    if (slots > SIZE_MAX / sizeof(double) / 2 / slot_size) return 0;

    void* ring_block;
    double* ring = AlignedDoubles(slots * slot_size, &ring_block);
    int32_t* tags = (int32_t*)malloc(slots * sizeof(int32_t));
    const double** rows = (const double**)malloc(slots * sizeof(double*));
    if (!ring || !tags || !rows) {
        free(ring_block);
        free(tags);
        free(rows);
        return 0;
    }

    for (size_t x0 = 0; x0 < n; x0 += strip) {
        const size_t width = n - x0 < strip ? n - x0 : strip;
        for (size_t s = 0; s < slots; ++s)
            tags[s] = -1;
        for (int32_t i = 0; i < plan.count; ++i) {
            const Tap& tap = plan.taps[i];
            uint8_t* out = destination + (size_t)i * n + x0;
            if (tap.count == 0) {
                memset(out, 0, width);
                continue;
            }
            for (int32_t k = 0; k < tap.count; ++k) {
                const int32_t row = tap.first + k;
                const size_t slot = (size_t)row % slots;
                double* converted = ring + slot * slot_size;
                if (tags[slot] != row) {
                    const uint8_t* in = source + (size_t)row * in_stride + x0;
                    WidenRow(in, converted, width);
                    tags[slot] = row;
                }
                rows[k] = converted;
            }
            const double* w = plan.weights + 2 * tap.offset;
            size_t x = 0;
            for (; x + kBlock <= width; x += kBlock)
                SumBlock(rows, w, tap.count, x, out + x);
            for (; x < width; ++x) {
                double sum = w[0] * rows[0][x];
                for (int32_t k = 1; k < tap.count; ++k)
                    sum += w[2 * k] * rows[k][x];
                out[x] = ToByte(sum);
            }
        }
    }
    free(ring_block);
    free(tags);
    free(rows);
    return 1;
}

int Image_Resample(const void* source, int32_t source_width, int32_t source_height,
                   void* destination, int32_t destination_width, int32_t destination_height,
                   int32_t depth) {
    const int32_t bpp = depth / 8;
    if (!source || !destination || source_width < 1 || source_height < 1 || destination_width < 1 ||
        destination_height < 1 || bpp < 1 || bpp > 4) {
        return 0;
    }
    const uint8_t* in = (const uint8_t*)source;
    uint8_t* out = (uint8_t*)destination;
    // The cheaper order is the one with the smaller intermediate image.
    const bool rows_first = (uint64_t)destination_width * (uint64_t)source_height <=
                            (uint64_t)source_width * (uint64_t)destination_height;
    const uint64_t pixels = rows_first ? (uint64_t)destination_width * (uint64_t)source_height
                                       : (uint64_t)source_width * (uint64_t)destination_height;
    if (pixels > SIZE_MAX / (uint64_t)bpp) return 0;
    uint8_t* middle = (uint8_t*)malloc((size_t)pixels * (size_t)bpp);
    if (!middle) return 0;
    int ok;
    if (rows_first) {
        ok = Resample_Rows(source_height, in, source_width, middle, destination_width, bpp) &&
             Resample_Columns(middle, destination_width, source_height, out, destination_width,
                              destination_height, bpp);
    } else {
        ok = Resample_Columns(in, source_width, source_height, middle, source_width,
                              destination_height, bpp) &&
             Resample_Rows(destination_height, middle, source_width, out, destination_width, bpp);
    }
    free(middle);
    return ok;
}
