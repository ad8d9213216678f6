// Painting: update regions (kept as one bounding rectangle per window), WM_PAINT and
// WM_ERASEBKGND, and the window surfaces that GetDC draws into. Every top-level window
// owns the pixels of its client area; a child window draws into its top-level window's
// pixels, clipped to its own client area and to those of its ancestors. The pixels are the
// host's framebuffer (host.h): what was drawn is shown at EndPaint, or, for DCs from
// GetDC, at the next message fetch.
#include <algorithm>
#include <new>

#include "gdi_window_dc.h"
#include "host/host.h"
#include "user32_internal.h"

namespace zv::user32 {

std::atomic<int> g_present_pending{0};

namespace {

thread_local const RECT* t_paint_clip = nullptr;  // client coordinates, during BeginPaint

bool ProvideSurface(HWND hwnd, WindowSurface* surface, void*) {
    if (!hwnd) return false;
    Window* w = Find(hwnd);
    if (!w || w->destroying) return false;
    HWND top = TopLevelOf(hwnd);
    Window* tw = Find(top);
    if (!tw) return false;
    // Asked at every use: the host may have moved the pixels since (a native resize). When
    // it cannot hold a window's pixels, the call drawing into them fails for lack of memory
    // (its guard says so) rather than drawing nowhere.
    host::Framebuffer fb = {nullptr, 0, 0, 0};
    if (!host::GetFramebuffer(top, tw->pixels_width, tw->pixels_height, &fb) &&
        tw->pixels_width > 0 && tw->pixels_height > 0)
        throw std::bad_alloc();
    surface->buffer = PixelBuffer{};
    surface->buffer.bits = fb.pixels;
    surface->buffer.pitch = fb.pitch;
    surface->buffer.width = fb.pixels ? fb.width : 0;
    surface->buffer.height = fb.pixels ? fb.height : 0;
    surface->buffer.format = BufferFormat::X8R8G8B8;
    POINT wo, to;
    ClientOrigin(w, &wo);
    ClientOrigin(tw, &to);
    surface->origin = {wo.x - to.x, wo.y - to.y};
    RECT clip = {0, 0, Width(w->client_rect), Height(w->client_rect)};
    if (t_paint_clip) IntersectRect(&clip, &clip, t_paint_clip);
    OffsetRect(&clip, surface->origin.x, surface->origin.y);
    // Ancestors clip their children.
    for (Window* up = Find(w->parent); up && up->parent; up = Find(up->parent)) {
        POINT uo;
        ClientOrigin(up, &uo);
        RECT ur = {uo.x - to.x, uo.y - to.y, uo.x - to.x + Width(up->client_rect),
                   uo.y - to.y + Height(up->client_rect)};
        IntersectRect(&clip, &clip, &ur);
    }
    if (!IsVisibleChain(w) || (tw->style & WS_MINIMIZE)) clip = {};
    surface->clip = clip;
    if (!tw->present_pending) {
        tw->present_pending = true;
        g_present_pending.fetch_add(1, std::memory_order_relaxed);
    }
    return true;
}

}  // namespace

void InstallSurfaceProvider() {
    static std::once_flag once;
    std::call_once(once, [] {
        static const WindowSurfaceProvider provider = {ProvideSurface,
                                                       [](void*) { PresentPending(); }, nullptr};
        SetWindowSurfaceProvider(&provider);
    });
}

void PresentTop(HWND top) {
    Window* tw = Find(top);
    if (!tw) return;
    if (tw->present_pending) {
        tw->present_pending = false;
        g_present_pending.fetch_sub(1, std::memory_order_relaxed);
    }
    if (tw->native && (tw->style & WS_VISIBLE) && !(tw->style & WS_MINIMIZE) &&
        tw->pixels_width > 0)
        host::ShowFramebuffer(top);
}

void PresentPending() {
    if (g_present_pending.load(std::memory_order_relaxed) == 0) return;
    // Presenting a window clears its flag, so each round finds the next one; nothing is
    // copied, as this runs with every frame.
    const DWORD me = GetCurrentThreadId();
    while (HWND t = FindTopLevel([&](HWND h) {
               Window* w = Find(h);
               return w && w->thread_id == me && w->present_pending;
           }))
        PresentTop(t);
}

void Invalidate(Window* w, const RECT* rect, bool erase, bool children) {
    RECT client = {0, 0, Width(w->client_rect), Height(w->client_rect)};
    RECT r = client;
    if (rect) IntersectRect(&r, rect, &client);
    if (!IsRectEmpty(&r)) {
        if (!w->has_update) {
            w->has_update = true;
            w->update = r;
            w->queue->paint_windows++;
        } else {
            UnionRect(&w->update, &w->update, &r);
        }
        if (erase) w->erase_pending = true;
    }
    if (children && !(w->style & WS_CLIPCHILDREN))
        for (HWND c : w->children)
            if (Window* cw = Find(c); cw && (cw->style & WS_VISIBLE))
                Invalidate(cw, nullptr, erase, true);
}

void Validate(Window* w) {
    if (!w->has_update) return;
    w->has_update = false;
    w->erase_pending = false;
    w->erase_unhandled = false;
    w->update = {};
    w->queue->paint_windows--;
}

// The WM_ERASEBKGND of the update rectangle, with a DC clipped to it; a window that
// returns 0 has not erased, which BeginPaint reports in fErase without asking again.
static bool SendErase(HWND hwnd, Window* w) {
    InstallSurfaceProvider();
    RECT update = w->update;
    w->erase_pending = false;
    t_paint_clip = &update;
    HDC hdc = GetDC(hwnd);
    t_paint_clip = nullptr;
    if (!hdc) return false;
    bool erased = Send(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) != 0;
    ReleaseDC(hwnd, hdc);
    return erased;
}

void EraseNow(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w || !w->has_update || !w->erase_pending || !IsVisibleChain(w)) return;
    bool erased = SendErase(hwnd, w);
    // The window may be gone, or validated or invalidated again meanwhile.
    if ((w = Find(hwnd)) && w->has_update && !w->erase_pending) w->erase_unhandled = !erased;
}

}  // namespace zv::user32

