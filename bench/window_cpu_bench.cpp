// The CPU the whole process takes over 10 s while its window shows an unchanged page and the
// program waits in key_inkey: the key_echo test program in its pattern mode, on a private Xvfb.
// Read from /proc: utime + stime of the process, and of each of its threads, before and after.
#include "tests/window/support/process_stats.h"
#include "tests/window/support/wait.h"
#include "tests/window/support/xclient.h"
#include "tests/window/support/xserver.h"

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <time.h>
#include <unistd.h>

namespace {

constexpr int SETTLE_MS = 2000;
constexpr int MEASURE_MS = 10000;

// Threads in the order they were made: the main thread, then the runtime's program, event-timer
// and display threads (started in that order), then whatever the libraries start.
const char* thread_role(int index) {
    const char* roles[] = {"main (window, event loop)", "program (waits in key_inkey)",
                           "event timer", "display"};
    return index < 4 ? roles[index] : "library";
}

// For scale: the CPU a thread takes that does nothing but sleep 1 ms at a time, in % of one core.
double one_ms_sleeper_percent() {
    constexpr int SLEEPS = 2000;
    timespec cpu_start, wall_start, cpu_end, wall_end;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu_start);
    clock_gettime(CLOCK_MONOTONIC, &wall_start);
    for (int i = 0; i < SLEEPS; ++i) {
        timespec one_ms{0, 1000000};
        nanosleep(&one_ms, nullptr);
    }
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu_end);
    clock_gettime(CLOCK_MONOTONIC, &wall_end);
    auto seconds = [](timespec a, timespec b) {
        return double(b.tv_sec - a.tv_sec) + double(b.tv_nsec - a.tv_nsec) / 1e9;
    };
    return 100.0 * seconds(cpu_start, cpu_end) / seconds(wall_start, wall_end);
}

} // namespace

int main() {
    XServer server{};
    if (!xserver_start(server)) {
        fprintf(stderr, "no Xvfb\n");
        return 1;
    }
    TestProgram program{};
    Display* display = xclient_open(server);
    bool shown = display != nullptr &&
                 program_launch(program, server, KEY_ECHO_PATH, {"pattern"}) &&
                 xwin_find_by_title(display, "Untitled", 8000) != None;
    if (!shown) {
        fprintf(stderr, "the window did not appear\n");
        program_stop(program);
        xserver_stop(server);
        return 1;
    }
    sleep_ms(SETTLE_MS);
    std::string stat = "/proc/" + std::to_string(program.pid) + "/stat";
    long long before = proc_cpu_ticks(stat);
    std::map<int, ThreadUse> threads_before = proc_thread_use(program.pid);
    sleep_ms(MEASURE_MS);
    long long after = proc_cpu_ticks(stat);
    std::map<int, ThreadUse> threads_after = proc_thread_use(program.pid);
    program_stop(program);
    XCloseDisplay(display);
    xserver_stop(server);

    auto percent = [](long long ticks) { return proc_percent(ticks, MEASURE_MS); };
    printf(
        "CPU of the process over %d s, unchanged page, waiting in key_inkey: %.2f %% of one core "
        "(target below 2 %%)\n",
        MEASURE_MS / 1000, percent(after - before));
    printf(
        "  (for scale, on this machine a thread that only sleeps 1 ms at a time takes %.2f %%)\n",
        one_ms_sleeper_percent());
    int index = 0;
    for (const auto& [tid, use] : threads_after) {
        long long start = threads_before.count(tid) ? threads_before[tid].ticks : 0;
        printf("  thread %-7d %-30s %6.2f %%\n", tid, thread_role(index++),
               percent(use.ticks - start));
    }
    return 0;
}
