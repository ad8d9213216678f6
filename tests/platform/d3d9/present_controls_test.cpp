// What Present puts into the window: copied one to one or scaled, waiting for the retrace
// or not, 16-bit back buffers as colours. Read back from the headless host's frames, the
// pixels are the same whether or not the device keeps its own copy of the frame for the
// tests (on a real display it does not, and the frame goes straight into the window's
// pixels).
#include <zorvane_test/d3d9.h>
#include <zorvane_test/host.h>

#include <cstdint>

#include "d3d9_controls_fixture.h"

namespace {

constexpr uint32_t kBackground = 0x123456;

// A 200 x 100 popup whose client area starts as kBackground, with an 80 x 60 "STATIC"
// child at (150, 20): its right 30 columns lie beyond the top-level window's edge.
class PresentTest : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        zv_test::SetHeadlessDisplay(1024, 768, 60);
        zv_test::ResetD3D9Adapter();
        zv_test::RecordD3D9Frames(GetParam());
        zv_support::RegisterTestClass("PresentTestWindow");
        top_ = zv_support::MakeTestWindow("PresentTestWindow", WS_POPUP | WS_VISIBLE, 200, 100);
        ASSERT_NE(top_, nullptr);
        HDC dc = GetDC(top_);
        RECT all = {0, 0, 200, 100};
        HBRUSH brush = CreateSolidBrush(RGB(0x12, 0x34, 0x56));
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        ReleaseDC(top_, dc);
        child_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 150, 20, 80, 60, top_,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(child_, nullptr);
        Drain();
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d_, nullptr);
    }
    void TearDown() override {
        ReleaseDirect3D(device_, d3d_);
        DestroyWindow(top_);
        zv_test::RecordD3D9Frames(true);
        zv_test::ResetD3D9Adapter();
    }
    // Paints no window again: what the host shows afterwards is what Present wrote.
    void Drain() {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_PAINT)
                ValidateRect(m.hwnd, nullptr);
            else
                DispatchMessageA(&m);
        }
    }
    void Create(UINT width, UINT height) {
        D3DPRESENT_PARAMETERS p = zv_support::WindowedParams(child_, width, height, D3DFMT_UNKNOWN,
                                                             D3DPRESENT_INTERVAL_IMMEDIATE);
        ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, child_, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                     &p, &device_),
                  D3D_OK);
    }
    // Each pixel names its own coordinates, under a top byte that is not colour.
    void PaintCoordinates() { ::PaintCoordinates(device_, 0xFF000000u); }
    zv_test::HostFrame Shown() {
        zv_test::HostFrame frame;
        EXPECT_TRUE(zv_test::LastPresentedFrame(top_, &frame));
        EXPECT_EQ(frame.width, 200);
        EXPECT_EQ(frame.height, 100);
        return frame;
    }

    HWND top_ = nullptr, child_ = nullptr;
    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
};

TEST_P(PresentTest, OneToOneFillsTheVisiblePartOfTheChildAndNothingElse) {
    Create(80, 60);
    PaintCoordinates();
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    zv_test::HostFrame f = Shown();
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            bool in_child = x >= 150 && y >= 20 && y < 80;
            uint32_t want = in_child ? uint32_t(((x - 150) << 8) | (y - 20)) : kBackground;
            ASSERT_EQ(f.pixels[size_t(y) * 200 + x], want) << x << "," << y;
        }
}

TEST_P(PresentTest, StretchingClipsToTheChildAndSamplesUnderEachPixelCentre) {
    Create(40, 30);
    PaintCoordinates();
    // A destination larger than the child on every side: what lies outside its client
    // area is not drawn, and what lies inside keeps the mapping of the whole rectangle.
    RECT source = {5, 3, 40, 30}, dest = {-10, -7, 97, 70};
    ASSERT_EQ(device_->Present(&source, &dest, nullptr, nullptr), D3D_OK);
    zv_test::HostFrame f = Shown();
    const int64_t sw = 35, sh = 27, dw = 107, dh = 77;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            uint32_t want = kBackground;
            if (x >= 150 && y >= 20 && y < 80) {
                int64_t cx = x - 150 - dest.left, cy = y - 20 - dest.top;
                int64_t sx = source.left + ((2 * cx + 1) * sw) / (2 * dw);
                int64_t sy = source.top + ((2 * cy + 1) * sh) / (2 * dh);
                want = uint32_t((sx << 8) | sy);
            }
            ASSERT_EQ(f.pixels[size_t(y) * 200 + x], want) << x << "," << y;
        }
}

TEST_P(PresentTest, SixteenBitFramesReachTheWindowAsColours) {
    zv_test::SetD3D9DisplayFormat(D3DFMT_R5G6B5);
    Create(80, 60);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 255, 255), 0.0f, 0);
    D3DRECT left = {0, 0, 40, 60};
    device_->Clear(1, &left, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 0, 0), 0.0f, 0);
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    zv_test::HostFrame f = Shown();
    EXPECT_EQ(f.pixels[20 * 200 + 150], 0xFF0000u);
    EXPECT_EQ(f.pixels[79 * 200 + 189], 0xFF0000u);
    EXPECT_EQ(f.pixels[79 * 200 + 190], 0xFFFFFFu);
    EXPECT_EQ(f.pixels[19 * 200 + 150], kBackground);
}

