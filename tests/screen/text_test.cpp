#include "screen_start_up.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

const std::string Full(80, 'a'); // exactly one row

struct RowCheck {
    int32_t row;
    std::string text; // trailing blanks removed
};

struct CellCheck {
    int32_t row, col;
    uint16_t cell; // attribute << 8 | code
};

// Where the cursor ends: its fields, and what the position queries report.
struct CursorCheck {
    int32_t row, col, wrap;
    int32_t csrlin, pos;
};

// One edge case on the start-up screen (80 by 25, print window rows 1 to 24): what to do, and the
// cursor, error, page rows and cells expected afterwards.
struct TextCase {
    const char* name;
    void (*act)();
    CursorCheck cursor;
    int32_t error;
    std::vector<RowCheck> rows;
    std::vector<CellCheck> cells = {};
};

void locate(int32_t row, int32_t col = 0) {
    scr_locate(row, col, 0, 0, 0, col != 0 ? LOCATE_ROW | LOCATE_COLUMN : LOCATE_ROW);
}

// Rows 1, 2, 24 and 25 marked, so that a scroll shows which rows moved.
void mark_rows() {
    print_text("one", 1);
    print_text("two", 1);
    locate(24, 1);
    print_text("twenty-four", 0);
    locate(25, 1);
    print_text("twenty-five", 0);
}

