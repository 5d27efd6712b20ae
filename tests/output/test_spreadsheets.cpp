// Tables of data kept as spreadsheets: books written by openpyxl and odfpy
// read as their cells show them, hostile packages refused quickly with a
// message that names the file, and standard input through vellumo-render.
#include <gtest/gtest.h>

#include <QDate>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "exchange/inout.h"
#include "output/output_support.h"
#include "output/table_source.h"
#include "platform/code_pages.h"

using namespace out_test;
namespace fs = std::filesystem;

namespace {

using row = std::vector<std::u16string>;

// The books of make_spreadsheets.py, written once for every test of this
// build (again when the script changes).
fs::path books()
{
    static const fs::path dir = [] {
        const fs::path script = fs::path(VELLUMO_TESTS_DIR) / "output" / "make_spreadsheets.py";
        const std::string stamp = std::to_string(std::hash<std::string>{}(slurp(script)));
        const fs::path d = fs::path(SPREADSHEETS_DIR) / stamp;
        if (!fs::exists(d / "done")) {
            const fs::path tmp = fs::path(SPREADSHEETS_DIR) / ("tmp-" + std::to_string(::getpid()));
            fs::remove_all(tmp);
            const run_result r = run("/usr/bin/python3 " + quoted(script) + " " + quoted(tmp));
            EXPECT_EQ(r.status, 0) << r.err;
            write_file(tmp / "done", "");
            std::error_code ec;
            fs::rename(tmp, d, ec); // another test process may have been first
            fs::remove_all(tmp, ec);
        }
        return d;
    }();
    return dir;
}

struct read_table {
    bool ok = false;
    csv_problem problem;
    csv_summary summary;
    std::vector<row> rows;
    std::vector<long> lines;
    std::vector<std::u16string> sheets;
};

read_table read(const fs::path &file, const std::u16string &sheet = {})
{
    read_table t;
    data_table table;
    t.ok = table.open({file.string(), {}, sheet}, t.problem);
    if (!t.ok)
        return t;
    t.summary = table.summary();
    t.sheets = table.sheet_names();
    std::unique_ptr<table_rows> rows = table.rows(t.problem);
    if (!rows)
        return t;
    row cells;
    long line = 0;
    while (rows->next(cells, line, t.problem)) {
        t.rows.push_back(cells);
        t.lines.push_back(line);
    }
    t.ok = t.problem.message.empty();
    return t;
}

std::string u8(const std::u16string &s)
{
    return plt__to_utf8(s);
}

const row COLUMNS = {u"name", u"price", u"count", u"date", u"when", u"total", u"note"};

} // namespace

TEST(Spreadsheets, NumbersAndDatesAsACellShowsThem)
{
    EXPECT_EQ(sheet__number_text(12.5, -1, false), u"12.5");
    EXPECT_EQ(sheet__number_text(100.0, -1, false), u"100");
    EXPECT_EQ(sheet__number_text(0.1 + 0.2, -1, false), u"0.3");
    EXPECT_EQ(sheet__number_text(4601234567893.0, -1, false), u"4601234567893");
    EXPECT_EQ(sheet__number_text(1e20, -1, false), u"1e+20");
    EXPECT_EQ(sheet__number_text(0.1, 2, false), u"0.10");
    EXPECT_EQ(sheet__number_text(-0.001, 2, false), u"0.00"); // no "-0.00"
    EXPECT_EQ(sheet__number_text(-0.25, 1, true), u"-25.0%");
    EXPECT_EQ(sheet__number_text(1e300, 2, false).size(), 304u); // fixed, however long
    EXPECT_EQ(sheet__number_text(-0.0, 0, false), u"0");
    EXPECT_EQ(sheet__number_text(-42.0, 0, false), u"-42");
    EXPECT_EQ(sheet__number_text(999999999999999.0, -1, false), u"999999999999999");
    EXPECT_EQ(sheet__number_text(1e15, -1, false), u"1e+15");
    EXPECT_EQ(sheet__number_text(7.0, 0, true), u"700%");
    // Serial days of the 1900 system, with its day that never was, and of
    // the 1904 one.
    EXPECT_EQ(sheet__date_text(45356, false, false, false), u"05.03.2024");
    EXPECT_EQ(sheet__date_text(1, false, false, false), u"01.01.1900");
    EXPECT_EQ(sheet__date_text(60, false, false, false), u"29.02.1900");
    EXPECT_EQ(sheet__date_text(61, false, false, false), u"01.03.1900");
    EXPECT_EQ(sheet__date_text(0, true, false, false), u"01.01.1904");
    EXPECT_EQ(sheet__date_text(45657.4375, false, true, false), u"31.12.2024 10:30");
    EXPECT_EQ(sheet__date_text(45657.99999999, false, true, true), u"01.01.2025 00:00:00");
    EXPECT_EQ(sheet__date_text(-1, false, false, false), u"");
    EXPECT_EQ(sheet__date_text(1e12, false, false, false), u"");
}

