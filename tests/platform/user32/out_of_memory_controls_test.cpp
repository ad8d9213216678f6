// USER32 when the platform's own memory runs out: a call fails with its failure result and
// ERROR_NOT_ENOUGH_MEMORY at whichever of its allocations memory runs out, leaving no
// window, class or message behind; destroying windows, sending messages and fetching them
// (WM_PAINT included) never need memory once a thread has its queue.
#include <gtest/gtest.h>
#include <windows.h>

#include <zorvane_test/new_failures.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

#include "platform/out_of_memory_sweep.h"

namespace {

using zv_oom::kSentinel;
using zv_oom::SweepCalls;
using zv_oom::SweepFailures;

// Names too long to be kept without an allocation of their own.
constexpr char kClass[] = "OutOfMemoryWindowClass";
constexpr char kTitle[] = "A title long enough to need memory";

// What the windows of kClass received, counted without allocating.
std::atomic<int> g_destroyed{0}, g_nc_destroyed{0};

LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) ++g_destroyed;
    if (message == WM_NCDESTROY) ++g_nc_destroyed;
    if (message == WM_USER + 5) return 42;
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

HINSTANCE Instance() {
    return GetModuleHandleA(nullptr);
}

void RegisterCountingClass() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = Instance();
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);
}

int TopLevelCount() {
    int n = 0;
    EnumChildWindows(
        nullptr,
        [](HWND, LPARAM count) {
            ++*reinterpret_cast<int*>(count);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&n));
    return n;
}

class User32OutOfMemory : public ::testing::Test {
  protected:
    void SetUp() override {
        RegisterCountingClass();
        GetQueueStatus(QS_ALLINPUT);  // the thread's queue, made before anything fails
    }
    void TearDown() override {
        zv_test::ClearNewFailures();
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&m);
        UnregisterClassA(kClass, Instance());
    }
    HWND Make(DWORD style, HWND parent = nullptr) {
        return CreateWindowExA(0, kClass, kTitle, style, 0, 0, 100, 80, parent, nullptr, Instance(),
                               nullptr);
    }
};

TEST_F(User32OutOfMemory, RegisterClassFailsWithoutAClassLeft) {
    UnregisterClassA(kClass, Instance());
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = Instance();
    wc.lpszClassName = kClass;
    auto sweep = SweepFailures([&] { return RegisterClassA(&wc); }, 0,
                               [&] {
                                   WNDCLASSEXA info;
                                   EXPECT_FALSE(GetClassInfoExA(Instance(), kClass, &info));
                               });
    EXPECT_GT(sweep.runs, 1u);
    EXPECT_NE(sweep.result, 0);
}

TEST_F(User32OutOfMemory, CreateWindowFailsWithoutAWindowLeft) {
    HWND parent = Make(WS_OVERLAPPEDWINDOW);
    ASSERT_NE(parent, nullptr);
    struct Case {
        const char* what;
        DWORD style;
        HWND parent;
    } cases[] = {
        {"top-level", WS_OVERLAPPEDWINDOW, nullptr},
        {"shown top-level", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr},
        {"child", WS_CHILD | WS_VISIBLE, parent},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int tops = TopLevelCount();
        auto sweep = SweepCalls([&] { return Make(c.style, c.parent); },
                                [&](bool refused, HWND hwnd, DWORD error) {
                                    if (!refused) return;
                                    // What the host could not do for a shown window (its
                                    // native window) the window does without; anything
                                    // else fails the call.
                                    if (hwnd) {
                                        EXPECT_TRUE(DestroyWindow(hwnd));
                                        return;
                                    }
                                    EXPECT_EQ(error, DWORD(ERROR_NOT_ENOUGH_MEMORY));
                                    EXPECT_EQ(TopLevelCount(), tops);
                                    EXPECT_EQ(GetWindow(parent, GW_CHILD), nullptr);
                                });
        EXPECT_GT(sweep.runs, 1u);
        HWND hwnd = sweep.result;
        ASSERT_NE(hwnd, nullptr);
        char title[64] = {};
        EXPECT_EQ(GetWindowTextA(hwnd, title, sizeof title), int(sizeof kTitle - 1));
        EXPECT_TRUE(DestroyWindow(hwnd));
        EXPECT_EQ(TopLevelCount(), tops);
    }
    EXPECT_TRUE(DestroyWindow(parent));
    // The class counts no window any more, so it can go.
    EXPECT_TRUE(UnregisterClassA(kClass, Instance())) << GetLastError();
}

