// The SDL host: each visible top-level window is a native SDL window of its client size
// and title, decorated when the window has a caption; the window manager draws the title
// bar and the close button. Native events become user32 input.
//
// How frames reach the display is chosen at start-up, not left to SDL's default (which
// puts the window surface through OpenGL even when OpenGL is a software rasteriser that
// costs more than the whole frame):
// - with a hardware-accelerated OpenGL, a streaming texture, presented with vsync, which
//   paces the frames;
// - otherwise, the window surface, without acceleration: its memory is handed out as the
//   window's framebuffer, so that GDI and Direct3D draw straight into what the display
//   shows and showing a frame copies nothing here; the retrace comes from a steady clock
//   at the display's refresh rate.
// ZORVANE_SDL_PRESENT ("surface" or "texture") overrides the choice.
#include <SDL2/SDL.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include <algorithm>
#include <map>
#include <new>
#include <thread>
#include <vector>

#include "../backend.h"

namespace zv::host {
namespace {

struct Native {
    SDL_Window* window = nullptr;
    // The streaming texture's path.
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int texture_width = 0, texture_height = 0;
    // The window surface's path. SDL frees a window surface only when it is asked for the
    // surface again after a resize, so the pixels handed out stay valid until Framebuffer
    // asks; a resize only makes SDL refuse to show them (stale).
    SDL_Surface* surface = nullptr;
    bool stale = false;
    // The framebuffer handed out: the surface's pixels, or, while the surface has another
    // size or format than the window's client area, a shadow converted at each show.
    bool in_shadow = false;
    std::vector<uint32_t> shadow;
    int width = 0, height = 0;
};

std::map<HWND, Native> g_windows;
int g_refresh_hz = 60;
bool g_use_texture = false;
SDL_threadID g_video_thread = 0;  // SDL's events are pumped only where video started

// The pace of the streaming texture's path: its present waited for vsync when `vsynced`.
struct VsyncPace {
    bool vsynced = false;
    std::chrono::steady_clock::time_point last;
} g_pace;

HWND HwndOf(Uint32 window_id) {
    SDL_Window* sw = SDL_GetWindowFromID(window_id);
    if (!sw) return nullptr;
    for (auto& [hwnd, n] : g_windows)
        if (n.window == sw) return hwnd;
    return nullptr;
}

Native* Find(HWND hwnd) {
    auto it = g_windows.find(hwnd);
    return it == g_windows.end() ? nullptr : &it->second;
}

SDL_Window* NativeWindow(HWND hwnd) {
    Native* n = Find(hwnd);
    return n ? n->window : nullptr;
}

// Whether OpenGL here is done by a graphics processor, not by a software rasteriser.
bool HasAcceleratedOpenGl() {
    SDL_Window* probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!probe) return false;
    bool accelerated = false;
    if (SDL_GLContext context = SDL_GL_CreateContext(probe)) {
        using GetString = const unsigned char*(APIENTRY*)(unsigned);
        auto get_string = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
        const unsigned char* renderer = get_string ? get_string(0x1F01 /* GL_RENDERER */) : nullptr;
        if (renderer) {
            const char* name = reinterpret_cast<const char*>(renderer);
            accelerated = true;
            for (const char* software :
                 {"llvmpipe", "softpipe", "Software Rasterizer", "swrast", "SWR"})
                if (std::strstr(name, software)) accelerated = false;
        }
        SDL_GL_DeleteContext(context);
    }
    SDL_DestroyWindow(probe);
    return accelerated;
}

bool Mode(DisplayMode* mode) {
    SDL_DisplayMode m;
    if (SDL_GetDesktopDisplayMode(0, &m) != 0) return false;
    *mode = {m.w, m.h, m.refresh_rate};
    return true;
}

bool Open(HWND hwnd, const NativeWindowParams& params) {
    // The record first: when memory runs out there, no SDL window is made to be lost.
    auto [entry, added] = g_windows.try_emplace(hwnd);
    if (!added) return true;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (!params.decorated) flags |= SDL_WINDOW_BORDERLESS;
    if (params.resizable) flags |= SDL_WINDOW_RESIZABLE;
    if (g_use_texture) flags |= SDL_WINDOW_OPENGL;
    SDL_Window* w = SDL_CreateWindow(params.title, params.x, params.y, params.client_width,
                                     params.client_height, flags);
    if (!w) {
        g_windows.erase(entry);
        return false;
    }
    Native& n = entry->second;
    n.window = w;
    // A window whose renderer cannot be made shows its frames through its surface.
    if (g_use_texture)
        n.renderer =
            SDL_CreateRenderer(w, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    return true;
}

void Close(HWND hwnd) {
    if (Native* n = Find(hwnd)) {
        if (n->texture) SDL_DestroyTexture(n->texture);
        if (n->renderer) SDL_DestroyRenderer(n->renderer);
        SDL_DestroyWindow(n->window);
    }
    g_windows.erase(hwnd);
}

void Show(HWND hwnd, ShowState state) {
    SDL_Window* w = NativeWindow(hwnd);
    if (!w) return;
    Uint32 flags = SDL_GetWindowFlags(w);
    switch (state) {
        case ShowState::kHidden:
            SDL_HideWindow(w);
            break;
        case ShowState::kNormal:
            if (flags & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_MAXIMIZED)) SDL_RestoreWindow(w);
            if (!(flags & SDL_WINDOW_SHOWN)) SDL_ShowWindow(w);
            break;
        case ShowState::kMinimized:
            if (!(flags & SDL_WINDOW_SHOWN)) SDL_ShowWindow(w);
            if (!(flags & SDL_WINDOW_MINIMIZED)) SDL_MinimizeWindow(w);
            break;
        case ShowState::kMaximized:
            if (!(flags & SDL_WINDOW_SHOWN)) SDL_ShowWindow(w);
            if (!(flags & SDL_WINDOW_MAXIMIZED)) SDL_MaximizeWindow(w);
            break;
    }
}

void Title(HWND hwnd, const char* title) {
    if (SDL_Window* w = NativeWindow(hwnd)) SDL_SetWindowTitle(w, title);
}

void Rect(HWND hwnd, int x, int y, int width, int height) {
    SDL_Window* w = NativeWindow(hwnd);
    if (!w || (SDL_GetWindowFlags(w) & SDL_WINDOW_MAXIMIZED)) return;
    int cx, cy, cw, ch;
    SDL_GetWindowPosition(w, &cx, &cy);
    SDL_GetWindowSize(w, &cw, &ch);
    if (cw != width || ch != height) SDL_SetWindowSize(w, width, height);
    if (cx != x || cy != y) SDL_SetWindowPosition(w, x, y);
}

// Pixels in the format the framebuffer promises, with nothing to convert.
bool FitsFramebuffer(const SDL_Surface* s, int width, int height) {
    return s && s->w == width && s->h == height && s->format->format == SDL_PIXELFORMAT_RGB888 &&
           !SDL_MUSTLOCK(s) && s->pitch >= width * 4;
}

bool GiveFramebuffer(HWND hwnd, int width, int height, Framebuffer* fb) {
    Native* n = Find(hwnd);
    if (!n || n->renderer) return false;
    const bool same = n->width == width && n->height == height && !n->stale;
    if (same && (n->in_shadow || n->surface)) {
        if (n->in_shadow)
            *fb = {n->shadow.empty() ? nullptr : n->shadow.data(), width, height, width * 4};
        else
            *fb = {static_cast<uint32_t*>(n->surface->pixels), width, height, n->surface->pitch};
        return true;
    }
    // The size changed, or SDL replaced the surface: keep what the window holds first,
    // since asking SDL for its new surface frees the old one. (Out of memory, the seam's
    // GetFramebuffer fails with nothing changed.)
    std::vector<uint32_t> kept(size_t(width) * size_t(height), 0);
    const uint8_t* from = nullptr;
    int from_pitch = 0;
    if (n->in_shadow && !n->shadow.empty()) {
        from = reinterpret_cast<const uint8_t*>(n->shadow.data());
        from_pitch = n->width * 4;
    } else if (!n->in_shadow && n->surface) {
        from = static_cast<const uint8_t*>(n->surface->pixels);
        from_pitch = n->surface->pitch;
    }
    const int keep_w = std::min(width, n->width), keep_h = std::min(height, n->height);
    if (from && keep_w > 0)
        for (int y = 0; y < keep_h; ++y)
            std::memcpy(kept.data() + size_t(y) * width, from + ptrdiff_t(y) * from_pitch,
                        size_t(keep_w) * 4);
    SDL_Surface* s = SDL_GetWindowSurface(n->window);
    n->surface = s;
    n->stale = false;
    n->width = width;
    n->height = height;
    if (FitsFramebuffer(s, width, height)) {
        for (int y = 0; y < height; ++y)
            std::memcpy(static_cast<uint8_t*>(s->pixels) + ptrdiff_t(y) * s->pitch,
                        kept.data() + size_t(y) * width, size_t(width) * 4);
        std::vector<uint32_t>().swap(n->shadow);
        n->in_shadow = false;
        *fb = {static_cast<uint32_t*>(s->pixels), width, height, s->pitch};
    } else {
        n->shadow.swap(kept);
        n->in_shadow = true;
        *fb = {n->shadow.empty() ? nullptr : n->shadow.data(), width, height, width * 4};
    }
    return true;
}

// Converts 0x00RRGGBB pixels into the window surface and shows it.
void ConvertToSurface(Native* n, const uint32_t* pixels, int width, int height, int pitch) {
    if (n->stale || !n->surface) {
        n->surface = SDL_GetWindowSurface(n->window);
        n->stale = false;
    }
    SDL_Surface* surface = n->surface;
    if (!surface) return;
    int cw = std::min(width, surface->w), ch = std::min(height, surface->h);
    if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
    SDL_ConvertPixels(cw, ch, SDL_PIXELFORMAT_RGB888, pixels, pitch, surface->format->format,
                      surface->pixels, surface->pitch);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    if (SDL_UpdateWindowSurface(n->window) != 0) n->stale = true;
}

void ShowOwnFramebuffer(HWND hwnd) {
    Native* n = Find(hwnd);
    if (!n || n->renderer) return;
    if (n->in_shadow) {
        if (!n->shadow.empty())
            ConvertToSurface(n, n->shadow.data(), n->width, n->height, n->width * 4);
    } else if (n->surface && SDL_UpdateWindowSurface(n->window) != 0) {
        n->stale = true;  // resized: nothing is shown until the framebuffer is asked again
    }
}

void PresentTexture(Native* n, const uint32_t* pixels, int width, int height, int pitch) {
    if (!n->texture || n->texture_width != width || n->texture_height != height) {
        if (n->texture) SDL_DestroyTexture(n->texture);
        n->texture = SDL_CreateTexture(n->renderer, SDL_PIXELFORMAT_RGB888,
                                       SDL_TEXTUREACCESS_STREAMING, width, height);
        n->texture_width = n->texture ? width : 0;
        n->texture_height = n->texture ? height : 0;
        if (!n->texture) return;
    }
    SDL_UpdateTexture(n->texture, nullptr, pixels, pitch);
    SDL_Rect dest = {0, 0, width, height};
    SDL_SetRenderDrawColor(n->renderer, 0, 0, 0, 255);
    SDL_RenderClear(n->renderer);
    SDL_RenderCopy(n->renderer, n->texture, nullptr, &dest);
    SDL_RenderPresent(n->renderer);
    SDL_RendererInfo info;
    g_pace.vsynced =
        SDL_GetRendererInfo(n->renderer, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC);
}

void PresentFrame(HWND hwnd, const uint32_t* pixels, int width, int height, int pitch) {
    Native* n = Find(hwnd);
    if (!n) return;
    if (n->renderer)
        PresentTexture(n, pixels, width, height, pitch);
    else
        ConvertToSurface(n, pixels, width, height, pitch);
}

void Retrace() {
    using namespace std::chrono;
    auto now = steady_clock::now();
    auto period = duration_cast<steady_clock::duration>(duration<double>(1.0 / g_refresh_hz));
    if (g_pace.vsynced) {
        g_pace.vsynced = false;
        // The present waited for the retrace, unless it came back far too soon: a vsync
        // that does not hold frames back (a minimised window, a driver that ignores it).
        if (now - g_pace.last >= period / 2) {
            g_pace.last = now;
            return;
        }
        g_pace.last += period;
        std::this_thread::sleep_until(g_pace.last);
        return;
    }
    SteadyRetrace(g_refresh_hz);
    g_pace.last = steady_clock::now();
}

int VirtualKey(const SDL_Keysym& k) {
    SDL_Keycode c = k.sym;
    if (c >= SDLK_a && c <= SDLK_z) return 'A' + (c - SDLK_a);
    if (c >= SDLK_0 && c <= SDLK_9) return '0' + (c - SDLK_0);
    if (c >= SDLK_F1 && c <= SDLK_F12) return VK_F1 + (c - SDLK_F1);
    switch (c) {
        case SDLK_RETURN:
            return VK_RETURN;
        case SDLK_ESCAPE:
            return VK_ESCAPE;
        case SDLK_BACKSPACE:
            return VK_BACK;
        case SDLK_TAB:
            return VK_TAB;
        case SDLK_SPACE:
            return VK_SPACE;
        case SDLK_LEFT:
            return VK_LEFT;
        case SDLK_RIGHT:
            return VK_RIGHT;
        case SDLK_UP:
            return VK_UP;
        case SDLK_DOWN:
            return VK_DOWN;
        case SDLK_HOME:
            return VK_HOME;
        case SDLK_END:
            return VK_END;
        case SDLK_PAGEUP:
            return VK_PRIOR;
        case SDLK_PAGEDOWN:
            return VK_NEXT;
        case SDLK_INSERT:
            return VK_INSERT;
        case SDLK_DELETE:
            return VK_DELETE;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return VK_SHIFT;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return VK_CONTROL;
        case SDLK_LALT:
        case SDLK_RALT:
            return VK_MENU;
        case SDLK_CAPSLOCK:
            return VK_CAPITAL;
        default:
            return 0;
    }
}

void Pump() {
    if (SDL_ThreadID() != g_video_thread) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
            case SDL_QUIT:  // SIGINT, SIGTERM, or the session asking every window to go
                input::CloseRequestAll();
                break;
            case SDL_WINDOWEVENT: {
                HWND hwnd = HwndOf(e.window.windowID);
                if (!hwnd) break;
                switch (e.window.event) {
                    case SDL_WINDOWEVENT_CLOSE:
                        input::CloseRequest(hwnd);
                        break;
                    case SDL_WINDOWEVENT_FOCUS_GAINED:
                        input::FocusChange(hwnd, true);
                        break;
                    case SDL_WINDOWEVENT_FOCUS_LOST:
                        input::FocusChange(hwnd, false);
                        break;
                    case SDL_WINDOWEVENT_MINIMIZED:
                        input::Minimized(hwnd);
                        break;
                    case SDL_WINDOWEVENT_MAXIMIZED:
                        input::Maximized(hwnd);
                        break;
                    case SDL_WINDOWEVENT_RESTORED:
                        input::Restored(hwnd);
                        break;
                    case SDL_WINDOWEVENT_SIZE_CHANGED:
                        if (Native* n = Find(hwnd)) n->stale = true;
                        input::ClientResized(hwnd, e.window.data1, e.window.data2);
                        break;
                    case SDL_WINDOWEVENT_MOVED:
                        input::ClientMoved(hwnd, e.window.data1, e.window.data2);
                        break;
                    case SDL_WINDOWEVENT_EXPOSED:
                        input::Exposed(hwnd);
                        break;
                }
                break;
            }
            case SDL_MOUSEMOTION:
                if (HWND hwnd = HwndOf(e.motion.windowID))
                    input::MouseMove(hwnd, e.motion.x, e.motion.y);
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: {
                HWND hwnd = HwndOf(e.button.windowID);
                input::MouseButton b = e.button.button == SDL_BUTTON_RIGHT    ? input::kRight
                                       : e.button.button == SDL_BUTTON_MIDDLE ? input::kMiddle
                                                                              : input::kLeft;
                if (hwnd)
                    input::MouseButtonEvent(hwnd, b, e.type == SDL_MOUSEBUTTONDOWN, e.button.x,
                                            e.button.y);
                break;
            }
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                if (int vk = VirtualKey(e.key.keysym)) input::Key(vk, e.type == SDL_KEYDOWN);
                break;
        }
    }
}

}  // namespace

