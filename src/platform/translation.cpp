#include "platform/translation.h"

#include <atomic>
#include <cstring>
#include <optional>

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

std::string pl__tr8(const char *source)
{
    if (!source)
        return std::string();
    if (!g_translator.load(std::memory_order_acquire))
        return source;
    return pl__tr8(plt__from_utf8(source).c_str());
}

namespace {

// The conversions of a printf format in order ("%d", "%ld", "%%"...), or
// nullopt for one past what the messages use.
std::optional<std::string> conversions(const std::string &fmt)
{
    std::string out;
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] != '%')
            continue;
        std::size_t j = i + 1;
        while (j < fmt.size() && fmt[j] && std::strchr("0123456789-+ #.lhz", fmt[j]))
            ++j;
        if (j >= fmt.size() || !fmt[j] || !std::strchr("%dsuxXc", fmt[j]))
            return std::nullopt;
        out += fmt.substr(i, j + 1 - i);
        i = j;
    }
    return out;
}

} // namespace

std::string pl__tr_printf(const char *format)
{
    if (!format)
        return std::string();
    std::string text = pl__tr8(format);
    // A translation whose conversions differ would read the arguments
    // wrongly: the source format is used.
    const auto want = conversions(format);
    if (!want || conversions(text) != want)
        return format;
    return text;
}
