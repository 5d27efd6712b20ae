#include "model/reg.h"

#include <cstdlib>
#include <cstring>

#include "model/errors.h"
#include "model/misc.h"
#include "model/xmalloc.h"

namespace {

bool known_type(std::uint32_t t)
{
    return t == REG_SZ || t == REG_EXPAND_SZ || t == REG_BINARY || t == REG_DWORD ||
           t == REG_DWORD_BIG_ENDIAN || t == REG_MULTI_SZ;
}

bool heap_type(std::int32_t t)
{
    return t == REG_SZ || t == REG_EXPAND_SZ || t == REG_BINARY || t == REG_MULTI_SZ;
}

// The block is zero-padded past its size, so text read from a hand-edited
// value without its terminating NULs still ends.
unsigned char *copy_block(const std::vector<unsigned char> &bytes)
{
    // Six bytes cover two whole NUL characters even after an odd size.
    auto *b = static_cast<unsigned char *>(xmalloc(bytes.size() + 6));
    if (!bytes.empty())
        std::memcpy(b, bytes.data(), bytes.size());
    std::memset(b + bytes.size(), 0, 6);
    return b;
}

std::u16string text_of(const char16_t *s)
{
    return s ? std::u16string(s) : std::u16string();
}

void write_value(HKEY root, std::u16string_view path, std::u16string_view name, reg_value v,
                 const char *set_expr)
{
    switch (platform_settings().write(root, path, name, v)) {
    case reg_write_result::ok:
        return;
    case reg_write_result::create_key_failed:
        XFAIL("RegCreateKeyEx( root, path, 0, NULL, 0, KEY_WRITE, NULL, &key, NULL ) == ERROR_SUCCESS");
    case reg_write_result::set_value_failed:
        XFAIL(set_expr);
    case reg_write_result::close_key_failed:
        XFAIL("RegCloseKey( key ) == ERROR_SUCCESS");
    }
}

} // namespace

void reg__free(reg_regdata *d)
{
    if (!d)
        return;
    if (heap_type(d->type))
        xfree(d->rdata.binary);
    delete d;
}

std::u16string reg__expand_environment(std::u16string_view s)
{
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == u'%') {
            std::size_t close = s.find(u'%', i + 1);
            if (close != std::u16string_view::npos && close > i + 1) {
                std::string name = msc__to_utf8(s.substr(i + 1, close - i - 1));
                if (const char *v = std::getenv(name.c_str())) {
                    out += msc__from_utf8(v);
                    i = close + 1;
                    continue;
                }
                // Unknown: keep "%NAME" and go on from the closing %.
                out.append(s.substr(i, close - i));
                i = close;
                continue;
            }
        }
        out += s[i++];
    }
    return out;
}

reg_regdata_ptr reg__read(HKEY root, std::u16string_view path, std::u16string_view name,
                          bool expand, std::int32_t wanted_type)
{
    std::optional<reg_value> v = platform_settings().read(root, path, name);
    if (!v || !known_type(v->type))
        return nullptr;
    if (wanted_type != 0 && static_cast<std::int32_t>(v->type) != wanted_type)
        return nullptr;
    reg_regdata_ptr d(new reg_regdata);
    d->type = static_cast<std::int32_t>(v->type);
    if (heap_type(d->type)) {
        d->rdata.binary = copy_block(v->bytes);
        d->size = static_cast<std::uint32_t>(v->bytes.size());
    } else {
        // A DWORD that is not 4 bytes long is a failed read.
        if (v->bytes.size() != 4)
            return nullptr;
        std::memcpy(&d->rdata.dword, v->bytes.data(), 4);
        d->size = 4;
    }
    if (expand && d->type == REG_EXPAND_SZ) {
        std::u16string ex = reg__expand_environment(text_of(d->rdata.expand_sz));
        auto *block = static_cast<char16_t *>(xmalloc((ex.size() + 1) * sizeof(char16_t)));
        std::memcpy(block, ex.c_str(), (ex.size() + 1) * sizeof(char16_t));
        xfree(d->rdata.expand_sz);
        d->rdata.sz = block;
        d->type = REG_SZ;
        d->size = static_cast<std::uint32_t>(ex.size() + 1);
    } else if (expand && d->type == REG_DWORD_BIG_ENDIAN) {
        d->rdata.dword = __builtin_bswap32(d->rdata.dword);
        d->type = REG_DWORD;
    }
    return d;
}

std::int32_t reg__get_int(HKEY root, std::u16string_view path, std::u16string_view name,
                          std::int32_t def)
{
    reg_regdata_ptr d = reg__read(root, path, name, true, 0);
    if (d && d->type == REG_DWORD)
        return static_cast<std::int32_t>(d->rdata.dword);
    return def;
}

