// The default window procedure, the frame procedure's share of MDI, and the procedures
// of the system classes.
#include <algorithm>

#include "host/host.h"
#include "user32_internal.h"

namespace zv::user32 {
namespace {

void UpdateUiState(HWND hwnd, WPARAM wparam) {
    Window* w = Find(hwnd);
    if (!w) return;
    DWORD flags = HIWORD(wparam) & (UISF_HIDEFOCUS | UISF_HIDEACCEL | UISF_ACTIVE);
    switch (LOWORD(wparam)) {
        case UIS_SET:
            w->ui_state |= flags;
            break;
        case UIS_CLEAR:
            w->ui_state &= ~flags;
            break;
        case UIS_INITIALIZE:
            w->ui_state = flags;
            break;
        default:
            return;
    }
    // Children follow their parent's state.
    std::vector<HWND> children = w->children;
    for (HWND c : children)
        if (Find(c)) Send(c, WM_UPDATEUISTATE, wparam, 0);
}

// WM_NCCREATE, WM_NCCALCSIZE, WM_NCHITTEST, WM_NCACTIVATE.
LRESULT DefaultNonClient(Window* w, UINT message, LPARAM lparam) {
    switch (message) {
        case WM_NCCREATE: {
            auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lparam);
            if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) w->text = cs->lpszName;
            return TRUE;
        }
        case WM_NCCALCSIZE: {
            RECT* r = reinterpret_cast<RECT*>(lparam);  // rgrc[0] in both forms
            if (!r) return 0;
            if (w->style & WS_MINIMIZE) {
                r->right = r->left;
                r->bottom = r->top;
                return 0;
            }
            RECT in;
            NonClientInsets(w->style, w->ex_style, false, &in);
            r->left += in.left;
            r->top += in.top;
            r->right = std::max(r->left, r->right - in.right);
            r->bottom = std::max(r->top, r->bottom - in.bottom);
            return 0;
        }
        case WM_NCHITTEST:
            return HTCLIENT;
        default:  // WM_NCACTIVATE
            return TRUE;
    }
}

// WM_MOUSEACTIVATE, WM_ACTIVATE.
LRESULT DefaultActivation(HWND hwnd, Window* w, UINT message, WPARAM wparam) {
    if (message == WM_MOUSEACTIVATE) return MA_ACTIVATE;
    if (LOWORD(wparam) != WA_INACTIVE && !(w->style & WS_MINIMIZE) && TopLevelOf(hwnd) == g_active)
        SetFocus(hwnd);
    return 0;
}

// WM_CLOSE, WM_SYSCOMMAND, WM_SYSKEYDOWN: closing, and the window menu's commands.
LRESULT DefaultClosing(HWND hwnd, Window* w, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_SYSCOMMAND:
            switch (wparam & 0xFFF0) {
                case SC_CLOSE:
                    if (!(w->cls->style & CS_NOCLOSE)) Send(hwnd, WM_CLOSE, 0, 0);
                    break;
                case SC_MINIMIZE:
                    ShowWindow(hwnd, SW_MINIMIZE);
                    break;
                case SC_MAXIMIZE:
                    ShowWindow(hwnd, SW_MAXIMIZE);
                    break;
                case SC_RESTORE:
                    ShowWindow(hwnd, SW_RESTORE);
                    break;
            }
            return 0;
        default:  // WM_SYSKEYDOWN
            if (wparam == VK_F4 && (HIWORD(lparam) & KF_ALTDOWN))
                PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            return 0;
    }
}

// WM_ERASEBKGND, WM_PAINT.
LRESULT DefaultPainting(HWND hwnd, Window* w, UINT message, WPARAM wparam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    HBRUSH brush = w->cls->background;
    if (!brush || !wparam) return 0;
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(reinterpret_cast<HDC>(wparam), &r, brush);
    return 1;
}

// WM_WINDOWPOSCHANGING clamps a new size to the tracking limits; WM_WINDOWPOSCHANGED tells
// the window it moved or changed size.
LRESULT DefaultPosition(HWND hwnd, Window* w, UINT message, LPARAM lparam) {
    if (message == WM_WINDOWPOSCHANGING) {
        auto* wp = reinterpret_cast<WINDOWPOS*>(lparam);
        if (wp && !(wp->flags & SWP_NOSIZE) &&
            ((w->style & WS_THICKFRAME) || !(w->style & (WS_POPUP | WS_CHILD)))) {
            MINMAXINFO info;
            GetMinMax(hwnd, &info);
            // The icon's size is the system's, not bound by the tracking limits.
            if (!(w = Find(hwnd)) || (w->style & WS_MINIMIZE)) return 0;
            wp->cx = std::clamp(wp->cx, int(info.ptMinTrackSize.x),
                                std::max(int(info.ptMinTrackSize.x), int(info.ptMaxTrackSize.x)));
            wp->cy = std::clamp(wp->cy, int(info.ptMinTrackSize.y),
                                std::max(int(info.ptMinTrackSize.y), int(info.ptMaxTrackSize.y)));
        }
        return 0;
    }
    auto* wp = reinterpret_cast<const WINDOWPOS*>(lparam);
    if (!wp) return 0;
    if (!(wp->flags & kSwpNoClientMove))
        Send(hwnd, WM_MOVE, 0, MAKELPARAM(w->client_rect.left, w->client_rect.top));
    // WM_MOVE may have destroyed the window.
    if (!(w = Find(hwnd))) return 0;
    if (!(wp->flags & kSwpNoClientSize) || (wp->flags & kSwpStateChanged))
        Send(hwnd, WM_SIZE, SizeKind(w), SizeParam(w));
    return 0;
}

// WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH: the window text, mirrored in the native title.
LRESULT DefaultText(HWND hwnd, Window* w, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_SETTEXT:
            w->text = lparam ? reinterpret_cast<const char*>(lparam) : "";
            if (w->native) zv::host::SetNativeTitle(hwnd, w->text.c_str());
            return TRUE;
        case WM_GETTEXT: {
            char* buffer = reinterpret_cast<char*>(lparam);
            if (!buffer || wparam == 0) return 0;
            size_t n = std::min(w->text.size(), size_t(wparam - 1));
            memcpy(buffer, w->text.data(), n);
            buffer[n] = 0;
            return LRESULT(n);
        }
        default:  // WM_GETTEXTLENGTH
            return LRESULT(w->text.size());
    }
}

// WM_QUERYUISTATE, WM_UPDATEUISTATE, WM_CHANGEUISTATE: the keyboard-cue state.
LRESULT DefaultUiState(HWND hwnd, Window* w, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_QUERYUISTATE:
            return w->ui_state;
        case WM_UPDATEUISTATE:
            UpdateUiState(hwnd, wparam);
            return 0;
        default:  // WM_CHANGEUISTATE goes up to the top of the chain of children
            if (w->parent && (w->style & WS_CHILD))
                Send(w->parent, WM_CHANGEUISTATE, wparam, lparam);
            else
                Send(hwnd, WM_UPDATEUISTATE, wparam, lparam);
            return 0;
    }
}

}  // namespace

LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_NCHITTEST: {
            Window* w = Find(hwnd);
            return (w && (w->style & SS_NOTIFY)) ? HTCLIENT : HTTRANSPARENT;
        }
        case WM_GETDLGCODE:
            return DLGC_STATIC;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_SETTEXT:
            InvalidateRect(hwnd, nullptr, TRUE);
            break;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

LRESULT CALLBACK MdiClientProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_MDIDESTROY: {
            HWND child = reinterpret_cast<HWND>(wparam);
            if (IsChild(hwnd, child)) DestroyWindow(child);
            return 0;
        }
        case WM_MDIGETACTIVE: {
            Window* w = Find(hwnd);
            return (w && !w->children.empty()) ? reinterpret_cast<LRESULT>(w->children.back()) : 0;
        }
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace zv::user32

using namespace zv::user32;

extern "C" {

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return Guard(LRESULT(0), [&]() -> LRESULT {
        Window* w = Find(hwnd);
        if (!w) return 0;
        switch (message) {
            case WM_NCCREATE:
            case WM_NCCALCSIZE:
            case WM_NCHITTEST:
            case WM_NCACTIVATE:
                return DefaultNonClient(w, message, lparam);
            case WM_MOUSEACTIVATE:
            case WM_ACTIVATE:
                return DefaultActivation(hwnd, w, message, wparam);
            case WM_CLOSE:
            case WM_SYSCOMMAND:
            case WM_SYSKEYDOWN:
                return DefaultClosing(hwnd, w, message, wparam, lparam);
            case WM_QUERYOPEN:  // a minimized window may be restored
                return TRUE;
            case WM_ERASEBKGND:
            case WM_PAINT:
                return DefaultPainting(hwnd, w, message, wparam);
            case WM_WINDOWPOSCHANGING:
            case WM_WINDOWPOSCHANGED:
                return DefaultPosition(hwnd, w, message, lparam);
            case WM_SETTEXT:
            case WM_GETTEXT:
            case WM_GETTEXTLENGTH:
                return DefaultText(hwnd, w, message, wparam, lparam);
            case WM_QUERYUISTATE:
            case WM_UPDATEUISTATE:
            case WM_CHANGEUISTATE:
                return DefaultUiState(hwnd, w, message, wparam, lparam);
            case WM_CTLCOLORMSGBOX:
            case WM_CTLCOLOREDIT:
            case WM_CTLCOLORLISTBOX:
            case WM_CTLCOLORBTN:
            case WM_CTLCOLORDLG:
            case WM_CTLCOLORSCROLLBAR:
            case WM_CTLCOLORSTATIC:
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
            default:
                return 0;
        }
    });
}

LRESULT WINAPI DefFrameProcA(HWND hwnd, HWND mdi_client, UINT message, WPARAM wparam,
                             LPARAM lparam) {
    if (mdi_client && Find(mdi_client)) {
        switch (message) {
            case WM_SETFOCUS:
                SetFocus(mdi_client);
                return 0;
            case WM_SIZE:
                MoveWindow(mdi_client, 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE);
                return 0;
        }
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // extern "C"