// clang-format off
const TextCase TextCases[] = {
    // The deferred wrap.
    {"full row without new line", [] { print_text(Full, 0); },
     {1, 80, 1, 2, 1}, 0, {{1, Full}, {2, ""}}},
    {"then an empty print changes nothing", [] { print_text(Full, 0); print_text("", 0); },
     {1, 80, 1, 2, 1}, 0, {{1, Full}, {2, ""}}},
    {"then a print starts on the next row", [] { print_text(Full, 0); print_text("b", 0); },
     {2, 2, 0, 2, 2}, 0, {{1, Full}, {2, "b"}}},
    {"then a bare new line advances one row", [] { print_text(Full, 0); print_text("", 1); },
     {2, 1, 0, 2, 1}, 0, {{2, ""}}},
    {"full row with new line advances one row", [] { print_text(Full, 1); },
     {2, 1, 0, 2, 1}, 0, {{1, Full}, {2, ""}}},
    {"81 characters wrap the last one", [] { print_text(Full + "b", 0); },
     {2, 2, 0, 2, 2}, 0, {{1, Full}, {2, "b"}}},
    {"full row on row 24", [] { locate(24); print_text(Full, 0); },
     {24, 80, 1, 24, 1}, 0, {}},
    {"full row on row 25", [] { locate(25); print_text(Full, 0); },
     {25, 80, 1, 24, 1}, 0, {}},
    {"a clear keeps the owed wrap", [] { print_text(Full, 0); scr_cls(0, 0, 0); print_text("b", 0); },
     {2, 2, 0, 2, 2}, 0, {{1, ""}, {2, "b"}}},

    // New lines and scrolling.
    {"new line from row 24 scrolls the window",
     [] { mark_rows(); scr_color(2, 1, 0, 3); locate(24, 5); print_text("", 1); },
     {24, 1, 0, 24, 1}, 0, {{1, "two"}, {23, "twenty-four"}, {24, ""}, {25, "twenty-five"}},
     {{24, 1, 0x1220}, {24, 80, 0x1220}, {25, 1, 0x0774}}},
    {"new line from row 25 scrolls the window", [] { mark_rows(); locate(25, 20); print_text("Z", 1); },
     {24, 1, 0, 24, 1}, 0, {{1, "two"}, {23, "twenty-four"}, {24, ""}, {25, "twenty-five        Z"}}},
    {"bottom-right cell owes the wrap", [] { mark_rows(); locate(25, 80); print_text("Q", 0); },
     {25, 80, 1, 24, 1}, 0, {{1, "one"}, {24, "twenty-four"}}, {{25, 80, 0x0751}}},
    {"print after the bottom-right cell",
     [] { mark_rows(); locate(25, 80); print_text("Q", 0); print_text("R", 0); },
     {24, 2, 0, 24, 2}, 0, {{1, "two"}, {23, "twenty-four"}, {24, "R"}}, {{25, 80, 0x0751}}},
    {"codes 10 and 13 start new rows", [] { print_text("a\nb\rc", 0); },
     {3, 2, 0, 3, 2}, 0, {{1, "a"}, {2, "b"}, {3, "c"}}},

    // The fit check.
    {"fit check at column 77", [] { locate(1, 77); wrap_check_text("abcde"); },
     {2, 1, 0, 2, 1}, 0, {}},
    {"fit check at column 76", [] { locate(1, 76); wrap_check_text("abcde"); },
     {1, 76, 0, 1, 76}, 0, {}},
    {"fit check at column 1", [] { wrap_check_text(Full + Full); },
     {1, 1, 0, 1, 1}, 0, {}},
    {"fit check with the wrap owed", [] { print_text(Full, 0); wrap_check_text("abcde"); },
     {1, 80, 1, 2, 1}, 0, {}},

    // Control characters.
    {"tab from column 1", [] { print_text("\tX", 0); },
     {1, 10, 0, 1, 10}, 0, {{1, "        X"}}, {{1, 1, 0x0720}}},
    {"tab from column 8", [] { locate(1, 8); print_text("\t", 0); },
     {1, 9, 0, 1, 9}, 0, {}},
    {"tab from column 9", [] { locate(1, 9); print_text("\t", 0); },
     {1, 17, 0, 1, 17}, 0, {}},
    {"tab ending a print at column 73", [] { locate(1, 73); print_text("\t", 0); },
     {1, 80, 1, 2, 1}, 0, {}},
    {"code 8 is a glyph", [] { print_text("\x08", 0); },
     {1, 2, 0, 1, 2}, 0, {}, {{1, 1, 0x0708}}},
    {"code 12 clears and goes on at the top", [] { mark_rows(); locate(3); print_text("A\x0c" "B", 0); },
     {1, 2, 0, 1, 2}, 0, {{1, "B"}, {2, ""}, {3, ""}, {24, ""}, {25, ""}}},
    {"code 11 goes to the window's first row", [] { locate(5, 5); print_text("\x0bX", 0); },
     {1, 2, 0, 1, 2}, 0, {{1, "X"}}},
    {"code 28 at the window's last cell", [] { locate(24, 80); print_text("\x1c", 0); },
     {24, 80, 0, 24, 80}, 0, {}},
    {"code 28 at the end of a row", [] { locate(3, 80); print_text("\x1c", 0); },
     {4, 1, 0, 4, 1}, 0, {}},
    {"code 29 at the window's first cell", [] { print_text("\x1d", 0); },
     {1, 1, 0, 1, 1}, 0, {}},
    {"code 29 at the start of a row", [] { locate(3); print_text("\x1d", 0); },
     {2, 80, 0, 2, 80}, 0, {}},
    {"code 30 up", [] { locate(3); print_text("\x1e", 0); },
     {2, 1, 0, 2, 1}, 0, {}},
    {"code 30 on row 25 stays", [] { locate(25); print_text("\x1e", 0); },
     {25, 1, 0, 25, 1}, 0, {}},
    {"code 31 down", [] { locate(3); print_text("\x1f", 0); },
     {4, 1, 0, 4, 1}, 0, {}},
    {"code 31 on the window's last row stays", [] { locate(24); print_text("\x1f", 0); },
     {24, 1, 0, 24, 1}, 0, {}},

    // Colours of the stored cells.
    {"colours and blink",
     [] { scr_color(14, 9, 0, 3); print_text("c", 0); scr_color(18, 3, 0, 3); print_text("d", 0); },
     {1, 3, 0, 1, 3}, 0, {}, {{1, 1, 0x1E63}, {1, 2, 0xB264}}},

    // Clearing.
    {"clear with fill 9", [] { mark_rows(); scr_cls(0, 9, CLS_KIND | CLS_FILL); },
     {1, 1, 0, 1, 1}, 0, {{1, ""}, {25, ""}}, {{1, 1, 0x1720}, {25, 80, 0x1720}}},
    {"clear without arguments: window and last row",
     [] { mark_rows(); scr_view_print(2, 10, 1); scr_cls(0, 0, 0); },
     {2, 1, 0, 2, 1}, 0, {{1, "one"}, {2, ""}, {24, "twenty-four"}, {25, ""}}},
    {"clear kind 1 moves the cursor only", [] { mark_rows(); scr_cls(1, 0, CLS_KIND); },
     {1, 1, 0, 1, 1}, 0, {{1, "one"}, {25, "twenty-five"}}},
    {"clear kind 2: the window only", [] { mark_rows(); scr_cls(2, 0, CLS_KIND); },
     {1, 1, 0, 1, 1}, 0, {{1, ""}, {24, ""}, {25, "twenty-five"}}},
    {"clear with fill 65536", [] { print_text("x", 0); scr_cls(0, 65536, CLS_FILL); },
     {1, 2, 0, 1, 2}, 5, {{1, "x"}}},
    {"clear kind 3", [] { print_text("x", 0); scr_cls(3, 0, CLS_KIND); },
     {1, 2, 0, 1, 2}, 5, {{1, "x"}}},

    // Cursor placement.
    {"locate row 25 below the window", [] { locate(25, 3); },
     {25, 3, 0, 25, 3}, 0, {}},
    {"locate row 0", [] { locate(0); },
     {1, 1, 0, 1, 1}, 5, {}},
    {"locate column 81", [] { locate(2, 81); },
     {1, 1, 0, 1, 1}, 5, {}},
    {"locate cursor 2", [] { scr_locate(2, 0, 2, 0, 0, LOCATE_ROW | LOCATE_CURSOR); },
     {1, 1, 0, 1, 1}, 5, {}},
    {"locate start 32", [] { scr_locate(0, 0, 0, 32, 0, LOCATE_START); },
     {1, 1, 0, 1, 1}, 5, {}},
    {"locate end -1", [] { scr_locate(0, 0, 0, 0, -1, LOCATE_END); },
     {1, 1, 0, 1, 1}, 5, {}},
    {"locate column only ends the owed wrap",
     [] { print_text(Full, 0); scr_locate(0, 10, 0, 0, 0, LOCATE_COLUMN); },
     {1, 10, 0, 1, 10}, 0, {}},

    // The print window.
    {"window of row 25, then a bare new line",
     [] { mark_rows(); scr_view_print(25, 25, 1); print_text("", 1); },
     {25, 1, 0, 25, 1}, 0, {{1, "one"}, {24, "twenty-four"}, {25, ""}}},
    {"window reset to the whole page, new line from row 25",
     [] { mark_rows(); scr_view_print(0, 0, 0); locate(25); print_text("", 1); },
     {25, 1, 0, 25, 1}, 0, {{1, "two"}, {23, "twenty-four"}, {24, "twenty-five"}, {25, ""}}},
    {"window from row 0", [] { scr_view_print(0, 5, 1); },
     {1, 1, 0, 1, 1}, 5, {}},
    {"window bottom above its top", [] { scr_view_print(10, 5, 1); },
     {1, 1, 0, 1, 1}, 5, {}},
    {"window bottom row 26", [] { scr_view_print(1, 26, 1); },
     {1, 1, 0, 1, 1}, 5, {}},
    {"a window keeps printing inside it",
     [] { scr_view_print(3, 4, 1); print_text("a", 1); print_text("b", 1); print_text("c", 0); },
     {4, 2, 0, 4, 2}, 0, {{2, ""}, {3, "b"}, {4, "c"}, {5, ""}}},

    // A pending error stops every operation that changes the page.
    {"nothing while an error is pending",
     [] {
         print_text("a", 0);
         pending_error.store(7);
         print_text("b", 1);
         scr_cls(0, 0, 0);
         scr_color(4, 0, 0, 1);
         locate(5, 5);
         scr_view_print(3, 4, 1);
     },
     {1, 2, 0, 1, 2}, 7, {{1, "a"}}, {{1, 1, 0x0761}}},
};
// clang-format on

