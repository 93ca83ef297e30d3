// What the headless display tests share: the start-up screen made the way the runtime makes it,
// cells written as the program thread writes them, and the composed frames read back pixel by
// pixel against the glyph tables and the page palette.
#pragma once

#include <gtest/gtest.h>

#include "display/frames.h"
#include "runtime/shared_bytes.h"
#include "screen/fonts.h"
#include "screen/images.h"
#include "screen/palette.h"

#include <cstdint>
#include <string>

// The screen of the start-up: 80 by 25, font 16, page 0 displayed, cursor hidden.
inline void make_start_up_screen() {
    font_metrics_init();
    img_table_init();
    palette_load();
    font_tables_load();
    scr_screen(0, 1);
}

inline ImageRecord& page0() {
    return *display_page.record.load();
}

// Row and column 1-based, as the program addresses cells.
inline void put_cell(int row, int col, uint8_t character, uint8_t attr) {
    ImageRecord& page = page0();
    shared_store_cell(page.data + ((row - 1) * page.width + (col - 1)) * 2,
                      uint16_t(attr << 8 | character));
}

inline void put_text(int row, int col, const std::string& text, uint8_t attr) {
    for (size_t i = 0; i < text.size(); ++i) put_cell(row, col + int(i), uint8_t(text[i]), attr);
}

inline void place_cursor(int row, int col, bool visible, uint8_t start = 4, uint8_t end = 4) {
    ImageRecord& page = page0();
    shared_store(page.cursor_row, int16_t(row));
    shared_store(page.cursor_col, int16_t(col));
    shared_store(page.cursor_visible, uint8_t(visible));
    shared_store(page.cursor_start, start);
    shared_store(page.cursor_end, end);
}

inline void set_blink_phase(bool on) {
    uint32_t counter = frame_counter.load();
    frame_counter.store(on ? (counter | 8) : (counter & ~8u));
}

inline const DisplayFrame& newest_frame() {
    return frame_ring.slots[frame_ring.newest.load()];
}

inline uint32_t frame_pixel(const DisplayFrame& frame, int x, int y) {
    return frame.pixels[size_t(y) * size_t(frame.width) + size_t(x)];
}

// The pixel rows of one 8 by 16 cell (0-based column and row of the text screen), compared with
// what character in colours fg and bg of the page palette must look like. Returns the first
// difference, or an empty string.
inline std::string cell_difference(const DisplayFrame& frame, int col, int row, uint8_t character,
                                   int fg, int bg) {
    const uint32_t* palette = page0().palette;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x) {
            bool set = Font8x16[character * 128 + y * 8 + x] != 0;
            uint32_t want = palette[set ? fg : bg];
            uint32_t got = frame_pixel(frame, col * 8 + x, row * 16 + y);
            if (got != want) {
                char text[128];
                snprintf(text, sizeof text, "cell (%d,%d) pixel (%d,%d): 0x%08X, want 0x%08X", col,
                         row, x, y, got, want);
                return text;
            }
        }
    return {};
}

// The pixel rows of a cell of the page's font that are filled entirely with `colour`, as a bit set
// (bit r = row r from the top of the cell).
inline uint32_t rows_filled_with(const DisplayFrame& frame, int col, int row, uint32_t colour) {
    int width = FontWidth[page0().font], height = FontHeight[page0().font];
    uint32_t rows = 0;
    for (int y = 0; y < height; ++y) {
        bool all = true;
        for (int x = 0; x < width; ++x)
            all = all && frame_pixel(frame, col * width + x, row * height + y) == colour;
        if (all) rows |= 1u << y;
    }
    return rows;
}
