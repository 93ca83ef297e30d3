#include "screen/text.h"

#include "platform/threads.h"
#include "runtime/errors.h"
#include "runtime/flags.h"
#include "runtime/shared_bytes.h"
#include "runtime/strings.h"
#include "screen/images.h"

#include <algorithm>

namespace {

constexpr int32_t BELL_PAUSE_MS = 250;
constexpr int32_t TALL_SCREEN_ROWS = 50;
constexpr size_t START_UP_PAGE_BYTES = 80 * 25 * 2;

bool error_pending() {
    return pending_error.load() != 0;
}

ImageRecord* dest() {
    return dest_image.record.load();
}

uint8_t text_attribute(int32_t fg, uint32_t bg) {
    return uint8_t(((fg & 16) + 2 * (bg & 7)) * 8 + (fg & 15));
}

uint16_t text_cell(uint8_t code, uint8_t attribute) {
    return uint16_t(code | attribute << 8);
}

uint16_t blank_cell(const ImageRecord* image) {
    return text_cell(' ', text_attribute(image->fg, image->bg));
}

uint8_t* cell_at(const ImageRecord* image, int32_t row, int32_t col) {
    return image->data + (size_t(row - 1) * image->width + size_t(col - 1)) * 2;
}

// Fills rows first to last (inclusive) with `cell`.
void fill_rows(const ImageRecord* image, int32_t first, int32_t last, uint16_t cell) {
    if (last < first) return;
    shared_fill_cells(cell_at(image, first, 1), cell, size_t(last - first + 1) * image->width);
}

// The cursor fields and pending_wrap are read by the display thread: written with shared_store.
void set_cursor(ImageRecord* image, int32_t row, int32_t col) {
    shared_store(image->cursor_row, int16_t(row));
    shared_store(image->cursor_col, int16_t(col));
}

void set_row(ImageRecord* image, int32_t row) {
    shared_store(image->cursor_row, int16_t(row));
}

void set_col(ImageRecord* image, int32_t col) {
    shared_store(image->cursor_col, int16_t(col));
}

void set_wrap(ImageRecord* image, uint8_t wrap) {
    shared_store(image->pending_wrap, wrap);
}

void raise_illegal_call() {
    rt_error(5);
}

// Stores one character and advances the cursor. Past the last column the wrap is deferred when
// this is the last byte of a print without new line; otherwise the line wraps now. Returns
// whether the line wrapped or the wrap was deferred (the row is full either way).
bool store_char(uint8_t code, bool last_of_text, bool newline, bool& wrapped) {
    ImageRecord* image = dest();
    scr_put_char(code);
    int32_t col = image->cursor_col + 1;
    if (col <= image->width) {
        set_col(image, col);
        return false;
    }
    if (!newline && last_of_text) {
        set_col(image, image->width);
        set_wrap(image, 1);
    } else {
        scr_newline();
        wrapped = true;
    }
    return true;
}

// A tab stores spaces up to and including the next column that is a multiple of 8. It stops
// early when the row fills up, so that a page whose width is not a multiple of 8 cannot make it
// store the same last cell for ever.
void print_tab(bool last_of_text, bool newline, bool& wrapped) {
    for (;;) {
        int32_t col = dest()->cursor_col;
        if (store_char(' ', last_of_text, newline, wrapped) || col % 8 == 0) return;
    }
}

void cursor_right(ImageRecord* image) {
    int32_t row = image->cursor_row, col = image->cursor_col;
    if (row >= image->view_bottom && col >= image->width) return;
    if (++col > image->width)
        set_cursor(image, row + 1, 1);
    else
        set_col(image, col);
}

void cursor_left(ImageRecord* image) {
    int32_t row = image->cursor_row, col = image->cursor_col;
    if (col == 1 && (row == image->view_top || row > image->view_bottom)) return;
    if (--col == 0)
        set_cursor(image, row - 1, image->width);
    else
        set_col(image, col);
}

void cursor_up(ImageRecord* image) {
    int32_t row = image->cursor_row;
    if (image->view_top < row && row <= image->view_bottom) set_row(image, row - 1);
}

void cursor_down(ImageRecord* image) {
    int32_t row = image->cursor_row;
    if (image->view_top <= row && row < image->view_bottom) set_row(image, row + 1);
}

// Carries out a control character; false when `code` is an ordinary character.
bool print_control(uint8_t code, bool last_of_text, bool newline, bool& wrapped) {
    ImageRecord* image = dest();
    switch (code) {
    case 7:
        platform_sleep_ms(BELL_PAUSE_MS);
        return true;
    case 9:
        print_tab(last_of_text, newline, wrapped);
        return true;
    case 10:
    case 13:
        scr_newline();
        return true;
    case 11:
        set_cursor(image, image->view_top, 1);
        return true;
    case 12:
        scr_cls(0, 0, 0);
        return true;
    case 28:
        cursor_right(image);
        return true;
    case 29:
        cursor_left(image);
        return true;
    case 30:
        cursor_up(image);
        return true;
    case 31:
        cursor_down(image);
        return true;
    default:
        return false;
    }
}

bool locate_args_valid(int32_t column, int32_t cursor, int32_t start, int32_t end, int32_t passed,
                       int32_t columns) {
    if ((passed & LOCATE_COLUMN) && (column < 1 || column > columns)) return false;
    if ((passed & LOCATE_CURSOR) && cursor != 0 && cursor != 1) return false;
    if ((passed & LOCATE_START) && (start < 0 || start > 31)) return false;
    if ((passed & LOCATE_END) && (end < 0 || end > 31)) return false;
    return true;
}

// The one-shot switch of the start-up screen to 80 by 50: the 25 rows of page 0 and the colours
// survive the re-creation; everything else starts blank.
void switch_to_tall_screen() {
    uint8_t saved[START_UP_PAGE_BYTES];
    shared_read_cells(saved, VideoTextBlock, sizeof saved);
    int32_t fg = dest()->fg;
    uint32_t bg = dest()->bg;
    scr_width(0, 80, TALL_SCREEN_ROWS, 3);
    shared_write_cells(VideoTextBlock, saved, sizeof saved);
    dest()->fg = fg;
    dest()->bg = bg;
}

// A row below the print window other than the last: allowed once, by the tall-screen switch.
// Returns false after raising error 5.
bool locate_below_window(int32_t row, int32_t column, int32_t passed) {
    if (!auto_tall_allowed) return false;
    auto_tall_allowed = 0;
    if (row > TALL_SCREEN_ROWS) return false;
    if ((passed & LOCATE_COLUMN) && (column < 1 || column > dest()->width)) return false;
    switch_to_tall_screen();
    return true;
}

// Visibility and shape of the cursor go to every screen page, so that the cursor looks the same
// whichever page is shown.
void spread_cursor_visibility(const ImageRecord* image) {
    for (int32_t page = 0; page < PageTable.count; ++page)
        if (PageTable.slots[page] != 0)
            shared_store(ImageTable.records[PageTable.slots[page]].cursor_visible,
                         image->cursor_visible);
}

void spread_cursor_shape(const ImageRecord* image) {
    for (int32_t page = 0; page < PageTable.count; ++page) {
        if (PageTable.slots[page] == 0) continue;
        ImageRecord& other = ImageTable.records[PageTable.slots[page]];
        shared_store(other.cursor_start, image->cursor_start);
        shared_store(other.cursor_end, image->cursor_end);
    }
}

} // namespace

