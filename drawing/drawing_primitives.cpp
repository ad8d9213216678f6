// The GDI operation table: every drawing primitive of the runtime on a device context,
// plus what GDI does not supply (one-pixel shapes, the direct pixel writer, the italic
// overhang, the rotated-font cache, packed DIBs for devices that take only those).
#include "drawing/drawing_context.h"
#include "drawing/images.h"

#include <math.h>
#include <string.h>

namespace {

typedef struct DrawingContext Ctx;

void Prep(Ctx* c) {
    DrawingContext_PrepareDc(c);
}

void PlotCurrent(Ctx* c, int32_t x, int32_t y) {
    SetPixelV(c->hdc, x, y, c->current_colour);
}

void OpSetBackColour(Ctx* c, COLORREF colour) {
    Prep(c);
    SetBkColor(c->hdc, colour);
}

void OpBox(Ctx* c, int32_t x, int32_t y, int32_t w, int32_t h) {
    Prep(c);
    // A one-pixel box is exactly one pixel (Rectangle would draw nothing or two).
    if (w == 1 && h == 1) return PlotCurrent(c, x, y);
    if (w == 1 && h == -1) return PlotCurrent(c, x, y - 1);
    if (w == -1 && h == 1) return PlotCurrent(c, x - 1, y);
    if (w == -1 && h == -1) return PlotCurrent(c, x - 1, y - 1);
    Rectangle(c->hdc, x, y, x + w, y + h);
}

void OpRoundBox(Ctx* c, int32_t x, int32_t y, int32_t w, int32_t h, int32_t rx, int32_t ry) {
    Prep(c);
    RoundRect(c->hdc, x, y, x + w, y + h, 2 * rx, 2 * ry);
}

void OpCircle(Ctx* c, int32_t x, int32_t y, int32_t r) {
    Prep(c);
    if (r == 0) {
        PlotCurrent(c, x, y);
        Ellipse(c->hdc, x, y, x + 1, y + 1);
        return;
    }
    if (r == 1) {
        PlotCurrent(c, x, y - 1);
        PlotCurrent(c, x, y + 1);
        PlotCurrent(c, x - 1, y);
        PlotCurrent(c, x + 1, y);
        if (!(c->mode & DRAW_MODE_OUTLINED)) PlotCurrent(c, x, y);
        return;
    }
    // A box 2r + 1 pixels wide: the circle covers x - r ... x + r.
    Ellipse(c->hdc, x - r, y - r, x + r + 1, y + r + 1);
}

void OpEllipse(Ctx* c, int32_t x, int32_t y, int32_t rx, int32_t ry) {
    Prep(c);
    if (rx > 1 || ry > 1) {
        Ellipse(c->hdc, x - rx, y - ry, x + rx + 1, y + ry + 1);
        return;
    }
    if (rx == 0 && ry == 0) PlotCurrent(c, x, y);
    if (rx == 1) {
        PlotCurrent(c, x - 1, y);
        PlotCurrent(c, x + 1, y);
    }
    if (ry == 1) {
        PlotCurrent(c, x, y - 1);
        PlotCurrent(c, x, y + 1);
    }
    if (!((c->mode & DRAW_MODE_OUTLINED) && rx != 0 && ry != 0)) PlotCurrent(c, x, y);
}

// Pixels an italic font's letters reach beyond their advance: "H" drawn white on black in
// a bitmap twice its size, scanned from the right.
int32_t ItalicOverhang(HFONT font) {
    HDC mem = CreateCompatibleDC(0);
    if (!mem) return 0;
    int32_t overhang = 0;
    SelectObject(mem, font);
    TEXTMETRICA tm;
    SIZE size;
    if (GetTextMetricsA(mem, &tm) && tm.tmItalic && GetTextExtentPoint32A(mem, "H", 1, &size)) {
        const int32_t cx = size.cx, cy = size.cy;
        HBITMAP bmp = CreateCompatibleBitmap(mem, 2 * cx, 2 * cy);
        if (bmp) {
            SelectObject(mem, bmp);
            SetBkMode(mem, OPAQUE);
            SetTextAlign(mem, 0);
            SetBkColor(mem, 0);
            SetTextColor(mem, 0xFFFFFF);
            RECT r = {0, 0, 2 * cx, 2 * cy};
            FillRect(mem, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
            TextOutA(mem, 0, 0, "H", 1);
            bool found = false;
            for (int32_t col = 2 * cx - 1; col >= 0 && !found; --col)
                for (int32_t row = 0; row < cy; ++row)
                    if (GetPixel(mem, col, row) != 0) {
                        overhang = col - cx + 2;
                        found = true;
                        break;
                    }
        }
        DeleteDC(mem);
        mem = 0;
        if (bmp) DeleteObject(bmp);
    }
    if (mem) DeleteDC(mem);
    return overhang;
}

void OpSetFont(Ctx* c, HFONT font) {
    Prep(c);
    if (font == DRAWING_DEFAULT_FONT) font = (HFONT)GetStockObject(SYSTEM_FONT);
    SelectObject(c->hdc, font);
    c->font = font;
    c->italic_overhang = ItalicOverhang(font);
    if (c->rotated_font) {
        DeleteObject(c->rotated_font);
        c->rotated_font = 0;
    }
}

bool IsSurface(const Ctx* c) {
    return c->kind == DRAWING_TARGET_SURFACE;
}

void GiveUpDc(Ctx* c) {
    if (c->dc_state != DC_HELD) return;
    c->buffer = c->get_buffer ? c->get_buffer(c, &c->buffer_pitch) : c->buffer;
    c->dc_state = DC_GIVEN_UP;
}

void* OpBuffer(Ctx* c) {
    if (!IsSurface(c)) return 0;
    GiveUpDc(c);
    return c->buffer;
}

int32_t OpBufferPitch(Ctx* c) {
    return IsSurface(c) ? c->buffer_pitch : 0;
}

int32_t OpBufferFormat(Ctx* c) {
    return IsSurface(c) ? c->buffer_format : 0;
}

void OpSetMode(Ctx* c, int32_t mode) {
    Prep(c);
    c->mode = mode;
    SetROP2(c->hdc, (mode & DRAW_MODE_XOR) ? R2_NOT : R2_COPYPEN);
    SelectObject(c->hdc,
                 (mode & DRAW_MODE_OUTLINED) ? GetStockObject(NULL_BRUSH) : (HGDIOBJ)c->brush);
    SetBkMode(c->hdc, (mode & DRAW_MODE_TRANSPARENT) ? TRANSPARENT : OPAQUE);
    c->ops.set_front_colour(c, c->current_colour);
}

// A bitmap as a GlobalAlloc block: a 40-byte header and bottom-up 24-bit rows.
HGLOBAL PackedDib(HBITMAP bitmap, HPALETTE palette) {
    BITMAP bm;
    if (GetObjectA(bitmap, sizeof bm, &bm) != (int)sizeof bm) return 0;
    if (bm.bmWidth <= 0 || bm.bmHeight <= 0) return 0;
    const LONGLONG row = ((LONGLONG)bm.bmWidth * 24 + 31) / 8 / 4 * 4;
    const LONGLONG bytes = 40 + row * bm.bmHeight;
    if (bytes > 0x40000000) return 0;  // no image of the runtime comes near a gigabyte
    HGLOBAL block = GlobalAlloc(GPTR, (SIZE_T)bytes);
    if (!block) return 0;
    BITMAPINFOHEADER* header = (BITMAPINFOHEADER*)GlobalLock(block);
    header->biSize = 40;
    header->biWidth = bm.bmWidth;
    header->biHeight = bm.bmHeight;
    header->biPlanes = 1;
    header->biBitCount = 24;
    header->biCompression = BI_RGB;
    HDC screen = GetDC(0);
    HPALETTE previous = 0;
    if (palette) {
        previous = SelectPalette(screen, palette, TRUE);
        RealizePalette(screen);
    }
    int lines = GetDIBits(screen, bitmap, 0, (UINT)bm.bmHeight, (uint8_t*)header + 40,
                          (BITMAPINFO*)header, DIB_RGB_COLORS);
    if (palette) SelectPalette(screen, previous, TRUE);
    ReleaseDC(0, screen);
    GlobalUnlock(block);
    if (!lines) {
        GlobalFree(block);
        return 0;
    }
    return block;
}

void OpImageSized(Ctx* c, HANDLE handle, int32_t x, int32_t y, int32_t w, int32_t h) {
    Prep(c);
    if (GetObjectType(handle) != OBJ_BITMAP) {
        DrawIconEx(c->hdc, x, y, (HICON)handle, w, h, 0, 0, DI_NORMAL);
        return;
    }
    HDC mem = CreateCompatibleDC(c->hdc);
    if (!mem) return;
    BITMAP bm;
    memset(&bm, 0, sizeof bm);
    GetObjectA(handle, sizeof bm, &bm);
    const DWORD rop = (c->mode & DRAW_MODE_XOR) ? SRCINVERT : SRCCOPY;
    int32_t dw = bm.bmWidth, dh = bm.bmHeight;
    if (w != 0 && h != 0) dw = w, dh = h;
    if (c->kind == DRAWING_TARGET_DIB_DEVICE) {
        HGLOBAL block = PackedDib((HBITMAP)handle, 0);
        if (block) {
            BITMAPINFO* info = (BITMAPINFO*)GlobalLock(block);
            SetStretchBltMode(c->hdc, COLORONCOLOR);
            StretchDIBits(c->hdc, x, y, dw, dh, 0, 0, bm.bmWidth, bm.bmHeight, (uint8_t*)info + 40,
                          info, DIB_RGB_COLORS, rop);
            GlobalUnlock(block);
            GlobalFree(block);
        }
    } else {
        HGDIOBJ previous = SelectObject(mem, handle);
        if (dw == bm.bmWidth && dh == bm.bmHeight) {
            BitBlt(c->hdc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, rop);
        } else {
            SetStretchBltMode(c->hdc, HALFTONE);
            StretchBlt(c->hdc, x, y, dw, dh, mem, 0, 0, bm.bmWidth, bm.bmHeight, rop);
        }
        SelectObject(mem, previous);
    }
    DeleteDC(mem);
}

void OpImage(Ctx* c, HANDLE handle, int32_t x, int32_t y) {
    c->ops.image_sized(c, handle, x, y, 0, 0);
}

void OpAlphaImage(Ctx* c, HBITMAP bitmap, int32_t x, int32_t y, int32_t alpha) {
    if (!bitmap) return;
    // Take the device context back first: after a direct pixel access `hdc` may be stale.
    Prep(c);
    HDC mem = CreateCompatibleDC(c->hdc);
    if (!mem) return;
    HBITMAP copy = 0;
    if (Bitmap_HasAlpha(bitmap) && (copy = Bitmap_Premultiply(bitmap, mem)) != 0) {
        Bitmap_BlendPerPixel(c->hdc, x, y, 0, 0, copy, mem, alpha);
        Bitmap_DeleteCopy(copy);
    } else if (alpha == 255) {
        BITMAP bm;
        if (GetObjectA(bitmap, sizeof bm, &bm) == (int)sizeof bm) {
            HGDIOBJ previous = SelectObject(mem, bitmap);
            BitBlt(c->hdc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
            SelectObject(mem, previous);
        }
    } else if (alpha > 0 && alpha < 255) {
        Bitmap_BlendConstant(c->hdc, x, y, 0, 0, bitmap, mem, alpha);
    }
    DeleteDC(mem);
}

int32_t OpText(Ctx* c, int32_t x, int32_t y, const char* text) {
    Prep(c);
    MoveToEx(c->hdc, x, y, 0);
    if (text && *text) TextOutA(c->hdc, 0, 0, text, (int)strlen(text));
    POINT previous = {x, y};
    MoveToEx(c->hdc, 0, 0, &previous);
    return previous.x;
}

bool SelectRotatedFont(Ctx* c, float angle) {
    angle = (float)fmod(angle, 360.0);
    if (c->rotated_font && c->rotated_angle == angle) {
        SelectObject(c->hdc, c->rotated_font);
        return true;
    }
    LOGFONTA lf;
    if (GetObjectA(c->font, sizeof lf, &lf) < 60) return false;
    lf.lfEscapement = lf.lfOrientation = (LONG)(angle * 10.0);
    // A TrueType face, even when the current font is the raster system font.
    lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    if (c->rotated_font) DeleteObject(c->rotated_font);
    c->rotated_font = CreateFontIndirectA(&lf);
    if (!c->rotated_font) return false;
    SelectObject(c->hdc, c->rotated_font);
    c->rotated_angle = angle;
    return true;
}

void OpRotatedText(Ctx* c, int32_t x, int32_t y, const char* text, float angle) {
    Prep(c);
    if (!text || !*text || !SelectRotatedFont(c, angle)) return;
    const bool opaque = !(c->mode & DRAW_MODE_TRANSPARENT);
    if (opaque) SetBkMode(c->hdc, TRANSPARENT);
    MoveToEx(c->hdc, x, y, 0);
    TextOutA(c->hdc, 0, 0, text, (int)strlen(text));
    SelectObject(c->hdc, c->font);
    if (opaque) SetBkMode(c->hdc, OPAQUE);
}

void OpFillArea(Ctx* c, int32_t x, int32_t y, COLORREF border) {
    Prep(c);
    const int32_t mode = c->mode;
    const bool outlined = (mode & DRAW_MODE_OUTLINED) != 0;
    HBRUSH temp = 0;
    HGDIOBJ kept = 0;
    if (outlined) {
        // Flood fill needs a real brush even in outline mode.
        OpSetMode(c, mode & ~DRAW_MODE_OUTLINED);
        temp = CreateSolidBrush(c->current_colour);
        kept = SelectObject(c->hdc, temp);
    }
    if (border == (COLORREF)-1)
        ExtFloodFill(c->hdc, x, y, GetPixel(c->hdc, x, y), FLOODFILLSURFACE);
    else
        ExtFloodFill(c->hdc, x, y, border, FLOODFILLBORDER);
    if (outlined) {
        SelectObject(c->hdc, kept);
        DeleteObject(temp);
        OpSetMode(c, mode);
    }
}

void OpSetFrontColour(Ctx* c, COLORREF colour) {
    Prep(c);
    // New objects are selected before the old ones are deleted; a failed creation keeps
    // the previous object.
    if (!(c->mode & DRAW_MODE_OUTLINED)) {
        HBRUSH brush = CreateSolidBrush(colour);
        if (brush) {
            SelectObject(c->hdc, brush);
            if (c->brush) DeleteObject(c->brush);
            c->brush = brush;
        }
    }
    HPEN pen = CreatePen(PS_SOLID, 0, colour);
    if (pen) {
        SelectObject(c->hdc, pen);
        if (c->pen) DeleteObject(c->pen);
        c->pen = pen;
    }
    SetTextColor(c->hdc, colour);
}

void* OpGrabImage(Ctx* c, int32_t number, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (c->kind == DRAWING_TARGET_DIB_DEVICE) return 0;
    Prep(c);
    int32_t depth = (c->grab_32_as_24 && c->depth == 32) ? 24 : c->depth;
    HBITMAP bmp = Images_CreateDib(w, h, depth);
    if (!bmp) return 0;
    void* result = 0;
    HDC mem = CreateCompatibleDC(c->hdc);
    if (mem) {
        SelectObject(mem, bmp);
        if (BitBlt(mem, 0, 0, w, h, c->hdc, x, y, SRCCOPY)) {
            struct ImageRecord* image = (struct ImageRecord*)Objects_Create(Images_Table, number);
            if (image) {
                image->handle = bmp;
                image->width = (uint16_t)w;
                image->height = (uint16_t)h;
                image->depth = (uint8_t)c->depth;
                result = number == OBJECT_DYNAMIC ? (void*)image : (void*)bmp;
            }
        }
        DeleteDC(mem);
    }
    if (!result) DeleteObject(bmp);
    return result;
}

void OpLine(Ctx* c, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    Prep(c);
    MoveToEx(c->hdc, x1, y1, 0);
    LineTo(c->hdc, x2, y2);
    PlotCurrent(c, x2, y2);  // LineTo leaves the end point out
}

void OpPlot(Ctx* c, int32_t x, int32_t y) {
    Prep(c);
    PlotCurrent(c, x, y);
}

void OpPlotColour(Ctx* c, int32_t x, int32_t y, COLORREF colour) {
    if (!IsSurface(c)) {
        SetPixelV(c->hdc, x, y, colour);
        return;
    }
    const int32_t f = c->buffer_format;
    if (f != PIXEL_FORMAT_8 && f != PIXEL_FORMAT_15 && f != PIXEL_FORMAT_16 &&
        f != PIXEL_FORMAT_32) {
        Prep(c);
        SetPixelV(c->hdc, x, y, colour);
        return;
    }
    GiveUpDc(c);
    // Direct writes are not clipped by GDI: nothing lands outside the target.
    if (!c->buffer || x < 0 || y < 0 || x >= c->width || y >= c->height) return;
    const uint32_t r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    uint8_t* row = (uint8_t*)c->buffer + (INT_PTR)y * c->buffer_pitch;
    if (f == PIXEL_FORMAT_8) {
        row[x] = (uint8_t)r;
    } else if (f == PIXEL_FORMAT_15) {
        uint16_t v = (uint16_t)((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
        memcpy(row + 2 * x, &v, 2);
    } else if (f == PIXEL_FORMAT_16) {
        uint16_t v = (uint16_t)((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
        memcpy(row + 2 * x, &v, 2);
    } else {
        uint32_t v = 0xFF000000u | r << 16 | g << 8 | b;
        memcpy(row + 4 * x, &v, 4);
    }
}

COLORREF OpPoint(Ctx* c, int32_t x, int32_t y) {
    Prep(c);
    return GetPixel(c->hdc, x, y);
}

HDC OpBegin(Ctx* c) {
    c->begin_brush = CreateSolidBrush(0);
    c->begin_pen = CreatePen(PS_SOLID, 0, 0);
    c->mode = 0;
    c->dc_state = DC_HELD;
    if (!c->hdc) {
        // Draw_Begin frees the context without `end`: do not leave these behind.
        if (c->begin_brush) DeleteObject(c->begin_brush);
        if (c->begin_pen) DeleteObject(c->begin_pen);
        c->begin_brush = 0;
        c->begin_pen = 0;
        return 0;
    }
    SetTextAlign(c->hdc, TA_UPDATECP);
    c->font = (HFONT)GetStockObject(SYSTEM_FONT);
    c->brush = CreateSolidBrush(0);
    c->saved_brush = SelectObject(c->hdc, c->begin_brush);
    c->saved_pen = SelectObject(c->hdc, c->begin_pen);
    c->saved_font = SelectObject(c->hdc, c->font);
    return c->hdc;
}

void OpEnd(Ctx* c) {
    SelectObject(c->hdc, c->saved_brush);
    SelectObject(c->hdc, c->saved_pen);
    SelectObject(c->hdc, c->saved_font);
    if (c->brush) DeleteObject(c->brush);
    if (c->pen) DeleteObject(c->pen);
    if (c->rotated_font) DeleteObject(c->rotated_font);
    DeleteObject(c->begin_brush);
    DeleteObject(c->begin_pen);
    c->brush = 0;
    c->pen = 0;
    c->rotated_font = 0;
    c->begin_brush = 0;
    c->begin_pen = 0;
}

int32_t OpTextHeight(Ctx* c, const char* text) {
    if (!text || !*text) return 0;
    Prep(c);
    SIZE size = {0, 0};
    GetTextExtentPoint32A(c->hdc, text, (int)strlen(text), &size);
    return size.cy;
}

int32_t OpTextWidth(Ctx* c, const char* text) {
    if (!text || !*text) return 0;
    Prep(c);
    SIZE size = {0, 0};
    GetTextExtentPoint32A(c->hdc, text, (int)strlen(text), &size);
    return size.cx + c->italic_overhang;
}

}  // namespace

struct DrawingContext* DrawingContext_NewGdi(void) {
    struct DrawingContext* c = DrawingContext_Alloc((int32_t)sizeof(struct DrawingContext));
    if (!c) return 0;
    struct DrawingOps* o = &c->ops;
    o->set_back_colour = OpSetBackColour;
    o->box = OpBox;
    o->round_box = OpRoundBox;
    o->circle = OpCircle;
    o->set_font = OpSetFont;
    o->buffer = OpBuffer;
    o->buffer_pitch = OpBufferPitch;
    o->buffer_format = OpBufferFormat;
    o->set_mode = OpSetMode;
    o->image = OpImage;
    o->image_sized = OpImageSized;
    o->alpha_image = OpAlphaImage;
    o->text = OpText;
    o->rotated_text = OpRotatedText;
    o->ellipse = OpEllipse;
    o->fill_area = OpFillArea;
    o->set_front_colour = OpSetFrontColour;
    o->grab_image = OpGrabImage;
    o->line = OpLine;
    o->plot = OpPlot;
    o->plot_colour = OpPlotColour;
    o->point = OpPoint;
    o->begin = OpBegin;
    o->end = OpEnd;
    o->text_height = OpTextHeight;
    o->text_width = OpTextWidth;
    return c;
}
