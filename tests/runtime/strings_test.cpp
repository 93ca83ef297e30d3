// Dynamic strings: the string space and its compaction, temporaries and marks, the rules of
// assignment and concatenation, the low-memory area, variable storage, memory locks and the index
// check.
#include "platform/message_box.h"
#include "runtime/errors.h"
#include "tests/runtime/strings_support.h"
#include "tests/support/child_process.h"
#include "tests/support/message_box_script.h"

#include <climits>
#include <vector>

namespace {

size_t space_offset(const DynString* s) {
    return size_t(s->data - dstr_storage_info().space_start);
}

bool on_stack(const DynString* s) {
    return s->is_temp == 1 && s->temp_index != 0;
}

// --- Construction and release -------------------------------------------------------------------

TEST_F(StringsTest, NewStringsFollowEachOtherWithThirtyTwoSpareBytes) {
    DynString* a = var_with("0123456789");
    DynString* b = var_with("abc");
    EXPECT_EQ(b->data, a->data + 10 + 32);
    EXPECT_EQ(dstr_storage_info().space_used, int64_t(space_offset(b) + 3 + 32));
    EXPECT_EQ(a->temp_index, 0);
    EXPECT_EQ(a->is_temp, 0);
    dstr_free(b);
    dstr_free(a);
}

TEST_F(StringsTest, FreeingTheLastStringGivesItsBytesBack) {
    DynString* a = var_with("first");
    int64_t after_a = dstr_storage_info().space_used;
    DynString* b = var_with(std::string(500, 'b'));
    dstr_free(b);
    EXPECT_EQ(dstr_storage_info().space_used, after_a);
    DynString* c = var_with("c");
    EXPECT_EQ(space_offset(c), size_t(after_a)); // the freed bytes are used again
    dstr_free(c);
    dstr_free(a);
}

TEST_F(StringsTest, LiteralsAreReadOnlyTemporariesOverTheirText) {
    static const char text[] = "GO NORTH";
    DynString* s = dstr_from_literal(text, 8);
    EXPECT_EQ(s->data, reinterpret_cast<const uint8_t*>(text));
    EXPECT_EQ(s->len, 8);
    EXPECT_EQ(s->is_readonly, 1);
    EXPECT_TRUE(on_stack(s));
    DynString* none = dstr_from_text(nullptr);
    EXPECT_EQ(none->len, 0);
    EXPECT_EQ(dstr_from_text("LOOK")->len, 4);
}

TEST_F(StringsTest, MakeTempHandsAPermanentStringToTheNextRelease) {
    DynString* local = var_with("result");
    uint32_t before = dstr_temp_top();
    EXPECT_EQ(dstr_make_temp(local), local);
    EXPECT_TRUE(on_stack(local));
    EXPECT_EQ(dstr_make_temp(local), local); // already a temporary: stays in its slot
    EXPECT_EQ(dstr_temp_top(), before + 1);
    int32_t free_before = dstr_storage_info().free_records;
    dstr_release_temps(before, 0);
    EXPECT_EQ(dstr_storage_info().free_records, free_before + 1);
}

// --- Temporaries and marks ----------------------------------------------------------------------

TEST_F(StringsTest, AStatementOfThousandsOfTemporariesEndsAtTheMark) {
    // A long concatenation: every step consumes the two temporaries before it.
    DynString* line = literal("x");
    for (int i = 0; i < 5000; ++i) line = dstr_concat(line, literal("y"));
    EXPECT_EQ(line->len, 5001);
    EXPECT_EQ(dstr_release_temps(mark, 7), 7);
    EXPECT_EQ(dstr_temp_top(), mark);

    // Temporaries nobody consumes: the stack grows past its first capacity.
    uint32_t capacity = dstr_storage_info().temp_capacity;
    for (uint32_t i = 0; i < capacity + 10; ++i) literal("t");
    EXPECT_GT(dstr_storage_info().temp_capacity, capacity);
    EXPECT_SPACE_SOUND();
    dstr_release_temps(mark, 0);
    EXPECT_EQ(dstr_temp_top(), mark);
}

TEST_F(StringsTest, FreeingTheTopTemporaryDropsTheDeadSlotsBelowIt) {
    DynString* a = temp_with("a");
    DynString* b = temp_with("b");
    DynString* c = temp_with("c");
    dstr_free(b); // in the middle: the top stays
    EXPECT_EQ(dstr_temp_top(), mark + 3);
    dstr_free(c); // the top comes down over b's dead slot
    EXPECT_EQ(dstr_temp_top(), mark + 1);
    EXPECT_TRUE(on_stack(a));
}

// A routine whose mark sits just above a dead slot: its release stops at the mark, so that what
// its next statement makes is released with that statement.
TEST_F(StringsTest, ReleaseStopsAtTheMarkAboveADeadSlot) {
    DynString* variable = var_with("");
    temp_with("a");
    DynString* b = temp_with("b");
    DynString* c = temp_with("c");
    dstr_free(b);
    dstr_assign(variable, c); // takes c over; the top comes down by one, onto b's dead slot
    uint32_t routine_mark = dstr_temp_top();
    ASSERT_EQ(routine_mark, mark + 2);

    literal("made in the routine");
    dstr_release_temps(routine_mark, 0);
    EXPECT_EQ(dstr_temp_top(), routine_mark);
    DynString* next = temp_with("next statement");
    EXPECT_GE(uint32_t(next->temp_index), routine_mark);
    dstr_release_temps(routine_mark, 0);
    EXPECT_EQ(dstr_temp_top(), routine_mark);
    dstr_free(variable);
}

// --- Concatenation and comparison ---------------------------------------------------------------

TEST_F(StringsTest, ConcatenationWithAnEmptySideReturnsTheOtherSideItself) {
    DynString* permanent = var_with("NORTH");
    DynString* empty = literal("");
    EXPECT_EQ(dstr_concat(permanent, empty), permanent);
    EXPECT_TRUE(on_stack(empty)); // not freed: released with the statement

    DynString* temporary = temp_with("SOUTH");
    EXPECT_EQ(dstr_concat(literal(""), temporary), temporary);
    EXPECT_EQ(value_of(temporary), "SOUTH");
    dstr_free(permanent);
}

TEST_F(StringsTest, ConcatenationConsumesItsTemporariesAndKeepsVariables) {
    DynString* variable = var_with("GO ");
    DynString* word = temp_with("EAST");
    int32_t live_before = dstr_storage_info().live_strings;
    DynString* joined = dstr_concat(variable, word);
    EXPECT_EQ(value_of(joined), "GO EAST");
    EXPECT_TRUE(on_stack(joined));
    EXPECT_EQ(dstr_storage_info().live_strings, live_before); // word gone, joined new
    EXPECT_EQ(value_of(variable), "GO ");

    DynString* twice = temp_with("ab");
    EXPECT_EQ(value_of(dstr_concat(twice, twice)), "abab"); // one string on both sides: freed once
    EXPECT_SPACE_SOUND();
    dstr_free(variable);
}

TEST_F(StringsTest, AChainOfConcatenationsGrowsItsFirstTemporaryInPlace) {
    DynString* place = var_with("the crossroads");
    DynString* first = dstr_concat(literal("You are at "), place);
    uint8_t* bytes = first->data;
    DynString* chained = dstr_concat(first, literal(" now"));
    chained = dstr_concat(chained, dstr_from_literal(".", 1));
    EXPECT_EQ(chained, first);
    EXPECT_EQ(chained->data, bytes);
    EXPECT_EQ(value_of(chained), "You are at the crossroads now.");
    EXPECT_EQ(dstr_storage_info().space_used, int64_t(space_offset(chained) + 30 + 32));

    temp_with("after it"); // no longer the end of the space: a new temporary
    DynString* joined = dstr_concat(chained, literal("!"));
    EXPECT_NE(joined, chained);
    EXPECT_EQ(value_of(joined), "You are at the crossroads now.!");
    EXPECT_EQ(value_of(place), "the crossroads");
    EXPECT_SPACE_SOUND();
    dstr_free(place);
}

struct CompareCase {
    std::string a, b;
    int32_t equal;
};

TEST_F(StringsTest, ComparisonIsLengthFirstAndBytewiseAndFreesNothing) {
    const CompareCase cases[] = {
        {"", "", -1},
        {"LOOK", "LOOK", -1},
        {"LOOK", "look", 0},
        {std::string("a\0b", 3), std::string("a\0b", 3), -1},
        {std::string("a\0b", 3), std::string("a\0c", 3), 0},
        {"a", std::string("a\0", 2), 0},
        {"ab", "a", 0},
    };
    for (const CompareCase& c : cases) {
        SCOPED_TRACE(c.a + "|" + c.b);
        DynString* a = temp_with(c.a);
        DynString* b = temp_with(c.b);
        EXPECT_EQ(dstr_equal(a, b), c.equal);
        EXPECT_EQ(dstr_not_equal(a, b), c.equal ? 0 : -1);
        EXPECT_TRUE(on_stack(a) && on_stack(b));
        EXPECT_EQ(value_of(a), c.a);
    }
}

TEST_F(StringsTest, ZeroBytesKeepTheirPlaceThroughConcatenationAndAssignment) {
    const std::string with_zeros("\0A\0\0B\0", 6);
    DynString* variable = var_with("");
    dstr_assign(variable, dstr_concat(temp_with(with_zeros), temp_with(std::string(1, '\0'))));
    EXPECT_EQ(value_of(variable), with_zeros + std::string(1, '\0'));
    dstr_free(variable);
}

// --- Assignment ---------------------------------------------------------------------------------

TEST_F(StringsTest, AssignmentTakesOverAnOwnedTemporaryWithoutCopying) {
    DynString* variable = var_with("old");
    DynString* value = temp_with("a new value");
    uint8_t* bytes = value->data;
    int32_t slot = value->list_index;
    int32_t free_before = dstr_storage_info().free_records;
    EXPECT_EQ(dstr_assign(variable, value), variable);
    EXPECT_EQ(variable->data, bytes);
    EXPECT_EQ(variable->list_index, slot);
    EXPECT_EQ(value_of(variable), "a new value");
    EXPECT_EQ(variable->is_temp, 0);
    EXPECT_EQ(dstr_storage_info().free_records, free_before + 1);
    EXPECT_EQ(dstr_temp_top(), mark); // the taken-over temporary was on top
    EXPECT_SPACE_SOUND();
    dstr_free(variable);
}

TEST_F(StringsTest, AssignmentCopiesALiteralAndFreesIt) {
    static const char text[] = "LOOK";
    DynString* variable = var_with("INVENTORY");
    uint8_t* place = variable->data;
    DynString* value = dstr_from_literal(text, 4);
    dstr_assign(variable, value);
    EXPECT_EQ(variable->data, place); // shorter: copied over its own bytes
    EXPECT_EQ(value_of(variable), "LOOK");
    EXPECT_EQ(dstr_temp_top(), mark);
    EXPECT_STREQ(text, "LOOK");
    dstr_free(variable);
}

TEST_F(StringsTest, AStringGrowsInPlaceIntoItsSpareBytesAndMovesBeyondThem) {
    DynString* grown = var_with("");
    DynString* follower = var_with("F");
    uint8_t* place = grown->data;

    dstr_assign(grown, literal("0123456789012345678901234567890X")); // 32 bytes
    EXPECT_EQ(grown->data, place);
    EXPECT_EQ(value_of(follower), "F");

    int64_t end_of_space = dstr_storage_info().space_used;
    const std::string forty(40, 'q');
    dstr_assign(grown, literal(forty.c_str()));
    EXPECT_EQ(space_offset(grown), size_t(end_of_space)); // relocated to the end of the space
    EXPECT_EQ(dstr_storage_info().space_used, end_of_space + 40); // without spare bytes
    EXPECT_EQ(value_of(grown), forty);
    EXPECT_EQ(value_of(follower), "F");

    uint8_t* moved = grown->data;
    dstr_assign(grown, literal("short")); // a shorter value stays where it is
    EXPECT_EQ(grown->data, moved);
    EXPECT_EQ(value_of(grown), "short");
    EXPECT_SPACE_SOUND();
    dstr_free(follower);
    dstr_free(grown);
}

TEST_F(StringsTest, TheLastStringGrowsInPlaceWhileTheSpaceHasRoom) {
    DynString* last = var_with("");
    uint8_t* place = last->data;
    const std::string long_value(5000, 'L');
    dstr_assign(last, literal(long_value.c_str()));
    EXPECT_EQ(last->data, place);
    EXPECT_EQ(value_of(last), long_value);
    EXPECT_EQ(dstr_storage_info().space_used, int64_t(space_offset(last) + 5000));
    EXPECT_SPACE_SOUND();
    dstr_free(last);
}

TEST_F(StringsTest, AStringGrowsInPlaceIntoAFreedNeighbour) {
    DynString* grown = var_with("ab");
    DynString* neighbour = var_with(std::string(30, 'n'));
    DynString* beyond = var_with("Z");
    uint8_t* place = grown->data;
    dstr_free(neighbour);
    const std::string value(90, 'g'); // fits up to beyond's first byte: 2 + 32 + 30 + 32 = 96
    dstr_assign(grown, literal(value.c_str()));
    EXPECT_EQ(grown->data, place);
    EXPECT_EQ(value_of(grown), value);
    EXPECT_EQ(value_of(beyond), "Z");
    EXPECT_SPACE_SOUND();
    dstr_free(beyond);
    dstr_free(grown);
}

// A read-only dest owns no bytes: writing over its text would change a constant.
TEST_F(StringsTest, AssignmentToAReadOnlyStringGivesItBytesOfItsOwn) {
    static const char text[] = "CONSTANT";
    DynString* dest = dstr_from_literal(text, 8);
    dstr_assign(dest, literal("abc"));
    EXPECT_EQ(value_of(dest), "abc");
    EXPECT_EQ(dest->is_readonly, 0);
    EXPECT_STREQ(text, "CONSTANT");
    dstr_assign(dest, temp_with("taken over"));
    EXPECT_EQ(value_of(dest), "taken over");
    EXPECT_SPACE_SOUND();
}

TEST_F(StringsTest, AFixedLengthStringKeepsItsLength) {
    uint8_t storage[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    DynString fixed{};
    fixed.data = storage;
    fixed.len = 6;
    fixed.is_fixed = 1;
    dstr_assign(&fixed, literal("AB"));
    EXPECT_EQ(value_of(&fixed), "AB    ");
    dstr_assign(&fixed, temp_with("ABCDEFGH"));
    EXPECT_EQ(value_of(&fixed), "ABCDEF");
    EXPECT_EQ(dstr_temp_top(), mark);
}

TEST_F(StringsTest, AssigningAStringToItselfChangesNothing) {
    DynString* t = temp_with("same");
    EXPECT_EQ(dstr_assign(t, t), t);
    EXPECT_EQ(value_of(t), "same");
    EXPECT_TRUE(on_stack(t));
}

// --- Compaction, growth and the list ------------------------------------------------------------

TEST_F(StringsTest, CompactionMovesStringsDownOverDeadBytesAndLeavesSmallGaps) {
    DynString* x = var_with("xxxxxxxx");
    DynString* y = var_with("yyyyyyyy");
    DynString* w = var_with("wwwwwwww");
    DynString* z = var_with("zzzzzzzz");
    StorageInfo info = dstr_storage_info();
    DynString* filler = var_with(std::string(size_t(info.space_size - info.space_used) / 2, 'f'));
    DynString* s = var_with("ssss");
    dstr_free(w);
    dstr_free(filler);
    info = dstr_storage_info();

    // Does not fit after s, but fits easily once the dead bytes are gone: compaction, no growth.
    DynString* big = var_with(std::string(size_t(info.space_size - info.space_used), 'B'));
    StorageInfo after = dstr_storage_info();
    EXPECT_EQ(after.compactions, info.compactions + 1);
    EXPECT_EQ(after.growths, info.growths);
    EXPECT_EQ(y->data, x->data + 40); // a gap of 32 bytes stays
    EXPECT_EQ(z->data, y->data + 8);  // w's 40 bytes and the 32 spare bytes before: packed
    EXPECT_EQ(s->data, z->data + 8);
    EXPECT_EQ(value_of(x) + value_of(y) + value_of(z) + value_of(s),
              "xxxxxxxxyyyyyyyyzzzzzzzzssss");
    EXPECT_EQ(big->data, s->data + 4);
    EXPECT_SPACE_SOUND();
    for (DynString* d : {big, s, z, y, x}) dstr_free(d);
}

TEST_F(StringsTest, GrowthDoublesTheSpaceAndKeepsEveryValue) {
    std::vector<DynString*> strings;
    std::vector<std::string> values;
    int64_t first_size = dstr_storage_info().space_size;
    int64_t growths = dstr_storage_info().growths;
    for (int i = 0; dstr_storage_info().growths < growths + 2; ++i) {
        values.push_back(std::string(size_t(20000 + i), char('a' + i % 26)));
        strings.push_back(var_with(values.back()));
    }
    StorageInfo info = dstr_storage_info();
    EXPECT_GE(info.space_size, 4 * first_size);
    for (size_t i = 0; i < strings.size(); ++i) EXPECT_EQ(value_of(strings[i]), values[i]) << i;
    EXPECT_SPACE_SOUND();
    for (DynString* s : strings) dstr_free(s);
}

TEST_F(StringsTest, TheListSqueezesDeadSlotsAndDoublesWhenStillHalfFull) {
    // Every assignment from a temporary leaves a dead slot behind.
    DynString* variable = var_with("");
    int32_t capacity = dstr_storage_info().list_capacity;
    for (int32_t i = 0; i <= capacity + 10; ++i) dstr_assign(variable, temp_with("v"));
    StorageInfo info = dstr_storage_info();
    EXPECT_EQ(info.list_capacity, capacity); // squeezed, not grown
    EXPECT_LT(info.list_count, capacity / 2);
    EXPECT_EQ(value_of(variable), "v");
    EXPECT_SPACE_SOUND();

    std::vector<DynString*> live;
    for (int32_t i = 0; i <= capacity + 10; ++i) live.push_back(var_with("l"));
    EXPECT_EQ(dstr_storage_info().list_capacity, 2 * capacity);
    EXPECT_SPACE_SOUND();
    for (DynString* s : live) dstr_free(s);
    dstr_free(variable);
}

// --- The low-memory area ------------------------------------------------------------------------

uint16_t low_word(size_t offset) {
    uint16_t word;
    memcpy(&word, LowMemory + LOW_STRING_AREA + offset, 2);
    return word;
}

TEST_F(StringsTest, ThePrintingStringsLiveInLowMemoryWithDescriptors) {
    ASSERT_NE(print_empty_string, nullptr);
    EXPECT_EQ(print_empty_string->len, 0);
    EXPECT_EQ(value_of(print_blank_string), " ");
    for (const DynString* s : {print_empty_string, print_blank_string}) {
        EXPECT_EQ(s->in_low_memory, 1);
        EXPECT_EQ(s->temp_index, 0);
        EXPECT_EQ(s->data, LowMemory + LOW_STRING_AREA + 256);
        size_t d = size_t(s->low_descriptor_offset);
        EXPECT_EQ(s->low_descriptor, LowMemory + LOW_STRING_AREA + d);
        EXPECT_EQ(low_word(d), s->len);
        EXPECT_EQ(low_word(d + 2), 256);
    }
    EXPECT_EQ(print_empty_string->low_descriptor_offset, 65524);
    EXPECT_EQ(print_blank_string->low_descriptor_offset, 65520);
    for (size_t offset = 65528; offset < 65536; offset += 2) EXPECT_EQ(low_word(offset), 0);
}

TEST_F(StringsTest, ALowMemoryStringKeepsItsDescriptorInStep) {
    DynString* s = dstr_new_low(2, 0);
    memcpy(s->data, "AB", 2);
    size_t offset = size_t(s->data - (LowMemory + LOW_STRING_AREA));
    dstr_assign(s, literal("ABCDE")); // the last string of the area grows in place
    EXPECT_EQ(value_of(s), "ABCDE");
    EXPECT_EQ(low_word(size_t(s->low_descriptor_offset)), 5);
    EXPECT_EQ(low_word(size_t(s->low_descriptor_offset) + 2), offset);

    DynString* t = dstr_new_low(3, 1); // a temporary: no descriptor, never taken over
    memcpy(t->data, "xyz", 3);
    EXPECT_EQ(t->low_descriptor, nullptr);
    EXPECT_FALSE(dstr_is_owned_temp(t));
    DynString* variable = var_with("");
    dstr_assign(variable, t);
    EXPECT_EQ(value_of(variable), "xyz");
    EXPECT_EQ(variable->in_low_memory, 0);
    EXPECT_EQ(value_of(print_blank_string), " ");
    EXPECT_SPACE_SOUND();
    dstr_free(variable);
    dstr_free(s);
}

// --- Variable storage, routine scope, locks, index check ----------------------------------------

TEST_F(StringsTest, VariableStorageIsBumpAllocatedAndAligned) {
    uint8_t* a = static_cast<uint8_t*>(var_alloc(3));
    uint8_t* b = static_cast<uint8_t*>(var_alloc(8));
    EXPECT_EQ(b, a + 16);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 16, 0u);
    memset(b, 0xAB, 8); // usable storage

    StorageInfo info = dstr_storage_info();
    int32_t large = int32_t(info.var_end - info.var_pos) + 100;
    uint8_t* c = static_cast<uint8_t*>(var_alloc(large));
    StorageInfo after = dstr_storage_info();
    EXPECT_EQ(c, after.var_base);
    EXPECT_EQ(after.var_block_size, ((large + 15) & ~15) + 2 * info.var_block_size);
    EXPECT_EQ(after.var_pos, after.var_base + ((large + 15) & ~15));
    c[large - 1] = 1;
}

TEST_F(StringsTest, LeavingARoutineRestoresTheStoragePositionAndDescriptorTop) {
    VarScope scope = var_scope_enter();
    EXPECT_EQ(scope.temp_mark, mark);
    var_alloc(64);
    DynString* local = dstr_new_low(1, 0);
    EXPECT_EQ(dstr_storage_info().low_descriptor_top, scope.low_descriptor_top - 4);
    dstr_free(local);
    var_scope_leave(scope);
    StorageInfo info = dstr_storage_info();
    EXPECT_EQ(info.var_pos, scope.var_pos);
    EXPECT_EQ(info.low_descriptor_top, scope.low_descriptor_top);

    // The block changed while the routine ran: back to the start of the new block.
    VarScope outer = var_scope_enter();
    var_alloc(int32_t(info.var_end - info.var_pos) + 16);
    var_scope_leave(outer);
    info = dstr_storage_info();
    EXPECT_EQ(info.var_pos, info.var_base);
}

TEST_F(StringsTest, MemoryLocksGetFreshIdsAndAreRecycled) {
    MemLock* a = mem_lock_new();
    MemLock* b = mem_lock_new();
    EXPECT_GE(a->id, 1073741824u);
    EXPECT_EQ(b->id, a->id + 1);
    a->kind = 1;
    a->memory = malloc(32);
    mem_lock_free(a);
    EXPECT_EQ(a->id, 0u);
    mem_lock_free(a); // released twice: the second time changes nothing
    MemLock* c = mem_lock_new();
    MemLock* d = mem_lock_new();
    EXPECT_EQ(c, a); // the released record comes back first, once
    EXPECT_NE(d, a);
    EXPECT_EQ(c->id, b->id + 1);
    EXPECT_EQ(c->memory, nullptr);
    for (MemLock* lock : {b, c, d}) mem_lock_free(lock);
}

TEST_F(StringsTest, MemoryLockIdsCountUpAcrossBlocksAndTheFreeList) {
    ChildResult r = run_child([] {
        MemLock* first = mem_lock_new();
        child_check(first->id >= 1073741824u, "ids start above 1,073,741,823");
        MemLock* many[20000];
        for (MemLock*& lock : many) lock = mem_lock_new(); // past one block of 10,000
        child_check(many[19999]->id == first->id + 20000, "ids count up by one");
        for (MemLock* lock : many) mem_lock_free(lock); // past the free list's 1,000
        child_check(mem_lock_new()->id == first->id + 20001, "recycled records get new ids");
    });
    EXPECT_TRUE(r.exited && r.exit_code == 0) << r.err;
}

TEST_F(StringsTest, TheIndexCheckIsUnsigned) {
    struct IndexCase {
        uint32_t index, count, result;
        ErrorCode error;
    };
    const IndexCase cases[] = {
        {0, 52, 0, 0}, {51, 52, 51, 0}, {52, 52, 0, 9}, {uint32_t(-1), 52, 0, 9}, {0, 0, 0, 9},
    };
    for (const IndexCase& c : cases) {
        pending_error.store(0);
        EXPECT_EQ(array_index_check(c.index, c.count), c.result) << c.index;
        EXPECT_EQ(pending_error.load(), c.error) << c.index;
    }
}

// --- A pending error ----------------------------------------------------------------------------

TEST_F(StringsTest, WhileAnErrorIsPendingValueOperationsDoNothing) {
    DynString* variable = var_with("kept");
    DynString* value = temp_with("ignored");
    pending_error.store(5);
    EXPECT_EQ(dstr_assign(variable, value), variable);
    EXPECT_EQ(value_of(variable), "kept");
    EXPECT_TRUE(on_stack(value)); // left for the statement's release
    DynString* joined = dstr_concat(variable, value);
    EXPECT_EQ(joined->len, 0);
    EXPECT_TRUE(on_stack(joined));
    EXPECT_EQ(dstr_equal(variable, variable), 0);
    EXPECT_EQ(dstr_not_equal(variable, value), 0);
    dstr_release_temps(mark, 0); // the statement still winds down
    EXPECT_EQ(dstr_temp_top(), mark);
    pending_error.store(0);
    dstr_free(variable);
}

// --- Failed growth ------------------------------------------------------------------------------

struct GrowthCase {
    const char* name;
    void (*grow)();
    const char* box;
};

const GrowthCase GrowthCases[] = {
    {"a string too long for the space", [] { dstr_new(0xFFFFFFFFu, 1); },
     "box: Critical Error #12 | Out of memory [OK]"},
    {"no room for low-memory data",
     [] {
         StorageInfo info = dstr_storage_info();
         dstr_new_low(uint32_t(info.low_descriptor_top - 256 + 1), 1); // even once packed
     },
     "box: Critical Error #13 | Out of memory [OK]"},
    {"descriptors meet low-memory data",
     [] {
         StorageInfo info = dstr_storage_info();
         dstr_new_low(uint32_t(info.low_descriptor_top - info.low_used - 2), 0);
     },
     "box: Critical Error #14 | Out of memory [OK]"},
};

TEST_F(StringsTest, GrowthFailuresEndTheProgramWithACriticalError) {
    for (const GrowthCase& c : GrowthCases) {
        SCOPED_TRACE(c.name);
        ChildResult r = run_child([&] {
            use_scripted_message_box(MESSAGE_BOX_ANSWER_OK);
            c.grow();
            fprintf(stderr, "went on\n");
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exit_code, 1) << r.err;
        EXPECT_NE(r.err.find(c.box), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("went on"), std::string::npos) << r.err;
    }
}

} // namespace
