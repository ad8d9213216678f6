// The software Direct3D 9 as only the platform's test controls can see it: the adapter
// against a chosen display, forced failures, derived parameters, presented frames and the
// virtual retrace, scripted lost devices, and the checks Direct3D itself does not make.
#include <d3d9.h>
#include <windows.h>
#include <zorvane_test/d3d9.h>
#include <zorvane_test/host.h>
#include <zorvane_test/kernel32.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

LRESULT CALLBACK PlainProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

// A visible top-level window with a client area of 200 x 100 and a "STATIC" child of
// 80 x 60 at (10, 20) in it, the way the screen places its surface.
class D3D9Test : public ::testing::Test {
  protected:
    void SetUp() override {
        zv_test::SetHeadlessDisplay(1024, 768, 60);
        zv_test::ResetD3D9Adapter();
        baseline_ = zv_test::LiveD3D9Objects();
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "D3D9TestWindow";
        RegisterClassExA(&wc);  // already registered by an earlier test: fine
        RECT r = {0, 0, 200, 100};
        AdjustWindowRectEx(&r, WS_CAPTION | WS_SYSMENU, FALSE, 0);
        top_ = CreateWindowExA(0, "D3D9TestWindow", "d3d9", WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 0,
                               0, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                               wc.hInstance, nullptr);
        ASSERT_NE(top_, nullptr);
        child_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 20, 80, 60, top_,
                                 nullptr, wc.hInstance, nullptr);
        ASSERT_NE(child_, nullptr);
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d_, nullptr);
    }
    void TearDown() override {
        if (device_) {
            EXPECT_EQ(device_->Release(), 0u);
        }
        if (d3d_) {
            EXPECT_EQ(d3d_->Release(), 0u);
        }
        DestroyWindow(top_);
        zv_test::ResetD3D9Adapter();
        zv_test::SetHeadlessDisplay(1024, 768, 60);
        EXPECT_EQ(zv_test::LiveD3D9Objects(), baseline_);
    }

    D3DPRESENT_PARAMETERS Params(UINT width = 80, UINT height = 60,
                                 D3DFORMAT format = D3DFMT_UNKNOWN) {
        D3DPRESENT_PARAMETERS p = {};
        p.BackBufferWidth = width;
        p.BackBufferHeight = height;
        p.BackBufferFormat = format;
        p.BackBufferCount = 1;
        p.SwapEffect = D3DSWAPEFFECT_COPY;
        p.hDeviceWindow = child_;
        p.Windowed = TRUE;
        p.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
        p.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
        return p;
    }
    HRESULT Create(D3DPRESENT_PARAMETERS* p,
                   DWORD flags = D3DCREATE_FPU_PRESERVE | D3DCREATE_HARDWARE_VERTEXPROCESSING) {
        return d3d_->CreateDevice(0, D3DDEVTYPE_HAL, child_, flags, p, &device_);
    }
    IDirect3DSurface9* BackBuffer() {
        IDirect3DSurface9* bb = nullptr;
        EXPECT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
        return bb;
    }
    // Fills the back buffer (32-bit) so that each pixel tells where it is.
    void PaintCoordinates() {
        IDirect3DSurface9* bb = BackBuffer();
        D3DLOCKED_RECT lr;
        ASSERT_EQ(bb->LockRect(&lr, nullptr, 0), D3D_OK);
        D3DSURFACE_DESC d;
        bb->GetDesc(&d);
        for (UINT y = 0; y < d.Height; ++y)
            for (UINT x = 0; x < d.Width; ++x)
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch)[x] =
                    (x << 8) | y;
        bb->UnlockRect();
        bb->Release();
    }

    int baseline_ = 0;
    HWND top_ = nullptr, child_ = nullptr;
    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
};

// ---- The object and the adapter ------------------------------------------------------------

