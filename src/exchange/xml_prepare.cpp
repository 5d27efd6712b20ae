#include "exchange/xml_prepare.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <string_view>

#include "exchange/xml_tags.h"
#include "exchange/xmlrpc_support.h"
#include "platform/ascii_text.h"
#include "platform/code_pages.h"
#include "platform/translation.h"

namespace {

bool xml_space(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Where the value of the declaration's encoding attribute lies, if the
// document starts with a declaration that has one.
bool declared_encoding(std::string_view doc, std::size_t &pos, std::size_t &len)
{
    if (doc.size() < 6 || doc.substr(0, 5) != "<?xml" || !xml_space(doc[5]))
        return false;
    std::size_t close = doc.find("?>");
    if (close == std::string_view::npos)
        return false;
    std::string_view decl = doc.substr(0, close);
    for (std::size_t at = decl.find("encoding"); at != std::string_view::npos;
         at = decl.find("encoding", at + 1)) {
        if (!xml_space(decl[at - 1]))
            continue;
        std::size_t i = at + 8;
        while (i < decl.size() && xml_space(decl[i]))
            ++i;
        if (i >= decl.size() || decl[i] != '=')
            continue;
        ++i;
        while (i < decl.size() && xml_space(decl[i]))
            ++i;
        if (i >= decl.size() || (decl[i] != '"' && decl[i] != '\''))
            continue;
        std::size_t end = decl.find(decl[i], i + 1);
        if (end == std::string_view::npos)
            return false;
        pos = i + 1;
        len = end - pos;
        return true;
    }
    return false;
}

void say_utf8(std::string &doc)
{
    std::size_t pos = 0, len = 0;
    if (declared_encoding(doc, pos, len))
        doc.replace(pos, len, "UTF-8");
}

bool bad_encoding(xmlrpc_env *env, const char *what)
{
    xmlrpc_env_set_fault_formatted(env, XMLRPC_PARSE_ERROR, pl__tr_printf(VL_TR8("vellumo", "Ошибка кодировки документа XML: %s.")).c_str(), what);
    return false;
}

bool utf16_to_utf8(xmlrpc_env *env, const unsigned char *b, std::size_t n, bool big_endian,
                   std::string &out)
{
    if (n % 2)
        return bad_encoding(env, pl__tr8(VL_TR8("vellumo", "текст UTF-16 нечётной длины")).c_str());
    std::u16string s;
    s.reserve(n / 2);
    for (std::size_t i = 0; i + 1 < n; i += 2)
        s += static_cast<char16_t>(big_endian ? (b[i] << 8) | b[i + 1] : b[i] | (b[i + 1] << 8));
    for (std::size_t i = 0; i < s.size(); ++i) {
        char16_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF)
            ++i;
        else if (c >= 0xD800 && c <= 0xDFFF)
            return bad_encoding(env, pl__tr8(VL_TR8("vellumo", "разорванная суррогатная пара UTF-16")).c_str());
    }
    out = plt__to_utf8(s);
    say_utf8(out);
    return true;
}

bool iconv_to_utf8(xmlrpc_env *env, const std::string &from, const char *xml, std::size_t len,
                   std::string &out)
{
    iconv_t cd = iconv_open("UTF-8", from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        xmlrpc_env_set_fault_formatted(env, XMLRPC_PARSE_ERROR,
                                       pl__tr_printf(VL_TR8("vellumo", "Документ XML в неизвестной кодировке «%s».")).c_str(), from.c_str());
        return false;
    }
    out.clear();
    out.reserve(len + len / 2);
    char *in = const_cast<char *>(xml);
    std::size_t in_left = len;
    char buf[16384];
    bool ok = true;
    while (in_left > 0) {
        char *o = buf;
        std::size_t o_left = sizeof buf;
        std::size_t r = iconv(cd, &in, &in_left, &o, &o_left);
        out.append(buf, sizeof buf - o_left);
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    if (!ok) {
        xmlrpc_env_set_fault_formatted(env, XMLRPC_PARSE_ERROR,
                                       pl__tr_printf(VL_TR8("vellumo", "В документе XML байты, недопустимые в кодировке «%s».")).c_str(),
                                       from.c_str());
        return false;
    }
    say_utf8(out);
    return true;
}

// The document as UTF-8: `converted` is filled when it had to change, else
// the input can be used as it is (after `skip` bytes of byte order mark).
bool to_utf8(xmlrpc_env *env, const char *xml, std::size_t len, std::string &converted,
             bool &changed, std::size_t &skip)
{
    changed = false;
    skip = 0;
    const auto *b = reinterpret_cast<const unsigned char *>(xml);
    if (len >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        changed = true;
        return utf16_to_utf8(env, b + 2, len - 2, false, converted);
    }
    if (len >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        changed = true;
        return utf16_to_utf8(env, b + 2, len - 2, true, converted);
    }
    if (len >= 4 && b[0] == '<' && b[1] == 0 && b[2] == '?' && b[3] == 0) {
        changed = true;
        return utf16_to_utf8(env, b, len, false, converted);
    }
    if (len >= 4 && b[0] == 0 && b[1] == '<' && b[2] == 0 && b[3] == '?') {
        changed = true;
        return utf16_to_utf8(env, b, len, true, converted);
    }
    if (len >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        skip = 3;
    std::string_view doc(xml + skip, len - skip);
    std::size_t pos = 0, n = 0;
    if (!declared_encoding(doc, pos, n))
        return true;
    std::string name(doc.substr(pos, n));
    if (plt__ascii_iequal(name, "UTF-8") || plt__ascii_iequal(name, "UTF8"))
        return true;
    if (plt__ascii_istarts(name, "UTF-16") || plt__ascii_istarts(name, "UTF16") || plt__ascii_istarts(name, "UCS-2") ||
        plt__ascii_istarts(name, "UTF-32") || plt__ascii_istarts(name, "UCS-4"))
        return bad_encoding(env, pl__tr8(VL_TR8("vellumo", "объявленная кодировка не совпадает с байтами документа")).c_str());
    if (skip)
        return bad_encoding(env, pl__tr8(VL_TR8("vellumo", "метка порядка байтов UTF-8 в документе другой кодировки")).c_str());
    changed = true;
    return iconv_to_utf8(env, name, doc.data(), doc.size(), converted);
}

} // namespace

bool ino__xml_depth_ok(xmlrpc_env *env, const char *xml, std::size_t len, int limit)
{
    xml_tag_reader tags(xml, len);
    xml_tag t;
    int depth = 0;
    while (tags.next(t)) {
        if (t.end) {
            if (depth > 0)
                --depth;
        } else if (!t.empty && ++depth > limit) {
            xmlrpc_env_set_fault_formatted(env, XMLRPC_PARSE_ERROR,
                                           pl__tr_printf(VL_TR8("vellumo", "Элементы документа XML вложены глубже %d уровней.")).c_str(),
                                           limit);
            return false;
        }
    }
    return true;
}

std::optional<std::string> ino__xml_to_utf8(xmlrpc_env *env, const char *xml, std::size_t len)
{
    std::string converted;
    bool changed = false;
    std::size_t skip = 0;
    if (!to_utf8(env, xml, len, converted, changed, skip))
        return std::nullopt;
    if (!changed)
        return std::string(xml + skip, len - skip);
    return converted;
}

bool ino__looks_like_label_file(const char *bytes, std::size_t len)
{
    xmlrpc_env env;
    xmlrpc_env_init(&env);
    std::optional<std::string> doc = ino__xml_to_utf8(&env, bytes, len);
    xmlrpc_env_clean(&env);
    std::string_view d;
    if (doc) {
        d = *doc;
    } else {
        // An encoding the reader refuses: still a label file when it starts
        // as one (the fault then says what is wrong with its encoding).
        d = std::string_view(bytes, len);
        const auto *b = reinterpret_cast<const unsigned char *>(bytes);
        const bool bom = len >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF));
        const bool utf16 = len >= 4 && ((b[0] == '<' && b[1] == 0 && b[2] == '?' && b[3] == 0) ||
                                        (b[0] == 0 && b[1] == '<' && b[2] == 0 && b[3] == '?'));
        return bom || utf16 || d.substr(0, 5) == "<?xml" || (len >= 8 && d.substr(3, 5) == "<?xml");
    }
    std::size_t i = 0;
    while (i < d.size() && xml_space(d[i]))
        ++i;
    if (i >= d.size() || d[i] != '<')
        return false;
    return d.find("<methodCall", i) != std::string_view::npos;
}

