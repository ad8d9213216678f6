// The window procedure's mappings: commands, timers, the tray, clicks, the tracking-size
// limits, hooks, forwarding to gadget handlers, the MDI frame, colour changes and the
// focus property. Messages are sent as Windows would send them, and the events read
// straight from the queue.
#include <array>
#include <map>
#include <tuple>

#include "support/window_class.h"
#include "window_fixture.h"

namespace {

using Codes = std::vector<int32_t>;

struct Ev {
    int32_t code, object, window, type;
    bool operator==(const Ev& o) const {
        return std::tie(code, object, window, type) == std::tie(o.code, o.object, o.window, o.type);
    }
};

void PrintTo(const Ev& e, std::ostream* os) {
    *os << "{" << e.code << ", object " << e.object << ", window " << e.window << ", type "
        << e.type << "}";
}

using Evs = std::vector<Ev>;

// Everything queued so far, oldest first, and the queue left empty.
Evs Taken() {
    Evs got;
    while (int32_t code = Event_TakeQueued())
        got.push_back({code, Events->current_object, Events->current_window, Events->current_type});
    return got;
}

class WindowProcTest : public WindowSystemTest {
  protected:
    void SetUp() override {
        WindowSystemTest::SetUp();
        window_ = Window_Open(kNumber, 0, 0, 300, 200, "", 0);
        ASSERT_NE(window_, nullptr);
        Drain();
    }
    WindowRecord* Record() {
        return static_cast<WindowRecord*>(Objects_Find(WindowTable, kNumber));
    }
    HWND Child(HWND parent, intptr_t id, DWORD style = 0, const char* cls = "Static") {
        return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, parent,
                               reinterpret_cast<HMENU>(id), GetModuleHandleA(nullptr), nullptr);
    }
    static constexpr int32_t kNumber = 2;
    HWND window_ = nullptr;
};

TEST_F(WindowProcTest, CommandsFromMenusShortcutsAndControls) {
    HWND control = Child(window_, 5);
    HWND menu_like = Child(window_, -10000);
    ASSERT_EQ(GetWindowLongA(menu_like, GWL_ID), -10000);
    Taken();

    EXPECT_EQ(SendMessageA(window_, WM_COMMAND, MAKEWPARAM(42, 0), 0), 0);
    EXPECT_EQ(Taken(), (Evs{{EVENT_MENU, 42, kNumber, 0}})) << "a menu";
    EXPECT_EQ(SendMessageA(window_, WM_COMMAND, MAKEWPARAM(43, 1), 0), 0);
    EXPECT_EQ(Taken(), (Evs{{EVENT_MENU, 43, kNumber, 0}})) << "a shortcut";
    // A menu item that happens to carry a focus command's number is still a menu item.
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(COMMAND_FOCUS_NEXT, 0), 0);
    EXPECT_EQ(Taken(), (Evs{{EVENT_MENU, COMMAND_FOCUS_NEXT, kNumber, 0}}));

    EXPECT_EQ(SendMessageA(window_, WM_COMMAND, MAKEWPARAM(5, 0x300), LPARAM(control)), 0);
    EXPECT_EQ(Taken(), (Evs{{EVENT_GADGET, 5, kNumber, 0x300}})) << "a control";
    // The control's own identifier counts, not the low word the notification carries.
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(9, 1), LPARAM(control));
    EXPECT_EQ(Taken(), (Evs{{EVENT_GADGET, 5, kNumber, 1}}));
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(77, 0x300), LPARAM(menu_like));
    EXPECT_EQ(Taken(), (Evs{{EVENT_MENU, 77, kNumber, 0}})) << "control -10000 acts as a menu";

    // Tab and Shift+Tab arrive from the shortcut table as commands and move the focus.
    HWND a = Child(window_, 11, WS_TABSTOP);
    HWND b = Child(window_, 12, WS_TABSTOP);
    ASSERT_EQ(GetActiveWindow(), window_);
    SetFocus(a);
    Taken();
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(COMMAND_FOCUS_NEXT, 1), 0);
    EXPECT_EQ(GetFocus(), b);
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(COMMAND_FOCUS_PREVIOUS, 1), 0);
    EXPECT_EQ(GetFocus(), a);
    EXPECT_EQ(Taken(), Evs{}) << "focus moves post no event";
}

