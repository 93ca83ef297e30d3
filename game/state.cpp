#include "game/state.h"

#include "game/statement.h"
#include "runtime/clock.h"

#include <cmath>

namespace {
constexpr int32_t STATEMENTS = 40000;
constexpr long double SECONDS_PER_DAY = 86400;
} // namespace

GameState* game;

void game_state_new() {
    game = static_cast<GameState*>(var_alloc(int32_t(sizeof(GameState))));
    game->location = WORLD_START_LOCATION;
    game->moves = 0;
    game->command = dstr_new(0, 0);
    game->time_limit_minutes = 0;
    game->time_limit_seconds = 0;
    game->time_limit = 0;
    game->deadline = 0;
    game->exit_phrase[0] = nullptr;
    for (int32_t i = 1; i <= WORLD_LOCATION_COUNT; ++i) game->exit_phrase[i] = dstr_new(0, 0);
}

void game_state_fill() {
    const uint32_t mark = dstr_temp_top();
    game->time_limit_minutes = 10;
    end_statement(mark, STATEMENTS);
    game->time_limit_seconds = 0;
    end_statement(mark, STATEMENTS);
    game->time_limit = game->time_limit_minutes * 60 + game->time_limit_seconds;
    end_statement(mark, STATEMENTS);
    for (int32_t i = 1; i <= WORLD_LOCATION_COUNT; ++i) {
        dstr_assign(game->exit_phrase[i], literal(world_exit_phrase(i)));
        end_statement(mark, STATEMENTS);
    }
}

void describe_location() {
    const uint32_t mark = dstr_temp_top();
    const TextBlock& description = text_description(game->location);
    for (int32_t i = 0; i < description.count; ++i) {
        print_line(literal(description.lines[i]));
        end_statement(mark, STATEMENTS);
    }
    if (stmt_may_run()) game->moves += 1;
    end_statement(mark, STATEMENTS);
}

// The clock is the time of day and starts again from 0 at midnight; the remaining time is brought
// into the half-day around 0, where it always lies, so that it neither jumps by a day nor hands
// the player one.
long double game_time_left() {
    long double left = (long double)game->deadline - (long double)rt_timer(0.001, 1);
    left = std::fmod(left, SECONDS_PER_DAY);
    if (left > SECONDS_PER_DAY / 2) left -= SECONDS_PER_DAY;
    if (left <= -SECONDS_PER_DAY / 2) left += SECONDS_PER_DAY;
    return left;
}
