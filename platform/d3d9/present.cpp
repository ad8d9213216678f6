// Presentation: the source rectangle of the back buffer, scaled (nearest pixel) onto the
// destination rectangle of the window's client area, written straight into the window's
// pixels (which are the memory the display shows, where the host has such memory) and
// shown at once; then the wait for the next vertical retrace. A 32-bit frame at 1:1 is
// one copy, with nothing converted on the way.
#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "device.h"
#include "gdi_window_dc.h"
#include "host/host.h"

namespace zv::d3d9 {
namespace {

// 16-bit pixels to 0x00RRGGBB through a table per format, made on first use.
std::vector<uint32_t> MakeSixteenBitTable(D3DFORMAT format) {
    std::vector<uint32_t> t(65536);
    for (uint32_t v = 0; v < 65536; ++v) {
        uint16_t p = uint16_t(v);
        t[v] = PixelToRgb(format, reinterpret_cast<const uint8_t*>(&p));
    }
    return t;
}

const uint32_t* SixteenBitTable(D3DFORMAT format) {
    static const std::vector<uint32_t> r5g6b5 = MakeSixteenBitTable(D3DFMT_R5G6B5);
    static const std::vector<uint32_t> x1r5g5b5 = MakeSixteenBitTable(D3DFMT_X1R5G5B5);
    return format == D3DFMT_R5G6B5 ? r5g6b5.data() : x1r5g5b5.data();
}

// out[i] = in[i] without the top byte: 16 bytes at a time, as fast as a plain copy of the
// row (the compiler keeps a scalar loop scalar at this optimisation level).
void CopyColourBits(uint32_t* out, const uint32_t* in, size_t n) {
    typedef uint32_t Quad __attribute__((vector_size(16)));
    const Quad mask = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        Quad a, b;
        std::memcpy(&a, in + i, 16);
        std::memcpy(&b, in + i + 4, 16);
        a &= mask;
        b &= mask;
        std::memcpy(out + i, &a, 16);
        std::memcpy(out + i + 4, &b, 16);
    }
    for (; i < n; ++i)
        out[i] = in[i] & 0xFFFFFF;
}

// The same into the memory the display reads. That memory is read next by another agent
// (the display server, on another core), not by us, and by the next frame it has left
// our caches; streaming stores write it without first fetching every line of it, which
// saves about a third of the copy on a frame that arrives cold. StreamFence() must
// follow before the display is told.
void StreamColourBits(uint32_t* out, const uint32_t* in, size_t n) {
#if defined(__SSE2__)
    size_t i = 0;
    for (; i < n && (reinterpret_cast<uintptr_t>(out + i) & 15) != 0; ++i)
        out[i] = in[i] & 0xFFFFFF;
    const __m128i mask = _mm_set1_epi32(0xFFFFFF);
    for (; i + 8 <= n; i += 8) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i + 4));
        _mm_stream_si128(reinterpret_cast<__m128i*>(out + i), _mm_and_si128(a, mask));
        _mm_stream_si128(reinterpret_cast<__m128i*>(out + i + 4), _mm_and_si128(b, mask));
    }
    for (; i < n; ++i)
        out[i] = in[i] & 0xFFFFFF;
#else
    CopyColourBits(out, in, n);
#endif
}

void StreamFence() {
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

}  // namespace

HRESULT Device::Present(const RECT* src_rect, const RECT* dst_rect, HWND dst_window_override,
                        const RGNDATA* /*dirty_region: a hint only*/) {
    HRESULT level = CurrentLevel();
    if (level == D3DERR_DRIVERINTERNALERROR) return level;
    if (level != D3D_OK) return D3DERR_DEVICELOST;
    if (HRESULT forced = TakeForcedFailure(FailPoint::kPresent); forced != S_OK) return forced;
    // Rectangles make sense only when the back buffer is copied, not swapped.
    if ((src_rect || dst_rect) && params_.SwapEffect != D3DSWAPEFFECT_COPY)
        return D3DERR_INVALIDCALL;
    if (back_buffer_->busy()) return D3DERR_INVALIDCALL;
    HWND window = dst_window_override
                      ? dst_window_override
                      : (params_.hDeviceWindow ? params_.hDeviceWindow : focus_window_);
    if (!window || !IsWindow(window)) return D3DERR_INVALIDCALL;

    HRESULT hr = Guard(E_OUTOFMEMORY, [&] { return PresentFrame(src_rect, dst_rect, window); });
    if (hr != D3D_OK) return hr;

    int retraces = 1;
    switch (params_.PresentationInterval) {
        case D3DPRESENT_INTERVAL_IMMEDIATE:
            retraces = 0;
            break;
        case D3DPRESENT_INTERVAL_TWO:
            retraces = 2;
            break;
        case D3DPRESENT_INTERVAL_THREE:
            retraces = 3;
            break;
        case D3DPRESENT_INTERVAL_FOUR:
            retraces = 4;
            break;
        default:
            break;
    }
    for (int i = 0; i < retraces; ++i)
        host::WaitRetrace();
    return D3D_OK;
}

