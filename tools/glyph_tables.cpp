// Build-time tool: turns two PC screen fonts (PSF1 or PSF2, gzip-compressed, 8 pixels wide) into
// the runtime's constant glyph tables, a C++ source with one byte per pixel (0 or 255).
//
//   glyph_tables FONT8x16.psf.gz FONT8xN.psf.gz OUTPUT.cpp
//
// The first font gives BuiltinFont8x16 (16 rows per glyph), the second BuiltinFont8x8 (its first
// eight rows per glyph). The tables are in code page 437 order; when a font carries a unicode
// table, the tool checks that its first 256 glyphs are in that order and refuses the font if not.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int GLYPH_COUNT = 256;

// Code page 437: the unicode character shown by each code. Code 0 has none (it is blank).
constexpr uint32_t Cp437Unicode[GLYPH_COUNT] = {
    0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, // 0
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C, // 8
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8, // 16
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC, // 24
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027, // 32
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F, // 40
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, // 48
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F, // 56
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047, // 64
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F, // 72
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057, // 80
    0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F, // 88
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067, // 96
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F, // 104
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077, // 112
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x2302, // 120
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, // 128
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5, // 136
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, // 144
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, // 152
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, // 160
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, // 168
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, // 176
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, // 184
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, // 192
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, // 200
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, // 208
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, // 216
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, // 224
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, // 232
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, // 240
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0, // 248
};

// A font as read from its file: glyph bitmaps of one byte per row and, per glyph, the unicode
// characters it shows (empty when the font has no unicode table).
struct PsfFont {
    int glyph_count;
    int rows;
    std::vector<uint8_t> bitmaps;
    std::vector<std::vector<uint32_t>> unicode;
};

[[noreturn]] void fail(const std::string& what) {
    fprintf(stderr, "glyph_tables: %s\n", what.c_str());
    exit(1);
}

// Reads a gzip-compressed file through `gzip -dc`, run without a shell.
std::vector<uint8_t> read_gzip(const char* path) {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) fail("pipe: " + std::string(strerror(errno)));
    pid_t child = fork();
    if (child < 0) fail("fork: " + std::string(strerror(errno)));
    if (child == 0) {
        dup2(pipe_ends[1], STDOUT_FILENO);
        close(pipe_ends[0]);
        close(pipe_ends[1]);
        execlp("gzip", "gzip", "-dc", "--", path, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipe_ends[1]);
    std::vector<uint8_t> bytes;
    uint8_t buffer[4096];
    ssize_t got;
    while ((got = read(pipe_ends[0], buffer, sizeof buffer)) != 0) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) fail("reading " + std::string(path));
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    close(pipe_ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail("cannot decompress " + std::string(path));
    return bytes;
}

uint32_t read_le32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

// PSF1 unicode table: per glyph, 16-bit characters up to 0xFFFF; 0xFFFE starts the glyph's
// combining sequences, which are not single characters and are skipped.
void read_psf1_unicode(PsfFont& font, const std::vector<uint8_t>& b, size_t at) {
    for (int g = 0; g < font.glyph_count; ++g) {
        bool in_sequence = false;
        for (;;) {
            if (at + 2 > b.size()) fail("unicode table cut short");
            uint32_t c = b[at] | b[at + 1] << 8;
            at += 2;
            if (c == 0xFFFF) break;
            if (c == 0xFFFE)
                in_sequence = true;
            else if (!in_sequence)
                font.unicode[g].push_back(c);
        }
    }
}

// Decodes one UTF-8 character at b[at], advancing at.
uint32_t read_utf8(const std::vector<uint8_t>& b, size_t& at) {
    uint32_t c = b[at++];
    int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    c &= more == 3 ? 0x07 : more == 2 ? 0x0F : more == 1 ? 0x1F : 0x7F;
    for (; more > 0; --more) {
        if (at >= b.size()) fail("unicode table cut short");
        c = c << 6 | (b[at++] & 0x3F);
    }
    return c;
}

// PSF2 unicode table: per glyph, UTF-8 characters up to 0xFF; 0xFE starts the sequences.
void read_psf2_unicode(PsfFont& font, const std::vector<uint8_t>& b, size_t at) {
    for (int g = 0; g < font.glyph_count; ++g) {
        bool in_sequence = false;
        for (;;) {
            if (at >= b.size()) fail("unicode table cut short");
            if (b[at] == 0xFF) {
                ++at;
                break;
            }
            if (b[at] == 0xFE) {
                ++at;
                in_sequence = true;
                continue;
            }
            uint32_t c = read_utf8(b, at);
            if (!in_sequence) font.unicode[g].push_back(c);
        }
    }
}

