#include "display/keyboard.h"

#include "platform/key_state.h"
#include "platform/threads.h"
#include "runtime/flags.h"
#include "runtime/low_memory.h"
#include "runtime/shared_bytes.h"
#include "runtime/strings.h"

#include <GL/freeglut.h>
#include <array>
#include <atomic>
#include <mutex>
#include <vector>

namespace {

// --- KeyTable ---------------------------------------------------------------------------------
// For each key the scan code and the value queued with no modifier, Shift, Ctrl and Alt. A value
// of 0 queues nothing; 256 or more queues (0, value >> 8); below 256 queues (value, scan code).
struct KeyTableEntry {
    uint8_t scan;
    int32_t value[4];
};
enum { COLUMN_NONE, COLUMN_SHIFT, COLUMN_CTRL, COLUMN_ALT };

struct CharacterKey {
    char unshifted, shifted;
    uint8_t scan;
    int32_t ctrl, alt;
};

// Keys other than letters, with the character Shift gives. Each character queues itself with no
// modifier and with Shift.
constexpr CharacterKey CharacterKeys[] = {
    {'1', '!', 2, 0, 120 << 8},   {'2', '@', 3, 3 << 8, 121 << 8}, {'3', '#', 4, 0, 122 << 8},
    {'4', '$', 5, 0, 123 << 8},   {'5', '%', 6, 0, 124 << 8},      {'6', '^', 7, 30, 125 << 8},
    {'7', '&', 8, 0, 126 << 8},   {'8', '*', 9, 0, 127 << 8},      {'9', '(', 10, 0, 128 << 8},
    {'0', ')', 11, 0, 129 << 8},  {'-', '_', 12, 31, 130 << 8},    {'=', '+', 13, 0, 131 << 8},
    {'[', '{', 26, 27, 26 << 8},  {']', '}', 27, 29, 27 << 8},     {'\\', '|', 43, 28, 43 << 8},
    {';', ':', 39, 0, 39 << 8},   {'\'', '"', 40, 0, 40 << 8},     {'`', '~', 41, 0, 41 << 8},
    {',', '<', 51, 0, 51 << 8},   {'.', '>', 52, 0, 52 << 8},      {'/', '?', 53, 0, 53 << 8},
};

// Scan codes of the letters A to Z.
constexpr uint8_t LetterScan[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                    49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};

struct ControlKey {
    uint8_t code, scan;
    int32_t none, shift, ctrl, alt;
};

constexpr ControlKey ControlKeys[] = {
    {8, 14, 8, 8, 127, 14 << 8},       // Backspace
    {9, 15, 9, 15 << 8, 148 << 8, 0},  // Tab
    {13, 28, 13, 13, 10, 0},           // Enter
    {27, 1, 27, 27, 27, 0},            // Esc
    {32, 57, 32, 32, 32, 0},           // space
};

struct ExtendedKey {
    uint8_t index; // the key code's high byte
    uint8_t scan;
    uint8_t none, shift, ctrl, alt;
};

constexpr ExtendedKey ExtendedKeys[] = {
    {133, 87, 133, 133, 137, 139}, // F11
    {134, 88, 134, 134, 138, 140}, // F12
    {71, 71, 71, 71, 119, 151},    // Home
    {72, 72, 72, 72, 141, 152},    // Up
    {73, 73, 73, 73, 132, 153},    // Page Up
    {75, 75, 75, 75, 115, 155},    // Left
    {77, 77, 77, 77, 116, 157},    // Right
    {79, 79, 79, 79, 117, 159},    // End
    {80, 80, 80, 80, 145, 160},    // Down
    {81, 81, 81, 81, 118, 161},    // Page Down
    {82, 82, 82, 82, 146, 162},    // Insert
    {83, 83, 83, 83, 147, 163},    // Delete
};

// Entries 0 to 255 are characters, 256 + s the extended key whose code has high byte s.
constexpr std::array<KeyTableEntry, 512> make_key_table() {
    std::array<KeyTableEntry, 512> table{};
    for (int i = 0; i < 26; ++i) {
        for (int c : {'A' + i, 'a' + i})
            table[c] = {LetterScan[i], {c, c, i + 1, LetterScan[i] << 8}};
    }
    for (const CharacterKey& k : CharacterKeys) {
        for (int c : {int(k.unshifted), int(k.shifted)}) table[c] = {k.scan, {c, c, k.ctrl, k.alt}};
    }
    for (const ControlKey& k : ControlKeys) table[k.code] = {k.scan, {k.none, k.shift, k.ctrl, k.alt}};
    for (int f = 0; f < 10; ++f) {
        int s = 59 + f;
        table[256 + s] = {uint8_t(s), {s << 8, (84 + f) << 8, (94 + f) << 8, (104 + f) << 8}};
    }
    for (const ExtendedKey& k : ExtendedKeys)
        table[256 + k.index] = {k.scan, {k.none << 8, k.shift << 8, k.ctrl << 8, k.alt << 8}};
    return table;
}

constexpr std::array<KeyTableEntry, 512> KeyTable = make_key_table();

// --- KeyHitQueue ------------------------------------------------------------------------------
constexpr int32_t KEY_HIT_SIZE = 8192;

struct KeyHitQueueRecord {
    std::atomic<int32_t> codes[KEY_HIT_SIZE];
    std::atomic<int32_t> flags[KEY_HIT_SIZE]; // always 0 here
    std::atomic<int32_t> write_index;
    std::atomic<int32_t> read_index;
};
KeyHitQueueRecord KeyHitQueue;

// A full queue drops its oldest code.
void key_hit_write(int32_t code) {
    int32_t write = KeyHitQueue.write_index.load(std::memory_order_relaxed);
    int32_t next = (write + 1) % KEY_HIT_SIZE;
    if (next == KeyHitQueue.read_index.load(std::memory_order_acquire))
        KeyHitQueue.read_index.store((next + 1) % KEY_HIT_SIZE, std::memory_order_release);
    KeyHitQueue.codes[write].store(code, std::memory_order_relaxed);
    KeyHitQueue.write_index.store(next, std::memory_order_release);
}

// --- KeyBuffer --------------------------------------------------------------------------------
// Head and tail are the low bytes of the words at LowMemory 1050 and 1052; they run over 30, 32,
// ..., 60, and the slot of value v is LowMemory 1024 + v (character) and 1025 + v (scan code).
constexpr uint16_t BUFFER_FIRST = 30;
constexpr int KEY_WAIT_MS = 50;
constexpr uint16_t BUFFER_END = 62;

uint16_t buffer_advance(uint16_t v) {
    v = uint16_t(v + 2);
    return v == BUFFER_END ? BUFFER_FIRST : v;
}

// Counts the presses that reached the key buffer (and the shutdown's wake-up), so that key_inkey
// can wait for the next one instead of polling. Written under key_lock only.
std::atomic<uint32_t> buffer_arrivals{0};

// A full buffer (advancing the tail would reach the head) drops the entry.
void key_buffer_put(uint8_t character, uint8_t scan) {
    uint16_t tail = shared_load_word_acquire(LowMemory + LOW_KEY_TAIL);
    uint16_t next = buffer_advance(tail);
    if (next == shared_load_word_acquire(LowMemory + LOW_KEY_HEAD)) return;
    shared_store_byte(LowMemory + LOW_KEY_BUFFER + tail, character);
    shared_store_byte(LowMemory + LOW_KEY_BUFFER + tail + 1, scan);
    shared_store_word_release(LowMemory + LOW_KEY_TAIL, next);
    buffer_arrivals.store(buffer_arrivals.load() + 1);
    platform_wake_word(buffer_arrivals);
}

// --- HeldKeys ---------------------------------------------------------------------------------
// Key events come from the main thread and, for the lock keys, from the display thread: one lock
// serialises key_down and key_up with the set of held keys they share.
std::mutex key_lock;
std::vector<int32_t> HeldKeys;

bool held(int32_t code) {
    for (int32_t k : HeldKeys)
        if (k == code) return true;
    return false;
}

void hold(int32_t code) {
    if (!held(code)) HeldKeys.push_back(code);
}

void release(int32_t code) {
    for (size_t i = 0; i < HeldKeys.size(); ++i) {
        if (HeldKeys[i] == code) {
            HeldKeys.erase(HeldKeys.begin() + long(i));
            return;
        }
    }
}

bool ctrl_held() { return held(KEY_LEFT_CTRL) || held(KEY_RIGHT_CTRL); }
bool alt_held() { return held(KEY_LEFT_ALT) || held(KEY_RIGHT_ALT); }

// The modifier column: the last of Shift, Ctrl and Alt that is held wins.
int modifier_column() {
    int column = COLUMN_NONE;
    if (held(KEY_LEFT_SHIFT) || held(KEY_RIGHT_SHIFT)) column = COLUMN_SHIFT;
    if (ctrl_held()) column = COLUMN_CTRL;
    if (alt_held()) column = COLUMN_ALT;
    return column;
}

// Queues the KeyBuffer entry of a press, if the key has one.
void key_buffer_press(int32_t code) {
    if (code == KEY_CODE_ZERO) {
        key_buffer_put(0, 0);
        return;
    }
    if (code > 65535) return;
    int index = code < 256 ? code : 256 + (code >> 8);
    const KeyTableEntry& entry = KeyTable[size_t(index)];
    if (entry.scan == 0) {
        if (code < 256) key_buffer_put(uint8_t(code), 0);
        else key_buffer_put(0, uint8_t(code >> 8));
        return;
    }
    int32_t value = entry.value[modifier_column()];
    if (value == 0) return;
    if (value >= 256) key_buffer_put(0, uint8_t(value >> 8));
    else key_buffer_put(uint8_t(value), entry.scan);
}

void key_down_locked(int32_t code) {
    if (code == 0) code = KEY_CODE_ZERO;
    hold(code);
    if (code == KEY_BREAK) {
        close_requested.store(1);
    } else if (code == KEY_PAUSE || (code == KEY_NUM_LOCK && ctrl_held())) {
        pause_active.store(uint8_t(pause_active.load() | 1));
        event_pending.store(1);
    } else if (pause_active.load() & 1) {
        pause_active.store(uint8_t(pause_active.load() & ~1)); // this key ends the pause
    } else if (!(code == 13 && alt_held())) {                  // Alt+Enter is swallowed
        key_hit_write(code);
        key_buffer_press(code);
    }
    sleep_wake.store(1);
}

void key_up_locked(int32_t code) {
    if (code == 0) code = KEY_CODE_ZERO;
    release(code);
    key_hit_write(-code);
}

} // namespace