void PrintTo(const TextCase& c, std::ostream* out) {
    *out << c.name;
}

class Text : public testing::TestWithParam<TextCase> {
  protected:
    void SetUp() override { screen_start_up(); }
};

TEST_P(Text, EdgeCase) {
    const TextCase& c = GetParam();
    c.act();
    const ImageRecord* page = page_record(0);
    EXPECT_EQ(pending_error.load(), c.error);
    EXPECT_EQ(page->cursor_row, c.cursor.row);
    EXPECT_EQ(page->cursor_col, c.cursor.col);
    EXPECT_EQ(page->pending_wrap, c.cursor.wrap);
    EXPECT_EQ(scr_csrlin(), c.cursor.csrlin);
    EXPECT_EQ(scr_pos(), c.cursor.pos);
    for (const RowCheck& r : c.rows) EXPECT_EQ(row_text(page, r.row), r.text) << "row " << r.row;
    for (const CellCheck& k : c.cells)
        EXPECT_EQ(cell_of(page, k.row, k.col), k.cell) << "row " << k.row << " column " << k.col;
}

std::string case_name(const testing::TestParamInfo<TextCase>& info) {
    std::string name;
    for (const char* p = info.param.name; *p; ++p) name += isalnum(uint8_t(*p)) ? *p : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(StartUpScreen, Text, testing::ValuesIn(TextCases), case_name);

class TextScreen : public testing::Test {
  protected:
    void SetUp() override { screen_start_up(); }
};

TEST_F(TextScreen, CodeSevenPausesAQuarterSecond) {
    auto start = std::chrono::steady_clock::now();
    print_text("\x07", 0);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(250));
    EXPECT_EQ(row_text(page_record(0), 1), "");
    EXPECT_EQ(page_record(0)->cursor_col, 1);
}

