// The map and the object commands: the exits must form a consistent town that the exit phrases
// describe truly, and the object commands must answer only where they belong.
#include "game/world.h"
#include "tests/support/shortest_way.h"

#include <gtest/gtest.h>

#include <array>
#include <iterator>
#include <queue>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr std::array<Direction, 4> Directions = {Direction::north, Direction::east,
                                                 Direction::south, Direction::west};

Direction opposite(Direction d) {
    switch (d) {
    case Direction::north:
        return Direction::south;
    case Direction::east:
        return Direction::west;
    case Direction::south:
        return Direction::north;
    case Direction::west:
        return Direction::east;
    }
    return d;
}

const char* word_of(Direction d) {
    switch (d) {
    case Direction::north:
        return "NORTH";
    case Direction::east:
        return "EAST";
    case Direction::south:
        return "SOUTH";
    case Direction::west:
        return "WEST";
    }
    return "";
}

int exit_count(int32_t location) {
    int count = 0;
    for (Direction d : Directions) count += world_exit(location, d) != 0;
    return count;
}

// Breadth-first distances (in moves) from `start`; -1 for unreachable. Index = location number.
std::vector<int> distances_from(int32_t start) {
    std::vector<int> distance(WORLD_LOCATION_COUNT + 1, -1);
    std::queue<int32_t> pending;
    distance[start] = 0;
    pending.push(start);
    while (!pending.empty()) {
        int32_t here = pending.front();
        pending.pop();
        for (Direction d : Directions) {
            int32_t there = world_exit(here, d);
            if (there != 0 && distance[there] < 0) {
                distance[there] = distance[here] + 1;
                pending.push(there);
            }
        }
    }
    return distance;
}

const WorldObject* object_at(int32_t location, const std::string& text) {
    return world_object_at(location, reinterpret_cast<const uint8_t*>(text.data()),
                           static_cast<int32_t>(text.size()));
}

TEST(WorldExits, LeadToOtherLocationsAndBackTheOppositeWay) {
    int north_south_links = 0;
    int east_west_links = 0;
    for (int32_t location = 1; location <= WORLD_LOCATION_COUNT; location++) {
        for (Direction d : Directions) {
            int32_t there = world_exit(location, d);
            if (there == 0) continue;
            ASSERT_GE(there, 1) << "location " << location;
            ASSERT_LE(there, WORLD_LOCATION_COUNT) << "location " << location;
            EXPECT_NE(there, location);
            EXPECT_EQ(world_exit(there, opposite(d)), location)
                << location << " leads " << word_of(d) << " to " << there
                << ", which does not lead back";
        }
        north_south_links += world_exit(location, Direction::north) != 0;
        east_west_links += world_exit(location, Direction::east) != 0;
    }
    EXPECT_EQ(north_south_links, 30);
    EXPECT_EQ(east_west_links, 24);
}

TEST(WorldExits, NoneOutsideTheMap) {
    for (int32_t location : {-1, 0, 53, 1000}) {
        for (Direction d : Directions) EXPECT_EQ(world_exit(location, d), 0) << location;
        EXPECT_STREQ(world_exit_phrase(location), "") << location;
    }
    EXPECT_EQ(world_exit(2, static_cast<Direction>(4)), 0);
}

// The compass is drawn by searching the phrase for the four words, so a phrase must name exactly
// the directions that have exits, in the form "A", "A OR B", "A, B, OR C" or "A, B, C, OR D",
// and nothing else.
TEST(WorldExitPhrases, NameExactlyTheExitsInTheUsualForm) {
    for (int32_t location = 1; location <= WORLD_LOCATION_COUNT; location++) {
        const std::string phrase = world_exit_phrase(location);
        SCOPED_TRACE("location " + std::to_string(location) + ": \"" + phrase + "\"");
        for (Direction d : Directions) {
            EXPECT_EQ(phrase.find(word_of(d)) != std::string::npos, world_exit(location, d) != 0)
                << word_of(d);
        }

        std::vector<std::string> words;
        std::istringstream in(phrase);
        for (std::string word; in >> word;) words.push_back(word);
        const int exits = exit_count(location);
        std::vector<std::string> expected_form;
        for (int i = 0; i < exits; i++) {
            std::string slot = "DIR";
            if (exits > 2 && i < exits - 1) slot += ",";
            if (exits > 1 && i == exits - 1) expected_form.push_back("OR");
            expected_form.push_back(slot);
        }
        ASSERT_EQ(words.size(), expected_form.size());
        std::set<std::string> named;
        for (size_t i = 0; i < words.size(); i++) {
            if (expected_form[i] == "OR") {
                EXPECT_EQ(words[i], "OR");
                continue;
            }
            std::string word = words[i];
            if (expected_form[i].back() == ',') {
                ASSERT_EQ(word.back(), ',');
                word.pop_back();
            }
            EXPECT_TRUE(word == "NORTH" || word == "EAST" || word == "SOUTH" || word == "WEST")
                << word;
            EXPECT_TRUE(named.insert(word).second) << word << " named twice";
        }
    }
}

TEST(WorldExitPhrases, KeepTheirOwnWordOrder) {
    struct Case {
        int32_t location;
        const char* phrase;
    };
    constexpr Case cases[] = {
        {1, "EAST"},
        {4, "SOUTH OR EAST"},
        {12, "NORTH, SOUTH, EAST, OR WEST"},
        {14, "WEST OR SOUTH"},
        {19, "WEST, EAST, OR SOUTH"},
        {23, "NORTH, SOUTH, OR EAST"},
        {26, "WEST OR SOUTH"},
        {52, "SOUTH"},
    };
    for (const Case& c : cases) EXPECT_STREQ(world_exit_phrase(c.location), c.phrase);
}

