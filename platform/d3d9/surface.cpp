// Surfaces and textures in system memory, and the pixel formats they may have.
#include <algorithm>
#include <cstring>
#include <new>

#include "device.h"
#include "gdi_buffer_dc.h"

namespace zv::d3d9 {

int BytesPerPixel(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
            return 4;
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
            return 2;
        default:
            return 0;
    }
}

bool IsDisplayFormat(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5;
}

uint32_t PixelToRgb(D3DFORMAT format, const uint8_t* p) {
    if (BytesPerPixel(format) == 4) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v & 0xFFFFFF;
    }
    uint16_t v;
    std::memcpy(&v, p, 2);
    uint32_t r, g, b;
    if (format == D3DFMT_R5G6B5) {
        r = (v >> 11) & 31;
        g = (v >> 5) & 63;
        b = v & 31;
        g = (g << 2) | (g >> 4);
    } else {
        r = (v >> 10) & 31;
        g = (v >> 5) & 31;
        b = v & 31;
        g = (g << 3) | (g >> 2);
    }
    r = (r << 3) | (r >> 2);
    b = (b << 3) | (b >> 2);
    return (r << 16) | (g << 8) | b;
}

uint32_t ColorToPixel(D3DFORMAT format, D3DCOLOR c) {
    uint32_t a = c >> 24, r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    switch (format) {
        case D3DFMT_A8R8G8B8:
            return c;
        case D3DFMT_X8R8G8B8:
            return c & 0xFFFFFF;
        case D3DFMT_R5G6B5:
            return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
        case D3DFMT_X1R5G5B5:
            return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
        case D3DFMT_A1R5G5B5:
            return ((a >> 7) << 15) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
        default:
            return 0;
    }
}

namespace {

// Formats a GDI device context can draw on.
bool GdiFormat(D3DFORMAT format, BufferFormat* out) {
    switch (format) {
        case D3DFMT_X8R8G8B8:
            *out = BufferFormat::X8R8G8B8;
            return true;
        case D3DFMT_A8R8G8B8:
            *out = BufferFormat::A8R8G8B8;
            return true;
        case D3DFMT_R5G6B5:
            *out = BufferFormat::R5G6B5;
            return true;
        case D3DFMT_X1R5G5B5:
            *out = BufferFormat::X1R5G5B5;
            return true;
        default:
            return false;
    }
}

}  // namespace

// ---- Surface -----------------------------------------------------------------------------

Surface::Surface(Device* device, Owner owner, IUnknown* container, UINT width, UINT height,
                 D3DFORMAT format, DWORD usage, D3DPOOL pool, bool lockable)
    : Resource(device),
      owner_(owner),
      container_(container),
      width_(width),
      height_(height),
      format_(format),
      usage_(usage),
      pool_(pool),
      lockable_(lockable) {
    // Rows start on 4-byte boundaries, as GDI wants them.
    pitch_ = int((size_t(width) * BytesPerPixel(format) + 3) & ~size_t(3));
    // What can run out of memory comes first: a constructor that throws has no destructor
    // to take back what it did.
    pixels_.resize(size_t(pitch_) * height);
    RegisterSurface(this);
    if (owner_ == Owner::kSelf) {
        refs_ = 1;
        device_->AddRef();
        if (pool_ == D3DPOOL_DEFAULT) device_->default_pool_resources.fetch_add(1);
    }
    g_live_objects.fetch_add(1);
}

Surface::~Surface() {
    if (dc_) DeleteDC(dc_);
    if (owner_ == Owner::kSelf && pool_ == D3DPOOL_DEFAULT)
        device_->default_pool_resources.fetch_sub(1);
    UnregisterSurface(this);
    g_live_objects.fetch_sub(1);
}

HRESULT Surface::QueryInterface(REFIID riid, void** object) {
    return QueryOwnInterface(static_cast<IDirect3DSurface9*>(this), riid, object,
                             {kIID_IDirect3DResource9, kIID_IDirect3DSurface9});
}

ULONG Surface::AddRef() {
    ULONG r = refs_.fetch_add(1) + 1;
    if (owner_ == Owner::kDevice) device_->AddRef();
    if (owner_ == Owner::kTexture) container_->AddRef();
    return r;
}

ULONG Surface::Release() {
    ULONG r = refs_.load();
    do {
        if (r == 0) return 0;  // over-released: ignore rather than free twice
    } while (!refs_.compare_exchange_weak(r, r - 1));
    // The owner's release may destroy this surface: touch nothing after it.
    switch (owner_) {
        case Owner::kDevice:
            device_->Release();
            break;
        case Owner::kTexture:
            container_->Release();
            break;
        case Owner::kSelf:
            if (r == 1) {
                Device* device = device_;
                delete this;
                device->Release();
            }
            break;
    }
    return r - 1;
}

HRESULT HandOutDevice(Device* device, IDirect3DDevice9** out) {
    if (!out) return D3DERR_INVALIDCALL;
    device->AddRef();
    *out = device;
    return D3D_OK;
}

HRESULT Surface::GetContainer(REFIID riid, void** container) {
    if (!container) return D3DERR_INVALIDCALL;
    *container = nullptr;
    IUnknown* c = owner_ == Owner::kTexture ? container_ : static_cast<IUnknown*>(device_);
    return c->QueryInterface(riid, container);
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = D3DSURFACE_DESC{format_, D3DRTYPE_SURFACE, usage_, pool_, D3DMULTISAMPLE_NONE,
                            0,       width_,           height_};
    return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD) {
    if (!locked) return D3DERR_INVALIDCALL;
    if (!lockable_ || locked_ || dc_) return D3DERR_INVALIDCALL;
    if (HRESULT forced = TakeForcedFailure(FailPoint::kLockRect); forced != S_OK) return forced;
    RECT r = {0, 0, LONG(width_), LONG(height_)};
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right > LONG(width_) ||
            rect->bottom > LONG(height_) || rect->left >= rect->right || rect->top >= rect->bottom)
            return D3DERR_INVALIDCALL;
        r = *rect;
    }
    locked_ = true;
    locked->Pitch = pitch_;
    locked->pBits =
        pixels_.data() + size_t(r.top) * pitch_ + size_t(r.left) * BytesPerPixel(format_);
    return D3D_OK;
}

