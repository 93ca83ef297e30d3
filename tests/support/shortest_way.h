// The shortest way from location 1 to the man in the suit at 52: 35 moves in twelve legs. The
// world's tests check it; the game's window tests and benchmark walk it.
#pragma once

#include "game/world.h"

// A command typed `times` times, each a move in `direction`.
struct WayLeg {
    const char* command;
    Direction direction;
    int times;
};

inline constexpr WayLeg ShortestWay[] = {
    {"e", Direction::east, 3},  {"n", Direction::north, 8}, {"e", Direction::east, 2},
    {"n", Direction::north, 3}, {"w", Direction::west, 1},  {"n", Direction::north, 5},
    {"e", Direction::east, 2},  {"n", Direction::north, 6}, {"w", Direction::west, 1},
    {"n", Direction::north, 2}, {"e", Direction::east, 1},  {"n", Direction::north, 1},
};
