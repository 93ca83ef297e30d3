// Chaining: a program that hands control to this one leaves its state in a file and appends a
// marker naming that file to the command line. At start-up chain_restore_check reads the file,
// restores the working directory and the screen state it holds, deletes it and removes the marker
// from command_line. This system never chains, so the check finds no marker.
//
// The chain-state file, all numbers 32-bit little-endian:
//   version (1), directory byte count, directory bytes,
//   then records until the end of the file: code (256 to 262), byte count, bytes:
//     256 text size        columns, rows (1 to 255 each)
//     257 page cells       page (0 to 7), then the page's cells (character, attribute pairs)
//     258 text colours     16 palette entries 0xAARRGGBB
//     259 colours          foreground (0 to 31), background (0 to 7)
//     260 cursor           row, column, visible (0 or 1), first and last scan line (0 to 31)
//     261 print window     top row, bottom row
//     262 destination      page (0 to 7)
// A file that is missing, cannot be read whole, or breaks any of these rules restores nothing
// and is left where it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ChainRecord {
    int32_t code;
    std::vector<uint8_t> data;
};

struct ChainState {
    std::string directory;
    std::vector<ChainRecord> records;
};

// Checks a whole chain-state file held in memory; fills `state` and returns true when it is valid.
bool chain_parse(const uint8_t* bytes, size_t size, ChainState* state);

void chain_restore_check();
