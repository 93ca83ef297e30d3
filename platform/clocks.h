// Clocks. The monotonic clock counts elapsed time (never processor time); the calendar clock is
// read with millisecond resolution.
#pragma once

#include <cstdint>

int64_t platform_monotonic_ms();
int64_t platform_calendar_ms();  // milliseconds since the epoch; -1 when unavailable

// Milliseconds since local midnight at the calendar instant `epoch_ms`; -1 when the local time
// cannot be worked out.
int64_t platform_ms_since_local_midnight(int64_t epoch_ms);
