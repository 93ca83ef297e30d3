// Formatted numbers: numeric fields with their flags, rounding and overflow, the exponent forms,
// string fields, literal characters, the positions handed back, and the errors.
#include "runtime/print_using.h"

#include "runtime/errors.h"
#include "tests/runtime/strings_support.h"

#include <cmath>
#include <random>

namespace {

using PrintUsing = StringsTest;

// What print_using_single appends to an empty variable, and what it returns.
struct Formatted {
    std::string text;
    int32_t next;
};

Formatted format_single(const std::string& format, float x, int32_t position = 0) {
    DynString* dest = var_with("");
    int32_t next = print_using_single(dest, x, position, literal(format.c_str()));
    Formatted result{value_of(dest), next};
    dstr_free(dest);
    return result;
}

Formatted format_text(const std::string& format, const std::string& text, int32_t position = 0) {
    DynString* dest = var_with("");
    int32_t next = print_using(literal(format.c_str()), position, dest, temp_with(text));
    Formatted result{value_of(dest), next};
    dstr_free(dest);
    return result;
}

struct NumberCase {
    const char* format;
    float value;
    const char* text;
};

// The countdown's minutes.
const NumberCase CountdownCases[] = {
    {" ###:", 5, "   5:"},    {" ###:", 123, " 123:"},      {" ###:", 1234, " %1234:"},
    {" ###:", -5, "  -5:"},   {" ###:", -123, " %-123:"},   {" ###:", 0, "   0:"},
    {" ###:", 0.4f, "   0:"}, {" ###:", 0.5f, "   1:"},     {" ###:", 2.5f, "   3:"},
    {" ###:", 9.5f, "  10:"}, {" ###:", 999.5f, " %1000:"},
};

const NumberCase FieldCases[] = {
    {"##.##", 3.14159f, " 3.14"},
    {"##.##", 0.5f, " 0.50"},
    {".##", 0.5f, ".50"},
    {"#.#", -0.25f, "-.3"},
    {"##.##", -0.005f, "-0.00"}, // the single lies just below 0.005
    {"###.##", 999.995f, "999.99"},
    {"###.##", 999.996f, "%1000.00"},
    {"#", 10, "%10"},
    {"###", -0.4f, " -0"},
    {"+##", 5, "+ 5"},
    {"+##", -5, "- 5"},
    {"##-", -5, " 5-"},
    {"##-", 5, " 5 "},
    {"##+", 5, " 5+"},
    {"##+", -5, " 5-"},
    {"#,###", 1234, "1,234"},
    {"##,###", 1234, " 1,234"},
    {"#,###", 12, "   12"},
    {"#,###", 12345, "%12,345"},
    {"##,###,###", 1234567, " 1,234,567"},
    {"#,###.##", 1234.5f, "1,234.50"},
    {"$$##", 5, "  $5"},
    {"$$##", 1234, "%$1234"},
    {"**##", 5, "***5"},
    {"**$##", 5, "***$5"},
    {"**#.##", 1.5f, "**1.50"},
    {"##.##^^^^", 123.456f, " 1.23E+02"},
    {"##.##^^^^", -0.000123f, "-1.23E-04"},
    {"##.##^^^^", 9.999f, " 1.00E+01"},
    {"##.##^^^^", 0, " 0.00E+00"},
    {".##^^^^", 123.456f, "0.12E+03"},
    {"#.##^^^^^", 5, " .50E+001"},
    {"+#.##^^^^", 5, "+5.00E+00"},
    {"##^^^^-", -2, "20E-01-"},
    {"Cost: ##", 5, "Cost:  5"},
    {"_###", 5, "# 5"},
    {"_&##", 5, "& 5"},
    {"##_", 5, " 5_"},
    {"##x", 5, " 5x"},
    {"+ ##", 5, "+  5"}, // a "+" not followed by a field is a literal
};

TEST_F(PrintUsing, TheCountdownFormat) {
    for (const NumberCase& c : CountdownCases) {
        Formatted f = format_single(c.format, c.value);
        EXPECT_EQ(f.text, c.text) << c.value;
        EXPECT_EQ(f.next, 0) << c.value;
        EXPECT_EQ(pending_error.load(), 0);
    }
}

TEST_F(PrintUsing, NumericFieldsWithEveryFlag) {
    for (const NumberCase& c : FieldCases) {
        Formatted f = format_single(c.format, c.value);
        EXPECT_EQ(f.text, c.text) << c.format << " " << c.value;
        EXPECT_EQ(f.next, 0) << c.format;
        EXPECT_EQ(pending_error.load(), 0) << c.format;
    }
}

TEST_F(PrintUsing, AnExponentTooWideForItsFieldOverflows) {
    using_digits = UsingDigits{};
    using_digits.digits[0] = '1';
    using_digits.digit_count = 1;
    using_digits.digit_exp = 150;
    DynString* dest = var_with("");
    EXPECT_EQ(print_using(literal("##^^^^"), 0, dest, nullptr), 0);
    EXPECT_EQ(value_of(dest), "% 1E+150");
    dstr_free(dest);
}

// Half up on the magnitude against integer arithmetic: a single times 100 is exact in the
// extended type, so the cents are exact too.
TEST_F(PrintUsing, RoundingIsHalfUpOnTheMagnitude) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> spread(-1e6f, 1e6f);
    for (int i = 0; i < 5000; ++i) {
        float x = i % 2 ? spread(random) : float(int(random() % 8000000) - 4000000) / 8.0f;
        long double cents = floorl(fabsl((long double)x) * 100 + 0.5L);
        char digits[64];
        snprintf(digits, sizeof digits, "%s%lld.%02lld", x < 0 ? "-" : "", (long long)(cents / 100),
                 (long long)fmodl(cents, 100));
        char expected[64];
        snprintf(expected, sizeof expected, "%11s", digits);
        Formatted f = format_single("########.##", x);
        ASSERT_EQ(f.text, expected) << x;
        dstr_release_temps(mark, 0);
    }
}

