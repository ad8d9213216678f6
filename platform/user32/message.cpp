// Messages and queues. SendMessageA calls the procedure at once (or, for a window of
// another thread, has that thread call it while it fetches messages, and waits); posted
// messages wait in the receiving thread's queue. Fetching takes, in this order: messages
// sent from other threads (handled on the spot), posted messages, WM_QUIT, input, then
// WM_PAINT for a visible window with an update region.
#include <algorithm>
#include <chrono>
#include <map>

#include "host/host.h"
#include "user32_internal.h"

namespace zv::user32 {
namespace {

std::mutex g_queues_mutex;
std::map<DWORD, std::weak_ptr<ThreadQueue>>& QueueMap() {
    static auto* map = new std::map<DWORD, std::weak_ptr<ThreadQueue>>;
    return *map;
}

thread_local std::shared_ptr<ThreadQueue> t_queue;

// How long a blocked fetch sleeps before it looks at the host again.
constexpr auto kHostPollInterval = std::chrono::milliseconds(5);

// The window filter of PeekMessageA and GetMessageA that asks only for the messages posted
// to the thread (those without a window).
const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(-1);

// Whether a fetch's window filter names a window (which must then exist).
bool FiltersOneWindow(HWND filter) {
    return filter && filter != kThreadMessagesOnly;
}

bool InFilter(const MSG& m, HWND hwnd, UINT low, UINT high) {
    if (low || high) {
        if (high < low) {
            if (m.message > high && m.message < low) return false;
        } else if (m.message < low || m.message > high) {
            return false;
        }
    }
    if (hwnd == kThreadMessagesOnly) return m.hwnd == nullptr;
    if (hwnd) return m.hwnd == hwnd || IsChild(hwnd, m.hwnd);
    return true;
}

bool IsKeyMessage(UINT m) {
    return m >= WM_KEYFIRST && m <= WM_KEYLAST;
}
bool IsMouseMessage(UINT m) {
    return m >= WM_MOUSEFIRST && m <= WM_MOUSELAST;
}

void UpdateKeyState(ThreadQueue& q, const MSG& m) {
    auto set = [&](int vk, bool down) {
        if (down) {
            if (!(q.key_state[vk] & 0x80)) q.key_state[vk] ^= 0x01;
            q.key_state[vk] |= 0x80;
        } else {
            q.key_state[vk] &= ~0x80;
        }
    };
    switch (m.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            set(int(m.wParam & 0xFF), true);
            break;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            set(int(m.wParam & 0xFF), false);
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            set(VK_LBUTTON, true);
            break;
        case WM_LBUTTONUP:
            set(VK_LBUTTON, false);
            break;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            set(VK_RBUTTON, true);
            break;
        case WM_RBUTTONUP:
            set(VK_RBUTTON, false);
            break;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            set(VK_MBUTTON, true);
            break;
        case WM_MBUTTONUP:
            set(VK_MBUTTON, false);
            break;
    }
}

// The first visible window of this thread in the tree of h, parents before children, that
// needs painting.
HWND FindPaint(HWND h, DWORD thread, HWND filter) {
    Window* w = Find(h);
    if (!w || w->thread_id != thread || !(w->style & WS_VISIBLE)) return nullptr;
    if (w->has_update && IsVisibleChain(w) && (!filter || filter == h || IsChild(filter, h)))
        return h;
    for (HWND c : w->children)
        if (HWND p = FindPaint(c, thread, filter)) return p;
    return nullptr;
}

bool Peek(ThreadQueue& q, MSG* out, HWND hwnd, UINT low, UINT high, UINT remove) {
    host::PumpEvents();
    PresentPending();
    ProcessSentMessages(q);
    {
        std::unique_lock<std::mutex> lock(q.mutex);
        for (int pass = 0; pass < 2; ++pass) {
            auto& list = pass == 0 ? q.posted : q.input;
            for (auto it = list.begin(); it != list.end(); ++it) {
                if (!InFilter(*it, hwnd, low, high)) continue;
                *out = *it;
                if (remove & PM_REMOVE) {
                    list.erase(it);
                    if (pass == 1) {
                        lock.unlock();
                        UpdateKeyState(q, *out);
                    }
                }
                return true;
            }
            if (pass == 0 && q.quit && (!low && !high)) {
                *out = MSG{nullptr, WM_QUIT, WPARAM(q.quit_code), 0, GetTickCount(), {}};
                if (remove & PM_REMOVE) q.quit = false;
                return true;
            }
        }
    }
    if (q.paint_windows > 0 && InFilter(MSG{nullptr, WM_PAINT, 0, 0, 0, {}}, nullptr, low, high)) {
        const HWND filter = hwnd == kThreadMessagesOnly ? nullptr : hwnd;
        HWND h = nullptr;
        FindTopLevel([&](HWND t) { return (h = FindPaint(t, q.thread_id, filter)) != nullptr; });
        if (h) {
            *out = MSG{h, WM_PAINT, 0, 0, GetTickCount(), {}};
            return true;
        }
    }
    return false;
}

bool HasWaiting(ThreadQueue& q, DWORD mask) {
    if (!q.sent.empty()) return true;
    if ((mask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE)) && (!q.posted.empty() || q.quit)) return true;
    if (mask & QS_INPUT) {
        for (const MSG& m : q.input) {
            if ((mask & QS_KEY) && IsKeyMessage(m.message)) return true;
            if ((mask & QS_MOUSEMOVE) && m.message == WM_MOUSEMOVE) return true;
            if ((mask & QS_MOUSEBUTTON) && IsMouseMessage(m.message) && m.message != WM_MOUSEMOVE)
                return true;
        }
    }
    return false;
}

// Waits until a message of the mask is there or the time is up (INFINITE: no limit).
bool WaitForMessages(ThreadQueue& q, DWORD timeout_ms, DWORD mask) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        host::PumpEvents();
        PresentPending();
        ProcessSentMessages(q);
        if ((mask & QS_PAINT) && q.paint_windows > 0) {
            MSG m;
            if (Peek(q, &m, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE)) return true;
        }
        std::unique_lock<std::mutex> lock(q.mutex);
        if (HasWaiting(q, mask)) return true;
        auto now = std::chrono::steady_clock::now();
        if (timeout_ms != INFINITE && now >= deadline) return false;
        auto until = now + kHostPollInterval;
        if (timeout_ms != INFINITE) until = std::min(until, deadline);
        q.wake.wait_until(lock, until);
    }
}

