// USER32 internals shared by the files of this library.
//
// Ownership and threads: a window belongs to the thread that created it; its tree,
// rectangles, properties and painting state are touched only on that thread (as
// Windows requires of its callers). Messages cross threads only through the queues,
// which have their own locks. A window object is freed under the exclusive side of
// g_lifetime, and PostMessageA holds the shared side while it reaches a window's queue,
// so a post that races a destruction sees either a live window or an invalid handle.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "api_guard.h"
#include "handle_table.h"

namespace zv::user32 {

using zv::Fail;

// Internal WINDOWPOS flags, as Windows keeps them.
constexpr UINT kSwpNoClientSize = 0x0800;
constexpr UINT kSwpNoClientMove = 0x1000;
constexpr UINT kSwpStateChanged = 0x8000;

struct WindowClass {
    std::string name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int cls_extra = 0;
    int wnd_extra = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HICON icon_small = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    std::string menu;
    std::atomic<int> windows{0};
    bool system = false;
    bool registered = true;
};

// A message sent from another thread. It lives on the sender's stack while the sender
// waits, and the receiving queue links it in place, so that sending never allocates.
struct SentMessage {
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    LRESULT result = 0;
    bool done = false;
    SentMessage* next = nullptr;
};

// The messages sent to a thread, oldest first.
class SentList {
  public:
    bool empty() const { return !head_; }
    void push_back(SentMessage* m) {
        m->next = nullptr;
        (head_ ? tail_->next : head_) = m;
        tail_ = m;
    }
    SentMessage* pop_front() {
        SentMessage* m = head_;
        if (m) head_ = m->next;
        return m;
    }

