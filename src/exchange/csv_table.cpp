#include "exchange/csv_table.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <unordered_set>

#include "model/messages.h"
#include "model/misc.h"
#include "platform/code_pages.h"
#include "platform/file_io.h"
#include "platform/translation.h"

namespace {

// Windows-1251 from 0x80 up; 0x98 is unassigned.
const char16_t cp1251_high[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    // 0xC0..0xFF: А..я in order.
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C,
    0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429,
    0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436,
    0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443,
    0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

bool valid_utf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more;
        char32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(more) >= s.size())
            return false;
        for (int k = 1; k <= more; ++k) {
            const auto d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((more == 2 && cp < 0x800) || (more == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += more + 1;
    }
    return true;
}

// The bytes of a stream, read in blocks; bytes looked at to decide something
// (a byte-order mark, the header row) can be put back in front.
class byte_source {
public:
    explicit byte_source(std::istream &in) : in_(in) {}

    int get()
    {
        if (back_pos_ < back_.size())
            return static_cast<unsigned char>(back_[back_pos_++]);
        if (pos_ == len_ && !fill())
            return -1;
        ++consumed_;
        return static_cast<unsigned char>(buf_[pos_++]);
    }
    int peek()
    {
        if (back_pos_ < back_.size())
            return static_cast<unsigned char>(back_[back_pos_]);
        if (pos_ == len_ && !fill())
            return -1;
        return static_cast<unsigned char>(buf_[pos_]);
    }
    void put_back(std::string bytes)
    {
        back_ = std::move(bytes) + back_.substr(back_pos_);
        back_pos_ = 0;
    }
    // Bytes taken from the stream so far (put-back bytes count once).
    std::uint64_t consumed() const { return consumed_; }

private:
    bool fill()
    {
        in_.read(buf_, sizeof buf_);
        len_ = static_cast<std::size_t>(in_.gcount());
        pos_ = 0;
        return len_ > 0;
    }
    std::istream &in_;
    char buf_[1 << 16];
    std::size_t pos_ = 0, len_ = 0;
    std::string back_;
    std::size_t back_pos_ = 0;
    std::uint64_t consumed_ = 0;
};

csv_problem problem_at(long line, msc__fmt<int> fmt)
{
    return {line, msc__format(fmt, static_cast<int>(line))};
}

enum class record { ok, end, failed };

// No separator: the table has one column and a whole line is its cell.
constexpr int no_separator = -2;

} // namespace

// Splits records into cells of raw bytes.  Line breaks inside quoted cells
// become "\n"; text after a closing quote refuses the table; a record of
// nothing at all is a blank line.
struct csv_parser {
    explicit csv_parser(std::istream &in) : src(in) {}

    byte_source src;
    long line = 1; // the line the next byte is on
    int separator = no_separator;
    bool bom = false;

    // A UTF-8 byte-order mark is skipped; a UTF-16 one refuses the file.
    bool start(csv_problem &problem)
    {
        std::string head;
        for (int i = 0; i < 3; ++i) {
            const int c = src.get();
            if (c < 0)
                break;
            head += static_cast<char>(c);
        }
        if (head.size() >= 2 && ((head[0] == '\xFF' && head[1] == '\xFE') || (head[0] == '\xFE' && head[1] == '\xFF'))) {
            problem = {0, pl__tr(msg::csv_utf16)};
            return false;
        }
        if (head == "\xEF\xBB\xBF") {
            bom = true;
            return true;
        }
        src.put_back(head);
        return true;
    }

    bool too_long(std::size_t size, long at, csv_problem &problem)
    {
        if (size <= CSV_MAX_RECORD)
            return false;
        problem = problem_at(at, msg::csv_record_too_long);
        return true;
    }

    record read(std::vector<std::string> &cells, long &start_line, bool &blank, csv_problem &problem)
    {
        cells.clear();
        cells.emplace_back();
        start_line = line;
        blank = true;
        std::size_t size = 0;
        int c = src.get();
        if (c < 0)
            return record::end;
        for (;;) {
            std::string *cell = &cells.back();
            if (c == '"') {
                blank = false;
                const long quote_line = line;
                for (;;) {
                    c = src.get();
                    if (c < 0) {
                        problem = problem_at(quote_line, msg::csv_unterminated_quote);
                        return record::failed;
                    }
                    if (c == '"') {
                        if (src.peek() != '"')
                            break;
                        src.get();
                    } else if (c == 0) {
                        problem = problem_at(line, msg::csv_binary);
                        return record::failed;
                    } else if (c == '\r' || c == '\n') {
                        if (c == '\r' && src.peek() == '\n')
                            src.get();
                        ++line;
                        c = '\n';
                    }
                    *cell += static_cast<char>(c);
                    if (too_long(++size, start_line, problem))
                        return record::failed;
                }
                c = src.get();
                // A closing quote ends the cell: only a separator or the end
                // of the line may follow.  Text there is a quote that was
                // meant as text, and guessing would print something else.
                if (c >= 0 && c != separator && c != '\n' && c != '\r') {
                    problem = problem_at(line, msg::csv_text_after_quote);
                    return record::failed;
                }
            }
            while (c >= 0 && c != separator && c != '\n' && c != '\r') {
                if (c == 0) {
                    problem = problem_at(line, msg::csv_binary);
                    return record::failed;
                }
                blank = false;
                *cell += static_cast<char>(c);
                if (too_long(++size, start_line, problem))
                    return record::failed;
                c = src.get();
            }
            if (c == separator) {
                blank = false;
                if (cells.size() >= CSV_MAX_COLUMNS) {
                    problem = problem_at(start_line, msg::csv_too_many_columns);
                    return record::failed;
                }
                cells.emplace_back();
                c = src.get();
                continue;
            }
            if (c == '\r' && src.peek() == '\n')
                src.get();
            if (c >= 0)
                ++line;
            return record::ok;
        }
    }

