#include "display/frames.h"

#include "display/keyboard.h"
#include "platform/threads.h"
#include "runtime/flags.h"
#include "runtime/shared_bytes.h"
#include "runtime/startup.h"
#include "runtime/statements.h"
#include "screen/fonts.h"
#include "screen/images.h"
#include "screen/palette.h"

#include <cstdlib>
#include <cstring>

FrameRing frame_ring;
std::atomic<int32_t> auto_display{1};
std::atomic<uint32_t> frame_counter{0};

namespace {

constexpr int32_t FRAME_FAULT_EXIT_CODE = 9090;
constexpr uint8_t ATTR_BLINK = 0x80;

struct CellPosition {
    int32_t col; // 0-based
    int32_t row;
    bool operator==(const CellPosition&) const = default;
};

struct CursorShape {
    uint8_t start; // scan lines
    uint8_t end;
    bool operator==(const CursorShape&) const = default;
};

// What the composer keeps between calls: the page as last composed. Used by one composing thread
// at a time; auto_display hands it from the display thread to the program thread and back.
struct ComposerState {
    uint8_t* snapshot;     // the cells of the last composed page
    int32_t snapshot_size; // in bytes; 1 at start-up, so that the first call allocates
    uint8_t* cells;        // the page's cells as read by this call, the same size
    uint32_t palette_snapshot[PALETTE_ENTRIES];
    uint8_t snapshot_valid;
    uint8_t last_blink_phase;
    CellPosition last_cursor;
    uint8_t last_cursor_visible;
    CursorShape last_cursor_shape;
};
ComposerState composer = {nullptr, 1, nullptr, {}, 0, 0, {-1, -1}, 0, {0, 0}};

// Set by screen re-creation, taken by the next composition.
std::atomic<uint8_t> snapshot_stale{0};

// --- The ring -----------------------------------------------------------------------------------

void free_frame(DisplayFrame& frame) {
    free(frame.pixels);
    frame.pixels = nullptr;
}

// True when `slot` is `newest` or one of the three slots before it.
bool among_four_newest(int32_t slot, int32_t newest) {
    for (int32_t i = 0; i < 4; ++i, newest = newest == 1 ? FRAME_SLOTS : newest - 1)
        if (slot == newest) return true;
    return false;
}

// Frees the frames the drawing side has released, oldest first, keeping the four newest.
void reclaim_frames() {
    int32_t first = frame_ring.first_pending.load();
    int32_t newest = frame_ring.newest.load();
    if (first == 0) return;
    while (!among_four_newest(first, newest) &&
           frame_ring.slots[first].releasable.load(std::memory_order_acquire)) {
        free_frame(frame_ring.slots[first]);
        first = display_next_slot(first);
        frame_ring.first_pending.store(first);
    }
}

// Every slot owns a buffer: the drawing side has not released frames.
bool ring_full() {
    int32_t first = frame_ring.first_pending.load();
    if (first == 1) first = FRAME_SLOTS + 1;
    return frame_ring.newest.load() + 1 == first;
}

// The slot after the newest, prepared for a frame of width by height with a buffer taken over
// from the oldest frame when that one is released and of the same size. Returns 0 when no buffer
// can be had.
int32_t take_slot(int32_t width, int32_t height) {
    int32_t newest = frame_ring.newest.load();
    int32_t k = display_next_slot(newest);
    DisplayFrame& frame = frame_ring.slots[k];
    if (frame.pixels != nullptr) rt_exit_process(FRAME_FAULT_EXIT_CODE);
    frame.width = width;
    frame.height = height;
    frame.size = width * height * 4;
    frame.releasable.store(0);
    frame.drawn.store(0);
    int32_t first = frame_ring.first_pending.load();
    DisplayFrame* oldest = first != 0 ? &frame_ring.slots[first] : nullptr;
    if (oldest != nullptr && first != newest && oldest->size == frame.size &&
        oldest->releasable.load(std::memory_order_acquire)) {
        frame.pixels = oldest->pixels;
        oldest->pixels = nullptr;
        frame_ring.first_pending.store(display_next_slot(first));
    } else {
        frame.pixels = static_cast<uint32_t*>(malloc(size_t(frame.size)));
    }
    return frame.pixels != nullptr ? k : 0;
}

// --- The page -----------------------------------------------------------------------------------

// Keeps the snapshot the size of the page's cells and the palette snapshot equal to the page's
// palette; either change makes the snapshot invalid. False when the buffers cannot be had.
bool keep_snapshot(const ImageRecord& page, int32_t cell_bytes) {
    if (snapshot_stale.load() != 0) {
        snapshot_stale.store(0);
        composer.snapshot_valid = 0;
    }
    if (cell_bytes != composer.snapshot_size || composer.snapshot == nullptr) {
        free(composer.snapshot);
        free(composer.cells);
        composer.snapshot = static_cast<uint8_t*>(malloc(size_t(cell_bytes)));
        composer.cells = static_cast<uint8_t*>(malloc(size_t(cell_bytes)));
        composer.snapshot_size = cell_bytes;
        composer.snapshot_valid = 0;
        if (composer.snapshot == nullptr || composer.cells == nullptr) {
            composer.snapshot_size = 0;
            return false;
        }
    }
    if (!composer.snapshot_valid) {
        memcpy(composer.palette_snapshot, page.palette, sizeof composer.palette_snapshot);
    } else if (memcmp(composer.palette_snapshot, page.palette, sizeof composer.palette_snapshot)) {
        memcpy(composer.palette_snapshot, page.palette, sizeof composer.palette_snapshot);
        composer.snapshot_valid = 0;
    }
    return true;
}

// Where the cursor is drawn: its cell, or the start of the next row when a wrap is owed after a
// bare locate (not on the bottom row).
CellPosition cursor_cell(const ImageRecord& page) {
    CellPosition cursor{shared_load(page.cursor_col) - 1, shared_load(page.cursor_row) - 1};
    if (shared_load(page.pending_wrap) == 2 && cursor.row < page.height - 1) {
        cursor.col = 0;
        cursor.row++;
    }
    return cursor;
}

bool any_cell_blinks(const uint8_t* cells, int32_t cell_bytes) {
    for (int32_t i = 1; i < cell_bytes; i += 2)
        if (cells[i] & ATTR_BLINK) return true;
    return false;
}

// --- Drawing ------------------------------------------------------------------------------------

struct CursorRows {
    int32_t first; // first > last: nothing is drawn
    int32_t last;
};

// The rows of the cursor shape from scan line `s` to scan line `e` in a cell `h` rows high.
CursorRows cursor_rows(int32_t h, int32_t s, int32_t e) {
    int32_t b = h == 16 ? 14 : h - 1;
    CursorRows rows{1, 0};
    if (e == 0)
        rows = s != 0 ? CursorRows{1, 0} : CursorRows{0, 0};
    else if (e < s)
        rows = {e, h - 1};
    else if (s == e)
        rows = s <= 3 ? CursorRows{s, s} : CursorRows{b, b};
    else if (s >= 3)
        rows = e - s == 1   ? CursorRows{b - 1, b}
               : e - s == 2 ? CursorRows{b - 2, b}
                            : CursorRows{h / 2, h - 1};
    else if (s <= 1)
        rows = e <= 3 ? CursorRows{s, e} : CursorRows{s, h - 1};
    else
        rows = e == 3 ? CursorRows{2, 3} : e == 4 ? CursorRows{b - 2, b} : CursorRows{2, h - 1};
    if (rows.first >= h) return {1, 0};
    if (rows.last > h - 1) rows.last = h - 1;
    return rows;
}

// Draws one glyph at pixel (left, top) of a frame `frame_width` pixels wide.
void draw_glyph(uint32_t* pixels, int32_t frame_width, int32_t left, int32_t top,
                const GlyphRows& glyph, uint32_t fg, uint32_t bg) {
    for (int32_t r = 0; r < glyph.rows; ++r) {
        const uint8_t* row = glyph.first_row + r * 8;
        uint32_t* out = pixels + size_t(top + r) * size_t(frame_width) + size_t(left);
        if (glyph.doubled) {
            for (int32_t c = 0; c < glyph.pixel_width; ++c) out[c] = row[c / 2] ? fg : bg;
        } else {
            for (int32_t c = 0; c < glyph.pixel_width; ++c) out[c] = row[c] ? fg : bg;
        }
    }
}

void draw_cursor(uint32_t* pixels, int32_t frame_width, int32_t left, int32_t top,
                 const GlyphRows& glyph, CursorRows rows, uint32_t colour) {
    for (int32_t r = rows.first; r <= rows.last; ++r) {
        uint32_t* out = pixels + size_t(top + r) * size_t(frame_width) + size_t(left);
        for (int32_t c = 0; c < glyph.pixel_width; ++c) out[c] = colour;
    }
}

// Publishes slot k as the newest frame; its fields and pixels are complete.
void publish(int32_t k) {
    frame_ring.newest.store(k, std::memory_order_release);
    if (frame_ring.first_pending.load() == 0) frame_ring.first_pending.store(k);
}

// Steps 2 to 12 of a composition: the frame of `page`, when something visible changed.
void compose_page(const ImageRecord& page) {
    int32_t font = page.font;
    if (!page.is_text || page.data == nullptr || page.palette == nullptr || font < 0 ||
        font >= FONT_NUMBERS || FontWidth[font] <= 0 || FontHeight[font] <= 0)
        return;
    if (font_glyph(font, 0).first_row == nullptr) return;
    int32_t cell_width = FontWidth[font], cell_height = FontHeight[font];
    int64_t frame_bytes = int64_t(page.width) * cell_width * page.height * cell_height * 4;
    if (frame_bytes <= 0 || frame_bytes > INT32_MAX) return;
    int32_t frame_width = page.width * cell_width, frame_height = page.height * cell_height;

    reclaim_frames();
    if (ring_full()) return;

    int32_t cell_bytes = page.width * page.height * 2;
    if (!keep_snapshot(page, cell_bytes)) return;
    uint8_t* cells = composer.cells;
    uint8_t* snapshot = composer.snapshot;
    shared_read_cells(cells, page.data, size_t(cell_bytes));

    // What changed since the last frame. The blink phase matters only while something blinks.
    bool valid = composer.snapshot_valid != 0;
    bool blink_phase = (frame_counter.load() & 8) != 0;
    bool blink_changed = blink_phase != (composer.last_blink_phase != 0);
    CellPosition cursor = cursor_cell(page);
    bool cursor_visible = shared_load(page.cursor_visible) != 0;
    bool visibility_changed = cursor_visible != (composer.last_cursor_visible != 0);
    bool cursor_moved = !(cursor == composer.last_cursor);
    CursorShape shape{shared_load(page.cursor_start), shared_load(page.cursor_end)};
    bool shape_changed = cursor_visible && !(shape == composer.last_cursor_shape);
    bool changed = !valid || memcmp(cells, snapshot, size_t(cell_bytes)) != 0 || cursor_moved ||
                   visibility_changed || shape_changed ||
                   (blink_changed && (cursor_visible || any_cell_blinks(cells, cell_bytes)));
    if (!changed) return;

    int32_t previous = frame_ring.newest.load();
    int32_t k = take_slot(frame_width, frame_height);
    if (k == 0) return;
    DisplayFrame& frame = frame_ring.slots[k];
    bool incremental = valid && previous != 0 && frame_ring.slots[previous].size == frame.size;
    if (incremental) memcpy(frame.pixels, frame_ring.slots[previous].pixels, size_t(frame.size));

    const uint32_t* palette = composer.palette_snapshot;
    CursorRows cursor_shape_rows = cursor_rows(cell_height, shape.start, shape.end);
    for (int32_t y = 0; y < page.height; ++y) {
        for (int32_t x = 0; x < page.width; ++x) {
            size_t at = (size_t(y) * size_t(page.width) + size_t(x)) * 2;
            uint8_t character = cells[at], attr = cells[at + 1];
            CellPosition here{x, y};
            bool is_cursor = here == cursor;
            bool redraw = !incremental || character != snapshot[at] || attr != snapshot[at + 1] ||
                          ((attr & ATTR_BLINK) && blink_changed) ||
                          (is_cursor && (blink_changed || visibility_changed || shape_changed)) ||
                          (cursor_moved && here == composer.last_cursor);
            if (!redraw) continue;
            uint32_t fg = attr & 15, bg = (attr >> 4) & 7;
            if ((attr & ATTR_BLINK) && blink_phase) fg = bg;
            GlyphRows glyph = font_glyph(font, character);
            int32_t left = x * cell_width, top = y * cell_height;
            draw_glyph(frame.pixels, frame_width, left, top, glyph, palette[fg], palette[bg]);
            if (is_cursor && cursor_visible && blink_phase)
                draw_cursor(frame.pixels, frame_width, left, top, glyph, cursor_shape_rows,
                            palette[attr & 15]);
        }
    }
    memcpy(snapshot, cells, size_t(cell_bytes));

    composer.last_blink_phase = blink_phase;
    composer.last_cursor = cursor;
    composer.last_cursor_visible = cursor_visible;
    composer.last_cursor_shape = shape;
    composer.snapshot_valid = 1;
    publish(k);
}

// Screen re-creation asked the display side to stop: grant it and give the asker the processor.
void grant_hold() {
    if (display_hold.load() == 1) {
        display_hold.store(2);
        platform_sleep_ms(0);
    }
}

} // namespace

