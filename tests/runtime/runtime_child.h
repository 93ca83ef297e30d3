// Starts the real runtime (its program, event-timer and display threads, no window) in a child
// process, with the scripted message box. The child's main thread then runs `main_work`, if any,
// and waits; the process ends as the runtime ends it.
#pragma once

#include "platform/threads.h"
#include "runtime/startup.h"
#include "tests/support/child_process.h"
#include "tests/support/message_box_script.h"

#include <functional>

inline ChildResult run_runtime(ProgramRoutine routine, int box_answer,
                               const std::function<void()>& main_work = {},
                               int timeout_ms = 10000) {
    return run_child(
        [&] {
            use_scripted_message_box(box_answer);
            char name[] = "runtime-test";
            char* argv[] = {name, nullptr};
            rt_start(1, argv, routine);
            if (main_work) main_work();
            for (;;) platform_sleep_ms(1000);
        },
        timeout_ms);
}

// How often `needle` occurs in `haystack`.
inline int occurrences(const std::string& haystack, const std::string& needle) {
    int n = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos;
         at = haystack.find(needle, at + 1))
        ++n;
    return n;
}
