// The windowed screen: its child window and device, sizing with the parent, the parent's
// hooked procedure, a failed open, painting.
#include "screen_fixture.h"

namespace {

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
        zv_support::RegisterTestClass(classes[i], procs[i]);
        parents[i] = MakeParent(700, 560, classes[i]);
        ASSERT_NE(parents[i], nullptr);
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

}  // namespace
