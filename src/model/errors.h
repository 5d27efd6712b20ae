// Assertions and messages.
#pragma once

#include <string>

#include "model/misc.h"

// Fatal assertion: logs "C" to Vellumo.log, shows the critical box and ends
// the process with status 3.  Never returns.
[[noreturn]] void err__fatal(const char *expr, const char *module, int line);
// Error assertion: logs "E", asks Yes/No; Yes ends the process like
// err__fatal, No returns 0.
int err__error(const char *expr, const char *module, int line);
// Warning box captioned with the program's name and version
// (msg::caption_app) showing `text` (no placeholders), at
// most 1023 characters of it.
void err__warning_box(std::u16string text);
// The same with a format (see msc__fmt in misc.h).
template <class... Args>
void err__warning(msc__fmt<msc__arg_type<Args>...> fmt, const Args &...args)
{
    err__warning_box(msc__format_limited(1023, fmt, args...));
}

// Fatal unless `e` holds; the message names the expression.
#define XASSERT(e) ((e) ? (void)0 : err__fatal(#e, __FILE__, __LINE__))
// Same with a message text of the caller's choosing.
#define XFAIL(text) err__fatal((text), __FILE__, __LINE__)
