// Posting from several threads while the window thread pumps: every message arrives
// once, and each thread's messages arrive in the order it posted them.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "support/window_class.h"

namespace {

constexpr int kThreads = 4;
constexpr int kPerThread = 100000;

struct Tally {
    std::vector<int> next = std::vector<int>(kThreads, 0);
    int received = 0;
    int out_of_order = 0;
};

LRESULT CALLBACK CountingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER) {
        auto* t = reinterpret_cast<Tally*>(GetWindowLongPtrA(h, GWLP_USERDATA));
        int thread = int(w), seq = int(l);
        if (t->next[thread] != seq) t->out_of_order++;
        t->next[thread] = seq + 1;
        t->received++;
        return 0;
    }
    return DefWindowProcA(h, m, w, l);
}

TEST(Threads, FourPostersOneReceiver) {
    zv_support::ScopedWindowClass counting("CountingClass", CountingProc);
    HWND hwnd = CreateWindowExA(0, counting.name(), "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                counting.instance(), nullptr);
    ASSERT_NE(hwnd, nullptr);
    Tally tally;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&tally));
    std::vector<std::thread> posters;
    std::atomic<int> quota_waits{0};
    for (int t = 0; t < kThreads; ++t)
        posters.emplace_back([=, &quota_waits] {
            for (int i = 0; i < kPerThread; ++i)
                while (!PostMessageA(hwnd, WM_USER, WPARAM(t), LPARAM(i))) {
                    // The queue holds at most 10,000 posts, as on Windows.
                    ASSERT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_QUOTA));
                    quota_waits++;
                    std::this_thread::yield();
                }
        });
    MSG m;
    while (tally.received < kThreads * kPerThread) {
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 5000, QS_ALLPOSTMESSAGE) != WAIT_OBJECT_0)
            break;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&m);
    }
    for (auto& p : posters)
        p.join();
    EXPECT_EQ(tally.received, kThreads * kPerThread);
    EXPECT_EQ(tally.out_of_order, 0);
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(tally.next[t], kPerThread);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(hwnd);
}

}  // namespace
