// Gadget support: the gadgets table, the default font and the gadget-container state.
#include "window/gadgets.h"

#include <commctrl.h>
#include <stdio.h>

#include "runtime/heaps.h"
#include "runtime/object_table.h"
#include "runtime/window_properties.h"

struct ObjectTable* GadgetTable;
struct GadgetListState* GadgetList;
HFONT GadgetFont;

namespace {

constexpr int32_t kNestingCapacity = 10;

void InitGadgetList(void* record) {
    auto* state = static_cast<GadgetListState*>(record);
    state->nesting_capacity = kNestingCapacity;
    state->nesting = static_cast<HWND*>(Runtime_Alloc(kNestingCapacity * sizeof(HWND), TRUE));
    state->cleared = 0;
    state->font = GadgetFont;
}

void StackPropertyName(char (&name)[64]) {
    snprintf(name, sizeof name, PROPERTY_GADGET_STACK_FORMAT,
             int(reinterpret_cast<intptr_t>(GetModuleHandleA(nullptr))));
}

HWND CurrentContainer() {
    return GadgetList->nesting_depth ? GadgetList->nesting[0] : GadgetList->container;
}

}  // namespace

void Gadgets_Init(void) {
    GadgetFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    GadgetTable = Objects_NewTable(sizeof(GadgetRecord), 50, Gadget_Close);
    GadgetList = static_cast<GadgetListState*>(
        Global_Alloc(sizeof(GadgetListState), InitGadgetList, nullptr));
    INITCOMMONCONTROLSEX init = {sizeof(INITCOMMONCONTROLSEX),
                                 ICC_TAB_CLASSES | ICC_HOTKEY_CLASS | ICC_DATE_CLASSES |
                                     ICC_USEREX_CLASSES | ICC_INTERNET_CLASSES};
    InitCommonControlsEx(&init);
}

void Gadgets_End(void) {
    if (GadgetList && GadgetList->auxiliary_window) {
        DestroyWindow(GadgetList->auxiliary_window);
        GadgetList->auxiliary_window = nullptr;
    }
}

HWND GadgetList_Use(HWND window) {
    if (!GadgetList) return nullptr;
    HWND old = CurrentContainer();
    if (!window) return old;
    char name[64];
    StackPropertyName(name);
    if (old) {
        if (auto* entry = static_cast<GadgetStackEntry*>(GetPropA(old, name))) {
            entry->saved_container = GadgetList->container;
            entry->saved_nesting = GadgetList->nesting;
            entry->saved_nesting_depth = GadgetList->nesting_depth;
            entry->saved_nesting_capacity = GadgetList->nesting_capacity;
            GadgetList->nesting = nullptr;
        }
    }
    if (auto* saved = static_cast<GadgetStackEntry*>(GetPropA(window, name))) {
        GadgetStackEntry* entry = saved;
        if (GadgetList->nesting) Runtime_Free(GadgetList->nesting);
        GadgetList->container = entry->saved_container;
        GadgetList->nesting = entry->saved_nesting;
        GadgetList->nesting_depth = entry->saved_nesting_depth;
        GadgetList->nesting_capacity = entry->saved_nesting_capacity;
        entry->saved_nesting = nullptr;
    } else {
        if (!GadgetList->nesting) {
            GadgetList->nesting =
                static_cast<HWND*>(Runtime_Alloc(kNestingCapacity * sizeof(HWND), TRUE));
            GadgetList->nesting_capacity = kNestingCapacity;
        }
        GadgetList->nesting_depth = 0;
        GadgetList->container = window;
        auto* entry = static_cast<GadgetStackEntry*>(Runtime_Alloc(sizeof(GadgetStackEntry), TRUE));
        if (entry) {
            entry->window = window;
            SetPropA(window, name, entry);
            entry->previous_procedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
                window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GadgetList_SubclassProc)));
        }
    }
    GadgetList->cleared = 0;
    return old;
}

LRESULT CALLBACK GadgetList_SubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    char name[64];
    StackPropertyName(name);
    auto* entry = static_cast<GadgetStackEntry*>(GetPropA(window, name));
    if (!entry) return DefWindowProcA(window, message, wparam, lparam);
    WNDPROC previous = entry->previous_procedure;
    if (message == WM_NCDESTROY) {
        if (GadgetList && entry->window == CurrentContainer()) {
            GadgetList->container = nullptr;
            GadgetList->nesting_depth = 0;
        }
        if (entry->saved_nesting) Runtime_Free(entry->saved_nesting);
        Runtime_Free(entry);
        RemovePropA(window, name);
    }
    return previous ? CallWindowProcA(previous, window, message, wparam, lparam)
                    : DefWindowProcA(window, message, wparam, lparam);
}

int32_t Gadget_Close(int32_t number) {
    if (number == OBJECT_DYNAMIC) return Objects_FreeAll(GadgetTable);
    auto* gadget = static_cast<GadgetRecord*>(Objects_Find(GadgetTable, number));
    return gadget ? DestroyWindow(gadget->handle) : 0;
}
