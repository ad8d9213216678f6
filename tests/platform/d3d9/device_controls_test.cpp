// Lost devices: scripted losses that come back through Reset.
#include "d3d9_controls_fixture.h"

namespace {

// Makes `device`'s cooperative level follow `phases`, the first of which holds at once.
void Script(IDirect3DDevice9* device, std::initializer_list<zv_test::D3D9Phase> phases) {
    ASSERT_TRUE(zv_test::ScriptCooperativeLevel(device, phases));
    EXPECT_EQ(device->TestCooperativeLevel(), phases.begin()->level);
}

TEST_F(D3D9Test, ALostDeviceComesBackThroughReset) {
    D3DPRESENT_PARAMETERS p = Params();
    ASSERT_EQ(Create(&p), D3D_OK);
    ASSERT_NO_FATAL_FAILURE(Script(device_, {{D3DERR_DEVICELOST, 40}, {D3DERR_DEVICENOTRESET, 0}}));
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
    ASSERT_NO_FATAL_FAILURE(
        Script(device_, {{D3DERR_DEVICELOST, 5}, {D3DERR_DRIVERINTERNALERROR, 5}}));
    Sleep(6);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DRIVERINTERNALERROR);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DRIVERINTERNALERROR);
    Sleep(5);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
    EXPECT_FALSE(zv_test::ScriptCooperativeLevel(reinterpret_cast<IDirect3DDevice9*>(&p), {}));
}

}  // namespace
