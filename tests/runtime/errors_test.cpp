// Runtime errors end to end: raised in a statement, reported after it by the statement check in
// the message box, then continued or ended as the player answers.
#include "platform/message_box.h"
#include "runtime/errors.h"
#include "tests/runtime/runtime_child.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct ErrorCase {
    const char* name;
    std::vector<ErrorCode> raised; // in one statement, number 10
    int answer;
    const char* box;               // the one box expected
    int exit_code;
    bool next_statement_runs;
};

const ErrorCase ErrorCases[] = {
    {"yes continues", {9}, MESSAGE_BOX_YES,
     "box: Unhandled Error #9 | Line:10/Subscript out of range/Continue? [Yes/No]", 0, true},
    {"no ends in order", {9}, MESSAGE_BOX_NO,
     "box: Unhandled Error #9 | Line:10/Subscript out of range/Continue? [Yes/No]", 0, false},
    {"box not shown continues", {9}, MESSAGE_BOX_FAILED,
     "box: Unhandled Error #9 | Line:10/Subscript out of range/Continue? [Yes/No]", 0, true},
    {"first of two wins", {9, 5}, MESSAGE_BOX_YES,
     "box: Unhandled Error #9 | Line:10/Subscript out of range/Continue? [Yes/No]", 0, true},
    {"no message", {15}, MESSAGE_BOX_YES,
     "box: Unhandled Error #15 | Line:10/Unprintable error/Continue? [Yes/No]", 0, true},
    {"zero is 5", {0}, MESSAGE_BOX_YES,
     "box: Unhandled Error #5 | Line:10/Illegal function call/Continue? [Yes/No]", 0, true},
    {"negative is 5", {-7}, MESSAGE_BOX_YES,
     "box: Unhandled Error #5 | Line:10/Illegal function call/Continue? [Yes/No]", 0, true},
    {"300 is critical", {300}, MESSAGE_BOX_ANSWER_OK,
     "box: Critical Error #300 | Line:10/Memory region out of range [OK]", 1, false},
    {"305 is critical", {305}, MESSAGE_BOX_ANSWER_OK,
     "box: Critical Error #305 | Line:10/Source memory has been freed [OK]", 1, false},
    {"313 is critical", {313}, MESSAGE_BOX_ANSWER_OK,
     "box: Critical Error #313 | Line:10/Source and destination memory have been freed [OK]", 1,
     false},
};

const ErrorCase* current_case;

// Statement 10 raises the case's errors, statement 20 says that it ran, then the program ends in
// order as after rt_end.
void raising_routine() {
    uint32_t mark = rt_program_prologue();
    for (ErrorCode code : current_case->raised) rt_error(code);
    stmt_end(mark, 10);
    fprintf(stderr, "statement 20 ran\n");
    stmt_end(mark, 20);
    close_requested.store(1);
    rt_exit_thread();
}

} // namespace

TEST(RuntimeErrors, ReportedAfterTheStatementAndAnsweredAsThePlayerChooses) {
    for (const ErrorCase& c : ErrorCases) {
        SCOPED_TRACE(c.name);
        current_case = &c;
        ChildResult r = run_runtime(raising_routine, c.answer);
        ASSERT_TRUE(r.exited) << r.err;
        EXPECT_EQ(r.exit_code, c.exit_code) << r.err;
        EXPECT_EQ(occurrences(r.err, "box: "), 1) << r.err;
        EXPECT_NE(r.err.find(c.box), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("statement 20 ran") != std::string::npos, c.next_statement_runs)
            << r.err;
    }
}

namespace {

struct CriticalCase {
    ErrorCode code;
    const char* box;
};

const CriticalCase CriticalCases[] = {
    {11, "box: Critical Error | Division by zero [OK]"},
    {256, "box: Critical Error | Out of stack space [OK]"},
    {257, "box: Critical Error #1 | Out of memory [OK]"},
    {270, "box: Critical Error | _GL command called outside of SUB _GL's scope [OK]"},
    {502, "box: Critical Error #2 | Out of memory [OK]"},
    {512, "box: Critical Error #12 | Out of memory [OK]"},
    {518, "box: Critical Error #18 | Out of memory [OK]"},
};

ErrorCode critical_code;

void critical_routine() {
    rt_program_prologue();
    rt_error(critical_code);
    fprintf(stderr, "rt_error returned\n");
    rt_exit_thread();
}

// An integer division by zero, done by the processor rather than caught by the sanitizer.
__attribute__((no_sanitize("undefined"), noinline)) long long divide(long long a, long long b) {
    return a / b;
}

volatile long long zero = 0;

void dividing_routine() {
    rt_program_prologue();
    fprintf(stderr, "quotient %lld\n", divide(7, zero));
    rt_exit_thread();
}

} // namespace

// A critical error shows its box at once and ends the process with a failure, whatever thread
// raised it; nothing after it runs.
TEST(RuntimeErrors, CriticalErrorsEndTheProcessWithExitCode1) {
    for (const CriticalCase& c : CriticalCases) {
        SCOPED_TRACE(c.code);
        critical_code = c.code;
        ChildResult r = run_runtime(critical_routine, MESSAGE_BOX_ANSWER_OK);
        ASSERT_TRUE(r.exited) << r.err;
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_NE(r.err.find(c.box), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("rt_error returned"), std::string::npos) << r.err;
    }
}

TEST(RuntimeErrors, IntegerDivisionByZeroIsACriticalError) {
    ChildResult r = run_runtime(dividing_routine, MESSAGE_BOX_ANSWER_OK);
    ASSERT_TRUE(r.exited) << r.err;
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("box: Critical Error | Division by zero [OK]"), std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("quotient"), std::string::npos) << r.err;
}

TEST(RuntimeErrors, EveryTableEntryHasItsMessage) {
    EXPECT_STREQ(error_message(1), "NEXT without FOR");
    EXPECT_STREQ(error_message(76), "Path not found");
    EXPECT_STREQ(error_message(262), "Function unavailable in VORNE");
    EXPECT_EQ(error_message(11), nullptr);
    EXPECT_EQ(error_message(77), nullptr);
    int entries = 0;
    for (ErrorCode code = -1; code < 1000; ++code) entries += error_message(code) != nullptr;
    EXPECT_EQ(entries, 69);
}
