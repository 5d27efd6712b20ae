#include "hub/program_state.h"

#include "model/settings.h"

namespace {

struct program_state {
    std::vector<std::u16string> fonts;
    std::vector<preview_var> variables;
};

program_state &state()
{
    static program_state s;
    return s;
}

} // namespace

std::vector<std::u16string> &prs__fonts()
{
    return state().fonts;
}

std::vector<preview_var> &prs__variables()
{
    return state().variables;
}

std::vector<preview_var> prs__variables_from(const std::vector<std::u16string> &stored)
{
    std::vector<preview_var> out;
    for (std::size_t i = 0; i + 1 < stored.size(); i += 2)
        out.push_back(preview_var{stored[i], stored[i + 1]});
    return out;
}

std::vector<std::u16string> prs__variables_to(const std::vector<preview_var> &vars)
{
    std::vector<std::u16string> out;
    for (const preview_var &v : vars) {
        out.push_back(v.name);
        out.push_back(v.value);
    }
    return out;
}

void prs__load()
{
    program_state &s = state();
    s.fonts = settings::get(settings::font_list);
    s.variables = prs__variables_from(settings::get(settings::variables_list));
}

void prs__save()
{
    program_state &s = state();
    if (!s.fonts.empty())
        settings::set(settings::font_list, s.fonts);
    settings::set(settings::variables_list, prs__variables_to(s.variables));
    s.fonts.clear();
    s.variables.clear();
}
