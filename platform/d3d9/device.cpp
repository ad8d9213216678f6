// The device: its swap chain, resources, states and cooperative level.
#include <cstring>
#include <iterator>
#include <utility>

#include "device.h"
#include "direct3d.h"

namespace zv::d3d9 {
namespace {

// The checks every surface and texture creation starts with: a size surfaces can have here
// and a format they can hold.
bool IsSurfaceShape(UINT width, UINT height, D3DFORMAT format) {
    return width != 0 && height != 0 && width <= kMaxSurfaceSize && height <= kMaxSurfaceSize &&
           BytesPerPixel(format) != 0;
}

// Texture-stage and sampler state types start at 1; entry 0 of their rows is never used.
constexpr DWORD kFirstStateType = 1;

// Whether index names an entry of a state table (or of one row of it).
template <class Table>
bool Holds(const Table& table, DWORD index, DWORD first = 0) {
    return index >= first && index < std::size(table);
}

// The entry of a per-stage (or per-sampler) state table, or null when either index is out
// of range.
template <class Row, size_t kUnits>
DWORD* StateOf(Row (&table)[kUnits], DWORD unit, DWORD type) {
    if (!Holds(table, unit) || !Holds(table[0], type, kFirstStateType)) return nullptr;
    return &table[unit][type];
}

// The Get and Set methods of one state entry.
HRESULT ReadState(const DWORD* entry, DWORD* value) {
    if (!entry || !value) return D3DERR_INVALIDCALL;
    *value = *entry;
    return D3D_OK;
}
HRESULT WriteState(DWORD* entry, DWORD value) {
    if (!entry) return D3DERR_INVALIDCALL;
    *entry = value;
    return D3D_OK;
}

}  // namespace

Device::Device(Direct3D* parent, HWND focus_window, DWORD behavior_flags,
               const D3DPRESENT_PARAMETERS& params)
    : parent_(parent),
      focus_window_(focus_window),
      behavior_flags_(behavior_flags),
      params_(params) {
    parent_->AddRef();
    software_vertex_processing_ =
        (behavior_flags & D3DCREATE_SOFTWARE_VERTEXPROCESSING) ? TRUE : FALSE;
    // Direct3D's documented defaults for the states the runtime touches.
    render_states_[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    render_states_[D3DRS_ZENABLE] = FALSE;
    render_states_[D3DRS_LIGHTING] = TRUE;
    stage_states_[0][D3DTSS_COLOROP] = D3DTOP_MODULATE;
    stage_states_[0][D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
    for (size_t s = 1; s < std::size(stage_states_); ++s)
        stage_states_[s][D3DTSS_COLOROP] = stage_states_[s][D3DTSS_ALPHAOP] = D3DTOP_DISABLE;
    for (auto& sampler : sampler_states_) {
        sampler[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
        sampler[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        sampler[D3DSAMP_ADDRESSU] = sampler[D3DSAMP_ADDRESSV] = sampler[D3DSAMP_ADDRESSW] = 1;
    }
    g_live_objects.fetch_add(1);
}

Device::~Device() {
    UnregisterDevice(this);
    if (render_target_ && render_target_ != back_buffer_.get()) render_target_->Release();
    back_buffer_.reset();
    g_live_objects.fetch_sub(1);
    parent_->Release();
}

namespace {

std::unique_ptr<Surface> MakeBackBuffer(Device* device, const D3DPRESENT_PARAMETERS& p) {
    return std::make_unique<Surface>(device, Surface::Owner::kDevice, nullptr, p.BackBufferWidth,
                                     p.BackBufferHeight, p.BackBufferFormat, D3DUSAGE_RENDERTARGET,
                                     D3DPOOL_DEFAULT,
                                     (p.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0);
}

}  // namespace

void Device::CreateSwapChain() {
    back_buffer_ = MakeBackBuffer(this, params_);
    render_target_ = back_buffer_.get();
}

HRESULT Device::QueryInterface(REFIID riid, void** object) {
    return QueryOwnInterface(static_cast<IDirect3DDevice9*>(this), riid, object,
                             {kIID_IDirect3DDevice9});
}

ULONG Device::AddRef() {
    return refs_.Add();
}

ULONG Device::Release() {
    return refs_.ReleaseAndDelete(this);
}

// ---- Cooperative level ------------------------------------------------------------------

void Device::ScriptCooperativeLevel(std::vector<CooperativePhase> phases) {
    std::lock_guard<std::mutex> lock(script_mutex_);
    script_ = std::move(phases);
    script_start_ms_ = GetTickCount();
}

HRESULT Device::CurrentLevel() {
    std::lock_guard<std::mutex> lock(script_mutex_);
    if (script_.empty()) return D3D_OK;
    uint32_t elapsed = uint32_t(GetTickCount()) - uint32_t(script_start_ms_);
    uint64_t end = 0;
    for (const CooperativePhase& phase : script_) {
        if (phase.duration_ms == 0) return phase.level;
        end += phase.duration_ms;
        if (elapsed < end) return phase.level;
    }
    script_.clear();
    return D3D_OK;
}

HRESULT Device::TestCooperativeLevel() {
    return CurrentLevel();
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* params) {
    if (!params) return D3DERR_INVALIDCALL;
    return Guard(D3DERR_OUTOFVIDEOMEMORY, [&]() -> HRESULT {
        HRESULT level = CurrentLevel();
        if (level == D3DERR_DEVICELOST || level == D3DERR_DRIVERINTERNALERROR) return level;
        if (HRESULT forced = TakeForcedFailure(FailPoint::kReset); forced != S_OK) return forced;
        // As Direct3D requires, the program must have let go of the back buffer and of every
        // resource of the default pool (render targets included) before the swap chain can be
        // rebuilt.
        if (back_buffer_->own_refs() != 0 || back_buffer_->busy() ||
            default_pool_resources.load() != 0)
            return D3DERR_INVALIDCALL;
        AdapterSettings a = CurrentAdapter();
        if (!a.has_display) return D3DERR_INVALIDCALL;
        D3DPRESENT_PARAMETERS p = *params;
        if (HRESULT checked = CheckPresentParameters(focus_window_, &p, a); checked != D3D_OK)
            return checked;
        // The new back buffer is made before the old one goes: out of memory, the device stays
        // as it was.
        std::unique_ptr<Surface> old = std::exchange(back_buffer_, MakeBackBuffer(this, p));
        IDirect3DSurface9* old_target = render_target_;
        params_ = p;
        render_target_ = back_buffer_.get();
        if (old_target && old_target != old.get()) old_target->Release();
        *params = p;
        {
            std::lock_guard<std::mutex> lock(script_mutex_);
            script_.clear();
        }
        ++reset_count_;
        return D3D_OK;
    });
}

// ---- Facts -------------------------------------------------------------------------------

UINT Device::GetAvailableTextureMem() {
    return 256u << 20;
}
HRESULT Device::EvictManagedResources() {
    return D3D_OK;
}

HRESULT Device::GetDirect3D(IDirect3D9** d3d9) {
    if (!d3d9) return D3DERR_INVALIDCALL;
    parent_->AddRef();
    *d3d9 = parent_;
    return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS9* caps) {
    if (!caps) return D3DERR_INVALIDCALL;
    FillCaps(caps, CurrentAdapter().hardware_tnl);
    return D3D_OK;
}

HRESULT Device::GetDisplayMode(UINT swap_chain, D3DDISPLAYMODE* mode) {
    if (swap_chain != 0 || !mode) return D3DERR_INVALIDCALL;
    AdapterSettings a = CurrentAdapter();
    if (!a.has_display) return D3DERR_INVALIDCALL;
    *mode = a.mode;
    return D3D_OK;
}

HRESULT Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) {
    if (!parameters) return D3DERR_INVALIDCALL;
    *parameters = {0, D3DDEVTYPE_HAL, focus_window_, behavior_flags_};
    return D3D_OK;
}

void Device::SetCursorPosition(int, int, DWORD) {}
BOOL Device::ShowCursor(BOOL) {
    return FALSE;
}
UINT Device::GetNumberOfSwapChains() {
    return 1;
}

HRESULT Device::GetRasterStatus(UINT swap_chain, D3DRASTER_STATUS* status) {
    if (swap_chain != 0 || !status) return D3DERR_INVALIDCALL;
    *status = {FALSE, 0};
    return D3D_OK;
}

void Device::SetGammaRamp(UINT, DWORD, const D3DGAMMARAMP*) {}
void Device::GetGammaRamp(UINT, D3DGAMMARAMP*) {}
float Device::GetNPatchMode() {
    return 0.0f;
}

// ---- Swap chain and resources ---------------------------------------------------------

HRESULT Device::GetBackBuffer(UINT swap_chain, UINT index, D3DBACKBUFFER_TYPE type,
                              IDirect3DSurface9** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (swap_chain != 0 || index != 0 || type != D3DBACKBUFFER_TYPE_MONO) return D3DERR_INVALIDCALL;
    back_buffer_->AddRef();
    *out = back_buffer_.get();
    return D3D_OK;
}

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared_handle) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (shared_handle || !IsSurfaceShape(width, height, format) || pool > D3DPOOL_SCRATCH)
        return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_RENDERTARGET) && pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    return Guard(E_OUTOFMEMORY, [&] {
        *texture = new Texture(this, width, height, levels, usage, format, pool);
        return D3D_OK;
    });
}

HRESULT Device::CreateRenderTarget(UINT width, UINT height, D3DFORMAT format,
                                   D3DMULTISAMPLE_TYPE multi_sample, DWORD, BOOL lockable,
                                   IDirect3DSurface9** surface, HANDLE* shared_handle) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (shared_handle || !IsSurfaceShape(width, height, format)) return D3DERR_INVALIDCALL;
    if (multi_sample != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
    return Guard(E_OUTOFMEMORY, [&] {
        *surface = new Surface(this, Surface::Owner::kSelf, nullptr, width, height, format,
                               D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, lockable != FALSE);
        return D3D_OK;
    });
}

HRESULT Device::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DSurface9** surface, HANDLE* shared_handle) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (shared_handle || !IsSurfaceShape(width, height, format) || pool == D3DPOOL_MANAGED ||
        pool > D3DPOOL_SCRATCH)
        return D3DERR_INVALIDCALL;
    return Guard(E_OUTOFMEMORY, [&] {
        *surface =
            new Surface(this, Surface::Owner::kSelf, nullptr, width, height, format, 0, pool, true);
        return D3D_OK;
    });
}

