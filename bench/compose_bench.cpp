// compose_frame on the start-up screen (80 by 25, 640 by 400 pixels): a frame composed in full,
// a frame with one changed row, and an unchanged page, each against a memcpy of one frame in the
// same run. The drawing side's part is played by releasing every older frame after each
// composition, as present_frame does.
#include "display/frames.h"
#include "runtime/shared_bytes.h"
#include "screen/fonts.h"
#include "screen/images.h"
#include "screen/palette.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr int ROUNDS = 7;       // the median of these is printed
constexpr int ITERATIONS = 500; // per round

// Microseconds per call of `body`, the median of ROUNDS rounds.
double microseconds(const std::function<void(int)>& body) {
    std::vector<double> rounds;
    for (int r = 0; r < ROUNDS; ++r) {
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < ITERATIONS; ++i) body(i);
        std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
        rounds.push_back(took.count() / ITERATIONS);
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[ROUNDS / 2];
}

void compose_and_release() {
    compose_frame();
    display_release_older(frame_ring.newest.load());
}

// Fills row `row` (0-based) with a character that differs on every call.
void change_row(int row, int call) {
    ImageRecord* page = display_page.record.load();
    uint8_t* cells = page->data + row * page->width * 2;
    for (int col = 0; col < page->width; ++col)
        shared_store_cell(cells + col * 2, uint16_t(0x1E00 | ('A' + (call + col) % 26)));
}

} // namespace

int main() {
    font_metrics_init();
    img_table_init();
    palette_load();
    font_tables_load();
    scr_screen(0, 1);
    for (int row = 0; row < 25; ++row) change_row(row, row); // a page full of letters
    compose_and_release();

    const size_t frame_bytes = 640 * 400 * 4;
    std::vector<uint8_t> from(frame_bytes, 1), to(frame_bytes);
    double copy = microseconds([&](int i) {
        from[size_t(i)] = uint8_t(i);
        memcpy(to.data(), from.data(), frame_bytes);
    });
    double full = microseconds([](int) {
        display_invalidate_snapshot();
        compose_and_release();
    });
    double one_row = microseconds([](int i) {
        change_row(12, i);
        compose_and_release();
    });
    int32_t before = frame_ring.newest.load();
    double unchanged = microseconds([](int) { compose_and_release(); });
    if (frame_ring.newest.load() != before) printf("an unchanged page made frames!\n");

    printf("compose_frame, 80x25 text page, 640x400 frame (%zu bytes)\n", frame_bytes);
    printf("  memcpy of one frame       %8.1f us\n", copy);
    printf("  full frame                %8.1f us  (%.2f x memcpy)\n", full, full / copy);
    printf("  one changed row           %8.1f us  (%.2f x memcpy)\n", one_row, one_row / copy);
    printf("  unchanged page            %8.1f us  (%.3f x memcpy)\n", unchanged, unchanged / copy);
    return 0;
}
