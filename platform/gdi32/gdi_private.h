// Inside GDI32: objects, device contexts and the pixel surfaces they draw on.
//
// Every API entry takes the one GDI lock (a recursive mutex) for its whole duration,
// validates its handles through the handle tables, and never lets an exception out: the
// entries that can allocate run through Guard.
// Coordinates inside the library are 64-bit so that shapes given near the 32-bit limits
// can be clipped without overflow.
#pragma once

#include <windows.h>

#include "api_guard.h"
#include "gdi_buffer_dc.h"
#include "handle_table.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zv::gdi {

// ---- Pixel surfaces ---------------------------------------------------------------------
enum class Fmt : uint8_t {
    Mono,  // 1 bit, device-dependent monochrome: 0 black, 1 white
    Pal1,  // 1, 4, 8 bits with a colour table
    Pal4,
    Pal8,
    Rgb555,
    Rgb565,
    Rgb24,
    Rgb32,
};

int BitsOf(Fmt f);

struct Surface {
    uint8_t* bits = nullptr;  // top row
    ptrdiff_t stride = 0;     // bytes from row y to row y + 1
    int32_t width = 0;
    int32_t height = 0;
    Fmt fmt = Fmt::Rgb32;
    std::vector<RGBQUAD> colors;  // colour table of the palette formats

    uint8_t* Row(int64_t y) const { return bits + ptrdiff_t(y) * stride; }
    bool Empty() const { return !bits || width <= 0 || height <= 0; }
};

// Colour value (0x00BBGGRR) to the surface's pixel value, and back.
uint32_t ColorToPixel(const Surface& s, COLORREF c);
COLORREF PixelToColor(const Surface& s, uint32_t p);
uint32_t ReadPixel(const Surface& s, int32_t x, int32_t y);
void WritePixel(const Surface& s, int32_t x, int32_t y, uint32_t p);
uint32_t PixelMask(const Surface& s);
// A pixel as 0xAARRGGBB: a 32-bit surface's pixel as it is (alpha byte kept), any other
// format's through its colour, with alpha 0.
inline uint32_t PixelToArgb(const Surface& s, uint32_t p) {
    if (s.fmt == Fmt::Rgb32) return p;
    COLORREF c = PixelToColor(s, p);
    return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
}

// A raster operation reduced to "new = (old & and) ^ xor" for one pen or brush pixel.
struct Mix {
    uint32_t and_mask;
    uint32_t xor_mask;
    bool Copy() const { return and_mask == 0; }
};
Mix MixFor(int rop2, uint32_t pixel, uint32_t mask);

// Fills pixels [x0, x1) of row y (already clipped) with a mix.
void FillSpan(const Surface& s, int32_t y, int32_t x0, int32_t x1, const Mix& m);
void MixPixel(const Surface& s, int32_t x, int32_t y, const Mix& m);

struct IRect {
    int64_t left = 0, top = 0, right = 0, bottom = 0;
    bool Empty() const { return left >= right || top >= bottom; }
};
IRect Intersect(const IRect& a, const IRect& b);

// ---- Objects --------------------------------------------------------------------------------
enum class Kind : uint8_t {
    Pen = OBJ_PEN,
    Brush = OBJ_BRUSH,
    Font = OBJ_FONT,
    Bitmap = OBJ_BITMAP,
    Palette = OBJ_PAL
};

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Kind kind;
    bool stock = false;
    int selected = 0;  // number of DCs that have it selected
};

struct Pen : Object {
    Pen() : Object(Kind::Pen) {}
    UINT style = PS_SOLID;
    int32_t width = 0;
    COLORREF color = 0;
    bool dc_pen = false;  // the DC_PEN stock object: colour comes from the DC
};

struct Brush : Object {
    Brush() : Object(Kind::Brush) {}
    UINT style = BS_SOLID;
    COLORREF color = 0;
    bool dc_brush = false;
};

struct FontFace;  // text.cpp
struct Font : Object {
    Font() : Object(Kind::Font) {}
    LOGFONTA lf{};
    std::string file;  // the font file chosen for it, "" when none
    bool synthetic_italic = false;
};

struct Palette : Object {
    Palette() : Object(Kind::Palette) {}
    std::vector<PALETTEENTRY> entries;
};

