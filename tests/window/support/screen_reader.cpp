#include "tests/window/support/screen_reader.h"

#include "tests/window/support/wait.h"

#include "screen/fonts.h"
#include "screen/palette.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>

namespace {

constexpr int CELL_WIDTH = 8;
constexpr int CELL_HEIGHT = 16;

using GlyphBits = std::array<uint8_t, CELL_HEIGHT>; // one byte per row, bit 7 the leftmost pixel

// The glyph of each pattern, lowest code first, from the program's own 8x16 table.
const std::map<GlyphBits, uint8_t>& glyph_codes() {
    static const std::map<GlyphBits, uint8_t> codes = [] {
        font_tables_load();
        std::map<GlyphBits, uint8_t> map;
        for (int code = 255; code >= 0; --code) {
            GlyphBits bits{};
            for (int y = 0; y < CELL_HEIGHT; ++y)
                for (int x = 0; x < CELL_WIDTH; ++x)
                    if (Font8x16[code * 128 + y * 8 + x]) bits[size_t(y)] |= uint8_t(0x80 >> x);
            map[bits] = uint8_t(code);
        }
        return map;
    }();
    return codes;
}

// The text colour of a captured pixel 0xRRGGBB, or -1.
int text_colour(uint32_t pixel) {
    static const bool loaded = (palette_load(), true);
    (void)loaded;
    for (int i = 0; i < TEXT_COLOURS; ++i)
        if ((DefaultPalette[i] & 0xFFFFFF) == pixel) return i;
    return -1;
}

// The cell's pixels with `colour` as set bits.
GlyphBits bits_of(const WindowCapture& capture, int col, int row, uint32_t colour) {
    GlyphBits bits{};
    for (int y = 0; y < CELL_HEIGHT; ++y)
        for (int x = 0; x < CELL_WIDTH; ++x)
            if (capture_pixel(capture, col * CELL_WIDTH + x, row * CELL_HEIGHT + y) == colour)
                bits[size_t(y)] |= uint8_t(0x80 >> x);
    return bits;
}

// One cell; an empty string, or what is wrong with it.
std::string read_cell(const WindowCapture& capture, int col, int row, ScreenCell& cell) {
    cell = {0, -1, -1};
    std::vector<uint32_t> colours;
    for (int y = 0; y < CELL_HEIGHT; ++y)
        for (int x = 0; x < CELL_WIDTH; ++x) {
            uint32_t p = capture_pixel(capture, col * CELL_WIDTH + x, row * CELL_HEIGHT + y);
            if (std::find(colours.begin(), colours.end(), p) == colours.end()) colours.push_back(p);
        }
    char where[64];
    snprintf(where, sizeof where, "cell at row %d, column %d: ", row + 1, col + 1);
    if (colours.size() > 2) return std::string(where) + "more than two colours";
    for (uint32_t c : colours)
        if (text_colour(c) < 0) return std::string(where) + "a colour outside the palette";
    if (colours.size() == 1) {
        cell = {32, -1, text_colour(colours[0])};
        return {};
    }
    // Either colour may be the foreground; a background is one of the first eight colours, which
    // settles glyphs whose inverse is a glyph too.
    const auto& codes = glyph_codes();
    for (int order = 0; order < 2; ++order) {
        uint32_t fg = colours[size_t(order)], bg = colours[size_t(1 - order)];
        auto found = codes.find(bits_of(capture, col, row, fg));
        if (found == codes.end()) continue;
        ScreenCell candidate{found->second, text_colour(fg), text_colour(bg)};
        if (cell.character == 0 || (cell.bg > 7 && candidate.bg <= 7)) cell = candidate;
    }
    if (cell.character == 0) return std::string(where) + "no glyph has this pattern";
    return {};
}

} // namespace

TextScreen screen_read(const WindowCapture& capture, int cols, int rows) {
    TextScreen screen{cols, rows, std::vector<ScreenCell>(size_t(cols) * size_t(rows)), {}};
    if (capture.width < cols * CELL_WIDTH || capture.height < rows * CELL_HEIGHT ||
        capture.pixels.empty()) {
        screen.error = "the capture is smaller than the screen";
        return screen;
    }
    for (int row = 0; row < rows; ++row)
        for (int col = 0; col < cols; ++col) {
            std::string error = read_cell(capture, col, row,
                                          screen.cells[size_t(row) * size_t(cols) + size_t(col)]);
            if (screen.error.empty()) screen.error = error;
        }
    return screen;
}

std::string screen_text(const TextScreen& screen, int row, int first, int last) {
    std::string text;
    for (int col = first; col <= last; ++col) text += char(screen_cell(screen, row, col).character);
    return text;
}

uint8_t screen_canonical(uint8_t code) {
    const auto& codes = glyph_codes();
    GlyphBits own{};
    for (int y = 0; y < CELL_HEIGHT; ++y)
        for (int x = 0; x < CELL_WIDTH; ++x)
            if (Font8x16[code * 128 + y * 8 + x]) own[size_t(y)] |= uint8_t(0x80 >> x);
    uint8_t lowest = codes.at(own);
    return own == GlyphBits{} ? 32 : lowest;
}

bool screen_wait(Display* display, Window window, TextScreen& screen,
                 const std::function<bool(const TextScreen&)>& ready, int timeout_ms, int poll_ms) {
    return wait_until(
        [&] {
            WindowCapture capture;
            if (!xwin_capture(display, window, capture) || capture.width != 640 ||
                capture.height != 400)
                return false;
            screen = screen_read(capture);
            return screen.error.empty() && ready(screen);
        },
        timeout_ms, poll_ms);
}
