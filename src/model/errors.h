// Assertions and messages.
#pragma once

// Fatal assertion: logs "C" to Vellumo.log, shows the critical box and ends
// the process with status 3.  Never returns.
[[noreturn]] void err__fatal(const char *expr, const char *module, int line);
// Error assertion: logs "E", asks Yes/No; Yes ends the process like
// err__fatal, No returns 0.
int err__error(const char *expr, const char *module, int line);
// Warning box captioned with the program's name and version
// (msg::caption_app): printf-style (see msc__vformat), at
// most 1023 characters.
void err__warning(const char16_t *fmt, ...);

// Fatal unless `e` holds; the message names the expression.
#define XASSERT(e) ((e) ? (void)0 : err__fatal(#e, __FILE__, __LINE__))
// Same with a message text of the caller's choosing.
#define XFAIL(text) err__fatal((text), __FILE__, __LINE__)