LRESULT CallProc(Window* w, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    WNDPROC proc = w->proc;
    if (!proc) return 0;
    return proc(hwnd, message, wparam, lparam);
}

}  // namespace

std::shared_ptr<ThreadQueue> CurrentQueueShared() {
    if (!t_queue) {
        auto q = std::make_shared<ThreadQueue>();
        q->thread_id = GetCurrentThreadId();
        std::lock_guard<std::mutex> lock(g_queues_mutex);
        QueueMap()[q->thread_id] = q;
        t_queue = q;
    }
    return t_queue;
}

ThreadQueue& CurrentQueue() {
    if (!t_queue) CurrentQueueShared();
    return *t_queue;
}

std::shared_ptr<ThreadQueue> QueueOfThread(DWORD thread_id) {
    std::lock_guard<std::mutex> lock(g_queues_mutex);
    auto it = QueueMap().find(thread_id);
    return it == QueueMap().end() ? nullptr : it->second.lock();
}

void ProcessSentMessages(ThreadQueue& q) {
    for (;;) {
        SentMessage* s;
        {
            std::lock_guard<std::mutex> lock(q.mutex);
            s = q.sent.pop_front();
            if (!s) return;
        }
        LRESULT result = 0;
        if (Window* w = Find(s->hwnd))
            result = CallProc(w, s->hwnd, s->message, s->wparam, s->lparam);
        std::lock_guard<std::mutex> lock(q.mutex);
        s->result = result;
        s->done = true;
        q.wake.notify_all();
    }
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    if (w->thread_id == GetCurrentThreadId()) return CallProc(w, hwnd, message, wparam, lparam);
    // Another thread's window: that thread runs the procedure; we keep answering our
    // own incoming sends while we wait, so two threads sending to each other go on.
    std::shared_ptr<ThreadQueue> target;
    {
        std::shared_lock<std::shared_mutex> lock(g_lifetime);
        w = Find(hwnd);
        if (!w) return 0;
        target = w->queue;
    }
    SentMessage s{hwnd, message, wparam, lparam};
    {
        std::lock_guard<std::mutex> lock(target->mutex);
        target->sent.push_back(&s);
        target->wake.notify_all();
    }
    // Without a queue of its own (none could be made) the sender owns no window, so nothing
    // can be sent to it meanwhile.
    ThreadQueue* mine = Guard(static_cast<ThreadQueue*>(nullptr), [] { return &CurrentQueue(); });
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(target->mutex);
            if (target->wake.wait_for(lock, std::chrono::milliseconds(1), [&] { return s.done; }))
                return s.result;
        }
        if (mine) ProcessSentMessages(*mine);
    }
}

