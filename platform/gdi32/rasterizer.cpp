// The rasteriser: lines, rectangles, ellipses, rounded rectangles, pixels, flood fill and
// the rectangle fills of FillRect and PatBlt, with Windows' pixel rules.
//
// Shapes are rasterised as the DIB engine of Windows does it for a cosmetic pen:
// - Lines are Bresenham lines that exclude their last pixel; ties between two minor
//   positions are broken by the octant (octants 3, 5, 6 and 8 round up), so a line and
//   its reverse can differ by a pixel, as on Windows.
// - Rectangle draws its outline as the closed polyline through (right-1, bottom-1),
//   (left, bottom-1), (left, top), (right-1, top); the brush fills strictly inside it.
// - Ellipse and RoundRect build the first quadrant of the (corner) ellipse with the
//   integer midpoint recurrence on the inclusive box (width-1 by height-1), mirror it
//   into the other quadrants, and draw the closed polyline through those points; the
//   interior is the rounded-rectangle region of the same recurrence. Corners of 2
//   pixels or less degrade to Rectangle.
// Every span is clipped against the DC's clip rectangle before a pixel is touched, and
// the loops run over visible pixels only, so coordinates near the 32-bit limits cost no
// more than small ones.
#include "gdi_private.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "system_colors.h"

namespace zv::gdi {
namespace {

struct P {
    int64_t x, y;
};

struct Span {
    int64_t y, x0, x1;  // [x0, x1)
};

// Sends clipped spans to a drawing mix.
struct DrawSink {
    const Surface& s;
    Mix mix;
    void operator()(int64_t y, int64_t x0, int64_t x1) const {
        FillSpan(s, int32_t(y), int32_t(x0), int32_t(x1), mix);
    }
};

// Keeps clipped spans, to draw them once each later.
struct CollectSink {
    std::vector<Span>* spans;
    void operator()(int64_t y, int64_t x0, int64_t x1) const { spans->push_back(Span{y, x0, x1}); }
};

template <class Sink>
void ClippedSpan(const IRect& clip, int64_t y, int64_t x0, int64_t x1, const Sink& sink) {
    if (y < clip.top || y >= clip.bottom) return;
    x0 = std::max(x0, clip.left);
    x1 = std::min(x1, clip.right);
    if (x0 < x1) sink(y, x0, x1);
}

// The pixels [*lo, *hi) of a straight run from `from` to `to` without its last pixel: a
// run drawn backwards leaves out its lower end.
void RunWithoutLast(int64_t from, int64_t to, int64_t* lo, int64_t* hi) {
    if (from <= to) {
        *lo = from;
        *hi = to;
    } else {
        *lo = to + 1;
        *hi = from + 1;
    }
}

// A line from a to b without its last pixel.
template <class Sink>
void Line(const IRect& clip, P a, P b, const Sink& sink) {
    if (clip.Empty()) return;
    if (a.y == b.y) {
        int64_t x0, x1;
        RunWithoutLast(a.x, b.x, &x0, &x1);
        ClippedSpan(clip, a.y, x0, x1, sink);
        return;
    }
    if (a.x == b.x) {
        int64_t y0, y1;
        RunWithoutLast(a.y, b.y, &y0, &y1);
        if (a.x < clip.left || a.x >= clip.right) return;
        y0 = std::max(y0, clip.top);
        y1 = std::min(y1, clip.bottom);
        for (int64_t y = y0; y < y1; ++y)
            sink(y, a.x, a.x + 1);
        return;
    }
    int64_t dx = b.x - a.x, dy = b.y - a.y;
    int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    int octant;
    if (dy > 0) {
        if (dx > 0)
            octant = adx > ady ? 1 : 2;
        else
            octant = adx > ady ? 4 : 3;
    } else {
        if (dx < 0)
            octant = adx > ady ? 5 : 6;
        else
            octant = adx > ady ? 8 : 7;
    }
    const int64_t bias = (octant == 3 || octant == 5 || octant == 6 || octant == 8) ? 1 : 0;
    const bool x_major = octant == 1 || octant == 4 || octant == 5 || octant == 8;
    const int64_t dmaj = x_major ? adx : ady, dmin = x_major ? ady : adx;
    const int64_t maj0 = x_major ? a.x : a.y, min0 = x_major ? a.y : a.x;
    const int64_t maj_inc = (x_major ? dx : dy) > 0 ? 1 : -1;
    const int64_t min_inc = (x_major ? dy : dx) > 0 ? 1 : -1;
    const int64_t cmaj0 = x_major ? clip.left : clip.top,
                  cmaj1 = x_major ? clip.right : clip.bottom;
    const int64_t cmin0 = x_major ? clip.top : clip.left,
                  cmin1 = x_major ? clip.bottom : clip.right;

    // Steps m in [0, dmaj) whose major coordinate lies inside the clip.
    int64_t m0, m1;
    if (maj_inc > 0) {
        m0 = cmaj0 - maj0;
        m1 = cmaj1 - 1 - maj0;
    } else {
        m0 = maj0 - (cmaj1 - 1);
        m1 = maj0 - cmaj0;
    }
    m0 = std::max<int64_t>(m0, 0);
    m1 = std::min<int64_t>(m1, dmaj - 1);
    if (m0 > m1) return;

    // Minor steps taken before step m: the recurrence rounded to nearest, ties by bias.
    __int128 num = __int128(2) * m0 * dmin + dmaj - (bias ? 0 : 1);
    int64_t n = int64_t(num / (__int128(2) * dmaj));
    int64_t err =
        int64_t(__int128(2) * dmin - dmaj + __int128(2) * m0 * dmin - __int128(2) * n * dmaj);
    int64_t maj = maj0 + maj_inc * m0, mn = min0 + min_inc * n;
    for (int64_t m = m0; m <= m1; ++m) {
        if (mn >= cmin0 && mn < cmin1) {
            if (x_major)
                sink(mn, maj, maj + 1);
            else
                sink(maj, mn, mn + 1);
        } else if ((min_inc > 0 && mn >= cmin1) || (min_inc < 0 && mn < cmin0)) {
            break;  // the line has left the clip for good
        }
        if (err + bias > 0) {
            mn += min_inc;
            err += 2 * dmin - 2 * dmaj;
        } else {
            err += 2 * dmin;
        }
        maj += maj_inc;
    }
}

template <class Sink>
void ClosedPolyline(const IRect& clip, const std::vector<P>& pts, const Sink& sink) {
    if (pts.empty()) return;
    for (size_t i = 0; i + 1 < pts.size(); ++i)
        Line(clip, pts[i], pts[i + 1], sink);
    Line(clip, pts.back(), pts.front(), sink);
}

// Sorts spans and merges overlaps, so that each pixel appears once.
void Normalise(std::vector<Span>& spans) {
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.y != b.y ? a.y < b.y : a.x0 < b.x0; });
    size_t out = 0;
    for (size_t i = 0; i < spans.size(); ++i) {
        if (out && spans[out - 1].y == spans[i].y && spans[i].x0 <= spans[out - 1].x1) {
            spans[out - 1].x1 = std::max(spans[out - 1].x1, spans[i].x1);
        } else {
            spans[out++] = spans[i];
        }
    }
    spans.resize(out);
}

