#include "game/statement.h"

#include "screen/text.h"

RoutineScope routine_enter() {
    RoutineScope scope{var_scope_enter(), mem_lock_new()};
    scope.lock->kind = 3;
    return scope;
}

void routine_leave(const RoutineScope& scope) {
    mem_lock_free(scope.lock);
    var_scope_leave(scope.vars);
}

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
