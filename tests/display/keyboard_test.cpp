// Key translation and the two key queues, driven as the window layer drives them.
#include "display/keyboard.h"
#include "runtime/flags.h"
#include "runtime/low_memory.h"
#include "runtime/strings.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

void fresh_keyboard() {
    pending_error.store(0);
    pause_active.store(0);
    close_requested.store(0);
    sleep_wake.store(0);
    low_memory_clear();
    var_storage_init();
    dstr_low_area_init();
    keyboard_init(); // no X server in these tests: nothing is held
}

std::string inkey() {
    DynString* s = key_inkey();
    std::string text(reinterpret_cast<const char*>(s->data), size_t(s->len));
    dstr_free(s);
    return text;
}

std::vector<int32_t> hits() {
    std::vector<int32_t> codes;
    for (int32_t c = key_hit(); c != 0; c = key_hit()) codes.push_back(c);
    return codes;
}

// Presses and releases `code` with `modifiers` held around it, as the window layer reports them.
void type(int32_t code, std::vector<int32_t> modifiers = {}) {
    for (int32_t m : modifiers) key_down(m);
    key_down(code);
    key_up(code);
    for (int32_t m : modifiers) key_up(m);
}

std::string bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) s.push_back(char(b));
    return s;
}

struct KeyCase {
    const char* name;
    int32_t code; // as the window layer hands it to key_down
    std::vector<int32_t> modifiers;
    std::string inkey;         // what key_inkey returns
    std::vector<int32_t> hits; // what key_hit returns, modifiers left out
};

const std::vector<KeyCase> KeyCases = {
    {"a", 'a', {}, "a", {97, -97}},
    {"Enter", 13, {}, bytes({13}), {13, -13}},
    {"Backspace", 8, {}, bytes({8}), {8, -8}},
    {"Esc", 27, {}, bytes({27}), {27, -27}},
    {"Tab", 9, {}, bytes({9}), {9, -9}},
    {"Shift A", 'A', {KEY_LEFT_SHIFT}, "A", {65, -65}},
    {"Shift Tab", 9, {KEY_RIGHT_SHIFT}, bytes({0, 15}), {9, -9}},
    {"Ctrl A", key_char_code(1, true, false), {KEY_LEFT_CTRL}, bytes({1}), {97, -97}},
    {"Ctrl Enter", key_char_code(10, true, false), {KEY_RIGHT_CTRL}, bytes({10}), {13, -13}},
    {"Ctrl 2", '2', {KEY_LEFT_CTRL}, bytes({0, 3}), {50, -50}},
    {"Alt a", 'a', {KEY_LEFT_ALT}, bytes({0, 30}), {97, -97}},
    {"Alt space", ' ', {KEY_RIGHT_ALT}, "", {32, -32}},
    {"Alt Esc", 27, {KEY_LEFT_ALT}, "", {27, -27}},
    {"Up", KEY_UP, {}, bytes({0, 72}), {18432, -18432}},
    {"Shift F1", KEY_F1, {KEY_LEFT_SHIFT}, bytes({0, 84}), {15104, -15104}},
    {"Ctrl Left", KEY_LEFT, {KEY_LEFT_CTRL}, bytes({0, 115}), {19200, -19200}},
    {"Alt F4",
     KEY_F1 + 0x300,
     {KEY_LEFT_ALT},
     bytes({0, 107}),
     {KEY_F1 + 0x300, -(KEY_F1 + 0x300)}},
    {"F12", KEY_F12, {}, bytes({0, 134}), {34304, -34304}},
    {"Delete", key_char_code(127, false, false), {}, bytes({0, 83}), {21248, -21248}},
    {"Ctrl Backspace",
     key_char_code(127, true, false),
     {KEY_LEFT_CTRL},
     bytes({0, 147}),
     {21248, -21248}},
    {"code 0", 0, {}, bytes({0}), {200013, -200013}},
    {"an unlisted extended key", 0x1200, {}, bytes({0, 0x12}), {0x1200, -0x1200}},
    {"character above 127", 200, {KEY_LEFT_ALT}, bytes({200}), {200, -200}},
    {"Alt Enter is swallowed", 13, {KEY_LEFT_ALT}, "", {-13}},
};

} // namespace

TEST(Keyboard, TranslatesEveryKindOfKeyIntoBothQueues) {
    for (const KeyCase& c : KeyCases) {
        SCOPED_TRACE(c.name);
        fresh_keyboard();
        type(c.code, c.modifiers);
        EXPECT_EQ(inkey(), c.inkey);
        EXPECT_EQ(inkey(), "");
        std::vector<int32_t> expected;
        for (int32_t m : c.modifiers) expected.push_back(m);
        expected.insert(expected.end(), c.hits.begin(), c.hits.end());
        for (int32_t m : c.modifiers) expected.push_back(-m);
        EXPECT_EQ(hits(), expected);
    }
}

