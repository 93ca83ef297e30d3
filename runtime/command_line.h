// The program's arguments as one string, and the chain-state check that reads them.
#pragma once

struct DynString;

// argv[1] .. argv[argc-1] joined with single blanks; empty without arguments. Permanent.
extern DynString* command_line;
void command_line_build(int argc, char** argv);

// When the arguments end with the chain marker, reads the state that a program chaining to this
// one left in the file named there: the working directory and the screen state. Returns at once
// otherwise, which in this system is always.
void chain_restore_check();
