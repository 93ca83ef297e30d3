// The command editor: reads one command line at the prompt, echoing it flicker-free while the
// countdown of the time limit runs on row 2, and shows the losing ending when the time runs out.
#pragma once

struct DynString;

// Reads a line: letters (kept in upper case) and blanks, Backspace removes the last character,
// Enter ends it. Returns the line as a new temporary, possibly empty and with blanks at either end.
// Does not return when the time runs out.
DynString* get_command();

// Prints the time left at row 2, column 32: the whole minutes (rounded to the nearest second
// first) through the format " ###:", then the seconds left over with their fraction, "0" put
// before a leading point: 545.25 s reads "   9:05.25", 539.7 s "   9:0-.3".
void print_countdown(long double seconds_left);
