// The set-up both kinds of Direct3D 9 test share: the windows a device is made on, the
// parameters it is made with, and its back buffer. Win32 and Direct3D 9 only, so that the
// tests that run against any Direct3D 9 can use it.
#pragma once

#include <d3d9.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

#include "support/test_window.h"
#include "support/windowed_device.h"

// Row `y` of a locked surface.
template <typename Pixel>
Pixel* LockedRow(const D3DLOCKED_RECT& lr, int y) {
    return reinterpret_cast<Pixel*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch);
}

// Fills the device's back buffer (32-bit) so that each pixel tells where it is, under
// `top_byte`, which is not colour.
inline void PaintCoordinates(IDirect3DDevice9* device, uint32_t top_byte = 0) {
    IDirect3DSurface9* bb = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    D3DLOCKED_RECT lr;
    D3DSURFACE_DESC d;
    bb->GetDesc(&d);
    if (bb->LockRect(&lr, nullptr, 0) == D3D_OK) {
        for (UINT y = 0; y < d.Height; ++y)
            for (UINT x = 0; x < d.Width; ++x)
                LockedRow<uint32_t>(lr, int(y))[x] = top_byte | (x << 8) | y;
        bb->UnlockRect();
    } else {
        ADD_FAILURE() << "the back buffer does not lock";
    }
    bb->Release();
}

// Releases what a test made, the device before the object, each its last reference.
inline void ReleaseDirect3D(IDirect3DDevice9*& device, IDirect3D9*& d3d) {
    if (device) {
        EXPECT_EQ(device->Release(), 0u);
        device = nullptr;
    }
    if (d3d) {
        EXPECT_EQ(d3d->Release(), 0u);
        d3d = nullptr;
    }
}

// A visible top-level window with a client area of 200 x 100 and a "STATIC" child of
// 80 x 60 at (10, 20) in it, the way the screen places its surface. The fixture of each
// kind makes `d3d_` after this set-up.
class D3D9WindowFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        zv_support::RegisterTestClass("D3D9TestWindow");
        top_ = zv_support::MakeTestWindow("D3D9TestWindow", WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                                          200, 100, "d3d9");
        ASSERT_NE(top_, nullptr);
        child_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 20, 80, 60, top_,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(child_, nullptr);
    }
    void TearDown() override {
        ReleaseDirect3D(device_, d3d_);
        DestroyWindow(top_);
    }

    D3DPRESENT_PARAMETERS Params(UINT width = 80, UINT height = 60,
                                 D3DFORMAT format = D3DFMT_UNKNOWN) {
        return zv_support::WindowedParams(child_, width, height, format, D3DPRESENT_INTERVAL_ONE);
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
    // The back buffer's pixel at (x, y), 32-bit formats, through a read-only lock.
    uint32_t BackBufferPixel(int x, int y) {
        IDirect3DSurface9* bb = BackBuffer();
        D3DLOCKED_RECT lr;
        uint32_t v = 0xDEADBEEF;
        if (bb->LockRect(&lr, nullptr, D3DLOCK_READONLY) == D3D_OK) {
            v = LockedRow<uint32_t>(lr, y)[x] & 0xFFFFFF;
            bb->UnlockRect();
        }
        bb->Release();
        return v;
    }
    // The refusals of CreateDevice that every Direct3D 9 makes, each clearing the out
    // pointer where there is one; no device is left made.
    void ExpectCreateDeviceRefusesMissingArguments() {
        D3DPRESENT_PARAMETERS p = Params();
        IDirect3DDevice9* out = reinterpret_cast<IDirect3DDevice9*>(0x1234);
        EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, child_, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                     nullptr, &out),
                  D3DERR_INVALIDCALL);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, child_, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                     &p, nullptr),
                  D3DERR_INVALIDCALL);
        out = reinterpret_cast<IDirect3DDevice9*>(0x1234);
        EXPECT_EQ(d3d_->CreateDevice(d3d_->GetAdapterCount(), D3DDEVTYPE_HAL, child_,
                                     D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &out),
                  D3DERR_INVALIDCALL);
        EXPECT_EQ(out, nullptr);
        // No vertex processing, or two kinds at once.
        EXPECT_EQ(Create(&p, D3DCREATE_FPU_PRESERVE), D3DERR_INVALIDCALL);
        EXPECT_EQ(
            Create(&p, D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING),
            D3DERR_INVALIDCALL);
        EXPECT_EQ(device_, nullptr);
    }

    HWND top_ = nullptr, child_ = nullptr;
    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
};
