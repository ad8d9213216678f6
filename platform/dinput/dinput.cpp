// DirectInput 7 for the system keyboard and mouse. The devices read the window system's
// input state: the keyboard gives the key-down bits of GetKeyState in the standard
// one-byte-per-key format, the mouse its buttons. Force feedback, effects, buffered data
// and properties are not provided.
#include <dinput.h>
#include <zorvane_test/dinput.h>

#include <atomic>
#include <cstring>

#include "api_guard.h"
#include "builtin_modules.h"
#include "com_ref_count.h"

namespace zv::dinput {
namespace {

constexpr GUID kIID_IDirectInputA = {
    0x89521360, 0xAA8A, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr GUID kIID_IDirectInput2A = {
    0x5944E662, 0xAA8A, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr GUID kIID_IDirectInput7A = {
    0x9A4CB684, 0x236D, 0x11D3, {0x8E, 0x9D, 0x00, 0xC0, 0x4F, 0x68, 0x44, 0xAE}};
constexpr GUID kIID_DeviceA = {
    0x5944E680, 0xC92E, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr GUID kIID_Device2A = {
    0x5944E682, 0xC92E, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr GUID kIID_Device7A = {
    0x57D7C6BC, 0x2356, 0x11D3, {0x8E, 0x9D, 0x00, 0xC0, 0x4F, 0x68, 0x44, 0xAE}};
// What each object answers to, besides IUnknown.
constexpr GUID kDirectInputInterfaces[] = {kIID_IDirectInputA, kIID_IDirectInput2A,
                                           kIID_IDirectInput7A};
constexpr GUID kDeviceInterfaces[] = {kIID_DeviceA, kIID_Device2A, kIID_Device7A};
constexpr GUID kGUID_SysMouse = {
    0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr GUID kGUID_SysKeyboard = {
    0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

std::atomic<int> g_live{0};

template <class Interface>
class RefCounted : public Interface {
  public:
    virtual ~RefCounted() { g_live.fetch_sub(1); }  // through Release alone
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs_.ReleaseAndDelete(this); }

  protected:
    RefCounted() { g_live.fetch_add(1); }

  private:
    zv::ComRefCount refs_;
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"

class Device final : public RefCounted<IDirectInputDevice7A> {
  public:
    explicit Device(bool keyboard) : keyboard_(keyboard) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return QueryOwnInterface(static_cast<IDirectInputDevice7A*>(this), riid, object,
                                 kDeviceInterfaces);
    }
    HRESULT STDMETHODCALLTYPE GetCapabilities(LPDIDEVCAPS caps) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA, LPVOID, DWORD) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE GetProperty(REFGUID, LPDIPROPHEADER) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE SetProperty(REFGUID, LPCDIPROPHEADER) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE Acquire() override {
        if (!format_set_) return DIERR_INVALIDPARAM;  // a device needs its data format first
        if (acquired_) return S_FALSE;
        acquired_ = true;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE Unacquire() override {
        if (!acquired_) return DI_NOEFFECT;
        acquired_ = false;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD size, LPVOID data) override {
        if (!data || size == 0) return DIERR_INVALIDPARAM;
        if (!acquired_) return DIERR_NOTACQUIRED;
        std::memset(data, 0, size);
        if (keyboard_) {
            if (size != 256) return DIERR_INVALIDPARAM;
            // Key codes here are virtual keys; a pressed key reads 0x80.
            auto* keys = static_cast<BYTE*>(data);
            for (int vk = 1; vk < 256; ++vk)
                if (GetKeyState(vk) & 0x8000) keys[vk] = 0x80;
        }
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceData(DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT format) override {
        if (!format || format->dwSize != sizeof(DIDATAFORMAT) ||
            format->dwObjSize != sizeof(DIOBJECTDATAFORMAT) ||
            (format->dwNumObjs && !format->rgodf))
            return DIERR_INVALIDPARAM;
        if (acquired_) return DIERR_ACQUIRED;
        format_set_ = true;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE SetEventNotification(HANDLE) override { return DIERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND hwnd, DWORD flags) override {
        bool exclusive = flags & DISCL_EXCLUSIVE, shared = flags & DISCL_NONEXCLUSIVE;
        bool fore = flags & DISCL_FOREGROUND, back = flags & DISCL_BACKGROUND;
        if (exclusive == shared || fore == back) return DIERR_INVALIDPARAM;
        if (fore && !IsWindow(hwnd)) return DIERR_INVALIDPARAM;
        if (acquired_) return DIERR_ACQUIRED;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA, DWORD, DWORD) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceInfo(LPDIDEVICEINSTANCEA) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return DIERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD, REFGUID) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE CreateEffect(REFGUID, LPCDIEFFECT, LPDIRECTINPUTEFFECT* out,
                                           LPUNKNOWN) override {
        if (out) *out = nullptr;
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE EnumEffects(LPDIENUMEFFECTSCALLBACKA, LPVOID, DWORD) override {
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE GetEffectInfo(LPDIEFFECTINFOA, REFGUID) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE GetForceFeedbackState(LPDWORD) override { return DIERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD) override { return DIERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID,
                                                       DWORD) override {
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE) override { return DIERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE Poll() override {
        return acquired_ ? DI_NOEFFECT : DIERR_NOTACQUIRED;
    }
    HRESULT STDMETHODCALLTYPE SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD,
                                             DWORD) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE EnumEffectsInFile(LPCSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID,
                                                DWORD) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE WriteEffectToFile(LPCSTR, DWORD, LPDIFILEEFFECT, DWORD) override {
        return DIERR_UNSUPPORTED;
    }

  private:
    bool keyboard_;
    bool format_set_ = false;
    bool acquired_ = false;
};

class DirectInput final : public RefCounted<IDirectInput7A> {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return QueryOwnInterface(static_cast<IDirectInput7A*>(this), riid, object,
                                 kDirectInputInterfaces);
    }
    HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICEA* device,
                                           LPUNKNOWN outer) override {
        return CreateDeviceEx(guid, kIID_DeviceA, reinterpret_cast<LPVOID*>(device), outer);
    }
    HRESULT STDMETHODCALLTYPE EnumDevices(DWORD, LPDIENUMDEVICESCALLBACKA, LPVOID, DWORD) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceStatus(REFGUID guid) override {
        return guid == kGUID_SysKeyboard || guid == kGUID_SysMouse ? DI_OK : DIERR_DEVICENOTREG;
    }
    HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return DIERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD version) override {
        return version < 0x0300 ? DIERR_OLDDIRECTINPUTVERSION
                                : (version > 0x0700 ? DIERR_BETADIRECTINPUTVERSION : DI_OK);
    }
    HRESULT STDMETHODCALLTYPE FindDevice(REFGUID, LPCSTR, LPGUID) override {
        return DIERR_DEVICENOTREG;
    }
    HRESULT STDMETHODCALLTYPE CreateDeviceEx(REFGUID guid, REFIID riid, LPVOID* out,
                                             LPUNKNOWN outer) override {
        if (!out) return DIERR_INVALIDPARAM;
        *out = nullptr;
        if (outer) return DIERR_NOAGGREGATION;
        bool keyboard = guid == kGUID_SysKeyboard;
        if (!keyboard && guid != kGUID_SysMouse) return DIERR_DEVICENOTREG;
        if (!AnswersTo(riid, kDeviceInterfaces)) return DIERR_NOINTERFACE;
        return Guarded(DIERR_OUTOFMEMORY, 0, [&] {
            *out = static_cast<IDirectInputDevice7A*>(new Device(keyboard));
            return DI_OK;
        });
    }
};

#pragma GCC diagnostic pop

}  // namespace
}  // namespace zv::dinput

extern "C" HRESULT WINAPI DirectInputCreateEx(HINSTANCE, DWORD version, REFIID riid, LPVOID* out,
                                              LPUNKNOWN outer) {
    using namespace zv::dinput;
    if (!out) return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (outer) return DIERR_NOAGGREGATION;
    if (version < 0x0300) return DIERR_OLDDIRECTINPUTVERSION;
    if (version > 0x0700) return DIERR_BETADIRECTINPUTVERSION;
    if (!zv::AnswersTo(riid, kDirectInputInterfaces)) return DIERR_NOINTERFACE;
    // Out of memory, the call fails as DirectInput documents (api_guard.h).
    return zv::Guarded(DIERR_OUTOFMEMORY, 0, [&] {
        *out = static_cast<IDirectInput7A*>(new DirectInput());
        return DI_OK;
    });
}

int zv_test::LiveDirectInputObjects() {
    return zv::dinput::g_live.load();
}

static const zv::ModuleRegistration kModule("DINPUT.DLL", {{"DirectInputCreateEx",
                                                            zv::Export(&DirectInputCreateEx)}});
