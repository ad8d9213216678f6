#include "message_log.h"

#include <mutex>

namespace user32_test {

// Windows also tells an activated window about input methods and palettes; our platform
// has neither, and no sequence here is about them.
bool IsNoise(UINT m) {
    return m == WM_GETTEXT || m == WM_GETICON || m == WM_NCPAINT || m == WM_SETCURSOR ||
           m == WM_NCHITTEST || m == WM_GETTEXTLENGTH || m == 0x0281 /* WM_IME_SETCONTEXT */ ||
           m == 0x0282 /* WM_IME_NOTIFY */ || m == 0x030F /* WM_QUERYNEWPALETTE */ ||
           m == 0x0311 /* WM_PALETTECHANGED */ || m == 0x0310 /* WM_PALETTEISCHANGING */;
}

MessageLog& MessageLog::Get() {
    static MessageLog log;
    return log;
}

std::vector<UINT> MessageLog::Messages(HWND hwnd) const {
    std::vector<UINT> out;
    for (auto& e : entries_)
        if ((!hwnd || e.hwnd == hwnd) && !IsNoise(e.message)) out.push_back(e.message);
    return out;
}

std::vector<LoggedMessage> MessageLog::Entries() const {
    std::vector<LoggedMessage> out;
    for (auto& e : entries_)
        if (!IsNoise(e.message)) out.push_back(e);
    return out;
}

const LoggedMessage* MessageLog::Last(UINT message) const {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
        if (it->message == message) return &*it;
    return nullptr;
}

LRESULT CALLBACK LoggingProc(HWND hwnd, UINT m, WPARAM w, LPARAM l) {
    MessageLog::Get().Add(hwnd, m, w, l);
    return DefWindowProcA(hwnd, m, w, l);
}

HINSTANCE RegisterLogClasses() {
    static std::once_flag once;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    std::call_once(once, [&] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = LoggingProc;
        wc.hInstance = instance;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "LogClass";
        RegisterClassA(&wc);
        wc.style = CS_DBLCLKS;
        wc.lpszClassName = "LogDblClass";
        RegisterClassA(&wc);
    });
    return instance;
}

HWND CreateLogWindow(const char* title, DWORD style, int x, int y, int width, int height,
                     HWND parent, const char* class_name) {
    HINSTANCE instance = RegisterLogClasses();
    return CreateWindowExA(0, class_name, title, style, x, y, width, height, parent, nullptr,
                           instance, nullptr);
}

Seq Drain(bool translate) {
    Seq got;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message != WM_PAINT) got.push_back(m.message);
        if (translate) TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return got;
}

std::string MessageName(UINT m) {
    switch (m) {
#define N(x) \
    case x:  \
        return #x
        N(WM_CREATE);
        N(WM_DESTROY);
        N(WM_MOVE);
        N(WM_SIZE);
        N(WM_ACTIVATE);
        N(WM_SETFOCUS);
        N(WM_KILLFOCUS);
        N(WM_ENABLE);
        N(WM_PAINT);
        N(WM_CLOSE);
        N(WM_QUIT);
        N(WM_ERASEBKGND);
        N(WM_SHOWWINDOW);
        N(WM_ACTIVATEAPP);
        N(WM_GETMINMAXINFO);
        N(WM_WINDOWPOSCHANGING);
        N(WM_WINDOWPOSCHANGED);
        N(WM_NCCREATE);
        N(WM_NCDESTROY);
        N(WM_NCCALCSIZE);
        N(WM_NCACTIVATE);
        N(WM_KEYDOWN);
        N(WM_KEYUP);
        N(WM_CHAR);
        N(WM_SYSKEYDOWN);
        N(WM_SYSKEYUP);
        N(WM_COMMAND);
        N(WM_SYSCOMMAND);
        N(WM_PARENTNOTIFY);
        N(WM_MOUSEMOVE);
        N(WM_LBUTTONDOWN);
        N(WM_LBUTTONUP);
        N(WM_LBUTTONDBLCLK);
        N(WM_RBUTTONDOWN);
        N(WM_RBUTTONUP);
        N(WM_CANCELMODE);
        N(WM_SETTEXT);
        N(WM_USER);
#undef N
        default:
            return "0x" + std::to_string(m);
    }
}

std::string Describe(const std::vector<UINT>& messages) {
    std::string s;
    for (UINT m : messages)
        s += MessageName(m) + " ";
    return s;
}

}  // namespace user32_test
