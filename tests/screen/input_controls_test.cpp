// The keyboard and mouse shut-downs with the shared DirectInput object, the keyboard's
// format, and the screen's focus.
#include <zorvane_test/dinput.h>

#include "screen_fixture.h"

namespace {

struct InputReset {
    ~InputReset() { Input = InputState{}; }
};

// The system keyboard and mouse and the device interface the screen asks DirectInput for,
// spelt out rather than taken from the library under test.
const GUID kKeyboard = {
    0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID kMouse = {0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID kDevice7 = {
    0x57D7C6BC, 0x2356, 0x11D3, {0x8E, 0x9D, 0x00, 0xC0, 0x4F, 0x68, 0x44, 0xAE}};

// Makes the screen's keyboard or mouse device from `di`, as the screen's own start does.
void OpenDevice(IDirectInput7A* di, const GUID& which, IDirectInputDevice7A** device,
                int32_t* ready) {
    ASSERT_EQ(di->CreateDeviceEx(which, kDevice7, reinterpret_cast<LPVOID*>(device), nullptr),
              DI_OK);
    *ready = 1;
}
void OpenKeyboard(IDirectInput7A* di) {
    OpenDevice(di, kKeyboard, &Input.keyboard_device, &Input.keyboard_ready);
}
void OpenMouse(IDirectInput7A* di) {
    OpenDevice(di, kMouse, &Input.mouse_device, &Input.mouse_ready);
}
// Opens the shared DirectInput object into `di`, and the keyboard device from it.
void OpenInputAndKeyboard(IDirectInput7A** di) {
    *di = Input_Open();
    ASSERT_NE(*di, nullptr);
    OpenKeyboard(*di);
}

// Once the last user has let DirectInput go: the screen holds no object, no more are alive
// than the `live` of before, and the module is unloaded.
void ExpectDirectInputGone(int live) {
    EXPECT_EQ(Input.direct_input, nullptr);
    EXPECT_EQ(zv_test::LiveDirectInputObjects(), live);
    EXPECT_EQ(zv_test::ModuleLoadCount("DINPUT.DLL"), 0);
}

TEST_F(ScreenTest, KeyboardAndMouseShutDownsWithNoDevice) {
    InputReset reset;
    Keyboard_End();
    Mouse_End();
    Keyboard_End();
    Mouse_End();
    EXPECT_EQ(Input.direct_input_users, 0);
    EXPECT_EQ(Input.direct_input, nullptr);
}

TEST_F(ScreenTest, TheDirectInputObjectIsSharedAndCounted) {
    InputReset reset;
    int live = zv_test::LiveDirectInputObjects();
    IDirectInput7A* first = Input_Open();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Input_Open(), first);
    EXPECT_EQ(Input.direct_input_users, 2);
    EXPECT_EQ(zv_test::ModuleLoadCount("DINPUT.DLL"), 1);
    Input_Release();
    EXPECT_EQ(Input.direct_input, first);
    Input_Release();
    ExpectDirectInputGone(live);
}

TEST_F(ScreenTest, AMissingDirectInputStillCountsItsUser) {
    InputReset reset;
    zv_test::HideModule("DINPUT.DLL");
    EXPECT_EQ(Input_Open(), nullptr);
    EXPECT_EQ(Input.direct_input_users, 1);
    Input_Release();
    EXPECT_EQ(Input.direct_input_users, 0);
}

TEST_F(ScreenTest, KeyboardEndReleasesItsDeviceAndItsUse) {
    InputReset reset;
    int live = zv_test::LiveDirectInputObjects();
    IDirectInput7A* di = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenInputAndKeyboard(&di));
    Keyboard_End();
    EXPECT_EQ(Input.keyboard_device, nullptr);
    EXPECT_EQ(Input.direct_input, nullptr);
    EXPECT_EQ(zv_test::LiveDirectInputObjects(), live);
}

// Shutting a device down twice gives its use of DirectInput back once: the count stays
// where it was, and the next open and release pair still frees the object and the module.
TEST_F(ScreenTest, ASecondShutDownOfADeviceChangesNothing) {
    InputReset reset;
    int live = zv_test::LiveDirectInputObjects();
    IDirectInput7A* di = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenInputAndKeyboard(&di));
    ASSERT_EQ(Input_Open(), di);
    ASSERT_NO_FATAL_FAILURE(OpenMouse(di));

    for (int round = 0; round < 2; ++round) {
        Keyboard_End();
        Mouse_End();
        EXPECT_EQ(Input.direct_input_users, 0);
        EXPECT_EQ(Input.direct_input, nullptr);
    }
    ExpectDirectInputGone(live);

    ASSERT_NE(Input_Open(), nullptr);
    EXPECT_EQ(Input.direct_input_users, 1);
    Input_Release();
    ExpectDirectInputGone(live);
}

TEST_F(ScreenTest, MouseReleaseAndShutDown) {
    InputReset reset;
    int live = zv_test::LiveDirectInputObjects();
    StartAndOpen();
    IDirectInput7A* di = Input_Open();
    ASSERT_NE(di, nullptr);
    ASSERT_NO_FATAL_FAILURE(OpenMouse(di));
    static DIOBJECTDATAFORMAT none[1];
    DIDATAFORMAT format = {
        sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS, 16, 0, none};
    ASSERT_EQ(Input.mouse_device->SetDataFormat(&format), DI_OK);
    ASSERT_EQ(Input.mouse_device->Acquire(), DI_OK);
    RECT confine = {10, 10, 20, 20};
    ClipCursor(&confine);

    // The windowed screen gives the pointer back: free, shown once, the device unacquired.
    Mouse_ReleasePointer();
    EXPECT_EQ(Input.cursor_shown, 1);
    EXPECT_EQ(Input.mouse_device->Unacquire(), S_FALSE);  // already given up
    Mouse_ReleasePointer();
    EXPECT_EQ(Input.cursor_shown, 1);
    RECT clip;
    GetClipCursor(&clip);
    EXPECT_GT(clip.right - clip.left, 10);

    Mouse_End();
    EXPECT_EQ(Input.mouse_device, nullptr);
    EXPECT_EQ(Input.direct_input, nullptr);
    EXPECT_EQ(zv_test::LiveDirectInputObjects(), live);
}

TEST_F(ScreenTest, TheKeyboardFormatIsDirectInputsStandardOne) {
    DIOBJECTDATAFORMAT* format = Keyboard_BuildFormat();
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(Input.keyboard_format, format);
    EXPECT_EQ(format[0x41].dwOfs, 0x41u);
    EXPECT_EQ(format[0x41].dwType, 0x8000410Cu);
    EXPECT_EQ(format[0x41].dwFlags, 0u);
    EXPECT_EQ(format[0xFF].dwType, 0x8000FF0Cu);
    EXPECT_TRUE(IsEqualGUID(*format[0].pguid, GUID_Key));
    const GUID key = {0x55728220, 0xD33C, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
    EXPECT_TRUE(IsEqualGUID(GUID_Key, key));
    Runtime_Free(format);
    Input.keyboard_format = nullptr;
}

TEST_F(ScreenTest, TheScreenHasTheFocusWhenItsParentIsInFront) {
    StartAndOpen();
    SetForegroundWindow(parent_);
    EXPECT_EQ(Screen_HasFocus(), GetForegroundWindow() == parent_ ? 1 : 0);
    EXPECT_EQ(GetForegroundWindow(), parent_);
    HWND other = MakeParent(100, 100);
    SetForegroundWindow(other);
    EXPECT_EQ(Screen_HasFocus(), 0);
}

}  // namespace
