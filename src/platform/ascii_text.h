// ASCII-only case and blanks, for names a protocol or a file format fixes
// (HTTP header fields, encoding names, registry keys): the locale plays no
// part, and letters beyond ASCII are left as they are.
#pragma once

#include <cstddef>
#include <string_view>

template <typename C>
constexpr C plt__ascii_lower(C c)
{
    return c >= C('A') && c <= C('Z') ? static_cast<C>(c - C('A') + C('a')) : c;
}

// Equal but for the case of ASCII letters.
template <typename C>
constexpr bool plt__ascii_iequal(std::basic_string_view<C> a, std::basic_string_view<C> b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (plt__ascii_lower(a[i]) != plt__ascii_lower(b[i]))
            return false;
    return true;
}
constexpr bool plt__ascii_iequal(std::string_view a, std::string_view b)
{
    return plt__ascii_iequal<char>(a, b);
}
constexpr bool plt__ascii_iequal(std::u16string_view a, std::u16string_view b)
{
    return plt__ascii_iequal<char16_t>(a, b);
}

constexpr bool plt__ascii_istarts(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && plt__ascii_iequal(s.substr(0, prefix.size()), prefix);
}

// Without the spaces and tabs at either end.
template <typename C>
constexpr std::basic_string_view<C> plt__trim_blanks(std::basic_string_view<C> s)
{
    while (!s.empty() && (s.front() == C(' ') || s.front() == C('\t')))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == C(' ') || s.back() == C('\t')))
        s.remove_suffix(1);
    return s;
}
constexpr std::string_view plt__trim_blanks(std::string_view s)
{
    return plt__trim_blanks<char>(s);
}
constexpr std::u16string_view plt__trim_blanks(std::u16string_view s)
{
    return plt__trim_blanks<char16_t>(s);
}
