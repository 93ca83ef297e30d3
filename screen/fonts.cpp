#include "screen/fonts.h"

#include <cstring>

int32_t FontWidth[FONT_NUMBERS];
int32_t FontHeight[FONT_NUMBERS];
int32_t FontFlags[FONT_NUMBERS];

uint8_t Font8x8[FONT8X8_SIZE];
uint8_t Font8x16[FONT8X16_SIZE];

// The constant glyph tables, generated at build time from the console fonts.
extern const uint8_t BuiltinFont8x8[FONT8X8_SIZE];
extern const uint8_t BuiltinFont8x16[FONT8X16_SIZE];

namespace {

// How each built-in font number draws its glyphs.
struct BuiltinFont {
    int32_t font;
    int32_t table_rows; // rows per glyph in the table it takes them from: 8 or 16
    int32_t first_row;  // first table row drawn
    int32_t rows;       // rows drawn, which is the font's height
    int32_t width;      // pixel width of a glyph on the screen
    uint8_t doubled;    // each table pixel drawn twice side by side
};

constexpr BuiltinFont BuiltinFonts[] = {
    {8, 8, 0, 8, 8, 0},     {9, 8, 0, 8, 16, 1},   {14, 16, 1, 14, 8, 0},
    {15, 16, 1, 14, 16, 1}, {16, 16, 0, 16, 8, 0}, {17, 16, 0, 16, 16, 1},
};

const BuiltinFont* builtin_font(int32_t font) {
    for (const BuiltinFont& f : BuiltinFonts)
        if (f.font == font) return &f;
    return nullptr;
}

} // namespace

void font_metrics_init() {
    for (const BuiltinFont& f : BuiltinFonts) {
        FontWidth[f.font] = f.width;
        FontHeight[f.font] = f.rows;
        FontFlags[f.font] = FONT_MONOSPACE;
    }
}

void font_tables_load() {
    memcpy(Font8x8, BuiltinFont8x8, sizeof Font8x8);
    memcpy(Font8x16, BuiltinFont8x16, sizeof Font8x16);
}

GlyphRows font_glyph(int32_t font, uint8_t code) {
    const BuiltinFont* f = builtin_font(font);
    if (f == nullptr) return {nullptr, 0, 0, 0};
    const uint8_t* table = f->table_rows == 8 ? Font8x8 : Font8x16;
    const uint8_t* glyph = table + code * f->table_rows * 8;
    return {glyph + f->first_row * 8, f->rows, f->width, f->doubled};
}
