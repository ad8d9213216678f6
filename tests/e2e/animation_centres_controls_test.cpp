// The animation's arithmetic, frame by frame: the six centres the program draws, read from
// the Ellipse calls it makes, against a table worked out apart from the program (double
// arithmetic, each stored coordinate rounded to a 32-bit float, then truncated toward zero;
// animation_centres.py prints it). Keeping the coordinates as doubles first shows at frame
// 377, doing all of it in float at frame 955; the frames past 2^31 / i check the wrap.
#include <windows.h>
#include <zorvane_test/gdi32.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include "e2e_test_support.h"
#include "app/animation.h"

namespace {

#define CHECK(condition) CHECK_IN_CHILD(condition, _exit)

struct Point {
    int x, y;
};

struct FrameCentres {
    int64_t frame;    // n: counter i holds n * i, wrapped to 32 bits
    Point centre[5];  // circles 1 to 5; circle 0 is always at (320, 240)
};

// clang-format off
const FrameCentres kTable[] = {
    {0, {{350, 240}, {380, 240}, {410, 240}, {440, 240}, {470, 240}}},
    {1, {{349, 240}, {379, 242}, {409, 245}, {439, 249}, {469, 254}}},
    {376, {{349, 239}, {379, 237}, {409, 234}, {439, 230}, {469, 225}}},
    {377, {{350, 240}, {380, 240}, {410, 240}, {439, 240}, {469, 240}}},
    {954, {{347, 251}, {369, 272}, {381, 299}, {382, 329}, {372, 357}}},
    {955, {{347, 252}, {367, 274}, {376, 302}, {374, 332}, {359, 358}}},
    // Counter 5 wraps between these two frames, then 4, 3, 2 and 1.
    {429496729, {{345, 224}, {360, 198}, {359, 168}, {343, 143}, {317, 129}}},
    {429496730, {{346, 225}, {362, 200}, {364, 170}, {352, 143}, {326, 158}}},
    {536870911, {{301, 216}, {294, 245}, {321, 232}, {294, 219}, {324, 225}}},
    {536870912, {{302, 215}, {293, 244}, {321, 234}, {296, 250}, {324, 261}}},
    {715827882, {{339, 216}, {333, 187}, {307, 172}, {306, 202}, {328, 222}}},
    {715827883, {{339, 217}, {336, 187}, {311, 203}, {305, 233}, {324, 256}}},
    {1073741823, {{312, 269}, {286, 254}, {274, 226}, {304, 222}, {300, 252}}},
    {1073741824, {{311, 268}, {286, 285}, {277, 256}, {307, 256}, {299, 285}}},
    {2147483647, {{294, 224}, {324, 222}, {297, 208}, {327, 204}, {300, 192}}},
    {2147483648, {{294, 256}, {324, 256}, {299, 273}, {329, 273}, {304, 289}}},
};
// clang-format on

const FrameCentres* Expected(int64_t frame) {
    for (const FrameCentres& row : kTable)
        if (row.frame == frame) return &row;
    return nullptr;
}

int32_t CounterOf(int64_t frame, int i) {
    return int32_t(uint32_t(uint64_t(frame)) * uint32_t(i));
}

// Draws one frame and checks its circles against the table: each outline is Ellipse
// (x - r, y - r, x + r + 1, y + r + 1), radius (6 - i) * 30, in order.
void DrawAndCheck(int64_t frame) {
    const FrameCentres* row = Expected(frame);
    zv_test::StartGdiTrace();
    CHECK(Animation_Frame() == 1);
    std::vector<zv_test::GdiCall> calls = zv_test::StopGdiTrace();
    if (!row) return;
    std::vector<std::vector<intptr_t>> ellipses;
    for (const auto& c : calls)
        if (c.function == "Ellipse") ellipses.push_back(c.args);
    CHECK(ellipses.size() == 6);
    for (int i = 0; i < 6; ++i) {
        Point p = i == 0 ? Point{320, 240} : row->centre[i - 1];
        intptr_t r = (6 - i) * 30;
        const std::vector<intptr_t>& e = ellipses[size_t(i)];
        if (e[0] != p.x - r || e[1] != p.y - r || e[2] != p.x + r + 1 || e[3] != p.y + r + 1) {
            fprintf(stderr, "frame %lld, circle %d: drawn around (%ld, %ld), expected (%d, %d)\n",
                    static_cast<long long>(frame), i, long(e[0] + r), long(e[1] + r), p.x, p.y);
            _exit(1);
        }
    }
}

void FramesFromTheStart() {
    CHECK(Animation_Start() == 1);
    for (int64_t frame = 0; frame <= 955; ++frame) {
        for (int i = 1; i < 6; ++i)
            CHECK(Program.angle_counters[i] == CounterOf(frame, i));
        DrawAndCheck(frame);
    }
    Animation_ShutDown();
    ExitProcess(0);
}

// Frames near the wrap are reached by giving the counters the values frame n has; the
// following frame then runs from what the program itself advanced them to.
void FramesAcrossTheWrap() {
    CHECK(Animation_Start() == 1);
    for (const FrameCentres& row : kTable) {
        if (row.frame < 1000 || Expected(row.frame - 1)) continue;
        for (int i = 1; i < 6; ++i)
            Program.angle_counters[i] = CounterOf(row.frame, i);
        DrawAndCheck(row.frame);
        for (int i = 1; i < 6; ++i)
            CHECK(Program.angle_counters[i] == CounterOf(row.frame + 1, i));
        DrawAndCheck(row.frame + 1);
    }
    Animation_ShutDown();
    ExitProcess(0);
}

using AnimationCentres = ChildProcessTest;

CHILD_PROCESS_TEST(AnimationCentres, FramesFromTheStartMatchTheTable, FramesFromTheStart)
CHILD_PROCESS_TEST(AnimationCentres, FramesAcrossTheCountersWrapMatchTheTable, FramesAcrossTheWrap)

}  // namespace