// Fills [x0, x1) of row y except the pixels of the (normalised) outline spans.
void FillExcept(const Surface& s, const IRect& clip, int64_t y, int64_t x0, int64_t x1,
                const std::vector<Span>& outline, const Mix& mix) {
    if (y < clip.top || y >= clip.bottom) return;
    x0 = std::max(x0, clip.left);
    x1 = std::min(x1, clip.right);
    if (x0 >= x1) return;
    auto it = std::lower_bound(outline.begin(), outline.end(), y,
                               [](const Span& sp, int64_t yy) { return sp.y < yy; });
    int64_t x = x0;
    for (; it != outline.end() && it->y == y && x < x1; ++it) {
        if (it->x1 <= x) continue;
        if (it->x0 > x) FillSpan(s, int32_t(y), int32_t(x), int32_t(std::min(it->x0, x1)), mix);
        x = std::max(x, it->x1);
    }
    if (x < x1) FillSpan(s, int32_t(y), int32_t(x), int32_t(x1), mix);
}

struct Shape {
    DC& dc;
    const Surface& s;
    IRect clip;
    bool pen, brush;
    Mix pen_mix{0, 0}, brush_mix{0, 0};

    explicit Shape(DC& d) : dc(d), s(*d.surf), clip(d.clip) {
        pen = PenVisible(dc);
        brush = BrushVisible(dc);
        uint32_t mask = PixelMask(s);
        if (pen) pen_mix = MixFor(dc.rop2, ColorToPixel(s, PenColor(dc)), mask);
        if (brush) brush_mix = MixFor(dc.rop2, ColorToPixel(s, BrushColor(dc)), mask);
        if (s.Empty()) clip = IRect{};
    }
};