HRESULT Surface::UnlockRect() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    return D3D_OK;
}

HRESULT Surface::GetDC(HDC* hdc) {
    if (!hdc) return D3DERR_INVALIDCALL;
    BufferFormat gdi_format;
    if (!GdiFormat(format_, &gdi_format)) return D3DERR_INVALIDCALL;
    // A device context over memory that cannot be locked would hand out what LockRect
    // refuses.
    if (!lockable_ || locked_ || dc_) return D3DERR_INVALIDCALL;
    if (HRESULT forced = TakeForcedFailure(FailPoint::kGetDC); forced != S_OK) return forced;
    PixelBuffer buffer;
    buffer.bits = pixels_.data();
    buffer.pitch = pitch_;
    buffer.width = int32_t(width_);
    buffer.height = int32_t(height_);
    buffer.format = gdi_format;
    HDC dc = CreateBufferDC(buffer);
    if (!dc) return E_OUTOFMEMORY;
    dc_ = dc;
    *hdc = dc;
    return D3D_OK;
}

HRESULT Surface::ReleaseDC(HDC hdc) {
    if (!dc_ || hdc != dc_) return D3DERR_INVALIDCALL;
    DeleteDC(dc_);
    dc_ = nullptr;
    return D3D_OK;
}

void Surface::Fill(const RECT& rect, D3DCOLOR color) {
    RECT r = rect;
    r.left = std::max<LONG>(r.left, 0);
    r.top = std::max<LONG>(r.top, 0);
    r.right = std::min<LONG>(r.right, LONG(width_));
    r.bottom = std::min<LONG>(r.bottom, LONG(height_));
    if (r.left >= r.right || r.top >= r.bottom) return;
    uint32_t v = ColorToPixel(format_, color);
    int bpp = BytesPerPixel(format_);
    for (LONG y = r.top; y < r.bottom; ++y) {
        uint8_t* row = pixels_.data() + size_t(y) * pitch_ + size_t(r.left) * bpp;
        if (bpp == 4) {
            std::fill_n(reinterpret_cast<uint32_t*>(row), r.right - r.left, v);
        } else {
            std::fill_n(reinterpret_cast<uint16_t*>(row), r.right - r.left, uint16_t(v));
        }
    }
}

// ---- Texture -----------------------------------------------------------------------------

Texture::Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage,
                 D3DFORMAT format, D3DPOOL pool)
    : Resource(device), default_pool_(pool == D3DPOOL_DEFAULT) {
    if (levels == 0) {
        levels = 1;
        for (UINT s = std::max(width, height); s > 1; s >>= 1)
            ++levels;
    }
    levels_.reserve(levels);
    for (UINT i = 0; i < levels; ++i) {
        UINT w = std::max(width >> i, 1u), h = std::max(height >> i, 1u);
        levels_.push_back(std::make_unique<Surface>(device, Surface::Owner::kTexture, this, w, h,
                                                    format, usage, pool, true));
    }
    device_->AddRef();
    if (default_pool_) device_->default_pool_resources.fetch_add(1);
    g_live_objects.fetch_add(1);
}

Texture::~Texture() {
    if (default_pool_) device_->default_pool_resources.fetch_sub(1);
    g_live_objects.fetch_sub(1);
}

HRESULT Texture::QueryInterface(REFIID riid, void** object) {
    return QueryOwnInterface(
        static_cast<IDirect3DTexture9*>(this), riid, object,
        {kIID_IDirect3DResource9, kIID_IDirect3DBaseTexture9, kIID_IDirect3DTexture9});
}

ULONG Texture::AddRef() {
    return refs_.Add();
}

ULONG Texture::Release() {
    bool last;
    ULONG left = refs_.Release(&last);
    if (last) {
        Device* device = device_;
        delete this;
        device->Release();
    }
    return left;
}

DWORD Texture::SetLOD(DWORD lod) {
    DWORD old = lod_;
    lod_ = std::min<DWORD>(lod, DWORD(levels_.size() - 1));
    return old;
}
DWORD Texture::GetLOD() {
    return lod_;
}
DWORD Texture::GetLevelCount() {
    return DWORD(levels_.size());
}
HRESULT Texture::SetAutoGenFilterType(D3DTEXTUREFILTERTYPE) {
    return D3DERR_INVALIDCALL;
}
D3DTEXTUREFILTERTYPE Texture::GetAutoGenFilterType() {
    return D3DTEXF_NONE;
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    HRESULT hr = levels_[level]->GetDesc(desc);
    if (hr == D3D_OK) desc->Type = D3DRTYPE_SURFACE;
    return hr;
}

HRESULT Texture::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
    if (!surface || level >= levels_.size()) return D3DERR_INVALIDCALL;
    levels_[level]->AddRef();
    *surface = levels_[level].get();
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    return levels_[level]->LockRect(locked, rect, flags);
}

HRESULT Texture::UnlockRect(UINT level) {
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    return levels_[level]->UnlockRect();
}

HRESULT Texture::AddDirtyRect(const RECT*) {
    return D3D_OK;
}

}  // namespace zv::d3d9
