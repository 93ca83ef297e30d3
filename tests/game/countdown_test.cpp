// The countdown of the command editor and the time left, on the screen set up as at start-up
// but without the runtime's threads.
#include "game/command_editor.h"
#include "game/state.h"
#include "platform/threads.h"
#include "runtime/clock.h"
#include "screen/text.h"
#include "tests/game/game_child.h"

#include <gtest/gtest.h>

namespace {

void set_up_screen() {
    char name[] = "empty-streets";
    char* argv[] = {name, nullptr};
    rt_set_up(1, argv);
}

} // namespace

TEST(Countdown, ShowsWholeMinutesAndTheSecondsLeftOver) {
    set_up_screen();
    struct Case {
        long double left;
        const char* shown; // row 2 from column 32
    } cases[] = {
        {545.25L, "   9:05.25"}, // 0 before the leading point
        {600.0L, "  10:0"},
        {539.7L, "   9:0-.3"},  // rounded to 540 s: 9 minutes and -0.3 s
        {59.5L, "   1:0-.5"},   // the half second before a whole minute
        {3.0L, "   0:3"},
        {0.25L, "   0:.25"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        scr_cls(0, 0, 0); // the editor draws each pass on the saved screen
        print_countdown(c.left);
        EXPECT_EQ(page_row(2).substr(31), c.shown);
    }
}

// Midnight restarts the time of day from 0; the time left runs on as if it had not.
TEST(Countdown, TheTimeLeftRunsOnAcrossMidnight) {
    set_up_screen();
    game_state_new();
    time_base_clock = uint32_t(clock_ms());
    time_base_midnight_ms = 86400000 - 300; // 23:59:59.700
    game->deadline = rt_timer(0.001, 1) + 600;
    EXPECT_NEAR(double(game_time_left()), 600.0, 0.01);
    platform_sleep_ms(500); // past midnight
    ASSERT_LT(rt_timer(0.001, 1), 1.0);
    EXPECT_NEAR(double(game_time_left()), 599.5, 0.1);

    game->deadline = 86390; // ran out at 23:59:50; it is 23:59:57
    time_base_midnight_ms = 86400000 - 3000;
    time_base_clock = uint32_t(clock_ms());
    EXPECT_NEAR(double(game_time_left()), -7.0, 0.1);
}
