// The fixture of the Direct3D 9 tests that run against any Direct3D 9, loaded by name as
// the screen loads it.
#pragma once

#include "d3d9_window_fixture.h"

using CreateFn = IDirect3D9*(WINAPI*)(UINT);

class D3D9Test : public D3D9WindowFixture {
  protected:
    void SetUp() override {
        module_ = LoadLibraryA("d3d9.dll");
        ASSERT_NE(module_, nullptr);
        auto create = reinterpret_cast<CreateFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(module_, "Direct3DCreate9")));
        ASSERT_NE(create, nullptr);
        ASSERT_NO_FATAL_FAILURE(D3D9WindowFixture::SetUp());
        d3d_ = create(D3D_SDK_VERSION);
        ASSERT_NE(d3d_, nullptr);
    }
    void TearDown() override {
        D3D9WindowFixture::TearDown();
        if (module_) FreeLibrary(module_);
    }

    HMODULE module_ = nullptr;
};
