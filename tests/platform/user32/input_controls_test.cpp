// Host input: the close button, keys, clicks and focus become Windows' messages.
#include <gtest/gtest.h>
#include <windows.h>
#include <zorvane_test/host.h>

#include <csignal>
#include <tuple>

#include "message_log.h"
#include "user32_fixtures.h"

using namespace user32_test;

namespace {

class InputTest : public LogWindowTest {
  protected:
    InputTest()
        : LogWindowTest("LogDblClass", "in", WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 100, true) {}
};

TEST_F(InputTest, CloseButtonPostsSysCommandWhoseDefaultClosesTheWindow) {
    zv_test::InjectClose(hwnd_);
    EXPECT_EQ(Pump(), Seq{WM_SYSCOMMAND});
    auto* sc = MessageLog::Get().Last(WM_SYSCOMMAND);
    ASSERT_NE(sc, nullptr);
    EXPECT_EQ(sc->wparam, WPARAM(SC_CLOSE));
    EXPECT_NE(MessageLog::Get().Last(WM_CLOSE), nullptr);
    EXPECT_FALSE(IsWindow(hwnd_));
}

TEST_F(InputTest, TerminationSignalIsACloseRequest) {
    std::raise(SIGTERM);
    EXPECT_EQ(Pump(), Seq{WM_SYSCOMMAND});
    EXPECT_FALSE(IsWindow(hwnd_));
}

TEST_F(InputTest, KeysGoToTheFocusAndSetTheKeyState) {
    ASSERT_EQ(GetFocus(), hwnd_);
    zv_test::InjectKey(VK_SHIFT, true);
    zv_test::InjectKey('B', true);
    EXPECT_EQ(GetKeyState('B'), 0) << "the state follows the messages taken";
    EXPECT_EQ(Pump(), (Seq{WM_KEYDOWN, WM_KEYDOWN, WM_CHAR}));
    EXPECT_EQ(MessageLog::Get().Last(WM_CHAR)->wparam, WPARAM('B'));
    EXPECT_LT(GetKeyState('B'), 0);
    EXPECT_EQ(GetKeyState('B') & 0x80, 0x80);
    zv_test::InjectKey('B', false);
    zv_test::InjectKey(VK_SHIFT, false);
    EXPECT_EQ(Pump(), (Seq{WM_KEYUP, WM_KEYUP}));
    EXPECT_GE(GetKeyState('B'), 0);
    auto* up = MessageLog::Get().Last(WM_KEYUP);
    EXPECT_TRUE(up->lparam & (1u << 31));
}

TEST_F(InputTest, DoubleClicksForClassesThatAskForThem) {
    zv_test::AdvanceVirtualClock(1000);
    zv_test::InjectMouseButton(hwnd_, 0, true, 10, 10);
    zv_test::InjectMouseButton(hwnd_, 0, false, 10, 10);
    zv_test::InjectMouseButton(hwnd_, 0, true, 11, 10);
    zv_test::InjectMouseButton(hwnd_, 0, false, 11, 10);
    EXPECT_EQ(Pump(), (Seq{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}));
    // Too slow for a double click.
    zv_test::InjectMouseButton(hwnd_, 0, true, 10, 10);
    zv_test::AdvanceVirtualClock(2000);
    zv_test::InjectMouseButton(hwnd_, 0, true, 10, 10);
    EXPECT_EQ(Pump(), (Seq{WM_LBUTTONDOWN, WM_LBUTTONDOWN}));
    auto* down = MessageLog::Get().Last(WM_LBUTTONDOWN);
    EXPECT_EQ(down->lparam, MAKELPARAM(10, 10));
}

TEST_F(InputTest, MouseGoesToTheChildUnderThePointerInItsCoordinates) {
    HWND child = CreateWindowExA(0, "LogClass", "", WS_CHILD | WS_VISIBLE, 20, 30, 40, 40, hwnd_,
                                 nullptr, nullptr, nullptr);
    HWND hidden = CreateWindowExA(0, "LogClass", "", WS_CHILD, 0, 0, 100, 100, hwnd_, nullptr,
                                  nullptr, nullptr);
    (void)hidden;
    Pump();
    MessageLog::Get().Clear();
    zv_test::InjectMouseMove(hwnd_, 25, 35);
    zv_test::InjectMouseMove(hwnd_, 5, 5);
    zv_test::InjectMouseButton(hwnd_, 1, true, 59, 69);
    zv_test::InjectMouseButton(hwnd_, 1, false, 60, 70);
    Pump();
    auto entries = MessageLog::Get().Entries();
    std::vector<std::tuple<HWND, UINT, LPARAM>> got;
    for (auto& e : entries)
        if (e.message >= WM_MOUSEFIRST && e.message <= WM_MOUSELAST)
            got.push_back({e.hwnd, e.message, e.lparam});
    std::vector<std::tuple<HWND, UINT, LPARAM>> expected = {
        {child, WM_MOUSEMOVE, MAKELPARAM(5, 5)},
        {hwnd_, WM_MOUSEMOVE, MAKELPARAM(5, 5)},
        {child, WM_RBUTTONDOWN, MAKELPARAM(39, 39)},
        {hwnd_, WM_RBUTTONUP, MAKELPARAM(60, 70)}};
    EXPECT_EQ(got, expected);
    POINT p;
    GetCursorPos(&p);
    POINT origin = {0, 0};
    ClientToScreen(hwnd_, &origin);
    EXPECT_EQ(p.x, origin.x + 60);
    EXPECT_EQ(p.y, origin.y + 70);
}

TEST_F(InputTest, FocusMinimizeAndResizeFromTheHost) {
    zv_test::InjectFocus(hwnd_, false);
    EXPECT_EQ(GetActiveWindow(), nullptr);
    zv_test::InjectFocus(hwnd_, true);
    EXPECT_EQ(GetActiveWindow(), hwnd_);
    zv_test::InjectMinimize(hwnd_);
    Pump();
    EXPECT_TRUE(IsIconic(hwnd_));
    auto* size = MessageLog::Get().Last(WM_SIZE);
    EXPECT_EQ(size->wparam, WPARAM(SIZE_MINIMIZED));
    zv_test::InjectRestore(hwnd_);
    Pump();
    EXPECT_FALSE(IsIconic(hwnd_));
    EXPECT_EQ(MessageLog::Get().Last(WM_SIZE)->wparam, WPARAM(SIZE_RESTORED));
    zv_test::InjectResize(hwnd_, 200, 150);
    RECT r;
    GetClientRect(hwnd_, &r);
    EXPECT_EQ(r.right, 200);
    EXPECT_EQ(r.bottom, 150);
    EXPECT_EQ(MessageLog::Get().Last(WM_SIZE)->lparam, MAKELPARAM(200, 150));
    zv_test::InjectMove(hwnd_, 103, 122);
    GetWindowRect(hwnd_, &r);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 100);
    EXPECT_EQ(MessageLog::Get().Last(WM_MOVE)->lparam, MAKELPARAM(103, 122));
}

