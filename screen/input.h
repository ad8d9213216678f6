// Keyboard and mouse through DirectInput 7, loaded at run time from "DINPUT.DLL".
//
// One DirectInput object is shared by the devices and counted by its users; it goes, with
// the module, when the last user lets go. Opening and reading the devices lie outside
// this library; it holds their shut-down, the keyboard's data format, giving the mouse
// pointer back to the system and the test whether the screen has the input focus.
#pragma once

#include <dinput.h>
#include <windows.h>

#include <stdint.h>

#define KEYBOARD_KEY_COUNT 256  // key codes, and entries of the keyboard's data format

struct InputState {
    IDirectInput7A* direct_input;
    HMODULE direct_input_module;
    int32_t direct_input_users;  // every open counts, even one that found no DirectInput
    int32_t keyboard_ready;
    IDirectInputDevice7A* keyboard_device;
    DIOBJECTDATAFORMAT* keyboard_format;  // KEYBOARD_KEY_COUNT entries from the RuntimeHeap
    int32_t mouse_ready;
    IDirectInputDevice7A* mouse_device;
    int32_t cursor_shown;  // the system pointer was shown again by Mouse_ReleasePointer
};

extern struct InputState Input;

// Takes a use of the shared DirectInput object, making it on first use; returns it (null
// when DINPUT.DLL or its entry point is missing; the use still counts).
IDirectInput7A* Input_Open(void);
// Gives a use back; the last one releases the object and frees the module. With no use
// taken it does nothing.
void Input_Release(void);

// The standard keyboard object format (one byte per key code) from the RuntimeHeap, kept
// in keyboard_format; null when the heap refuses the block.
DIOBJECTDATAFORMAT* Keyboard_BuildFormat(void);

// Shut the device down and give its use of DirectInput back; the ready flag is cleared,
// so a second call (or a call with no device opened) does nothing.
void Keyboard_End(void);
void Mouse_End(void);

// Gives the pointer back to the system while a mouse device exists.
void Mouse_ReleasePointer(void);

// 1 when the screen has the input focus, else 0.
int32_t Screen_HasFocus(void);
