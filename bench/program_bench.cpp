// The whole program's frame on a real display: the animation's own frame loop
// (Animation_Start, then Animation_Frame) on the SDL host, beside the same animation
// written with SDL2 and SDL2_gfx (sdl2_gfx_anchor), each run in a process of its own, one
// after the other, in this one run. Each reports, over the measured frames after a
// warm-up, its frame rate and the CPU time per frame of its main thread and of the whole
// process (every thread: a renderer's or a GL driver's helpers count too).
//
// Needs a display; under Xvfb, for instance:
//   xvfb-run -s '-screen 0 1024x768x24' build/default/bench/program_bench
// Options: --warmup N (60 frames), --frames N (600 frames).
// `program_bench --program <warm-up> <frames>` is one measured run of the program alone.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/animation.h"
#include "frame_meter.h"

extern char** environ;

namespace {

int RunProgram(int warmup, int frames) {
    if (!Animation_Start()) {
        std::fprintf(stderr, "program_bench: the program did not start (no display?)\n");
        Animation_ShutDown();
        return 1;
    }
    zv_bench::FrameMeter meter;
    bool open = true;
    for (int n = 0; open && n < warmup + frames; ++n) {
        if (n == warmup) meter.Start();
        open = Animation_Frame() != 0;
    }
    if (open) zv_bench::PrintFigures(meter.Stop(frames));
    Animation_ShutDown();
    return open ? 0 : 1;
}

struct Run {
    const char* label;
    std::vector<std::string> argv;
    std::vector<std::string> env;  // NAME=value to set, or NAME alone to unset
};

std::string SelfDirectory() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    path[n] = 0;
    std::string s(path);
    return s.substr(0, s.rfind('/'));
}

// Runs one child with its environment changes; its figures, or false.
bool Measure(const Run& run, zv_bench::FrameFigures* figures) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string var(*e);
        bool replaced = false;
        for (const std::string& change : run.env) {
            std::string name = change.substr(0, change.find('='));
            if (var.compare(0, name.size() + 1, name + "=") == 0) replaced = true;
        }
        if (!replaced) env.push_back(var);
    }
    for (const std::string& change : run.env)
        if (change.find('=') != std::string::npos) env.push_back(change);
    std::vector<char*> envp, argv;
    for (std::string& s : env)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = run.argv;
    for (std::string& s : args)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    int out[2];
    if (pipe(out) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    pid_t pid;
    int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return false;
    }
    std::string text;
    char buffer[512];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, size_t(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    size_t at = text.find("figures ");
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && at != std::string::npos &&
           zv_bench::ParseFigures(text.c_str() + at, figures);
}

}  // namespace

int main(int argc, char** argv) {
    int warmup = 60, frames = 600;
    if (argc == 4 && std::strcmp(argv[1], "--program") == 0)
        return RunProgram(std::atoi(argv[2]), std::atoi(argv[3]));
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--warmup") == 0) warmup = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--frames") == 0) frames = std::atoi(argv[i + 1]);
    }
    if (warmup < 0 || frames <= 0) {
        std::fprintf(stderr, "usage: %s [--warmup N] [--frames N]\n", argv[0]);
        return 2;
    }
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "program_bench: needs a display (run it under xvfb-run)\n");
        return 2;
    }
    const std::string dir = SelfDirectory();
    const std::string self = dir + "/program_bench", anchor = dir + "/sdl2_gfx_anchor";
    const std::string w = std::to_string(warmup), f = std::to_string(frames);
    const bool have_anchor = access(anchor.c_str(), X_OK) == 0;
    const Run runs[] = {
        {"zorvane-lumetra, SDL host, its own choice",
         {self, "--program", w, f},
         {"ZORVANE_HOST=sdl", "ZORVANE_SDL_PRESENT"}},
        {"zorvane-lumetra, SDL host, window surface",
         {self, "--program", w, f},
         {"ZORVANE_HOST=sdl", "ZORVANE_SDL_PRESENT=surface"}},
        {"zorvane-lumetra, SDL host, streaming texture",
         {self, "--program", w, f},
         {"ZORVANE_HOST=sdl", "ZORVANE_SDL_PRESENT=texture"}},
        {"SDL2 + SDL2_gfx, OpenGL renderer, vsync", {anchor, "opengl", w, f}, {}},
        {"SDL2 + SDL2_gfx, software renderer", {anchor, "software", w, f}, {}},
    };
    std::printf("%d frames after %d of warm-up; CPU time per frame\n\n", frames, warmup);
    std::printf("| %-46s | %6s | %11s | %13s |\n", "program", "fps", "main thread",
                "whole process");
    std::printf("|%s|%s|%s|%s|\n", std::string(48, '-').c_str(), std::string(8, '-').c_str(),
                std::string(13, '-').c_str(), std::string(15, '-').c_str());
    zv_bench::FrameFigures ours{}, anchor_gl{};
    for (const Run& run : runs) {
        zv_bench::FrameFigures fig;
        if (run.argv[0] == anchor && !have_anchor) {
            std::printf("| %-46s | not built (needs libsdl2-gfx-dev) |\n", run.label);
            continue;
        }
        if (!Measure(run, &fig)) {
            std::printf("| %-46s | did not run |\n", run.label);
            continue;
        }
        std::printf("| %-46s | %6.2f | %8.3f ms | %10.3f ms |\n", run.label,
                    fig.frames / fig.seconds, 1e3 * fig.main_cpu / fig.frames,
                    1e3 * fig.process_cpu / fig.frames);
        std::fflush(stdout);
        if (&run == &runs[0]) ours = fig;
        if (&run == &runs[3]) anchor_gl = fig;
    }
    if (ours.frames && anchor_gl.frames)
        std::printf("\nprocess CPU per frame, SDL2 + SDL2_gfx (OpenGL) / zorvane-lumetra: %.2f\n",
                    (anchor_gl.process_cpu / anchor_gl.frames) / (ours.process_cpu / ours.frames));
    return 0;
}
