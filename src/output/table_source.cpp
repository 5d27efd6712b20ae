#include "output/table_source.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "model/messages.h"
#include "model/misc.h"
#include "output/zip_package.h"
#include "platform/code_pages.h"
#include "platform/file_io.h"
#include "platform/translation.h"

namespace {

class csv_source final : public table_rows {
public:
    csv_source(const std::string &path, const csv_summary &summary) : in_(path, std::ios::binary), rows_(in_, summary)
    {
    }
    bool good() const { return static_cast<bool>(in_); }
    bool next(std::vector<std::u16string> &cells, long &line, csv_problem &problem) override
    {
        return rows_.next(cells, line, problem);
    }

private:
    std::ifstream in_;
    csv_rows rows_;
};

class sheet_source final : public table_rows {
public:
    explicit sheet_source(std::unique_ptr<spreadsheet_rows> rows) : rows_(std::move(rows)) {}
    bool next(std::vector<std::u16string> &cells, long &line, csv_problem &problem) override
    {
        return rows_->next(cells, line, problem);
    }

private:
    std::unique_ptr<spreadsheet_rows> rows_;
};

// Standard input (or a pipe named on the command line) copied into a
// temporary file that has no name (it goes with the descriptor), so that
// the table can be read twice.
int keep_stream(int from, csv_problem &problem)
{
    const char *tmp = std::getenv("TMPDIR");
    std::string name = std::string(tmp && *tmp ? tmp : "/tmp") + "/vellumo-table-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        problem = {0, msc__format(VL_TR("vellumo", "Стандартный ввод не удалось сохранить во временный файл: %1."),
                                  plt__read_error_text(errno).c_str())};
        return -1;
    }
    ::unlink(name.c_str());
    std::uint64_t total = 0;
    char buf[1 << 16];
    // A text table ends at its first zero byte, where the CSV reader
    // refuses it: the rest of, say, /dev/zero is not worth keeping.
    std::string head;
    bool decided = false, text = true, more = true;
    while (more) {
        const ssize_t n = ::read(from, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            problem = {0, msc__format(VL_TR("vellumo", "Стандартный ввод не читается: %1."), plt__read_error_text(errno).c_str())};
            ::close(fd);
            return -1;
        }
        if (n == 0)
            break;
        if (!decided) {
            head.append(buf, static_cast<std::size_t>(std::min<ssize_t>(n, 8)));
            if (head.size() >= 4) {
                decided = true;
                text = !zip__looks_like_zip(head.data(), head.size()) && head.compare(0, 4, "\xD0\xCF\x11\xE0") != 0;
            }
        }
        if (decided && text && std::memchr(buf, 0, static_cast<std::size_t>(n)))
            more = false;
        total += static_cast<std::uint64_t>(n);
        if (total > CSV_MAX_FILE) {
            problem = {0, pl__tr(VL_TR("vellumo", "На стандартном вводе больше 1 ГиБ: такие таблицы программа не читает."))};
            ::close(fd);
            return -1;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(fd, buf + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                problem = {0, msc__format(VL_TR("vellumo", "Стандартный ввод не удалось сохранить во временный файл: %1."),
                                          plt__read_error_text(errno ? errno : ENOSPC).c_str())};
                ::close(fd);
                return -1;
            }
            done += w;
        }
    }
    return fd;
}

} // namespace

data_table::data_table() = default;

data_table::~data_table()
{
    sheet_.reset();
    if (kept_ >= 0)
        ::close(kept_);
}

std::vector<std::u16string> data_table::sheet_names() const
{
    return sheet_ ? sheet_->sheet_names() : std::vector<std::u16string>{};
}

bool data_table::open(const table_request &req, csv_problem &problem)
{
    problem = {};
    summary_ = {};
    sheet_.reset();
    kind_ = table_kind::csv;
    std::u16string shown = plt__from_utf8(req.path);
    path_ = req.path;
    struct stat st{};
    const bool stream = req.path == TABLE_STDIN ||
                        (::stat(req.path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    if (stream) {
        // What can be read only once is kept, once.
        if (kept_ < 0) {
            const int from = req.path == TABLE_STDIN ? STDIN_FILENO : ::open(req.path.c_str(), O_RDONLY | O_CLOEXEC);
            if (from < 0) {
                problem = {0, msc__format(msg::csv_unreadable, plt__read_error_text(errno).c_str())};
                return false;
            }
            kept_ = keep_stream(from, problem);
            if (from != STDIN_FILENO)
                ::close(from);
            if (kept_ < 0)
                return false;
        }
        path_ = "/proc/self/fd/" + std::to_string(kept_);
        if (req.path == TABLE_STDIN)
            shown = pl__tr(VL_TR("vellumo", "стандартный ввод"));
    }
    // What the file holds decides how it is read.
    char head[8] = {};
    std::size_t got = 0;
    if (std::FILE *f = std::fopen(path_.c_str(), "rb")) {
        got = std::fread(head, 1, sizeof head, f);
        std::fclose(f);
    }
    if (got == sizeof head && std::memcmp(head, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) == 0) {
        problem = {0, msc__format(VL_TR("vellumo", "Файл «%1» - книга Excel старого формата (.xls) или другой документ Office 97: "
                                  "сохраните таблицу как .xlsx, .ods или CSV."),
                                  shown.c_str())};
        return false;
    }
    if (zip__looks_like_zip(head, got)) {
        sheet_ = std::make_unique<spreadsheet>();
        kind_ = table_kind::xlsx; // a book, whether or not it opens
        const bool opened = sheet_->open(path_, shown, problem);
        if (sheet_->kind() == spreadsheet_kind::ods)
            kind_ = table_kind::ods;
        if (!opened || !sheet_->scan(req.sheet, summary_, problem)) {
            summary_ = {};
            return false;
        }
        return true;
    }
    // A sheet asked of a CSV file is a mistake of the command line or the
    // dialog, not a reason to print the whole file.
    if (!req.sheet.empty()) {
        problem = {0, msc__format(VL_TR("vellumo", "Файл «%1» - таблица CSV, листов в нём нет (спрошен лист «%2»)."), shown.c_str(),
                                  req.sheet.c_str())};
        return false;
    }
    return csv__scan_file(path_, req.csv, summary_, problem);
}

std::unique_ptr<table_rows> data_table::rows(csv_problem &problem)
{
    problem = {};
    if (sheet_) {
        std::unique_ptr<spreadsheet_rows> rows = sheet_->rows(summary_);
        if (!rows) {
            problem = {0, msc__format(msg::csv_unreadable, plt__read_error_text(errno ? errno : EBADF).c_str())};
            return nullptr;
        }
        return std::make_unique<sheet_source>(std::move(rows));
    }
    auto csv = std::make_unique<csv_source>(path_, summary_);
    if (!csv->good()) {
        problem = {0, msc__format(msg::csv_unreadable, plt__read_error_text(errno ? errno : EACCES).c_str())};
        return nullptr;
    }
    return csv;
}
