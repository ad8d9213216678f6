// Zorvane Lumetra: a 640 x 480 window animating a swaying chain of six white circles.
//
// The program starts every runtime library in a fixed order, opens window 0 with a
// windowed screen over its client area, draws one frame per display retrace and, when the
// window's close event arrives, shuts the libraries down in a fixed order, destroys the
// heaps and exits with code 0. Without Direct3D 9 (or when the window or the screen cannot
// be opened) it goes straight to the shut-down, showing nothing, and exits with code 0.
#pragma once

#include <windows.h>

#include <stdint.h>

// The program's state: zero-filled by the entry before anything else runs.
struct ProgramState {
    HANDLE runtime_heap;
    HINSTANCE module_instance;
    int32_t loop_index;
    int32_t circle_count;
    int32_t spacing;
    float x;
    float y;
    int32_t* angle_counters;  // runtime array of circle_count counters; element 0 unused
};

extern struct ProgramState Program;

#define ANIMATION_WIDTH 640
#define ANIMATION_HEIGHT 480
#define ANIMATION_WINDOW_FLAGS (WS_CAPTION | WS_SYSMENU)
#define ANIMATION_BACKGROUND 0x000000
#define ANIMATION_CIRCLE_COLOUR 0xFFFFFF

// A coordinate as an integer, truncated toward zero (349.98 gives 349, -2.7 gives -2).
// Values beyond the 32-bit range saturate; NaN gives 0.
int32_t Float_ToInt(double value);

// Start-up: the heaps, the libraries, the angle counters, the screen library, window 0 and
// its screen. 1 when the animation can run, 0 when it must go straight to the shut-down.
int32_t Animation_Start(void);

// One frame: draw, flip, and take at most one event. 0 once the close event was taken.
int32_t Animation_Frame(void);

// The drawing part of a frame, ending with Draw_End: the back buffer then holds the frame
// that the flip will present.
void Animation_Draw(void);

// Every library's shut-down in order, then the RuntimeHeap goes. Works after a start that
// stopped early.
void Animation_ShutDown(void);

// The whole program; does not return (the process exits with code 0).
int Animation_Main(void);
