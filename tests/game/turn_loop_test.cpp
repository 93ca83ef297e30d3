// The game played without a window: turn screens, commands and the screens they lead to.
#include "game/state.h"
#include "game/texts.h"
#include "game/world.h"
#include "tests/game/game_child.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

std::string moves_row(int moves) {
    return "Moves: " + std::to_string(moves);
}

// The rows a printed line takes: 80 characters a row.
void add_rows(std::vector<std::string>& rows, const std::string& line) {
    for (size_t at = 0; at == 0 || at < line.size(); at += 80) rows.push_back(line.substr(at, 80));
}

// The turn screen as the prompt finds it, rows 1 to 25. A description of more than two rows
// scrolls the rows above it up, one row for each further row.
std::vector<std::string> turn_screen(int location, int moves) {
    std::string phrase = world_exit_phrase(location);
    auto has = [&](const char* word) { return phrase.find(word) != std::string::npos; };
    std::vector<std::string> rows = {"", ""};
    rows.insert(rows.end(), BannerText.lines, BannerText.lines + BannerText.count);
    rows.insert(rows.end(), {"", TEXT_BANNER_NOTICE, ""});
    rows.push_back(has("NORTH") ? std::string(38, ' ') + "N" : "");
    rows.push_back(std::string(TEXT_COMPASS_LEFT) + (has("WEST") ? "W" : " ") + " + " +
                   (has("EAST") ? "E" : " ") + TEXT_COMPASS_RIGHT);
    rows.push_back(has("SOUTH") ? std::string(38, ' ') + "S" : "");
    rows.insert(rows.end(), {"", TEXT_HINT, "", moves_row(moves), ""});
    const TextBlock& description = text_description(location);
    for (int i = 0; i < description.count; ++i) add_rows(rows, description.lines[i]);
    rows.push_back(">");
    if (rows.size() > 24) rows.erase(rows.begin(), rows.begin() + long(rows.size() - 24));
    rows.resize(25);
    return rows;
}

void check_rows(const std::vector<std::string>& expected, int page, const char* what) {
    for (int row = 1; row <= int(expected.size()); ++row) {
        if (page_row(row, page) == expected[size_t(row - 1)]) continue;
        fprintf(stderr, "%s: row %d reads \"%s\", expected \"%s\"\n", what, row,
                page_row(row, page).c_str(), expected[size_t(row - 1)].c_str());
        child_check(false, what);
    }
}

// Waits for the turn screen of `location` with `moves` at the prompt: the editor's copy of the
// screen (page 1) shows the new move count, and the editor has drawn its countdown since.
void await_turn(int location, int moves) {
    std::vector<std::string> expected = turn_screen(location, moves);
    int row = 1;
    while (expected[size_t(row - 1)] != moves_row(moves)) ++row;
    await([&] { return page_row(row, 1) == moves_row(moves); }, "the next turn");
    await_prompt();
    check_rows(expected, 1, "turn screen");
}

void start_game() {
    await_row(3, IntroductionText.lines[0]);
    press('x');
    await_turn(1, 0);
}

// A player who keeps count: where they are and how many descriptions they have seen.
struct Player {
    int location = 1;
    int moves = 0;
};

// Types a command that shows no screen of its own and waits for the next turn.
void turn(Player& p, const char* text, int destination) {
    command(text);
    p.location = destination;
    await_turn(p.location, ++p.moves);
}

// Walks the shortest way from location 1 to location 12.
void walk_to_twelve(Player& p) {
    const struct {
        const char* command;
        Direction direction;
    } steps[] = {{"e", Direction::east},  {"e", Direction::east},  {"e", Direction::east},
                 {"n", Direction::north}, {"n", Direction::north}, {"n", Direction::north},
                 {"n", Direction::north}, {"n", Direction::north}};
    for (const auto& step : steps) turn(p, step.command, world_exit(p.location, step.direction));
    child_check(p.location == 12, "the way leads to 12");
}

// A screen of its own, shown until a new key: the keys typed for the command are already gone.
void expect_screen_stays(const std::vector<std::string>& rows, const char* what) {
    await_row(1, rows[0]);
    platform_sleep_ms(150);
    check_rows(rows, 0, what);
}

// A key once "Press any key to continue" stands: the runtime then ends the process. Keys typed
// before the line appeared do not count, and under a heavy load the line may show a while before
// the runtime stops discarding keys; a player who sees nothing happen presses again.
[[noreturn]] void press_to_end() {
    for (;;) {
        platform_sleep_ms(50);
        press(' ');
        platform_sleep_ms(1000);
    }
}

void expect_ended_in_order(const ChildResult& r) {
    ASSERT_TRUE(r.exited) << r.err;
    EXPECT_EQ(r.exit_code, 0) << r.err;
}

} // namespace

