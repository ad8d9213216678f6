// Modules: LoadLibraryA and GetProcAddress over the platform's built-in modules, which
// register themselves (builtin_modules.h). Module names compare without regard to case
// and with or without their ".dll" extension, as Windows' loader does.

#include <windows.h>

#include <zorvane_test/kernel32.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "builtin_modules.h"
#include "kernel32_internal.h"

namespace zv {
namespace {

std::string Fold(const char* s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

// "D3D9.DLL", "d3d9" and "d3d9.dll" name the same module.
std::string ModuleKey(const char* name) {
    std::string key = Fold(name);
    if (key.size() > 4 && key.compare(key.size() - 4, 4, ".dll") == 0) key.resize(key.size() - 4);
    return key;
}

struct Module {
    std::string name;
    // By exact name, as GetProcAddress compares; looked up without making a string.
    std::map<std::string, FARPROC, std::less<>> exports;
    std::set<std::string, std::less<>> hidden_exports;
    bool hidden = false;
    int load_count = 0;
};

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::unique_ptr<Module>> modules;  // by ModuleKey
};

Registry& Modules() {
    static Registry* registry = new Registry;
    return *registry;
}

// Module handles are the addresses of the registry's records, which live for the whole
// process; a value that is none of them is rejected before use.
Module* FindByHandle(Registry& r, HMODULE h) {
    for (auto& [key, m] : r.modules)
        if (reinterpret_cast<HMODULE>(m.get()) == h) return m.get();
    return nullptr;
}

// The executable's own module: what GetModuleHandleA(NULL) returns.
char g_exe_module;

}  // namespace

ModuleRegistration::ModuleRegistration(const char* name,
                                       std::initializer_list<ModuleExport> exports) {
    Registry& r = Modules();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto& m = r.modules[ModuleKey(name)];
    if (!m) {
        m = std::make_unique<Module>();
        m->name = name;
    }
    for (const ModuleExport& e : exports)
        m->exports[e.name] = e.address;
}

}  // namespace zv

using zv::kernel32::Fail;

// KERNEL32 itself is one of the modules the runtime looks up by name.
static const zv::ModuleRegistration kKernel32Module("Kernel32.dll",
                                                    {{"InitOnceExecuteOnce",
                                                      zv::Export(&InitOnceExecuteOnce)}});

extern "C" {

HMODULE WINAPI LoadLibraryA(LPCSTR name) {
    if (!name) return Fail(ERROR_INVALID_PARAMETER, HMODULE(nullptr));
    return zv::kernel32::Guard(HMODULE(nullptr), [&] {
        const std::string key = zv::ModuleKey(name);
        zv::Registry& r = zv::Modules();
        std::lock_guard<std::mutex> lock(r.mutex);
        auto it = r.modules.find(key);
        if (it == r.modules.end() || it->second->hidden)
            return Fail(ERROR_MOD_NOT_FOUND, HMODULE(nullptr));
        ++it->second->load_count;
        return reinterpret_cast<HMODULE>(it->second.get());
    });
}

BOOL WINAPI FreeLibrary(HMODULE module) {
    zv::Registry& r = zv::Modules();
    std::lock_guard<std::mutex> lock(r.mutex);
    zv::Module* m = zv::FindByHandle(r, module);
    if (!m || m->load_count == 0) return Fail(ERROR_MOD_NOT_FOUND, FALSE);
    --m->load_count;
    return TRUE;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
    if (!name) return Fail(ERROR_INVALID_PARAMETER, FARPROC(nullptr));
    zv::Registry& r = zv::Modules();
    std::lock_guard<std::mutex> lock(r.mutex);
    zv::Module* m = zv::FindByHandle(r, module);
    if (!m || m->load_count == 0) return Fail(ERROR_MOD_NOT_FOUND, FARPROC(nullptr));
    // Ordinals (names below 64 Ki) are not exported by the built-in modules.
    if (reinterpret_cast<uintptr_t>(name) < 0x10000)
        return Fail(ERROR_PROC_NOT_FOUND, FARPROC(nullptr));
    const std::string_view wanted(name);
    auto it = m->exports.find(wanted);
    if (it == m->exports.end() || m->hidden_exports.count(wanted))
        return Fail(ERROR_PROC_NOT_FOUND, FARPROC(nullptr));
    return it->second;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
    if (!name) return reinterpret_cast<HMODULE>(&zv::g_exe_module);
    return zv::kernel32::Guard(HMODULE(nullptr), [&] {
        const std::string key = zv::ModuleKey(name);
        zv::Registry& r = zv::Modules();
        std::lock_guard<std::mutex> lock(r.mutex);
        auto it = r.modules.find(key);
        // Only a loaded module has a handle (KERNEL32 is always loaded, as on Windows).
        if (it == r.modules.end() || it->second->hidden ||
            (it->second->load_count == 0 && it->first != "kernel32"))
            return Fail(ERROR_MOD_NOT_FOUND, HMODULE(nullptr));
        return reinterpret_cast<HMODULE>(it->second.get());
    });
}

}  // extern "C"

namespace zv_test {

void HideModule(const char* module, bool hidden) {
    zv::Registry& r = zv::Modules();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.modules.find(zv::ModuleKey(module));
    if (it != r.modules.end()) it->second->hidden = hidden;
}

void HideExport(const char* module, const char* proc, bool hidden) {
    zv::Registry& r = zv::Modules();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.modules.find(zv::ModuleKey(module));
    if (it == r.modules.end()) return;
    if (hidden)
        it->second->hidden_exports.insert(proc);
    else
        it->second->hidden_exports.erase(proc);
}

void ShowAllModules() {
    zv::Registry& r = zv::Modules();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (auto& [key, m] : r.modules) {
        m->hidden = false;
        m->hidden_exports.clear();
    }
}

int ModuleLoadCount(const char* module) {
    zv::Registry& r = zv::Modules();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.modules.find(zv::ModuleKey(module));
    return it == r.modules.end() ? 0 : it->second->load_count;
}

}  // namespace zv_test