bool PostTo(Window* w, const MSG& msg, bool input) {
    ThreadQueue& q = *w->queue;
    std::lock_guard<std::mutex> lock(q.mutex);
    auto& list = input ? q.input : q.posted;
    if (list.size() >= kPostQuota) return Fail(ERROR_NOT_ENOUGH_QUOTA, false);
    list.push_back(msg);
    q.wake.notify_all();
    return true;
}

void PostInput(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    MSG m = {hwnd, message, wparam, lparam, GetTickCount(), {}};
    GetCursorPos(&m.pt);
    // Input that finds no room is dropped, as from a full queue.
    Guard([&] {
        std::shared_lock<std::shared_mutex> lock(g_lifetime);
        if (Window* w = Find(hwnd)) PostTo(w, m, true);
    });
}

void RemoveMessagesOf(HWND hwnd) {
    ThreadQueue& q = CurrentQueue();
    std::lock_guard<std::mutex> lock(q.mutex);
    auto gone = [&](const MSG& m) { return m.hwnd == hwnd; };
    q.posted.erase(std::remove_if(q.posted.begin(), q.posted.end(), gone), q.posted.end());
    q.input.erase(std::remove_if(q.input.begin(), q.input.end(), gone), q.input.end());
}

}  // namespace zv::user32

using namespace zv::user32;

extern "C" {

LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND hwnd, UINT message, WPARAM wparam,
                               LPARAM lparam) {
    if (!proc) return 0;
    return proc(hwnd, message, wparam, lparam);
}

LRESULT WINAPI SendMessageA(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (hwnd == HWND_BROADCAST) {
        return Guard(LRESULT(0), [&] {
            std::vector<HWND> tops = TopLevelWindows();
            for (HWND t : tops)
                Send(t, message, wparam, lparam);
            return LRESULT(1);
        });
    }
    if (!GetWindowChecked(hwnd)) return 0;
    return Send(hwnd, message, wparam, lparam);
}

BOOL WINAPI PostMessageA(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!hwnd) return PostThreadMessageA(GetCurrentThreadId(), message, wparam, lparam);
    MSG m = {hwnd, message, wparam, lparam, GetTickCount(), {}};
    GetCursorPos(&m.pt);
    return Guard(FALSE, [&]() -> BOOL {
        if (hwnd == HWND_BROADCAST) {
            std::vector<HWND> tops = TopLevelWindows();
            std::shared_lock<std::shared_mutex> lock(g_lifetime);
            for (HWND t : tops)
                if (Window* w = Find(t)) {
                    m.hwnd = t;
                    PostTo(w, m, false);
                }
            return TRUE;
        }
        std::shared_lock<std::shared_mutex> lock(g_lifetime);
        Window* w = GetWindowChecked(hwnd);
        if (!w) return FALSE;
        return PostTo(w, m, false);
    });
}

BOOL WINAPI PostThreadMessageA(DWORD thread_id, UINT message, WPARAM wparam, LPARAM lparam) {
    return Guard(FALSE, [&]() -> BOOL {
        auto q =
            thread_id == GetCurrentThreadId() ? CurrentQueueShared() : QueueOfThread(thread_id);
        if (!q) return Fail(ERROR_INVALID_PARAMETER, FALSE);
        MSG m = {nullptr, message, wparam, lparam, GetTickCount(), {}};
        std::lock_guard<std::mutex> lock(q->mutex);
        if (q->posted.size() >= kPostQuota) return Fail(ERROR_NOT_ENOUGH_QUOTA, FALSE);
        q->posted.push_back(m);
        q->wake.notify_all();
        return TRUE;
    });
}

