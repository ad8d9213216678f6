// The event loop's fixed costs: Event_Poll with nothing to do (the animation calls it
// every frame) and posting then taking an event with the bindings map empty (the five
// binding lookups included). Runs on the headless host.
#include <benchmark/benchmark.h>
#include <windows.h>

#include <stdlib.h>

#include "../tests/window/window_system.h"
#include "runtime/heaps.h"
#include "window/events.h"
#include "window/window.h"

namespace {

// The animation's state: its libraries started and window 0 open.
void StartWindowSystem() {
    static bool started = false;
    if (started) return;
    started = true;
    Runtime_CreateHeap();
    StartWindowLibraries();
    Window_Open(0, 0, 0, 640, 480, "Zorvane Lumetra", 0xC80000);
    while (Event_Poll()) {
    }
}

void BM_EventPollEmpty(benchmark::State& state) {
    StartWindowSystem();
    for (auto _ : state)
        benchmark::DoNotOptimize(Event_Poll());
}
BENCHMARK(BM_EventPollEmpty);

void BM_EventPostThenTakeQueued(benchmark::State& state) {
    StartWindowSystem();
    for (auto _ : state) {
        Event_Post(EVENT_REPAINT, 0, 0, 0);
        benchmark::DoNotOptimize(Event_TakeQueued());
    }
}
BENCHMARK(BM_EventPostThenTakeQueued);

}  // namespace

int main(int argc, char** argv) {
    setenv("ZORVANE_HOST", "headless", 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
