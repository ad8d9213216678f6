// Device contexts over pixel memory that GDI does not own: the window system's
// top-level framebuffers and the software Direct3D 9 surfaces.
//
// A buffer DC draws straight into the caller's memory, clipped to `clip` (in buffer
// pixels, further limited to the buffer's bounds), with its logical (0, 0) at `origin`.
// The memory must stay valid until the DC is deleted (DeleteDC, or ReleaseDC for a DC
// that GetDC handed out) or re-pointed with RetargetBufferDC. Everything else about
// the DC (selected objects, colours, ROP2, current position) behaves as for any DC.
#pragma once

#include <windows.h>

#include <cstdint>

namespace zv {

enum class BufferFormat : uint8_t {
    P8,        // one byte per pixel, an index into `palette`
    X1R5G5B5,  // 16 bits
    R5G6B5,    // 16 bits
    R8G8B8,    // 24 bits, bytes B, G, R
    X8R8G8B8,  // 32 bits; GDI writes the top byte as 0
    A8R8G8B8,  // 32 bits; GDI writes the top byte as 0, AlphaBlend blends it
};

struct PixelBuffer {
    void* bits = nullptr;  // row 0 is the top row
    int32_t pitch = 0;     // bytes from one row to the next (may be negative)
    int32_t width = 0;
    int32_t height = 0;
    BufferFormat format = BufferFormat::X8R8G8B8;
    const RGBQUAD* palette = nullptr;  // 256 entries for P8; null means a grey ramp
};

// A new DC over `buffer`, or null (bad buffer: null bits with a non-empty size, negative
// size, or a pitch too small for the width). `clip` null means the whole buffer.
HDC CreateBufferDC(const PixelBuffer& buffer, const RECT* clip = nullptr, POINT origin = {0, 0});

// Points an existing buffer DC at other memory (for instance after a surface was
// locked again at another address). false for a DC that is not a buffer DC.
bool RetargetBufferDC(HDC hdc, const PixelBuffer& buffer, const RECT* clip = nullptr,
                      POINT origin = {0, 0});

}  // namespace zv
