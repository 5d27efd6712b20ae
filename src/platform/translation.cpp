#include "platform/translation.h"

#include <atomic>

namespace {
std::atomic<pl_translator> g_translator{nullptr};
} // namespace

pl_translator pl__set_translator(pl_translator lookup)
{
    return g_translator.exchange(lookup);
}

const char16_t *pl__tr(const char16_t *source)
{
    const pl_translator lookup = g_translator.load(std::memory_order_acquire);
    if (!source || !lookup)
        return source;
    const char16_t *text = lookup(source);
    return text ? text : source;
}
