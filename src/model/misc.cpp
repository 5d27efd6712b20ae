#include "model/misc.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdlib.h>
#include <locale.h>

#include "platform/code_pages.h"

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

void pad(std::u16string &out, std::u16string_view body, int width, bool left)
{
    std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 0;
    std::size_t fill = body.size() < w ? w - body.size() : 0;
    if (!left)
        out.append(fill, u' ');
    out.append(body);
    if (left)
        out.append(fill, u' ');
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

std::u16string msc__vformat(const char16_t *fmt, va_list ap, std::size_t limit)
{
    std::u16string out;
    if (!fmt)
        return out;
    for (const char16_t *p = fmt; *p && out.size() < limit; ++p) {
        if (*p != u'%') {
            out += *p;
            continue;
        }
        const char16_t *start = p++;
        std::string flags;
        while (*p == u'-' || *p == u'+' || *p == u' ' || *p == u'#' || *p == u'0')
            flags += static_cast<char>(*p++);
        int width = -1;
        if (*p == u'*') {
            width = va_arg(ap, int);
            if (width < 0) {
                flags += '-';
                width = -width;
            }
            ++p;
        } else {
            while (*p >= u'0' && *p <= u'9')
                width = (width < 0 ? 0 : width * 10) + (*p++ - u'0');
        }
        int prec = -1;
        if (*p == u'.') {
            ++p;
            prec = 0;
            if (*p == u'*') {
                prec = va_arg(ap, int);
                ++p;
            } else {
                while (*p >= u'0' && *p <= u'9')
                    prec = prec * 10 + (*p++ - u'0');
            }
        }
        int longs = 0;
        bool narrow = false;
        bool size_t_mod = false;
        for (;; ++p) {
            if (*p == u'l') ++longs;
            else if (*p == u'h') narrow = true;
            else if (*p == u'z') size_t_mod = true;
            else break;
        }
        char conv = static_cast<char>(*p);
        bool left = flags.find('-') != std::string::npos;
        std::string spec = "%" + flags;
        if (width >= 0) spec += std::to_string(width);
        if (prec >= 0) {
            spec += '.';
            spec += std::to_string(prec);
        }
        char buf[512];
        switch (conv) {
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X': {
            long long v;
            if (size_t_mod) v = static_cast<long long>(va_arg(ap, std::size_t));
            else if (longs >= 2) v = va_arg(ap, long long);
            else if (longs == 1) v = va_arg(ap, long);
            else if (conv == 'd' || conv == 'i') v = va_arg(ap, int);
            else v = va_arg(ap, unsigned int);
            spec += "ll";
            spec += conv;
            std::snprintf(buf, sizeof buf, spec.c_str(), v);
            out += msc__from_utf8(buf);
            break;
        }
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G': {
            double v = va_arg(ap, double);
            spec += conv;
            locale_t old = uselocale(c_locale());
            int n = std::snprintf(buf, sizeof buf, spec.c_str(), v);
            std::string big;
            if (n >= static_cast<int>(sizeof buf)) {
                big.resize(static_cast<std::size_t>(n) + 1);
                std::snprintf(big.data(), big.size(), spec.c_str(), v);
                big.resize(static_cast<std::size_t>(n));
            }
            uselocale(old);
            out += msc__from_utf8(big.empty() ? std::string_view(buf) : std::string_view(big));
            break;
        }
        case 'c': {
            char16_t c = static_cast<char16_t>(va_arg(ap, int));
            pad(out, std::u16string_view(&c, 1), width, left);
            break;
        }
        case 's': {
            std::u16string body;
            if (narrow) {
                const char *s = va_arg(ap, const char *);
                body = s ? msc__from_utf8(s) : u"(null)";
            } else {
                const char16_t *s = va_arg(ap, const char16_t *);
                body = s ? std::u16string(s) : u"(null)";
            }
            if (prec >= 0 && body.size() > static_cast<std::size_t>(prec))
                body.resize(static_cast<std::size_t>(prec));
            pad(out, body, width, left);
            break;
        }
        case '%':
            out += u'%';
            break;
        default:
            // Unknown conversion: shown as it stands.
            out.append(start, p + (*p ? 1 : 0));
            if (!*p)
                --p;
            break;
        }
    }
    if (out.size() > limit)
        out.resize(limit);
    return out;
}

std::u16string msc__format(const char16_t *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    std::u16string s = msc__vformat(fmt, ap, static_cast<std::size_t>(-1));
    va_end(ap);
    return s;
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

void msc__debug_out(const char16_t *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    std::u16string s = msc__vformat(fmt, ap, 10238);
    va_end(ap);
    std::string n = msc__to_utf8(s);
    std::fwrite(n.data(), 1, n.size(), stderr);
}
