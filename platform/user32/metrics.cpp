// System metrics, non-client geometry and rectangle helpers. The non-client metrics
// are fixed, those of the classic look: a 3-pixel fixed frame, a 4-pixel sizing frame,
// a 19-pixel caption (15 for tool windows), a 19-pixel menu bar.
#include <algorithm>

#include "host/host.h"
#include "user32_internal.h"

namespace zv::user32 {
namespace {

constexpr int kBorder = 1;
constexpr int kFixedFrame = 3;
constexpr int kSizeFrame = 4;
constexpr int kCaption = 19;
constexpr int kSmallCaption = 15;
constexpr int kMenu = 19;
constexpr int kEdge = 2;

void ScreenSize(int* w, int* h) {
    host::DisplayMode mode;
    if (host::GetDisplayMode(&mode) && mode.width > 0 && mode.height > 0) {
        *w = mode.width;
        *h = mode.height;
    } else {
        *w = 1024;
        *h = 768;
    }
}

}  // namespace

void NonClientInsets(DWORD style, DWORD ex_style, bool menu, RECT* insets) {
    int adjust = 0;
    if ((ex_style & (WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME)) == WS_EX_STATICEDGE)
        adjust = kBorder;
    else if ((ex_style & WS_EX_DLGMODALFRAME) || (style & (WS_THICKFRAME | WS_DLGFRAME)))
        adjust = kFixedFrame - kBorder;
    if (style & WS_THICKFRAME) adjust += kSizeFrame - kFixedFrame;
    if ((style & (WS_BORDER | WS_DLGFRAME)) || (ex_style & WS_EX_DLGMODALFRAME)) adjust += kBorder;
    *insets = {adjust, adjust, adjust, adjust};
    if ((style & WS_CAPTION) == WS_CAPTION)
        insets->top += (ex_style & WS_EX_TOOLWINDOW) ? kSmallCaption : kCaption;
    if (menu) insets->top += kMenu;
    if (ex_style & WS_EX_CLIENTEDGE) {
        insets->left += kEdge;
        insets->top += kEdge;
        insets->right += kEdge;
        insets->bottom += kEdge;
    }
}

}  // namespace zv::user32

using namespace zv::user32;

extern "C" {

int WINAPI GetSystemMetrics(int index) {
    int sw, sh;
    switch (index) {
        case SM_CXSCREEN:
        case SM_CXFULLSCREEN:
        case SM_CXMAXIMIZED:
            ScreenSize(&sw, &sh);
            return index == SM_CXMAXIMIZED ? sw + 2 * kSizeFrame : sw;
        case SM_CYSCREEN:
            ScreenSize(&sw, &sh);
            return sh;
        case SM_CYFULLSCREEN:
            ScreenSize(&sw, &sh);
            return sh - kCaption;
        case SM_CYMAXIMIZED:
            ScreenSize(&sw, &sh);
            return sh + 2 * kSizeFrame;
        case SM_CXMAXTRACK:
            ScreenSize(&sw, &sh);
            return sw + 12;
        case SM_CYMAXTRACK:
            ScreenSize(&sw, &sh);
            return sh + 12;
        case SM_CXVSCROLL:
        case SM_CYHSCROLL:
            return 16;
        case SM_CYCAPTION:
            return kCaption;
        case SM_CYSMCAPTION:
            return kSmallCaption;
        case SM_CXBORDER:
        case SM_CYBORDER:
            return kBorder;
        case SM_CXDLGFRAME:
        case SM_CYDLGFRAME:
            return kFixedFrame;
        case SM_CXFRAME:
        case SM_CYFRAME:
            return kSizeFrame;
        case SM_CXEDGE:
        case SM_CYEDGE:
            return kEdge;
        case SM_CYMENU:
            return kMenu;
        case SM_CXICON:
        case SM_CYICON:
        case SM_CXCURSOR:
        case SM_CYCURSOR:
            return 32;
        case SM_CXSMICON:
        case SM_CYSMICON:
            return 16;
        case SM_CXSIZE:
        case SM_CYSIZE:
            return 18;
        case SM_CXMIN:
        case SM_CXMINTRACK:
            return 112;
        case SM_CYMIN:
        case SM_CYMINTRACK:
            return 27;
        case SM_CXMINIMIZED:
            return 160;
        case SM_CYMINIMIZED:
            return 24;
        case SM_CXDOUBLECLK:
        case SM_CYDOUBLECLK:
            return 4;
        case SM_MOUSEPRESENT:
        case SM_CMONITORS:
            return 1;
        default:
            return 0;
    }
}

BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD ex_style) {
    if (!rect) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    RECT in;
    NonClientInsets(style, ex_style, menu != FALSE, &in);
    rect->left -= in.left;
    rect->top -= in.top;
    rect->right += in.right;
    rect->bottom += in.bottom;
    return TRUE;
}

BOOL WINAPI AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) {
    return AdjustWindowRectEx(rect, style, menu, 0);
}

BOOL WINAPI SetRect(LPRECT r, int left, int top, int right, int bottom) {
    if (!r) return FALSE;
    *r = {left, top, right, bottom};
    return TRUE;
}
BOOL WINAPI SetRectEmpty(LPRECT r) {
    if (!r) return FALSE;
    *r = {};
    return TRUE;
}
BOOL WINAPI IsRectEmpty(const RECT* r) {
    return !r || r->right <= r->left || r->bottom <= r->top;
}
BOOL WINAPI OffsetRect(LPRECT r, int dx, int dy) {
    if (!r) return FALSE;
    r->left += dx;
    r->right += dx;
    r->top += dy;
    r->bottom += dy;
    return TRUE;
}
BOOL WINAPI InflateRect(LPRECT r, int dx, int dy) {
    if (!r) return FALSE;
    r->left -= dx;
    r->right += dx;
    r->top -= dy;
    r->bottom += dy;
    return TRUE;
}
BOOL WINAPI IntersectRect(LPRECT d, const RECT* a, const RECT* b) {
    if (!d || !a || !b) return FALSE;
    RECT r = {std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
              std::min(a->bottom, b->bottom)};
    if (IsRectEmpty(&r)) {
        *d = {};
        return FALSE;
    }
    *d = r;
    return TRUE;
}
BOOL WINAPI UnionRect(LPRECT d, const RECT* a, const RECT* b) {
    if (!d || !a || !b) return FALSE;
    if (IsRectEmpty(a)) {
        *d = IsRectEmpty(b) ? RECT{} : *b;
    } else if (IsRectEmpty(b)) {
        *d = *a;
    } else {
        *d = {std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
              std::max(a->bottom, b->bottom)};
    }
    return !IsRectEmpty(d);
}
BOOL WINAPI PtInRect(const RECT* r, POINT p) {
    return r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}
BOOL WINAPI EqualRect(const RECT* a, const RECT* b) {
    return a && b && a->left == b->left && a->top == b->top && a->right == b->right &&
           a->bottom == b->bottom;
}

}  // extern "C"
