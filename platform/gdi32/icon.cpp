// Icons as far as drawing goes: CreateIconIndirect copies the two bitmaps, DrawIconEx
// draws with the mask (or with the colour image's alpha when it has one), DestroyIcon.
#include "gdi_private.h"

#include <zorvane_test/gdi32.h>

#include <algorithm>

namespace zv::gdi {
namespace {

struct Icon {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> color;  // 0xAARRGGBB per pixel, top row first
    std::vector<uint8_t> mask;    // 1 keeps the destination
    bool has_alpha = false;
    bool has_color = false;
};

HandleTable<Icon>& Icons() {
    static HandleTable<Icon>* t = new HandleTable<Icon>(0xC);
    return *t;
}

}  // namespace
}  // namespace zv::gdi

using namespace zv::gdi;

size_t zv_test::LiveIconCount() {
    GDI_LOCK;
    return Icons().LiveCount();
}

extern "C" {

HICON WINAPI CreateIconIndirect(PICONINFO info) {
    return Guard(HICON(nullptr), [&]() -> HICON {
        if (!info) return Fail(ERROR_INVALID_PARAMETER, HICON(nullptr));
        Bitmap* mask = GetAs<Bitmap>(info->hbmMask, Kind::Bitmap);
        if (!mask) return Fail(ERROR_INVALID_PARAMETER, HICON(nullptr));
        Bitmap* color = info->hbmColor ? GetAs<Bitmap>(info->hbmColor, Kind::Bitmap) : nullptr;
        if (info->hbmColor && !color) return Fail(ERROR_INVALID_PARAMETER, HICON(nullptr));
        auto icon = std::make_unique<Icon>();
        const Surface& ms = mask->surf;
        icon->width = ms.width;
        // Without a colour bitmap the mask holds the AND half above the XOR half.
        icon->height = color ? std::min(color->surf.height, ms.height) : ms.height / 2;
        if (color) icon->width = std::min(color->surf.width, ms.width);
        if (icon->width <= 0 || icon->height <= 0)
            return Fail(ERROR_INVALID_PARAMETER, HICON(nullptr));
        size_t n = size_t(icon->width) * size_t(icon->height);
        icon->color.resize(n);
        icon->mask.resize(n);
        icon->has_color = color != nullptr;
        for (int32_t y = 0; y < icon->height; ++y)
            for (int32_t x = 0; x < icon->width; ++x) {
                size_t i = size_t(y) * size_t(icon->width) + size_t(x);
                icon->mask[i] = PixelToColor(ms, ReadPixel(ms, x, y)) != 0 ? 1 : 0;
                if (color) {
                    const Surface& cs = color->surf;
                    uint32_t p = ReadPixel(cs, x, y);
                    icon->color[i] = PixelToArgb(cs, p);
                    if (cs.fmt == Fmt::Rgb32 && (p >> 24)) icon->has_alpha = true;
                } else {
                    icon->color[i] =
                        PixelToColor(ms, ReadPixel(ms, x, y + icon->height)) ? 0xFFFFFF : 0;
                }
            }
        uintptr_t h = Icons().Add(std::move(icon));
        if (!h) return Fail(ERROR_NOT_ENOUGH_MEMORY, HICON(nullptr));
        return reinterpret_cast<HICON>(h);
    });
}

BOOL WINAPI DestroyIcon(HICON icon) {
    GDI_LOCK;
    if (!Icons().Remove(icon)) return Fail(ERROR_INVALID_CURSOR_HANDLE, FALSE);
    return TRUE;
}

BOOL WINAPI DrawIconEx(HDC hdc, int x, int y, HICON icon, int width, int height, UINT step,
                       HBRUSH flicker_free_brush, UINT flags) {
    (void)step;
    (void)flicker_free_brush;
    GDI_LOCK;
    GDI_TRACE(hdc, "DrawIconEx", x, y, intptr_t(icon), width, height, intptr_t(flags));
    DC* dc = GetDc(hdc);
    if (!dc) return FALSE;
    Icon* ic = Icons().Get(icon);
    if (!ic) return Fail(ERROR_INVALID_CURSOR_HANDLE, FALSE);
    if (!(flags & DI_NORMAL)) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    if (width == 0) width = (flags & DI_DEFAULTSIZE) ? 32 : ic->width;
    if (height == 0) height = (flags & DI_DEFAULTSIZE) ? 32 : ic->height;
    if (width < 0 || height < 0) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    const Surface& s = *dc->surf;
    if (s.Empty()) return TRUE;
    int64_t dx = int64_t(x) + dc->ox, dy = int64_t(y) + dc->oy;
    IRect vis = Intersect(dc->clip, IRect{dx, dy, dx + width, dy + height});
    for (int64_t py = vis.top; py < vis.bottom; ++py) {
        int64_t iy = (py - dy) * ic->height / height;
        for (int64_t px = vis.left; px < vis.right; ++px) {
            int64_t ix = (px - dx) * ic->width / width;
            size_t i = size_t(iy) * size_t(ic->width) + size_t(ix);
            COLORREF d = PixelToColor(s, ReadPixel(s, int32_t(px), int32_t(py)));
            uint32_t c = ic->color[i];
            uint32_t cr = (c >> 16) & 0xFF, cg = (c >> 8) & 0xFF, cb = c & 0xFF;
            uint32_t r = GetRValue(d), g = GetGValue(d), b = GetBValue(d);
            if (ic->has_alpha && (flags & DI_IMAGE)) {
                uint32_t a = c >> 24;
                r = (cr * a + r * (255 - a) + 127) / 255;
                g = (cg * a + g * (255 - a) + 127) / 255;
                b = (cb * a + b * (255 - a) + 127) / 255;
            } else {
                if (flags & DI_MASK) {
                    if (!ic->mask[i]) r = g = b = 0;
                }
                if (flags & DI_IMAGE) {
                    if (flags & DI_MASK) {
                        r ^= cr, g ^= cg, b ^= cb;
                    } else {
                        r = cr, g = cg, b = cb;
                    }
                }
            }
            WritePixel(s, int32_t(px), int32_t(py), ColorToPixel(s, RGB(r, g, b)));
        }
    }
    return TRUE;
}

}  // extern "C"
