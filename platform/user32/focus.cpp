// Activation and keyboard focus. The process has one active window and one focus
// window; activating a window sends WM_NCACTIVATE and WM_ACTIVATE to the window that
// loses activation and then to the one that gains it, and the focus follows: it moves
// into the newly active window unless that window put it on one of its children itself.
#include "user32_internal.h"

namespace zv::user32 {

HWND g_active = nullptr;
HWND g_focus = nullptr;

void SetFocusInternal(HWND hwnd) {
    HWND old = g_focus;
    if (old == hwnd) return;
    g_focus = hwnd;
    if (old && Find(old)) Send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (g_focus != hwnd) return;
    if (hwnd && Find(hwnd)) Send(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
}

// WM_ACTIVATEAPP goes to the application, that is to every top-level window of the
// thread: the one being activated or deactivated first. Destruction deactivates, so the
// walk copies nothing: each step finds the next window after the last one told.
static void TellApplication(HWND first, BOOL active) {
    DWORD me = GetCurrentThreadId();
    if (Find(first)) Send(first, WM_ACTIVATEAPP, active, 0);
    for (HWND last = nullptr;;) {
        bool past = last == nullptr;
        HWND next = FindTopLevel([&](HWND t) {
            if (!past) {
                past = t == last;
                return false;
            }
            Window* w = Find(t);
            return t != first && w && w->thread_id == me && !w->destroying;
        });
        if (!next) return;
        Send(next, WM_ACTIVATEAPP, active, 0);
        last = next;
    }
}

void SetActive(HWND hwnd) {
    HWND old = g_active;
    if (old == hwnd) return;
    if (old && Find(old)) {
        Send(old, WM_NCACTIVATE, FALSE, 0);
        if (Find(old))
            Send(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old) ? 1 : 0),
                 reinterpret_cast<LPARAM>(hwnd));
    }
    g_active = hwnd;
    if (old && !hwnd) TellApplication(old, FALSE);
    if (hwnd && Find(hwnd)) {
        if (!old) TellApplication(hwnd, TRUE);
        if (Find(hwnd)) Send(hwnd, WM_NCACTIVATE, TRUE, 0);
        if (Find(hwnd))
            Send(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, IsIconic(hwnd) ? 1 : 0),
                 reinterpret_cast<LPARAM>(old));
    }
    if (g_active != hwnd) return;
    if (!hwnd || !Find(hwnd) || IsIconic(hwnd)) {
        SetFocusInternal(nullptr);
    } else if (!g_focus || TopLevelOf(g_focus) != hwnd) {
        SetFocusInternal(hwnd);
    }
}

}  // namespace zv::user32

using namespace zv::user32;

extern "C" {

HWND WINAPI SetFocus(HWND hwnd) {
    if (hwnd) {
        Window* w = GetWindowChecked(hwnd);
        if (!w) return nullptr;
        for (Window* up = w; up; up = Find(up->parent))
            if (up->style & (WS_MINIMIZE | WS_DISABLED)) return nullptr;
        HWND top = TopLevelOf(hwnd);
        if (top != g_active) {
            SetActive(top);
            if (!Find(hwnd) || g_active != top) return nullptr;
        }
    }
    // The window that loses the focus to this one, as its WM_SETFOCUS names it: after
    // the activation that the call may have made first.
    HWND previous = g_focus;
    SetFocusInternal(hwnd);
    return previous;
}

HWND WINAPI GetFocus(void) {
    return g_focus;
}

HWND WINAPI SetActiveWindow(HWND hwnd) {
    HWND previous = g_active;
    if (hwnd) {
        Window* w = GetWindowChecked(hwnd);
        if (!w) return nullptr;
        if ((w->style & (WS_POPUP | WS_CHILD)) == WS_CHILD) return g_active;
    }
    SetActive(hwnd);
    return previous;
}

HWND WINAPI GetActiveWindow(void) {
    return g_active;
}

HWND WINAPI GetForegroundWindow(void) {
    return g_active;
}

BOOL WINAPI SetForegroundWindow(HWND hwnd) {
    if (!GetWindowChecked(hwnd)) return FALSE;
    SetActive(TopLevelOf(hwnd));
    return TRUE;
}

}  // extern "C"
