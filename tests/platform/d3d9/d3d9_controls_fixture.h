// The fixture of the Direct3D 9 tests that use the platform's test controls: a 1024 x 768
// display at 60 Hz and the adapter as it starts, each test leaving no Direct3D object
// behind.
#pragma once

#include <zorvane_test/d3d9.h>
#include <zorvane_test/host.h>
#include <zorvane_test/kernel32.h>

#include "d3d9_window_fixture.h"

class D3D9Test : public D3D9WindowFixture {
  protected:
    void SetUp() override {
        zv_test::SetHeadlessDisplay(1024, 768, 60);
        zv_test::ResetD3D9Adapter();
        baseline_ = zv_test::LiveD3D9Objects();
        ASSERT_NO_FATAL_FAILURE(D3D9WindowFixture::SetUp());
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d_, nullptr);
    }
    void TearDown() override {
        D3D9WindowFixture::TearDown();
        zv_test::ResetD3D9Adapter();
        zv_test::SetHeadlessDisplay(1024, 768, 60);
        EXPECT_EQ(zv_test::LiveD3D9Objects(), baseline_);
    }

    void PaintCoordinates() { ::PaintCoordinates(device_); }

    int baseline_ = 0;
};
