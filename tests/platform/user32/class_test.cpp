// Window classes and the atoms they share with registered messages.
#include <gtest/gtest.h>
#include <windows.h>

namespace {

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcA(h, m, w, l);
}

WNDCLASSA PlainClass(const char* name) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = name;
    return wc;
}

TEST(Classes, RegisterTwiceFailsAndUnregisterLetsTheNameBeUsedAgain) {
    WNDCLASSA wc = PlainClass("ClassTwice");
    ATOM atom = RegisterClassA(&wc);
    ASSERT_NE(atom, 0);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(RegisterClassA(&wc), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_ALREADY_EXISTS));
    // Names compare without regard to case.
    wc.lpszClassName = "CLASSTWICE";
    EXPECT_EQ(RegisterClassA(&wc), 0);
    EXPECT_TRUE(UnregisterClassA("classtwice", wc.hInstance));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(UnregisterClassA("ClassTwice", wc.hInstance));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_DOES_NOT_EXIST));
    EXPECT_NE(RegisterClassA(&wc), 0);
    EXPECT_TRUE(UnregisterClassA("ClassTwice", wc.hInstance));
}

TEST(Classes, BadArgumentsFail) {
    struct Case {
        const char* what;
        WNDCLASSEXA wc;
    };
    WNDCLASSEXA good = {sizeof(WNDCLASSEXA),
                        0,
                        PlainProc,
                        0,
                        0,
                        GetModuleHandleA(nullptr),
                        nullptr,
                        nullptr,
                        nullptr,
                        nullptr,
                        "ExBad",
                        nullptr};
    std::vector<Case> cases = {
        {"size", good}, {"no name", good}, {"empty name", good}, {"negative extra", good}};
    cases[0].wc.cbSize = 12;
    cases[1].wc.lpszClassName = nullptr;
    cases[2].wc.lpszClassName = "";
    cases[3].wc.cbWndExtra = -4;
    for (auto& c : cases) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(RegisterClassExA(&c.wc), 0) << c.what;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER)) << c.what;
    }
    EXPECT_EQ(RegisterClassExA(nullptr), 0);
}

TEST(Classes, ClassWithWindowsCannotBeUnregistered) {
    WNDCLASSA wc = PlainClass("ClassBusy");
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND hwnd = CreateWindowExA(0, "ClassBusy", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
    ASSERT_NE(hwnd, nullptr);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(UnregisterClassA("ClassBusy", wc.hInstance));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_HAS_WINDOWS));
    DestroyWindow(hwnd);
    EXPECT_TRUE(UnregisterClassA("ClassBusy", wc.hInstance));
}

TEST(Classes, ExtraWindowBytesHoldLongsWithinTheirSize) {
    WNDCLASSA wc = PlainClass("ClassExtra");
    wc.cbWndExtra = 8;
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND hwnd = CreateWindowExA(0, "ClassExtra", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(GetWindowLongA(hwnd, 4), 0);  // extra bytes start zero-filled
    EXPECT_EQ(SetWindowLongA(hwnd, 4, 0x12345678), 0);
    EXPECT_EQ(SetWindowLongA(hwnd, 4, 7), 0x12345678);
    EXPECT_EQ(GetWindowLongA(hwnd, 4), 7);
    // A LONG that would reach past the extra bytes, and pointer-sized values, are refused.
    for (int index : {5, 8, GWLP_WNDPROC}) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(SetWindowLongA(hwnd, index, 1), 0) << index;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_INDEX)) << index;
        SetLastError(0xdeadbeef);
        EXPECT_EQ(GetWindowLongA(hwnd, index), 0) << index;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_INDEX)) << index;
    }
    DestroyWindow(hwnd);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetWindowLongA(hwnd, 4), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_TRUE(UnregisterClassA("ClassExtra", wc.hInstance));
}

TEST(Classes, UnknownClassFailsCreation) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(
        CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
        nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CANNOT_FIND_WND_CLASS));
}

TEST(Classes, StaticIsASystemClassAndClassNamesReadBack) {
    HWND parent = CreateWindowExA(0, "STATIC", "parent", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    char name[50];
    memset(name, 'x', sizeof name);
    EXPECT_EQ(GetClassNameA(parent, name, sizeof name), 6);
    EXPECT_STREQ(name, "Static");
    // A short buffer gets what fits, terminated.
    EXPECT_EQ(GetClassNameA(parent, name, 5), 4);
    EXPECT_STREQ(name, "Stat");
    EXPECT_EQ(SendMessageA(parent, WM_NCHITTEST, 0, 0), LRESULT(HTTRANSPARENT));
    DestroyWindow(parent);
}

TEST(Classes, RegisteredMessagesShareNumbersByName) {
    UINT a = RegisterWindowMessageA("Zv_Test_Message");
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessageA("ZV_TEST_MESSAGE"), a);
    EXPECT_NE(RegisterWindowMessageA("Zv_Other_Message"), a);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(RegisterWindowMessageA(""), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(RegisterWindowMessageA(nullptr), 0u);
}

TEST(Resources, SystemCursorsAndIconsButNoProgramResources) {
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), LoadCursorA(nullptr, IDC_ARROW));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
    int before = ShowCursor(TRUE);
    EXPECT_EQ(ShowCursor(FALSE), before - 1);
    RECT clip = {10, 10, 20, 20}, got;
    EXPECT_TRUE(ClipCursor(&clip));
    GetClipCursor(&got);
    EXPECT_TRUE(EqualRect(&clip, &got));
    EXPECT_TRUE(ClipCursor(nullptr));
}

}  // namespace
