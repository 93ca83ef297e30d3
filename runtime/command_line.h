// The program's arguments as one string.
#pragma once

struct DynString;

// argv[1] .. argv[argc-1] joined with single blanks; empty without arguments. Permanent.
extern DynString* command_line;
void command_line_build(int argc, char** argv);
