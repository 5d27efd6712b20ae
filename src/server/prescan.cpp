#include "server/prescan.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "exchange/xml_tags.h"

namespace {

// Measured with xmlrpc-c 1.33: the element tree and the value for an empty
// <value/> take about 440 bytes together, a struct member (its elements, its
// key and its place in the struct) about 700.
constexpr std::size_t bytes_per_value = 440;
constexpr std::size_t bytes_per_member = 700;

} // namespace

bool lsv__prescan(const char *xml, std::size_t len, const request_limits &limits, request_shape &shape,
                  std::string &why)
{
    shape = {};
    // One entry per open element: the number of members so far when it is a
    // struct, -1 otherwise.
    std::vector<long long> open;
    open.reserve(64);
    xml_tag_reader tags(xml, len);
    xml_tag t;
    while (tags.next(t)) {
        if (t.end) {
            if (!open.empty())
                open.pop_back();
            continue;
        }
        const std::string_view name = t.name;
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
        if (!t.empty)
            open.push_back(name == "struct" ? 0 : -1);
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
