// Event retrieval: the queue of runtime events, the current event, and Event_Wait.
#include <stdio.h>
#include <string.h>

#include <richedit.h>

#include "runtime/block_pool.h"
#include "runtime/window_properties.h"
#include "window/events.h"
#include "window/posted_events.h"
#include "window/window.h"

struct MessageState* Messages;
struct EventQueue* Events;

int32_t Event_Poll(void) {
    return Event_Wait(0);
}

int32_t Event_Wait(int32_t timeout_ms) {
    int32_t code = Event_TakeQueued();
    if (code) {
        Messages->last_wparam = 0;
        Messages->last_lparam = 0;
        Messages->event_wparam = 0;
        Messages->event_lparam = 0;
        return code;
    }
    MSG msg;
    if (timeout_ms == -1) {
        GetMessageA(&msg, nullptr, 0, 0);
    } else if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) {
        if (timeout_ms == 0) return 0;
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(timeout_ms),
                                      QS_ALLINPUT | QS_ALLPOSTMESSAGE) == WAIT_TIMEOUT)
            return 0;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) return 0;
    }
    HWND active = GetActiveWindow();
    HACCEL table = Shortcuts_Select(active);
    if (table && TranslateAcceleratorA(active, table, &msg)) {
        if (active) Window_KeyboardCues(active, 1);
    } else {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Messages->last_wparam = msg.wParam;
    Messages->last_lparam = msg.lParam;
    Messages->event_wparam = msg.wParam;
    Messages->event_lparam = msg.lParam;
    return int32_t(msg.message);
}

int32_t Event_TakeQueued(void) {
    EventQueue* q = Events;
    q->current_code = 0;
    if (q->current_data && q->current_data_release) {
        q->current_data_release(q->current_data);
        q->current_data = 0;
        q->current_data_release = nullptr;
    }
    q->current_type = EVENT_ANY;
    QueuedEvent* head = q->head;
    if (head) {
        q->current_code = head->code;
        q->current_window = head->window;
        q->current_object = head->object;
        q->current_type = head->type;
        q->current_data = head->data;
        q->current_data_release = head->data_release;
        q->head = head->next;
        if (head == q->tail) q->tail = nullptr;
        Pool_Free(q->node_pool, head);
    }
    return q->current_code;
}

void Event_Post(int32_t code, int32_t object, int32_t window, int32_t type) {
    Event_PostWithData(code, object, window, type, 0, nullptr);
}

// Codes below this merge with an identical event at the tail of the queue; codes from it
// up are always queued, each one.
constexpr int32_t kFirstUnmergedCode = 0x10000;

void Event_PostWithData(int32_t code, int32_t object, int32_t window, int32_t type, INT_PTR data,
                        EventDataRelease release) {
    EventQueue* q = Events;
    QueuedEvent* tail = q->tail;
    if (!(tail && code < kFirstUnmergedCode && tail->code == code && tail->object == object &&
          tail->window == window && tail->type == type)) {
        auto* node = static_cast<QueuedEvent*>(Pool_Alloc(q->node_pool));
        if (node) {
            *node = {nullptr, code, object, window, type, data, release};
            if (tail)
                tail->next = node;
            else
                q->head = node;
            q->tail = node;
        } else if (data && release) {
            // No room for the event: its data is not going anywhere, so let it go now.
            release(data);
        }
    }
    int32_t saved_code = q->current_code, saved_window = q->current_window,
            saved_object = q->current_object, saved_type = q->current_type;
    INT_PTR saved_data = q->current_data;
    EventDataRelease saved_release = q->current_data_release;
    q->current_code = code;
    q->current_window = window;
    q->current_object = object;
    q->current_type = type;
    q->current_data = data;
    q->current_data_release = release;
    Bindings_Dispatch(code, window, object, type);
    q->current_code = saved_code;
    q->current_window = saved_window;
    q->current_object = saved_object;
    q->current_type = saved_type;
    q->current_data = saved_data;
    q->current_data_release = saved_release;
}

void Event_PurgeWindow(int32_t window) {
    EventQueue* q = Events;
    if (!q) return;
    QueuedEvent* kept_tail = nullptr;
    QueuedEvent** link = &q->head;
    while (QueuedEvent* node = *link) {
        if (node->window == window) {
            *link = node->next;
            Pool_Free(q->node_pool, node);
        } else {
            kept_tail = node;
            link = &node->next;
        }
    }
    q->tail = kept_tail;
}

static bool KeyDown(int vk) {
    return (GetKeyState(vk) & 0x80) != 0;
}

HACCEL Shortcuts_Select(HWND active) {
    HWND focus = GetFocus();
    if (focus && KeyDown(VK_TAB) && !KeyDown(VK_CONTROL) && !KeyDown(VK_SHIFT) &&
        !KeyDown(VK_MENU)) {
        char name[5];
        if (GetClassNameA(focus, name, sizeof name) && strcmp(name, "Rich") == 0 &&
            !(SendMessageA(focus, EM_GETOPTIONS, 0, 0) & ECO_READONLY))
            return nullptr;
    }
    if (active && (KeyDown(VK_CONTROL) || KeyDown(VK_SHIFT) || KeyDown(VK_MENU)))
        Window_KeyboardCues(active, 1);
    if (focus && GetPropA(focus, PROPERTY_HOTKEY)) return nullptr;
    intptr_t id = reinterpret_cast<intptr_t>(GetPropA(active, PROPERTY_WINDOW_ID));
    if (id == 0) return nullptr;
    DWORD process = 0;
    if (!GetWindowThreadProcessId(active, &process) || process != GetCurrentProcessId())
        return nullptr;
    auto* record = static_cast<WindowRecord*>(Objects_Find(WindowTable, int32_t(id - 1)));
    return record ? record->shortcut_table : nullptr;
}

void Window_KeyboardCues(HWND window, int32_t show) {
    const WORD cues = UISF_HIDEFOCUS | UISF_HIDEACCEL;
    LRESULT state = SendMessageA(window, WM_QUERYUISTATE, 0, 0);
    if (show) {
        if (state & cues) SendMessageA(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, cues), 0);
    } else if ((state & cues) != cues) {
        SendMessageA(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, cues), 0);
    }
}
