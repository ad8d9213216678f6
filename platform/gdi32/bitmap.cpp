// Bitmaps and device-independent bitmaps, and everything that moves pixels between
// surfaces: BitBlt, StretchBlt, StretchDIBits, GetDIBits, SetDIBits and GdiAlphaBlend.
#include "gdi_private.h"

#include <algorithm>
#include <cstring>

namespace zv::gdi {

size_t DibStride(int64_t width, int bits) {
    return size_t(((width * bits + 31) / 32) * 4);
}

namespace {

// Largest pixel block a bitmap may take, so that a hostile size fails cleanly.
constexpr int64_t kMaxBitmapBytes = int64_t(1) << 30;

std::vector<RGBQUAD> DefaultColors(int bits) {
    std::vector<RGBQUAD> t;
    if (bits == 1) {
        t = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    } else if (bits == 4) {
        static const BYTE vga[16][3] = {
            {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
            {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {128, 128, 128},
            {192, 192, 192}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
            {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
        for (auto& e : vga)
            t.push_back(RGBQUAD{e[2], e[1], e[0], 0});
    } else {
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    t.push_back(RGBQUAD{BYTE(b * 51), BYTE(g * 51), BYTE(r * 51), 0});
        for (int i = 0; t.size() < 256; ++i) {
            BYTE v = BYTE(i * 255 / 39);
            t.push_back(RGBQUAD{v, v, v, 0});
        }
    }
    return t;
}

bool FormatOf(int bits, DWORD compression, const DWORD* masks, Fmt* fmt) {
    switch (bits) {
        case 1:
            *fmt = Fmt::Pal1;
            return compression == BI_RGB;
        case 4:
            *fmt = Fmt::Pal4;
            return compression == BI_RGB;
        case 8:
            *fmt = Fmt::Pal8;
            return compression == BI_RGB;
        case 24:
            *fmt = Fmt::Rgb24;
            return compression == BI_RGB;
        case 16:
            if (compression == BI_RGB ||
                (masks[0] == 0x7C00 && masks[1] == 0x3E0 && masks[2] == 0x1F)) {
                *fmt = Fmt::Rgb555;
                return compression == BI_RGB || compression == BI_BITFIELDS;
            }
            if (compression == BI_BITFIELDS && masks[0] == 0xF800 && masks[1] == 0x7E0 &&
                masks[2] == 0x1F) {
                *fmt = Fmt::Rgb565;
                return true;
            }
            return false;
        case 32:
            *fmt = Fmt::Rgb32;
            return compression == BI_RGB || (compression == BI_BITFIELDS && masks[0] == 0xFF0000 &&
                                             masks[1] == 0xFF00 && masks[2] == 0xFF);
    }
    return false;
}

// Reads a BITMAPINFO: format, size, colour table. false for what we cannot draw.
bool ParseInfo(const BITMAPINFO* info, UINT usage, DC* palette_dc, Surface* s, DWORD masks_out[3],
               DWORD* compression_out, bool read_colors = true) {
    if (!info) return false;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 || h.biPlanes != 1)
        return false;
    if (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS) return false;
    DWORD masks[3] = {0, 0, 0};
    const uint8_t* after = reinterpret_cast<const uint8_t*>(info) + h.biSize;
    if (h.biCompression == BI_BITFIELDS) {
        if (h.biSize >= sizeof(BITMAPV4HEADER)) {
            const BITMAPV4HEADER* v4 = reinterpret_cast<const BITMAPV4HEADER*>(info);
            masks[0] = v4->bV4RedMask;
            masks[1] = v4->bV4GreenMask;
            masks[2] = v4->bV4BlueMask;
        } else {
            memcpy(masks, after, sizeof masks);
        }
    }
    Fmt fmt;
    if (!FormatOf(h.biBitCount, h.biCompression, masks, &fmt)) return false;
    int64_t height = h.biHeight < 0 ? -int64_t(h.biHeight) : h.biHeight;
    if (int64_t(DibStride(h.biWidth, h.biBitCount)) * height > kMaxBitmapBytes) return false;
    s->fmt = fmt;
    s->width = h.biWidth;
    s->height = int32_t(height);
    s->colors.clear();
    if (h.biBitCount <= 8) {
        size_t n = size_t(1) << h.biBitCount;
        size_t given = h.biClrUsed ? std::min<size_t>(h.biClrUsed, n) : n;
        s->colors.assign(n, RGBQUAD{0, 0, 0, 0});
        if (!read_colors) {
        } else if (usage == DIB_RGB_COLORS) {
            memcpy(s->colors.data(), after, given * sizeof(RGBQUAD));
        } else {
            const WORD* idx = reinterpret_cast<const WORD*>(after);
            Palette* pal =
                palette_dc ? GetAs<Palette>(palette_dc->palette, Kind::Palette) : nullptr;
            for (size_t i = 0; i < given; ++i) {
                if (pal && idx[i] < pal->entries.size()) {
                    const PALETTEENTRY& e = pal->entries[idx[i]];
                    s->colors[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
                }
            }
        }
        for (RGBQUAD& q : s->colors)
            q.rgbReserved = 0;
    }
    if (masks_out) {
        if (h.biCompression != BI_BITFIELDS) {
            if (h.biBitCount == 16) masks[0] = 0x7C00, masks[1] = 0x3E0, masks[2] = 0x1F;
            if (h.biBitCount == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
        }
        memcpy(masks_out, masks, sizeof masks);
    }
    if (compression_out) *compression_out = h.biCompression;
    return true;
}

// Points a surface at DIB memory laid out as `info` says (bottom-up unless the height is
// negative).
void PlaceRows(Surface* s, uint8_t* base, LONG bi_height, int bits) {
    size_t stride = DibStride(s->width, bits);
    if (bi_height < 0) {
        s->bits = base;
        s->stride = ptrdiff_t(stride);
    } else {
        s->bits = base + ptrdiff_t(stride) * (s->height - 1);
        s->stride = -ptrdiff_t(stride);
    }
}

bool SameColors(const std::vector<RGBQUAD>& a, const std::vector<RGBQUAD>& b) {
    return a.size() == b.size() &&
           (a.empty() || memcmp(a.data(), b.data(), a.size() * sizeof(RGBQUAD)) == 0);
}

// Pixel conversion between two surfaces, with Windows' monochrome rules.
struct Converter {
    const Surface& src;
    const Surface& dst;
    bool identity;
    uint32_t mono0 = 0, mono1 = 0;  // monochrome source: 0 = text colour, 1 = background colour
    COLORREF src_bk = 0;            // colour source onto monochrome: background becomes 1
    uint32_t last_in = 0xFFFFFFFF, last_out = 0;

    Converter(const Surface& s, const Surface& d, COLORREF dst_text, COLORREF dst_bk, COLORREF sbk)
        : src(s), dst(d), src_bk(sbk) {
        identity = s.fmt == d.fmt &&
                   (BitsOf(s.fmt) > 8 || s.fmt == Fmt::Mono || SameColors(s.colors, d.colors));
        if (s.fmt == Fmt::Mono && d.fmt != Fmt::Mono) {
            mono0 = ColorToPixel(d, dst_text);
            mono1 = ColorToPixel(d, dst_bk);
        }
    }
    uint32_t operator()(uint32_t p) {
        if (identity) return p;
        if (src.fmt == Fmt::Mono) return p ? mono1 : mono0;
        if (p == last_in) return last_out;
        COLORREF c = PixelToColor(src, p);
        uint32_t out;
        if (dst.fmt == Fmt::Mono)
            out = (c == (src_bk & 0xFFFFFF)) ? 1 : 0;
        else
            out = ColorToPixel(dst, c);
        last_in = p;
        last_out = out;
        return out;
    }
};

uint32_t Rop3(uint8_t code, uint32_t p, uint32_t s, uint32_t d) {
    switch (code) {
        case 0xCC:
            return s;
        case 0x66:
            return s ^ d;
        case 0x88:
            return s & d;
        case 0xEE:
            return s | d;
        case 0x33:
            return ~s;
        case 0x00:
            return 0;
        case 0xFF:
            return 0xFFFFFFFF;
        case 0x55:
            return ~d;
        case 0xF0:
            return p;
        case 0x5A:
            return p ^ d;
    }
    uint32_t r = 0;
    for (int i = 0; i < 8; ++i)
        if (code & (1 << i)) r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    return r;
}

bool RopUsesSource(DWORD rop) {
    return ((rop >> 2) ^ rop) & 0x330000;
}

struct BltArgs {
    int64_t dx, dy, dw, dh;
    int64_t sx, sy, sw, sh;
    uint8_t code;
    int mode;
};

// The blit engine: dst (clipped by dst.clip) from src (whole surface), nearest-pixel
// stretching (box averaging for HALFTONE when shrinking), mirroring for negative sizes.
void Blt(DC& dst, const Surface* src_in, COLORREF src_bk, BltArgs a) {
    const Surface& ds = *dst.surf;
    if (ds.Empty() || a.dw == 0 || a.dh == 0) return;
    bool flip_x = false, flip_y = false;
    if (a.dw < 0) a.dx += a.dw, a.dw = -a.dw, flip_x = !flip_x;
    if (a.dh < 0) a.dy += a.dh, a.dh = -a.dh, flip_y = !flip_y;
    if (a.sw < 0) a.sx += a.sw, a.sw = -a.sw, flip_x = !flip_x;
    if (a.sh < 0) a.sy += a.sh, a.sh = -a.sh, flip_y = !flip_y;
    IRect vis = Intersect(dst.clip, IRect{a.dx, a.dy, a.dx + a.dw, a.dy + a.dh});
    if (vis.Empty()) return;
    const uint32_t mask = PixelMask(ds);
    const uint32_t pat = BrushVisible(dst) ? ColorToPixel(ds, BrushColor(dst)) : 0;

    if (!src_in) {
        for (int64_t y = vis.top; y < vis.bottom; ++y)
            for (int64_t x = vis.left; x < vis.right; ++x) {
                uint32_t d = ReadPixel(ds, int32_t(x), int32_t(y));
                WritePixel(ds, int32_t(x), int32_t(y), Rop3(a.code, pat, 0, d) & mask);
            }
        return;
    }
    if (a.sw == 0 || a.sh == 0) return;
    // A blit within one surface reads from a copy, so overlapping rectangles work.
    Surface copy;
    std::unique_ptr<uint8_t[]> copy_bits;
    const Surface* src = src_in;
    if (src_in->bits == ds.bits) {
        size_t stride = DibStride(src_in->width, BitsOf(src_in->fmt));
        copy_bits.reset(new uint8_t[stride * size_t(src_in->height)]);
        copy = *src_in;
        copy.bits = copy_bits.get();
        copy.stride = ptrdiff_t(stride);
        for (int32_t y = 0; y < src_in->height; ++y)
            memcpy(copy.Row(y), src_in->Row(y), stride);
        src = &copy;
    }
    Converter conv(*src, ds, dst.text_color, dst.bk_color, src_bk);
    const bool stretch = a.dw != a.sw || a.dh != a.sh;
    const bool average = stretch && dst.stretch_mode == HALFTONE && (a.sw > a.dw || a.sh > a.dh) &&
                         ds.fmt != Fmt::Mono && src->fmt != Fmt::Mono;
    auto map = [](int64_t i, int64_t dn, int64_t sn, bool flip) {
        int64_t o = (dn == sn) ? i : int64_t((__int128(2) * i + 1) * sn / (__int128(2) * dn));
        return flip ? sn - 1 - o : o;
    };
    // Fast path: plain copy between equal formats without stretching.
    if (!stretch && !flip_x && !flip_y && a.code == 0xCC && conv.identity && BitsOf(ds.fmt) >= 8) {
        int bpp = BitsOf(ds.fmt) / 8;
        for (int64_t y = vis.top; y < vis.bottom; ++y) {
            int64_t sy = a.sy + (y - a.dy);
            if (sy < 0 || sy >= src->height) continue;
            int64_t x0 = vis.left, x1 = vis.right;
            int64_t sx0 = a.sx + (x0 - a.dx);
            if (sx0 < 0) x0 -= sx0, sx0 = 0;
            if (sx0 + (x1 - x0) > src->width) x1 = x0 + (src->width - sx0);
            if (x0 >= x1) continue;
            memcpy(ds.Row(y) + x0 * bpp, src->Row(sy) + sx0 * bpp, size_t((x1 - x0) * bpp));
        }
        return;
    }
    for (int64_t y = vis.top; y < vis.bottom; ++y) {
        int64_t sy = a.sy + map(y - a.dy, a.dh, a.sh, flip_y);
        if (sy < 0 || sy >= src->height) continue;
        for (int64_t x = vis.left; x < vis.right; ++x) {
            int64_t sx = a.sx + map(x - a.dx, a.dw, a.sw, flip_x);
            if (sx < 0 || sx >= src->width) continue;
            uint32_t s;
            if (average) {
                // Box filter over the source pixels that fall on this destination pixel.
                int64_t bx0 = int64_t(__int128(x - a.dx) * a.sw / a.dw);
                int64_t bx1 = std::max(bx0 + 1, int64_t(__int128(x - a.dx + 1) * a.sw / a.dw));
                int64_t by0 = int64_t(__int128(y - a.dy) * a.sh / a.dh);
                int64_t by1 = std::max(by0 + 1, int64_t(__int128(y - a.dy + 1) * a.sh / a.dh));
                // Only the part of the box that lies on the source is read.
                auto on_source = [](int64_t& lo, int64_t& hi, int64_t start, int64_t n, bool flip,
                                    int64_t size) {
                    lo = std::max(lo, flip ? start + n - size : -start);
                    hi = std::min(hi, flip ? start + n : size - start);
                };
                on_source(bx0, bx1, a.sx, a.sw, flip_x, src->width);
                on_source(by0, by1, a.sy, a.sh, flip_y, src->height);
                uint64_t r = 0, g = 0, b = 0, n = 0;
                for (int64_t yy = by0; yy < by1; ++yy)
                    for (int64_t xx = bx0; xx < bx1; ++xx) {
                        int64_t px = a.sx + (flip_x ? a.sw - 1 - xx : xx);
                        int64_t py = a.sy + (flip_y ? a.sh - 1 - yy : yy);
                        if (px < 0 || py < 0 || px >= src->width || py >= src->height) continue;
                        COLORREF c = PixelToColor(*src, ReadPixel(*src, int32_t(px), int32_t(py)));
                        r += GetRValue(c), g += GetGValue(c), b += GetBValue(c), ++n;
                    }
                if (!n) continue;
                s = ColorToPixel(ds, RGB((r + n / 2) / n, (g + n / 2) / n, (b + n / 2) / n));
            } else {
                s = conv(ReadPixel(*src, int32_t(sx), int32_t(sy)));
            }
            uint32_t d = a.code == 0xCC ? 0 : ReadPixel(ds, int32_t(x), int32_t(y));
            WritePixel(ds, int32_t(x), int32_t(y), Rop3(a.code, pat, s, d) & mask);
        }
    }
}

HBITMAP NewBitmap(Fmt fmt, int64_t w, int64_t h, std::vector<RGBQUAD> colors) {
    int bits = BitsOf(fmt);
    size_t stride = DibStride(w, bits);
    if (int64_t(stride) * h > kMaxBitmapBytes)
        return Fail(ERROR_NOT_ENOUGH_MEMORY, HBITMAP(nullptr));
    auto b = std::make_unique<Bitmap>();
    b->storage.reset(new uint8_t[stride * size_t(h)]());
    b->surf.fmt = fmt;
    b->surf.width = int32_t(w);
    b->surf.height = int32_t(h);
    b->surf.bits = b->storage.get();
    b->surf.stride = ptrdiff_t(stride);
    b->surf.colors = std::move(colors);
    b->width_bytes = LONG(((w * bits + 15) / 16) * 2);
    return static_cast<HBITMAP>(AddObject(std::move(b)));
}

Fmt FormatOfDc(const DC& dc) {
    if (dc.type == DcType::Memory) return dc.surf->fmt;
    return dc.surf->fmt;
}

}  // namespace

bool DibSurface(const BITMAPINFO* info, const void* bits, UINT usage, DC* palette_dc, Surface* out,
                int64_t* image_bytes) {
    if (!bits) return false;
    if (!ParseInfo(info, usage, palette_dc, out, nullptr, nullptr)) return false;
    PlaceRows(out, static_cast<uint8_t*>(const_cast<void*>(bits)), info->bmiHeader.biHeight,
              info->bmiHeader.biBitCount);
    if (image_bytes)
        *image_bytes = int64_t(DibStride(out->width, info->bmiHeader.biBitCount)) * out->height;
    return true;
}

}  // namespace zv::gdi

using namespace zv::gdi;

extern "C" {

HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int width, int height) {
    return Guard(HBITMAP(nullptr), [&] {
        DC* dc = GetDc(hdc);
        if (!dc) return HBITMAP(nullptr);
        if (width < 0 || height < 0) return Fail(ERROR_INVALID_PARAMETER, HBITMAP(nullptr));
        if (width == 0 || height == 0) return DefaultBitmap();
        Fmt fmt = FormatOfDc(*dc);
        std::vector<RGBQUAD> colors;
        if (BitsOf(fmt) <= 8 && fmt != Fmt::Mono) colors = dc->surf->colors;
        return NewBitmap(fmt, width, height, std::move(colors));
    });
}

HBITMAP WINAPI CreateBitmap(int width, int height, UINT planes, UINT bits_per_pixel,
                            const void* bits) {
    if (width < 0 || height < 0 || planes != 1)
        return Fail(ERROR_INVALID_PARAMETER, HBITMAP(nullptr));
    return Guard(HBITMAP(nullptr), [&] {
        if (width == 0 || height == 0) return DefaultBitmap();
        Fmt fmt;
        switch (bits_per_pixel) {
            case 1:
                fmt = Fmt::Mono;
                break;
            case 16:
                fmt = Fmt::Rgb565;
                break;
            case 24:
                fmt = Fmt::Rgb24;
                break;
            case 32:
                fmt = Fmt::Rgb32;
                break;
            default:
                return Fail(ERROR_INVALID_PARAMETER, HBITMAP(nullptr));
        }
        HBITMAP h = NewBitmap(fmt, width, height, {});
        Bitmap* b = GetAs<Bitmap>(h, Kind::Bitmap);
        if (b && bits) {
            // Device-dependent rows are padded to 16 bits.
            const uint8_t* p = static_cast<const uint8_t*>(bits);
            size_t row = size_t(b->width_bytes);
            size_t copy = std::min(row, DibStride(width, int(bits_per_pixel)));
            for (int y = 0; y < height; ++y)
                memcpy(b->surf.Row(y), p + row * size_t(y), copy);
        }
        return h;
    });
}

HBITMAP WINAPI CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits,
                                HANDLE section, DWORD offset) {
    return Guard(HBITMAP(nullptr), [&]() -> HBITMAP {
        (void)offset;
        if (bits) *bits = nullptr;
        DC* dc = nullptr;
        if (hdc && !(dc = GetDc(hdc))) return nullptr;
        if (usage == DIB_PAL_COLORS && !dc) return Fail(ERROR_INVALID_PARAMETER, HBITMAP(nullptr));
        if (section) return Fail(ERROR_INVALID_PARAMETER, HBITMAP(nullptr));
        auto b = std::make_unique<Bitmap>();
        DWORD masks[3], compression;
        if (!ParseInfo(info, usage, dc, &b->surf, masks, &compression))
            return Fail(ERROR_INVALID_PARAMETER, HBITMAP(nullptr));
        const BITMAPINFOHEADER& h = info->bmiHeader;
        size_t stride = DibStride(h.biWidth, h.biBitCount);
        size_t bytes = stride * size_t(b->surf.height);
        b->storage.reset(new uint8_t[bytes]());
        PlaceRows(&b->surf, b->storage.get(), h.biHeight, h.biBitCount);
        b->is_dib = true;
        b->width_bytes = LONG(stride);
        b->bmih.biSize = sizeof(BITMAPINFOHEADER);
        b->bmih.biWidth = h.biWidth;
        b->bmih.biHeight = h.biHeight;
        b->bmih.biPlanes = 1;
        b->bmih.biBitCount = h.biBitCount;
        b->bmih.biCompression = compression;
        b->bmih.biSizeImage = DWORD(bytes);
        b->bmih.biXPelsPerMeter = h.biXPelsPerMeter;
        b->bmih.biYPelsPerMeter = h.biYPelsPerMeter;
        b->bmih.biClrUsed = DWORD(b->surf.colors.size());
        memcpy(b->bitfields, masks, sizeof masks);
        void* base = b->storage.get();
        HBITMAP hb = static_cast<HBITMAP>(AddObject(std::move(b)));
        if (hb && bits) *bits = base;
        return hb;
    });
}

int WINAPI GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits,
                     LPBITMAPINFO info, UINT usage) {
    return Guard(0, [&]() -> int {
        GDI_TRACE(hdc, "GetDIBits", intptr_t(bitmap), intptr_t(start), intptr_t(lines));
        DC* dc = GetDc(hdc);
        if (!dc) return 0;
        Bitmap* b = GetAs<Bitmap>(bitmap, Kind::Bitmap);
        if (!b) return Fail(ERROR_INVALID_HANDLE, 0);
        if (!info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER))
            return Fail(ERROR_INVALID_PARAMETER, 0);
        if (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS)
            return Fail(ERROR_INVALID_PARAMETER, 0);
        BITMAPINFOHEADER& h = info->bmiHeader;
        const Surface& src = b->surf;
        if (h.biBitCount == 0) {
            // Describe the bitmap.
            if (bits) return Fail(ERROR_INVALID_PARAMETER, 0);
            int bpp = BitsOf(src.fmt);
            h.biWidth = src.width;
            h.biHeight = b->is_dib ? b->bmih.biHeight : src.height;
            h.biPlanes = 1;
            h.biBitCount = WORD(bpp);
            h.biCompression = (src.fmt == Fmt::Rgb565) ? BI_BITFIELDS : BI_RGB;
            h.biSizeImage = DWORD(DibStride(src.width, bpp) * size_t(src.height));
            h.biXPelsPerMeter = h.biYPelsPerMeter = 0;
            h.biClrUsed = h.biClrImportant = 0;
            return 1;
        }
        Surface dst;
        DWORD masks[3];
        DWORD compression;
        LONG want_h = h.biHeight;
        if (!ParseInfo(info, DIB_RGB_COLORS, nullptr, &dst, masks, &compression, false))
            return Fail(ERROR_INVALID_PARAMETER, 0);
        // The colour table the caller gets: the bitmap's own when the depth matches.
        if (h.biBitCount <= 8) {
            size_t n = size_t(1) << h.biBitCount;
            if (BitsOf(src.fmt) == h.biBitCount && src.fmt != Fmt::Mono)
                dst.colors = src.colors;
            else
                dst.colors = DefaultColors(h.biBitCount);
            dst.colors.resize(n, RGBQUAD{0, 0, 0, 0});
            if (usage == DIB_RGB_COLORS)
                memcpy(info->bmiColors, dst.colors.data(), n * sizeof(RGBQUAD));
            else
                for (size_t i = 0; i < n; ++i)
                    reinterpret_cast<WORD*>(info->bmiColors)[i] = WORD(i);
        } else if (compression == BI_BITFIELDS) {
            memcpy(info->bmiColors, masks, sizeof masks);
        }
        h.biSizeImage = DWORD(DibStride(h.biWidth, h.biBitCount) * size_t(dst.height));
        if (!bits) return int(dst.height);
        const int64_t H = dst.height;
        if (start >= H) return 0;
        int64_t n = std::min<int64_t>(lines, H - start);
        if (n <= 0) return 0;
        // The caller's block holds scan lines start .. start + n - 1.
        Surface view = dst;
        view.height = int32_t(n);
        PlaceRows(&view, static_cast<uint8_t*>(bits), want_h, h.biBitCount);
        int64_t first_row =
            want_h < 0 ? int64_t(start) : H - start - n;  // bitmap row of view row 0
        Converter conv(src, view, 0, 0xFFFFFF, 0xFFFFFF);
        int64_t w = std::min<int64_t>(view.width, src.width);
        int copied = 0;
        for (int64_t r = 0; r < n; ++r) {
            int64_t sy = first_row + r;
            if (sy < 0 || sy >= src.height) continue;
            ++copied;
            if (conv.identity && BitsOf(src.fmt) >= 8) {
                memcpy(view.Row(r), src.Row(sy), size_t(w * BitsOf(src.fmt) / 8));
                continue;
            }
            for (int64_t x = 0; x < w; ++x)
                WritePixel(view, int32_t(x), int32_t(r),
                           conv(ReadPixel(src, int32_t(x), int32_t(sy))));
        }
        return copied;
    });
}

int WINAPI SetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, const void* bits,
                     const BITMAPINFO* info, UINT usage) {
    return Guard(0, [&]() -> int {
        DC* dc = nullptr;
        if (hdc && !(dc = GetDc(hdc))) return 0;
        Bitmap* b = GetAs<Bitmap>(bitmap, Kind::Bitmap);
        if (!b) return Fail(ERROR_INVALID_HANDLE, 0);
        if (b->stock) return 0;
        Surface src;
        if (!ParseInfo(info, usage, dc, &src, nullptr, nullptr) || !bits)
            return Fail(ERROR_INVALID_PARAMETER, 0);
        const int64_t H = src.height;
        if (start >= H) return 0;
        int64_t n = std::min<int64_t>(lines, H - start);
        src.height = int32_t(n);
        PlaceRows(&src, static_cast<uint8_t*>(const_cast<void*>(bits)), info->bmiHeader.biHeight,
                  info->bmiHeader.biBitCount);
        int64_t first_row = info->bmiHeader.biHeight < 0 ? int64_t(start) : H - start - n;
        Converter conv(src, b->surf, 0, 0xFFFFFF, 0xFFFFFF);
        int64_t w = std::min<int64_t>(src.width, b->surf.width);
        int copied = 0;
        for (int64_t r = 0; r < n; ++r) {
            int64_t dy = first_row + r;
            if (dy < 0 || dy >= b->surf.height) continue;
            ++copied;
            for (int64_t x = 0; x < w; ++x)
                WritePixel(b->surf, int32_t(x), int32_t(dy),
                           conv(ReadPixel(src, int32_t(x), int32_t(r))));
        }
        return copied;
    });
}

int WINAPI StretchDIBits(HDC hdc, int x_dest, int y_dest, int dest_width, int dest_height,
                         int x_src, int y_src, int src_width, int src_height, const void* bits,
                         const BITMAPINFO* info, UINT usage, DWORD rop) {
    return Guard(0, [&]() -> int {
        GDI_TRACE(hdc, "StretchDIBits", x_dest, y_dest, dest_width, dest_height, x_src, y_src,
                  src_width, src_height, intptr_t(rop));
        DC* dc = GetDc(hdc);
        if (!dc) return 0;
        Surface src;
        if (!DibSurface(info, bits, usage, dc, &src)) return Fail(ERROR_INVALID_PARAMETER, 0);
        // A bottom-up image counts its source rows from the bottom.
        int64_t sy =
            info->bmiHeader.biHeight > 0 ? int64_t(src.height) - y_src - src_height : y_src;
        BltArgs a{x_dest + dc->ox, y_dest + dc->oy, dest_width,         dest_height,     x_src, sy,
                  src_width,       src_height,      uint8_t(rop >> 16), dc->stretch_mode};
        Blt(*dc, RopUsesSource(rop) ? &src : nullptr, 0xFFFFFF, a);
        return dest_height < 0 ? -dest_height : dest_height;
    });
}

namespace {

// The body of BitBlt and StretchBlt, under the caller's guard and after its trace.
BOOL BlitLocked(HDC dest, int x_dest, int y_dest, int dest_width, int dest_height, HDC src,
                int x_src, int y_src, int src_width, int src_height, DWORD rop) {
    DC* d = GetDc(dest);
    if (!d) return FALSE;
    DC* s = nullptr;
    if (RopUsesSource(rop)) {
        s = GetDc(src);
        if (!s) return FALSE;
    }
    BltArgs a{x_dest + d->ox,        y_dest + d->oy,        dest_width, dest_height,
              s ? x_src + s->ox : 0, s ? y_src + s->oy : 0, src_width,  src_height,
              uint8_t(rop >> 16),    d->stretch_mode};
    Blt(*d, s ? s->surf : nullptr, s ? s->bk_color : 0, a);
    return TRUE;
}

}  // namespace

BOOL WINAPI StretchBlt(HDC dest, int x_dest, int y_dest, int dest_width, int dest_height, HDC src,
                       int x_src, int y_src, int src_width, int src_height, DWORD rop) {
    return Guard(FALSE, [&] {
        GDI_TRACE(dest, "StretchBlt", x_dest, y_dest, dest_width, dest_height, intptr_t(src), x_src,
                  y_src, src_width, src_height, intptr_t(rop));
        return BlitLocked(dest, x_dest, y_dest, dest_width, dest_height, src, x_src, y_src,
                          src_width, src_height, rop);
    });
}

BOOL WINAPI BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int x_src, int y_src,
                   DWORD rop) {
    return Guard(FALSE, [&] {
        GDI_TRACE(dest, "BitBlt", x, y, width, height, intptr_t(src), x_src, y_src, intptr_t(rop));
        return BlitLocked(dest, x, y, width, height, src, x_src, y_src, width, height, rop);
    });
}

