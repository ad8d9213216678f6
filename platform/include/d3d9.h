// Direct3D 9, as the Windows SDK declares it for C++: the interfaces are abstract classes
// whose virtual functions follow the SDK's vtable order, so code written against the
// SDK (`device->Present(...)`) compiles unchanged. Interfaces and methods this platform
// does not implement keep their place in the order and answer D3DERR_INVALIDCALL; the
// records they take are declared only as far as they are passed by pointer.
#pragma once

#include "unknwn.h"
#include "windows.h"

#define D3D_SDK_VERSION 32
#define D3DADAPTER_DEFAULT 0

// ---- Results ---------------------------------------------------------------------------
#define _FACD3D 0x876
#define MAKE_D3DHRESULT(code) ((HRESULT)(0x80000000u | (_FACD3D << 16) | (code)))
#define MAKE_D3DSTATUS(code) ((HRESULT)((_FACD3D << 16) | (code)))
#define D3D_OK S_OK
#define D3DERR_WRONGTEXTUREFORMAT MAKE_D3DHRESULT(2072)
#define D3DERR_DRIVERINTERNALERROR MAKE_D3DHRESULT(2087)
#define D3DERR_NOTFOUND MAKE_D3DHRESULT(2150)
#define D3DERR_MOREDATA MAKE_D3DHRESULT(2151)
#define D3DERR_DEVICELOST MAKE_D3DHRESULT(2152)
#define D3DERR_DEVICENOTRESET MAKE_D3DHRESULT(2153)
#define D3DERR_NOTAVAILABLE MAKE_D3DHRESULT(2154)
#define D3DERR_OUTOFVIDEOMEMORY MAKE_D3DHRESULT(380)
#define D3DERR_INVALIDDEVICE MAKE_D3DHRESULT(2155)
#define D3DERR_INVALIDCALL MAKE_D3DHRESULT(2156)
#define D3DERR_DRIVERINVALIDCALL MAKE_D3DHRESULT(2157)
#define D3DERR_WASSTILLDRAWING MAKE_D3DHRESULT(540)

// ---- Creation and presentation flags ---------------------------------------------------
#define D3DCREATE_FPU_PRESERVE 0x00000002L
#define D3DCREATE_MULTITHREADED 0x00000004L
#define D3DCREATE_PUREDEVICE 0x00000010L
#define D3DCREATE_SOFTWARE_VERTEXPROCESSING 0x00000020L
#define D3DCREATE_HARDWARE_VERTEXPROCESSING 0x00000040L
#define D3DCREATE_MIXED_VERTEXPROCESSING 0x00000080L

#define D3DPRESENTFLAG_LOCKABLE_BACKBUFFER 0x00000001
#define D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL 0x00000002

#define D3DPRESENT_INTERVAL_DEFAULT 0x00000000
#define D3DPRESENT_INTERVAL_ONE 0x00000001
#define D3DPRESENT_INTERVAL_TWO 0x00000002
#define D3DPRESENT_INTERVAL_THREE 0x00000004
#define D3DPRESENT_INTERVAL_FOUR 0x00000008
#define D3DPRESENT_INTERVAL_IMMEDIATE 0x80000000

#define D3DCLEAR_TARGET 0x00000001L
#define D3DCLEAR_ZBUFFER 0x00000002L
#define D3DCLEAR_STENCIL 0x00000004L

#define D3DLOCK_READONLY 0x0010
#define D3DLOCK_NOSYSLOCK 0x0800
#define D3DLOCK_NOOVERWRITE 0x1000
#define D3DLOCK_DISCARD 0x2000
#define D3DLOCK_DONOTWAIT 0x4000
#define D3DLOCK_NO_DIRTY_UPDATE 0x8000

#define D3DUSAGE_RENDERTARGET 0x00000001L
#define D3DUSAGE_DEPTHSTENCIL 0x00000002L
#define D3DUSAGE_DYNAMIC 0x00000200L

#define D3DDEVCAPS_HWTRANSFORMANDLIGHT 0x00010000L

typedef DWORD D3DCOLOR;
#define D3DCOLOR_ARGB(a, r, g, b) \
    ((D3DCOLOR)((((a)&0xff) << 24) | (((r)&0xff) << 16) | (((g)&0xff) << 8) | ((b)&0xff)))
#define D3DCOLOR_XRGB(r, g, b) D3DCOLOR_ARGB(0xff, r, g, b)

