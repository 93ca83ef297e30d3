// String functions and number to text.
#include "runtime/string_functions.h"

#include "runtime/errors.h"
#include "runtime/flags.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

bool error_pending() {
    return pending_error.load(std::memory_order_relaxed) != 0;
}

bool is_lower(uint8_t c) {
    return c >= 'a' && c <= 'z';
}

// A new temporary holding n bytes of s from offset; s is consumed. The bytes are read after the
// new string exists, because making it may move s.
DynString* copy_part(DynString* s, int32_t offset, int32_t n) {
    DynString* part = dstr_new(uint32_t(n), 1);
    if (n > 0) memcpy(part->data, s->data + offset, size_t(n));
    dstr_free_if_temp(s);
    return part;
}

// The in-place rule for a part of s: s itself when the part is all of it, s cut down when it is
// an owned temporary, else a copy.
DynString* part_of(DynString* s, int32_t offset, int32_t n) {
    if (offset == 0 && n == s->len) return s;
    if (!dstr_is_owned_temp(s)) return copy_part(s, offset, n);
    s->data += offset;
    s->len = n;
    return s;
}

// Eight bytes at a time: a byte is a lower-case letter when bit 7 is clear and its low seven bits
// are at least 'a' and at most 'z'; those bytes lose bit 5.
uint64_t upper_case_word(uint64_t w) {
    constexpr uint64_t ones = 0x0101010101010101u;
    constexpr uint64_t high = 0x8080808080808080u;
    uint64_t low7 = w & ~high;
    uint64_t at_least_a = low7 + (0x80 - 'a') * ones;
    uint64_t above_z = low7 + (0x80 - 'z' - 1) * ones;
    uint64_t lower = at_least_a & ~above_z & ~w & high;
    return w ^ (lower >> 2);
}

void upper_case_bytes(uint8_t* p, int32_t n) {
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        memcpy(&w, p + i, 8);
        w = upper_case_word(w);
        memcpy(p + i, &w, 8);
    }
    for (; i < n; ++i)
        if (is_lower(p[i])) p[i] = uint8_t(p[i] - 32);
}

int32_t clamp_count(const DynString* s, int32_t n) {
    if (n > s->len) n = s->len;
    return n < 0 ? 0 : n;
}

DynString* temp_from_bytes(const char* bytes, size_t n) {
    DynString* s = dstr_new(uint32_t(n), 1);
    if (n > 0) memcpy(s->data, bytes, n);
    return s;
}

// --- Seven significant digits -------------------------------------------------------------------

// The scientific text of x with six decimals and a three-digit exponent:
// sign or blank, digit, ".", six digits, "E", exponent sign, three digits (14 characters).
void scientific_text(double x, char (&text)[32]) {
    int n = snprintf(text, sizeof text, "% .6E", x);
    if (n == 13) { // a two-digit exponent is widened
        memmove(text + 12, text + 11, 3);
        text[11] = '0';
    }
}

// Seven, less one for every trailing zero of the digits; 0 for the value zero.
int significant_digits(const char* text) {
    int count = 7;
    for (int i = 8; i >= 1; --i) {
        if (text[i] == '.') continue;
        if (text[i] != '0') break;
        count -= 1;
    }
    return count;
}

int exponent_of(const char* text) {
    int e = (text[11] - '0') * 100 + (text[12] - '0') * 10 + (text[13] - '0');
    return text[10] == '-' ? -e : e;
}

// Fixed notation with the decimals the significant digits need; " 0.5" loses its 0.
size_t fixed_form(double x, int decimals, char* out, size_t room) {
    int n = snprintf(out, room, "% .*f", decimals, x);
    if (n > 1 && out[1] == '0') {
        memmove(out + 1, out + 2, size_t(n) - 1);
        n -= 1;
    }
    return size_t(n);
}

size_t scientific_form(const char* text, int count, int e, char* out) {
    size_t n = 0;
    out[n++] = text[0];
    out[n++] = text[1];
    if (count > 1) {
        out[n++] = '.';
        for (int i = 0; i < count - 1; ++i) out[n++] = text[3 + i];
    }
    out[n++] = 'E';
    out[n++] = text[10];
    int digits = (e > 99 || e < -99) ? 3 : 2;
    for (int i = 3 - digits; i < 3; ++i) out[n++] = text[11 + i];
    return n;
}

} // namespace

