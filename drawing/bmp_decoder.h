// The BMP decoder: Windows bitmap files (BITMAPFILEHEADER, BITMAPINFOHEADER, colour table,
// pixel rows) from an open file or from memory, to 24-bit top-down rows (blue, green, red).
//
// Decoded: 1 bit (bit 0 black, bit 1 white; the file's colour table is not used), 4 and 8
// bit through the colour table, 8-bit RLE, 16 bit as 5-5-5 (compression 0) or 5-6-5
// (compression 3, whatever the masks say), 24 bit, 32 bit (the fourth byte dropped). Low
// values are widened by a plain shift (31 -> 248). Everything else is accepted by the
// check and then left undecoded: 4-bit RLE, top-down files (negative height), other bit
// counts and compressions; decode then writes nothing and still returns 1.
//
// Untrusted input: the check rejects data too short for the header fields it reads
// (30 bytes); decode reads only inside the input and writes only inside `height` rows of
// `width` pixels. A row, run, delta or colour index that would leave either is cut off
// where it leaves, or skipped, and the pixels it would have written keep their values.
//
// File input is read whole into a copy owned by the request (from the RuntimeHeap) until
// Bmp_Release; memory input is read in place, never copied or freed.
#pragma once

#include "drawing/image_decoders.h"

// Fills the BMP decoder record (Bmp_Check, Bmp_Decode, Bmp_Release, tag "BMP") and
// registers it.
void BmpDecoder_Init(void);

// The registered record.
ImageDecoder* BmpDecoder_Get(void);

// 1 when the input is a BMP file: the signature "BM" and both reserved words 0. Sets
// width, height (biWidth, biHeight as they are), source_depth (biBitCount), depth 24,
// decoder_data and data_size. Rejects (0, owning nothing) a missing or unreadable input,
// fewer than 30 bytes, a failed allocation, a wrong signature or non-zero reserved words.
int Bmp_Check(ImageDecodeRequest* request);

// Decodes into `pixels`: rows `pitch` bytes apart, the top row first, 3 bytes per pixel.
// Returns 1 in every case; writes nothing when the output cannot hold a row
// (pitch < 3 x width) or when the variant is not decoded.
int Bmp_Decode(ImageDecodeRequest* request, void* pixels, int32_t pitch, void* unused);

// Frees the copy that Bmp_Check made of a file, and forgets it.
void Bmp_Release(ImageDecodeRequest* request);
