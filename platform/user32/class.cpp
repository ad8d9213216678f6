// Window classes, the atom table they share with registered messages, and the system
// classes ("STATIC", "MDICLIENT").
#include <mutex>

#include "user32_internal.h"

namespace zv::user32 {
namespace {

std::mutex g_class_mutex;
std::vector<std::shared_ptr<WindowClass>> g_classes;

std::mutex g_atom_mutex;
std::vector<std::string> g_atoms;  // atom 0xC000 + index

constexpr ATOM kFirstAtom = 0xC000;

bool SameName(const std::string& a, const char* b) {
    return _stricmp(a.c_str(), b) == 0;
}

HINSTANCE ProgramInstance() {
    return GetModuleHandleA(nullptr);
}

HINSTANCE Normalise(HINSTANCE instance) {
    return instance ? instance : ProgramInstance();
}

// The name a class argument stands for: a text or an atom from the shared table.
bool NameOf(LPCSTR name, std::string* out) {
    if (!name) return false;
    if (IS_INTRESOURCE(name)) {
        ATOM atom = ATOM(reinterpret_cast<ULONG_PTR>(name));
        std::lock_guard<std::mutex> lock(g_atom_mutex);
        if (atom < kFirstAtom || size_t(atom - kFirstAtom) >= g_atoms.size()) return false;
        *out = g_atoms[atom - kFirstAtom];
        return true;
    }
    *out = name;
    return true;
}

ATOM Register(const WNDCLASSEXA& wc, bool system) {
    std::string name;
    if (!wc.lpszClassName || !NameOf(wc.lpszClassName, &name) || name.empty() ||
        name.size() > 255) {
        return Fail(ERROR_INVALID_PARAMETER, 0);
    }
    if (wc.cbClsExtra < 0 || wc.cbWndExtra < 0 || wc.cbClsExtra > 40 || wc.cbWndExtra > 40)
        return Fail(ERROR_INVALID_PARAMETER, 0);
    if (!system) EnsureSystemClasses();
    HINSTANCE instance = system ? nullptr : Normalise(wc.hInstance);
    std::lock_guard<std::mutex> lock(g_class_mutex);
    for (auto& c : g_classes) {
        if (!c->registered || c->system != system || !SameName(c->name, name.c_str())) continue;
        // A system class is there already when an earlier start ran out of memory after it.
        if (system) return c->atom;
        if (c->instance == instance) return Fail(ERROR_CLASS_ALREADY_EXISTS, 0);
    }
    auto c = std::make_shared<WindowClass>();
    c->name = name;
    c->atom = AddAtom(name.c_str());
    c->style = wc.style;
    c->proc = wc.lpfnWndProc;
    c->cls_extra = wc.cbClsExtra;
    c->wnd_extra = wc.cbWndExtra;
    c->instance = instance;
    c->icon = wc.hIcon;
    c->icon_small = wc.hIconSm;
    c->cursor = wc.hCursor;
    c->background = wc.hbrBackground;
    if (wc.lpszMenuName && !IS_INTRESOURCE(wc.lpszMenuName)) c->menu = wc.lpszMenuName;
    c->system = system;
    g_classes.push_back(c);
    return c->atom;
}

}  // namespace

ATOM AddAtom(const char* name) {
    std::lock_guard<std::mutex> lock(g_atom_mutex);
    for (size_t i = 0; i < g_atoms.size(); ++i)
        if (SameName(g_atoms[i], name)) return ATOM(kFirstAtom + i);
    if (g_atoms.size() >= 0x4000) return 0;
    g_atoms.emplace_back(name);
    return ATOM(kFirstAtom + g_atoms.size() - 1);
}

void EnsureSystemClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = CS_DBLCLKS | CS_PARENTDC | CS_GLOBALCLASS;
        wc.lpfnWndProc = StaticProc;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = "Static";
        Register(wc, true);
        wc.style = CS_GLOBALCLASS;
        wc.lpfnWndProc = MdiClientProc;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNSHADOW + 1);
        wc.lpszClassName = "MDICLIENT";
        Register(wc, true);
    });
}

