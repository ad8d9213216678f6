// Moving, sizing, showing, minimizing and maximizing, with the messages Windows sends
// for them, in its order.
#include <algorithm>

#include "user32_internal.h"

namespace zv::user32 {

UINT MinMaximize(HWND hwnd, int command, RECT* rect) {
    Window* w = Find(hwnd);
    *rect = w->window_rect;
    switch (command) {
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
        case SW_SHOWMINNOACTIVE:
        case SW_FORCEMINIMIZE:
            if (w->style & WS_MINIMIZE) return SWP_NOSIZE | SWP_NOMOVE;
            if (w->style & WS_MAXIMIZE)
                w->restore_maximized = true;
            else
                w->normal_rect = w->window_rect, w->restore_maximized = false;
            w->style = (w->style | WS_MINIMIZE) & ~WS_MAXIMIZE;
            *rect = {-32000, -32000, -32000 + GetSystemMetrics(SM_CXMINIMIZED),
                     -32000 + GetSystemMetrics(SM_CYMINIMIZED)};
            return kSwpStateChanged;
        case SW_MAXIMIZE: {
            MINMAXINFO info;
            GetMinMax(hwnd, &info);
            if (!(w = Find(hwnd))) return SWP_NOSIZE | SWP_NOMOVE;
            if ((w->style & WS_MAXIMIZE) && !(w->style & WS_MINIMIZE))
                return SWP_NOSIZE | SWP_NOMOVE;
            if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) w->normal_rect = w->window_rect;
            w->style = (w->style | WS_MAXIMIZE) & ~WS_MINIMIZE;
            *rect = {info.ptMaxPosition.x, info.ptMaxPosition.y,
                     info.ptMaxPosition.x + info.ptMaxSize.x,
                     info.ptMaxPosition.y + info.ptMaxSize.y};
            return kSwpStateChanged;
        }
        default:  // SW_RESTORE and the other showing commands
            if (w->style & WS_MINIMIZE) {
                w->style &= ~WS_MINIMIZE;
                if (w->restore_maximized) {
                    w->restore_maximized = false;
                    UINT flags = MinMaximize(hwnd, SW_MAXIMIZE, rect);
                    return flags | kSwpStateChanged;
                }
                *rect = w->normal_rect;
                return kSwpStateChanged;
            }
            if (w->style & WS_MAXIMIZE) {
                w->style &= ~WS_MAXIMIZE;
                *rect = w->normal_rect;
                return kSwpStateChanged;
            }
            return SWP_NOSIZE | SWP_NOMOVE;
    }
}

void ActivateOther(HWND leaving) {
    HWND next = nullptr;
    Window* lw = Find(leaving);
    auto usable = [&](HWND h) {
        Window* w = Find(h);
        return w && h != leaving && !w->destroying && (w->style & WS_VISIBLE) &&
               !(w->style & WS_DISABLED) && !(w->style & WS_MINIMIZE);
    };
    if (lw && lw->owner && usable(lw->owner))
        next = lw->owner;
    else
        next = FindTopLevel(usable, true);  // the newest
    SetActive(next);
}

// Invalidates what a change of position, size or visibility exposes of a window: all of
// it when it is shown, when a child moves (its pixels are not carried along) or when a
// CS_HREDRAW/CS_VREDRAW class changes that dimension; otherwise only the part it grew by.
static bool InvalidateExposed(Window* w, bool shown, const RECT& old_client,
                              const RECT& new_client) {
    int ow = Width(old_client), oh = Height(old_client);
    int nw = Width(new_client), nh = Height(new_client);
    bool moved = new_client.left != old_client.left || new_client.top != old_client.top;
    UINT cs = w->cls ? w->cls->style : 0;
    if (shown || (moved && w->parent) || ((cs & CS_HREDRAW) && nw != ow) ||
        ((cs & CS_VREDRAW) && nh != oh)) {
        Invalidate(w, nullptr, true, true);
        return true;
    }
    RECT grown = {}, right = {ow, 0, nw, nh}, bottom = {0, oh, nw, nh};
    if (nw > ow) grown = right;
    if (nh > oh) UnionRect(&grown, &grown, &bottom);
    if (IsRectEmpty(&grown)) return false;
    Invalidate(w, &grown, true, true);
    return true;
}

