// Windows: creation and destruction with Windows' message sequences, the tree, window
// data (longs, properties, text) and state queries.
#include <algorithm>
#include <cstdio>

#include "host/host.h"
#include "user32_internal.h"

namespace zv::user32 {

std::shared_mutex g_lifetime;
std::mutex g_top_mutex;
std::vector<HWND> g_top_level;

std::vector<HWND> TopLevelWindows() {
    std::lock_guard<std::mutex> lock(g_top_mutex);
    return g_top_level;
}

HandleTable<Window>& Windows() {
    static HandleTable<Window>* table = new HandleTable<Window>(1);
    return *table;
}

Window* GetWindowChecked(HWND hwnd) {
    Window* w = Windows().Get(hwnd);
    if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

HWND TopLevelOf(HWND hwnd) {
    Window* w = Find(hwnd);
    while (w && w->parent) {
        hwnd = w->parent;
        w = Find(hwnd);
    }
    return w ? hwnd : nullptr;
}

bool IsVisibleChain(const Window* w) {
    while (w) {
        if (!(w->style & WS_VISIBLE)) return false;
        if (!w->parent) return true;
        w = Find(w->parent);
    }
    return false;
}

void ClientOrigin(const Window* w, POINT* p) {
    p->x = w->client_rect.left;
    p->y = w->client_rect.top;
    for (const Window* up = Find(w->parent); up; up = Find(up->parent)) {
        p->x += up->client_rect.left;
        p->y += up->client_rect.top;
    }
}

WPARAM SizeKind(const Window* w) {
    if (w->style & WS_MINIMIZE) return SIZE_MINIMIZED;
    if (w->style & WS_MAXIMIZE) return SIZE_MAXIMIZED;
    return SIZE_RESTORED;
}

LPARAM SizeParam(const Window* w) {
    return MAKELPARAM(Width(w->client_rect), Height(w->client_rect));
}

void GetMinMax(HWND hwnd, MINMAXINFO* info) {
    Window* w = Find(hwnd);
    if (!w) return;
    RECT in;
    NonClientInsets(w->style, w->ex_style, false, &in);
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    *info = {};
    info->ptMaxSize = {sw + in.left + in.right, sh + in.left + in.right};
    info->ptMaxPosition = {-in.left, -in.left};
    info->ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    info->ptMaxTrackSize = {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    Send(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(info));
}

void ResizePixels(Window* w) {
    if (w->parent) return;
    // The host keeps the part both sizes share and starts the rest black, as a fresh
    // native surface does, the next time the pixels are asked for.
    w->pixels_width = std::max(0, Width(w->client_rect));
    w->pixels_height = std::max(0, Height(w->client_rect));
}

void SyncNative(Window* w) {
    if (w->parent || w->destroying) return;
    bool visible = (w->style & WS_VISIBLE) != 0;
    if (visible && !w->native && !w->native_attempted) {
        w->native_attempted = true;
        host::NativeWindowParams params = {w->text.c_str(),
                                           int(w->client_rect.left),
                                           int(w->client_rect.top),
                                           std::max(1, Width(w->client_rect)),
                                           std::max(1, Height(w->client_rect)),
                                           (w->style & WS_CAPTION) == WS_CAPTION,
                                           (w->style & WS_THICKFRAME) != 0};
        w->native = host::OpenNativeWindow(w->hwnd, params);
    }
    if (!w->native) return;
    if (!visible) {
        host::ShowNativeWindow(w->hwnd, host::ShowState::kHidden);
        return;
    }
    if (w->style & WS_MINIMIZE) {
        host::ShowNativeWindow(w->hwnd, host::ShowState::kMinimized);
        return;
    }
    host::SetNativeClientRect(w->hwnd, w->client_rect.left, w->client_rect.top,
                              std::max(1, Width(w->client_rect)),
                              std::max(1, Height(w->client_rect)));
    host::ShowNativeWindow(
        w->hwnd, (w->style & WS_MAXIMIZE) ? host::ShowState::kMaximized : host::ShowState::kNormal);
}

namespace {

// The walks below copy nothing, so that a destruction never runs out of memory half way:
// each step looks for the next window to visit in the lists as they are now, which the
// messages sent on the way may have changed.

// Sends WM_DESTROY to a window and then to its descendants, parents first.
void SendDestroy(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return;
    w->destroying = true;
    if (hwnd == g_focus) g_focus = nullptr;
    Send(hwnd, WM_DESTROY, 0, 0);
    // Each child is marked before its message goes, so it is the next unmarked one.
    for (;;) {
        if (!(w = Find(hwnd))) return;
        auto next = std::find_if(w->children.begin(), w->children.end(), [](HWND c) {
            Window* cw = Find(c);
            return cw && !cw->destroying;
        });
        if (next == w->children.end()) return;
        SendDestroy(*next);
    }
}

void FreeWindow(HWND hwnd) {
    // Freeing a child takes it out of the list.
    for (Window* w = Find(hwnd); w && !w->children.empty(); w = Find(hwnd)) {
        HWND first = w->children.front();
        FreeWindow(first);
        if ((w = Find(hwnd)) && !w->children.empty() && w->children.front() == first) break;
    }
    Window* w = Find(hwnd);
    if (!w) return;
    Send(hwnd, WM_NCDESTROY, 0, 0);
    w = Find(hwnd);
    if (!w) return;
    if (w->has_update && w->queue) w->queue->paint_windows--;
    if (w->native) host::CloseNativeWindow(hwnd);
    if (!w->parent) host::ReleaseFramebuffer(hwnd);
    if (Window* p = Find(w->parent)) {
        auto& v = p->children;
        v.erase(std::remove(v.begin(), v.end(), hwnd), v.end());
    } else {
        std::lock_guard<std::mutex> lock(g_top_mutex);
        g_top_level.erase(std::remove(g_top_level.begin(), g_top_level.end(), hwnd),
                          g_top_level.end());
    }
    if (g_focus == hwnd) g_focus = nullptr;
    if (g_active == hwnd) g_active = nullptr;
    w->cls->windows--;
    std::unique_ptr<Window> gone;
    {
        std::unique_lock<std::shared_mutex> lock(g_lifetime);
        gone = Windows().Remove(hwnd);
    }
    // Posts check the handle under the shared lock, so none can arrive after this.
    RemoveMessagesOf(hwnd);
}

int Default(int value, int fallback) {
    return value == CW_USEDEFAULT ? fallback : value;
}

// Makes sure that one more push_back cannot allocate.
void MakeRoomForOne(std::vector<HWND>& list) {
    if (list.size() == list.capacity()) list.reserve(std::max<size_t>(8, 2 * list.size()));
}

}  // namespace

}  // namespace zv::user32

using namespace zv::user32;

extern "C" {

// The body of CreateWindowExA, which runs it under its guard.
static HWND NewWindow(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style, int x,
                      int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                      LPVOID param) {
    InstallSurfaceProvider();
    auto cls = FindClass(class_name, instance);
    if (!cls) return Fail(ERROR_CANNOT_FIND_WND_CLASS, nullptr);
    bool message_only = parent == HWND_MESSAGE;
    if (message_only) parent = nullptr;
    if (parent && !GetWindowChecked(parent)) return nullptr;
    if ((style & WS_CHILD) && !parent && !message_only)
        return Fail(ERROR_TLW_WITH_WSCHILD, nullptr);
    HWND owner = nullptr;
    if (!(style & WS_CHILD)) {
        owner = parent ? TopLevelOf(parent) : nullptr;
        parent = nullptr;
        style |= WS_CLIPSIBLINGS;
        if (!(style & WS_POPUP)) style |= WS_CAPTION;
    }
    if ((style & (WS_DLGFRAME | WS_THICKFRAME)) || (ex_style & WS_EX_DLGMODALFRAME))
        ex_style |= WS_EX_WINDOWEDGE;

    // Overlapped windows take the default position and size; others start at 0.
    bool overlapped = !(style & (WS_CHILD | WS_POPUP));
    if (overlapped && x == CW_USEDEFAULT) x = y = 26;
    x = Default(x, 0);
    y = Default(y, 0);
    if (overlapped && width == CW_USEDEFAULT) {
        width = GetSystemMetrics(SM_CXSCREEN) * 3 / 4;
        height = GetSystemMetrics(SM_CYSCREEN) * 3 / 4;
    }
    width = std::max(0, Default(width, 0));
    height = std::max(0, Default(height, 0));

    auto obj = std::make_unique<Window>();
    Window* w = obj.get();
    w->cls = cls;
    w->proc = cls->proc;
    w->style = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
    w->ex_style = ex_style;
    w->id = (style & WS_CHILD) ? reinterpret_cast<LONG_PTR>(menu) : 0;
    w->instance = instance;
    w->parent = parent;
    w->owner = owner;
    w->extra.assign(size_t(cls->wnd_extra), 0);
    w->queue = CurrentQueueShared();
    w->thread_id = GetCurrentThreadId();
    // Room in the list it joins first: once the window has its handle, nothing may fail.
    if (Window* p = Find(parent)) {
        MakeRoomForOne(p->children);
    } else {
        std::lock_guard<std::mutex> lock(g_top_mutex);
        MakeRoomForOne(g_top_level);
    }
    HWND hwnd = reinterpret_cast<HWND>(Windows().Add(std::move(obj)));
    if (!hwnd) return Fail(ERROR_NOT_ENOUGH_MEMORY, nullptr);
    w->hwnd = hwnd;
    cls->windows++;
    if (Window* p = Find(parent)) {
        p->children.push_back(hwnd);
    } else {
        std::lock_guard<std::mutex> lock(g_top_mutex);
        g_top_level.push_back(hwnd);
    }

    CREATESTRUCTA cs = {param, instance, menu,        parent,      height,     width,
                        y,     x,        LONG(style), window_name, class_name, ex_style};
    if ((style & WS_THICKFRAME) || overlapped) {
        MINMAXINFO info;
        GetMinMax(hwnd, &info);
        width =
            std::clamp(width, int(info.ptMinTrackSize.x), std::max(1, int(info.ptMaxTrackSize.x)));
        height =
            std::clamp(height, int(info.ptMinTrackSize.y), std::max(1, int(info.ptMaxTrackSize.y)));
        cs.cx = width;
        cs.cy = height;
    }
    if (!(w = Find(hwnd))) return nullptr;
    w->window_rect = {x, y, x + width, y + height};
    w->client_rect = w->window_rect;
    w->normal_rect = w->window_rect;

    // A refusal says why where the procedure told (the default one when it ran out of memory
    // for the title); otherwise it counts as a bad argument.
    SetLastError(ERROR_SUCCESS);
    if (!Send(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        const DWORD why = GetLastError();
        FreeWindow(hwnd);
        return Fail(why != ERROR_SUCCESS ? why : ERROR_INVALID_PARAMETER, nullptr);
    }
    if (!(w = Find(hwnd))) return nullptr;
    RECT client = w->window_rect;
    Send(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&client));
    if (!(w = Find(hwnd))) return nullptr;
    w->client_rect = client;
    ResizePixels(w);

    if (Send(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hwnd);
        return Fail(ERROR_INVALID_PARAMETER, nullptr);
    }
    if (!(w = Find(hwnd))) return nullptr;

    if (style & (WS_MINIMIZE | WS_MAXIMIZE)) {
        // Created minimized or maximized: the state is set now, the showing comes later.
        RECT r;
        UINT flags = MinMaximize(hwnd, (style & WS_MINIMIZE) ? SW_MINIMIZE : SW_MAXIMIZE, &r);
        SetWindowPosInternal(hwnd, nullptr, r.left, r.top, Width(r), Height(r),
                             flags | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        if (!(w = Find(hwnd))) return nullptr;
    } else {
        Send(hwnd, WM_SIZE, SizeKind(w), SizeParam(w));
        if (!(w = Find(hwnd))) return nullptr;
        Send(hwnd, WM_MOVE, 0, MAKELPARAM(w->client_rect.left, w->client_rect.top));
        if (!(w = Find(hwnd))) return nullptr;
    }

    if ((style & WS_CHILD) && !(ex_style & WS_EX_NOPARENTNOTIFY)) {
        HWND p = parent;
        while (Window* pw = Find(p)) {
            Send(p, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, LOWORD(w->id)),
                 reinterpret_cast<LPARAM>(hwnd));
            if (!(pw = Find(p)) || !(pw->style & WS_CHILD) || (pw->ex_style & WS_EX_NOPARENTNOTIFY))
                break;
            p = pw->parent;
        }
        if (!(w = Find(hwnd))) return nullptr;
    }

    if (style & WS_VISIBLE) ShowWindow(hwnd, (style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : SW_SHOW);
    return Find(hwnd) ? hwnd : nullptr;
}

HWND WINAPI CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style,
                            int x, int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param) {
    return Guard(HWND(nullptr), [&] {
        return NewWindow(ex_style, class_name, window_name, style, x, y, width, height, parent,
                         menu, instance, param);
    });
}

BOOL WINAPI DestroyWindow(HWND hwnd) {
    Window* w = GetWindowChecked(hwnd);
    if (!w) return FALSE;
    if (w->thread_id != GetCurrentThreadId()) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (w->destroying) return TRUE;
    // From here on, a DestroyWindow from inside one of the messages below is already done.
    w->destroying = true;

    if ((w->style & WS_CHILD) && !(w->ex_style & WS_EX_NOPARENTNOTIFY) && w->parent)
        Send(w->parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, LOWORD(w->id)),
             reinterpret_cast<LPARAM>(hwnd));
    if (!(w = Find(hwnd))) return TRUE;

    // Owned windows go first (those of other threads cannot be destroyed from here).
    if (!w->parent) {
        const DWORD thread = GetCurrentThreadId();
        while (HWND o = FindTopLevel([&](HWND t) {
                   Window* ow = Find(t);
                   return ow && ow->owner == hwnd && !ow->destroying && ow->thread_id == thread;
               }))
            DestroyWindow(o);
        if (!(w = Find(hwnd))) return TRUE;
    }

    if (w->style & WS_VISIBLE) {
        UINT flags = SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
        if (g_active != hwnd) flags |= SWP_NOACTIVATE;
        SetWindowPosInternal(hwnd, nullptr, 0, 0, 0, 0, flags);
        if (!(w = Find(hwnd))) return TRUE;
    } else if (g_active == hwnd) {
        ActivateOther(hwnd);
    }
    // The focus never stays inside a window that is going away.
    if (g_focus && (g_focus == hwnd || IsChild(hwnd, g_focus))) {
        HWND parent = w->parent;
        SetFocusInternal(parent);
        if (g_focus && (g_focus == hwnd || IsChild(hwnd, g_focus))) g_focus = nullptr;
    }
    if (!Find(hwnd)) return TRUE;
    SendDestroy(hwnd);
    FreeWindow(hwnd);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hwnd) {
    return Find(hwnd) != nullptr;
}

HWND WINAPI GetParent(HWND hwnd) {
    Window* w = GetWindowChecked(hwnd);
    if (!w) return nullptr;
    if (w->style & WS_CHILD) return w->parent;
    if (w->style & WS_POPUP) return w->owner;
    return nullptr;
}

HWND WINAPI GetDesktopWindow(void) {
    return nullptr;
}

// A window's neighbour in a list of siblings (GW_HWNDFIRST to GW_HWNDPREV).
static HWND Sibling(const std::vector<HWND>& siblings, HWND hwnd, UINT command) {
    auto at = std::find(siblings.begin(), siblings.end(), hwnd);
    switch (command) {
        case GW_HWNDFIRST:
            return siblings.empty() ? nullptr : siblings.front();
        case GW_HWNDLAST:
            return siblings.empty() ? nullptr : siblings.back();
        case GW_HWNDNEXT:
            return (at == siblings.end() || at + 1 == siblings.end()) ? nullptr : *(at + 1);
        default:  // GW_HWNDPREV
            return (at == siblings.end() || at == siblings.begin()) ? nullptr : *(at - 1);
    }
}

HWND WINAPI GetWindow(HWND hwnd, UINT command) {
    Window* w = GetWindowChecked(hwnd);
    if (!w) return nullptr;
    switch (command) {
        case GW_HWNDFIRST:
        case GW_HWNDLAST:
        case GW_HWNDNEXT:
        case GW_HWNDPREV:
            if (Window* p = Find(w->parent)) return Sibling(p->children, hwnd, command);
            {
                std::lock_guard<std::mutex> lock(g_top_mutex);
                return Sibling(g_top_level, hwnd, command);
            }
        case GW_OWNER:
            return w->owner;
        case GW_CHILD:
            return w->children.empty() ? nullptr : w->children.front();
        case GW_ENABLEDPOPUP:
            return nullptr;
        default:
            return Fail(ERROR_INVALID_GW_COMMAND, nullptr);
    }
}

BOOL WINAPI IsChild(HWND parent, HWND hwnd) {
    Window* w = Find(hwnd);
    while (w && (w->style & WS_CHILD) && w->parent) {
        if (w->parent == parent) return TRUE;
        w = Find(w->parent);
    }
    return FALSE;
}

static BOOL EnumTree(const std::vector<HWND>& list, WNDENUMPROC proc, LPARAM param) {
    for (HWND c : list) {
        if (!Find(c)) continue;
        if (!proc(c, param)) return FALSE;
        Window* cw = Find(c);
        if (cw && !cw->children.empty()) {
            std::vector<HWND> sub = cw->children;
            if (!EnumTree(sub, proc, param)) return FALSE;
        }
    }
    return TRUE;
}

BOOL WINAPI EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM param) {
    if (!proc) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    return Guard(FALSE, [&]() -> BOOL {
        if (!parent) return EnumTree(TopLevelWindows(), proc, param);
        Window* w = GetWindowChecked(parent);
        if (!w) return FALSE;
        std::vector<HWND> children = w->children;
        return EnumTree(children, proc, param);
    });
}

BOOL WINAPI IsWindowEnabled(HWND hwnd) {
    Window* w = GetWindowChecked(hwnd);
    return w && !(w->style & WS_DISABLED);
}

BOOL WINAPI EnableWindow(HWND hwnd, BOOL enable) {
    Window* w = GetWindowChecked(hwnd);
    if (!w) return FALSE;
    BOOL was_disabled = (w->style & WS_DISABLED) != 0;
    if (enable && was_disabled) {
        w->style &= ~WS_DISABLED;
        Send(hwnd, WM_ENABLE, TRUE, 0);
    } else if (!enable && !was_disabled) {
        Send(hwnd, WM_CANCELMODE, 0, 0);
        if (!(w = Find(hwnd))) return FALSE;
        w->style |= WS_DISABLED;
        if (g_focus && (g_focus == hwnd || IsChild(hwnd, g_focus))) SetFocusInternal(nullptr);
        Send(hwnd, WM_ENABLE, FALSE, 0);
    }
    return was_disabled;
}

BOOL WINAPI IsWindowVisible(HWND hwnd) {
    Window* w = GetWindowChecked(hwnd);
    return w && IsVisibleChain(w);
}

BOOL WINAPI IsIconic(HWND hwnd) {
    Window* w = GetWindowChecked(hwnd);
    return w && (w->style & WS_MINIMIZE);
}

BOOL WINAPI IsZoomed(HWND hwnd) {
    Window* w = GetWindowChecked(hwnd);
    return w && (w->style & WS_MAXIMIZE);
}

BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect) {
    Window* w = GetWindowChecked(hwnd);
    if (!w) return FALSE;
    if (!rect) return Fail(ERROR_NOACCESS, FALSE);
    *rect = w->window_rect;
    if (Window* p = Find(w->parent)) {
        POINT o;
        ClientOrigin(p, &o);
        OffsetRect(rect, o.x, o.y);
    }
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect) {
    Window* w = GetWindowChecked(hwnd);
    if (!w) return FALSE;
    if (!rect) return Fail(ERROR_NOACCESS, FALSE);
    *rect = {0, 0, Width(w->client_rect), Height(w->client_rect)};
    return TRUE;
}

