// Every text the game shows: the location descriptions, the answers to object commands, the fixed
// screens and the single functional lines. All are plain ASCII (bytes 32 to 126), so every
// character takes exactly one cell; a line longer than 80 characters wraps onto the next row when
// printed, so the lengths of the lines decide how many rows a text takes.
#pragma once

#include <cstdint>

// A text of `count` lines, printed one line per row in order. Blank rows inside a screen are
// empty lines.
struct TextBlock {
    const char* const* lines;
    int32_t count;
};

// --- Single lines ---------------------------------------------------------------------------
inline constexpr char TEXT_HINT[] = "If you are stuck just type HELP.";
inline constexpr char TEXT_PRESS_ANY_KEY[] = "PRESS ANY KEY...";
inline constexpr char TEXT_INVENTORY[] = "INVENTORY...";
inline constexpr char TEXT_THANKS[] = "Thank you for playing";
inline constexpr char TEXT_CREDITS_TITLE[] = "-Empty Streets-";
inline constexpr char TEXT_CREDITS_AUTHOR[] = "Written by Q.X.Vantreck";

// The two ends of the compass's middle row: columns 1 to 36, and columns 42 to 80.
inline constexpr char TEXT_COMPASS_LEFT[] = "*---------------------------------* ";
inline constexpr char TEXT_COMPASS_RIGHT[] = " *------------------------------------*";

// The banner's notice, below the author's name; its text starts in column 30.
inline constexpr char TEXT_BANNER_NOTICE[] =
    "                             You have ten minutes. Find the way out.";

// --- Screens --------------------------------------------------------------------------------
// The four lines of the introduction, shown once before the clock starts.
extern const TextBlock IntroductionText;
// The banner's eight lines: seven rows of line art (a house at columns 1 to 13 and another at
// 68 to 80, the title at column 30 of the fourth row, "Written by" at column 34 of the sixth),
// then the author's name at column 34.
extern const TextBlock BannerText;
// The help screen's fifteen rows, blank rows included, ending with TEXT_PRESS_ANY_KEY.
extern const TextBlock HelpText;
// The speech of the man in the suit that ends a won game.
extern const TextBlock WinningText;
// The three narrative lines at the top of the closing credits.
extern const TextBlock CreditsText;
// The four lines shown when the time runs out.
extern const TextBlock LosingText;

// --- Answers to the object commands -----------------------------------------------------------
extern const TextBlock ResponseExamineCar;
extern const TextBlock ResponseExaminePlates;
extern const TextBlock ResponseEatFood;
extern const TextBlock ResponseExamineLockers;
extern const TextBlock ResponseOpenLockers;
extern const TextBlock ResponseExaminePoster;
extern const TextBlock ResponseExamineRecorder;
extern const TextBlock ResponseTakeRecorder;
extern const TextBlock ResponseExamineNotebooks;
extern const TextBlock ResponseReadNotebooks;
extern const TextBlock ResponseExamineBillboard;

// --- Locations ------------------------------------------------------------------------------
// The description of `location` (1 to 52); an empty block (no lines) for any other number.
// Locations 45, 46 and 47 share the very lines of 42, 43 and 44.
const TextBlock& text_description(int32_t location);
