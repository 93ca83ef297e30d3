// Empty Streets in a real window on a private Xvfb, played with XTest keys as in the window tests:
// - the processor time of the whole process (utime + stime from /proc, in % of one core) over a
//   stretch of time on each screen where the game waits for the player, and at the command prompt
//   with the countdown running; with each thread's share and how often it wakes up;
// - the time from the launch to the first picture of the introduction, median of several runs;
// - the peak resident memory (VmHWM) over a whole game, read just before the last key.
// Usage: game_bench [--seconds=S] [--runs=N]   (S seconds a screen, 10 by default; N start-ups, 7)
#include "game/texts.h"
#include "game/world.h"
#include "tests/support/shortest_way.h"
#include "tests/window/support/process_stats.h"
#include "tests/window/support/screen_reader.h"
#include "tests/window/support/wait.h"
#include "tests/window/support/xclient.h"
#include "tests/window/support/xserver.h"

#include <X11/keysym.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int START_MS = 10000;
constexpr int REACT_MS = 10000;
constexpr int SETTLE_MS = 1000;

using Clock = std::chrono::steady_clock;

// Threads in the order they were made: the main thread, then the runtime's program, event-timer
// and display threads (started in that order); the libraries' threads go by their own names.
std::string thread_role(size_t index, const ThreadUse& use) {
    const char* roles[] = {"main", "program", "timer", "display"};
    return index < 4 ? roles[index] : use.name;
}

// ---- The game on the server ---------------------------------------------------------------

struct Game {
    XServer server{};
    Display* display = nullptr;
    TestProgram program{};
    Window window = None;
    TextScreen screen{};
};

[[noreturn]] void fail(Game& game, const std::string& what) {
    fprintf(stderr, "game_bench: %s\n", what.c_str());
    for (int row = 1; row <= 25 && game.screen.cells.size() == 2000; ++row)
        fprintf(stderr, "  %2d|%s\n", row, screen_text(game.screen, row).c_str());
    program_stop(game.program);
    if (game.display) XCloseDisplay(game.display);
    xserver_stop(game.server);
    exit(1);
}

std::string row_text(const TextScreen& screen, int row) {
    std::string text = screen_text(screen, row);
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

// Reads the window once; false when it shows no complete text screen.
bool read_screen(Game& game) {
    WindowCapture capture;
    if (!xwin_capture(game.display, game.window, capture) || capture.width != 640 ||
        capture.height != 400)
        return false;
    game.screen = screen_read(capture);
    return game.screen.error.empty();
}

void await(Game& game, const std::function<bool(const TextScreen&)>& ready, const char* what) {
    if (!wait_until([&] { return read_screen(game) && ready(game.screen); }, REACT_MS, 10))
        fail(game, std::string("timed out waiting for ") + what);
}

bool countdown_shows(const TextScreen& screen) {
    return screen_cell(screen, 2, 36).character == ':';
}

bool introduction_shows(const TextScreen& screen) {
    return row_text(screen, 3) == IntroductionText.lines[0];
}

void launch(Game& game) {
    if (!program_launch(game.program, game.server, EMPTY_STREETS_PATH, {}))
        fail(game, "the game did not start");
}

void press(Game& game, unsigned long keysym = XK_space) {
    if (!xtest_key(game.display, keysym)) fail(game, "no key");
}

// Types a command and Enter once the prompt is there.
void command(Game& game, const std::string& text) {
    await(game, countdown_shows, "the prompt");
    if (!xtest_type(game.display, text + "\n")) fail(game, "could not type " + text);
}

// Waits for the turn whose counter shows `moves`, at its prompt.
void await_turn(Game& game, int moves) {
    std::string counter = "Moves: " + std::to_string(moves);
    await(
        game,
        [&](const TextScreen& s) {
            if (!countdown_shows(s)) return false;
            for (int row = 1; row <= 25; ++row)
                if (row_text(s, row) == counter) return true;
            return false;
        },
        "the next turn");
}

// A player on the shortest way: where they are, how many descriptions they have seen, and how
// far along the way they are.
struct Walk {
    int location = WORLD_START_LOCATION;
    int moves = 0;
    size_t leg = 0;
    int step = 0;
};

// Walks on along the shortest way until `location` is reached.
void walk_to(Game& game, Walk& walk, int location) {
    while (walk.location != location) {
        if (walk.leg == std::size(ShortestWay)) fail(game, "the way does not pass there");
        const WayLeg& leg = ShortestWay[walk.leg];
        command(game, leg.command);
        await_turn(game, ++walk.moves);
        walk.location = world_exit(walk.location, leg.direction);
        if (++walk.step == leg.times) {
            ++walk.leg;
            walk.step = 0;
        }
    }
}

// ---- Figures ------------------------------------------------------------------------------

struct Options {
    int measure_ms = 10000;
    int runs = 7;
};

Options parse_options(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (strncmp(argv[i], "--seconds=", 10) == 0)
            options.measure_ms = int(atof(argv[i] + 10) * 1000);
        else if (strncmp(argv[i], "--runs=", 7) == 0)
            options.runs = atoi(argv[i] + 7);
        else {
            fprintf(stderr, "usage: %s [--seconds=S] [--runs=N]\n", argv[0]);
            exit(2);
        }
    }
    options.measure_ms = std::max(options.measure_ms, 100);
    options.runs = std::max(options.runs, 1);
    return options;
}

