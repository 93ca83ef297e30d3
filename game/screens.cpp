#include "game/screens.h"

#include "display/frames.h"
#include "display/keyboard.h"
#include "game/statement.h"
#include "game/texts.h"
#include "runtime/clock.h"
#include "runtime/startup.h"
#include "screen/text.h"

namespace {
constexpr int32_t STATEMENTS = 20000;

bool key_was_read(uint32_t mark) {
    return dstr_release_temps(mark, key_inkey()->len) != 0;
}
} // namespace

void print_block(const TextBlock& text) {
    const uint32_t mark = dstr_temp_top();
    for (int32_t i = 0; i < text.count; ++i) {
        print_line(literal(text.lines[i]));
        end_statement(mark, STATEMENTS);
    }
}

void show_introduction() {
    const uint32_t mark = dstr_temp_top();
    print_newline();
    end_statement(mark, STATEMENTS);
    print_newline();
    end_statement(mark, STATEMENTS);
    print_block(IntroductionText);
    print_newline();
    end_statement(mark, STATEMENTS);
    print_newline();
    end_statement(mark, STATEMENTS);
}

void print_banner() {
    const uint32_t mark = dstr_temp_top();
    print_block(BannerText);
    print_newline();
    end_statement(mark, STATEMENTS);
    print_line(literal(TEXT_BANNER_NOTICE));
    end_statement(mark, STATEMENTS);
    print_newline();
    end_statement(mark, STATEMENTS);
}

void show_help() {
    const uint32_t mark = dstr_temp_top();
    scr_cls(0, 0, 0);
    end_statement(mark, STATEMENTS);
    print_block(HelpText);
    pause_drain_and_wait();
}

void wait_for_key() {
    const uint32_t mark = dstr_temp_top();
    for (bool pressed = false; !pressed;) {
        pressed = key_was_read(mark);
        end_statement(mark, STATEMENTS);
    }
}

void drain_keys() {
    const uint32_t mark = dstr_temp_top();
    for (bool pressed = true; pressed;) {
        pressed = key_was_read(mark);
        end_statement(mark, STATEMENTS);
    }
}

void drain_and_wait() {
    drain_keys();
    wait_for_key();
}

// The key that ends the pause is already queued when the pause ends, so the drain discards it and
// the player leaves with a second key.
void pause_drain_and_wait() {
    const uint32_t mark = dstr_temp_top();
    rt_sleep(0, 0);
    end_statement(mark, STATEMENTS);
    drain_and_wait();
}

// The turn screen stays as it is, with the typed command and the last countdown.
void quit_ending() {
    rt_end();
}

void losing_ending() {
    const uint32_t mark = dstr_temp_top();
    scr_cls(0, 0, 0);
    end_statement(mark, STATEMENTS);
    print_block(LosingText);
    display_now();
    end_statement(mark, STATEMENTS);
    rt_end();
}

void winning_ending() {
    const uint32_t mark = dstr_temp_top();
    scr_cls(0, 0, 0);
    end_statement(mark, STATEMENTS);
    print_block(WinningText);
    drain_and_wait();
    scr_color(2, 0, 0, 3);
    end_statement(mark, STATEMENTS);
    scr_cls(0, 0, 0);
    end_statement(mark, STATEMENTS);
    print_block(CreditsText);
    print_newline();
    end_statement(mark, STATEMENTS);
    print_line(literal(TEXT_THANKS));
    end_statement(mark, STATEMENTS);
    print_newline();
    end_statement(mark, STATEMENTS);
    print_line(literal(TEXT_CREDITS_TITLE));
    end_statement(mark, STATEMENTS);
    print_line(literal(TEXT_CREDITS_AUTHOR));
    end_statement(mark, STATEMENTS);
    wait_for_key();
    rt_end();
}