void WINAPI PostQuitMessage(int exit_code) {
    Guard([&] {
        ThreadQueue& q = CurrentQueue();
        std::lock_guard<std::mutex> lock(q.mutex);
        q.quit = true;
        q.quit_code = exit_code;
        q.wake.notify_all();
    });
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT low, UINT high, UINT remove) {
    if (!msg) return Fail(ERROR_NOACCESS, FALSE);
    if (FiltersOneWindow(hwnd) && !GetWindowChecked(hwnd)) return FALSE;
    return Guard(FALSE,
                 [&]() -> BOOL { return Peek(CurrentQueue(), msg, hwnd, low, high, remove); });
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND hwnd, UINT low, UINT high) {
    if (!msg) return Fail(ERROR_NOACCESS, -1);
    if (FiltersOneWindow(hwnd) && !GetWindowChecked(hwnd)) return -1;
    return Guard(BOOL(-1), [&]() -> BOOL {
        ThreadQueue& q = CurrentQueue();
        for (;;) {
            if (Peek(q, msg, hwnd, low, high, PM_REMOVE)) return msg->message != WM_QUIT;
            if (FiltersOneWindow(hwnd) && !Find(hwnd)) return Fail(ERROR_INVALID_WINDOW_HANDLE, -1);
            WaitForMessages(q, 50, QS_ALLINPUT | QS_ALLPOSTMESSAGE);
        }
    });
}

DWORD WINAPI MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL, DWORD ms,
                                       DWORD mask) {
    // Only the message queue can be waited on here; no kernel object is waitable.
    if (count != 0 || (handles && count)) return Fail(ERROR_INVALID_HANDLE, WAIT_FAILED);
    return Guard(DWORD(WAIT_FAILED), [&] {
        return WaitForMessages(CurrentQueue(), ms, mask) ? WAIT_OBJECT_0 + count : WAIT_TIMEOUT;
    });
}

DWORD WINAPI GetQueueStatus(UINT flags) {
    ThreadQueue* queue = Guard(static_cast<ThreadQueue*>(nullptr), [] { return &CurrentQueue(); });
    if (!queue) return 0;
    ThreadQueue& q = *queue;
    std::lock_guard<std::mutex> lock(q.mutex);
    DWORD status = 0;
    if (!q.posted.empty()) status |= QS_POSTMESSAGE;
    if (!q.sent.empty()) status |= QS_SENDMESSAGE;
    if (q.paint_windows > 0) status |= QS_PAINT;
    for (const MSG& m : q.input) {
        if (IsKeyMessage(m.message)) status |= QS_KEY;
        if (m.message == WM_MOUSEMOVE) status |= QS_MOUSEMOVE;
        if (IsMouseMessage(m.message) && m.message != WM_MOUSEMOVE) status |= QS_MOUSEBUTTON;
    }
    status &= flags;
    return (status << 16) | status;
}

BOOL WINAPI TranslateMessage(const MSG* msg) {
    if (!msg) return FALSE;
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return FALSE;
    int vk = int(msg->wParam & 0xFF);
    bool shift = GetKeyState(VK_SHIFT) < 0, control = GetKeyState(VK_CONTROL) < 0;
    int ch = 0;
    if (vk >= 'A' && vk <= 'Z') {
        bool caps = GetKeyState(VK_CAPITAL) & 1;
        ch = control ? vk - 'A' + 1 : ((shift != caps) ? vk : vk - 'A' + 'a');
    } else if (vk >= '0' && vk <= '9' && !shift) {
        ch = vk;
    } else if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) {
        ch = '0' + vk - VK_NUMPAD0;
    } else {
        switch (vk) {
            case VK_SPACE:
                ch = ' ';
                break;
            case VK_RETURN:
                ch = '\r';
                break;
            case VK_BACK:
                ch = '\b';
                break;
            case VK_TAB:
                ch = '\t';
                break;
            case VK_ESCAPE:
                ch = 0x1B;
                break;
        }
    }
    if (!ch) return TRUE;
    UINT char_message = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    if (msg->hwnd) {
        PostMessageA(msg->hwnd, char_message, WPARAM(ch), msg->lParam);
    }
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (!msg) return Fail(ERROR_INVALID_PARAMETER, 0);
    if (msg->message == WM_TIMER && msg->lParam) {
        auto timer = reinterpret_cast<void(CALLBACK*)(HWND, UINT, UINT_PTR, DWORD)>(msg->lParam);
        timer(msg->hwnd, msg->message, msg->wParam, msg->time);
        return 0;
    }
    if (!msg->hwnd) return 0;
    Window* w = GetWindowChecked(msg->hwnd);
    if (!w) return 0;
    if (w->thread_id != GetCurrentThreadId()) return Fail(ERROR_WINDOW_OF_OTHER_THREAD, 0);
    return CallProc(w, msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

}  // extern "C"
