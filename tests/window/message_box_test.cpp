// The real message box on a private X server, answered with real keys and clicks through XTest.
// Each box runs in a forked child that ends with the box's answer as its exit code.
#include <gtest/gtest.h> // before Xlib, whose None and Bool macros it cannot stand

#include "platform/message_box.h"
#include "tests/window/support/wait.h"
#include "tests/window/support/xclient.h"
#include "tests/window/support/xserver.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int find_ms = 3000;
constexpr int answer_ms = 3000;
constexpr int screen_width = 1280;
constexpr int screen_height = 1024;

struct Key {
    unsigned long keysym;
    unsigned modifiers;
};

struct BoxOnScreen {
    TestProgram program;
    Window window;
};

bool is_dark(uint32_t pixel) {
    return ((pixel >> 16) & 0xff) < 0x40 && ((pixel >> 8) & 0xff) < 0x40 && (pixel & 0xff) < 0x40;
}

bool row_has_dark(const WindowCapture& capture, int y) {
    for (int x = 0; x < capture.width; x++)
        if (is_dark(capture_pixel(capture, x, y))) return true;
    return false;
}

// Runs of rows that hold dark pixels: one per line of text, one for the row of buttons.
int dark_bands(const WindowCapture& capture) {
    int bands = 0;
    bool inside = false;
    for (int y = 0; y < capture.height; y++) {
        bool dark = row_has_dark(capture, y);
        if (dark && !inside) bands++;
        inside = dark;
    }
    return bands;
}

// The buttons as the capture shows them: the lowest dark row is their bottom edge, and each
// button is one run of dark pixels on it. Returns {first x, last x} per button and that row.
std::vector<std::pair<int, int>> button_edges(const WindowCapture& capture, int* edge_y) {
    std::vector<std::pair<int, int>> runs;
    int y = capture.height - 1;
    while (y >= 0 && !row_has_dark(capture, y)) y--;
    *edge_y = y;
    for (int x = 0; y >= 0 && x < capture.width; x++) {
        if (!is_dark(capture_pixel(capture, x, y))) continue;
        if (runs.empty() || runs.back().second != x - 1)
            runs.push_back({x, x});
        else
            runs.back().second = x;
    }
    return runs;
}

class MessageBoxOnServer : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(xserver_start(server));
        setenv("DISPLAY", server.display.c_str(), 1);
        display = xclient_open(server);
        ASSERT_NE(display, nullptr);
    }

    void TearDown() override {
        for (pid_t pid : running) {
            TestProgram left{pid, false, -1, 0};
            program_stop(left);
        }
        if (display) XCloseDisplay(display);
        xserver_stop(server);
    }

    // Shows the box in a child and waits until it is on the screen with the focus.
    BoxOnScreen show(const char* text, const char* caption, int buttons, bool system_modal,
                     Window owner = None) {
        BoxOnScreen box{};
        program_fork(box.program, [=] {
            message_box_set_owner_window(owner);
            return xlib_message_box(text, caption, buttons, system_modal);
        });
        running.push_back(box.program.pid);
        box.window = xwin_find_by_title(display, caption, find_ms);
        if (box.window != None)
            wait_until([&] { return xwin_focus(display) == box.window; }, find_ms);
        return box;
    }

    // The box's answer once it has gone, or -1 when it is still there after the wait.
    int answer(BoxOnScreen& box, int timeout_ms = answer_ms) {
        pid_t pid = box.program.pid;
        if (!program_wait(box.program, timeout_ms)) return -1;
        running.erase(std::remove(running.begin(), running.end(), pid), running.end());
        return box.program.exited ? box.program.exit_code : -2;
    }

    XServer server{};
    Display* display = nullptr;
    std::vector<pid_t> running; // boxes not yet reaped, killed at the end of a failed test
};