// ---- Enumerations ----------------------------------------------------------------------
typedef enum _D3DFORMAT {
    D3DFMT_UNKNOWN = 0,
    D3DFMT_R8G8B8 = 20,
    D3DFMT_A8R8G8B8 = 21,
    D3DFMT_X8R8G8B8 = 22,
    D3DFMT_R5G6B5 = 23,
    D3DFMT_X1R5G5B5 = 24,
    D3DFMT_A1R5G5B5 = 25,
    D3DFMT_A4R4G4B4 = 26,
    D3DFMT_R3G3B2 = 27,
    D3DFMT_A8 = 28,
    D3DFMT_A8R3G3B2 = 29,
    D3DFMT_X4R4G4B4 = 30,
    D3DFMT_A2B10G10R10 = 31,
    D3DFMT_A8B8G8R8 = 32,
    D3DFMT_X8B8G8R8 = 33,
    D3DFMT_G16R16 = 34,
    D3DFMT_A2R10G10B10 = 35,
    D3DFMT_A16B16G16R16 = 36,
    D3DFMT_A8P8 = 40,
    D3DFMT_P8 = 41,
    D3DFMT_L8 = 50,
    D3DFMT_A8L8 = 51,
    D3DFMT_A4L4 = 52,
    D3DFMT_D16_LOCKABLE = 70,
    D3DFMT_D32 = 71,
    D3DFMT_D15S1 = 73,
    D3DFMT_D24S8 = 75,
    D3DFMT_D24X8 = 77,
    D3DFMT_D24X4S4 = 79,
    D3DFMT_D16 = 80,
    D3DFMT_INDEX16 = 101,
    D3DFMT_INDEX32 = 102,
    D3DFMT_FORCE_DWORD = 0x7fffffff
} D3DFORMAT;

typedef enum _D3DDEVTYPE {
    D3DDEVTYPE_HAL = 1,
    D3DDEVTYPE_REF = 2,
    D3DDEVTYPE_SW = 3,
    D3DDEVTYPE_NULLREF = 4,
    D3DDEVTYPE_FORCE_DWORD = 0x7fffffff
} D3DDEVTYPE;

typedef enum _D3DMULTISAMPLE_TYPE {
    D3DMULTISAMPLE_NONE = 0,
    D3DMULTISAMPLE_NONMASKABLE = 1,
    D3DMULTISAMPLE_2_SAMPLES = 2,
    D3DMULTISAMPLE_4_SAMPLES = 4,
    D3DMULTISAMPLE_FORCE_DWORD = 0x7fffffff
} D3DMULTISAMPLE_TYPE;

typedef enum _D3DSWAPEFFECT {
    D3DSWAPEFFECT_DISCARD = 1,
    D3DSWAPEFFECT_FLIP = 2,
    D3DSWAPEFFECT_COPY = 3,
    D3DSWAPEFFECT_FORCE_DWORD = 0x7fffffff
} D3DSWAPEFFECT;

typedef enum _D3DBACKBUFFER_TYPE {
    D3DBACKBUFFER_TYPE_MONO = 0,
    D3DBACKBUFFER_TYPE_LEFT = 1,
    D3DBACKBUFFER_TYPE_RIGHT = 2,
    D3DBACKBUFFER_TYPE_FORCE_DWORD = 0x7fffffff
} D3DBACKBUFFER_TYPE;

typedef enum _D3DPOOL {
    D3DPOOL_DEFAULT = 0,
    D3DPOOL_MANAGED = 1,
    D3DPOOL_SYSTEMMEM = 2,
    D3DPOOL_SCRATCH = 3,
    D3DPOOL_FORCE_DWORD = 0x7fffffff
} D3DPOOL;

typedef enum _D3DRESOURCETYPE {
    D3DRTYPE_SURFACE = 1,
    D3DRTYPE_VOLUME = 2,
    D3DRTYPE_TEXTURE = 3,
    D3DRTYPE_VOLUMETEXTURE = 4,
    D3DRTYPE_CUBETEXTURE = 5,
    D3DRTYPE_VERTEXBUFFER = 6,
    D3DRTYPE_INDEXBUFFER = 7,
    D3DRTYPE_FORCE_DWORD = 0x7fffffff
} D3DRESOURCETYPE;

