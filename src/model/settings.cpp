#include "model/settings.h"

#include "model/misc.h"

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