void key_down(int32_t code) {
    std::lock_guard<std::mutex> guard(key_lock);
    key_down_locked(code);
}

void key_up(int32_t code) {
    std::lock_guard<std::mutex> guard(key_lock);
    key_up_locked(code);
}

bool key_is_held(int32_t code) {
    std::lock_guard<std::mutex> guard(key_lock);
    return held(code);
}

DynString* key_inkey() {
    if (pending_error.load() != 0) return dstr_new(0, 1);
    uint32_t arrivals = buffer_arrivals.load();
    uint16_t head = shared_load_word_acquire(LowMemory + LOW_KEY_HEAD);
    // The processor is given up on every call. With nothing queued the call waits for a key (or
    // key_wake_readers), up to 50 ms: a yield alone returns at once when nothing else is runnable,
    // and the game's waiting loops call this without pause.
    if (head == shared_load_word_acquire(LowMemory + LOW_KEY_TAIL))
        platform_wait_word(buffer_arrivals, arrivals, KEY_WAIT_MS);
    else
        platform_sleep_ms(0);
    DynString* s = dstr_new(2, 1);
    if (head == shared_load_word_acquire(LowMemory + LOW_KEY_TAIL)) {
        s->len = 0;
        return s;
    }
    uint8_t character = shared_load_byte(LowMemory + LOW_KEY_BUFFER + head);
    uint8_t scan = shared_load_byte(LowMemory + LOW_KEY_BUFFER + head + 1);
    s->data[0] = character;
    s->data[1] = scan;
    s->len = character != 0 || scan == 0 ? 1 : 2;
    shared_store_word_release(LowMemory + LOW_KEY_HEAD, buffer_advance(head));
    return s;
}

