// Tables of data as spreadsheets and Python's csv module write them, and the
// files a table reader must refuse with the line that is wrong.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "exchange/csv_table.h"
#include "platform/code_pages.h"
#include "support/python.h"
#include "support/temp_dir.h"

using namespace std::string_literals;

namespace {

struct table {
    csv_summary summary;
    std::vector<std::vector<std::u16string>> rows;
    std::vector<long> lines;
};

// Scans the bytes, then reads every row back; a refusal fails the test.
table read_all(const std::string &bytes, csv_options options = {})
{
    table t;
    std::istringstream scan(bytes);
    csv_problem problem;
    EXPECT_TRUE(csv__scan(scan, options, t.summary, problem)) << plt__to_utf8(problem.message);
    std::istringstream again(bytes);
    csv_rows rows(again, t.summary);
    std::vector<std::u16string> cells;
    long line = 0;
    while (rows.next(cells, line, problem)) {
        t.rows.push_back(cells);
        t.lines.push_back(line);
    }
    EXPECT_TRUE(problem.message.empty()) << plt__to_utf8(problem.message);
    EXPECT_EQ(static_cast<long>(t.rows.size()), t.summary.rows);
    return t;
}

csv_problem refusal(const std::string &bytes, csv_options options = {})
{
    std::istringstream in(bytes);
    csv_summary summary;
    csv_problem problem;
    EXPECT_FALSE(csv__scan(in, options, summary, problem)) << "accepted: " << bytes.substr(0, 80);
    return problem;
}

std::string utf8(const std::u16string &s)
{
    return plt__to_utf8(s);
}

std::string slurp(const std::filesystem::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(Csv, WhatPythonsCsvModuleWritesReadsBackCellForCell)
{
    // 500 rows with quotes, separators and line breaks inside cells,
    // Cyrillic, an empty cell, a byte-order mark and CR LF line ends.  The
    // cells Python meant go to a second file: a unit separator between
    // cells, a record separator after each row.
    temp_dir dir;
    const std::string code = R"PY(
import csv, sys
rows = [["Наименование", "Цена", "Штрихкод", "Примечание"]]
for i in range(500):
    rows.append(['Товар "%d"; сорт, высший' % i, "%d,%02d" % (i, i % 100), "4601234%06d" % i,
                 "" if i % 7 == 0 else "строка 1\r\nстрока 2" if i % 5 == 0 else "ёЁ №%d" % i])
with open(sys.argv[1], "w", encoding="utf-8-sig", newline="") as f:
    csv.writer(f, delimiter=";", quoting=csv.QUOTE_MINIMAL).writerows(rows)
with open(sys.argv[2], "w", encoding="utf-8", newline="") as f:
    for row in rows[1:]:
        f.write("\x1f".join(c.replace("\r\n", "\n") for c in row) + "\x1e")
)PY";
    ASSERT_EQ(run_python(code, {(dir / "t.csv").string(), (dir / "cells.txt").string()}), 0);
    csv_summary summary;
    csv_problem problem;
    ASSERT_TRUE(csv__scan_file((dir / "t.csv").string(), {}, summary, problem)) << utf8(problem.message);
    EXPECT_EQ(summary.rows, 500);
    EXPECT_EQ(summary.separator, ';');
    EXPECT_EQ(summary.encoding, csv_encoding::utf8);
    ASSERT_EQ(summary.columns.size(), 4u);
    EXPECT_EQ(summary.columns[0], u"Наименование");
    EXPECT_EQ(summary.columns[3], u"Примечание");

    const table t = read_all(slurp(dir / "t.csv"));
    std::string got;
    for (const auto &row : t.rows) {
        for (std::size_t i = 0; i < row.size(); ++i)
            got += (i ? "\x1f" : "") + utf8(row[i]);
        got += "\x1e";
    }
    EXPECT_EQ(got, slurp(dir / "cells.txt"));
    // Rows that hold a line break start on a later line of the file.
    EXPECT_EQ(t.lines.front(), 2);
    EXPECT_GT(t.lines.back(), 501);
}

TEST(Csv, Windows1251IsFoundWhenTheBytesAreNotUtf8AndCanBeNamed)
{
    temp_dir dir;
    const std::string code = R"PY(
import sys
chars = bytes(b for b in range(0x80, 0x100) if b != 0x98).decode("cp1251")
with open(sys.argv[1], "wb") as f:
    f.write(("Имя\tЗнак\r\nЁлка\t" + chars + "\r\n").encode("cp1251"))
with open(sys.argv[2], "w", encoding="utf-8") as f:
    f.write(chars)
)PY";
    ASSERT_EQ(run_python(code, {(dir / "w.csv").string(), (dir / "chars.txt").string()}), 0);
    const std::string bytes = slurp(dir / "w.csv");
    const table t = read_all(bytes);
    EXPECT_EQ(t.summary.encoding, csv_encoding::cp1251);
    EXPECT_EQ(t.summary.separator, '\t');
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.summary.columns[0], u"Имя");
    EXPECT_EQ(t.rows[0][0], u"Ёлка");
    EXPECT_EQ(utf8(t.rows[0][1]), slurp(dir / "chars.txt")); // every character as Python's codec reads it

    // A named encoding must hold for every byte: a 1251 file named UTF-8
    // is refused at its first such line instead of printing "����"; bytes
    // that are valid 1251 are read as 1251 when asked.
    const csv_problem named = refusal(bytes, {0, csv_encoding::utf8});
    EXPECT_EQ(named.line, 1);
    EXPECT_NE(named.message.find(u"недопустимые в кодировке UTF-8"), std::u16string::npos) << utf8(named.message);
    const table utf8_as_1251 = read_all("a,b\n\xD0\x81,x\n", {0, csv_encoding::cp1251});
    EXPECT_EQ(utf8_as_1251.rows[0][0], u"Р\u0403");
    EXPECT_EQ(refusal("a,b\n\x98,x\n", {0, csv_encoding::cp1251}).line, 2);
    // A byte-order mark says UTF-8: a byte that is not refuses the table.
    EXPECT_EQ(refusal("\xEF\xBB\xBF" "a\n\xFF\n").line, 2);
}

