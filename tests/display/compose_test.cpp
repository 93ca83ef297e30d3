// compose_frame: what a frame shows for the cells, colours, blinking and the cursor of the display
// page, and which cells a frame redraws.
#include "tests/display/display_fixture.h"

#include <vector>

namespace {

class Compose : public ::testing::Test {
  protected:
    void SetUp() override { make_start_up_screen(); }
};

TEST_F(Compose, CellsShowTheirGlyphsInTheirColours) {
    struct Cell {
        int row, col;
        uint8_t character, attr;
        int fg, bg;
    };
    const Cell cells[] = {
        {1, 1, 'A', 0x1E, 14, 1},  // yellow on blue, top left
        {1, 80, 'z', 0x4F, 15, 4}, // white on red, top right
        {13, 40, 3, 0x0C, 12, 0},  // a heart, light red on black
        {25, 1, 219, 0x62, 2, 6},  // a full block, green on brown
        {25, 80, '#', 0x70, 0, 7}, // black on light grey, bottom right
    };
    for (const Cell& c : cells) put_cell(c.row, c.col, c.character, c.attr);
    compose_frame();

    const DisplayFrame& frame = newest_frame();
    ASSERT_EQ(frame_ring.newest.load(), 1);
    EXPECT_EQ(frame.width, 640);
    EXPECT_EQ(frame.height, 400);
    EXPECT_EQ(frame.size, 640 * 400 * 4);
    for (const Cell& c : cells)
        EXPECT_EQ(cell_difference(frame, c.col - 1, c.row - 1, c.character, c.fg, c.bg), "");
    EXPECT_EQ(cell_difference(frame, 10, 10, ' ', 7, 0), ""); // untouched: a blank, grey on black
    EXPECT_EQ(frame_pixel(frame, 0, 0), 0xFF0000AA) << "pixels are palette values 0xAARRGGBB";
}

TEST_F(Compose, BlinkingCellShowsItsBackgroundInTheBlinkPhase) {
    put_cell(5, 5, 'B', 0x80 | 0x30 | 14); // blinking yellow on cyan
    put_cell(5, 6, 'C', 0x30 | 14);        // the same, not blinking
    set_blink_phase(false);
    compose_frame();
    EXPECT_EQ(cell_difference(newest_frame(), 4, 4, 'B', 14, 3), "");

    set_blink_phase(true);
    compose_frame();
    ASSERT_EQ(frame_ring.newest.load(), 2) << "a blinking cell makes a frame at each phase change";
    EXPECT_EQ(cell_difference(newest_frame(), 4, 4, 'B', 3, 3), "");
    EXPECT_EQ(cell_difference(newest_frame(), 5, 4, 'C', 14, 3), "");

    set_blink_phase(false);
    compose_frame();
    EXPECT_EQ(cell_difference(newest_frame(), 4, 4, 'B', 14, 3), "");
}

TEST_F(Compose, CursorShapeTable) {
    struct Case {
        int font_rows; // 25 rows: font 16; 43 rows: font 14; 50 rows: font 8
        uint8_t start, end;
        uint32_t rows; // bit r: row r of the cell is the cursor's
    };
    constexpr auto span = [](int first, int last) {
        uint32_t bits = 0;
        for (int r = first; r <= last; ++r) bits |= 1u << r;
        return bits;
    };
    const Case cases[] = {
        {25, 5, 0, 0},            // e = 0, s != 0: none
        {25, 0, 0, span(0, 0)},   // e = 0, s = 0: row 0
        {25, 10, 6, span(6, 15)}, // 0 < e < s: e to h - 1
        {25, 20, 18, 0},          // 0 < e < s, but e below the cell: none
        {25, 2, 2, span(2, 2)},   // s = e <= 3: row s
        {25, 4, 4, span(14, 14)}, // s = e > 3: row B (14 in the 16-row font), the default
        {25, 9, 9, span(14, 14)}, //
        {25, 7, 8, span(13, 14)}, // s >= 3, e - s = 1: B - 1 and B
        {25, 7, 9, span(12, 14)}, // s >= 3, e - s = 2: B - 2 to B
        {25, 3, 9, span(8, 15)},  // s >= 3, e - s >= 3: the lower half
        {25, 0, 3, span(0, 3)},   // s <= 1, s < e <= 3: s to e
        {25, 1, 2, span(1, 2)},   //
        {25, 1, 7, span(1, 15)},  // s <= 1, e > 3: s to h - 1
        {25, 0, 31, span(0, 15)}, //
        {25, 2, 3, span(2, 3)},   // s = 2, e = 3
        {25, 2, 4, span(12, 14)}, // s = 2, e = 4: B - 2 to B
        {25, 2, 6, span(2, 15)},  // s = 2, e > 4: 2 to h - 1
        {50, 4, 4, span(7, 7)},   // font 8: B = h - 1 = 7
        {50, 3, 5, span(5, 7)},   //
        {50, 3, 10, span(4, 7)},  //
        {50, 2, 4, span(5, 7)},   //
        {43, 6, 6, span(13, 13)}, // font 14: B = 13
        {43, 2, 4, span(11, 13)}, //
        {43, 5, 6, span(12, 13)}, //
    };
    int rows_now = 25;
    for (const Case& c : cases) {
        if (c.font_rows != rows_now) {
            scr_width(0, 80, c.font_rows, 3);
            rows_now = c.font_rows;
        }
        place_cursor(3, 5, true, c.start, c.end);
        set_blink_phase(true);
        display_invalidate_snapshot();
        compose_frame();
        // The cell under the cursor is a grey-on-black blank: the cursor's rows are grey.
        EXPECT_EQ(rows_filled_with(newest_frame(), 4, 2, page0().palette[7]), c.rows)
            << "rows " << c.font_rows << ", start " << int(c.start) << ", end " << int(c.end);
    }
}

TEST_F(Compose, CursorIsDrawnInTheBlinkPhaseWithTheCellsForeground) {
    put_cell(3, 5, 'x', 0x1A); // light green on blue
    place_cursor(3, 5, true);
    set_blink_phase(false);
    compose_frame();
    EXPECT_EQ(rows_filled_with(newest_frame(), 4, 2, page0().palette[10]), 0u);

    set_blink_phase(true);
    compose_frame();
    EXPECT_EQ(rows_filled_with(newest_frame(), 4, 2, page0().palette[10]), 1u << 14);
}

TEST_F(Compose, CursorOwedAWrapIsDrawnAtTheStartOfTheNextRow) {
    struct Case {
        int row;
        int drawn_col, drawn_row; // 0-based
    };
    const Case cases[] = {{3, 0, 3}, {25, 79, 24}}; // on the bottom row it stays where it is
    for (const Case& c : cases) {
        place_cursor(c.row, 80, true);
        shared_store(page0().pending_wrap, uint8_t(2));
        set_blink_phase(true);
        display_invalidate_snapshot();
        compose_frame();
        EXPECT_EQ(rows_filled_with(newest_frame(), c.drawn_col, c.drawn_row, page0().palette[7]),
                  1u << 14)
            << "row " << c.row;
    }
}

TEST_F(Compose, OnlyChangedCellsAreRedrawn) {
    compose_frame();
    // A mark in the first frame that no composition would draw: copied along, never redrawn.
    frame_ring.slots[1].pixels[0] = 0x12345678;
    put_text(6, 11, "NEW", 0x0E);
    compose_frame();
    ASSERT_EQ(frame_ring.newest.load(), 2);
    EXPECT_EQ(frame_pixel(newest_frame(), 0, 0), 0x12345678u);
    EXPECT_EQ(cell_difference(newest_frame(), 10, 5, 'N', 14, 0), "");
    EXPECT_EQ(cell_difference(newest_frame(), 12, 5, 'W', 14, 0), "");
}

TEST_F(Compose, StaleSnapshotOrNewPaletteRedrawsEveryCell) {
    struct Case {
        const char* what;
        void (*change)();
        uint32_t background; // colour 0 afterwards
    };
    const Case cases[] = {
        {"screen re-creation", [] { display_invalidate_snapshot(); }, 0xFF000000},
        {"palette", [] { page0().palette[0] = 0xFF102030; }, 0xFF102030},
    };
    for (const Case& c : cases) {
        make_start_up_screen();
        display_invalidate_snapshot();
        compose_frame();
        newest_frame().pixels[0] = 0x12345678;
        c.change();
        compose_frame();
        EXPECT_EQ(frame_pixel(newest_frame(), 0, 0), c.background) << c.what;
        EXPECT_EQ(frame_pixel(newest_frame(), 639, 399), c.background) << c.what;
    }
}

TEST_F(Compose, CellTheCursorLeavesIsRedrawnAtOnce) {
    place_cursor(5, 5, true);
    set_blink_phase(true);
    compose_frame();
    uint32_t grey = page0().palette[7];
    ASSERT_EQ(rows_filled_with(newest_frame(), 4, 4, grey), 1u << 14);

    // Same phase: the old cell loses the cursor now; the new one shows it at the next phase
    // change that draws it.
    place_cursor(5, 6, true);
    compose_frame();
    ASSERT_EQ(frame_ring.newest.load(), 2);
    EXPECT_EQ(cell_difference(newest_frame(), 4, 4, ' ', 7, 0), "");
    EXPECT_EQ(cell_difference(newest_frame(), 5, 4, ' ', 7, 0), "");

    set_blink_phase(false);
    compose_frame();
    set_blink_phase(true);
    compose_frame();
    EXPECT_EQ(rows_filled_with(newest_frame(), 5, 4, grey), 1u << 14);
}

TEST_F(Compose, UnchangedPageGivesOneFrameThenNone) {
    put_text(1, 1, "STILL", 0x07);
    for (uint32_t pass = 0; pass < 40; ++pass) { // five blink phases
        frame_counter.store(pass);
        compose_frame();
    }
    EXPECT_EQ(frame_ring.newest.load(), 1);

    // With the cursor shown, a frame at each change of the blink phase.
    place_cursor(2, 1, true);
    for (uint32_t pass = 40; pass < 80; ++pass) {
        frame_counter.store(pass);
        compose_frame();
    }
    EXPECT_EQ(frame_ring.newest.load(), 1 + 1 + 4) << "the cursor shown, then four phase changes";
}

TEST_F(Compose, HiddenCursorIsErasedAtOnce) {
    place_cursor(5, 5, true);
    set_blink_phase(true);
    compose_frame();
    place_cursor(5, 5, false);
    compose_frame();
    ASSERT_EQ(frame_ring.newest.load(), 2);
    EXPECT_EQ(cell_difference(newest_frame(), 4, 4, ' ', 7, 0), "");
}

} // namespace
