// Formatted numbers: a value placed into the next field of a format text such as " ###:" and
// appended to a destination string.
//
// Numeric fields: "#" digit positions, "." the point, "," thousands separators, a leading "+" or
// a trailing "+" or "-" for the sign, "$$" a floating dollar sign, "**" asterisk fill ("**$" with
// the dollar sign), "^^^^" or "^^^^^" an exponent of two or three digits. A value that does not
// fit widens its field, which then starts with "%"; digits are rounded half up on the magnitude.
// String fields: "&" the whole string, "!" its first byte, "\  \" as many bytes as the field is
// wide. Any other character is copied; "_" copies the character after it.
//
// Both operations run on the program thread, free none of their arguments and do nothing while
// pending_error is set (they return 0).
#pragma once

#include "runtime/strings.h"

#include <cstdint>

// The number being formatted: its magnitude is the digit string read as an integer times ten to
// the power digit_exp, so digit_count + digit_exp digits stand before the point.
struct UsingDigits {
    char digits[1024]; // ASCII decimal digits
    int32_t digit_count;
    int32_t digit_exp;
    uint8_t negative;
};
extern UsingDigits using_digits;

// Appends x, formatted by the next numeric field of format from `position`, to dest. Returns the
// format position for the next value, or 0 when the format is finished. A format without a
// numeric field raises ErrorCode 5, a string field met first ErrorCode 13.
int32_t print_using_single(DynString* dest, float x, int32_t position, DynString* format);

// The engine: from `position` it copies literal characters to dest until it meets a field. The
// pending value, text or (when text is null) the number in using_digits, goes into the first
// field; at the next field it returns that field's position, at the end of the format 0. A format
// that ends with the value still pending is read again from its start, unless the whole format
// has already been read without a field for it (ErrorCode 5). A number met by a string field or a
// string met by a numeric field raises ErrorCode 13. A negative position or one past the end of
// the format raises ErrorCode 5.
int32_t print_using(DynString* format, int32_t position, DynString* dest, DynString* text);
