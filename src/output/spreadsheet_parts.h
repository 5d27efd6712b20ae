// The parts of the spreadsheet reader that its files share: the stream of
// a sheet's rows, and what the quick .xlsx reader takes from the book.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/csv_table.h"

struct spreadsheet_book;
class zip_part;

// The rows of one sheet as they come: each the cells up to its last one
// that is not empty, and its row number.
struct sheet_stream {
    virtual ~sheet_stream() = default;
    // unsure: a reader for the common case met what it does not know;
    // the sheet is to be read again by the general one.
    enum result { row, end, failed, unsure };
    virtual result next(std::vector<std::u16string> &cells, long &line, csv_problem &problem) = 0;
};

// The value of an .xlsx cell of type `type` with its saved value `v` and
// inline string `is`, as the book's style `style` shows it.
bool sheet__xlsx_value(const spreadsheet_book &b, std::string_view type, long style, std::u16string &v,
                       std::u16string &is, std::u16string &out, long line, csv_problem &problem);
// A problem of the book's file at a row of its sheet (0: none).
csv_problem sheet__row_problem(const spreadsheet_book &b, long line, const std::u16string &what);
// The rows of an .xlsx sheet part by the quick reader (sheet_quick_xlsx.cpp).
std::unique_ptr<sheet_stream> sheet__quick_xlsx(const spreadsheet_book &b, std::unique_ptr<zip_part> part);
