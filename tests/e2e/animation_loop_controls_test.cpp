// The frame loop as a whole: how many frames a close takes when runtime events are already
// waiting, and that frames allocate nothing that outlives them.
#include <windows.h>
#include <zorvane_test/d3d9.h>
#include <zorvane_test/gdi32.h>
#include <zorvane_test/host.h>
#include <zorvane_test/kernel32.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include "e2e_test_support.h"
#include "app/animation.h"
#include "runtime/heaps.h"
#include "window/events.h"
#include "window/window.h"

namespace {

#define CHECK(condition) CHECK_IN_CHILD(condition, _exit)

size_t Presents() {
    zv_test::D3D9DeviceInfo info;
    CHECK(zv_test::GetD3D9DeviceInfo(zv_test::LastD3D9Device(), &info));
    return info.present_count;
}

// Frames until neither a runtime event nor a platform message is waiting (start-up leaves
// activations and paints behind).
void RunUntilIdle() {
    MSG msg;
    for (int i = 0; i < 100 && (Events->head || PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
         ++i)
        CHECK(Animation_Frame() == 1);
    CHECK(!Events->head && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

// Frames drawn from now until the one whose poll takes the close, that one included.
int FramesUntilClosed() {
    size_t presents = Presents();
    int frames = 1;
    while (Animation_Frame() == 1) {
        ++frames;
        CHECK(frames < 100);
    }
    CHECK(Presents() - presents == size_t(frames));
    return frames;
}

void QueueEvents(int count) {
    for (int i = 0; i < count; ++i)
        Event_Post(EVENT_TIMER, 100 + i, 0, 0);  // distinct objects: none merges
}

void CloseAfterQueuedEvents() {
    CHECK(Animation_Start() == 1);
    HWND window = Window_Handle(0);
    for (int waiting : {0, 1, 3}) {
        // The close queued behind the waiting events: one frame takes each of them, the
        // next one the close.
        RunUntilIdle();
        QueueEvents(waiting);
        SendMessageA(window, WM_CLOSE, 0, 0);
        int frames = FramesUntilClosed();
        if (frames != waiting + 1) {
            fprintf(stderr, "close behind %d events: %d frames\n", waiting, frames);
            _exit(1);
        }
        // The close button while events wait: those first, then the frame whose poll
        // dispatches the click, then the one that takes the close.
        RunUntilIdle();
        QueueEvents(waiting);
        zv_test::InjectClose(window);
        frames = FramesUntilClosed();
        if (frames != waiting + 2) {
            fprintf(stderr, "close button with %d events waiting: %d frames\n", waiting, frames);
            _exit(1);
        }
        CHECK(IsWindow(window));  // the close event only ends the loop
    }
    Animation_ShutDown();
    ExitProcess(0);
}

struct Counts {
    size_t runtime_blocks, string_blocks, memory_blocks, gdi_objects, dcs;
    int d3d9_objects;
    bool operator==(const Counts&) const = default;
};

Counts Take() {
    zv_test::HeapStats runtime, strings, memory;
    CHECK(zv_test::GetHeapStats(RuntimeHeap, &runtime));
    CHECK(zv_test::GetHeapStats(StringHeap, &strings));
    CHECK(zv_test::GetHeapStats(MemoryHeap, &memory));
    return {runtime.blocks,         strings.blocks,
            memory.blocks,          zv_test::LiveGdiObjectCount(),
            zv_test::LiveDcCount(), zv_test::LiveD3D9Objects()};
}

void PrintCounts(const char* what, const Counts& c) {
    fprintf(stderr, "%s: runtime %zu, strings %zu, memory %zu, GDI %zu, DCs %zu, D3D9 %d\n", what,
            c.runtime_blocks, c.string_blocks, c.memory_blocks, c.gdi_objects, c.dcs,
            c.d3d9_objects);
}

void ThousandFramesAllocateNothing() {
    CHECK(Animation_Start() == 1);
    const Counts before = Take();
    for (int frame = 0; frame < 1000; ++frame) {
        CHECK(Animation_Frame() == 1);
        Counts now = Take();
        if (!(now == before)) {
            fprintf(stderr, "after frame %d:\n", frame);
            PrintCounts("before the first frame", before);
            PrintCounts("now", now);
            _exit(1);
        }
    }
    Animation_ShutDown();
    ExitProcess(0);
}

using AnimationLoop = ChildProcessTest;

CHILD_PROCESS_TEST(AnimationLoop, ACloseBehindWaitingEventsTakesOneMoreFrameForEach,
                   CloseAfterQueuedEvents)
CHILD_PROCESS_TEST(AnimationLoop, AThousandFramesLeaveTheHeapsAndTheGdiObjectsAsTheyWere,
                   ThousandFramesAllocateNothing)

}  // namespace
