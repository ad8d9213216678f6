// The window procedure of the runtime's window classes.
#include "window/window_proc.h"

#include <string.h>

#include "runtime/object_table.h"
#include "runtime/window_properties.h"
#include "window/events.h"
#include "window/gadgets.h"
#include "window/window.h"

namespace {

// A control with this identifier stands for a menu: its commands are menu choices.
constexpr LONG kMenuControlId = -10000;

intptr_t WindowId(HWND window) {
    return reinterpret_cast<intptr_t>(GetPropA(window, PROPERTY_WINDOW_ID));
}

BOOL CALLBACK RelaySysColorChange(HWND child, LPARAM) {
    SendMessageA(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}

struct FocusWalk {
    HWND current;
    HWND previous;
    int32_t take_next;
    int32_t done;
};

bool IsTabStop(HWND w) {
    return IsWindowEnabled(w) && IsWindowVisible(w) && (GetWindowLongA(w, GWL_STYLE) & WS_TABSTOP);
}

BOOL CALLBACK FocusNextVisitor(HWND w, LPARAM param) {
    auto* s = reinterpret_cast<FocusWalk*>(param);
    if (!IsTabStop(w)) return TRUE;
    if (s->take_next) {
        SetFocus(w);
        s->take_next = 0;
        return FALSE;
    }
    if (!s->current) {
        SetFocus(w);
        return FALSE;
    }
    if (w == s->current) s->take_next = 1;
    return TRUE;
}

BOOL CALLBACK FocusPreviousVisitor(HWND w, LPARAM param) {
    auto* s = reinterpret_cast<FocusWalk*>(param);
    if (!IsTabStop(w)) return TRUE;
    if (w == s->current && s->previous) {
        SetFocus(s->previous);
        s->done = 1;
        s->previous = w;
        return FALSE;
    }
    s->previous = w;
    return TRUE;
}

// The runtime window a message belongs to: the nearest window up the parent chain that
// carries PROPERTY_WINDOW_ID. Found once, before the hook runs.
struct Target {
    HWND window;           // the receiving window
    HWND found;            // the window that carries the property, or 0
    int32_t number;        // its number; -1 when none was found
    WindowRecord* record;  // its record, which may be missing
    bool own;              // the record's window is the receiving one (set after the hook)
};

Target FindTarget(HWND window) {
    Target t = {window, nullptr, -1, nullptr, false};
    for (HWND w = window; w; w = GetParent(w)) {
        if (intptr_t id = WindowId(w)) {
            t.found = w;
            t.number = int32_t(id - 1);
            t.record = static_cast<WindowRecord*>(Objects_Find(WindowTable, t.number));
            break;
        }
    }
    return t;
}

void PostSizeEvents(const Target& t, WPARAM kind) {
    switch (kind) {
        case SIZE_RESTORED:
            if (t.record && t.record->sized_state) {
                t.record->sized_state = 0;
                Event_Post(EVENT_RESTORE_WINDOW, 0, t.number, 0);
            }
            Event_Post(EVENT_SIZE_WINDOW, 0, t.number, 0);
            break;
        case SIZE_MINIMIZED:
            if (t.record) t.record->sized_state = 1;
            Event_Post(EVENT_MINIMIZE_WINDOW, 0, t.number, 0);
            break;
        case SIZE_MAXIMIZED:
            if (t.record) t.record->sized_state = 1;
            Event_Post(EVENT_MAXIMIZE_WINDOW, 0, t.number, 0);
            Event_Post(EVENT_SIZE_WINDOW, 0, t.number, 0);
            break;
        default:
            Event_Post(EVENT_SIZE_WINDOW, 0, t.number, 0);
            break;
    }
}

void ApplyTrackingLimits(const Target& t, MINMAXINFO* info) {
    const WindowRecord* record = t.record;
    if (record->minimum_width)
        info->ptMinTrackSize.x = record->minimum_width;
    else if (GetWindowLongA(t.window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)
        info->ptMinTrackSize.x = 1;
    if (record->minimum_height) info->ptMinTrackSize.y = record->minimum_height;
    if (record->maximum_width) info->ptMaxTrackSize.x = record->maximum_width;
    if (record->maximum_height) info->ptMaxTrackSize.y = record->maximum_height;
}

// WM_MOVE, WM_SIZE, WM_GETMINMAXINFO.
LRESULT OnPlacement(const Target& t, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_MOVE:
            if (t.own) Event_Post(EVENT_MOVE_WINDOW, t.number, t.number, 0);
            return 0;
        case WM_SIZE:
            if (t.window != t.found) return 1;
            if (t.number == -1) return LRESULT(RESULT_DEFAULT);
            PostSizeEvents(t, wparam);
            return 0;
        default:  // WM_GETMINMAXINFO
            if (!t.record) return LRESULT(RESULT_DEFAULT);
            ApplyTrackingLimits(t, reinterpret_cast<MINMAXINFO*>(lparam));
            return 0;
    }
}

// WM_ACTIVATE, WM_NCDESTROY: the focus is kept across deactivation in PROPERTY_FOCUS.
LRESULT OnActivation(const Target& t, UINT message, WPARAM wparam) {
    if (message == WM_NCDESTROY) {
        RemovePropA(t.window, PROPERTY_FOCUS);
        return 1;
    }
    if (LOWORD(wparam)) {
        if (HWND focus = static_cast<HWND>(GetPropA(t.window, PROPERTY_FOCUS))) SetFocus(focus);
        Event_Post(EVENT_ACTIVATE_WINDOW, 0, t.number, 0);
    } else {
        SetPropA(t.window, PROPERTY_FOCUS, GetFocus());
        Window_KeyboardCues(t.window, 0);
        Event_Post(EVENT_DEACTIVATE_WINDOW, 0, t.number, 0);
    }
    return 1;
}

// WM_ERASEBKGND, WM_SYSCOLORCHANGE.
LRESULT OnColours(const Target& t, UINT message, WPARAM wparam) {
    if (message == WM_SYSCOLORCHANGE) {
        if (t.record && !t.record->mdi_client) EnumChildWindows(t.window, RelaySysColorChange, 0);
        return LRESULT(RESULT_DEFAULT);
    }
    LRESULT r = LRESULT(RESULT_DEFAULT);
    if (t.record) {
        if (t.record->background_brush) {
            RECT client;
            GetClientRect(t.window, &client);
            FillRect(reinterpret_cast<HDC>(wparam), &client, t.record->background_brush);
            r = 1;
        } else if (t.own && t.record->erase_callback) {
            r = t.record->erase_callback(reinterpret_cast<HDC>(wparam), t.window);
        }
    }
    Event_Post(EVENT_REPAINT, 0, t.number, 0);
    return r;
}

// WM_COMMAND, WM_TIMER.
LRESULT OnCommand(const Target& t, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_TIMER) {
        if (!t.record) return LRESULT(RESULT_DEFAULT);
        Event_Post(EVENT_TIMER, int32_t(wparam), t.number, 0);
        return 0;
    }
    HWND control = reinterpret_cast<HWND>(lparam);
    if (!Result_Is(Gadget_Forward(control, t.window, message, wparam, lparam), RESULT_DEFAULT))
        return 0;
    if (control) {
        LONG id = GetWindowLongA(control, GWL_ID);
        if (id == kMenuControlId)
            Event_Post(EVENT_MENU, LOWORD(wparam), t.number, 0);
        else
            Event_Post(EVENT_GADGET, id, t.number, HIWORD(wparam));
    } else if (HIWORD(wparam) == 0) {
        Event_Post(EVENT_MENU, int32_t(wparam), t.number, 0);
    } else if (LOWORD(wparam) == COMMAND_FOCUS_NEXT) {
        Focus_Move(0);
    } else if (LOWORD(wparam) == COMMAND_FOCUS_PREVIOUS) {
        Focus_Move(1);
    } else {
        Event_Post(EVENT_MENU, LOWORD(wparam), t.number, 0);
    }
    return 0;
}

// Notifications and colour queries of controls, handed to their gadgets.
LRESULT OnControlMessage(const Target& t, UINT message, WPARAM wparam, LPARAM lparam) {
    HWND control = reinterpret_cast<HWND>(lparam);
    if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<const NMHDR*>(lparam);
        control = header ? header->hwndFrom : nullptr;
    }
    return Gadget_Forward(control, t.window, message, wparam, lparam);
}

