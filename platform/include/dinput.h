// DirectInput 7, as the Windows SDK declares it for C++ (ANSI interfaces): abstract
// classes whose virtual functions follow the SDK's vtable order. Records that only
// unimplemented methods take are declared by pointer. The GUIDs are declared, not
// defined, as the SDK does; a program defines the ones it uses in its own data.
#pragma once

#include "unknwn.h"
#include "windows.h"

#ifndef DIRECTINPUT_VERSION
#define DIRECTINPUT_VERSION 0x0700
#endif

extern "C" const GUID GUID_Key;
extern "C" const GUID GUID_SysKeyboard;
extern "C" const GUID GUID_SysMouse;
extern "C" const GUID IID_IDirectInput7A;
extern "C" const GUID IID_IDirectInputDevice7A;

#define DI_OK S_OK
#define DI_NOTATTACHED S_FALSE
#define DI_NOEFFECT S_FALSE
#define DI_POLLEDDEVICE ((HRESULT)0x00000002L)
#define DIERR_OLDDIRECTINPUTVERSION ((HRESULT)0x8007047EL)
#define DIERR_BETADIRECTINPUTVERSION ((HRESULT)0x80070481L)
#define DIERR_INVALIDPARAM E_INVALIDARG
#define DIERR_NOINTERFACE E_NOINTERFACE
#define DIERR_GENERIC E_FAIL
#define DIERR_OUTOFMEMORY E_OUTOFMEMORY
#define DIERR_UNSUPPORTED E_NOTIMPL
#define DIERR_NOTINITIALIZED ((HRESULT)0x80070015L)
#define DIERR_DEVICENOTREG ((HRESULT)0x80040154L)
#define DIERR_NOAGGREGATION ((HRESULT)0x80040110L)
#define DIERR_INPUTLOST ((HRESULT)0x8007001EL)
#define DIERR_ACQUIRED ((HRESULT)0x800700AAL)
#define DIERR_NOTACQUIRED ((HRESULT)0x8007000CL)

#define DIDFT_ALL 0x00000000
#define DIDFT_RELAXIS 0x00000001
#define DIDFT_ABSAXIS 0x00000002
#define DIDFT_AXIS 0x00000003
#define DIDFT_PSHBUTTON 0x00000004
#define DIDFT_TGLBUTTON 0x00000008
#define DIDFT_BUTTON 0x0000000C
#define DIDFT_POV 0x00000010
#define DIDFT_ANYINSTANCE 0x00FFFF00
#define DIDFT_MAKEINSTANCE(n) ((WORD)(n) << 8)
#define DIDFT_GETINSTANCE(n) LOWORD((n) >> 8)
#define DIDFT_OPTIONAL 0x80000000

#define DIDF_ABSAXIS 0x00000001
#define DIDF_RELAXIS 0x00000002

#define DISCL_EXCLUSIVE 0x00000001
#define DISCL_NONEXCLUSIVE 0x00000002
#define DISCL_FOREGROUND 0x00000004
#define DISCL_BACKGROUND 0x00000008
#define DISCL_NOWINKEY 0x00000010

typedef struct _DIOBJECTDATAFORMAT {
    const GUID* pguid;
    DWORD dwOfs;
    DWORD dwType;
    DWORD dwFlags;
} DIOBJECTDATAFORMAT, *LPDIOBJECTDATAFORMAT;
typedef const DIOBJECTDATAFORMAT* LPCDIOBJECTDATAFORMAT;

typedef struct _DIDATAFORMAT {
    DWORD dwSize;
    DWORD dwObjSize;
    DWORD dwFlags;
    DWORD dwDataSize;
    DWORD dwNumObjs;
    LPDIOBJECTDATAFORMAT rgodf;
} DIDATAFORMAT, *LPDIDATAFORMAT;
typedef const DIDATAFORMAT* LPCDIDATAFORMAT;

typedef struct DIDEVCAPS* LPDIDEVCAPS;
typedef struct DIPROPHEADER* LPDIPROPHEADER;
typedef const struct DIPROPHEADER* LPCDIPROPHEADER;
typedef struct DIDEVICEOBJECTDATA* LPDIDEVICEOBJECTDATA;
typedef const struct DIDEVICEOBJECTDATA* LPCDIDEVICEOBJECTDATA;
typedef struct DIDEVICEOBJECTINSTANCEA* LPDIDEVICEOBJECTINSTANCEA;
typedef struct DIDEVICEINSTANCEA* LPDIDEVICEINSTANCEA;
typedef struct DIEFFECT* LPDIEFFECT;
typedef const struct DIEFFECT* LPCDIEFFECT;
typedef struct DIEFFECTINFOA* LPDIEFFECTINFOA;
typedef struct DIEFFESCAPE* LPDIEFFESCAPE;
typedef struct DIFILEEFFECT* LPDIFILEEFFECT;
typedef struct IDirectInputEffect* LPDIRECTINPUTEFFECT;
typedef BOOL(CALLBACK* LPDIENUMDEVICEOBJECTSCALLBACKA)(const DIDEVICEOBJECTINSTANCEA*, LPVOID);
typedef BOOL(CALLBACK* LPDIENUMEFFECTSCALLBACKA)(const DIEFFECTINFOA*, LPVOID);
typedef BOOL(CALLBACK* LPDIENUMCREATEDEFFECTOBJECTSCALLBACK)(LPDIRECTINPUTEFFECT, LPVOID);
typedef BOOL(CALLBACK* LPDIENUMEFFECTSINFILECALLBACK)(const DIFILEEFFECT*, LPVOID);
typedef BOOL(CALLBACK* LPDIENUMDEVICESCALLBACKA)(const DIDEVICEINSTANCEA*, LPVOID);

