// Internals of the software Direct3D 9 shared by the files of this library.
//
// Object model, as Direct3D 9 has it:
// - The Direct3D object is reference counted on its own; each device holds a reference
//   to it for as long as the device lives.
// - A device's implicit back buffer belongs to the device: its AddRef/Release move the
//   device's count too, so a program that holds the back buffer keeps the device alive.
//   Its own count is kept as well, because Reset refuses to run while the program still
//   holds the back buffer (as Direct3D 9 does for every default-pool surface).
// - Surfaces made by the device (render targets, off-screen surfaces) and textures hold
//   a reference to their device and live on their own count. A texture's level surfaces
//   forward their counts to the texture.
//
// All pixel memory is system memory; a surface hands out a GDI device context over it
// (a buffer DC) or a pointer to it (LockRect), never both at once.
#pragma once

#include <d3d9.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "api_guard.h"
#include "com_ref_count.h"

namespace zv::d3d9 {

// ---- Formats -----------------------------------------------------------------------------
int BytesPerPixel(D3DFORMAT format);     // 0 for formats surfaces cannot have here
bool IsDisplayFormat(D3DFORMAT format);  // X8R8G8B8, R5G6B5, X1R5G5B5
// Converts one row of `width` pixels of `format` to 0x00RRGGBB.
uint32_t PixelToRgb(D3DFORMAT format, const uint8_t* pixel);
uint32_t ColorToPixel(D3DFORMAT format, D3DCOLOR color);  // for Clear and ColorFill

// Runs the body of a method that can allocate: when memory runs out, the method fails with
// `failure` (E_OUTOFMEMORY, or D3DERR_OUTOFVIDEOMEMORY where Direct3D documents that one),
// which is all a COM method says (api_guard.h).
template <class Body>
HRESULT Guard(HRESULT failure, Body&& body) {
    return Guarded(failure, 0, body);
}

// ---- Counting of live objects, for the tests ------------------------------------------
extern std::atomic<int> g_live_objects;

class Device;
class Texture;

// Adds a reference to the device and hands it out, as GetDevice does.
HRESULT HandOutDevice(Device* device, IDirect3DDevice9** out);

// What every resource of a device does alike: it names its device, keeps no private data
// and remembers a priority it never acts on.
template <class Interface>
class Resource : public Interface {
  public:
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) override {
        return HandOutDevice(device_, device);
    }
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, const void*, DWORD, DWORD) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, void*, DWORD*) override {
        return D3DERR_NOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID) override { return D3DERR_NOTFOUND; }
    DWORD STDMETHODCALLTYPE SetPriority(DWORD priority) override {
        DWORD old = priority_;
        priority_ = priority;
        return old;
    }
    DWORD STDMETHODCALLTYPE GetPriority() override { return priority_; }
    void STDMETHODCALLTYPE PreLoad() override {}

    Device* device() const { return device_; }

  protected:
    explicit Resource(Device* device) : device_(device) {}
    Device* device_;

  private:
    DWORD priority_ = 0;
};

class Surface final : public Resource<IDirect3DSurface9> {
  public:
    enum class Owner { kDevice, kTexture, kSelf };
    Surface(Device* device, Owner owner, IUnknown* container, UINT width, UINT height,
            D3DFORMAT format, DWORD usage, D3DPOOL pool, bool lockable);
    virtual ~Surface();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_SURFACE; }
    // IDirect3DSurface9
    HRESULT STDMETHODCALLTYPE GetContainer(REFIID riid, void** container) override;
    HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* desc) override;
    HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT* locked_rect, const RECT* rect,
                                       DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect() override;
    HRESULT STDMETHODCALLTYPE GetDC(HDC* hdc) override;
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC hdc) override;

    // For the device and the tests.
    UINT width() const { return width_; }
    UINT height() const { return height_; }
    D3DFORMAT format() const { return format_; }
    int pitch() const { return pitch_; }
    uint8_t* bits() { return pixels_.data(); }
    const uint8_t* bits() const { return pixels_.data(); }
    bool busy() const { return locked_ || dc_ != nullptr; }
    ULONG own_refs() const { return refs_.load(); }
    void Fill(const RECT& rect, D3DCOLOR color);

  private:
    Owner owner_;
    IUnknown* container_;
    std::atomic<ULONG> refs_{0};
    UINT width_, height_;
    D3DFORMAT format_;
    DWORD usage_;
    D3DPOOL pool_;
    bool lockable_;
    int pitch_ = 0;
    std::vector<uint8_t> pixels_;
    bool locked_ = false;
    HDC dc_ = nullptr;
};

