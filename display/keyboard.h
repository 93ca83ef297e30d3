// Keyboard input. Every key pressed in the window reaches two queues:
// - the KeyBuffer, a 16-slot ring of (character, scan code) pairs in LowMemory shaped like the PC
//   keyboard buffer, read by key_inkey as a string of one or two characters;
// - the KeyHitQueue, an 8,192-entry ring of key codes (press positive, release negative), read by
//   key_hit one code at a time.
// Between the window and the queues sit the translation into key codes, the set of keys held down
// (which decides whether Shift, Ctrl or Alt modify a key) and the Pause, Break and Alt+Enter keys.
// Key events arrive on the main thread, lock-key changes on the display thread; the queues are
// read on the program thread.
#pragma once

#include <cstdint>

struct DynString;

// Key codes beyond the characters (1 to 255) and the extended keys (256 to 65,535, high byte =
// scan code, except F11 and F12).
inline constexpr int32_t KEY_F1 = 0x3B00;
inline constexpr int32_t KEY_F11 = 0x8500;
inline constexpr int32_t KEY_F12 = 0x8600;
inline constexpr int32_t KEY_UP = 0x4800;
inline constexpr int32_t KEY_LEFT = 0x4B00;
inline constexpr int32_t KEY_RIGHT = 0x4D00;
inline constexpr int32_t KEY_DOWN = 0x5000;
inline constexpr int32_t KEY_HOME = 0x4700;
inline constexpr int32_t KEY_END = 0x4F00;
inline constexpr int32_t KEY_PAGE_UP = 0x4900;
inline constexpr int32_t KEY_PAGE_DOWN = 0x5100;
inline constexpr int32_t KEY_INSERT = 0x5200;
inline constexpr int32_t KEY_DELETE = 0x5300;
inline constexpr int32_t KEY_NUM_LOCK = 100300;
inline constexpr int32_t KEY_CAPS_LOCK = 100301;
inline constexpr int32_t KEY_RIGHT_SHIFT = 100303;
inline constexpr int32_t KEY_LEFT_SHIFT = 100304;
inline constexpr int32_t KEY_RIGHT_CTRL = 100305;
inline constexpr int32_t KEY_LEFT_CTRL = 100306;
inline constexpr int32_t KEY_RIGHT_ALT = 100307;
inline constexpr int32_t KEY_LEFT_ALT = 100308;
inline constexpr int32_t KEY_PAUSE = 100019;
inline constexpr int32_t KEY_BREAK = 100318;
inline constexpr int32_t KEY_CODE_ZERO = 200013; // stands for a key whose code is 0

// One press or release, as the window layer reports it.
void key_down(int32_t code);
void key_up(int32_t code);
bool key_is_held(int32_t code);

// The oldest KeyBuffer entry as a temporary string of one or two characters, or an empty one.
// Gives up the processor on every call and, when nothing is queued, waits up to 50 ms for a key,
// so that loops polling it cost next to nothing.
DynString* key_inkey();

// Ends a wait of key_inkey at once. The shutdown calls it, so that a program thread waiting for
// a key reaches its statement check and parks without delay.
void key_wake_readers();

// The oldest KeyHitQueue code, or 0.
int32_t key_hit();

// Start-up: records the modifier and lock keys already down, then empties both queues.
void keyboard_init();

// Brings Caps Lock and Num Lock in step with the X server: a lock turned on shows as a press of
// its code, turned off as a release. Called by the display thread.
void sync_lock_keys();

// The key code of a character key: the window layer's byte with the Ctrl translation (Ctrl+letter
// arrives as 1 to 26 and becomes the letter again; Ctrl+Enter's 10 becomes 13) and 127 as Delete.
int32_t key_char_code(int key, bool ctrl, bool shift);

// The key code of a window-layer special key, or 0 for a key without one.
int32_t key_special_code(int key);

// The window layer's key callbacks (pointer positions are ignored).
void char_key_pressed(unsigned char key, int x, int y);
void char_key_released(unsigned char key, int x, int y);
void special_key_pressed(int key, int x, int y);
void special_key_released(int key, int x, int y);