// Fills a clipped block; whole rows of a 32-bit surface without padding go in one fill.
void FillBlock(const Surface& s, const IRect& vis, const Mix& m) {
    if (vis.Empty()) return;
    if (m.Copy() && s.fmt == Fmt::Rgb32 && vis.left == 0 && vis.right == s.width &&
        s.stride == ptrdiff_t(s.width) * 4 &&
        int64_t(s.width) * (vis.bottom - vis.top) < INT32_MAX) {
        FillSpan(s, int32_t(vis.top), 0, int32_t(int64_t(s.width) * (vis.bottom - vis.top)), m);
        return;
    }
    for (int64_t y = vis.top; y < vis.bottom; ++y)
        FillSpan(s, int32_t(y), int32_t(vis.left), int32_t(vis.right), m);
}

void DrawRectangle(DC& dc, int64_t l, int64_t t, int64_t r, int64_t b) {
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    if (l == r || t == b) return;
    Shape sh(dc);
    if (sh.clip.Empty()) return;
    const int64_t r2 = r - 1, b2 = b - 1;
    IRect inner = sh.pen ? IRect{l + 1, t + 1, r2, b2} : IRect{l, t, r2, b2};
    IRect vis = Intersect(sh.clip, IRect{l, t, r, b});
    if (vis.Empty()) return;

    if (sh.pen && sh.brush && sh.pen_mix.Copy() && sh.brush_mix.Copy() &&
        sh.pen_mix.xor_mask == sh.brush_mix.xor_mask) {
        // Outline and inside in one colour: the box is one solid block of rows.
        FillBlock(sh.s, vis, sh.pen_mix);
        return;
    }
    if (sh.brush) {
        IRect in = Intersect(sh.clip, inner);
        for (int64_t y = in.top; y < in.bottom; ++y)
            FillSpan(sh.s, int32_t(y), int32_t(in.left), int32_t(in.right), sh.brush_mix);
    }
    if (!sh.pen) return;
    std::vector<P> pts{{r2, b2}, {l, b2}, {l, t}, {r2, t}};
    if (r - l >= 2 && b - t >= 2) {
        // The four sides share no pixel: draw them straight.
        ClosedPolyline(sh.clip, pts, DrawSink{sh.s, sh.pen_mix});
        return;
    }
    std::vector<Span> spans;
    ClosedPolyline(sh.clip, pts, CollectSink{&spans});
    Normalise(spans);
    for (const Span& sp : spans)
        FillSpan(sh.s, int32_t(sp.y), int32_t(sp.x0), int32_t(sp.x1), sh.pen_mix);
}

