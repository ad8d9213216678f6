// The real executable: started headless, closed the way the headless host turns a
// termination request into a close of every window, it ends with code 0.
#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

pid_t Start(const char* host) {
    pid_t pid = fork();
    if (pid == 0) {
        setenv("ZORVANE_HOST", host, 1);
        execl(ZV_PROGRAM_PATH, ZV_PROGRAM_PATH, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// The child's exit status, or -1 when it did not end within `seconds`; `usage` receives
// what it used.
int WaitFor(pid_t pid, int seconds, struct rusage* usage = nullptr) {
    for (int i = 0; i < seconds * 100; ++i) {
        int status = 0;
        if (wait4(pid, &status, WNOHANG, usage) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        struct timespec pause = {0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

TEST(Program, AHeadlessRunEndsWithCodeZeroWhenClosed) {
    pid_t pid = Start("headless");
    ASSERT_GT(pid, 0);
    struct timespec running = {0, 500 * 1000 * 1000};
    nanosleep(&running, nullptr);  // frames are drawn meanwhile
    ASSERT_EQ(kill(pid, SIGTERM), 0);
    EXPECT_EQ(WaitFor(pid, 20), 0);
}

// Run headless outside a test, the program waits for each retrace on the real clock: over
// a second of frames it uses a small share of one core, not all of it.
TEST(Program, AHeadlessRunWaitsForTheRetraceInsteadOfSpinning) {
    pid_t pid = Start("headless");
    ASSERT_GT(pid, 0);
    struct timespec running = {1, 0};
    nanosleep(&running, nullptr);
    ASSERT_EQ(kill(pid, SIGTERM), 0);
    struct rusage usage = {};
    EXPECT_EQ(WaitFor(pid, 20, &usage), 0);
    double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    EXPECT_LT(cpu, 0.5) << "seconds of processor time in a run of about one second";
}

TEST(Program, AnInterruptIsAClose) {
    pid_t pid = Start("headless");
    ASSERT_GT(pid, 0);
    struct timespec running = {0, 500 * 1000 * 1000};
    nanosleep(&running, nullptr);
    ASSERT_EQ(kill(pid, SIGINT), 0);
    EXPECT_EQ(WaitFor(pid, 20), 0);
}

}  // namespace
