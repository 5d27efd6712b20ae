#include "model/misc.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/errors.h"

namespace {

constexpr std::size_t conv_buf_chars = 100;
char16_t g_int_buf[conv_buf_chars + 1];
char16_t g_dbl2_buf[conv_buf_chars + 1];
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

void append_utf8_cp(std::string &out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void append_utf16_cp(std::u16string &out, char32_t cp)
{
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
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

const char16_t *msc__double_to_string2(double value)
{
    return fixed_to_buffer(value, 2, g_dbl2_buf);
}

const char16_t *msc__double_to_string(double value)
{
    return fixed_to_buffer(value, 6, g_dbl6_buf);
}

double msc__round(double value)
{
    return std::trunc(value + 0.5);
}

std::string msc__to_utf8(std::u16string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        append_utf8_cp(out, c);
    }
    return out;
}

std::u16string msc__from_utf8(std::string_view s)
{
    std::u16string out;
    out.reserve(s.size());
    const auto *p = reinterpret_cast<const unsigned char *>(s.data());
    std::size_t n = s.size();
    for (std::size_t i = 0; i < n;) {
        unsigned char b = p[i];
        char32_t cp;
        std::size_t len;
        if (b < 0x80) {
            cp = b;
            len = 1;
        } else if (b >= 0xC2 && b <= 0xDF) {
            cp = b & 0x1F;
            len = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            cp = b & 0x0F;
            len = 3;
        } else if (b >= 0xF0 && b <= 0xF4) {
            cp = b & 0x07;
            len = 4;
        } else {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        bool ok = i + len <= n;
        for (std::size_t k = 1; ok && k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are ill-formed.
        if (ok && ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
                   (cp >= 0xD800 && cp <= 0xDFFF)))
            ok = false;
        if (!ok) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        append_utf16_cp(out, cp);
        i += len;
    }
    return out;
}

std::string msc__to_ansi(std::u16string_view s)
{
    return msc__to_utf8(s);
}

std::u16string msc__from_ansi(std::string_view s)
{
    return msc__from_utf8(s);
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

int msc__write_blob(const std::u16string &path, const void *bytes, std::size_t len)
{
    std::string p = msc__to_ansi(path);
    int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return 0;
    const auto *b = static_cast<const unsigned char *>(bytes);
    std::size_t done = 0;
    while (done < len) {
        ssize_t n = ::write(fd, b + done, len - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            int saved = n < 0 ? errno : EIO;
            ::close(fd);
            errno = saved;
            return 0;
        }
        done += static_cast<std::size_t>(n);
    }
    XASSERT(::close(fd) == 0);
    return 1;
}

std::string msc__resolve_link(const std::string &path)
{
    std::string p = path;
    // Follows the last component only; 40 hops as the kernel allows.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st;
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return p;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        ssize_t n = ::readlink(p.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size())
            return p;
        target.resize(static_cast<std::size_t>(n));
        if (target[0] != '/') {
            std::size_t slash = p.find_last_of('/');
            if (slash != std::string::npos)
                target = p.substr(0, slash + 1) + target;
        }
        p = std::move(target);
    }
    return p;
}

int msc__replace_file(const std::u16string &path, const void *bytes, std::size_t len)
{
    // Through a symbolic link the file it points at is replaced, in its own
    // folder; the link stays a link.
    std::string p = msc__resolve_link(msc__to_ansi(path));
    std::string tmpl = p + ".XXXXXX";
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        return 0;
    struct stat st;
    mode_t mode;
    if (::stat(p.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        errno = err;
        return 0;
    };
    if (::fchmod(fd, mode) != 0)
        return fail(errno);
    const auto *b = static_cast<const unsigned char *>(bytes);
    for (std::size_t done = 0; done < len;) {
        ssize_t n = ::write(fd, b + done, len - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n < 0 ? errno : EIO);
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0)
        return fail(errno);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        errno = err;
        return 0;
    }
    if (::rename(tmpl.c_str(), p.c_str()) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        errno = err;
        return 0;
    }
    return 1;
}

int msc__read_blob(const std::u16string &path, std::vector<unsigned char> &out, std::size_t max_len)
{
    std::string p = msc__to_ansi(path);
    // Without O_NONBLOCK opening a FIFO would wait for a writer forever.
    int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return 0;
    auto fail = [&](int err) {
        ::close(fd);
        errno = err;
        return 0;
    };
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return fail(errno);
    if (S_ISDIR(st.st_mode))
        return fail(EISDIR);
    if (!S_ISREG(st.st_mode)) // FIFO, device, socket: not a file to read whole
        return fail(EINVAL);
    if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > max_len)
        return fail(EFBIG);
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::vector<unsigned char> buf(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < buf.size()) {
        ssize_t n = ::read(fd, buf.data() + done, buf.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(errno);
        if (n == 0) { // the file shrank while being read
            buf.resize(done);
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out = std::move(buf);
    return 1;
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
