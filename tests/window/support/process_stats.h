// What /proc tells of a running program: the processor time of the process and of each of its
// threads, their names, and the fields of their status files.
#pragma once

#include <map>
#include <string>
#include <sys/types.h>

// utime + stime in clock ticks from a stat file of /proc; -1 when it cannot be read.
long long proc_cpu_ticks(const std::string& stat_path);

// The first line of a file of /proc.
std::string proc_first_line(const std::string& path);

// A field of a status file of /proc ("VmHWM", "voluntary_ctxt_switches"), or -1.
long long proc_status_field(const std::string& status_path, const std::string& name);

// What one thread has used so far: processor time, and the times it went to sleep and woke.
struct ThreadUse {
    std::string name; // the thread's own name (the program's for threads that set none)
    long long ticks;
    long long wakeups;
};

// Every thread of `pid` by thread id, in the order the threads were made.
std::map<int, ThreadUse> proc_thread_use(pid_t pid);

// Processor time as % of one core: `ticks` clock ticks over `milliseconds` of wall time.
double proc_percent(long long ticks, double milliseconds);
