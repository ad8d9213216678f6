// Text through FreeType: fonts resolved to Debian's DejaVu files at run time, measured
// with Windows' cell metrics, drawn without anti-aliasing (monochrome glyphs) in the
// text colour, with an opaque background box, alignment, TA_UPDATECP and escapement.
#include "gdi_private.h"

#include <zorvane_test/gdi32.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>

namespace zv::gdi {
namespace {

std::vector<std::string>& FontDirs() {
    static std::vector<std::string>* dirs = new std::vector<std::string>{
        "/usr/share/fonts/truetype/dejavu/", "/usr/share/fonts/dejavu/", "/usr/share/fonts/TTF/",
        "/usr/local/share/fonts/"};
    return *dirs;
}

bool Exists(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    fclose(f);
    return true;
}

std::string FindFile(const std::string& name) {
    for (const std::string& dir : FontDirs()) {
        std::string p = dir + name;
        if (Exists(p)) return p;
    }
    return {};
}

struct FontLibrary {
    FT_Library lib = nullptr;
    std::map<std::string, FT_Face> faces;
};

FontLibrary& Library() {
    static FontLibrary* l = [] {
        auto* fl = new FontLibrary;
        if (FT_Init_FreeType(&fl->lib) != 0) fl->lib = nullptr;
        return fl;
    }();
    return *l;
}

FT_Face FaceFor(const std::string& file) {
    FontLibrary& l = Library();
    if (!l.lib || file.empty()) return nullptr;
    // The entry comes first, so that running out of memory cannot lose an opened face.
    auto [it, added] = l.faces.try_emplace(file, nullptr);
    if (added && FT_New_Face(l.lib, file.c_str(), 0, &it->second) != 0) it->second = nullptr;
    return it->second;
}

// Cell metrics of a font at its requested height.
struct Metrics {
    FT_Face face = nullptr;
    double em = 16;  // pixels per em
    int ascent = 13, descent = 3;
    int internal_leading = 0, external_leading = 0;
    int ave_width = 7, max_width = 14;
};

Metrics MetricsOf(const Font& f) {
    Metrics m;
    FT_Face face = FaceFor(f.file);
    // Heights beyond what any screen shows are drawn at the largest size we render.
    constexpr int64_t kMaxHeight = 2048;
    int64_t h = f.lf.lfHeight;
    if (h == 0) h = 16;
    h = std::clamp<int64_t>(h, -kMaxHeight, kMaxHeight);
    if (!face) {
        int cell = int(h < 0 ? -h * 4 / 3 : h);
        m.ascent = cell * 13 / 16;
        m.descent = cell - m.ascent;
        m.em = h < 0 ? double(-h) : cell * 0.8;
        return m;
    }
    m.face = face;
    const double upem = face->units_per_EM ? face->units_per_EM : 2048;
    const TT_OS2* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    double win_asc = os2 ? os2->usWinAscent : face->ascender;
    double win_desc = os2 ? os2->usWinDescent : -face->descender;
    if (win_asc + win_desc <= 0) win_asc = upem * 0.8, win_desc = upem * 0.2;
    if (h < 0) {
        m.em = -double(h);
        m.ascent = int(std::lround(win_asc * m.em / upem));
        m.descent = int(std::lround(win_desc * m.em / upem));
    } else {
        m.em = h * upem / (win_asc + win_desc);
        m.ascent = int(std::lround(win_asc * m.em / upem));
        m.descent = int(h) - m.ascent;
    }
    m.internal_leading = std::max(0, m.ascent + m.descent - int(std::lround(m.em)));
    const TT_HoriHeader* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    if (hhea) {
        double gap = hhea->Line_Gap - ((win_asc + win_desc) - (hhea->Ascender - hhea->Descender));
        m.external_leading = std::max(0, int(std::lround(gap * m.em / upem)));
    }
    m.ave_width =
        os2 ? std::max(1, int(std::lround(os2->xAvgCharWidth * m.em / upem))) : int(m.em / 2);
    m.max_width = std::max(1, int(std::lround(face->max_advance_width * m.em / upem)));
    FT_Set_Char_Size(face, 0, FT_F26Dot6(std::lround(m.em * 64)), 72, 72);
    return m;
}

// Windows-1252 to Unicode for the bytes of an ANSI string.
FT_ULong CharOf(unsigned char c) {
    static const uint16_t k80[32] = {0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021,
                                     0x2C6,  0x2030, 0x160,  0x2039, 0x152,  0x8D,   0x17D,  0x8F,
                                     0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};
    return (c >= 0x80 && c < 0xA0) ? k80[c - 0x80] : c;
}

constexpr FT_Int32 kLoadFlags = FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME;

void SetTransform(FT_Face face, double angle, bool italic) {
    // Rotation by the escapement, after an optional slant for fonts without an italic file.
    double c = std::cos(angle), s = std::sin(angle), sh = italic ? 0.2 : 0.0;
    FT_Matrix mat;
    mat.xx = FT_Fixed(std::lround(c * 65536));
    mat.xy = FT_Fixed(std::lround((c * sh - s) * 65536));
    mat.yx = FT_Fixed(std::lround(s * 65536));
    mat.yy = FT_Fixed(std::lround((s * sh + c) * 65536));
    FT_Vector delta{0, 0};
    FT_Set_Transform(face, &mat, &delta);
}

int TextWidth(const Metrics& m, const Font& f, const char* text, int len) {
    if (!m.face) return len * m.ave_width;
    SetTransform(m.face, 0, false);
    (void)f;
    int w = 0;
    for (int i = 0; i < len; ++i) {
        if (FT_Load_Char(m.face, CharOf(static_cast<unsigned char>(text[i])), kLoadFlags) != 0)
            continue;
        w += int((m.face->glyph->advance.x + 32) >> 6);
    }
    return w;
}

std::string Lower(const char* s) {
    std::string out;
    for (; *s; ++s)
        out += char(std::tolower(static_cast<unsigned char>(*s)));
    return out;
}

Font* FontOf(DC& dc) {
    Font* f = GetAs<Font>(dc.font, Kind::Font);
    return f ? f : GetAs<Font>(StockObject(SYSTEM_FONT), Kind::Font);
}

}  // namespace

bool ResolveFont(Font& font) {
    const LOGFONTA& lf = font.lf;
    std::string face = Lower(lf.lfFaceName);
    int family = lf.lfPitchAndFamily & 0xF0;
    bool mono =
        (lf.lfPitchAndFamily & 3) == FIXED_PITCH || family == FF_MODERN ||
        face.find("mono") != std::string::npos || face.find("courier") != std::string::npos ||
        face.find("consol") != std::string::npos || face.find("fixed") != std::string::npos ||
        face.find("terminal") != std::string::npos;
    bool serif =
        !mono &&
        (family == FF_ROMAN || face.find("times") != std::string::npos ||
         face.find("roman") != std::string::npos || face.find("georgia") != std::string::npos ||
         (face.find("serif") != std::string::npos && face.find("sans") == std::string::npos));
    bool bold = lf.lfWeight >= FW_SEMIBOLD;
    bool italic = lf.lfItalic != 0;
    std::string base = mono ? "DejaVuSansMono" : serif ? "DejaVuSerif" : "DejaVuSans";
    std::string slant = serif ? "Italic" : "Oblique";
    std::string style = bold ? (italic ? "-Bold" + slant : "-Bold") : (italic ? "-" + slant : "");
    font.file = FindFile(base + style + ".ttf");
    font.synthetic_italic = false;
    if (font.file.empty() && italic) {
        font.file = FindFile(base + (bold ? "-Bold" : "") + ".ttf");
        font.synthetic_italic = !font.file.empty();
    }
    if (font.file.empty()) font.file = FindFile(base + ".ttf");
    if (font.file.empty()) font.file = FindFile("DejaVuSans.ttf");
    return !font.file.empty();
}

void ReleaseFonts() {}

}  // namespace zv::gdi