TEST(WorldMap, EveryLocationCanBeReachedFromTheStart) {
    const std::vector<int> distance = distances_from(WORLD_START_LOCATION);
    for (int32_t location = 1; location <= WORLD_LOCATION_COUNT; location++) {
        EXPECT_GE(distance[location], 0) << "location " << location << " cannot be reached";
    }
}

TEST(WorldMap, DeadEndsAreExactlyTheListedOnes) {
    std::set<int32_t> dead_ends;
    for (int32_t location = 1; location <= WORLD_LOCATION_COUNT; location++) {
        EXPECT_GE(exit_count(location), 1) << location;
        if (exit_count(location) == 1) dead_ends.insert(location);
    }
    EXPECT_EQ(dead_ends, (std::set<int32_t>{1, 20, 24, 28, 32, 35, 41, 47, 52}));
}

TEST(WorldMap, ShortestWayToTheManInTheSuitTakes35Moves) {
    EXPECT_EQ(distances_from(WORLD_START_LOCATION)[WORLD_TALK_LOCATION], 35);

    // The listed moves, followed from the start, pass exactly the listed locations.
    const std::vector<int32_t> expected = {1,  2,  9,  8,  7,  6,  10, 11, 12, 15, 18, 19,
                                           21, 22, 23, 25, 26, 27, 29, 30, 31, 33, 36, 37,
                                           38, 39, 40, 42, 43, 44, 45, 48, 49, 50, 51, 52};
    std::vector<int32_t> passed = {WORLD_START_LOCATION};
    for (const WayLeg& leg : ShortestWay) {
        for (int i = 0; i < leg.times; i++) {
            int32_t next = world_exit(passed.back(), leg.direction);
            ASSERT_NE(next, 0) << "no exit " << word_of(leg.direction) << " at " << passed.back();
            passed.push_back(next);
        }
    }
    EXPECT_EQ(passed, expected);
}

TEST(WorldObjects, AreTheElevenCommandsInTheInterpretersOrder) {
    struct Expected {
        int32_t location;
        const char* command;
        const TextBlock* response;
    };
    const Expected expected[] = {
        {8, "EXAMINE CAR", &ResponseExamineCar},
        {11, "EXAMINE PLATES OF FOOD", &ResponseExaminePlates},
        {11, "EAT FOOD", &ResponseEatFood},
        {19, "EXAMINE LOCKERS", &ResponseExamineLockers},
        {19, "OPEN LOCKERS", &ResponseOpenLockers},
        {23, "EXAMINE POSTER", &ResponseExaminePoster},
        {24, "EXAMINE TAPE RECORDER", &ResponseExamineRecorder},
        {24, "TAKE TAPE RECORDER", &ResponseTakeRecorder},
        {25, "EXAMINE NOTEBOOKS", &ResponseExamineNotebooks},
        {25, "READ NOTEBOOKS", &ResponseReadNotebooks},
        {40, "EXAMINE BILLBOARD", &ResponseExamineBillboard},
    };
    ASSERT_EQ(std::size(expected), static_cast<size_t>(WORLD_OBJECT_COUNT));
    for (int32_t i = 0; i < WORLD_OBJECT_COUNT; i++) {
        EXPECT_EQ(WorldObjects[i].location, expected[i].location) << i;
        EXPECT_STREQ(WorldObjects[i].command, expected[i].command) << i;
        EXPECT_EQ(WorldObjects[i].response, expected[i].response) << expected[i].command;
    }
}

TEST(WorldObjects, AnswerOnlyAtTheirOwnLocation) {
    for (const WorldObject& object : WorldObjects) {
        for (int32_t location = 0; location <= WORLD_LOCATION_COUNT + 1; location++) {
            const WorldObject* found = object_at(location, object.command);
            if (location == object.location) {
                EXPECT_EQ(found, &object) << object.command;
            } else {
                EXPECT_EQ(found, nullptr) << object.command << " at " << location;
            }
        }
    }
}

TEST(WorldObjects, MatchTheWholeTextExactly) {
    struct Case {
        int32_t location;
        std::string text;
    };
    const Case near_misses[] = {
        {8, "EXAMINE CAR "},
        {8, " EXAMINE CAR"},
        {8, "EXAMINE  CAR"},
        {8, "examine car"},
        {8, "EXAMINE CA"},
        {8, "EXAMINE CARS"},
        {8, "EXAMINE CAT"},
        {8, "IXAMINE CAR"},
        {8, std::string("EXAMINE CAR\0", 12)},
        {8, ""},
        {11, "EAT"},
        {24, "TAKE RECORDER"},
        {52, WORLD_TALK},
        {52, WORLD_TALK_TO_GUY},
    };
    for (const Case& c : near_misses) {
        EXPECT_EQ(object_at(c.location, c.text), nullptr) << "\"" << c.text << "\"";
    }

    // Only `length` bytes count: the text need not end where the command ends.
    const char buffer[] = "EXAMINE CARXYZ";
    EXPECT_EQ(world_object_at(8, reinterpret_cast<const uint8_t*>(buffer), 11), &WorldObjects[0]);
    EXPECT_EQ(world_object_at(8, reinterpret_cast<const uint8_t*>(buffer), 14), nullptr);
    EXPECT_EQ(world_object_at(8, nullptr, 11), nullptr);
    EXPECT_EQ(world_object_at(8, reinterpret_cast<const uint8_t*>(buffer), -1), nullptr);
}

} // namespace