typedef enum _D3DRENDERSTATETYPE {
    D3DRS_ZENABLE = 7,
    D3DRS_FILLMODE = 8,
    D3DRS_SHADEMODE = 9,
    D3DRS_ZWRITEENABLE = 14,
    D3DRS_ALPHATESTENABLE = 15,
    D3DRS_SRCBLEND = 19,
    D3DRS_DESTBLEND = 20,
    D3DRS_CULLMODE = 22,
    D3DRS_ALPHABLENDENABLE = 27,
    D3DRS_LIGHTING = 137,
    D3DRS_MULTISAMPLEANTIALIAS = 161,
    D3DRS_FORCE_DWORD = 0x7fffffff
} D3DRENDERSTATETYPE;

typedef enum _D3DTEXTURESTAGESTATETYPE {
    D3DTSS_COLOROP = 1,
    D3DTSS_COLORARG1 = 2,
    D3DTSS_COLORARG2 = 3,
    D3DTSS_ALPHAOP = 4,
    D3DTSS_ALPHAARG1 = 5,
    D3DTSS_ALPHAARG2 = 6,
    D3DTSS_FORCE_DWORD = 0x7fffffff
} D3DTEXTURESTAGESTATETYPE;

typedef enum _D3DTEXTUREOP {
    D3DTOP_DISABLE = 1,
    D3DTOP_SELECTARG1 = 2,
    D3DTOP_SELECTARG2 = 3,
    D3DTOP_MODULATE = 4,
    D3DTOP_FORCE_DWORD = 0x7fffffff
} D3DTEXTUREOP;

typedef enum _D3DSAMPLERSTATETYPE {
    D3DSAMP_ADDRESSU = 1,
    D3DSAMP_ADDRESSV = 2,
    D3DSAMP_ADDRESSW = 3,
    D3DSAMP_BORDERCOLOR = 4,
    D3DSAMP_MAGFILTER = 5,
    D3DSAMP_MINFILTER = 6,
    D3DSAMP_MIPFILTER = 7,
    D3DSAMP_FORCE_DWORD = 0x7fffffff
} D3DSAMPLERSTATETYPE;

typedef enum _D3DTEXTUREFILTERTYPE {
    D3DTEXF_NONE = 0,
    D3DTEXF_POINT = 1,
    D3DTEXF_LINEAR = 2,
    D3DTEXF_ANISOTROPIC = 3,
    D3DTEXF_FORCE_DWORD = 0x7fffffff
} D3DTEXTUREFILTERTYPE;

typedef enum _D3DTRANSFORMSTATETYPE {
    D3DTS_VIEW = 2,
    D3DTS_PROJECTION = 3,
    D3DTS_FORCE_DWORD = 0x7fffffff
} D3DTRANSFORMSTATETYPE;

typedef enum _D3DPRIMITIVETYPE {
    D3DPT_POINTLIST = 1,
    D3DPT_LINELIST = 2,
    D3DPT_LINESTRIP = 3,
    D3DPT_TRIANGLELIST = 4,
    D3DPT_TRIANGLESTRIP = 5,
    D3DPT_TRIANGLEFAN = 6,
    D3DPT_FORCE_DWORD = 0x7fffffff
} D3DPRIMITIVETYPE;

typedef enum _D3DSTATEBLOCKTYPE {
    D3DSBT_ALL = 1,
    D3DSBT_PIXELSTATE = 2,
    D3DSBT_VERTEXSTATE = 3,
    D3DSBT_FORCE_DWORD = 0x7fffffff
} D3DSTATEBLOCKTYPE;

typedef enum _D3DQUERYTYPE {
    D3DQUERYTYPE_EVENT = 8,
    D3DQUERYTYPE_FORCE_DWORD = 0x7fffffff
} D3DQUERYTYPE;

typedef enum _D3DCUBEMAP_FACES {
    D3DCUBEMAP_FACE_POSITIVE_X = 0,
    D3DCUBEMAP_FACE_FORCE_DWORD = 0x7fffffff
} D3DCUBEMAP_FACES;

// ---- Records ---------------------------------------------------------------------------
typedef struct _D3DDISPLAYMODE {
    UINT Width;
    UINT Height;
    UINT RefreshRate;
    D3DFORMAT Format;
} D3DDISPLAYMODE;

typedef struct _D3DPRESENT_PARAMETERS_ {
    UINT BackBufferWidth;
    UINT BackBufferHeight;
    D3DFORMAT BackBufferFormat;
    UINT BackBufferCount;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    DWORD MultiSampleQuality;
    D3DSWAPEFFECT SwapEffect;
    HWND hDeviceWindow;
    BOOL Windowed;
    BOOL EnableAutoDepthStencil;
    D3DFORMAT AutoDepthStencilFormat;
    DWORD Flags;
    UINT FullScreen_RefreshRateInHz;
    UINT PresentationInterval;
} D3DPRESENT_PARAMETERS;

