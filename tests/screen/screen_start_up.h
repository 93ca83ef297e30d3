// The screen's start-up steps in the order the runtime's start-up takes them, for tests that run
// without threads or a window, and small readers of page 0.
#pragma once

#include "display/frames.h"
#include "runtime/flags.h"
#include "runtime/low_memory.h"
#include "runtime/shared_bytes.h"
#include "runtime/strings.h"
#include "screen/fonts.h"
#include "screen/images.h"
#include "screen/palette.h"
#include "screen/text.h"

#include <string>

inline void screen_start_up() {
    pending_error.store(0);
    threads_started.store(0);
    stop_requested.store(0);
    auto_display.store(1);
    display_hold.store(0);
    pending_text_size = {-1, -1, -1};
    font_metrics_init();
    img_table_init();
    low_memory_clear();
    palette_load();
    font_tables_load();
    scr_screen(0, 1);
    auto_tall_allowed = 1;
}

inline ImageRecord* slot_record(int32_t slot) {
    return &ImageTable.records[slot];
}

inline ImageRecord* page_record(int32_t page) {
    return slot_record(PageTable.slots[page]);
}

// The cell at row, column (1-based) of an image: code in the low byte, attribute in the high one.
inline uint16_t cell_of(const ImageRecord* image, int32_t row, int32_t col) {
    return shared_load_cell(image->data + ((row - 1) * image->width + (col - 1)) * 2);
}

// A row of an image as text, trailing blanks removed.
inline std::string row_text(const ImageRecord* image, int32_t row) {
    std::string text;
    for (int32_t col = 1; col <= image->width; ++col) text += char(cell_of(image, row, col) & 0xFF);
    return text.erase(text.find_last_not_of(' ') + 1);
}

// Prints `text` on the destination as the game does, with a DynString over the test's bytes.
inline void print_text(const std::string& text, int32_t newline) {
    DynString s{};
    s.data = reinterpret_cast<uint8_t*>(const_cast<char*>(text.data()));
    s.len = int32_t(text.size());
    scr_print(&s, newline);
}

inline void wrap_check_text(const std::string& text) {
    DynString s{};
    s.data = reinterpret_cast<uint8_t*>(const_cast<char*>(text.data()));
    s.len = int32_t(text.size());
    scr_print_wrap_check(&s);
}