struct IDirectInputDeviceA : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetCapabilities(LPDIDEVCAPS caps) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback,
                                                  LPVOID ref, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProperty(REFGUID property, LPDIPROPHEADER header) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetProperty(REFGUID property, LPCDIPROPHEADER header) = 0;
    virtual HRESULT STDMETHODCALLTYPE Acquire() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unacquire() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD size, LPVOID data) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceData(DWORD object_size, LPDIDEVICEOBJECTDATA data,
                                                    LPDWORD in_out, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT format) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetEventNotification(HANDLE event) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND hwnd, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA info, DWORD object,
                                                    DWORD how) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceInfo(LPDIDEVICEINSTANCEA info) = 0;
    virtual HRESULT STDMETHODCALLTYPE RunControlPanel(HWND owner, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE instance, DWORD version,
                                                 REFGUID guid) = 0;

  protected:
    ~IDirectInputDeviceA() = default;
};

struct IDirectInputDevice2A : public IDirectInputDeviceA {
    virtual HRESULT STDMETHODCALLTYPE CreateEffect(REFGUID guid, LPCDIEFFECT effect,
                                                   LPDIRECTINPUTEFFECT* out, LPUNKNOWN outer) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumEffects(LPDIENUMEFFECTSCALLBACKA callback, LPVOID ref,
                                                  DWORD effect_type) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEffectInfo(LPDIEFFECTINFOA info, REFGUID guid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetForceFeedbackState(LPDWORD out) = 0;
    virtual HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumCreatedEffectObjects(
        LPDIENUMCREATEDEFFECTOBJECTSCALLBACK callback, LPVOID ref, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE escape) = 0;
    virtual HRESULT STDMETHODCALLTYPE Poll() = 0;
    virtual HRESULT STDMETHODCALLTYPE SendDeviceData(DWORD object_size, LPCDIDEVICEOBJECTDATA data,
                                                     LPDWORD in_out, DWORD flags) = 0;

  protected:
    ~IDirectInputDevice2A() = default;
};

struct IDirectInputDevice7A : public IDirectInputDevice2A {
    virtual HRESULT STDMETHODCALLTYPE EnumEffectsInFile(LPCSTR file_name,
                                                        LPDIENUMEFFECTSINFILECALLBACK callback,
                                                        LPVOID ref, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE WriteEffectToFile(LPCSTR file_name, DWORD entries,
                                                        LPDIFILEEFFECT effects, DWORD flags) = 0;

  protected:
    ~IDirectInputDevice7A() = default;
};

typedef IDirectInputDeviceA* LPDIRECTINPUTDEVICEA;
typedef IDirectInputDevice7A* LPDIRECTINPUTDEVICE7A;

struct IDirectInputA : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICEA* device,
                                                   LPUNKNOWN outer) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumDevices(DWORD device_type,
                                                  LPDIENUMDEVICESCALLBACKA callback, LPVOID ref,
                                                  DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceStatus(REFGUID instance) = 0;
    virtual HRESULT STDMETHODCALLTYPE RunControlPanel(HWND owner, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE instance, DWORD version) = 0;

  protected:
    ~IDirectInputA() = default;
};

struct IDirectInput2A : public IDirectInputA {
    virtual HRESULT STDMETHODCALLTYPE FindDevice(REFGUID guid, LPCSTR name, LPGUID instance) = 0;

  protected:
    ~IDirectInput2A() = default;
};

struct IDirectInput7A : public IDirectInput2A {
    virtual HRESULT STDMETHODCALLTYPE CreateDeviceEx(REFGUID guid, REFIID riid, LPVOID* out,
                                                     LPUNKNOWN outer) = 0;

  protected:
    ~IDirectInput7A() = default;
};

typedef IDirectInputA* LPDIRECTINPUTA;
typedef IDirectInput7A* LPDIRECTINPUT7A;

extern "C" HRESULT WINAPI DirectInputCreateEx(HINSTANCE instance, DWORD version, REFIID riid,
                                              LPVOID* out, LPUNKNOWN outer);