BOOL WINAPI GdiAlphaBlend(HDC dest, int x_dest, int y_dest, int dest_width, int dest_height,
                          HDC src, int x_src, int y_src, int src_width, int src_height,
                          BLENDFUNCTION blend) {
    GDI_LOCK;
    GDI_TRACE(dest, "AlphaBlend", x_dest, y_dest, dest_width, dest_height, intptr_t(src), x_src,
              y_src, src_width, src_height, blend.SourceConstantAlpha, blend.AlphaFormat);
    DC* d = GetDc(dest);
    DC* s = d ? GetDc(src) : nullptr;
    if (!d || !s) return FALSE;
    const Surface& ss = *s->surf;
    const Surface& ds = *d->surf;
    if (blend.BlendOp != AC_SRC_OVER || dest_width < 0 || dest_height < 0 || src_width < 0 ||
        src_height < 0)
        return Fail(ERROR_INVALID_PARAMETER, FALSE);
    int64_t sx = int64_t(x_src) + s->ox, sy = int64_t(y_src) + s->oy;
    if (sx < 0 || sy < 0 || sx + src_width > ss.width || sy + src_height > ss.height)
        return Fail(ERROR_INVALID_PARAMETER, FALSE);
    const bool per_pixel = blend.AlphaFormat & AC_SRC_ALPHA;
    if (per_pixel && ss.fmt != Fmt::Rgb32) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    if (ds.Empty() || dest_width == 0 || dest_height == 0 || src_width == 0 || src_height == 0)
        return TRUE;
    const int64_t dx = int64_t(x_dest) + d->ox, dy = int64_t(y_dest) + d->oy;
    IRect vis = Intersect(d->clip, IRect{dx, dy, dx + dest_width, dy + dest_height});
    const uint32_t sca = blend.SourceConstantAlpha;
    auto div255 = [](uint32_t v) { return (v + 127) / 255; };
    for (int64_t y = vis.top; y < vis.bottom; ++y) {
        int64_t py = sy + (y - dy) * src_height / dest_height;
        for (int64_t x = vis.left; x < vis.right; ++x) {
            int64_t px = sx + (x - dx) * src_width / dest_width;
            uint32_t sargb = PixelToArgb(ss, ReadPixel(ss, int32_t(px), int32_t(py)));
            uint32_t dargb = PixelToArgb(ds, ReadPixel(ds, int32_t(x), int32_t(y)));
            uint32_t out = 0;
            if (per_pixel) {
                // Premultiplied source: scale it by the constant alpha, then add over.
                uint32_t a = div255(((sargb >> 24) & 0xFF) * sca);
                for (int sh = 0; sh < 32; sh += 8) {
                    uint32_t sc = sh == 24 ? a : div255(((sargb >> sh) & 0xFF) * sca);
                    uint32_t dc = (dargb >> sh) & 0xFF;
                    uint32_t v = std::min<uint32_t>(255, sc + div255(dc * (255 - a)));
                    out |= v << sh;
                }
            } else {
                for (int sh = 0; sh < 32; sh += 8) {
                    uint32_t sc = (sargb >> sh) & 0xFF, dc = (dargb >> sh) & 0xFF;
                    out |= div255(sc * sca + dc * (255 - sca)) << sh;
                }
            }
            if (ds.fmt == Fmt::Rgb32)
                WritePixel(ds, int32_t(x), int32_t(y), out);
            else
                WritePixel(
                    ds, int32_t(x), int32_t(y),
                    ColorToPixel(ds, RGB((out >> 16) & 0xFF, (out >> 8) & 0xFF, out & 0xFF)));
        }
    }
    return TRUE;
}

}  // extern "C"
