// The runtime's skeleton: start-up, the four threads, the end operation and the orderly end.
//
// Threads: the main thread runs rt_main and then the window's event loop; the program thread runs
// the game's main routine, one statement after another; the display thread composes frames and
// performs the shutdown; the event-timer thread polls interval timers (none are ever armed).
// They share only the flags of runtime/flags.h.
#pragma once

#include "runtime/flags.h"
#include "runtime/command_line.h"
#include "runtime/statements.h"

struct DynString;

using ProgramRoutine = void (*)();

// The runtime's start routine. Sets up every subsystem in order, starts the program thread on
// `routine` (game_main in the game), the event-timer thread and the display thread, then runs the
// window's event loop on the calling thread. The process ends inside the display thread.
int rt_main(int argc, char** argv, ProgramRoutine routine);

// The start-up before the threads: the working directory, the fonts and image table, variable
// storage, LowMemory and the low-memory strings, the command line, the time base, the keyboard,
// the palettes and glyphs and text screen 0, 80 by 25. Tests that need no threads start here.
void rt_set_up(int argc, char** argv);

// rt_main without its last step: everything up to and including the start of the threads. The
// window-less tests run the real threads through this and drive keys themselves.
void rt_start(int argc, char** argv, ProgramRoutine routine);

// The end operation: "Press any key to continue" on the last row, a new key, then the orderly end
// of the process. Never returns.
[[noreturn]] void rt_end();

// The shutdown, run by the display thread when it sees a close or exit request: stops the other
// threads, waits until they have parked, closes every file and ends the process with exit code 0.
[[noreturn]] void rt_shutdown();

void event_timer_thread();
