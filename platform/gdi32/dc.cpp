// Device contexts: memory DCs, DCs over caller-owned pixel buffers, the screen and window
// DCs of GetDC, and the attributes that every drawing call reads.
#include "gdi_private.h"

#include <utility>

#include "gdi_window_dc.h"

namespace zv::gdi {

void SetDcSurface(DC& dc, const Surface& s, const IRect* clip, int64_t ox, int64_t oy) {
    dc.own = s;
    dc.surf = &dc.own;
    IRect bounds{0, 0, s.bits ? s.width : 0, s.bits ? s.height : 0};
    dc.clip = clip ? Intersect(*clip, bounds) : bounds;
    dc.ox = ox;
    dc.oy = oy;
}

void AttachBitmap(DC& dc, Bitmap* bmp) {
    dc.surf = &bmp->surf;
    dc.clip = IRect{0, 0, bmp->surf.width, bmp->surf.height};
    dc.ox = dc.oy = 0;
}

namespace {

WindowSurfaceProvider g_provider = {};

void SelectDefaults(DC& dc) {
    dc.pen = StockObject(BLACK_PEN);
    dc.brush = StockObject(WHITE_BRUSH);
    dc.font = StockObject(SYSTEM_FONT);
    dc.palette = StockObject(DEFAULT_PALETTE);
    for (HGDIOBJ h : {dc.pen, dc.brush, dc.font, dc.palette})
        if (Object* o = Objects().Get(h)) ++o->selected;
}

void DeselectAll(DC& dc) {
    for (HGDIOBJ h : {dc.pen, dc.brush, dc.font, dc.palette})
        if (Object* o = Objects().Get(h)) --o->selected;
    if (Bitmap* b = GetAs<Bitmap>(dc.bitmap, Kind::Bitmap)) {
        --b->selected;
        if (!b->stock) b->selected_in = nullptr;
    }
}

bool SurfaceFromBuffer(const PixelBuffer& buf, Surface* s) {
    if (buf.width < 0 || buf.height < 0) return false;
    if ((buf.width > 0 && buf.height > 0) && !buf.bits) return false;
    Surface out;
    int bytes = 4;
    switch (buf.format) {
        case BufferFormat::P8:
            out.fmt = Fmt::Pal8;
            bytes = 1;
            out.colors.resize(256);
            for (int i = 0; i < 256; ++i)
                out.colors[i] =
                    buf.palette ? buf.palette[i] : RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
            break;
        case BufferFormat::X1R5G5B5:
            out.fmt = Fmt::Rgb555;
            bytes = 2;
            break;
        case BufferFormat::R5G6B5:
            out.fmt = Fmt::Rgb565;
            bytes = 2;
            break;
        case BufferFormat::R8G8B8:
            out.fmt = Fmt::Rgb24;
            bytes = 3;
            break;
        case BufferFormat::X8R8G8B8:
        case BufferFormat::A8R8G8B8:
            out.fmt = Fmt::Rgb32;
            break;
        default:
            return false;
    }
    int64_t need = int64_t(buf.width) * bytes;
    if (buf.height > 1 && (buf.pitch < 0 ? -int64_t(buf.pitch) : int64_t(buf.pitch)) < need)
        return false;
    out.bits = static_cast<uint8_t*>(buf.bits);
    out.stride = buf.pitch;
    out.width = buf.width;
    out.height = buf.height;
    *s = std::move(out);
    return true;
}

HDC NewDc(std::unique_ptr<DC> dc) {
    uintptr_t h = Dcs().Add(std::move(dc));
    if (!h) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return reinterpret_cast<HDC>(h);
}

}  // namespace

}  // namespace zv::gdi

using namespace zv::gdi;

