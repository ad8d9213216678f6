// Posted events and bindings.
//
// PostedEvents_Init makes the event queue, a hidden "PostEventClass" window with the
// registered message "QX_PostEventMessage", through which any thread hands an event to
// the window thread, and the bindings map from "code:window:object:type" keys to lists of
// callbacks. Every posted event is offered to the bindings at once (Bindings_Dispatch).
#pragma once

#include <windows.h>

#include <stdint.h>

struct StringMap;

// The block another thread posts (as lParam of the registered message); allocated from
// the RuntimeHeap by the sender and released by the receiver.
struct PostedEventBlock {
    int32_t unused;
    int32_t code;
    int32_t object;
    int32_t window;
    int32_t type;
    int32_t data;
};

typedef void (*BindingCallbackFn)(void);

struct BindingCallback {
    struct BindingCallback* next;
    BindingCallbackFn callback;
};

struct EventBinding {
    struct BindingCallback* callbacks;
    int32_t window;
};

extern HWND PostedEventWindow;
extern UINT PostedEventMessage;
extern struct StringMap* Bindings;

void PostedEvents_Init(void);
void PostedEvents_End(void);
LRESULT CALLBACK PostedEvents_WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void Bindings_Dispatch(int32_t code, int32_t window, int32_t object, int32_t type);
void Bindings_Call(int32_t code, int32_t window, int32_t object, int32_t type);
void Bindings_RemoveWindow(int32_t window);
// Binds callback to the event key (code, window, object, type), EVENT_ANY standing for
// any value where Bindings_Dispatch looks for it; `owner` is the window whose closing
// removes the binding. Callbacks of one key run in the order they were added. The node
// comes from the RuntimeHeap. 0 when no memory.
int32_t Bindings_Add(int32_t code, int32_t window, int32_t object, int32_t type, int32_t owner,
                     BindingCallbackFn callback);
