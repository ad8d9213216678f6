// The animation program: start-up order, the frame loop and the shut-down order.
#include "app/animation.h"

#include <math.h>
#include <string.h>

#include "drawing/bmp_decoder.h"
#include "drawing/drawing_context.h"
#include "drawing/image_decoders.h"
#include "drawing/images.h"
#include "runtime/arrays.h"
#include "runtime/heaps.h"
#include "screen/input.h"
#include "screen/screen.h"
#include "window/events.h"
#include "window/gadgets.h"
#include "window/posted_events.h"
#include "runtime/string_map.h"
#include "window/window.h"

struct ProgramState Program;

namespace {

const char kTitle[] = "Zorvane Lumetra";
const float kAngleDivisor = 30.0f;

}  // namespace

int32_t Float_ToInt(double value) {
    if (value != value) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return int32_t(value);  // conversion truncates toward zero
}

int32_t Animation_Start(void) {
    memset(&Program, 0, sizeof(Program));
    Program.module_instance = GetModuleHandleA(nullptr);
    Program.runtime_heap = Runtime_CreateHeap();

    Strings_Init();
    Memory_Init();
    ImageDecoders_Init();
    Drawing_Init();
    Images_Init();
    DrawingContext_Init();
    Arrays_Init();
    Gadgets_Init();
    Maps_Init();
    PostedEvents_Init();
    Window_Init();
    BmpDecoder_Init();

    Program.circle_count = 6;
    Array_Alloc(sizeof(int32_t), Program.circle_count, ARRAY_TYPE_INT32, nullptr,
                reinterpret_cast<void**>(&Program.angle_counters));
    if (Program.angle_counters)
        for (Program.loop_index = 1; Program.loop_index < Program.circle_count;
             ++Program.loop_index)
            Program.angle_counters[Program.loop_index] = 0;
    Program.spacing = 30;

    if (!Screen_Init()) return 0;
    if (!Window_Open(0, 0, 0, ANIMATION_WIDTH, ANIMATION_HEIGHT, kTitle, ANIMATION_WINDOW_FLAGS))
        return 0;
    if (!Screen_OpenWindowed(Window_Handle(0), 0, 0, ANIMATION_WIDTH, ANIMATION_HEIGHT, 0, 0, 0))
        return 0;
    // The counters are indexed directly every frame; without them there is nothing to run.
    return Program.angle_counters ? 1 : 0;
}

int32_t Animation_Frame(void) {
    Animation_Draw();
    Screen_Flip();
    return Event_Poll() == EVENT_CLOSE_WINDOW ? 0 : 1;
}

void Animation_Draw(void) {
    int32_t* counters = Program.angle_counters;
    Draw_Begin(Screen_DrawingTarget());
    Draw_SetMode(0);
    Draw_Box(0, 0, ANIMATION_WIDTH, ANIMATION_HEIGHT, ANIMATION_BACKGROUND);
    Draw_SetMode(DRAW_MODE_OUTLINED);
    Program.x = 320.0f;
    Program.y = 240.0f;
    Draw_Circle(Float_ToInt(Program.x), Float_ToInt(Program.y),
                Program.circle_count * Program.spacing, ANIMATION_CIRCLE_COLOUR);
    for (Program.loop_index = 1; Program.loop_index < Program.circle_count; ++Program.loop_index) {
        int32_t i = Program.loop_index;
        // Worked in double precision; only the stored coordinates are rounded to float.
        double angle = double(counters[i]) / double(kAngleDivisor);
        Program.x = float(double(Program.x) + double(Program.spacing) * cos(angle));
        Program.y = float(double(Program.y) + double(Program.spacing) * sin(angle));
        Draw_Circle(Float_ToInt(Program.x), Float_ToInt(Program.y),
                    (Program.circle_count - i) * Program.spacing, ANIMATION_CIRCLE_COLOUR);
    }
    for (Program.loop_index = 1; Program.loop_index < Program.circle_count; ++Program.loop_index) {
        // Counters wrap around like the 32-bit integers they are.
        counters[Program.loop_index] =
            int32_t(uint32_t(counters[Program.loop_index]) + uint32_t(Program.loop_index));
    }
    Draw_End();
}

void Animation_ShutDown(void) {
    Screen_Close();
    Screen_End();
    Keyboard_End();
    Mouse_End();
    Window_End();
    PostedEvents_End();
    Gadgets_End();
    Images_End();
    Drawing_End();
    Memory_End();
    Strings_End();
    Runtime_DestroyHeap();
    Program.runtime_heap = nullptr;
    Program.angle_counters = nullptr;
}

int Animation_Main(void) {
    if (Animation_Start())
        while (Animation_Frame()) {
        }
    Animation_ShutDown();
    ExitProcess(0);
    return 0;
}
