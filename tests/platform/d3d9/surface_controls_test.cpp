// Surfaces: Clear in the render target's format, and foreign surfaces refused.
#include "d3d9_controls_fixture.h"

namespace {

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
    auto at = [&](int x, int y) { return LockedRow<uint16_t>(lr, y)[x]; };
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

}  // namespace