// Moves a point by the window's client origin: +1 from client to screen, -1 back.
static BOOL MoveByClientOrigin(HWND hwnd, LPPOINT point, int direction) {
    Window* w = GetWindowChecked(hwnd);
    if (!w || !point) return FALSE;
    POINT o;
    ClientOrigin(w, &o);
    point->x += direction * o.x;
    point->y += direction * o.y;
    return TRUE;
}

BOOL WINAPI ClientToScreen(HWND hwnd, LPPOINT point) {
    return MoveByClientOrigin(hwnd, point, 1);
}

BOOL WINAPI ScreenToClient(HWND hwnd, LPPOINT point) {
    return MoveByClientOrigin(hwnd, point, -1);
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hwnd, int index) {
    Window* w = GetWindowChecked(hwnd);
    if (!w) return 0;
    switch (index) {
        case GWLP_WNDPROC:
            return reinterpret_cast<LONG_PTR>(w->proc);
        case GWLP_HINSTANCE:
            return reinterpret_cast<LONG_PTR>(w->instance);
        case GWLP_HWNDPARENT:
            return reinterpret_cast<LONG_PTR>((w->style & WS_CHILD) ? w->parent : w->owner);
        case GWLP_ID:
            return w->id;
        case GWLP_USERDATA:
            return w->user_data;
        case GWL_STYLE:
            return LONG(w->style);
        case GWL_EXSTYLE:
            return LONG(w->ex_style);
        default:
            if (index >= 0 && size_t(index) + sizeof(LONG_PTR) <= w->extra.size()) {
                LONG_PTR v;
                memcpy(&v, w->extra.data() + index, sizeof v);
                return v;
            }
            return Fail(ERROR_INVALID_INDEX, 0);
    }
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    Window* w = GetWindowChecked(hwnd);
    if (!w) return 0;
    LONG_PTR old = 0;
    switch (index) {
        case GWLP_WNDPROC:
            old = reinterpret_cast<LONG_PTR>(w->proc);
            if (!value) return Fail(ERROR_INVALID_PARAMETER, 0);
            w->proc = reinterpret_cast<WNDPROC>(value);
            return old;
        case GWLP_HINSTANCE:
            old = reinterpret_cast<LONG_PTR>(w->instance);
            w->instance = reinterpret_cast<HINSTANCE>(value);
            return old;
        case GWLP_ID:
            old = w->id;
            w->id = value;
            return old;
        case GWLP_USERDATA:
            old = w->user_data;
            w->user_data = value;
            return old;
        case GWL_STYLE:
        case GWL_EXSTYLE: {
            DWORD& field = index == GWL_STYLE ? w->style : w->ex_style;
            STYLESTRUCT change = {field, DWORD(value)};
            old = LONG(field);
            Send(hwnd, WM_STYLECHANGING, WPARAM(index), reinterpret_cast<LPARAM>(&change));
            if (!(w = Find(hwnd))) return 0;
            DWORD& f = index == GWL_STYLE ? w->style : w->ex_style;
            f = change.styleNew;
            Send(hwnd, WM_STYLECHANGED, WPARAM(index), reinterpret_cast<LPARAM>(&change));
            return old;
        }
        default:
            if (index >= 0 && size_t(index) + sizeof(LONG_PTR) <= w->extra.size()) {
                memcpy(&old, w->extra.data() + index, sizeof old);
                memcpy(w->extra.data() + index, &value, sizeof value);
                return old;
            }
            return Fail(ERROR_INVALID_INDEX, 0);
    }
}

