// A private X server for one real-window test: a virtual frame buffer on a display number of its
// own (so that tests run side by side), optionally with a window manager, and the programs the
// test runs on it. Every wait is bounded; whatever was started is stopped and reaped.
#pragma once

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

struct XServer {
    pid_t server_pid;         // 0 when not running
    pid_t window_manager_pid; // 0 when there is none
    int display_number;
    std::string display; // ":N", for DISPLAY
};

// Starts Xvfb with one 1280x1024 screen of 24-bit colour, no TCP and no reset when its last
// client leaves; it picks a free display number and reports it through a pipe. False, with
// nothing left running, when it has not reported within timeout_ms.
bool xserver_start(XServer& server, int timeout_ms = 5000);

// Starts openbox on the server and waits until it manages the screen: it has run its start-up
// command and its supporting-window check is on the root window. False, with openbox stopped,
// when it does not within timeout_ms.
bool xserver_start_window_manager(XServer& server, int timeout_ms = 5000);

// Stops the window manager and the server: a polite signal, then a kill after a bounded wait.
void xserver_stop(XServer& server);

struct TestProgram {
    pid_t pid;     // 0 when not running
    bool exited;   // ended by exit (not by a signal)
    int exit_code; // when exited: the low 8 bits of the code the program passed to exit
    int signal;    // when ended by a signal
};

// Starts `path` (looked up on PATH when it has no slash) with `args`, DISPLAY set to the server's
// display and the `environment` entries ("NAME=value") added or replacing the inherited ones.
// Standard output and error are the test's own.
bool program_launch(TestProgram& program, const XServer& server, const std::string& path,
                    const std::vector<std::string>& args,
                    const std::vector<std::string>& environment = {});

// Runs `body` in a forked child that ends with the code body returns, for code of this process
// that shows windows (the message box, for one). Fork only while the test runs a single thread.
bool program_fork(TestProgram& program, const std::function<int()>& body);

// Waits at most timeout_ms for the program to end; true when it has ended (exit_code or signal
// then tell how).
bool program_wait(TestProgram& program, int timeout_ms);

// Kills a program that still runs and reaps it.
void program_stop(TestProgram& program);
