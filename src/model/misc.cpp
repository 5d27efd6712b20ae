#include "model/misc.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdlib.h>
#include <locale.h>

#include "platform/code_pages.h"
#include "platform/translation.h"

namespace {

constexpr std::size_t conv_buf_chars = 100;
char16_t g_int_buf[conv_buf_chars + 1];
char16_t g_dbl6_buf[conv_buf_chars + 1];

const char16_t *ascii_to_buffer(const char *s, std::size_t n, char16_t *buf)
{
    if (n > conv_buf_chars)
        n = conv_buf_chars;
    for (std::size_t i = 0; i < n; ++i)
        buf[i] = static_cast<unsigned char>(s[i]);
    buf[n] = 0;
    return buf;
}

const char16_t *fixed_to_buffer(double v, int decimals, char16_t *buf)
{
    // 310 digits cover the largest double in fixed notation.
    char tmp[400];
    auto r = std::to_chars(tmp, tmp + sizeof tmp, v, std::chars_format::fixed, decimals);
    std::size_t n = r.ec == std::errc() ? static_cast<std::size_t>(r.ptr - tmp) : 0;
    return ascii_to_buffer(tmp, n, buf);
}

locale_t c_locale()
{
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

} // namespace

const char16_t *msc__int_to_string(int value)
{
    char tmp[16];
    auto r = std::to_chars(tmp, tmp + sizeof tmp, value);
    return ascii_to_buffer(tmp, static_cast<std::size_t>(r.ptr - tmp), g_int_buf);
}

const char16_t *msc__double_to_string(double value)
{
    return fixed_to_buffer(value, 6, g_dbl6_buf);
}


namespace {

void append_number(std::u16string &out, const msc_detail::arg &a, const msc_detail::spec &s)
{
    std::string spec = "%";
    if (s.zero)
        spec += '0';
    if (s.width >= 0)
        spec += std::to_string(s.width);
    if (s.precision >= 0) {
        spec += '.';
        spec += std::to_string(s.precision);
    }
    char buf[512];
    if (a.kind != msc_detail::arg_kind::real) {
        const bool hex = s.conv == 'X';
        spec += hex ? "llX" : a.kind == msc_detail::arg_kind::signed_int ? "lld" : "llu";
        if (hex || a.kind == msc_detail::arg_kind::unsigned_int)
            std::snprintf(buf, sizeof buf, spec.c_str(), a.u);
        else
            std::snprintf(buf, sizeof buf, spec.c_str(), a.i);
        out += plt__from_utf8(buf);
        return;
    }
    spec += s.conv == 'g' ? 'g' : 'f';
    locale_t old = uselocale(c_locale());
    int n = std::snprintf(buf, sizeof buf, spec.c_str(), a.d);
    std::string big;
    if (n >= static_cast<int>(sizeof buf)) {
        big.resize(static_cast<std::size_t>(n) + 1);
        std::snprintf(big.data(), big.size(), spec.c_str(), a.d);
        big.resize(static_cast<std::size_t>(n));
    }
    uselocale(old);
    out += plt__from_utf8(big.empty() ? std::string_view(buf) : std::string_view(big));
}

void append_arg(std::u16string &out, const msc_detail::arg &a, const msc_detail::spec &s)
{
    switch (a.kind) {
    case msc_detail::arg_kind::text16:
        out += a.s16 ? a.s16 : u"(null)";
        break;
    case msc_detail::arg_kind::text8:
        out += a.s8 ? plt__from_utf8(a.s8) : u"(null)";
        break;
    case msc_detail::arg_kind::signed_int:
    case msc_detail::arg_kind::unsigned_int:
    case msc_detail::arg_kind::real:
        append_number(out, a, s);
        break;
    case msc_detail::arg_kind::unsupported:
        break;
    }
}

} // namespace

std::u16string msc_detail::render(const char16_t *fmt, const arg *args, std::size_t count, std::size_t limit)
{
    std::u16string out;
    if (!fmt)
        return out;
    // The format in the user's language, checked against the arguments as
    // the source was when compiled; a translation that does not fit them
    // (a placeholder lost, one too many) gives way to the source.
    if (const char16_t *translated = pl__tr(fmt); translated != fmt) {
        arg_kind kinds[9] = {};
        for (std::size_t i = 0; i < count && i < 9; ++i)
            kinds[i] = args[i].kind;
        if (check<false>(translated, kinds, count))
            fmt = translated;
    }
    for (const char16_t *p = fmt; *p && out.size() < limit;) {
        if (*p != u'%') {
            const char16_t *q = p;
            while (*q && *q != u'%')
                ++q;
            out.append(p, q);
            p = q;
            continue;
        }
        const piece pc = read_piece(p);
        if (pc.kind == piece::bad) {
            out += *p++; // never in a checked format: shown as it stands
            continue;
        }
        if (pc.kind == piece::percent)
            out += u'%';
        else if (pc.index < count)
            append_arg(out, args[pc.index], pc.sp);
        else
            out.append(p, pc.end);
        p = pc.end;
    }
    if (out.size() > limit)
        out.resize(limit);
    return out;
}

bool msc__parse_real(std::u16string_view text, double &out)
{
    while (!text.empty() && (text.front() == u' ' || text.front() == u'\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t'))
        text.remove_suffix(1);
    if (text.empty() || text.size() > 64)
        return false;
    std::string s;
    bool separator = false;
    for (char16_t c : text) {
        if (c == u',' || c == u'.') {
            if (separator)
                return false;
            separator = true;
            s += '.';
        } else if ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'e' || c == u'E') {
            s += static_cast<char>(c);
        } else {
            return false; // letters, "inf", "nan", hex digits...
        }
    }
    char *end = nullptr;
    double v = strtod_l(s.c_str(), &end, c_locale());
    if (end == s.c_str() || *end != 0 || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

void msc_detail::write_debug(const std::u16string &text)
{
    std::string n = plt__to_utf8(text);
    std::fwrite(n.data(), 1, n.size(), stderr);
}
