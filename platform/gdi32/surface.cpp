// Pixel formats: colour conversion, single pixels and the span filler every shape ends in.
#include "gdi_private.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace zv::gdi {

int BitsOf(Fmt f) {
    switch (f) {
        case Fmt::Mono:
        case Fmt::Pal1:
            return 1;
        case Fmt::Pal4:
            return 4;
        case Fmt::Pal8:
            return 8;
        case Fmt::Rgb555:
        case Fmt::Rgb565:
            return 16;
        case Fmt::Rgb24:
            return 24;
        case Fmt::Rgb32:
            return 32;
    }
    return 32;
}

uint32_t PixelMask(const Surface& s) {
    int b = BitsOf(s.fmt);
    return b == 32 ? 0xFFFFFFFFu : ((1u << b) - 1);
}

IRect Intersect(const IRect& a, const IRect& b) {
    IRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
    if (r.Empty()) r = IRect{};
    return r;
}

static uint32_t Nearest(const std::vector<RGBQUAD>& table, int r, int g, int b) {
    uint32_t best = 0;
    int best_d = 1 << 30;
    for (size_t i = 0; i < table.size(); ++i) {
        int dr = r - table[i].rgbRed, dg = g - table[i].rgbGreen, db = b - table[i].rgbBlue;
        int d = dr * dr + dg * dg + db * db;
        if (d < best_d) {
            best_d = d;
            best = uint32_t(i);
            if (d == 0) break;
        }
    }
    return best;
}

uint32_t ColorToPixel(const Surface& s, COLORREF c) {
    int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    switch (s.fmt) {
        case Fmt::Rgb32:
        case Fmt::Rgb24:
            return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
        case Fmt::Rgb565:
            return uint32_t(r >> 3) << 11 | uint32_t(g >> 2) << 5 | uint32_t(b >> 3);
        case Fmt::Rgb555:
            return uint32_t(r >> 3) << 10 | uint32_t(g >> 3) << 5 | uint32_t(b >> 3);
        case Fmt::Mono: {
            int to_black = r * r + g * g + b * b;
            int to_white = (255 - r) * (255 - r) + (255 - g) * (255 - g) + (255 - b) * (255 - b);
            return to_white <= to_black ? 1 : 0;
        }
        case Fmt::Pal1:
        case Fmt::Pal4:
        case Fmt::Pal8:
            // PALETTEINDEX colours name an entry directly.
            if ((c >> 24) == 1) return (c & 0xFFFF) & PixelMask(s);
            if (s.colors.empty()) return 0;
            return Nearest(s.colors, r, g, b);
    }
    return 0;
}

COLORREF PixelToColor(const Surface& s, uint32_t p) {
    switch (s.fmt) {
        case Fmt::Rgb32:
        case Fmt::Rgb24:
            return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
        case Fmt::Rgb565: {
            uint32_t r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
            return RGB((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2));
        }
        case Fmt::Rgb555: {
            uint32_t r = (p >> 10) & 31, g = (p >> 5) & 31, b = p & 31;
            return RGB((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2));
        }
        case Fmt::Mono:
            return p ? 0xFFFFFF : 0;
        default:
            if (p < s.colors.size()) {
                const RGBQUAD& q = s.colors[p];
                return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
            }
            return 0;
    }
}

uint32_t ReadPixel(const Surface& s, int32_t x, int32_t y) {
    const uint8_t* row = s.Row(y);
    switch (s.fmt) {
        case Fmt::Mono:
        case Fmt::Pal1:
            return (row[x >> 3] >> (7 - (x & 7))) & 1;
        case Fmt::Pal4:
            return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
        case Fmt::Pal8:
            return row[x];
        case Fmt::Rgb555:
        case Fmt::Rgb565: {
            uint16_t v;
            memcpy(&v, row + 2 * ptrdiff_t(x), 2);
            return v;
        }
        case Fmt::Rgb24: {
            const uint8_t* p = row + 3 * ptrdiff_t(x);
            return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        }
        case Fmt::Rgb32: {
            uint32_t v;
            memcpy(&v, row + 4 * ptrdiff_t(x), 4);
            return v;
        }
    }
    return 0;
}

