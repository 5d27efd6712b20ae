#include "platform/translation.h"

#include <atomic>

#include "platform/code_pages.h"

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

std::string pl__tr8(const char16_t *source)
{
    const char16_t *text = pl__tr(source);
    return text ? plt__to_utf8(text) : std::string();
}
