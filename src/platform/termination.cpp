#include "platform/termination.h"

#include <cstdio>
#include <unistd.h>

namespace {
platform_fatal_handler g_fatal = nullptr;
}

void platform_terminate(int status)
{
    std::fflush(stderr);
    _exit(status);
}

void platform_set_fatal_handler(platform_fatal_handler handler)
{
    g_fatal = handler;
}

void platform_fatal(const char *expr, const char *module, int line)
{
    if (g_fatal)
        g_fatal(expr, module, line);
    std::fprintf(stderr, "%s(%d): %s == 0\n", module ? module : "", line, expr ? expr : "");
    platform_terminate(3);
}
