// The order in which the program starts and shuts down its libraries, recorded as a trace.
//
// The program's calls are caught at link time: this test program is linked with the
// linker's --wrap option for each traced routine (tests/e2e/CMakeLists.txt), so a call to
// X from another object file goes to __wrap_X here, which notes the call and passes it on
// to the real X through __real_X. The program itself is built and run unchanged, with no
// hook of any kind in it. Only calls made while no traced routine is running are noted, so
// the trace holds the program's own sequence, not the libraries' calls among themselves
// (Screen_OpenWindowed closing an earlier screen, for instance).
//
// The routines are C++ functions, so the symbols are their mangled names.
#include <windows.h>
#include <zorvane_test/d3d9.h>
#include <zorvane_test/host.h>
#include <zorvane_test/kernel32.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "e2e_test_support.h"
#include "app/animation.h"
#include "runtime/object_table.h"
#include "window/events.h"
#include "window/window.h"
#include "window/window_proc.h"

namespace {

std::vector<std::string> g_trace;
int g_depth = 0;

// What the running scenario expects when the program exits.
std::vector<std::string> g_expected;
int g_frames_before_close = -1;  // the close button is pressed at this flip; -1: never
bool g_refuse_window = false;    // the platform refuses the program's window
HWND g_window = nullptr;         // the window Window_Open made, if any

struct Traced {
    explicit Traced(const char* name) {
        if (g_depth == 0) g_trace.push_back(name);
        ++g_depth;
    }
    ~Traced() { --g_depth; }
};

// Runs `routine` as a traced routine that notes nothing: the calls it makes are not noted
// either.
template <class Routine>
auto Untraced(Routine routine) {
    ++g_depth;
    auto result = routine();
    --g_depth;
    return result;
}

LRESULT RefuseCreation(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_NCCREATE ? FALSE : LRESULT(RESULT_CONTINUE);
}

}  // namespace

// clang-format off
#define TRACE_VOID(name, symbol)                                  \
    void Real_##name() __asm__("__real_" symbol);                 \
    void Wrap_##name() __asm__("__wrap_" symbol);                 \
    void Wrap_##name() {                                          \
        Traced t(#name);                                          \
        Real_##name();                                            \
    }
// clang-format on

TRACE_VOID(Strings_Init, "_Z12Strings_Initv")
TRACE_VOID(Memory_Init, "_Z11Memory_Initv")
TRACE_VOID(ImageDecoders_Init, "_Z18ImageDecoders_Initv")
TRACE_VOID(Drawing_Init, "_Z12Drawing_Initv")
TRACE_VOID(Images_Init, "_Z11Images_Initv")
TRACE_VOID(DrawingContext_Init, "_Z19DrawingContext_Initv")
TRACE_VOID(Arrays_Init, "_Z11Arrays_Initv")
TRACE_VOID(Gadgets_Init, "_Z12Gadgets_Initv")
TRACE_VOID(Maps_Init, "_Z9Maps_Initv")
TRACE_VOID(PostedEvents_Init, "_Z17PostedEvents_Initv")
TRACE_VOID(Window_Init, "_Z11Window_Initv")
TRACE_VOID(BmpDecoder_Init, "_Z15BmpDecoder_Initv")
TRACE_VOID(Screen_Close, "_Z12Screen_Closev")
TRACE_VOID(Screen_End, "_Z10Screen_Endv")
TRACE_VOID(Keyboard_End, "_Z12Keyboard_Endv")
TRACE_VOID(Mouse_End, "_Z9Mouse_Endv")
TRACE_VOID(Window_End, "_Z10Window_Endv")
TRACE_VOID(PostedEvents_End, "_Z16PostedEvents_Endv")
TRACE_VOID(Gadgets_End, "_Z11Gadgets_Endv")
TRACE_VOID(Images_End, "_Z10Images_Endv")
TRACE_VOID(Drawing_End, "_Z11Drawing_Endv")
TRACE_VOID(Memory_End, "_Z10Memory_Endv")
TRACE_VOID(Strings_End, "_Z11Strings_Endv")

