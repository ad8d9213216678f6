// Windows: creation and destruction send Windows' messages in Windows' order; the tree,
// styles, longs, properties and subclassing; bad handles fail every call.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>

#include "support/window_class.h"
#include "user32_fixtures.h"

using namespace user32_test;

namespace {

TEST_F(WindowTest, ChildCreationNotifiesTheParentAndDestructionOrdersTheTree) {
    HWND parent = Make(WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 100, 100);
    MessageLog::Get().Clear();
    HWND child = CreateWindowExA(0, "LogClass", "", WS_CHILD | WS_VISIBLE, 1, 2, 30, 40, parent,
                                 reinterpret_cast<HMENU>(7), instance_, nullptr);
    ASSERT_NE(child, nullptr);
    HWND grandchild = CreateWindowExA(WS_EX_NOPARENTNOTIFY, "LogClass", "", WS_CHILD, 0, 0, 5, 5,
                                      child, nullptr, instance_, nullptr);
    auto entries = MessageLog::Get().Entries();
    std::vector<std::pair<HWND, UINT>> got;
    // Whether a child shown while it is created is erased at once or at its first
    // WM_PAINT is not documented and differs between implementations: left out.
    for (auto& e : entries)
        if (e.message != WM_ERASEBKGND) got.push_back({e.hwnd, e.message});
    std::vector<std::pair<HWND, UINT>> expected = {{child, WM_NCCREATE},
                                                   {child, WM_NCCALCSIZE},
                                                   {child, WM_CREATE},
                                                   {child, WM_SIZE},
                                                   {child, WM_MOVE},
                                                   {parent, WM_PARENTNOTIFY},
                                                   {child, WM_SHOWWINDOW},
                                                   {child, WM_WINDOWPOSCHANGING},
                                                   {child, WM_WINDOWPOSCHANGED},
                                                   {grandchild, WM_NCCREATE},
                                                   {grandchild, WM_NCCALCSIZE},
                                                   {grandchild, WM_CREATE},
                                                   {grandchild, WM_SIZE},
                                                   {grandchild, WM_MOVE}};
    EXPECT_EQ(got, expected);
    EXPECT_EQ(MessageLog::Get().Last(WM_PARENTNOTIFY)->wparam, MAKEWPARAM(WM_CREATE, 7));
    EXPECT_EQ(GetWindowLongPtrA(child, GWLP_ID), 7);

    MessageLog::Get().Clear();
    ASSERT_TRUE(DestroyWindow(parent));
    got.clear();
    for (auto& e : MessageLog::Get().Entries())
        if (e.message == WM_DESTROY || e.message == WM_NCDESTROY)
            got.push_back({e.hwnd, e.message});
    expected = {{parent, WM_DESTROY},       {child, WM_DESTROY},   {grandchild, WM_DESTROY},
                {grandchild, WM_NCDESTROY}, {child, WM_NCDESTROY}, {parent, WM_NCDESTROY}};
    EXPECT_EQ(got, expected);
    EXPECT_FALSE(IsWindow(parent));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(IsWindow(grandchild));
}

LRESULT CALLBACK RefuseNcCreate(HWND h, UINT m, WPARAM w, LPARAM l) {
    MessageLog::Get().Add(h, m, w, l);
    if (m == WM_NCCREATE) return FALSE;
    return DefWindowProcA(h, m, w, l);
}
LRESULT CALLBACK RefuseCreate(HWND h, UINT m, WPARAM w, LPARAM l) {
    MessageLog::Get().Add(h, m, w, l);
    if (m == WM_CREATE) return -1;
    return DefWindowProcA(h, m, w, l);
}

TEST_F(WindowTest, RefusedCreationCleansUp) {
    zv_support::ScopedWindowClass refuse_nc("RefuseNc", RefuseNcCreate);
    zv_support::ScopedWindowClass refuse_create("RefuseCreate", RefuseCreate);
    EXPECT_EQ(CreateWindowExA(0, "RefuseNc", "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, instance_,
                              nullptr),
              nullptr);
    EXPECT_EQ(MessageLog::Get().Messages(), (Seq{WM_NCCREATE, WM_NCDESTROY}));
    MessageLog::Get().Clear();
    EXPECT_EQ(CreateWindowExA(0, "RefuseCreate", "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr,
                              instance_, nullptr),
              nullptr);
    EXPECT_EQ(MessageLog::Get().Messages(),
              (Seq{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_TRUE(refuse_nc.Unregister());
    EXPECT_TRUE(refuse_create.Unregister());
}

TEST_F(WindowTest, TopLevelStylesGetWindowsDefaults) {
    HWND overlapped = Make(0);
    EXPECT_EQ(GetWindowLongA(overlapped, GWL_STYLE) & (WS_CAPTION | WS_CLIPSIBLINGS),
              LONG(WS_CAPTION | WS_CLIPSIBLINGS));
    HWND popup = Make(WS_POPUP);
    EXPECT_EQ(GetWindowLongA(popup, GWL_STYLE) & WS_CAPTION, 0);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CreateWindowExA(0, "LogClass", "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, instance_,
                              nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_TLW_WITH_WSCHILD));
}

// Enumeration callbacks are WINAPI functions: lambdas would have the wrong calling
// convention in a 32-bit build.
BOOL CALLBACK CollectChild(HWND h, LPARAM p) {
    if (p) reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
    return TRUE;
}
BOOL CALLBACK CollectFirstChild(HWND h, LPARAM p) {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
    return FALSE;
}

TEST_F(WindowTest, TreeEnumeratesInCreationOrderDepthFirst) {
    HWND root = Make(WS_POPUP);
    HWND a = Make(WS_CHILD, root), b = Make(WS_CHILD, root);
    HWND a1 = Make(WS_CHILD, a), a2 = Make(WS_CHILD, a);
    std::vector<HWND> seen;
    EnumChildWindows(root, CollectChild, reinterpret_cast<LPARAM>(&seen));
    EXPECT_EQ(seen, (std::vector<HWND>{a, a1, a2, b}));
    // A visitor that stops ends the walk.
    seen.clear();
    EnumChildWindows(root, CollectFirstChild, reinterpret_cast<LPARAM>(&seen));
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_EQ(GetParent(a1), a);
    EXPECT_EQ(GetWindow(root, GW_CHILD), a);
    EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
    EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), nullptr);
    EXPECT_EQ(GetWindow(b, GW_HWNDPREV), a);
    EXPECT_TRUE(IsChild(root, a2));
    EXPECT_FALSE(IsChild(a2, root));
    EXPECT_FALSE(IsChild(b, a1));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetWindow(root, 99), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_GW_COMMAND));
    HWND owned = Make(WS_POPUP, root);
    EXPECT_EQ(GetWindow(owned, GW_OWNER), root);
    EXPECT_EQ(GetParent(owned), root);  // a popup's parent is its owner
    DestroyWindow(root);
    EXPECT_FALSE(IsWindow(owned));  // owned windows go with their owner
}