TEST(Spreadsheets, XlsxOfOpenpyxlWithSharedStringsAndSavedFormulas)
{
    const read_table t = read(books() / "good.xlsx");
    ASSERT_TRUE(t.ok) << u8(t.problem.message);
    EXPECT_EQ(t.summary.columns, COLUMNS);
    EXPECT_EQ(t.summary.rows, 3); // the blank row is not one
    EXPECT_EQ(t.sheets, (row{u"Товары", u"Второй"}));
    ASSERT_EQ(t.rows.size(), 3u);
    EXPECT_EQ(t.rows[0], (row{u"Чай", u"12.5", u"3", u"05.03.2024", u"31.12.2024 10:30:00", u"37.5", u"первый"}));
    EXPECT_EQ(t.rows[1], (row{u"Кофе", u"0.10", u"100", u"31.01.1999", u"", u"10", u""}));
    EXPECT_EQ(t.rows[2], (row{u"Сахар", u"-25.0%", u"4601234567893", u"", u"", u"", u"последний"}));
    EXPECT_EQ(t.lines, (std::vector<long>{2, 3, 5}));

    // What the quick reader leaves to Qt's reads the same, however late it
    // gives up.
    for (const char *other : {"good-comment.xlsx", "good-cdata.xlsx"}) {
        const read_table again = read(books() / other);
        ASSERT_TRUE(again.ok) << other << ": " << u8(again.problem.message);
        EXPECT_EQ(again.summary.columns, t.summary.columns) << other;
        EXPECT_EQ(again.rows, t.rows) << other;
        EXPECT_EQ(again.lines, t.lines) << other;
    }

    // As openpyxl writes it: inline strings, formulas without saved values
    // (nothing to show, rather than the formula's text).
    const read_table plain = read(books() / "plain.xlsx");
    ASSERT_TRUE(plain.ok) << u8(plain.problem.message);
    ASSERT_EQ(plain.rows.size(), 3u);
    EXPECT_EQ(plain.rows[0][0], u"Чай");
    EXPECT_EQ(plain.rows[0][5], u"");
    EXPECT_EQ(plain.rows[0][6], u"первый");
}

TEST(Spreadsheets, DatesAgreeWithTheCalendarToTheLastDay)
{
    // Every 13th day of both systems against Qt's calendar, to 31.12.9999.
    for (long day = 61; day < 2958466; day += 13) {
        const QDate d = QDate(1899, 12, 30).addDays(day);
        ASSERT_EQ(sheet__date_text(double(day), false, false, false),
                  d.toString(QStringLiteral("dd.MM.yyyy")).toStdU16String())
            << day;
    }
    for (long day = 0; day < 2958466; day += 13) {
        const QDate d = QDate(1904, 1, 1).addDays(day);
        ASSERT_EQ(sheet__date_text(double(day), true, false, false),
                  d.year() > 9999 ? std::u16string() : d.toString(QStringLiteral("dd.MM.yyyy")).toStdU16String())
            << day;
    }
    EXPECT_EQ(sheet__date_text(59, false, false, false), u"28.02.1900");
    EXPECT_EQ(sheet__date_text(2958465, false, false, false), u"31.12.9999");
    EXPECT_EQ(sheet__date_text(2957003, true, false, false), u"31.12.9999");
    // Past 9999 there is no date of four digits to show: neither the 1904
    // system's last days nor a time that rounds into the next day.
    EXPECT_EQ(sheet__date_text(2957004, true, false, false), u"");
    EXPECT_EQ(sheet__date_text(2958465.99999999, false, true, false), u"");
}