void FirstQuadrant(int64_t width, int64_t height, std::vector<P>& out) {
    const int64_t a = width - 1, b = height - 1;
    const int64_t asq = 8 * a * a, bsq = 8 * b * b;
    int64_t dx = 4 * b * b * (1 - a), dy = 4 * a * a * (1 + (b % 2));
    int64_t err = dx + dy + a * a * (b % 2);
    P pt{a, height / 2};
    while (pt.x >= width / 2) {
        int64_t e2 = 2 * err;
        out.push_back(pt);
        if (e2 >= dx) {
            pt.x--;
            err += dx += bsq;
        }
        if (e2 <= dy) {
            pt.y++;
            err += dy += asq;
        }
    }
    // A narrow ellipse runs out of columns before it reaches its top row: finish the tip
    // straight up, so the outline touches the box like every other ellipse.
    if (!out.empty()) {
        const int64_t tip_x = out.back().x;
        for (int64_t y = out.back().y + 1; y <= b; ++y)
            out.push_back(P{tip_x, y});
    }
}

// Rows of the rounded-rectangle interior: for each row, [x0, x1).
struct RowSpan {
    int64_t top, bottom, x0, x1;
};

std::vector<RowSpan> RoundRectRows(int64_t l, int64_t t, int64_t r, int64_t b, int64_t ew,
                                   int64_t eh) {
    std::vector<RowSpan> rows(size_t(eh), RowSpan{0, 0, 0, 0});
    const int64_t a = ew - 1, bb = eh - 1;
    const int64_t asq = 8 * a * a, bsq = 8 * bb * bb;
    int64_t dx = 4 * bb * bb * (1 - a), dy = 4 * a * a * (1 + (bb % 2));
    int64_t err = dx + dy + a * a * (bb % 2);
    int64_t x = 0, y = eh / 2;
    rows[size_t(y)].x0 = l;
    rows[size_t(y)].x1 = r;
    while (x <= ew / 2) {
        int64_t e2 = 2 * err;
        if (e2 >= dx) {
            x++;
            err += dx += bsq;
        }
        if (e2 <= dy) {
            y++;
            err += dy += asq;
            if (y >= eh) break;
            rows[size_t(y)].x0 = l + x;
            rows[size_t(y)].x1 = r - x;
        }
    }
    for (++y; y < eh; ++y) {  // the tip of a narrow ellipse
        rows[size_t(y)].x0 = l + (ew - 1) / 2;
        rows[size_t(y)].x1 = r - (ew - 1) / 2;
    }
    int64_t i = 0;
    for (; i < eh / 2; ++i) {
        rows[size_t(i)].x0 = rows[size_t(bb - i)].x0;
        rows[size_t(i)].x1 = rows[size_t(bb - i)].x1;
        rows[size_t(i)].top = t + i;
        rows[size_t(i)].bottom = t + i + 1;
    }
    for (; i < eh; ++i) {
        rows[size_t(i)].top = b - eh + i;
        rows[size_t(i)].bottom = rows[size_t(i)].top + 1;
    }
    rows[size_t(eh / 2)].top = t + eh / 2;  // the straight middle part
    return rows;
}

// Shapes too large for the exact recurrence (more than this many pixels across) are
// drawn from the closed-form ellipse, row by visible row.
constexpr int64_t kExactLimit = 1 << 16;

void DrawHugeRoundRect(Shape& sh, int64_t l, int64_t t, int64_t r, int64_t b, int64_t ew,
                       int64_t eh) {
    IRect vis = Intersect(sh.clip, IRect{l, t, r, b});
    if (vis.Empty()) return;
    const long double ra = ew / 2.0L, rb = eh / 2.0L;
    auto inset = [&](int64_t y) -> int64_t {  // left inset of row y
        long double d;
        if (y < t + eh / 2)
            d = (t + rb) - (y + 0.5L);
        else if (y >= b - eh / 2)
            d = (y + 0.5L) - (b - rb);
        else
            return 0;
        long double f = 1.0L - (d * d) / (rb * rb);
        if (f < 0) f = 0;
        return int64_t(std::floor(ra - ra * std::sqrt(f) + 0.5L));
    };
    const int64_t mid = t + (b - t) / 2;
    for (int64_t y = vis.top; y < vis.bottom; ++y) {
        int64_t in = inset(y);
        int64_t x0 = l + in, x1 = r - in;
        if (x0 >= x1) continue;
        int64_t yin = y < mid ? y + 1 : y - 1;
        int64_t edge =
            (y == t || y == b - 1) ? (x1 - x0 + 1) / 2 : std::max<int64_t>(1, inset(yin) - in);
        edge = std::min(edge, (x1 - x0 + 1) / 2);
        if (sh.brush) ClippedSpan(sh.clip, y, x0 + edge, x1 - edge, DrawSink{sh.s, sh.brush_mix});
        if (sh.pen) {
            ClippedSpan(sh.clip, y, x0, x0 + edge, DrawSink{sh.s, sh.pen_mix});
            if (x1 - edge >= x0 + edge)
                ClippedSpan(sh.clip, y, x1 - edge, x1, DrawSink{sh.s, sh.pen_mix});
        } else if (sh.brush) {
            ClippedSpan(sh.clip, y, x0, x0 + edge, DrawSink{sh.s, sh.brush_mix});
            if (x1 - edge >= x0 + edge)
                ClippedSpan(sh.clip, y, x1 - edge, x1, DrawSink{sh.s, sh.brush_mix});
        }
    }
}