struct Bitmap : Object {
    Bitmap() : Object(Kind::Bitmap) {}
    Surface surf;
    std::unique_ptr<uint8_t[]> storage;
    bool is_dib = false;
    BITMAPINFOHEADER bmih{};  // for DIB sections, as GetObjectA reports it
    DWORD bitfields[3] = {0, 0, 0};
    LONG width_bytes = 0;
    HDC selected_in = nullptr;
};

// ---- Device contexts ------------------------------------------------------------------------
enum class DcType : uint8_t { Memory, Buffer, Screen };

struct DC {
    DcType type = DcType::Memory;
    bool from_get_dc = false;
    HWND hwnd = nullptr;
    Surface own;             // buffer and screen DCs: the memory drawn on
    Surface* surf = &own;    // memory DCs: the selected bitmap's surface
    IRect clip;              // in surface pixels
    int64_t ox = 0, oy = 0;  // surface position of logical (0, 0)

    HGDIOBJ pen = nullptr, brush = nullptr, font = nullptr, bitmap = nullptr, palette = nullptr;
    COLORREF text_color = 0;
    COLORREF bk_color = 0xFFFFFF;
    int bk_mode = OPAQUE;
    int rop2 = R2_COPYPEN;
    UINT text_align = 0;
    int stretch_mode = BLACKONWHITE;
    POINT cp{0, 0};
    COLORREF dc_brush_color = 0xFFFFFF;
    COLORREF dc_pen_color = 0;
};

// The lock every entry takes.
std::recursive_mutex& Lock();
#define GDI_LOCK std::lock_guard<std::recursive_mutex> gdi_lock_(::zv::gdi::Lock())

// Runs the body of an entry point that can allocate, under the lock. When memory runs
// out, the call fails with `failure` and ERROR_NOT_ENOUGH_MEMORY (api_guard.h).
template <class R, class Body>
R Guard(R failure, Body&& body) {
    return Guarded(failure, ERROR_NOT_ENOUGH_MEMORY, [&]() -> R {
        GDI_LOCK;
        return body();
    });
}

HandleTable<Object>& Objects();
HandleTable<DC>& Dcs();

// Handle lookups that set ERROR_INVALID_HANDLE on failure.
DC* GetDc(HDC hdc);
Object* GetObj(HGDIOBJ h);
template <class T>
T* GetAs(HGDIOBJ h, Kind k) {
    Object* o = Objects().Get(h);
    return (o && o->kind == k) ? static_cast<T*>(o) : nullptr;
}

HGDIOBJ StockObject(int index);
HBITMAP DefaultBitmap();  // the 1 x 1 monochrome bitmap of a new memory DC
HGDIOBJ AddObject(std::unique_ptr<Object> obj);

// Recomputes a memory DC's surface and clip after a bitmap was selected.
void AttachBitmap(DC& dc, Bitmap* bmp);
void SetDcSurface(DC& dc, const Surface& s, const IRect* clip, int64_t ox, int64_t oy);

// Effective colours of the selected pen/brush (DC_PEN and DC_BRUSH take the DC's).
bool PenVisible(const DC& dc);
COLORREF PenColor(const DC& dc);
bool BrushVisible(const DC& dc);
COLORREF BrushColor(const DC& dc);

// Records a call on a traced DC.
void TraceCall(HDC hdc, const char* function, std::initializer_list<intptr_t> args);
#define GDI_TRACE(hdc, name, ...) ::zv::gdi::TraceCall(hdc, name, {__VA_ARGS__})

using zv::Fail;

// Pixel conversions used by blits (bitmap.cpp).
struct SurfaceView {
    Surface surf;
    std::unique_ptr<uint8_t[]> temp;
};
// A surface over packed DIB bits described by `info` (no copy); false when the header is
// not one we can read. `lines` limits the rows (0 = all); `palette_dc` resolves DIB_PAL_COLORS.
bool DibSurface(const BITMAPINFO* info, const void* bits, UINT usage, DC* palette_dc, Surface* out,
                int64_t* image_bytes = nullptr);
size_t DibStride(int64_t width, int bits);

// Fills a logical rectangle of a DC with a colour through a ROP2 (rasterizer.cpp).
void FillLogicalRect(DC& dc, int64_t l, int64_t t, int64_t r, int64_t b, COLORREF color, int rop2);
// A FillRect brush given as COLOR_xxx + 1.
bool SysColorBrush(HBRUSH brush, COLORREF* color);

// Fonts (text.cpp).
bool ResolveFont(Font& font);
void ReleaseFonts();

}  // namespace zv::gdi
