// Present with whole surfaces or rectangles of them.
#include "d3d9_fixture.h"

namespace {

TEST_F(D3D9Test, PresentTakesWholeSurfacesOrRectanglesOfThem) {
    D3DPRESENT_PARAMETERS p = Params();
    ASSERT_EQ(Create(&p), D3D_OK);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 255), 0.0f, 0);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    RECT src = {0, 0, 40, 30}, dst = {0, 0, 80, 60};
    EXPECT_EQ(device_->Present(&src, &dst, nullptr, nullptr), D3D_OK);
    RECT whole = {0, 0, 80, 60}, half = {0, 0, 40, 30};
    EXPECT_EQ(device_->Present(&whole, &half, nullptr, nullptr), D3D_OK);
    // Presenting copies the back buffer: with D3DSWAPEFFECT_COPY its contents stay.
    EXPECT_EQ(BackBufferPixel(79, 59), 0x0000FFu);
    // The back buffer cannot be presented while GDI holds it.
    IDirect3DSurface9* bb = BackBuffer();
    HDC dc = nullptr;
    ASSERT_EQ(bb->GetDC(&dc), D3D_OK);
    EXPECT_NE(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    bb->ReleaseDC(dc);
    bb->Release();
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

}  // namespace
