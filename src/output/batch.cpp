#include "output/batch.h"

#include <algorithm>
#include <filesystem>

#include "model/messages.h"
#include "model/misc.h"
#include "platform/code_pages.h"
#include "output/formats.h"
#include "output/output_messages.h"
#include "output/variables.h"
#include "render/counters.h"

bool page_filler::add(const label *lab, render_variable_map variables, long line,
                      std::vector<run_problem> &problems, std::u16string &error)
{
    const label_place at = layout_.place(labels_);
    if (open_ && at.page != page_.number && !hand_over(problems, error))
        return false;
    if (!open_) {
        page_ = out__blank_page(layout_, at.page);
        page_.picture_folder = picture_folder_;
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

namespace {

// A cell as a message shows it: its start, on one line.
std::u16string cell_shown(const std::u16string &cell)
{
    constexpr std::size_t longest = 40;
    std::u16string out = cell.substr(0, longest);
    for (char16_t &c : out)
        if (c < 0x20 || c == 0x7F)
            c = u' ';
    return cell.size() > longest ? out + u"…" : out;
}

bool blank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

} // namespace

std::optional<long> out__row_copies(const std::u16string &cell)
{
    std::size_t from = 0, to = cell.size();
    while (from < to && blank(cell[from]))
        ++from;
    while (to > from && blank(cell[to - 1]))
        --to;
    if (from == to)
        return std::nullopt;
    long n = 0;
    for (std::size_t i = from; i < to; ++i) {
        // ASCII digits only: a "٣" or a "³" is not a number of copies here.
        if (cell[i] < u'0' || cell[i] > u'9')
            return std::nullopt;
        n = n * 10 + (cell[i] - u'0');
        if (n > OUT_MAX_ROW_COPIES)
            return std::nullopt;
    }
    return n;
}

bool out__count_labels(data_table &source, const std::u16string &column, long long &labels, std::u16string &error)
{
    const csv_summary &table = source.summary();
    labels = 0;
    const auto c = std::find(table.columns.begin(), table.columns.end(), column);
    if (c == table.columns.end()) {
        error = msc__format(out_msg::no_copies_column, column.c_str());
        return false;
    }
    const std::size_t at = static_cast<std::size_t>(c - table.columns.begin());
    csv_problem problem;
    std::unique_ptr<table_rows> rows = source.rows(problem);
    if (!rows) {
        error = problem.message;
        return false;
    }
    std::vector<std::u16string> cells;
    long line = 0;
    while (rows->next(cells, line, problem)) {
        const std::u16string cell = at < cells.size() ? cells[at] : std::u16string();
        const std::optional<long> n = out__row_copies(cell);
        if (!n) {
            error = msc__format(out_msg::bad_copies, line, column.c_str(), cell_shown(cell).c_str());
            return false;
        }
        labels += *n;
    }
    if (!problem.message.empty()) {
        error = problem.message;
        return false;
    }
    if (labels == 0) {
        error = msc__format(out_msg::no_copies, column.c_str());
        return false;
    }
    return true;
}

batch_outcome out__batch(const batch_request &req, page_sink &sink)
{
    // All the labels of the run show the same date and time.
    const run_counters counters(out__label_names(req.lab), QDateTime::currentDateTime());
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
    // The copies of one row (the `row`-th of the table), next to each other.
    auto place = [&](const render_variable_map &vars, long line, long row, long n, std::u16string &error) {
        for (long c = 0; c < n; ++c) {
            render_variable_map these = vars;
            counters.put(these, pages.labels() + 1, row);
            if (!pages.add(req.lab, std::move(these), line, said, error))
                return false;
        }
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
        out.error = pl__tr(out_msg::cancelled);
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
        if (!place(out__preview_variables(names, req.preview), 0, 1, copies, error))
            return page_failed(error);
        note_problems();
        return finished(copies);
    }

    // Pictures from the data: files named relative to the table's folder.
    {
        std::error_code ec;
        const std::filesystem::path table_path = std::filesystem::absolute(std::filesystem::path(req.csv_path), ec);
        const std::filesystem::path folder = table_path.parent_path();
        pages.set_picture_folder(plt__from_utf8(folder.empty() ? std::string(".") : folder.string()));
    }
    data_table source;
    csv_problem problem;
    if (!source.open({req.csv_path, req.csv, req.sheet}, problem)) {
        out.error = problem.message;
        return out;
    }
    const csv_summary &table = source.summary();
    out.rows = table.rows;
    if (table.rows == 0) {
        out.error = pl__tr(out_msg::table_empty);
        return out;
    }
    // Copies from a column: every cell checked before anything is drawn.
    long long total = static_cast<long long>(table.rows) * copies;
    long copies_at = -1;
    if (!req.copies_column.empty()) {
        if (!out__count_labels(source, req.copies_column, total, out.error))
            return out;
        copies_at = std::find(table.columns.begin(), table.columns.end(), req.copies_column) - table.columns.begin();
    }
    std::unique_ptr<table_rows> rows = source.rows(problem);
    if (!rows) {
        out.error = problem.message;
        return out;
    }
    // Where each name's value comes from: a column, else a fixed value (the
    // preview variable, else the empty text).
    std::vector<long> column(names.size(), -1);
    render_variable_map vars = out__row_variables(names, {}, {}, req.preview);
    for (std::size_t n = 0; n < names.size(); ++n) {
        const auto c = std::find(table.columns.begin(), table.columns.end(), names[n]);
        if (c != table.columns.end())
            column[n] = c - table.columns.begin();
    }
    std::vector<std::u16string> cells;
    long line = 0, placed_rows = 0;
    for (;;) {
        if (cancelled(pages.labels(), total))
            return out;
        problem = {};
        if (!rows->next(cells, line, problem)) {
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
        long n = copies;
        if (copies_at >= 0) {
            const std::optional<long> given = out__row_copies(
                static_cast<std::size_t>(copies_at) < cells.size() ? cells[copies_at] : std::u16string());
            if (!given) {
                // Checked before the run: the file changed under it.
                out.error = msc__format(msg::csv_changed, static_cast<int>(line));
                counted();
                return out;
            }
            n = *given;
        }
        std::u16string error;
        if (!place(vars, line, placed_rows + 1, n, error))
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
