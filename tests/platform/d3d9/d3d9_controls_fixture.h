// The fixture of the Direct3D 9 tests that use the platform's test controls.
#pragma once

#include <d3d9.h>
#include <windows.h>
#include <zorvane_test/d3d9.h>
#include <zorvane_test/host.h>
#include <zorvane_test/kernel32.h>

#include <gtest/gtest.h>

#include <cstring>

inline LRESULT CALLBACK PlainProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
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
