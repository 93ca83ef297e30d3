// The fixed screens of the game: the introduction, the title banner of every turn, the help
// screen, the ways of waiting for the player, and the three endings.
#pragma once

struct TextBlock;

// The introduction, shown once on the cleared screen before the clock starts.
void show_introduction();

// Rows 3 to 13 of a turn screen: the banner's art with the title and the author, a blank row,
// the notice and another blank row.
void print_banner();

// Each line of `text` on a row of its own.
void print_block(const TextBlock& text);

// The help screen, until the player has pressed a key to end the pause and one more to leave.
void show_help();

// Waiting for the player:
//   wait                   a key is read and discarded
//   drain                  every key already queued is discarded
//   drain and wait         both, so only a key pressed now counts
//   pause, drain and wait  first a pause that the next key press ends
void wait_for_key();
void drain_keys();
void drain_and_wait();
void pause_drain_and_wait();

// The endings. Each ends the program through rt_end and does not return.
[[noreturn]] void quit_ending();
[[noreturn]] void losing_ending();
[[noreturn]] void winning_ending();
