// Empty Streets itself in its window on a private X server: the real program, real keys through
// XTest, and what the window shows read back as text and colours. A whole game by the shortest
// way, quitting, running out of time and midnight under an accelerated clock, and Num Lock on at
// start-up.
#include <gtest/gtest.h> // before Xlib, whose None and Bool macros it cannot stand

#include "display/keyboard.h"
#include "game/texts.h"
#include "game/world.h"
#include "tests/support/shortest_way.h"
#include "tests/window/support/screen_reader.h"
#include "tests/window/support/wait.h"
#include "tests/window/support/xclient.h"
#include "tests/window/support/xserver.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>
#include <array>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int start_ms = 10000; // a window and its first picture (slow under the sanitizers)
constexpr int react_ms = 10000; // a key's effect, the next turn, the end of the process
constexpr int settle_ms = 200;  // long enough for a screen that should stay to have gone
constexpr int row_width = 80;

constexpr char PRESS_ANY_KEY_TO_CONTINUE[] = "Press any key to continue";

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One row as text, trailing blanks removed.
std::string row_text(const TextScreen& screen, int row) {
    std::string text = screen_text(screen, row);
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

// The rows `lines` take when printed from column 1: 80 characters a row, trailing blanks removed.
std::vector<std::string> printed_rows(const TextBlock& block) {
    std::vector<std::string> rows;
    for (int i = 0; i < block.count; ++i) {
        std::string line = block.lines[i];
        for (size_t at = 0; at == 0 || at < line.size(); at += row_width) {
            std::string row = line.substr(at, row_width);
            rows.push_back(row.substr(0, row.find_last_not_of(' ') + 1));
        }
    }
    return rows;
}

// The rows from first_row on read `expected`, and every row below them down to last_row is blank.
testing::AssertionResult rows_are(const TextScreen& screen, int first_row,
                                  const std::vector<std::string>& expected, int last_row = 25) {
    for (int row = first_row; row <= last_row; ++row) {
        size_t i = size_t(row - first_row);
        std::string want = i < expected.size() ? expected[i] : "";
        if (row_text(screen, row) != want)
            return testing::AssertionFailure()
                   << "row " << row << " reads \"" << row_text(screen, row) << "\", expected \""
                   << want << "\"";
    }
    return testing::AssertionSuccess();
}

// Every cell of rows 1 to last_row is on black and every character on it green.
testing::AssertionResult green_on_black(const TextScreen& screen, int last_row) {
    for (int row = 1; row <= last_row; ++row)
        for (int col = 1; col <= row_width; ++col) {
            const ScreenCell& cell = screen_cell(screen, row, col);
            if (cell.bg != 0 || (cell.character != ' ' && cell.fg != 2))
                return testing::AssertionFailure() << "row " << row << ", column " << col << ": "
                                                   << cell.fg << " on " << cell.bg;
        }
    return testing::AssertionSuccess();
}

// The command editor reads keys once its countdown shows: a colon in column 36 of row 2.
bool countdown_shows(const TextScreen& screen) {
    return screen_cell(screen, 2, 36).character == ':';
}

// The countdown in seconds: the minutes in columns 32 to 35, the seconds after the colon, where a
// leading "0" stands before the point or the minus sign ("05.25", "0-.3"). NaN when row 2 shows
// no countdown that reads as a number.
double countdown_seconds(const TextScreen& screen) {
    if (!countdown_shows(screen)) return NAN;
    std::string minutes = screen_text(screen, 2, 32, 35);
    std::string seconds = screen_text(screen, 2, 37, row_width);
    seconds.erase(seconds.find(' ') == std::string::npos ? seconds.size() : seconds.find(' '));
    if (seconds.size() > 1 && seconds[0] == '0' && seconds[1] == '-') seconds.erase(0, 1);
    char* end_minutes = nullptr;
    char* end_seconds = nullptr;
    long whole = std::strtol(minutes.c_str(), &end_minutes, 10);
    double rest = std::strtod(seconds.c_str(), &end_seconds);
    if (minutes.find_first_not_of(' ') == std::string::npos || *end_minutes != '\0' ||
        seconds.empty() || *end_seconds != '\0')
        return NAN;
    return double(whole) * 60 + rest;
}

// The row of the move counter, or 0: the turn screen scrolls by the length of the description.
int moves_row(const TextScreen& screen) {
    for (int row = 1; row <= 25; ++row)
        if (screen_text(screen, row, 1, 6) == "Moves:") return row;
    return 0;
}

// The compass of a location from its exits on the map: N and S in column 39, W and E beside the
// plus sign.
std::array<std::string, 3> compass_rows(int location) {
    auto has = [&](Direction d) { return world_exit(location, d) != 0; };
    return {has(Direction::north) ? std::string(38, ' ') + "N" : "",
            std::string(TEXT_COMPASS_LEFT) + (has(Direction::west) ? "W" : " ") + " + " +
                (has(Direction::east) ? "E" : " ") + TEXT_COMPASS_RIGHT,
            has(Direction::south) ? std::string(38, ' ') + "S" : ""};
}

// The turn screen of `location` with `moves` on the counter, as the window shows it while the
// editor waits with `typed` on the command line: the compass from the map, the hint, the counter,
// the description and the prompt, each where the counter's row puts it, and `bottom` on row 25.
// The compass is checked where it has not scrolled up into the countdown's row or above.
testing::AssertionResult turn_screen_is(const TextScreen& screen, int location, int moves,
                                        const std::string& typed = "",
                                        const std::string& bottom = "") {
    int counter = moves_row(screen);
    if (counter == 0) return testing::AssertionFailure() << "no row reads \"Moves:\"";
    std::vector<std::string> below = {"Moves: " + std::to_string(moves), ""};
    for (const std::string& row : printed_rows(text_description(location))) below.push_back(row);
    below.push_back(typed.empty() ? ">" : "> " + typed);
    int last = counter + int(below.size()) - 1;
    if (last > 24) return testing::AssertionFailure() << "the prompt is below row 24";
    if (testing::AssertionResult r = rows_are(screen, counter, below, 24); !r) return r;
    if (row_text(screen, 25) != bottom)
        return testing::AssertionFailure() << "row 25 reads \"" << row_text(screen, 25) << "\"";
    if (testing::AssertionResult r =
            rows_are(screen, counter - 3, {"", TEXT_HINT, ""}, counter - 1);
        !r)
        return r;
    std::array<std::string, 3> compass = compass_rows(location);
    for (int i = 0; i < 3; ++i) {
        int row = counter - 6 + i;
        if (row >= 3 && row_text(screen, row) != compass[size_t(i)])
            return testing::AssertionFailure()
                   << "compass row " << row << " reads \"" << row_text(screen, row)
                   << "\", expected \"" << compass[size_t(i)] << "\"";
    }
    return testing::AssertionSuccess();
}

std::vector<std::string> lines_of(const TextBlock& block) {
    return std::vector<std::string>(block.lines, block.lines + block.count);
}

// The processes whose parent is `pid`, from /proc.
std::vector<pid_t> children_of(pid_t pid) {
    std::vector<pid_t> children;
    DIR* dir = opendir("/proc");
    if (dir == nullptr) return children;
    while (dirent* entry = readdir(dir)) {
        pid_t candidate = atoi(entry->d_name);
        if (candidate <= 0) continue;
        std::ifstream file(std::string("/proc/") + entry->d_name + "/stat");
        std::string stat;
        std::getline(file, stat);
        size_t end_of_name = stat.rfind(')');
        if (end_of_name == std::string::npos || end_of_name + 4 > stat.size()) continue;
        if (atoi(stat.c_str() + end_of_name + 4) == pid) children.push_back(candidate);
    }
    closedir(dir);
    return children;
}

bool num_lock_on(Display* display) {
    Bool on = False;
    XkbGetNamedIndicator(display, XInternAtom(display, "Num Lock", False), nullptr, &on, nullptr,
                         nullptr);
    return on;
}

// Turns Num Lock on or off in the server, as a player would with its key.
bool set_num_lock(Display* display, bool on) {
    if (num_lock_on(display) == on) return true;
    if (!xtest_key(display, XK_Num_Lock)) return false;
    return wait_until([&] { return num_lock_on(display) == on; }, react_ms);
}

class GameInWindow : public ::testing::Test {
  protected:
    void TearDown() override {
        // The clock-changing wrapper runs the game as its child and does not pass a kill on.
        if (through_faketime && program.pid != 0)
            for (pid_t child : children_of(program.pid)) kill(child, SIGKILL);
        program_stop(program);
        if (display) XCloseDisplay(display);
        xserver_stop(server);
    }

    void start_server() {
        ASSERT_TRUE(xserver_start(server));
        display = xclient_open(server);
        ASSERT_NE(display, nullptr);
    }

    // Starts the game on the server, under faketime with `clock` when it is not empty, and waits
    // for its window and the introduction in it; the window gets the input focus. Check
    // HasFatalFailure() after it.
    void start_game(const std::string& clock = "") {
        if (!display) start_server();
        ASSERT_FALSE(HasFatalFailure());
        launched = Clock::now();
        if (clock.empty()) {
            ASSERT_TRUE(program_launch(program, server, EMPTY_STREETS_PATH, {}));
        } else {
            // libfaketime is preloaded before the sanitizer runtime, whose order check would
            // refuse to start the program.
            const char* asan = getenv("ASAN_OPTIONS");
            std::string options = asan && *asan ? std::string(asan) + ":" : "";
            options += "verify_asan_link_order=0";
            through_faketime = true;
            ASSERT_TRUE(program_launch(program, server, "faketime",
                                       {"-f", clock, EMPTY_STREETS_PATH},
                                       {"ASAN_OPTIONS=" + options}));
        }
        window = xwin_find_by_title(display, "Untitled", start_ms);
        ASSERT_NE(window, Window(None)) << "no window";
        window_found = Clock::now();
        ASSERT_TRUE(wait_screen(
            [](const TextScreen& s) { return row_text(s, 3) == IntroductionText.lines[0]; },
            start_ms))
            << "no introduction: " << screen.error << " / " << row_text(screen, 3);
        XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
        XSync(display, False);
    }

    // Waits until the client area is 640x400 and reads as a text screen for which `ready` holds;
    // `screen` is the last one read.
    template <typename Ready> bool wait_screen(Ready ready, int timeout_ms) {
        return screen_wait(display, window, screen, ready, timeout_ms, 10);
    }

    // Reads the window as it is now, once it shows a complete picture.
    bool read_screen() {
        return wait_screen([](const TextScreen&) { return true; }, react_ms);
    }

    // Leaves the introduction with a key and waits for the first turn at its prompt.
    void begin_play() {
        ASSERT_TRUE(xtest_key(display, XK_space));
        ASSERT_TRUE(wait_screen(
            [](const TextScreen& s) { return countdown_shows(s) && moves_row(s) != 0; }, react_ms))
            << "no first turn";
        EXPECT_TRUE(turn_screen_is(screen, 1, 0));
    }

    // Types a command and Enter at the prompt.
    void command(const std::string& text) {
        ASSERT_TRUE(wait_screen(countdown_shows, react_ms)) << "no prompt";
        ASSERT_TRUE(xtest_type(display, text + "\n"));
    }

    // Waits for the runtime's last line on row 25, presses a key once it has settled and expects
    // the process to end with exit code 0.
    void press_to_end() {
        ASSERT_TRUE(wait_screen(
            [](const TextScreen& s) { return row_text(s, 25) == PRESS_ANY_KEY_TO_CONTINUE; },
            react_ms))
            << "row 25 reads \"" << row_text(screen, 25) << "\"";
        // Keys pressed before the line appeared do not count, and under a heavy load the line may
        // show a while before the runtime stops discarding keys: a player who sees nothing happen
        // presses again.
        bool ended = false;
        for (int presses = 0; presses < 3 && !ended; ++presses) {
            sleep_ms(50);
            ASSERT_TRUE(xtest_key(display, XK_space));
            ended = program_wait(program, react_ms / 3);
        }
        ASSERT_TRUE(ended) << "still running";
        EXPECT_TRUE(program.exited) << "signal " << program.signal;
        EXPECT_EQ(program.exit_code, 0);
    }

    XServer server{};
    Display* display = nullptr;
    TestProgram program{};
    bool through_faketime = false;
    Window window = None;
    TextScreen screen{};
    Clock::time_point launched;
    Clock::time_point window_found;
};

TEST_F(GameInWindow, AWholeGameByTheShortestWayEndsWithTheCreditsAndExitCode0) {
    Clock::time_point started = Clock::now();
    start_game();
    ASSERT_FALSE(HasFatalFailure());
    std::vector<std::string> introduction = {"", ""};
    for (const std::string& line : lines_of(IntroductionText)) introduction.push_back(line);
    EXPECT_TRUE(rows_are(screen, 1, introduction));
    EXPECT_TRUE(green_on_black(screen, 25));
    begin_play();
    ASSERT_FALSE(HasFatalFailure());

    int location = WORLD_START_LOCATION;
    int moves = 0;
    for (const WayLeg& leg : ShortestWay)
        for (int i = 0; i < leg.times; ++i) {
            int destination = world_exit(location, leg.direction);
            ASSERT_NE(destination, 0) << "no way " << leg.command << " from " << location;
            command(leg.command);
            ASSERT_FALSE(HasFatalFailure());
            ++moves;
            std::string counter = "Moves: " + std::to_string(moves);
            ASSERT_TRUE(wait_screen(
                [&](const TextScreen& s) {
                    int row = moves_row(s);
                    return countdown_shows(s) && row != 0 && row_text(s, row) == counter;
                },
                react_ms))
                << "no turn " << moves;
            location = destination;
            ASSERT_TRUE(turn_screen_is(screen, location, moves)) << "at " << location;
        }
    ASSERT_EQ(location, WORLD_TALK_LOCATION);
    ASSERT_EQ(moves, 35);

    // The speech stays until a new key: the keys typed for TALK are drained.
    command("talk");
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(wait_screen(
        [](const TextScreen& s) { return row_text(s, 1) == WinningText.lines[0]; }, react_ms));
    sleep_ms(settle_ms);
    ASSERT_TRUE(read_screen());
    EXPECT_TRUE(rows_are(screen, 1, printed_rows(WinningText)));

    // The credits, green on black, stay until one more key.
    ASSERT_TRUE(xtest_key(display, XK_space));
    ASSERT_TRUE(
        wait_screen([](const TextScreen& s) { return row_text(s, 6) == TEXT_THANKS; }, react_ms));
    sleep_ms(settle_ms);
    ASSERT_TRUE(read_screen());
    std::vector<std::string> credits = printed_rows(CreditsText);
    credits.insert(credits.end(), {"", TEXT_THANKS, "", TEXT_CREDITS_TITLE, TEXT_CREDITS_AUTHOR});
    ASSERT_EQ(credits.size(), 9u);
    EXPECT_TRUE(rows_are(screen, 1, credits));
    EXPECT_TRUE(green_on_black(screen, 25));

    ASSERT_TRUE(xtest_key(display, XK_space));
    press_to_end();
    EXPECT_TRUE(rows_are(screen, 1, credits, 24)) << "the credits stay under the last line";
    RecordProperty("whole_game_ms", int(seconds_since(started) * 1000));
}

// EXIT ends at once: the turn screen stays with the typed command and the last countdown.
TEST_F(GameInWindow, ExitAtTheFirstPromptKeepsTheTurnScreenUnderPressAnyKey) {
    start_game();
    ASSERT_FALSE(HasFatalFailure());
    begin_play();
    ASSERT_FALSE(HasFatalFailure());
    command("exit");
    ASSERT_FALSE(HasFatalFailure());
    press_to_end();
    EXPECT_TRUE(turn_screen_is(screen, 1, 0, "EXIT", PRESS_ANY_KEY_TO_CONTINUE));
    EXPECT_TRUE(countdown_shows(screen));
}

// Under a clock sixty times as fast the ten minutes pass in ten seconds. The time runs out while
// a command is half typed: the losing text replaces everything.
TEST_F(GameInWindow, RunningOutOfTimeWhileTypingShowsTheLosingTextOnAClearedScreen) {
    start_game("+0 x60");
    ASSERT_FALSE(HasFatalFailure());
    begin_play();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(wait_screen(countdown_shows, react_ms));
    ASSERT_TRUE(xtest_type(display, "nor"));
    ASSERT_TRUE(
        wait_screen([](const TextScreen& s) { return turn_screen_is(s, 1, 0, "NOR"); }, react_ms))
        << turn_screen_is(screen, 1, 0, "NOR").message();

    constexpr int out_of_time_ms = 30000; // ten seconds of play, and room for a slow machine
    ASSERT_TRUE(wait_screen(
        [](const TextScreen& s) { return row_text(s, 1) == LosingText.lines[0]; }, out_of_time_ms))
        << "the time did not run out; the countdown reads " << countdown_seconds(screen);
    press_to_end();
    EXPECT_TRUE(rows_are(screen, 1, printed_rows(LosingText), 24));
}

// At midnight the time of day starts again from 0; the countdown must not notice. The clock
// starts one minute before midnight and runs ten times as fast, so midnight comes six seconds
// after the program starts. The countdown is read every tenth of a second (one second of game
// time) from before midnight until well after it.
TEST_F(GameInWindow, TheCountdownRunsOnAcrossMidnight) {
    constexpr double rate = 10;
    constexpr double before_midnight_s = 60; // in game time
    start_game("@2026-12-11 23:59:00 x10");
    ASSERT_FALSE(HasFatalFailure());
    begin_play();
    ASSERT_FALSE(HasFatalFailure());

    // The game's clock started at the earliest at the launch and at the latest when the window
    // appeared; that bounds the time of day in the game from both sides.
    struct Reading {
        double real_s; // since the launch
        double left_s;
    };
    std::vector<Reading> readings;
    double surely_after_midnight_s =
        std::chrono::duration<double>(window_found - launched).count() + before_midnight_s / rate;
    while (readings.empty() || readings.back().real_s < surely_after_midnight_s + 1.5) {
        ASSERT_TRUE(read_screen());
        readings.push_back({seconds_since(launched), countdown_seconds(screen)});
        ASSERT_FALSE(std::isnan(readings.back().left_s))
            << "row 2 reads \"" << row_text(screen, 2) << "\"";
        sleep_ms(100);
    }
    ASSERT_LT(readings.front().real_s * rate, before_midnight_s)
        << "the first reading came after midnight; the game started too slowly for this test";
    for (size_t i = 1; i < readings.size(); ++i)
        ASSERT_LE(readings[i].left_s, readings[i - 1].left_s)
            << "the countdown went up from " << readings[i - 1].left_s << " s to "
            << readings[i].left_s << " s at " << readings[i].real_s << " s";
    double counted = readings.front().left_s - readings.back().left_s;
    double elapsed = (readings.back().real_s - readings.front().real_s) * rate;
    EXPECT_NEAR(counted, elapsed, 3.0) << "the countdown lost or gained time";
    EXPECT_GT(readings.back().left_s, 0);
}

// Num Lock on in the server when the game starts is a lock already down, not a key press: the
// game neither pauses nor takes it for a key, and plays on as usual.
TEST_F(GameInWindow, NumLockOnAtStartUpNeitherPausesNorDisturbsTheGame) {
    start_server();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(set_num_lock(display, true));
    start_game();
    ASSERT_FALSE(HasFatalFailure());
    begin_play();
    ASSERT_FALSE(HasFatalFailure());
    double left = countdown_seconds(screen);
    ASSERT_TRUE(
        wait_screen([&](const TextScreen& s) { return countdown_seconds(s) < left - 0.5; }, 3000))
        << "the countdown stands still at " << left;
    command("e");
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(wait_screen([](const TextScreen& s) { return turn_screen_is(s, 2, 1); }, react_ms))
        << turn_screen_is(screen, 2, 1).message();
    EXPECT_TRUE(num_lock_on(display));
}

// The keyboard's start-up records the lock keys that are on in the server without queueing
// them; turning Num Lock off later is then seen as its release.
using KeyboardOnServer = GameInWindow;

TEST_F(KeyboardOnServer, NumLockOnAtStartUpIsHeldAndTurningItOffQueuesItsRelease) {
    start_server();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(set_num_lock(display, true));
    const XServer& on = server;
    // Each failure ends the child with its own code; 0 when every step went as it should.
    const char* const failures[] = {
        "",
        "a key code was queued at start-up",
        "Num Lock is not held after start-up",
        "the lock keys moved while nothing changed",
        "Num Lock could not be turned off",
        "turning Num Lock off queued no release of it",
        "more than the release was queued",
    };
    ASSERT_TRUE(program_fork(program, [&on] {
        setenv("DISPLAY", on.display.c_str(), 1);
        keyboard_init();
        if (key_hit() != 0) return 1;
        if (!key_is_held(KEY_NUM_LOCK)) return 2;
        sync_lock_keys();
        if (key_hit() != 0) return 3;
        Display* own = xclient_open(on);
        bool off = own != nullptr && set_num_lock(own, false);
        if (own) XCloseDisplay(own);
        if (!off) return 4;
        sync_lock_keys();
        if (key_hit() != -KEY_NUM_LOCK) return 5;
        if (key_hit() != 0) return 6;
        return 0;
    }));
    ASSERT_TRUE(program_wait(program, react_ms)) << "the child still runs";
    ASSERT_TRUE(program.exited) << "signal " << program.signal;
    ASSERT_GE(program.exit_code, 0);
    ASSERT_LT(program.exit_code, int(std::size(failures)));
    EXPECT_EQ(program.exit_code, 0) << failures[program.exit_code];
}

} // namespace