TEST_F(MessageBoxOnServer, KeysAnswerWithTheFocusedButton) {
    struct Case {
        int buttons;
        std::vector<Key> keys;
        int expected;
    };
    const Case cases[] = {
        {MESSAGE_BOX_YES_NO, {{XK_Return, 0}}, MESSAGE_BOX_YES},
        {MESSAGE_BOX_YES_NO, {{XK_Escape, 0}}, MESSAGE_BOX_NO},
        {MESSAGE_BOX_YES_NO, {{XK_Tab, 0}, {XK_Return, 0}}, MESSAGE_BOX_NO},
        {MESSAGE_BOX_YES_NO, {{XK_Right, 0}, {XK_space, 0}}, MESSAGE_BOX_NO},
        {MESSAGE_BOX_YES_NO, {{XK_Tab, 0}, {XK_Tab, 0}, {XK_Return, 0}}, MESSAGE_BOX_YES},
        {MESSAGE_BOX_YES_NO, {{XK_Tab, XTEST_SHIFT}, {XK_KP_Enter, 0}}, MESSAGE_BOX_NO},
        {MESSAGE_BOX_YES_NO, {{XK_Down, 0}, {XK_Up, 0}, {XK_space, 0}}, MESSAGE_BOX_YES},
        {MESSAGE_BOX_YES_NO, {{XK_a, 0}, {XK_n, 0}, {XK_F1, 0}, {XK_Return, 0}}, MESSAGE_BOX_YES},
        {MESSAGE_BOX_OK, {{XK_Return, 0}}, MESSAGE_BOX_ANSWER_OK},
        {MESSAGE_BOX_OK, {{XK_Escape, 0}}, MESSAGE_BOX_ANSWER_OK},
        {MESSAGE_BOX_OK, {{XK_Tab, 0}, {XK_space, 0}}, MESSAGE_BOX_ANSWER_OK},
    };
    int number = 0;
    for (const Case& c : cases) {
        std::string caption = "Keys " + std::to_string(++number);
        SCOPED_TRACE(caption);
        BoxOnScreen box = show("Line:7\nOverflow\nContinue?", caption.c_str(), c.buttons, true);
        ASSERT_NE(box.window, None);
        ASSERT_EQ(xwin_focus(display), box.window);
        for (const Key& k : c.keys) ASSERT_TRUE(xtest_key(display, k.keysym, k.modifiers));
        EXPECT_EQ(answer(box), c.expected);
    }
}

TEST_F(MessageBoxOnServer, ShowsCaptionTextAndButtonsCentredOnTheScreen) {
    const char* caption = "Unhandled Error #9";
    BoxOnScreen box =
        show("Line:123\nSubscript out of range\nContinue?", caption, MESSAGE_BOX_YES_NO, true);
    ASSERT_NE(box.window, None);
    EXPECT_EQ(xwin_text_property(display, box.window, "WM_NAME"), caption);
    EXPECT_EQ(xwin_text_property(display, box.window, "_NET_WM_NAME"), caption);
    EXPECT_EQ(xwin_find_by_pid(display, box.program.pid, find_ms), box.window);
    std::vector<std::string> state = xwin_atom_names(display, box.window, "_NET_WM_STATE");
    EXPECT_NE(std::find(state.begin(), state.end(), "_NET_WM_STATE_ABOVE"), state.end());
    EXPECT_NE(std::find(state.begin(), state.end(), "_NET_WM_STATE_MODAL"), state.end());

    WindowGeometry geometry;
    ASSERT_TRUE(xwin_geometry(display, box.window, geometry));
    EXPECT_NEAR(geometry.x + geometry.width / 2, screen_width / 2, 1);
    EXPECT_NEAR(geometry.y + geometry.height / 2, screen_height / 2, 1);
    XFontStruct* font = XLoadQueryFont(display, "fixed");
    ASSERT_NE(font, nullptr);
    EXPECT_GT(geometry.width, XTextWidth(font, "Subscript out of range", 22));
    XFreeFont(display, font);

    // Three lines of text above one row of two buttons.
    WindowCapture capture;
    int edge_y = 0;
    EXPECT_TRUE(wait_until(
        [&] {
            return xwin_capture(display, box.window, capture) &&
                   button_edges(capture, &edge_y).size() == 2 && dark_bands(capture) == 4;
        },
        find_ms));
    EXPECT_EQ(capture_pixel(capture, 1, 1), 0xd8d8d8u); // the light grey face of the box
    xtest_key(display, XK_Return);
    EXPECT_EQ(answer(box), MESSAGE_BOX_YES);
}

TEST_F(MessageBoxOnServer, ClickOnNoAnswersNoAndClicksBesideTheButtonsDoNothing) {
    BoxOnScreen box = show("Line:1\nType mismatch\nContinue?", "Click", MESSAGE_BOX_YES_NO, true);
    ASSERT_NE(box.window, None);
    WindowCapture capture;
    std::vector<std::pair<int, int>> buttons;
    int edge_y = 0;
    ASSERT_TRUE(wait_until(
        [&] {
            if (!xwin_capture(display, box.window, capture)) return false;
            buttons = button_edges(capture, &edge_y);
            return buttons.size() == 2;
        },
        find_ms));
    WindowGeometry geometry;
    ASSERT_TRUE(xwin_geometry(display, box.window, geometry));
    xtest_click(display, geometry.x + 4, geometry.y + 4);
    xtest_click(display, geometry.x + (buttons[0].second + buttons[1].first) / 2,
                geometry.y + edge_y - 4);
    EXPECT_EQ(answer(box, 300), -1);
    xtest_click(display, geometry.x + (buttons[1].first + buttons[1].second) / 2,
                geometry.y + edge_y - 4);
    EXPECT_EQ(answer(box), MESSAGE_BOX_NO);
}