LRESULT CALLBACK Subclass(HWND h, UINT m, WPARAM w, LPARAM l) {
    WNDPROC old = reinterpret_cast<WNDPROC>(GetPropA(h, "old"));
    if (m == WM_USER) return 42;
    return CallWindowProcA(old, h, m, w, l);
}

TEST_F(WindowTest, LongsPropertiesAndSubclassing) {
    HWND hwnd = Make(WS_POPUP);
    LONG_PTR old = SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Subclass));
    EXPECT_EQ(old, reinterpret_cast<LONG_PTR>(LoggingProc));
    SetPropA(hwnd, "old", reinterpret_cast<HANDLE>(old));
    EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 42);
    MessageLog::Get().Clear();
    SendMessageA(hwnd, WM_USER + 1, 0, 0);
    EXPECT_EQ(MessageLog::Get().Messages(hwnd), Seq{WM_USER + 1});
    EXPECT_EQ(SetWindowLongPtrA(hwnd, GWLP_WNDPROC, old), reinterpret_cast<LONG_PTR>(Subclass));

    EXPECT_EQ(GetPropA(hwnd, "OLD"), reinterpret_cast<HANDLE>(old));  // names ignore case
    EXPECT_EQ(GetPropA(hwnd, "missing"), nullptr);
    EXPECT_EQ(RemovePropA(hwnd, "Old"), reinterpret_cast<HANDLE>(old));
    EXPECT_EQ(GetPropA(hwnd, "old"), nullptr);

    EXPECT_EQ(SetWindowLongPtrA(hwnd, GWLP_USERDATA, 5), 0);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), 5);
    SetWindowLongA(hwnd, GWL_EXSTYLE, WS_EX_TOOLWINDOW);
    EXPECT_EQ(GetWindowLongA(hwnd, GWL_EXSTYLE), LONG(WS_EX_TOOLWINDOW));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, 400), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_INDEX));

    char text[16];
    memset(text, 'x', sizeof text);
    EXPECT_EQ(GetWindowTextA(hwnd, text, sizeof text), 5);
    EXPECT_STREQ(text, "title");
    SetWindowTextA(hwnd, "other");
    EXPECT_EQ(GetWindowTextLengthA(hwnd), 5);

    EXPECT_TRUE(IsWindowEnabled(hwnd));
    EXPECT_FALSE(EnableWindow(hwnd, FALSE));
    EXPECT_FALSE(IsWindowEnabled(hwnd));
    EXPECT_TRUE(EnableWindow(hwnd, TRUE));
    DWORD pid = 0;
    EXPECT_EQ(GetWindowThreadProcessId(hwnd, &pid), GetCurrentThreadId());
    EXPECT_EQ(pid, GetCurrentProcessId());
}

