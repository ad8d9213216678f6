// A window class of this module that a test registers for itself and lets go of when it
// ends, through Win32 alone (so it builds for Windows too).
#pragma once

#include <windows.h>

namespace zv_support {

class ScopedWindowClass {
  public:
    ScopedWindowClass(const char* name, WNDPROC proc) : name_(name) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = proc;
        wc.hInstance = instance_;
        wc.lpszClassName = name;
        atom_ = RegisterClassA(&wc);
    }
    ~ScopedWindowClass() {
        if (!unregistered_) UnregisterClassA(name_, instance_);
    }
    ScopedWindowClass(const ScopedWindowClass&) = delete;
    ScopedWindowClass& operator=(const ScopedWindowClass&) = delete;

    // Zero when the registration failed.
    ATOM atom() const { return atom_; }
    const char* name() const { return name_; }
    HINSTANCE instance() const { return instance_; }

    // Unregisters the class now, for tests that check it can be; what UnregisterClassA
    // returned.
    bool Unregister() {
        unregistered_ = true;
        return UnregisterClassA(name_, instance_) != 0;
    }

  private:
    const char* name_;
    HINSTANCE instance_ = GetModuleHandleA(nullptr);
    ATOM atom_ = 0;
    bool unregistered_ = false;
};

}  // namespace zv_support
