// The fixtures that tests of more than one file share: a window test that destroys what
// it made, and a message test around one logging popup, both leaving the queue empty.
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

class MessageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        instance_ = RegisterLogClasses();
        hwnd_ = CreateWindowExA(0, "LogClass", "q", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                instance_, nullptr);
        ASSERT_NE(hwnd_, nullptr);
        Drain();
        MessageLog::Get().Clear();
    }
    void TearDown() override {
        if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
        Drain();
    }
    static void Drain() {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&m);
    }
    HINSTANCE instance_ = nullptr;
    HWND hwnd_ = nullptr;
};

}  // namespace user32_test
