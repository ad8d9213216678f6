// Opens window 0 as the animation does, paints its client area with GDI on every turn of
// the loop, and waits for the close request. Prints "ready" once the window is up and
// "EVENT_CLOSE_WINDOW" when the close arrives; exits 0 then, 1 after 60 s without it.
#include <windows.h>

#include <stdio.h>

#include "../window/window_system.h"
#include "runtime/heaps.h"
#include "window/events.h"
#include "window/window.h"

static void Paint(HWND hwnd) {
    HDC dc = GetDC(hwnd);
    if (!dc) return;
    RECT client;
    GetClientRect(hwnd, &client);
    HBRUSH blue = CreateSolidBrush(RGB(0, 64, 160));
    FillRect(dc, &client, blue);
    DeleteObject(blue);
    HGDIOBJ old_pen = SelectObject(dc, GetStockObject(WHITE_PEN));
    HGDIOBJ old_brush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    Ellipse(dc, 220, 140, 420, 340);
    SelectObject(dc, old_pen);
    SelectObject(dc, old_brush);
    ReleaseDC(hwnd, dc);
}

int main() {
    Runtime_CreateHeap();
    StartWindowLibraries();
    HWND hwnd = Window_Open(0, 0, 0, 640, 480, "Zorvane Lumetra", 0xC80000);
    int code = 1;
    if (hwnd) {
        DWORD start = GetTickCount();
        bool announced = false;
        while (GetTickCount() - start < 60000) {
            Paint(hwnd);
            int32_t event = Event_Wait(20);
            if (!announced) {
                printf("ready\n");
                fflush(stdout);
                announced = true;
            }
            if (event == EVENT_CLOSE_WINDOW) {
                printf("EVENT_CLOSE_WINDOW window %d\n", Events->current_window);
                fflush(stdout);
                code = 0;
                break;
            }
        }
    }
    EndWindowLibraries();
    Runtime_DestroyHeap();
    return code;
}