// The tray icon's mouse message as an EVENT_TRAY type; -1 for one that makes no event.
int32_t TrayEventType(LPARAM mouse_message) {
    switch (mouse_message) {
        case WM_LBUTTONDOWN:
            return 0;
        case WM_RBUTTONDOWN:
            return 1;
        case WM_LBUTTONDBLCLK:
            return 2;
        case WM_RBUTTONDBLCLK:
            return 3;
        default:
            return -1;
    }
}

// Clicks in the window, and the tray icon's mouse messages.
LRESULT OnClicks(const Target& t, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_LBUTTONUP:
            Event_Post(EVENT_LEFT_CLICK, 0, t.number, 0);
            return 0;
        case WM_LBUTTONDBLCLK:
            Event_Post(EVENT_LEFT_DOUBLE_CLICK, 0, t.number, 0);
            return 0;
        case WM_RBUTTONUP:
            Event_Post(EVENT_RIGHT_CLICK, 0, t.number, 0);
            return 0;
        default: {  // TRAY_CALLBACK_MESSAGE
            int32_t type = TrayEventType(lparam);
            if (type >= 0) Event_Post(EVENT_TRAY, int32_t(wparam), t.number, type);
            PostMessageA(t.window, WM_NULL, 0, 0);
            return 0;
        }
    }
}

}  // namespace

