// The Direct3D object: the adapter's facts and the device factory.
#pragma once

#include "d3d9_private.h"

namespace zv::d3d9 {

class Direct3D final : public IDirect3D9 {
  public:
    Direct3D();
    virtual ~Direct3D();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE RegisterSoftwareDevice(void* initialize_function) override;
    UINT STDMETHODCALLTYPE GetAdapterCount() override;
    HRESULT STDMETHODCALLTYPE GetAdapterIdentifier(UINT adapter, DWORD flags,
                                                   D3DADAPTER_IDENTIFIER9* identifier) override;
    UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT adapter, D3DFORMAT format) override;
    HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                                               D3DDISPLAYMODE* display_mode) override;
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT adapter, D3DDEVTYPE device_type,
                                              D3DFORMAT display_format,
                                              D3DFORMAT back_buffer_format, BOOL windowed) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT adapter, D3DDEVTYPE device_type,
                                                D3DFORMAT adapter_format, DWORD usage,
                                                D3DRESOURCETYPE resource_type,
                                                D3DFORMAT check_format) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE device_type,
                                                         D3DFORMAT surface_format, BOOL windowed,
                                                         D3DMULTISAMPLE_TYPE multi_sample_type,
                                                         DWORD* quality_levels) override;
    HRESULT STDMETHODCALLTYPE CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE device_type,
                                                     D3DFORMAT adapter_format,
                                                     D3DFORMAT render_target_format,
                                                     D3DFORMAT depth_stencil_format) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceFormatConversion(UINT adapter, D3DDEVTYPE device_type,
                                                          D3DFORMAT source_format,
                                                          D3DFORMAT target_format) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT adapter, D3DDEVTYPE device_type,
                                            D3DCAPS9* caps) override;
    HMONITOR STDMETHODCALLTYPE GetAdapterMonitor(UINT adapter) override;
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE device_type, HWND focus_window,
                                           DWORD behavior_flags, D3DPRESENT_PARAMETERS* params,
                                           IDirect3DDevice9** returned_device) override;

  private:
    zv::ComRefCount refs_;
};

void FillCaps(D3DCAPS9* caps, bool hardware_tnl);
HRESULT CheckPresentParameters(HWND focus_window, D3DPRESENT_PARAMETERS* params,
                               const AdapterSettings& adapter);

}  // namespace zv::d3d9
