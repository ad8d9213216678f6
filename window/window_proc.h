// The window procedure of every runtime window class: finds the runtime window a message
// belongs to, lets a hook have the first word, turns window messages into runtime events,
// forwards control notifications to gadget handlers, keeps the focus across activation
// and moves it on Tab and Shift+Tab.
#pragma once

#include <windows.h>

#include <stdint.h>

// Reserved handler results, compared as 32-bit values.
#define RESULT_DEFAULT 0xD0D0D0D1u
#define RESULT_CONTINUE 0xE0E0E0E1u

#define TRAY_CALLBACK_MESSAGE 12501
#define GADGET_FORWARD_MESSAGE 13120

static inline int Result_Is(LRESULT r, uint32_t reserved) {
    return (uint32_t)r == reserved;
}

LRESULT CALLBACK Window_ClassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT Window_HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT Gadget_Forward(HWND control, HWND parent, UINT message, WPARAM wparam, LPARAM lparam);
void Focus_Move(int32_t backward);
