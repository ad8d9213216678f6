// The Direct3D object and its one adapter, which describes the host's display.
#include <iterator>

#include "builtin_modules.h"
#include "device.h"
#include "direct3d.h"
#include "host/host.h"

namespace zv::d3d9 {

std::atomic<int> g_live_objects{0};

namespace {

// Display modes listed for a format: these sizes, as far as the display holds them, and
// the display's own size.
constexpr struct {
    UINT width, height;
} kStandardSizes[] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1280, 1024}, {1920, 1080}};

struct ModeList {
    D3DDISPLAYMODE modes[std::size(kStandardSizes) + 1];
    UINT count = 0;
};

ModeList ModesOf(const D3DDISPLAYMODE& display) {
    ModeList list;
    bool has_own = false;
    for (auto s : kStandardSizes) {
        if (s.width > display.Width || s.height > display.Height) continue;
        list.modes[list.count++] = {s.width, s.height, display.RefreshRate, display.Format};
        has_own |= s.width == display.Width && s.height == display.Height;
    }
    if (!has_own) list.modes[list.count++] = display;
    return list;
}

int FormatSlot(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_X1R5G5B5:
            return 0;
        case D3DFMT_R5G6B5:
            return 1;
        case D3DFMT_X8R8G8B8:
            return 2;
        default:
            return -1;
    }
}

}  // namespace

AdapterSettings CurrentAdapter() {
    AdapterSettings a;
    host::DisplayMode mode;
    TestSettings t = GetTestSettings();
    if (!host::GetDisplayMode(&mode) || mode.width <= 0 || mode.height <= 0) return a;
    a.has_display = true;
    a.mode.Width = UINT(mode.width);
    a.mode.Height = UINT(mode.height);
    a.mode.RefreshRate = mode.refresh_hz > 0 ? UINT(mode.refresh_hz) : 60;
    a.mode.Format = t.display_format;
    a.hardware_tnl = t.hardware_tnl;
    if (t.mode_counts_set) {
        for (int i = 0; i < 3; ++i)
            a.mode_counts[i] = t.mode_counts[i];
    } else {
        UINT listed = ModesOf(a.mode).count;
        if (t.display_format == D3DFMT_X8R8G8B8 || t.display_format == D3DFMT_R5G6B5) {
            a.mode_counts[1] = listed;
            a.mode_counts[2] = listed;
        } else if (int slot = FormatSlot(t.display_format); slot >= 0) {
            a.mode_counts[slot] = listed;
        }
    }
    return a;
}

Direct3D::Direct3D() {
    g_live_objects.fetch_add(1);
}
Direct3D::~Direct3D() {
    g_live_objects.fetch_sub(1);
}

HRESULT Direct3D::QueryInterface(REFIID riid, void** object) {
    return QueryOwnInterface(static_cast<IDirect3D9*>(this), riid, object, {kIID_IDirect3D9});
}

ULONG Direct3D::AddRef() {
    return refs_.Add();
}

ULONG Direct3D::Release() {
    return refs_.ReleaseAndDelete(this);
}

HRESULT Direct3D::RegisterSoftwareDevice(void*) {
    return D3DERR_INVALIDCALL;
}
UINT Direct3D::GetAdapterCount() {
    return CurrentAdapter().has_display ? 1 : 0;
}
HRESULT Direct3D::GetAdapterIdentifier(UINT, DWORD, D3DADAPTER_IDENTIFIER9*) {
    return D3DERR_INVALIDCALL;
}

UINT Direct3D::GetAdapterModeCount(UINT adapter, D3DFORMAT format) {
    if (adapter != 0) return 0;
    int slot = FormatSlot(format);
    return slot < 0 ? 0 : CurrentAdapter().mode_counts[slot];
}

HRESULT Direct3D::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                                   D3DDISPLAYMODE* display_mode) {
    if (adapter != 0 || !display_mode) return D3DERR_INVALIDCALL;
    AdapterSettings a = CurrentAdapter();
    int slot = FormatSlot(format);
    if (slot < 0 || mode >= a.mode_counts[slot]) return D3DERR_INVALIDCALL;
    ModeList list = ModesOf(a.mode);
    *display_mode = mode < list.count ? list.modes[mode] : a.mode;
    display_mode->Format = format;
    return D3D_OK;
}