TEST_P(PresentTest, TheRecordOfTheFrameHasPixelsOnlyWhenKept) {
    Create(80, 60);
    PaintCoordinates();
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    zv_test::D3D9Frame frame;
    ASSERT_TRUE(zv_test::LastD3D9Frame(device_, &frame));
    EXPECT_EQ(frame.width, 80);
    EXPECT_EQ(frame.height, 60);
    EXPECT_EQ(frame.window, child_);
    EXPECT_EQ(frame.dest.right, 80);
    if (GetParam()) {
        ASSERT_EQ(frame.pixels.size(), 80u * 60u);
        EXPECT_EQ(frame.pixels[59 * 80 + 79], uint32_t((79 << 8) | 59));  // also beyond the top
    } else {
        EXPECT_TRUE(frame.pixels.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Record, PresentTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Kept" : "NotKept";
                         });

TEST_F(D3D9Test, PresentCopiesOneToOneAndWaitsForTheRetrace) {
    D3DPRESENT_PARAMETERS p = Params();
    ASSERT_EQ(Create(&p), D3D_OK);
    PaintCoordinates();
    uint64_t before = zv_test::VirtualClockMs();
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    uint64_t after = zv_test::VirtualClockMs();
    EXPECT_GE(after, before);
    EXPECT_LE(after - before, 17u);  // at most one 60 Hz period
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_GE(zv_test::VirtualClockMs() - after, 16u);  // the next present waits a whole period

    zv_test::D3D9Frame frame;
    ASSERT_TRUE(zv_test::LastD3D9Frame(device_, &frame));
    ASSERT_EQ(frame.width, 80);
    ASSERT_EQ(frame.height, 60);
    EXPECT_EQ(frame.window, child_);
    for (int y = 0; y < 60; y += 7)
        for (int x = 0; x < 80; x += 9)
            EXPECT_EQ(frame.pixels[y * 80 + x], uint32_t((x << 8) | y));

    // The frame reached the window: the child sits at (10, 20) in the top-level client area.
    zv_test::HostFrame host;
    ASSERT_TRUE(zv_test::LastPresentedFrame(top_, &host));
    ASSERT_EQ(host.width, 200);
    EXPECT_EQ(host.pixels[(20 + 5) * 200 + 10 + 7], uint32_t((7 << 8) | 5));
    EXPECT_EQ(host.pixels[(20 + 59) * 200 + 10 + 79], uint32_t((79 << 8) | 59));
}

TEST_F(D3D9Test, PresentScalesTheSourceOntoTheDestination) {
    D3DPRESENT_PARAMETERS p = Params();
    ASSERT_EQ(Create(&p), D3D_OK);
    PaintCoordinates();
    RECT src = {0, 0, 40, 30}, dst = {0, 0, 80, 60};
    ASSERT_EQ(device_->Present(&src, &dst, nullptr, nullptr), D3D_OK);
    zv_test::D3D9Frame frame;
    ASSERT_TRUE(zv_test::LastD3D9Frame(device_, &frame));
    ASSERT_EQ(frame.width, 80);
    // Twice the size: each source pixel covers a 2 x 2 block.
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
            ASSERT_EQ(frame.pixels[y * 80 + x], uint32_t(((x / 2) << 8) | (y / 2)));
    // Half the size: every other pixel.
    RECT whole = {0, 0, 80, 60}, half = {0, 0, 40, 30};
    ASSERT_EQ(device_->Present(&whole, &half, nullptr, nullptr), D3D_OK);
    ASSERT_TRUE(zv_test::LastD3D9Frame(device_, &frame));
    ASSERT_EQ(frame.width, 40);
    EXPECT_EQ(frame.pixels[3 * 40 + 5], uint32_t((11 << 8) | 7));
    RECT beyond = {0, 0, 81, 60};
    EXPECT_EQ(device_->Present(&beyond, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Present(nullptr, nullptr, reinterpret_cast<HWND>(0xBAD0), nullptr),
              D3DERR_INVALIDCALL);
}

TEST_F(D3D9Test, SixteenBitBackBuffersArePresentedAsColours) {
    zv_test::SetD3D9DisplayFormat(D3DFMT_R5G6B5);
    D3DPRESENT_PARAMETERS p = Params(4, 2);
    ASSERT_EQ(Create(&p), D3D_OK);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 255, 255), 0.0f, 0);
    D3DRECT left = {0, 0, 2, 2};
    device_->Clear(1, &left, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 0, 0), 0.0f, 0);
    RECT dst = {0, 0, 4, 2};
    ASSERT_EQ(device_->Present(nullptr, &dst, nullptr, nullptr), D3D_OK);
    zv_test::D3D9Frame frame;
    ASSERT_TRUE(zv_test::LastD3D9Frame(device_, &frame));
    EXPECT_EQ(frame.pixels[0], 0xFF0000u);
    EXPECT_EQ(frame.pixels[3], 0xFFFFFFu);
}

TEST_F(D3D9Test, ImmediatePresentationDoesNotWait) {
    D3DPRESENT_PARAMETERS p = Params();
    p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    ASSERT_EQ(Create(&p), D3D_OK);
    uint64_t before = zv_test::VirtualClockMs();
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(zv_test::VirtualClockMs(), before);
}

}  // namespace
