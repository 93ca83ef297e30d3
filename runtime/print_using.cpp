// Formatted numbers: the format engine and the conversion of a single-precision value.
#include "runtime/print_using.h"

#include "runtime/errors.h"
#include "runtime/flags.h"

#include <cstdio>
#include <cstring>

UsingDigits using_digits;

namespace {

constexpr int32_t DIGIT_ROOM = int32_t(sizeof(UsingDigits::digits));

// The state of one format field, cleared before every field is scanned.
struct UsingField {
    int32_t integer_positions;
    int32_t fraction_positions;
    uint8_t point;
    uint8_t commas;
    uint8_t leading_plus;
    uint8_t trailing_plus;
    uint8_t trailing_minus;
    uint8_t dollar;
    uint8_t asterisk;
    int32_t exponent_width; // 0, 2 or 3
    uint8_t sign_slot;
    uint8_t overflow;
    uint8_t rounded;
};

// Bytes on their way to dest; they are appended in pieces, so that a field costs one new string
// rather than one per character.
struct UsingOutput {
    DynString* dest;
    int32_t count;
    uint8_t bytes[256];
};

bool error_pending() {
    return pending_error.load(std::memory_order_relaxed) != 0;
}

// --- Output -------------------------------------------------------------------------------------

// dest takes over a new temporary holding its old value and the waiting bytes.
void flush(UsingOutput& out) {
    if (out.count == 0) return;
    DynString* dest = out.dest;
    DynString* joined = dstr_new(uint32_t(dest->len) + uint32_t(out.count), 1);
    if (dest->len > 0) memcpy(joined->data, dest->data, size_t(dest->len));
    memcpy(joined->data + dest->len, out.bytes, size_t(out.count));
    dstr_assign(dest, joined);
    out.count = 0;
}

void put(UsingOutput& out, uint8_t c) {
    if (out.count == int32_t(sizeof out.bytes)) flush(out);
    out.bytes[out.count++] = c;
}

void put_run(UsingOutput& out, uint8_t c, int32_t n) {
    for (int32_t i = 0; i < n; ++i) put(out, c);
}

int32_t finish(UsingOutput& out, int32_t position) {
    flush(out);
    return position;
}

int32_t fail(UsingOutput& out, ErrorCode code) {
    flush(out);
    rt_error(code);
    return 0;
}

// --- Digits -------------------------------------------------------------------------------------

char digit_at(int32_t index) {
    const UsingDigits& d = using_digits;
    return index >= 0 && index < d.digit_count ? d.digits[index] : '0';
}

// Adds one unit to the last of the first `kept` digits, carrying leftwards, and drops the digits
// after it. With no digit kept the unit stands alone, one place above the first digit.
void round_up_digits(int32_t kept) {
    UsingDigits& d = using_digits;
    if (kept == 0) {
        d.digit_exp += d.digit_count;
        d.digits[0] = '1';
        d.digit_count = 1;
        return;
    }
    d.digit_exp += d.digit_count - kept;
    d.digit_count = kept;
    int32_t i = kept - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
        d.digits[i] += 1;
        return;
    }
    if (d.digit_count == DIGIT_ROOM) { // the last digit is a 0 of the carry: drop it
        d.digit_count -= 1;
        d.digit_exp += 1;
    }
    memmove(d.digits + 1, d.digits, size_t(d.digit_count));
    d.digits[0] = '1';
    d.digit_count += 1;
}

// --- Scanning -----------------------------------------------------------------------------------

bool at(const uint8_t* f, int32_t len, int32_t i, uint8_t c) {
    return i < len && f[i] == c;
}

int32_t run_of(const uint8_t* f, int32_t len, int32_t i, uint8_t c, int32_t most) {
    int32_t n = 0;
    while (n < most && at(f, len, i + n, c)) ++n;
    return n;
}