void scr_print(DynString* text, int32_t newline_flag) {
    if (error_pending()) return;
    bool newline = newline_flag != 0;
    int32_t len = text != nullptr ? std::max(text->len, 0) : 0;
    ImageRecord* image = dest();
    if (image->pending_wrap) {
        if (len > 0) {
            set_wrap(image, 0);
            scr_newline();
        } else if (newline) {
            set_wrap(image, 0);
        }
    }
    bool wrapped = false;
    for (int32_t i = 0; i < len; ++i) {
        wrapped = false;
        uint8_t code = text->data[i];
        bool last = i == len - 1;
        if (!print_control(code, last, newline, wrapped)) store_char(code, last, newline, wrapped);
    }
    if (newline && !wrapped) scr_newline();
}

void scr_print_wrap_check(DynString* text) {
    const ImageRecord* image = dest();
    if (image->pending_wrap || image->cursor_col == 1 || text == nullptr) return;
    if (int64_t(image->cursor_col) + text->len - 1 > image->width) scr_newline();
}

void scr_newline() {
    ImageRecord* image = dest();
    int32_t row = image->cursor_row + 1;
    if (row > image->view_bottom) {
        int32_t top = image->view_top, bottom = image->view_bottom;
        shared_move_cells(cell_at(image, top, 1), cell_at(image, top + 1, 1),
                          size_t(bottom - top) * image->width * 2);
        fill_rows(image, bottom, bottom, blank_cell(image));
        row = bottom;
    }
    set_cursor(image, row, 1);
}

