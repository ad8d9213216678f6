// A drawing target over a pixel buffer, standing in for the screen's back buffer: its
// device context is a buffer DC that it gives up (deletes) for direct pixel access and
// makes again on demand, as the screen gives its surface DC back to lock the surface.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <zorvane_test/gdi32.h>
#include <zorvane_test/kernel32.h>

#include "drawing/drawing_context.h"
#include "drawing/images.h"
#include "gdi_buffer_dc.h"
#include "runtime/heaps.h"

#include <cstring>
#include <vector>

struct SurfaceTarget {
    int w, h;
    int bytes_pp;
    int32_t format;
    std::vector<uint8_t> pixels;
    HDC dc = nullptr;
    bool locked = false;
    int get_dc_calls = 0, get_buffer_calls = 0;
    std::vector<int32_t> releases;  // completed flags, in order

    static SurfaceTarget*& Current() {
        static SurfaceTarget* t = nullptr;
        return t;
    }

    SurfaceTarget(int width, int height, int32_t fmt = PIXEL_FORMAT_32)
        : w(width), h(height), format(fmt) {
        bytes_pp = fmt == PIXEL_FORMAT_32 ? 4 : fmt == PIXEL_FORMAT_8 ? 1 : 2;
        pixels.assign(size_t(w) * size_t(h) * size_t(bytes_pp), 0);
        Current() = this;
    }
    ~SurfaceTarget() {
        if (dc) DeleteDC(dc);
        Current() = nullptr;
    }

    zv::PixelBuffer Buffer() {
        zv::PixelBuffer b;
        b.bits = pixels.data();
        b.pitch = w * bytes_pp;
        b.width = w;
        b.height = h;
        b.format = format == PIXEL_FORMAT_32   ? zv::BufferFormat::X8R8G8B8
                   : format == PIXEL_FORMAT_16 ? zv::BufferFormat::R5G6B5
                   : format == PIXEL_FORMAT_15 ? zv::BufferFormat::X1R5G5B5
                                               : zv::BufferFormat::P8;
        return b;
    }
    HDC MakeDc() {
        if (!dc) dc = zv::CreateBufferDC(Buffer());
        return dc;
    }

    static HDC GetDc(DrawingContext*) {
        SurfaceTarget* t = Current();
        ++t->get_dc_calls;
        t->locked = false;
        return t->MakeDc();
    }
    static void* GetBuffer(DrawingContext*, int32_t* pitch) {
        SurfaceTarget* t = Current();
        ++t->get_buffer_calls;
        if (t->dc) DeleteDC(t->dc);
        t->dc = nullptr;
        t->locked = true;
        *pitch = t->w * t->bytes_pp;
        return t->pixels.data();
    }
    static void Release(DrawingContext*, int32_t completed) {
        SurfaceTarget* t = Current();
        t->releases.push_back(completed);
        if (t->dc) DeleteDC(t->dc);
        t->dc = nullptr;
        t->locked = false;
    }

    // A GDI context on this target, as the screen's drawing target makes one.
    DrawingContext* NewContext(int32_t kind = DRAWING_TARGET_SURFACE) {
        DrawingContext* c = DrawingContext_NewGdi();
        if (!c) return nullptr;
        c->kind = kind;
        c->hdc = MakeDc();
        c->buffer = nullptr;
        c->buffer_format = format;
        c->get_dc = &GetDc;
        c->get_buffer = &GetBuffer;
        c->grab_32_as_24 = 1;
        c->width = w;
        c->height = h;
        c->depth = bytes_pp * 8;
        c->release = &Release;
        return c;
    }

    uint32_t At(int x, int y) const {
        uint32_t v = 0;
        memcpy(&v, pixels.data() + (size_t(y) * size_t(w) + size_t(x)) * size_t(bytes_pp),
               size_t(bytes_pp));
        return bytes_pp == 4 ? (v & 0xFFFFFF) : v;
    }
    int Count(uint32_t v) const {
        int n = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                n += At(x, y) == v;
        return n;
    }
};

// The runtime's heap for the drawing layer, and checks that a test gives back every GDI
// object and DC it made.
class DrawingTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(Runtime_CreateHeap(), nullptr);
        DrawingContext_Init();
        objects_ = zv_test::LiveGdiObjectCount();
        dcs_ = zv_test::LiveDcCount();
    }
    void TearDown() override {
        EXPECT_EQ(Drawing_Current, nullptr);
        EXPECT_EQ(zv_test::LiveGdiObjectCount(), objects_);
        EXPECT_EQ(zv_test::LiveDcCount(), dcs_);
        Runtime_DestroyHeap();
    }
    size_t objects_ = 0, dcs_ = 0;
};
