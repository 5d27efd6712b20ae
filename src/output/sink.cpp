#include "output/sink.h"

bool page_sink::label_page(const label *lab, const render_variable_map &variables, long number,
                           std::vector<std::u16string> &problems, std::u16string &error)
{
    std::vector<page_problem> said;
    const bool ok = page(out__label_page(lab, variables, number), said, error);
    for (page_problem &p : said)
        problems.push_back(std::move(p.text));
    return ok;
}
