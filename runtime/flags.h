// The flags that the four threads share. Each is an atomic used with plain loads and stores,
// written by one side and polled by the other; no thread ever waits on a lock for another.
#pragma once

#include <atomic>
#include <cstdint>

extern std::atomic<int32_t> event_pending;   // the program thread must call stmt_check
extern std::atomic<int32_t> pending_error;   // the ErrorCode waiting to be reported, 0 = none
extern std::atomic<int32_t> error_line;      // statement after which the error is reported
extern std::atomic<uint8_t> pause_active;    // bit 0: the Pause key holds the program
extern std::atomic<uint8_t> stop_requested;  // shutting down: the program thread must park
extern std::atomic<uint8_t> close_requested; // end the process now, in order
extern std::atomic<int32_t> exit_requests;   // bit 0: the window's close box was used
extern std::atomic<int32_t> sleep_wake;      // a key was pressed since rt_sleep began
extern std::atomic<int32_t> threads_started; // the program and event-timer threads run

// Which threads have finished: bit 0 the program thread has parked, bit 1 the event-timer thread
// has ended. Each bit has a byte of its own, because the two are set by different threads and a
// load-or-store of one shared word could lose the other's bit.
struct ThreadsDone {
    std::atomic<uint8_t> program_parked;
    std::atomic<uint8_t> timer_ended;
};
extern ThreadsDone threads_done;
int32_t threads_done_mask();