void scr_put_char(uint8_t code) {
    const ImageRecord* image = dest();
    shared_store_cell(cell_at(image, image->cursor_row, image->cursor_col),
                      text_cell(code, text_attribute(image->fg, image->bg)));
}

void scr_cls(int32_t kind, uint32_t fill, int32_t passed) {
    if (error_pending()) return;
    ImageRecord* image = dest();
    if (!(passed & CLS_FILL))
        fill = image->bg;
    else if (image->bytes_per_cell != 4 && fill > image->colour_mask)
        return raise_illegal_call();
    if ((passed & CLS_KIND) && (kind < 0 || kind > 2)) return raise_illegal_call();
    set_cursor(image, image->view_top, 1);
    uint16_t blank = text_cell(' ', text_attribute(image->fg, fill));
    if (!(passed & CLS_KIND)) {
        fill_rows(image, image->view_top, image->view_bottom, blank);
        fill_rows(image, image->height, image->height, blank);
    } else if (kind == 0) {
        fill_rows(image, 1, image->height, blank);
    } else if (kind == 2) {
        fill_rows(image, image->view_top, image->view_bottom, blank);
    }
}

void scr_color(uint32_t foreground, uint32_t background, uint32_t border, int32_t passed) {
    (void)border;
    if (error_pending()) return;
    if ((passed & COLOR_FOREGROUND) && foreground > 31) return raise_illegal_call();
    if ((passed & COLOR_BACKGROUND) && background > 15) return raise_illegal_call();
    ImageRecord* image = dest();
    if (passed & COLOR_FOREGROUND) image->fg = int32_t(foreground);
    if (passed & COLOR_BACKGROUND) image->bg = background & 7;
}

void scr_locate(int32_t row, int32_t column, int32_t cursor, int32_t start, int32_t end,
                int32_t passed) {
    if (error_pending()) return;
    int32_t columns = dest()->width;
    if (passed & LOCATE_ROW) {
        const ImageRecord* image = dest();
        if (row < image->view_top) return raise_illegal_call();
        if (row > image->view_bottom && row != image->height &&
            !locate_below_window(row, column, passed))
            return raise_illegal_call();
    }
    if (!locate_args_valid(column, cursor, start, end, passed, columns))
        return raise_illegal_call();
    ImageRecord* image = dest();
    if (passed & LOCATE_ROW) {
        set_row(image, row);
        set_wrap(image, 0);
    }
    if (passed & LOCATE_COLUMN) {
        set_col(image, column);
        set_wrap(image, 0);
    }
    if (!(passed & (LOCATE_ROW | LOCATE_COLUMN)) && image->pending_wrap) set_wrap(image, 2);
    bool screen_page = (image->flags & IMG_SCREEN_PAGE) != 0;
    if (passed & LOCATE_CURSOR) {
        shared_store(image->cursor_visible, uint8_t(cursor != 0 ? 1 : 0));
        if (screen_page) spread_cursor_visibility(image);
    }
    if (passed & LOCATE_START) shared_store(image->cursor_start, uint8_t(start));
    if (passed & LOCATE_END) shared_store(image->cursor_end, uint8_t(end));
    if ((passed & (LOCATE_START | LOCATE_END)) && screen_page) spread_cursor_shape(image);
}

int32_t scr_csrlin() {
    const ImageRecord* image = dest();
    if (!image->pending_wrap) return image->cursor_row;
    return image->cursor_row < image->view_bottom ? image->cursor_row + 1 : image->view_bottom;
}

int32_t scr_pos() {
    const ImageRecord* image = dest();
    return image->pending_wrap ? 1 : image->cursor_col;
}

void scr_view_print(int32_t top, int32_t bottom, int32_t passed) {
    if (error_pending()) return;
    ImageRecord* image = dest();
    int32_t rows = image->height;
    if (passed) {
        if (top < 1 || top > rows || bottom < top || bottom > rows) return raise_illegal_call();
    } else {
        top = 1;
        bottom = rows;
    }
    image->view_top = int16_t(top);
    image->view_bottom = int16_t(bottom);
    set_cursor(image, top, 1);
    set_wrap(image, 0);
}
