// Registries of live objects, the adapter settings and forced failures the tests control.
#include <zorvane_test/d3d9.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <unordered_set>

#include "device.h"
#include "host/host.h"

namespace zv::d3d9 {
namespace {

std::mutex g_mutex;
TestSettings g_settings;
struct Forced {
    int times = 0;
    HRESULT result = S_OK;
};
Forced g_forced[int(FailPoint::kCount)];

// The live pointers, made by the first registration (which may run out of memory), so that
// looking up and unregistering never allocate.
using Registry = std::unordered_set<const void*>;
Registry* g_devices = nullptr;
Registry* g_surfaces = nullptr;
Registry& Made(Registry*& registry) {
    if (!registry) registry = new Registry();
    return *registry;
}
bool Holds(const Registry* registry, const void* p) {
    return registry && registry->count(p) != 0;
}
std::vector<Device*> g_device_order;   // creation order, for LastD3D9Device
std::atomic<int> g_record_frames{-1};  // -1: as the host suggests

}  // namespace

bool RecordsPresentedFrames() {
    int record = g_record_frames.load(std::memory_order_relaxed);
    if (record >= 0) return record != 0;
    static const bool headless = std::strcmp(host::BackendName(), "headless") == 0;
    return headless;
}

TestSettings GetTestSettings() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_settings;
}

HRESULT TakeForcedFailure(FailPoint point) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Forced& f = g_forced[int(point)];
    if (f.times <= 0) return S_OK;
    --f.times;
    return f.result;
}

void RegisterDevice(Device* device) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_device_order.reserve(g_device_order.size() + 1);
    Made(g_devices).insert(device);
    g_device_order.push_back(device);
}

void UnregisterDevice(Device* device) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_devices) g_devices->erase(device);
    g_device_order.erase(std::remove(g_device_order.begin(), g_device_order.end(), device),
                         g_device_order.end());
}

bool IsLiveDevice(const void* device) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return device && Holds(g_devices, device);
}

void RegisterSurface(Surface* surface) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Made(g_surfaces).insert(static_cast<IDirect3DSurface9*>(surface));
}

void UnregisterSurface(Surface* surface) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_surfaces) g_surfaces->erase(static_cast<IDirect3DSurface9*>(surface));
}

Surface* FindSurface(IDirect3DSurface9* surface) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!surface || !Holds(g_surfaces, surface)) return nullptr;
    return static_cast<Surface*>(surface);
}

}  // namespace zv::d3d9

namespace zv_test {

using namespace zv::d3d9;

void SetD3D9DisplayFormat(D3DFORMAT format) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_settings.display_format = format;
}

void SetD3D9ModeCounts(UINT x1r5g5b5, UINT r5g6b5, UINT x8r8g8b8) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_settings.mode_counts_set = true;
    g_settings.mode_counts[0] = x1r5g5b5;
    g_settings.mode_counts[1] = r5g6b5;
    g_settings.mode_counts[2] = x8r8g8b8;
}

void SetD3D9HardwareVertexProcessing(bool offered) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_settings.hardware_tnl = offered;
}

void ResetD3D9Adapter() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_settings = TestSettings{};
    for (Forced& f : g_forced)
        f = Forced{};
}

void FailD3D9Call(D3D9Call call, int times, HRESULT result) {
    FailPoint point;
    switch (call) {
        case D3D9Call::kCreateDevice:
            point = FailPoint::kCreateDevice;
            break;
        case D3D9Call::kGetDC:
            point = FailPoint::kGetDC;
            break;
        case D3D9Call::kLockRect:
            point = FailPoint::kLockRect;
            break;
        case D3D9Call::kPresent:
            point = FailPoint::kPresent;
            break;
        case D3D9Call::kReset:
            point = FailPoint::kReset;
            break;
        case D3D9Call::kGetAdapterDisplayMode:
            point = FailPoint::kDisplayMode;
            break;
        case D3D9Call::kGetDeviceCaps:
            point = FailPoint::kDeviceCaps;
            break;
        default:
            return;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    g_forced[int(point)] = Forced{times, result};
}

IDirect3DDevice9* LastD3D9Device() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_device_order.empty() ? nullptr : g_device_order.back();
}

int LiveD3D9Objects() {
    return g_live_objects.load();
}

bool ScriptCooperativeLevel(IDirect3DDevice9* device, std::initializer_list<D3D9Phase> phases) {
    if (!IsLiveDevice(device)) return false;
    std::vector<CooperativePhase> script;
    for (const D3D9Phase& p : phases)
        script.push_back({p.level, p.duration_ms});
    static_cast<Device*>(device)->ScriptCooperativeLevel(std::move(script));
    return true;
}

bool GetD3D9DeviceInfo(IDirect3DDevice9* device, D3D9DeviceInfo* info) {
    if (!info || !IsLiveDevice(device)) return false;
    Device* d = static_cast<Device*>(device);
    D3DDEVICE_CREATION_PARAMETERS creation;
    d->GetCreationParameters(&creation);
    info->params = d->params();
    info->behavior_flags = d->behavior_flags();
    info->focus_window = creation.hFocusWindow;
    info->present_count = d->PresentCount();
    info->reset_count = d->reset_count();
    return true;
}

void RecordD3D9Frames(bool record) {
    zv::d3d9::g_record_frames.store(record ? 1 : 0);
}

bool LastD3D9Frame(IDirect3DDevice9* device, D3D9Frame* frame) {
    if (!frame || !IsLiveDevice(device)) return false;
    PresentRecord record;
    if (!static_cast<Device*>(device)->LastPresent(&record)) return false;
    frame->pixels = std::move(record.pixels);
    frame->width = record.width;
    frame->height = record.height;
    frame->source = record.source;
    frame->dest = record.dest;
    frame->window = record.window;
    return true;
}

}  // namespace zv_test
