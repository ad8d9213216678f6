// Opening, centring, reopening and closing windows; closing gives back everything a window
// held, and a window the platform refuses leaves nothing behind.
#include <ole2.h>

#include "support/counted_drop_target.h"
#include "window_fixture.h"

namespace {

using Events_ = std::vector<int32_t>;

std::string ClassOf(HWND h) {
    char name[64] = {};
    GetClassNameA(h, name, sizeof name);
    return name;
}

TEST_F(WindowSystemTest, TheAnimationsWindow) {
    HWND h = Window_Open(0, 0, 0, 640, 480, "Zorvane Lumetra", 0xC80000);
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(IsWindow(h));
    EXPECT_EQ(Window_Handle(0), h);
    EXPECT_EQ(ClassOf(h), "WindowClass_0");
    EXPECT_EQ(GetPropA(h, "QX_WindowID"), reinterpret_cast<HANDLE>(1));
    LONG style = GetWindowLongA(h, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_VISIBLE | WS_THICKFRAME | WS_MINIMIZEBOX),
              LONG(WS_CAPTION | WS_SYSMENU | WS_VISIBLE));
    EXPECT_EQ(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    RECT wr, cr;
    GetWindowRect(h, &wr);
    GetClientRect(h, &cr);
    EXPECT_EQ(wr.left, 0);
    EXPECT_EQ(wr.top, 0);
    EXPECT_EQ(wr.right - wr.left, 646);
    EXPECT_EQ(wr.bottom - wr.top, 505);
    EXPECT_EQ(cr.right, 640);
    EXPECT_EQ(cr.bottom, 480);
    EXPECT_EQ(GetActiveWindow(), h);  // SW_SHOWNORMAL activates
    char title[32];
    GetWindowTextA(h, title, sizeof title);
    EXPECT_STREQ(title, "Zorvane Lumetra");
    auto* record = static_cast<WindowRecord*>(Objects_Find(WindowTable, 0));
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->shortcut_count, 2);
    EXPECT_EQ(record->reserved, -1);
    EXPECT_EQ(record->shortcut_entries[1].fVirt, 7);
    EXPECT_EQ(record->shortcut_entries[1].cmd, COMMAND_FOCUS_PREVIOUS);
    EXPECT_NE(record->shortcut_table, nullptr);
    EXPECT_EQ(record->sized_state, 0u);
}

TEST_F(WindowSystemTest, StyleRulesOfOpening) {
    struct Case {
        const char* what;
        uint32_t flags;
        bool visible, caption_in_size, zoomed, tool;
    };
    const Case cases[] = {
        {"flags 0 get a caption", 0, true, true, false, false},
        {"hidden alone gets a caption and stays hidden", WINDOW_HIDDEN, false, true, false, false},
        {"no-activate alone adds no caption", WINDOW_NO_ACTIVATE, true, false, false, false},
        {"tool window drops maximize", WINDOW_TOOL | WS_MAXIMIZE, true, true, false, true},
        {"maximized", WS_CAPTION | WS_MAXIMIZE, true, true, true, false},
    };
    int n = 10;
    for (const Case& c : cases) {
        HWND h = Window_Open(n, 0, 0, 300, 200, "t", c.flags);
        ASSERT_NE(h, nullptr) << c.what;
        EXPECT_EQ(bool(IsWindowVisible(h)), c.visible) << c.what;
        EXPECT_EQ(bool(IsZoomed(h)), c.zoomed) << c.what;
        EXPECT_EQ(bool(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOOLWINDOW), c.tool) << c.what;
        if (!c.zoomed) {
            RECT wr;
            GetWindowRect(h, &wr);
            RECT expect = {0, 0, 300, 200};
            DWORD style = c.caption_in_size ? WS_CAPTION : 0;
            AdjustWindowRectEx(&expect, style, FALSE, c.tool ? WS_EX_TOOLWINDOW : 0);
            EXPECT_EQ(wr.right - wr.left, expect.right - expect.left) << c.what;
            EXPECT_EQ(wr.bottom - wr.top, expect.bottom - expect.top) << c.what;
        }
        auto* record = static_cast<WindowRecord*>(Objects_Find(WindowTable, n));
        EXPECT_EQ(record->sized_state, c.zoomed ? 1u : 0u) << c.what;
        ++n;
    }
    // Opening without activation leaves the active window as it was.
    HWND active = Window_Open(30, 0, 0, 100, 100, "a", 0);
    Window_Open(31, 0, 0, 100, 100, "b", WINDOW_NO_ACTIVATE);
    EXPECT_EQ(GetActiveWindow(), active);
}