TEST_F(D3D9Test, LoadedByNameAndRefusesOtherSdkVersions) {
    zv_test::Kernel32Reset reset;
    HMODULE module = LoadLibraryA("d3d9.dll");
    ASSERT_NE(module, nullptr);
    auto create = reinterpret_cast<IDirect3D9*(WINAPI*)(UINT)>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "Direct3DCreate9")));
    ASSERT_NE(create, nullptr);
    EXPECT_EQ(create(31), nullptr);
    IDirect3D9* d3d = create(32);
    ASSERT_NE(d3d, nullptr);
    EXPECT_EQ(d3d->Release(), 0u);
    FreeLibrary(module);

    zv_test::HideModule("d3d9.dll");
    EXPECT_EQ(LoadLibraryA("d3d9.dll"), nullptr);
}

TEST_F(D3D9Test, AdapterDescribesTheHostDisplay) {
    D3DDISPLAYMODE mode = {};
    ASSERT_EQ(d3d_->GetAdapterDisplayMode(0, &mode), D3D_OK);
    EXPECT_EQ(mode.Width, 1024u);
    EXPECT_EQ(mode.Height, 768u);
    EXPECT_EQ(mode.RefreshRate, 60u);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
    EXPECT_GT(d3d_->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 0u);
    EXPECT_GT(d3d_->GetAdapterModeCount(0, D3DFMT_R5G6B5), 0u);
    EXPECT_EQ(d3d_->GetAdapterModeCount(0, D3DFMT_X1R5G5B5), 0u);
    EXPECT_EQ(d3d_->GetAdapterModeCount(1, D3DFMT_X8R8G8B8), 0u);
    // Modes enumerate within the count and never beyond the display.
    UINT count = d3d_->GetAdapterModeCount(0, D3DFMT_R5G6B5);
    for (UINT i = 0; i < count; ++i) {
        ASSERT_EQ(d3d_->EnumAdapterModes(0, D3DFMT_R5G6B5, i, &mode), D3D_OK);
        EXPECT_LE(mode.Width, 1024u);
        EXPECT_EQ(mode.Format, D3DFMT_R5G6B5);
    }
    EXPECT_EQ(d3d_->EnumAdapterModes(0, D3DFMT_R5G6B5, count, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d_->GetAdapterDisplayMode(0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d_->GetAdapterDisplayMode(1, &mode), D3DERR_INVALIDCALL);

    D3DCAPS9 caps;
    ASSERT_EQ(d3d_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    zv_test::SetD3D9HardwareVertexProcessing(false);
    ASSERT_EQ(d3d_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_FALSE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
}

TEST_F(D3D9Test, WithoutADisplayTheAdapterOffersNothing) {
    zv_test::SetHeadlessDisplay(0, 0, 0);
    for (D3DFORMAT f : {D3DFMT_X1R5G5B5, D3DFMT_R5G6B5, D3DFMT_X8R8G8B8})
        EXPECT_EQ(d3d_->GetAdapterModeCount(0, f), 0u);
    D3DDISPLAYMODE mode;
    EXPECT_NE(d3d_->GetAdapterDisplayMode(0, &mode), D3D_OK);
    D3DPRESENT_PARAMETERS p = Params();
    EXPECT_NE(Create(&p), D3D_OK);
    EXPECT_EQ(device_, nullptr);
}

TEST_F(D3D9Test, TestsCanOfferOtherFormats) {
    zv_test::SetD3D9DisplayFormat(D3DFMT_R5G6B5);
    zv_test::SetD3D9ModeCounts(0, 3, 0);
    D3DDISPLAYMODE mode;
    ASSERT_EQ(d3d_->GetAdapterDisplayMode(0, &mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_R5G6B5);
    EXPECT_EQ(d3d_->GetAdapterModeCount(0, D3DFMT_R5G6B5), 3u);
    EXPECT_EQ(d3d_->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 0u);
    D3DPRESENT_PARAMETERS p = Params();
    ASSERT_EQ(Create(&p), D3D_OK);
    EXPECT_EQ(p.BackBufferFormat, D3DFMT_R5G6B5);
}

// ---- Devices ---------------------------------------------------------------------------------

TEST_F(D3D9Test, CreateDeviceValidatesItsArguments) {
    D3DPRESENT_PARAMETERS p = Params();
    IDirect3DDevice9* out = reinterpret_cast<IDirect3DDevice9*>(0x1234);
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, child_, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                 nullptr, &out),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(out, nullptr);  // the out pointer is cleared even on failure
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, child_, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p,
                                 nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d_->CreateDevice(1, D3DDEVTYPE_HAL, child_, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p,
                                 &out),
              D3DERR_INVALIDCALL);
    // No vertex processing, or two kinds at once.
    EXPECT_EQ(Create(&p, D3DCREATE_FPU_PRESERVE), D3DERR_INVALIDCALL);
    EXPECT_EQ(Create(&p, D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING),
              D3DERR_INVALIDCALL);
    // A window that does not exist.
    D3DPRESENT_PARAMETERS bad = Params();
    bad.hDeviceWindow = reinterpret_cast<HWND>(0xDEAD0);
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, reinterpret_cast<HWND>(0xDEAD0),
                                 D3DCREATE_SOFTWARE_VERTEXPROCESSING, &bad, &out),
              D3DERR_INVALIDCALL);
    // Full screen is not offered.
    bad = Params();
    bad.Windowed = FALSE;
    EXPECT_EQ(Create(&bad), D3DERR_NOTAVAILABLE);
    // Hardware vertex processing needs the caps.
    zv_test::SetD3D9HardwareVertexProcessing(false);
    EXPECT_EQ(Create(&p), D3DERR_INVALIDCALL);
    zv_test::FailD3D9Call(zv_test::D3D9Call::kCreateDevice);
    EXPECT_EQ(Create(&p, D3DCREATE_SOFTWARE_VERTEXPROCESSING), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_, nullptr);
    EXPECT_EQ(Create(&p, D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE), D3D_OK);
}

TEST_F(D3D9Test, CreateDeviceFillsInWhatItDerives) {
    D3DPRESENT_PARAMETERS p = Params(0, 0, D3DFMT_UNKNOWN);
    p.BackBufferCount = 0;
    ASSERT_EQ(Create(&p), D3D_OK);
    // The child's client area gives the size, the display the format.
    EXPECT_EQ(p.BackBufferWidth, 80u);
    EXPECT_EQ(p.BackBufferHeight, 60u);
    EXPECT_EQ(p.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(p.BackBufferCount, 1u);
    zv_test::D3D9DeviceInfo info;
    ASSERT_TRUE(zv_test::GetD3D9DeviceInfo(device_, &info));
    EXPECT_EQ(info.focus_window, child_);
    EXPECT_EQ(info.behavior_flags,
              DWORD(D3DCREATE_FPU_PRESERVE | D3DCREATE_HARDWARE_VERTEXPROCESSING));
    EXPECT_EQ(zv_test::LastD3D9Device(), device_);
}

// ---- Surfaces --------------------------------------------------------------------------------

TEST_F(D3D9Test, ClearFillsTheRenderTargetInItsFormat) {
    zv_test::SetD3D9DisplayFormat(D3DFMT_R5G6B5);
    D3DPRESENT_PARAMETERS p = Params(16, 8);
    ASSERT_EQ(Create(&p), D3D_OK);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 255, 255), 0.0f, 0),
              D3D_OK);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0),
              D3DERR_INVALIDCALL);  // no depth buffer
    D3DRECT one = {1, 1, 3, 2};
    EXPECT_EQ(device_->Clear(1, &one, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 255, 0), 0.0f, 0), D3D_OK);
    EXPECT_EQ(device_->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 0.0f, 0), D3DERR_INVALIDCALL);
    IDirect3DSurface9* bb = BackBuffer();
    D3DLOCKED_RECT lr;
    ASSERT_EQ(bb->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    auto at = [&](int x, int y) {
        return reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch)[x];
    };
    EXPECT_EQ(at(0, 0), 0xFFFF);
    EXPECT_EQ(at(1, 1), 0x07E0);
    EXPECT_EQ(at(2, 1), 0x07E0);
    EXPECT_EQ(at(3, 1), 0xFFFF);
    bb->UnlockRect();
    bb->Release();
}