using namespace zv::user32;

extern "C" {

BOOL WINAPI InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
    if (!hwnd) {
        // Invalidating sends nothing, so the list is walked in place.
        const DWORD me = GetCurrentThreadId();
        FindTopLevel([&](HWND t) {
            if (Window* w = Find(t); w && w->thread_id == me) Invalidate(w, nullptr, true, true);
            return false;
        });
        return TRUE;
    }
    Window* w = GetWindowChecked(hwnd);
    if (!w) return FALSE;
    Invalidate(w, rect, erase != FALSE, true);
    return TRUE;
}

BOOL WINAPI ValidateRect(HWND hwnd, const RECT* rect) {
    Window* w = GetWindowChecked(hwnd);
    if (!w) return FALSE;
    // One rectangle per window: validating any part that covers the update validates it.
    if (!rect) {
        Validate(w);
    } else if (w->has_update) {
        RECT u;
        UnionRect(&u, rect, &w->update);
        if (EqualRect(&u, rect)) Validate(w);
    }
    return TRUE;
}

BOOL WINAPI GetUpdateRect(HWND hwnd, LPRECT rect, BOOL) {
    Window* w = GetWindowChecked(hwnd);
    if (!w) return FALSE;
    if (rect) *rect = w->has_update ? w->update : RECT{};
    return w->has_update;
}

BOOL WINAPI UpdateWindow(HWND hwnd) {
    return Guard(FALSE, [&]() -> BOOL {
        Window* w = GetWindowChecked(hwnd);
        if (!w) return FALSE;
        if (w->has_update && IsVisibleChain(w)) Send(hwnd, WM_PAINT, 0, 0);
        if (!(w = Find(hwnd))) return TRUE;
        std::vector<HWND> children = w->children;
        for (HWND c : children)
            if (Find(c)) UpdateWindow(c);
        return TRUE;
    });
}

HDC WINAPI BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
    Window* w = GetWindowChecked(hwnd);
    if (!w) return nullptr;
    if (!ps) return Fail(ERROR_INVALID_PARAMETER, nullptr);
    InstallSurfaceProvider();
    RECT update = w->has_update ? w->update : RECT{};
    bool erase = w->erase_pending, unhandled = w->erase_unhandled;
    Validate(w);
    t_paint_clip = &update;
    HDC hdc = GetDC(hwnd);
    t_paint_clip = nullptr;
    memset(ps, 0, sizeof *ps);
    ps->hdc = hdc;
    ps->rcPaint = update;
    // fErase tells the caller that the background still needs erasing: an erase was asked
    // for and the window's WM_ERASEBKGND did not do it (now, or when SetWindowPos asked).
    ps->fErase = unhandled;
    if (erase && hdc) ps->fErase = Send(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) == 0;
    return hdc;
}

BOOL WINAPI EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
    if (!GetWindowChecked(hwnd)) return FALSE;
    if (!ps) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    if (ps->hdc) ReleaseDC(hwnd, ps->hdc);
    PresentTop(TopLevelOf(hwnd));
    return TRUE;
}

}  // extern "C"
