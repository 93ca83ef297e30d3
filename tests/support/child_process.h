// Runs a piece of a test in a child process: for paths that end the process (the orderly end,
// critical errors) and for tests that start the runtime's threads. The child's standard error is
// captured; every wait is bounded.
#pragma once

#include <functional>
#include <string>

struct ChildResult {
    bool exited;      // ended by exit or _exit (not by a signal, not killed on timeout)
    int exit_code;    // when exited
    bool timed_out;   // killed after the time limit
    std::string err;  // what the child wrote to standard error
    long long end_ms; // monotonic milliseconds at which the parent saw the child end
};

// Forks, runs `body` in the child (which should end the process itself; returning from it exits
// with code 0) and waits at most `timeout_ms` for the child to end.
ChildResult run_child(const std::function<void()>& body, int timeout_ms = 10000);

// Monotonic milliseconds, comparable between parent and child.
long long monotonic_ms();

// Ends the child with code 3 and a message on standard error when `condition` is false: the
// assertion of code that runs in a child process.
void child_check(bool condition, const char* what);