TEST_F(WindowTest, BadAndDestroyedHandlesFailEveryCall) {
    HWND gone = Make(WS_POPUP);
    DestroyWindow(gone);
    HWND garbage = reinterpret_cast<HWND>(uintptr_t(0x12345678));
    HWND noise = reinterpret_cast<HWND>(uintptr_t(0xFFFFFFFFFFFF0000ull));
    RECT r;
    MSG msg = {};
    PAINTSTRUCT ps;
    char buffer[8];
    std::vector<std::pair<const char*, std::function<bool(HWND)>>> calls = {
        {"DestroyWindow", [](HWND h) { return !DestroyWindow(h); }},
        {"ShowWindow", [](HWND h) { return !ShowWindow(h, SW_SHOW); }},
        {"SetWindowPos", [](HWND h) { return !SetWindowPos(h, nullptr, 0, 0, 1, 1, 0); }},
        {"GetWindowRect", [&](HWND h) { return !GetWindowRect(h, &r); }},
        {"GetClientRect", [&](HWND h) { return !GetClientRect(h, &r); }},
        {"GetParent", [](HWND h) { return !GetParent(h); }},
        {"GetWindow", [](HWND h) { return !GetWindow(h, GW_CHILD); }},
        {"EnumChildWindows", [](HWND h) { return !EnumChildWindows(h, CollectChild, 0); }},
        {"GetClassNameA", [&](HWND h) { return !GetClassNameA(h, buffer, 8); }},
        {"IsWindowEnabled", [](HWND h) { return !IsWindowEnabled(h); }},
        {"IsWindowVisible", [](HWND h) { return !IsWindowVisible(h); }},
        {"GetWindowLongPtrA", [](HWND h) { return !GetWindowLongPtrA(h, GWL_STYLE); }},
        {"SetWindowLongPtrA", [](HWND h) { return !SetWindowLongPtrA(h, GWLP_USERDATA, 1); }},
        {"SetPropA", [](HWND h) { return !SetPropA(h, "x", h); }},
        {"GetPropA", [](HWND h) { return !GetPropA(h, "x"); }},
        {"RemovePropA", [](HWND h) { return !RemovePropA(h, "x"); }},
        {"SendMessageA", [](HWND h) { return !SendMessageA(h, WM_USER, 0, 0); }},
        {"PostMessageA", [](HWND h) { return !PostMessageA(h, WM_USER, 0, 0); }},
        {"PeekMessageA", [&](HWND h) { return !PeekMessageA(&msg, h, 0, 0, PM_REMOVE); }},
        {"InvalidateRect", [](HWND h) { return !InvalidateRect(h, nullptr, TRUE); }},
        {"BeginPaint", [&](HWND h) { return !BeginPaint(h, &ps); }},
        {"SetFocus", [](HWND h) { return !SetFocus(h); }},
        {"SetActiveWindow", [](HWND h) { return !SetActiveWindow(h); }},
        {"GetWindowThreadProcessId", [](HWND h) { return !GetWindowThreadProcessId(h, nullptr); }},
        {"SetWindowTextA", [](HWND h) { return !SetWindowTextA(h, "x"); }},
        {"EnableWindow", [](HWND h) { return !EnableWindow(h, FALSE); }},
        {"ClientToScreen",
         [](HWND h) {
             POINT p{};
             return !ClientToScreen(h, &p);
         }},
    };
    for (HWND bad : {gone, garbage, noise}) {
        for (auto& [name, call] : calls) {
            SetLastError(0xdeadbeef);
            EXPECT_TRUE(call(bad)) << name;
            EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE)) << name;
        }
    }
    EXPECT_FALSE(IsWindow(gone));
    EXPECT_FALSE(IsWindow(garbage));
}

}  // namespace