double reg__get_double(HKEY root, std::u16string_view path, std::u16string_view name, double def)
{
    reg_regdata_ptr d = reg__read(root, path, name, true, 0);
    if (d && d->type == REG_BINARY && d->size >= sizeof(double)) {
        double v;
        std::memcpy(&v, d->rdata.binary, sizeof v);
        return v;
    }
    return def;
}

std::optional<std::u16string> reg__get_string(HKEY root, std::u16string_view path,
                                              std::u16string_view name)
{
    reg_regdata_ptr d = reg__read(root, path, name, true, 0);
    if (d && d->type == REG_SZ)
        return text_of(d->rdata.sz);
    return std::nullopt;
}

std::optional<std::u16string> reg__get_multi(HKEY root, std::u16string_view path,
                                             std::u16string_view name)
{
    reg_regdata_ptr d = reg__read(root, path, name, true, 0);
    if (d && d->type == REG_MULTI_SZ) {
        // An empty value is an empty list.
        if (d->size < 2)
            return std::u16string(2, u'\0');
        return reg__multidup(d->rdata.multi_sz);
    }
    return std::nullopt;
}

std::size_t reg__multi_len(const char16_t *multi)
{
    std::size_t n = 0;
    const char16_t *p = multi;
    while (*p) {
        std::size_t len = std::char_traits<char16_t>::length(p);
        n += len + 1;
        p += len + 1;
    }
    return n + 1;
}

std::u16string reg__multidup(const char16_t *multi)
{
    std::size_t n = reg__multi_len(multi);
    std::u16string out(multi, n);
    if (n == 1)
        out += u'\0'; // an empty list copies as two NULs
    return out;
}

std::vector<std::u16string> reg__multi_split(const char16_t *multi)
{
    std::vector<std::u16string> out;
    for (const char16_t *p = multi; *p; p += out.back().size() + 1)
        out.emplace_back(p);
    return out;
}

std::u16string reg__multi_join(const std::vector<std::u16string> &strings)
{
    std::u16string out;
    for (const std::u16string &s : strings) {
        std::u16string_view v(s.c_str()); // up to the first NUL
        if (v.empty())
            break;
        out += v;
        out += u'\0';
    }
    out += u'\0';
    if (out.size() == 1)
        out += u'\0';
    return out;
}

void reg__set_int(std::u16string_view path, std::u16string_view name, std::int32_t value)
{
    reg_value v;
    v.type = REG_DWORD;
    auto u = static_cast<std::uint32_t>(value);
    for (int k = 0; k < 4; ++k)
        v.bytes.push_back(static_cast<unsigned char>(u >> (8 * k)));
    write_value(HKEY_CURRENT_USER, path, name, std::move(v),
                "RegSetValueEx( key, entry, 0, REG_DWORD, (unsigned char *)&value, sizeof( int ) ) "
                "== ERROR_SUCCESS");
}

void reg__set_double(std::u16string_view path, std::u16string_view name, double value)
{
    reg_value v;
    v.type = REG_BINARY;
    v.bytes.resize(sizeof value);
    std::memcpy(v.bytes.data(), &value, sizeof value);
    write_value(HKEY_CURRENT_USER, path, name, std::move(v),
                "RegSetValueEx( key, entry, 0, REG_BINARY, (unsigned char *)&value, sizeof( double "
                ") ) == ERROR_SUCCESS");
}

void reg__set_string(HKEY root, std::u16string_view path, std::u16string_view name,
                     std::u16string_view value)
{
    std::u16string s(value);
    std::size_t len = std::char_traits<char16_t>::length(s.c_str()); // up to the first NUL
    reg_value v;
    v.type = REG_SZ;
    for (std::size_t i = 0; i <= len; ++i) {
        char16_t c = s.c_str()[i];
        v.bytes.push_back(static_cast<unsigned char>(c & 0xFF));
        v.bytes.push_back(static_cast<unsigned char>(c >> 8));
    }
    write_value(root, path, name, std::move(v),
                "RegSetValueEx( key, entry, 0, REG_SZ, (unsigned char *)str, ( wcslen( str ) + 1 ) "
                "* sizeof( wchar_t ) ) == ERROR_SUCCESS");
}

void reg__set_multi(HKEY root, std::u16string_view path, std::u16string_view name,
                    const char16_t *multi)
{
    std::size_t n = reg__multi_len(multi);
    reg_value v;
    v.type = REG_MULTI_SZ;
    for (std::size_t i = 0; i < n; ++i) {
        v.bytes.push_back(static_cast<unsigned char>(multi[i] & 0xFF));
        v.bytes.push_back(static_cast<unsigned char>(multi[i] >> 8));
    }
    write_value(root, path, name, std::move(v),
                "RegSetValueEx( key, entry, 0, REG_MULTI_SZ, (unsigned char *)list, "
                "reg__multi_len( list ) * sizeof( wchar_t ) ) == ERROR_SUCCESS");
}
