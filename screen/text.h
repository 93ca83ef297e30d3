// Text output and the cursor. Every operation acts on the destination image (dest_image): it
// prints strings with control characters, carries out the deferred line wrap, scrolls inside the
// print window, clears, sets colours, places and shapes the cursor, and reports its position.
// Rows and columns are 1-based. The operations that change the page do nothing while an error is
// pending; out-of-range arguments raise error 5 ("Illegal function call") and change nothing.
//
// Deferred wrap: a print that fills the last column of a row with its last character, without a
// new line, leaves the cursor on that column with pending_wrap 1; the next non-empty print moves
// to the next row first. scr_csrlin and scr_pos report where the next character would go.
#pragma once

#include <cstdint>

struct DynString;

// Passed masks: one bit per optional argument, in argument order.
inline constexpr int32_t CLS_KIND = 1;
inline constexpr int32_t CLS_FILL = 2;
inline constexpr int32_t COLOR_FOREGROUND = 1;
inline constexpr int32_t COLOR_BACKGROUND = 2;
inline constexpr int32_t COLOR_BORDER = 4;
inline constexpr int32_t LOCATE_ROW = 1;
inline constexpr int32_t LOCATE_COLUMN = 2;
inline constexpr int32_t LOCATE_CURSOR = 4;
inline constexpr int32_t LOCATE_START = 8;
inline constexpr int32_t LOCATE_END = 16;

// Prints the bytes of `text` at the cursor, then a new line when `newline` is 1. Bytes 7 (a
// quarter-second pause), 9 (tab to the column after the next multiple of 8), 10 and 13 (new line),
// 11 (top of the window), 12 (clear), 28 to 31 (cursor right, left, up, down) are control
// characters; every other byte is stored with the glyph of its code. Does not free `text`.
void scr_print(DynString* text, int32_t newline);

// Starts a new row first when `text` would not fit on the rest of the current one (and the cursor
// is not already at column 1 or owed a wrap). Called right before scr_print of the same text.
void scr_print_wrap_check(DynString* text);

// Moves the cursor to column 1 of the next row; past the bottom of the print window, the window
// scrolls up by one row and its last row is blanked in the current colours.
void scr_newline();

// Stores `code` with the current colours in the cell under the cursor; the cursor stays.
void scr_put_char(uint8_t code);

// Clears with blanks whose background is `fill` (default: the current background). Kind not
// passed: the print window and the last row; 0 the whole page; 1 nothing; 2 the print window.
// The cursor goes to column 1 of the window's first row in every case.
void scr_cls(int32_t kind, uint32_t fill, int32_t passed);

// Sets the foreground (0 to 31, 16 and up blinking) and background (0 to 15, taken AND 7). The
// border is accepted and ignored.
void scr_color(uint32_t foreground, uint32_t background, uint32_t border, int32_t passed);

// Places the cursor and sets its visibility (0 or 1) and shape (scan lines 0 to 31); visibility
// and shape go to every screen page. A row below the print window other than the last one
// switches the start-up screen to 80 by 50 once, keeping its 25 rows on top; later it is error 5.
void scr_locate(int32_t row, int32_t column, int32_t cursor, int32_t start, int32_t end,
                int32_t passed);

int32_t scr_csrlin(); // the cursor row, or where the next character would go
int32_t scr_pos();    // the cursor column, or where the next character would go

// Sets the print window to rows top to bottom (when passed), or to the whole page, and puts the
// cursor at column 1 of its first row.
void scr_view_print(int32_t top, int32_t bottom, int32_t passed);