PsfFont read_psf(const char* path) {
    std::vector<uint8_t> b = read_gzip(path);
    PsfFont font{};
    size_t glyphs_at = 0;
    bool has_unicode = false;
    bool psf2 = false;
    if (b.size() >= 4 && b[0] == 0x36 && b[1] == 0x04) {
        font.glyph_count = (b[2] & 0x01) ? 512 : 256;
        font.rows = b[3];
        has_unicode = (b[2] & 0x06) != 0;
        glyphs_at = 4;
    } else if (b.size() >= 32 && read_le32(b, 0) == 0x864AB572) {
        glyphs_at = read_le32(b, 8);
        has_unicode = (read_le32(b, 12) & 1) != 0;
        font.glyph_count = int(read_le32(b, 16));
        uint32_t bytes_per_glyph = read_le32(b, 20);
        font.rows = int(read_le32(b, 24));
        if (read_le32(b, 28) != 8 || bytes_per_glyph != uint32_t(font.rows))
            fail(std::string(path) + ": glyphs are not 8 pixels wide");
        psf2 = true;
    } else {
        fail(std::string(path) + ": not a PSF font");
    }
    if (font.glyph_count < GLYPH_COUNT || font.glyph_count > 65536 || font.rows < 1 ||
        font.rows > 64)
        fail(std::string(path) + ": unexpected glyph count or height");
    size_t bitmap_bytes = size_t(font.glyph_count) * size_t(font.rows);
    if (glyphs_at > b.size() || b.size() - glyphs_at < bitmap_bytes)
        fail(std::string(path) + ": file cut short");
    font.bitmaps.assign(b.begin() + glyphs_at, b.begin() + glyphs_at + bitmap_bytes);
    font.unicode.resize(font.glyph_count);
    if (has_unicode && psf2)
        read_psf2_unicode(font, b, glyphs_at + bitmap_bytes);
    else if (has_unicode)
        read_psf1_unicode(font, b, glyphs_at + bitmap_bytes);
    return font;
}

bool shows(const std::vector<uint32_t>& characters, uint32_t c) {
    for (uint32_t x : characters)
        if (x == c) return true;
    return false;
}

// A font with a unicode table must list, for each code 1 to 255, the code page 437 character.
void check_cp437_order(const PsfFont& font, const char* path) {
    bool has_table = false;
    for (const auto& characters : font.unicode) has_table |= !characters.empty();
    if (!has_table) return;
    for (int g = 1; g < GLYPH_COUNT; ++g)
        if (!shows(font.unicode[g], Cp437Unicode[g]))
            fail(std::string(path) + ": glyph " + std::to_string(g) +
                 " is not in code page 437 order");
}

void write_row(FILE* out, uint8_t bits) {
    fputs("   ", out);
    for (int x = 7; x >= 0; --x) fputs((bits >> x) & 1 ? " 255," : " 0,", out);
    fputs(" // ", out);
    for (int x = 7; x >= 0; --x) fputc((bits >> x) & 1 ? '#' : '.', out);
    fputc('\n', out);
}

// Writes `rows` rows of each of the first 256 glyphs, one glyph row per line.
void write_table(FILE* out, const char* name, const PsfFont& font, int rows) {
    fprintf(out, "extern const uint8_t %s[%d] = {\n", name, GLYPH_COUNT * rows * 8);
    for (int g = 0; g < GLYPH_COUNT; ++g) {
        fprintf(out, "    // %d\n", g);
        for (int r = 0; r < rows; ++r) write_row(out, font.bitmaps[size_t(g) * font.rows + r]);
    }
    fputs("};\n\n", out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) fail("usage: glyph_tables FONT8x16.psf.gz FONT8xN.psf.gz OUTPUT.cpp");
    PsfFont tall = read_psf(argv[1]);
    PsfFont small = read_psf(argv[2]);
    if (tall.rows != 16) fail(std::string(argv[1]) + ": glyphs are not 16 rows high");
    if (small.rows < 8) fail(std::string(argv[2]) + ": glyphs have fewer than 8 rows");
    check_cp437_order(tall, argv[1]);
    check_cp437_order(small, argv[2]);

    std::string temporary = std::string(argv[3]) + ".part";
    FILE* out = fopen(temporary.c_str(), "w");
    if (out == nullptr) fail("cannot write " + temporary);
    fputs("// Generated at build time by tools/glyph_tables from the console fonts; do not edit.\n"
          "// Code page 437 glyphs, 8 pixels a row, one byte per pixel: 255 foreground, 0 "
          "background.\n#include <cstdint>\n\n",
          out);
    write_table(out, "BuiltinFont8x8", small, 8);
    write_table(out, "BuiltinFont8x16", tall, 16);
    if (fclose(out) != 0 || rename(temporary.c_str(), argv[3]) != 0)
        fail("cannot write " + std::string(argv[3]));
    return 0;
}