void key_wake_readers() {
    std::lock_guard<std::mutex> guard(key_lock);
    buffer_arrivals.store(buffer_arrivals.load() + 1);
    platform_wake_word(buffer_arrivals);
}

int32_t key_hit() {
    int32_t read = KeyHitQueue.read_index.load(std::memory_order_acquire);
    if (read == KeyHitQueue.write_index.load(std::memory_order_acquire)) return 0;
    int32_t code = KeyHitQueue.codes[read].load(std::memory_order_relaxed);
    KeyHitQueue.read_index.store((read + 1) % KEY_HIT_SIZE, std::memory_order_release);
    return code;
}

void keyboard_init() {
    PlatformModifierKeys modifiers = platform_modifier_keys();
    const std::pair<bool, int32_t> down[] = {
        {modifiers.shift_left, KEY_LEFT_SHIFT}, {modifiers.shift_right, KEY_RIGHT_SHIFT},
        {modifiers.ctrl_left, KEY_LEFT_CTRL},   {modifiers.ctrl_right, KEY_RIGHT_CTRL},
        {modifiers.alt_left, KEY_LEFT_ALT},     {modifiers.alt_right, KEY_RIGHT_ALT},
    };
    for (const auto& [is_down, code] : down)
        if (is_down) key_down(code);
    PlatformLockKeys locks = platform_lock_keys();
    if (locks.caps_lock) key_down(KEY_CAPS_LOCK);
    if (locks.num_lock) key_down(KEY_NUM_LOCK);
    KeyHitQueue.read_index.store(KeyHitQueue.write_index.load());
    shared_store_word_release(LowMemory + LOW_KEY_HEAD, BUFFER_FIRST);
    shared_store_word_release(LowMemory + LOW_KEY_TAIL, BUFFER_FIRST);
}

