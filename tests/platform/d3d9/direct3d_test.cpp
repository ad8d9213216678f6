// The Direct3D object: CreateDevice's refusals, and the references between the object,
// its device and the back buffer.
#include "d3d9_fixture.h"

namespace {

TEST_F(D3D9Test, CreateDeviceRefusesMissingArgumentsAndClearsTheOutPointer) {
    ExpectCreateDeviceRefusesMissingArguments();
    D3DPRESENT_PARAMETERS p = Params();
    ASSERT_EQ(Create(&p), D3D_OK);
}

TEST_F(D3D9Test, TheDeviceHoldsTheObjectAndTheBackBufferHoldsTheDevice) {
    D3DPRESENT_PARAMETERS p = Params();
    ASSERT_EQ(Create(&p), D3D_OK);
    IDirect3DSurface9* bb = BackBuffer();
    // Releasing the object and the device while the back buffer is held keeps all alive.
    EXPECT_EQ(d3d_->Release(), 1u);
    d3d_ = nullptr;
    device_->Release();
    device_ = nullptr;
    D3DSURFACE_DESC d;
    ASSERT_EQ(bb->GetDesc(&d), D3D_OK);
    EXPECT_EQ(d.Width, 80u);
    EXPECT_EQ(d.Usage, DWORD(D3DUSAGE_RENDERTARGET));
    IDirect3DDevice9* owner = nullptr;
    ASSERT_EQ(bb->GetDevice(&owner), D3D_OK);
    owner->Release();
    EXPECT_EQ(bb->Release(), 0u);  // the last reference: everything goes
}

}  // namespace
