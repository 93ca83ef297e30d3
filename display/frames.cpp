#include "display/frames.h"

std::atomic<int32_t> auto_display{1};

namespace {
std::atomic<uint8_t> snapshot_stale{0};
}

void display_invalidate_snapshot() {
    snapshot_stale.store(1);
}
