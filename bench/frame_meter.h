// What a frame loop costs: wall time, the calling thread's CPU time and the whole
// process's CPU time (every thread, those already ended included) between Start and
// Stop. The program benchmark and its SDL2 anchor measure themselves with it and report
// one line that the benchmark's parent reads back.
#pragma once

#include <time.h>

#include <cstdio>

namespace zv_bench {

struct FrameFigures {
    int frames = 0;
    double seconds = 0;      // wall time
    double main_cpu = 0;     // seconds of the measuring thread
    double process_cpu = 0;  // seconds of every thread of the process
};

class FrameMeter {
  public:
    void Start() {
        wall_ = Now(CLOCK_MONOTONIC);
        thread_ = Now(CLOCK_THREAD_CPUTIME_ID);
        process_ = Now(CLOCK_PROCESS_CPUTIME_ID);
    }
    FrameFigures Stop(int frames) const {
        FrameFigures f;
        f.frames = frames;
        f.seconds = Now(CLOCK_MONOTONIC) - wall_;
        f.main_cpu = Now(CLOCK_THREAD_CPUTIME_ID) - thread_;
        f.process_cpu = Now(CLOCK_PROCESS_CPUTIME_ID) - process_;
        return f;
    }

  private:
    static double Now(clockid_t clock) {
        timespec t{};
        clock_gettime(clock, &t);
        return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
    }
    double wall_ = 0, thread_ = 0, process_ = 0;
};

// The report line: "figures <frames> <seconds> <main cpu> <process cpu>".
inline void PrintFigures(const FrameFigures& f) {
    std::printf("figures %d %.9f %.9f %.9f\n", f.frames, f.seconds, f.main_cpu, f.process_cpu);
    std::fflush(stdout);
}

inline bool ParseFigures(const char* line, FrameFigures* f) {
    return std::sscanf(line, "figures %d %lf %lf %lf", &f->frames, &f->seconds, &f->main_cpu,
                       &f->process_cpu) == 4 &&
           f->frames > 0 && f->seconds > 0;
}

}  // namespace zv_bench
