// The clock: milliseconds since the process started, the time of day derived from them, the timed
// wait that a key press ends early, and the rate limiter that holds a loop to a number of passes
// a second. All but the time base run on the program thread.
#pragma once

#include <cstdint>

// Milliseconds since the process started, from a monotonic clock that counts elapsed time.
int64_t clock_ms();

// The time base: clock_ms (low 32 bits) and the milliseconds since local midnight at one instant.
extern uint32_t time_base_clock;
extern uint32_t time_base_midnight_ms;
void clock_time_base_init();

// Seconds since local midnight, quantised to steps of `accuracy` seconds, or to 1/18.2 s (and
// single precision) without one. An accuracy of 0 or less raises ErrorCode 5.
double rt_timer(double accuracy, int32_t accuracy_given);

// Waits `seconds` (or, without a duration, until a key is pressed), serving stmt_check while it
// waits. A key pressed after the call began ends the wait early.
void rt_sleep(int32_t seconds, int32_t seconds_given);

// Holds the caller to `rate` passes a second: sleeps until the next pass is due, keeping the grid
// of due times when a pass comes slightly late and starting a new grid after a long delay.
// A rate of 0 or less, or below one pass a minute, raises ErrorCode 5.
void rt_limit(double rate);

// The due time, in clock_ms, of the last pass rt_limit granted; 0 before the first call.
extern double limit_last;

// Forgets the last pass, so that the next rt_limit starts a new grid (tests).
void rt_limit_reset();