TEST(Csv, RowsInMixedEncodingsAreRefusedAtTheFirstThatDisagrees)
{
    // Rows pasted together from a UTF-8 and a Windows-1251 file, both ways
    // round (Python writes the halves): the line whose bytes disagree with
    // the first row beyond ASCII is named with that row's encoding.
    temp_dir dir;
    const std::string code = R"PY(
import sys
with open(sys.argv[1], "wb") as f:
    f.write("Имя;Код\nЧай;1\n".encode("utf-8") + "Кофе;2\n".encode("cp1251"))
with open(sys.argv[2], "wb") as f:
    f.write("Name;Code\ntea;1\n".encode() + "Кофе;2\n".encode("cp1251") + "Чай;3\n".encode("utf-8"))
)PY";
    ASSERT_EQ(run_python(code, {(dir / "a.csv").string(), (dir / "b.csv").string()}), 0);
    const csv_problem a = refusal(slurp(dir / "a.csv"));
    EXPECT_EQ(a.line, 3);
    EXPECT_NE(a.message.find(u"не в кодировке UTF-8, в которой записана строка 1"), std::u16string::npos)
        << utf8(a.message);
    const csv_problem b = refusal(slurp(dir / "b.csv"));
    EXPECT_EQ(b.line, 4);
    EXPECT_NE(b.message.find(u"Windows-1251, в которой записана строка 3"), std::u16string::npos) << utf8(b.message);
}

TEST(Csv, SeparatorsLineEndsBlankLinesAndShortRows)
{
    // The header's most used separator; ";" wins a tie.
    EXPECT_EQ(read_all("a,b;c\n1,2;3\n").summary.separator, ';');
    EXPECT_EQ(read_all("a,b,c;d\n").summary.separator, ',');
    EXPECT_EQ(read_all("\"x;y\",b,c\n").summary.separator, ','); // quoted ";" is not counted
    // Overridden: the comma then belongs to the cell.
    const table semi = read_all("a,b;c\n1,2;3\n", {';', csv_encoding::automatic});
    EXPECT_EQ(semi.summary.columns, (std::vector<std::u16string>{u"a,b", u"c"}));
    // No separator in the header: one column, commas and all.
    const table one = read_all("Название\nИванов, Иван; и сын\n");
    EXPECT_EQ(one.summary.separator, 0);
    EXPECT_EQ(one.rows[0], (std::vector<std::u16string>{u"Иванов, Иван; и сын"}));

    // CR LF, a lone CR, blank lines before, between and after, a row that
    // leaves its last cells out, separators at the ends of rows.
    const table t = read_all("\r\n\r\na;b;c\r\n1;2;3\r\n\r\n4;5\r6;;;;\n\n\n\n");
    ASSERT_EQ(t.rows.size(), 3u);
    EXPECT_EQ(t.rows[0], (std::vector<std::u16string>{u"1", u"2", u"3"}));
    EXPECT_EQ(t.rows[1], (std::vector<std::u16string>{u"4", u"5", u""}));
    EXPECT_EQ(t.rows[2], (std::vector<std::u16string>{u"6", u"", u""}));
    EXPECT_EQ(t.lines, (std::vector<long>{4, 6, 7}));
    // Names are trimmed; quotes inside an unquoted cell are text; a doubled
    // quote inside a quoted cell is one quote; a quoted empty cell is a row.
    const table q = read_all(" Цена ;x\nab\"c;\"q\"\"t\"\n\"\"\n");
    EXPECT_EQ(q.summary.columns[0], u"Цена");
    EXPECT_EQ(q.rows[0], (std::vector<std::u16string>{u"ab\"c", u"q\"t"}));
    EXPECT_EQ(q.rows[1], (std::vector<std::u16string>{u"", u""}));
    // A header alone is a table without rows.
    EXPECT_EQ(read_all("a;b\n").summary.rows, 0);
}

