// The game's statements and the way they print. After every statement the game ends it with
// end_statement(mark, ...): the temporaries above the routine's mark are released and pending
// events are served (a pause holds here, a stop parks the program, a runtime error is reported).
// A statement's number is its source line plus the base of its file, so that an error report
// names the statement: turn loop 10000, screens 20000, command editor 30000, state 40000.
#pragma once

#include "runtime/statements.h"
#include "runtime/strings.h"

#include <cstdint>
#include <cstring>
#include <source_location>

inline void end_statement(uint32_t mark, int32_t file_base,
                          std::source_location at = std::source_location::current()) {
    stmt_end(mark, file_base + int32_t(at.line()));
}

// The scope of a routine's locals: on entry the routine saves its temporary mark, the position of
// variable storage and the low-memory descriptor top and takes a lock for its locals; on exit,
// after it has freed its local strings, the lock is released and the storage positions restored.
struct RoutineScope {
    VarScope vars;
    MemLock* lock;
};
RoutineScope routine_enter();
void routine_leave(const RoutineScope& scope);

// A read-only temporary over a constant text.
inline DynString* literal(const char* text) {
    return dstr_from_literal(text, int32_t(strlen(text)));
}

// The text at the cursor, the cursor left after it (a text that does not fit on the rest of the
// row starts on the next one).
void print_text(DynString* text);

// The text at the cursor, then a new line.
void print_line(DynString* text);

// A new line.
void print_newline();
