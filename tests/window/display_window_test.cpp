// The game window on a private X server: the key_echo program runs the real runtime, XTest types
// real keys, and the tests read what the window shows back as text and colours.
#include <gtest/gtest.h> // before Xlib, whose None and Bool macros it cannot stand

#include "tests/window/programs/screen_pattern.h"
#include "tests/window/support/screen_reader.h"
#include "tests/window/support/wait.h"
#include "tests/window/support/xclient.h"
#include "tests/window/support/xserver.h"

#include <X11/keysym.h>
#include <string>
#include <vector>

namespace {

constexpr int start_ms = 8000; // a window and its first picture
constexpr int react_ms = 3000; // keys, requests, the end of the process

class RuntimeWindow : public ::testing::Test {
  protected:
    void TearDown() override {
        program_stop(program);
        if (display) XCloseDisplay(display);
        xserver_stop(server);
    }

    // A private server, with openbox when asked, and key_echo on it with `args`, shown in its
    // window with the focus. Check HasFatalFailure() after it.
    void start(bool window_manager, const std::vector<std::string>& args) {
        ASSERT_TRUE(xserver_start(server));
        if (window_manager) {
            ASSERT_TRUE(xserver_start_window_manager(server));
        }
        display = xclient_open(server);
        ASSERT_NE(display, nullptr);
        ASSERT_TRUE(program_launch(program, server, KEY_ECHO_PATH, args));
        window = xwin_find_by_title(display, "Untitled", start_ms);
        ASSERT_NE(window, Window(None)) << "no window";
        ASSERT_TRUE(wait_screen([](const TextScreen&) { return true; }, start_ms))
            << "no picture of a text screen in a 640x400 client area";
        XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
        XSync(display, False);
    }

    // Waits until the client area is 640x400 and reads as a text screen for which `ready` holds;
    // `screen` is the last one read.
    template <typename Ready> bool wait_screen(Ready ready, int timeout_ms) {
        return screen_wait(display, window, screen, ready, timeout_ms, 20);
    }

    // Runs another program on the server (wmctrl) and waits for it.
    void run(const std::string& path, const std::vector<std::string>& args) {
        TestProgram tool;
        ASSERT_TRUE(program_launch(tool, server, path, args));
        ASSERT_TRUE(program_wait(tool, react_ms));
        ASSERT_TRUE(tool.exited && tool.exit_code == 0) << path << " failed";
    }


    bool viewable() {
        WindowGeometry geometry;
        return xwin_geometry(display, window, geometry) && geometry.map_state == IsViewable;
    }

