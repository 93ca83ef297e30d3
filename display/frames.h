// Frames: the display page turned into 32-bit pixel frames and handed to the window through the
// frame ring, and the display thread that composes them about thirty times a second.
//
// The composing side (the display thread while presentation is automatic, the program thread
// through display_now while it is manual) and the drawing side (present_frame on the main thread)
// meet in frame_ring without a lock. The hand-over rests on three rules: a slot's fields and
// pixels are complete before `newest` names it; the drawing side only sets `releasable` and
// `drawn`, and marks as releasable only slots older than the newest it read; the composer frees
// or reuses only releasable slots, and never one of the four newest.
#pragma once

#include <atomic>
#include <cstdint>

inline constexpr int32_t FRAME_SLOTS = 64;

// One composed frame.
struct DisplayFrame {
    uint32_t* pixels; // width * height pixels 0xAARRGGBB, row-major, top row first; null: none
    int32_t width;    // in pixels
    int32_t height;
    int32_t size;                    // width * height * 4 bytes
    std::atomic<uint8_t> releasable; // set by the drawing side: a newer frame exists
    std::atomic<uint8_t> drawn;      // set by the drawing side once the frame has been drawn
};

// Slots 1 to 64 (entry 0 is never used); slot numbers advance 1, 2, ..., 64, 1, ...
struct FrameRing {
    DisplayFrame slots[FRAME_SLOTS + 1];
    std::atomic<int32_t> first_pending; // the oldest slot that still owns pixels; 0 before any
    std::atomic<int32_t> newest;        // the slot most recently published; 0 before any
};
extern FrameRing frame_ring;

// Presentation: 1 automatic (the display thread composes about 30 frames a second), 0 manual
// (frames are composed when the program asks, display_now), -1 switching to manual.
extern std::atomic<int32_t> auto_display;

// The composing passes of the display thread. Its bit 3 is the blink phase: blinking cells show
// their background and the cursor is drawn while it is set.
extern std::atomic<uint32_t> frame_counter;

// The slot after `slot` in the ring (64 is followed by 1).
int32_t display_next_slot(int32_t slot);

// Composes the next frame from the display page and publishes it as the ring's newest, when
// something visible changed since the last one: cells, palette, the cursor's place or visibility,
// or the blink phase while a cell blinks or the cursor is shown. Only changed cells are redrawn
// over a copy of the previous frame. Composes nothing while screen re-creation holds the display
// side off (display_hold), without a display page, or while the ring is full. A slot that still
// owns pixels when it is to be published ends the process with exit code 9090.
void compose_frame();

// The drawing side's part of the hand-over: marks every slot from first_pending up to, not
// including, `newest` (as the drawing side read it) as releasable.
void display_release_older(int32_t newest);

// Presents the display page now (program thread). The first call while presentation is
// automatic switches it to manual: it waits until the display thread has composed one more frame.
// Later calls compose on the calling thread.
void display_now();

// Presentation becomes automatic again.
void display_auto();

// Marks the composer's copy of the last composed page as stale, so that the next frame is
// composed in full. Screen re-creation calls it.
void display_invalidate_snapshot();

// Checks the ring: slots from first_pending to newest own buffers of their size, the others own
// none. Returns null when it holds, else what is wrong. For tests.
const char* display_ring_fault();

// The display thread: a pass every 16 ms. It leaves its loop for the shutdown when the window's
// close box was used or an orderly end was requested; on every second pass it composes a frame
// while presentation is automatic, and on the others it keeps the lock keys in step.
void display_thread();
