// Posted events from other threads, and event bindings.
#include "window/posted_events.h"

#include "runtime/block_pool.h"
#include "runtime/heaps.h"
#include "window/events.h"
#include "runtime/string_map.h"

HWND PostedEventWindow;
UINT PostedEventMessage;
struct StringMap* Bindings;

namespace {

// The bindings map's value type code: stored with the map, never read back.
constexpr int32_t kBindingsTypeCode = 7;

void InitQueue(void* record) {
    auto* q = static_cast<EventQueue*>(record);
    q->node_pool = Pool_Create(sizeof(QueuedEvent), 16, 256, POOL_UNLOCKED);
    // One node stays taken for good, so the pool never gives its first chunk back.
    Pool_Alloc(q->node_pool);
}

// Writes a signed decimal, as "%d" does; returns the end.
char* PutInt(char* out, int32_t value) {
    uint32_t v = uint32_t(value);
    if (value < 0) {
        *out++ = '-';
        v = 0u - v;
    }
    char digits[10];
    int n = 0;
    do {
        digits[n++] = char('0' + v % 10);
        v /= 10;
    } while (v);
    while (n)
        *out++ = digits[--n];
    return out;
}

// The key "%d:%d:%d:%d" (at most 47 characters). Every posted event formats five of
// them, so this avoids the general formatter.
void FormatKey(char (&key)[64], int32_t code, int32_t window, int32_t object, int32_t type) {
    char* p = PutInt(key, code);
    *p++ = ':';
    p = PutInt(p, window);
    *p++ = ':';
    p = PutInt(p, object);
    *p++ = ':';
    p = PutInt(p, type);
    *p = 0;
}

}  // namespace

void PostedEvents_Init(void) {
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = PostedEvents_WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "PostEventClass";
    RegisterClassA(&wc);
    PostedEventWindow = CreateWindowExA(0, "PostEventClass", nullptr, WS_CAPTION, 0, 0, 1, 1,
                                        nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    PostedEventMessage = RegisterWindowMessageA("QX_PostEventMessage");
    Events = static_cast<EventQueue*>(Global_Alloc(sizeof(EventQueue), InitQueue, nullptr));
    // 8 bytes where pointers take 4: the value is an EventBinding.
    Map_New(sizeof(EventBinding), kBindingsTypeCode, nullptr, &Bindings, 1024);
}

void PostedEvents_End(void) {
    DestroyWindow(PostedEventWindow);
    PostedEventWindow = nullptr;
}

LRESULT CALLBACK PostedEvents_WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == PostedEventMessage && PostedEventMessage) {
        auto* block = reinterpret_cast<PostedEventBlock*>(lparam);
        if (block) {
            Event_PostWithData(block->code, block->object, block->window, block->type, block->data,
                               nullptr);
            Runtime_Free(block);
        }
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

void Bindings_Call(int32_t code, int32_t window, int32_t object, int32_t type) {
    char key[64];
    FormatKey(key, code, window, object, type);
    auto* binding = static_cast<EventBinding*>(Map_Find(Bindings, key));
    if (!binding) return;
    for (BindingCallback* node = binding->callbacks; node;) {
        BindingCallbackFn callback = node->callback;
        callback();
        node = node->next;
    }
}

void Bindings_Dispatch(int32_t code, int32_t window, int32_t object, int32_t type) {
    if (!Bindings) return;
    Bindings_Call(code, window, object, type);
    Bindings_Call(code, window, object, EVENT_ANY);
    Bindings_Call(code, window, EVENT_ANY, EVENT_ANY);
    Bindings_Call(code, EVENT_ANY, EVENT_ANY, EVENT_ANY);
    Bindings_Call(code, EVENT_ANY, object, type);
}

void Bindings_RemoveWindow(int32_t window) {
    if (!Bindings) return;
    Map_Reset(Bindings);
    while (auto* binding = static_cast<EventBinding*>(Map_Next(Bindings)))
        if (binding->window == window) Map_DeleteCurrent(Bindings);
}

int32_t Bindings_Add(int32_t code, int32_t window, int32_t object, int32_t type, int32_t owner,
                     BindingCallbackFn callback) {
    if (!Bindings || !callback) return 0;
    auto* node = static_cast<BindingCallback*>(Runtime_Alloc(sizeof(BindingCallback), TRUE));
    if (!node) return 0;
    node->callback = callback;
    char key[64];
    FormatKey(key, code, window, object, type);
    auto* binding = static_cast<EventBinding*>(Map_Find(Bindings, key));
    if (!binding) {
        binding = static_cast<EventBinding*>(Map_Add(Bindings, key, 0));
        if (!binding) {
            Runtime_Free(node);
            return 0;
        }
        binding->window = owner;
    }
    BindingCallback** link = &binding->callbacks;
    while (*link)
        link = &(*link)->next;
    *link = node;
    return 1;
}
