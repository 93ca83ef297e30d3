// The statement protocol: what the program thread does around every statement of the game, and
// where it parks, pauses and reports errors.
#pragma once

#include "runtime/flags.h"
#include "runtime/strings.h"

#include <cstdint>

// After each statement the game releases its temporaries to its mark and, when event_pending is
// set, calls stmt_check with the statement's number. stmt_check parks the program thread for good
// when the process is stopping, holds it while paused, and reports a pending error (which either
// ends the process or is cleared, so that the program goes on with the next statement).
void stmt_check(int32_t line);

// The start of a statement: false while an error is pending, so that its work is skipped.
inline bool stmt_may_run() {
    return pending_error.load(std::memory_order_relaxed) == 0;
}

// The end of a statement: temporaries above `mark` are released, then events are served.
inline void stmt_end(uint32_t mark, int32_t line) {
    if (dstr_temp_top() > mark) dstr_release_temps(mark, 0);
    if (event_pending.load(std::memory_order_acquire) != 0) stmt_check(line);
}

// The program prologue, run by the game's main routine on the program thread before its first
// statement: full 64-bit precision for the floating-point unit, the arithmetic-fault handler and
// chain_restore_check. Returns the routine's temporary-string mark.
uint32_t rt_program_prologue();

// Parks the program thread for good; the display thread then ends the process. Never returns.
[[noreturn]] void rt_exit_thread();

// Ends the process at once with `code`, running no static destructors while other threads live.
[[noreturn]] void rt_exit_process(int code);

// --- Subroutine return points -----------------------------------------------------------------
struct ReturnStackRecord {
    int32_t* points;  // return-point numbers
    int32_t depth;
    int32_t capacity; // starts at 16,384 entries
};
extern ReturnStackRecord ReturnStack;

void return_stack_grow();              // doubles the capacity; ErrorCode 256 when it cannot
void return_stack_push(int32_t point); // a subroutine call
int32_t return_stack_pop();            // a return; ErrorCode 3 and 0 when the stack is empty
