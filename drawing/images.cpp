// The image table, DIB creation, and alpha drawing through msimg32's AlphaBlend.
#include "drawing/images.h"

#include "runtime/heaps.h"

#include <string.h>

struct ObjectTable* Images_Table = 0;
AlphaBlendRoutine Drawing_AlphaBlend = 0;
static HMODULE g_msimg32 = 0;

void Drawing_Init(void) {
    g_msimg32 = LoadLibraryA("msimg32.dll");
    if (g_msimg32) {
        // Going through a plain function pointer type is the portable way to cast FARPROC.
        Drawing_AlphaBlend =
            (AlphaBlendRoutine)(void (*)(void))GetProcAddress(g_msimg32, "AlphaBlend");
    }
}

void Drawing_End(void) {
    if (g_msimg32) FreeLibrary(g_msimg32);
    // The entry point dies with the library.
    g_msimg32 = 0;
    Drawing_AlphaBlend = 0;
}

// Records of 20 bytes, as the 32-bit build lays them out (with room to spare).
void Images_Init(void) {
    int32_t size = sizeof(struct ImageRecord) > 20 ? (int32_t)sizeof(struct ImageRecord) : 20;
    Images_Table = Objects_NewTable(size, 16, Image_Free);
}

void Images_End(void) {
    Objects_FreeAll(Images_Table);
}

int32_t Image_Free(int32_t number) {
    if (number == OBJECT_DYNAMIC) return Objects_FreeAll(Images_Table);
    struct ImageRecord* image = (struct ImageRecord*)Objects_Find(Images_Table, number);
    if (!image) return 0;
    if (GetObjectType(image->handle) == OBJ_BITMAP)
        DeleteObject(image->handle);
    else
        DestroyIcon((HICON)image->handle);
    Objects_Free(Images_Table, number);
    return 1;
}

int32_t Dib_RowBytes(int32_t w, int32_t bpp) {
    switch (bpp) {
        case 1:
            return ((w + 31) / 32) * 4;
        case 4:
            return ((w + 7) / 8) * 4;
        case 8:
            return ((w + 3) / 4) * 4;
        case 15:
        case 16:
            return ((w + 1) / 2) * 4;
        case 24:
            return ((w + 1) * 3 / 4) * 4;
    }
    return w * 4;
}

HBITMAP Images_CreateDib(int32_t width, int32_t height, int32_t depth) {
    HDC mem = CreateCompatibleDC(0);
    if (!mem) return 0;
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = (WORD)(depth < 24 ? 24 : depth);
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = 0;
    HBITMAP section = CreateDIBSection(mem, &info, DIB_RGB_COLORS, &bits, 0, 0);
    DeleteDC(mem);
    return section;
}

// The pixels of a 32-bit bitmap, top row first, in a block of the RuntimeHeap; 0 on failure.
static uint32_t* ReadPixels32(HBITMAP bitmap, BITMAP* bm) {
    if (GetObjectA(bitmap, sizeof(BITMAP), bm) != (int)sizeof(BITMAP)) return 0;
    if (bm->bmWidth <= 0 || bm->bmHeight <= 0) return 0;
    HDC mem = CreateCompatibleDC(0);
    if (!mem) return 0;
    uint32_t* block = (uint32_t*)Runtime_Alloc(
        (SIZE_T)Dib_RowBytes(bm->bmWidth, bm->bmBitsPixel) * (SIZE_T)bm->bmHeight, FALSE);
    if (block) {
        BITMAPINFO info;
        memset(&info, 0, sizeof info);
        info.bmiHeader.biSize = 40;
        info.bmiHeader.biWidth = bm->bmWidth;
        info.bmiHeader.biHeight = -bm->bmHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        if (!GetDIBits(mem, bitmap, 0, (UINT)bm->bmHeight, block, &info, DIB_RGB_COLORS)) {
            Runtime_Free(block);
            block = 0;
        }
    }
    DeleteDC(mem);
    return block;
}