// The CPU of the whole process while it waits on the screen it shows, after a moment to settle;
// printed with each thread's share.
void measure_cpu(Game& game, const Options& options, const char* screen, double target) {
    sleep_ms(std::min(SETTLE_MS, options.measure_ms));
    pid_t pid = game.program.pid;
    std::string stat = "/proc/" + std::to_string(pid) + "/stat";
    long long before = proc_cpu_ticks(stat);
    std::map<int, ThreadUse> threads_before = proc_thread_use(pid);
    Clock::time_point start = Clock::now();
    sleep_ms(options.measure_ms);
    long long after = proc_cpu_ticks(stat);
    std::map<int, ThreadUse> threads_after = proc_thread_use(pid);
    double elapsed_ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (before < 0 || after < 0) fail(game, "the game ended while it was measured");

    double tick_ms = 1000.0 / double(sysconf(_SC_CLK_TCK));
    auto percent = [&](long long ticks) { return 100.0 * double(ticks) * tick_ms / elapsed_ms; };
    double total = percent(after - before);
    printf("  %-34s %6.2f %%  (target below %.0f %%%s)\n", screen, total, target,
           total < target ? "" : ", MISSED");
    // Each thread's share, and how often it woke up a second; threads of one name together.
    std::vector<std::pair<std::string, ThreadUse>> roles;
    size_t index = 0;
    for (const auto& [tid, use] : threads_after) {
        ThreadUse was = threads_before.count(tid) ? threads_before[tid] : ThreadUse{"", 0, 0};
        std::string role = thread_role(index++, use);
        auto same = std::find_if(roles.begin(), roles.end(),
                                 [&](const auto& r) { return r.first == role; });
        if (same == roles.end()) same = roles.insert(roles.end(), {role, ThreadUse{role, 0, 0}});
        same->second.ticks += use.ticks - was.ticks;
        same->second.wakeups += use.wakeups - was.wakeups;
    }
    for (const auto& [role, use] : roles)
        if (use.ticks != 0 || use.wakeups != 0)
            printf("      %-16s %6.2f %%  %6.0f wake-ups/s\n", role.c_str(), percent(use.ticks),
                   double(use.wakeups) * 1000.0 / elapsed_ms);
    fflush(stdout);
}

// From the launch to the first capture that shows the introduction's first line, in ms. The
// window is looked for and read without pause, so the figure is late by at most one capture.
double start_up_ms(Game& game) {
    Clock::time_point start = Clock::now();
    launch(game);
    game.window = None;
    bool shown = wait_until(
        [&] {
            if (game.window == None) game.window = xwin_find_by_title(game.display, "Untitled", 0);
            return game.window != None && read_screen(game) && introduction_shows(game.screen);
        },
        START_MS, 1);
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (!shown) fail(game, "no introduction");
    program_stop(game.program);
    return ms;
}

