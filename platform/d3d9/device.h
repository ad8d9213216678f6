// The device: one windowed swap chain with a lockable back buffer, the few states the
// runtime sets (kept so that they read back), and presentation. Methods this platform
// does not implement answer D3DERR_INVALIDCALL.
#pragma once

#include "d3d9_private.h"

namespace zv::d3d9 {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"

class Device final : public IDirect3DDevice9 {
  public:
    Device(Direct3D* parent, HWND focus_window, DWORD behavior_flags,
           const D3DPRESENT_PARAMETERS& params);
    virtual ~Device();
    // Makes the back buffer (throws std::bad_alloc when its memory cannot be had).
    void CreateSwapChain();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDirect3DDevice9, in the SDK's order
    HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override;
    UINT STDMETHODCALLTYPE GetAvailableTextureMem() override;
    HRESULT STDMETHODCALLTYPE EvictManagedResources() override;
    HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D9** d3d9) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9* caps) override;
    HRESULT STDMETHODCALLTYPE GetDisplayMode(UINT swap_chain, D3DDISPLAYMODE* mode) override;
    HRESULT STDMETHODCALLTYPE
    GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) override;
    HRESULT STDMETHODCALLTYPE SetCursorProperties(UINT x_hot_spot, UINT y_hot_spot,
                                                  IDirect3DSurface9* cursor_bitmap) override {
        return D3DERR_INVALIDCALL;
    }
    void STDMETHODCALLTYPE SetCursorPosition(int x, int y, DWORD flags) override;
    BOOL STDMETHODCALLTYPE ShowCursor(BOOL show) override;
    HRESULT STDMETHODCALLTYPE CreateAdditionalSwapChain(
        D3DPRESENT_PARAMETERS* presentation_parameters, IDirect3DSwapChain9** swap_chain) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetSwapChain(UINT swap_chain_index,
                                           IDirect3DSwapChain9** swap_chain) override {
        return D3DERR_INVALIDCALL;
    }
    UINT STDMETHODCALLTYPE GetNumberOfSwapChains() override;
    HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS* presentation_parameters) override;
    HRESULT STDMETHODCALLTYPE Present(const RECT* src_rect, const RECT* dst_rect,
                                      HWND dst_window_override,
                                      const RGNDATA* dirty_region) override;
    HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT swap_chain, UINT back_buffer_index,
                                            D3DBACKBUFFER_TYPE type,
                                            IDirect3DSurface9** back_buffer) override;
    HRESULT STDMETHODCALLTYPE GetRasterStatus(UINT swap_chain,
                                              D3DRASTER_STATUS* raster_status) override;
    HRESULT STDMETHODCALLTYPE SetDialogBoxMode(BOOL enable_dialogs) override {
        return D3DERR_INVALIDCALL;
    }
    void STDMETHODCALLTYPE SetGammaRamp(UINT swap_chain, DWORD flags,
                                        const D3DGAMMARAMP* ramp) override;
    void STDMETHODCALLTYPE GetGammaRamp(UINT swap_chain, D3DGAMMARAMP* ramp) override;
    HRESULT STDMETHODCALLTYPE CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                            D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DTexture9** texture,
                                            HANDLE* shared_handle) override;
    HRESULT STDMETHODCALLTYPE CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels,
                                                  DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                                  IDirect3DVolumeTexture9** volume_texture,
                                                  HANDLE* shared_handle) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE CreateCubeTexture(UINT edge_length, UINT levels, DWORD usage,
                                                D3DFORMAT format, D3DPOOL pool,
                                                IDirect3DCubeTexture9** cube_texture,
                                                HANDLE* shared_handle) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                                 IDirect3DVertexBuffer9** vertex_buffer,
                                                 HANDLE* shared_handle) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                                                D3DPOOL pool, IDirect3DIndexBuffer9** index_buffer,
                                                HANDLE* shared_handle) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE CreateRenderTarget(UINT width, UINT height, D3DFORMAT format,
                                                 D3DMULTISAMPLE_TYPE multi_sample,
                                                 DWORD multisample_quality, BOOL lockable,
                                                 IDirect3DSurface9** surface,
                                                 HANDLE* shared_handle) override;
    HRESULT STDMETHODCALLTYPE CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                                        D3DMULTISAMPLE_TYPE multi_sample,
                                                        DWORD multisample_quality, BOOL discard,
                                                        IDirect3DSurface9** surface,
                                                        HANDLE* shared_handle) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE UpdateSurface(IDirect3DSurface9* src_surface, const RECT* src_rect,
                                            IDirect3DSurface9* dst_surface,
                                            const POINT* dst_point) override;
    HRESULT STDMETHODCALLTYPE UpdateTexture(IDirect3DBaseTexture9* source_texture,
                                            IDirect3DBaseTexture9* destination_texture) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetRenderTargetData(IDirect3DSurface9* render_target,
                                                  IDirect3DSurface9* dest_surface) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetFrontBufferData(UINT swap_chain,
                                                 IDirect3DSurface9* dest_surface) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE StretchRect(IDirect3DSurface9* src_surface, const RECT* src_rect,
                                          IDirect3DSurface9* dst_surface, const RECT* dst_rect,
                                          D3DTEXTUREFILTERTYPE filter) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE ColorFill(IDirect3DSurface9* surface, const RECT* rect,
                                        D3DCOLOR color) override;
    HRESULT STDMETHODCALLTYPE CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format,
                                                          D3DPOOL pool, IDirect3DSurface9** surface,
                                                          HANDLE* shared_handle) override;
    HRESULT STDMETHODCALLTYPE SetRenderTarget(DWORD render_target_index,
                                              IDirect3DSurface9* render_target) override;
    HRESULT STDMETHODCALLTYPE GetRenderTarget(DWORD render_target_index,
                                              IDirect3DSurface9** render_target) override;
    HRESULT STDMETHODCALLTYPE SetDepthStencilSurface(IDirect3DSurface9* z_stencil) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetDepthStencilSurface(IDirect3DSurface9** z_stencil) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE BeginScene() override;
    HRESULT STDMETHODCALLTYPE EndScene() override;
    HRESULT STDMETHODCALLTYPE Clear(DWORD rect_count, const D3DRECT* rects, DWORD flags,
                                    D3DCOLOR color, float z, DWORD stencil) override;
    HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE state,
                                           const D3DMATRIX* matrix) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE state,
                                           D3DMATRIX* matrix) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE MultiplyTransform(D3DTRANSFORMSTATETYPE state,
                                                const D3DMATRIX* matrix) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetViewport(const D3DVIEWPORT9* viewport) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetViewport(D3DVIEWPORT9* viewport) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetMaterial(const D3DMATERIAL9* material) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetMaterial(D3DMATERIAL9* material) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetLight(DWORD index, const D3DLIGHT9* light) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetLight(DWORD index, D3DLIGHT9* light) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE LightEnable(DWORD index, BOOL enable) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetLightEnable(DWORD index, BOOL* enable) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetClipPlane(DWORD index, const float* plane) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetClipPlane(DWORD index, float* plane) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT STDMETHODCALLTYPE CreateStateBlock(D3DSTATEBLOCKTYPE type,
                                               IDirect3DStateBlock9** sb) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE BeginStateBlock() override { return D3DERR_INVALIDCALL; }
    HRESULT STDMETHODCALLTYPE EndStateBlock(IDirect3DStateBlock9** sb) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetClipStatus(const D3DCLIPSTATUS9* clip_status) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetClipStatus(D3DCLIPSTATUS9* clip_status) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                                   DWORD* value) override;
    HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                                   DWORD value) override;
    HRESULT STDMETHODCALLTYPE GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type,
                                              DWORD* value) override;
    HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type,
                                              DWORD value) override;
    HRESULT STDMETHODCALLTYPE ValidateDevice(DWORD* num_passes) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetPaletteEntries(UINT palette_index,
                                                const PALETTEENTRY* entries) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetPaletteEntries(UINT palette_index,
                                                PALETTEENTRY* entries) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetCurrentTexturePalette(UINT palette_index) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetCurrentTexturePalette(UINT* palette_index) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetScissorRect(const RECT* rect) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetScissorRect(RECT* rect) override { return D3DERR_INVALIDCALL; }
    HRESULT STDMETHODCALLTYPE SetSoftwareVertexProcessing(BOOL software) override;
    BOOL STDMETHODCALLTYPE GetSoftwareVertexProcessing() override;
    HRESULT STDMETHODCALLTYPE SetNPatchMode(float segments) override { return D3DERR_INVALIDCALL; }
    float STDMETHODCALLTYPE GetNPatchMode() override;
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE primitive_type, UINT start_vertex,
                                            UINT primitive_count) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE primitive_type,
                                                   INT base_vertex_index, UINT min_vertex_index,
                                                   UINT num_vertices, UINT start_index,
                                                   UINT primitive_count) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE DrawPrimitiveUP(D3DPRIMITIVETYPE primitive_type, UINT primitive_count,
                                              const void* data, UINT stride) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitive_type,
                                                     UINT min_vertex_index, UINT vertex_count,
                                                     UINT primitive_count, const void* index_data,
                                                     D3DFORMAT index_format, const void* data,
                                                     UINT stride) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE ProcessVertices(UINT src_start_index, UINT dest_index,
                                              UINT vertex_count,
                                              IDirect3DVertexBuffer9* dest_buffer,
                                              IDirect3DVertexDeclaration9* vertex_decl,
                                              DWORD flags) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE CreateVertexDeclaration(
        const D3DVERTEXELEMENT9* elements, IDirect3DVertexDeclaration9** declaration) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE
    SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE
    GetVertexDeclaration(IDirect3DVertexDeclaration9** declaration) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetFVF(DWORD fvf) override { return D3DERR_INVALIDCALL; }
    HRESULT STDMETHODCALLTYPE GetFVF(DWORD* fvf) override { return D3DERR_INVALIDCALL; }
    HRESULT STDMETHODCALLTYPE CreateVertexShader(const DWORD* byte_code,
                                                 IDirect3DVertexShader9** shader) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetVertexShader(IDirect3DVertexShader9* shader) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetVertexShader(IDirect3DVertexShader9** shader) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantF(UINT register_index, const float* data,
                                                       UINT count) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstantF(UINT register_index, float* data,
                                                       UINT count) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantI(UINT register_index, const int* data,
                                                       UINT count) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstantI(UINT register_index, int* data,
                                                       UINT count) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantB(UINT register_index, const BOOL* data,
                                                       UINT count) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstantB(UINT register_index, BOOL* data,
                                                       UINT count) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT stream, IDirect3DVertexBuffer9* stream_data,
                                              UINT offset, UINT stride) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetStreamSource(UINT stream, IDirect3DVertexBuffer9** stream_data,
                                              UINT* offset, UINT* stride) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetStreamSourceFreq(UINT stream, UINT divider) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetStreamSourceFreq(UINT stream, UINT* divider) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer9* index_data) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetIndices(IDirect3DIndexBuffer9** index_data) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE CreatePixelShader(const DWORD* byte_code,
                                                IDirect3DPixelShader9** shader) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetPixelShader(IDirect3DPixelShader9* shader) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetPixelShader(IDirect3DPixelShader9** shader) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantF(UINT register_index, const float* data,
                                                      UINT count) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstantF(UINT register_index, float* data,
                                                      UINT count) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantI(UINT register_index, const int* data,
                                                      UINT count) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstantI(UINT register_index, int* data,
                                                      UINT count) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantB(UINT register_index, const BOOL* data,
                                                      UINT count) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstantB(UINT register_index, BOOL* data,
                                                      UINT count) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE DrawRectPatch(UINT handle, const float* segment_count,
                                            const D3DRECTPATCH_INFO* patch_info) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE DrawTriPatch(UINT handle, const float* segment_count,
                                           const D3DTRIPATCH_INFO* patch_info) override {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE DeletePatch(UINT handle) override { return D3DERR_INVALIDCALL; }
    HRESULT STDMETHODCALLTYPE CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) override {
        return D3DERR_INVALIDCALL;
    }
    // For the tests.
    void ScriptCooperativeLevel(std::vector<CooperativePhase> phases);
    bool LastPresent(PresentRecord* record) const;
    size_t PresentCount() const;
    const D3DPRESENT_PARAMETERS& params() const { return params_; }
    DWORD behavior_flags() const { return behavior_flags_; }
    Surface* back_buffer() const { return back_buffer_.get(); }
    size_t reset_count() const { return reset_count_; }

  private:
    HRESULT CurrentLevel();
    HRESULT PresentFrame(const RECT* src_rect, const RECT* dst_rect, HWND window);

    Direct3D* parent_;
    zv::ComRefCount refs_;
    HWND focus_window_;
    DWORD behavior_flags_;
    D3DPRESENT_PARAMETERS params_;
    std::unique_ptr<Surface> back_buffer_;
    IDirect3DSurface9* render_target_ =
        nullptr;  // a reference is held unless it is the back buffer
    DWORD render_states_[256] = {};
    DWORD stage_states_[8][33] = {};
    DWORD sampler_states_[16][14] = {};
    BOOL software_vertex_processing_ = FALSE;
    bool in_scene_ = false;

    mutable std::mutex script_mutex_;
    std::vector<CooperativePhase> script_;
    uint64_t script_start_ms_ = 0;

    mutable std::mutex present_mutex_;
    PresentRecord last_present_;
    std::vector<uint32_t> staging_;
    std::vector<uint32_t> columns_;  // byte offset of the source pixel of each column
    size_t reset_count_ = 0;

  public:
    // Resources of the default pool made by the program (not the swap chain's): Reset
    // refuses to run while any is alive, as Direct3D does.
    std::atomic<int> default_pool_resources{0};
};

#pragma GCC diagnostic pop

}  // namespace zv::d3d9