int32_t display_next_slot(int32_t slot) {
    return slot >= FRAME_SLOTS ? 1 : slot + 1;
}

void compose_frame() {
    // Only a composition that began after the switch to manual was asked for completes it, so
    // that the frame the program waits for shows what it wrote before asking.
    bool switching = auto_display.load() == -1;
    grant_hold();
    ImageRecord* page = display_page.record.load();
    if (display_hold.load() == 0 && page != nullptr && display_page.slot.load() != 0)
        compose_page(*page);
    grant_hold();
    if (switching && auto_display.load() == -1) auto_display.store(0);
}

void display_release_older(int32_t newest) {
    int32_t slot = frame_ring.first_pending.load();
    for (int32_t i = 0; slot != 0 && slot != newest && i < FRAME_SLOTS; ++i) {
        frame_ring.slots[slot].releasable.store(1, std::memory_order_release);
        slot = display_next_slot(slot);
    }
}

void display_now() {
    if (auto_display.load() != 0) {
        auto_display.store(-1);
        while (auto_display.load() != 0) {
            // A display thread that is shutting down composes no more: park instead of waiting.
            if (stop_requested.load() != 0) rt_exit_thread();
            platform_sleep_ms(1);
        }
        return;
    }
    compose_frame();
}

void display_auto() {
    auto_display.store(1);
}

