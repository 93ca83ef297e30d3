// The adventure's main routine: the start sequence, then one turn after another until an ending.
#pragma once

// Runs on the program thread; never returns (every ending goes through rt_end).
void game_main();

// Reads one command at the prompt and carries it out; returns unless the command ends the game.
void handle_command();
