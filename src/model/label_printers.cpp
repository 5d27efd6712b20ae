// Label printers as the settings keep them: one tab-separated string each,
// read as hostile text (another program, a hand edit or an older version
// may have written it).
#include "model/settings.h"

#include "model/misc.h"
#include "platform/translation.h"

#include <cmath>

namespace settings {

namespace {

constexpr std::size_t FIELDS = 11;

std::vector<std::u16string_view> split_tabs(std::u16string_view entry)
{
    std::vector<std::u16string_view> parts;
    std::size_t at = 0;
    for (;;) {
        const std::size_t tab = entry.find(u'\t', at);
        parts.push_back(entry.substr(at, tab == std::u16string_view::npos ? std::u16string_view::npos : tab - at));
        if (tab == std::u16string_view::npos || parts.size() > FIELDS)
            break;
        at = tab + 1;
    }
    return parts;
}

// A whole number in ASCII digits with an optional minus, nothing else; up
// to six digits (every bound here is far below).
bool parse_int(std::u16string_view text, int &out)
{
    bool minus = false;
    if (!text.empty() && text.front() == u'-') {
        minus = true;
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 6)
        return false;
    int v = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            return false;
        v = v * 10 + (c - u'0');
    }
    out = minus ? -v : v;
    return true;
}

bool has_control(std::u16string_view text)
{
    for (char16_t c : text)
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == 0x2028 || c == 0x2029)
            return true;
    return false;
}

bool only_blanks(std::u16string_view text)
{
    for (char16_t c : text)
        if (c != u' ' && c != 0xA0)
            return false;
    return true;
}

std::u16string real(double v)
{
    return msc__format(u"%{1:.3f}", v);
}

std::u16string whole(int v)
{
    return msc__format(u"%1", v);
}

const char16_t *language_name(label_printer_language l)
{
    switch (l) {
    case label_printer_language::tspl: return u"tspl";
    case label_printer_language::epl: return u"epl";
    case label_printer_language::zpl: break;
    }
    return u"zpl";
}

const char16_t *media_name(label_printer_media m)
{
    switch (m) {
    case label_printer_media::mark: return u"mark";
    case label_printer_media::continuous: return u"continuous";
    case label_printer_media::gap: break;
    }
    return u"gap";
}

bool within(double v, double low, double high)
{
    return std::isfinite(v) && v >= low && v <= high;
}

} // namespace

