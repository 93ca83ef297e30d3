// The texts decide the rows of every screen: each must have its number of lines and the length of
// each line, use only characters that take one cell, and keep the fixed screens' column layout.
#include "game/texts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int32_t LOCATION_COUNT = 52;

std::string line_of(const TextBlock& text, int32_t i) {
    return text.lines[i];
}

void expect_lengths(const TextBlock& text, const std::vector<size_t>& lengths,
                    const std::string& name) {
    ASSERT_EQ(text.count, static_cast<int32_t>(lengths.size())) << name << ": number of lines";
    for (int32_t i = 0; i < text.count; i++) {
        EXPECT_EQ(std::strlen(text.lines[i]), lengths[i])
            << name << ", line " << i + 1 << ": \"" << text.lines[i] << "\"";
    }
}

bool printable(const std::string& line) {
    for (unsigned char c : line) {
        if (c < 32 || c > 126) return false;
    }
    return true;
}

struct NamedText {
    const char* name;
    const TextBlock* text;
    std::vector<size_t> lengths;
};

const std::vector<NamedText>& screen_texts() {
    static const std::vector<NamedText> texts = {
        {"introduction", &IntroductionText, {77, 78, 76, 68}},
        {"banner", &BannerText, {75, 78, 79, 80, 80, 76, 76, 46}},
        {"help", &HelpText, {60, 0, 56, 60, 48, 44, 45, 47, 53, 46, 50, 47, 39, 0, 16}},
        {"winning speech", &WinningText, {76, 78, 79, 41}},
        {"credits", &CreditsText, {78, 82, 78}},
        {"losing text", &LosingText, {69, 68, 70, 42}},
        {"EXAMINE CAR", &ResponseExamineCar, {75, 20}},
        {"EXAMINE PLATES OF FOOD", &ResponseExaminePlates, {29}},
        {"EAT FOOD", &ResponseEatFood, {65, 19}},
        {"EXAMINE LOCKERS", &ResponseExamineLockers, {75, 79}},
        {"OPEN LOCKERS", &ResponseOpenLockers, {45}},
        {"EXAMINE POSTER", &ResponseExaminePoster, {84, 40}},
        {"EXAMINE TAPE RECORDER", &ResponseExamineRecorder, {83, 38}},
        {"TAKE TAPE RECORDER", &ResponseTakeRecorder, {47}},
        {"EXAMINE NOTEBOOKS", &ResponseExamineNotebooks, {83}},
        {"READ NOTEBOOKS", &ResponseReadNotebooks, {61}},
        {"EXAMINE BILLBOARD", &ResponseExamineBillboard, {77, 62}},
    };
    return texts;
}

// clang-format off
const std::vector<size_t> DescriptionLengths[LOCATION_COUNT] = {
    /*  1 */ {62, 64, 63, 12},
    /*  2 */ {67, 66, 7},
    /*  3 */ {69, 69, 13},
    /*  4 */ {70, 68},
    /*  5 */ {70, 71, 38},
    /*  6 */ {71, 60},
    /*  7 */ {74, 73},
    /*  8 */ {72, 72, 31},
    /*  9 */ {72, 59},
    /* 10 */ {71, 75},
    /* 11 */ {72, 70, 69},
    /* 12 */ {79, 81},
    /* 13 */ {84},
    /* 14 */ {75, 48},
    /* 15 */ {76},
    /* 16 */ {75, 56},
    /* 17 */ {76, 74, 15},
    /* 18 */ {72, 72, 72, 37},
    /* 19 */ {72, 12},
    /* 20 */ {72, 40},
    /* 21 */ {75, 74},
    /* 22 */ {72, 38},
    /* 23 */ {77, 53},
    /* 24 */ {78, 71},
    /* 25 */ {75, 25},
    /* 26 */ {71, 44},
    /* 27 */ {79},
    /* 28 */ {76, 60},
    /* 29 */ {70, 72, 26},
    /* 30 */ {77, 30},
    /* 31 */ {75, 76, 23},
    /* 32 */ {47},
    /* 33 */ {74, 73},
    /* 34 */ {71},
    /* 35 */ {55},
    /* 36 */ {72, 56},
    /* 37 */ {72, 58},
    /* 38 */ {75, 76},
    /* 39 */ {74, 51},
    /* 40 */ {78, 26},
    /* 41 */ {74, 28},
    /* 42 */ {78, 83, 22},
    /* 43 */ {85},
    /* 44 */ {81, 81, 84, 85, 90, 89, 61},
    /* 45 */ {78, 83, 22},
    /* 46 */ {85},
    /* 47 */ {81, 81, 84, 85, 90, 89, 61},
    /* 48 */ {82, 12},
    /* 49 */ {93, 89, 78},
    /* 50 */ {81, 82, 90},
    /* 51 */ {87, 88, 48},
    /* 52 */ {77},
};
// clang-format on

// Every block of the game: the screens, the answers and the 52 descriptions.
std::vector<std::pair<std::string, const TextBlock*>> all_blocks() {
    std::vector<std::pair<std::string, const TextBlock*>> blocks;
    for (const NamedText& t : screen_texts()) blocks.emplace_back(t.name, t.text);
    for (int32_t location = 1; location <= LOCATION_COUNT; location++) {
        blocks.emplace_back("location " + std::to_string(location), &text_description(location));
    }
    return blocks;
}