TEST(Spreadsheets, QuickReaderReadsAsQtsAcrossItsBlocks)
{
    const read_table t = read(books() / "mixed.xlsx");
    ASSERT_TRUE(t.ok) << u8(t.problem.message);
    EXPECT_EQ(t.summary.columns, (row{u"text", u"shared", u"number", u"date", u"when", u"percent", u"long"}));
    ASSERT_EQ(t.rows.size(), 5998u);
    // Some of what the cells show, whichever reader read them.
    std::set<std::u16string> seen;
    for (const row &r : t.rows)
        for (const std::u16string &c : r)
            seen.insert(c);
    for (const std::u16string &want :
         {std::u16string(u"29.02.1900"), std::u16string(u"31.12.9999"), std::u16string(u"01.01.2025 00:00"),
          std::u16string(u"31.12.2024 10:30"), std::u16string(u"a & b"), std::u16string(u"<x>"),
          std::u16string(u"emoji \U0001F600 end"), std::u16string(u"line\nbreak"), std::u16string(u"500.0%"),
          std::u16string(u"4601234567893.00"), std::u16string(u" spaced ")})
        EXPECT_TRUE(seen.count(want)) << u8(want);
    // The cell with a 300 KB attribute and a 200,000 letters long text.
    EXPECT_TRUE(seen.count(std::u16string(200000, u'ж')));

    // Qt's reader from the start, and the quick one giving up late on a
    // '>' inside an attribute: the same table.
    for (const char *other : {"mixed-comment.xlsx", "mixed-quoted.xlsx"}) {
        const read_table again = read(books() / other);
        ASSERT_TRUE(again.ok) << other << ": " << u8(again.problem.message);
        EXPECT_EQ(again.summary.columns, t.summary.columns) << other;
        ASSERT_EQ(again.rows.size(), t.rows.size()) << other;
        for (std::size_t i = 0; i < t.rows.size(); ++i)
            ASSERT_EQ(again.rows[i], t.rows[i]) << other << ", row " << t.lines[i];
        EXPECT_EQ(again.lines, t.lines) << other;
    }
}

TEST(Spreadsheets, OdsOfOdfpyWithRepeatedCellsAndRows)
{
    const read_table t = read(books() / "good.ods");
    ASSERT_TRUE(t.ok) << u8(t.problem.message);
    // A billion empty cells after the header are only counted.
    EXPECT_EQ(t.summary.columns, COLUMNS);
    ASSERT_EQ(t.rows.size(), 3u);
    // Values from the cells' values, not from the text the writer's locale
    // gave them ("12,50").
    EXPECT_EQ(t.rows[0], (row{u"Чай", u"12.5", u"3", u"05.03.2024", u"31.12.2024 10:30", u"37.5", u"первый"}));
    EXPECT_EQ(t.rows[1], (row{u"Кофе", u"0.10", u"100", u"31.01.1999", u"", u"10", u""}));
    EXPECT_EQ(t.rows[2], (row{u"Сахар", u"-25%", u"4601234567893", u"", u"", u"", u"последний"}));
    EXPECT_EQ(t.lines, (std::vector<long>{2, 3, 5}));
    EXPECT_EQ(t.sheets, (row{u"Товары", u"Второй"}));

    // Three equal rows written once; a merged cell; a million blank rows
    // at the end.
    const fs::path folder = books();
    const auto start = std::chrono::steady_clock::now();
    const read_table second = read(folder / "good.ods", u"Второй");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ASSERT_TRUE(second.ok) << u8(second.problem.message);
    EXPECT_EQ(second.summary.columns, (row{u"a", u"b", u"c"}));
    ASSERT_EQ(second.rows.size(), 3u);
    EXPECT_EQ(second.rows[2], (row{u"x  y", u"", u"ИСТИНА"}));
    EXPECT_EQ(second.lines, (std::vector<long>{2, 3, 4}));
}

