#include "game/statement.h"

#include "screen/text.h"

void print_text(DynString* text) {
    if (!stmt_may_run()) return;
    scr_print_wrap_check(text);
    scr_print(text, 0);
}

void print_line(DynString* text) {
    print_text(text);
    print_newline();
}

void print_newline() {
    scr_print(print_empty_string, 1);
}
