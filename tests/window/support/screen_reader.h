// Reading the program's text screen out of a capture of its window: every 8x16 cell is matched
// against the program's own glyph tables and its colours against the default text palette, which
// gives the screen as characters plus colours. Include it after <gtest/gtest.h> (it includes
// xclient.h).
#pragma once

#include "tests/window/support/xclient.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ScreenCell {
    uint8_t character; // a blank cell (one colour only) reads as 32
    int fg;            // text colour 0 to 15; -1 for a blank cell
    int bg;            // text colour 0 to 15 (0 to 7 on the game's pages)
};

struct TextScreen {
    int cols;
    int rows;
    std::vector<ScreenCell> cells; // row by row from the top left
    std::string error;             // empty when every cell was read
};

// Reads a capture of cols x rows cells of 8x16 pixels. A cell with a colour outside the text
// palette, more than two colours, or a pattern that is no glyph leaves a description of the first
// such cell in `error` (and reads as character 0).
TextScreen screen_read(const WindowCapture& capture, int cols = 80, int rows = 25);

inline const ScreenCell& screen_cell(const TextScreen& screen, int row, int col) {
    return screen.cells[size_t(row - 1) * size_t(screen.cols) + size_t(col - 1)];
}

// The characters of one row from column `first` to column `last` (1-based, inclusive).
std::string screen_text(const TextScreen& screen, int row, int first = 1, int last = 80);

// The character the reader gives for `code`: the lowest code with the same glyph (32 for every
// blank one).
uint8_t screen_canonical(uint8_t code);

// Captures `window` until its client area is 640x400 and reads as an 80x25 text screen for which
// `ready` holds, at most timeout_ms; `screen` is the last screen read.
bool screen_wait(Display* display, Window window, TextScreen& screen,
                 const std::function<bool(const TextScreen&)>& ready, int timeout_ms,
                 int poll_ms = 10);
