// A table of data, whatever it is kept in: a CSV file, an .xlsx or .ods
// spreadsheet (told apart by their bytes, never by the file's name), or
// standard input ("-") holding either.  The batch and the dialogs read rows
// of texts through it and never know which it was.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "exchange/csv_table.h"
#include "output/spreadsheet_table.h"

enum class table_kind { csv, xlsx, ods };

struct table_request {
    std::string path;    // a file, or "-" for standard input
    csv_options csv;     // for a CSV file
    std::u16string sheet; // a spreadsheet's sheet; empty: its first
};

class table_rows {
public:
    virtual ~table_rows() = default;
    // As csv_rows::next.
    virtual bool next(std::vector<std::u16string> &cells, long &line, csv_problem &problem) = 0;
};

class data_table {
public:
    data_table();
    ~data_table();
    data_table(const data_table &) = delete;
    data_table &operator=(const data_table &) = delete;

    // Reads the whole table once and checks it (csv__scan, spreadsheet::
    // scan): false with `problem` set when it is refused.  Standard input
    // (and a pipe given by name) is kept in an unnamed temporary
    // file for the second reading.
    bool open(const table_request &req, csv_problem &problem);
    // What the file holds (a zip is taken for a book even when refused).
    table_kind kind() const { return kind_; }
    const csv_summary &summary() const { return summary_; }
    // A spreadsheet's sheets (empty for CSV).
    std::vector<std::u16string> sheet_names() const;
    // The data rows from the start; null with `problem` set when the file
    // can no longer be read.
    std::unique_ptr<table_rows> rows(csv_problem &problem);

private:
    std::string path_; // what is read: the file, or the kept standard input
    int kept_ = -1;    // the temporary file's descriptor
    table_kind kind_ = table_kind::csv;
    csv_summary summary_;
    std::unique_ptr<spreadsheet> sheet_;
};

inline constexpr char TABLE_STDIN[] = "-";
