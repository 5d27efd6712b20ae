#include "exchange/xml_tags.h"

#include <cstring>

namespace {

const char *find(const char *p, const char *end, std::string_view what)
{
    if (!p || p >= end)
        return nullptr;
    return static_cast<const char *>(memmem(p, static_cast<std::size_t>(end - p), what.data(), what.size()));
}

bool name_end(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>';
}

} // namespace

bool xml_tag_reader::next(xml_tag &tag)
{
    const char *p = p_;
    while (p && p < end_) {
        p = static_cast<const char *>(std::memchr(p, '<', static_cast<std::size_t>(end_ - p)));
        if (!p || p + 1 >= end_)
            break;
        const char *q = p + 1;
        if (*q == '?') {
            p = find(q, end_, "?>");
            if (p)
                p += 2;
            continue;
        }
        if (*q == '!') {
            const std::string_view rest(q, static_cast<std::size_t>(end_ - q));
            if (rest.substr(0, 3) == "!--")
                p = find(q + 3, end_, "-->");
            else if (rest.substr(0, 8) == "![CDATA[")
                p = find(q + 8, end_, "]]>");
            else
                p = find(q, end_, ">");
            if (p)
                p += *p == '>' ? 1 : 3;
            continue;
        }
        if (*q == '/') {
            // Given even when its '>' never comes; the walk ends after it.
            p = static_cast<const char *>(std::memchr(q, '>', static_cast<std::size_t>(end_ - q)));
            p_ = p ? p + 1 : end_;
            tag = {true, false, {}};
            return true;
        }
        const char *n = q;
        while (n < end_ && !name_end(*n))
            ++n;
        // Up to the tag's '>', quoted attribute values skipped.
        char quote = 0;
        const char *r = n;
        for (; r < end_; ++r) {
            if (quote) {
                if (*r == quote)
                    quote = 0;
            } else if (*r == '"' || *r == '\'') {
                quote = *r;
            } else if (*r == '>') {
                break;
            }
        }
        if (r >= end_)
            break;
        p_ = r + 1;
        tag = {false, r[-1] == '/', std::string_view(q, static_cast<std::size_t>(n - q))};
        return true;
    }
    p_ = end_;
    return false;
}
