#include "output/batch.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "model/messages.h"
#include "model/misc.h"
#include "output/formats.h"
#include "output/output_messages.h"
#include "output/variables.h"

bool page_filler::add(const label *lab, render_variable_map variables, long line,
                      std::vector<run_problem> &problems, std::u16string &error)
{
    const label_place at = layout_.place(labels_);
    if (open_ && at.page != page_.number && !hand_over(problems, error))
        return false;
    if (!open_) {
        page_ = out__blank_page(layout_, at.page);
        open_ = true;
    }
    page_.labels.push_back({lab, at.offset, std::move(variables), line});
    last_line_ = line;
    ++labels_;
    // The page is whole once the next label goes on another.
    if (layout_.place(labels_).page != page_.number)
        return hand_over(problems, error);
    return true;
}

bool page_filler::flush(std::vector<run_problem> &problems, std::u16string &error)
{
    return !open_ || hand_over(problems, error);
}

bool page_filler::hand_over(std::vector<run_problem> &problems, std::u16string &error)
{
    open_ = false;
    said_.clear();
    const bool ok = sink_.page(page_, said_, error);
    if (ok)
        ++pages_;
    for (page_problem &p : said_)
        problems.push_back({p.label < page_.labels.size() ? page_.labels[p.label].line : 0, std::move(p.text)});
    page_.labels.clear();
    return ok;
}

bool out__export(const label *lab, const std::vector<preview_var> &preview, const std::u16string &path,
                 const doc_options &o, std::vector<std::u16string> &problems, std::u16string &error)
{
    std::unique_ptr<page_sink> sink = out__file_sink(lab, path, o, false, error);
    if (!sink)
        return false;
    const render_variable_map vars = out__preview_variables(out__label_names(lab), preview);
    return sink->label_page(lab, vars, 1, problems, error) && sink->finish(error);
}

batch_outcome out__batch(const batch_request &req, page_sink &sink)
{
    batch_outcome out;
    const long copies = std::clamp(req.copies, 1L, OUT_MAX_COPIES);
    const label_per_page one_per_page(req.lab);
    page_filler pages(req.layout ? *req.layout : one_per_page, sink);
    const std::vector<std::u16string> names = out__label_names(req.lab);
    std::vector<run_problem> said;
    // How far the run got, whichever way it ends.
    auto counted = [&] {
        out.pages = pages.pages();
        out.labels = pages.labels();
    };
    // What a label of line `line` says; without a table (line 0) as it is.
    auto of_line = [](long line, const std::u16string &text) {
        return line > 0 ? msc__format(out_msg::row_problem, line, text.c_str()) : text;
    };
    // A page not written: its drawing problems go with it.
    auto page_failed = [&](const std::u16string &error) {
        out.error = of_line(pages.last_line(), error);
        counted();
        return out;
    };
    auto note_problems = [&] {
        for (const run_problem &p : said)
            out.problems.push_back(of_line(p.line, p.text));
        said.clear();
    };
    // The copies of one row, next to each other.
    auto place = [&](const render_variable_map &vars, long line, std::u16string &error) {
        for (long c = 0; c < copies; ++c)
            if (!pages.add(req.lab, vars, line, said, error))
                return false;
        return true;
    };
    // The end of the run: the last page, then the sink.
    auto finished = [&](long total) {
        std::u16string error;
        if (!pages.flush(said, error))
            return page_failed(error);
        note_problems();
        counted();
        if (!sink.finish(out.error))
            return out;
        if (req.progress)
            req.progress(pages.labels(), total);
        out.complete = true;
        return out;
    };
    auto cancelled = [&](long done, long total) {
        if (!req.progress || req.progress(done, total))
            return false;
        out.cancelled = true;
        out.error = out_msg::cancelled;
        counted();
        return true;
    };

    if (req.csv_path.empty()) {
        // No table: the label with the preview variables, `copies` times.
        out.rows = 1;
        if (cancelled(0, copies))
            return out;
        std::u16string error;
        // Its problems are the label's, not a line's: line 0.
        if (!place(out__preview_variables(names, req.preview), 0, error))
            return page_failed(error);
        note_problems();
        return finished(copies);
    }

    csv_summary table;
    csv_problem problem;
    if (!csv__scan_file(req.csv_path, req.csv, table, problem)) {
        out.error = problem.message;
        return out;
    }
    out.rows = table.rows;
    if (table.rows == 0) {
        out.error = out_msg::table_empty;
        return out;
    }
    std::ifstream in(req.csv_path, std::ios::binary);
    if (!in) {
        out.error = msc__format(msg::csv_unreadable, std::strerror(errno));
        return out;
    }
    csv_rows rows(in, table);
    // Where each name's value comes from: a column, else a fixed value (the
    // preview variable, else the empty text).
    std::vector<long> column(names.size(), -1);
    render_variable_map vars = out__row_variables(names, {}, {}, req.preview);
    for (std::size_t n = 0; n < names.size(); ++n) {
        const auto c = std::find(table.columns.begin(), table.columns.end(), names[n]);
        if (c != table.columns.end())
            column[n] = c - table.columns.begin();
    }
    const long total = table.rows * copies;
    std::vector<std::u16string> cells;
    long line = 0, placed_rows = 0;
    for (;;) {
        if (cancelled(pages.labels(), total))
            return out;
        problem = {};
        if (!rows.next(cells, line, problem)) {
            if (!problem.message.empty()) {
                out.error = problem.message;
                counted();
                return out;
            }
            break;
        }
        for (std::size_t n = 0; n < names.size(); ++n)
            if (column[n] >= 0)
                vars[names[n]] = static_cast<std::size_t>(column[n]) < cells.size() ? cells[column[n]] : u"";
        std::u16string error;
        if (!place(vars, line, error))
            return page_failed(error);
        ++placed_rows;
        note_problems();
    }
    if (placed_rows != table.rows) {
        out.error = msc__format(msg::csv_changed, static_cast<int>(line));
        counted();
        return out;
    }
    return finished(total);
}
