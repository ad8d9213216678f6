// Event retrieval: the runtime's event queue, the current event, and the loop entry.
//
// Event_Wait returns a queued runtime event when there is one; otherwise it fetches at
// most one platform message, translates and dispatches it, and returns its number (0
// when nothing came). Events queued while dispatching come out of the following calls,
// one per call. Everything here runs on the window thread only; nothing is locked.
#pragma once

#include <windows.h>

#include <stdint.h>

#define EVENT_ANY (-1)

#define EVENT_GADGET 13100
#define EVENT_MENU 13101
#define EVENT_TRAY 13102
#define EVENT_ACTIVATE_WINDOW 13104
#define EVENT_MINIMIZE_WINDOW 13107
#define EVENT_MAXIMIZE_WINDOW 13108
#define EVENT_RESTORE_WINDOW 13109
#define EVENT_TIMER 13110
#define EVENT_RIGHT_CLICK 13111
#define EVENT_LEFT_CLICK 13112
#define EVENT_LEFT_DOUBLE_CLICK 13113
#define EVENT_DEACTIVATE_WINDOW 13114
#define EVENT_REPAINT 13115
#define EVENT_CLOSE_WINDOW 13116
#define EVENT_MOVE_WINDOW 13117
#define EVENT_SIZE_WINDOW 13118

// A message hook: called by the window procedure before its own handling; returning
// anything but RESULT_CONTINUE ends the handling with that result.
typedef LRESULT (*MessageHook)(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
typedef void (*EventDataRelease)(INT_PTR data);

struct MessageState {
    WPARAM last_wparam;
    LPARAM last_lparam;
    WPARAM event_wparam;
    LPARAM event_lparam;
    MessageHook global_hook;
};

struct QueuedEvent {
    struct QueuedEvent* next;
    int32_t code;
    int32_t object;
    int32_t window;
    int32_t type;
    INT_PTR data;
    EventDataRelease data_release;
};

struct EventQueue {
    struct BlockPool* node_pool;
    struct QueuedEvent* head;
    struct QueuedEvent* tail;
    int32_t current_code;
    int32_t current_window;
    int32_t current_object;
    int32_t current_type;
    INT_PTR current_data;
    EventDataRelease current_data_release;
};

extern struct MessageState* Messages;  // from Window_Init
extern struct EventQueue* Events;      // from PostedEvents_Init

int32_t Event_Poll(void);
int32_t Event_Wait(int32_t timeout_ms);
int32_t Event_TakeQueued(void);
void Event_Post(int32_t code, int32_t object, int32_t window, int32_t type);
void Event_PostWithData(int32_t code, int32_t object, int32_t window, int32_t type, INT_PTR data,
                        EventDataRelease release);
void Event_PurgeWindow(int32_t window);
HACCEL Shortcuts_Select(HWND active);
void Window_KeyboardCues(HWND window, int32_t show);
