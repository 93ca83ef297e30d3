// A test program on the real runtime (not part of the game): it shows what arrives from the
// window, so that the window tests can read it back from the screen.
//
// Without arguments it echoes every key it reads: row 1 holds a counter that advances every
// 100 ms, and the cursor, a full block, blinks in its last cell (so that a frozen picture shows);
// below, the left half lists the strings key_inkey
// returns ("I 97", "I 0,72") and the right half the codes key_hit returns ("H 97", "H -97"), one
// per row from row 3, starting again at row 3 after row 24. Each is also written to standard
// output. The key S (capital) holds the program for 1.5 s inside one statement, as a long
// statement would, so that a test can see what happens meanwhile.
//
// With the argument "pattern" it shows the known page of screen_pattern.h, then waits for keys
// without changing the page again.
#include "display/keyboard.h"
#include "platform/threads.h"
#include "runtime/clock.h"
#include "runtime/command_line.h"
#include "runtime/startup.h"
#include "runtime/statements.h"
#include "runtime/strings.h"
#include "screen/text.h"
#include "tests/window/programs/screen_pattern.h"

#include <cstdio>
#include <string>

namespace {

constexpr int FIRST_LOG_ROW = 3;
constexpr int LAST_LOG_ROW = 24;

uint32_t mark = 0;
int statement = 0;

// One statement of the program: its work, then the statement protocol.
void end_statement() {
    stmt_end(mark, ++statement);
}

void print_at(int row, int col, const std::string& text, int fg, int bg) {
    scr_locate(row, col, 0, 0, 0, LOCATE_ROW | LOCATE_COLUMN);
    scr_color(uint32_t(fg), uint32_t(bg), 0, COLOR_FOREGROUND | COLOR_BACKGROUND);
    scr_print(dstr_from_literal(text.data(), int32_t(text.size())), 0);
    end_statement();
}

// The echo's cursor: shown as a full block in the last cell of row 1, which stays blank.
void park_cursor() {
    scr_locate(1, 80, 1, 0, 31,
               LOCATE_ROW | LOCATE_COLUMN | LOCATE_CURSOR | LOCATE_START | LOCATE_END);
    end_statement();
}

struct LogColumn {
    int col;
    int width;
    int next_row;
};

void log_entry(LogColumn& log, const std::string& entry) {
    std::string text = entry;
    text.resize(size_t(log.width), ' ');
    print_at(log.next_row, log.col, text, 15, 0);
    park_cursor();
    log.next_row = log.next_row == LAST_LOG_ROW ? FIRST_LOG_ROW : log.next_row + 1;
    printf("%s\n", entry.c_str());
    fflush(stdout);
}

std::string inkey_text(const DynString* key) {
    std::string text = "I " + std::to_string(key->data[0]);
    if (key->len == 2) text += "," + std::to_string(key->data[1]);
    return text;
}

void echo_keys() {
    print_at(1, 1, "KEY ECHO", 15, 1);
    park_cursor();
    LogColumn inkeys{1, 38, FIRST_LOG_ROW};
    LogColumn hits{41, 38, FIRST_LOG_ROW};
    int64_t next_count = 0;
    for (int count = 0;;) {
        if (clock_ms() >= next_count) {
            char text[32];
            snprintf(text, sizeof text, "COUNT %06d", count++);
            print_at(1, 60, text, 14, 0);
            park_cursor();
            next_count = clock_ms() + 100;
        }
        DynString* key = key_inkey();
        if (key->len != 0) log_entry(inkeys, inkey_text(key));
        if (key->len == 1 && key->data[0] == 'S') platform_sleep_ms(1500);
        end_statement();
        for (int32_t code = key_hit(); code != 0; code = key_hit())
            log_entry(hits, "H " + std::to_string(code));
    }
}

void show_pattern() {
    for (const PatternText& p : screen_pattern()) print_at(p.row, p.col, p.text, p.fg, p.bg);
    for (;;) {
        key_inkey();
        end_statement();
    }
}

void key_echo_main() {
    mark = rt_program_prologue();
    std::string arguments(reinterpret_cast<const char*>(command_line->data),
                          size_t(command_line->len));
    if (arguments == "pattern")
        show_pattern();
    else
        echo_keys();
}

} // namespace

int main(int argc, char** argv) {
    return rt_main(argc, argv, key_echo_main);
}