BOOL SetWindowPosInternal(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    if (w->style & WS_VISIBLE)
        flags &= ~SWP_SHOWWINDOW;
    else
        flags &= ~SWP_HIDEWINDOW;
    if (w->style & WS_CHILD) flags |= SWP_NOACTIVATE;
    WINDOWPOS wp = {hwnd, after, x, y, cx, cy, flags};
    if (flags & SWP_NOMOVE) wp.x = w->window_rect.left, wp.y = w->window_rect.top;
    if (flags & SWP_NOSIZE) wp.cx = Width(w->window_rect), wp.cy = Height(w->window_rect);
    wp.cx = std::max(0, wp.cx);
    wp.cy = std::max(0, wp.cy);
    if (!(flags & SWP_NOSENDCHANGING)) {
        Send(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
        if (!(w = Find(hwnd))) return FALSE;
    }
    RECT old_window = w->window_rect, old_client = w->client_rect;
    RECT new_window = {wp.x, wp.y, wp.x + std::max(0, wp.cx), wp.y + std::max(0, wp.cy)};
    RECT new_client = old_client;
    bool resized =
        Width(new_window) != Width(old_window) || Height(new_window) != Height(old_window);
    if (resized || (wp.flags & (SWP_FRAMECHANGED | kSwpStateChanged))) {
        NCCALCSIZE_PARAMS params = {{new_window, old_window, old_client}, &wp};
        Send(hwnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
        if (!(w = Find(hwnd))) return FALSE;
        new_client = params.rgrc[0];
    } else {
        OffsetRect(&new_client, new_window.left - old_window.left, new_window.top - old_window.top);
    }
    bool was_on_screen = IsVisibleChain(w);
    w->window_rect = new_window;
    w->client_rect = new_client;
    if (Width(new_client) == Width(old_client) && Height(new_client) == Height(old_client))
        wp.flags |= kSwpNoClientSize;
    if (new_client.left == old_client.left && new_client.top == old_client.top)
        wp.flags |= kSwpNoClientMove;
    bool shown = (wp.flags & SWP_SHOWWINDOW) != 0, hidden = (wp.flags & SWP_HIDEWINDOW) != 0;
    if (shown) w->style |= WS_VISIBLE;
    if (hidden) w->style &= ~WS_VISIBLE;
    ResizePixels(w);
    SyncNative(w);
    bool redraw = !(wp.flags & SWP_NOREDRAW);
    bool exposed =
        redraw && (w->style & WS_VISIBLE) && InvalidateExposed(w, shown, old_client, new_client);
    HWND parent = w->parent;
    if (hidden && parent && g_focus && (g_focus == hwnd || IsChild(hwnd, g_focus)))
        SetFocusInternal(parent);
    // What the child covered and covers no more shows the parent again.
    RECT covered;
    UnionRect(&covered, &new_window, &old_window);
    bool uncovered = redraw && parent && was_on_screen && Find(parent) &&
                     (hidden || !EqualRect(&covered, &new_window));
    if (uncovered) Invalidate(Find(parent), &old_window, true, false);
    if (!(w = Find(hwnd))) return TRUE;
    if (!(wp.flags & SWP_NOACTIVATE) && !hidden && (w->style & WS_VISIBLE)) {
        SetActive(hwnd);
        if (!(w = Find(hwnd))) return TRUE;
    }
    if (!(wp.flags & SWP_DEFERERASE)) {
        if (uncovered) EraseNow(parent);
        if (exposed) EraseNow(hwnd);
        if (!Find(hwnd)) return TRUE;
    }
    Send(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
    if (hidden && hwnd == g_active) ActivateOther(hwnd);
    return TRUE;
}

}  // namespace zv::user32

using namespace zv::user32;

extern "C" {

BOOL WINAPI SetWindowPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
    if (!GetWindowChecked(hwnd)) return FALSE;
    return SetWindowPosInternal(hwnd, after, x, y, cx, cy, flags & (0x7FF | SWP_DEFERERASE));
}

BOOL WINAPI MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL WINAPI ShowWindow(HWND hwnd, int command) {
    Window* w = GetWindowChecked(hwnd);
    if (!w) return FALSE;
    bool was_visible = (w->style & WS_VISIBLE) != 0;
    bool was_minimized = (w->style & WS_MINIMIZE) != 0;
    bool show = true;
    bool minimizing = false, activate_next = false;
    UINT swp = 0;
    RECT r = w->window_rect;
    switch (command) {
        case SW_HIDE:
            if (!was_visible) return FALSE;
            show = false;
            swp = SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE;
            if (hwnd != g_active) swp |= SWP_NOACTIVATE | SWP_NOZORDER;
            break;
        case SW_MINIMIZE:
        case SW_FORCEMINIMIZE:
            activate_next = true;
            [[fallthrough]];
        case SW_SHOWMINNOACTIVE:
            minimizing = true;
            swp = SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER;
            break;
        case SW_SHOWMINIMIZED:
            minimizing = true;
            swp = SWP_SHOWWINDOW;
            break;
        case SW_SHOWMAXIMIZED:
            swp = SWP_SHOWWINDOW;
            break;
        case SW_SHOWNA:
            swp = SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER;
            break;
        case SW_SHOW:
            swp = SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE;
            break;
        case SW_SHOWNOACTIVATE:
            swp = SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER;
            break;
        case SW_SHOWNORMAL:
        case SW_RESTORE:
        case SW_SHOWDEFAULT:
            swp = SWP_SHOWWINDOW;
            break;
        default:
            return Fail(ERROR_INVALID_PARAMETER, FALSE);
    }
    bool restoring = was_minimized && show && !minimizing && !(swp & SWP_NOSIZE);
    // A minimized window that refuses WM_QUERYOPEN stays as it is.
    if (restoring && (!Send(hwnd, WM_QUERYOPEN, 0, 0) || !(w = Find(hwnd)))) return was_visible;
    if (show && !(swp & SWP_NOSIZE))
        swp |= MinMaximize(hwnd,
                           minimizing                    ? command
                           : command == SW_SHOWMAXIMIZED ? SW_MAXIMIZE
                                                         : SW_RESTORE,
                           &r);
    if (!(w = Find(hwnd))) return was_visible;
    if (show != was_visible) {
        Send(hwnd, WM_SHOWWINDOW, show, 0);
        if (!(w = Find(hwnd))) return was_visible;
    }
    if (!show && g_active != hwnd && !(w->style & WS_CHILD)) swp |= SWP_NOACTIVATE;
    bool was_active = hwnd == g_active;
    // A minimized window has no focus; it may stay the active one.
    if (minimizing && g_focus && (g_focus == hwnd || IsChild(hwnd, g_focus)))
        SetFocusInternal(nullptr);
    if (!Find(hwnd)) return was_visible;
    SetWindowPosInternal(hwnd, nullptr, r.left, r.top, Width(r), Height(r), swp);
    if (!Find(hwnd)) return was_visible;
    if (activate_next && was_active && g_active == hwnd) ActivateOther(hwnd);
    // The active window restored from its minimized state takes the focus back and hears
    // that it is active and no longer minimized.
    if (restoring && g_active == hwnd && !IsIconic(hwnd) &&
        (!g_focus || TopLevelOf(g_focus) != hwnd)) {
        SetFocusInternal(hwnd);
        if (Find(hwnd) && g_active == hwnd) Send(hwnd, WM_ACTIVATE, WA_ACTIVE, 0);
    }
    return was_visible;
}

}  // extern "C"