TEST(Csv, BadTablesAreRefusedWithTheirLine)
{
    auto says = [](const csv_problem &p, long line, const char16_t *part) {
        EXPECT_EQ(p.line, line) << plt__to_utf8(p.message);
        EXPECT_NE(p.message.find(part), std::u16string::npos) << plt__to_utf8(p.message);
    };
    says(refusal("a;b\n1;2\n3;4;5\n"), 3, u"Строка 3: ячеек 3, а столбцов в заголовке 2");
    says(refusal("a;b\n1;\"2\n\n3;4\n"), 2, u"Строка 2: кавычка");
    // Text after a closing quote: the quote was meant as text (a line break
    // and a stray quote would otherwise land in the cell and print).
    says(refusal("a,b,c\n\"c,3,X3\n\"d\",4,X4\n"), 3, u"Строка 3: после закрывающей кавычки");
    says(refusal("a;b\n\"x\" ;2\n"), 2, u"после закрывающей кавычки");
    says(refusal("a;b\n1;2\n3;\x00\n"s), 3, u"двоичные данные");
    says(refusal("a;b\n\"1\x00\";2\n"s), 2, u"двоичные данные");
    says(refusal(""), 0, u"нет ни одной строки");
    says(refusal("\r\n\n\n"), 0, u"нет ни одной строки");
    says(refusal("\xFF\xFE" "a\x00;\x00"s), 0, u"UTF-16");
    says(refusal("\n\nЦена;Код;Цена\n1;2;3\n"), 3, u"столбец «Цена» назван дважды");
    says(refusal(std::string(CSV_MAX_COLUMNS + 1, ';')), 1, u"столбцов больше 10000");
    says(refusal("a\n\"" + std::string(CSV_MAX_RECORD + 10, 'x') + "\"\n"), 2, u"длиннее 16 МиБ");
    says(refusal("a\n" + std::string(CSV_MAX_RECORD + 10, 'x') + "\n"), 2, u"длиннее 16 МиБ");
    // Several empty names are not a duplicate.
    EXPECT_EQ(read_all(";;a\n1;2;3\n").summary.columns.size(), 3u);
}

TEST(Csv, FilesTooLargeMissingOrNotFilesAreRefusedBeforeReading)
{
    temp_dir dir;
    csv_summary summary;
    csv_problem problem;
    // A sparse file just above 1 GiB: refused from its size alone.
    const std::string big = (dir / "big.csv").string();
    const int fd = ::open(big.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(CSV_MAX_FILE) + 1), 0);
    ::close(fd);
    EXPECT_FALSE(csv__scan_file(big, {}, summary, problem));
    EXPECT_NE(problem.message.find(u"больше 1 ГиБ"), std::u16string::npos);
    EXPECT_FALSE(csv__scan_file((dir / "none.csv").string(), {}, summary, problem));
    EXPECT_NE(problem.message.find(u"такого файла нет"), std::u16string::npos);
    EXPECT_FALSE(csv__scan_file(dir.path().string(), {}, summary, problem));
    EXPECT_NE(problem.message.find(u"это папка"), std::u16string::npos);
    EXPECT_TRUE(summary.columns.empty());
}

TEST(Csv, AFileChangedBetweenTheScanAndTheRowsIsNoticed)
{
    std::istringstream scan("a;b\n1;2\n");
    csv_summary summary;
    csv_problem problem;
    ASSERT_TRUE(csv__scan(scan, {}, summary, problem));
    std::istringstream changed("a;b\n1;2;3\n");
    csv_rows rows(changed, summary);
    std::vector<std::u16string> cells;
    long line = 0;
    EXPECT_FALSE(rows.next(cells, line, problem));
    EXPECT_EQ(problem.line, 2);
    EXPECT_NE(problem.message.find(u"изменился"), std::u16string::npos);
}
