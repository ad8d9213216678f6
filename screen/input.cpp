// Keyboard and mouse shut-down, the shared DirectInput object, the keyboard's data format,
// giving the pointer back and the focus test.
#include "runtime/heaps.h"
#include "screen/input.h"
#include "screen/screen.h"

struct InputState Input = {};

namespace {

constexpr DWORD kDirectInputVersion = 0x0700;  // the interfaces of DirectInput 7

}  // namespace

// DirectInput's identifiers, kept in the program's own data.
extern "C" const GUID GUID_Key = {
    0x55728220, 0xD33C, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
extern "C" const GUID IID_IDirectInput7A = {
    0x9A4CB684, 0x236D, 0x11D3, {0x8E, 0x9D, 0x00, 0xC0, 0x4F, 0x68, 0x44, 0xAE}};

IDirectInput7A* Input_Open(void) {
    if (!Input.direct_input) {
        Input.direct_input_module = LoadLibraryA("DINPUT.DLL");
        if (Input.direct_input_module) {
            typedef HRESULT(WINAPI * CreateRoutine)(HINSTANCE, DWORD, REFIID, LPVOID*, LPUNKNOWN);
            CreateRoutine create = reinterpret_cast<CreateRoutine>(reinterpret_cast<void (*)()>(
                GetProcAddress(Input.direct_input_module, "DirectInputCreateEx")));
            if (create)
                create(GetModuleHandleA(nullptr), kDirectInputVersion, IID_IDirectInput7A,
                       reinterpret_cast<LPVOID*>(&Input.direct_input), nullptr);
        }
    }
    Input.direct_input_users += 1;
    return Input.direct_input;
}

void Input_Release(void) {
    // A release without its open would leave the count short for every later pair.
    if (Input.direct_input_users <= 0) return;
    Input.direct_input_users -= 1;
    if (Input.direct_input && Input.direct_input_users == 0) {
        Input.direct_input->Release();
        FreeLibrary(Input.direct_input_module);
        Input.direct_input = nullptr;
    }
}

DIOBJECTDATAFORMAT* Keyboard_BuildFormat(void) {
    Input.keyboard_format = static_cast<DIOBJECTDATAFORMAT*>(
        Runtime_Alloc(KEYBOARD_KEY_COUNT * sizeof(DIOBJECTDATAFORMAT), FALSE));
    if (!Input.keyboard_format) return nullptr;
    for (DWORD i = 0; i < KEYBOARD_KEY_COUNT; ++i)
        Input.keyboard_format[i] = {
            &GUID_Key, i, DWORD(DIDFT_BUTTON | DIDFT_OPTIONAL | DIDFT_MAKEINSTANCE(i)), 0};
    return Input.keyboard_format;
}

// Each device holds one use of DirectInput from its open to its shut-down; clearing the
// ready flag with it makes a second shut-down find nothing to give back.
void Keyboard_End(void) {
    if (!Input.keyboard_ready) return;
    Input.keyboard_ready = 0;
    if (Input.keyboard_device) {
        Input.keyboard_device->Unacquire();
        Input.keyboard_device->Release();
        Input.keyboard_device = nullptr;
    }
    Input_Release();
}

void Mouse_End(void) {
    if (!Input.mouse_ready) return;
    Input.mouse_ready = 0;
    ClipCursor(nullptr);
    if (Input.mouse_device) {
        Input.mouse_device->Release();
        Input.mouse_device = nullptr;
    }
    Input_Release();
}

void Mouse_ReleasePointer(void) {
    if (!Input.mouse_device) return;
    if (Screen.windowed) {
        ClipCursor(nullptr);
        if (!Input.cursor_shown) {
            ShowCursor(TRUE);
            Input.cursor_shown = 1;
        }
    }
    Input.mouse_device->Unacquire();
}

int32_t Screen_HasFocus(void) {
    if (Screen.windowed) return GetForegroundWindow() == Screen.parent_window ? 1 : 0;
    return Screen.device_ok;
}
