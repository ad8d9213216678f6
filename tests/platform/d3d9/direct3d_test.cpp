// The Direct3D object: CreateDevice's refusals, and the references between the object,
// its device and the back buffer.
#include "d3d9_fixture.h"

namespace {

TEST_F(D3D9Test, CreateDeviceRefusesMissingArgumentsAndClearsTheOutPointer) {
    D3DPRESENT_PARAMETERS p = Params();
    IDirect3DDevice9* out = reinterpret_cast<IDirect3DDevice9*>(0x1234);
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, child_, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                 nullptr, &out),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, child_, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p,
                                 nullptr),
              D3DERR_INVALIDCALL);
    out = reinterpret_cast<IDirect3DDevice9*>(0x1234);
    EXPECT_EQ(d3d_->CreateDevice(d3d_->GetAdapterCount(), D3DDEVTYPE_HAL, child_,
                                 D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &out),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(out, nullptr);
    // No vertex processing, or two kinds at once.
    EXPECT_EQ(Create(&p, D3DCREATE_FPU_PRESERVE), D3DERR_INVALIDCALL);
    EXPECT_EQ(Create(&p, D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_, nullptr);
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
