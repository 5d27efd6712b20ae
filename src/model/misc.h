// Conversions, formatting and whole-file input/output.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Number to text.  Each kind has its own static buffer of 100 characters,
// overwritten by the next conversion of the same kind.  The text never
// depends on the process locale (always a decimal point).
const char16_t *msc__int_to_string(int value);
const char16_t *msc__double_to_string2(double value); // "%.2f"
const char16_t *msc__double_to_string(double value);  // "%f"

// A real number typed by a user: the whole text (blanks around it allowed)
// is one number, with a decimal point or a decimal comma, optional sign and
// exponent, and finite.  False for anything else ("", "abc", "12abc", "inf").
bool msc__parse_real(std::u16string_view text, double &out);

// value + 0.5, truncated toward zero.
double msc__round(double value);

// UTF-16 <-> UTF-8.  Ill-formed input (lone surrogates, bad UTF-8 bytes)
// becomes U+FFFD; the conversion itself never fails.
std::string msc__to_utf8(std::u16string_view s);
std::u16string msc__from_utf8(std::string_view s);

// The narrow encoding of the platform (the locale's; UTF-8 on Linux) used
// for server addresses, library messages and file names.
std::string msc__to_ansi(std::u16string_view s);
std::u16string msc__from_ansi(std::string_view s);

// printf-style formatting into UTF-16.  Conversions: %d %i %u %x %X %c %f %e
// %g with flags, width and precision; %s takes a const char16_t * (null shows
// "(null)"), %hs a narrow UTF-8 const char *; %% is a percent sign.  The
// result is cut to `limit` characters.
std::u16string msc__vformat(const char16_t *fmt, va_list ap, std::size_t limit);
std::u16string msc__format(const char16_t *fmt, ...);

// Whole-file write: creates or replaces `path`.  1 on success, 0 on failure
// with errno describing the cause.  A failed close after a successful write
// is fatal.
int msc__write_blob(const std::u16string &path, const void *bytes, std::size_t len);
// Safe replacement: writes a temporary file in the same folder, flushes it to
// disk and renames it over `path`.  On failure the old file is untouched and
// the temporary file removed; 0 with errno set.  A new file gets the usual
// permissions, a replaced one keeps its own.
// Through a symbolic link the file it points at is replaced in its own folder.
int msc__replace_file(const std::u16string &path, const void *bytes, std::size_t len);
// Whole-file read of a regular file: 1 with the bytes in `out`, 0 with errno
// set.  A folder gives EISDIR, a FIFO, device or socket EINVAL (and is never
// waited on), a file above `max_len` bytes EFBIG.
int msc__read_blob(const std::u16string &path, std::vector<unsigned char> &out,
                   std::size_t max_len = static_cast<std::size_t>(-1));
// The path a chain of symbolic links ends at (the path itself when it is not
// a link); the end need not exist.
std::string msc__resolve_link(const std::string &path);

// Debugging text to stderr, at most 10238 characters.
void msc__debug_out(const char16_t *fmt, ...);