TEST_F(TextScreen, ColourArguments) {
    struct Case {
        uint32_t fg, bg;
        int32_t passed;
        int32_t expect_fg;
        uint32_t expect_bg;
        int32_t error;
    };
    const Case cases[] = {
        {0, 9, COLOR_BACKGROUND, 7, 1, 0},
        {31, 7, 3, 31, 7, 0},
        {32, 0, COLOR_FOREGROUND, 7, 0, 5},
        {0, 16, COLOR_BACKGROUND, 7, 0, 5},
        {uint32_t(-1), 0, COLOR_FOREGROUND, 7, 0, 5},
        {40, 40, COLOR_BORDER, 7, 0, 0},
        {40, 40, 0, 7, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fg << "," << c.bg << " passed " << c.passed);
        pending_error.store(0);
        page_record(0)->fg = 7;
        page_record(0)->bg = 0;
        scr_color(c.fg, c.bg, 99, c.passed);
        EXPECT_EQ(pending_error.load(), c.error);
        EXPECT_EQ(page_record(0)->fg, c.expect_fg);
        EXPECT_EQ(page_record(0)->bg, c.expect_bg);
    }
}

TEST_F(TextScreen, RowBelowTheWindowSwitchesToFiftyRowsOnce) {
    scr_color(2, 1, 0, 3);
    mark_rows();
    locate(26, 5);
    ASSERT_EQ(pending_error.load(), 0);
    const ImageRecord* page = page_record(0);
    EXPECT_EQ(page->height, 50);
    EXPECT_EQ(page->font, 8);
    EXPECT_EQ(page->view_bottom, 49);
    EXPECT_EQ(page->cursor_row, 26);
    EXPECT_EQ(page->cursor_col, 5);
    EXPECT_EQ(page->cursor_visible, 0);
    EXPECT_EQ(page->fg, 2);
    EXPECT_EQ(page->bg, 1u);
    EXPECT_EQ(row_text(page, 1), "one");
    EXPECT_EQ(row_text(page, 25), "twenty-five");
    EXPECT_EQ(cell_of(page, 25, 1), 0x1274);
    for (int32_t row = 26; row <= 50; ++row) EXPECT_EQ(row_text(page, row), "") << row;
    EXPECT_EQ(row_text(page_record(1), 1), "");
    EXPECT_EQ(auto_tall_allowed, 0);

    locate(50);
    EXPECT_EQ(pending_error.load(), 0);
    scr_screen(0, 1); // nothing pending: the tall screen stays
    EXPECT_EQ(page_record(0)->height, 50);
}

