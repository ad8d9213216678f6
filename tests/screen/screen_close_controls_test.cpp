// Closing the screen: everything given back, repeatable, the sprites left alone when no
// screen is open.
#include "screen_fixture.h"

namespace {

// A parent procedure that counts the WM_SIZE it sees and answers a private message.
int g_parent_sizes = 0;
LRESULT CALLBACK CountingParentProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_SIZE) ++g_parent_sizes;
    if (message == kWhoAreYou) return 'C';
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

TEST_F(ScreenTest, CloseGivesEverythingBackAndCanRepeat) {
    int objects = zv_test::LiveD3D9Objects();
    zv_support::RegisterTestClass("ScreenTestCountingParent", CountingParentProc);
    parent_ = MakeParent(700, 560, "ScreenTestCountingParent");
    ASSERT_NE(parent_, nullptr);
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