HANDLE Real_Runtime_CreateHeap() __asm__("__real__Z18Runtime_CreateHeapv");
HANDLE Wrap_Runtime_CreateHeap() __asm__("__wrap__Z18Runtime_CreateHeapv");
HANDLE Wrap_Runtime_CreateHeap() {
    Traced t("Runtime_CreateHeap");
    return Real_Runtime_CreateHeap();
}

BOOL Real_Runtime_DestroyHeap() __asm__("__real__Z19Runtime_DestroyHeapv");
BOOL Wrap_Runtime_DestroyHeap() __asm__("__wrap__Z19Runtime_DestroyHeapv");
BOOL Wrap_Runtime_DestroyHeap() {
    Traced t("Runtime_DestroyHeap");
    return Real_Runtime_DestroyHeap();
}

int32_t Real_Array_Alloc(int32_t, int32_t, int32_t, const intptr_t*,
                         void**) __asm__("__real__Z11Array_AllociiiPKlPPv");
int32_t Wrap_Array_Alloc(int32_t, int32_t, int32_t, const intptr_t*,
                         void**) __asm__("__wrap__Z11Array_AllociiiPKlPPv");
int32_t Wrap_Array_Alloc(int32_t size, int32_t count, int32_t type, const intptr_t* layout,
                         void** variable) {
    Traced t("Array_Alloc");
    return Real_Array_Alloc(size, count, type, layout, variable);
}

ObjectTable* Real_Screen_Init() __asm__("__real__Z11Screen_Initv");
ObjectTable* Wrap_Screen_Init() __asm__("__wrap__Z11Screen_Initv");
ObjectTable* Wrap_Screen_Init() {
    Traced t("Screen_Init");
    return Real_Screen_Init();
}

HWND Real_Window_Open(int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                      uint32_t) __asm__("__real__Z11Window_OpeniiiiiPKcj");
HWND Wrap_Window_Open(int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                      uint32_t) __asm__("__wrap__Z11Window_OpeniiiiiPKcj");
HWND Wrap_Window_Open(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                      const char* title, uint32_t flags) {
    Traced t("Window_Open");
    if (g_refuse_window) Messages->global_hook = RefuseCreation;
    g_window = Real_Window_Open(number, x, y, width, height, title, flags);
    Messages->global_hook = nullptr;
    return g_window;
}

int32_t Real_Screen_OpenWindowed(HWND, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                 int32_t) __asm__("__real__Z19Screen_OpenWindowedP6HWND__iiiiiii");
int32_t Wrap_Screen_OpenWindowed(HWND, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                 int32_t) __asm__("__wrap__Z19Screen_OpenWindowedP6HWND__iiiiiii");
int32_t Wrap_Screen_OpenWindowed(HWND parent, int32_t left, int32_t top, int32_t width,
                                 int32_t height, int32_t auto_size, int32_t right, int32_t bottom) {
    Traced t("Screen_OpenWindowed");
    return Real_Screen_OpenWindowed(parent, left, top, width, height, auto_size, right, bottom);
}

// Not traced: the frames. Dispatching messages runs the libraries (which ask for the
// module handle, for one), so a poll counts as a traced routine that notes nothing.
int32_t Real_Event_Poll() __asm__("__real__Z10Event_Pollv");
int32_t Wrap_Event_Poll() __asm__("__wrap__Z10Event_Pollv");
int32_t Wrap_Event_Poll() {
    return Untraced(Real_Event_Poll);
}

// The close button is pressed after a chosen number of flips.
int32_t Real_Screen_Flip() __asm__("__real__Z11Screen_Flipv");
int32_t Wrap_Screen_Flip() __asm__("__wrap__Z11Screen_Flipv");
int32_t Wrap_Screen_Flip() {
    int32_t result = Untraced(Real_Screen_Flip);
    if (g_frames_before_close >= 0 && g_frames_before_close-- == 0) zv_test::InjectClose(g_window);
    return result;
}

