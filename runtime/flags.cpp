#include "runtime/flags.h"

std::atomic<int32_t> event_pending{0};
std::atomic<int32_t> pending_error{0};
std::atomic<int32_t> error_line{0};
std::atomic<uint8_t> pause_active{0};
std::atomic<uint8_t> stop_requested{0};
std::atomic<uint8_t> close_requested{0};
std::atomic<int32_t> exit_requests{0};
std::atomic<int32_t> sleep_wake{0};
std::atomic<int32_t> threads_started{0};
ThreadsDone threads_done{};

int32_t threads_done_mask() {
    return (threads_done.program_parked.load() ? 1 : 0) | (threads_done.timer_ended.load() ? 2 : 0);
}
