#include "screen_start_up.h"

#include <gtest/gtest.h>

namespace {

TEST(Palette, DefaultColoursAfterStartUp) {
    palette_load();
    struct Entry {
        int32_t index;
        uint32_t colour;
    };
    const Entry entries[] = {
        {0, 0xFF000000},
        {1, 0xFF0000AA},
        {2, 0xFF00AA00},
        {3, 0xFF00AAAA},
        {4, 0xFFAA0000},
        {5, 0xFFAA00AA},
        {6, 0xFFAA5500},
        {7, 0xFFAAAAAA},
        {8, 0xFF555555},
        {9, 0xFF5555FF},
        {10, 0xFF55FF55},
        {11, 0xFF55FFFF},
        {12, 0xFFFF5555},
        {13, 0xFFFF55FF},
        {14, 0xFFFFFF55},
        {15, 0xFFFFFFFF},
        // The grey ramp and the hue circles, levels v * 255 / 63 rounded.
        {16, 0xFF000000},
        {17, 0xFF141414},
        {23, 0xFF616161},
        {31, 0xFFFFFFFF},
        {32, 0xFF0000FF},
        {36, 0xFFFF00FF},
        {40, 0xFFFF0000},
        {44, 0xFFFFFF00},
        {48, 0xFF00FF00},
        {52, 0xFF00FFFF},
        {55, 0xFF0041FF},
        {56, 0xFF7D7DFF},
        {80, 0xFFB6B6FF},
        {104, 0xFF000071},
        {128, 0xFF393971},
        {152, 0xFF515171},
        {176, 0xFF000041},
        {200, 0xFF202041},
        {224, 0xFF2D2D41},
        {247, 0xFF2D3141},
        {248, 0xFF000000},
        {249, 0xFF000000},
        {250, 0xFF000000},
        {251, 0xFF000000},
        {252, 0xFF000000},
        {253, 0xFF000000},
        {254, 0xFF000000},
        {255, 0xFF000000},
    };
    for (const Entry& e : entries) EXPECT_EQ(DefaultPalette[e.index], e.colour) << e.index;
}

TEST(Palette, EgaColoursFromTheIndexBits) {
    palette_load();
    struct Entry {
        int32_t index;
        uint32_t colour;
    };
    const Entry entries[] = {
        {0, 0xFF000000}, {1, 0xFF0000AA},  {2, 0xFF00AA00},  {4, 0xFFAA0000},  {7, 0xFFAAAAAA},
        {9, 0xFF0000FF}, {20, 0xFFAA5500}, {56, 0xFF555555}, {63, 0xFFFFFFFF},
    };
    for (const Entry& e : entries) EXPECT_EQ(EgaPalette[e.index], e.colour) << e.index;
}

TEST(Palette, NewTextPageHasTheTextColoursOnly) {
    screen_start_up();
    int32_t slot = img_create(10, 5, 0);
    ASSERT_NE(slot, 0);
    for (const ImageRecord* image : {page_record(0), page_record(7), slot_record(slot)}) {
        for (int32_t i = 0; i < TEXT_COLOURS; ++i) EXPECT_EQ(image->palette[i], DefaultPalette[i]);
        for (int32_t i = TEXT_COLOURS; i < PALETTE_ENTRIES; ++i) ASSERT_EQ(image->palette[i], 0u);
    }
    EXPECT_EQ(page_record(0)->palette[6], 0xFFAA5500);
    EXPECT_NE(page_record(0)->palette, page_record(1)->palette); // the screen's pages own theirs
}

} // namespace
