// The runtime's libraries that the window system needs, started and ended in the
// program's order, on a runtime heap the caller makes before and destroys after.
#pragma once

#include "runtime/heaps.h"
#include "runtime/string_map.h"
#include "window/events.h"
#include "window/gadgets.h"
#include "window/posted_events.h"
#include "window/window.h"

inline void StartWindowLibraries() {
    Strings_Init();
    Memory_Init();
    Gadgets_Init();
    Maps_Init();
    PostedEvents_Init();
    Window_Init();
}

inline void EndWindowLibraries() {
    Window_End();
    PostedEvents_End();
    Gadgets_End();
    Memory_End();
    Strings_End();
}
