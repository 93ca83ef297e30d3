#include "game/turn_loop.h"

#include "display/keyboard.h"
#include "game/command_editor.h"
#include "game/screens.h"
#include "game/state.h"
#include "game/statement.h"
#include "game/texts.h"
#include "runtime/clock.h"
#include "runtime/string_functions.h"
#include "screen/text.h"

namespace {

constexpr int32_t STATEMENTS = 10000;
constexpr int32_t COMPASS_INDENT = 38;

enum CommandGroup { QUIT, HELP, LOOK, INVENTORY, NORTH, EAST, SOUTH, WEST, NO_GROUP };

struct CommandText {
    CommandGroup group;
    const char* text;
};

// The command groups without a condition, in the order they are tested. Object commands and TALK
// follow them, each accepted only at its location.
constexpr CommandText CommandTexts[] = {
    {QUIT, "Q"},          {QUIT, "END"},          {QUIT, "QUIT"},     {QUIT, "EXIT"},
    {HELP, "HELP"},       {HELP, "H"},            {LOOK, "L"},        {LOOK, "LOOK AROUND"},
    {LOOK, "LOOK"},       {INVENTORY, "I"},       {INVENTORY, "INVENTORY"},
    {INVENTORY, "INV"},   {INVENTORY, "ITEMS"},   {NORTH, "N"},       {NORTH, "GO NORTH"},
    {NORTH, "NORTH"},     {EAST, "E"},            {EAST, "GO EAST"},  {EAST, "EAST"},
    {SOUTH, "S"},         {SOUTH, "GO SOUTH"},    {SOUTH, "SOUTH"},   {WEST, "W"},
    {WEST, "GO WEST"},    {WEST, "WEST"},
};

bool command_is(const char* text, uint32_t mark) {
    return dstr_release_temps(mark, dstr_equal(game->command, literal(text))) != 0;
}

CommandGroup command_group(uint32_t mark) {
    for (const CommandText& c : CommandTexts)
        if (command_is(c.text, mark)) return c.group;
    return NO_GROUP;
}

bool phrase_names(const char* direction, uint32_t mark) {
    DynString* phrase = game->exit_phrase[game->location];
    return dstr_release_temps(mark, dstr_instr(0, phrase, literal(direction), 0)) != 0;
}

// Rows 14 to 16: the compass of the location's exits, drawn from its exit phrase. N and S stand
// in column 39, above and below the plus sign.
void print_compass(uint32_t mark) {
    if (phrase_names("NORTH", mark)) print_text(dstr_concat(dstr_space(COMPASS_INDENT), literal("N")));
    print_newline();
    end_statement(mark, STATEMENTS);
    print_text(literal(TEXT_COMPASS_LEFT));
    print_text(literal(phrase_names("WEST", mark) ? "W" : " "));
    print_text(literal(" + "));
    print_text(literal(phrase_names("EAST", mark) ? "E" : " "));
    print_text(literal(TEXT_COMPASS_RIGHT));
    print_newline();
    end_statement(mark, STATEMENTS);
    if (phrase_names("SOUTH", mark)) print_text(dstr_concat(dstr_space(COMPASS_INDENT), literal("S")));
    print_newline();
    end_statement(mark, STATEMENTS);
}

void draw_turn_screen(uint32_t mark) {
    scr_cls(0, 0, 0);
    end_statement(mark, STATEMENTS);
    print_newline();
    end_statement(mark, STATEMENTS);
    print_newline();
    end_statement(mark, STATEMENTS);
    print_banner();
    print_compass(mark);
    print_newline();
    end_statement(mark, STATEMENTS);
    print_line(literal(TEXT_HINT));
    end_statement(mark, STATEMENTS);
    print_newline();
    end_statement(mark, STATEMENTS);
    // The move counter as the runtime prints a number: a leading blank, the digits, a blank.
    print_text(literal("Moves:"));
    print_line(dstr_concat(dstr_str_single(float(game->moves)), literal(" ")));
    end_statement(mark, STATEMENTS);
    print_newline();
    end_statement(mark, STATEMENTS);
    describe_location();
}

void show_look_screen(uint32_t mark) {
    scr_cls(0, 0, 0);
    end_statement(mark, STATEMENTS);
    print_line(game->exit_phrase[game->location]);
    end_statement(mark, STATEMENTS);
    print_newline();
    end_statement(mark, STATEMENTS);
    print_line(literal(TEXT_PRESS_ANY_KEY));
    end_statement(mark, STATEMENTS);
    drain_and_wait();
}

// No command sets an item, so the list between the two blank rows is always empty.
void show_inventory_screen(uint32_t mark) {
    scr_cls(0, 0, 0);
    end_statement(mark, STATEMENTS);
    print_line(literal(TEXT_INVENTORY));
    end_statement(mark, STATEMENTS);
    print_newline();
    end_statement(mark, STATEMENTS);
    print_newline();
    end_statement(mark, STATEMENTS);
    print_line(literal(TEXT_PRESS_ANY_KEY));
    end_statement(mark, STATEMENTS);
    drain_and_wait();
}

void show_response_screen(const WorldObject& object, uint32_t mark) {
    scr_cls(0, 0, 0);
    end_statement(mark, STATEMENTS);
    print_block(*object.response);
    drain_and_wait();
}

// A direction without an exit leaves the player where they are.
void move(Direction direction, uint32_t mark) {
    int32_t destination = world_exit(game->location, direction);
    if (destination != 0 && stmt_may_run()) game->location = destination;
    end_statement(mark, STATEMENTS);
}

} // namespace

void handle_command() {
    const uint32_t mark = dstr_temp_top();
    print_text(literal("> "));
    end_statement(mark, STATEMENTS);
    dstr_assign(game->command, get_command());
    end_statement(mark, STATEMENTS);
    dstr_assign(game->command, dstr_ltrim(dstr_rtrim(dstr_ucase(game->command))));
    end_statement(mark, STATEMENTS);

    switch (command_group(mark)) {
    case QUIT: quit_ending();
    case HELP: show_help(); return;
    case LOOK: show_look_screen(mark); return;
    case INVENTORY: show_inventory_screen(mark); return;
    case NORTH: move(Direction::north, mark); return;
    case EAST: move(Direction::east, mark); return;
    case SOUTH: move(Direction::south, mark); return;
    case WEST: move(Direction::west, mark); return;
    case NO_GROUP: break;
    }
    const DynString* command = game->command;
    if (const WorldObject* object = world_object_at(game->location, command->data, command->len)) {
        show_response_screen(*object, mark);
        return;
    }
    if (game->location == WORLD_TALK_LOCATION &&
        (command_is(WORLD_TALK, mark) || command_is(WORLD_TALK_TO_GUY, mark)))
        winning_ending();
    // Anything else does nothing: the next turn redraws the screen and counts a move.
}

void game_main() {
    const uint32_t mark = rt_program_prologue();
    game_state_new();
    end_statement(mark, STATEMENTS);
    scr_color(2, 0, 0, 3);
    end_statement(mark, STATEMENTS);
    scr_cls(0, 0, 0);
    end_statement(mark, STATEMENTS);
    game_state_fill();
    show_introduction();
    wait_for_key();
    game->deadline = rt_timer(0.001, 1) + game->time_limit;
    end_statement(mark, STATEMENTS);
    for (;;) {
        draw_turn_screen(mark);
        handle_command();
    }
}
