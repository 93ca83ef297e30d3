// The town: 52 numbered locations joined by compass exits, the exit phrase of each location, and
// the object commands that are accepted at one location only. Data and look-ups; nothing here
// prints or changes the game's state.
#pragma once

#include "game/texts.h"

#include <cstdint>

inline constexpr int32_t WORLD_LOCATION_COUNT = 52;
inline constexpr int32_t WORLD_START_LOCATION = 1;

// TALK, in either wording, wins the game at this location and does nothing elsewhere.
inline constexpr int32_t WORLD_TALK_LOCATION = 52;
inline constexpr char WORLD_TALK[] = "TALK";
inline constexpr char WORLD_TALK_TO_GUY[] = "TALK TO GUY IN SUIT";

enum class Direction : int32_t { north, east, south, west };

// The destination of the exit of `location` towards `direction`, or 0 when there is no exit
// there (or `location` is not one of 1 to 52).
int32_t world_exit(int32_t location, Direction direction);

// The exit phrase of `location`, such as "NORTH, EAST, OR WEST": it names exactly the directions
// that have exits. The empty text for a number outside 1 to 52.
const char* world_exit_phrase(int32_t location);

// An object command: a whole command text, the one location where it is accepted, and the lines
// shown in answer. No object command changes the game's state.
struct WorldObject {
    int32_t location;
    const char* command;
    const TextBlock* response;
};

// The object commands in the order in which the command interpreter tests them.
inline constexpr int32_t WORLD_OBJECT_COUNT = 11;
extern const WorldObject WorldObjects[WORLD_OBJECT_COUNT];

// The object command whose text is exactly the `length` bytes at `text` and that is accepted at
// `location`, or null. The comparison is byte-wise over the whole text: "EXAMINE CAR " or
// "examine car" match nothing.
const WorldObject* world_object_at(int32_t location, const uint8_t* text, int32_t length);