const Backend* SdlBackend() {
    static const Backend* backend = []() -> const Backend* {
        // The program owns its exit: a signal becomes SDL_QUIT, which becomes a close.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "0");
        SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
        // A window surface is the display's own memory, never a texture behind it.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
        // Without a display SDL may fall back to a driver that shows nothing; that is no
        // display at all, and the program must learn so instead of animating unseen.
        const char* driver = SDL_GetCurrentVideoDriver();
        if (!driver || !strcmp(driver, "offscreen") || !strcmp(driver, "dummy")) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            return nullptr;
        }
        g_video_thread = SDL_ThreadID();
        SDL_DisplayMode m;
        if (SDL_GetDesktopDisplayMode(0, &m) == 0 && m.refresh_rate > 0)
            g_refresh_hz = m.refresh_rate;
        const char* choice = std::getenv("ZORVANE_SDL_PRESENT");
        if (choice && !strcmp(choice, "texture"))
            g_use_texture = true;
        else if (choice && !strcmp(choice, "surface"))
            g_use_texture = false;
        else
            g_use_texture = HasAcceleratedOpenGl();
        g_pace.last = std::chrono::steady_clock::now();
        static const Backend b = {"sdl",
                                  Mode,
                                  Open,
                                  Close,
                                  Show,
                                  Title,
                                  Rect,
                                  PresentFrame,
                                  Retrace,
                                  Pump,
                                  GiveFramebuffer,
                                  ShowOwnFramebuffer};
        return &b;
    }();
    return backend;
}

}  // namespace zv::host