LRESULT CALLBACK Window_ClassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT r = Window_HandleMessage(window, message, wparam, lparam);
    if (message != WM_SIZE) {
        if (HWND client = static_cast<HWND>(GetPropA(window, PROPERTY_MDI_GADGET))) {
            if (Result_Is(r, RESULT_DEFAULT) || message == WM_MENUCHAR || message == WM_SETFOCUS)
                return DefFrameProcA(window, client, message, wparam, lparam);
            if (message == WM_COMMAND && lparam == 0)
                return DefFrameProcA(window, client, WM_COMMAND, wparam, 0);
            return r;
        }
    }
    SetLastError(ERROR_SUCCESS);
    return Result_Is(r, RESULT_DEFAULT) ? DefWindowProcA(window, message, wparam, lparam) : r;
}

LRESULT Window_HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    Target t = FindTarget(window);
    MessageHook hook = (t.record && t.record->hook) ? t.record->hook
                                                    : (Messages ? Messages->global_hook : nullptr);
    if (hook) {
        LRESULT h = hook(window, message, wparam, lparam);
        if (!Result_Is(h, RESULT_CONTINUE)) return h;
    }
    // Read after the hook, which may have changed the record.
    t.own = t.record && t.record->handle == window;
    switch (message) {
        case WM_MOVE:
        case WM_SIZE:
        case WM_GETMINMAXINFO:
            return OnPlacement(t, message, wparam, lparam);
        case WM_ACTIVATE:
        case WM_NCDESTROY:
            return OnActivation(t, message, wparam);
        case WM_CLOSE:
            if (t.own) Event_Post(EVENT_CLOSE_WINDOW, t.number, t.number, 0);
            return 0;
        case WM_ERASEBKGND:
        case WM_SYSCOLORCHANGE:
            return OnColours(t, message, wparam);
        case WM_COMMAND:
        case WM_TIMER:
            return OnCommand(t, message, wparam, lparam);
        case WM_NOTIFY:
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC:
        case GADGET_FORWARD_MESSAGE:
            return OnControlMessage(t, message, wparam, lparam);
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONUP:
        case TRAY_CALLBACK_MESSAGE:
            return OnClicks(t, message, wparam, lparam);
        default:
            return LRESULT(RESULT_DEFAULT);
    }
}

LRESULT Gadget_Forward(HWND control, HWND parent, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!control) return LRESULT(RESULT_DEFAULT);
    intptr_t id = reinterpret_cast<intptr_t>(GetPropA(control, PROPERTY_GADGET_ID));
    if (id != GetWindowLongA(control, GWL_ID)) return LRESULT(RESULT_DEFAULT);
    auto* gadget = static_cast<GadgetRecord*>(Objects_Find(GadgetTable, int32_t(id)));
    if (gadget && gadget->operations && gadget->operations->message_handler)
        return gadget->operations->message_handler(gadget, parent, message, wparam, lparam);
    return LRESULT(RESULT_DEFAULT);
}

void Focus_Move(int32_t backward) {
    HWND root = GetActiveWindow();
    HWND focus = GetFocus();
    FocusWalk s = {nullptr, nullptr, 0, 0};
    if (IsChild(root, focus)) {
        s.current = focus;
        for (HWND w = focus; w; w = GetParent(w)) {
            char name[50];
            if (!GetClassNameA(w, name, sizeof name)) continue;
            if (strcmp(name, "MDI_ChildClass") == 0) {
                root = w;
                if (w == focus) s.current = nullptr;
            } else if (strcmp(name, "ComboBoxEx32") == 0) {
                // The bit of CBS_SIMPLE, which CBS_DROPDOWNLIST has too.
                if (GetWindowLongA(w, GWL_STYLE) & CBS_SIMPLE) s.current = w;
            } else if (strcmp(name, "SysIPAddress32") == 0) {
                s.current = w;
            }
        }
    }
    if (!backward) {
        EnumChildWindows(root, FocusNextVisitor, reinterpret_cast<LPARAM>(&s));
        if (s.take_next) EnumChildWindows(root, FocusNextVisitor, reinterpret_cast<LPARAM>(&s));
    } else {
        EnumChildWindows(root, FocusPreviousVisitor, reinterpret_cast<LPARAM>(&s));
        if (!s.done && s.previous) SetFocus(s.previous);
    }
}
