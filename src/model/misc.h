// Number text, the reading of typed numbers and the printf-style formatting
// into UTF-16.  Text encodings are in platform/code_pages.h, whole-file
// input/output in platform/file_io.h.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

// Number to text.  Each kind has its own static buffer of 100 characters,
// overwritten by the next conversion of the same kind.  The text never
// depends on the process locale (always a decimal point).
const char16_t *msc__int_to_string(int value);
const char16_t *msc__double_to_string(double value); // "%f"

// A real number typed by a user: the whole text (blanks around it allowed)
// is one number, with a decimal point or a decimal comma, optional sign and
// exponent, and finite.  False for anything else ("", "abc", "12abc", "inf").
bool msc__parse_real(std::u16string_view text, double &out);

// printf-style formatting into UTF-16.  Conversions: %d %i %u %x %X %c %f %e
// %g with flags, width and precision; %s takes a const char16_t * (null shows
// "(null)"), %hs a narrow UTF-8 const char *; %% is a percent sign.  The
// result is cut to `limit` characters.
std::u16string msc__vformat(const char16_t *fmt, va_list ap, std::size_t limit);
std::u16string msc__format(const char16_t *fmt, ...);

// Debugging text to stderr, at most 10238 characters.
void msc__debug_out(const char16_t *fmt, ...);