using namespace zv::gdi;

void zv_test::SetFontDirectories(const std::vector<std::string>& dirs) {
    GDI_LOCK;
    FontDirs() = dirs;
    for (std::string& d : FontDirs())
        if (!d.empty() && d.back() != '/') d += '/';
}

std::vector<std::string> zv_test::FontDirectories() {
    GDI_LOCK;
    return FontDirs();
}

extern "C" {

BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR text, int length, LPSIZE size) {
    return Guard(FALSE, [&]() -> BOOL {
        GDI_TRACE(hdc, "GetTextExtentPoint32A", length);
        DC* dc = GetDc(hdc);
        if (!dc) return FALSE;
        if (!size || length < 0 || (!text && length > 0))
            return Fail(ERROR_INVALID_PARAMETER, FALSE);
        Font* f = FontOf(*dc);
        if (!f) return FALSE;
        Metrics m = MetricsOf(*f);
        size->cx = TextWidth(m, *f, text, length);
        size->cy = m.ascent + m.descent;
        return TRUE;
    });
}

BOOL WINAPI GetTextMetricsA(HDC hdc, LPTEXTMETRICA tm) {
    return Guard(FALSE, [&]() -> BOOL {
        GDI_TRACE(hdc, "GetTextMetricsA");
        DC* dc = GetDc(hdc);
        if (!dc) return FALSE;
        if (!tm) return Fail(ERROR_INVALID_PARAMETER, FALSE);
        Font* f = FontOf(*dc);
        if (!f) return FALSE;
        Metrics m = MetricsOf(*f);
        *tm = TEXTMETRICA{};
        tm->tmHeight = m.ascent + m.descent;
        tm->tmAscent = m.ascent;
        tm->tmDescent = m.descent;
        tm->tmInternalLeading = m.internal_leading;
        tm->tmExternalLeading = m.external_leading;
        tm->tmAveCharWidth = m.ave_width;
        tm->tmMaxCharWidth = m.max_width;
        tm->tmWeight = f->lf.lfWeight ? f->lf.lfWeight : FW_NORMAL;
        tm->tmDigitizedAspectX = tm->tmDigitizedAspectY = 96;
        tm->tmFirstChar = 0x1E;
        tm->tmLastChar = 0xFF;
        tm->tmDefaultChar = 0x1F;
        tm->tmBreakChar = 0x20;
        tm->tmItalic = f->lf.lfItalic ? 255 : 0;
        tm->tmUnderlined = f->lf.lfUnderline ? 255 : 0;
        tm->tmStruckOut = f->lf.lfStrikeOut ? 255 : 0;
        bool fixed = f->file.find("Mono") != std::string::npos;
        // TMPF_FIXED_PITCH set means a variable-pitch font, as Windows has it.
        tm->tmPitchAndFamily = BYTE((fixed ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE |
                                    (f->lf.lfPitchAndFamily & 0xF0));
        tm->tmCharSet = f->lf.lfCharSet;
        return TRUE;
    });
}

BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR text, int length) {
    return Guard(FALSE, [&]() -> BOOL {
        GDI_TRACE(hdc, "TextOutA", x, y, length);
        DC* dc = GetDc(hdc);
        if (!dc) return FALSE;
        if (length < 0 || (!text && length > 0)) return Fail(ERROR_INVALID_PARAMETER, FALSE);
        Font* f = FontOf(*dc);
        if (!f) return FALSE;
        Metrics m = MetricsOf(*f);
        const int width = TextWidth(m, *f, text, length);
        const bool update_cp = dc->text_align & TA_UPDATECP;
        double px = update_cp ? dc->cp.x : x, py = update_cp ? dc->cp.y : y;
        const double angle = f->lf.lfEscapement * M_PI / 1800.0;
        const double ux = std::cos(angle), uy = -std::sin(angle);  // along the text
        const double vx = -uy, vy = ux;                            // down the glyphs
        const UINT h_align = dc->text_align & TA_CENTER, v_align = dc->text_align & TA_BASELINE;
        double shift = h_align == TA_RIGHT ? -width : h_align == TA_CENTER ? -width / 2.0 : 0;
        double down = v_align == TA_BASELINE ? 0 : v_align == TA_BOTTOM ? -m.descent : m.ascent;
        // Origin of the baseline, in logical coordinates.
        double bx = px + ux * shift + vx * down, by = py + uy * shift + vy * down;

        const Surface& s = *dc->surf;
        if (dc->bk_mode == OPAQUE && f->lf.lfEscapement == 0 && length > 0) {
            int64_t left = std::llround(bx), top = std::llround(by) - m.ascent;
            FillLogicalRect(*dc, left, top, left + width, top + m.ascent + m.descent, dc->bk_color,
                            R2_COPYPEN);
        }
        if (m.face && !s.Empty()) {
            const uint32_t pixel = ColorToPixel(s, dc->text_color);
            SetTransform(m.face, angle, f->synthetic_italic);
            double pen_x = bx + dc->ox, pen_y = by + dc->oy;
            for (int i = 0; i < length; ++i) {
                if (FT_Load_Char(m.face, CharOf(static_cast<unsigned char>(text[i])),
                                 kLoadFlags | FT_LOAD_RENDER) != 0)
                    continue;
                FT_GlyphSlot g = m.face->glyph;
                const FT_Bitmap& bm = g->bitmap;
                int64_t gx = std::llround(pen_x) + g->bitmap_left,
                        gy = std::llround(pen_y) - g->bitmap_top;
                for (unsigned row = 0; row < bm.rows; ++row) {
                    int64_t yy = gy + row;
                    if (yy < dc->clip.top || yy >= dc->clip.bottom) continue;
                    const unsigned char* bits = bm.buffer + ptrdiff_t(row) * bm.pitch;
                    for (unsigned col = 0; col < bm.width; ++col) {
                        bool on = bm.pixel_mode == FT_PIXEL_MODE_MONO
                                      ? (bits[col >> 3] >> (7 - (col & 7))) & 1
                                      : bits[col] >= 128;
                        int64_t xx = gx + col;
                        if (on && xx >= dc->clip.left && xx < dc->clip.right)
                            WritePixel(s, int32_t(xx), int32_t(yy), pixel);
                    }
                }
                if (f->lf.lfEscapement == 0) {
                    pen_x += double((g->advance.x + 32) >> 6);
                } else {
                    pen_x += g->advance.x / 64.0;
                    pen_y -= g->advance.y / 64.0;
                }
            }
            SetTransform(m.face, 0, false);
        }
        if (update_cp && h_align == TA_LEFT) {
            dc->cp.x = LONG(std::lround(px + ux * width));
            dc->cp.y = LONG(std::lround(py + uy * width));
        } else if (update_cp && h_align == TA_RIGHT) {
            dc->cp.x = LONG(std::lround(px - ux * width));
            dc->cp.y = LONG(std::lround(py - uy * width));
        }
        return TRUE;
    });
}

}  // extern "C"
