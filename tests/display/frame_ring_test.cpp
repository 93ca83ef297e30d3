// The frame ring between the composer and the drawing side: reclaiming released frames, taking
// over their buffers, a full ring, the hold of screen re-creation, the ring fault, and the switch
// to manual presentation with the real display thread.
#include "tests/display/display_fixture.h"

#include "runtime/flags.h"
#include "tests/support/child_process.h"

#include <algorithm>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

namespace {

class FrameRingTest : public ::testing::Test {
  protected:
    void SetUp() override { make_start_up_screen(); }

    // A change on the page and a composition: one new frame unless the ring is full.
    void compose_change() {
        ++changes;
        put_cell(1 + changes / 80 % 25, 1 + changes % 80, uint8_t('A' + changes % 26), 0x07);
        compose_frame();
        ASSERT_EQ(display_ring_fault(), nullptr);
    }

    // What present_frame does with the ring once it has drawn the newest frame.
    static void draw_newest() {
        int32_t newest = frame_ring.newest.load();
        display_release_older(newest);
        frame_ring.slots[newest].drawn.store(1);
    }

    int changes = 0;
};

TEST_F(FrameRingTest, ReleasedFramesAreReclaimedAndTheirBufferTakenOver) {
    for (int i = 0; i < 6; ++i) compose_change();
    ASSERT_EQ(frame_ring.first_pending.load(), 1);
    ASSERT_EQ(frame_ring.newest.load(), 6);
    uint32_t* buffer_of_3 = frame_ring.slots[3].pixels;

    draw_newest(); // slots 1 to 5 become releasable
    compose_change();
    // Slots 1 and 2 are freed; slot 3, the oldest left and of the same size, gives its buffer to
    // the new frame in slot 7. The four newest are never freed.
    EXPECT_EQ(frame_ring.newest.load(), 7);
    EXPECT_EQ(frame_ring.first_pending.load(), 4);
    EXPECT_EQ(frame_ring.slots[1].pixels, nullptr);
    EXPECT_EQ(frame_ring.slots[2].pixels, nullptr);
    EXPECT_EQ(frame_ring.slots[3].pixels, nullptr);
    EXPECT_EQ(frame_ring.slots[7].pixels, buffer_of_3);
    EXPECT_EQ(frame_ring.slots[7].releasable.load(), 0);
    EXPECT_EQ(frame_ring.slots[7].drawn.load(), 0);
    EXPECT_EQ(cell_difference(newest_frame(), 7, 0, 'H', 7, 0), "") << "the frame is complete";
}

TEST_F(FrameRingTest, UnreleasedFramesAreKept) {
    for (int i = 0; i < 10; ++i) compose_change();
    EXPECT_EQ(frame_ring.first_pending.load(), 1);
    for (int32_t slot = 1; slot <= 10; ++slot) EXPECT_NE(frame_ring.slots[slot].pixels, nullptr);
}

TEST_F(FrameRingTest, FullRingComposesNothingUntilFramesAreReleased) {
    for (int i = 0; i < FRAME_SLOTS; ++i) compose_change();
    ASSERT_EQ(frame_ring.newest.load(), 64);
    ASSERT_EQ(frame_ring.first_pending.load(), 1);

    compose_change();
    EXPECT_EQ(frame_ring.newest.load(), 64) << "a full ring composes nothing";

    draw_newest();
    compose_frame(); // the change made while the ring was full
    EXPECT_EQ(frame_ring.newest.load(), 1);
    EXPECT_EQ(frame_ring.first_pending.load(), 62);
    EXPECT_EQ(cell_difference(newest_frame(), 65 % 80, 0, uint8_t('A' + 65 % 26), 7, 0), "");
    EXPECT_EQ(display_ring_fault(), nullptr);
}

// Random changes of cells (blinking ones among them), of the cursor and the blink phase, with
// compositions and draws in between: the ring stays sound after every step, and every
// incremental frame equals the frame composed in full from the same page.
TEST_F(FrameRingTest, RandomHandOversKeepTheRingSoundAndFramesExact) {
    std::mt19937 random(20260101);
    auto pick = [&](int n) { return int(random() % uint32_t(n)); };
    for (int step = 0; step < 3000; ++step) {
        switch (pick(6)) {
        case 0:
            put_cell(1 + pick(25), 1 + pick(80), uint8_t(pick(256)), uint8_t(pick(256)));
            break;
        case 1:
            place_cursor(1 + pick(25), 1 + pick(80), pick(2), uint8_t(pick(8)), uint8_t(pick(16)));
            break;
        case 2:
            set_blink_phase(pick(2));
            break;
        case 3:
            compose_frame();
            break;
        case 4:
            draw_newest();
            break;
        case 5: {
            draw_newest();
            compose_frame();
            if (frame_ring.newest.load() == 0) break;
            const DisplayFrame& frame = newest_frame();
            std::vector<uint32_t> incremental(frame.pixels,
                                              frame.pixels + frame.width * frame.height);
            draw_newest();
            display_invalidate_snapshot();
            compose_frame();
            ASSERT_TRUE(std::equal(incremental.begin(), incremental.end(), newest_frame().pixels))
                << "step " << step;
            break;
        }
        }
        ASSERT_EQ(display_ring_fault(), nullptr) << "step " << step;
    }
}

TEST_F(FrameRingTest, ScreenRecreationHoldsCompositionOff) {
    display_hold.store(1);
    compose_change();
    EXPECT_EQ(display_hold.load(), 2) << "the hold is granted";
    EXPECT_EQ(frame_ring.newest.load(), 0);
    compose_frame();
    EXPECT_EQ(frame_ring.newest.load(), 0) << "nothing while the hold lasts";
    display_hold.store(0);
    compose_frame();
    EXPECT_EQ(frame_ring.newest.load(), 1);
}

TEST_F(FrameRingTest, SlotThatStillOwnsPixelsEndsTheProcessWith9090) {
    compose_change();
    frame_ring.slots[2].pixels = static_cast<uint32_t*>(malloc(16)); // a broken hand-over
    // The process's exit code is 9090; a parent sees its low 8 bits.
    EXPECT_EXIT(compose_change(), ::testing::ExitedWithCode(9090 & 0xFF), "");
}

// The real display thread composes while presentation is automatic; the first display_now waits
// for one more of its frames and switches to manual, after which display_now composes at once.
TEST_F(FrameRingTest, DisplayNowSwitchesToManual) {
    ChildResult child = run_child([] {
        std::thread(display_thread).detach();
        put_text(1, 1, "BEFORE", 0x07);
        long long start = monotonic_ms();
        display_now();
        long long waited = monotonic_ms() - start;
        child_check(auto_display.load() == 0, "manual after the first display_now");
        child_check(waited < 500, "the switch waits for one composing pass");
        child_check(cell_difference(newest_frame(), 0, 0, 'B', 7, 0).empty(), "frame shows page");

        // Manual: composed on this thread before display_now returns.
        put_text(1, 1, "AFTER", 0x07);
        int32_t before = frame_ring.newest.load();
        display_now();
        child_check(frame_ring.newest.load() == display_next_slot(before), "a frame at once");
        child_check(cell_difference(newest_frame(), 0, 0, 'A', 7, 0).empty(), "shows the change");
        for (int pass = 0; pass < 10; ++pass) { // the display thread composes no more
            put_cell(2, 1 + pass, 'x', 0x07);
            std::this_thread::sleep_for(std::chrono::milliseconds(16));
        }
        child_check(frame_ring.newest.load() == display_next_slot(before), "no frame in manual");

        display_auto();
        long long deadline = monotonic_ms() + 1000;
        while (frame_ring.newest.load() == display_next_slot(before) && monotonic_ms() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        child_check(cell_difference(newest_frame(), 9, 1, 'x', 7, 0).empty(), "automatic again");
    });
    EXPECT_TRUE(child.exited) << child.err;
    EXPECT_EQ(child.exit_code, 0) << child.err;
}

TEST_F(FrameRingTest, DisplayNowParksWhenTheProcessIsStopping) {
    // No display thread answers: a stopping process parks the program thread instead.
    ChildResult child = run_child(
        [] {
            stop_requested.store(1);
            std::thread([] {
                while (threads_done.program_parked.load() == 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                _exit(0);
            }).detach();
            display_now();
            _exit(4);
        },
        3000);
    EXPECT_TRUE(child.exited) << child.err;
    EXPECT_EQ(child.exit_code, 0) << child.err;
}

} // namespace
