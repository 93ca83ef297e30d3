#include "runtime/errors.h"

#include "platform/message_box.h"
#include "runtime/statements.h"

#include <cstdio>

namespace {

struct ErrorMessage {
    ErrorCode code;
    const char* message;
};

// Continuable errors, and the memory-block errors 300 to 313, which are reported as critical.
constexpr ErrorMessage ErrorMessages[] = {
    {1, "NEXT without FOR"},
    {2, "Syntax error"},
    {3, "RETURN without GOSUB"},
    {4, "Out of DATA"},
    {5, "Illegal function call"},
    {6, "Overflow"},
    {7, "Out of memory"},
    {8, "Label not defined"},
    {9, "Subscript out of range"},
    {10, "Duplicate definition"},
    {12, "Illegal in direct mode"},
    {13, "Type mismatch"},
    {14, "Out of string space"},
    {16, "String formula too complex"},
    {17, "Cannot continue"},
    {18, "Function not defined"},
    {19, "No RESUME"},
    {20, "RESUME without error"},
    {24, "Device timeout"},
    {25, "Device fault"},
    {26, "FOR without NEXT"},
    {27, "Out of paper"},
    {29, "WHILE without WEND"},
    {30, "WEND without WHILE"},
    {33, "Duplicate label"},
    {35, "Subprogram not defined"},
    {37, "Argument-count mismatch"},
    {38, "Array not defined"},
    {40, "Variable required"},
    {50, "FIELD overflow"},
    {51, "Internal error"},
    {52, "Bad file name or number"},
    {53, "File not found"},
    {54, "Bad file mode"},
    {55, "File already open"},
    {56, "FIELD statement active"},
    {57, "Device I/O error"},
    {58, "File already exists"},
    {59, "Bad record length"},
    {61, "Disk full"},
    {62, "Input past end of file"},
    {63, "Bad record number"},
    {64, "Bad file name"},
    {67, "Too many files"},
    {68, "Device unavailable"},
    {69, "Communication-buffer overflow"},
    {70, "Permission denied"},
    {71, "Disk not ready"},
    {72, "Disk-media error"},
    {73, "Feature unavailable"},
    {74, "Rename across disks"},
    {75, "Path/File access error"},
    {76, "Path not found"},
    {258, "Invalid handle"},
    {262, "Function unavailable in VORNE"},
    {300, "Memory region out of range"},
    {301, "Invalid size"},
    {302, "Source memory region out of range"},
    {303, "Destination memory region out of range"},
    {304, "Source and destination memory regions out of range"},
    {305, "Source memory has been freed"},
    {306, "Destination memory has been freed"},
    {307, "Memory already freed"},
    {308, "Memory has been freed"},
    {309, "Memory not initialized"},
    {310, "Source memory not initialized"},
    {311, "Destination memory not initialized"},
    {312, "Source and destination memory not initialized"},
    {313, "Source and destination memory have been freed"},
};

struct CriticalError {
    ErrorCode code;
    const char* text;
    const char* caption;
};

// Errors that are shown at once and end the process: failed memory growth, division by zero,
// stack exhaustion and the dormant facilities' faults.
constexpr CriticalError CriticalErrors[] = {
    {11, "Division by zero", "Critical Error"},
    {256, "Out of stack space", "Critical Error"},
    {257, "Out of memory", "Critical Error #1"},
    {259, "Cannot find dynamic library file", "Critical Error"},
    {260, "Sub/Function does not exist in dynamic library", "Critical Error"},
    {261, "Sub/Function does not exist in dynamic library", "Critical Error"},
    {263, "Paths/Filename illegal in VORNE", "Critical Error"},
    {270, "_GL command called outside of SUB _GL's scope", "Critical Error"},
    {271, "END/SYSTEM called within SUB _GL's scope", "Critical Error"},
    {502, "Out of memory", "Critical Error #2"},
    {503, "Out of memory", "Critical Error #3"},
    {504, "Out of memory", "Critical Error #4"},
    {505, "Out of memory", "Critical Error #5"},
    {506, "Out of memory", "Critical Error #6"},
    {507, "Out of memory", "Critical Error #7"},
    {508, "Out of memory", "Critical Error #8"},
    {509, "Out of memory", "Critical Error #9"},
    {510, "Out of memory", "Critical Error #10"},
    {511, "Out of memory", "Critical Error #11"},
    {512, "Out of memory", "Critical Error #12"},
    {513, "Out of memory", "Critical Error #13"},
    {514, "Out of memory", "Critical Error #14"},
    {515, "Out of memory", "Critical Error #15"},
    {516, "Out of memory", "Critical Error #16"},
    {517, "Out of memory", "Critical Error #17"},
    {518, "Out of memory", "Critical Error #18"},
};

// The texts of the box being shown.
char box_text[256];
char box_caption[256];

const CriticalError* critical_error(ErrorCode code) {
    for (const CriticalError& e : CriticalErrors)
        if (e.code == code) return &e;
    return nullptr;
}

// A critical error ends the process once the box is dismissed. Exit code 1: the program failed,
// and whatever started it must not read the end as a success.
[[noreturn]] void end_after_critical_box(const char* text, const char* caption, bool system_modal) {
    message_box(text, caption, MESSAGE_BOX_OK, system_modal);
    rt_exit_process(1);
}

} // namespace

const char* error_message(ErrorCode code) {
    for (const ErrorMessage& e : ErrorMessages)
        if (e.code == code) return e.message;
    return nullptr;
}

ErrorCode rt_error(ErrorCode code) {
    if (const CriticalError* critical = critical_error(code))
        end_after_critical_box(critical->text, critical->caption, true);
    ErrorCode waiting = pending_error.load();
    if (waiting != 0) return waiting;
    if (code <= 0) code = 5;
    pending_error.store(code);
    event_pending.store(1);
    return code;
}

void error_handler() {
    ErrorCode code = pending_error.load();
    bool critical = code >= 300 && code <= 313;
    const char* message = error_message(code);
    if (message == nullptr) message = "Unprintable error";
    snprintf(box_text, sizeof box_text, "Line:%u\n%s%s", uint32_t(error_line.load()), message,
             critical ? "" : "\nContinue?");
    snprintf(box_caption, sizeof box_caption, "%s%u",
             critical ? "Critical Error #" : "Unhandled Error #", uint32_t(code));
    if (critical) end_after_critical_box(box_text, box_caption, false);
    if (message_box(box_text, box_caption, MESSAGE_BOX_YES_NO, true) == MESSAGE_BOX_NO) {
        close_requested.store(1);
        rt_exit_thread();
    }
    pending_error.store(0);
}

void fault_signal_handler(int) {
    rt_error(11);
}