// Direct3D dereferences the interfaces it is given; our device checks them instead.
TEST_F(D3D9Test, ForeignSurfacesAreRefused) {
    D3DPRESENT_PARAMETERS p = Params();
    ASSERT_EQ(Create(&p), D3D_OK);
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(device_->CreateRenderTarget(8, 4, D3DFMT_X1R5G5B5, D3DMULTISAMPLE_NONE, 0, TRUE,
                                          &target, nullptr),
              D3D_OK);
    D3DLOCKED_RECT lr;
    IDirect3DSurface9* garbage = reinterpret_cast<IDirect3DSurface9*>(&lr);
    EXPECT_EQ(device_->SetRenderTarget(0, garbage), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->UpdateSurface(garbage, nullptr, target, nullptr), D3DERR_INVALIDCALL);
    target->Release();
}

// ---- Presentation ----------------------------------------------------------------------------

TEST_F(D3D9Test, PresentCopiesOneToOneAndWaitsForTheRetrace) {
    D3DPRESENT_PARAMETERS p = Params();
    ASSERT_EQ(Create(&p), D3D_OK);
    PaintCoordinates();
    uint64_t before = zv_test::VirtualClockMs();
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    uint64_t after = zv_test::VirtualClockMs();
    EXPECT_GE(after, before);
    EXPECT_LE(after - before, 17u);  // at most one 60 Hz period
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_GE(zv_test::VirtualClockMs() - after, 16u);  // the next present waits a whole period

    zv_test::D3D9Frame frame;
    ASSERT_TRUE(zv_test::LastD3D9Frame(device_, &frame));
    ASSERT_EQ(frame.width, 80);
    ASSERT_EQ(frame.height, 60);
    EXPECT_EQ(frame.window, child_);
    for (int y = 0; y < 60; y += 7)
        for (int x = 0; x < 80; x += 9)
            EXPECT_EQ(frame.pixels[y * 80 + x], uint32_t((x << 8) | y));

    // The frame reached the window: the child sits at (10, 20) in the top-level client area.
    zv_test::HostFrame host;
    ASSERT_TRUE(zv_test::LastPresentedFrame(top_, &host));
    ASSERT_EQ(host.width, 200);
    EXPECT_EQ(host.pixels[(20 + 5) * 200 + 10 + 7], uint32_t((7 << 8) | 5));
    EXPECT_EQ(host.pixels[(20 + 59) * 200 + 10 + 79], uint32_t((79 << 8) | 59));
}