TEST(Spreadsheets, SheetByNameAndOneThatIsMissing)
{
    const read_table x = read(books() / "good.xlsx", u"Второй");
    ASSERT_TRUE(x.ok) << u8(x.problem.message);
    EXPECT_EQ(x.summary.columns, (row{u"a", u"b"}));
    EXPECT_EQ(x.rows, (std::vector<row>{{u"x", u"7"}}));

    for (const char *book : {"good.xlsx", "good.ods"}) {
        const read_table t = read(books() / book, u"Цены");
        EXPECT_FALSE(t.ok) << book;
        const std::string m = u8(t.problem.message);
        EXPECT_NE(m.find(book), std::string::npos) << m;
        EXPECT_NE(m.find("листа «Цены» в книге нет; листы: «Товары», «Второй»"), std::string::npos) << m;
    }
}

TEST(Spreadsheets, HostileBooksRefusedQuicklyNamingTheFileAndRow)
{
    struct hostile {
        const char *file;
        const char *says;
        long line;
    };
    const hostile cases[] = {
        {"doctype.xlsx", "содержит объявление DOCTYPE", 0},
        {"mismatch.xlsx", "часть «xl/worksheets/sheet1.xml» повреждена", 2},
        {"wide.xlsx", "столбцов больше 10000", 1},
        {"hugecell.xlsx", "ячейка длиннее 16 МиБ", 2},
        {"bomb.xlsx", "больше, чем сказано в заголовке архива", 0},
        {"bomb-declared.xlsx", "(zip-бомба)", 0},
        {"truncated.xlsx", "архив повреждён или обрезан", 0},
        {"paths.xlsx", "ссылка «../../../../etc/passwd» ведёт за пределы архива", 0},
        {"other.zip", "это zip-архив, но не таблица .xlsx или .ods", 0},
        {"repeat-columns.ods", "столбцов больше 10000", 2},
        {"repeat-rows.ods", "строк на листе больше 1048576", 2},
    };
    const fs::path folder = books();
    for (const hostile &h : cases) {
        const auto start = std::chrono::steady_clock::now();
        const read_table t = read(folder / h.file);
        const auto spent = std::chrono::steady_clock::now() - start;
        EXPECT_FALSE(t.ok) << h.file;
        const std::string m = u8(t.problem.message);
        EXPECT_NE(m.find(std::string("Файл «") + (books() / h.file).string() + "»"), std::string::npos) << m;
        EXPECT_NE(m.find(h.says), std::string::npos) << m;
        EXPECT_EQ(t.problem.line, h.line) << m;
        if (h.line > 0) {
            EXPECT_NE(m.find(", строка " + std::to_string(h.line) + ":"), std::string::npos) << m;
        }
        EXPECT_LT(spent, std::chrono::seconds(3)) << h.file;
    }
}

