// Event retrieval, the window procedure's events, bindings and posted events.
#include <zorvane_test/host.h>

#include <thread>

#include <richedit.h>

#include <algorithm>

#include "window_fixture.h"

namespace {

using Codes = std::vector<int32_t>;

std::vector<std::string> g_calls;
void CallA() {
    g_calls.push_back("A:" + std::to_string(Events->current_code));
}
void CallB() {
    g_calls.push_back("B");
}
void CallC() {
    g_calls.push_back("C");
}
void CallD() {
    g_calls.push_back("D");
}
void CallE() {
    g_calls.push_back("E");
}
void CallF() {
    g_calls.push_back("F");
}

int g_released = 0;
void Release(INT_PTR data) {
    g_released += int(data);
}

TEST_F(WindowSystemTest, QueueMergesBackToBackDuplicatesAndKeepsTheCurrentEvent) {
    EXPECT_EQ(Event_Poll(), 0) << "nothing queued, nothing waiting";
    Messages->last_wparam = 77;
    EXPECT_EQ(Event_Poll(), 0);
    EXPECT_EQ(Messages->last_wparam, 77u) << "an empty poll leaves the message state alone";

    Event_Post(13100, 5, 2, 0);
    Event_Post(13100, 5, 2, 0);    // merged
    Event_Post(0x10000, 1, 2, 0);  // codes from 0x10000 up never merge
    Event_Post(0x10000, 1, 2, 0);
    Event_Post(13101, 1, 2, 0);
    Event_Post(13100, 5, 2, 0);  // not back to back: kept
    Codes got;
    while (int32_t c = Event_TakeQueued())
        got.push_back(c);
    EXPECT_EQ(got, (Codes{13100, 0x10000, 0x10000, 13101, 13100}));

    Event_Post(EVENT_SIZE_WINDOW, 3, 4, 9);
    EXPECT_EQ(Event_Poll(), EVENT_SIZE_WINDOW);
    EXPECT_EQ(Events->current_code, EVENT_SIZE_WINDOW);
    EXPECT_EQ(Events->current_object, 3);
    EXPECT_EQ(Events->current_window, 4);
    EXPECT_EQ(Events->current_type, 9);
    EXPECT_EQ(Messages->last_wparam, 0u);
    EXPECT_EQ(Messages->event_lparam, 0);
    // Empty: code 0, type -1, window and object kept.
    EXPECT_EQ(Event_TakeQueued(), 0);
    EXPECT_EQ(Events->current_type, EVENT_ANY);
    EXPECT_EQ(Events->current_window, 4);
    EXPECT_EQ(Events->current_object, 3);

    // A dispatched message leaves its parameters.
    HWND h = Window_Open(0, 0, 0, 100, 100, "", 0);
    Drain();
    PostMessageA(h, WM_USER + 3, 11, 12);
    EXPECT_EQ(Event_Poll(), WM_USER + 3);
    EXPECT_EQ(Messages->last_wparam, 11u);
    EXPECT_EQ(Messages->event_lparam, 12);

    // Data is released when the next event is taken, even from an empty queue.
    Event_PostWithData(13110, 0, 0, 0, 5, Release);
    EXPECT_EQ(Event_TakeQueued(), 13110);
    EXPECT_EQ(g_released, 0);
    EXPECT_EQ(Event_TakeQueued(), 0);
    EXPECT_EQ(g_released, 5);
}

TEST_F(WindowSystemTest, PurgeDropsOneWindowsEvents) {
    Event_Post(13100, 0, 1, 0);
    Event_Post(13101, 0, 2, 0);
    Event_Post(13102, 0, 1, 0);
    Event_Post(13103, 0, 3, 0);
    Event_Post(13104, 0, 1, 0);
    Event_PurgeWindow(1);
    Event_Post(13105, 0, 4, 0);  // the tail is right after purging
    Codes got;
    while (int32_t c = Event_TakeQueued())
        got.push_back(c);
    EXPECT_EQ(got, (Codes{13101, 13103, 13105}));
}

TEST_F(WindowSystemTest, BindingsRunForTheFiveKeysInOrder) {
    g_calls.clear();
    ASSERT_TRUE(Bindings_Add(13100, 2, 5, 0, 2, CallA));
    ASSERT_TRUE(Bindings_Add(13100, 2, 5, EVENT_ANY, 2, CallB));
    ASSERT_TRUE(Bindings_Add(13100, 2, EVENT_ANY, EVENT_ANY, 2, CallC));
    ASSERT_TRUE(Bindings_Add(13100, EVENT_ANY, EVENT_ANY, EVENT_ANY, 7, CallD));
    ASSERT_TRUE(Bindings_Add(13100, EVENT_ANY, 5, 0, 8, CallE));
    ASSERT_TRUE(Bindings_Add(13100, 2, EVENT_ANY, 0, 2, CallF));  // never looked up
    Event_Post(13100, 5, 2, 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"A:13100", "B", "C", "D", "E"}));
    EXPECT_EQ(Events->current_code, 0) << "the current event is restored after the callbacks";

    // Window -1: the first and fifth lookups are the same key and run twice.
    g_calls.clear();
    Bindings_Add(13101, EVENT_ANY, 1, 0, 9, CallB);
    Event_Post(13101, 1, EVENT_ANY, 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"B", "B"}));

    // Removing window 2 keeps bindings whose window field differs, even under keys naming 2.
    Bindings_Add(13102, 2, 0, 0, 3, CallC);
    Bindings_RemoveWindow(2);
    g_calls.clear();
    Event_Post(13100, 5, 2, 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"D", "E"}));
    g_calls.clear();
    Event_Post(13102, 0, 2, 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"C"}));
}

