#include "platform/threads.h"

#include <sched.h>
#include <time.h>

void platform_sleep_ms(int ms) {
    if (ms <= 0) {
        sched_yield();
        return;
    }
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}
