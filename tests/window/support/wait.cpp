#include "tests/window/support/wait.h"

#include <chrono>
#include <thread>

bool wait_until(const std::function<bool()>& predicate, int timeout_ms, int poll_ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        if (predicate()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(poll_ms));
    }
}

void sleep_ms(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