extern "C" {

HMODULE __real_GetModuleHandleA(LPCSTR name);
HMODULE __wrap_GetModuleHandleA(LPCSTR name) {
    Traced t(name ? "GetModuleHandleA(name)" : "GetModuleHandleA(null)");
    return __real_GetModuleHandleA(name);
}

// The end of every run: the trace is compared here, and the child ends with the program's
// exit code when it matches, 1 when it does not.
void __real_ExitProcess(UINT code);
void __wrap_ExitProcess(UINT code) {
    g_trace.push_back("ExitProcess(" + std::to_string(code) + ")");
    if (g_window && IsWindow(g_window)) g_trace.push_back("(the window is still there)");
    if (g_trace != g_expected) {
        fprintf(stderr, "trace:\n");
        for (const std::string& s : g_trace)
            fprintf(stderr, "  %s\n", s.c_str());
        fprintf(stderr, "expected:\n");
        for (const std::string& s : g_expected)
            fprintf(stderr, "  %s\n", s.c_str());
        _exit(1);
    }
    __real_ExitProcess(code);
}

}  // extern "C"

namespace {

const std::vector<std::string> kStart = {
    "GetModuleHandleA(null)",
    "Runtime_CreateHeap",
    "Strings_Init",
    "Memory_Init",
    "ImageDecoders_Init",
    "Drawing_Init",
    "Images_Init",
    "DrawingContext_Init",
    "Arrays_Init",
    "Gadgets_Init",
    "Maps_Init",
    "PostedEvents_Init",
    "Window_Init",
    "BmpDecoder_Init",
    "Array_Alloc",
};

const std::vector<std::string> kShutDown = {
    "Screen_Close",     "Screen_End",          "Keyboard_End",   "Mouse_End",   "Window_End",
    "PostedEvents_End", "Gadgets_End",         "Images_End",     "Drawing_End", "Memory_End",
    "Strings_End",      "Runtime_DestroyHeap", "ExitProcess(0)",
};

// The program from its entry; `steps` are the start-up's steps after the array.
void RunProgram(std::vector<std::string> steps) {
    g_expected = kStart;
    g_expected.insert(g_expected.end(), steps.begin(), steps.end());
    g_expected.insert(g_expected.end(), kShutDown.begin(), kShutDown.end());
    Animation_Main();
    fprintf(stderr, "the program returned instead of exiting\n");
    _exit(1);
}

void ClosedAfterThreeFrames() {
    g_frames_before_close = 3;
    RunProgram({"Screen_Init", "Window_Open", "Screen_OpenWindowed"});
}

void WithoutDirect3D() {
    zv_test::HideModule("d3d9.dll");
    RunProgram({"Screen_Init"});
}

void WindowRefused() {
    g_refuse_window = true;
    RunProgram({"Screen_Init", "Window_Open"});
}

void NoScreenDevice() {
    zv_test::FailD3D9Call(zv_test::D3D9Call::kCreateDevice);
    RunProgram({"Screen_Init", "Window_Open", "Screen_OpenWindowed"});
}

using StartupOrder = ChildProcessTest;

CHILD_PROCESS_TEST(StartupOrder, AClosedRunStartsAndShutsDownInTheFixedOrder,
                   ClosedAfterThreeFrames)
CHILD_PROCESS_TEST(StartupOrder, WithoutDirect3DTheShutDownFollowsTheScreenLibrarysStart,
                   WithoutDirect3D)
CHILD_PROCESS_TEST(StartupOrder, ARefusedWindowGoesStraightToTheShutDown, WindowRefused)
CHILD_PROCESS_TEST(StartupOrder, AScreenThatCannotOpenGoesStraightToTheShutDown, NoScreenDevice)

}  // namespace
