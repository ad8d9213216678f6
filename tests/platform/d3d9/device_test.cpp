// The device: states read back and their ranges, clearing, and Reset.
#include "d3d9_fixture.h"

namespace {

TEST_F(D3D9Test, StatesReadBackAndRangesAreChecked) {
    D3DPRESENT_PARAMETERS p = Params();
    ASSERT_EQ(Create(&p), D3D_OK);
    DWORD v = 0;
    EXPECT_EQ(device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), D3D_OK);
    EXPECT_EQ(device_->GetTextureStageState(0, D3DTSS_COLOROP, &v), D3D_OK);
    EXPECT_EQ(v, DWORD(D3DTOP_SELECTARG1));
    EXPECT_EQ(device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR), D3D_OK);
    EXPECT_EQ(device_->GetSamplerState(0, D3DSAMP_MAGFILTER, &v), D3D_OK);
    EXPECT_EQ(v, DWORD(D3DTEXF_LINEAR));
    EXPECT_EQ(device_->GetRenderState(D3DRS_MULTISAMPLEANTIALIAS, &v), D3D_OK);
    EXPECT_EQ(v, DWORD(TRUE));  // Direct3D's default
    EXPECT_EQ(device_->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, FALSE), D3D_OK);
    EXPECT_EQ(device_->GetRenderState(D3DRS_MULTISAMPLEANTIALIAS, &v), D3D_OK);
    EXPECT_EQ(v, DWORD(FALSE));
    EXPECT_EQ(device_->SetTextureStageState(8, D3DTSS_COLOROP, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetSamplerState(16, D3DSAMP_MAGFILTER, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetRenderState(D3DRENDERSTATETYPE(300), 1), D3DERR_INVALIDCALL);
    // A hardware device stays in hardware mode.
    EXPECT_EQ(device_->SetSoftwareVertexProcessing(FALSE), D3D_OK);
    EXPECT_EQ(device_->SetSoftwareVertexProcessing(TRUE), D3DERR_INVALIDCALL);
    // Methods this device does not implement say so instead of crashing.
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
}

TEST_F(D3D9Test, ClearFillsTheWholeTargetOrItsRectangles) {
    D3DPRESENT_PARAMETERS p = Params(16, 8, D3DFMT_X8R8G8B8);
    ASSERT_EQ(Create(&p), D3D_OK);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 255, 255), 0.0f, 0),
              D3D_OK);
    D3DRECT one = {1, 1, 3, 2};
    EXPECT_EQ(device_->Clear(1, &one, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 255, 0), 0.0f, 0), D3D_OK);
    EXPECT_EQ(device_->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 0.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(BackBufferPixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(BackBufferPixel(1, 1), 0x00FF00u);
    EXPECT_EQ(BackBufferPixel(2, 1), 0x00FF00u);
    EXPECT_EQ(BackBufferPixel(3, 1), 0xFFFFFFu);
    EXPECT_EQ(BackBufferPixel(1, 2), 0xFFFFFFu);
}

TEST_F(D3D9Test, ResetTakesNewParametersOnceDefaultPoolResourcesAreReleased) {
    D3DPRESENT_PARAMETERS p = Params();
    ASSERT_EQ(Create(&p), D3D_OK);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
    // A held back buffer blocks the reset, as does any resource of the default pool.
    IDirect3DSurface9* bb = BackBuffer();
    D3DPRESENT_PARAMETERS bigger = Params(120, 90);
    EXPECT_EQ(device_->Reset(&bigger), D3DERR_INVALIDCALL);
    bb->Release();
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(device_->CreateRenderTarget(4, 4, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE,
                                          &target, nullptr),
              D3D_OK);
    bigger = Params(120, 90);
    EXPECT_EQ(device_->Reset(&bigger), D3DERR_INVALIDCALL);
    target->Release();
    // Resources of the system-memory pool do not matter.
    IDirect3DSurface9* system = nullptr;
    ASSERT_EQ(device_->CreateOffscreenPlainSurface(4, 4, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                                   &system, nullptr),
              D3D_OK);
    bigger = Params(120, 90);
    ASSERT_EQ(device_->Reset(&bigger), D3D_OK);
    system->Release();
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
    bb = BackBuffer();
    D3DSURFACE_DESC d;
    ASSERT_EQ(bb->GetDesc(&d), D3D_OK);
    EXPECT_EQ(d.Width, 120u);
    EXPECT_EQ(d.Height, 90u);
    bb->Release();
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

}  // namespace
