// Shared by the GDI tests: a 32-bit top-down DIB section selected into a memory DC, with
// direct pixel access, a pen and brush selected for a scope, and fonts.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

// A red pen and a green brush, as COLORREFs and as a 32-bit DIB stores them (0x00RRGGBB).
inline constexpr uint32_t kPen = 0xFF0000, kBrush = 0x00FF00;
inline constexpr COLORREF kPenRef = RGB(255, 0, 0), kBrushRef = RGB(0, 255, 0);

// The header of an uncompressed DIB of `w` x `h` (bottom-up, or top-down when `h` is
// negative) at `bits` per pixel, with no colour table.
inline BITMAPINFO Info(int w, int h, int bits) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = WORD(bits);
    return bi;
}

struct Canvas {
    HDC dc = nullptr;
    HBITMAP bmp = nullptr;
    HGDIOBJ old = nullptr;
    uint32_t* px = nullptr;
    int w = 0, h = 0;

    Canvas(int width, int height, int bits = 32) : w(width), h(height) {
        BITMAPINFO bi = Info(width, -height, bits);
        dc = CreateCompatibleDC(nullptr);
        void* bits_ptr = nullptr;
        bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits_ptr, nullptr, 0);
        px = static_cast<uint32_t*>(bits_ptr);
        old = SelectObject(dc, bmp);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    uint32_t At(int x, int y) const { return px[y * w + x] & 0xFFFFFF; }
    void Clear(uint32_t v = 0) {
        for (int i = 0; i < w * h; ++i)
            px[i] = v;
    }
    // Rows of '#' (non-zero) and '.' for readable failures.
    std::string Dump() const {
        std::string s;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x)
                s += At(x, y) ? '#' : '.';
            s += '\n';
        }
        return s;
    }
    int Count(uint32_t v) const {
        int n = 0;
        for (int i = 0; i < w * h; ++i)
            n += (px[i] & 0xFFFFFF) == v;
        return n;
    }
};

// An Arial font of `height` (negative for the character height, as in LOGFONT), upright
// or italic, its baseline turned by `escapement` tenths of a degree.
inline HFONT Font(int height, bool italic = false, int escapement = 0) {
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfItalic = BYTE(italic);
    lf.lfEscapement = lf.lfOrientation = escapement;
    strcpy(lf.lfFaceName, "Arial");
    return CreateFontIndirectA(&lf);
}

// Draws `text` at (x, y) in `font`, white and without a background box, leaving the
// canvas's DC with the font it had.
inline void DrawWhiteText(const Canvas& canvas, HFONT font, int x, int y, const char* text) {
    SetTextColor(canvas.dc, RGB(255, 255, 255));
    SetBkMode(canvas.dc, TRANSPARENT);
    HGDIOBJ old = SelectObject(canvas.dc, font);
    TextOutA(canvas.dc, x, y, text, int(strlen(text)));
    SelectObject(canvas.dc, old);
}

// Selects a pen and brush for the life of the scope, deleting them afterwards.
struct Tools {
    HDC dc;
    HPEN pen;
    HBRUSH brush;
    HGDIOBJ old_pen, old_brush;
    Tools(HDC d, COLORREF pen_color, COLORREF brush_color, bool hollow = false) : dc(d) {
        pen = CreatePen(PS_SOLID, 0, pen_color);
        brush = hollow ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))
                       : CreateSolidBrush(brush_color);
        old_pen = SelectObject(dc, pen);
        old_brush = SelectObject(dc, brush);
    }
    ~Tools() {
        SelectObject(dc, old_pen);
        SelectObject(dc, old_brush);
        DeleteObject(pen);
        DeleteObject(brush);
    }
};