TEST_F(User32OutOfMemory, DestroyingATreeNeedsNoMemory) {
    HWND top = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    HWND child = Make(WS_CHILD | WS_VISIBLE, top);
    HWND grandchild = Make(WS_CHILD | WS_VISIBLE, child);
    HWND sibling = Make(WS_CHILD, top);
    HWND owned = Make(WS_POPUP | WS_VISIBLE, top);
    for (HWND h : {top, child, grandchild, sibling, owned})
        ASSERT_NE(h, nullptr);
    ASSERT_TRUE(SetPropA(top, "a property of the window", reinterpret_cast<HANDLE>(1)));
    g_destroyed = g_nc_destroyed = 0;
    auto destroyed = zv_test::RunWithoutMemory([&] { return DestroyWindow(top); });
    EXPECT_TRUE(destroyed.result);
    EXPECT_EQ(destroyed.refused, 0u);
    for (HWND h : {top, child, grandchild, sibling, owned})
        EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(g_destroyed, 5);
    EXPECT_EQ(g_nc_destroyed, 5);
}

TEST_F(User32OutOfMemory, FetchingAndSendingNeedNoMemory) {
    HWND top = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    HWND child = Make(WS_CHILD | WS_VISIBLE, top);
    ASSERT_NE(child, nullptr);
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&m);
    ASSERT_TRUE(SetPropA(top, "a property of the window", reinterpret_cast<HANDLE>(7)));
    ASSERT_TRUE(SetPropA(top, MAKEINTATOM(0xC123), reinterpret_cast<HANDLE>(8)));

    struct Seen {
        LRESULT sent;
        BOOL invalidated, first_paint, second_paint;
        MSG first, second;
        BOOL first_validated, second_validated;
        HWND child, first_sibling;
        HANDLE prop, removed;
        SHORT shift;
        BOOL shown;
    };
    auto run = zv_test::RunWithoutMemory([&] {
        Seen s{};
        s.sent = SendMessageA(top, WM_USER + 5, 0, 0);
        s.invalidated = InvalidateRect(nullptr, nullptr, TRUE);
        s.first_paint = PeekMessageA(&s.first, nullptr, 0, 0, PM_REMOVE);
        s.first_validated = ValidateRect(top, nullptr);  // painting itself needs a DC
        s.second_paint = PeekMessageA(&s.second, nullptr, 0, 0, PM_REMOVE);
        s.second_validated = ValidateRect(child, nullptr);
        s.child = GetWindow(top, GW_CHILD);
        s.first_sibling = GetWindow(top, GW_HWNDFIRST);
        s.prop = GetPropA(top, "A PROPERTY OF THE WINDOW");
        s.removed = RemovePropA(top, MAKEINTATOM(0xC123));
        s.shift = GetKeyState(VK_SHIFT);
        s.shown = ShowWindow(top, SW_HIDE);
        return s;
    });
    EXPECT_EQ(run.refused, 0u);
    const Seen& s = run.result;
    EXPECT_EQ(s.sent, 42);
    EXPECT_TRUE(s.invalidated);
    ASSERT_TRUE(s.first_paint);
    EXPECT_EQ(s.first.message, UINT(WM_PAINT));
    EXPECT_EQ(s.first.hwnd, top);
    EXPECT_TRUE(s.first_validated);
    ASSERT_TRUE(s.second_paint);
    EXPECT_EQ(s.second.hwnd, child);
    EXPECT_TRUE(s.second_validated);
    EXPECT_EQ(s.child, child);
    EXPECT_NE(s.first_sibling, nullptr);
    EXPECT_EQ(s.prop, reinterpret_cast<HANDLE>(7));
    EXPECT_EQ(s.removed, reinterpret_cast<HANDLE>(8));
    EXPECT_GE(s.shift, 0);
    EXPECT_TRUE(s.shown);

    // A name never seen before needs memory to be kept.
    auto refused = zv_test::RunWithoutMemory([&] {
        SetLastError(kSentinel);
        const BOOL set = SetPropA(top, "another property of the window", nullptr);
        return std::pair(set, GetLastError());
    });
    EXPECT_FALSE(refused.result.first);
    EXPECT_EQ(refused.result.second, DWORD(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(RemovePropA(top, "a property of the window"), reinterpret_cast<HANDLE>(7));
    EXPECT_EQ(GetPropA(top, "another property of the window"), nullptr);
    DestroyWindow(top);
}

TEST_F(User32OutOfMemory, APostWithoutRoomFailsAndLosesNoneQueuedBefore) {
    HWND hwnd = Make(WS_POPUP);
    ASSERT_NE(hwnd, nullptr);
    for (bool to_thread : {false, true}) {
        SCOPED_TRACE(to_thread);
        auto post = [&](LPARAM n) {
            return to_thread ? PostThreadMessageA(GetCurrentThreadId(), WM_USER, 0, n)
                             : PostMessageA(hwnd, WM_USER, 0, n);
        };
        // Posts go in place while the queue has room, and fail once it needs more.
        zv_test::FailNewAfter(0);
        LPARAM posted = 0;
        while (posted < 1000 && post(posted))
            ++posted;
        DWORD error = GetLastError();
        EXPECT_GT(zv_test::ClearNewFailures(), 0u);
        EXPECT_LT(posted, 1000);
        EXPECT_EQ(error, DWORD(ERROR_NOT_ENOUGH_MEMORY));
        ASSERT_TRUE(post(posted));
        MSG m;
        for (LPARAM n = 0; n <= posted; ++n) {
            ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_USER, WM_USER, PM_REMOVE));
            EXPECT_EQ(m.lParam, n);
        }
        EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_USER, WM_USER, PM_REMOVE));
    }
    DestroyWindow(hwnd);
}

