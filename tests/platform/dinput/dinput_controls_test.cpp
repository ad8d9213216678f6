// DirectInput 7 as loaded by name: the object, the system keyboard and mouse devices,
// and their reference counts.
#include <dinput.h>
#include <windows.h>
#include <zorvane_test/dinput.h>
#include <zorvane_test/kernel32.h>

#include <gtest/gtest.h>

namespace {

const GUID kIID_IDirectInput7A = {
    0x9A4CB684, 0x236D, 0x11D3, {0x8E, 0x9D, 0x00, 0xC0, 0x4F, 0x68, 0x44, 0xAE}};
const GUID kIID_Device7A = {
    0x57D7C6BC, 0x2356, 0x11D3, {0x8E, 0x9D, 0x00, 0xC0, 0x4F, 0x68, 0x44, 0xAE}};
const GUID kGUID_SysKeyboard = {
    0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID kGUID_Key = {
    0x55728220, 0xD33C, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

using CreateEx = HRESULT(WINAPI*)(HINSTANCE, DWORD, REFIID, LPVOID*, LPUNKNOWN);

TEST(DirectInput, CreatedByNameWithVersionSeven) {
    zv_test::Kernel32Reset reset;
    int live = zv_test::LiveDirectInputObjects();
    HMODULE module = LoadLibraryA("DINPUT.DLL");
    ASSERT_NE(module, nullptr);
    auto create = reinterpret_cast<CreateEx>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "DirectInputCreateEx")));
    ASSERT_NE(create, nullptr);
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(create(nullptr, 0x0200, kIID_IDirectInput7A, &out, nullptr),
              DIERR_OLDDIRECTINPUTVERSION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(create(nullptr, 0x0700, kIID_Device7A, &out, nullptr), DIERR_NOINTERFACE);
    ASSERT_EQ(create(GetModuleHandleA(nullptr), 0x0700, kIID_IDirectInput7A, &out, nullptr), DI_OK);
    auto* di = static_cast<IDirectInput7A*>(out);

    IDirectInputDevice7A* keyboard = nullptr;
    ASSERT_EQ(di->CreateDeviceEx(kGUID_SysKeyboard, kIID_Device7A,
                                 reinterpret_cast<LPVOID*>(&keyboard), nullptr),
              DI_OK);
    // A device needs its data format before it can be acquired.
    EXPECT_EQ(keyboard->Acquire(), DIERR_INVALIDPARAM);
    static DIOBJECTDATAFORMAT objects[256];
    for (int i = 0; i < 256; ++i)
        objects[i] = {&kGUID_Key, DWORD(i),
                      DWORD(DIDFT_BUTTON | DIDFT_OPTIONAL | DIDFT_MAKEINSTANCE(i)), 0};
    DIDATAFORMAT format = {
        sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS, 256, 256, objects};
    ASSERT_EQ(keyboard->SetDataFormat(&format), DI_OK);
    BYTE keys[256];
    EXPECT_EQ(keyboard->GetDeviceState(sizeof(keys), keys), DIERR_NOTACQUIRED);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof(keys), keys), DI_OK);
    EXPECT_EQ(keyboard->Unacquire(), DI_OK);
    EXPECT_EQ(keyboard->Unacquire(), S_FALSE);  // nothing to give up
    EXPECT_EQ(zv_test::LiveDirectInputObjects(), live + 2);
    EXPECT_EQ(keyboard->Release(), 0u);
    EXPECT_EQ(di->Release(), 0u);
    EXPECT_EQ(zv_test::LiveDirectInputObjects(), live);
    FreeLibrary(module);

    zv_test::HideModule("DINPUT.DLL");
    EXPECT_EQ(LoadLibraryA("DINPUT.DLL"), nullptr);
}

}  // namespace
