// Top-level windows for tests and benchmarks, through Win32 alone (so it builds for
// Windows too). A class is registered once per name: registering it again in a later test
// of the same process fails harmlessly, and the first registration's procedure stays.
#pragma once

#include <windows.h>

namespace zv_support {

inline LRESULT CALLBACK PlainWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

inline void RegisterTestClass(const char* class_name, WNDPROC proc = PlainWindowProc) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = class_name;
    RegisterClassExA(&wc);
}

// A top-level window of `style` at (0, 0) whose client area is `client_width` x
// `client_height`, of a class registered with RegisterTestClass; null when it cannot be
// made.
inline HWND MakeTestWindow(const char* class_name, DWORD style, int client_width, int client_height,
                           const char* title = "") {
    RECT r = {0, 0, client_width, client_height};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    return CreateWindowExA(0, class_name, title, style, 0, 0, r.right - r.left, r.bottom - r.top,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

}  // namespace zv_support