TEST_F(WindowProcTest, TimersTheTrayAndClicks) {
    EXPECT_EQ(SendMessageA(window_, WM_TIMER, 9, 0), 0);
    EXPECT_EQ(Taken(), (Evs{{EVENT_TIMER, 9, kNumber, 0}}));

    struct {
        UINT mouse;
        int32_t type;  // -1: no event
    } const tray[] = {{WM_LBUTTONDOWN, 0},   {WM_RBUTTONDOWN, 1}, {WM_LBUTTONDBLCLK, 2},
                      {WM_RBUTTONDBLCLK, 3}, {WM_MOUSEMOVE, -1},  {WM_LBUTTONUP, -1},
                      {WM_RBUTTONUP, -1},    {WM_MBUTTONDOWN, -1}};
    for (const auto& t : tray) {
        EXPECT_EQ(SendMessageA(window_, TRAY_CALLBACK_MESSAGE, 7, LPARAM(t.mouse)), 0);
        Evs expected;
        if (t.type >= 0) expected.push_back({EVENT_TRAY, 7, kNumber, t.type});
        EXPECT_EQ(Taken(), expected) << "tray mouse message " << t.mouse;
        // Every tray message leaves a WM_NULL behind, so that a menu the icon opens closes.
        MSG m;
        ASSERT_TRUE(PeekMessageA(&m, window_, 0, 0, PM_REMOVE)) << t.mouse;
        EXPECT_EQ(m.message, UINT(WM_NULL));
        EXPECT_FALSE(PeekMessageA(&m, window_, 0, 0, PM_REMOVE));
    }

    struct {
        UINT message;
        int32_t code;  // 0: no event
    } const clicks[] = {{WM_LBUTTONUP, EVENT_LEFT_CLICK},
                        {WM_LBUTTONDBLCLK, EVENT_LEFT_DOUBLE_CLICK},
                        {WM_RBUTTONUP, EVENT_RIGHT_CLICK},
                        {WM_LBUTTONDOWN, 0},
                        {WM_RBUTTONDOWN, 0},
                        {WM_RBUTTONDBLCLK, 0}};
    for (const auto& c : clicks) {
        SendMessageA(window_, c.message, 0, MAKELPARAM(3, 4));
        Evs expected;
        if (c.code) expected.push_back({c.code, 0, kNumber, 0});
        EXPECT_EQ(Taken(), expected) << "mouse message " << c.message;
    }

    // A window of the runtime's class that is none of its windows: clicks carry window
    // -1, and a timer, having no record, goes to the default procedure without an event.
    HWND stranger = CreateWindowExA(0, "WindowClass_2", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                    nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(stranger, nullptr);
    Taken();
    SendMessageA(stranger, WM_TIMER, 9, 0);
    EXPECT_EQ(Taken(), Evs{});
    SendMessageA(stranger, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(Taken(), (Evs{{EVENT_LEFT_CLICK, 0, -1, 0}}));
    DestroyWindow(stranger);
}

// The tracking limits in the order {minimum x, minimum y, maximum x, maximum y}.
using Limits = std::array<LONG, 4>;

TEST_F(WindowProcTest, TrackingSizeLimits) {
    auto ask = [&](HWND h) {
        MINMAXINFO info = {};
        info.ptMinTrackSize = {11, 12};
        info.ptMaxTrackSize = {13, 14};
        EXPECT_EQ(SendMessageA(h, WM_GETMINMAXINFO, 0, LPARAM(&info)), 0);
        return info;
    };
    auto limits = [&](HWND h) {
        MINMAXINFO info = ask(h);
        return Limits{info.ptMinTrackSize.x, info.ptMinTrackSize.y, info.ptMaxTrackSize.x,
                      info.ptMaxTrackSize.y};
    };
    EXPECT_EQ(limits(window_), (Limits{11, 12, 13, 14})) << "no limit leaves the values alone";

    Record()->minimum_width = 120;
    Record()->maximum_height = 400;
    EXPECT_EQ(limits(window_), (Limits{120, 12, 13, 400}));
    Record()->minimum_width = 0;
    Record()->maximum_height = 0;
    Record()->minimum_height = 90;
    Record()->maximum_width = 500;
    EXPECT_EQ(limits(window_), (Limits{11, 90, 500, 14}));

    // A tool window without a minimum width may become 1 pixel wide.
    HWND tool = Window_Open(3, 0, 0, 100, 100, "", WINDOW_TOOL);
    ASSERT_NE(tool, nullptr);
    MINMAXINFO info = ask(tool);
    EXPECT_EQ(info.ptMinTrackSize.x, 1);
    EXPECT_EQ(info.ptMinTrackSize.y, 12);
    static_cast<WindowRecord*>(Objects_Find(WindowTable, 3))->minimum_width = 60;
    EXPECT_EQ(ask(tool).ptMinTrackSize.x, 60);
}

std::vector<std::string> g_hooked;
HWND g_hooked_window;

LRESULT GlobalHook(HWND h, UINT message, WPARAM, LPARAM) {
    if (h != g_hooked_window) return LRESULT(RESULT_CONTINUE);
    if (message == WM_LBUTTONUP) g_hooked.push_back("global");
    if (message == WM_USER + 5) return 1234;
    return LRESULT(RESULT_CONTINUE);
}

LRESULT OwnHook(HWND h, UINT message, WPARAM, LPARAM) {
    if (h != g_hooked_window) return LRESULT(RESULT_CONTINUE);
    if (message == WM_LBUTTONUP) g_hooked.push_back("own");
    if (message == WM_RBUTTONUP) return 77;
    return LRESULT(RESULT_CONTINUE);
}

TEST_F(WindowProcTest, TheGlobalHookAndAWindowsOwnHookInItsPlace) {
    g_hooked.clear();
    g_hooked_window = window_;
    Messages->global_hook = GlobalHook;
    SendMessageA(window_, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(g_hooked, std::vector<std::string>{"global"});
    EXPECT_EQ(Taken(), (Evs{{EVENT_LEFT_CLICK, 0, kNumber, 0}})) << "RESULT_CONTINUE goes on";
    EXPECT_EQ(SendMessageA(window_, WM_USER + 5, 0, 0), 1234) << "the hook's own answer";

    // The window's hook replaces the global one: only it is asked.
    g_hooked.clear();
    Record()->hook = OwnHook;
    SendMessageA(window_, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(g_hooked, std::vector<std::string>{"own"});
    EXPECT_EQ(Taken(), (Evs{{EVENT_LEFT_CLICK, 0, kNumber, 0}}));
    EXPECT_EQ(SendMessageA(window_, WM_USER + 5, 0, 0), 0) << "the global hook is not asked";
    EXPECT_EQ(SendMessageA(window_, WM_RBUTTONUP, 0, 0), 77);
    EXPECT_EQ(Taken(), Evs{}) << "an answer other than RESULT_CONTINUE ends the handling";

    // A window that is none of the runtime's has no record: the global hook serves it.
    HWND stranger = CreateWindowExA(0, "WindowClass_2", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                    nullptr, GetModuleHandleA(nullptr), nullptr);
    g_hooked.clear();
    g_hooked_window = stranger;
    SendMessageA(stranger, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(g_hooked, std::vector<std::string>{"global"});
    EXPECT_EQ(SendMessageA(stranger, WM_USER + 5, 0, 0), 1234);
    DestroyWindow(stranger);
    Messages->global_hook = nullptr;
    Record()->hook = nullptr;
}

struct HandlerCall {
    GadgetRecord* gadget;
    HWND parent;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};
std::vector<HandlerCall> g_handled;
LRESULT g_handler_result;

LRESULT Handler(GadgetRecord* gadget, HWND parent, UINT message, WPARAM wparam, LPARAM lparam) {
    g_handled.push_back({gadget, parent, message, wparam, lparam});
    return g_handler_result;
}

const GadgetOperations kOperations = {nullptr, nullptr, Handler};
const GadgetOperations kNoHandler = {nullptr, nullptr, nullptr};

TEST_F(WindowProcTest, ControlsOfGadgetsReachTheirHandlers) {
    g_handled.clear();
    HWND control = Child(window_, 5);
    auto* gadget = static_cast<GadgetRecord*>(Objects_Create(GadgetTable, 5));
    ASSERT_NE(gadget, nullptr);
    gadget->handle = control;
    gadget->operations = &kOperations;
    SetPropA(control, "QX_ID", reinterpret_cast<HANDLE>(5));
    Taken();

    // Taken by the handler: no event.
    g_handler_result = 99;
    EXPECT_EQ(SendMessageA(window_, WM_COMMAND, MAKEWPARAM(5, 2), LPARAM(control)), 0);
    ASSERT_EQ(g_handled.size(), 1u);
    EXPECT_EQ(g_handled[0].gadget, gadget);
    EXPECT_EQ(g_handled[0].parent, window_);
    EXPECT_EQ(g_handled[0].message, UINT(WM_COMMAND));
    EXPECT_EQ(g_handled[0].wparam, WPARAM(MAKEWPARAM(5, 2)));
    EXPECT_EQ(g_handled[0].lparam, LPARAM(control));
    EXPECT_EQ(Taken(), Evs{});
    // Left to the window: the event comes after all.
    g_handler_result = LRESULT(RESULT_DEFAULT);
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(5, 2), LPARAM(control));
    EXPECT_EQ(Taken(), (Evs{{EVENT_GADGET, 5, kNumber, 2}}));

    // Notifications name their control in the header; the handler's answer is the result.
    g_handled.clear();
    g_handler_result = 31;
    NMHDR header = {control, 5, UINT(-2)};
    EXPECT_EQ(SendMessageA(window_, WM_NOTIFY, 5, LPARAM(&header)), 31);
    ASSERT_EQ(g_handled.size(), 1u);
    EXPECT_EQ(g_handled[0].message, UINT(WM_NOTIFY));
    EXPECT_EQ(g_handled[0].lparam, LPARAM(&header));
    for (UINT m : {UINT(WM_CTLCOLORSTATIC), UINT(WM_CTLCOLORBTN), UINT(WM_HSCROLL),
                   UINT(GADGET_FORWARD_MESSAGE)})
        EXPECT_EQ(SendMessageA(window_, m, 0, LPARAM(control)), 31) << m;
    EXPECT_EQ(g_handled.size(), 5u);
    SendMessageA(window_, WM_CTLCOLORDLG, 0, LPARAM(control));
    EXPECT_EQ(g_handled.size(), 5u) << "dialog colours are not forwarded";

    // A "QX_ID" that is not the control's identifier makes it no gadget, even when a
    // gadget of that number has a handler.
    g_handled.clear();
    auto* other = static_cast<GadgetRecord*>(Objects_Create(GadgetTable, 6));
    other->handle = control;
    other->operations = &kOperations;
    SetPropA(control, "QX_ID", reinterpret_cast<HANDLE>(6));
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(5, 2), LPARAM(control));
    EXPECT_EQ(Taken(), (Evs{{EVENT_GADGET, 5, kNumber, 2}}));
    SendMessageA(window_, WM_NOTIFY, 5, LPARAM(&header));
    EXPECT_TRUE(g_handled.empty());
    // Nor is a matching gadget whose kind has no handler.
    SetPropA(control, "QX_ID", reinterpret_cast<HANDLE>(5));
    gadget->operations = &kNoHandler;
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(5, 2), LPARAM(control));
    EXPECT_EQ(Taken(), (Evs{{EVENT_GADGET, 5, kNumber, 2}}));
    EXPECT_TRUE(g_handled.empty());
    Objects_Free(GadgetTable, 5);
    Objects_Free(GadgetTable, 6);
}

// Answers WM_SETFOCUS itself and leaves WM_SIZE to the default procedure.
LRESULT FrameHook(HWND, UINT message, WPARAM, LPARAM) {
    if (message == WM_SETFOCUS) return 5;
    if (message == WM_SIZE) return LRESULT(RESULT_DEFAULT);
    return LRESULT(RESULT_CONTINUE);
}

TEST_F(WindowProcTest, AnMdiFrameGoesThroughTheFrameProcedure) {
    CLIENTCREATESTRUCT ccs = {nullptr, 50000};
    HWND client = CreateWindowExA(0, "MDICLIENT", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100,
                                  window_, nullptr, GetModuleHandleA(nullptr), &ccs);
    ASSERT_NE(client, nullptr);
    HWND other = Child(window_, 8, WS_TABSTOP);
    SetFocus(other);
    // Without the property the default procedure leaves the focus where it is.
    SendMessageA(window_, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(GetFocus(), other);

    SetPropA(window_, "QX_MDI_Gadget", client);
    SendMessageA(window_, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(GetFocus(), client) << "the frame procedure hands the focus to the client";
    // WM_SETFOCUS goes there even when a hook has answered it.
    Record()->hook = FrameHook;
    SetFocus(other);
    SendMessageA(window_, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(GetFocus(), client);
    // What the runtime handles keeps its own result: a close is an event, not a destroy.
    Taken();
    EXPECT_EQ(SendMessageA(window_, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_EQ(Taken(), (Evs{{EVENT_CLOSE_WINDOW, kNumber, kNumber, 0}}));
    // Menu commands post their event and still reach the frame procedure.
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(42, 0), 0);
    EXPECT_EQ(Taken(), (Evs{{EVENT_MENU, 42, kNumber, 0}}));
    // WM_SIZE, even left unhandled, never goes to the frame procedure, which would stretch
    // the client over the frame.
    SetWindowPos(window_, nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
    RECT r;
    GetWindowRect(client, &r);
    EXPECT_EQ(r.right - r.left, 100);
    EXPECT_EQ(r.bottom - r.top, 100);
    Record()->hook = nullptr;
    RemovePropA(window_, "QX_MDI_Gadget");
}

std::map<HWND, int> g_colour_changes;
LRESULT CALLBACK CountColourChanges(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_SYSCOLORCHANGE) ++g_colour_changes[h];
    return DefWindowProcA(h, m, w, l);
}

TEST_F(WindowProcTest, ColourChangesReachEveryChildUnlessTheWindowFramesAnMdiClient) {
    zv_support::ScopedWindowClass counter("ColourChangeCounter", CountColourChanges);
    ASSERT_NE(counter.atom(), 0);
    HWND a = Child(window_, 1, 0, "ColourChangeCounter");
    HWND b = Child(window_, 2, 0, "ColourChangeCounter");
    HWND grandchild = Child(b, 3, 0, "ColourChangeCounter");
    g_colour_changes.clear();
    SendMessageA(window_, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(g_colour_changes, (std::map<HWND, int>{{a, 1}, {b, 1}, {grandchild, 1}}));

    g_colour_changes.clear();
    Record()->mdi_client = b;
    SendMessageA(window_, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_TRUE(g_colour_changes.empty());
    Record()->mdi_client = nullptr;
    DestroyWindow(a);
    DestroyWindow(b);
}

WNDPROC g_under;
HANDLE g_focus_before, g_focus_after;
LRESULT CALLBACK WatchNcDestroy(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m != WM_NCDESTROY) return CallWindowProcA(g_under, h, m, w, l);
    g_focus_before = GetPropA(h, "QX_Focus");
    LRESULT r = CallWindowProcA(g_under, h, m, w, l);
    g_focus_after = GetPropA(h, "QX_Focus");
    return r;
}

TEST_F(WindowProcTest, TheLastMessageTakesTheFocusPropertyAway) {
    HWND edit = Child(window_, 4, WS_TABSTOP);
    SetFocus(edit);
    SendMessageA(window_, WM_ACTIVATE, WA_INACTIVE, 0);
    ASSERT_EQ(GetPropA(window_, "QX_Focus"), edit) << "deactivation keeps the focus";
    g_under = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchNcDestroy)));
    g_focus_before = g_focus_after = nullptr;
    EXPECT_EQ(Window_Close(kNumber), 1);
    EXPECT_EQ(g_focus_before, edit);
    EXPECT_EQ(g_focus_after, nullptr);
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

}  // namespace