    // The header row's bytes, looked at before they are split, to find the
    // separator it uses most (";" before "," before tab when as many).
    char find_separator()
    {
        std::string raw;
        bool quoted = false;
        int count[3] = {0, 0, 0};
        const char candidates[3] = {';', ',', '\t'};
        bool started = false;
        for (;;) {
            const int c = src.get();
            if (c < 0)
                break;
            raw += static_cast<char>(c);
            if (raw.size() > CSV_MAX_RECORD)
                break;
            if (c == '"') {
                quoted = !quoted;
            } else if (!quoted && (c == '\n' || c == '\r')) {
                if (started)
                    break;
                continue; // blank lines before the header
            }
            started = true;
            if (!quoted)
                for (int k = 0; k < 3; ++k)
                    count[k] += c == candidates[k];
        }
        src.put_back(std::move(raw));
        int best = -1;
        for (int k = 0; k < 3; ++k)
            if (count[k] > 0 && (best < 0 || count[k] > count[best]))
                best = k;
        return best < 0 ? 0 : candidates[best];
    }
};

std::u16string csv__decode(std::string_view bytes, csv_encoding encoding)
{
    if (encoding != csv_encoding::cp1251)
        return plt__from_utf8(bytes);
    std::u16string out;
    out.reserve(bytes.size());
    for (char b : bytes) {
        const auto c = static_cast<unsigned char>(b);
        out += c < 0x80 ? static_cast<char16_t>(c) : cp1251_high[c - 0x80];
    }
    return out;
}

namespace {

std::u16string trimmed(std::u16string s)
{
    auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == 0xA0 || c == 0xFEFF; };
    while (!s.empty() && blank(s.back()))
        s.pop_back();
    std::size_t i = 0;
    while (i < s.size() && blank(s[i]))
        ++i;
    return s.substr(i);
}

const char16_t *encoding_name(csv_encoding e)
{
    return e == csv_encoding::cp1251 ? u"Windows-1251" : u"UTF-8";
}

// Checks one record against the table's encoding: `chosen` (automatic when
// none is) must hold for it; otherwise `found` is what the first record
// beyond ASCII was written in (line `found_line`), and this one must agree.
bool encoded_as(const std::vector<std::string> &cells, long line, csv_encoding chosen, csv_encoding &found,
                long &found_line, csv_problem &problem)
{
    bool beyond_ascii = false, utf8 = true, in_1251 = true;
    for (const std::string &c : cells) {
        for (char b : c) {
            beyond_ascii |= static_cast<unsigned char>(b) >= 0x80;
            in_1251 &= static_cast<unsigned char>(b) != 0x98; // the one byte Windows-1251 leaves out
        }
        if (utf8)
            utf8 = valid_utf8(c);
    }
    if (!beyond_ascii)
        return true;
    const csv_encoding mine = utf8 ? csv_encoding::utf8 : csv_encoding::cp1251;
    if (chosen != csv_encoding::automatic) {
        if ((chosen == csv_encoding::utf8 && utf8) || (chosen == csv_encoding::cp1251 && in_1251))
            return true;
        problem = {line, msc__format(msg::csv_bad_bytes, static_cast<int>(line), encoding_name(chosen))};
        return false;
    }
    if (found == csv_encoding::automatic) {
        if (!utf8 && !in_1251) {
            problem = {line, msc__format(msg::csv_bad_bytes, static_cast<int>(line), encoding_name(mine))};
            return false;
        }
        found = mine;
        found_line = line;
        return true;
    }
    if (mine == found && (mine != csv_encoding::cp1251 || in_1251))
        return true;
    problem = {line, msc__format(msg::csv_mixed_encodings, static_cast<int>(line), encoding_name(found),
                                 static_cast<int>(found_line))};
    return false;
}

// Cells past the header's columns are allowed only when empty (a separator
// at the end of each row, as some spreadsheets write).
bool fits_columns(std::vector<std::string> &cells, std::size_t columns)
{
    while (cells.size() > columns && cells.back().empty())
        cells.pop_back();
    return cells.size() <= columns;
}

} // namespace