void DrawRoundRect(DC& dc, int64_t l, int64_t t, int64_t r, int64_t b, int64_t ew, int64_t eh) {
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    if (l == r || t == b) return;
    ew = std::min(ew < 0 ? -ew : ew, r - l);
    eh = std::min(eh < 0 ? -eh : eh, b - t);
    if (ew <= 2 || eh <= 2) {
        DrawRectangle(dc, l, t, r, b);
        return;
    }
    Shape sh(dc);
    if (sh.clip.Empty() || Intersect(sh.clip, IRect{l, t, r, b}).Empty()) return;
    if (!sh.pen && !sh.brush) return;
    if (ew > kExactLimit || eh > kExactLimit) {
        DrawHugeRoundRect(sh, l, t, r, b, ew, eh);
        return;
    }

    if (!sh.brush && sh.pen_mix.Copy() && ew == r - l && eh == b - t) {
        // A whole ellipse's outline is a chain of neighbouring points, so drawing the
        // polyline sets exactly the points: plot each quadrant point in all four places.
        thread_local std::vector<P> quadrant;
        quadrant.clear();
        FirstQuadrant(ew, eh, quadrant);
        const IRect& c = sh.clip;
        const bool inside = l >= c.left && r <= c.right && t >= c.top && b <= c.bottom;
        const uint32_t v = sh.pen_mix.xor_mask;
        const bool direct32 = sh.s.fmt == Fmt::Rgb32;
        auto plot = [&](int64_t x, int64_t y) {
            if (!inside && (x < c.left || x >= c.right || y < c.top || y >= c.bottom)) return;
            if (direct32)
                memcpy(sh.s.Row(y) + 4 * x, &v, 4);
            else
                WritePixel(sh.s, int32_t(x), int32_t(y), v);
        };
        for (const P& q : quadrant) {
            const int64_t x = r - ew + q.x, y = t + eh - 1 - q.y;
            const int64_t mx = l + r - 1 - x, my = t + b - 1 - y;
            plot(x, y);
            plot(mx, y);
            plot(x, my);
            plot(mx, my);
        }
        return;
    }
    thread_local std::vector<P> pts;
    pts.clear();
    pts.reserve(size_t(2 * (ew + eh) + 8));
    FirstQuadrant(ew, eh, pts);
    size_t count = pts.size();
    for (P& p : pts) {
        p.x = r - ew + p.x;
        p.y = t + eh - 1 - p.y;
    }
    // Horizontal symmetry, without doubling the middle column of an odd full width.
    size_t end = 2 * count - 1;
    if ((ew % 2) && ew == r - l) --end;
    pts.resize(end + 1);
    for (size_t i = 0; i < count; ++i)
        pts[end - i] = P{l + r - 1 - pts[i].x, pts[i].y};
    count = end + 1;
    // Vertical symmetry, likewise for the middle row.
    end = 2 * count - 1;
    if ((eh % 2) && eh == b - t) --end;
    pts.resize(end + 1);
    for (size_t i = 0; i < count; ++i)
        pts[end - i] = P{pts[i].x, t + b - 1 - pts[i].y};

    if (!sh.brush && sh.pen_mix.Copy()) {
        // The common outline: most segments are one step long and draw just their start.
        const IRect& c = sh.clip;
        const uint32_t v = sh.pen_mix.xor_mask;
        const bool direct32 = sh.s.fmt == Fmt::Rgb32;
        for (size_t i = 0, n = pts.size(); i < n; ++i) {
            const P a = pts[i], b = pts[i + 1 < n ? i + 1 : 0];
            const int64_t dx = b.x - a.x, dy = b.y - a.y;
            if (dx < -1 || dx > 1 || dy < -1 || dy > 1) {
                Line(c, a, b, DrawSink{sh.s, sh.pen_mix});
            } else if ((dx | dy) && a.x >= c.left && a.x < c.right && a.y >= c.top &&
                       a.y < c.bottom) {
                if (direct32)
                    memcpy(sh.s.Row(a.y) + 4 * a.x, &v, 4);
                else
                    WritePixel(sh.s, int32_t(a.x), int32_t(a.y), v);
            }
        }
        return;
    }
    std::vector<Span> outline;
    if (sh.pen) {
        ClosedPolyline(sh.clip, pts, CollectSink{&outline});
        Normalise(outline);
    }
    if (sh.brush) {
        for (const RowSpan& row : RoundRectRows(l, t, r, b, ew, eh)) {
            int64_t y0 = std::max(row.top, sh.clip.top), y1 = std::min(row.bottom, sh.clip.bottom);
            for (int64_t y = y0; y < y1; ++y)
                FillExcept(sh.s, sh.clip, y, row.x0, row.x1, outline, sh.brush_mix);
        }
    }
    for (const Span& sp : outline)
        FillSpan(sh.s, int32_t(sp.y), int32_t(sp.x0), int32_t(sp.x1), sh.pen_mix);
}

