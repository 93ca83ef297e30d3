// Threads and sleeps.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

// Sleeps for ms milliseconds; a zero-length sleep yields the processor.
void platform_sleep_ms(int ms);

// Waits until `word` no longer holds `seen`, at most timeout_ms milliseconds (it may also return
// early). The writer that changes the word calls platform_wake_word after storing the new value.
void platform_wait_word(const std::atomic<uint32_t>& word, uint32_t seen, int timeout_ms);
void platform_wake_word(const std::atomic<uint32_t>& word);
