// The built-in fonts: two glyph tables of code page 437 (8 by 8 and 8 by 16 pixels, one byte per
// pixel, 255 foreground and 0 background) that serve six font numbers, and the metrics tables
// that give each font number its glyph width, height and option bits.
//
//   font  glyphs from  rows used  pixel width
//    8    Font8x8      0 to 7      8
//    9    Font8x8      0 to 7     16 (each pixel twice)
//   14    Font8x16     1 to 14     8
//   15    Font8x16     1 to 14    16 (each pixel twice)
//   16    Font8x16     0 to 15     8
//   17    Font8x16     0 to 15    16 (each pixel twice)
#pragma once

#include <cstdint>

inline constexpr int32_t FONT_NUMBERS = 49; // font numbers 0 to 48; 32 and above load at run time
inline constexpr int32_t FONT8X8_SIZE = 256 * 8 * 8;
inline constexpr int32_t FONT8X16_SIZE = 256 * 16 * 8;

// Font option bits of FontFlags.
inline constexpr int32_t FONT_BOLD = 1;
inline constexpr int32_t FONT_ITALIC = 2;
inline constexpr int32_t FONT_UNDERLINE = 4;
inline constexpr int32_t FONT_DONTBLEND = 8;
inline constexpr int32_t FONT_MONOSPACE = 16;
inline constexpr int32_t FONT_UNICODE = 32;

// Per font number: glyph width and height in screen pixels, option bits. Zero until
// font_metrics_init; a width of 0 would mark a proportional font.
extern int32_t FontWidth[FONT_NUMBERS];
extern int32_t FontHeight[FONT_NUMBERS];
extern int32_t FontFlags[FONT_NUMBERS];

// The working glyph tables, filled by font_tables_load. Glyph g of Font8x8 starts at byte g * 64,
// of Font8x16 at byte g * 128; a row is 8 bytes, the leftmost pixel first.
extern uint8_t Font8x8[FONT8X8_SIZE];
extern uint8_t Font8x16[FONT8X16_SIZE];

// The rows of one character in one font, as the display side draws them.
struct GlyphRows {
    const uint8_t* first_row; // 8 bytes a row, rows following each other; null for no font
    int32_t rows;             // rows to draw
    int32_t pixel_width;      // screen pixels a row covers: 8, or 16 when doubled
    uint8_t doubled;          // 1: each glyph byte is drawn as two pixels side by side
};

// Start-up step: fills the metrics of the built-in fonts 8, 9, 14, 15, 16 and 17.
void font_metrics_init();

// Start-up step: copies the constant glyph tables into Font8x8 and Font8x16.
void font_tables_load();

// The glyph rows of character `code` in built-in font `font`. A font number that is not
// built in yields no rows (first_row null, rows 0).
GlyphRows font_glyph(int32_t font, uint8_t code);
