// The image-decoder registry and the request record that callers hand to a decoder.
//
// A decoder is a record of three routines and a tag. The registry is a fixed list of up to
// IMAGE_DECODERS_MAX records in registration order, filled once at start-up
// (ImageDecoders_Init, then each decoder's own init) and only read afterwards; it is not
// locked.
//
// A caller drives a decoder in the order check, decode, release:
//   - check (request) -> 1 when the decoder accepts the data; it then sets width, height,
//     depth (of the decoded pixels), source_depth, decoder_data and data_size, and may own
//     a copy of the input in owned_data. On 0 it owns nothing.
//   - decode (request, pixels, pitch, unused) -> 1: writes at most `height` rows of `width`
//     pixels, rows `pitch` bytes apart, into the caller's buffer, which must hold `height`
//     rows of `pitch` bytes, pitch >= width x depth / 8. It reads nothing outside the
//     input (decoder_data, data_size bytes).
//   - release (request): frees what check allocated.
//
// Memory input: `memory` points at the whole file and `memory_size` says how many bytes it
// has; the decoder never reads past them, and never copies or frees them.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#define IMAGE_DECODERS_MAX 30

struct ImageDecodeRequest {
    FILE* file;                // input when from_memory is 0
    const void* memory;        // input when from_memory is non-zero
    int32_t from_memory;       // selects the input
    int32_t width;             // set by check
    int32_t height;            // set by check
    int32_t depth;             // set by check: bits per decoded pixel
    void* owned_data;          // set by check: the decoder's copy of the input, or null
    const void* decoder_data;  // set by check: the bytes that decode reads
    int32_t source_depth;      // set by check: bits per pixel of the input
    size_t memory_size;        // input when from_memory is non-zero: bytes at `memory`
    size_t data_size;          // set by check: bytes at decoder_data
};

typedef int (*ImageDecoderCheck)(ImageDecodeRequest* request);
typedef int (*ImageDecoderDecode)(ImageDecodeRequest* request, void* pixels, int32_t pitch,
                                  void* unused);
typedef void (*ImageDecoderRelease)(ImageDecodeRequest* request);

struct ImageDecoder {
    ImageDecoderCheck check;
    ImageDecoderDecode decode;
    ImageDecoderRelease release;
    char tag[4];  // three letters and a zero byte
};

struct ImageDecoderRegistry {
    int32_t count;
    ImageDecoder* decoders[IMAGE_DECODERS_MAX];
};

// Empties the registry. Runs once at start-up, before any decoder registers.
void ImageDecoders_Init(void);

// Appends a decoder. Returns 1, or 0 (and registers nothing) when the registry is full or
// the record is null.
int ImageDecoders_Register(ImageDecoder* decoder);

// The registry, for callers that choose a decoder.
const ImageDecoderRegistry* ImageDecoders_Get(void);
