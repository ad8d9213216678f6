// The anchor of the program benchmark: the same animation written the way one would with
// SDL2 and SDL2_gfx, a 640 x 480 window, black, six white circle outlines, the chain
// swaying as the program's does. It draws through an SDL renderer (OpenGL with vsync, or
// SDL's software renderer), paced at 60 Hz where vsync does not pace it, and reports its
// frame figures as program_bench reads them.
// Usage: sdl2_gfx_anchor opengl|software <warm-up frames> <measured frames>
#include <SDL2/SDL.h>
#include <SDL2/SDL2_gfxPrimitives.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "frame_meter.h"

namespace {

struct Chain {
    int counters[6] = {};

    void Draw(SDL_Renderer* renderer) {
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
        float x = 320.0f, y = 240.0f;
        circleRGBA(renderer, 320, 240, 180, 255, 255, 255, 255);
        for (int i = 1; i < 6; ++i) {
            double angle = double(counters[i]) / 30.0;
            x = float(double(x) + 30.0 * std::cos(angle));
            y = float(double(y) + 30.0 * std::sin(angle));
            circleRGBA(renderer, Sint16(x), Sint16(y), Sint16((6 - i) * 30), 255, 255, 255, 255);
        }
        for (int i = 1; i < 6; ++i)
            counters[i] += i;
    }
};

// Sleeps to the next point of a 60 Hz grid; a frame that is already late (a present that
// waited for vsync) starts the grid again instead of sleeping.
class Pacer {
  public:
    void Wait() {
        auto now = std::chrono::steady_clock::now();
        next_ += period_;
        if (next_ < now) {
            next_ = now;
            return;
        }
        std::this_thread::sleep_until(next_);
    }

  private:
    std::chrono::steady_clock::duration period_ =
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(1.0 / 60));
    std::chrono::steady_clock::time_point next_ = std::chrono::steady_clock::now();
};

bool Pump() {
    SDL_Event e;
    while (SDL_PollEvent(&e))
        if (e.type == SDL_QUIT ||
            (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE))
            return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[1], "opengl") && std::strcmp(argv[1], "software"))) {
        std::fprintf(stderr, "usage: %s opengl|software <warm-up frames> <measured frames>\n",
                     argv[0]);
        return 2;
    }
    const bool gl = std::strcmp(argv[1], "opengl") == 0;
    const int warmup = std::atoi(argv[2]), frames = std::atoi(argv[3]);
    if (warmup < 0 || frames <= 0) return 2;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
        return 1;
    }
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, argv[1]);
    SDL_Window* window = SDL_CreateWindow("Zorvane Lumetra (SDL2_gfx)", 0, 0, 640, 480, 0);
    SDL_Renderer* renderer =
        window ? SDL_CreateRenderer(window, -1,
                                    gl ? SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC
                                       : SDL_RENDERER_SOFTWARE)
               : nullptr;
    if (!renderer) {
        std::fprintf(stderr, "no %s renderer: %s\n", argv[1], SDL_GetError());
        SDL_Quit();
        return 1;
    }
    Chain chain;
    Pacer pacer;
    zv_bench::FrameMeter meter;
    bool open = true;
    for (int n = 0; open && n < warmup + frames; ++n) {
        if (n == warmup) meter.Start();
        chain.Draw(renderer);
        SDL_RenderPresent(renderer);
        pacer.Wait();
        open = Pump();
    }
    if (open) zv_bench::PrintFigures(meter.Stop(frames));
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return open ? 0 : 1;
}
