// The screen: a Direct3D 9 device presenting into a child window of a program window.
//
// One process-wide ScreenState holds everything: the Direct3D object and the sprite
// table (made once by Screen_Init and kept until the process ends), the open screen's
// windows, device and back buffer, and the flip's state. There is at most one screen at
// a time; opening another first closes the one that is open.
//
// Life of a frame: Screen_DrawingTarget hands the back buffer to the drawing layer as a
// device context; Draw_End gives it back; Screen_Flip presents the back buffer stretched
// onto the child window and waits for the display's vertical retrace.
//
// Failures are silent: operations return 0 and change nothing else, as stated per
// operation. Everything runs on the program's one thread and nothing is locked.
// Direct3D 9 is loaded at run time from "d3d9.dll"; without it Screen_Init returns 0.
#pragma once

#include <d3d9.h>
#include <windows.h>

#include <stdint.h>

#include "drawing/drawing_context.h"
#include "runtime/object_table.h"

struct ScreenState {
    IDirect3D9* direct3d;
    struct ObjectTable* sprites;  // non-null once the library is started
    HWND hidden_window;
    int32_t hidden_ready;
    HWND parent_window;
    HWND child_window;
    WNDPROC parent_old_proc;  // of the parent hooked last; each hooked parent keeps its own
    WNDPROC child_old_proc;
    int32_t left;
    int32_t top;
    int32_t right_margin;
    int32_t bottom_margin;
    int32_t auto_size;
    int32_t screen_open;
    int32_t windowed;
    int32_t device_ok;  // the device may be presented to
    int32_t screen_width;
    int32_t screen_height;
    int32_t target;  // -1: the back buffer; otherwise a sprite number
    int32_t target_width;
    int32_t target_height;
    int32_t depth;         // bits per pixel of the back buffer
    int32_t pixel_format;  // PIXEL_FORMAT_15, _16 or _32; 0 before the first screen
    IDirect3DDevice9* device;
    IDirect3DSurface9* back_buffer;
    D3DPRESENT_PARAMETERS present_params;
    uint32_t refresh_rate;
};

extern struct ScreenState Screen;

#define SCREEN_TARGET_BACK_BUFFER (-1)
#define LOST_DEVICE_WAIT_MS 32

// ---- Start-up (screen_init.cpp) ---------------------------------------------------------
// Starts the library once: the hidden window, Direct3D 9 and the sprite table. Returns the
// sprite table, or 0 (no d3d9.dll, no entry point, no Direct3D object, or no display mode
// in X1R5G5B5, R5G6B5 or X8R8G8B8). Safe to call again: a started library returns at once.
struct ObjectTable* Screen_Init(void);

// ---- Windowed screen (windowed_screen.cpp) ----------------------------------------------
// Opens a width x height screen at (left, top) of `parent`'s client area, replacing any
// open screen. With auto_size the child window follows the parent's client area, keeping
// right_margin and bottom_margin free. 1 on success, 0 on failure (every sprite is then
// freed; a child window already made stays, and screen_open stays 0).
int32_t Screen_OpenWindowed(HWND parent, int32_t left, int32_t top, int32_t width, int32_t height,
                            int32_t auto_size, int32_t right_margin, int32_t bottom_margin);
// Gives the child window the parent's client size less the margins, when auto_size is set.
void Screen_SizeChild(void);

// ---- Drawing target (drawing_target.cpp) -------------------------------------------------
// The back buffer as a drawing target (a DrawingContext holding its device context), or 0
// when no screen is open, no device context could be had or no context allocated.
struct DrawingContext* Screen_DrawingTarget(void);

// ---- Flip (flip.cpp) ------------------------------------------------------------------------
// Shows the back buffer in the child window and waits for the vertical retrace; recovers a
// lost device that has come back. 1 normally; 0 when the device was found broken, stayed
// lost, could not be reset, or no screen is open. Once the device has been given up on
// (device_ok 0), each flip asks it again, resets it when it can be reset and presents when
// it can; such a flip returns 1. A flip that presents nothing still waits about one
// retrace, so a frame loop keeps the display's pace while the device is gone.
int32_t Screen_Flip(void);

// ---- Shut-down (screen_close.cpp) --------------------------------------------------------
// Closes the open screen: frees the sprites, releases the back buffer and device, destroys
// the child window and repaints the parent. Does nothing when no screen is open.
void Screen_Close(void);
// Process shut-down of the library; what Screen_Init made stays until the process ends.
void Screen_End(void);