void sync_lock_keys() {
    PlatformLockKeys locks = platform_lock_keys();
    const std::pair<bool, int32_t> lock_keys[] = {{locks.caps_lock, KEY_CAPS_LOCK},
                                                  {locks.num_lock, KEY_NUM_LOCK}};
    for (const auto& [on, code] : lock_keys) {
        std::lock_guard<std::mutex> guard(key_lock);
        if (on == held(code)) continue;
        if (on) key_down_locked(code);
        else key_up_locked(code);
    }
}

int32_t key_char_code(int key, bool ctrl, bool shift) {
    int32_t k = key & 0xFF;
    if (ctrl) {
        if (k == 10) k = 13;
        else if (k >= 1 && k <= 26) k += shift ? 64 : 96;
    }
    return k == 127 ? KEY_DELETE : k;
}

int32_t key_special_code(int key) {
    struct SpecialKey {
        int key;
        int32_t code;
    };
    static constexpr SpecialKey SpecialKeys[] = {
        {GLUT_KEY_F11, KEY_F11},           {GLUT_KEY_F12, KEY_F12},
        {GLUT_KEY_LEFT, KEY_LEFT},         {GLUT_KEY_UP, KEY_UP},
        {GLUT_KEY_RIGHT, KEY_RIGHT},       {GLUT_KEY_DOWN, KEY_DOWN},
        {GLUT_KEY_PAGE_UP, KEY_PAGE_UP},   {GLUT_KEY_PAGE_DOWN, KEY_PAGE_DOWN},
        {GLUT_KEY_HOME, KEY_HOME},         {GLUT_KEY_END, KEY_END},
        {GLUT_KEY_INSERT, KEY_INSERT},     {GLUT_KEY_SHIFT_L, KEY_LEFT_SHIFT},
        {GLUT_KEY_SHIFT_R, KEY_RIGHT_SHIFT}, {GLUT_KEY_CTRL_L, KEY_LEFT_CTRL},
        {GLUT_KEY_CTRL_R, KEY_RIGHT_CTRL}, {GLUT_KEY_ALT_L, KEY_LEFT_ALT},
        {GLUT_KEY_ALT_R, KEY_RIGHT_ALT},
    };
    if (key >= GLUT_KEY_F1 && key <= GLUT_KEY_F10) return KEY_F1 + (key - GLUT_KEY_F1) * 0x100;
    for (const SpecialKey& k : SpecialKeys)
        if (k.key == key) return k.code;
    return 0;
}

void char_key_pressed(unsigned char key, int, int) {
    int modifiers = glutGetModifiers();
    key_down(key_char_code(key, modifiers & GLUT_ACTIVE_CTRL, modifiers & GLUT_ACTIVE_SHIFT));
}

void char_key_released(unsigned char key, int, int) {
    int modifiers = glutGetModifiers();
    key_up(key_char_code(key, modifiers & GLUT_ACTIVE_CTRL, modifiers & GLUT_ACTIVE_SHIFT));
}

void special_key_pressed(int key, int, int) {
    if (int32_t code = key_special_code(key)) key_down(code);
}

void special_key_released(int key, int, int) {
    if (int32_t code = key_special_code(key)) key_up(code);
}