TEST_F(TextScreen, TallSwitchRefused) {
    struct Case {
        const char* name;
        void (*before)();
        int32_t row;
    };
    const Case cases[] = {
        {"row 51", [] {}, 51},
        {"row 26 after row 51",
         [] {
             locate(51);
             pending_error.store(0);
         },
         26},
        {"row 26 after a size change", [] { scr_width(0, 80, 25, 3); }, 26},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto_tall_allowed = 1;
        pending_error.store(0);
        c.before();
        locate(c.row);
        EXPECT_EQ(pending_error.load(), 5);
        EXPECT_EQ(page_record(0)->height, 25);
        EXPECT_EQ(page_record(0)->cursor_row, 1);
        EXPECT_EQ(auto_tall_allowed, 0);
    }
}

TEST_F(TextScreen, CursorVisibilityAndShapeGoToEveryPage) {
    print_text(Full, 0);
    scr_locate(0, 0, 1, 0, 0, LOCATE_CURSOR);
    EXPECT_EQ(page_record(0)->pending_wrap, 2);
    EXPECT_EQ(scr_csrlin(), 2);
    EXPECT_EQ(scr_pos(), 1);
    scr_locate(0, 0, 0, 6, 0, LOCATE_START);
    for (int32_t page = 0; page < 8; ++page) {
        EXPECT_EQ(page_record(page)->cursor_visible, 1) << page;
        EXPECT_EQ(page_record(page)->cursor_start, 6) << page;
        EXPECT_EQ(page_record(page)->cursor_end, 4) << page;
    }
    scr_locate(0, 0, 0, 0, 0, LOCATE_CURSOR | LOCATE_END);
    for (int32_t page = 0; page < 8; ++page) {
        EXPECT_EQ(page_record(page)->cursor_visible, 0) << page;
        EXPECT_EQ(page_record(page)->cursor_end, 0) << page;
    }
    EXPECT_EQ(page_record(0)->pending_wrap, 2);
}

// The end of the program: the last row alone becomes the print window and takes the message.
TEST_F(TextScreen, ShutdownLineOnTheLastRow) {
    for (int32_t row = 1; row <= 25; ++row) {
        locate(row, 1);
        print_text("row " + std::to_string(row), 0);
    }
    scr_set_dest(scr_get_display());
    scr_view_print(25, 25, 1);
    print_text("", 1);
    print_text("Press any key to continue", 0);
    const ImageRecord* page = page_record(0);
    for (int32_t row = 1; row <= 24; ++row)
        EXPECT_EQ(row_text(page, row), "row " + std::to_string(row));
    EXPECT_EQ(row_text(page, 25), "Press any key to continue");
    EXPECT_EQ(page->cursor_row, 25);
    EXPECT_EQ(page->cursor_col, 26);
}

// A page whose width is not a multiple of 8: a tab near the end of a row stops at the row's end.
TEST_F(TextScreen, TabAtTheEndOfANarrowRow) {
    scr_width(0, 42, 25, 3);
    ASSERT_EQ(page_record(0)->width, 42);
    locate(1, 41);
    print_text("\t", 0);
    EXPECT_EQ(page_record(0)->cursor_col, 42);
    EXPECT_EQ(page_record(0)->pending_wrap, 1);
    locate(1, 41);
    print_text("\tX", 0);
    EXPECT_EQ(row_text(page_record(0), 2), "X");
    EXPECT_EQ(page_record(0)->cursor_col, 2);
}

} // namespace