HRESULT Device::PresentFrame(const RECT* src_rect, const RECT* dst_rect, HWND window) {
    const Surface& bb = *back_buffer_;
    RECT src = {0, 0, LONG(bb.width()), LONG(bb.height())};
    if (src_rect) {
        if (src_rect->left < 0 || src_rect->top < 0 || src_rect->right > src.right ||
            src_rect->bottom > src.bottom || src_rect->left > src_rect->right ||
            src_rect->top > src_rect->bottom)
            return D3DERR_INVALIDCALL;
        src = *src_rect;
    }
    RECT dst;
    if (dst_rect) {
        dst = *dst_rect;
    } else if (!GetClientRect(window, &dst)) {
        return D3DERR_INVALIDCALL;
    }
    const LONG sw = src.right - src.left, sh = src.bottom - src.top;
    const LONG dw = dst.right - dst.left, dh = dst.bottom - dst.top;

    std::lock_guard<std::mutex> lock(present_mutex_);
    const bool record = RecordsPresentedFrames();
    if (sw > 0 && sh > 0 && dw > 0 && dh > 0 && dw <= LONG(kMaxSurfaceSize) &&
        dh <= LONG(kMaxSurfaceSize)) {
        columns_.resize(size_t(dw));
        if (record) staging_.resize(size_t(dw) * dh);
        // Nearest pixel: destination column x samples the source column under its centre,
        // and row y the source row under its centre.
        const int bpp = BytesPerPixel(bb.format());
        uint32_t* column_offsets = columns_.data();
        for (LONG x = 0; x < dw; ++x)
            column_offsets[x] = uint32_t((src.left + (int64_t(2 * x + 1) * sw) / (2 * dw)) * bpp);
        const uint32_t* table = bpp == 2 ? SixteenBitTable(bb.format()) : nullptr;
        // Destination columns [x0, x1) of row y, written from out on. The top byte of
        // X8R8G8B8 is not colour: the window gets it as 0, as from GDI.
        auto scale_row = [&](uint32_t* out, LONG y, LONG x0, LONG x1, bool to_display) {
            LONG sy = LONG(src.top + (int64_t(2 * y + 1) * sh) / (2 * dh));
            const uint8_t* row = bb.bits() + size_t(sy) * bb.pitch();
            const LONG n = x1 - x0;
            if (bpp == 4) {
                const uint32_t* in = reinterpret_cast<const uint32_t*>(row);
                if (sw == dw && to_display) {
                    StreamColourBits(out, in + src.left + x0, size_t(n));
                } else if (sw == dw) {
                    CopyColourBits(out, in + src.left + x0, size_t(n));
                } else {
                    const uint32_t* cols = column_offsets + x0;
                    for (LONG i = 0; i < n; ++i)
                        out[i] = in[cols[i] / 4] & 0xFFFFFF;
                }
            } else {
                const uint32_t* cols = column_offsets + x0;
                for (LONG i = 0; i < n; ++i) {
                    uint16_t v;
                    std::memcpy(&v, row + cols[i], 2);
                    out[i] = table[v];
                }
            }
        };
        if (record)
            for (LONG y = 0; y < dh; ++y)
                scale_row(staging_.data() + size_t(y) * dw, y, 0, dw, false);

        // Where the destination lies in the window's pixels, clipped as GDI would clip.
        zv::WindowSurface ws;
        if (zv::GetWindowSurface(window, &ws) && ws.buffer.bits &&
            ws.buffer.format == zv::BufferFormat::X8R8G8B8) {
            const int64_t left = int64_t(dst.left) + ws.origin.x;
            const int64_t top = int64_t(dst.top) + ws.origin.y;
            const int64_t x0 = std::max<int64_t>({left, ws.clip.left, 0});
            const int64_t x1 = std::min<int64_t>({left + dw, ws.clip.right, ws.buffer.width});
            const int64_t y0 = std::max<int64_t>({top, ws.clip.top, 0});
            const int64_t y1 = std::min<int64_t>({top + dh, ws.clip.bottom, ws.buffer.height});
            auto* base = static_cast<uint8_t*>(ws.buffer.bits);
            for (int64_t by = y0; by < y1 && x0 < x1; ++by) {
                auto* out = reinterpret_cast<uint32_t*>(base + by * ws.buffer.pitch) + x0;
                const LONG y = LONG(by - top);
                if (record)
                    std::memcpy(out, staging_.data() + size_t(y) * dw + size_t(x0 - left),
                                size_t(x1 - x0) * 4);
                else
                    scale_row(out, y, LONG(x0 - left), LONG(x1 - left), true);
            }
            StreamFence();
        }
        ShowDrawnWindowSurfaces();
        if (record)
            last_present_.pixels.swap(staging_);
        else
            last_present_.pixels.clear();
        last_present_.width = dw;
        last_present_.height = dh;
    } else {
        last_present_.pixels.clear();
        last_present_.width = last_present_.height = 0;
    }
    last_present_.source = src;
    last_present_.dest = dst;
    last_present_.window = window;
    ++last_present_.count;
    return D3D_OK;
}

bool Device::LastPresent(PresentRecord* record) const {
    std::lock_guard<std::mutex> lock(present_mutex_);
    if (last_present_.count == 0) return false;
    *record = last_present_;
    return true;
}

size_t Device::PresentCount() const {
    std::lock_guard<std::mutex> lock(present_mutex_);
    return last_present_.count;
}

}  // namespace zv::d3d9
