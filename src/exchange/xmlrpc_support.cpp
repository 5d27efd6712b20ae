#include "exchange/xmlrpc_support.h"
#include "platform/translation.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <mutex>

std::string ino__six_decimal_doubles(std::string_view xml)
{
    static constexpr std::string_view open = "<double>", close = "</double>";
    std::string out;
    out.reserve(xml.size() + xml.size() / 16);
    std::size_t at = 0;
    for (;;) {
        const std::size_t start = xml.find(open, at);
        const std::size_t value = start == std::string_view::npos ? start : start + open.size();
        const std::size_t end = value == std::string_view::npos ? value : xml.find(close, value);
        if (end == std::string_view::npos) {
            out.append(xml.substr(at));
            return out;
        }
        out.append(xml.substr(at, value - at));
        const std::string_view text = xml.substr(value, end - value);
        double v = 0;
        const auto [stop, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        char buf[512];
        std::to_chars_result written{};
        if (ec == std::errc() && stop == text.data() + text.size() && std::isfinite(v))
            written = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
        if (written.ec == std::errc() && written.ptr != nullptr)
            out.append(buf, written.ptr);
        else
            out.append(text); // not a number we wrote: as it was
        at = end;
    }
}

void ino__six_decimal_doubles(xmlrpc_env *env, xmlrpc_mem_block *block)
{
    const std::string_view xml(static_cast<const char *>(xmlrpc_mem_block_contents(block)),
                               xmlrpc_mem_block_size(block));
    if (xml.find("<double>") == std::string_view::npos)
        return;
    const std::string six = ino__six_decimal_doubles(xml);
    xmlrpc_mem_block_resize(env, block, six.size());
    if (!env->fault_occurred)
        std::memcpy(xmlrpc_mem_block_contents(block), six.data(), six.size());
}

void ino__ensure_limits()
{
    static std::once_flag once;
    std::call_once(once, [] { xmlrpc_limit_set(XMLRPC_XML_SIZE_LIMIT_ID, 2 * INO_XML_SIZE_LIMIT); });
}

bool ino__xml_size_ok(xmlrpc_env *env, std::size_t len)
{
    if (len <= INO_XML_SIZE_LIMIT)
        return true;
    xmlrpc_env_set_fault_formatted(env, XMLRPC_LIMIT_EXCEEDED_ERROR,
                                   pl__tr_printf(VL_TR8("vellumo", "Документ XML-RPC больше %u МиБ.")).c_str(),
                                   static_cast<unsigned>(INO_XML_SIZE_LIMIT >> 20));
    return false;
}

c_numeric_scope::c_numeric_scope()
{
    static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    old_ = uselocale(c);
}

c_numeric_scope::~c_numeric_scope()
{
    uselocale(old_);
}

bool ino__xml_acceptable(xmlrpc_env *env, const char *xml, std::size_t len)
{
    static const char doctype[] = "<!DOCTYPE";
    const std::size_t n = sizeof doctype - 1;
    for (const char *p = xml, *end = xml + len; p && static_cast<std::size_t>(end - p) >= n;) {
        p = static_cast<const char *>(std::memchr(p, '<', static_cast<std::size_t>(end - p)));
        if (!p || static_cast<std::size_t>(end - p) < n)
            break;
        if (std::memcmp(p, doctype, n) == 0) {
            xmlrpc_env_set_fault(env, XMLRPC_PARSE_ERROR,
                                 pl__tr8(VL_TR8("vellumo", "Объявления типа документа (<!DOCTYPE>) в документе XML не принимаются.")).c_str());
            return false;
        }
        ++p;
    }
    return true;
}

namespace {
thread_local bool t_cr_protected = false;
constexpr char esc_utf8[] = "\xEE\x80\x81"; // U+E001
constexpr char cr_utf8[] = "\xEE\x80\x80";  // U+E000
} // namespace

cr_protected_scope::cr_protected_scope() : old_(t_cr_protected)
{
    t_cr_protected = true;
}

cr_protected_scope::~cr_protected_scope()
{
    t_cr_protected = old_;
}

bool ino__cr_protected()
{
    return t_cr_protected;
}

std::string ino__protect_cr(const char *xml, std::size_t len)
{
    std::string out;
    out.reserve(len + len / 64);
    std::string_view s(xml, len);
    bool in_cdata = false;
    for (std::size_t i = 0; i < len;) {
        if (!in_cdata && s.compare(i, 9, "<![CDATA[") == 0) {
            in_cdata = true;
            out.append(s.substr(i, 9));
            i += 9;
            continue;
        }
        if (in_cdata && s.compare(i, 3, "]]>") == 0) {
            in_cdata = false;
            out.append("]]>");
            i += 3;
            continue;
        }
        if (s.compare(i, 3, esc_utf8) == 0) {
            out.append(esc_utf8).append(esc_utf8);
            i += 3;
            continue;
        }
        if (!in_cdata && s[i] == '&' && i + 2 < len && s[i + 1] == '#') {
            std::size_t j = i + 2;
            bool hex = s[j] == 'x';
            if (hex)
                ++j;
            unsigned long v = 0;
            std::size_t digits = 0;
            for (; j < len && digits < 12; ++j, ++digits) {
                char c = s[j];
                int d = c >= '0' && c <= '9'             ? c - '0'
                        : hex && c >= 'a' && c <= 'f'    ? c - 'a' + 10
                        : hex && c >= 'A' && c <= 'F'    ? c - 'A' + 10
                                                         : -1;
                if (d < 0)
                    break;
                v = v * (hex ? 16 : 10) + static_cast<unsigned long>(d);
            }
            if (digits > 0 && j < len && s[j] == ';') {
                if (v == 13) {
                    out.append(esc_utf8).append(cr_utf8);
                    i = j + 1;
                    continue;
                }
                if (v == 0xE001) {
                    out.append(esc_utf8).append(esc_utf8);
                    i = j + 1;
                    continue;
                }
            }
        }
        out += s[i++];
    }
    return out;
}

std::u16string ino__restore_cr(std::u16string s)
{
    if (s.find(u'\uE001') == std::u16string::npos)
        return s;
    std::u16string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == u'\uE001' && i + 1 < s.size() && (s[i + 1] == u'\uE000' || s[i + 1] == u'\uE001')) {
            out += s[i + 1] == u'\uE000' ? u'\r' : u'\uE001';
            ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}
