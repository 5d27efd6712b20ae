#include "model/reg.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "model/errors.h"
#include "model/messages.h"
#include "model/misc.h"
#include "model/xmalloc.h"
#include "platform/code_pages.h"
#include "platform/translation.h"

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

std::u16string system_reason(int err)
{
    switch (err) {
    case ENOSPC: return pl__tr(msg::settings_reason_no_space);
    case EDQUOT: return pl__tr(msg::settings_reason_quota);
    case EACCES:
    case EPERM: return pl__tr(msg::settings_reason_denied);
    case EROFS: return pl__tr(msg::settings_reason_read_only);
    case ENOTDIR:
    case EEXIST: return pl__tr(msg::settings_reason_not_folder);
    case EISDIR: return pl__tr(msg::settings_reason_is_folder);
    case EFBIG: return pl__tr(msg::settings_reason_too_big);
    default: return msc__format(msg::settings_reason_other, err, std::strerror(err));
    }
}

std::u16string reason_of(const reg_write_status &st)
{
    switch (st.cause) {
    case reg_write_cause::lock_timeout:
        return msc__format(msg::settings_reason_lock, (st.error + 999) / 1000);
    case reg_write_cause::unreadable:
        return msc__format(msg::settings_reason_unreadable, system_reason(st.error).c_str());
    default:
        return system_reason(st.error);
    }
}

// The last failure the user was told about; the same failure again is not
// repeated until a write has gone through (a full disk at exit would
// otherwise ask for one OK per value).
std::u16string g_last_warning;

void warn_once(const std::u16string &text)
{
    if (text == g_last_warning)
        return;
    g_last_warning = text;
    err__warning(u"%1", text.c_str());
}

void warn_write_failed(const std::string &file, const std::u16string &reason)
{
    warn_once(msc__format(msg::settings_write_failed, plt__from_ansi(file).c_str(), reason.c_str()));
}

// A write that fails is told to the user once; the program goes on and the
// old settings file stays as it was.  0 on failure.
int write_value(HKEY root, std::u16string_view path, std::u16string_view name, reg_value v)
{
    reg_write_status st = seam<settings_backend>::get().write(root, path, name, v);
    if (st.ok()) {
        g_last_warning.clear();
        return 1;
    }
    warn_write_failed(st.file, reason_of(st));
    return 0;
}

// Text with a broken surrogate cannot be written to the UTF-8 file without
// changing it: refused with the same warning.
bool text_storable(std::u16string_view name, std::u16string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            ++i;
            continue;
        }
        if (c >= 0xD800 && c <= 0xDFFF) {
            std::string file = seam<settings_backend>::get().location();
            warn_write_failed(file, msc__format(msg::settings_bad_text, std::u16string(name).c_str(),
                                                static_cast<unsigned>(c)));
            return false;
        }
    }
    return true;
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
                std::string name = plt__to_utf8(s.substr(i + 1, close - i - 1));
                if (const char *v = std::getenv(name.c_str())) {
                    out += plt__from_utf8(v);
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
    std::optional<reg_value> v = seam<settings_backend>::get().read(root, path, name);
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

namespace {

void push_utf16(reg_value &v, char16_t c)
{
    v.bytes.push_back(static_cast<unsigned char>(c & 0xFF));
    v.bytes.push_back(static_cast<unsigned char>(c >> 8));
}

} // namespace

int reg__set_int(std::u16string_view path, std::u16string_view name, std::int32_t value)
{
    reg_value v;
    v.type = REG_DWORD;
    auto u = static_cast<std::uint32_t>(value);
    for (int k = 0; k < 4; ++k)
        v.bytes.push_back(static_cast<unsigned char>(u >> (8 * k)));
    return write_value(HKEY_CURRENT_USER, path, name, std::move(v));
}

int reg__set_double(std::u16string_view path, std::u16string_view name, double value)
{
    reg_value v;
    v.type = REG_BINARY;
    v.bytes.resize(sizeof value);
    std::memcpy(v.bytes.data(), &value, sizeof value);
    return write_value(HKEY_CURRENT_USER, path, name, std::move(v));
}

int reg__set_string(HKEY root, std::u16string_view path, std::u16string_view name,
                    std::u16string_view value)
{
    std::u16string s(value);
    std::size_t len = std::char_traits<char16_t>::length(s.c_str()); // up to the first NUL
    if (!text_storable(name, std::u16string_view(s.c_str(), len)))
        return 0;
    reg_value v;
    v.type = REG_SZ;
    for (std::size_t i = 0; i <= len; ++i)
        push_utf16(v, s.c_str()[i]);
    return write_value(root, path, name, std::move(v));
}

int reg__set_multi_block(HKEY root, std::u16string_view path, std::u16string_view name,
                         std::u16string_view block)
{
    if (!text_storable(name, block))
        return 0;
    reg_value v;
    v.type = REG_MULTI_SZ;
    for (char16_t c : block)
        push_utf16(v, c);
    return write_value(root, path, name, std::move(v));
}

std::optional<std::u16string> reg__list_block(const std::vector<std::u16string> &strings)
{
    std::u16string out;
    for (const std::u16string &s : strings) {
        if (s.find(u'\0') != std::u16string::npos)
            return std::nullopt;
        out += s;
        out += u'\0';
    }
    out += u'\0'; // an empty list is this one NUL, as reg__multi_len measures it
    // One empty string alone reads back as the empty list.
    if (strings.size() == 1 && strings[0].empty())
        return std::nullopt;
    return out;
}

std::vector<std::u16string> reg__list_split(const char16_t *data, std::size_t n)
{
    std::vector<std::u16string> pieces;
    bool all_nul = true;
    for (std::size_t i = 0; i < n; ++i)
        if (data[i] != 0)
            all_nul = false;
    if (all_nul && n <= 2)
        return pieces; // the empty list
    std::size_t start = 0;
    for (std::size_t i = 0; i <= n; ++i) {
        if (i == n || data[i] == 0) {
            pieces.emplace_back(data + start, i - start);
            start = i + 1;
        }
    }
    // The piece after the last NUL is empty when the list was terminated;
    // otherwise it is a string whose terminator is missing.
    std::u16string last = std::move(pieces.back());
    pieces.pop_back();
    if (!last.empty())
        pieces.push_back(std::move(last));
    else if (!pieces.empty() && pieces.back().empty())
        pieces.pop_back(); // the list's own final NUL
    return pieces;
}

std::optional<std::vector<std::u16string>> reg__get_list(HKEY root, std::u16string_view path,
                                                         std::u16string_view name)
{
    reg_regdata_ptr d = reg__read(root, path, name, true, 0);
    if (!d || d->type != REG_MULTI_SZ)
        return std::nullopt;
    // The block is zero-padded past its size, so an odd byte count is safe.
    return reg__list_split(d->rdata.multi_sz, d->size / 2);
}

int reg__set_list(HKEY root, std::u16string_view path, std::u16string_view name,
                  const std::vector<std::u16string> &strings)
{
    std::optional<std::u16string> block = reg__list_block(strings);
    if (!block) {
        warn_write_failed(seam<settings_backend>::get().location(),
                          msc__format(msg::settings_bad_list, std::u16string(name).c_str()));
        return 0;
    }
    return reg__set_multi_block(root, path, name, *block);
}
