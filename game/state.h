// The state of one game: where the player is, how many descriptions have been shown, the command
// of the current turn and the time limit. It lives in variable storage from the start of game_main
// to the end of the program; there is no restart, no save and no load.
#pragma once

#include "game/world.h"

#include <cstdint>

struct DynString;

struct GameState {
    int32_t location;           // 1 to 52; changes only by moving
    int32_t moves;              // descriptions shown so far; shown on the turn screen
    DynString* command;         // the command of the current turn, upper case and trimmed
    int32_t time_limit_minutes; // the time limit, 10 minutes and 0 seconds
    int32_t time_limit_seconds;
    int32_t time_limit;         // in seconds: 600
    double deadline;            // time of day (seconds since midnight) at which the time runs out
    DynString* exit_phrase[WORLD_LOCATION_COUNT + 1]; // indexed 1 to 52
};

extern GameState* game;

// Allocates the state in variable storage with its strings, all empty, and puts the player at
// location 1 with no moves made.
void game_state_new();

// Sets the time limit of 10 minutes and fills in the exit phrases.
void game_state_fill();

// Prints the description of the current location from the cursor on, one line per row, and
// counts the move.
void describe_location();

// Seconds left before the time limit: the deadline less the time of day, worked out modulo a day
// so that the count runs on across midnight.
long double game_time_left();
