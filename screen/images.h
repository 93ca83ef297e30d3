// Images and pages. Every surface the runtime prints on is an ImageRecord in the ImageTable; the
// text screen is a set of numbered pages, images marked as screen pages and listed in the
// PageTable. Three current images steer the work: the destination, into which printing, clearing,
// colour and cursor operations write; the source; and the display page, which the display side
// turns into window frames.
//
// Names. An image is named by its handle, the negative of its slot number; a number of 0 or more
// names a screen page. Slots 0 and 1 are reserved at start-up, so no handle is ever 0 or -1, and
// slot 0 stands for "no image" in the results below.
//
// Threads. Everything here runs on the program thread. The display thread reads display_page and,
// of its record, data, width, height, font and palette (changed only while the display side is
// held off through display_hold) and the cursor fields and pending_wrap (written with
// shared_store, read there with shared_load); the cells go through runtime/shared_bytes.h.
#pragma once

#include "runtime/low_memory.h"

#include <atomic>
#include <cstdint>

// Bits of ImageRecord.flags.
inline constexpr uint32_t IMG_OWNS_PALETTE = 1;
inline constexpr uint32_t IMG_SCREEN_PAGE = 2;
inline constexpr uint32_t IMG_OWNS_DATA = 4;

// A fresh text cell: a blank (code 0x20) in light grey on black (attribute 0x07).
inline constexpr uint16_t BLANK_TEXT_CELL = 0x0720;

// One text page or image. A text page's data holds width * height two-byte cells in row-major
// order, character code first, then the attribute: bits 0-3 foreground, 4-6 background, 7 blink.
struct ImageRecord {
    uint8_t in_use;         // 1 while the slot holds an image
    uint8_t is_text;        // 1 for a text page
    uint16_t width;         // columns (text) or pixels
    uint16_t height;        // rows (text) or pixels
    uint8_t bytes_per_cell; // 2 for text
    uint8_t bits_per_cell;  // 16 for text
    uint32_t colour_mask;   // (1 << bits_per_cell) - 1: 0xFFFF for text
    uint16_t mode;          // screen mode, 0 = text
    int32_t fg;             // foreground 0 to 31 (16 to 31 blink), default 7
    uint32_t bg;            // background 0 to 7, default 0
    int32_t font;           // font number: 16 for 80 by 25, 8 for 50 rows, 17 for 40 columns
    int16_t view_top;       // print window, 1-based, inclusive
    int16_t view_bottom;
    int16_t cursor_col; // 1-based
    int16_t cursor_row;
    uint8_t cursor_visible; // 1 when the cursor is shown, default 0
    uint8_t cursor_start;   // cursor shape: first and last scan line, 0 to 31, default 4 and 4
    uint8_t cursor_end;
    uint8_t* data;        // the cells
    uint32_t flags;       // IMG_OWNS_PALETTE, IMG_SCREEN_PAGE, IMG_OWNS_DATA
    uint32_t* palette;    // 256 colours 0xAARRGGBB; text uses entries 0 to 15
    uint8_t pending_wrap; // deferred wrap: 0 none, 1 owed, 2 owed after a bare scr_locate
};

inline constexpr int32_t IMAGE_TABLE_STEP = 4096; // the table and its stack grow by this much

// The image slots. A pointer to a record is valid only until the table next grows; other state
// keeps slot numbers.
struct ImageTableRecord {
    ImageRecord* records;
    int32_t size;       // slots allocated
    int32_t handed_out; // slots ever handed out: numbers 0 to handed_out - 1
    int32_t* released;  // stack of released slot numbers, reused first
    int32_t released_count;
    int32_t released_capacity;
};
extern ImageTableRecord ImageTable;

// The slot of each screen page, indexed by page number; 0 for a page that does not exist.
struct PageTableRecord {
    int32_t* slots;
    int32_t count;
};
extern PageTableRecord PageTable;

// The 64 KiB of LowMemory in which the text screen's pages lie one after another.
inline constexpr int32_t VIDEO_TEXT_BLOCK_SIZE = int32_t(LOW_VIDEO_TEXT_SIZE);
inline uint8_t* const VideoTextBlock = LowMemory + LOW_VIDEO_TEXT;

