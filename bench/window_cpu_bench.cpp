// The CPU the whole process takes over 10 s while its window shows an unchanged page and the
// program waits in key_inkey: the key_echo test program in its pattern mode, on a private Xvfb.
// Read from /proc: utime + stime of the process, and of each of its threads, before and after.
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

// utime + stime in clock ticks from a stat file of /proc.
long long cpu_ticks(const std::string& stat_path) {
    std::ifstream file(stat_path);
    std::string stat;
    std::getline(file, stat);
    size_t end_of_name = stat.rfind(')');
    if (end_of_name == std::string::npos) return -1;
    std::istringstream fields(stat.substr(end_of_name + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::stoll(field);
        if (i == 15) stime = std::stoll(field);
    }
    return utime + stime;
}

std::map<int, long long> thread_ticks(pid_t pid) {
    std::map<int, long long> ticks;
    std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (dir == nullptr) return ticks;
    while (dirent* entry = readdir(dir)) {
        int tid = atoi(entry->d_name);
        if (tid > 0) ticks[tid] = cpu_ticks(tasks + "/" + entry->d_name + "/stat");
    }
    closedir(dir);
    return ticks;
}

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
    long long before = cpu_ticks(stat);
    std::map<int, long long> threads_before = thread_ticks(program.pid);
    sleep_ms(MEASURE_MS);
    long long after = cpu_ticks(stat);
    std::map<int, long long> threads_after = thread_ticks(program.pid);
    program_stop(program);
    XCloseDisplay(display);
    xserver_stop(server);

    double tick_ms = 1000.0 / double(sysconf(_SC_CLK_TCK));
    auto percent = [&](long long ticks) { return 100.0 * double(ticks) * tick_ms / MEASURE_MS; };
    printf(
        "CPU of the process over %d s, unchanged page, waiting in key_inkey: %.2f %% of one core "
        "(target below 2 %%)\n",
        MEASURE_MS / 1000, percent(after - before));
    printf(
        "  (for scale, on this machine a thread that only sleeps 1 ms at a time takes %.2f %%)\n",
        one_ms_sleeper_percent());
    int index = 0;
    for (const auto& [tid, ticks] : threads_after) {
        long long start = threads_before.count(tid) ? threads_before[tid] : 0;
        printf("  thread %-7d %-30s %6.2f %%\n", tid, thread_role(index++), percent(ticks - start));
    }
    return 0;
}
