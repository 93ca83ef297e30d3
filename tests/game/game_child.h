// Plays the real game without a window: the runtime's threads run game_main in a child process
// while the child's main thread types keys as the window layer would and reads page 0.
#pragma once

#include "display/keyboard.h"
#include "game/turn_loop.h"
#include "platform/threads.h"
#include "runtime/shared_bytes.h"
#include "runtime/startup.h"
#include "screen/images.h"
#include "tests/support/child_process.h"
#include "tests/support/message_box_script.h"

#include <functional>
#include <string>

// Row `row` (1-based) of a page as text, trailing blanks removed: page 0 is the one shown, page 1
// the command editor's copy of the screen as the prompt found it.
inline std::string page_row(int row, int page_number = 0) {
    const ImageRecord* page = &ImageTable.records[PageTable.slots[page_number]];
    std::string text;
    for (int col = 0; col < page->width; ++col) {
        uint16_t cell = shared_load_cell(page->data + ((row - 1) * page->width + col) * 2);
        text.push_back(char(cell & 0xFF));
    }
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

// Waits at most timeout_ms for `condition`; ends the child with a message if it never holds.
inline void await(const std::function<bool()>& condition, const char* what,
                  int timeout_ms = 5000) {
    for (int waited = 0; !condition(); waited += 2) {
        if (waited >= timeout_ms) {
            fprintf(stderr, "timed out waiting for %s; the screen shows:\n", what);
            for (int row = 1; row <= 25; ++row) fprintf(stderr, "%2d|%s\n", row, page_row(row).c_str());
            fflush(stderr);
            _exit(4);
        }
        platform_sleep_ms(2);
    }
}

inline void await_row(int row, const std::string& text, int timeout_ms = 5000) {
    std::string what = "row " + std::to_string(row) + " to read \"" + text + "\"";
    await([&] { return page_row(row) == text; }, what.c_str(), timeout_ms);
}

// The command editor is reading keys once its countdown shows on row 2.
inline void await_prompt() {
    await([] { return page_row(2).size() >= 36 && page_row(2)[35] == ':'; }, "the prompt");
}

inline void press(int32_t code) {
    key_down(code);
    key_up(code);
}

// Types a command at the prompt, once the prompt is there, and Enter.
inline void command(const std::string& text) {
    await_prompt();
    for (char c : text) press(c);
    press(13);
}

// Starts the game in a child and runs `player` on its main thread; the child ends when the game
// ends it (exit code 0), when a check fails (3) or a wait times out (4).
inline ChildResult play(const std::function<void()>& player, int timeout_ms = 30000) {
    return run_child(
        [&] {
            use_scripted_message_box(0);
            char name[] = "empty-streets";
            char* argv[] = {name, nullptr};
            rt_start(1, argv, game_main);
            player();
            for (;;) platform_sleep_ms(1000);
        },
        timeout_ms);
}
