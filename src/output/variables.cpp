#include "output/variables.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "render/counters.h"

namespace {

void note_name(std::vector<std::u16string> &names, std::unordered_set<std::u16string> &seen,
               const std::optional<std::u16string> &text)
{
    if (!text || text->find(u"${") == std::u16string::npos)
        return;
    static const render_variable_map none;
    rdr__substitute_in(*text, none, [&](const std::u16string &name, const std::u16string *) {
        if (seen.insert(name).second)
            names.push_back(name);
    });
}

const std::u16string *preview_value(const std::vector<preview_var> &preview, const std::u16string &name)
{
    for (const preview_var &v : preview)
        if (v.name == name)
            return &v.value;
    return nullptr;
}

} // namespace

std::vector<std::u16string> out__label_names(const label *lab)
{
    std::vector<std::u16string> names;
    std::unordered_set<std::u16string> seen;
    for (int i = 0; i < lab->qty; ++i) {
        const element *e = lab->es[i];
        if (e->disabled)
            continue;
        if (e->type == ELE_TEXT)
            note_name(names, seen, e->text.text);
        else if (e->type == ELE_BARCODE)
            note_name(names, seen, e->barcode.code);
        else if (e->type == ELE_PICTURE)
            note_name(names, seen, e->picture.source);
    }
    return names;
}

render_variable_map out__row_variables(const std::vector<std::u16string> &names,
                                       const std::vector<std::u16string> &columns,
                                       const std::vector<std::u16string> &cells,
                                       const std::vector<preview_var> &preview)
{
    render_variable_map vars;
    for (const std::u16string &name : names) {
        if (rdr__is_counter_name(name))
            continue; // the run sets it, else the render does
        const auto c = std::find(columns.begin(), columns.end(), name);
        const std::size_t at = static_cast<std::size_t>(c - columns.begin());
        if (c != columns.end() && at < cells.size())
            vars.emplace(name, cells[at]);
        else if (const std::u16string *v = preview_value(preview, name))
            vars.emplace(name, *v);
        else
            vars.emplace(name, std::u16string());
    }
    return vars;
}

render_variable_map out__preview_variables(const std::vector<std::u16string> &names,
                                           const std::vector<preview_var> &preview)
{
    render_variable_map vars;
    for (const std::u16string &name : names)
        if (rdr__is_counter_name(name))
            continue;
        else if (const std::u16string *v = preview_value(preview, name))
            vars.emplace(name, *v);
    return vars;
}

std::vector<std::u16string> out__names_without_column(const std::vector<std::u16string> &names,
                                                      const std::vector<std::u16string> &columns)
{
    std::vector<std::u16string> out;
    for (const std::u16string &n : names)
        if (!rdr__is_counter_name(n) && std::find(columns.begin(), columns.end(), n) == columns.end())
            out.push_back(n);
    return out;
}