TEST_F(D3D9Test, PresentScalesTheSourceOntoTheDestination) {
    D3DPRESENT_PARAMETERS p = Params();
    ASSERT_EQ(Create(&p), D3D_OK);
    PaintCoordinates();
    RECT src = {0, 0, 40, 30}, dst = {0, 0, 80, 60};
    ASSERT_EQ(device_->Present(&src, &dst, nullptr, nullptr), D3D_OK);
    zv_test::D3D9Frame frame;
    ASSERT_TRUE(zv_test::LastD3D9Frame(device_, &frame));
    ASSERT_EQ(frame.width, 80);
    // Twice the size: each source pixel covers a 2 x 2 block.
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
            ASSERT_EQ(frame.pixels[y * 80 + x], uint32_t(((x / 2) << 8) | (y / 2)));
    // Half the size: every other pixel.
    RECT whole = {0, 0, 80, 60}, half = {0, 0, 40, 30};
    ASSERT_EQ(device_->Present(&whole, &half, nullptr, nullptr), D3D_OK);
    ASSERT_TRUE(zv_test::LastD3D9Frame(device_, &frame));
    ASSERT_EQ(frame.width, 40);
    EXPECT_EQ(frame.pixels[3 * 40 + 5], uint32_t((11 << 8) | 7));
    RECT beyond = {0, 0, 81, 60};
    EXPECT_EQ(device_->Present(&beyond, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Present(nullptr, nullptr, reinterpret_cast<HWND>(0xBAD0), nullptr),
              D3DERR_INVALIDCALL);
}

TEST_F(D3D9Test, SixteenBitBackBuffersArePresentedAsColours) {
    zv_test::SetD3D9DisplayFormat(D3DFMT_R5G6B5);
    D3DPRESENT_PARAMETERS p = Params(4, 2);
    ASSERT_EQ(Create(&p), D3D_OK);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 255, 255), 0.0f, 0);
    D3DRECT left = {0, 0, 2, 2};
    device_->Clear(1, &left, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 0, 0), 0.0f, 0);
    RECT dst = {0, 0, 4, 2};
    ASSERT_EQ(device_->Present(nullptr, &dst, nullptr, nullptr), D3D_OK);
    zv_test::D3D9Frame frame;
    ASSERT_TRUE(zv_test::LastD3D9Frame(device_, &frame));
    EXPECT_EQ(frame.pixels[0], 0xFF0000u);
    EXPECT_EQ(frame.pixels[3], 0xFFFFFFu);
}