TEST_F(WindowSystemTest, EventPostedFromAnotherThread) {
    ASSERT_NE(PostedEventWindow, nullptr);
    ASSERT_NE(PostedEventMessage, 0u);
    std::thread sender([] {
        auto* block = static_cast<PostedEventBlock*>(Runtime_Alloc(sizeof(PostedEventBlock), TRUE));
        block->code = EVENT_CLOSE_WINDOW;
        block->window = 0;
        block->object = 0;
        PostMessageA(PostedEventWindow, PostedEventMessage, 0, reinterpret_cast<LPARAM>(block));
    });
    sender.join();
    EXPECT_EQ(Event_Poll(), int32_t(PostedEventMessage));
    EXPECT_EQ(Event_Poll(), EVENT_CLOSE_WINDOW);
    EXPECT_EQ(Events->current_window, 0);
}

TEST_F(WindowSystemTest, WaitingWithoutLimitReturnsWhenAMessageComes) {
    HWND h = Window_Open(0, 0, 0, 100, 100, "", 0);
    Drain();
    std::thread poster([h] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        PostMessageA(h, WM_USER + 1, 0, 0);
    });
    EXPECT_EQ(Event_Wait(-1), WM_USER + 1);
    poster.join();
    // A time-out with nothing coming returns 0 and leaves the message state alone.
    Messages->last_lparam = 5;
    EXPECT_EQ(Event_Wait(10), 0);
    EXPECT_EQ(Messages->last_lparam, 5);
}

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
    EXPECT_EQ(Drain(), (Codes{EVENT_SIZE_WINDOW, EVENT_REPAINT}));
    ShowWindow(h, SW_MAXIMIZE);
    got = Drain();
    EXPECT_EQ(Codes(got.begin(), got.begin() + 3),
              (Codes{EVENT_MOVE_WINDOW, EVENT_MAXIMIZE_WINDOW, EVENT_SIZE_WINDOW}));

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

TEST_F(WindowSystemTest, HookFirstThenTable) {
    HWND h = Window_Open(0, 0, 0, 100, 100, "", 0);
    Drain();
    auto* record = static_cast<WindowRecord*>(Objects_Find(WindowTable, 0));
    record->hook = [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return LRESULT(RESULT_CONTINUE); };
    SendMessageA(h, WM_CLOSE, 0, 0);
    EXPECT_EQ(Drain(), Codes{EVENT_CLOSE_WINDOW});
    record->hook = [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return LRESULT(RESULT_DEFAULT); };
    SendMessageA(h, WM_LBUTTONUP, 0, 0);
    EXPECT_TRUE(Drain().empty());
    // RESULT_DEFAULT from the hook goes to the default procedure: WM_CLOSE destroys.
    SendMessageA(h, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(h));
    record->hook = nullptr;
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

// Stand-ins for a rich-text control: one editable, one read-only.
LRESULT CALLBACK RichProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == EM_GETOPTIONS) return GetPropA(h, "readonly") ? ECO_READONLY : 0;
    return DefWindowProcA(h, m, w, l);
}

TEST_F(WindowSystemTest, TabMovesTheFocusExceptInEditableRichText) {
    HWND h = Window_Open(0, 0, 0, 300, 300, "", 0);
    auto make = [&](const char* cls, DWORD style) {
        return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, h, nullptr,
                               nullptr, nullptr);
    };
    HWND a = make("Static", WS_TABSTOP);
    HWND skipped = make("Static", 0);
    HWND b = make("Static", WS_TABSTOP);
    HWND c = make("Static", WS_TABSTOP);
    (void)skipped;
    Drain();
    auto tab = [&](bool shift) {
        if (shift) zv_test::InjectKey(VK_SHIFT, true);
        zv_test::InjectKey(VK_TAB, true);
        zv_test::InjectKey(VK_TAB, false);
        if (shift) zv_test::InjectKey(VK_SHIFT, false);
        Drain();
    };
    SetFocus(h);  // no focused child: Tab takes the first stop, Shift+Tab the last
    tab(false);
    EXPECT_EQ(GetFocus(), a);
    tab(false);
    EXPECT_EQ(GetFocus(), b);
    tab(false);
    EXPECT_EQ(GetFocus(), c);
    tab(false);
    EXPECT_EQ(GetFocus(), a) << "wraps to the first";
    tab(true);
    EXPECT_EQ(GetFocus(), c) << "Shift+Tab on the first goes to the last";
    tab(true);
    EXPECT_EQ(GetFocus(), b);
    SetFocus(h);
    tab(true);
    EXPECT_EQ(GetFocus(), c);
    // Shift made the keyboard cues visible.
    EXPECT_EQ(SendMessageA(h, WM_QUERYUISTATE, 0, 0) & (UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = RichProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RichEdit20A";
    RegisterClassA(&wc);
    HWND rich = make("RichEdit20A", WS_TABSTOP);
    SetFocus(rich);
    tab(false);
    EXPECT_EQ(GetFocus(), rich) << "an editable rich-text control keeps its Tab";
    SetPropA(rich, "readonly", rich);
    tab(false);
    EXPECT_EQ(GetFocus(), a) << "a read-only one does not";
    DestroyWindow(rich);
    UnregisterClassA("RichEdit20A", wc.hInstance);
}

}  // namespace