TEST_F(WindowSystemTest, PositionRules) {
    // x = POSITION_DEFAULT gives the default position whatever y is.
    HWND a = Window_Open(1, POSITION_DEFAULT, 100, 100, 100, "", 0);
    HWND reference = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     nullptr, nullptr);
    HWND defaulted = CreateWindowExA(0, "Static", "", WS_CAPTION, CW_USEDEFAULT, 0, 200, 200,
                                     nullptr, nullptr, nullptr, nullptr);
    RECT ra, rd;
    GetWindowRect(a, &ra);
    GetWindowRect(defaulted, &rd);
    EXPECT_EQ(ra.left, rd.left);
    EXPECT_EQ(ra.top, rd.top);
    // y = POSITION_DEFAULT with x given: default position unless centring.
    HWND b = Window_Open(2, 50, POSITION_DEFAULT, 100, 100, "", 0);
    RECT rb;
    GetWindowRect(b, &rb);
    EXPECT_EQ(rb.left, rd.left);
    HWND c = Window_Open(3, 50, POSITION_DEFAULT, 100, 100, "", WS_CAPTION | WINDOW_CENTRE_SCREEN);
    RECT rc;
    GetWindowRect(c, &rc);
    int w = rc.right - rc.left, hgt = rc.bottom - rc.top;
    EXPECT_EQ(rc.left, (GetSystemMetrics(SM_CXSCREEN) - w) / 2);
    EXPECT_EQ(rc.top, (GetSystemMetrics(SM_CYSCREEN) - hgt) / 2);
    DestroyWindow(reference);
    DestroyWindow(defaulted);
}

TEST_F(WindowSystemTest, ReopeningANumberClosesTheFirstWindow) {
    HWND first = Window_Open(3, 0, 0, 100, 100, "one", 0);
    HWND second = Window_Open(3, 0, 0, 100, 100, "two", 0);
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(Window_Handle(3), second);
    EXPECT_EQ(ClassOf(second), "WindowClass_3");
    EXPECT_EQ(Window_Close(3), 1);
    EXPECT_FALSE(IsWindow(second));
    EXPECT_EQ(Window_Handle(3), nullptr);
    EXPECT_EQ(Window_Close(3), 0);
    // The class went with the window, so the number opens again.
    EXPECT_NE(Window_Open(3, 0, 0, 100, 100, "three", 0), nullptr);
}

TEST_F(WindowSystemTest, CloseAllAndDynamicWindows) {
    HWND a = Window_Open(0, 0, 0, 100, 100, "", 0);
    HWND b = Window_Open(5, 0, 0, 100, 100, "", 0);
    HWND d = Window_Open(OBJECT_DYNAMIC, 0, 0, 100, 100, "", 0);
    int32_t id = int32_t(reinterpret_cast<intptr_t>(d));
    EXPECT_GE(id, OBJECT_DYNAMIC_FIRST);
    HWND dh = Window_Handle(id);
    ASSERT_NE(dh, nullptr);
    EXPECT_TRUE(IsWindow(dh));
    EXPECT_EQ(ClassOf(dh), "WindowClass_" + std::to_string(id));
    EXPECT_EQ(GetPropA(dh, "QX_WindowID"), reinterpret_cast<HANDLE>(intptr_t(id) + 1));
    EXPECT_EQ(Window_Close(OBJECT_DYNAMIC), 1);
    for (HWND h : {a, b, dh})
        EXPECT_FALSE(IsWindow(h));
    for (int32_t n : {0, 5, id})
        EXPECT_EQ(Window_Handle(n), nullptr);
    Window_Open(7, 0, 0, 100, 100, "", 0);
    Window_End();
    EXPECT_EQ(Window_Handle(7), nullptr);
}

}  // namespace

