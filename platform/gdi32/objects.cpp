// GDI objects: handle tables, stock objects, pens, brushes, fonts, palettes, and the
// selection and deletion rules shared by every kind.
#include "gdi_private.h"

#include <zorvane_test/gdi32.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>

namespace zv::gdi {

std::recursive_mutex& Lock() {
    static std::recursive_mutex* m = new std::recursive_mutex;
    return *m;
}

// Tags 0xA-0xC are GDI's: objects, DCs and icons never pass for one another.
HandleTable<Object>& Objects() {
    static HandleTable<Object>* t = new HandleTable<Object>(0xA);
    return *t;
}
HandleTable<DC>& Dcs() {
    static HandleTable<DC>* t = new HandleTable<DC>(0xB);
    return *t;
}

DC* GetDc(HDC hdc) {
    DC* dc = Dcs().Get(hdc);
    if (!dc) SetLastError(ERROR_INVALID_HANDLE);
    return dc;
}

Object* GetObj(HGDIOBJ h) {
    Object* o = Objects().Get(h);
    if (!o) SetLastError(ERROR_INVALID_HANDLE);
    return o;
}

HGDIOBJ AddObject(std::unique_ptr<Object> obj) {
    uintptr_t h = Objects().Add(std::move(obj));
    if (!h) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return reinterpret_cast<HGDIOBJ>(h);
}

namespace {

size_t g_stock_count = 0;
HGDIOBJ g_stock[DC_PEN + 1] = {};
HGDIOBJ g_default_bitmap = nullptr;

std::unique_ptr<Object> StockPen(UINT style, COLORREF c, bool dc_pen = false) {
    auto p = std::make_unique<Pen>();
    p->style = style;
    p->color = c;
    p->dc_pen = dc_pen;
    return p;
}

std::unique_ptr<Object> StockBrush(UINT style, COLORREF c, bool dc_brush = false) {
    auto b = std::make_unique<Brush>();
    b->style = style;
    b->color = c;
    b->dc_brush = dc_brush;
    return b;
}

std::unique_ptr<Object> StockFont(LONG height, LONG width, LONG weight, BYTE pitch,
                                  const char* face) {
    auto f = std::make_unique<Font>();
    f->lf.lfHeight = height;
    f->lf.lfWidth = width;
    f->lf.lfWeight = weight;
    f->lf.lfCharSet = ANSI_CHARSET;
    f->lf.lfPitchAndFamily = pitch;
    snprintf(f->lf.lfFaceName, LF_FACESIZE, "%s", face);
    ResolveFont(*f);
    return f;
}

std::unique_ptr<Object> StockPalette() {
    auto p = std::make_unique<Palette>();
    static const BYTE vga[20][3] = {
        {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    for (auto& e : vga)
        p->entries.push_back(PALETTEENTRY{e[0], e[1], e[2], 0});
    return p;
}

std::unique_ptr<Object> StockBitmap() {
    auto b = std::make_unique<Bitmap>();
    b->surf.fmt = Fmt::Mono;
    b->surf.width = b->surf.height = 1;
    b->storage.reset(new uint8_t[4]());
    b->surf.bits = b->storage.get();
    b->surf.stride = 4;
    b->width_bytes = 2;
    return b;
}

// The stock objects come all at once or not at all: when memory runs out on the way, what
// was made goes again, the exception goes on to the entry point, and the next use tries
// anew.
void MakeStock() {
    static bool made = false;
    if (made) return;
    HGDIOBJ stock[DC_PEN + 1] = {};
    HGDIOBJ added[DC_PEN + 2] = {};  // the stock objects and the default bitmap
    size_t count = 0;
    struct Undo {
        const HGDIOBJ* added;
        const size_t& count;
        bool keep = false;
        ~Undo() {
            if (!keep)
                for (size_t i = 0; i < count; ++i)
                    Objects().Remove(added[i]);
        }
    } undo{added, count};
    auto add = [&](std::unique_ptr<Object> obj) {
        obj->stock = true;
        HGDIOBJ h = AddObject(std::move(obj));
        if (!h) throw std::bad_alloc();  // a full table leaves them as incomplete
        added[count++] = h;
        return h;
    };
    stock[WHITE_BRUSH] = add(StockBrush(BS_SOLID, 0xFFFFFF));
    stock[LTGRAY_BRUSH] = add(StockBrush(BS_SOLID, 0xC0C0C0));
    stock[GRAY_BRUSH] = add(StockBrush(BS_SOLID, 0x808080));
    stock[DKGRAY_BRUSH] = add(StockBrush(BS_SOLID, 0x404040));
    stock[BLACK_BRUSH] = add(StockBrush(BS_SOLID, 0));
    stock[NULL_BRUSH] = add(StockBrush(BS_NULL, 0));
    stock[WHITE_PEN] = add(StockPen(PS_SOLID, 0xFFFFFF));
    stock[BLACK_PEN] = add(StockPen(PS_SOLID, 0));
    stock[NULL_PEN] = add(StockPen(PS_NULL, 0));
    stock[OEM_FIXED_FONT] = add(StockFont(12, 8, FW_NORMAL, FIXED_PITCH | FF_MODERN, "Terminal"));
    stock[ANSI_FIXED_FONT] = add(StockFont(12, 9, FW_NORMAL, FIXED_PITCH | FF_MODERN, "Courier"));
    stock[ANSI_VAR_FONT] =
        add(StockFont(12, 9, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, "MS Sans Serif"));
    stock[SYSTEM_FONT] = add(StockFont(16, 7, FW_BOLD, VARIABLE_PITCH | FF_SWISS, "System"));
    stock[DEVICE_DEFAULT_FONT] =
        add(StockFont(16, 7, FW_BOLD, VARIABLE_PITCH | FF_SWISS, "System"));
    stock[DEFAULT_PALETTE] = add(StockPalette());
    stock[SYSTEM_FIXED_FONT] = add(StockFont(16, 8, FW_BOLD, FIXED_PITCH | FF_MODERN, "Fixedsys"));
    stock[DEFAULT_GUI_FONT] =
        add(StockFont(-11, 0, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, "MS Shell Dlg"));
    stock[DC_BRUSH] = add(StockBrush(BS_SOLID, 0xFFFFFF, true));
    stock[DC_PEN] = add(StockPen(PS_SOLID, 0, true));
    g_default_bitmap = add(StockBitmap());
    undo.keep = true;
    std::copy(std::begin(stock), std::end(stock), g_stock);
    g_stock_count = count;
    made = true;
}

}  // namespace

HGDIOBJ StockObject(int index) {
    MakeStock();
    if (index < 0 || index > DC_PEN || index == 9) return nullptr;
    return g_stock[index];
}

HBITMAP DefaultBitmap() {
    MakeStock();
    return static_cast<HBITMAP>(g_default_bitmap);
}

bool PenVisible(const DC& dc) {
    const Pen* p = GetAs<Pen>(dc.pen, Kind::Pen);
    return p && p->style != PS_NULL;
}
COLORREF PenColor(const DC& dc) {
    const Pen* p = GetAs<Pen>(dc.pen, Kind::Pen);
    if (!p) return 0;
    return p->dc_pen ? dc.dc_pen_color : p->color;
}
bool BrushVisible(const DC& dc) {
    const Brush* b = GetAs<Brush>(dc.brush, Kind::Brush);
    return b && b->style != BS_NULL;
}
COLORREF BrushColor(const DC& dc) {
    const Brush* b = GetAs<Brush>(dc.brush, Kind::Brush);
    if (!b) return 0;
    return b->dc_brush ? dc.dc_brush_color : b->color;
}

// ---- Trace ------------------------------------------------------------------------------------
namespace {
struct TraceState {
    bool on = false;
    HDC target = nullptr;
    std::vector<zv_test::GdiCall> calls;
};
TraceState& Trace() {
    static TraceState* t = new TraceState;
    return *t;
}
}  // namespace

void TraceCall(HDC hdc, const char* function, std::initializer_list<intptr_t> args) {
    TraceState& t = Trace();
    if (!t.on || (t.target && t.target != hdc)) return;
    // The trace is the tests' record: a call it has no room for is left out, never failed.
    Guarded(0, [&] { t.calls.push_back(zv_test::GdiCall{function, std::vector<intptr_t>(args)}); });
}

}  // namespace zv::gdi

using namespace zv::gdi;

namespace zv_test {

size_t LiveGdiObjectCount() {
    GDI_LOCK;
    MakeStock();
    return Objects().LiveCount() - g_stock_count;
}
size_t GdiHandleCount() {
    GDI_LOCK;
    return Objects().LiveCount();
}
size_t LiveDcCount() {
    GDI_LOCK;
    return Dcs().LiveCount();
}
void StartGdiTrace(HDC hdc) {
    GDI_LOCK;
    Trace().on = true;
    Trace().target = hdc;
    Trace().calls.clear();
}
std::vector<GdiCall> StopGdiTrace() {
    GDI_LOCK;
    Trace().on = false;
    return std::move(Trace().calls);
}
std::string ToString(const GdiCall& call) {
    std::string s = call.function + "(";
    char buf[32];
    for (size_t i = 0; i < call.args.size(); ++i) {
        snprintf(buf, sizeof buf, "%s%#llx", i ? ", " : "", (unsigned long long)call.args[i]);
        s += buf;
    }
    return s + ")";
}
std::string FontFileOf(HFONT font) {
    GDI_LOCK;
    Font* f = GetAs<Font>(font, Kind::Font);
    return f ? f->file : std::string();
}

}  // namespace zv_test

extern "C" {

HPEN WINAPI CreatePen(int style, int width, COLORREF color) {
    if (style < 0 || (style & PS_STYLE_MASK) > PS_INSIDEFRAME)
        return Fail(ERROR_INVALID_PARAMETER, HPEN(nullptr));
    return Guard(HPEN(nullptr), [&] {
        auto p = std::make_unique<Pen>();
        p->style = UINT(style) & PS_STYLE_MASK;
        p->width = width < 0 ? 0 : width;
        p->color = color;
        return static_cast<HPEN>(AddObject(std::move(p)));
    });
}

HPEN WINAPI CreatePenIndirect(const LOGPEN* pen) {
    if (!pen) return Fail(ERROR_INVALID_PARAMETER, HPEN(nullptr));
    return CreatePen(int(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor);
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    return Guard(HBRUSH(nullptr), [&] {
        auto b = std::make_unique<Brush>();
        b->color = color;
        return static_cast<HBRUSH>(AddObject(std::move(b)));
    });
}

HBRUSH WINAPI CreateBrushIndirect(const LOGBRUSH* brush) {
    if (!brush) return Fail(ERROR_INVALID_PARAMETER, HBRUSH(nullptr));
    if (brush->lbStyle == BS_NULL)
        return Guard(HBRUSH(nullptr), [] { return static_cast<HBRUSH>(StockObject(NULL_BRUSH)); });
    // Hatches and patterns are drawn as their solid colour.
    return CreateSolidBrush(brush->lbColor);
}

HFONT WINAPI CreateFontIndirectA(const LOGFONTA* lf) {
    if (!lf) return Fail(ERROR_INVALID_PARAMETER, HFONT(nullptr));
    return Guard(HFONT(nullptr), [&] {
        auto f = std::make_unique<Font>();
        f->lf = *lf;
        f->lf.lfFaceName[LF_FACESIZE - 1] = 0;
        ResolveFont(*f);
        return static_cast<HFONT>(AddObject(std::move(f)));
    });
}

HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight,
                         DWORD italic, DWORD underline, DWORD strike_out, DWORD char_set,
                         DWORD out_precision, DWORD clip_precision, DWORD quality,
                         DWORD pitch_and_family, LPCSTR face_name) {
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = BYTE(italic);
    lf.lfUnderline = BYTE(underline);
    lf.lfStrikeOut = BYTE(strike_out);
    lf.lfCharSet = BYTE(char_set);
    lf.lfOutPrecision = BYTE(out_precision);
    lf.lfClipPrecision = BYTE(clip_precision);
    lf.lfQuality = BYTE(quality);
    lf.lfPitchAndFamily = BYTE(pitch_and_family);
    if (face_name) snprintf(lf.lfFaceName, LF_FACESIZE, "%s", face_name);
    return CreateFontIndirectA(&lf);
}

HPALETTE WINAPI CreatePalette(const LOGPALETTE* palette) {
    if (!palette || palette->palVersion != 0x300 || palette->palNumEntries == 0)
        return Fail(ERROR_INVALID_PARAMETER, HPALETTE(nullptr));
    return Guard(HPALETTE(nullptr), [&] {
        auto p = std::make_unique<Palette>();
        p->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
        return static_cast<HPALETTE>(AddObject(std::move(p)));
    });
}

UINT WINAPI GetPaletteEntries(HPALETTE palette, UINT start, UINT count, LPPALETTEENTRY entries) {
    GDI_LOCK;
    Palette* p = GetAs<Palette>(palette, Kind::Palette);
    if (!p) return Fail(ERROR_INVALID_HANDLE, 0u);
    UINT n = UINT(p->entries.size());
    if (!entries) return n;
    if (start >= n) return 0;
    if (count > n - start) count = n - start;
    memcpy(entries, p->entries.data() + start, count * sizeof(PALETTEENTRY));
    return count;
}

HGDIOBJ WINAPI GetStockObject(int index) {
    return Guard(HGDIOBJ(nullptr), [&] { return StockObject(index); });
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ object) {
    GDI_LOCK;
    GDI_TRACE(hdc, "SelectObject", intptr_t(object));
    DC* dc = GetDc(hdc);
    if (!dc) return nullptr;
    Object* o = GetObj(object);
    if (!o) return nullptr;
    HGDIOBJ* slot = nullptr;
    switch (o->kind) {
        case Kind::Pen:
            slot = &dc->pen;
            break;
        case Kind::Brush:
            slot = &dc->brush;
            break;
        case Kind::Font:
            slot = &dc->font;
            break;
        case Kind::Palette:
            return Fail(ERROR_INVALID_PARAMETER, HGDIOBJ(nullptr));
        case Kind::Bitmap: {
            if (dc->type != DcType::Memory) return Fail(ERROR_INVALID_PARAMETER, HGDIOBJ(nullptr));
            Bitmap* b = static_cast<Bitmap*>(o);
            if (object == dc->bitmap) return object;
            // A bitmap lives in one DC at a time (the stock 1 x 1 bitmap excepted).
            if (!b->stock && b->selected_in) return Fail(ERROR_INVALID_PARAMETER, HGDIOBJ(nullptr));
            HGDIOBJ old = dc->bitmap;
            if (Bitmap* ob = GetAs<Bitmap>(old, Kind::Bitmap)) {
                --ob->selected;
                if (!ob->stock) ob->selected_in = nullptr;
            }
            ++b->selected;
            if (!b->stock) b->selected_in = hdc;
            dc->bitmap = object;
            AttachBitmap(*dc, b);
            return old;
        }
    }
    HGDIOBJ old = *slot;
    if (old == object) return old;
    if (Object* oo = Objects().Get(old)) --oo->selected;
    ++o->selected;
    *slot = object;
    return old;
}

HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type) {
    GDI_LOCK;
    DC* dc = GetDc(hdc);
    if (!dc) return nullptr;
    switch (type) {
        case OBJ_PEN:
            return dc->pen;
        case OBJ_BRUSH:
            return dc->brush;
        case OBJ_FONT:
            return dc->font;
        case OBJ_BITMAP:
            return dc->bitmap;
        case OBJ_PAL:
            return dc->palette;
    }
    return Fail(ERROR_INVALID_PARAMETER, HGDIOBJ(nullptr));
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    GDI_LOCK;
    Object* o = GetObj(object);
    if (!o) return FALSE;
    if (o->stock) return TRUE;
    // An object still selected into a DC is not deleted.
    if (o->selected > 0) return FALSE;
    Objects().Remove(object);
    return TRUE;
}

int WINAPI GetObjectA(HANDLE object, int size, LPVOID buffer) {
    GDI_LOCK;
    Object* o = Objects().Get(object);
    if (!o) return Fail(ERROR_INVALID_HANDLE, 0);
    if (size < 0) return Fail(ERROR_INVALID_PARAMETER, 0);
    auto put = [&](const void* data, int n, bool partial_ok) -> int {
        if (!buffer) return n;
        if (size < n) {
            if (!partial_ok) return Fail(ERROR_INSUFFICIENT_BUFFER, 0);
            n = size;
        }
        memcpy(buffer, data, size_t(n));
        return n;
    };
    switch (o->kind) {
        case Kind::Pen: {
            const Pen* p = static_cast<Pen*>(o);
            LOGPEN lp{p->style, {p->width, 0}, p->color};
            return put(&lp, sizeof lp, false);
        }
        case Kind::Brush: {
            const Brush* b = static_cast<Brush*>(o);
            LOGBRUSH lb{b->style, b->color, 0};
            return put(&lb, sizeof lb, false);
        }
        case Kind::Font:
            return put(&static_cast<Font*>(o)->lf, sizeof(LOGFONTA), true);
        case Kind::Palette: {
            WORD n = WORD(static_cast<Palette*>(o)->entries.size());
            return put(&n, sizeof n, false);
        }
        case Kind::Bitmap: {
            const Bitmap* b = static_cast<Bitmap*>(o);
            DIBSECTION ds{};
            ds.dsBm.bmType = 0;
            ds.dsBm.bmWidth = b->surf.width;
            ds.dsBm.bmHeight = b->surf.height;
            ds.dsBm.bmWidthBytes = b->width_bytes;
            ds.dsBm.bmPlanes = 1;
            ds.dsBm.bmBitsPixel = WORD(BitsOf(b->surf.fmt));
            ds.dsBm.bmBits =
                b->is_dib ? (b->surf.stride < 0 ? b->surf.Row(b->surf.height - 1) : b->surf.bits)
                          : nullptr;
            if (!buffer) return b->is_dib ? int(sizeof(DIBSECTION)) : int(sizeof(BITMAP));
            if (b->is_dib && size >= int(sizeof(DIBSECTION))) {
                ds.dsBmih = b->bmih;
                memcpy(ds.dsBitfields, b->bitfields, sizeof ds.dsBitfields);
                memcpy(buffer, &ds, sizeof ds);
                return sizeof ds;
            }
            if (size < int(sizeof(BITMAP))) return Fail(ERROR_INSUFFICIENT_BUFFER, 0);
            memcpy(buffer, &ds.dsBm, sizeof(BITMAP));
            return sizeof(BITMAP);
        }
    }
    return 0;
}

DWORD WINAPI GetObjectType(HGDIOBJ object) {
    GDI_LOCK;
    if (Object* o = Objects().Get(object)) return DWORD(o->kind);
    if (DC* dc = Dcs().Get(object)) return dc->type == DcType::Memory ? OBJ_MEMDC : OBJ_DC;
    return Fail(ERROR_INVALID_HANDLE, DWORD(0));
}

HPALETTE WINAPI SelectPalette(HDC hdc, HPALETTE palette, BOOL force_background) {
    (void)force_background;
    GDI_LOCK;
    GDI_TRACE(hdc, "SelectPalette", intptr_t(palette), force_background);
    DC* dc = GetDc(hdc);
    if (!dc) return nullptr;
    Palette* p = GetAs<Palette>(palette, Kind::Palette);
    if (!p) return Fail(ERROR_INVALID_HANDLE, HPALETTE(nullptr));
    HGDIOBJ old = dc->palette;
    if (Object* oo = Objects().Get(old)) --oo->selected;
    ++p->selected;
    dc->palette = palette;
    return static_cast<HPALETTE>(old);
}

UINT WINAPI RealizePalette(HDC hdc) {
    GDI_LOCK;
    GDI_TRACE(hdc, "RealizePalette");
    DC* dc = GetDc(hdc);
    if (!dc) return GDI_ERROR;
    // A true-colour device has no system palette to map entries into.
    return 0;
}

}  // extern "C"
