#include "model/settings.h"

#include "model/misc.h"

namespace settings {

std::u16string custom_color_name(int index)
{
    return msc__format(u"custom-color-%d", index);
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
    auto v = reg__get_multi(HKEY_CURRENT_USER, REG_PATH, s.name);
    if (!v)
        return {};
    return reg__multi_split(v->c_str());
}

std::int32_t get_custom_color(int index)
{
    return reg__get_int(HKEY_CURRENT_USER, REG_PATH, custom_color_name(index), custom_color_default);
}

void set(const reg_int_setting &s, std::int32_t v)
{
    reg__set_int(REG_PATH, s.name, v);
}

void set(const reg_double_setting &s, double v)
{
    reg__set_double(REG_PATH, s.name, v);
}

void set(const reg_string_setting &s, std::u16string_view v)
{
    reg__set_string(HKEY_CURRENT_USER, REG_PATH, s.name, v);
}

void set(const reg_list_setting &s, const std::vector<std::u16string> &v)
{
    std::u16string block = reg__multi_join(v);
    reg__set_multi(HKEY_CURRENT_USER, REG_PATH, s.name, block.c_str());
}

void set_custom_color(int index, std::int32_t v)
{
    reg__set_int(REG_PATH, custom_color_name(index), v);
}

} // namespace settings
