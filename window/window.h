// Window objects: the program's top-level windows, by number.
//
// Each open window has a WindowRecord in the windows ObjectTable, a window class of its
// own ("WindowClass_%d" with its number) whose procedure is Window_ClassProc, two
// keyboard shortcuts (Tab, Shift+Tab) and the property "QX_WindowID" = number + 1, set
// last, by which the window procedure finds the record. Closing destroys the platform
// window, unregisters its class, drops its queued events and bindings and frees the
// record. Everything runs on the thread that owns the windows; nothing is locked.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "runtime/object_table.h"
#include "window/events.h"

#define WINDOW_CENTRE_SCREEN 0x1
#define WINDOW_CENTRE_PARENT 0x2
#define WINDOW_TOOL 0x4
#define WINDOW_NO_GADGETS 0x8
#define WINDOW_NO_ACTIVATE 0x2000000
#define WINDOW_HIDDEN 0x10000000

#define POSITION_DEFAULT (-65535)

#define COMMAND_FOCUS_NEXT 64001
#define COMMAND_FOCUS_PREVIOUS 64002

typedef LRESULT (*EraseCallback)(HDC dc, HWND window);

struct WindowRecord {
    HWND handle;  // 0 marks a free record
    ACCEL* shortcut_entries;
    HACCEL shortcut_table;
    MessageHook hook;
    int32_t shortcut_count;
    int32_t reserved;
    HBRUSH background_brush;
    HWND mdi_client;
    EraseCallback erase_callback;
    uint16_t minimum_width;
    uint16_t minimum_height;
    uint16_t maximum_width;
    uint16_t maximum_height;
    uint32_t sized_state;
};

// The library's state.
extern struct ObjectTable* WindowTable;
extern HICON WindowClassIcon;
extern HCURSOR WindowClassCursor;

void Window_Init(void);
HWND Window_Open(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                 const char* title, uint32_t flags);
// The platform handle, or, for OBJECT_DYNAMIC, the dynamic identifier (as a handle-sized
// value); 0 when the platform refused the window, or when a binding run by the opening's
// own events (the activation of the first showing) closed it again.
HWND Window_OpenWithParent(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                           const char* title, uint32_t flags, HWND parent);
int32_t Window_Close(int32_t number);
void Window_End(void);
HWND Window_Handle(int32_t number);
void Window_Centre(HWND handle, uint32_t flags, HWND parent);
