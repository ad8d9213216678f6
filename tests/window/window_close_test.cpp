// Closing a window gives back everything it held, and a window the platform refuses
// leaves nothing behind.
#include <ole2.h>

#include "window_fixture.h"

namespace {

// A drop target that only counts its references.
struct CountedTarget : IDropTarget {
    ULONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD*) override {
        return E_NOTIMPL;
    }
};

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
    CountedTarget target;
    ASSERT_EQ(RegisterDragDrop(accepting, &target), S_OK);
    SetPropA(accepting, "QX_DropAccept", reinterpret_cast<HANDLE>(1));
    ASSERT_EQ(target.refs, 2u);
    EXPECT_EQ(Window_Close(3), 1);
    EXPECT_EQ(target.refs, 1u) << "revoked, so the registration let go of its target";

    // Without the property the runtime does not know of a registration and leaves it.
    HWND registered = Window_Open(4, 0, 0, 100, 100, "", 0);
    CountedTarget other;
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
