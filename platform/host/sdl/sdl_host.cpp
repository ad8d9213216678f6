// The SDL host: each visible top-level window is a native SDL window of its client size
// and title, decorated when the window has a caption; the window manager draws the title
// bar and the close button. Frames go to the window surface; native events become user32
// input. Retraces come from a steady clock at the display's refresh rate.
#include <SDL2/SDL.h>

#include <cstring>

#include <algorithm>
#include <map>

#include "../backend.h"

namespace zv::host {
namespace {

std::map<HWND, SDL_Window*> g_windows;
int g_refresh_hz = 60;
SDL_threadID g_video_thread = 0;  // SDL's events are pumped only where video started

HWND HwndOf(Uint32 window_id) {
    SDL_Window* sw = SDL_GetWindowFromID(window_id);
    if (!sw) return nullptr;
    for (auto& [hwnd, w] : g_windows)
        if (w == sw) return hwnd;
    return nullptr;
}

SDL_Window* Native(HWND hwnd) {
    auto it = g_windows.find(hwnd);
    return it == g_windows.end() ? nullptr : it->second;
}

bool Mode(DisplayMode* mode) {
    SDL_DisplayMode m;
    if (SDL_GetDesktopDisplayMode(0, &m) != 0) return false;
    *mode = {m.w, m.h, m.refresh_rate};
    return true;
}

bool Open(HWND hwnd, const NativeWindowParams& params) {
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (!params.decorated) flags |= SDL_WINDOW_BORDERLESS;
    if (params.resizable) flags |= SDL_WINDOW_RESIZABLE;
    SDL_Window* w = SDL_CreateWindow(params.title, params.x, params.y, params.client_width,
                                     params.client_height, flags);
    if (!w) return false;
    g_windows[hwnd] = w;
    return true;
}

void Close(HWND hwnd) {
    if (SDL_Window* w = Native(hwnd)) SDL_DestroyWindow(w);
    g_windows.erase(hwnd);
}

void Show(HWND hwnd, ShowState state) {
    SDL_Window* w = Native(hwnd);
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
    if (SDL_Window* w = Native(hwnd)) SDL_SetWindowTitle(w, title);
}

void Rect(HWND hwnd, int x, int y, int width, int height) {
    SDL_Window* w = Native(hwnd);
    if (!w || (SDL_GetWindowFlags(w) & SDL_WINDOW_MAXIMIZED)) return;
    int cx, cy, cw, ch;
    SDL_GetWindowPosition(w, &cx, &cy);
    SDL_GetWindowSize(w, &cw, &ch);
    if (cw != width || ch != height) SDL_SetWindowSize(w, width, height);
    if (cx != x || cy != y) SDL_SetWindowPosition(w, x, y);
}

void PresentFrame(HWND hwnd, const uint32_t* pixels, int width, int height, int pitch) {
    SDL_Window* w = Native(hwnd);
    if (!w) return;
    SDL_Surface* surface = SDL_GetWindowSurface(w);
    if (!surface) return;
    int cw = std::min(width, surface->w), ch = std::min(height, surface->h);
    if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
    SDL_ConvertPixels(cw, ch, SDL_PIXELFORMAT_RGB888, pixels, pitch, surface->format->format,
                      surface->pixels, surface->pitch);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    SDL_UpdateWindowSurface(w);
}

void Retrace() {
    SteadyRetrace(g_refresh_hz);
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
        static const Backend b = {"sdl", Mode, Open,         Close,   Show,
                                  Title, Rect, PresentFrame, Retrace, Pump};
        return &b;
    }();
    return backend;
}

}  // namespace zv::host
