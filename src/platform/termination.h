// Abnormal termination: ends the process at once with the given status,
// running no destructors, atexit handlers or Qt clean-up.
#pragma once

[[noreturn]] void platform_terminate(int status);