std::shared_ptr<WindowClass> FindClass(LPCSTR class_name, HINSTANCE instance) {
    EnsureSystemClasses();
    std::string name;
    if (!NameOf(class_name, &name)) return nullptr;
    instance = Normalise(instance);
    std::lock_guard<std::mutex> lock(g_class_mutex);
    std::shared_ptr<WindowClass> any_instance, system;
    for (auto& c : g_classes) {
        if (!c->registered || !SameName(c->name, name.c_str())) continue;
        if (c->system)
            system = c;
        else if (c->instance == instance)
            return c;
        else if (!any_instance && (c->style & CS_GLOBALCLASS))
            any_instance = c;
    }
    return any_instance ? any_instance : system;
}

}  // namespace zv::user32

using namespace zv::user32;

extern "C" {

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* wc) {
    if (!wc || wc->cbSize != sizeof(WNDCLASSEXA)) return Fail(ERROR_INVALID_PARAMETER, 0);
    return Guard(ATOM(0), [&] { return Register(*wc, false); });
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* wc) {
    if (!wc) return Fail(ERROR_INVALID_PARAMETER, 0);
    WNDCLASSEXA ex = {sizeof(ex),        wc->style,        wc->lpfnWndProc,   wc->cbClsExtra,
                      wc->cbWndExtra,    wc->hInstance,    wc->hIcon,         wc->hCursor,
                      wc->hbrBackground, wc->lpszMenuName, wc->lpszClassName, nullptr};
    return Guard(ATOM(0), [&] { return Register(ex, false); });
}

BOOL WINAPI UnregisterClassA(LPCSTR class_name, HINSTANCE instance) {
    return Guard(FALSE, [&]() -> BOOL {
        std::string name;
        if (!NameOf(class_name, &name)) return Fail(ERROR_CLASS_DOES_NOT_EXIST, FALSE);
        instance = Normalise(instance);
        std::lock_guard<std::mutex> lock(g_class_mutex);
        for (auto it = g_classes.begin(); it != g_classes.end(); ++it) {
            auto& c = *it;
            if (c->system || c->instance != instance || !SameName(c->name, name.c_str())) continue;
            if (c->windows > 0) return Fail(ERROR_CLASS_HAS_WINDOWS, FALSE);
            c->registered = false;
            g_classes.erase(it);
            return TRUE;
        }
        return Fail(ERROR_CLASS_DOES_NOT_EXIST, FALSE);
    });
}

BOOL WINAPI GetClassInfoExA(HINSTANCE instance, LPCSTR class_name, LPWNDCLASSEXA wc) {
    return Guard(FALSE, [&]() -> BOOL {
        auto c = FindClass(class_name, instance);
        if (!c) return Fail(ERROR_CLASS_DOES_NOT_EXIST, FALSE);
        if (!wc) return Fail(ERROR_NOACCESS, FALSE);
        wc->cbSize = sizeof(*wc);
        wc->style = c->style;
        wc->lpfnWndProc = c->proc;
        wc->cbClsExtra = c->cls_extra;
        wc->cbWndExtra = c->wnd_extra;
        wc->hInstance = c->instance;
        wc->hIcon = c->icon;
        wc->hCursor = c->cursor;
        wc->hbrBackground = c->background;
        wc->lpszMenuName = nullptr;
        wc->lpszClassName = class_name;
        wc->hIconSm = c->icon_small;
        return c->atom;
    });
}

int WINAPI GetClassNameA(HWND hwnd, LPSTR buffer, int size) {
    Window* w = GetWindowChecked(hwnd);
    if (!w) return 0;
    if (!buffer || size <= 0) return Fail(ERROR_INSUFFICIENT_BUFFER, 0);
    size_t n = std::min(w->cls->name.size(), size_t(size - 1));
    memcpy(buffer, w->cls->name.data(), n);
    buffer[n] = 0;
    return int(n);
}

UINT WINAPI RegisterWindowMessageA(LPCSTR name) {
    if (!name || !*name || IS_INTRESOURCE(name) || strlen(name) > 255)
        return Fail(ERROR_INVALID_PARAMETER, 0);
    return Guard(UINT(0), [&]() -> UINT { return AddAtom(name); });
}

}  // extern "C"
