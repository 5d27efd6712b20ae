// Tables of data for printing many labels: CSV files as people have them
// (RFC 4180 quoting, a UTF-8 byte-order mark, ";" "," or tab between cells,
// Windows-1251 from Russian spreadsheets, CR LF line ends, trailing blank
// lines).  The first row names the columns; every other row is one label.
//
// A table is read twice: csv__scan goes through the whole file once, checks
// it and says what it holds, so that nothing is printed from a file that
// would be refused half-way; csv_rows then hands out the rows one at a
// time, so that a long table never sits in memory as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <vector>

enum class csv_encoding { automatic, utf8, cp1251 };

struct csv_options {
    char separator = 0; // ';', ',' or '\t'; 0: the one the header row uses most
    csv_encoding encoding = csv_encoding::automatic; // automatic: UTF-8 unless the bytes are not
};

// What csv__scan found.
struct csv_summary {
    std::vector<std::u16string> columns; // names from the header row
    long rows = 0;                        // data rows (the header and blank lines not counted)
    char separator = ',';
    csv_encoding encoding = csv_encoding::utf8;
};

// Why a table is refused: the line of the file where the trouble starts (1
// for the first line, 0 for the file as a whole) and a message that names it.
struct csv_problem {
    long line = 0;
    std::u16string message;
};

inline constexpr std::uint64_t CSV_MAX_FILE = std::uint64_t(1) << 30; // 1 GiB
inline constexpr std::size_t CSV_MAX_RECORD = std::size_t(16) << 20;  // one row, 16 MiB
inline constexpr std::size_t CSV_MAX_COLUMNS = 10000;

// Reads a whole table and checks it: false with `problem` set when it is
// refused (no header row, binary data, an unterminated quote, a row with
// more cells than the header has columns, a column named twice or with a
// name that begins with "#" (those are the counters), a file or row above
// the limits).
bool csv__scan(std::istream &in, const csv_options &options, csv_summary &summary, csv_problem &problem);
// The same for a file; a file above 1 GiB is refused before it is read.
bool csv__scan_file(const std::string &path, const csv_options &options, csv_summary &summary,
                    csv_problem &problem);

struct csv_parser;

// The data rows of a table csv__scan accepted, read again from the start.
class csv_rows {
public:
    csv_rows(std::istream &in, const csv_summary &summary);
    ~csv_rows();
    csv_rows(const csv_rows &) = delete;
    csv_rows &operator=(const csv_rows &) = delete;

    // The next data row: one cell per column (cells the row leaves out are
    // empty) and the line it starts on.  False at the end of the table, or
    // with `problem` set when the file no longer reads as it did.
    bool next(std::vector<std::u16string> &cells, long &line, csv_problem &problem);

private:
    std::unique_ptr<csv_parser> p_;
    const csv_summary &summary_;
    bool header_done_ = false;
};

// Text of a cell in the given encoding (UTF-8 with bad bytes as U+FFFD, or
// Windows-1251).
std::u16string csv__decode(std::string_view bytes, csv_encoding encoding);
