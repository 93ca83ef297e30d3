#include "tests/window/support/xserver.h"

#include "tests/window/support/wait.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int stop_grace_ms = 2000;

// Starts argv[0] with the given environment; standard output and error go to /dev/null when
// `quiet`. Returns the pid, or 0 when it could not be started.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& envp,
            bool quiet) {
    std::vector<char*> args, env;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    for (const std::string& e : envp) env.push_back(const_cast<char*>(e.c_str()));
    args.push_back(nullptr);
    env.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = 0;
    int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    return failed ? 0 : pid;
}

// The inherited environment with `entries` ("NAME=value") added, each replacing its namesake.
std::vector<std::string> environment_with(const std::vector<std::string>& entries) {
    std::vector<std::string> result;
    for (char** e = environ; *e; e++) {
        std::string entry = *e;
        std::string name = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const std::string& n : entries) replaced |= n.compare(0, name.size(), name) == 0;
        if (!replaced) result.push_back(entry);
    }
    result.insert(result.end(), entries.begin(), entries.end());
    return result;
}

bool reap(pid_t pid, int* status, int timeout_ms) {
    return wait_until([&] { return waitpid(pid, status, WNOHANG) == pid; }, timeout_ms, 2);
}

// SIGTERM, a bounded wait, then SIGKILL.
void stop_process(pid_t& pid) {
    if (pid == 0) return;
    int status;
    kill(pid, SIGTERM);
    if (!reap(pid, &status, stop_grace_ms)) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    pid = 0;
}

// Reads the display number that Xvfb writes to the pipe once it accepts connections.
int read_display_number(int fd, int timeout_ms) {
    std::string text;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (text.find('\n') == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return -1;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, int(left.count())) <= 0) continue;
        char buffer[32];
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) return -1;
        text.append(buffer, size_t(n));
    }
    return atoi(text.c_str());
}

// True once a window manager has put its supporting-window check on the root window and on the
// check window itself, as it does when it has taken over the screen.
bool window_manager_ready(Display* display) {
    Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    Window window = DefaultRootWindow(display);
    for (int step = 0; step < 2; step++) {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, check, 0, 1, False, XA_WINDOW, &type, &format,
                               &count, &after, &data) != Success)
            return false;
        Window next = (data && count == 1) ? *reinterpret_cast<Window*>(data) : None;
        if (data) XFree(data);
        if (next == None) return false;
        window = next;
    }
    return true;
}

} // namespace

bool xserver_start(XServer& server, int timeout_ms) {
    server = XServer{0, 0, -1, {}};
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    fcntl(fds[1], F_SETFD, 0); // the write end goes to Xvfb
    server.server_pid = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                               "1280x1024x24", "-nolisten", "tcp", "-noreset"},
                              environment_with({}), true);
    close(fds[1]);
    server.display_number = server.server_pid ? read_display_number(fds[0], timeout_ms) : -1;
    close(fds[0]);
    if (server.display_number < 0) {
        stop_process(server.server_pid);
        return false;
    }
    server.display = ":" + std::to_string(server.display_number);
    return true;
}

// Openbox puts its supporting-window check in place early in its start-up, and windows mapped
// before it enters its event loop may be lost to it; the command it runs once started is the
// sure sign, so that command creates a file the test waits for.
bool xserver_start_window_manager(XServer& server, int timeout_ms) {
    Display* display = XOpenDisplay(server.display.c_str());
    if (!display) return false;
    std::string started_file = "/tmp/es-openbox-started-" + std::to_string(getpid()) + "-" +
                               std::to_string(server.display_number);
    unlink(started_file.c_str());
    pid_t& pid = server.window_manager_pid;
    pid = spawn({"openbox", "--sm-disable", "--startup", "touch " + started_file},
                environment_with({"DISPLAY=" + server.display}), true);
    auto ended = [&] {
        int status;
        if (pid == 0 || waitpid(pid, &status, WNOHANG) != pid) return pid == 0;
        pid = 0;
        return true;
    };
    auto ready = [&] {
        return access(started_file.c_str(), F_OK) == 0 && window_manager_ready(display);
    };
    wait_until([&] { return ended() || ready(); }, timeout_ms);
    bool managing = pid != 0 && ready();
    XCloseDisplay(display);
    unlink(started_file.c_str());
    if (!managing) stop_process(pid);
    return managing;
}

void xserver_stop(XServer& server) {
    stop_process(server.window_manager_pid);
    stop_process(server.server_pid);
}

bool program_launch(TestProgram& program, const XServer& server, const std::string& path,
                    const std::vector<std::string>& args,
                    const std::vector<std::string>& environment) {
    program = TestProgram{0, false, -1, 0};
    std::vector<std::string> argv{path};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> entries{"DISPLAY=" + server.display};
    entries.insert(entries.end(), environment.begin(), environment.end());
    program.pid = spawn(argv, environment_with(entries), false);
    return program.pid != 0;
}

bool program_fork(TestProgram& program, const std::function<int()>& body) {
    program = TestProgram{0, false, -1, 0};
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    program.pid = pid > 0 ? pid : 0;
    return pid > 0;
}

bool program_wait(TestProgram& program, int timeout_ms) {
    if (program.pid == 0) return true;
    int status;
    if (!reap(program.pid, &status, timeout_ms)) return false;
    program.pid = 0;
    program.exited = WIFEXITED(status);
    program.exit_code = program.exited ? WEXITSTATUS(status) : -1;
    program.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return true;
}

void program_stop(TestProgram& program) {
    if (program.pid == 0) return;
    kill(program.pid, SIGKILL);
    int status;
    waitpid(program.pid, &status, 0);
    program.pid = 0;
    program.signal = SIGKILL;
}
