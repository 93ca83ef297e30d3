// Threads and sleeps.
#pragma once

#include <thread>

// Sleeps for ms milliseconds; a zero-length sleep yields the processor.
void platform_sleep_ms(int ms);