namespace zv {

HDC CreateBufferDC(const PixelBuffer& buffer, const RECT* clip, POINT origin) {
    return Guard(HDC(nullptr), [&] {
        Surface s;
        if (!SurfaceFromBuffer(buffer, &s)) return Fail(ERROR_INVALID_PARAMETER, HDC(nullptr));
        auto dc = std::make_unique<DC>();
        dc->type = DcType::Buffer;
        IRect c;
        if (clip) c = IRect{clip->left, clip->top, clip->right, clip->bottom};
        SetDcSurface(*dc, s, clip ? &c : nullptr, origin.x, origin.y);
        SelectDefaults(*dc);
        return NewDc(std::move(dc));
    });
}

bool RetargetBufferDC(HDC hdc, const PixelBuffer& buffer, const RECT* clip, POINT origin) {
    return Guard(false, [&] {
        DC* dc = GetDc(hdc);
        if (!dc || dc->type != DcType::Buffer) return false;
        Surface s;
        if (!SurfaceFromBuffer(buffer, &s)) return false;
        IRect c;
        if (clip) c = IRect{clip->left, clip->top, clip->right, clip->bottom};
        SetDcSurface(*dc, s, clip ? &c : nullptr, origin.x, origin.y);
        return true;
    });
}

void SetWindowSurfaceProvider(const WindowSurfaceProvider* provider) {
    GDI_LOCK;
    g_provider = provider ? *provider : WindowSurfaceProvider{};
}

bool GetWindowSurface(HWND hwnd, WindowSurface* surface) {
    GDI_LOCK;
    return hwnd && surface && g_provider.surface &&
           g_provider.surface(hwnd, surface, g_provider.context);
}

void ShowDrawnWindowSurfaces() {
    WindowSurfaceProvider provider;
    {
        GDI_LOCK;
        provider = g_provider;
    }
    // Outside GDI's lock, as when the message fetch shows them: showing takes the window
    // system's locks and reaches the display.
    if (provider.show_drawn) provider.show_drawn(provider.context);
}

}  // namespace zv

namespace {

// One attribute of a DC, for its Get and Set calls. A bad handle gives `failure`; a Set
// whose value is out of range fails with ERROR_INVALID_PARAMETER and changes nothing;
// otherwise a Set gives the value it replaced.
template <class T>
T GetAttribute(HDC hdc, T DC::*attribute, T failure) {
    GDI_LOCK;
    DC* dc = GetDc(hdc);
    return dc ? dc->*attribute : failure;
}

// Called under the lock, after the call's trace.
template <class T>
T SetAttribute(HDC hdc, T DC::*attribute, T value, T failure, bool valid = true) {
    DC* dc = GetDc(hdc);
    if (!dc) return failure;
    if (!valid) return Fail(ERROR_INVALID_PARAMETER, failure);
    return std::exchange(dc->*attribute, value);
}

}  // namespace