HRESULT Device::UpdateSurface(IDirect3DSurface9* src_surface, const RECT* src_rect,
                              IDirect3DSurface9* dst_surface, const POINT* dst_point) {
    Surface* src = FindSurface(src_surface);
    Surface* dst = FindSurface(dst_surface);
    if (!src || !dst || src == dst || src->device() != this || dst->device() != this)
        return D3DERR_INVALIDCALL;
    if (src->format() != dst->format() || src->busy() || dst->busy()) return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC sd, dd;
    src->GetDesc(&sd);
    dst->GetDesc(&dd);
    // Direct3D copies only from system memory into the default pool.
    if (sd.Pool != D3DPOOL_SYSTEMMEM || dd.Pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    RECT r = {0, 0, LONG(src->width()), LONG(src->height())};
    if (src_rect) {
        if (src_rect->left < 0 || src_rect->top < 0 || src_rect->right > r.right ||
            src_rect->bottom > r.bottom || src_rect->left >= src_rect->right ||
            src_rect->top >= src_rect->bottom)
            return D3DERR_INVALIDCALL;
        r = *src_rect;
    }
    POINT at = dst_point ? *dst_point : POINT{r.left, r.top};
    LONG w = r.right - r.left, h = r.bottom - r.top;
    if (at.x < 0 || at.y < 0 || at.x + w > LONG(dst->width()) || at.y + h > LONG(dst->height()))
        return D3DERR_INVALIDCALL;
    int bpp = BytesPerPixel(src->format());
    for (LONG y = 0; y < h; ++y)
        std::memcpy(dst->bits() + size_t(at.y + y) * dst->pitch() + size_t(at.x) * bpp,
                    src->bits() + size_t(r.top + y) * src->pitch() + size_t(r.left) * bpp,
                    size_t(w) * bpp);
    return D3D_OK;
}

HRESULT Device::ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) {
    Surface* s = FindSurface(surface);
    if (!s || s->device() != this || s->busy()) return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC d;
    s->GetDesc(&d);
    if (d.Pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    s->Fill(rect ? *rect : RECT{0, 0, LONG(s->width()), LONG(s->height())}, color);
    return D3D_OK;
}

HRESULT Device::SetRenderTarget(DWORD index, IDirect3DSurface9* target) {
    if (index != 0) return D3DERR_INVALIDCALL;  // one simultaneous render target
    Surface* s = FindSurface(target);
    if (!s || s->device() != this) return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC d;
    s->GetDesc(&d);
    if (!(d.Usage & D3DUSAGE_RENDERTARGET)) return D3DERR_INVALIDCALL;
    if (s == render_target_) return D3D_OK;
    // The device keeps a reference to a render target it does not own.
    if (s != back_buffer_.get()) s->AddRef();
    IDirect3DSurface9* old = render_target_;
    render_target_ = s;
    if (old && old != back_buffer_.get()) old->Release();
    return D3D_OK;
}

HRESULT Device::GetRenderTarget(DWORD index, IDirect3DSurface9** target) {
    if (!target) return D3DERR_INVALIDCALL;
    *target = nullptr;
    if (index != 0 || !render_target_) return index != 0 ? D3DERR_INVALIDCALL : D3DERR_NOTFOUND;
    render_target_->AddRef();
    *target = render_target_;
    return D3D_OK;
}

HRESULT Device::BeginScene() {
    if (in_scene_) return D3DERR_INVALIDCALL;
    in_scene_ = true;
    return D3D_OK;
}

HRESULT Device::EndScene() {
    if (!in_scene_) return D3DERR_INVALIDCALL;
    in_scene_ = false;
    return D3D_OK;
}

HRESULT Device::Clear(DWORD rect_count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float,
                      DWORD) {
    if (rect_count && !rects) return D3DERR_INVALIDCALL;
    // There is no depth or stencil buffer to clear.
    if (flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) return D3DERR_INVALIDCALL;
    if (!(flags & D3DCLEAR_TARGET)) return D3D_OK;
    Surface* target = FindSurface(render_target_);
    if (!target || target->busy()) return D3DERR_INVALIDCALL;
    RECT whole = {0, 0, LONG(target->width()), LONG(target->height())};
    if (rect_count == 0) {
        target->Fill(whole, color);
    } else {
        for (DWORD i = 0; i < rect_count; ++i)
            target->Fill({rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2}, color);
    }
    return D3D_OK;
}

// ---- States ---------------------------------------------------------------------------

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    return WriteState(Holds(render_states_, state) ? &render_states_[state] : nullptr, value);
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    return ReadState(Holds(render_states_, state) ? &render_states_[state] : nullptr, value);
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    return ReadState(StateOf(stage_states_, stage, type), value);
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    return WriteState(StateOf(stage_states_, stage, type), value);
}

HRESULT Device::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
    return ReadState(StateOf(sampler_states_, sampler, type), value);
}

HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    return WriteState(StateOf(sampler_states_, sampler, type), value);
}

HRESULT Device::SetSoftwareVertexProcessing(BOOL software) {
    // Only a mixed device switches; the others accept their own mode and refuse the other.
    if (behavior_flags_ & D3DCREATE_MIXED_VERTEXPROCESSING) {
        software_vertex_processing_ = software ? TRUE : FALSE;
        return D3D_OK;
    }
    return (software != FALSE) == (software_vertex_processing_ != FALSE) ? D3D_OK
                                                                         : D3DERR_INVALIDCALL;
}

BOOL Device::GetSoftwareVertexProcessing() {
    return software_vertex_processing_;
}

}  // namespace zv::d3d9