void WritePixel(const Surface& s, int32_t x, int32_t y, uint32_t v) {
    uint8_t* row = s.Row(y);
    switch (s.fmt) {
        case Fmt::Mono:
        case Fmt::Pal1: {
            uint8_t bit = uint8_t(0x80 >> (x & 7));
            row[x >> 3] = (v & 1) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
            break;
        }
        case Fmt::Pal4: {
            uint8_t& b = row[x >> 1];
            b = (x & 1) ? uint8_t((b & 0xF0) | (v & 15)) : uint8_t((b & 0x0F) | (v & 15) << 4);
            break;
        }
        case Fmt::Pal8:
            row[x] = uint8_t(v);
            break;
        case Fmt::Rgb555:
        case Fmt::Rgb565: {
            uint16_t w = uint16_t(v);
            memcpy(row + 2 * ptrdiff_t(x), &w, 2);
            break;
        }
        case Fmt::Rgb24: {
            uint8_t* p = row + 3 * ptrdiff_t(x);
            p[0] = uint8_t(v);
            p[1] = uint8_t(v >> 8);
            p[2] = uint8_t(v >> 16);
            break;
        }
        case Fmt::Rgb32:
            memcpy(row + 4 * ptrdiff_t(x), &v, 4);
            break;
    }
}

Mix MixFor(int rop2, uint32_t p, uint32_t mask) {
    unsigned code = unsigned(rop2 - 1) & 15;
    // Bit (pen * 2 + destination) of the code is the result for that pair of bits.
    auto all = [](bool b) { return b ? 0xFFFFFFFFu : 0u; };
    uint32_t x0 = (p & all(code & 4)) | (~p & all(code & 1));  // destination bit 0
    uint32_t x1 = (p & all(code & 8)) | (~p & all(code & 2));  // destination bit 1
    return Mix{(x0 ^ x1) & mask, x0 & mask};
}

void MixPixel(const Surface& s, int32_t x, int32_t y, const Mix& m) {
    if (m.Copy()) {
        WritePixel(s, x, y, m.xor_mask);
    } else {
        WritePixel(s, x, y, (ReadPixel(s, x, y) & m.and_mask) ^ m.xor_mask);
    }
}

void FillSpan(const Surface& s, int32_t y, int32_t x0, int32_t x1, const Mix& m) {
    if (x0 >= x1) return;
    uint8_t* row = s.Row(y);
    int32_t n = x1 - x0;
    if (m.Copy()) {
        uint32_t v = m.xor_mask;
        switch (s.fmt) {
            case Fmt::Rgb32: {
                uint8_t* p = row + 4 * ptrdiff_t(x0);
                if (sizeof(wchar_t) == 4 && (reinterpret_cast<uintptr_t>(p) & 3) == 0) {
                    // The C library's wide fill is the fastest 32-bit fill at hand.
                    wmemset(reinterpret_cast<wchar_t*>(p), wchar_t(v), size_t(n));
                } else {
                    for (int32_t i = 0; i < n; ++i)
                        memcpy(p + 4 * i, &v, 4);
                }
                return;
            }
            case Fmt::Pal8:
                memset(row + x0, int(v & 0xFF), size_t(n));
                return;
            case Fmt::Rgb555:
            case Fmt::Rgb565: {
                uint16_t w = uint16_t(v);
                uint8_t* p = row + 2 * ptrdiff_t(x0);
                for (int32_t i = 0; i < n; ++i)
                    memcpy(p + 2 * i, &w, 2);
                return;
            }
            case Fmt::Rgb24: {
                uint8_t b0 = uint8_t(v), b1 = uint8_t(v >> 8), b2 = uint8_t(v >> 16);
                uint8_t* p = row + 3 * ptrdiff_t(x0);
                for (int32_t i = 0; i < n; ++i, p += 3) {
                    p[0] = b0;
                    p[1] = b1;
                    p[2] = b2;
                }
                return;
            }
            default:
                break;
        }
        for (int32_t x = x0; x < x1; ++x)
            WritePixel(s, x, y, v);
        return;
    }
    if (s.fmt == Fmt::Rgb32) {
        uint8_t* p = row + 4 * ptrdiff_t(x0);
        for (int32_t i = 0; i < n; ++i) {
            uint32_t d;
            memcpy(&d, p + 4 * i, 4);
            d = (d & m.and_mask) ^ m.xor_mask;
            memcpy(p + 4 * i, &d, 4);
        }
        return;
    }
    for (int32_t x = x0; x < x1; ++x)
        WritePixel(s, x, y, (ReadPixel(s, x, y) & m.and_mask) ^ m.xor_mask);
}

}  // namespace zv::gdi
