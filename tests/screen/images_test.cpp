#include "screen_start_up.h"

#include "display/frames.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <functional>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

class Pages : public testing::Test {
  protected:
    void SetUp() override { screen_start_up(); }
    void TearDown() override { alarm(0); } // the hand-shake tests bound their waits with alarm
};

bool all_cells_are(const ImageRecord* image, uint16_t cell) {
    for (int32_t row = 1; row <= image->height; ++row)
        for (int32_t col = 1; col <= image->width; ++col)
            if (cell_of(image, row, col) != cell) return false;
    return true;
}

bool lies_in_block(const ImageRecord* image) {
    return image->data >= VideoTextBlock && image->data < VideoTextBlock + VIDEO_TEXT_BLOCK_SIZE;
}

std::vector<int32_t> page_slots() {
    return std::vector<int32_t>(PageTable.slots, PageTable.slots + PageTable.count);
}

TEST_F(Pages, StartUpScreen) {
    EXPECT_EQ(scr_get_display(), -2);
    EXPECT_EQ(scr_get_dest(), -2);
    EXPECT_EQ(source_image.slot.load(), 2);
    EXPECT_EQ(display_page.record.load(), slot_record(2));
    EXPECT_EQ(page_slots(), (std::vector<int32_t>{2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(ImageTable.handed_out, 10);
    EXPECT_EQ(slot_record(0)->in_use, 0);
    EXPECT_EQ(slot_record(1)->in_use, 0);
    for (int32_t page = 0; page < 8; ++page) {
        SCOPED_TRACE(page);
        const ImageRecord* p = page_record(page);
        EXPECT_EQ(p->data, VideoTextBlock + page * 4096);
        EXPECT_EQ(p->width, 80);
        EXPECT_EQ(p->height, 25);
        EXPECT_EQ(p->font, 16);
        EXPECT_EQ(p->fg, 7);
        EXPECT_EQ(p->bg, 0u);
        EXPECT_EQ(p->cursor_row, 1);
        EXPECT_EQ(p->cursor_col, 1);
        EXPECT_EQ(p->cursor_visible, 0);
        EXPECT_EQ(p->cursor_start, 4);
        EXPECT_EQ(p->cursor_end, 4);
        EXPECT_EQ(p->view_top, 1);
        EXPECT_EQ(p->view_bottom, 24);
        EXPECT_EQ(p->pending_wrap, 0);
        EXPECT_EQ(p->colour_mask, 0xFFFFu);
        EXPECT_EQ(p->flags, IMG_OWNS_PALETTE | IMG_SCREEN_PAGE);
    }
    for (int32_t i = 0; i < VIDEO_TEXT_BLOCK_SIZE; i += 2)
        ASSERT_EQ(shared_load_cell(VideoTextBlock + i), BLANK_TEXT_CELL) << i;
    EXPECT_EQ(auto_tall_allowed, 1);
    EXPECT_EQ(pending_text_size.columns, -1);
    EXPECT_EQ(display_hold.load(), 0);
}

TEST_F(Pages, ScreenCallWithNothingPendingChangesNothing) {
    alarm(20); // a hand-shake nobody answers would hang: end the test instead
    threads_started.store(1);
    print_text("kept", 0);
    scr_screen(0, 1);
    EXPECT_EQ(row_text(page_record(0), 1), "kept");
    EXPECT_EQ(page_record(0)->cursor_col, 5);
    EXPECT_EQ(page_slots(), (std::vector<int32_t>{2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(display_hold.load(), 0);
}

TEST_F(Pages, PageCopyMovesCellsOnly) {
    scr_color(14, 1, 0, 3);
    print_text("saved text", 0);
    ImageRecord* target = page_record(1);
    target->fg = 3;
    shared_store(target->cursor_row, int16_t(7));
    shared_store(VideoTextBlock[4096 + 4000], uint8_t(0x5A)); // beyond page 1's cells

    scr_pcopy(0, 0);
    EXPECT_EQ(row_text(page_record(0), 1), "saved text");
    scr_pcopy(0, 1);
    EXPECT_EQ(memcmp(VideoTextBlock, VideoTextBlock + 4096, 4000), 0);
    EXPECT_EQ(cell_of(target, 1, 1), 0x1E00 | 's');
    EXPECT_EQ(target->fg, 3);
    EXPECT_EQ(target->cursor_row, 7);
    EXPECT_EQ(target->cursor_col, 1);
    EXPECT_EQ(VideoTextBlock[4096 + 4000], 0x5A);
    EXPECT_EQ(pending_error.load(), 0);
}

TEST_F(Pages, PageEightOnFirstUse) {
    int32_t slot = img_page(8);
    ASSERT_EQ(slot, 10);
    ASSERT_EQ(PageTable.count, 9);
    EXPECT_EQ(img_page(8), slot);
    const ImageRecord* p = slot_record(slot);
    EXPECT_EQ(p->width, 80);
    EXPECT_EQ(p->height, 25);
    EXPECT_FALSE(lies_in_block(p));
    EXPECT_TRUE(all_cells_are(p, BLANK_TEXT_CELL));
    EXPECT_EQ(p->palette, page_record(0)->palette);
    EXPECT_EQ(p->flags, IMG_SCREEN_PAGE | IMG_OWNS_DATA);
    EXPECT_EQ(p->font, 16);
    EXPECT_EQ(p->cursor_row, 1);
    EXPECT_EQ(p->cursor_col, 1);
    EXPECT_EQ(p->view_top, 1);
    EXPECT_EQ(p->view_bottom, 24);

    scr_set_dest(8);
    print_text("page eight", 0);
    EXPECT_EQ(row_text(p, 1), "page eight");
    EXPECT_EQ(row_text(page_record(0), 1), "");
}

TEST_F(Pages, WidthEightyByFiftyRebuildsTheScreen) {
    print_text("gone", 0);
    scr_width(0, 80, 50, 3);
    EXPECT_EQ(auto_tall_allowed, 0);
    EXPECT_EQ(pending_text_size.rows, -1);
    EXPECT_EQ(scr_get_display(), -PageTable.slots[0]);
    EXPECT_EQ(scr_get_dest(), -PageTable.slots[0]);
    for (int32_t page = 0; page < 8; ++page) {
        SCOPED_TRACE(page);
        const ImageRecord* p = page_record(page);
        EXPECT_EQ(p->data, VideoTextBlock + page * 8000);
        EXPECT_EQ(p->height, 50);
        EXPECT_EQ(p->font, 8);
        EXPECT_EQ(p->fg, 7);
        EXPECT_EQ(p->bg, 0u);
        EXPECT_EQ(p->cursor_row, 1);
        EXPECT_EQ(p->cursor_col, 1);
        EXPECT_EQ(p->view_bottom, 49);
        EXPECT_TRUE(all_cells_are(p, BLANK_TEXT_CELL));
    }
    EXPECT_EQ(ImageTable.released_count, 0); // the eight old slots were taken again
}

TEST_F(Pages, WidthOfTheCurrentSizeRebuildsNothing) {
    print_text("kept", 0);
    scr_width(0, 80, 25, 3);
    EXPECT_EQ(auto_tall_allowed, 0);
    EXPECT_EQ(row_text(page_record(0), 1), "kept");
    EXPECT_EQ(page_slots(), (std::vector<int32_t>{2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(Pages, OtherTextSizes) {
    struct Case {
        int32_t columns, rows, font;
        int64_t stride; // 0: no page lies in the block
        int32_t view_bottom;
    };
    const Case cases[] = {
        {40, 25, 17, 2048, 24},
        {80, 43, 14, 80 * 43 * 2, 42},
        {42, 25, 16, 42 * 25 * 2, 24},
        {200, 200, 8, 0, 199},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.columns * 1000 + c.rows);
        scr_width(0, c.columns, c.rows, 3);
        ASSERT_EQ(pending_error.load(), 0);
        int64_t in_block = c.stride != 0 ? std::min<int64_t>(65536 / c.stride, 8) : 0;
        for (int32_t page = 0; page < 8; ++page) {
            const ImageRecord* p = page_record(page);
            EXPECT_EQ(p->width, c.columns);
            EXPECT_EQ(p->height, c.rows);
            EXPECT_EQ(p->font, c.font);
            EXPECT_EQ(p->view_bottom, c.view_bottom);
            if (page < in_block)
                EXPECT_EQ(p->data, VideoTextBlock + page * c.stride) << page;
            else
                EXPECT_FALSE(lies_in_block(p)) << page;
            EXPECT_TRUE(all_cells_are(p, BLANK_TEXT_CELL)) << page;
        }
    }
}

// Each call is refused with the error given and leaves the screen as it was.
TEST_F(Pages, RefusedCalls) {
    int32_t other = img_create(40, 25, 0);
    ASSERT_NE(other, 0);
    struct Case {
        const char* name;
        std::function<void()> call;
        int32_t error;
    };
    const Case cases[] = {
        {"page copy from a free slot", [] { scr_pcopy(-50, 0); }, 5},
        {"page copy to a free slot", [] { scr_pcopy(0, -50); }, 5},
        {"page copy between sizes", [other] { scr_pcopy(0, -other); }, 5},
        {"destination a free slot", [] { scr_set_dest(-50); }, 258},
        {"source a free slot", [] { scr_set_source(-50); }, 258},
        {"width of a free slot", [] { scr_image_width(-50, 1); }, 258},
        {"reserved slot 1", [] { scr_set_dest(-1); }, 258},
        {"most negative handle", [] { scr_set_dest(INT32_MIN); }, 258},
        {"free a page number", [] { img_free(1, 1); }, 5},
        {"free a screen page", [] { img_free(-2, 1); }, 5},
        {"free a free slot", [] { img_free(-50, 1); }, 258},
        {"screen mode 3", [] { scr_screen(3, 1); }, 5},
        {"screen mode 14", [] { scr_screen(14, 1); }, 5},
        {"screen mode 13 (graphics)", [] { scr_screen(13, 1); }, 5},
        {"width without sizes", [] { scr_width(0, 80, 50, 0); }, 5},
        {"width of 0 rows", [] { scr_width(0, 80, 0, 3); }, 5},
        {"width of 70000 columns", [] { scr_width(0, 70000, 25, 3); }, 5},
        {"width of another target", [] { scr_width(1, 80, 50, 3); }, 5},
        {"negative page", [] { img_page(-3); }, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pending_error.store(0);
        c.call();
        EXPECT_EQ(pending_error.load(), c.error);
        EXPECT_EQ(page_slots(), (std::vector<int32_t>{2, 3, 4, 5, 6, 7, 8, 9}));
        EXPECT_EQ(scr_get_dest(), -2);
        EXPECT_EQ(source_image.slot.load(), 2);
        EXPECT_EQ(page_record(0)->height, 25);
    }
}

TEST_F(Pages, WidthClearsTheTallSwitchEvenWhenRefused) {
    scr_width(0, 80, 0, 3);
    EXPECT_EQ(pending_error.load(), 5);
    EXPECT_EQ(auto_tall_allowed, 0);
}

TEST_F(Pages, NothingChangesWhileAnErrorIsPending) {
    pending_error.store(7);
    scr_width(0, 80, 50, 3);
    scr_screen(3, 1);
    EXPECT_EQ(auto_tall_allowed, 1);
    EXPECT_EQ(img_page(8), 0);
    EXPECT_EQ(PageTable.count, 8);
    scr_set_dest(1);
    EXPECT_EQ(scr_get_dest(), -2);
    EXPECT_EQ(scr_image_width(0, 1), 0);
    EXPECT_EQ(img_resolve(-50), 0);
    EXPECT_EQ(pending_error.load(), 7);
    EXPECT_EQ(page_record(0)->height, 25);
}

TEST_F(Pages, ImagesAndSlotReuse) {
    int32_t slot = img_create(10, 3, 0);
    ASSERT_EQ(slot, 10);
    const ImageRecord* image = slot_record(slot);
    EXPECT_EQ(image->flags, IMG_OWNS_PALETTE | IMG_OWNS_DATA);
    EXPECT_EQ(image->view_bottom, 2);
    EXPECT_TRUE(all_cells_are(image, BLANK_TEXT_CELL));
    EXPECT_EQ(scr_image_width(-slot, 1), 10);
    EXPECT_EQ(scr_image_width(0, 0), 80);
    EXPECT_EQ(img_new_record(nullptr, 0, 5, 0), 0);
    EXPECT_EQ(img_new_record(nullptr, 5, 0, 0), 0);

    scr_set_dest(-slot);
    scr_set_source(-slot);
    img_free(0, 0); // the destination
    EXPECT_EQ(pending_error.load(), 0);
    EXPECT_EQ(scr_get_dest(), -2);
    EXPECT_EQ(source_image.slot.load(), 2);
    EXPECT_EQ(slot_record(slot)->in_use, 0);
    EXPECT_EQ(img_release_slot(slot), 0);
    EXPECT_EQ(img_create(4, 4, 0), slot); // released slots are taken first
    EXPECT_EQ(img_create(4, 4, 0), 11);
}

TEST_F(Pages, TableGrowthKeepsTheCurrentImages) {
    std::vector<int32_t> slots;
    for (int32_t i = 0; i < 5000; ++i) slots.push_back(img_create(1, 1, 0));
    EXPECT_EQ(slots.back(), 5009);
    EXPECT_EQ(ImageTable.size, 8192);
    EXPECT_EQ(dest_image.record.load(), slot_record(2));
    EXPECT_EQ(source_image.record.load(), slot_record(2));
    EXPECT_EQ(display_page.record.load(), slot_record(2));
    print_text("still here", 0);
    EXPECT_EQ(row_text(page_record(0), 1), "still here");

    for (int32_t slot : slots) img_free(-slot, 1);
    EXPECT_EQ(pending_error.load(), 0);
    EXPECT_EQ(ImageTable.released_count, 5000);
    EXPECT_EQ(ImageTable.released_capacity, 8192);
    EXPECT_EQ(img_alloc_slot(), slots.back());
}

// The program thread's half of the hand-shake, answered by a thread playing the display side:
// the pages change only between the grant and the release.
TEST_F(Pages, RecreationWaitsForTheDisplaySide) {
    alarm(20);
    threads_started.store(1);
    std::atomic<int32_t> rows_at_grant{0};
    std::atomic<int32_t> rows_at_release{0};
    std::thread display([&] {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (display_hold.load() != 1 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        rows_at_grant.store(display_page.record.load()->height);
        display_hold.store(2);
        while (display_hold.load() != 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        rows_at_release.store(display_page.record.load()->height);
    });
    scr_width(0, 80, 50, 3);
    display.join();
    EXPECT_EQ(rows_at_grant.load(), 25);
    EXPECT_EQ(rows_at_release.load(), 50);
    EXPECT_EQ(display_hold.load(), 0);
}

TEST_F(Pages, NoHandShakeWhilePresentationIsManual) {
    alarm(20);
    threads_started.store(1);
    auto_display.store(0);
    scr_width(0, 80, 50, 3);
    EXPECT_EQ(page_record(0)->height, 50);
    EXPECT_EQ(display_hold.load(), 0);
}

TEST_F(Pages, AStopRequestWhileWaitingParksTheProgramThread) {
    threads_started.store(1);
    stop_requested.store(1);
    std::thread program([] { scr_width(0, 80, 50, 3); });
    program.detach(); // it parks for good
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (threads_done.program_parked.load() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(threads_done.program_parked.load(), 1);
    EXPECT_EQ(display_hold.load(), 1);
}

} // namespace
