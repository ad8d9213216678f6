// Image resampling: scales a packed buffer of 8-bit channels to another size with a
// separable cubic filter (Mitchell-Netravali, B = C = 1/3, support 2), one axis at a time,
// through an intermediate buffer of bytes.
//
// Buffers: rows one after another, each row width x bytes-per-pixel bytes, no gap. Every
// byte is a channel filtered on its own; bytes per pixel = depth / 8, 1 to 4.
//
// Results are exact: each output byte is the 64-bit float sum, in source order, of
// weight x value over its taps, plus 0.5, truncated and clamped to 0..255. Whatever
// vectorisation the passes use keeps that order, so the bytes do not depend on it. The
// filter is not the identity at the same size (8/9 to the pixel, 1/18 to each neighbour).
//
// Memory: weight tables, the intermediate buffer and the passes' scratch come from the
// standard allocator (malloc/free), never from the RuntimeHeap. A failed allocation is
// reported by a 0 result and leaves the destination untouched.
#pragma once

#include <stdint.h>

// One destination position of a weight table: its weights (room for the table's maximum
// number of taps), then the first and last source positions they apply to.
struct ResampleWeight {
    double* weights;
    int32_t first;
    int32_t last;
};

// The weight table of one axis: one entry per destination position.
struct ResampleTable {
    int32_t count;     // destination length
    int32_t max_taps;  // room in each entry's weights
    ResampleWeight* entries;
};

// Scales `source` (source_width x source_height pixels of depth bits) into `destination`
// (destination_width x destination_height pixels, the caller's buffer). Returns 1, or 0
// when memory runs out or the arguments cannot describe two images (a size below 1, a
// depth whose bytes per pixel are not 1 to 4, a null buffer, sizes that do not fit in
// memory); on 0 the destination is untouched.
int Image_Resample(const void* source, int32_t source_width, int32_t source_height,
                   void* destination, int32_t destination_width, int32_t destination_height,
                   int32_t depth);

// The weights from a source length to a destination length (both 1 or more), or 0 when
// memory runs out. Released with Resample_FreeWeights.
ResampleTable* Resample_Weights(int32_t source_length, int32_t destination_length);
void Resample_FreeWeights(ResampleTable* table);

// Scales each of `row_count` rows horizontally, source_width -> destination_width pixels.
// Returns 1, or 0 (nothing written) when memory runs out.
int Resample_Rows(int32_t row_count, const uint8_t* source, int32_t source_width,
                  uint8_t* destination, int32_t destination_width, int32_t bytes_per_pixel);

// Scales the first `column_count` columns vertically, source_height -> destination_height.
// Source rows are source_row_width pixels long, destination rows column_count pixels.
// Returns 1, or 0 (nothing written) when memory runs out.
int Resample_Columns(const uint8_t* source, int32_t source_row_width, int32_t source_height,
                     uint8_t* destination, int32_t column_count, int32_t destination_height,
                     int32_t bytes_per_pixel);
