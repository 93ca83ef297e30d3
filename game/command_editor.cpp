#include "game/command_editor.h"

#include "display/frames.h"
#include "display/keyboard.h"
#include "game/screens.h"
#include "game/state.h"
#include "game/statement.h"
#include "runtime/clock.h"
#include "runtime/print_using.h"
#include "runtime/string_functions.h"
#include "screen/images.h"
#include "screen/text.h"

namespace {

constexpr int32_t STATEMENTS = 30000;
constexpr int32_t PASSES_PER_SECOND = 30;
constexpr int32_t KEY_BACKSPACE = 8;
constexpr int32_t KEY_ENTER = 13;

bool accepted(int32_t code) {
    return code == ' ' || (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z');
}

// Both key queues are emptied: keys typed before the prompt appeared are lost.
void flush_keys(uint32_t mark) {
    for (bool more = true; more;) {
        int32_t code = key_hit();
        key_inkey();
        more = code != 0 || key_inkey()->len != 0;
        end_statement(mark, STATEMENTS);
    }
}

} // namespace

// The countdown at row 2, column 32: whole minutes through the format " ###:", then the seconds
// with their fraction as the runtime prints a number ("0" before a leading point).
void print_countdown(long double left) {
    const RoutineScope scope = routine_enter();
    const uint32_t mark = scope.vars.temp_mark;
    DynString* minutes_text = dstr_new(0, 0);
    DynString* seconds_text = dstr_new(0, 0);
    float minutes = float(round_to_int64(left) / 60);
    float seconds = float(left - (long double)minutes * 60);
    end_statement(mark, STATEMENTS);
    dstr_assign(seconds_text, dstr_ltrim(dstr_rtrim(dstr_str_single(seconds))));
    end_statement(mark, STATEMENTS);
    if (dstr_release_temps(mark, dstr_instr(0, seconds_text, literal("."), 0)) == 2)
        dstr_assign(seconds_text, dstr_concat(literal("0"), seconds_text));
    end_statement(mark, STATEMENTS);
    scr_locate(2, 32, 0, 0, 0, 3);
    end_statement(mark, STATEMENTS);
    print_using_single(minutes_text, minutes, 0, literal(" ###:"));
    print_text(minutes_text);
    print_line(seconds_text);
    end_statement(mark, STATEMENTS);
    dstr_free(seconds_text);
    dstr_free(minutes_text);
    routine_leave(scope);
}

DynString* get_command() {
    const RoutineScope scope = routine_enter();
    const uint32_t mark = scope.vars.temp_mark;
    DynString* line = dstr_new(0, 0);
    const int32_t prompt_column = scr_pos();
    const int32_t prompt_row = scr_csrlin();
    end_statement(mark, STATEMENTS);
    scr_pcopy(0, 1);
    end_statement(mark, STATEMENTS);
    flush_keys(mark);

    for (int32_t code = 0; code != KEY_ENTER;) {
        rt_limit(PASSES_PER_SECOND);
        end_statement(mark, STATEMENTS);
        scr_pcopy(1, 0);
        end_statement(mark, STATEMENTS);
        scr_locate(prompt_row, prompt_column, 0, 0, 0, 3);
        print_line(line);
        end_statement(mark, STATEMENTS);
        code = key_hit();
        end_statement(mark, STATEMENTS);
        if (code == KEY_BACKSPACE)
            dstr_assign(line, dstr_left(line, line->len - 1));
        else if (accepted(code))
            dstr_assign(line, dstr_ucase(dstr_concat(line, dstr_chr(code))));
        end_statement(mark, STATEMENTS);
        long double left = game_time_left();
        print_countdown(left);
        if (left <= 0) losing_ending();
        display_now();
        end_statement(mark, STATEMENTS);
    }
    display_auto();
    end_statement(mark, STATEMENTS);
    routine_leave(scope);
    return dstr_make_temp(line);
}
