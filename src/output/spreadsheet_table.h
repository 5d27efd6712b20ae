// Tables of data kept as spreadsheets: Office Open XML workbooks (.xlsx)
// and OpenDocument spreadsheets (.ods), read from their zip package with
// Qt's streaming XML reader.  A sheet's rows come one at a time straight
// from the inflating part, so a long sheet never sits in memory; only an
// .xlsx's shared strings and its cell formats are kept while it is read.
// The XML is read once: the check writes the rows it accepted, as texts,
// to an unnamed temporary file, and the rows are read back from there.
//
// Values read as the cell's format shows them: numbers with the decimals
// their format gives (as much as they need without one, whole numbers
// without ".0"), dates as dd.MM.yyyy (with the time when the format shows
// one), texts as they are, formulas by the value saved with them.
//
// Refused with a message that names the file (and the sheet's row where
// there is one): a package that is damaged, encrypted or beyond the zip
// limits (zip_package.h), XML with a DOCTYPE, a cell or row above 16 MiB,
// a value beyond 10,000 columns or 1,048,576 rows (repeated cells and rows
// of an .ods are counted, never spelled out), a reference that leaves the
// package.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "exchange/csv_table.h"

enum class spreadsheet_kind { none, xlsx, ods };

inline constexpr long SHEET_MAX_ROWS = 1048576;
inline constexpr std::size_t SHEET_MAX_ROW_TEXT = std::size_t(8) << 20; // UTF-16 units: 16 MiB
inline constexpr std::size_t SHEET_MAX_SHARED_TEXT = std::size_t(64) << 20;
inline constexpr std::size_t SHEET_MAX_SHARED_STRINGS = std::size_t(4) << 20;

struct spreadsheet_book;
class spreadsheet_rows;

class spreadsheet {
public:
    spreadsheet();
    ~spreadsheet();
    spreadsheet(const spreadsheet &) = delete;
    spreadsheet &operator=(const spreadsheet &) = delete;

    // Opens a zip package and finds what it is: false with `problem` set
    // when it is no spreadsheet or cannot be read.  `shown` is the file's
    // name as messages give it.
    bool open(const std::string &path, const std::u16string &shown, csv_problem &problem);
    spreadsheet_kind kind() const;

    // Checks the sheet named `sheet` (empty: the first) as csv__scan checks
    // a CSV file: the first row that is not blank names the columns.
    bool scan(const std::u16string &sheet, csv_summary &summary, csv_problem &problem);
    // The sheets' names, in the book's order (known after open for .xlsx,
    // after scan for .ods).
    const std::vector<std::u16string> &sheet_names() const;

    // The data rows of the sheet scan accepted, from the first; null when
    // they cannot be read back.
    std::unique_ptr<spreadsheet_rows> rows(const csv_summary &summary);

private:
    std::unique_ptr<spreadsheet_book> book_;
};

class spreadsheet_rows {
public:
    ~spreadsheet_rows();
    // As csv_rows::next: one cell per column, the sheet's row number.
    bool next(std::vector<std::u16string> &cells, long &line, csv_problem &problem);

private:
    friend class spreadsheet;
    spreadsheet_rows(int fd, std::uint64_t size, const csv_summary &summary);
    bool fill(std::size_t need);
    int fd_;
    std::uint64_t size_, at_ = 0;
    const csv_summary &summary_;
    std::unique_ptr<char[]> buf_; // cap_ bytes, the first len_ of them read
    std::size_t cap_ = 0, len_ = 0, pos_ = 0;
};

// A number as a cell shows it: `decimals` < 0 as many as it needs (15
// significant digits at most, whole numbers without a point), else fixed;
// `percent` multiplies by 100 and adds "%".
std::u16string sheet__number_text(double v, int decimals, bool percent);
// A date serial number of a workbook (days from 30.12.1899, or from
// 1.1.1904) as dd.MM.yyyy, with " HH:mm" (`seconds`: " HH:mm:ss") when
// `time` is set.  Empty for a serial no calendar date has.
std::u16string sheet__date_text(double serial, bool date1904, bool time, bool seconds);