class Texture final : public Resource<IDirect3DTexture9> {
  public:
    Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
            D3DPOOL pool);
    virtual ~Texture();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD STDMETHODCALLTYPE SetLOD(DWORD lod) override;
    DWORD STDMETHODCALLTYPE GetLOD() override;
    DWORD STDMETHODCALLTYPE GetLevelCount() override;
    HRESULT STDMETHODCALLTYPE SetAutoGenFilterType(D3DTEXTUREFILTERTYPE) override;
    D3DTEXTUREFILTERTYPE STDMETHODCALLTYPE GetAutoGenFilterType() override;
    void STDMETHODCALLTYPE GenerateMipSubLevels() override {}
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override;
    HRESULT STDMETHODCALLTYPE LockRect(UINT level, D3DLOCKED_RECT* locked_rect, const RECT* rect,
                                       DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT level) override;
    HRESULT STDMETHODCALLTYPE AddDirtyRect(const RECT* dirty_rect) override;

  private:
    zv::ComRefCount refs_;
    bool default_pool_;
    std::vector<std::unique_ptr<Surface>> levels_;
    DWORD lod_ = 0;
};

class Direct3D;

// The last frame a device presented, as the tests read it back.
struct PresentRecord {
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, the destination rectangle's size
    int width = 0, height = 0;
    RECT source = {}, dest = {};
    HWND window = nullptr;
    size_t count = 0;
};

// One phase of a scripted cooperative level.
struct CooperativePhase {
    HRESULT level;
    uint32_t duration_ms;  // 0: for ever
};

// Calls a test asked to fail, counted down per device method.
enum class FailPoint {
    kCreateDevice,
    kGetDC,
    kLockRect,
    kPresent,
    kReset,
    kDisplayMode,
    kDeviceCaps,
    kCount
};
// Consumes one forced failure of `point`; returns the code to fail with, or S_OK.
HRESULT TakeForcedFailure(FailPoint point);

// The adapter as the tests may have shaped it.
struct AdapterSettings {
    bool has_display = false;
    D3DDISPLAYMODE mode = {};
    UINT mode_counts[3] = {};  // X1R5G5B5, R5G6B5, X8R8G8B8
    bool hardware_tnl = true;
};
AdapterSettings CurrentAdapter();

// What the tests changed (test_control.cpp).
struct TestSettings {
    D3DFORMAT display_format = D3DFMT_X8R8G8B8;
    bool mode_counts_set = false;
    UINT mode_counts[3] = {};
    bool hardware_tnl = true;
};
TestSettings GetTestSettings();
// Whether presents keep a copy of the frame for LastD3D9Frame: under the headless host
// (the tests' host) unless a test said otherwise, never on a real display unless asked.
bool RecordsPresentedFrames();

// Live devices and surfaces, so that a pointer handed in can be checked before it is used.
// Registering can run out of memory (it then registers nothing); unregistering cannot.
void RegisterDevice(Device* device);
void UnregisterDevice(Device* device);
bool IsLiveDevice(const void* device);
void RegisterSurface(Surface* surface);
void UnregisterSurface(Surface* surface);
// The live surface behind an interface pointer, or null.
Surface* FindSurface(IDirect3DSurface9* surface);

// Largest surface side; keeps sizes well inside 32-bit byte counts.
constexpr UINT kMaxSurfaceSize = 16384;

// Interface identifiers.
constexpr GUID kIID_IDirect3D9 = {
    0x81BDCBCA, 0x64D4, 0x426D, {0xAE, 0x8D, 0xAD, 0x01, 0x47, 0xF4, 0x27, 0x5C}};
constexpr GUID kIID_IDirect3DDevice9 = {
    0xD0223B96, 0xBF7A, 0x43FD, {0x92, 0xBD, 0xA4, 0x3B, 0x0D, 0x82, 0xB9, 0xEB}};
constexpr GUID kIID_IDirect3DResource9 = {
    0x05EEC05D, 0x8F7D, 0x4362, {0xB9, 0x99, 0xD1, 0xBA, 0xF3, 0x57, 0xC7, 0x04}};
constexpr GUID kIID_IDirect3DSurface9 = {
    0x0CFBAF3A, 0x9FF6, 0x429A, {0x99, 0xB3, 0xA2, 0x79, 0x6A, 0xF8, 0xB8, 0x9B}};
constexpr GUID kIID_IDirect3DBaseTexture9 = {
    0x580CA87E, 0x1D3C, 0x4D54, {0x99, 0x1D, 0xB7, 0xD3, 0xE3, 0xC2, 0x98, 0xCE}};
constexpr GUID kIID_IDirect3DTexture9 = {
    0x85C31227, 0x3DE5, 0x4F00, {0x9B, 0x3A, 0xF1, 0x1A, 0xC3, 0x8C, 0x18, 0xB5}};

}  // namespace zv::d3d9
