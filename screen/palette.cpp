#include "screen/palette.h"

#include <array>
#include <cstring>

uint32_t DefaultPalette[PALETTE_ENTRIES];
uint32_t EgaPalette[EGA_COLOURS];

namespace {

// The text colours as 0x00RRGGBB.
constexpr uint32_t TextColours[TEXT_COLOURS] = {
    0x000000, // 0 black
    0x0000AA, // 1 blue
    0x00AA00, // 2 green
    0x00AAAA, // 3 cyan
    0xAA0000, // 4 red
    0xAA00AA, // 5 magenta
    0xAA5500, // 6 brown
    0xAAAAAA, // 7 light grey
    0x555555, // 8 dark grey
    0x5555FF, // 9 light blue
    0x55FF55, // 10 light green
    0x55FFFF, // 11 light cyan
    0xFF5555, // 12 light red
    0xFF55FF, // 13 light magenta
    0xFFFF55, // 14 yellow
    0xFFFFFF, // 15 white
};

// The VGA palette is given in 6-bit levels (0 to 63). Entries 16 to 31: a grey ramp.
constexpr uint8_t GreyRampLevels[16] = {0,  5,  8,  11, 14, 17, 20, 24,
                                        28, 32, 36, 40, 45, 50, 56, 63};

// Entries 32 to 247: nine hue circles of 24 colours. Each circle is built from five levels, low
// to high; the circles come at full, middle and low brightness, each at high, middle and low
// saturation.
constexpr uint8_t HueCircleLevels[9][5] = {
    {0, 16, 31, 47, 63},  // full brightness, high saturation
    {31, 39, 47, 55, 63}, // full brightness, middle saturation
    {45, 49, 54, 58, 63}, // full brightness, low saturation
    {0, 7, 14, 21, 28},   // middle brightness, high saturation
    {14, 17, 21, 24, 28}, // middle brightness, middle saturation
    {20, 22, 24, 26, 28}, // middle brightness, low saturation
    {0, 4, 8, 12, 16},    // low brightness, high saturation
    {8, 10, 12, 14, 16},  // low brightness, middle saturation
    {11, 12, 13, 15, 16}, // low brightness, low saturation
};

// One hue circle: red, green and blue of each step as an index into the circle's five levels,
// from blue through magenta, red, yellow, green and cyan back towards blue.
constexpr uint8_t HueCircle[24][3] = {
    {0, 0, 4}, {1, 0, 4}, {2, 0, 4}, {3, 0, 4}, // blue to magenta
    {4, 0, 4}, {4, 0, 3}, {4, 0, 2}, {4, 0, 1}, // magenta to red
    {4, 0, 0}, {4, 1, 0}, {4, 2, 0}, {4, 3, 0}, // red to yellow
    {4, 4, 0}, {3, 4, 0}, {2, 4, 0}, {1, 4, 0}, // yellow to green
    {0, 4, 0}, {0, 4, 1}, {0, 4, 2}, {0, 4, 3}, // green to cyan
    {0, 4, 4}, {0, 3, 4}, {0, 2, 4}, {0, 1, 4}, // cyan to blue
};

// A 6-bit level as an 8-bit one: v * 255 / 63, rounded to the nearest integer.
constexpr uint32_t eight_bit(uint32_t level) {
    return (level * 255 + 31) / 63;
}

constexpr uint32_t vga_colour(uint32_t red, uint32_t green, uint32_t blue) {
    return eight_bit(red) << 16 | eight_bit(green) << 8 | eight_bit(blue);
}

// The default palette as 0x00RRGGBB; entries 248 to 255 stay black.
constexpr std::array<uint32_t, PALETTE_ENTRIES> make_default_palette() {
    std::array<uint32_t, PALETTE_ENTRIES> p{};
    for (int i = 0; i < TEXT_COLOURS; ++i) p[i] = TextColours[i];
    for (int i = 0; i < 16; ++i) {
        uint32_t v = GreyRampLevels[i];
        p[16 + i] = vga_colour(v, v, v);
    }
    for (int circle = 0; circle < 9; ++circle) {
        const uint8_t* levels = HueCircleLevels[circle];
        for (int step = 0; step < 24; ++step) {
            const uint8_t* rgb = HueCircle[step];
            p[32 + circle * 24 + step] = vga_colour(levels[rgb[0]], levels[rgb[1]], levels[rgb[2]]);
        }
    }
    return p;
}

// The EGA colour of index bits 0 to 5: blue 0xAA from bit 0 and 0x55 from bit 3, green from
// bits 1 and 4, red from bits 2 and 5.
constexpr std::array<uint32_t, EGA_COLOURS> make_ega_palette() {
    std::array<uint32_t, EGA_COLOURS> p{};
    for (uint32_t i = 0; i < EGA_COLOURS; ++i) {
        uint32_t blue = (i & 1 ? 0xAA : 0) + (i & 8 ? 0x55 : 0);
        uint32_t green = (i & 2 ? 0xAA : 0) + (i & 16 ? 0x55 : 0);
        uint32_t red = (i & 4 ? 0xAA : 0) + (i & 32 ? 0x55 : 0);
        p[i] = red << 16 | green << 8 | blue;
    }
    return p;
}

constexpr std::array<uint32_t, PALETTE_ENTRIES> DefaultPaletteSource = make_default_palette();
constexpr std::array<uint32_t, EGA_COLOURS> EgaPaletteSource = make_ega_palette();

static_assert(DefaultPaletteSource[31] == 0xFFFFFF && DefaultPaletteSource[247] == 0x2D3141);
static_assert(EgaPaletteSource[20] == 0xAA5500 && EgaPaletteSource[63] == 0xFFFFFF);

} // namespace

void palette_load() {
    for (int i = 0; i < PALETTE_ENTRIES; ++i)
        DefaultPalette[i] = 0xFF000000u | DefaultPaletteSource[i];
    for (int i = 0; i < EGA_COLOURS; ++i) EgaPalette[i] = 0xFF000000u | EgaPaletteSource[i];
}

void palette_copy_text_colours(uint32_t* page_palette) {
    memcpy(page_palette, DefaultPalette, TEXT_COLOURS * sizeof(uint32_t));
}
