// String functions and number to text: results, the in-place rule for owned temporaries, what is
// consumed and what is returned untouched, clamping, and the seven-digit conversion.
#include "runtime/string_functions.h"

#include "tests/runtime/strings_support.h"

#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <random>

namespace {

using StringFunctions = StringsTest;

bool on_stack(const DynString* s) {
    return s->temp_index != 0;
}

// --- Results ------------------------------------------------------------------------------------

struct PartCase {
    const char* name;
    std::function<DynString*(DynString*)> apply;
    std::string argument;
    std::string result;
};

const PartCase PartCases[] = {
    {"mid 0,3", [](DynString* s) { return dstr_mid(s, 0, 3, 1); }, "NORTH", "NO"},
    {"mid 4,10", [](DynString* s) { return dstr_mid(s, 4, 10, 1); }, "NORTH", "TH"},
    {"mid 6", [](DynString* s) { return dstr_mid(s, 6, 0, 0); }, "NORTH", ""},
    {"mid 2", [](DynString* s) { return dstr_mid(s, 2, 0, 0); }, "NORTH", "ORTH"},
    {"mid -1", [](DynString* s) { return dstr_mid(s, -1, 0, 0); }, "NORTH", "NORTH"},
    {"mid -2,5", [](DynString* s) { return dstr_mid(s, -2, 5, 1); }, "NORTH", "NO"},
    {"mid 3,0", [](DynString* s) { return dstr_mid(s, 3, 0, 1); }, "NORTH", ""},
    {"mid 5,1", [](DynString* s) { return dstr_mid(s, 5, 1, 1); }, "NORTH", "H"},
    {"mid 6,1", [](DynString* s) { return dstr_mid(s, 6, 1, 1); }, "NORTH", ""},
    {"mid far start", [](DynString* s) { return dstr_mid(s, INT32_MAX, 5, 1); }, "NORTH", ""},
    {"mid huge n", [](DynString* s) { return dstr_mid(s, 2, INT32_MAX, 1); }, "NORTH", "ORTH"},
    {"mid low start", [](DynString* s) { return dstr_mid(s, INT32_MIN, INT32_MAX, 1); }, "NORTH",
     ""},
    {"left 2", [](DynString* s) { return dstr_left(s, 2); }, "NORTH", "NO"},
    {"left 9", [](DynString* s) { return dstr_left(s, 9); }, "NORTH", "NORTH"},
    {"left -1", [](DynString* s) { return dstr_left(s, -1); }, "NORTH", ""},
    {"right 2", [](DynString* s) { return dstr_right(s, 2); }, "NORTH", "TH"},
    {"right 9", [](DynString* s) { return dstr_right(s, 9); }, "NORTH", "NORTH"},
    {"right -3", [](DynString* s) { return dstr_right(s, -3); }, "NORTH", ""},
    {"ltrim blanks", dstr_ltrim, "   ", ""},
    {"ltrim", dstr_ltrim, "  GO N  ", "GO N  "},
    {"ltrim tab", dstr_ltrim, "\tA", "\tA"},
    {"ltrim empty", dstr_ltrim, "", ""},
    {"rtrim blanks", dstr_rtrim, "   ", ""},
    {"rtrim", dstr_rtrim, "  GO N  ", "  GO N"},
    {"rtrim zero byte", dstr_rtrim, std::string("A \0", 3), std::string("A \0", 3)},
    {"ucase", dstr_ucase, "go north!", "GO NORTH!"},
    {"ucase edges", dstr_ucase, "`az{@AZ[", "`AZ{@AZ["},
    {"ucase high bytes", dstr_ucase, "\xe9t\xe9", "\xe9T\xe9"},
    {"ucase zero byte", dstr_ucase, std::string("a\0b", 3), std::string("A\0B", 3)},
    {"ucase nothing to change", dstr_ucase, "GO 9!\xe9", "GO 9!\xe9"},
    {"ucase empty", dstr_ucase, "", ""},
};

// Every case on the three kinds of argument: the result is the same, and the argument is treated
// as its kind demands.
TEST_F(StringFunctions, ResultsAreTheSameForEveryKindOfArgument) {
    for (const PartCase& c : PartCases) {
        SCOPED_TRACE(c.name);
        DynString* owned = temp_with(c.argument);
        EXPECT_EQ(value_of(c.apply(owned)), c.result);

        std::string text = c.argument;
        DynString* lit = dstr_from_literal(text.data(), int32_t(text.size()));
        EXPECT_EQ(value_of(c.apply(lit)), c.result);
        EXPECT_EQ(text, c.argument); // the literal's text is never written

        DynString* variable = var_with(c.argument);
        EXPECT_EQ(value_of(c.apply(variable)), c.result);
        EXPECT_EQ(value_of(variable), c.argument);
        dstr_free(variable);
        dstr_release_temps(mark, 0);
    }
}

// The in-place rule: an owned temporary is changed and returned; a literal whose result differs
// is replaced by a new temporary and freed; a result equal to the argument is the argument.
TEST_F(StringFunctions, OwnedTemporariesChangeInPlaceAndOthersAreCopiedOrReturned) {
    for (const PartCase& c : PartCases) {
        SCOPED_TRACE(c.name);
        DynString* owned = temp_with(c.argument);
        uint8_t* start = owned->data;
        DynString* result = c.apply(owned);
        EXPECT_EQ(result, owned);
        EXPECT_GE(result->data, start);
        EXPECT_LE(result->data + result->len, start + c.argument.size());

        DynString* lit = dstr_from_literal(c.argument.data(), int32_t(c.argument.size()));
        DynString* copied = c.apply(lit);
        if (c.result == c.argument) {
            EXPECT_EQ(copied, lit);
        } else {
            EXPECT_NE(copied, lit);
            EXPECT_TRUE(dstr_is_owned_temp(copied));
            EXPECT_EQ(lit->temp_index, 0); // freed: its record is back in the pool
        }

        DynString* variable = var_with(c.argument);
        DynString* from_variable = c.apply(variable);
        EXPECT_EQ(from_variable == variable, c.result == c.argument);
        EXPECT_SPACE_SOUND();
        dstr_free(variable);
        dstr_release_temps(mark, 0);
    }
}

TEST_F(StringFunctions, RightAndTrimsOfAnOwnedTemporaryMoveItsStart) {
    DynString* s = temp_with("  EMPTY STREETS");
    uint8_t* start = s->data;
    EXPECT_EQ(dstr_ltrim(s)->data, start + 2);
    EXPECT_EQ(dstr_right(s, 7)->data, start + 8);
    EXPECT_EQ(value_of(s), "STREETS");
}

TEST_F(StringFunctions, UpperCasingACopyLeavesTheLiteralAndFreesIt) {
    static const char text[] = "look";
    DynString* lit = dstr_from_literal(text, 4);
    DynString* upper = dstr_ucase(lit);
    EXPECT_EQ(value_of(upper), "LOOK");
    EXPECT_STREQ(text, "look");
    dstr_free(upper);
    EXPECT_EQ(dstr_temp_top(), mark); // both slots gone: the literal was freed
}

TEST_F(StringFunctions, SpaceAndChr) {
    EXPECT_EQ(value_of(dstr_space(3)), "   ");
    EXPECT_EQ(value_of(dstr_space(0)), "");
    EXPECT_EQ(value_of(dstr_space(-4)), "");
    EXPECT_EQ(value_of(dstr_chr(65)), "A");
    EXPECT_EQ(value_of(dstr_chr(0)), std::string(1, '\0'));
    EXPECT_EQ(value_of(dstr_chr(255)), "\xff");
    EXPECT_EQ(pending_error.load(), 0);
    for (int32_t code : {256, -1}) {
        pending_error.store(0);
        DynString* s = dstr_chr(code);
        EXPECT_EQ(s->len, 0) << code;
        EXPECT_TRUE(on_stack(s));
        EXPECT_EQ(pending_error.load(), 5) << code;
    }
}

struct InstrCase {
    int32_t start;
    int start_given;
    std::string haystack, needle;
    int32_t position;
};

TEST_F(StringFunctions, InstrFindsTheFirstMatchAtOrAfterStartAndFreesNothing) {
    const InstrCase cases[] = {
        {0, 0, "GO NORTH", "NORTH", 4},
        {0, 0, "GO NORTH", "", 1},
        {0, 0, "GO", "NORTH", 0},
        {0, 0, "", "", 0},
        {0, 0, "", "A", 0},
        {0, 1, "ABC", "", 0},
        {-5, 1, "ABC", "B", 2},
        {3, 1, "ABC", "", 3},
        {4, 1, "ABC", "", 0},
        {2, 1, "ABAB", "AB", 3},
        {3, 1, "ABAB", "AB", 3},
        {4, 1, "ABAB", "AB", 0},
        {0, 0, "AAAAB", "AAB", 3},
        {0, 0, "NORTH", "NORTH", 1},
        {0, 0, "NORTHE", "THE", 4},
        {0, 0, "NORTH", "ORTHX", 0},
        {0, 0, std::string("a\0b\0c", 5), std::string("\0c", 2), 4},
        {0, 0, "north", "NORTH", 0},
        {INT32_MAX, 1, "ABC", "C", 0},
    };
    for (const InstrCase& c : cases) {
        SCOPED_TRACE(c.haystack + "|" + c.needle + "|" + std::to_string(c.start));
        DynString* haystack = temp_with(c.haystack);
        DynString* needle = temp_with(c.needle);
        EXPECT_EQ(dstr_instr(c.start, haystack, needle, c.start_given), c.position);
        EXPECT_TRUE(on_stack(haystack) && on_stack(needle));
        EXPECT_EQ(value_of(haystack), c.haystack);
    }
}

TEST_F(StringFunctions, WhileAnErrorIsPendingTheyDoNothing) {
    DynString* s = temp_with("abc ");
    pending_error.store(9);
    const std::function<DynString*()> calls[] = {
        [&] { return dstr_ucase(s); },     [&] { return dstr_ltrim(s); },
        [&] { return dstr_rtrim(s); },     [&] { return dstr_left(s, 1); },
        [&] { return dstr_right(s, 1); },  [&] { return dstr_mid(s, 2, 1, 1); },
        [] { return dstr_space(5); },      [] { return dstr_chr(300); },
        [] { return dstr_str_single(1); },
    };
    for (const auto& call : calls) {
        DynString* result = call();
        EXPECT_EQ(result->len, 0);
        EXPECT_TRUE(on_stack(result));
    }
    EXPECT_EQ(dstr_instr(0, s, s, 0), 0);
    EXPECT_EQ(value_of(s), "abc ");
    EXPECT_EQ(pending_error.load(), 9); // the first error stays
}

// --- Number to text -----------------------------------------------------------------------------

struct SingleCase {
    float value;
    const char* text;
};

const SingleCase SingleCases[] = {
    {0.0f, " 0"},
    {-0.0f, " 0"},
    {10.0f, " 10"},
    {-3.5f, "-3.5"},
    {0.1f, " .1"},
    {1e7f, " 1E+07"},
    {9999999.0f, " 9999999"},
    {123456789.0f, " 1.234568E+08"},
    {1.4e-45f, " 1.401298E-45"},
    {0.5f, " .5"},
    {-0.25f, "-.25"},
    {1234567.0f, " 1234567"},
    {0.001f, " .001"},
    {12345678.0f, " 1.234568E+07"},
    {0.00000001f, " 1E-08"},
    {1.5e-7f, " 1.5E-07"},
    {1e6f, " 1000000"},
    {100.0f, " 100"},
    {-1.0f, "-1"},
    {3.4028235e38f, " 3.402823E+38"},
    {-1e38f, "-1E+38"},
    {1.17549435e-38f, " 1.175494E-38"},
    {0.99999994f, " .9999999"},
    {2.5e-5f, " .000025"},
    {1.2345e-8f, " 1.2345E-08"},
    {599.0f, " 599"},
    {1.1f, " 1.1"},
    {0.3f, " .3"},
};

TEST_F(StringFunctions, SinglesHaveSevenSignificantDigits) {
    for (const SingleCase& c : SingleCases) {
        DynString* s = dstr_str_single(c.value);
        EXPECT_EQ(value_of(s), c.text) << c.value;
        EXPECT_TRUE(dstr_is_owned_temp(s));
    }
}

// Any single reads back as itself to seven digits, never carries a trailing zero after its
// point, and starts with a blank or "-".
TEST_F(StringFunctions, SinglesReadBackAndCarryNoTrailingZeros) {
    std::mt19937 random(20240611);
    for (int i = 0; i < 20000; ++i) {
        uint32_t bits = random();
        float x;
        memcpy(&x, &bits, 4);
        if (!std::isfinite(x)) continue;
        std::string text = value_of(dstr_str_single(x));
        SCOPED_TRACE(text);
        ASSERT_TRUE(text[0] == ' ' || text[0] == '-');
        size_t point = text.find('.');
        size_t end = text.find('E');
        if (end == std::string::npos) end = text.size();
        if (point != std::string::npos) {
            ASSERT_NE(text[end - 1], '0');
        }
        double back = strtod(text.c_str(), nullptr);
        ASSERT_NEAR(back, double(x), std::fabs(double(x)) * 5.1e-7);
        dstr_release_temps(mark, 0);
    }
}

TEST_F(StringFunctions, RoundingToAnIntegerTiesToEven) {
    struct RoundCase {
        long double x;
        int64_t result;
    };
    const RoundCase cases[] = {
        {0.5L, 0},     {1.5L, 2},
        {2.5L, 2},     {-2.5L, -2},
        {3.5L, 4},     {1.4999999L, 1},
        {-0.5L, 0},    {-1.6L, -2},
        {599.4L, 599}, {4611686018427387904.5L, 4611686018427387904LL},
    };
    ASSERT_EQ(fegetround(), FE_TONEAREST);
    for (const RoundCase& c : cases) EXPECT_EQ(round_to_int64(c.x), c.result) << double(c.x);
}

} // namespace