typedef struct _D3DLOCKED_RECT {
    INT Pitch;
    void* pBits;
} D3DLOCKED_RECT;

typedef struct _D3DSURFACE_DESC {
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    DWORD MultiSampleQuality;
    UINT Width;
    UINT Height;
} D3DSURFACE_DESC;

typedef struct _D3DRECT {
    LONG x1;
    LONG y1;
    LONG x2;
    LONG y2;
} D3DRECT;

typedef struct _D3DRASTER_STATUS {
    BOOL InVBlank;
    UINT ScanLine;
} D3DRASTER_STATUS;

typedef struct _D3DDEVICE_CREATION_PARAMETERS {
    UINT AdapterOrdinal;
    D3DDEVTYPE DeviceType;
    HWND hFocusWindow;
    DWORD BehaviorFlags;
} D3DDEVICE_CREATION_PARAMETERS;

typedef struct _D3DVSHADERCAPS2_0 {
    DWORD Caps;
    INT DynamicFlowControlDepth;
    INT NumTemps;
    INT StaticFlowControlDepth;
} D3DVSHADERCAPS2_0;

typedef struct _D3DPSHADERCAPS2_0 {
    DWORD Caps;
    INT DynamicFlowControlDepth;
    INT NumTemps;
    INT StaticFlowControlDepth;
    INT NumInstructionSlots;
} D3DPSHADERCAPS2_0;

typedef struct _D3DCAPS9 {
    D3DDEVTYPE DeviceType;
    UINT AdapterOrdinal;
    DWORD Caps;
    DWORD Caps2;
    DWORD Caps3;
    DWORD PresentationIntervals;
    DWORD CursorCaps;
    DWORD DevCaps;
    DWORD PrimitiveMiscCaps;
    DWORD RasterCaps;
    DWORD ZCmpCaps;
    DWORD SrcBlendCaps;
    DWORD DestBlendCaps;
    DWORD AlphaCmpCaps;
    DWORD ShadeCaps;
    DWORD TextureCaps;
    DWORD TextureFilterCaps;
    DWORD CubeTextureFilterCaps;
    DWORD VolumeTextureFilterCaps;
    DWORD TextureAddressCaps;
    DWORD VolumeTextureAddressCaps;
    DWORD LineCaps;
    DWORD MaxTextureWidth, MaxTextureHeight;
    DWORD MaxVolumeExtent;
    DWORD MaxTextureRepeat;
    DWORD MaxTextureAspectRatio;
    DWORD MaxAnisotropy;
    float MaxVertexW;
    float GuardBandLeft;
    float GuardBandTop;
    float GuardBandRight;
    float GuardBandBottom;
    float ExtentsAdjust;
    DWORD StencilCaps;
    DWORD FVFCaps;
    DWORD TextureOpCaps;
    DWORD MaxTextureBlendStages;
    DWORD MaxSimultaneousTextures;
    DWORD VertexProcessingCaps;
    DWORD MaxActiveLights;
    DWORD MaxUserClipPlanes;
    DWORD MaxVertexBlendMatrices;
    DWORD MaxVertexBlendMatrixIndex;
    float MaxPointSize;
    DWORD MaxPrimitiveCount;
    DWORD MaxVertexIndex;
    DWORD MaxStreams;
    DWORD MaxStreamStride;
    DWORD VertexShaderVersion;
    DWORD MaxVertexShaderConst;
    DWORD PixelShaderVersion;
    float PixelShader1xMaxValue;
    DWORD DevCaps2;
    float MaxNpatchTessellationLevel;
    DWORD Reserved5;
    UINT MasterAdapterOrdinal;
    UINT AdapterOrdinalInGroup;
    UINT NumberOfAdaptersInGroup;
    DWORD DeclTypes;
    DWORD NumSimultaneousRTs;
    DWORD StretchRectFilterCaps;
    D3DVSHADERCAPS2_0 VS20Caps;
    D3DPSHADERCAPS2_0 PS20Caps;
    DWORD VertexTextureFilterCaps;
    DWORD MaxVShaderInstructionsExecuted;
    DWORD MaxPShaderInstructionsExecuted;
    DWORD MaxVertexShader30InstructionSlots;
    DWORD MaxPixelShader30InstructionSlots;
} D3DCAPS9;