bool csv__scan(std::istream &in, const csv_options &options, csv_summary &summary, csv_problem &problem)
{
    summary = {};
    problem = {};
    csv_parser p(in);
    if (!p.start(problem))
        return false;
    const char separator = options.separator ? options.separator : p.find_separator();
    p.separator = separator ? static_cast<unsigned char>(separator) : no_separator;

    // The encoding: a chosen one, or UTF-8 after a byte-order mark, must
    // hold for every row.  Found from the bytes, the first row beyond ASCII
    // decides, and a later row in the other encoding refuses the table (a
    // mixed file would print one half as garbage).
    const csv_encoding chosen = options.encoding != csv_encoding::automatic ? options.encoding
                                : p.bom                                     ? csv_encoding::utf8
                                                                            : csv_encoding::automatic;
    csv_encoding found = chosen;
    long found_line = 0;
    std::vector<std::string> cells;
    std::vector<std::string> header;
    long header_line = 0;
    long start = 0;
    bool blank = false;
    for (;;) {
        const record r = p.read(cells, start, blank, problem);
        if (r == record::failed)
            return false;
        if (p.src.consumed() > CSV_MAX_FILE) {
            problem = {0, pl__tr(msg::csv_too_large)};
            return false;
        }
        if (r == record::end)
            break;
        if (blank)
            continue;
        if (!encoded_as(cells, start, chosen, found, found_line, problem))
            return false;
        if (header_line == 0) {
            header = std::move(cells);
            header_line = start;
            continue;
        }
        if (!fits_columns(cells, header.size())) {
            problem = {start, msc__format(msg::csv_too_many_cells, static_cast<int>(start),
                                          static_cast<int>(cells.size()), static_cast<int>(header.size()))};
            return false;
        }
        ++summary.rows;
    }
    if (header_line == 0) {
        problem = {0, pl__tr(msg::csv_no_header)};
        return false;
    }
    summary.separator = separator;
    summary.encoding = found == csv_encoding::automatic ? csv_encoding::utf8 : found;
    std::unordered_set<std::u16string> seen;
    for (const std::string &raw : header) {
        std::u16string name = trimmed(csv__decode(raw, summary.encoding));
        if (!name.empty() && !seen.insert(name).second) {
            problem = {header_line, msc__format(msg::csv_duplicate_column, static_cast<int>(header_line), name.c_str())};
            summary = {};
            return false;
        }
        // ${#…} are the counters: a column of such a name could never be
        // used, and would look as if it were.
        if (!name.empty() && name[0] == u'#') {
            if (name.size() > 100)
                name = name.substr(0, 100) + u"…";
            problem = {header_line, msc__format(msg::csv_counter_column, static_cast<int>(header_line), name.c_str())};
            summary = {};
            return false;
        }
        summary.columns.push_back(std::move(name));
    }
    return true;
}

namespace {

std::string reason(int error)
{
    return plt__to_utf8(plt__read_error_text(error));
}

} // namespace

bool csv__scan_file(const std::string &path, const csv_options &options, csv_summary &summary,
                    csv_problem &problem)
{
    summary = {};
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) {
        problem = {0, msc__format(msg::csv_unreadable, reason(errno).c_str())};
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        problem = {0, msc__format(msg::csv_unreadable, reason(EISDIR).c_str())};
        return false;
    }
    if (S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) > CSV_MAX_FILE) {
        problem = {0, pl__tr(msg::csv_too_large)};
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        problem = {0, msc__format(msg::csv_unreadable, reason(errno ? errno : EACCES).c_str())};
        return false;
    }
    return csv__scan(in, options, summary, problem);
}

csv_rows::csv_rows(std::istream &in, const csv_summary &summary)
    : p_(std::make_unique<csv_parser>(in)), summary_(summary)
{
    p_->separator = summary.separator ? static_cast<unsigned char>(summary.separator) : no_separator;
}

csv_rows::~csv_rows() = default;

bool csv_rows::next(std::vector<std::u16string> &cells, long &line, csv_problem &problem)
{
    problem = {};
    if (!header_done_ && !p_->start(problem))
        return false;
    std::vector<std::string> raw;
    bool blank = false;
    for (;;) {
        const record r = p_->read(raw, line, blank, problem);
        if (r == record::failed)
            return false;
        if (r == record::end)
            return false;
        if (blank)
            continue;
        if (!header_done_) {
            header_done_ = true;
            continue;
        }
        break;
    }
    if (!fits_columns(raw, summary_.columns.size())) {
        problem = problem_at(line, msg::csv_changed);
        return false;
    }
    cells.clear();
    for (const std::string &c : raw)
        cells.push_back(csv__decode(c, summary_.encoding));
    cells.resize(summary_.columns.size());
    return true;
}
