// The Direct3D object and its adapter against a chosen display, and what CreateDevice
// checks and derives.
#include "d3d9_controls_fixture.h"

namespace {

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

TEST_F(D3D9Test, CreateDeviceValidatesItsArguments) {
    ExpectCreateDeviceRefusesMissingArguments();
    D3DPRESENT_PARAMETERS p = Params();
    IDirect3DDevice9* out = nullptr;
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

}  // namespace