// Records that only unimplemented methods take, always by pointer.
typedef struct _D3DADAPTER_IDENTIFIER9 D3DADAPTER_IDENTIFIER9;
typedef struct _D3DGAMMARAMP D3DGAMMARAMP;
typedef struct _D3DMATRIX D3DMATRIX;
typedef struct _D3DVIEWPORT9 D3DVIEWPORT9;
typedef struct _D3DMATERIAL9 D3DMATERIAL9;
typedef struct _D3DLIGHT9 D3DLIGHT9;
typedef struct _D3DCLIPSTATUS9 D3DCLIPSTATUS9;
typedef struct _D3DVERTEXELEMENT9 D3DVERTEXELEMENT9;
typedef struct _D3DRECTPATCH_INFO D3DRECTPATCH_INFO;
typedef struct _D3DTRIPATCH_INFO D3DTRIPATCH_INFO;
typedef struct _D3DVOLUME_DESC D3DVOLUME_DESC;
typedef struct _D3DLOCKED_BOX D3DLOCKED_BOX;
typedef struct _D3DBOX D3DBOX;
typedef struct _RGNDATA RGNDATA;

// ---- Interfaces ------------------------------------------------------------------------
struct IDirect3D9;
struct IDirect3DDevice9;
struct IDirect3DSwapChain9;
struct IDirect3DResource9;
struct IDirect3DBaseTexture9;
struct IDirect3DTexture9;
struct IDirect3DVolumeTexture9;
struct IDirect3DCubeTexture9;
struct IDirect3DVertexBuffer9;
struct IDirect3DIndexBuffer9;
struct IDirect3DSurface9;
struct IDirect3DVolume9;
struct IDirect3DVertexDeclaration9;
struct IDirect3DVertexShader9;
struct IDirect3DPixelShader9;
struct IDirect3DStateBlock9;
struct IDirect3DQuery9;

typedef struct IDirect3D9* LPDIRECT3D9;
typedef struct IDirect3DDevice9* LPDIRECT3DDEVICE9;
typedef struct IDirect3DSurface9* LPDIRECT3DSURFACE9;
typedef struct IDirect3DTexture9* LPDIRECT3DTEXTURE9;

struct IDirect3D9 : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE RegisterSoftwareDevice(void* initialize_function) = 0;
    virtual UINT STDMETHODCALLTYPE GetAdapterCount() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAdapterIdentifier(UINT adapter, DWORD flags,
                                                           D3DADAPTER_IDENTIFIER9* identifier) = 0;
    virtual UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT adapter, D3DFORMAT format) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                                                       D3DDISPLAYMODE* display_mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT adapter, D3DDEVTYPE device_type,
                                                      D3DFORMAT display_format,
                                                      D3DFORMAT back_buffer_format,
                                                      BOOL windowed) = 0;
    virtual HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT adapter, D3DDEVTYPE device_type,
                                                        D3DFORMAT adapter_format, DWORD usage,
                                                        D3DRESOURCETYPE resource_type,
                                                        D3DFORMAT check_format) = 0;
    virtual HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(
        UINT adapter, D3DDEVTYPE device_type, D3DFORMAT surface_format, BOOL windowed,
        D3DMULTISAMPLE_TYPE multi_sample_type, DWORD* quality_levels) = 0;
    virtual HRESULT STDMETHODCALLTYPE CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE device_type,
                                                             D3DFORMAT adapter_format,
                                                             D3DFORMAT render_target_format,
                                                             D3DFORMAT depth_stencil_format) = 0;
    virtual HRESULT STDMETHODCALLTYPE CheckDeviceFormatConversion(UINT adapter,
                                                                  D3DDEVTYPE device_type,
                                                                  D3DFORMAT source_format,
                                                                  D3DFORMAT target_format) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT adapter, D3DDEVTYPE device_type,
                                                    D3DCAPS9* caps) = 0;
    virtual HMONITOR STDMETHODCALLTYPE GetAdapterMonitor(UINT adapter) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE device_type,
                                                   HWND focus_window, DWORD behavior_flags,
                                                   D3DPRESENT_PARAMETERS* presentation_parameters,
                                                   IDirect3DDevice9** returned_device) = 0;

  protected:
    ~IDirect3D9() = default;
};

