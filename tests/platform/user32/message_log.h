// A window procedure that records the messages it receives, for sequence tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace user32_test {

using Seq = std::vector<UINT>;

struct LoggedMessage {
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

// Messages that tests do not compare (they depend on painting or text queries).
bool IsNoise(UINT message);

class MessageLog {
  public:
    static MessageLog& Get();
    void Clear() { entries_.clear(); }
    void Add(HWND hwnd, UINT m, WPARAM w, LPARAM l) { entries_.push_back({hwnd, m, w, l}); }
    // Messages of one window (or of all windows when hwnd is null), noise removed.
    std::vector<UINT> Messages(HWND hwnd = nullptr) const;
    std::vector<LoggedMessage> Entries() const;
    const LoggedMessage* Last(UINT message) const;

  private:
    std::vector<LoggedMessage> entries_;
};

// Logs every message, then calls DefWindowProcA.
LRESULT CALLBACK LoggingProc(HWND hwnd, UINT m, WPARAM w, LPARAM l);

// Registers "LogClass" (and "LogDblClass" with CS_DBLCLKS) once; returns the instance.
HINSTANCE RegisterLogClasses();

// A window of one of the logging classes (registering them first); null when it cannot be
// made.
HWND CreateLogWindow(const char* title, DWORD style, int x, int y, int width, int height,
                     HWND parent = nullptr, const char* class_name = "LogClass");

// Dispatches everything waiting in this thread's queue, through TranslateMessage first
// when `translate`; returns the messages it took out, WM_PAINT left out.
Seq Drain(bool translate = false);

std::string MessageName(UINT message);
std::string Describe(const std::vector<UINT>& messages);

}  // namespace user32_test
