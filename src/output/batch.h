// Runs of labels: one label to a file, or a label per row of a table of
// data.  The loop walks the rows; the page layout says where each label
// goes, and whole pages go to the sink.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "exchange/csv_table.h"
#include "exchange/preview_var.h"
#include "output/page_layout.h"
#include "output/sink.h"

// A drawing problem of a label of the run.
struct run_problem {
    long line = 0; // its label's line of the table (placed_label::line)
    std::u16string text;
};

// Puts the labels of a run on pages as the layout places them, and hands
// each page to the sink as soon as no later label goes on it.
class page_filler {
public:
    page_filler(const page_layout &layout, page_sink &sink) : layout_(layout), sink_(sink) {}

    // The run's next label.  False with `error` set when a page it
    // completed could not be written; drawing problems are added to
    // `problems`.
    bool add(const label *lab, render_variable_map variables, long line, std::vector<run_problem> &problems,
             std::u16string &error);
    // Hands over the last page when it is not full; true when there is
    // none.
    bool flush(std::vector<run_problem> &problems, std::u16string &error);

    long labels() const { return labels_; } // labels placed
    long pages() const { return pages_; }   // pages handed to the sink
    // The line of the page's last label, for a page the sink refused.
    long last_line() const { return last_line_; }

private:
    bool hand_over(std::vector<run_problem> &problems, std::u16string &error);

    const page_layout &layout_;
    page_sink &sink_;
    doc_page page_;
    bool open_ = false;
    long labels_ = 0, pages_ = 0, last_line_ = 0;
    std::vector<page_problem> said_;
};

// One label written to `path` with the preview variables: false with
// `error` when nothing was written.
bool out__export(const label *lab, const std::vector<preview_var> &preview, const std::u16string &path,
                 const doc_options &o, std::vector<std::u16string> &problems, std::u16string &error);

// Many labels from a table of data, or copies of one label.
struct batch_request {
    const label *lab = nullptr;
    // The table; empty: no table, one label with the preview variables.
    std::string csv_path;
    csv_options csv;
    std::vector<preview_var> preview;
    // Where the labels go; null: one label per page.
    const page_layout *layout = nullptr;
    // Labels of each row, next to each other (from 1; OUT_MAX_COPIES at
    // most, more are taken as that).
    long copies = 1;
    // Called before each row and once at the end (done == total), with
    // labels placed of all the run's (rows × copies); false stops the
    // batch: nothing is finished then.
    std::function<bool(long done, long total)> progress;
};

struct batch_outcome {
    bool complete = false;  // every page written and the output in place
    bool cancelled = false;
    long pages = 0;         // pages handed to the sink
    long labels = 0;        // labels placed on them
    long rows = 0;          // rows of the table (1 without one)
    std::u16string error;   // why the batch stopped (the table refused, a failed write)
    std::vector<std::u16string> problems; // drawing problems, each naming its line of the table
};

inline constexpr long OUT_MAX_COPIES = 1000;

// Checks the whole table first (nothing is drawn from a refused one), then
// places a label per row, hands the pages to `sink` and finishes it.
batch_outcome out__batch(const batch_request &req, page_sink &sink);
