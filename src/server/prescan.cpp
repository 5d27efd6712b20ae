#include "server/prescan.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

// Measured with xmlrpc-c 1.33: the element tree and the value for an empty
// <value/> take about 440 bytes together, a struct member (its elements, its
// key and its place in the struct) about 700.
constexpr std::size_t bytes_per_value = 440;
constexpr std::size_t bytes_per_member = 700;

const char *find(const char *p, const char *end, std::string_view what)
{
    if (p >= end)
        return nullptr;
    return static_cast<const char *>(memmem(p, static_cast<std::size_t>(end - p), what.data(), what.size()));
}

bool name_end(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>';
}

// The element name that starts at p (up to `end`).
std::string_view name_at(const char *p, const char *end)
{
    const char *q = p;
    while (q < end && !name_end(*q))
        ++q;
    return {p, static_cast<std::size_t>(q - p)};
}

} // namespace

bool lsv__prescan(const char *xml, std::size_t len, const request_limits &limits, request_shape &shape,
                  std::string &why)
{
    shape = {};
    // One entry per open element: the number of members so far when it is a
    // struct, -1 otherwise.
    std::vector<long long> open;
    open.reserve(64);
    const char *p = xml, *end = xml + len;
    while (p < end) {
        p = static_cast<const char *>(std::memchr(p, '<', static_cast<std::size_t>(end - p)));
        if (!p || p + 1 >= end)
            break;
        const char *q = p + 1;
        if (*q == '?') {
            p = find(q, end, "?>");
            if (!p)
                break;
            p += 2;
            continue;
        }
        if (*q == '!') {
            const std::string_view rest(q, static_cast<std::size_t>(end - q));
            if (rest.substr(0, 3) == "!--")
                p = find(q + 3, end, "-->");
            else if (rest.substr(0, 8) == "![CDATA[")
                p = find(q + 8, end, "]]>");
            else
                p = find(q, end, ">");
            if (!p)
                break;
            p += *p == '>' ? 1 : 3;
            continue;
        }
        if (*q == '/') {
            if (!open.empty())
                open.pop_back();
            p = static_cast<const char *>(std::memchr(q, '>', static_cast<std::size_t>(end - q)));
            if (!p)
                break;
            ++p;
            continue;
        }
        const std::string_view name = name_at(q, end);
        // Up to the tag's '>', quoted attribute values skipped.
        char quote = 0;
        const char *r = q + name.size();
        for (; r < end; ++r) {
            if (quote) {
                if (*r == quote)
                    quote = 0;
            } else if (*r == '"' || *r == '\'') {
                quote = *r;
            } else if (*r == '>') {
                break;
            }
        }
        if (r >= end)
            break;
        const bool empty = r[-1] == '/';
        if (name == "value") {
            if (++shape.values + shape.members > limits.max_values) {
                why = "в запросе больше " + std::to_string(limits.max_values) + " значений и полей структур";
                return false;
            }
        } else if (name == "member" && !open.empty() && open.back() >= 0) {
            const auto before = static_cast<unsigned long long>(open.back()++);
            if (shape.values + ++shape.members > limits.max_values) {
                why = "в запросе больше " + std::to_string(limits.max_values) + " значений и полей структур";
                return false;
            }
            shape.member_pairs += before;
            shape.largest_struct = std::max(shape.largest_struct, static_cast<std::size_t>(before + 1));
            if (before + 1 > limits.max_members) {
                why = "в структуре запроса больше " + std::to_string(limits.max_members) + " полей";
                return false;
            }
            if (shape.member_pairs > limits.max_member_pairs) {
                why = "структуры запроса слишком велики (сравнений полей больше " +
                      std::to_string(limits.max_member_pairs) + ")";
                return false;
            }
        }
        if (!empty)
            open.push_back(name == "struct" ? 0 : -1);
        p = r + 1;
    }
    return true;
}

std::size_t lsv__parse_memory(std::size_t len, const request_shape &shape)
{
    return 3 * len + bytes_per_value * shape.values + bytes_per_member * shape.members;
}

std::size_t lsv__parse_memory_at_most(std::size_t len, const request_limits &limits)
{
    // <value/> is 8 bytes; a member needs a value of its own and about 30
    // bytes more: at most half of what is counted is members.
    const std::size_t counted = std::min(len / 8, limits.max_values);
    return 6 * len + bytes_per_value * (counted - counted / 2) + bytes_per_member * (counted / 2);
}
