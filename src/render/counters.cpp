#include "render/counters.h"

#include <QLocale>

namespace {

// The most digits a numbering pattern may have: the start and what is
// added to it stay far inside a long long.
constexpr std::size_t max_digits = 18;

enum class counter_kind { none, label, row, date, time };

struct parsed_counter {
    counter_kind kind = counter_kind::none;
    long long start = 1;
    int width = 0;
    QString format;
};

// "000100": start 100, six digits.  False for anything but 1…18 ASCII
// digits.
bool numbering(std::u16string_view pattern, long long &start, int &width)
{
    if (pattern.empty() || pattern.size() > max_digits)
        return false;
    long long v = 0;
    for (char16_t c : pattern) {
        if (c < u'0' || c > u'9')
            return false;
        v = v * 10 + (c - u'0');
    }
    start = v;
    width = static_cast<int>(pattern.size());
    return true;
}

parsed_counter parse(const std::u16string &name)
{
    parsed_counter p;
    if (!rdr__is_counter_name(name))
        return p;
    const std::u16string_view rest = std::u16string_view(name).substr(1);
    const std::size_t colon = rest.find(u':');
    const std::u16string_view word = rest.substr(0, colon);
    const bool has_argument = colon != std::u16string_view::npos;
    const std::u16string_view argument = has_argument ? rest.substr(colon + 1) : std::u16string_view();
    if (word.empty() || word == u"row") {
        p.kind = word.empty() ? counter_kind::label : counter_kind::row;
        if (has_argument && !numbering(argument, p.start, p.width))
            p.kind = counter_kind::none;
        return p;
    }
    if (word == u"date" || word == u"time") {
        if (has_argument && argument.empty())
            return p;
        p.kind = word == u"date" ? counter_kind::date : counter_kind::time;
        p.format = has_argument ? QString::fromStdU16String(std::u16string(argument))
                   : p.kind == counter_kind::date ? QStringLiteral("dd.MM.yyyy")
                                                  : QStringLiteral("HH:mm");
    }
    return p;
}

std::u16string numbered(long long start, int width, long long n)
{
    std::u16string digits = rdr__number(start + n - 1);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), u'0');
    return digits;
}

// Month and day names in Russian, as the program speaks, whatever the
// machine's locale.
std::u16string when_text(const QDateTime &when, const QString &format)
{
    static const QLocale russian(QLocale::Russian, QLocale::Russia);
    return russian.toString(when, format).toStdU16String();
}

} // namespace

std::optional<std::u16string> rdr__counter_value(const std::u16string &name, long long label, long long row,
                                                 const QDateTime &when)
{
    const parsed_counter p = parse(name);
    switch (p.kind) {
    case counter_kind::label:
        return numbered(p.start, p.width, label);
    case counter_kind::row:
        return numbered(p.start, p.width, row);
    case counter_kind::date:
    case counter_kind::time:
        return when_text(when, p.format);
    case counter_kind::none:
        break;
    }
    return std::nullopt;
}

run_counters::run_counters(const std::vector<std::u16string> &names, const QDateTime &when)
{
    for (const std::u16string &name : names) {
        const parsed_counter p = parse(name);
        if (p.kind == counter_kind::none)
            continue;
        counter c;
        c.name = name;
        c.start = p.start;
        c.width = p.width;
        if (p.kind == counter_kind::label || p.kind == counter_kind::row)
            c.k = p.kind == counter_kind::label ? kind::label : kind::row;
        else
            c.value = when_text(when, p.format);
        numbers_labels_ = numbers_labels_ || c.k == kind::label;
        list_.push_back(std::move(c));
    }
}

void run_counters::put(render_variable_map &vars, long long label, long long row) const
{
    for (const counter &c : list_) {
        std::u16string value = c.k == kind::label ? numbered(c.start, c.width, label)
                               : c.k == kind::row ? numbered(c.start, c.width, row)
                                                  : c.value;
        vars.insert_or_assign(c.name, std::move(value));
    }
}
