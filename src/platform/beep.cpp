#include "platform/beep.h"

#include <atomic>

namespace {
std::atomic<int> g_count{0};
void (*g_beeper)() = nullptr;
} // namespace

void platform_beep()
{
    ++g_count;
    if (g_beeper)
        g_beeper();
}

int platform_beep_count()
{
    return g_count;
}

void platform_set_beeper(void (*beeper)())
{
    g_beeper = beeper;
}
