// LowMemory: one block laid out like the memory of a PC in real mode. The keyboard buffer, the
// low-memory string area and the text video block that holds the screen pages live at fixed
// places in it. rt_main clears it at start-up.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr size_t LOW_MEMORY_SIZE = 1114099;

inline constexpr size_t LOW_KEY_BUFFER = 1024;      // slot of value v: bytes 1024 + v, 1025 + v
inline constexpr size_t LOW_KEY_HEAD = 1050;        // 16-bit head word of the keyboard buffer
inline constexpr size_t LOW_KEY_TAIL = 1052;        // 16-bit tail word of the keyboard buffer
inline constexpr size_t LOW_STRING_AREA = 0x500;    // 64 KiB low-memory string area
inline constexpr size_t LOW_STRING_AREA_SIZE = 65536;
inline constexpr size_t LOW_VIDEO_TEXT = 0xB8000;   // 64 KiB block of the text screen's pages
inline constexpr size_t LOW_VIDEO_TEXT_SIZE = 65536;

// 16-byte alignment keeps the two-byte text cells of the video block naturally aligned.
alignas(16) extern uint8_t LowMemory[LOW_MEMORY_SIZE];

void low_memory_clear();