extern "C" {

HDC WINAPI CreateCompatibleDC(HDC hdc) {
    return Guard(HDC(nullptr), [&] {
        if (hdc && !GetDc(hdc)) return HDC(nullptr);
        auto dc = std::make_unique<DC>();
        dc->type = DcType::Memory;
        SelectDefaults(*dc);
        HBITMAP bmp = DefaultBitmap();
        Bitmap* b = GetAs<Bitmap>(bmp, Kind::Bitmap);
        dc->bitmap = bmp;
        ++b->selected;
        AttachBitmap(*dc, b);
        return NewDc(std::move(dc));
    });
}

BOOL WINAPI DeleteDC(HDC hdc) {
    GDI_LOCK;
    DC* dc = GetDc(hdc);
    if (!dc) return FALSE;
    DeselectAll(*dc);
    Dcs().Remove(hdc);
    return TRUE;
}

HDC WINAPI GetDC(HWND hwnd) {
    return Guard(HDC(nullptr), [&] {
        zv::WindowSurface ws{};
        bool have = g_provider.surface && g_provider.surface(hwnd, &ws, g_provider.context);
        if (!have && hwnd) return Fail(ERROR_INVALID_WINDOW_HANDLE, HDC(nullptr));
        auto dc = std::make_unique<DC>();
        dc->type = hwnd ? DcType::Buffer : DcType::Screen;
        dc->from_get_dc = true;
        dc->hwnd = hwnd;
        Surface s;
        if (have && SurfaceFromBuffer(ws.buffer, &s)) {
            IRect c{ws.clip.left, ws.clip.top, ws.clip.right, ws.clip.bottom};
            SetDcSurface(*dc, s, &c, ws.origin.x, ws.origin.y);
        } else if (hwnd) {
            return Fail(ERROR_INVALID_WINDOW_HANDLE, HDC(nullptr));
        } else {
            SetDcSurface(*dc, Surface{}, nullptr, 0, 0);
        }
        SelectDefaults(*dc);
        return NewDc(std::move(dc));
    });
}

int WINAPI ReleaseDC(HWND hwnd, HDC hdc) {
    GDI_LOCK;
    DC* dc = Dcs().Get(hdc);
    if (!dc || !dc->from_get_dc || dc->hwnd != hwnd) return 0;
    DeselectAll(*dc);
    Dcs().Remove(hdc);
    return 1;
}

int WINAPI GetDeviceCaps(HDC hdc, int index) {
    GDI_LOCK;
    DC* dc = GetDc(hdc);
    if (!dc) return 0;
    int bits = dc->type == DcType::Memory ? 32 : BitsOf(dc->surf->fmt);
    switch (index) {
        case TECHNOLOGY:
            return DT_RASDISPLAY;
        case HORZRES:
            return dc->surf->width;
        case VERTRES:
            return dc->surf->height;
        case BITSPIXEL:
            return bits;
        case PLANES:
            return 1;
        case NUMCOLORS:
            return bits <= 8 ? (1 << bits) : -1;
        case RASTERCAPS:
            return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT |
                   RC_STRETCHDIB | (bits <= 8 ? RC_PALETTE : 0);
        case LOGPIXELSX:
        case LOGPIXELSY:
            return 96;
        case SIZEPALETTE:
            return bits <= 8 ? (1 << bits) : 0;
        case COLORRES:
            return bits <= 8 ? 18 : 24;
        case VREFRESH:
            return 60;
    }
    return 0;
}

BOOL WINAPI GdiFlush(void) {
    return TRUE;
}

int WINAPI SetROP2(HDC hdc, int rop2) {
    GDI_LOCK;
    GDI_TRACE(hdc, "SetROP2", rop2);
    return SetAttribute(hdc, &DC::rop2, rop2, 0, rop2 >= R2_BLACK && rop2 <= R2_WHITE);
}

int WINAPI GetROP2(HDC hdc) {
    return GetAttribute(hdc, &DC::rop2, 0);
}

int WINAPI SetBkMode(HDC hdc, int mode) {
    GDI_LOCK;
    GDI_TRACE(hdc, "SetBkMode", mode);
    return SetAttribute(hdc, &DC::bk_mode, mode, 0, mode == TRANSPARENT || mode == OPAQUE);
}

int WINAPI GetBkMode(HDC hdc) {
    return GetAttribute(hdc, &DC::bk_mode, 0);
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    GDI_LOCK;
    GDI_TRACE(hdc, "SetBkColor", intptr_t(color));
    return SetAttribute(hdc, &DC::bk_color, color, CLR_INVALID);
}

COLORREF WINAPI GetBkColor(HDC hdc) {
    return GetAttribute(hdc, &DC::bk_color, CLR_INVALID);
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
    GDI_LOCK;
    GDI_TRACE(hdc, "SetTextColor", intptr_t(color));
    return SetAttribute(hdc, &DC::text_color, color, CLR_INVALID);
}

COLORREF WINAPI GetTextColor(HDC hdc) {
    return GetAttribute(hdc, &DC::text_color, CLR_INVALID);
}

UINT WINAPI SetTextAlign(HDC hdc, UINT align) {
    GDI_LOCK;
    GDI_TRACE(hdc, "SetTextAlign", intptr_t(align));
    return SetAttribute(hdc, &DC::text_align, align & TA_MASK, UINT(GDI_ERROR));
}

UINT WINAPI GetTextAlign(HDC hdc) {
    return GetAttribute(hdc, &DC::text_align, UINT(GDI_ERROR));
}

int WINAPI SetStretchBltMode(HDC hdc, int mode) {
    GDI_LOCK;
    GDI_TRACE(hdc, "SetStretchBltMode", mode);
    return SetAttribute(hdc, &DC::stretch_mode, mode, 0, mode >= BLACKONWHITE && mode <= HALFTONE);
}

int WINAPI GetStretchBltMode(HDC hdc) {
    return GetAttribute(hdc, &DC::stretch_mode, 0);
}

COLORREF WINAPI SetDCBrushColor(HDC hdc, COLORREF color) {
    GDI_LOCK;
    return SetAttribute(hdc, &DC::dc_brush_color, color, CLR_INVALID);
}

COLORREF WINAPI SetDCPenColor(HDC hdc, COLORREF color) {
    GDI_LOCK;
    return SetAttribute(hdc, &DC::dc_pen_color, color, CLR_INVALID);
}

BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT previous) {
    GDI_LOCK;
    GDI_TRACE(hdc, "MoveToEx", x, y);
    DC* dc = GetDc(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->cp;
    dc->cp = POINT{x, y};
    return TRUE;
}

BOOL WINAPI GetCurrentPositionEx(HDC hdc, LPPOINT point) {
    GDI_LOCK;
    DC* dc = GetDc(hdc);
    if (!dc) return FALSE;
    if (!point) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    *point = dc->cp;
    return TRUE;
}

}  // extern "C"
