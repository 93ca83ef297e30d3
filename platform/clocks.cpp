#include "platform/clocks.h"

#include <time.h>

int64_t platform_monotonic_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int64_t platform_calendar_ms() {
    timespec ts;
    if (clock_gettime(CLOCK_REALTIME, &ts) != 0) return -1;
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int64_t platform_ms_since_local_midnight(int64_t epoch_ms) {
    time_t seconds = time_t(epoch_ms / 1000);
    tm local;
    if (localtime_r(&seconds, &local) == nullptr) return -1;
    int64_t second_of_day = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    return second_of_day * 1000 + epoch_ms % 1000;
}
