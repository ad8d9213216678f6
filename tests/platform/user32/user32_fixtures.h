// The fixtures that tests of more than one file share: a window test that destroys what
// it made, and tests around one logging window, all leaving the queue empty.
// They live outside an anonymous namespace so that every file names the same fixture
// class for the same test suite.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "message_log.h"

namespace user32_test {

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        instance_ = RegisterLogClasses();
        MessageLog::Get().Clear();
    }
    void TearDown() override {
        for (HWND h : made_)
            if (IsWindow(h)) DestroyWindow(h);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

  public:
    HWND Make(DWORD style, HWND parent = nullptr, int x = 10, int y = 20, int w = 200, int h = 100,
              DWORD ex = 0) {
        HWND hwnd = CreateWindowExA(ex, "LogClass", "title", style, x, y, w, h, parent, nullptr,
                                    instance_, nullptr);
        made_.push_back(hwnd);
        return hwnd;
    }

  protected:
    HINSTANCE instance_ = nullptr;
    std::vector<HWND> made_;
};

// A test around one logging window at (0, 0), made before each case with the queue then
// drained and the log cleared, and destroyed after it with the queue drained again;
// `translate` drains through TranslateMessage.
class LogWindowTest : public ::testing::Test {
  protected:
    LogWindowTest(const char* class_name, const char* title, DWORD style, int size, bool translate)
        : class_name_(class_name),
          title_(title),
          style_(style),
          size_(size),
          translate_(translate) {}
    void SetUp() override {
        hwnd_ = CreateLogWindow(title_, style_, 0, 0, size_, size_, nullptr, class_name_);
        ASSERT_NE(hwnd_, nullptr);
        Pump();
        MessageLog::Get().Clear();
    }
    void TearDown() override {
        if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
        Pump();
    }
    Seq Pump() { return Drain(translate_); }

    HWND hwnd_ = nullptr;

  private:
    const char* class_name_;
    const char* title_;
    DWORD style_;
    int size_;
    bool translate_;
};

class MessageTest : public LogWindowTest {
  protected:
    MessageTest() : LogWindowTest("LogClass", "q", WS_POPUP, 50, false) {}
    HINSTANCE instance_ = RegisterLogClasses();
};

}  // namespace user32_test
