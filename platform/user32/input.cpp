// Keyboard state, accelerators, cursors and icons, and the input that hosts report:
// native events become the messages Windows would queue for them.
#include <algorithm>
#include <cstdlib>

#include "host/host.h"
#include "user32_internal.h"

namespace zv::user32 {
namespace {

struct AcceleratorTable {
    std::vector<ACCEL> entries;
};

HandleTable<AcceleratorTable>& Accelerators() {
    static auto* table = new HandleTable<AcceleratorTable>(2);
    return *table;
}

// System cursors and icons are shared objects that are never destroyed; a small
// handle table gives them handles that GDI's icon handles never collide with.
struct SystemImage {
    bool cursor;
    int id;
};

HandleTable<SystemImage>& SystemImages() {
    static auto* table = new HandleTable<SystemImage>(3);
    return *table;
}

HANDLE SystemImageHandle(bool cursor, int id) {
    static std::mutex mutex;
    static std::vector<std::pair<int, uintptr_t>> made;
    int key = (cursor ? 0x10000 : 0) | id;
    std::lock_guard<std::mutex> lock(mutex);
    for (auto& m : made)
        if (m.first == key) return reinterpret_cast<HANDLE>(m.second);
    made.reserve(made.size() + 1);  // so that a handle once made is never lost
    uintptr_t h = SystemImages().Add(std::make_unique<SystemImage>(SystemImage{cursor, id}));
    made.push_back({key, h});
    return reinterpret_cast<HANDLE>(h);
}

std::atomic<int> g_cursor_count{0};
std::mutex g_cursor_mutex;
POINT g_cursor_pos = {0, 0};
bool g_clipped = false;
RECT g_clip = {};
HCURSOR g_cursor = nullptr;

// Double clicks: the last button press, for windows whose class asks for them.
struct LastClick {
    HWND hwnd = nullptr;
    int button = -1;
    DWORD time = 0;
    POINT pt = {};
} g_last_click;

bool Down(int vk) {
    return GetKeyState(vk) < 0;
}

// The deepest visible, enabled child under a client point of hwnd; the point is turned
// into that window's client coordinates.
HWND ChildAt(HWND hwnd, POINT* pt) {
    for (;;) {
        Window* w = Find(hwnd);
        if (!w) return hwnd;
        HWND hit = nullptr;
        for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
            Window* c = Find(*it);
            if (!c || !(c->style & WS_VISIBLE) || (c->style & WS_DISABLED)) continue;
            if (c->cls->proc == StaticProc && !(c->style & SS_NOTIFY)) continue;
            if (PtInRect(&c->window_rect, *pt)) {
                hit = *it;
                break;
            }
        }
        if (!hit) return hwnd;
        Window* c = Find(hit);
        pt->x -= c->client_rect.left;
        pt->y -= c->client_rect.top;
        hwnd = hit;
    }
}

WPARAM MouseKeys() {
    WPARAM k = 0;
    if (Down(VK_LBUTTON)) k |= MK_LBUTTON;
    if (Down(VK_RBUTTON)) k |= MK_RBUTTON;
    if (Down(VK_MBUTTON)) k |= MK_MBUTTON;
    if (Down(VK_SHIFT)) k |= MK_SHIFT;
    if (Down(VK_CONTROL)) k |= MK_CONTROL;
    return k;
}

void SetCursorFromClient(HWND top, int x, int y) {
    Window* w = Find(top);
    if (!w) return;
    std::lock_guard<std::mutex> lock(g_cursor_mutex);
    g_cursor_pos = {w->client_rect.left + x, w->client_rect.top + y};
}

// What the hosts report (host.h's input sink), as the messages Windows would queue.

void CloseRequest(HWND hwnd) {
    PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void CloseRequestAll() {
    Guard([&] {
        std::vector<HWND> tops = TopLevelWindows();
        for (HWND t : tops) {
            std::shared_lock<std::shared_mutex> lock(g_lifetime);
            Window* w = Find(t);
            if (w && (w->style & WS_VISIBLE)) {
                MSG m = {t, WM_SYSCOMMAND, SC_CLOSE, 0, GetTickCount(), {}};
                PostTo(w, m, false);
            }
        }
    });
}

void MouseMove(HWND hwnd, int x, int y) {
    SetCursorFromClient(hwnd, x, y);
    POINT pt = {x, y};
    HWND target = ChildAt(hwnd, &pt);
    PostInput(target, WM_MOUSEMOVE, MouseKeys(), MAKELPARAM(pt.x, pt.y));
}

void MouseButtonEvent(HWND hwnd, input::MouseButton button, bool down, int x, int y) {
    SetCursorFromClient(hwnd, x, y);
    POINT pt = {x, y};
    HWND target = ChildAt(hwnd, &pt);
    static const UINT kDown[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    static const UINT kUp[] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
    static const UINT kDouble[] = {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK};
    static const WPARAM kFlag[] = {MK_LBUTTON, MK_RBUTTON, MK_MBUTTON};
    WPARAM keys = MouseKeys();
    keys = down ? (keys | kFlag[button]) : (keys & ~kFlag[button]);
    UINT message = down ? kDown[button] : kUp[button];
    if (down) {
        DWORD now = GetTickCount();
        Window* w = Find(target);
        LastClick& last = g_last_click;
        bool dbl = w && (w->cls->style & CS_DBLCLKS) && last.hwnd == target &&
                   last.button == int(button) && now - last.time <= 500 &&
                   std::abs(last.pt.x - pt.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                   std::abs(last.pt.y - pt.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
        if (dbl) {
            message = kDouble[button];
            last = LastClick{};
        } else {
            last = LastClick{target, int(button), now, pt};
        }
    }
    PostInput(target, message, keys, MAKELPARAM(pt.x, pt.y));
}

void Key(int vk, bool down) {
    vk &= 0xFF;
    bool alt = Down(VK_MENU) || (vk == VK_MENU && down);
    HWND target = g_focus ? g_focus : g_active;
    if (!target) return;
    bool sys = (alt && !Down(VK_CONTROL)) || (!g_focus && g_active);
    UINT message = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    if (vk == VK_MENU && !down) message = WM_SYSKEYUP;
    LPARAM lparam = 1;
    if (alt) lparam |= 1 << 29;
    if (!down)
        lparam |= (1u << 30) | (1u << 31);
    else if (Down(vk))
        lparam |= 1 << 30;
    PostInput(target, message, WPARAM(vk), lparam);
}

void FocusChange(HWND hwnd, bool gained) {
    if (!Find(hwnd)) return;
    if (gained)
        SetActive(hwnd);
    else if (g_active == hwnd)
        SetActive(nullptr);
}

void ClientResized(HWND hwnd, int width, int height) {
    Window* w = Find(hwnd);
    if (!w || (w->style & WS_MINIMIZE)) return;
    if (width == Width(w->client_rect) && height == Height(w->client_rect)) return;
    RECT in;
    NonClientInsets(w->style, w->ex_style, false, &in);
    SetWindowPosInternal(hwnd, nullptr, 0, 0, width + in.left + in.right,
                         height + in.top + in.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ClientMoved(HWND hwnd, int x, int y) {
    Window* w = Find(hwnd);
    if (!w || (w->style & (WS_MINIMIZE | WS_MAXIMIZE))) return;
    if (x == w->client_rect.left && y == w->client_rect.top) return;
    RECT in;
    NonClientInsets(w->style, w->ex_style, false, &in);
    SetWindowPosInternal(hwnd, nullptr, x - in.left, y - in.top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Minimized(HWND hwnd) {
    Window* w = Find(hwnd);
    if (w && !(w->style & WS_MINIMIZE)) PostMessageA(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void Maximized(HWND hwnd) {
    Window* w = Find(hwnd);
    if (w && !(w->style & WS_MAXIMIZE)) PostMessageA(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
}

void Restored(HWND hwnd) {
    Window* w = Find(hwnd);
    if (w && (w->style & (WS_MINIMIZE | WS_MAXIMIZE)))
        PostMessageA(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
}

void Exposed(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return;
    Invalidate(w, nullptr, true, true);
    PresentTop(hwnd);
}

const input::Sink kHostInput = {CloseRequest, CloseRequestAll, MouseMove,     MouseButtonEvent,
                                Key,          FocusChange,     ClientResized, ClientMoved,
                                Minimized,    Maximized,       Restored,      Exposed};
// user32 is linked whole into every program, so the host always has its sink.
const bool kHostInputRegistered = (input::SetSink(&kHostInput), true);

}  // namespace
}  // namespace zv::user32

using namespace zv::user32;

extern "C" {

SHORT WINAPI GetKeyState(int vk) {
    if (vk < 0 || vk > 255) return 0;
    // Without a queue (none could be made) no key is down.
    ThreadQueue* queue = Guard(static_cast<ThreadQueue*>(nullptr), [] { return &CurrentQueue(); });
    if (!queue) return 0;
    const ThreadQueue& q = *queue;
    BYTE s = q.key_state[vk];
    if (vk == VK_SHIFT) s |= (q.key_state[VK_LSHIFT] | q.key_state[VK_RSHIFT]) & 0x80;
    if (vk == VK_CONTROL) s |= (q.key_state[VK_LCONTROL] | q.key_state[VK_RCONTROL]) & 0x80;
    if (vk == VK_MENU) s |= (q.key_state[VK_LMENU] | q.key_state[VK_RMENU]) & 0x80;
    // A pressed key reads 0xFF80 (0xFF81 toggled), as Windows sign-extends its byte.
    return SHORT(int8_t(s & 0x81));
}

SHORT WINAPI GetAsyncKeyState(int vk) {
    return GetKeyState(vk) < 0 ? SHORT(0x8000) : 0;
}

HACCEL WINAPI CreateAcceleratorTableA(LPACCEL entries, int count) {
    if (!entries || count <= 0) return Fail(ERROR_INVALID_PARAMETER, nullptr);
    return Guard(HACCEL(nullptr), [&] {
        auto table = std::make_unique<AcceleratorTable>();
        table->entries.assign(entries, entries + count);
        uintptr_t h = Accelerators().Add(std::move(table));
        if (!h) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return reinterpret_cast<HACCEL>(h);
    });
}

BOOL WINAPI DestroyAcceleratorTable(HACCEL table) {
    if (!Accelerators().Remove(table)) return Fail(ERROR_INVALID_ACCEL_HANDLE, FALSE);
    return TRUE;
}

int WINAPI TranslateAcceleratorA(HWND hwnd, HACCEL haccel, LPMSG msg) {
    AcceleratorTable* table = Accelerators().Get(haccel);
    if (!table) return Fail(ERROR_INVALID_ACCEL_HANDLE, 0);
    if (!GetWindowChecked(hwnd)) return 0;
    if (!msg) return Fail(ERROR_INVALID_PARAMETER, 0);
    bool key = msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN;
    bool chr = msg->message == WM_CHAR || msg->message == WM_SYSCHAR;
    if (!key && !chr) return 0;
    BYTE mods = (Down(VK_SHIFT) ? FSHIFT : 0) | (Down(VK_CONTROL) ? FCONTROL : 0) |
                (Down(VK_MENU) ? FALT : 0);
    for (const ACCEL& a : table->entries) {
        bool virt = (a.fVirt & FVIRTKEY) != 0;
        if (virt != key || a.key != WORD(msg->wParam)) continue;
        if (virt && (a.fVirt & (FSHIFT | FCONTROL | FALT)) != mods) continue;
        if (!virt && (a.fVirt & FALT) && !(mods & FALT)) continue;
        SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
        return 1;
    }
    return 0;
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (!instance && IS_INTRESOURCE(name)) {
        ULONG_PTR id = reinterpret_cast<ULONG_PTR>(name);
        if (id >= 32512 && id <= 32518)
            return Guard(HICON(nullptr), [&] {
                return reinterpret_cast<HICON>(SystemImageHandle(false, int(id)));
            });
    }
    // Programs here carry no resources.
    return Fail(ERROR_RESOURCE_NAME_NOT_FOUND, nullptr);
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (!instance && IS_INTRESOURCE(name)) {
        ULONG_PTR id = reinterpret_cast<ULONG_PTR>(name);
        if ((id >= 32512 && id <= 32516) || (id >= 32640 && id <= 32650))
            return Guard(HCURSOR(nullptr), [&] {
                return reinterpret_cast<HCURSOR>(SystemImageHandle(true, int(id)));
            });
    }
    return Fail(ERROR_RESOURCE_NAME_NOT_FOUND, nullptr);
}

HCURSOR WINAPI SetCursor(HCURSOR cursor) {
    std::lock_guard<std::mutex> lock(g_cursor_mutex);
    HCURSOR old = g_cursor;
    g_cursor = cursor;
    return old;
}

HCURSOR WINAPI GetCursor(void) {
    std::lock_guard<std::mutex> lock(g_cursor_mutex);
    return g_cursor;
}

int WINAPI ShowCursor(BOOL show) {
    return show ? ++g_cursor_count : --g_cursor_count;
}

BOOL WINAPI ClipCursor(const RECT* rect) {
    std::lock_guard<std::mutex> lock(g_cursor_mutex);
    if (!rect) {
        g_clipped = false;
        return TRUE;
    }
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT r = *rect;
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    IntersectRect(&g_clip, &r, &screen);
    g_clipped = true;
    g_cursor_pos.x =
        std::clamp(g_cursor_pos.x, g_clip.left, std::max(g_clip.left, g_clip.right - 1));
    g_cursor_pos.y =
        std::clamp(g_cursor_pos.y, g_clip.top, std::max(g_clip.top, g_clip.bottom - 1));
    return TRUE;
}

BOOL WINAPI GetClipCursor(LPRECT rect) {
    if (!rect) return FALSE;
    std::lock_guard<std::mutex> lock(g_cursor_mutex);
    *rect = g_clipped ? g_clip
                      : RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return TRUE;
}

BOOL WINAPI GetCursorPos(LPPOINT point) {
    if (!point) return FALSE;
    std::lock_guard<std::mutex> lock(g_cursor_mutex);
    *point = g_cursor_pos;
    return TRUE;
}

}  // extern "C"