// One step of the numeric-field scanner: consumes what character f[i] adds to the field in the
// given state and returns the new state, or -1 when the character ends the field unconsumed.
// States: 0 nothing seen, 1 leading plus, 2 digits, 3 after the point, 4 after the exponent.
int scan_step(const uint8_t* f, int32_t len, int32_t& i, int state, UsingField& field) {
    uint8_t c = f[i];
    if (state >= 2 && (c == '+' || c == '-')) {
        (c == '+' ? field.trailing_plus : field.trailing_minus) = 1;
        i += 1;
        return 5; // the sign ends the field
    }
    int32_t carets = (state == 2 || state == 3) ? run_of(f, len, i, '^', 5) : 0;
    if (carets >= 4) {
        field.exponent_width = carets == 5 ? 3 : 2;
        i += carets;
        return 4;
    }
    if (state == 3 && c == '#') {
        field.fraction_positions += 1;
        i += 1;
        return 3;
    }
    if (state == 2 && c == ',') {
        field.commas = 1;
        field.integer_positions += 1;
        i += 1;
        return 2;
    }
    if (state <= 2 && c == '#') {
        field.integer_positions += 1;
        i += 1;
        return 2;
    }
    if (state <= 2 && c == '.') {
        field.point = 1;
        i += 1;
        return 3;
    }
    if (state <= 1 && c == '*' && at(f, len, i + 1, '*')) {
        field.asterisk = 1;
        field.dollar = at(f, len, i + 2, '$') ? 1 : 0;
        field.integer_positions += 2;
        i += field.dollar ? 3 : 2;
        return 2;
    }
    if (state <= 1 && c == '$' && at(f, len, i + 1, '$')) {
        field.dollar = 1;
        field.integer_positions += 1;
        i += 2;
        return 2;
    }
    if (state == 0 && c == '+') {
        field.leading_plus = 1;
        i += 1;
        return 1;
    }
    return -1;
}

// The numeric field at i: returns the position after it, or i when there is none.
int32_t scan_numeric_field(const uint8_t* f, int32_t len, int32_t i, UsingField& field) {
    field = UsingField{};
    int state = 0;
    int32_t end = i;
    while (end < len && state != 5) {
        int next = scan_step(f, len, end, state, field);
        if (next < 0) break;
        state = next;
    }
    bool numeric = state >= 2 && field.integer_positions + field.fraction_positions > 0;
    return numeric ? end : i;
}

// The width of the string field at i: -1 for "&", 1 for "!", the full width of "\  \", or 0.
int32_t string_field_width(const uint8_t* f, int32_t len, int32_t i) {
    if (f[i] == '&') return -1;
    if (f[i] == '!') return 1;
    if (f[i] != '\\') return 0;
    int32_t j = i + 1;
    while (at(f, len, j, ' ')) ++j;
    return at(f, len, j, '\\') ? j - i + 1 : 0;
}

// --- Numbers in fixed notation ------------------------------------------------------------------

struct FixedLayout {
    int32_t width;   // integer positions, commas included
    int32_t needed;  // integer digits of the value
    int32_t section; // positions of those digits and their commas
    int32_t padding;
    bool zero_lead; // a 0 before the point of a value below 1
};

bool explicit_sign(const UsingField& field) {
    return field.leading_plus || field.trailing_plus || field.trailing_minus;
}

int32_t with_commas(int32_t digits) {
    return digits > 0 ? digits + (digits - 1) / 3 : 0;
}

// Steps 1 to 4 of a fixed field: sign slot, commas, the dropped zero and the overflow.
FixedLayout lay_out_fixed(UsingField& field) {
    UsingDigits& d = using_digits;
    FixedLayout l{};
    l.width = field.integer_positions;
    field.sign_slot = d.negative && !explicit_sign(field);
    if (field.sign_slot) l.width -= 1;
    int32_t digit_positions = field.commas ? l.width - l.width / 4 : l.width;
    if (digit_positions <= 0 && d.digit_count + d.digit_exp == 1 && d.digits[0] == '0') {
        memmove(d.digits, d.digits + 1, size_t(d.digit_count - 1)); // value kept, 0 dropped
        d.digit_count -= 1;
    }
    l.needed = d.digit_count + d.digit_exp > 0 ? d.digit_count + d.digit_exp : 0;
    field.overflow = digit_positions < l.needed;
    if (field.overflow) l.width = field.commas ? with_commas(l.needed) : l.needed;
    l.section = field.commas ? with_commas(l.needed) : l.needed;
    l.padding = l.width > l.section ? l.width - l.section : 0;
    l.zero_lead = l.needed == 0 && l.padding > 0;
    if (l.zero_lead) l.padding -= 1;
    return l;
}