namespace {

// A procedure that destroys its window when it receives the message in its user data.
LRESULT CALLBACK SelfDestroying(HWND h, UINT m, WPARAM w, LPARAM l) {
    MessageLog::Get().Add(h, m, w, l);
    if (m == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(l);
        SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    if (m != WM_NCDESTROY && LONG_PTR(m) == GetWindowLongPtrA(h, GWLP_USERDATA)) {
        DestroyWindow(h);
        if (m == WM_DESTROY) DestroyWindow(h);  // again, from inside its own destruction
    }
    return DefWindowProcA(h, m, w, l);
}

TEST(Reentrancy, WindowsDestroyedInsideTheirOwnMessages) {
    zv_support::ScopedWindowClass self_destroying("SelfDestroying", SelfDestroying);
    for (UINT when :
         {UINT(WM_CREATE), UINT(WM_SIZE), UINT(WM_MOVE), UINT(WM_SHOWWINDOW),
          UINT(WM_WINDOWPOSCHANGING), UINT(WM_ACTIVATE), UINT(WM_SETFOCUS), UINT(WM_DESTROY)}) {
        MessageLog::Get().Clear();
        HWND h = CreateWindowExA(0, "SelfDestroying", "", WS_CAPTION | WS_VISIBLE, 0, 0, 200, 100,
                                 nullptr, nullptr, self_destroying.instance(),
                                 reinterpret_cast<LPVOID>(uintptr_t(when)));
        if (h) DestroyWindow(h);
        EXPECT_FALSE(IsWindow(h)) << MessageName(when);
        Seq got = MessageLog::Get().Messages();
        EXPECT_EQ(std::count(got.begin(), got.end(), UINT(WM_NCDESTROY)), 1) << MessageName(when);
        EXPECT_EQ(std::count(got.begin(), got.end(), UINT(WM_DESTROY)), 1) << MessageName(when);
        Drain();
    }
    EXPECT_TRUE(self_destroying.Unregister());
    EXPECT_EQ(GetActiveWindow(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
}

}  // namespace
