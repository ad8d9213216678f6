// Direct3D 9 when the platform's own memory runs out: each method fails with the result
// Direct3D documents for it (D3DERR_OUTOFVIDEOMEMORY for CreateDevice and Reset,
// E_OUTOFMEMORY for resources and Present) at whichever of its allocations memory runs out,
// takes no reference and leaves the device as it was; releasing never needs memory.
#include <zorvane_test/d3d9.h>
#include <zorvane_test/host.h>
#include <zorvane_test/new_failures.h>

#include <functional>
#include <utility>

#include "d3d9_window_fixture.h"

namespace {

using zv_test::ForEachAllocationFailure;

ULONG RefsOf(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

class D3D9OutOfMemory : public ::testing::Test {
  protected:
    void SetUp() override {
        zv_test::SetHeadlessDisplay(1024, 768, 60);
        zv_test::ResetD3D9Adapter();
        baseline_ = zv_test::LiveD3D9Objects();
        zv_support::RegisterTestClass("D3D9OutOfMemoryWindow");
        window_ = zv_support::MakeTestWindow("D3D9OutOfMemoryWindow", WS_POPUP | WS_VISIBLE, 160,
                                             120, "d3d9");
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override {
        zv_test::ClearNewFailures();
        ReleaseDirect3D(device_, d3d_);
        DestroyWindow(window_);
        EXPECT_EQ(zv_test::LiveD3D9Objects(), baseline_);
    }
    D3DPRESENT_PARAMETERS Params(UINT width = 64, UINT height = 48) {
        return zv_support::WindowedParams(window_, width, height, D3DFMT_X8R8G8B8,
                                          D3DPRESENT_INTERVAL_IMMEDIATE);
    }
    void MakeDevice() {
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d_, nullptr);
        D3DPRESENT_PARAMETERS p = Params();
        ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, window_,
                                     D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &device_),
                  D3D_OK);
    }
    // Runs `call` through every allocation failure: each failed run returns `failure` and
    // leaves the live objects and the device's references as they were.
    void Sweep(const std::function<HRESULT()>& call, HRESULT failure, bool must_allocate = true) {
        const int live = zv_test::LiveD3D9Objects();
        const ULONG refs = device_ ? RefsOf(device_) : 0;
        HRESULT hr = D3D_OK;
        size_t runs = ForEachAllocationFailure([&] { hr = call(); },
                                               [&](bool refused) {
                                                   if (!refused) return;
                                                   EXPECT_EQ(hr, failure);
                                                   EXPECT_EQ(zv_test::LiveD3D9Objects(), live);
                                                   if (device_) {
                                                       EXPECT_EQ(RefsOf(device_), refs);
                                                   }
                                               });
        if (must_allocate) {
            EXPECT_GT(runs, 1u);
        }
        EXPECT_EQ(hr, D3D_OK);
    }

    int baseline_ = 0;
    HWND window_ = nullptr;
    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
};

TEST_F(D3D9OutOfMemory, ObjectAndDeviceCreationFailWithoutReferences) {
    const int live = zv_test::LiveD3D9Objects();
    ForEachAllocationFailure([&] { d3d_ = Direct3DCreate9(D3D_SDK_VERSION); },
                             [&](bool refused) {
                                 if (!refused) return;
                                 EXPECT_EQ(d3d_, nullptr);
                                 EXPECT_EQ(zv_test::LiveD3D9Objects(), live);
                             });
    ASSERT_NE(d3d_, nullptr);
    const ULONG refs = RefsOf(d3d_);
    D3DPRESENT_PARAMETERS p = Params();
    Sweep(
        [&] {
            HRESULT hr = d3d_->CreateDevice(0, D3DDEVTYPE_HAL, window_,
                                            D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &device_);
            if (hr != D3D_OK) {
                EXPECT_EQ(device_, nullptr);
                EXPECT_EQ(RefsOf(d3d_), refs);
                EXPECT_EQ(zv_test::LastD3D9Device(), nullptr);
            }
            return hr;
        },
        D3DERR_OUTOFVIDEOMEMORY);
    ASSERT_NE(device_, nullptr);
    EXPECT_EQ(zv_test::LastD3D9Device(), device_);
    // Letting go needs no memory.
    auto released = zv_test::RunWithoutMemory([&] {
        const ULONG device_left = std::exchange(device_, nullptr)->Release();
        return std::pair(device_left, std::exchange(d3d_, nullptr)->Release());
    });
    EXPECT_EQ(released.result, (std::pair<ULONG, ULONG>(0, 0)));
    EXPECT_EQ(released.refused, 0u);
}

