// Test control for the software Direct3D 9. Only tests include this.
//
// The adapter normally describes the host's display: its size and refresh rate, format
// X8R8G8B8, and modes in X8R8G8B8 and R5G6B5 (none in X1R5G5B5); with no display it
// offers no mode at all. Tests can offer another format or other mode counts, script a
// device's cooperative level over time (on the platform clock, virtual in the headless
// host), force calls to fail, and read back what a device presented.
#pragma once

#include <d3d9.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace zv_test {

// ---- Adapter ----------------------------------------------------------------------------
// The format of the adapter's current display mode (and so of a windowed back buffer made
// with D3DFMT_UNKNOWN or the display format). Also makes that format the only one with modes
// unless SetD3D9ModeCounts says otherwise.
void SetD3D9DisplayFormat(D3DFORMAT format);
// Number of display modes GetAdapterModeCount reports for each of the three formats.
void SetD3D9ModeCounts(UINT x1r5g5b5, UINT r5g6b5, UINT x8r8g8b8);
// Whether GetDeviceCaps reports hardware transform and lighting (it does by default).
void SetD3D9HardwareVertexProcessing(bool offered);
// Back to the defaults above, clearing forced failures too.
void ResetD3D9Adapter();

// ---- Forced failures ------------------------------------------------------------------------
enum class D3D9Call {
    kCreateDevice,
    kGetDC,
    kLockRect,
    kPresent,
    kReset,
    kGetAdapterDisplayMode,
    kGetDeviceCaps
};
// The next `times` calls of `call` (on any object) fail with `result`.
void FailD3D9Call(D3D9Call call, int times = 1, HRESULT result = D3DERR_INVALIDCALL);

// ---- Devices -----------------------------------------------------------------------------
// The device created last that is still alive (no reference is added), or null.
IDirect3DDevice9* LastD3D9Device();
// Number of Direct3D objects, devices, surfaces and textures alive.
int LiveD3D9Objects();

// What TestCooperativeLevel answers from now on: each phase's code for its duration (0 =
// for ever), then D3D_OK. A lost device (D3DERR_DEVICELOST) refuses Reset and Present; a
// successful Reset ends the script. False for a pointer that is not a live device.
struct D3D9Phase {
    HRESULT level;
    uint32_t duration_ms;
};
bool ScriptCooperativeLevel(IDirect3DDevice9* device, std::initializer_list<D3D9Phase> phases);

struct D3D9DeviceInfo {
    D3DPRESENT_PARAMETERS params;  // as the device keeps them (sizes and format filled in)
    DWORD behavior_flags;
    HWND focus_window;
    size_t present_count;  // successful presents
    size_t reset_count;    // successful resets
};
bool GetD3D9DeviceInfo(IDirect3DDevice9* device, D3D9DeviceInfo* info);

// The last frame a device presented: the destination rectangle's pixels (0x00RRGGBB, top
// row first) as they were put into the window, with the rectangles used.
struct D3D9Frame {
    std::vector<uint32_t> pixels;
    int width = 0;
    int height = 0;
    RECT source = {};
    RECT dest = {};
    HWND window = nullptr;
};
bool LastD3D9Frame(IDirect3DDevice9* device, D3D9Frame* frame);
// Devices keep that copy of each frame under the headless host; on a real display they do
// not (a frame goes once, straight into the window), and LastD3D9Frame then gives the
// rectangles and sizes with no pixels. This says which, for every device from now on.
void RecordD3D9Frames(bool record);

}  // namespace zv_test