TEST(Keyboard, CtrlTranslationOfTheWindowLayersBytes) {
    EXPECT_EQ(key_char_code(1, true, false), 'a');
    EXPECT_EQ(key_char_code(1, true, true), 'A');
    EXPECT_EQ(key_char_code(26, true, false), 'z');
    EXPECT_EQ(key_char_code(10, true, false), 13);
    EXPECT_EQ(key_char_code(10, false, false), 10);
    EXPECT_EQ(key_char_code(1, false, false), 1);
    EXPECT_EQ(key_char_code(127, false, false), KEY_DELETE);
    EXPECT_EQ(key_special_code(GLUT_KEY_F10), 0x4400);
    EXPECT_EQ(key_special_code(GLUT_KEY_SHIFT_L), KEY_LEFT_SHIFT);
    EXPECT_EQ(key_special_code(GLUT_KEY_ALT_R), KEY_RIGHT_ALT);
    EXPECT_EQ(key_special_code(GLUT_KEY_REPEAT_OFF), 0);
}

TEST(Keyboard, TheSixteenthKeyIsLostForInkeyButNotForKeyHit) {
    fresh_keyboard();
    for (int i = 0; i < 16; ++i) key_down('a' + i);
    std::string read;
    for (std::string k = inkey(); !k.empty(); k = inkey()) read += k;
    EXPECT_EQ(read, "abcdefghijklmno");
    std::vector<int32_t> codes = hits();
    ASSERT_EQ(codes.size(), 16u);
    EXPECT_EQ(codes.back(), 'p');
}

TEST(Keyboard, AFullKeyHitQueueDropsItsOldestCode) {
    fresh_keyboard();
    for (int32_t i = 1; i <= 8192; ++i) key_up(i);
    std::vector<int32_t> codes = hits();
    ASSERT_EQ(codes.size(), 8191u);
    EXPECT_EQ(codes.front(), -2);
    EXPECT_EQ(codes.back(), -8192);
}

TEST(Keyboard, PauseHoldsUntilTheNextKeyWhichIsConsumed) {
    fresh_keyboard();
    key_down(KEY_PAUSE);
    EXPECT_EQ(pause_active.load() & 1, 1);
    EXPECT_EQ(event_pending.load(), 1);
    key_up(KEY_PAUSE);
    sleep_wake.store(0);
    type('x');
    EXPECT_EQ(pause_active.load() & 1, 0);
    EXPECT_EQ(sleep_wake.load(), 1);
    EXPECT_EQ(inkey(), "");
    EXPECT_EQ(hits(), (std::vector<int32_t>{-KEY_PAUSE, -'x'}));

    // Ctrl with Num Lock turning on pauses too.
    key_down(KEY_LEFT_CTRL);
    key_down(KEY_NUM_LOCK);
    EXPECT_EQ(pause_active.load() & 1, 1);
}

TEST(Keyboard, BreakRequestsTheEndAndQueuesNothing) {
    fresh_keyboard();
    key_down(KEY_BREAK);
    key_up(KEY_BREAK);
    EXPECT_EQ(close_requested.load(), 1);
    EXPECT_EQ(inkey(), "");
    EXPECT_EQ(hits(), (std::vector<int32_t>{-KEY_BREAK}));
}

TEST(Keyboard, EveryPressWakesASleepButNoRelease) {
    fresh_keyboard();
    key_up('q');
    EXPECT_EQ(sleep_wake.load(), 0);
    key_down(KEY_LEFT_ALT);
    EXPECT_EQ(sleep_wake.load(), 1);
    sleep_wake.store(0);
    key_down(13); // swallowed with Alt held, but still wakes
    EXPECT_EQ(sleep_wake.load(), 1);
}

TEST(Keyboard, InkeyReturnsNothingWhileAnErrorIsPending) {
    fresh_keyboard();
    type('k');
    pending_error.store(5);
    EXPECT_EQ(inkey(), "");
    pending_error.store(0);
    EXPECT_EQ(inkey(), "k");
}

TEST(Keyboard, HeldKeysHaveNoDuplicatesAndUnknownReleasesOnlyQueue) {
    fresh_keyboard();
    key_down(KEY_LEFT_SHIFT);
    key_down(KEY_LEFT_SHIFT);
    key_up(KEY_LEFT_SHIFT);
    EXPECT_FALSE(key_is_held(KEY_LEFT_SHIFT));
    key_up('z');
    EXPECT_EQ(hits(),
              (std::vector<int32_t>{KEY_LEFT_SHIFT, KEY_LEFT_SHIFT, -KEY_LEFT_SHIFT, -'z'}));
}