TEST_F(D3D9OutOfMemory, ResourcesFailWithoutTouchingTheDevice) {
    MakeDevice();
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;
    struct Case {
        const char* call;
        std::function<HRESULT()> make;
        std::function<void()> release;
    } cases[] = {
        {"CreateTexture",
         [&] {
             return device_->CreateTexture(32, 16, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture,
                                           nullptr);
         },
         [&] { texture->Release(); }},
        {"CreateRenderTarget",
         [&] {
             return device_->CreateRenderTarget(32, 16, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0,
                                                TRUE, &surface, nullptr);
         },
         [&] { surface->Release(); }},
        {"CreateOffscreenPlainSurface",
         [&] {
             return device_->CreateOffscreenPlainSurface(32, 16, D3DFMT_R5G6B5, D3DPOOL_DEFAULT,
                                                         &surface, nullptr);
         },
         [&] { surface->Release(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        Sweep(c.make, E_OUTOFMEMORY);
        auto released = zv_test::RunWithoutMemory([&] {
            c.release();
            return true;
        });
        EXPECT_EQ(released.refused, 0u);
    }
    // Nothing of the default pool is left over from the failed runs: a reset may go on.
    D3DPRESENT_PARAMETERS p = Params();
    EXPECT_EQ(device_->Reset(&p), D3D_OK);
}

TEST_F(D3D9OutOfMemory, AResetThatRunsOutOfMemoryKeepsTheOldSwapChain) {
    MakeDevice();
    D3DPRESENT_PARAMETERS p = Params(96, 72);
    HRESULT hr = D3D_OK;
    ForEachAllocationFailure(
        [&] { hr = device_->Reset(&p); },
        [&](bool refused) {
            if (!refused) return;
            EXPECT_EQ(hr, D3DERR_OUTOFVIDEOMEMORY);
            // Still the old back buffer, and still presenting.
            IDirect3DSurface9* bb = nullptr;
            ASSERT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
            D3DSURFACE_DESC desc;
            bb->GetDesc(&desc);
            bb->Release();
            EXPECT_EQ(desc.Width, 64u);
            EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        });
    EXPECT_EQ(hr, D3D_OK);
    zv_test::D3D9DeviceInfo info;
    ASSERT_TRUE(zv_test::GetD3D9DeviceInfo(device_, &info));
    EXPECT_EQ(info.params.BackBufferWidth, 96u);
    EXPECT_EQ(info.reset_count, 1u);
}

TEST_F(D3D9OutOfMemory, APresentThatRunsOutOfMemoryFailsAndTheNextOneWorks) {
    MakeDevice();
    RECT dest = {0, 0, 150, 110};  // scaled: the columns of a new width are worked out anew
    Sweep([&] { return device_->Present(nullptr, &dest, nullptr, nullptr); }, E_OUTOFMEMORY);
    // The record of the frame is kept in two buffers that change places, so the second
    // present makes the other; from then on the same present needs nothing more.
    ASSERT_EQ(device_->Present(nullptr, &dest, nullptr, nullptr), D3D_OK);
    zv_test::FailNewAfter(0);
    const HRESULT recorded = device_->Present(nullptr, &dest, nullptr, nullptr);
    zv_test::RecordD3D9Frames(false);
    const HRESULT unrecorded = device_->Present(nullptr, &dest, nullptr, nullptr);
    const size_t refused = zv_test::ClearNewFailures();
    zv_test::RecordD3D9Frames(true);
    EXPECT_EQ(recorded, D3D_OK);
    EXPECT_EQ(unrecorded, D3D_OK);
    EXPECT_EQ(refused, 0u);
}

}  // namespace
