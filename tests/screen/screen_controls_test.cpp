// Screen start-up, the windowed screen, the back buffer as a drawing target, flip and
// pacing, and shut-down.
#include "screen_fixture.h"

namespace {

// ---- Start-up ---------------------------------------------------------------------------------

TEST_F(ScreenTest, StartsOnceAndLoadsDirect3DOnce) {
    struct ObjectTable* table = Screen_Init();
    ASSERT_NE(table, nullptr);
    EXPECT_NE(Screen.direct3d, nullptr);
    EXPECT_EQ(Screen.hidden_ready, 1);
    int loads = zv_test::ModuleLoadCount("d3d9.dll");
    int objects = zv_test::LiveD3D9Objects();
    EXPECT_EQ(Screen_Init(), table);
    EXPECT_EQ(zv_test::ModuleLoadCount("d3d9.dll"), loads);
    EXPECT_EQ(zv_test::LiveD3D9Objects(), objects);
}

TEST_F(ScreenTest, TheHiddenWindowIsAnInvisiblePopupThatCannotBeClosed) {
    Start();
    HWND hidden = Screen.hidden_window;
    ASSERT_TRUE(IsWindow(hidden));
    EXPECT_FALSE(IsWindowVisible(hidden));
    EXPECT_TRUE(GetWindowLongPtrA(hidden, GWL_STYLE) & WS_POPUP);
    char name[64] = {};
    GetClassNameA(hidden, name, sizeof(name));
    EXPECT_STREQ(name, "MultimediaBase Class");
    EXPECT_EQ(SendMessageA(hidden, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(hidden));
    EXPECT_EQ(SendMessageA(hidden, WM_ERASEBKGND, 0, 0), 1);
    // Activation speaks for the device only when the screen is not windowed.
    Screen.windowed = 0;
    Screen.device_ok = 1;
    SendMessageA(hidden, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(Screen.device_ok, 0);
    SendMessageA(hidden, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(Screen.device_ok, 1);
    Screen.windowed = 1;
    SendMessageA(hidden, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(Screen.device_ok, 1);
    Screen.windowed = 0;
}

TEST_F(ScreenTest, WithoutDirect3DTheStartFailsAndCanBeTriedAgain) {
    zv_test::HideModule("d3d9.dll");
    EXPECT_EQ(Screen_Init(), nullptr);
    EXPECT_EQ(Screen.sprites, nullptr);
    EXPECT_EQ(Screen.hidden_ready, 1);  // made before the library was looked for
    zv_test::HideExport("d3d9.dll", "Direct3DCreate9");
    zv_test::HideModule("d3d9.dll", false);
    EXPECT_EQ(Screen_Init(), nullptr);
    zv_test::ShowAllModules();
    EXPECT_NE(Screen_Init(), nullptr);
}

TEST_F(ScreenTest, WithoutADisplayModeTheDirect3DObjectIsReleased) {
    int objects = zv_test::LiveD3D9Objects();
    zv_test::SetHeadlessDisplay(0, 0, 0);
    EXPECT_EQ(Screen_Init(), nullptr);
    EXPECT_EQ(Screen.sprites, nullptr);
    EXPECT_EQ(zv_test::LiveD3D9Objects(), objects);
}

TEST_F(ScreenTest, SixteenBitModesAloneAreEnough) {
    zv_test::SetD3D9DisplayFormat(D3DFMT_R5G6B5);
    zv_test::SetD3D9ModeCounts(0, 1, 0);
    EXPECT_NE(Screen_Init(), nullptr);
}

// ---- Windowed screen ------------------------------------------------------------------------

TEST_F(ScreenTest, OpensAChildWindowWithAWindowedDevice) {
    StartAndOpen();
    EXPECT_EQ(Screen.screen_open, 1);
    EXPECT_EQ(Screen.device_ok, 1);
    EXPECT_EQ(Screen.windowed, 1);
    EXPECT_EQ(Screen.target, SCREEN_TARGET_BACK_BUFFER);
    EXPECT_EQ(Screen.pixel_format, PIXEL_FORMAT_32);
    EXPECT_EQ(Screen.depth, 32);
    EXPECT_EQ(Screen.refresh_rate, 60u);
    ASSERT_TRUE(IsWindow(Screen.child_window));
    EXPECT_EQ(GetParent(Screen.child_window), parent_);
    char name[16] = {};
    GetClassNameA(Screen.child_window, name, sizeof(name));
    EXPECT_EQ(_stricmp(name, "STATIC"), 0);
    RECT r;
    GetClientRect(Screen.child_window, &r);
    EXPECT_EQ(r.right, 640);
    EXPECT_EQ(r.bottom, 480);

    zv_test::D3D9DeviceInfo info;
    ASSERT_TRUE(zv_test::GetD3D9DeviceInfo(Screen.device, &info));
    EXPECT_EQ(info.params.BackBufferWidth, 640u);
    EXPECT_EQ(info.params.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(info.params.SwapEffect, D3DSWAPEFFECT_COPY);
    EXPECT_EQ(info.params.Flags, DWORD(D3DPRESENTFLAG_LOCKABLE_BACKBUFFER));
    EXPECT_EQ(info.params.PresentationInterval, UINT(D3DPRESENT_INTERVAL_ONE));
    EXPECT_EQ(info.params.hDeviceWindow, Screen.child_window);
    EXPECT_EQ(info.focus_window, Screen.child_window);
    EXPECT_EQ(info.behavior_flags, 0x42u);

    DWORD v = 0;
    Screen.device->GetTextureStageState(0, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, DWORD(D3DTOP_SELECTARG1));
    Screen.device->GetTextureStageState(0, D3DTSS_ALPHAOP, &v);
    EXPECT_EQ(v, DWORD(D3DTOP_SELECTARG1));
    Screen.device->GetSamplerState(0, D3DSAMP_MINFILTER, &v);
    EXPECT_EQ(v, DWORD(D3DTEXF_POINT));
    Screen.device->GetRenderState(D3DRS_MULTISAMPLEANTIALIAS, &v);
    EXPECT_EQ(v, 0u);
    EXPECT_EQ(GetPropA(parent_, "qx_dxsize"), reinterpret_cast<HANDLE>(1));

    // The back buffer starts black.
    D3DLOCKED_RECT lr;
    ASSERT_EQ(Screen.back_buffer->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<uint32_t*>(lr.pBits)[0] & 0xFFFFFF, 0u);
    Screen.back_buffer->UnlockRect();
}

TEST_F(ScreenTest, SoftwareVertexProcessingWithoutTransformAndLighting) {
    zv_test::SetD3D9HardwareVertexProcessing(false);
    StartAndOpen();
    zv_test::D3D9DeviceInfo info;
    ASSERT_TRUE(zv_test::GetD3D9DeviceInfo(Screen.device, &info));
    EXPECT_EQ(info.behavior_flags, 0x22u);
}

TEST_F(ScreenTest, SixteenBitDesktopGivesSixteenBitFormat) {
    zv_test::SetD3D9DisplayFormat(D3DFMT_R5G6B5);
    StartAndOpen();
    EXPECT_EQ(Screen.pixel_format, PIXEL_FORMAT_16);
    EXPECT_EQ(Screen.depth, 16);
}

TEST_F(ScreenTest, AutoSizedChildFollowsTheParent) {
    Start();
    HWND parent = MakeParent(400, 300);
    ASSERT_EQ(Screen_OpenWindowed(parent, 10, 20, 100, 100, 1, 5, 5), 1);
    RECT r;
    GetWindowRect(Screen.child_window, &r);
    EXPECT_EQ(r.right - r.left, 385);
    EXPECT_EQ(r.bottom - r.top, 275);

    // A bigger parent: the child follows and the flip stretches the back buffer over it.
    RECT outer = {0, 0, 800, 600};
    AdjustWindowRectEx(&outer, WS_CAPTION | WS_SYSMENU, FALSE, 0);
    size_t before = Presents();
    SetWindowPos(parent, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(Screen.child_window, &r);
    EXPECT_EQ(r.right, 785);
    EXPECT_EQ(r.bottom, 575);
    EXPECT_GT(Presents(), before);  // the parent's hook flipped
    zv_test::D3D9Frame frame;
    ASSERT_TRUE(zv_test::LastD3D9Frame(Screen.device, &frame));
    EXPECT_EQ(frame.dest.right, 785);
    EXPECT_EQ(frame.source.right, 100);
    EXPECT_EQ(frame.width, 785);
}

TEST_F(ScreenTest, AResizeToTwiceTheSizeStretchesTheFrameOverTheWholeChild) {
    zv_test::SetHeadlessDisplay(2560, 1440, 60);  // room for a window of twice the size
    Start();
    ASSERT_EQ(Screen_OpenWindowed(parent_, 0, 0, 640, 480, 1, 0, 0), 1);
    // A white pixel at (10, 7) of the back buffer.
    D3DLOCKED_RECT lr;
    ASSERT_EQ(Screen.back_buffer->LockRect(&lr, nullptr, 0), D3D_OK);
    reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + 7 * lr.Pitch)[10] = 0xFFFFFF;
    Screen.back_buffer->UnlockRect();
    zv_test::InjectResize(parent_, 1280, 960);
    RECT r;
    GetClientRect(Screen.child_window, &r);
    ASSERT_EQ(r.right, 1280);
    ASSERT_EQ(r.bottom, 960);
    EXPECT_EQ(Screen_Flip(), 1);
    zv_test::D3D9Frame frame;
    ASSERT_TRUE(zv_test::LastD3D9Frame(Screen.device, &frame));
    ASSERT_EQ(frame.width, 1280);
    ASSERT_EQ(frame.height, 960);
    EXPECT_EQ(frame.source.right, 640);
    for (int y = 12; y < 18; ++y)
        for (int x = 18; x < 24; ++x)
            EXPECT_EQ(frame.pixels[y * 1280 + x], (x / 2 == 10 && y / 2 == 7) ? 0xFFFFFFu : 0u)
                << x << "," << y;
}

TEST_F(ScreenTest, AFixedChildKeepsItsSize) {
    StartAndOpen();
    SetWindowPos(parent_, nullptr, 0, 0, 1000, 900, SWP_NOMOVE | SWP_NOZORDER);
    RECT r;
    GetClientRect(Screen.child_window, &r);
    EXPECT_EQ(r.right, 640);
    EXPECT_EQ(r.bottom, 480);
}

TEST_F(ScreenTest, ASecondOpenDoesNotHookTheParentAgain) {
    StartAndOpen();
    LONG_PTR hook = GetWindowLongPtrA(parent_, GWLP_WNDPROC);
    WNDPROC old = Screen.parent_old_proc;
    HWND first_child = Screen.child_window;
    ASSERT_EQ(Screen_OpenWindowed(parent_, 0, 0, 320, 240, 0, 0, 0), 1);
    EXPECT_FALSE(IsWindow(first_child));  // the first screen was closed
    EXPECT_EQ(GetWindowLongPtrA(parent_, GWLP_WNDPROC), hook);
    EXPECT_EQ(Screen.parent_old_proc, old);
    EXPECT_EQ(Screen.screen_width, 320);
    // The first hook still works: messages reach the parent's own procedure.
    EXPECT_EQ(SendMessageA(parent_, WM_GETTEXTLENGTH, 0, 0), 6);
}

// Two parents whose own procedures answer a private message differently.
constexpr UINT kWhoAreYou = WM_USER + 41;
template <LRESULT kAnswer>
LRESULT CALLBACK AnsweringProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == kWhoAreYou) return kAnswer;
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

TEST_F(ScreenTest, EachParentKeepsItsOwnProcedure) {
    HWND parents[2];
    const char* classes[2] = {"ScreenTestParentA", "ScreenTestParentB"};
    WNDPROC procs[2] = {AnsweringProc<'A'>, AnsweringProc<'B'>};
    for (int i = 0; i < 2; ++i) {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = procs[i];
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = classes[i];
        RegisterClassExA(&wc);
        parents[i] =
            CreateWindowExA(0, classes[i], "", WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 0, 0, 700, 560,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parents[i], nullptr);
        windows_.push_back(parents[i]);
    }
    Start();
    ASSERT_EQ(Screen_OpenWindowed(parents[0], 0, 0, 320, 240, 0, 0, 0), 1);
    ASSERT_EQ(Screen_OpenWindowed(parents[1], 0, 0, 320, 240, 1, 0, 0), 1);
    for (int i = 0; i < 2; ++i)
        EXPECT_NE(GetWindowLongPtrA(parents[i], GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(procs[i]))
            << "hooked";
    EXPECT_EQ(SendMessageA(parents[0], kWhoAreYou, 0, 0), 'A');
    EXPECT_EQ(SendMessageA(parents[1], kWhoAreYou, 0, 0), 'B');

    // Resizing the parent that no longer holds the screen leaves the screen alone.
    RECT child;
    GetClientRect(Screen.child_window, &child);
    size_t presents = Presents();
    SetWindowPos(parents[0], nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(Presents(), presents);
    RECT after;
    GetClientRect(Screen.child_window, &after);
    EXPECT_EQ(after.right, child.right);
    EXPECT_EQ(after.bottom, child.bottom);
    // The screen's own parent still moves it.
    SetWindowPos(parents[1], nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(Presents(), presents + 1);
    GetClientRect(Screen.child_window, &after);
    RECT client;
    GetClientRect(parents[1], &client);
    EXPECT_EQ(after.right, client.right);

    // Closed, and opened again in the first parent: still each its own answer.
    Screen_Close();
    EXPECT_EQ(SendMessageA(parents[0], kWhoAreYou, 0, 0), 'A');
    EXPECT_EQ(SendMessageA(parents[1], kWhoAreYou, 0, 0), 'B');
    ASSERT_EQ(Screen_OpenWindowed(parents[0], 0, 0, 320, 240, 0, 0, 0), 1);
    EXPECT_EQ(SendMessageA(parents[0], kWhoAreYou, 0, 0), 'A');
    EXPECT_EQ(SendMessageA(parents[1], kWhoAreYou, 0, 0), 'B');
}

TEST_F(ScreenTest, AFailedOpenFreesTheSpritesAndLeavesNoScreen) {
    Start();
    EXPECT_EQ(Screen_OpenWindowed(nullptr, 0, 0, 640, 480, 0, 0, 0), 0);
    EXPECT_EQ(Screen.screen_open, 0);
    zv_test::FailD3D9Call(zv_test::D3D9Call::kCreateDevice);
    EXPECT_EQ(Screen_OpenWindowed(parent_, 0, 0, 640, 480, 0, 0, 0), 0);
    EXPECT_EQ(Screen.screen_open, 0);
    EXPECT_EQ(Screen.device, nullptr);
    EXPECT_TRUE(IsWindow(Screen.child_window));  // the child made so far stays
    zv_test::FailD3D9Call(zv_test::D3D9Call::kGetAdapterDisplayMode);
    EXPECT_EQ(Screen_OpenWindowed(parent_, 0, 0, 640, 480, 0, 0, 0), 0);
    zv_test::FailD3D9Call(zv_test::D3D9Call::kGetDeviceCaps);
    EXPECT_EQ(Screen_OpenWindowed(parent_, 0, 0, 640, 480, 0, 0, 0), 0);
    EXPECT_EQ(Screen_OpenWindowed(parent_, 0, 0, 640, 480, 0, 0, 0), 1);
}

TEST_F(ScreenTest, PaintingTheChildShowsTheScreenAgain) {
    StartAndOpen();
    size_t before = Presents();
    InvalidateRect(Screen.child_window, nullptr, TRUE);
    UpdateWindow(Screen.child_window);
    EXPECT_EQ(Presents(), before + 1);
}

// ---- Drawing target ------------------------------------------------------------------------

TEST_F(ScreenTest, TheBackBufferIsADrawingTarget) {
    StartAndOpen();
    struct DrawingContext* dc = Screen_DrawingTarget();
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(dc->kind, DRAWING_TARGET_SURFACE);
    EXPECT_NE(dc->hdc, nullptr);
    EXPECT_EQ(dc->buffer, nullptr);
    EXPECT_EQ(dc->buffer_format, PIXEL_FORMAT_32);
    EXPECT_EQ(dc->width, 640);
    EXPECT_EQ(dc->height, 480);
    EXPECT_EQ(dc->depth, 32);
    EXPECT_EQ(dc->grab_32_as_24, 1);
    ASSERT_NE(Draw_Begin(dc), nullptr);
    Draw_SetMode(0);
    Draw_Box(10, 10, 20, 20, 0x0000FF);  // red, as GDI colours go

    // GDI, then the pixel memory, then GDI again: the device context is held at the end.
    int32_t pitch = 0;
    void* bits = dc->get_buffer(dc, &pitch);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(dc->hdc, nullptr);
    EXPECT_GE(pitch, 640 * 4);
    EXPECT_EQ(static_cast<uint32_t*>(bits)[15 * (pitch / 4) + 15] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(dc->get_buffer(dc, &pitch), bits);  // asked again: the same lock
    HDC again = dc->get_dc(dc);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(dc->buffer, nullptr);
    EXPECT_EQ(dc->get_dc(dc), again);
    Draw_End();

    // Everything was given back: the frame can be presented.
    EXPECT_EQ(Screen_Flip(), 1);
    zv_test::D3D9Frame frame;
    ASSERT_TRUE(zv_test::LastD3D9Frame(Screen.device, &frame));
    EXPECT_EQ(frame.pixels[15 * 640 + 15], 0xFF0000u);
    EXPECT_EQ(frame.pixels[40 * 640 + 40], 0u);
}

TEST_F(ScreenTest, TheReleaseCallbackCanRunTwice) {
    StartAndOpen();
    struct DrawingContext* dc = Screen_DrawingTarget();
    ASSERT_NE(dc, nullptr);
    int32_t pitch;
    dc->get_buffer(dc, &pitch);
    dc->release(dc, 1);
    EXPECT_EQ(dc->hdc, nullptr);
    EXPECT_EQ(dc->buffer, nullptr);
    dc->release(dc, 1);
    DrawingContext_Free(dc);
    HDC hdc;
    ASSERT_EQ(Screen.back_buffer->GetDC(&hdc), D3D_OK);  // neither held nor locked
    Screen.back_buffer->ReleaseDC(hdc);
}

TEST_F(ScreenTest, NoDrawingTargetWithoutADeviceContextOrMemory) {
    EXPECT_EQ(Screen_DrawingTarget(), nullptr);  // no screen
    StartAndOpen();
    zv_test::FailD3D9Call(zv_test::D3D9Call::kGetDC);
    EXPECT_EQ(Screen_DrawingTarget(), nullptr);
    EXPECT_EQ(Draw_Begin(nullptr), nullptr);
    Draw_End();
    // No context to be had: the device context goes back, so the screen keeps working.
    zv_test::FailAllocationsAfter(0, RuntimeHeap);
    EXPECT_EQ(Screen_DrawingTarget(), nullptr);
    zv_test::ClearAllocationFailures();
    EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_EQ(Screen.device_ok, 1);
    ASSERT_NE(Draw_Begin(Screen_DrawingTarget()), nullptr);
    Draw_End();
}

// ---- Flip -------------------------------------------------------------------------------------

TEST_F(ScreenTest, FlipPresentsAndWaitsForTheRetrace) {
    StartAndOpen();
    EXPECT_EQ(Screen_Flip(), 1);
    uint64_t before = zv_test::VirtualClockMs();
    EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_GE(zv_test::VirtualClockMs() - before, 16u);
    zv_test::D3D9Frame frame;
    ASSERT_TRUE(zv_test::LastD3D9Frame(Screen.device, &frame));
    EXPECT_EQ(frame.window, Screen.child_window);
    EXPECT_EQ(frame.source.right, 640);
    EXPECT_EQ(frame.dest.bottom, 480);
}

// A windowed device lost for longer than a flip waits (a locked workstation): the flip
// that gives up says so, the flips after it keep the loop at the display's pace without
// presenting, and once the device can be reset the frames come back.
TEST_F(ScreenTest, ADeviceLostForAWhileKeepsThePaceAndComesBack) {
    StartAndOpen();
    ASSERT_EQ(Screen.refresh_rate, 60u);
    ASSERT_TRUE(zv_test::ScriptCooperativeLevel(
        Screen.device, {{D3DERR_DEVICELOST, 300}, {D3DERR_DEVICENOTRESET, 0}}));
    size_t presents = Presents();
    uint64_t start = zv_test::VirtualClockMs();
    EXPECT_EQ(Screen_Flip(), 0);
    uint64_t waited = zv_test::VirtualClockMs() - start;
    EXPECT_GE(waited, 32u);
    EXPECT_LE(waited, 34u);
    EXPECT_EQ(Screen.device_ok, 0);

    std::vector<uint64_t> periods;
    while (!Screen.device_ok && periods.size() < 100) {
        uint64_t before = zv_test::VirtualClockMs();
        EXPECT_EQ(Screen_Flip(), 1);
        periods.push_back(zv_test::VirtualClockMs() - before);
    }
    ASSERT_EQ(Screen.device_ok, 1) << "the device came back";
    // The rest of the 300 ms at 60 Hz: each flip waits one retrace; the first one is cut
    // short by where the loss wait ended, and the last, which presented, waited for the
    // display's own. How many flips that takes depends on where the clock stood against
    // the retraces, so the test checks when they ran, not how many there were.
    ASSERT_GE(periods.size(), 2u);
    uint64_t back = waited;  // when the flip that found the device usable began
    for (size_t i = 0; i < periods.size(); ++i) {
        bool whole = i > 0 && i + 1 < periods.size();
        EXPECT_LE(periods[i], 17u) << "flip " << i;
        EXPECT_GE(periods[i], whole ? 16u : 1u) << "flip " << i;
        if (i + 1 < periods.size()) back += periods[i];
    }
    EXPECT_GE(back, 300u) << "not presented before the device came back";
    EXPECT_LT(back - periods[periods.size() - 2], 300u) << "a flip lost after it came back";
    zv_test::D3D9DeviceInfo info;
    ASSERT_TRUE(zv_test::GetD3D9DeviceInfo(Screen.device, &info));
    EXPECT_EQ(info.reset_count, 1u);
    EXPECT_EQ(Presents(), presents + 1) << "nothing shown while lost, the frame after it is";

    // The frames go on as before, the back buffer fetched again after the reset.
    ASSERT_NE(Screen.back_buffer, nullptr);
    for (int i = 0; i < 3; ++i) {
        struct DrawingContext* dc = Screen_DrawingTarget();
        ASSERT_NE(dc, nullptr);
        Draw_Begin(dc);
        Draw_End();
        uint64_t before = zv_test::VirtualClockMs();
        EXPECT_EQ(Screen_Flip(), 1);
        EXPECT_GE(zv_test::VirtualClockMs() - before, 1u);
    }
    EXPECT_EQ(Presents(), presents + 4);
}

TEST_F(ScreenTest, ADeviceThatNeedsAResetIsResetAndPresented) {
    StartAndOpen();
    ASSERT_TRUE(zv_test::ScriptCooperativeLevel(
        Screen.device, {{D3DERR_DEVICELOST, 10}, {D3DERR_DEVICENOTRESET, 0}}));
    size_t presents = Presents();
    EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_EQ(Screen.device_ok, 1);
    zv_test::D3D9DeviceInfo info;
    ASSERT_TRUE(zv_test::GetD3D9DeviceInfo(Screen.device, &info));
    EXPECT_EQ(info.reset_count, 1u);
    EXPECT_EQ(info.present_count, presents + 1);
    // The back buffer is the new one and draws as before.
    struct DrawingContext* dc = Screen_DrawingTarget();
    ASSERT_NE(dc, nullptr);
    Draw_Begin(dc);
    Draw_End();
    EXPECT_EQ(Screen_Flip(), 1);
}

TEST_F(ScreenTest, ADeviceBackWithinTheWaitIsPresentedWithoutAReset) {
    StartAndOpen();
    ASSERT_TRUE(zv_test::ScriptCooperativeLevel(Screen.device, {{D3DERR_DEVICELOST, 10}}));
    EXPECT_EQ(Screen_Flip(), 1);
    zv_test::D3D9DeviceInfo info;
    ASSERT_TRUE(zv_test::GetD3D9DeviceInfo(Screen.device, &info));
    EXPECT_EQ(info.reset_count, 0u);
    EXPECT_EQ(info.present_count, 1u);
}

TEST_F(ScreenTest, BrokenDevicesAndFailedResets) {
    StartAndOpen();
    ASSERT_TRUE(zv_test::ScriptCooperativeLevel(Screen.device, {{D3DERR_DRIVERINTERNALERROR, 0}}));
    EXPECT_EQ(Screen_Flip(), 0);
    EXPECT_EQ(Screen.device_ok, 0);

    ASSERT_EQ(Screen_OpenWindowed(parent_, 0, 0, 640, 480, 0, 0, 0), 1);
    ASSERT_TRUE(zv_test::ScriptCooperativeLevel(Screen.device, {{D3DERR_DEVICENOTRESET, 0}}));
    zv_test::FailD3D9Call(zv_test::D3D9Call::kReset);
    EXPECT_EQ(Screen_Flip(), 0);
    EXPECT_EQ(Screen.device_ok, 0);
    EXPECT_NE(Screen.back_buffer, nullptr);  // still there for the drawing and the close

    // That device is reset by the next flip once it reports it can be.
    ASSERT_TRUE(zv_test::ScriptCooperativeLevel(Screen.device, {{D3DERR_DEVICENOTRESET, 0}}));
    size_t presents = Presents();
    EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_EQ(Screen.device_ok, 1);
    EXPECT_EQ(Presents(), presents + 1);

    // One failed present: that flip still waits for the retrace, and the next one shows
    // the frame again.
    ASSERT_EQ(Screen_OpenWindowed(parent_, 0, 0, 640, 480, 0, 0, 0), 1);
    presents = Presents();
    zv_test::FailD3D9Call(zv_test::D3D9Call::kPresent);
    uint64_t before = zv_test::VirtualClockMs();
    EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_EQ(Screen.device_ok, 0);
    EXPECT_GE(zv_test::VirtualClockMs() - before, 1u);
    EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_EQ(Screen.device_ok, 1);
    EXPECT_EQ(Presents(), presents + 1);
    before = zv_test::VirtualClockMs();
    for (int i = 0; i < 60; ++i)
        EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_GE(zv_test::VirtualClockMs() - before, 980u) << "60 frames take about a second";
    EXPECT_EQ(Presents(), presents + 61);

    // A broken driver: no present, but the pace is kept too.
    ASSERT_TRUE(zv_test::ScriptCooperativeLevel(Screen.device, {{D3DERR_DRIVERINTERNALERROR, 0}}));
    before = zv_test::VirtualClockMs();
    EXPECT_EQ(Screen_Flip(), 0);
    EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_GE(zv_test::VirtualClockMs() - before, 17u);
    EXPECT_EQ(Presents(), presents + 61);
}

TEST_F(ScreenTest, FlipGivesTheRenderTargetBackToTheBackBuffer) {
    StartAndOpen();
    Screen.target = 3;  // a sprite number with no sprite behind it
    Screen.target_width = Screen.target_height = 8;
    EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_EQ(Screen.target, SCREEN_TARGET_BACK_BUFFER);
    EXPECT_EQ(Screen.target_width, 640);
    EXPECT_EQ(Screen.target_height, 480);
}

// ---- Shut-down ----------------------------------------------------------------------------------

// A parent procedure that counts the WM_SIZE it sees and answers a private message.
int g_parent_sizes = 0;
LRESULT CALLBACK CountingParentProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_SIZE) ++g_parent_sizes;
    if (message == kWhoAreYou) return 'C';
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

TEST_F(ScreenTest, CloseGivesEverythingBackAndCanRepeat) {
    int objects = zv_test::LiveD3D9Objects();
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = CountingParentProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ScreenTestCountingParent";
    RegisterClassExA(&wc);
    parent_ = CreateWindowExA(0, wc.lpszClassName, "screen", WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                              0, 0, 700, 560, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(parent_, nullptr);
    windows_.push_back(parent_);
    Start();
    ASSERT_EQ(Screen_OpenWindowed(parent_, 0, 0, 640, 480, 1, 0, 0), 1);
    HWND child = Screen.child_window;
    Screen_Close();
    EXPECT_EQ(Screen.screen_open, 0);
    EXPECT_EQ(Screen.device, nullptr);
    EXPECT_EQ(Screen.back_buffer, nullptr);
    EXPECT_EQ(Screen.screen_width, 0);
    EXPECT_EQ(Screen.depth, 0);
    EXPECT_EQ(Screen.windowed, 0);
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(zv_test::LiveD3D9Objects(), objects + 1);  // the Direct3D object stays
    Screen_Close();
    EXPECT_EQ(Screen.parent_window, parent_);
    // The parent's hook stays; with no screen open a WM_SIZE goes straight on to the
    // parent's own procedure, and so does everything else.
    EXPECT_EQ(GetPropA(parent_, "qx_dxsize"), reinterpret_cast<HANDLE>(1));
    EXPECT_NE(GetWindowLongPtrA(parent_, GWLP_WNDPROC),
              reinterpret_cast<LONG_PTR>(CountingParentProc));
    g_parent_sizes = 0;
    SetWindowPos(parent_, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(g_parent_sizes, 1);
    EXPECT_EQ(Screen.child_window, nullptr);
    EXPECT_EQ(Screen.screen_width, 0);
    EXPECT_EQ(SendMessageA(parent_, kWhoAreYou, 0, 0), 'C');
    // Another screen needs no new start.
    EXPECT_EQ(Screen_OpenWindowed(parent_, 0, 0, 64, 48, 0, 0, 0), 1);
    Screen_End();
    EXPECT_NE(Screen.direct3d, nullptr);
}

TEST_F(ScreenTest, CloseWithNoScreenLeavesTheSpritesAlone) {
    Screen_Close();  // never started
    Start();
    struct SpriteRecord* sprite =
        static_cast<struct SpriteRecord*>(Objects_Create(Screen.sprites, 0));
    ASSERT_NE(sprite, nullptr);
    sprite->resources =
        static_cast<struct SpriteResources*>(Runtime_Alloc(sizeof(SpriteResources), TRUE));
    Screen_Close();
    EXPECT_NE(Objects_Find(Screen.sprites, 0), nullptr);
    Sprite_Close(0);
}

}  // namespace
