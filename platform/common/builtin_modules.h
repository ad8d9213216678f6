// The modules that LoadLibraryA can find. Each platform library that stands for a DLL
// the runtime loads by name registers itself from a static object in the source file
// that implements its exports:
//
//   static const zv::ModuleRegistration kModule("msimg32.dll", {{"AlphaBlend",
//   zv::Export(&AlphaBlend)}});
//
// zv_win32 links every platform library whole, so those objects are always present.
#pragma once

#include <windows.h>

#include <initializer_list>

namespace zv {

struct ModuleExport {
    const char* name;
    FARPROC address;
};

// An entry point as GetProcAddress hands it out; the caller casts it back to its type.
template <class R, class... A>
inline FARPROC Export(R (*function)(A...)) {
    // Going through void(*)() is the sanctioned way to erase a function's type.
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

class ModuleRegistration {
  public:
    ModuleRegistration(const char* name, std::initializer_list<ModuleExport> exports);
};

}  // namespace zv