bool InClip(const DC& dc, int64_t x, int64_t y) {
    return !dc.surf->Empty() && x >= dc.clip.left && x < dc.clip.right && y >= dc.clip.top &&
           y < dc.clip.bottom;
}

// The DC and surface position of the pixel that a pixel call names at (x, y): null when
// the handle is bad or the pixel lies outside the clip.
DC* PixelAt(HDC hdc, int x, int y, int32_t* sx, int32_t* sy) {
    DC* dc = GetDc(hdc);
    if (!dc) return nullptr;
    const int64_t px = x + dc->ox, py = y + dc->oy;
    if (!InClip(*dc, px, py)) return nullptr;
    *sx = int32_t(px);
    *sy = int32_t(py);
    return dc;
}

// Sets the pixel that a pixel call names to the surface's nearest colour: that colour, or
// CLR_INVALID when the handle is bad or the pixel lies outside the clip.
COLORREF PutPixel(HDC hdc, int x, int y, COLORREF color) {
    int32_t sx, sy;
    DC* dc = PixelAt(hdc, x, y, &sx, &sy);
    if (!dc) return CLR_INVALID;
    const uint32_t p = ColorToPixel(*dc->surf, color);
    WritePixel(*dc->surf, sx, sy, p);
    return PixelToColor(*dc->surf, p);
}

}  // namespace

// Fills a logical rectangle with a colour and a ROP2 (used by FillRect, PatBlt, text).
void FillLogicalRect(DC& dc, int64_t l, int64_t t, int64_t r, int64_t b, COLORREF color, int rop2) {
    const Surface& s = *dc.surf;
    if (s.Empty()) return;
    IRect vis = Intersect(dc.clip, IRect{l + dc.ox, t + dc.oy, r + dc.ox, b + dc.oy});
    if (vis.Empty()) return;
    FillBlock(s, vis, MixFor(rop2, ColorToPixel(s, color), PixelMask(s)));
}

bool SysColorBrush(HBRUSH brush, COLORREF* color) {
    uintptr_t v = reinterpret_cast<uintptr_t>(brush);
    if (v >= 1 && v <= uintptr_t(kSystemColorCount)) {
        *color = kSystemColors[v - 1];
        return true;
    }
    return false;
}

}  // namespace zv::gdi