// Step 6: rounds once at the first digit not written; true when the digits changed.
bool round_fixed(const UsingField& field) {
    const UsingDigits& d = using_digits;
    int32_t kept = d.digit_count + d.digit_exp + field.fraction_positions;
    if (kept < 0 || kept >= d.digit_count || d.digits[kept] < '5') return false;
    round_up_digits(kept);
    return true;
}

void put_trailing_sign(const UsingField& field, UsingOutput& out) {
    bool negative = using_digits.negative != 0;
    if (field.trailing_plus) put(out, negative ? '-' : '+');
    if (field.trailing_minus) put(out, negative ? '-' : ' ');
}

void put_fixed(const UsingField& field, const FixedLayout& l, UsingOutput& out) {
    const UsingDigits& d = using_digits;
    if (field.overflow) put(out, '%');
    if (field.leading_plus) put(out, d.negative ? '-' : '+');
    put_run(out, field.asterisk ? '*' : ' ', l.padding);
    if (field.sign_slot) put(out, '-');
    if (field.dollar) put(out, '$');
    if (l.zero_lead) put(out, '0');
    int32_t next = 0;
    for (int32_t p = 0; p < l.section; ++p)
        put(out, field.commas && (l.section - p) % 4 == 0 ? ',' : digit_at(next++));
    if (field.point) put(out, '.');
    int32_t zeros = -(d.digit_count + d.digit_exp);
    for (int32_t q = 0; q < field.fraction_positions; ++q)
        put(out, q < zeros ? '0' : digit_at(l.needed + q - (zeros > 0 ? zeros : 0)));
    put_trailing_sign(field, out);
}

void format_fixed(UsingField field, UsingOutput& out) {
    UsingField attempt = field;
    FixedLayout l = lay_out_fixed(attempt);
    if (round_fixed(attempt)) {
        attempt = field;
        attempt.rounded = 1;
        l = lay_out_fixed(attempt);
    }
    put_fixed(attempt, l, out);
}

// --- Numbers with an exponent -------------------------------------------------------------------

// Without an explicit sign the field starts with a sign character, which takes one integer
// position when there is one; the leading significant digit fills the first integer position
// left, or follows the point when none is left.
int32_t exponent_digit_positions(const UsingField& field) {
    int32_t positions = field.integer_positions;
    if (!explicit_sign(field) && positions > 0) positions -= 1;
    return positions;
}

int32_t first_significant(const UsingDigits& d) {
    int32_t i = 0;
    while (i < d.digit_count && d.digits[i] == '0') ++i;
    return i;
}