TEST_F(PrintUsing, StringFields) {
    struct TextCase {
        const char* format;
        std::string text;
        std::string result;
    };
    const TextCase cases[] = {
        {"&", "abc", "abc"},
        {"[&]", "hi", "[hi]"},
        {"!", "abc", "a"},
        {"!", "", " "},
        {"\\  \\", "abcdef", "abcd"},
        {"\\  \\", "ab", "ab  "},
        {"\\\\", "xyz", "xy"},
        {"\\ x&", "s", "\\ xs"}, // a backslash without its partner is a literal
        {"&", std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const TextCase& c : cases) {
        Formatted f = format_text(c.format, c.text);
        EXPECT_EQ(f.text, c.result) << c.format;
        EXPECT_EQ(f.next, 0) << c.format;
    }
}

TEST_F(PrintUsing, LongFieldsAndStringsAreAppendedWhole) {
    Formatted wide = format_single(std::string(300, '#'), 5);
    EXPECT_EQ(wide.text, std::string(299, ' ') + "5");
    const std::string long_text(1000, 't');
    EXPECT_EQ(format_text("<&>", long_text).text, "<" + long_text + ">");
}

TEST_F(PrintUsing, TheNextFieldsPositionIsHandedBack) {
    DynString* dest = var_with("Time:");
    DynString* format = literal("### ###");
    int32_t next = print_using_single(dest, 1, 0, format);
    EXPECT_EQ(next, 4);
    EXPECT_EQ(value_of(dest), "Time:  1 ");
    EXPECT_EQ(print_using_single(dest, 2, next, format), 0);
    EXPECT_EQ(value_of(dest), "Time:  1   2");
    dstr_free(dest);

    // From the middle of a format the value's field may lie before the start: read it again.
    EXPECT_EQ(format_single("## AB", 5, 3).text, "AB 5 AB");
    EXPECT_EQ(format_text("& and &", "x").next, 6);
}

TEST_F(PrintUsing, FormatsWithoutAFieldForTheValueAreErrors) {
    struct ErrorCase {
        const char* format;
        bool text;
        int32_t position;
        ErrorCode error;
        const char* appended;
    };
    const ErrorCase cases[] = {
        {"abc", false, 0, 5, "abc"}, {"", false, 0, 5, ""},
        {"ab", false, 2, 5, "ab"}, // read once more from the start, then given up
        {"&", false, 0, 13, ""},     {"x##", true, 0, 13, "x"},
        {"##", false, -1, 5, ""},    {"##", false, 3, 5, ""},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.format);
        pending_error.store(0);
        DynString* dest = var_with("");
        DynString* format = literal(c.format);
        int32_t next = c.text ? print_using(format, c.position, dest, literal("t"))
                              : print_using_single(dest, 5, c.position, format);
        EXPECT_EQ(next, 0);
        EXPECT_EQ(pending_error.load(), c.error);
        pending_error.store(0);
        EXPECT_EQ(value_of(dest), c.appended);
        dstr_free(dest);
    }
}

TEST_F(PrintUsing, NonFiniteValuesAreIllegal) {
    for (float x : {INFINITY, -INFINITY, NAN}) {
        pending_error.store(0);
        EXPECT_EQ(format_single("###", x).text, "");
        EXPECT_EQ(pending_error.load(), 5);
    }
}

TEST_F(PrintUsing, WhileAnErrorIsPendingNothingIsAppended) {
    DynString* dest = var_with("kept");
    pending_error.store(6);
    EXPECT_EQ(print_using_single(dest, 5, 0, literal(" ###:")), 0);
    EXPECT_EQ(print_using(literal("&"), 0, dest, literal("x")), 0);
    EXPECT_EQ(value_of(dest), "kept");
    EXPECT_EQ(pending_error.load(), 6);
    pending_error.store(0);
    dstr_free(dest);
}

} // namespace
