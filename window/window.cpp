// Window objects: opening, centring and closing the program's windows.
#include "window/window.h"

#include <ole2.h>
#include <stdio.h>

#include "runtime/heaps.h"
#include "runtime/window_properties.h"
#include "window/events.h"
#include "window/gadgets.h"
#include "window/posted_events.h"
#include "window/window_proc.h"

struct ObjectTable* WindowTable;
HICON WindowClassIcon;
HCURSOR WindowClassCursor;

namespace {

// The runtime's bits of the flags word that are still in the style when the outer size is
// worked out (WINDOW_NO_GADGETS and WINDOW_HIDDEN are taken out before).
constexpr uint32_t kPlacementFlags = WINDOW_CENTRE_SCREEN | WINDOW_CENTRE_PARENT | WINDOW_TOOL;
// Every runtime bit still in the style at creation; the platform gets the rest.
constexpr uint32_t kRuntimeFlags = kPlacementFlags | WINDOW_NO_ACTIVATE;
// A flags word with no bit outside these names no style at all: the window gets a caption.
constexpr uint32_t kStylelessFlags = WINDOW_CENTRE_SCREEN | WINDOW_CENTRE_PARENT | WINDOW_HIDDEN;
// What a tool window cannot be or have.
constexpr uint32_t kNotForTools = WS_MINIMIZE | WS_MAXIMIZE | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

void ClassName(char (&name)[32], int32_t number) {
    snprintf(name, sizeof name, "WindowClass_%d", number);
}

void RegisterWindowClass(const char* name) {
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = Window_ClassProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = WindowClassIcon;
    wc.hCursor = WindowClassCursor;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

}  // namespace

void Window_Init(void) {
    WindowTable = Objects_NewTable(sizeof(WindowRecord), 16, Window_Close);
    Messages = static_cast<MessageState*>(Global_Alloc(sizeof(MessageState), nullptr, nullptr));
    WindowClassIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
    WindowClassCursor = LoadCursorA(nullptr, IDC_ARROW);
}

HWND Window_Open(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                 const char* title, uint32_t flags) {
    return Window_OpenWithParent(number, x, y, width, height, title, flags, nullptr);
}

HWND Window_OpenWithParent(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                           const char* title, uint32_t flags, HWND parent) {
    auto* record = static_cast<WindowRecord*>(Objects_Create(WindowTable, number));
    if (!record) return nullptr;
    bool dynamic = number == OBJECT_DYNAMIC;
    if (dynamic) number = Objects_IdentifierOf(WindowTable, record);

    char class_name[32];
    ClassName(class_name, number);
    if (!title) title = "";
    RegisterWindowClass(class_name);

    uint32_t style = flags;
    bool no_gadgets = style & WINDOW_NO_GADGETS;
    style &= ~uint32_t(WINDOW_NO_GADGETS);
    if (!(style & ~kStylelessFlags)) style |= WS_CAPTION;
    bool hidden = style & WINDOW_HIDDEN;
    style &= ~uint32_t(WINDOW_HIDDEN);
    bool no_activate = style & WINDOW_NO_ACTIVATE;
    DWORD ex_style = 0;
    if (style & WINDOW_TOOL) {
        style = (style & ~kNotForTools) | WS_CAPTION;
        ex_style = WS_EX_TOOLWINDOW;
    }

    RECT outer = {0, 0, width, height};
    AdjustWindowRectEx(&outer, style & ~kPlacementFlags, FALSE, ex_style);
    int outer_width = outer.right - outer.left, outer_height = outer.bottom - outer.top;

    bool centring = flags & (WINDOW_CENTRE_SCREEN | WINDOW_CENTRE_PARENT);
    if (x == POSITION_DEFAULT || (y == POSITION_DEFAULT && !centring)) x = y = CW_USEDEFAULT;

    HWND handle =
        CreateWindowExA(ex_style, class_name, title, style & ~kRuntimeFlags, x, y, outer_width,
                        outer_height, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    // Records never move, and one whose handle is still 0 cannot be closed, so the record
    // is the same after the creation messages.
    if (!handle) {
        UnregisterClassA(class_name, GetModuleHandleA(nullptr));
        Objects_Free(WindowTable, number);
        return nullptr;
    }
    record->handle = handle;

    if (centring) Window_Centre(handle, flags, parent);
    if (!hidden) {
        int command;
        if (style & WS_MAXIMIZE)
            command = no_activate ? SW_SHOWNA : SW_SHOWMAXIMIZED;
        else if (style & WS_MINIMIZE)
            command = no_activate ? SW_SHOWMINNOACTIVE : SW_SHOWMINIMIZED;
        else
            command = no_activate ? SW_SHOWNOACTIVATE : SW_SHOWNORMAL;
        ShowWindow(handle, command);
    }
    // Centring and showing send messages whose events run their bindings at once (showing
    // activates); one of them may have closed the window, which frees a dynamic record, or
    // closed the number and opened it again. Only a record that still holds this window is
    // ours to finish.
    record = static_cast<WindowRecord*>(Objects_Find(WindowTable, number));
    if (!record || record->handle != handle) return nullptr;
    record->sized_state = (style & (WS_MAXIMIZE | WS_MINIMIZE)) ? 1 : 0;

    record->shortcut_count = 2;
    record->shortcut_entries = static_cast<ACCEL*>(Runtime_Alloc(2 * sizeof(ACCEL), TRUE));
    if (record->shortcut_entries) {
        record->shortcut_entries[0] = {FVIRTKEY | FNOINVERT, VK_TAB, COMMAND_FOCUS_NEXT};
        record->shortcut_entries[1] = {FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB,
                                       COMMAND_FOCUS_PREVIOUS};
        record->shortcut_table = CreateAcceleratorTableA(record->shortcut_entries, 2);
    } else {
        // Without the entries the window simply has no Tab shortcuts.
        record->shortcut_count = 0;
    }
    record->reserved = -1;
    record->mdi_client = nullptr;

    if (!no_gadgets) GadgetList_Use(handle);
    SetPropA(handle, PROPERTY_WINDOW_ID, reinterpret_cast<HANDLE>(intptr_t(number) + 1));
    if (dynamic) return reinterpret_cast<HWND>(intptr_t(number));
    return handle;
}

void Window_Centre(HWND handle, uint32_t flags, HWND parent) {
    RECT r;
    GetWindowRect(handle, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    int x = r.left, y = r.top;
    if (flags & WINDOW_CENTRE_SCREEN) {
        int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        x = (sw - (w < sw ? w : sw)) / 2;
        y = (sh - (h < sh ? h : sh)) / 2;
    } else if (flags & WINDOW_CENTRE_PARENT) {
        HWND reference = parent ? parent : GetActiveWindow();
        RECT p;
        // With nothing to centre on, the window stays where it is.
        if (reference && reference != handle && GetWindowRect(reference, &p)) {
            x = (p.right - p.left - w) / 2 + p.left;
            y = (p.bottom - p.top - h) / 2 + p.top;
            if (x < 0) x = 0;
            if (y < 0) y = 0;
        }
    }
    SetWindowPos(handle, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int32_t Window_Close(int32_t number) {
    if (number == OBJECT_DYNAMIC) return Objects_FreeAll(WindowTable);
    auto* record = static_cast<WindowRecord*>(Objects_Find(WindowTable, number));
    if (!record) return 0;
    HWND handle = record->handle;
    HWND owner = GetWindow(handle, GW_OWNER);
    if (owner && !record->mdi_client) SetActiveWindow(owner);
    RemovePropA(handle, PROPERTY_WINDOW_ID);
    if (RemovePropA(handle, PROPERTY_DROP_ACCEPT)) RevokeDragDrop(handle);
    if (record->mdi_client) {
        SendMessageA(record->mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(handle), 0);
    } else {
        DestroyWindow(handle);
        char class_name[32];
        ClassName(class_name, number);
        UnregisterClassA(class_name, GetModuleHandleA(nullptr));
    }
    // Destroying ran the window procedure; the record is where it was.
    record = static_cast<WindowRecord*>(Objects_Find(WindowTable, number));
    if (record) {
        if (record->shortcut_entries) {
            Runtime_Free(record->shortcut_entries);
            record->shortcut_entries = nullptr;
            DestroyAcceleratorTable(record->shortcut_table);
        }
        if (record->background_brush) DeleteObject(record->background_brush);
    }
    Event_PurgeWindow(number);
    Bindings_RemoveWindow(number);
    Objects_Free(WindowTable, number);
    return 1;
}

void Window_End(void) {
    Objects_FreeAll(WindowTable);
}

HWND Window_Handle(int32_t number) {
    auto* record = static_cast<WindowRecord*>(Objects_Find(WindowTable, number));
    return record ? record->handle : nullptr;
}
