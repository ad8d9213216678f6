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
    if (!(wp.flags & SWP_NOREDRAW) && (shown || !(wp.flags & kSwpNoClientSize)))
        Invalidate(w, nullptr, true, true);
    if (hidden && w->parent) {
        if (g_focus && (g_focus == hwnd || IsChild(hwnd, g_focus))) SetFocusInternal(w->parent);
        if (Window* p = Find(w->parent)) Invalidate(p, nullptr, true, false);
    }
    if (!(wp.flags & SWP_NOACTIVATE) && !hidden && (w->style & WS_VISIBLE)) {
        SetActive(hwnd);
        if (!(w = Find(hwnd))) return TRUE;
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
    return SetWindowPosInternal(hwnd, after, x, y, cx, cy, flags & 0x7FF);
}

BOOL WINAPI MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL WINAPI ShowWindow(HWND hwnd, int command) {
    Window* w = GetWindowChecked(hwnd);
    if (!w) return FALSE;
    bool was_visible = (w->style & WS_VISIBLE) != 0;
    bool show = true;
    bool minimizing = false;
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
        case SW_SHOWMINNOACTIVE:
        case SW_FORCEMINIMIZE:
            minimizing = true;
            swp = SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | MinMaximize(hwnd, command, &r);
            break;
        case SW_SHOWMINIMIZED:
            minimizing = true;
            swp = SWP_SHOWWINDOW | MinMaximize(hwnd, command, &r);
            break;
        case SW_SHOWMAXIMIZED:
            swp = SWP_SHOWWINDOW | MinMaximize(hwnd, SW_MAXIMIZE, &r);
            break;
        case SW_SHOWNA:
            swp = SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER;
            break;
        case SW_SHOW:
            swp = SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE;
            break;
        case SW_SHOWNOACTIVATE:
            swp = SWP_NOACTIVATE | SWP_NOZORDER;
            [[fallthrough]];
        case SW_SHOWNORMAL:
        case SW_RESTORE:
        case SW_SHOWDEFAULT:
            swp |= SWP_SHOWWINDOW | MinMaximize(hwnd, SW_RESTORE, &r);
            break;
        default:
            return Fail(ERROR_INVALID_PARAMETER, FALSE);
    }
    if (!(w = Find(hwnd))) return was_visible;
    if (show != was_visible) {
        Send(hwnd, WM_SHOWWINDOW, show, 0);
        if (!(w = Find(hwnd))) return was_visible;
    }
    if (!show && g_active != hwnd && !(w->style & WS_CHILD)) swp |= SWP_NOACTIVATE;
    bool was_active = hwnd == g_active;
    SetWindowPosInternal(hwnd, nullptr, r.left, r.top, Width(r), Height(r), swp);
    if (minimizing && was_active && Find(hwnd) && g_active == hwnd) ActivateOther(hwnd);
    return was_visible;
}

}  // extern "C"