TEST_F(User32OutOfMemory, SendingToAnotherThreadNeedsNoMemory) {
    std::atomic<HWND> window{nullptr};
    std::thread owner([&] {
        HWND hwnd = Make(WS_POPUP);
        window = hwnd;
        MSG m;
        while (IsWindow(hwnd) && GetMessageA(&m, nullptr, 0, 0) > 0)
            DispatchMessageA(&m);
    });
    while (!window)
        std::this_thread::yield();
    auto sent = zv_test::RunWithoutMemory([&] { return SendMessageA(window, WM_USER + 5, 0, 0); });
    EXPECT_EQ(sent.result, 42);
    EXPECT_EQ(sent.refused, 0u);
    PostMessageA(window, WM_CLOSE, 0, 0);
    owner.join();
}

TEST_F(User32OutOfMemory, SmallerObjectsFailWholly) {
    auto registered = SweepFailures(
        [] { return RegisterWindowMessageA("A message name that needs memory"); }, 0u);
    EXPECT_GT(registered.runs, 1u);
    UINT message = registered.result;
    EXPECT_GE(message, 0xC000u);
    EXPECT_EQ(RegisterWindowMessageA("A MESSAGE NAME THAT NEEDS MEMORY"), message);

    ACCEL entries[] = {{FVIRTKEY, 'A', 1}, {FVIRTKEY, 'B', 2}};
    auto created = SweepFailures([&] { return CreateAcceleratorTableA(entries, 2); }, nullptr);
    EXPECT_GT(created.runs, 1u);
    HACCEL table = created.result;
    ASSERT_NE(table, nullptr);
    auto destroyed = zv_test::RunWithoutMemory([&] { return DestroyAcceleratorTable(table); });
    EXPECT_TRUE(destroyed.result);
    EXPECT_EQ(destroyed.refused, 0u);
}

}  // namespace
