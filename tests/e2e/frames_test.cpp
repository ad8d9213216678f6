// The program's frames read back through Direct3D 9 itself: the back buffer, locked after
// Draw_End and before the flip presents it. So the same checks run against any Direct3D 9,
// where presented frames cannot be read back (a window under Xvfb shows no child-window
// Direct3D output).
#include <windows.h>

#include <d3d9.h>
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "e2e_test_support.h"
#include "app/animation.h"
#include "screen/screen.h"
#include "window/events.h"
#include "window/window.h"

namespace {

// Checks inside the child process: a failed one reports and ends the child with code 1.
#define CHECK(condition) CHECK_IN_CHILD(condition, ExitProcess)

// The back buffer as white (1) and black (0), whatever its pixel format.
struct Frame {
    int width = 0, height = 0;
    std::vector<uint8_t> white;
    int At(int x, int y) const { return white[size_t(y) * width + x]; }
};

Frame ReadBackBuffer() {
    Frame f;
    IDirect3DSurface9* bb = nullptr;
    CHECK(Screen.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb) == D3D_OK);
    D3DSURFACE_DESC desc;
    CHECK(bb->GetDesc(&desc) == D3D_OK);
    D3DLOCKED_RECT lr;
    CHECK(bb->LockRect(&lr, nullptr, D3DLOCK_READONLY) == D3D_OK);
    f.width = int(desc.Width);
    f.height = int(desc.Height);
    f.white.resize(size_t(f.width) * f.height);
    const int bytes = desc.Format == D3DFMT_X8R8G8B8 || desc.Format == D3DFMT_A8R8G8B8 ? 4 : 2;
    for (int y = 0; y < f.height; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(lr.pBits) + size_t(y) * lr.Pitch;
        for (int x = 0; x < f.width; ++x) {
            uint32_t v = bytes == 4 ? reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF
                                    : reinterpret_cast<const uint16_t*>(row)[x] & 0x7FFF;
            const uint32_t white = bytes == 4 ? 0xFFFFFF : 0x7FFF;
            CHECK(v == 0 || v == white);  // black and white only
            f.white[size_t(y) * f.width + x] = v != 0;
        }
    }
    bb->UnlockRect();
    bb->Release();
    return f;
}

void FirstTwoFrames() {
    CHECK(Animation_Start() == 1);
    HWND window = Window_Handle(0);
    CHECK(window != nullptr);
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    CHECK(strcmp(title, "Zorvane Lumetra") == 0);
    RECT client;
    CHECK(GetClientRect(window, &client));
    CHECK(client.right == 640 && client.bottom == 480);

    // The first frame: every counter is 0, so all six centres lie on row 240 and the
    // frame is mirrored about that row.
    Animation_Draw();
    Frame f = ReadBackBuffer();
    CHECK(f.width == 640 && f.height == 480);
    for (int y = 1; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            CHECK(f.At(x, y) == f.At(x, 480 - y));
    // Left edges of the six circles on row 240: centre 320 + 30 i, radius 180 - 30 i.
    for (int i = 0; i < 6; ++i) {
        const int left = 320 + 30 * i - (180 - 30 * i);
        CHECK(f.At(left, 240) == 1);
        CHECK(f.At(left + 5, 240) == 0);
        CHECK(f.At(left - 1, 240) == 0 || i == 0);
    }
    CHECK(f.At(320, 60) == 1);   // top of circle 0
    CHECK(f.At(470, 210) == 1);  // top of circle 5
    CHECK(f.At(470, 240) == 0);  // its centre
    CHECK(f.At(100, 240) == 0 && f.At(320, 40) == 0 && f.At(520, 240) == 0);
    CHECK(f.At(139, 240) == 0);
    Screen_Flip();
    Event_Poll();

    // The second frame: circle 1 is centred at 320 + 30 cos(1/30) = 349.98..., truncated to
    // 349, radius 150: its leftmost column is 199, not 200.
    Animation_Draw();
    f = ReadBackBuffer();
    CHECK(f.At(199, 240) == 1);
    CHECK(f.At(200, 240) == 0);
    CHECK(f.At(198, 240) == 0);
    Screen_Flip();
    Animation_ShutDown();
    CHECK(!IsWindow(window));
    ExitProcess(0);
}

// Each run needs a process of its own, as the program itself has.
TEST(ProgramFrames, FirstFrameShowsSixCirclesAndTheSecondTruncatesTheCentres) {
    EXPECT_EXIT(FirstTwoFrames(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