TEST_F(InputTest, AcceleratorsTurnKeysIntoCommands) {
    ACCEL entries[] = {{FVIRTKEY | FNOINVERT, VK_TAB, 64001},
                       {FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB, 64002}};
    HACCEL table = CreateAcceleratorTableA(entries, 2);
    ASSERT_NE(table, nullptr);
    MSG tab = {hwnd_, WM_KEYDOWN, VK_TAB, 1, 0, {}};
    EXPECT_EQ(TranslateAcceleratorA(hwnd_, table, &tab), 1);
    auto* cmd = MessageLog::Get().Last(WM_COMMAND);
    ASSERT_NE(cmd, nullptr);
    EXPECT_EQ(cmd->wparam, MAKEWPARAM(64001, 1));
    zv_test::InjectKey(VK_SHIFT, true);
    Pump();
    EXPECT_EQ(TranslateAcceleratorA(hwnd_, table, &tab), 1);
    EXPECT_EQ(MessageLog::Get().Last(WM_COMMAND)->wparam, MAKEWPARAM(64002, 1));
    zv_test::InjectKey(VK_SHIFT, false);
    Pump();
    MSG other = {hwnd_, WM_KEYDOWN, 'Q', 1, 0, {}};
    EXPECT_EQ(TranslateAcceleratorA(hwnd_, table, &other), 0);
    EXPECT_TRUE(DestroyAcceleratorTable(table));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DestroyAcceleratorTable(table));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_ACCEL_HANDLE));
    EXPECT_EQ(TranslateAcceleratorA(hwnd_, table, &tab), 0);
}

}  // namespace
