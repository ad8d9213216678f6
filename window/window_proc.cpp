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
    HWND found = nullptr;
    int32_t number = -1;
    WindowRecord* record = nullptr;
    for (HWND w = window; w; w = GetParent(w)) {
        if (intptr_t id = WindowId(w)) {
            found = w;
            number = int32_t(id - 1);
            record = static_cast<WindowRecord*>(Objects_Find(WindowTable, number));
            break;
        }
    }
    MessageHook hook =
        (record && record->hook) ? record->hook : (Messages ? Messages->global_hook : nullptr);
    if (hook) {
        LRESULT h = hook(window, message, wparam, lparam);
        if (!Result_Is(h, RESULT_CONTINUE)) return h;
    }
    bool own = record && record->handle == window;

    switch (message) {
        case WM_MOVE:
            if (own) Event_Post(EVENT_MOVE_WINDOW, number, number, 0);
            return 0;
        case WM_SIZE:
            if (window != found) return 1;
            if (number == -1) return LRESULT(RESULT_DEFAULT);
            switch (wparam) {
                case SIZE_RESTORED:
                    if (record && record->sized_state) {
                        record->sized_state = 0;
                        Event_Post(EVENT_RESTORE_WINDOW, 0, number, 0);
                    }
                    Event_Post(EVENT_SIZE_WINDOW, 0, number, 0);
                    break;
                case SIZE_MINIMIZED:
                    if (record) record->sized_state = 1;
                    Event_Post(EVENT_MINIMIZE_WINDOW, 0, number, 0);
                    break;
                case SIZE_MAXIMIZED:
                    if (record) record->sized_state = 1;
                    Event_Post(EVENT_MAXIMIZE_WINDOW, 0, number, 0);
                    Event_Post(EVENT_SIZE_WINDOW, 0, number, 0);
                    break;
                default:
                    Event_Post(EVENT_SIZE_WINDOW, 0, number, 0);
                    break;
            }
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wparam)) {
                if (HWND focus = static_cast<HWND>(GetPropA(window, PROPERTY_FOCUS)))
                    SetFocus(focus);
                Event_Post(EVENT_ACTIVATE_WINDOW, 0, number, 0);
            } else {
                SetPropA(window, PROPERTY_FOCUS, GetFocus());
                Window_KeyboardCues(window, 0);
                Event_Post(EVENT_DEACTIVATE_WINDOW, 0, number, 0);
            }
            return 1;
        case WM_CLOSE:
            if (own) Event_Post(EVENT_CLOSE_WINDOW, number, number, 0);
            return 0;
        case WM_ERASEBKGND: {
            LRESULT r = LRESULT(RESULT_DEFAULT);
            if (record) {
                if (record->background_brush) {
                    RECT client;
                    GetClientRect(window, &client);
                    FillRect(reinterpret_cast<HDC>(wparam), &client, record->background_brush);
                    r = 1;
                } else if (own && record->erase_callback) {
                    r = record->erase_callback(reinterpret_cast<HDC>(wparam), window);
                }
            }
            Event_Post(EVENT_REPAINT, 0, number, 0);
            return r;
        }
        case WM_SYSCOLORCHANGE:
            if (record && !record->mdi_client) EnumChildWindows(window, RelaySysColorChange, 0);
            return LRESULT(RESULT_DEFAULT);
        case WM_GETMINMAXINFO: {
            if (!record) return LRESULT(RESULT_DEFAULT);
            auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
            if (record->minimum_width)
                info->ptMinTrackSize.x = record->minimum_width;
            else if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)
                info->ptMinTrackSize.x = 1;
            if (record->minimum_height) info->ptMinTrackSize.y = record->minimum_height;
            if (record->maximum_width) info->ptMaxTrackSize.x = record->maximum_width;
            if (record->maximum_height) info->ptMaxTrackSize.y = record->maximum_height;
            return 0;
        }
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<const NMHDR*>(lparam);
            return Gadget_Forward(header ? header->hwndFrom : nullptr, window, message, wparam,
                                  lparam);
        }
        case WM_NCDESTROY:
            RemovePropA(window, PROPERTY_FOCUS);
            return 1;
        case WM_COMMAND: {
            HWND control = reinterpret_cast<HWND>(lparam);
            if (!Result_Is(Gadget_Forward(control, window, message, wparam, lparam),
                           RESULT_DEFAULT))
                return 0;
            if (control) {
                LONG id = GetWindowLongA(control, GWL_ID);
                if (id == kMenuControlId)
                    Event_Post(EVENT_MENU, LOWORD(wparam), number, 0);
                else
                    Event_Post(EVENT_GADGET, id, number, HIWORD(wparam));
            } else if (HIWORD(wparam) == 0) {
                Event_Post(EVENT_MENU, int32_t(wparam), number, 0);
            } else if (LOWORD(wparam) == COMMAND_FOCUS_NEXT) {
                Focus_Move(0);
            } else if (LOWORD(wparam) == COMMAND_FOCUS_PREVIOUS) {
                Focus_Move(1);
            } else {
                Event_Post(EVENT_MENU, LOWORD(wparam), number, 0);
            }
            return 0;
        }
        case WM_TIMER:
            if (!record) return LRESULT(RESULT_DEFAULT);
            Event_Post(EVENT_TIMER, int32_t(wparam), number, 0);
            return 0;
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC:
        case GADGET_FORWARD_MESSAGE:
            return Gadget_Forward(reinterpret_cast<HWND>(lparam), window, message, wparam, lparam);
        case WM_LBUTTONUP:
            Event_Post(EVENT_LEFT_CLICK, 0, number, 0);
            return 0;
        case WM_LBUTTONDBLCLK:
            Event_Post(EVENT_LEFT_DOUBLE_CLICK, 0, number, 0);
            return 0;
        case WM_RBUTTONUP:
            Event_Post(EVENT_RIGHT_CLICK, 0, number, 0);
            return 0;
        case TRAY_CALLBACK_MESSAGE: {
            int32_t type = -1;
            switch (lparam) {
                case WM_LBUTTONDOWN:
                    type = 0;
                    break;
                case WM_RBUTTONDOWN:
                    type = 1;
                    break;
                case WM_LBUTTONDBLCLK:
                    type = 2;
                    break;
                case WM_RBUTTONDBLCLK:
                    type = 3;
                    break;
            }
            if (type >= 0) Event_Post(EVENT_TRAY, int32_t(wparam), number, type);
            PostMessageA(window, WM_NULL, 0, 0);
            return 0;
        }
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
