#include "platform/threads.h"

#include <climits>
#include <linux/futex.h>
#include <sched.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

void platform_sleep_ms(int ms) {
    if (ms <= 0) {
        sched_yield();
        return;
    }
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

// The futex of the kernel, on the word's own storage: a wait that a writer ends at once.
static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t));

void platform_wait_word(const std::atomic<uint32_t>& word, uint32_t seen, int timeout_ms) {
    timespec ts{timeout_ms / 1000, (timeout_ms % 1000) * 1000000L};
    syscall(SYS_futex, reinterpret_cast<const uint32_t*>(&word), FUTEX_WAIT_PRIVATE, seen, &ts,
            nullptr, 0);
}

void platform_wake_word(const std::atomic<uint32_t>& word) {
    syscall(SYS_futex, reinterpret_cast<const uint32_t*>(&word), FUTEX_WAKE_PRIVATE, INT_MAX,
            nullptr, nullptr, 0);
}