using namespace zv::gdi;

extern "C" {

BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    return Guard(FALSE, [&]() -> BOOL {
        GDI_TRACE(hdc, "Rectangle", left, top, right, bottom);
        DC* dc = GetDc(hdc);
        if (!dc) return FALSE;
        DrawRectangle(*dc, left + dc->ox, top + dc->oy, right + dc->ox, bottom + dc->oy);
        return TRUE;
    });
}

BOOL WINAPI Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    return Guard(FALSE, [&]() -> BOOL {
        GDI_TRACE(hdc, "Ellipse", left, top, right, bottom);
        DC* dc = GetDc(hdc);
        if (!dc) return FALSE;
        int64_t l = left + dc->ox, t = top + dc->oy, r = right + dc->ox, b = bottom + dc->oy;
        DrawRoundRect(*dc, l, t, r, b, r - l, b - t);
        return TRUE;
    });
}

BOOL WINAPI RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height) {
    return Guard(FALSE, [&]() -> BOOL {
        GDI_TRACE(hdc, "RoundRect", left, top, right, bottom, width, height);
        DC* dc = GetDc(hdc);
        if (!dc) return FALSE;
        DrawRoundRect(*dc, left + dc->ox, top + dc->oy, right + dc->ox, bottom + dc->oy, width,
                      height);
        return TRUE;
    });
}

BOOL WINAPI LineTo(HDC hdc, int x, int y) {
    GDI_LOCK;
    GDI_TRACE(hdc, "LineTo", x, y);
    DC* dc = GetDc(hdc);
    if (!dc) return FALSE;
    Shape sh(*dc);
    if (sh.pen && !sh.clip.Empty())
        Line(sh.clip, P{dc->cp.x + dc->ox, dc->cp.y + dc->oy}, P{x + dc->ox, y + dc->oy},
             DrawSink{sh.s, sh.pen_mix});
    dc->cp = POINT{x, y};
    return TRUE;
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
    GDI_LOCK;
    GDI_TRACE(hdc, "SetPixel", x, y, intptr_t(color));
    return PutPixel(hdc, x, y, color);
}

BOOL WINAPI SetPixelV(HDC hdc, int x, int y, COLORREF color) {
    GDI_LOCK;
    GDI_TRACE(hdc, "SetPixelV", x, y, intptr_t(color));
    return PutPixel(hdc, x, y, color) != CLR_INVALID;
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    GDI_LOCK;
    GDI_TRACE(hdc, "GetPixel", x, y);
    int32_t sx, sy;
    DC* dc = PixelAt(hdc, x, y, &sx, &sy);
    if (!dc) return CLR_INVALID;
    return PixelToColor(*dc->surf, ReadPixel(*dc->surf, sx, sy));
}