TEST(Spreadsheets, OldExcelBookIsNamedForWhatItIs)
{
    temp_dir dir;
    write_file(dir / "old.csv", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0'));
    const read_table t = read(dir / "old.csv");
    EXPECT_FALSE(t.ok);
    EXPECT_NE(u8(t.problem.message).find("старого формата (.xls)"), std::string::npos);
}

// ------------------------------------------------------------ vellumo-render

namespace {

fs::path save_tag(const temp_dir &dir)
{
    label_ptr lab = ele__label_new(216, 108);
    lab->name = u"Ценник";
    lab->bgcolor = 0xFFFFFF;
    text(lab.get(), u"${name} ${price} ${date}", 8, 80, 10);
    text(lab.get(), u"${note}", 8, 40, 10);
    const fs::path p = dir / "tag.lbl";
    EXPECT_EQ(ino__save_file(u16(p), lab.get()), 1);
    return p;
}

run_result render(const std::string &args, const std::string &stdin_file = "/dev/null")
{
    temp_dir d;
    const std::string o = (d / "out").string(), e = (d / "err").string();
    const int st = std::system(("env -u VELLUMO_PASSWORD '" + std::string(VELLUMO_RENDER_BIN) + "' " + args +
                                " >'" + o + "' 2>'" + e + "' <'" + stdin_file + "'")
                                   .c_str());
    run_result r;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.out = slurp(o);
    r.err = slurp(e);
    return r;
}

} // namespace

TEST(Spreadsheets, BatchFromABookAndFromStandardInput)
{
    temp_dir dir;
    const fs::path lbl = save_tag(dir);
    run_result r = render(quoted(lbl) + " -o " + quoted(dir / "book.pdf") + " --csv " + quoted(books() / "good.xlsx"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(pdf_info(dir / "book.pdf").pages, 3);
    std::string text = pdf_text(dir / "book.pdf");
    EXPECT_NE(text.find("Чай 12.5 05.03.2024"), std::string::npos) << text;
    EXPECT_NE(text.find("Кофе 0.10 31.01.1999"), std::string::npos) << text;
    EXPECT_NE(text.find("последний"), std::string::npos) << text;

    // The same book on standard input, told by its bytes; another sheet.
    r = render(quoted(lbl) + " -o " + quoted(dir / "in.pdf") + " --csv - --table-sheet Товары",
               (books() / "good.ods").string());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(pdf_info(dir / "in.pdf").pages, 3);
    EXPECT_NE(pdf_text(dir / "in.pdf").find("Чай 12.5 05.03.2024"), std::string::npos);

    // CSV on standard input.
    write_file(dir / "t.csv", "name;price\nчай;1\nкофе;2\n");
    r = render(quoted(lbl) + " -o " + quoted(dir / "csv.pdf") + " --csv -", (dir / "t.csv").string());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(pdf_info(dir / "csv.pdf").pages, 2);
    text = pdf_text(dir / "csv.pdf");
    EXPECT_NE(text.find("кофе 2"), std::string::npos) << text;
    r = render(quoted(lbl) + " -o " + quoted(dir / "no.pdf") + " --csv " + quoted(dir / "t.csv") +
               " --table-sheet Товары");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("таблица CSV, листов в нём нет (спрошен лист «Товары»)"), std::string::npos) << r.err;

    // Refused: nothing written, the message says why.
    r = render(quoted(lbl) + " -o " + quoted(dir / "no.pdf") + " --csv - --table-sheet Нет",
               (books() / "good.xlsx").string());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Файл «стандартный ввод»: листа «Нет» в книге нет"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "no.pdf"));
    // Endless zeros on standard input: refused at the first, not kept to 1 GiB.
    const auto start = std::chrono::steady_clock::now();
    r = render(quoted(lbl) + " -o " + quoted(dir / "no.pdf") + " --csv -", "/dev/zero");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Строка 1: в файле двоичные данные"), std::string::npos) << r.err;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    // A named pipe is read once and kept, as standard input is.
    ::mkfifo((dir / "pipe").c_str(), 0600);
    std::thread feed([&] { write_file(dir / "pipe", slurp(books() / "good.xlsx")); });
    r = render(quoted(lbl) + " -o " + quoted(dir / "pipe.pdf") + " --csv " + quoted(dir / "pipe"));
    feed.join();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(pdf_info(dir / "pipe.pdf").pages, 3);

    r = render(quoted(lbl) + " -o " + quoted(dir / "no.pdf") + " --table-sheet Товары");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--table-sheet относится к --csv"), std::string::npos) << r.err;
}