void format_exponent(UsingField field, UsingOutput& out) {
    const UsingDigits& d = using_digits;
    int32_t positions = exponent_digit_positions(field);
    int32_t written = positions + field.fraction_positions;
    int32_t first = first_significant(d);
    int32_t next = first + written;
    if (first < d.digit_count && next < d.digit_count && d.digits[next] >= '5') {
        round_up_digits(next);
        field.rounded = 1;
        first = first_significant(d);
    }
    bool zero = first >= d.digit_count;
    int32_t magnitude = d.digit_count + d.digit_exp - first; // value = 0.ddd x 10^magnitude
    int32_t exponent = zero ? 0 : magnitude - positions;
    int32_t e = exponent < 0 ? -exponent : exponent;
    char e_digits[16];
    int e_len = snprintf(e_digits, sizeof e_digits, "%0*d", field.exponent_width, e);
    field.overflow = e_len > field.exponent_width;
    if (field.overflow) put(out, '%');
    if (field.leading_plus) put(out, d.negative ? '-' : '+');
    if (field.dollar) put(out, '$');
    if (!explicit_sign(field)) {
        bool bare = field.integer_positions == 0 && field.fraction_positions > 0;
        put(out, d.negative ? '-' : bare ? '0' : ' ');
    }
    for (int32_t i = 0; i < positions; ++i) put(out, zero ? '0' : digit_at(first + i));
    if (field.point) put(out, '.');
    for (int32_t i = 0; i < field.fraction_positions; ++i)
        put(out, zero ? '0' : digit_at(first + positions + i));
    put(out, 'E');
    put(out, exponent < 0 ? '-' : '+');
    for (int i = 0; i < e_len; ++i) put(out, uint8_t(e_digits[i]));
    put_trailing_sign(field, out);
}

// --- The pending value --------------------------------------------------------------------------

void place_string(int32_t width, DynString* text, UsingOutput& out) {
    int32_t n = width < 0 ? text->len : width;
    for (int32_t i = 0; i < n; ++i) put(out, i < text->len ? text->data[i] : ' ');
}

// Reads "d.ddd...E+xx" into using_digits; false for a character out of place.
bool load_digits(const char* text) {
    UsingDigits& d = using_digits;
    d = UsingDigits{};
    const char* p = text;
    d.negative = *p == '-';
    if (*p == '-') ++p;
    if (*p < '0' || *p > '9') return false;
    d.digits[d.digit_count++] = *p++;
    if (*p++ != '.') return false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (d.digit_count == DIGIT_ROOM) return false;
        d.digits[d.digit_count++] = *p;
        d.digit_exp -= 1;
    }
    if (*p++ != 'E') return false;
    bool exponent_negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    if (*p < '0' || *p > '9') return false;
    int32_t exponent = 0;
    for (; *p >= '0' && *p <= '9'; ++p) exponent = exponent * 10 + (*p - '0');
    if (*p != '\0') return false;
    d.digit_exp += exponent_negative ? -exponent : exponent;
    return true;
}

} // namespace

int32_t print_using(DynString* format, int32_t position, DynString* dest, DynString* text) {
    if (error_pending()) return 0;
    const int32_t len = format->len;
    if (position < 0 || position > len) {
        rt_error(5);
        return 0;
    }
    UsingOutput out;
    out.dest = dest;
    out.count = 0;
    bool pending = true;
    bool wrapped = false;
    int32_t i = position;
    for (;;) {
        if (i >= len) {
            if (!pending) return finish(out, 0);
            if (position == 0 || wrapped) return fail(out, 5);
            wrapped = true;
            i = 0;
            continue;
        }
        const uint8_t* f = format->data; // read again each time: appending may move it
        UsingField field;
        int32_t after = scan_numeric_field(f, len, i, field);
        if (after != i) {
            if (!pending) return finish(out, i);
            if (text != nullptr) return fail(out, 13);
            (field.exponent_width ? format_exponent : format_fixed)(field, out);
            pending = false;
            i = after;
            continue;
        }
        int32_t width = string_field_width(f, len, i);
        if (width != 0) {
            if (!pending) return finish(out, i);
            if (text == nullptr) return fail(out, 13);
            place_string(width, text, out);
            pending = false;
            i += width < 0 ? 1 : width;
            continue;
        }
        if (f[i] == '_' && i + 1 < len) ++i;
        put(out, format->data[i]);
        ++i;
    }
}

int32_t print_using_single(DynString* dest, float x, int32_t position, DynString* format) {
    if (error_pending()) return 0;
    char text[300];
    snprintf(text, sizeof text, "%.255E", double(x));
    if (!load_digits(text)) {
        rt_error(5);
        return 0;
    }
    return print_using(format, position, dest, nullptr);
}