namespace {

TEST_F(WindowSystemTest, AnMdiChildIsClosedThroughItsClient) {
    HWND frame = Window_Open(1, 0, 0, 300, 300, "", 0);
    HWND client = CreateWindowExA(0, "MDICLIENT", "", WS_CHILD | WS_VISIBLE, 0, 0, 300, 300, frame,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(client, nullptr);
    HWND child = Window_OpenWithParent(2, 0, 0, 50, 50, "", WS_CHILD | WS_CAPTION, client);
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(IsChild(client, child));
    static_cast<WindowRecord*>(Objects_Find(WindowTable, 2))->mdi_client = client;
    EXPECT_EQ(Window_Close(2), 1);
    EXPECT_FALSE(IsWindow(child));
    EXPECT_TRUE(IsWindow(client));
    EXPECT_EQ(Window_Handle(2), nullptr);
}

}  // namespace

namespace {

// A binding on activation that closes the window being activated, found by its handle,
// as a program's callback might; once for each time it is armed.
bool g_close_armed = false;
std::vector<int32_t> g_closed_in_callback;
void CloseTheActivatedWindow() {
    if (!g_close_armed) return;
    g_close_armed = false;
    HWND active = GetActiveWindow();
    int32_t number = 0;
    Objects_EnumStart(WindowTable);
    while (auto* record = static_cast<WindowRecord*>(Objects_EnumNext(WindowTable, &number))) {
        if (record->handle == active) {
            g_closed_in_callback.push_back(number);
            Window_Close(number);
            return;
        }
    }
}

TEST_F(WindowSystemTest, AWindowClosedWhileItIsShownOpensAsNothing) {
    HWND other = Window_Open(2, 0, 0, 100, 100, "", WINDOW_NO_ACTIVATE);
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(Bindings_Add(EVENT_ACTIVATE_WINDOW, EVENT_ANY, EVENT_ANY, EVENT_ANY, 2,
                             CloseTheActivatedWindow));
    for (int32_t number : {5, int32_t(OBJECT_DYNAMIC)}) {
        SCOPED_TRACE(number);
        g_closed_in_callback.clear();
        g_close_armed = true;
        EXPECT_EQ(Window_Open(number, 0, 0, 100, 100, "", 0), nullptr);
        ASSERT_EQ(g_closed_in_callback.size(), 1u);
        int32_t opened = g_closed_in_callback[0];
        if (number != OBJECT_DYNAMIC) {
            EXPECT_EQ(opened, number);
        }
        EXPECT_EQ(Window_Handle(opened), nullptr);
        // The rest of the opening did not go on with the dead window.
        EXPECT_EQ(GadgetList_Use(nullptr), other);
        Drain();
    }
    EXPECT_EQ(Window_Handle(2), other);

    // Without the binding the same numbers open as usual: the classes went with the
    // windows.
    Bindings_RemoveWindow(2);
    HWND five = Window_Open(5, 0, 0, 100, 100, "", 0);
    ASSERT_NE(five, nullptr);
    EXPECT_EQ(Window_Handle(5), five);
    EXPECT_EQ(GetPropA(five, "QX_WindowID"), reinterpret_cast<HANDLE>(6));
    HWND dynamic = Window_Open(OBJECT_DYNAMIC, 0, 0, 100, 100, "", 0);
    ASSERT_NE(dynamic, nullptr);
    EXPECT_NE(Window_Handle(int32_t(reinterpret_cast<intptr_t>(dynamic))), nullptr);
}

WindowRecord* RecordOf(int32_t number) {
    return static_cast<WindowRecord*>(Objects_Find(WindowTable, number));
}

std::vector<int32_t> g_bound;
void BoundTo3() {
    g_bound.push_back(3);
}
void BoundTo4() {
    g_bound.push_back(4);
}

TEST_F(WindowSystemTest, ClosingDropsTheWindowsEventsAndBindingsOnly) {
    Window_Open(3, 0, 0, 100, 100, "", 0);
    Window_Open(4, 0, 0, 100, 100, "", 0);
    Drain();
    ASSERT_TRUE(Bindings_Add(EVENT_TIMER, 3, EVENT_ANY, EVENT_ANY, 3, BoundTo3));
    ASSERT_TRUE(Bindings_Add(EVENT_TIMER, 4, EVENT_ANY, EVENT_ANY, 4, BoundTo4));
    g_bound.clear();
    Event_Post(EVENT_TIMER, 1, 3, 0);
    Event_Post(EVENT_TIMER, 2, 4, 0);
    Event_Post(EVENT_TIMER, 3, 3, 0);
    EXPECT_EQ(g_bound, (std::vector<int32_t>{3, 4, 3}));

    EXPECT_EQ(Window_Close(3), 1);
    EXPECT_EQ(Event_TakeQueued(), EVENT_TIMER);
    EXPECT_EQ(Events->current_window, 4);
    EXPECT_EQ(Events->current_object, 2);
    EXPECT_EQ(Event_TakeQueued(), 0) << "window 3's events went with it";
    EXPECT_EQ(Map_Find(Bindings, "13110:3:-1:-1"), nullptr);
    EXPECT_NE(Map_Find(Bindings, "13110:4:-1:-1"), nullptr);
    g_bound.clear();
    Event_Post(EVENT_TIMER, 1, 3, 0);
    Event_Post(EVENT_TIMER, 1, 4, 0);
    EXPECT_EQ(g_bound, std::vector<int32_t>{4});
}

TEST_F(WindowSystemTest, ClosingDeletesTheBrushAndTheShortcutTable) {
    Window_Open(3, 0, 0, 100, 100, "", 0);
    WindowRecord* record = RecordOf(3);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    record->background_brush = brush;
    HACCEL shortcuts = record->shortcut_table;
    ASSERT_NE(shortcuts, nullptr);
    ASSERT_EQ(GetObjectType(brush), DWORD(OBJ_BRUSH));
    EXPECT_EQ(Window_Close(3), 1);
    EXPECT_EQ(GetObjectType(brush), 0u) << "the brush was deleted";
    EXPECT_FALSE(DestroyAcceleratorTable(shortcuts)) << "the table was destroyed already";
    EXPECT_EQ(RecordOf(3), nullptr);
}

TEST_F(WindowSystemTest, ClosingRevokesTheDropTargetOfAWindowThatAcceptsDrops) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    HWND accepting = Window_Open(3, 0, 0, 100, 100, "", 0);
    zv_support::CountedDropTarget target;
    ASSERT_EQ(RegisterDragDrop(accepting, &target), S_OK);
    SetPropA(accepting, "QX_DropAccept", reinterpret_cast<HANDLE>(1));
    ASSERT_EQ(target.refs, 2u);
    EXPECT_EQ(Window_Close(3), 1);
    EXPECT_EQ(target.refs, 1u) << "revoked, so the registration let go of its target";

