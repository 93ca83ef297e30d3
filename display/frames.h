// Frames: the display page turned into 32-bit pixel frames and handed to the window, and the
// display thread that composes them about thirty times a second.
#pragma once

#include <atomic>
#include <cstdint>

// Presentation: 1 automatic (the display thread composes about 30 frames a second), 0 manual
// (frames are composed when the program asks, display_now), -1 switching to manual.
extern std::atomic<int32_t> auto_display;

// Marks the composer's copy of the last composed page as stale, so that the next frame is
// composed in full. Screen re-creation calls it.
void display_invalidate_snapshot();

// The display thread: a pass every 16 ms. It leaves its loop for the shutdown when the window's
// close box was used or an orderly end was requested; on every second pass it composes a frame
// while presentation is automatic, and on the others it keeps the lock keys in step.
void display_thread();
