// What DefWindowProcA does by default: closing, keyboard cues, WM_WINDOWPOSCHANGED,
// window text.
#include <gtest/gtest.h>
#include <windows.h>

#include "user32_fixtures.h"

using namespace user32_test;

namespace {

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

}  // namespace
