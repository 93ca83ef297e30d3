// The default colours. Every colour is a 32-bit 0xAARRGGBB value; palette_load fills the working
// tables from constant ones and sets every alpha byte to 0xFF.
#pragma once

#include <cstdint>

inline constexpr int32_t PALETTE_ENTRIES = 256;
inline constexpr int32_t TEXT_COLOURS = 16;
inline constexpr int32_t EGA_COLOURS = 64;

// Entries 0 to 15 are the sixteen text colours; 16 to 255 the VGA's default 256-colour palette.
extern uint32_t DefaultPalette[PALETTE_ENTRIES];

// The EGA colour set of 64 colours.
extern uint32_t EgaPalette[EGA_COLOURS];

// Start-up step: copies the constant palettes into DefaultPalette and EgaPalette with alpha 0xFF.
void palette_load();

// Gives a new text page its colours: entries 0 to 15 of `page_palette` become the default text
// colours; the other entries are left as they are.
void palette_copy_text_colours(uint32_t* page_palette);
