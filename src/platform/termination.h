// Abnormal termination: ends the process at once with the given status,
// running no destructors, atexit handlers or Qt clean-up.
#pragma once

[[noreturn]] void platform_terminate(int status);

// The fatal path of the platform's own checks.  It is the program's fatal
// assertion (err__fatal: log entry, critical box, status 3), which installs
// itself here; without it, a line on stderr and status 3.
[[noreturn]] void platform_fatal(const char *expr, const char *module, int line);
using platform_fatal_handler = void (*)(const char *expr, const char *module, int line);
void platform_set_fatal_handler(platform_fatal_handler handler);

#define PLATFORM_FATAL(text) platform_fatal((text), __FILE__, __LINE__)