struct IDirect3DResource9 : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID guid, const void* data,
                                                     DWORD data_size, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID guid, void* data,
                                                     DWORD* data_size) = 0;
    virtual HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID guid) = 0;
    virtual DWORD STDMETHODCALLTYPE SetPriority(DWORD priority) = 0;
    virtual DWORD STDMETHODCALLTYPE GetPriority() = 0;
    virtual void STDMETHODCALLTYPE PreLoad() = 0;
    virtual D3DRESOURCETYPE STDMETHODCALLTYPE GetType() = 0;

  protected:
    ~IDirect3DResource9() = default;
};

struct IDirect3DSurface9 : public IDirect3DResource9 {
    virtual HRESULT STDMETHODCALLTYPE GetContainer(REFIID riid, void** container) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* desc) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT* locked_rect, const RECT* rect,
                                               DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnlockRect() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDC(HDC* hdc) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReleaseDC(HDC hdc) = 0;

  protected:
    ~IDirect3DSurface9() = default;
};

struct IDirect3DBaseTexture9 : public IDirect3DResource9 {
    virtual DWORD STDMETHODCALLTYPE SetLOD(DWORD lod) = 0;
    virtual DWORD STDMETHODCALLTYPE GetLOD() = 0;
    virtual DWORD STDMETHODCALLTYPE GetLevelCount() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetAutoGenFilterType(D3DTEXTUREFILTERTYPE filter_type) = 0;
    virtual D3DTEXTUREFILTERTYPE STDMETHODCALLTYPE GetAutoGenFilterType() = 0;
    virtual void STDMETHODCALLTYPE GenerateMipSubLevels() = 0;

  protected:
    ~IDirect3DBaseTexture9() = default;
};

