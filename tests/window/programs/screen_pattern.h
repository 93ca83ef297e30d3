// The known page the key_echo program shows in its pattern mode, shared with the tests that read
// it back from the window: every foreground on every background, the printable characters and a
// few of the code page's pictures and box pieces.
#pragma once

#include <string>
#include <vector>

struct PatternText {
    int row; // 1-based, where the text starts
    int col;
    std::string text;
    int fg; // 0 to 15
    int bg; // 0 to 7
};

inline std::vector<PatternText> screen_pattern() {
    const char* hex = "0123456789ABCDEF";
    const char* samples[] = {"Qw%", "k@7", "Mz&", "x]4", "Hj?", "g{2", "R$b", "P=y"};
    std::vector<PatternText> pattern;
    pattern.push_back({1, 1, "PATTERN", 15, 1});
    for (int fg = 0; fg < 16; ++fg)
        for (int bg = 0; bg < 8; ++bg) {
            std::string text = std::string("F") + hex[fg] + "B" + hex[bg] + " " + samples[bg];
            pattern.push_back({2 + fg, 1 + bg * 10, text, fg, bg});
        }
    std::string printable, rest;
    for (int c = 33; c < 113; ++c) printable += char(c);
    for (int c = 113; c < 127; ++c) rest += char(c);
    pattern.push_back({19, 1, printable, 7, 0});
    pattern.push_back({20, 1, rest, 14, 0});
    pattern.push_back(
        {20, 21, "\x01\x03\x06\x0e\x7f\x80\x9b\xb0\xb3\xc4\xc9\xda\xe0\xe4\xf8", 11, 4});
    pattern.push_back({22, 73, "RIGHTEND", 13, 2});
    return pattern;
}
