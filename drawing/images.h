// Images: numbered or dynamic objects whose records hold a GDI bitmap (or icon) handle,
// the device-independent bitmaps images are made of, and alpha drawing.
//
// Drawing_Init links msimg32.dll's AlphaBlend at run time; without it bitmaps never count
// as having alpha, no premultiplied copies are made, per-pixel blending does nothing and
// constant-alpha drawing falls back to an opaque copy. Every routine that fails to get a
// DC, section or pixel block gives 0 or does nothing, after freeing what it had made.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "runtime/object_table.h"

struct ImageRecord {
    HANDLE handle;  // GDI bitmap or icon, owned by the record
    uint16_t width;
    uint16_t height;
    uint8_t depth;  // bits per pixel the image was made for
};

// The image table (made by Images_Init).
extern struct ObjectTable* Images_Table;

typedef BOOL(WINAPI* AlphaBlendRoutine)(HDC, int, int, int, int, HDC, int, int, int, int,
                                        BLENDFUNCTION);
// msimg32's AlphaBlend, or 0 when the library or the function is missing.
extern AlphaBlendRoutine Drawing_AlphaBlend;

void Drawing_Init(void);
void Drawing_End(void);
void Images_Init(void);
void Images_End(void);

// The image kind's close routine (OBJECT_DYNAMIC closes every image).
int32_t Image_Free(int32_t number);

// A DIB section of at least 24 bits (depths below 24 make 24-bit sections), bottom-up.
HBITMAP Images_CreateDib(int32_t width, int32_t height, int32_t depth);

int32_t Bitmap_HasAlpha(HBITMAP bitmap);
HBITMAP Bitmap_Premultiply(HBITMAP bitmap, HDC dc);
void Bitmap_DeleteCopy(HBITMAP section);
void Bitmap_BlendPerPixel(HDC hdc, int32_t x, int32_t y, int32_t width, int32_t height,
                          HBITMAP bitmap, HDC dc, int32_t alpha);
void Bitmap_BlendConstant(HDC hdc, int32_t x, int32_t y, int32_t width, int32_t height,
                          HBITMAP bitmap, HDC dc, int32_t alpha);

// Bytes per row of a device-independent bitmap, 4-byte aligned.
int32_t Dib_RowBytes(int32_t width, int32_t bits_per_pixel);
