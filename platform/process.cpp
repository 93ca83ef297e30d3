#include "platform/process.h"

#include <X11/Xlib.h>
#include <csignal>
#include <cstdio>
#include <fpu_control.h>
#include <unistd.h>
#include <vector>

void platform_init() {
    XInitThreads();
}

std::string platform_executable_path() {
    std::vector<char> buffer(65536);
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return {};
    return std::string(buffer.data(), size_t(n));
}

bool platform_set_working_directory(const std::string& path) {
    return chdir(path.c_str()) == 0;
}

void platform_set_extended_precision() {
#if defined(__x86_64__) || defined(__i386__)
    fpu_control_t cw;
    _FPU_GETCW(cw);
    cw = fpu_control_t((cw & ~_FPU_EXTENDED) | _FPU_EXTENDED);
    _FPU_SETCW(cw);
#endif
}

void platform_install_fault_handler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(SIGFPE, &action, nullptr);
}

void platform_exit(int code) {
    fflush(nullptr);
    _exit(code);
}