namespace {

// Pointer-sized values do not fit a LONG here; Windows refuses these indexes on 64-bit too.
bool IsPointerIndex(int index) {
    return index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT;
}

// The bytes of the LONG at a byte index of a window's extra bytes, or nullptr with the last
// error set.
char* ExtraLong(HWND hwnd, int index) {
    Window* w = GetWindowChecked(hwnd);
    if (!w) return nullptr;
    if (size_t(index) + sizeof(LONG) > w->extra.size()) return Fail(ERROR_INVALID_INDEX, nullptr);
    return reinterpret_cast<char*>(w->extra.data()) + index;
}

}  // namespace

LONG WINAPI GetWindowLongA(HWND hwnd, int index) {
    if (IsPointerIndex(index)) {
        if (GetWindowChecked(hwnd)) SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    if (index < 0) return LONG(GetWindowLongPtrA(hwnd, index));
    LONG v = 0;
    if (char* p = ExtraLong(hwnd, index)) memcpy(&v, p, sizeof v);
    return v;
}

LONG WINAPI SetWindowLongA(HWND hwnd, int index, LONG value) {
    if (IsPointerIndex(index)) {
        if (GetWindowChecked(hwnd)) SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    if (index < 0) return LONG(SetWindowLongPtrA(hwnd, index, value));
    LONG old = 0;
    if (char* p = ExtraLong(hwnd, index)) {
        memcpy(&old, p, sizeof old);
        memcpy(p, &value, sizeof value);
    }
    return old;
}

// Property names are atoms on Windows, so they compare without regard to case; an integer
// name stands for the atom "#n". Finding one allocates nothing.
class PropName {
  public:
    explicit PropName(LPCSTR name) : text_(name) {
        if (name && IS_INTRESOURCE(name)) {
            snprintf(number_, sizeof number_, "#%llu",
                     static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(name)));
            text_ = number_;
        }
    }
    const char* text() const { return text_; }  // null for no name
    bool Names(const Property& p) const { return _stricmp(p.name.c_str(), text_) == 0; }

  private:
    char number_[24];
    const char* text_;
};

BOOL WINAPI SetPropA(HWND hwnd, LPCSTR name, HANDLE data) {
    Window* w = GetWindowChecked(hwnd);
    if (!w) return FALSE;
    PropName key(name);
    if (!key.text()) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    for (auto& p : w->props)
        if (key.Names(p)) {
            p.value = data;
            return TRUE;
        }
    return Guard(FALSE, [&] {
        w->props.push_back({key.text(), data});
        return TRUE;
    });
}

HANDLE WINAPI GetPropA(HWND hwnd, LPCSTR name) {
    Window* w = GetWindowChecked(hwnd);
    PropName key(name);
    if (!w || !key.text()) return nullptr;
    for (auto& p : w->props)
        if (key.Names(p)) return p.value;
    return nullptr;
}

HANDLE WINAPI RemovePropA(HWND hwnd, LPCSTR name) {
    Window* w = GetWindowChecked(hwnd);
    PropName key(name);
    if (!w || !key.text()) return nullptr;
    for (auto it = w->props.begin(); it != w->props.end(); ++it)
        if (key.Names(*it)) {
            HANDLE v = it->value;
            w->props.erase(it);
            return v;
        }
    return nullptr;
}

BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text) {
    if (!GetWindowChecked(hwnd)) return FALSE;
    return Send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0;
}

int WINAPI GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
    if (!GetWindowChecked(hwnd)) return 0;
    if (!buffer || size <= 0) return 0;
    buffer[0] = 0;
    return int(Send(hwnd, WM_GETTEXT, WPARAM(size), reinterpret_cast<LPARAM>(buffer)));
}

int WINAPI GetWindowTextLengthA(HWND hwnd) {
    if (!GetWindowChecked(hwnd)) return 0;
    return int(Send(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

DWORD WINAPI GetWindowThreadProcessId(HWND hwnd, LPDWORD process_id) {
    Window* w = GetWindowChecked(hwnd);
    if (!w) return 0;
    if (process_id) *process_id = GetCurrentProcessId();
    return w->thread_id;
}

}  // extern "C"
