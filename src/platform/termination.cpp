#include "platform/termination.h"

#include <cstdio>
#include <unistd.h>

void platform_terminate(int status)
{
    std::fflush(stderr);
    _exit(status);
}
