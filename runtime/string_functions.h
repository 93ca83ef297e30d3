// String functions and number to text: upper case, trimming, parts of strings, blanks, one-byte
// strings, substring search, single-precision numbers as text and rounding to an integer.
//
// Characters are bytes: upper-casing changes a-z (97-122) only and a blank is byte 32 only.
// Positions are 1-based. Every function follows the temporary discipline of the strings: the
// result is a temporary; an owned temporary argument is changed in place and returned, any other
// temporary argument is freed once the result is made; a result equal to the argument is the
// argument itself. dstr_instr frees nothing. While pending_error is set the functions do nothing
// and return a new empty temporary (dstr_instr: 0).
#pragma once

#include "runtime/strings.h"

#include <cstdint>

DynString* dstr_ucase(DynString* s);
DynString* dstr_ltrim(DynString* s);
DynString* dstr_rtrim(DynString* s);

// The first or last n bytes. n is limited to the length and negative n counts as 0.
DynString* dstr_left(DynString* s, int32_t n);
DynString* dstr_right(DynString* s, int32_t n);

// n bytes from the 1-based start, or the rest of s when n is not given. Positions outside s are
// clamped: a start before 1 shortens n by the bytes it lies in front, and a start past the end
// gives an empty string.
DynString* dstr_mid(DynString* s, int32_t start, int32_t n, int n_given);

DynString* dstr_space(int32_t n); // n blanks; negative n counts as 0

// The one byte `code`; outside 0-255 it raises ErrorCode 5 and gives an empty string.
DynString* dstr_chr(int32_t code);

// The 1-based position of needle in haystack at or after start (1 when not given), or 0. An empty
// needle is found at the start when that lies inside a non-empty haystack.
int32_t dstr_instr(int32_t start, DynString* haystack, DynString* needle, int start_given);

// x as text with up to seven significant digits and no trailing zeros: a blank or "-", then fixed
// notation without a leading 0 (" .5", "-3.5", " 1234567") where that takes at most eight places
// after the point, otherwise scientific notation (" 1.234568E+07", " 1E-08").
DynString* dstr_str_single(float x);

// x rounded to an integer by the current rounding mode (nearest, ties to even).
int64_t round_to_int64(long double x);
