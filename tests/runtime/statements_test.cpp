// The statement check, the subroutine return stack and the orderly end of the process.
#include "platform/message_box.h"
#include "runtime/errors.h"
#include "runtime/statements.h"
#include "tests/runtime/runtime_child.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace {

void reset_flags() {
    pending_error.store(0);
    event_pending.store(0);
    pause_active.store(0);
    stop_requested.store(0);
    threads_done.program_parked.store(0);
}

} // namespace

TEST(StatementCheck, HoldsWhilePausedAndGoesOnWhenThePauseEnds) {
    reset_flags();
    pause_active.store(1);
    event_pending.store(1);
    std::atomic<bool> returned{false};
    std::thread program([&] {
        stmt_check(7);
        returned.store(true);
    });
    platform_sleep_ms(60);
    EXPECT_FALSE(returned.load());
    EXPECT_EQ(event_pending.load(), 0);
    pause_active.store(0);
    for (int waited = 0; waited < 200 && !returned.load(); ++waited) platform_sleep_ms(1);
    EXPECT_TRUE(returned.load());
    program.join();
}

// A stop parks the program thread for good, also when it comes while the program is paused. The
// program runs statements; the stop arrives as the shutdown sends it: stop_requested, then
// event_pending.
TEST(StatementCheck, ParksForGoodOnAStop) {
    for (bool paused : {false, true}) {
        SCOPED_TRACE(paused ? "paused" : "running");
        ChildResult r = run_child([paused] {
            reset_flags();
            pause_active.store(paused ? 1 : 0);
            event_pending.store(paused ? 1 : 0);
            std::atomic<bool> returned{false};
            std::thread([&] {
                for (int32_t line = 1; line < 1000000000; ++line) stmt_end(0, line);
                returned.store(true);
            }).detach();
            platform_sleep_ms(30);
            child_check(threads_done.program_parked.load() == 0, "parked before the stop");
            stop_requested.store(1);
            event_pending.store(1);
            platform_sleep_ms(100);
            child_check(threads_done.program_parked.load() == 1, "not parked after the stop");
            child_check(!returned.load(), "the program went on after a stop");
            _exit(0);
        });
        EXPECT_TRUE(r.exited && r.exit_code == 0) << r.err;
    }
}

TEST(StatementCheck, StatementEndReleasesTemporariesAndChecksOnlyWhenAnEventIsPending) {
    reset_flags();
    uint32_t mark = dstr_temp_top();
    dstr_from_literal("one", 3);
    dstr_from_literal("two", 3);
    ASSERT_EQ(dstr_temp_top(), mark + 2);
    stmt_end(mark, 1);
    EXPECT_EQ(dstr_temp_top(), mark);

    pending_error.store(0);
    event_pending.store(1);
    stmt_end(mark, 2); // nothing is pending but the flag: the check clears it
    EXPECT_EQ(event_pending.load(), 0);
}

namespace {

void busy_routine() {
    uint32_t mark = rt_program_prologue();
    for (int32_t line = 1;; ++line) stmt_end(mark, line);
}

} // namespace

// A request to end, from the close box or from rt_end's key, stops a program that is running
// statements and ends the process with exit code 0 within a few display passes.
TEST(Shutdown, AStopRequestEndsTheProcessPromptlyWithExitCode0) {
    for (bool close_box : {false, true}) {
        SCOPED_TRACE(close_box ? "close box" : "close request");
        ChildResult r = run_runtime(busy_routine, MESSAGE_BOX_YES, [close_box] {
            platform_sleep_ms(200);
            fprintf(stderr, "requested at %lld\n", monotonic_ms());
            if (close_box) exit_requests.store(1);
            else close_requested.store(1);
        });
        ASSERT_TRUE(r.exited) << r.err;
        EXPECT_EQ(r.exit_code, 0);
        long long requested = 0;
        size_t at = r.err.find("requested at ");
        ASSERT_NE(at, std::string::npos) << r.err;
        requested = atoll(r.err.c_str() + at + 13);
        long long latency = r.end_ms - requested;
        printf("shutdown took %lld ms\n", latency);
        EXPECT_LT(latency, 100);
    }
}

namespace {

void returning_routine() {
    rt_program_prologue();
}

} // namespace

// A routine that returns leaves its thread parked, so a later close request still ends the process.
TEST(Shutdown, AProgramRoutineThatReturnsStillLetsTheProcessEnd) {
    ChildResult r = run_runtime(returning_routine, MESSAGE_BOX_YES, [] {
        platform_sleep_ms(100);
        exit_requests.store(1);
    });
    ASSERT_TRUE(r.exited) << r.err;
    EXPECT_EQ(r.exit_code, 0);
}

TEST(ReturnStack, GrowsPastItsFirstCapacityAndUnwindsInOrder) {
    reset_flags();
    ReturnStack.depth = 0;
    ASSERT_EQ(ReturnStack.capacity, 16384);
    for (int32_t point = 1; point <= 16385; ++point) return_stack_push(point);
    EXPECT_EQ(ReturnStack.capacity, 32768);
    EXPECT_EQ(ReturnStack.depth, 16385);
    EXPECT_EQ(pending_error.load(), 0);
    for (int32_t point = 16385; point >= 1; --point) ASSERT_EQ(return_stack_pop(), point);
    EXPECT_EQ(pending_error.load(), 0);
    EXPECT_EQ(return_stack_pop(), 0); // a return with no call
    EXPECT_EQ(pending_error.load(), 3);
}
