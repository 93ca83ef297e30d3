// The clock and the timed waits, on the real clocks of this machine.
#include "platform/clocks.h"
#include "platform/threads.h"
#include "runtime/clock.h"
#include "runtime/flags.h"

#include <cmath>
#include <gtest/gtest.h>
#include <thread>

namespace {

void reset_flags() {
    pending_error.store(0);
    sleep_wake.store(0);
    stop_requested.store(0);
    pause_active.store(0);
    threads_done.program_parked.store(0);
    rt_limit_reset();
}

// Waits at most timeout_ms for `done`; true if it came.
bool eventually(const std::atomic<bool>& done, int timeout_ms) {
    for (int waited = 0; waited < timeout_ms && !done.load(); ++waited) platform_sleep_ms(1);
    return done.load();
}

} // namespace

TEST(Clock, TimerGivesTheTimeOfDayInStepsOfItsAccuracy) {
    reset_flags();
    clock_time_base_init();
    double t = rt_timer(0.001, 1);
    double expected = platform_ms_since_local_midnight(platform_calendar_ms()) / 1000.0;
    if (expected < 1) GTEST_SKIP() << "midnight is passing";
    EXPECT_NEAR(t, expected, 0.05);
    EXPECT_DOUBLE_EQ(t * 1000, std::nearbyint(t * 1000)); // whole milliseconds

    // Without an accuracy: steps of 1/18.2 s, held in single precision.
    double coarse = rt_timer(0, 0);
    EXPECT_EQ(coarse, double(float(coarse)));
    double steps = std::nearbyint(coarse * 18.2);
    EXPECT_EQ(coarse, double(float(steps / 18.2)));
    EXPECT_NEAR(coarse, expected, 0.1);
}

TEST(Clock, TimerRestartsFromZeroAfterMidnight) {
    reset_flags();
    time_base_clock = uint32_t(clock_ms());
    time_base_midnight_ms = 86400000 - 30;
    platform_sleep_ms(60);
    double t = rt_timer(0.001, 1);
    EXPECT_GE(t, 0.0);
    EXPECT_LT(t, 1.0);
}

TEST(Clock, TimerRejectsAnAccuracyOfZeroOrLess) {
    for (double accuracy : {0.0, -1.0}) {
        reset_flags();
        EXPECT_EQ(rt_timer(accuracy, 1), 0.0);
        EXPECT_EQ(pending_error.load(), 5);
    }
}

TEST(Clock, ClockStartsNearZeroAndCountsElapsedTime) {
    int64_t before = clock_ms();
    EXPECT_LT(before, 60000);
    platform_sleep_ms(50);
    int64_t elapsed = clock_ms() - before;
    EXPECT_GE(elapsed, 50);
    EXPECT_LT(elapsed, 500);
}

TEST(Sleep, EndsOnAKeyPressedAfterItBegan) {
    reset_flags();
    sleep_wake.store(1); // a key pressed before the wait began does not count
    std::atomic<bool> returned{false};
    std::thread sleeper([&] {
        rt_sleep(0, 0);
        returned.store(true);
    });
    platform_sleep_ms(80);
    EXPECT_FALSE(returned.load());
    sleep_wake.store(1);
    EXPECT_TRUE(eventually(returned, 100));
    sleeper.join();
}

TEST(Sleep, ParksTheProgramThreadAtOnceOnAStop) {
    reset_flags();
    std::atomic<bool> returned{false};
    std::thread([&] {
        rt_sleep(0, 0);
        returned.store(true);
    }).detach();
    platform_sleep_ms(30);
    stop_requested.store(1);
    for (int waited = 0; waited < 100 && !threads_done.program_parked.load(); ++waited)
        platform_sleep_ms(1);
    EXPECT_EQ(threads_done.program_parked.load(), 1);
    EXPECT_FALSE(returned.load());
}

TEST(Sleep, WaitsItsDurationWithoutAKey) {
    reset_flags();
    int64_t start = clock_ms();
    rt_sleep(1, 1);
    int64_t took = clock_ms() - start;
    EXPECT_GE(took, 1000);
    EXPECT_LT(took, 1100);
}

TEST(Sleep, ReturnsAtOnceWhileAnErrorIsPending) {
    reset_flags();
    pending_error.store(9);
    int64_t start = clock_ms();
    rt_sleep(5, 1);
    EXPECT_LT(clock_ms() - start, 20);
    EXPECT_EQ(pending_error.load(), 9);
}

TEST(Limit, HoldsALoopToThirtyPassesASecond) {
    reset_flags();
    rt_limit(30);
    double first = limit_last;
    int64_t start = clock_ms();
    for (int pass = 0; pass < 30; ++pass) rt_limit(30);
    int64_t took = clock_ms() - start;
    EXPECT_NEAR(double(took), 1000.0, 40.0);
    EXPECT_NEAR(limit_last, first + 30 * (1000.0 / 30), 1e-6); // on the grid
}

TEST(Limit, KeepsTheGridAfterASlightlyLatePassAndRestartsItAfterALongOne) {
    reset_flags();
    const double period = 1000.0 / 30;
    rt_limit(30);
    rt_limit(30);
    double on_grid = limit_last;
    platform_sleep_ms(40); // late by less than period + 16 ms
    int64_t before = clock_ms();
    rt_limit(30);
    EXPECT_LT(clock_ms() - before, 3); // no wait: the pass is already due
    EXPECT_NEAR(limit_last, on_grid + period, 1e-6);

    platform_sleep_ms(100); // far too late: a new grid starts now
    double now = double(clock_ms());
    rt_limit(30);
    EXPECT_NEAR(limit_last, now, 2.0);
}

TEST(Limit, RejectsRatesOfZeroOrLessAndBelowOnePassAMinute) {
    for (double rate : {0.0, -5.0, 1.0 / 61}) {
        reset_flags();
        rt_limit(rate);
        EXPECT_EQ(pending_error.load(), 5) << rate;
    }
    reset_flags();
    rt_limit(1.0 / 59);
    EXPECT_EQ(pending_error.load(), 0);
}
