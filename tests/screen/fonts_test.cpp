#include "screen/fonts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class Fonts : public testing::Test {
  protected:
    void SetUp() override {
        font_metrics_init();
        font_tables_load();
    }
};

// The glyph as the display side draws it: one string per row, 1 for a foreground pixel, each
// table byte once or (doubled) twice.
std::vector<std::string> drawn_rows(const GlyphRows& glyph) {
    std::vector<std::string> rows;
    for (int32_t r = 0; r < glyph.rows; ++r) {
        std::string row;
        for (int32_t x = 0; x < 8; ++x) {
            char pixel = glyph.first_row[r * 8 + x] == 255 ? '1' : '0';
            row += pixel;
            if (glyph.doubled) row += pixel;
        }
        rows.push_back(row);
    }
    return rows;
}

const std::vector<std::string> LetterA8 = {
    "00110000", "01111000", "11001100", "11001100", "11111100", "11001100", "11001100", "00000000",
};

const std::vector<std::string> LetterA16 = {
    "00000000", "00000000", "00010000", "00111000", "01101100", "11000110", "11000110", "11111110",
    "11000110", "11000110", "11000110", "11000110", "00000000", "00000000", "00000000", "00000000",
};

TEST_F(Fonts, LetterAHoldsTheTellingGlyphs) {
    EXPECT_EQ(drawn_rows(font_glyph(8, 'A')), LetterA8);
    EXPECT_EQ(drawn_rows(font_glyph(16, 'A')), LetterA16);
}

TEST_F(Fonts, EveryPixelIsForegroundOrBackground) {
    for (uint8_t b : Font8x8) ASSERT_TRUE(b == 0 || b == 255);
    for (uint8_t b : Font8x16) ASSERT_TRUE(b == 0 || b == 255);
}

TEST_F(Fonts, BlankFullAndLineGlyphs) {
    struct Case {
        int32_t font;
        int32_t line_row; // the one row of glyph 196
    };
    for (Case c : {Case{8, 4}, Case{16, 7}}) {
        SCOPED_TRACE(c.font);
        int32_t rows = c.font == 8 ? 8 : 16;
        std::string blank(8, '0'), full(8, '1');
        EXPECT_EQ(drawn_rows(font_glyph(c.font, 0)), std::vector<std::string>(rows, blank));
        EXPECT_EQ(drawn_rows(font_glyph(c.font, 32)), std::vector<std::string>(rows, blank));
        EXPECT_EQ(drawn_rows(font_glyph(c.font, 255)), std::vector<std::string>(rows, blank));
        EXPECT_EQ(drawn_rows(font_glyph(c.font, 219)), std::vector<std::string>(rows, full));
        std::vector<std::string> line(rows, blank);
        line[c.line_row] = full;
        EXPECT_EQ(drawn_rows(font_glyph(c.font, 196)), line);
    }
}

TEST_F(Fonts, FourteenRowFontsDropTheTopAndBottomRows) {
    std::vector<std::string> middle(LetterA16.begin() + 1, LetterA16.end() - 1);
    EXPECT_EQ(drawn_rows(font_glyph(14, 'A')), middle);
    EXPECT_EQ(font_glyph(14, 'A').first_row, Font8x16 + 'A' * 128 + 8);
}

TEST_F(Fonts, DoubleWidthFontsDrawEveryPixelTwice) {
    GlyphRows glyph = font_glyph(17, 'A');
    EXPECT_EQ(glyph.pixel_width, 16);
    std::vector<std::string> rows = drawn_rows(glyph);
    ASSERT_EQ(rows.size(), 16u);
    EXPECT_EQ(rows[2], "0000001100000000");
    EXPECT_EQ(rows[7], "1111111111111100");
    EXPECT_EQ(drawn_rows(font_glyph(9, 'A'))[4], "1111111111110000");
}

TEST_F(Fonts, MetricsOfTheBuiltInFonts) {
    struct Case {
        int32_t font, width, height, flags;
        int32_t glyph_rows; // rows font_glyph gives
        uint8_t doubled;
    };
    const Case cases[] = {
        {8, 8, 8, FONT_MONOSPACE, 8, 0},
        {9, 16, 8, FONT_MONOSPACE, 8, 1},
        {14, 8, 14, FONT_MONOSPACE, 14, 0},
        {15, 16, 14, FONT_MONOSPACE, 14, 1},
        {16, 8, 16, FONT_MONOSPACE, 16, 0},
        {17, 16, 16, FONT_MONOSPACE, 16, 1},
        {0, 0, 0, 0, 0, 0},
        {10, 0, 0, 0, 0, 0},
        {32, 0, 0, 0, 0, 0},
        {48, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.font);
        EXPECT_EQ(FontWidth[c.font], c.width);
        EXPECT_EQ(FontHeight[c.font], c.height);
        EXPECT_EQ(FontFlags[c.font], c.flags);
        GlyphRows glyph = font_glyph(c.font, 'A');
        EXPECT_EQ(glyph.rows, c.glyph_rows);
        EXPECT_EQ(glyph.pixel_width, c.width);
        EXPECT_EQ(glyph.doubled, c.doubled);
        EXPECT_EQ(glyph.first_row == nullptr, c.glyph_rows == 0);
    }
    EXPECT_EQ(font_glyph(-1, 'A').first_row, nullptr);
    EXPECT_EQ(font_glyph(49, 'A').first_row, nullptr);
}

} // namespace