int32_t Bitmap_HasAlpha(HBITMAP bitmap) {
    if (!Drawing_AlphaBlend || GetObjectType(bitmap) != OBJ_BITMAP) return 0;
    DIBSECTION ds;
    // A DIB section of 32 bits is taken to carry alpha without looking at its pixels.
    if (GetObjectA(bitmap, sizeof ds, &ds) == (int)sizeof ds) return ds.dsBm.bmBitsPixel == 32;
    BITMAP bm;
    if (GetObjectA(bitmap, sizeof bm, &bm) != (int)sizeof bm || bm.bmBitsPixel != 32) return 0;
    uint32_t* pixels = ReadPixels32(bitmap, &bm);
    if (!pixels) return 0;
    int32_t found = 0;
    const int32_t row_pixels = Dib_RowBytes(bm.bmWidth, 32) / 4;
    for (int32_t y = 0; y < bm.bmHeight && !found; ++y)
        for (int32_t x = 0; x < bm.bmWidth; ++x)
            if (pixels[(SIZE_T)y * (SIZE_T)row_pixels + (SIZE_T)x] >> 24) {
                found = 1;
                break;
            }
    Runtime_Free(pixels);
    return found;
}

HBITMAP Bitmap_Premultiply(HBITMAP bitmap, HDC dc) {
    if (!Drawing_AlphaBlend) return 0;
    HDC made = 0;
    if (!dc) {
        dc = made = CreateCompatibleDC(0);
        if (!dc) return 0;
    }
    HBITMAP section = 0;
    BITMAP bm;
    if (GetObjectA(bitmap, sizeof bm, &bm) == (int)sizeof bm) {
        BITMAPINFO info;
        memset(&info, 0, sizeof info);
        info.bmiHeader.biSize = 40;
        info.bmiHeader.biWidth = bm.bmWidth;
        info.bmiHeader.biHeight = bm.bmHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = 0;
        section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, 0, 0);
        if (section) {
            GetDIBits(dc, bitmap, 0, (UINT)bm.bmHeight, bits, &info, DIB_RGB_COLORS);
            uint8_t* p = (uint8_t*)bits;
            SIZE_T count = (SIZE_T)bm.bmWidth * (SIZE_T)bm.bmHeight;
            for (SIZE_T i = 0; i < count; ++i, p += 4) {
                uint32_t a = p[3];
                if (a < 255) {
                    p[0] = (uint8_t)((p[0] * a) >> 8);
                    p[1] = (uint8_t)((p[1] * a) >> 8);
                    p[2] = (uint8_t)((p[2] * a) >> 8);
                }
            }
        }
    }
    if (made) DeleteDC(made);
    return section;
}

void Bitmap_DeleteCopy(HBITMAP section) {
    if (Drawing_AlphaBlend) DeleteObject(section);
}

static void Blend(HDC hdc, int32_t x, int32_t y, int32_t w, int32_t h, HBITMAP bitmap, HDC dc,
                  int32_t alpha, BYTE format) {
    if (w == 0 || h == 0) {
        BITMAP bm;
        if (GetObjectA(bitmap, sizeof bm, &bm) == (int)sizeof bm) {
            w = bm.bmWidth;
            h = bm.bmHeight;
        }
    }
    HDC made = 0;
    if (!dc) {
        dc = made = CreateCompatibleDC(hdc);
        if (!dc) return;
    }
    HGDIOBJ previous = SelectObject(dc, bitmap);
    if (Drawing_AlphaBlend) {
        BLENDFUNCTION bf;
        bf.BlendOp = AC_SRC_OVER;
        bf.BlendFlags = 0;
        bf.SourceConstantAlpha = (BYTE)alpha;
        bf.AlphaFormat = format;
        Drawing_AlphaBlend(hdc, x, y, w, h, dc, 0, 0, w, h, bf);
    } else {
        BitBlt(hdc, x, y, w, h, dc, 0, 0, SRCCOPY);
    }
    if (made)
        DeleteDC(made);
    else
        SelectObject(dc, previous);
}

void Bitmap_BlendPerPixel(HDC hdc, int32_t x, int32_t y, int32_t w, int32_t h, HBITMAP bitmap,
                          HDC dc, int32_t alpha) {
    if (!Drawing_AlphaBlend) return;
    Blend(hdc, x, y, w, h, bitmap, dc, alpha, AC_SRC_ALPHA);
}

void Bitmap_BlendConstant(HDC hdc, int32_t x, int32_t y, int32_t w, int32_t h, HBITMAP bitmap,
                          HDC dc, int32_t alpha) {
    Blend(hdc, x, y, w, h, bitmap, dc, alpha, 0);
}