    XServer server{};
    Display* display = nullptr;
    TestProgram program{};
    Window window = None;
    TextScreen screen{};
};

// What key_echo logged, from row 3 down: the key_inkey column or the key_hit column.
std::vector<std::string> echo_log(const TextScreen& screen, bool hits) {
    std::vector<std::string> log;
    for (int row = 3; row <= 24; ++row) {
        std::string text =
            hits ? screen_text(screen, row, 41, 78) : screen_text(screen, row, 1, 38);
        text.erase(text.find_last_not_of(' ') + 1);
        if (text.empty()) break;
        log.push_back(text);
    }
    return log;
}

TEST_F(RuntimeWindow, ShowsThePageCellForCellInAnUntitled640x400Window) {
    start(false, {"pattern"});
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(wait_screen(
        [](const TextScreen& s) { return screen_text(s, 22, 73, 80) == "RIGHTEND"; }, react_ms));
    EXPECT_EQ(xwin_title(display, window), "Untitled");

    std::vector<ScreenCell> expected(80 * 25, ScreenCell{32, -1, 0});
    for (const PatternText& p : screen_pattern())
        for (size_t i = 0; i < p.text.size(); ++i) {
            uint8_t c = screen_canonical(uint8_t(p.text[i]));
            bool blank = c == 32 || p.fg == p.bg; // one colour: no glyph to see
            expected[size_t(p.row - 1) * 80 + size_t(p.col - 1) + i] =
                blank ? ScreenCell{32, -1, p.fg == p.bg ? p.fg : p.bg} : ScreenCell{c, p.fg, p.bg};
        }
    for (int row = 1; row <= 25; ++row)
        for (int col = 1; col <= 80; ++col) {
            const ScreenCell& want = expected[size_t(row - 1) * 80 + size_t(col - 1)];
            const ScreenCell& got = screen_cell(screen, row, col);
            EXPECT_TRUE(got.character == want.character && got.fg == want.fg && got.bg == want.bg)
                << "row " << row << ", column " << col << ": " << int(got.character) << " in "
                << got.fg << " on " << got.bg << ", want " << int(want.character) << " in "
                << want.fg << " on " << want.bg;
        }
}

TEST_F(RuntimeWindow, TypedKeysReachBothQueues) {
    start(false, {});
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(xtest_key(display, XK_a));
    ASSERT_TRUE(xtest_key(display, XK_a, XTEST_SHIFT));
    ASSERT_TRUE(xtest_key(display, XK_Up));
    ASSERT_TRUE(xtest_key(display, XK_F1, XTEST_SHIFT));
    ASSERT_TRUE(xtest_key(display, XK_Return));

    const std::vector<std::string> inkeys = {"I 97", "I 65", "I 0,72", "I 0,84", "I 13"};
    const std::vector<std::string> hits = {
        "H 97",     "H -97",    "H 100304", "H 65",     "H -65",     "H -100304", "H 18432",
        "H -18432", "H 100304", "H 15104",  "H -15104", "H -100304", "H 13",      "H -13",
    };
    wait_screen([&](const TextScreen& s) { return echo_log(s, true).size() >= hits.size(); },
                react_ms);
    EXPECT_EQ(echo_log(screen, false), inkeys);
    EXPECT_EQ(echo_log(screen, true), hits);
}

// The pixels of the window's client area.
std::vector<uint32_t> picture(Display* display, Window window) {
    WindowCapture capture;
    xwin_capture(display, window, capture);
    return capture.pixels;
}

// While paused the program stands still, and the window keeps its picture although the display
// side goes on composing frames for the blinking cursor. The next key ends the pause.
TEST_F(RuntimeWindow, PauseFreezesThePictureUntilTheNextKey) {
    start(false, {});
    ASSERT_FALSE(HasFatalFailure());
    std::string count = screen_text(screen, 1, 60, 71);
    ASSERT_TRUE(wait_screen([&](const TextScreen& s) { return screen_text(s, 1, 60, 71) != count; },
                            react_ms))
        << "the counter runs";
    int cursor_bg = screen_cell(screen, 1, 80).bg;
    ASSERT_TRUE(wait_screen(
        [&](const TextScreen& s) { return screen_cell(s, 1, 80).bg != cursor_bg; }, react_ms))
        << "the cursor blinks";

    ASSERT_TRUE(xtest_key(display, XK_Pause));
    sleep_ms(100);
    std::vector<uint32_t> frozen = picture(display, window);
    ASSERT_FALSE(frozen.empty());
    for (int look = 0; look < 8; ++look) { // three blink phases of the cursor, seven counts
        sleep_ms(100);
        ASSERT_EQ(picture(display, window), frozen) << "the picture changed after " << look;
    }

    ASSERT_TRUE(xtest_key(display, XK_x));
    count = screen_text(screen, 1, 60, 71);
    EXPECT_TRUE(wait_screen([&](const TextScreen& s) { return screen_text(s, 1, 60, 71) != count; },
                            react_ms))
        << "the next key ends the pause";
    // Neither the Pause press nor the press that ended the pause is queued; their releases are.
    sleep_ms(100);
    ASSERT_TRUE(wait_screen([](const TextScreen&) { return true; }, react_ms));
    EXPECT_EQ(echo_log(screen, false), std::vector<std::string>{});
    EXPECT_EQ(echo_log(screen, true), (std::vector<std::string>{"H -100019", "H -120"}));
}

TEST_F(RuntimeWindow, CtrlBreakEndsTheProcessWithExitCode0) {
    start(false, {});
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(xtest_key(display, XK_Pause, XTEST_CONTROL));
    ASSERT_TRUE(program_wait(program, react_ms)) << "still running";
    EXPECT_TRUE(program.exited);
    EXPECT_EQ(program.exit_code, 0);
}

// The close request keeps the window: it stays on the screen while a long statement delays the
// orderly end, which then ends the process with exit code 0. Without a window manager the test
// sends the request itself; under openbox wmctrl asks the window manager to close the window.
TEST_F(RuntimeWindow, CloseRequestEndsTheProcessWithExitCode0AndKeepsTheWindowUntilThen) {
    for (bool window_manager : {false, true}) {
        SCOPED_TRACE(window_manager ? "under openbox" : "without a window manager");
        start(window_manager, {});
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(xtest_key(display, XK_s, XTEST_SHIFT)); // holds the program for 1.5 s
        ASSERT_TRUE(wait_screen([](const TextScreen& s) { return echo_log(s, false).size() == 1; },
                                react_ms));
        if (window_manager)
            run("wmctrl", {"-c", "Untitled"});
        else
            xwin_send_close_request(display, window);
        long long mapped_samples = 0;
        bool ended = wait_until(
            [&] {
                if (program_wait(program, 0)) return true;
                if (!viewable()) {
                    // The process may have ended just after the look above: the server then
                    // takes the window away with its connection.
                    EXPECT_TRUE(program_wait(program, 500))
                        << "the window went before the process ended";
                    return true;
                }
                ++mapped_samples;
                return false;
            },
            react_ms, 20);
        ASSERT_TRUE(ended) << "still running";
        EXPECT_GT(mapped_samples, 20) << "the process ended before the long statement did";
        EXPECT_TRUE(program.exited);
        EXPECT_EQ(program.exit_code, 0);
        TearDown();
        display = nullptr;
    }
}

TEST_F(RuntimeWindow, MaximisingUnderTheWindowManagerKeeps640x400) {
    start(true, {"pattern"});
    ASSERT_FALSE(HasFatalFailure());
    run("wmctrl", {"-r", "Untitled", "-b", "add,maximized_vert,maximized_horz"});
    sleep_ms(500);
    WindowGeometry geometry;
    ASSERT_TRUE(xwin_geometry(display, window, geometry));
    EXPECT_EQ(geometry.width, 640);
    EXPECT_EQ(geometry.height, 400);
    EXPECT_TRUE(wait_screen(
        [](const TextScreen& s) { return screen_text(s, 1, 1, 7) == "PATTERN"; }, react_ms))
        << screen.error << " / " << screen_text(screen, 1, 1, 7);
}

} // namespace