HRESULT Direct3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
    if (adapter != 0 || !mode) return D3DERR_INVALIDCALL;
    if (HRESULT forced = TakeForcedFailure(FailPoint::kDisplayMode); forced != S_OK) return forced;
    AdapterSettings a = CurrentAdapter();
    if (!a.has_display) return D3DERR_INVALIDCALL;
    *mode = a.mode;
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceType(UINT adapter, D3DDEVTYPE device_type, D3DFORMAT display_format,
                                  D3DFORMAT back_buffer_format, BOOL windowed) {
    AdapterSettings a = CurrentAdapter();
    if (adapter != 0 || !a.has_display) return D3DERR_INVALIDCALL;
    if (device_type != D3DDEVTYPE_HAL || !windowed) return D3DERR_NOTAVAILABLE;
    if (display_format != a.mode.Format) return D3DERR_NOTAVAILABLE;
    if (back_buffer_format != D3DFMT_UNKNOWN && BytesPerPixel(back_buffer_format) == 0)
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE device_type, D3DFORMAT, DWORD,
                                    D3DRESOURCETYPE, D3DFORMAT check_format) {
    if (adapter != 0 || !CurrentAdapter().has_display) return D3DERR_INVALIDCALL;
    if (device_type != D3DDEVTYPE_HAL || BytesPerPixel(check_format) == 0)
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE, D3DFORMAT, BOOL,
                                             D3DMULTISAMPLE_TYPE type, DWORD* quality_levels) {
    if (adapter != 0) return D3DERR_INVALIDCALL;
    if (type != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
    if (quality_levels) *quality_levels = 1;
    return D3D_OK;
}

HRESULT Direct3D::CheckDepthStencilMatch(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT) {
    return D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CheckDeviceFormatConversion(UINT adapter, D3DDEVTYPE, D3DFORMAT source,
                                              D3DFORMAT target) {
    if (adapter != 0) return D3DERR_INVALIDCALL;
    return BytesPerPixel(source) && IsDisplayFormat(target) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

void FillCaps(D3DCAPS9* caps, bool hardware_tnl) {
    *caps = D3DCAPS9{};
    caps->DeviceType = D3DDEVTYPE_HAL;
    caps->AdapterOrdinal = 0;
    caps->PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE |
                                  D3DPRESENT_INTERVAL_TWO | D3DPRESENT_INTERVAL_THREE |
                                  D3DPRESENT_INTERVAL_FOUR;
    caps->DevCaps = hardware_tnl ? D3DDEVCAPS_HWTRANSFORMANDLIGHT : 0;
    caps->MaxTextureWidth = caps->MaxTextureHeight = 8192;
    caps->MaxTextureBlendStages = caps->MaxSimultaneousTextures = 1;
    caps->NumSimultaneousRTs = 1;
    caps->NumberOfAdaptersInGroup = 1;
}

HRESULT Direct3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE device_type, D3DCAPS9* caps) {
    if (adapter != 0 || !caps) return D3DERR_INVALIDCALL;
    if (HRESULT forced = TakeForcedFailure(FailPoint::kDeviceCaps); forced != S_OK) return forced;
    AdapterSettings a = CurrentAdapter();
    if (!a.has_display) return D3DERR_INVALIDCALL;
    if (device_type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    FillCaps(caps, a.hardware_tnl);
    return D3D_OK;
}

HMONITOR Direct3D::GetAdapterMonitor(UINT) {
    return nullptr;
}

HRESULT Direct3D::CreateDevice(UINT adapter, D3DDEVTYPE device_type, HWND focus_window,
                               DWORD behavior_flags, D3DPRESENT_PARAMETERS* params,
                               IDirect3DDevice9** returned_device) {
    if (!returned_device) return D3DERR_INVALIDCALL;
    *returned_device = nullptr;
    if (adapter != 0 || !params) return D3DERR_INVALIDCALL;
    if (HRESULT forced = TakeForcedFailure(FailPoint::kCreateDevice); forced != S_OK) return forced;
    AdapterSettings a = CurrentAdapter();
    if (!a.has_display) return D3DERR_INVALIDCALL;
    if (device_type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;

    // Exactly one way of processing vertices, and hardware only where the caps offer it.
    DWORD processing =
        behavior_flags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                          D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING);
    if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
        processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
        processing != D3DCREATE_MIXED_VERTEXPROCESSING)
        return D3DERR_INVALIDCALL;
    if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING && !a.hardware_tnl)
        return D3DERR_INVALIDCALL;

    D3DPRESENT_PARAMETERS p = *params;
    HRESULT checked = CheckPresentParameters(focus_window, &p, a);
    if (checked != D3D_OK) return checked;
    return Guard(D3DERR_OUTOFVIDEOMEMORY, [&] {
        auto device = std::make_unique<Device>(this, focus_window, behavior_flags, p);
        device->CreateSwapChain();
        RegisterDevice(device.get());
        *params = p;  // as Direct3D does, the caller learns the sizes and format chosen
        *returned_device = device.release();
        return D3D_OK;
    });
}

// Validates windowed presentation parameters and fills in what Direct3D derives: a zero
// size from the device window's client area, D3DFMT_UNKNOWN from the display format, a
// zero back-buffer count as one.
HRESULT CheckPresentParameters(HWND focus_window, D3DPRESENT_PARAMETERS* p,
                               const AdapterSettings& a) {
    HWND window = p->hDeviceWindow ? p->hDeviceWindow : focus_window;
    if (!window || !IsWindow(window)) return D3DERR_INVALIDCALL;
    if (focus_window && !IsWindow(focus_window)) return D3DERR_INVALIDCALL;
    if (!p->Windowed) return D3DERR_NOTAVAILABLE;  // this adapter presents into windows only
    if (p->SwapEffect < D3DSWAPEFFECT_DISCARD || p->SwapEffect > D3DSWAPEFFECT_COPY)
        return D3DERR_INVALIDCALL;
    if (p->MultiSampleType != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
    if (p->BackBufferCount > 1) return D3DERR_NOTAVAILABLE;
    if (p->BackBufferCount == 0) p->BackBufferCount = 1;
    if (p->EnableAutoDepthStencil) return D3DERR_NOTAVAILABLE;
    switch (p->PresentationInterval) {
        case D3DPRESENT_INTERVAL_DEFAULT:
        case D3DPRESENT_INTERVAL_ONE:
        case D3DPRESENT_INTERVAL_TWO:
        case D3DPRESENT_INTERVAL_THREE:
        case D3DPRESENT_INTERVAL_FOUR:
        case D3DPRESENT_INTERVAL_IMMEDIATE:
            break;
        default:
            return D3DERR_INVALIDCALL;
    }
    if (p->BackBufferFormat == D3DFMT_UNKNOWN) p->BackBufferFormat = a.mode.Format;
    if (!IsDisplayFormat(p->BackBufferFormat) && p->BackBufferFormat != D3DFMT_A8R8G8B8 &&
        p->BackBufferFormat != D3DFMT_A1R5G5B5)
        return D3DERR_NOTAVAILABLE;
    if (p->BackBufferWidth == 0 || p->BackBufferHeight == 0) {
        RECT client;
        if (!GetClientRect(window, &client)) return D3DERR_INVALIDCALL;
        if (p->BackBufferWidth == 0) p->BackBufferWidth = UINT(client.right > 0 ? client.right : 1);
        if (p->BackBufferHeight == 0)
            p->BackBufferHeight = UINT(client.bottom > 0 ? client.bottom : 1);
    }
    if (p->BackBufferWidth > kMaxSurfaceSize || p->BackBufferHeight > kMaxSurfaceSize)
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}

}  // namespace zv::d3d9

extern "C" IDirect3D9* WINAPI Direct3DCreate9(UINT sdk_version) {
    // The debug runtime's flag (the top bit) is accepted as the release runtime does.
    if ((sdk_version & 0x7FFFFFFF) != D3D_SDK_VERSION) return nullptr;
    return zv::Guarded(static_cast<IDirect3D9*>(nullptr), 0,
                       [] { return static_cast<IDirect3D9*>(new zv::d3d9::Direct3D()); });
}

static const zv::ModuleRegistration kModule("d3d9.dll",
                                            {{"Direct3DCreate9", zv::Export(&Direct3DCreate9)}});
