// The window procedure's events under the host's input: the close button, focus, resizing,
// and painting seen in the native window's frame.
#include <zorvane_test/host.h>

#include "window_fixture.h"

namespace {

using Codes = std::vector<int32_t>;

TEST_F(WindowSystemTest, CloseButtonQueuesCloseEventAndLeavesTheWindowOpen) {
    HWND h = Window_Open(0, 0, 0, 640, 480, "Zorvane Lumetra", 0xC80000);
    Drain();
    zv_test::InjectClose(h);
    EXPECT_EQ(Event_Poll(), WM_SYSCOMMAND);
    EXPECT_EQ(Event_Poll(), EVENT_CLOSE_WINDOW);
    EXPECT_EQ(Events->current_window, 0);
    EXPECT_EQ(Events->current_object, 0);
    EXPECT_TRUE(IsWindow(h));
    EXPECT_EQ(Window_Handle(0), h);
}

TEST_F(WindowSystemTest, SizeAndActivationEvents) {
    HWND h = Window_Open(0, 0, 0, 200, 200, "", WS_CAPTION | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    Drain();
    ShowWindow(h, SW_MINIMIZE);
    ShowWindow(h, SW_RESTORE);
    Codes got = Drain();
    Codes expected = {EVENT_MINIMIZE_WINDOW, EVENT_RESTORE_WINDOW, EVENT_SIZE_WINDOW};
    got.erase(std::remove_if(got.begin(), got.end(),
                             [](int32_t c) {
                                 return c != EVENT_MINIMIZE_WINDOW && c != EVENT_RESTORE_WINDOW &&
                                        c != EVENT_SIZE_WINDOW && c != EVENT_MAXIMIZE_WINDOW;
                             }),
              got.end());
    EXPECT_EQ(got, expected);
    SetWindowPos(h, nullptr, 0, 0, 300, 300, SWP_NOMOVE | SWP_NOZORDER);
    // What the window grows by is erased before it hears its new size.
    EXPECT_EQ(Drain(), (Codes{EVENT_REPAINT, EVENT_SIZE_WINDOW}));
    ShowWindow(h, SW_MAXIMIZE);
    got = Drain();
    EXPECT_EQ(Codes(got.begin(), got.begin() + 4),
              (Codes{EVENT_REPAINT, EVENT_MOVE_WINDOW, EVENT_MAXIMIZE_WINDOW, EVENT_SIZE_WINDOW}));

    // Deactivating and activating again gives the focus back to the control that had it.
    HWND edit = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, h, nullptr,
                                nullptr, nullptr);
    SetFocus(edit);
    Drain();
    SendMessageA(h, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    zv_test::InjectFocus(h, false);
    EXPECT_EQ(Drain(), Codes{EVENT_DEACTIVATE_WINDOW});
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(SendMessageA(h, WM_QUERYUISTATE, 0, 0), UISF_HIDEFOCUS | UISF_HIDEACCEL)
        << "deactivation hides the keyboard cues";
    zv_test::InjectFocus(h, true);
    EXPECT_EQ(Drain(), Codes{EVENT_ACTIVATE_WINDOW});
    EXPECT_EQ(GetFocus(), edit);
}

LRESULT EraseBlack(HDC dc, HWND window) {
    RECT r;
    GetClientRect(window, &r);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return 1;
}

TEST_F(WindowSystemTest, EraseQueuesRepaintWhetherOrNotItPainted) {
    HWND h = Window_Open(0, 0, 0, 50, 40, "", WS_POPUP);
    Drain();
    auto* record = static_cast<WindowRecord*>(Objects_Find(WindowTable, 0));
    zv_test::HostFrame frame;
    // No brush, no callback: the default procedure erases with the class brush.
    InvalidateRect(h, nullptr, TRUE);
    EXPECT_EQ(Drain(), Codes{EVENT_REPAINT});
    ASSERT_TRUE(zv_test::LastPresentedFrame(h, &frame));
    EXPECT_EQ(frame.pixels[0], GetSysColor(COLOR_BTNFACE));
    // The record's brush.
    record->background_brush = CreateSolidBrush(RGB(0, 255, 0));
    InvalidateRect(h, nullptr, TRUE);
    EXPECT_EQ(Drain(), Codes{EVENT_REPAINT});
    ASSERT_TRUE(zv_test::LastPresentedFrame(h, &frame));
    EXPECT_EQ(frame.pixels[0], 0x00FF00u);
    // The erase callback, used when there is no brush; the brush is deleted at close.
    DeleteObject(record->background_brush);
    record->background_brush = nullptr;
    record->erase_callback = EraseBlack;
    InvalidateRect(h, nullptr, TRUE);
    EXPECT_EQ(Drain(), Codes{EVENT_REPAINT});
    ASSERT_TRUE(zv_test::LastPresentedFrame(h, &frame));
    EXPECT_EQ(frame.pixels[0], 0u);
}

}  // namespace
