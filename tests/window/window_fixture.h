// Starts the runtime's libraries the window system needs, in the program's order, and
// shuts them down after each test.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include "runtime/heaps.h"
#include "window/events.h"
#include "window/gadgets.h"
#include "window/window.h"
#include "window/window_proc.h"
#include "window_system.h"

class WindowSystemTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(Runtime_CreateHeap(), nullptr);
        StartWindowLibraries();
        Drain();
    }
    void TearDown() override {
        EndWindowLibraries();
        Runtime_DestroyHeap();
        // The heap took every record with it; a program starts once, tests start again.
        Bindings = nullptr;
        Events = nullptr;
        Messages = nullptr;
        WindowTable = nullptr;
        GadgetTable = nullptr;
        GadgetList = nullptr;
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&m);
    }
    // Handles every waiting message and queued event; returns the events in order.
    std::vector<int32_t> Drain() {
        std::vector<int32_t> events;
        for (int i = 0; i < 10000; ++i) {
            int32_t e = Event_Poll();
            if (!e) break;
            if (e >= EVENT_GADGET && e <= EVENT_SIZE_WINDOW) events.push_back(e);
        }
        return events;
    }
};
