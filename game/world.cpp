#include "game/world.h"

#include <cstring>

namespace {

// One location: its number, the destination of each exit (0 for none) in the order of Direction
// (north, east, south, west), and its exit phrase.
struct LocationExits {
    int32_t number;
    int32_t exit[4];
    const char* exit_phrase;
};

// clang-format off
constexpr LocationExits ExitTable[WORLD_LOCATION_COUNT] = {
//   No.    N   E   S   W    exit phrase
    { 1, { 0,  2,  0,  0}, "EAST"},
    { 2, { 3,  9,  0,  1}, "NORTH, EAST, OR WEST"},
    { 3, { 4,  0,  2,  0}, "NORTH OR SOUTH"},
    { 4, { 0,  5,  3,  0}, "SOUTH OR EAST"},
    { 5, { 0,  6,  0,  4}, "EAST OR WEST"},
    { 6, {10,  0,  7,  5}, "NORTH, SOUTH, OR WEST"},
    { 7, { 6,  0,  8,  0}, "NORTH OR SOUTH"},
    { 8, { 7,  0,  0,  9}, "NORTH OR WEST"},
    { 9, { 0,  8,  0,  2}, "EAST OR WEST"},
    {10, {11,  0,  6,  0}, "NORTH OR SOUTH"},
    {11, {12,  0, 10,  0}, "NORTH OR SOUTH"},
    {12, {15, 13, 11, 16}, "NORTH, SOUTH, EAST, OR WEST"},
    {13, {14,  0,  0, 12}, "NORTH OR WEST"},
    {14, { 0,  0, 13, 15}, "WEST OR SOUTH"},
    {15, {18, 14, 12, 17}, "NORTH, SOUTH, EAST, OR WEST"},
    {16, {17, 12,  0,  0}, "NORTH OR EAST"},
    {17, { 0, 15, 16,  0}, "SOUTH OR EAST"},
    {18, {19,  0, 15,  0}, "NORTH OR SOUTH"},
    {19, { 0, 21, 18, 20}, "WEST, EAST, OR SOUTH"},
    {20, { 0, 19,  0,  0}, "EAST"},
    {21, { 0, 22,  0, 19}, "EAST OR WEST"},
    {22, {23,  0,  0, 21}, "NORTH OR WEST"},
    {23, {25, 24, 22,  0}, "NORTH, SOUTH, OR EAST"},
    {24, { 0,  0,  0, 23}, "WEST"},
    {25, {26,  0, 23,  0}, "NORTH OR SOUTH"},
    {26, { 0,  0, 25, 27}, "WEST OR SOUTH"},
    {27, {29, 26,  0, 28}, "NORTH, EAST, OR WEST"},
    {28, { 0, 27,  0,  0}, "EAST"},
    {29, {30,  0, 27,  0}, "NORTH OR SOUTH"},
    {30, {31,  0, 29,  0}, "NORTH OR SOUTH"},
    {31, {33, 32, 30,  0}, "NORTH, SOUTH, OR EAST"},
    {32, { 0,  0,  0, 31}, "WEST"},
    {33, {36,  0, 31, 34}, "NORTH, SOUTH, OR WEST"},
    {34, { 0, 33,  0, 35}, "EAST OR WEST"},
    {35, { 0, 34,  0,  0}, "EAST"},
    {36, { 0, 37, 33,  0}, "EAST OR SOUTH"},
    {37, { 0, 38,  0, 36}, "EAST OR WEST"},
    {38, {39,  0,  0, 37}, "NORTH OR WEST"},
    {39, {40,  0, 38,  0}, "NORTH OR SOUTH"},
    {40, {42,  0, 39, 41}, "NORTH, SOUTH, OR WEST"},
    {41, { 0, 40,  0,  0}, "EAST"},
    {42, {43,  0, 40,  0}, "NORTH OR SOUTH"},
    {43, {44,  0, 42,  0}, "NORTH OR SOUTH"},
    {44, {45,  0, 43,  0}, "NORTH OR SOUTH"},
    {45, {46,  0, 44, 48}, "NORTH, SOUTH, OR WEST"},
    {46, { 0, 47, 45,  0}, "SOUTH OR EAST"},
    {47, { 0,  0,  0, 46}, "WEST"},
    {48, {49, 45,  0,  0}, "NORTH OR EAST"},
    {49, {50,  0, 48,  0}, "NORTH OR SOUTH"},
    {50, { 0, 51, 49,  0}, "EAST OR SOUTH"},
    {51, {52,  0,  0, 50}, "NORTH OR WEST"},
    {52, { 0,  0, 51,  0}, "SOUTH"},
};
// clang-format on

// The row of a location number, or null outside 1 to 52. The table is in number order, which a
// compile-time check below keeps true.
const LocationExits* exits_of(int32_t location) {
    if (location < 1 || location > WORLD_LOCATION_COUNT) return nullptr;
    return &ExitTable[location - 1];
}

constexpr bool rows_in_number_order() {
    for (int32_t i = 0; i < WORLD_LOCATION_COUNT; i++) {
        if (ExitTable[i].number != i + 1) return false;
    }
    return true;
}
static_assert(rows_in_number_order(), "the exit table must list locations 1 to 52 in order");

} // namespace

// clang-format off
constexpr WorldObject WorldObjects[WORLD_OBJECT_COUNT] = {
    { 8, "EXAMINE CAR",            &ResponseExamineCar},
    {11, "EXAMINE PLATES OF FOOD", &ResponseExaminePlates},
    {11, "EAT FOOD",               &ResponseEatFood},
    {19, "EXAMINE LOCKERS",        &ResponseExamineLockers},
    {19, "OPEN LOCKERS",           &ResponseOpenLockers},
    {23, "EXAMINE POSTER",         &ResponseExaminePoster},
    {24, "EXAMINE TAPE RECORDER",  &ResponseExamineRecorder},
    {24, "TAKE TAPE RECORDER",     &ResponseTakeRecorder},
    {25, "EXAMINE NOTEBOOKS",      &ResponseExamineNotebooks},
    {25, "READ NOTEBOOKS",         &ResponseReadNotebooks},
    {40, "EXAMINE BILLBOARD",      &ResponseExamineBillboard},
};
// clang-format on

int32_t world_exit(int32_t location, Direction direction) {
    const LocationExits* row = exits_of(location);
    const int32_t d = static_cast<int32_t>(direction);
    if (row == nullptr || d < 0 || d > 3) return 0;
    return row->exit[d];
}

const char* world_exit_phrase(int32_t location) {
    const LocationExits* row = exits_of(location);
    return row == nullptr ? "" : row->exit_phrase;
}

const WorldObject* world_object_at(int32_t location, const uint8_t* text, int32_t length) {
    if (text == nullptr || length <= 0) return nullptr;
    const size_t size = static_cast<size_t>(length);
    for (const WorldObject& object : WorldObjects) {
        if (object.location != location || std::strlen(object.command) != size) continue;
        if (std::memcmp(object.command, text, size) == 0) return &object;
    }
    return nullptr;
}
