#include "runtime/startup.h"

#include "display/frames.h"
#include "display/keyboard.h"
#include "display/window.h"
#include "platform/process.h"
#include "platform/threads.h"
#include "runtime/clock.h"
#include "runtime/files.h"
#include "runtime/low_memory.h"
#include "screen/fonts.h"
#include "screen/images.h"
#include "screen/palette.h"
#include "screen/text.h"

#include <string>
#include <thread>

namespace {

// The executable's folder becomes the working directory, whatever the caller's was.
void enter_executable_folder() {
    std::string path = platform_executable_path();
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return;
    platform_set_working_directory(slash == 0 ? "/" : path.substr(0, slash));
}

// The program thread runs the routine. A routine that returns (the game never does) parks the
// thread like the end of the program, so that a later shutdown still finds it parked.
void program_thread(ProgramRoutine routine) {
    routine();
    rt_exit_thread();
}

// Interval timers: a table with one slot, switched off; nothing in this system arms a timer.
struct IntervalTimer {
    int32_t active;
    int32_t due;
    double period_ms;
    double next_ms;
};
IntervalTimer interval_timers[1];

// Marks the timers whose period has elapsed as due. Returns whether any timer is armed.
bool visit_interval_timers() {
    bool armed = false;
    for (IntervalTimer& timer : interval_timers) {
        if (timer.active == 0) continue;
        armed = true;
        if (double(clock_ms()) < timer.next_ms) continue;
        timer.due = 1;
        timer.next_ms += timer.period_ms;
        event_pending.store(1);
    }
    return armed;
}

// With no timer armed nothing can fall due: the thread then only waits for the end, which the
// shutdown signals through this word, looking again every 100 ms.
std::atomic<uint32_t> timer_thread_wake{0};
constexpr int IDLE_TIMER_WAIT_MS = 100;

} // namespace

void event_timer_thread() {
    for (int pass = 1; stop_requested.load() == 0; ++pass) {
        uint32_t seen = timer_thread_wake.load();
        if (!visit_interval_timers()) {
            if (stop_requested.load() == 0)
                platform_wait_word(timer_thread_wake, seen, IDLE_TIMER_WAIT_MS);
        } else {
            platform_sleep_ms(pass % 4 == 0 ? 1 : 0);
        }
    }
    threads_done.timer_ended.store(1);
}

void rt_set_up(int argc, char** argv) {
    platform_init();
    files_init();
    enter_executable_folder();
    font_metrics_init();
    img_table_init();
    var_storage_init();
    low_memory_clear();
    dstr_low_area_init();
    print_strings_init();
    command_line_build(argc, argv);
    clock_time_base_init();
    keyboard_init();
    palette_load();
    font_tables_load();
    scr_screen(0, 1);
    auto_tall_allowed = 1;
}

void rt_start(int argc, char** argv, ProgramRoutine routine) {
    rt_set_up(argc, argv);
    std::thread(program_thread, routine).detach();
    std::thread(event_timer_thread).detach();
    threads_started.store(1);
    std::thread(display_thread).detach();
}

int rt_main(int argc, char** argv, ProgramRoutine routine) {
    rt_start(argc, argv, routine);
    window_run(argc, argv);
    return 0;
}

void rt_end() {
    uint32_t mark = dstr_temp_top();
    files_close_all();
    scr_set_dest(scr_get_display());
    const ImageRecord* page = dest_image.record.load();
    int32_t rows = page->is_text ? page->height : page->height / FontHeight[page->font];
    scr_view_print(rows, rows, 1);
    scr_print(print_empty_string, 1);
    scr_print(dstr_from_literal("Press any key to continue", 25), 0);
    dstr_release_temps(mark, 0);
    // Keys typed before the message appeared do not count.
    while (dstr_release_temps(mark, key_inkey()->len) != 0) platform_sleep_ms(0);
    auto_display.store(1);
    for (;;) {
        platform_sleep_ms(0);
        if (stop_requested.load() != 0) rt_exit_thread();
        if (dstr_release_temps(mark, key_inkey()->len) != 0) break;
    }
    close_requested.store(1);
    rt_exit_thread();
}

void rt_shutdown() {
    stop_requested.store(1);
    event_pending.store(1);
    timer_thread_wake.store(timer_thread_wake.load() + 1);
    platform_wake_word(timer_thread_wake);
    key_wake_readers();
    while (threads_done_mask() != 3) platform_sleep_ms(16);
    files_close_all();
    rt_exit_process(0);
}
