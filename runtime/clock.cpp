#include "runtime/clock.h"

#include "platform/clocks.h"
#include "platform/threads.h"
#include "runtime/errors.h"
#include "runtime/statements.h"

#include <cmath>

namespace {
// The monotonic clock's reading at program load; clock_ms counts from here. The clock may start
// anywhere (under an accelerated test clock it starts from a large value).
const int64_t process_start_ms = platform_monotonic_ms();
constexpr uint32_t MS_PER_DAY = 86400000;
// Whether rt_limit has granted a pass. limit_last itself cannot tell: in the first millisecond of
// the process the clock reads 0.
bool limit_started = false;
} // namespace

uint32_t time_base_clock;
uint32_t time_base_midnight_ms;
double limit_last;

int64_t clock_ms() {
    return platform_monotonic_ms() - process_start_ms;
}

// The calendar clock has millisecond resolution here, so no wait for a second boundary is needed:
// the base is taken at one instant from both clocks.
void clock_time_base_init() {
    int64_t calendar = platform_calendar_ms();
    time_base_clock = uint32_t(clock_ms());
    int64_t since_midnight = platform_ms_since_local_midnight(calendar >= 0 ? calendar : 0);
    time_base_midnight_ms = since_midnight >= 0 ? uint32_t(since_midnight) : 0;
}

double rt_timer(double accuracy, int32_t accuracy_given) {
    if (pending_error.load() != 0) return 0;
    uint64_t since_base = uint32_t(uint32_t(clock_ms()) - time_base_clock);
    uint32_t m = uint32_t((since_base + time_base_midnight_ms) % MS_PER_DAY);
    double t = m / 1000.0;
    double step = 18.2;
    if (accuracy_given) {
        if (accuracy <= 0) {
            rt_error(5);
            return 0;
        }
        step = 1 / accuracy;
    }
    t = std::nearbyint(t * step) / step;
    return accuracy_given ? t : double(float(t));
}

void rt_sleep(int32_t seconds, int32_t seconds_given) {
    if (pending_error.load() != 0) return;
    sleep_wake.store(0);
    int64_t start = seconds_given ? clock_ms() : 0;
    double wait = seconds_given ? seconds * 1000.0 : 0;
    for (;;) {
        stmt_check(0);
        if (sleep_wake.load() != 0 || stop_requested.load() != 0) return;
        if (wait <= 0) {
            platform_sleep_ms(9);
            continue;
        }
        int64_t now = clock_ms();
        if (start > now) return;
        double elapsed = double(now - start);
        if (elapsed >= wait) return;
        int remaining = int(wait - elapsed);
        if (remaining < 1) remaining = 1;
        if (remaining < 10) {
            platform_sleep_ms(remaining);
            return;
        }
        platform_sleep_ms(9);
    }
}

void rt_limit_reset() {
    limit_started = false;
    limit_last = 0;
}

void rt_limit(double rate) {
    if (pending_error.load() != 0) return;
    if (rate <= 0) {
        rt_error(5);
        return;
    }
    double period = 1000 / rate;
    if (period > 60000) {
        rt_error(5);
        return;
    }
    for (;;) {
        double now = double(clock_ms());
        // The last pass may lie up to a millisecond ahead of the clock, which counts whole
        // milliseconds; only a clock that went back by more than a period starts a new grid.
        if (!limit_started || limit_last > now + period) {
            limit_started = true;
            limit_last = now;
            return;
        }
        double elapsed = now - limit_last;
        if (period <= elapsed) {
            // Late: keep the grid when only slightly late, otherwise start a new one from now.
            limit_last = elapsed <= period + 16 ? limit_last + period : now;
            return;
        }
        int remaining = int(period - elapsed);
        if (remaining < 1) remaining = 1;
        if (remaining < 10) {
            platform_sleep_ms(remaining);
            limit_last += period;
            return;
        }
        platform_sleep_ms(9);
        stmt_check(0);
    }
}