bool ino__xml_bmp_only(xmlrpc_env *env, const char *xml, std::size_t len)
{
    const auto *b = reinterpret_cast<const unsigned char *>(xml);
    auto refuse = [&](char32_t c, std::size_t at) {
        const long line = 1 + static_cast<long>(std::count(xml, xml + at, '\n'));
        xmlrpc_env_set_fault_formatted(env, XMLRPC_INVALID_UTF8_ERROR,
                                       pl__tr_printf(VL_TR8("vellumo", "Символ U+%04X (строка %ld документа) не принимается: символы вне основной "
                                       "плоскости Юникода (эмодзи и подобные) программа не хранит и не передаёт.")).c_str(),
                                       static_cast<unsigned>(c), line);
        return false;
    };
    for (std::size_t i = 0; i < len; ++i) {
        if (b[i] >= 0xF0) { // the lead byte of a four-byte sequence
            char32_t c = b[i] & 0x07;
            for (std::size_t k = 1; k < 4 && i + k < len; ++k)
                c = (c << 6) | (b[i + k] & 0x3F);
            return refuse(c, i);
        }
        if (b[i] == '&' && i + 2 < len && b[i + 1] == '#') {
            // A character reference: &#128512; or &#x1F600;
            std::size_t j = i + 2;
            const bool hex = j < len && (b[j] == 'x' || b[j] == 'X');
            if (hex)
                ++j;
            unsigned long long v = 0;
            std::size_t digits = 0;
            for (; j < len && digits < 16; ++j, ++digits) {
                const unsigned char d = b[j];
                int n = d >= '0' && d <= '9' ? d - '0' : hex && (d | 0x20) >= 'a' && (d | 0x20) <= 'f' ? (d | 0x20) - 'a' + 10 : -1;
                if (n < 0)
                    break;
                v = v * (hex ? 16 : 10) + static_cast<unsigned>(n);
            }
            if (digits > 0 && v >= 0x10000)
                return refuse(static_cast<char32_t>(std::min<unsigned long long>(v, 0xFFFFFFFF)), i);
        }
    }
    return true;
}

std::optional<std::string> ino__prepare_xml(xmlrpc_env *env, const char *xml, std::size_t len)
{
    if (!ino__xml_size_ok(env, len))
        return std::nullopt;
    std::string converted;
    bool changed = false;
    std::size_t skip = 0;
    if (!to_utf8(env, xml, len, converted, changed, skip))
        return std::nullopt;
    const char *doc = changed ? converted.data() : xml + skip;
    std::size_t n = changed ? converted.size() : len - skip;
    if (!ino__xml_size_ok(env, n) || !ino__xml_acceptable(env, doc, n) ||
        !ino__xml_depth_ok(env, doc, n) || !ino__xml_bmp_only(env, doc, n))
        return std::nullopt;
    return ino__protect_cr(doc, n);
}
