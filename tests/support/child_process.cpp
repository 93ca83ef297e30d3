#include "tests/support/child_process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <ctime>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

long long monotonic_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

void child_check(bool condition, const char* what) {
    if (condition) return;
    fprintf(stderr, "child check failed: %s\n", what);
    fflush(stderr);
    _exit(3);
}

ChildResult run_child(const std::function<void()>& body, int timeout_ms) {
    ChildResult result{false, -1, false, {}, 0};
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return result;
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        close(pipe_fds[0]);
        dup2(pipe_fds[1], STDERR_FILENO);
        close(pipe_fds[1]);
        body();
        fflush(nullptr);
        _exit(0);
    }
    close(pipe_fds[1]);
    // Non-blocking, so that a grandchild that keeps the pipe open cannot hold the parent.
    fcntl(pipe_fds[0], F_SETFL, O_NONBLOCK);
    long long deadline = monotonic_ms() + timeout_ms;
    int status = 0;
    bool ended = false;
    char buffer[4096];
    for (;;) {
        long long left = deadline - monotonic_ms();
        if (left <= 0) break;
        pollfd p{pipe_fds[0], POLLIN, 0};
        int ready = poll(&p, 1, int(left < 5 ? left : 5));
        if (ready > 0) {
            ssize_t n = read(pipe_fds[0], buffer, sizeof buffer);
            if (n > 0) result.err.append(buffer, size_t(n));
        }
        if (waitpid(pid, &status, WNOHANG) == pid) {
            ended = true;
            break;
        }
    }
    result.end_ms = monotonic_ms();
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        result.timed_out = true;
    }
    ssize_t n;
    while ((n = read(pipe_fds[0], buffer, sizeof buffer)) > 0) result.err.append(buffer, size_t(n));
    close(pipe_fds[0]);
    if (!result.timed_out && WIFEXITED(status)) {
        result.exited = true;
        result.exit_code = WEXITSTATUS(status);
    }
    return result;
}
