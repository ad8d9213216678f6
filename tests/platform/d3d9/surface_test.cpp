// Surfaces: the back buffer's device context and locks, render targets, textures and
// uploads.
#include <cstring>

#include "d3d9_fixture.h"

namespace {

TEST_F(D3D9Test, BackBufferGivesEitherADeviceContextOrALock) {
    D3DPRESENT_PARAMETERS p = Params();
    ASSERT_EQ(Create(&p), D3D_OK);
    IDirect3DSurface9* bb = BackBuffer();
    HDC dc = nullptr;
    ASSERT_EQ(bb->GetDC(&dc), D3D_OK);
    ASSERT_NE(dc, nullptr);
    D3DLOCKED_RECT lr;
    HDC second;
    EXPECT_EQ(bb->GetDC(&second), D3DERR_INVALIDCALL);
    EXPECT_EQ(bb->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);

    // GDI draws into the surface's memory.
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT r = {2, 3, 6, 5};
    FillRect(dc, &r, red);
    DeleteObject(red);
    EXPECT_EQ(bb->ReleaseDC(reinterpret_cast<HDC>(0x4444)), D3DERR_INVALIDCALL);
    ASSERT_EQ(bb->ReleaseDC(dc), D3D_OK);
    EXPECT_EQ(bb->ReleaseDC(dc), D3DERR_INVALIDCALL);

    ASSERT_EQ(bb->LockRect(&lr, nullptr, 0), D3D_OK);
    EXPECT_GE(lr.Pitch, 80 * 4);
    auto at = [&](int x, int y) { return LockedRow<uint32_t>(lr, y)[x] & 0xFFFFFF; };
    EXPECT_EQ(at(2, 3), 0xFF0000u);
    EXPECT_EQ(at(5, 4), 0xFF0000u);
    EXPECT_EQ(at(6, 4), 0u);
    EXPECT_EQ(bb->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(bb->UnlockRect(), D3D_OK);
    EXPECT_EQ(bb->UnlockRect(), D3DERR_INVALIDCALL);
    // A sub-rectangle starts at its own first pixel; rectangles outside are refused.
    RECT sub = {4, 2, 10, 8};
    D3DLOCKED_RECT whole, part;
    ASSERT_EQ(bb->LockRect(&whole, nullptr, D3DLOCK_READONLY), D3D_OK);
    bb->UnlockRect();
    ASSERT_EQ(bb->LockRect(&part, &sub, 0), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(part.pBits),
              static_cast<uint8_t*>(whole.pBits) + 2 * whole.Pitch + 16);
    bb->UnlockRect();
    RECT outside = {70, 50, 90, 70};
    EXPECT_EQ(bb->LockRect(&part, &outside, 0), D3DERR_INVALIDCALL);
    bb->Release();
}

TEST_F(D3D9Test, ANonLockableBackBufferRefusesBoth) {
    D3DPRESENT_PARAMETERS p = Params();
    p.Flags = 0;
    ASSERT_EQ(Create(&p), D3D_OK);
    IDirect3DSurface9* bb = BackBuffer();
    HDC dc;
    D3DLOCKED_RECT lr;
    EXPECT_EQ(bb->GetDC(&dc), D3DERR_INVALIDCALL);
    EXPECT_EQ(bb->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);
    bb->Release();
}

TEST_F(D3D9Test, RenderTargetsTexturesAndUploads) {
    D3DPRESENT_PARAMETERS p = Params();
    ASSERT_EQ(Create(&p), D3D_OK);
    IDirect3DSurface9 *target = nullptr, *system = nullptr;
    ASSERT_EQ(device_->CreateRenderTarget(8, 4, D3DFMT_X1R5G5B5, D3DMULTISAMPLE_NONE, 0, TRUE,
                                          &target, nullptr),
              D3D_OK);
    ASSERT_EQ(device_->CreateOffscreenPlainSurface(8, 4, D3DFMT_X1R5G5B5, D3DPOOL_SYSTEMMEM,
                                                   &system, nullptr),
              D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(system->LockRect(&lr, nullptr, 0), D3D_OK);
    std::memset(lr.pBits, 0x7C, size_t(lr.Pitch) * 4);
    system->UnlockRect();
    // Uploads go from system memory to the default pool only.
    EXPECT_EQ(device_->UpdateSurface(target, nullptr, system, nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(device_->UpdateSurface(system, nullptr, target, nullptr), D3D_OK);
    ASSERT_EQ(target->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(lr.pBits)[3], 0x7C);
    target->UnlockRect();

    // The render target can be switched and the device keeps its own reference.
    ASSERT_EQ(device_->SetRenderTarget(0, target), D3D_OK);
    EXPECT_EQ(device_->SetRenderTarget(1, target), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetRenderTarget(0, system), D3DERR_INVALIDCALL);  // not a render target
    EXPECT_EQ(target->Release(), 1u);
    IDirect3DSurface9* bb = BackBuffer();
    ASSERT_EQ(device_->SetRenderTarget(0, bb), D3D_OK);  // gives the old target up
    bb->Release();
    EXPECT_EQ(system->Release(), 0u);

    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(
        device_->CreateTexture(16, 8, 1, 0, D3DFMT_X1R5G5B5, D3DPOOL_MANAGED, &texture, nullptr),
        D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    ASSERT_EQ(texture->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_GE(lr.Pitch, 32);
    EXPECT_EQ(texture->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(texture->LockRect(1, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(0, &level), D3D_OK);
    EXPECT_EQ(texture->Release(), 1u);  // the level keeps its texture
    EXPECT_EQ(level->Release(), 0u);
}

}  // namespace
