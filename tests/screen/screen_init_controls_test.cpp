// Starting the screen library: once, with its hidden window, Direct3D loaded once, and
// what a missing Direct3D or display mode leaves.
#include "screen_fixture.h"

namespace {

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

}  // namespace