void display_invalidate_snapshot() {
    snapshot_stale.store(1);
}

const char* display_ring_fault() {
    int32_t first = frame_ring.first_pending.load();
    int32_t newest = frame_ring.newest.load();
    if ((first == 0) != (newest == 0)) return "first_pending and newest disagree on emptiness";
    bool owning = false;
    for (int32_t i = 0, slot = first == 0 ? 1 : first; i < FRAME_SLOTS; ++i) {
        if (slot == first) owning = first != 0;
        const DisplayFrame& frame = frame_ring.slots[slot];
        if (owning != (frame.pixels != nullptr))
            return owning ? "a pending slot owns no buffer"
                          : "a slot outside the pending run owns a buffer";
        if (owning && frame.size != frame.width * frame.height * 4)
            return "a frame's size is wrong";
        if (slot == newest) owning = false;
        slot = display_next_slot(slot);
    }
    if (frame_ring.slots[0].pixels != nullptr) return "slot 0 owns a buffer";
    return nullptr;
}

void display_thread() {
    for (bool composing = false;; composing = !composing) {
        if (exit_requests.load() != 0) break;
        platform_sleep_ms(16);
        if (close_requested.load() != 0) break;
        if (composing) {
            if (auto_display.load() != 0) compose_frame();
            frame_counter.store(frame_counter.load() + 1);
        } else {
            sync_lock_keys();
        }
    }
    rt_shutdown();
}