void start_up_figures(Game& game, const Options& options) {
    std::vector<double> times;
    for (int run = 0; run < options.runs; ++run) {
        times.push_back(start_up_ms(game));
        sleep_ms(200);
    }
    std::sort(times.begin(), times.end());
    double median = times.size() % 2 ? times[times.size() / 2]
                                     : (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2;
    printf("From launch to the introduction's first picture, median of %d runs: %.0f ms "
           "(target below 300 ms; fastest %.0f ms, slowest %.0f ms)\n",
           options.runs, median, times.front(), times.back());
    fflush(stdout);
}

// One whole game, resting on every screen where the game waits for the player.
void play_and_measure(Game& game, const Options& options) {
    printf("CPU of the whole process over %.1f s per screen, in %% of one core:\n",
           options.measure_ms / 1000.0);
    launch(game);
    game.window = xwin_find_by_title(game.display, "Untitled", START_MS);
    if (game.window == None) fail(game, "no window");
    await(game, introduction_shows, "the introduction");
    XSetInputFocus(game.display, game.window, RevertToPointerRoot, CurrentTime);
    XSync(game.display, False);
    measure_cpu(game, options, "introduction", 2);

    press(game);
    await(game, countdown_shows, "the first prompt");
    measure_cpu(game, options, "command prompt, countdown running", 6);

    command(game, "help");
    await(
        game, [](const TextScreen& s) { return row_text(s, 1) == HelpText.lines[0]; }, "help");
    measure_cpu(game, options, "help (in its pause)", 2);
    press(game);
    sleep_ms(200);
    press(game);

    Walk walk;
    await_turn(game, ++walk.moves);

    command(game, "look");
    await(
        game, [](const TextScreen& s) { return row_text(s, 3) == TEXT_PRESS_ANY_KEY; }, "look");
    measure_cpu(game, options, "look", 2);
    press(game);
    await_turn(game, ++walk.moves);

    walk_to(game, walk, 8);
    command(game, "examine car");
    await(
        game, [](const TextScreen& s) { return row_text(s, 1) == ResponseExamineCar.lines[0]; },
        "the car");
    measure_cpu(game, options, "object response (EXAMINE CAR)", 2);
    press(game);
    await_turn(game, ++walk.moves);

    walk_to(game, walk, WORLD_TALK_LOCATION);
    command(game, "talk");
    await(
        game, [](const TextScreen& s) { return row_text(s, 1) == WinningText.lines[0]; },
        "the winning speech");
    sleep_ms(200);
    press(game);
    await(
        game, [](const TextScreen& s) { return row_text(s, 6) == TEXT_THANKS; }, "the credits");
    measure_cpu(game, options, "closing credits", 2);
    press(game);
    await(
        game, [](const TextScreen& s) { return row_text(s, 25) == "Press any key to continue"; },
        "Press any key to continue");
    measure_cpu(game, options, "Press any key to continue", 2);

    std::string status = "/proc/" + std::to_string(game.program.pid) + "/status";
    long long peak_kb = proc_status_field(status, "VmHWM");
    long long resident_kb = proc_status_field(status, "VmRSS");
    long long anonymous_kb = proc_status_field(status, "RssAnon");
    long long file_kb = proc_status_field(status, "RssFile");
    press(game);
    if (!program_wait(game.program, REACT_MS)) fail(game, "the game did not end");
    printf("Peak resident memory over the whole game (VmHWM before the last key): %.1f MiB\n"
           "  resident then %.1f MiB: %.1f MiB the process's own, %.1f MiB mapped from files\n",
           double(peak_kb) / 1024, double(resident_kb) / 1024, double(anonymous_kb) / 1024,
           double(file_kb) / 1024);
    printf("The game ended with exit code %d after %d moves\n",
           game.program.exited ? game.program.exit_code : -1, walk.moves);
}

} // namespace

int main(int argc, char** argv) {
    Options options = parse_options(argc, argv);
    Game game;
    if (!xserver_start(game.server)) {
        fprintf(stderr, "game_bench: no Xvfb\n");
        return 1;
    }
    game.display = xclient_open(game.server);
    if (game.display == nullptr) fail(game, "no connection to Xvfb");
    start_up_figures(game, options);
    play_and_measure(game, options);
    XCloseDisplay(game.display);
    xserver_stop(game.server);
    return 0;
}