BOOL WINAPI ExtFloodFill(HDC hdc, int x, int y, COLORREF color, UINT type) {
    return Guard(FALSE, [&]() -> BOOL {
        GDI_TRACE(hdc, "ExtFloodFill", x, y, intptr_t(color), intptr_t(type));
        DC* dc = GetDc(hdc);
        if (!dc) return FALSE;
        if (type != FLOODFILLBORDER && type != FLOODFILLSURFACE)
            return Fail(ERROR_INVALID_PARAMETER, FALSE);
        int64_t sx = x + dc->ox, sy = y + dc->oy;
        if (!InClip(*dc, sx, sy)) return FALSE;
        const Surface& s = *dc->surf;
        const IRect c = dc->clip;
        const uint32_t key = ColorToPixel(s, color);
        auto fillable = [&](int64_t px, int64_t py) {
            uint32_t v = ReadPixel(s, int32_t(px), int32_t(py));
            return type == FLOODFILLSURFACE ? v == key : v != key;
        };
        if (!fillable(sx, sy)) return FALSE;
        const int64_t w = c.right - c.left, h = c.bottom - c.top;
        std::vector<bool> seen(size_t(w * h), false);
        auto mark = [&](int64_t px, int64_t py) {
            return seen[size_t((py - c.top) * w + (px - c.left))];
        };
        std::vector<Span> spans;
        std::vector<P> stack{{sx, sy}};
        while (!stack.empty()) {
            P p = stack.back();
            stack.pop_back();
            if (mark(p.x, p.y) || !fillable(p.x, p.y)) continue;
            int64_t x0 = p.x, x1 = p.x + 1;
            while (x0 > c.left && !mark(x0 - 1, p.y) && fillable(x0 - 1, p.y))
                --x0;
            while (x1 < c.right && !mark(x1, p.y) && fillable(x1, p.y))
                ++x1;
            for (int64_t i = x0; i < x1; ++i)
                seen[size_t((p.y - c.top) * w + (i - c.left))] = true;
            spans.push_back(Span{p.y, x0, x1});
            for (int64_t ny : {p.y - 1, p.y + 1}) {
                if (ny < c.top || ny >= c.bottom) continue;
                bool in_run = false;
                for (int64_t i = x0; i < x1; ++i) {
                    bool ok = !mark(i, ny) && fillable(i, ny);
                    if (ok && !in_run) stack.push_back(P{i, ny});
                    in_run = ok;
                }
            }
        }
        if (BrushVisible(*dc)) {
            Mix m = MixFor(dc->rop2, ColorToPixel(s, BrushColor(*dc)), PixelMask(s));
            for (const Span& sp : spans)
                FillSpan(s, int32_t(sp.y), int32_t(sp.x0), int32_t(sp.x1), m);
        }
        return TRUE;
    });
}

BOOL WINAPI FloodFill(HDC hdc, int x, int y, COLORREF color) {
    return ExtFloodFill(hdc, x, y, color, FLOODFILLBORDER);
}

int WINAPI FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    GDI_LOCK;
    GDI_TRACE(hdc, "FillRect", rect ? rect->left : 0, rect ? rect->top : 0, rect ? rect->right : 0,
              rect ? rect->bottom : 0, intptr_t(brush));
    DC* dc = GetDc(hdc);
    if (!dc) return 0;
    if (!rect) return Fail(ERROR_INVALID_PARAMETER, 0);
    COLORREF color;
    if (!SysColorBrush(brush, &color)) {
        Brush* b = GetAs<Brush>(brush, Kind::Brush);
        if (!b) return Fail(ERROR_INVALID_HANDLE, 0);
        if (b->style == BS_NULL) return 1;
        color = b->dc_brush ? dc->dc_brush_color : b->color;
    }
    if (rect->right <= rect->left || rect->bottom <= rect->top) return 1;
    FillLogicalRect(*dc, rect->left, rect->top, rect->right, rect->bottom, color, R2_COPYPEN);
    return 1;
}

BOOL WINAPI PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
    GDI_LOCK;
    GDI_TRACE(hdc, "PatBlt", x, y, width, height, intptr_t(rop));
    DC* dc = GetDc(hdc);
    if (!dc) return FALSE;
    int64_t l = x, t = y, r = int64_t(x) + width, b = int64_t(y) + height;
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    COLORREF brush = BrushColor(*dc);
    switch (rop) {
        case PATCOPY:
            if (BrushVisible(*dc)) FillLogicalRect(*dc, l, t, r, b, brush, R2_COPYPEN);
            return TRUE;
        case PATINVERT:
            if (BrushVisible(*dc)) FillLogicalRect(*dc, l, t, r, b, brush, R2_XORPEN);
            return TRUE;
        case DSTINVERT:
            FillLogicalRect(*dc, l, t, r, b, 0, R2_NOT);
            return TRUE;
        case BLACKNESS:
            FillLogicalRect(*dc, l, t, r, b, 0, R2_BLACK);
            return TRUE;
        case WHITENESS:
            FillLogicalRect(*dc, l, t, r, b, 0, R2_WHITE);
            return TRUE;
    }
    return Fail(ERROR_INVALID_PARAMETER, FALSE);
}

}  // extern "C"
