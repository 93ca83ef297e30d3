#include "display/frames.h"

#include "display/keyboard.h"
#include "platform/threads.h"
#include "runtime/flags.h"
#include "runtime/startup.h"

std::atomic<int32_t> auto_display{1};

namespace {
std::atomic<uint8_t> snapshot_stale{0};
}

void display_invalidate_snapshot() {
    snapshot_stale.store(1);
}

void display_thread() {
    for (bool composing = false;; composing = !composing) {
        if (exit_requests.load() != 0) break;
        platform_sleep_ms(15);
        platform_sleep_ms(1);
        if (close_requested.load() != 0) break;
        if (!composing) sync_lock_keys();
    }
    rt_shutdown();
}
