// The queue: sending and posting, what arrives in which order, filters, quitting, waiting,
// other threads, TranslateMessage.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

#include "user32_fixtures.h"

using namespace user32_test;

namespace {

TEST_F(MessageTest, SendCallsAtOncePostWaitsForTheLoop) {
    EXPECT_EQ(SendMessageA(hwnd_, WM_USER, 1, 2), 0);
    EXPECT_EQ(MessageLog::Get().Messages(hwnd_), Seq{WM_USER});
    ASSERT_TRUE(PostMessageA(hwnd_, WM_USER + 1, 3, 4));
    EXPECT_EQ(MessageLog::Get().Messages(hwnd_), Seq{WM_USER});
    MSG m = {};
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, UINT(WM_USER + 1));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, hwnd_);
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_EQ(m.lParam, 4);
    DispatchMessageA(&m);
    EXPECT_EQ(MessageLog::Get().Messages(hwnd_), (Seq{WM_USER, WM_USER + 1}));
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

// Input among the posts: message_order_controls_test.cpp.
TEST_F(MessageTest, QueueOrderIsPostedThenQuitThenPaint) {
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);  // leaves an update region
    Drain();
    InvalidateRect(hwnd_, nullptr, TRUE);
    PostThreadMessageA(GetCurrentThreadId(), WM_USER + 9, 0, 0);
    PostMessageA(hwnd_, WM_USER + 1, 0, 0);
    PostMessageA(hwnd_, WM_USER + 2, 0, 0);
    PostQuitMessage(3);
    Seq got;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        got.push_back(m.message);
        if (m.message == WM_QUIT) {
            EXPECT_EQ(m.wParam, 3u);
        }
        DispatchMessageA(&m);
    }
    EXPECT_EQ(got, (Seq{WM_USER + 9, WM_USER + 1, WM_USER + 2, WM_QUIT, WM_PAINT}));
}

TEST_F(MessageTest, FiltersSelectByWindowAndRange) {
    HWND other = CreateWindowExA(0, "LogClass", "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr,
                                 instance_, nullptr);
    PostMessageA(other, WM_USER + 1, 0, 0);
    PostMessageA(hwnd_, WM_USER + 2, 0, 0);
    PostMessageA(hwnd_, WM_USER + 3, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, hwnd_, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_USER + 2));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_USER + 3));
    // Destroying a window drops what was posted to it.
    DestroyWindow(other);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageTest, GetMessageReturnsFalseForQuit) {
    PostMessageA(hwnd_, WM_USER, 0, 0);
    PostQuitMessage(7);
    MSG m;
    EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);
    EXPECT_EQ(m.message, UINT(WM_QUIT));
    EXPECT_EQ(m.wParam, 7u);
}

TEST_F(MessageTest, MsgWaitTimesOutAndAPostFromAnotherThreadWakesIt) {
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT), DWORD(WAIT_TIMEOUT));
    std::thread poster([h = hwnd_] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        PostMessageA(h, WM_USER + 5, 0, 0);
    });
    auto start = std::chrono::steady_clock::now();
    DWORD r = MsgWaitForMultipleObjects(0, nullptr, FALSE, 10000, QS_ALLINPUT | QS_ALLPOSTMESSAGE);
    auto waited = std::chrono::steady_clock::now() - start;
    poster.join();
    EXPECT_EQ(r, DWORD(WAIT_OBJECT_0));
    EXPECT_LT(waited, std::chrono::seconds(5));
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_USER + 5));
    // A message already waiting satisfies the wait at once.
    PostMessageA(hwnd_, WM_USER, 0, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLPOSTMESSAGE),
              DWORD(WAIT_OBJECT_0));
}

TEST_F(MessageTest, SendFromAnotherThreadRunsOnTheWindowThread) {
    DWORD window_thread = GetCurrentThreadId();
    static DWORD seen_on = 0;
    WNDPROC old = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        hwnd_, GWLP_WNDPROC,
        reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == WM_USER + 7) {
                seen_on = GetCurrentThreadId();
                return 99;
            }
            return DefWindowProcA(h, m, w, l);
        })));
    std::atomic<LRESULT> result{0};
    std::thread sender([&] { result = SendMessageA(hwnd_, WM_USER + 7, 0, 0); });
    MSG m;
    while (result == 0) {
        PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);
        std::this_thread::yield();
    }
    sender.join();
    EXPECT_EQ(result.load(), 99);
    EXPECT_EQ(seen_on, window_thread);
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
}

TEST_F(MessageTest, TranslateMessagePostsCharacters) {
    MSG key = {hwnd_, WM_KEYDOWN, 'A', 1, 0, {}};
    EXPECT_TRUE(TranslateMessage(&key));
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_CHAR));
    EXPECT_EQ(m.wParam, WPARAM('a'));
    MSG other = {hwnd_, WM_USER, 0, 0, 0, {}};
    EXPECT_FALSE(TranslateMessage(&other));
}

}  // namespace