TEST(TextLengths, ScreensAndAnswersHaveTheirLinesAndLengths) {
    for (const NamedText& t : screen_texts()) expect_lengths(*t.text, t.lengths, t.name);
}

TEST(TextLengths, DescriptionsHaveTheirLinesAndLengths) {
    for (int32_t location = 1; location <= LOCATION_COUNT; location++) {
        expect_lengths(text_description(location), DescriptionLengths[location - 1],
                       "location " + std::to_string(location));
    }
}

TEST(TextLengths, NoDescriptionOutsideTheMap) {
    for (int32_t location : {-1, 0, 53}) EXPECT_EQ(text_description(location).count, 0);
}

TEST(TextDescriptions, RepeatedLocationsShareTheirLines) {
    for (int32_t location : {45, 46, 47}) {
        const TextBlock& repeat = text_description(location);
        const TextBlock& first = text_description(location - 3);
        EXPECT_EQ(repeat.lines, first.lines) << location;
        EXPECT_EQ(repeat.count, first.count) << location;
    }
    // Every other location has a text of its own.
    for (int32_t a = 1; a <= LOCATION_COUNT; a++) {
        for (int32_t b = a + 1; b <= LOCATION_COUNT; b++) {
            if (b - a == 3 && a >= 42 && a <= 44) continue;
            EXPECT_NE(line_of(text_description(a), 0), line_of(text_description(b), 0))
                << a << " and " << b;
        }
    }
}

TEST(TextCharacters, EveryLineIsPrintableAsciiWithoutTrailingBlanks) {
    for (const auto& [name, block] : all_blocks()) {
        for (int32_t i = 0; i < block->count; i++) {
            const std::string line = line_of(*block, i);
            EXPECT_TRUE(printable(line)) << name << ", line " << i + 1;
            EXPECT_TRUE(line.empty() || line.back() != ' ') << name << ", line " << i + 1;
        }
    }
    for (const char* line :
         {TEXT_HINT, TEXT_PRESS_ANY_KEY, TEXT_INVENTORY, TEXT_THANKS, TEXT_CREDITS_TITLE,
          TEXT_CREDITS_AUTHOR, TEXT_COMPASS_LEFT, TEXT_COMPASS_RIGHT, TEXT_BANNER_NOTICE}) {
        EXPECT_TRUE(printable(line)) << line;
    }
}

// Columns below are 1-based, as on the screen.
TEST(TextBanner, HousesAtTheEdgesTitleAndAuthorBetween) {
    ASSERT_EQ(BannerText.count, 8);
    for (int32_t row = 1; row <= 7; row++) {
        std::string line = line_of(BannerText, row - 1);
        SCOPED_TRACE("art row " + std::to_string(row) + ": \"" + line + "\"");
        line.resize(80, ' ');
        EXPECT_NE(line.substr(0, 13).find_first_not_of(' '), std::string::npos) << "left house";
        EXPECT_NE(line.substr(67, 13).find_first_not_of(' '), std::string::npos) << "right house";

        std::string between = line.substr(13, 54); // columns 14 to 67
        if (row == 4) {
            EXPECT_EQ(line.substr(29, 13), "Empty Streets");
            between.replace(29 - 13, 13, 13, ' ');
        }
        if (row == 6) {
            EXPECT_EQ(line.substr(33, 10), "Written by");
            between.replace(33 - 13, 10, 10, ' ');
        }
        EXPECT_EQ(between, std::string(54, ' '));
    }
    EXPECT_EQ(line_of(BannerText, 7), std::string(33, ' ') + "Q.X. Vantreck");
}

TEST(TextBanner, NoticeStartsInColumn30AndFitsTheRow) {
    const std::string notice = TEXT_BANNER_NOTICE;
    EXPECT_EQ(notice.find_first_not_of(' '), 29u);
    EXPECT_LE(notice.size(), 79u);
    EXPECT_NE(notice.back(), ' ');
}

TEST(TextHelp, DashesStandInColumn30) {
    ASSERT_EQ(HelpText.count, 15);
    for (int32_t row = 3; row <= 13; row++) {
        const std::string line = line_of(HelpText, row - 1);
        ASSERT_GT(line.size(), 31u) << line;
        EXPECT_EQ(line.substr(28, 3), " - ") << "row " << row << ": " << line;
        EXPECT_EQ(line.find(" - "), 28u) << "row " << row << ": " << line;
    }
    EXPECT_EQ(line_of(HelpText, 1), "");
    EXPECT_EQ(line_of(HelpText, 13), "");
    EXPECT_STREQ(HelpText.lines[14], TEXT_PRESS_ANY_KEY);
}

// The compass's middle row: left piece, west letter, " + ", east letter, right piece.
TEST(TextCompass, MiddleRowFillsTheEightyColumns) {
    EXPECT_EQ(std::strlen(TEXT_COMPASS_LEFT), 36u);
    EXPECT_EQ(std::strlen(TEXT_COMPASS_RIGHT), 39u);
    EXPECT_EQ(std::strlen(TEXT_COMPASS_LEFT) + 1 + 3 + 1 + std::strlen(TEXT_COMPASS_RIGHT), 80u);
}

} // namespace