DynString* dstr_ucase(DynString* s) {
    if (error_pending()) return dstr_new(0, 1);
    if (s->len == 0) return s;
    if (dstr_is_owned_temp(s)) {
        upper_case_bytes(s->data, s->len);
        return s;
    }
    int32_t i = 0;
    while (i < s->len && !is_lower(s->data[i])) ++i;
    if (i == s->len) return s;
    DynString* upper = copy_part(s, 0, s->len);
    upper_case_bytes(upper->data + i, upper->len - i);
    return upper;
}

DynString* dstr_ltrim(DynString* s) {
    if (error_pending()) return dstr_new(0, 1);
    int32_t blanks = 0;
    while (blanks < s->len && s->data[blanks] == ' ') ++blanks;
    return part_of(s, blanks, s->len - blanks);
}

DynString* dstr_rtrim(DynString* s) {
    if (error_pending()) return dstr_new(0, 1);
    int32_t n = s->len;
    while (n > 0 && s->data[n - 1] == ' ') --n;
    return part_of(s, 0, n);
}

DynString* dstr_left(DynString* s, int32_t n) {
    if (error_pending()) return dstr_new(0, 1);
    return part_of(s, 0, clamp_count(s, n));
}

DynString* dstr_right(DynString* s, int32_t n) {
    if (error_pending()) return dstr_new(0, 1);
    n = clamp_count(s, n);
    return part_of(s, s->len - n, n);
}

DynString* dstr_mid(DynString* s, int32_t start, int32_t n, int n_given) {
    if (error_pending()) return dstr_new(0, 1);
    int64_t from = start;
    int64_t count = n;
    if (n_given) {
        if (from < 1) {
            count += from - 1;
            from = 1;
        }
        if (count < 1 || from > s->len) return part_of(s, 0, 0);
        if (from + count > s->len) count = s->len - from + 1;
    } else {
        if (from < 1) from = 1;
        count = s->len - from + 1;
        if (count < 1) return part_of(s, 0, 0);
    }
    return part_of(s, int32_t(from - 1), int32_t(count));
}

DynString* dstr_space(int32_t n) {
    if (error_pending()) return dstr_new(0, 1);
    if (n < 0) n = 0;
    DynString* s = dstr_new(uint32_t(n), 1);
    if (n > 0) memset(s->data, ' ', size_t(n));
    return s;
}

DynString* dstr_chr(int32_t code) {
    if (error_pending()) return dstr_new(0, 1);
    if (code < 0 || code > 255) {
        rt_error(5);
        return dstr_new(0, 1);
    }
    DynString* s = dstr_new(1, 1);
    s->data[0] = uint8_t(code);
    return s;
}

int32_t dstr_instr(int32_t start, DynString* haystack, DynString* needle, int start_given) {
    if (error_pending()) return 0;
    if (!start_given) start = 1;
    if (haystack->len == 0) return 0;
    if (start <= 0) {
        if (needle->len == 0) return 0;
        start = 1;
    }
    if (start > haystack->len) return 0;
    if (needle->len == 0) return start;
    if (int64_t(start) + needle->len - 1 > haystack->len) return 0;
    const uint8_t* first = needle->data;
    const uint8_t* last_candidate = haystack->data + (haystack->len - needle->len);
    for (const uint8_t* p = haystack->data + (start - 1); p <= last_candidate; ++p) {
        p = static_cast<const uint8_t*>(memchr(p, *first, size_t(last_candidate - p) + 1));
        if (p == nullptr) return 0;
        if (memcmp(p, first, size_t(needle->len)) == 0) return int32_t(p - haystack->data) + 1;
    }
    return 0;
}

DynString* dstr_str_single(float x) {
    if (error_pending()) return dstr_new(0, 1);
    char text[32];
    if (!std::isfinite(x)) { // never formatted by the game; the formatter's own words
        int n = snprintf(text, sizeof text, "% E", double(x));
        return temp_from_bytes(text, size_t(n));
    }
    scientific_text(double(x), text);
    int count = significant_digits(text);
    if (count == 0) return temp_from_bytes(" 0", 2);
    int e = exponent_of(text);
    char out[48];
    size_t n;
    if (e <= 6 && e - count >= -8) {
        int decimals = count - e - 1;
        n = fixed_form(double(x), decimals < 0 ? 0 : decimals, out, sizeof out);
    } else {
        n = scientific_form(text, count, e, out);
    }
    return temp_from_bytes(out, n);
}

int64_t round_to_int64(long double x) {
    return int64_t(std::llrint(x));
}
