#include "runtime/statements.h"

#include "platform/process.h"
#include "platform/threads.h"
#include "runtime/chain.h"
#include "runtime/errors.h"

#include <cstdlib>

ReturnStackRecord ReturnStack = {static_cast<int32_t*>(malloc(65536)), 0, 16384};

void stmt_check(int32_t line) {
    event_pending.store(0);
    while (pause_active.load() != 0 || stop_requested.load() != 0) {
        if (stop_requested.load() != 0) rt_exit_thread();
        platform_sleep_ms(10);
    }
    if (pending_error.load() != 0) {
        error_line.store(line);
        error_handler();
    }
    // Due key and timer events would be handed to their handlers here; none are registered.
}

uint32_t rt_program_prologue() {
    static bool precision_set = false;
    if (!precision_set) {
        platform_set_extended_precision();
        precision_set = true;
    }
    platform_install_fault_handler(fault_signal_handler);
    uint32_t mark = dstr_temp_top();
    chain_restore_check();
    return mark;
}

void rt_exit_thread() {
    threads_done.program_parked.store(1);
    while (stop_requested.load() == 0) platform_sleep_ms(16);
    for (;;) platform_sleep_ms(16);
}

void rt_exit_process(int code) {
    platform_exit(code);
}

void return_stack_grow() {
    if (ReturnStack.capacity < 0) rt_error(256);
    int64_t capacity = int64_t(ReturnStack.capacity) * 2;
    if (capacity > INT32_MAX) rt_error(256);
    void* grown = realloc(ReturnStack.points, size_t(capacity) * sizeof(int32_t));
    if (grown == nullptr) rt_error(256);
    ReturnStack.points = static_cast<int32_t*>(grown);
    ReturnStack.capacity = int32_t(capacity);
}

void return_stack_push(int32_t point) {
    ReturnStack.points[ReturnStack.depth++] = point;
    if (ReturnStack.depth == ReturnStack.capacity) return_stack_grow();
}

int32_t return_stack_pop() {
    if (ReturnStack.depth == 0) {
        rt_error(3);
        return 0;
    }
    return ReturnStack.points[--ReturnStack.depth];
}