std::u16string label_printer_connection_refusal(std::u16string_view c)
{
    static constexpr char16_t said_source[] =
        VL_TR("vellumo", "Подключение: socket://АДРЕС[:ПОРТ] (сетевой принтер, порт 9100 по умолчанию) или путь к "
        "устройству (/dev/usb/lp0).");
    const char16_t *said = pl__tr(said_source);
    if (c.empty() || c.size() > label_printer_max_connection || has_control(c))
        return said;
    static constexpr std::u16string_view scheme = u"socket://";
    if (c.substr(0, scheme.size()) == scheme) {
        std::u16string_view rest = c.substr(scheme.size());
        std::u16string_view host = rest, port;
        if (!rest.empty() && rest.front() == u'[') {
            // [::1]:9100
            const std::size_t close = rest.find(u']');
            if (close == std::u16string_view::npos || close < 2)
                return said;
            host = rest.substr(1, close - 1);
            std::u16string_view after = rest.substr(close + 1);
            if (!after.empty()) {
                if (after.front() != u':')
                    return said;
                port = after.substr(1);
                if (port.empty())
                    return said;
            }
            for (char16_t ch : host)
                if (!((ch >= u'0' && ch <= u'9') || (ch >= u'a' && ch <= u'f') || (ch >= u'A' && ch <= u'F') ||
                      ch == u':' || ch == u'.'))
                    return said;
        } else {
            const std::size_t colon = rest.find(u':');
            if (colon != std::u16string_view::npos) {
                host = rest.substr(0, colon);
                port = rest.substr(colon + 1);
                if (port.empty())
                    return said;
            }
            if (host.empty())
                return said;
            for (char16_t ch : host)
                if (!((ch >= u'0' && ch <= u'9') || (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') ||
                      ch == u'.' || ch == u'-' || ch == u'_'))
                    return said;
        }
        if (!port.empty()) {
            int n = 0;
            if (port.front() == u'-' || !parse_int(port, n) || n < 1 || n > 65535)
                return pl__tr(VL_TR("vellumo", "Порт принтера - число от 1 до 65535."));
        }
        return {};
    }
    if (c.front() != u'/' || c.size() < 2)
        return said;
    return {};
}

std::u16string label_printer_refusal(const label_printer &p)
{
    if (only_blanks(p.name))
        return pl__tr(VL_TR("vellumo", "Укажите имя принтера."));
    if (p.name.size() > label_printer_max_name)
        return msc__format(VL_TR("vellumo", "Имя принтера длиннее %1 знаков."), static_cast<int>(label_printer_max_name));
    if (has_control(p.name))
        return pl__tr(VL_TR("vellumo", "В имени принтера не может быть табуляций и переводов строки."));
    if (std::u16string why = label_printer_connection_refusal(p.connection); !why.empty())
        return why;
    if (p.dpi < label_printer_min_dpi || p.dpi > label_printer_max_dpi)
        return msc__format(VL_TR("vellumo", "Разрешение принтера - от %1 до %2 точек на дюйм."), label_printer_min_dpi,
                           label_printer_max_dpi);
    if (!within(p.head_width_mm, 0, label_printer_max_head_mm))
        return msc__format(VL_TR("vellumo", "Ширина головки - от 0 (не известна) до %1 мм."),
                           static_cast<int>(label_printer_max_head_mm));
    if (p.darkness < -1 || p.darkness > label_printer_max_darkness)
        return msc__format(VL_TR("vellumo", "Плотность - от 0 до %1 (или -1: как настроен принтер)."), label_printer_max_darkness);
    if (p.speed < 0 || p.speed > label_printer_max_speed)
        return msc__format(VL_TR("vellumo", "Скорость - от 0 (как настроен принтер) до %1 дюймов в секунду."),
                           label_printer_max_speed);
    if (!within(p.gap_mm, 0, label_printer_max_gap_mm))
        return msc__format(VL_TR("vellumo", "Зазор между этикетками - от 0 до %1 мм."), static_cast<int>(label_printer_max_gap_mm));
    if (!within(p.offset_x_mm, -label_printer_max_offset_mm, label_printer_max_offset_mm) ||
        !within(p.offset_y_mm, -label_printer_max_offset_mm, label_printer_max_offset_mm))
        return msc__format(VL_TR("vellumo", "Смещение - от -%1 до %1 мм."), static_cast<int>(label_printer_max_offset_mm));
    return {};
}

std::u16string label_printer_entry(const label_printer &p)
{
    return p.name + u"\t" + language_name(p.language) + u"\t" + whole(p.dpi) + u"\t" + p.connection + u"\t" +
           real(p.head_width_mm) + u"\t" + whole(p.darkness) + u"\t" + whole(p.speed) + u"\t" +
           media_name(p.media) + u"\t" + real(p.gap_mm) + u"\t" + real(p.offset_x_mm) + u"\t" + real(p.offset_y_mm);
}

std::optional<label_printer> read_label_printer(std::u16string_view entry)
{
    const std::vector<std::u16string_view> f = split_tabs(entry);
    if (f.size() != FIELDS)
        return std::nullopt;
    label_printer p;
    p.name = std::u16string(f[0]);
    if (f[1] == u"zpl")
        p.language = label_printer_language::zpl;
    else if (f[1] == u"tspl")
        p.language = label_printer_language::tspl;
    else if (f[1] == u"epl")
        p.language = label_printer_language::epl;
    else
        return std::nullopt;
    p.connection = std::u16string(f[3]);
    if (f[7] == u"gap")
        p.media = label_printer_media::gap;
    else if (f[7] == u"mark")
        p.media = label_printer_media::mark;
    else if (f[7] == u"continuous")
        p.media = label_printer_media::continuous;
    else
        return std::nullopt;
    if (!parse_int(f[2], p.dpi) || !msc__parse_real(f[4], p.head_width_mm) || !parse_int(f[5], p.darkness) ||
        !parse_int(f[6], p.speed) || !msc__parse_real(f[8], p.gap_mm) || !msc__parse_real(f[9], p.offset_x_mm) ||
        !msc__parse_real(f[10], p.offset_y_mm))
        return std::nullopt;
    if (!label_printer_refusal(p).empty())
        return std::nullopt;
    return p;
}

std::vector<label_printer> get_label_printers()
{
    std::vector<label_printer> out;
    for (const std::u16string &entry : get(label_printers)) {
        std::optional<label_printer> p = read_label_printer(entry);
        if (!p)
            continue;
        bool seen = false;
        for (const label_printer &q : out)
            seen = seen || q.name == p->name;
        if (!seen)
            out.push_back(std::move(*p));
    }
    return out;
}

std::optional<label_printer> find_label_printer(std::u16string_view name)
{
    for (label_printer &p : get_label_printers())
        if (p.name == name)
            return std::move(p);
    return std::nullopt;
}

int set_label_printers(const std::vector<label_printer> &printers)
{
    std::vector<std::u16string> kept;
    std::vector<std::u16string_view> names;
    for (const label_printer &p : printers) {
        if (!label_printer_refusal(p).empty())
            continue;
        bool seen = false;
        for (std::u16string_view n : names)
            seen = seen || n == p.name;
        if (seen)
            continue;
        names.push_back(p.name);
        kept.push_back(label_printer_entry(p));
    }
    return set(label_printers, kept);
}

} // namespace settings