  private:
    SentMessage* head_ = nullptr;
    SentMessage* tail_ = nullptr;
};

// One per thread that has used the queue functions or owns a window.
struct ThreadQueue {
    DWORD thread_id = 0;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<MSG> posted;
    std::deque<MSG> input;
    SentList sent;
    bool quit = false;
    int quit_code = 0;
    // Touched only by the owning thread.
    BYTE key_state[256] = {};
    int paint_windows = 0;  // windows of this thread with a pending update region
};

constexpr size_t kPostQuota = 10000;

struct Property {
    std::string name;
    HANDLE value;
};

struct Window {
    HWND hwnd = nullptr;
    std::shared_ptr<WindowClass> cls;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD ex_style = 0;
    LONG_PTR id = 0;
    LONG_PTR user_data = 0;
    HINSTANCE instance = nullptr;
    HWND parent = nullptr;  // null for a top-level window
    HWND owner = nullptr;
    std::vector<HWND> children;      // in creation order
    RECT window_rect = {};           // in the parent's client coordinates (screen for top-level)
    RECT client_rect = {};           // same coordinates
    RECT normal_rect = {};           // where a minimized or maximized window goes back to
    bool restore_maximized = false;  // a minimized window that was maximized before
    std::string text;
    std::vector<Property> props;
    std::vector<uint8_t> extra;
    std::shared_ptr<ThreadQueue> queue;
    DWORD thread_id = 0;
    bool destroying = false;
    bool has_update = false;
    bool erase_pending = false;    // WM_ERASEBKGND is still to be sent
    bool erase_unhandled = false;  // it was sent and returned 0: BeginPaint reports fErase
    RECT update = {};
    DWORD ui_state = UISF_HIDEFOCUS | UISF_HIDEACCEL;
    // Top-level windows: the size of the client area's pixels (which the host keeps, in
    // the memory the display shows where it can) and the native window.
    int pixels_width = 0;
    int pixels_height = 0;
    bool native = false;
    bool present_pending = false;  // a DC may have drawn since the last present
    bool native_attempted = false;
};

// ---- Shared state -------------------------------------------------------------------------
HandleTable<Window>& Windows();
extern std::shared_mutex g_lifetime;

// Top-level windows in creation order (owner thread writes; guarded by g_top_mutex for
// the host's close requests, which may come from a signal pump on any thread).
extern std::mutex g_top_mutex;
extern std::vector<HWND> g_top_level;
// A copy of g_top_level taken under its lock, for walks that send messages or may see
// windows come and go.
std::vector<HWND> TopLevelWindows();
// The first top-level window in creation order (the last, going backwards) for which
// test(hwnd) holds, or null. The test runs under the list's lock: it may read windows but
// not send them messages. Walks that must not fail use this, as it copies nothing.
template <class Test>
HWND FindTopLevel(Test&& test, bool backwards = false) {
    std::lock_guard<std::mutex> lock(g_top_mutex);
    if (backwards) {
        for (auto it = g_top_level.rbegin(); it != g_top_level.rend(); ++it)
            if (test(*it)) return *it;
    } else {
        for (HWND t : g_top_level)
            if (test(t)) return t;
    }
    return nullptr;
}

// Focus and activation state of the process.
extern HWND g_active;
extern HWND g_focus;

// The window of a handle, or nullptr with ERROR_INVALID_WINDOW_HANDLE set.
Window* GetWindowChecked(HWND hwnd);
inline Window* Find(HWND hwnd) {
    return Windows().Get(hwnd);
}

// The calling thread's queue (made on first use, which can run out of memory).
ThreadQueue& CurrentQueue();
std::shared_ptr<ThreadQueue> CurrentQueueShared();
std::shared_ptr<ThreadQueue> QueueOfThread(DWORD thread_id);

// ---- Classes --------------------------------------------------------------------------------
std::shared_ptr<WindowClass> FindClass(LPCSTR name, HINSTANCE instance);
void EnsureSystemClasses();
ATOM AddAtom(const char* name);  // the shared table of class and message atoms

// ---- Messages -------------------------------------------------------------------------------
LRESULT Send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
bool PostTo(Window* w, const MSG& msg, bool input);
void PostInput(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
void RemoveMessagesOf(HWND hwnd);
void ProcessSentMessages(ThreadQueue& queue);

// ---- Geometry -----------------------------------------------------------------------------
void NonClientInsets(DWORD style, DWORD ex_style, bool menu, RECT* insets);
void ClientOrigin(const Window* w, POINT* screen);  // screen position of the client area
HWND TopLevelOf(HWND hwnd);
bool IsVisibleChain(const Window* w);
void GetMinMax(HWND hwnd, MINMAXINFO* info);
LPARAM SizeParam(const Window* w);
WPARAM SizeKind(const Window* w);

// ---- Window position and state ------------------------------------------------------------
BOOL SetWindowPosInternal(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags);
void SyncNative(Window* w);
// Puts a window in the state of a show command (SW_MINIMIZE, SW_MAXIMIZE, SW_RESTORE...)
// and gives the rectangle to move it to with the SetWindowPos flags to use.
UINT MinMaximize(HWND hwnd, int command, RECT* rect);
void ResizePixels(Window* w);
void ActivateOther(HWND leaving);

// ---- Focus ------------------------------------------------------------------------------------
void SetActive(HWND hwnd);
void SetFocusInternal(HWND hwnd);

// ---- Painting ---------------------------------------------------------------------------------
void Invalidate(Window* w, const RECT* rect, bool erase, bool children);
void Validate(Window* w);
// Sends the WM_ERASEBKGND that a pending erase asks for, now, on a DC clipped to the
// update rectangle. SetWindowPos does this for what it exposes, before
// WM_WINDOWPOSCHANGED, unless SWP_DEFERERASE leaves it to BeginPaint.
void EraseNow(HWND hwnd);
void PresentTop(HWND top);
// Shows what window DCs of this thread drew since the last message fetch. The Direct3D
// device calls it after drawing a frame into a window, so keep its name and signature.
void PresentPending();
void InstallSurfaceProvider();
extern std::atomic<int> g_present_pending;

// ---- Small helpers --------------------------------------------------------------------------
// Runs the body of an entry point that can allocate: when memory runs out, the call fails
// with `failure` and ERROR_NOT_ENOUGH_MEMORY (api_guard.h).
template <class R, class Body>
R Guard(R failure, Body&& body) {
    return Guarded(failure, ERROR_NOT_ENOUGH_MEMORY, body);
}
template <class Body>
void Guard(Body&& body) {
    Guarded(ERROR_NOT_ENOUGH_MEMORY, body);
}

inline int Width(const RECT& r) {
    return r.right - r.left;
}
inline int Height(const RECT& r) {
    return r.bottom - r.top;
}
inline bool IsChildStyle(DWORD style) {
    return (style & WS_CHILD) != 0;
}

// Default procedures of the system classes.
LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK MdiClientProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace zv::user32
