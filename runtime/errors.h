// Runtime errors: numbered ErrorCodes, raised with rt_error and reported after the statement that
// raised them. Most errors are deferred: the first one waits in pending_error, the statement winds
// down without further effects, and stmt_check hands it to error_handler, which shows it in a
// message box and lets the player continue or end. A few critical errors end the process at once.
#pragma once

#include <cstdint>

using ErrorCode = int32_t;

// Raises an error. Immediate critical codes show their box and end the process (exit code 1).
// Otherwise records the code in pending_error unless an earlier one is waiting (the first error
// wins), treating codes of 0 or less as 5, and sets event_pending. Returns the recorded code.
ErrorCode rt_error(ErrorCode code);

// Reports pending_error under "Line:" and error_line. Called by stmt_check on the program thread.
// Codes 300 to 313 are critical: OK, then the process ends with exit code 1. Any other code asks
// "Continue?": No ends the program in order; Yes (or a box that cannot be shown) clears the error
// and the program goes on with the next statement.
void error_handler();

// The arithmetic-fault handler: an integer division by zero ends the program with the
// "Division by zero" critical error.
void fault_signal_handler(int signal_number);

// The message of a code from the table of continuable and memory-block errors, or null.
const char* error_message(ErrorCode code);
