#include "tests/window/support/process_stats.h"

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

long long proc_cpu_ticks(const std::string& stat_path) {
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

std::string proc_first_line(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

long long proc_status_field(const std::string& status_path, const std::string& name) {
    std::ifstream file(status_path);
    for (std::string line; std::getline(file, line);)
        if (line.compare(0, name.size() + 1, name + ":") == 0)
            return atoll(line.c_str() + name.size() + 1);
    return -1;
}

std::map<int, ThreadUse> proc_thread_use(pid_t pid) {
    std::map<int, ThreadUse> use;
    std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (dir == nullptr) return use;
    while (dirent* entry = readdir(dir)) {
        int tid = atoi(entry->d_name);
        if (tid <= 0) continue;
        std::string task = tasks + "/" + entry->d_name;
        use[tid] = {proc_first_line(task + "/comm"), proc_cpu_ticks(task + "/stat"),
                    proc_status_field(task + "/status", "voluntary_ctxt_switches")};
    }
    closedir(dir);
    return use;
}

double proc_percent(long long ticks, double milliseconds) {
    double tick_ms = 1000.0 / double(sysconf(_SC_CLK_TCK));
    return 100.0 * double(ticks) * tick_ms / milliseconds;
}
