#include "model/settings.h"

#include "model/misc.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

namespace settings {

std::u16string custom_color_name(int index)
{
    return msc__format(u"custom-color-%1", index);
}

std::int32_t get(const reg_int_setting &s)
{
    return reg__get_int(HKEY_CURRENT_USER, REG_PATH, s.name, s.def);
}

double get(const reg_double_setting &s)
{
    return reg__get_double(HKEY_CURRENT_USER, REG_PATH, s.name, s.def);
}

std::optional<std::u16string> get(const reg_string_setting &s)
{
    auto v = reg__get_string(HKEY_CURRENT_USER, REG_PATH, s.name);
    if (!v && s.def)
        return std::u16string(s.def);
    return v;
}

std::vector<std::u16string> get(const reg_list_setting &s)
{
    return reg__get_list(HKEY_CURRENT_USER, REG_PATH, s.name).value_or(std::vector<std::u16string>{});
}

std::optional<std::vector<std::u16string>> find(const reg_list_setting &s)
{
    return reg__get_list(HKEY_CURRENT_USER, REG_PATH, s.name);
}

std::optional<std::int32_t> find(const reg_int_setting &s)
{
    reg_regdata_ptr d = reg__read(HKEY_CURRENT_USER, REG_PATH, s.name, true, 0);
    if (!d || d->type != REG_DWORD)
        return std::nullopt; // missing, or of another type: as good as missing
    return static_cast<std::int32_t>(d->rdata.dword);
}

std::int32_t get_custom_color(int index)
{
    return reg__get_int(HKEY_CURRENT_USER, REG_PATH, custom_color_name(index), custom_color_default);
}

int set(const reg_int_setting &s, std::int32_t v)
{
    return reg__set_int(REG_PATH, s.name, v);
}

int set(const reg_double_setting &s, double v)
{
    return reg__set_double(REG_PATH, s.name, v);
}

int set(const reg_string_setting &s, std::u16string_view v)
{
    return reg__set_string(HKEY_CURRENT_USER, REG_PATH, s.name, v);
}

int set(const reg_list_setting &s, const std::vector<std::u16string> &v)
{
    return reg__set_list(HKEY_CURRENT_USER, REG_PATH, s.name, v);
}

int set_custom_color(int index, std::int32_t v)
{
    return reg__set_int(REG_PATH, custom_color_name(index), v);
}

} // namespace settings

namespace settings {

std::u16string folder_of(const std::u16string &path)
{
    const std::size_t slash = path.find_last_of(u'/');
    if (slash == std::u16string::npos)
        return {};
    return slash == 0 ? std::u16string(u"/") : path.substr(0, slash);
}

} // namespace settings

namespace settings {

namespace {

// The printer an entry is of, and its numbers; nothing for a broken entry.
std::optional<std::pair<std::u16string, calibration>> read_calibration(const std::u16string &entry)
{
    std::vector<std::u16string> parts;
    std::size_t at = 0;
    for (;;) {
        const std::size_t tab = entry.find(u'\t', at);
        parts.push_back(entry.substr(at, tab == std::u16string::npos ? std::u16string::npos : tab - at));
        if (tab == std::u16string::npos)
            break;
        at = tab + 1;
    }
    if (parts.size() != 4 || parts[0].empty())
        return std::nullopt;
    calibration c;
    if (!msc__parse_real(parts[1], c.x) || !msc__parse_real(parts[2], c.y) || !msc__parse_real(parts[3], c.scale) ||
        !calibration_sound(c))
        return std::nullopt;
    return std::make_pair(parts[0], c);
}

std::u16string number(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    return std::u16string(buf, buf + std::strlen(buf));
}

} // namespace

bool calibration_sound(const calibration &c)
{
    return std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.scale) &&
           std::fabs(c.x) <= calibration_max_shift && std::fabs(c.y) <= calibration_max_shift &&
           c.scale >= calibration_min_scale && c.scale <= calibration_max_scale;
}

calibration get_calibration(std::u16string_view printer)
{
    for (const std::u16string &entry : get(printer_calibration))
        if (auto e = read_calibration(entry); e && e->first == printer)
            return e->second;
    return {};
}

int set_calibration(std::u16string_view printer, const calibration &c)
{
    std::vector<std::u16string> kept;
    // Entries of other printers stay as they are; broken ones go.
    for (const std::u16string &entry : get(printer_calibration))
        if (auto e = read_calibration(entry); e && e->first != printer)
            kept.push_back(entry);
    if (!printer.empty() && calibration_sound(c) && !(c == calibration{}) &&
        printer.find_first_of(u"\t") == std::u16string_view::npos && printer.find(u'\0') == std::u16string_view::npos)
        kept.push_back(std::u16string(printer) + u"\t" + number(c.x) + u"\t" + number(c.y) + u"\t" + number(c.scale));
    return set(printer_calibration, kept);
}

} // namespace settings