TEST(TurnLoop, TheFirstTurnScreenRowByRow) {
    ChildResult r = play([] {
        start_game();
        // What shows while the editor runs: the newline after the echo scrolls once more, so the
        // prompt stands on row 23 and the countdown on row 2 of the scrolled page.
        std::vector<std::string> shown = turn_screen(1, 0);
        shown.erase(shown.begin());
        shown.insert(shown.begin() + 23, "");
        for (int row = 3; row <= 25; ++row)
            child_check(page_row(row) == shown[size_t(row - 1)], "page 0 while editing");
        std::string countdown = page_row(2).substr(31, 6);
        child_check(countdown == "   9:5" || countdown == "  10:0", "countdown at row 2, column 32");
        child_check(page_row(1) == BannerText.lines[1], "row 1");
        _exit(0);
    });
    expect_ended_in_order(r);
}

TEST(TurnLoop, LookShowsTheExitPhraseUntilANewKey) {
    ChildResult r = play([] {
        Player p;
        start_game();
        walk_to_twelve(p);
        command("look");
        expect_screen_stays({"NORTH, SOUTH, EAST, OR WEST", "", "PRESS ANY KEY...", ""}, "look");
        press(' ');
        await_turn(12, ++p.moves);
        _exit(0);
    });
    expect_ended_in_order(r);
}

TEST(TurnLoop, InventoryIsAlwaysEmpty) {
    ChildResult r = play([] {
        start_game();
        command("inv");
        expect_screen_stays({"INVENTORY...", "", "", "PRESS ANY KEY...", ""}, "inventory");
        press('i');
        await_turn(1, 1);
        _exit(0);
    });
    expect_ended_in_order(r);
}

// The first key ends the help screen's pause and is drained; the second one leaves.
TEST(TurnLoop, HelpNeedsTwoKeys) {
    ChildResult r = play([] {
        start_game();
        command("h");
        std::vector<std::string> help(HelpText.lines, HelpText.lines + HelpText.count);
        help.push_back("");
        expect_screen_stays(help, "help");
        press('a');
        platform_sleep_ms(150);
        check_rows(help, 0, "help after one key");
        press('b');
        await_turn(1, 1);
        _exit(0);
    });
    expect_ended_in_order(r);
}

// EXAMINE CAR answers at location 8 only; elsewhere it does nothing but count a move.
TEST(TurnLoop, ObjectCommandsAnswerOnlyAtTheirLocation) {
    ChildResult r = play([] {
        Player p;
        start_game();
        turn(p, "e", 2);
        turn(p, "e", 9);
        turn(p, "examine car", 9);
        turn(p, "e", 8);
        command("examine car");
        std::vector<std::string> answer(ResponseExamineCar.lines,
                                        ResponseExamineCar.lines + ResponseExamineCar.count);
        answer.push_back("");
        expect_screen_stays(answer, "the car");
        press('q');
        await_turn(8, ++p.moves);
        _exit(0);
    });
    expect_ended_in_order(r);
}

// Unknown words, a way without an exit, TALK away from 52 and a command with two blanks inside
// do nothing but count a move.
TEST(TurnLoop, CommandsThatDoNothingOnlyCountAMove) {
    ChildResult r = play([] {
        Player p;
        start_game();
        for (const char* text : {"xyzzy", "w", "talk", "go  east", "  e x"}) turn(p, text, 1);
        turn(p, "  go east  ", 2);
        _exit(0);
    });
    expect_ended_in_order(r);
}

// The editor takes letters and blanks in upper case; Backspace removes the last character, also
// on an empty line; digits, signs, cursor and function keys are neither echoed nor added.
TEST(CommandEditor, EchoesOnlyWhatItAccepts) {
    ChildResult r = play([] {
        start_game();
        await_prompt();
        press(8);
        for (int32_t code : {int32_t('n'), int32_t('O'), int32_t('1'), int32_t('?'), KEY_UP,
                             KEY_F1, int32_t(' '), int32_t('r'), int32_t('x'), 8, int32_t('t')})
            press(code);
        await_row(23, "> NO RT");
        press(13);
        await_turn(1, 1);
        _exit(0);
    });
    expect_ended_in_order(r);
}

// EXIT keeps the turn screen with the typed command and shows the runtime's last line on it.
TEST(Endings, QuittingLeavesTheTurnScreenWithPressAnyKey) {
    ChildResult r = play([] {
        start_game();
        command("exit");
        await_row(25, "Press any key to continue");
        child_check(page_row(23) == "> EXIT", "the typed command stays");
        child_check(page_row(20) == text_description(1).lines[1], "the description stays");
        child_check(page_row(2).size() >= 36 && page_row(2)[35] == ':', "the countdown stays");
        press_to_end();
    });
    expect_ended_in_order(r);
}