TEST_F(MessageBoxOnServer, CentredOverTheOwnerWindowAndTransientForIt) {
    Window owner =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 100, 150, 640, 400, 0, 0, 0);
    XMapWindow(display, owner);
    WindowGeometry owner_geometry;
    ASSERT_TRUE(wait_until(
        [&] {
            return xwin_geometry(display, owner, owner_geometry) &&
                   owner_geometry.map_state == IsViewable;
        },
        find_ms));
    BoxOnScreen box = show("Division by zero", "Critical Error", MESSAGE_BOX_OK, true, owner);
    ASSERT_NE(box.window, None);
    WindowGeometry geometry;
    ASSERT_TRUE(xwin_geometry(display, box.window, geometry));
    EXPECT_NEAR(geometry.x + geometry.width / 2, 100 + 320, 1);
    EXPECT_NEAR(geometry.y + geometry.height / 2, 150 + 200, 1);
    Window transient_for = None;
    EXPECT_TRUE(XGetTransientForHint(display, box.window, &transient_for));
    EXPECT_EQ(transient_for, owner);
    ASSERT_TRUE(xtest_type(display, "qQ\n")); // letters do nothing, Return answers
    EXPECT_EQ(answer(box), MESSAGE_BOX_ANSWER_OK);
}

// A key still held from the game, and its repeats, must not answer the box: only a key pressed
// after the box appeared does.
TEST_F(MessageBoxOnServer, KeyHeldWhenTheBoxAppearsDoesNotAnswerIt) {
    ASSERT_TRUE(xtest_key_down(display, XK_Return));
    BoxOnScreen box = show("Line:2\nOverflow\nContinue?", "Held", MESSAGE_BOX_YES_NO, true);
    ASSERT_NE(box.window, None);
    EXPECT_EQ(answer(box, 800), -1);
    ASSERT_TRUE(xtest_key_up(display, XK_Return));
    EXPECT_EQ(answer(box, 100), -1);
    xtest_key(display, XK_Escape);
    EXPECT_EQ(answer(box), MESSAGE_BOX_NO);
}

void destroy_window(Display* display, Window window) {
    XDestroyWindow(display, window);
    XSync(display, False);
}

TEST_F(MessageBoxOnServer, ClosedOrDestroyedBoxAnswersFailed) {
    void (*ways[])(Display*, Window) = {xwin_send_close_request, destroy_window};
    for (auto close : ways) {
        BoxOnScreen box = show("Line:3\nOverflow\nContinue?", "Closed", MESSAGE_BOX_YES_NO, true);
        ASSERT_NE(box.window, None);
        close(display, box.window);
        EXPECT_EQ(answer(box), MESSAGE_BOX_FAILED);
        EXPECT_EQ(xwin_find_by_title(display, "Closed", 0), None);
    }
}

// Under a window manager: the box is kept above, gets the focus, and the manager's close answers
// as a box that could not be shown.
TEST_F(MessageBoxOnServer, UnderAWindowManagerStaysAboveAndCloses) {
    ASSERT_TRUE(xserver_start_window_manager(server));
    BoxOnScreen box = show("Line:4\nOverflow\nContinue?", "Managed", MESSAGE_BOX_YES_NO, true);
    ASSERT_NE(box.window, None);
    EXPECT_EQ(xwin_focus(display), box.window);
    std::vector<std::string> state = xwin_atom_names(display, box.window, "_NET_WM_STATE");
    EXPECT_NE(std::find(state.begin(), state.end(), "_NET_WM_STATE_ABOVE"), state.end());
    TestProgram wmctrl;
    ASSERT_TRUE(program_launch(wmctrl, server, "wmctrl", {"-c", "Managed"}));
    EXPECT_TRUE(program_wait(wmctrl, answer_ms));
    EXPECT_EQ(wmctrl.exit_code, 0);
    EXPECT_EQ(answer(box), MESSAGE_BOX_FAILED);
}

TEST(MessageBoxWithoutDisplay, AnswersFailedAtOnce) {
    const char* displays[] = {nullptr, "", ":4093"};
    ASSERT_NE(access("/tmp/.X11-unix/X4093", F_OK), 0) << "a server runs on :4093";
    for (const char* d : displays) {
        SCOPED_TRACE(d ? d : "(unset)");
        if (d)
            setenv("DISPLAY", d, 1);
        else
            unsetenv("DISPLAY");
        TestProgram box;
        ASSERT_TRUE(program_fork(box, [] {
            return xlib_message_box("Line:1\nOverflow\nContinue?", "Nowhere", MESSAGE_BOX_YES_NO,
                                    true);
        }));
        bool ended = program_wait(box, answer_ms);
        if (!ended) program_stop(box);
        EXPECT_TRUE(ended);
        EXPECT_TRUE(box.exited);
        EXPECT_EQ(box.exit_code, MESSAGE_BOX_FAILED);
    }
}

} // namespace