struct IDirect3DTexture9 : public IDirect3DBaseTexture9 {
    virtual HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockRect(UINT level, D3DLOCKED_RECT* locked_rect,
                                               const RECT* rect, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnlockRect(UINT level) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddDirtyRect(const RECT* dirty_rect) = 0;

  protected:
    ~IDirect3DTexture9() = default;
};

struct IDirect3DDevice9 : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE TestCooperativeLevel() = 0;
    virtual UINT STDMETHODCALLTYPE GetAvailableTextureMem() = 0;
    virtual HRESULT STDMETHODCALLTYPE EvictManagedResources() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D9** d3d9) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9* caps) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDisplayMode(UINT swap_chain, D3DDISPLAYMODE* mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCursorProperties(UINT x_hot_spot, UINT y_hot_spot,
                                                          IDirect3DSurface9* cursor_bitmap) = 0;
    virtual void STDMETHODCALLTYPE SetCursorPosition(int x, int y, DWORD flags) = 0;
    virtual BOOL STDMETHODCALLTYPE ShowCursor(BOOL show) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateAdditionalSwapChain(
        D3DPRESENT_PARAMETERS* presentation_parameters, IDirect3DSwapChain9** swap_chain) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSwapChain(UINT swap_chain_index,
                                                   IDirect3DSwapChain9** swap_chain) = 0;
    virtual UINT STDMETHODCALLTYPE GetNumberOfSwapChains() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS* presentation_parameters) = 0;
    virtual HRESULT STDMETHODCALLTYPE Present(const RECT* src_rect, const RECT* dst_rect,
                                              HWND dst_window_override,
                                              const RGNDATA* dirty_region) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT swap_chain, UINT back_buffer_index,
                                                    D3DBACKBUFFER_TYPE type,
                                                    IDirect3DSurface9** back_buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRasterStatus(UINT swap_chain,
                                                      D3DRASTER_STATUS* raster_status) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDialogBoxMode(BOOL enable_dialogs) = 0;
    virtual void STDMETHODCALLTYPE SetGammaRamp(UINT swap_chain, DWORD flags,
                                                const D3DGAMMARAMP* ramp) = 0;
    virtual void STDMETHODCALLTYPE GetGammaRamp(UINT swap_chain, D3DGAMMARAMP* ramp) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateTexture(UINT width, UINT height, UINT levels,
                                                    DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                                    IDirect3DTexture9** texture,
                                                    HANDLE* shared_handle) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateVolumeTexture(UINT width, UINT height, UINT depth,
                                                          UINT levels, DWORD usage,
                                                          D3DFORMAT format, D3DPOOL pool,
                                                          IDirect3DVolumeTexture9** volume_texture,
                                                          HANDLE* shared_handle) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateCubeTexture(UINT edge_length, UINT levels, DWORD usage,
                                                        D3DFORMAT format, D3DPOOL pool,
                                                        IDirect3DCubeTexture9** cube_texture,
                                                        HANDLE* shared_handle) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf,
                                                         D3DPOOL pool,
                                                         IDirect3DVertexBuffer9** vertex_buffer,
                                                         HANDLE* shared_handle) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                                                        D3DPOOL pool,
                                                        IDirect3DIndexBuffer9** index_buffer,
                                                        HANDLE* shared_handle) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateRenderTarget(UINT width, UINT height, D3DFORMAT format,
                                                         D3DMULTISAMPLE_TYPE multi_sample,
                                                         DWORD multisample_quality, BOOL lockable,
                                                         IDirect3DSurface9** surface,
                                                         HANDLE* shared_handle) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                              D3DMULTISAMPLE_TYPE multi_sample, DWORD multisample_quality,
                              BOOL discard, IDirect3DSurface9** surface, HANDLE* shared_handle) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateSurface(IDirect3DSurface9* src_surface,
                                                    const RECT* src_rect,
                                                    IDirect3DSurface9* dst_surface,
                                                    const POINT* dst_point) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateTexture(IDirect3DBaseTexture9* source_texture,
                                                    IDirect3DBaseTexture9* destination_texture) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRenderTargetData(IDirect3DSurface9* render_target,
                                                          IDirect3DSurface9* dest_surface) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFrontBufferData(UINT swap_chain,
                                                         IDirect3DSurface9* dest_surface) = 0;
    virtual HRESULT STDMETHODCALLTYPE StretchRect(IDirect3DSurface9* src_surface,
                                                  const RECT* src_rect,
                                                  IDirect3DSurface9* dst_surface,
                                                  const RECT* dst_rect,
                                                  D3DTEXTUREFILTERTYPE filter) = 0;
    virtual HRESULT STDMETHODCALLTYPE ColorFill(IDirect3DSurface9* surface, const RECT* rect,
                                                D3DCOLOR color) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateOffscreenPlainSurface(UINT width, UINT height,
                                                                  D3DFORMAT format, D3DPOOL pool,
                                                                  IDirect3DSurface9** surface,
                                                                  HANDLE* shared_handle) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRenderTarget(DWORD render_target_index,
                                                      IDirect3DSurface9* render_target) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRenderTarget(DWORD render_target_index,
                                                      IDirect3DSurface9** render_target) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDepthStencilSurface(IDirect3DSurface9* z_stencil) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDepthStencilSurface(IDirect3DSurface9** z_stencil) = 0;
    virtual HRESULT STDMETHODCALLTYPE BeginScene() = 0;
    virtual HRESULT STDMETHODCALLTYPE EndScene() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clear(DWORD rect_count, const D3DRECT* rects, DWORD flags,
                                            D3DCOLOR color, float z, DWORD stencil) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE state,
                                                   const D3DMATRIX* matrix) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE state,
                                                   D3DMATRIX* matrix) = 0;
    virtual HRESULT STDMETHODCALLTYPE MultiplyTransform(D3DTRANSFORMSTATETYPE state,
                                                        const D3DMATRIX* matrix) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetViewport(const D3DVIEWPORT9* viewport) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetViewport(D3DVIEWPORT9* viewport) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMaterial(const D3DMATERIAL9* material) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMaterial(D3DMATERIAL9* material) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLight(DWORD index, const D3DLIGHT9* light) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLight(DWORD index, D3DLIGHT9* light) = 0;
    virtual HRESULT STDMETHODCALLTYPE LightEnable(DWORD index, BOOL enable) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLightEnable(DWORD index, BOOL* enable) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetClipPlane(DWORD index, const float* plane) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClipPlane(DWORD index, float* plane) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateStateBlock(D3DSTATEBLOCKTYPE type,
                                                       IDirect3DStateBlock9** sb) = 0;
    virtual HRESULT STDMETHODCALLTYPE BeginStateBlock() = 0;
    virtual HRESULT STDMETHODCALLTYPE EndStateBlock(IDirect3DStateBlock9** sb) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetClipStatus(const D3DCLIPSTATUS9* clip_status) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClipStatus(D3DCLIPSTATUS9* clip_status) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD stage,
                                                           D3DTEXTURESTAGESTATETYPE type,
                                                           DWORD* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD stage,
                                                           D3DTEXTURESTAGESTATETYPE type,
                                                           DWORD value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type,
                                                      DWORD* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type,
                                                      DWORD value) = 0;
    virtual HRESULT STDMETHODCALLTYPE ValidateDevice(DWORD* num_passes) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPaletteEntries(UINT palette_index,
                                                        const PALETTEENTRY* entries) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPaletteEntries(UINT palette_index,
                                                        PALETTEENTRY* entries) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCurrentTexturePalette(UINT palette_index) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentTexturePalette(UINT* palette_index) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetScissorRect(const RECT* rect) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetScissorRect(RECT* rect) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSoftwareVertexProcessing(BOOL software) = 0;
    virtual BOOL STDMETHODCALLTYPE GetSoftwareVertexProcessing() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetNPatchMode(float segments) = 0;
    virtual float STDMETHODCALLTYPE GetNPatchMode() = 0;
    virtual HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE primitive_type,
                                                    UINT start_vertex, UINT primitive_count) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE primitive_type,
                                                           INT base_vertex_index,
                                                           UINT min_vertex_index, UINT num_vertices,
                                                           UINT start_index,
                                                           UINT primitive_count) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrawPrimitiveUP(D3DPRIMITIVETYPE primitive_type,
                                                      UINT primitive_count, const void* data,
                                                      UINT stride) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitive_type, UINT min_vertex_index,
                           UINT vertex_count, UINT primitive_count, const void* index_data,
                           D3DFORMAT index_format, const void* data, UINT stride) = 0;
    virtual HRESULT STDMETHODCALLTYPE ProcessVertices(UINT src_start_index, UINT dest_index,
                                                      UINT vertex_count,
                                                      IDirect3DVertexBuffer9* dest_buffer,
                                                      IDirect3DVertexDeclaration9* vertex_decl,
                                                      DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateVertexDeclaration(
        const D3DVERTEXELEMENT9* elements, IDirect3DVertexDeclaration9** declaration) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    GetVertexDeclaration(IDirect3DVertexDeclaration9** declaration) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFVF(DWORD fvf) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFVF(DWORD* fvf) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateVertexShader(const DWORD* byte_code,
                                                         IDirect3DVertexShader9** shader) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetVertexShader(IDirect3DVertexShader9* shader) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVertexShader(IDirect3DVertexShader9** shader) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetVertexShaderConstantF(UINT register_index,
                                                               const float* data, UINT count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVertexShaderConstantF(UINT register_index, float* data,
                                                               UINT count) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetVertexShaderConstantI(UINT register_index, const int* data,
                                                               UINT count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVertexShaderConstantI(UINT register_index, int* data,
                                                               UINT count) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetVertexShaderConstantB(UINT register_index,
                                                               const BOOL* data, UINT count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVertexShaderConstantB(UINT register_index, BOOL* data,
                                                               UINT count) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetStreamSource(UINT stream,
                                                      IDirect3DVertexBuffer9* stream_data,
                                                      UINT offset, UINT stride) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStreamSource(UINT stream,
                                                      IDirect3DVertexBuffer9** stream_data,
                                                      UINT* offset, UINT* stride) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetStreamSourceFreq(UINT stream, UINT divider) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStreamSourceFreq(UINT stream, UINT* divider) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer9* index_data) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIndices(IDirect3DIndexBuffer9** index_data) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreatePixelShader(const DWORD* byte_code,
                                                        IDirect3DPixelShader9** shader) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPixelShader(IDirect3DPixelShader9* shader) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPixelShader(IDirect3DPixelShader9** shader) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPixelShaderConstantF(UINT register_index,
                                                              const float* data, UINT count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPixelShaderConstantF(UINT register_index, float* data,
                                                              UINT count) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPixelShaderConstantI(UINT register_index, const int* data,
                                                              UINT count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPixelShaderConstantI(UINT register_index, int* data,
                                                              UINT count) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPixelShaderConstantB(UINT register_index, const BOOL* data,
                                                              UINT count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPixelShaderConstantB(UINT register_index, BOOL* data,
                                                              UINT count) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrawRectPatch(UINT handle, const float* segment_count,
                                                    const D3DRECTPATCH_INFO* patch_info) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrawTriPatch(UINT handle, const float* segment_count,
                                                   const D3DTRIPATCH_INFO* patch_info) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeletePatch(UINT handle) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) = 0;

  protected:
    ~IDirect3DDevice9() = default;
};

extern "C" IDirect3D9* WINAPI Direct3DCreate9(UINT sdk_version);