    // Without the property the runtime does not know of a registration and leaves it.
    HWND registered = Window_Open(4, 0, 0, 100, 100, "", 0);
    zv_support::CountedDropTarget other;
    ASSERT_EQ(RegisterDragDrop(registered, &other), S_OK);
    EXPECT_EQ(RevokeDragDrop(registered), S_OK);
    ASSERT_EQ(RegisterDragDrop(registered, &other), S_OK);
    EXPECT_EQ(Window_Close(4), 1);
    EXPECT_EQ(other.refs, 2u);
    OleUninitialize();
}

// The owner's hook sees its activation; closing activates the owner while the closed
// window is still fully there (its "QX_WindowID" still set), before it is destroyed.
HWND g_owned;
int g_owner_activations;
bool g_owned_intact_at_activation;
LRESULT OwnerHook(HWND, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_ACTIVATE && LOWORD(wparam) != WA_INACTIVE && g_owned) {
        ++g_owner_activations;
        g_owned_intact_at_activation =
            IsWindow(g_owned) && GetPropA(g_owned, "QX_WindowID") != nullptr;
    }
    return LRESULT(RESULT_CONTINUE);
}

TEST_F(WindowSystemTest, ClosingAnOwnedWindowActivatesItsOwnerFirst) {
    HWND owner = Window_Open(1, 0, 0, 100, 100, "", 0);
    HWND bystander = Window_Open(2, 200, 0, 100, 100, "", 0);
    HWND owned = Window_OpenWithParent(3, 0, 200, 100, 100, "", 0, owner);
    ASSERT_EQ(GetWindow(owned, GW_OWNER), owner);
    ASSERT_EQ(GetActiveWindow(), owned);
    Drain();
    RecordOf(1)->hook = OwnerHook;
    g_owned = owned;
    g_owner_activations = 0;
    g_owned_intact_at_activation = false;
    EXPECT_EQ(Window_Close(3), 1);
    EXPECT_EQ(g_owner_activations, 1);
    EXPECT_TRUE(g_owned_intact_at_activation);
    EXPECT_EQ(GetActiveWindow(), owner);
    EXPECT_TRUE(IsWindow(bystander));
    g_owned = nullptr;
    RecordOf(1)->hook = nullptr;
}

LRESULT RefuseCreation(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_NCCREATE ? FALSE : LRESULT(RESULT_CONTINUE);
}

bool ClassExists(const char* name) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    return GetClassInfoExA(GetModuleHandleA(nullptr), name, &wc) != 0;
}

TEST_F(WindowSystemTest, AWindowThePlatformRefusesLeavesNothingBehind) {
    Messages->global_hook = RefuseCreation;
    EXPECT_EQ(Window_Open(4, 0, 0, 100, 100, "", 0), nullptr);
    EXPECT_FALSE(ClassExists("WindowClass_4"));
    EXPECT_EQ(RecordOf(4), nullptr);
    EXPECT_EQ(Window_Handle(4), nullptr);
    EXPECT_EQ(Window_Close(4), 0);
    // A dynamic window the same way: its record is given back.
    EXPECT_EQ(Window_Open(OBJECT_DYNAMIC, 0, 0, 100, 100, "", 0), nullptr);
    EXPECT_EQ(WindowTable->dynamic_list, nullptr);
    EXPECT_EQ(GadgetList_Use(nullptr), nullptr) << "nor did it become the gadget container";
    Messages->global_hook = nullptr;

    // The number and its class are free for a window that works.
    HWND h = Window_Open(4, 0, 0, 100, 100, "", 0);
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(ClassExists("WindowClass_4"));
    EXPECT_EQ(Window_Handle(4), h);
}

}  // namespace
