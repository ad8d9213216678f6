// Direct3D 9 as its documentation describes it, loaded by name as the screen loads it: a
// windowed device on a child window, the back buffer's device context and locks, render
// targets and textures, clearing, presenting with rectangles, and Reset.
#include <d3d9.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

LRESULT CALLBACK PlainProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

using CreateFn = IDirect3D9*(WINAPI*)(UINT);

// A visible top-level window with a client area of 200 x 100 and a "STATIC" child of
// 80 x 60 at (10, 20) in it, the way the screen places its surface.
class D3D9Test : public ::testing::Test {
  protected:
    void SetUp() override {
        module_ = LoadLibraryA("d3d9.dll");
        ASSERT_NE(module_, nullptr);
        auto create = reinterpret_cast<CreateFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(module_, "Direct3DCreate9")));
        ASSERT_NE(create, nullptr);
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
        d3d_ = create(D3D_SDK_VERSION);
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
        if (module_) FreeLibrary(module_);
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
    // The back buffer's pixel at (x, y), 32-bit formats, through a read-only lock.
    uint32_t BackBufferPixel(int x, int y) {
        IDirect3DSurface9* bb = BackBuffer();
        D3DLOCKED_RECT lr;
        uint32_t v = 0xDEADBEEF;
        if (bb->LockRect(&lr, nullptr, D3DLOCK_READONLY) == D3D_OK) {
            v = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch)[x] &
                0xFFFFFF;
            bb->UnlockRect();
        }
        bb->Release();
        return v;
    }

    HMODULE module_ = nullptr;
    HWND top_ = nullptr, child_ = nullptr;
    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
};

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
    auto at = [&](int x, int y) {
        return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch)[x] &
               0xFFFFFF;
    };
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