// A current image: its slot and the cached pointer to its record, recomputed whenever the table
// grows. Atomic so that the display thread may read display_page at any time.
struct CurrentImage {
    std::atomic<int32_t> slot;
    std::atomic<ImageRecord*> record;
};
extern CurrentImage dest_image;
extern CurrentImage source_image;
extern CurrentImage display_page;

// 1 while scr_locate may still switch the start-up screen to 50 rows, once.
extern int32_t auto_tall_allowed;

// A text size asked for by scr_width and taken by the next scr_screen; -1 when unset.
struct TextSize {
    int32_t columns;
    int32_t rows;
    int32_t font;
};
extern TextSize pending_text_size;

// The screen re-creation hand-shake with the display side: 0 free, 1 asked for by the program
// thread, 2 granted (the display side composes nothing until it is 0 again).
extern std::atomic<int32_t> display_hold;

// Holds the display side off while the program thread changes what it reads without a lock (a
// page's data, size, font or palette), and lets it go again. Holds nest; only the outermost
// waits, and only while the display thread composes on its own.
void img_hold_display();
void img_release_display();

// Start-up: zeroes the image table and reserves slots 0 and 1.
void img_table_init();

// Hands out a slot, reusing released ones first and growing the table when it is full (critical
// error 502 when it cannot). Returns the slot, marked in use.
int32_t img_alloc_slot();

// Zeroes the record of `slot` and keeps the slot for reuse (critical error 503 when the stack of
// released slots cannot grow). Returns 1, or 0 when the slot was not in use. Frees nothing.
int32_t img_release_slot(int32_t slot);

// Takes a slot for a text image of width by height over `storage` (not owned; may be null) with
// default colours, font 16, cursor at row 1, column 1, hidden, and a palette of its own holding
// the text colours. Returns the slot, or 0 for a size out of range, a mode other than text, or
// a palette that cannot be allocated.
int32_t img_new_record(uint8_t* storage, int32_t width, int32_t height, int32_t mode);

// img_new_record with cells of its own, all blank with attribute 0x07. Returns the slot or 0.
int32_t img_create(int32_t width, int32_t height, int32_t mode);

// Frees an image: the handle when `passed`, else the destination. A page number or a screen page
// raises error 5, a handle naming no image error 258. A freed destination or source falls back
// to the display page.
void img_free(int32_t handle, int32_t passed);

// Sets the font of `image` and resets its cursor to row 1, column 1 and its print window to the
// rows above the last (at least row 1).
void img_set_font(int32_t font, ImageRecord* image);

// The slot of screen page `page` (0 or more), created on first use like page 0 and sharing its
// palette. Returns 0 after raising an error (5 for a negative number or no screen, 7 when the
// page cannot be allocated).
int32_t img_page(int32_t page);

// The slot named by a page number or a handle; 0 after raising error 258 for a bad handle.
int32_t img_resolve(int32_t page_or_handle);

// Makes the screen (mode 0, text, when `passed`; other modes raise error 5). It is re-created
// only when there is none, its mode changes, or scr_width left a size pending: eight pages, in
// the VideoTextBlock as far as they fit, all blank, page 0 destination, source and display page.
// With the threads running the display side is held off while the pages change.
void scr_screen(int32_t mode, int32_t passed);

// Changes the text size of the screen (`target` 0). `passed`: bit 0 columns, bit 1 rows. Picks
// the font from the rows (8 above 49, 14 above 42, else 16; the double-width one for 40 columns
// or fewer) and re-creates the screen unless it already has that size and font.
void scr_width(int32_t target, int32_t columns, int32_t rows, int32_t passed);

// Copies the cells of one page or image into another of the same size and depth; cursor,
// colours and print window of the destination stay as they are. A bad handle raises error 5.
void scr_pcopy(int32_t source, int32_t dest);

void scr_set_dest(int32_t page_or_handle);
void scr_set_source(int32_t page_or_handle);
int32_t scr_get_dest();    // handle of the destination
int32_t scr_get_display(); // handle of the display page

// Width of an image (columns for text); of the destination when not `passed`.
int32_t scr_image_width(int32_t page_or_handle, int32_t passed);
