// The queue and the default procedure: what arrives in which order, and what
// DefWindowProcA does by default.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

#include "message_log.h"

using namespace user32_test;

namespace {

using Seq = std::vector<UINT>;

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

TEST_F(MessageTest, DefaultProcedure) {
    // SC_CLOSE sends WM_CLOSE, and WM_CLOSE destroys.
    SendMessageA(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(MessageLog::Get().Messages(hwnd_),
              (Seq{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(hwnd_));

    HWND h = CreateWindowExA(0, "LogClass", "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, instance_,
                             nullptr);
    HWND child =
        CreateWindowExA(0, "LogClass", "", WS_CHILD, 0, 0, 5, 5, h, nullptr, instance_, nullptr);
    // Keyboard cues start hidden; WM_UPDATEUISTATE changes them for the window and its
    // children; WM_QUERYUISTATE reads them back.
    EXPECT_EQ(SendMessageA(h, WM_QUERYUISTATE, 0, 0), UISF_HIDEFOCUS | UISF_HIDEACCEL);
    SendMessageA(h, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    EXPECT_EQ(SendMessageA(h, WM_QUERYUISTATE, 0, 0), 0);
    EXPECT_EQ(SendMessageA(child, WM_QUERYUISTATE, 0, 0), 0);
    SendMessageA(h, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEACCEL), 0);
    EXPECT_EQ(SendMessageA(child, WM_QUERYUISTATE, 0, 0), UISF_HIDEACCEL);
    // WM_WINDOWPOSCHANGED sends WM_MOVE and WM_SIZE as its flags say.
    MessageLog::Get().Clear();
    WINDOWPOS wp = {h, nullptr, 0, 0, 5, 5, 0};
    DefWindowProcA(h, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
    EXPECT_EQ(MessageLog::Get().Messages(h), (Seq{WM_MOVE, WM_SIZE}));
    // Text: WM_SETTEXT / WM_GETTEXT.
    DefWindowProcA(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abc"));
    char buf[3];
    EXPECT_EQ(DefWindowProcA(h, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf)), 2);
    EXPECT_STREQ(buf, "ab");
    DestroyWindow(h);
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