TEST_F(D3D9Test, ImmediatePresentationDoesNotWait) {
    D3DPRESENT_PARAMETERS p = Params();
    p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    ASSERT_EQ(Create(&p), D3D_OK);
    uint64_t before = zv_test::VirtualClockMs();
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(zv_test::VirtualClockMs(), before);
}

// ---- Lost devices ------------------------------------------------------------------------------

TEST_F(D3D9Test, ALostDeviceComesBackThroughReset) {
    D3DPRESENT_PARAMETERS p = Params();
    ASSERT_EQ(Create(&p), D3D_OK);
    ASSERT_TRUE(zv_test::ScriptCooperativeLevel(
        device_, {{D3DERR_DEVICELOST, 40}, {D3DERR_DEVICENOTRESET, 0}}));
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(device_->Reset(&p), D3DERR_DEVICELOST);
    Sleep(41);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    // A held back buffer blocks the reset, as it does in Direct3D.
    IDirect3DSurface9* bb = BackBuffer();
    EXPECT_EQ(device_->Reset(&p), D3DERR_INVALIDCALL);
    bb->Release();
    // So does any resource of the default pool; other pools do not matter.
    IDirect3DSurface9 *target = nullptr, *system = nullptr;
    ASSERT_EQ(device_->CreateRenderTarget(4, 4, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE,
                                          &target, nullptr),
              D3D_OK);
    ASSERT_EQ(device_->CreateOffscreenPlainSurface(4, 4, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                                   &system, nullptr),
              D3D_OK);
    EXPECT_EQ(device_->Reset(&p), D3DERR_INVALIDCALL);
    target->Release();
    zv_test::FailD3D9Call(zv_test::D3D9Call::kReset);
    EXPECT_EQ(device_->Reset(&p), D3DERR_INVALIDCALL);
    ASSERT_EQ(device_->Reset(&p), D3D_OK);
    system->Release();
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    zv_test::D3D9DeviceInfo info;
    ASSERT_TRUE(zv_test::GetD3D9DeviceInfo(device_, &info));
    EXPECT_EQ(info.reset_count, 1u);
    EXPECT_EQ(info.present_count, 1u);
}

TEST_F(D3D9Test, ScriptsEndInAWorkingDevice) {
    D3DPRESENT_PARAMETERS p = Params();
    ASSERT_EQ(Create(&p), D3D_OK);
    ASSERT_TRUE(zv_test::ScriptCooperativeLevel(
        device_, {{D3DERR_DEVICELOST, 5}, {D3DERR_DRIVERINTERNALERROR, 5}}));
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICELOST);
    Sleep(6);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DRIVERINTERNALERROR);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DRIVERINTERNALERROR);
    Sleep(5);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
    EXPECT_FALSE(zv_test::ScriptCooperativeLevel(reinterpret_cast<IDirect3DDevice9*>(&p), {}));
}

}  // namespace
