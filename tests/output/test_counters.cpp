// Counters, date and time in labels (${#}, ${#:000100}, ${#row}, ${#date},
// ${#time}) and copies of each row from a column of the table: read back
// from the pages of the PDF and from the barcodes as a scanner reads them.
#include <gtest/gtest.h>

#include <QDate>

#include "exchange/csv_table.h"
#include "exchange/inout.h"
#include "model/sheet.h"
#include "output/document.h"
#include "output/output_support.h"
#include "platform/code_pages.h"
#include "render/counters.h"

using namespace out_test;
namespace fs = std::filesystem;

namespace {

const std::string BIN = VELLUMO_RENDER_BIN;

// A box label, 3 × 1.5 inch: its number from 100, the row, the item, the
// run's date and time, and a CODE-128 of the item and the label's number.
label_ptr box_label()
{
    label_ptr lab = ele__label_new(216, 108);
    lab->name = u"Коробка";
    lab->bgcolor = 0xFFFFFF;
    text(lab.get(), u"N${#:000100} R${#row} ${item}", 8, 90, 10);
    text(lab.get(), u"D${#date} T${#time:HH.mm.ss}", 8, 75, 10);
    barcode(lab.get(), 7, u"${item}-${#}", 10, 8, 196, 55);
    return lab;
}

// The text of page `n` of a PDF alone.
std::string page_text(const fs::path &pdf, int n)
{
    const std::string p = std::to_string(n);
    return run("pdftotext -f " + p + " -l " + p + " " + quoted(pdf) + " -").out;
}

// The codes zbarimg reads on page `n` of a PDF drawn at 200 dpi.
std::set<std::string> page_codes(const fs::path &pdf, int n)
{
    temp_dir d;
    const std::string p = std::to_string(n);
    run("pdftoppm -r 200 -png -f " + p + " -l " + p + " " + quoted(pdf) + " " + quoted(d / "page"));
    std::set<std::string> codes;
    for (const auto &e : fs::directory_iterator(d.path()))
        for (const std::string &c : zbar_codes(e.path()))
            codes.insert(c);
    return codes;
}

std::string today(const char *format)
{
    return QDate::currentDate().toString(QString::fromLatin1(format)).toStdString();
}

struct batch_run {
    batch_outcome out;
    long total = -1; // what the progress said the run holds
};

batch_run run_batch(const label *lab, const fs::path &csv, const fs::path &pdf, long copies = 1,
                    const std::u16string &copies_column = {}, const page_layout *layout = nullptr)
{
    batch_request req;
    req.lab = lab;
    req.csv_path = csv.string();
    req.copies = copies;
    req.copies_column = copies_column;
    req.layout = layout;
    batch_run r;
    req.progress = [&r](long, long total) {
        r.total = total;
        return true;
    };
    std::u16string error;
    auto sink = out__file_sink(lab, u16(pdf), {}, true, error);
    EXPECT_TRUE(sink) << plt__to_utf8(error);
    if (sink)
        r.out = out__batch(req, *sink);
    return r;
}

bool has(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(Counters, NamesPatternsAndWhatStaysAsWritten)
{
    const QDateTime when(QDate(2026, 3, 5), QTime(7, 8, 9));
    auto value = [&](const char16_t *name, long long label = 3, long long row = 7) {
        return rdr__counter_value(name, label, row, when).value_or(u"<none>");
    };
    EXPECT_EQ(value(u"#"), u"3");
    EXPECT_EQ(value(u"#:000100"), u"000102");
    EXPECT_EQ(value(u"#:0"), u"2");
    // Past the pattern's width the number is written whole, never cut.
    EXPECT_EQ(value(u"#:9"), u"11");
    EXPECT_EQ(value(u"#:999999999999999999", 1000000), u"1000000000000999998");
    EXPECT_EQ(value(u"#row"), u"7");
    EXPECT_EQ(value(u"#row:0001"), u"0007");
    EXPECT_EQ(value(u"#date"), u"05.03.2026");
    EXPECT_EQ(value(u"#date:yyyy-MM-dd"), u"2026-03-05");
    EXPECT_EQ(value(u"#time"), u"07:08");
    EXPECT_EQ(value(u"#time:HH:mm:ss"), u"07:08:09");
    // Month names in Russian whatever the machine's locale.
    EXPECT_NE(value(u"#date:d MMMM yyyy").find(u"мар"), std::u16string::npos) << plt__to_utf8(value(u"#date:d MMMM yyyy"));
    // Not counters: they stay as written.
    for (const char16_t *wrong : {u"#x", u"#:", u"#:-1", u"#:1a", u"#: 1", u"#:٣", u"#:0000000000000000000",
                                  u"#row:", u"#row:x", u"#date:", u"#time:", u"#Date", u"#ROW", u"# "})
        EXPECT_EQ(value(wrong), u"<none>") << plt__to_utf8(wrong);

    // Drawn on its own, a label is the first of its run; a variable or
    // preview variable of a counter's name is never taken.
    const render_variable_map vars = rdr__variable_map({{u"#", u"99"}, {u"#row", u"98"}, {u"a", u"b"}});
    EXPECT_EQ(rdr__substitute_in(u"№${#:000100} ${#x} ${#row} ${a} ${#}", vars, nullptr),
              u"№000100 ${#x} 1 b 1");
    const std::vector<std::u16string> names = {u"#", u"#row", u"a", u"#x"};
    EXPECT_EQ(out__preview_variables(names, {{u"#", u"99"}, {u"a", u"b"}}).count(u"#"), 0u);
    EXPECT_EQ(out__row_variables(names, {}, {}, {{u"#row", u"1"}}).count(u"#row"), 0u);
    EXPECT_TRUE(out__names_without_column(names, {u"a"}).size() == 0u);

    // Only a label number makes copies differ.
    EXPECT_FALSE(run_counters({u"#row", u"#date", u"#x", u"a"}, when).numbers_labels());
    EXPECT_TRUE(run_counters({u"#:01"}, when).numbers_labels());
    const run_counters c({u"#:01", u"#row", u"#date:yy", u"#x"}, when);
    render_variable_map put;
    c.put(put, 12, 4);
    EXPECT_EQ(put, (render_variable_map{{u"#:01", u"12"}, {u"#row", u"4"}, {u"#date:yy", u"26"}}));
}

TEST(Counters, EveryCopyCountsOnThePagesAndInTheBarcodes)
{
    temp_dir dir;
    write_file(dir / "t.csv", "item;note\nA;x\nB;y\nC;z\n");
    label_ptr lab = box_label();
    const std::string before = today("dd.MM.yyyy");
    const batch_run r = run_batch(lab.get(), dir / "t.csv", dir / "out.pdf", 2);
    const std::string after = today("dd.MM.yyyy");
    ASSERT_TRUE(r.out.complete) << plt__to_utf8(r.out.error);
    EXPECT_EQ(pdf_info(dir / "out.pdf").pages, 6);
    // Page 3 is row 2's first copy, the run's third label.
    const std::string third = page_text(dir / "out.pdf", 3);
    EXPECT_TRUE(has(third, "N000102 R2 B")) << third;
    EXPECT_EQ(page_codes(dir / "out.pdf", 3), std::set<std::string>{"B-3"});
    const std::string sixth = page_text(dir / "out.pdf", 6);
    EXPECT_TRUE(has(sixth, "N000105 R3 C")) << sixth;
    EXPECT_EQ(page_codes(dir / "out.pdf", 6), std::set<std::string>{"C-6"});
    // One date and one time for the whole run, on every page.
    std::string stamp;
    for (int page = 1; page <= 6; ++page) {
        const std::string t = page_text(dir / "out.pdf", page);
        const std::size_t d = t.find('D');
        ASSERT_NE(d, std::string::npos) << t;
        const std::string line = t.substr(d, t.find('\n', d) - d);
        EXPECT_TRUE(line.rfind("D" + before, 0) == 0 || line.rfind("D" + after, 0) == 0) << line;
        EXPECT_EQ(line.size(), std::string("D05.03.2026 T07.08.09").size()) << line;
        if (page == 1)
            stamp = line;
        EXPECT_EQ(line, stamp) << "page " << page;
    }

    // Without a table: the label and its copies, counted the same way.
    batch_request one;
    one.lab = lab.get();
    one.copies = 3;
    one.preview = {{u"item", u"Z"}, {u"#", u"не счётчик"}};
    std::u16string error;
    auto sink = out__file_sink(lab.get(), u16(dir / "one.pdf"), {}, true, error);
    ASSERT_TRUE(sink);
    ASSERT_TRUE(out__batch(one, *sink).complete);
    EXPECT_TRUE(has(page_text(dir / "one.pdf", 3), "N000102 R1 Z"));
    EXPECT_EQ(page_codes(dir / "one.pdf", 3), std::set<std::string>{"Z-3"});

    // One label exported alone is the first of its run.
    std::vector<std::u16string> problems;
    ASSERT_TRUE(out__export(lab.get(), {{u"item", u"Q"}}, u16(dir / "alone.pdf"), {}, problems, error));
    EXPECT_TRUE(has(pdf_text(dir / "alone.pdf"), "N000100 R1 Q"));
}

TEST(Counters, CopiesColumnWinsAndZeroPrintsNothingOfTheRow)
{
    temp_dir dir;
    // Row 2 has none; blanks around a number are a spreadsheet's.
    write_file(dir / "t.csv", "item,qty\nA,2\nB,0\nC, 3 \nD,007\n");
    label_ptr lab = box_label();
    const batch_run r = run_batch(lab.get(), dir / "t.csv", dir / "out.pdf", 4, u"qty");
    ASSERT_TRUE(r.out.complete) << plt__to_utf8(r.out.error);
    EXPECT_EQ(r.total, 12);
    EXPECT_EQ(r.out.labels, 12);
    EXPECT_EQ(pdf_info(dir / "out.pdf").pages, 12);
    const std::string third = page_text(dir / "out.pdf", 3);
    EXPECT_TRUE(has(third, "N000102 R3 C")) << third;
    EXPECT_EQ(page_codes(dir / "out.pdf", 3), std::set<std::string>{"C-3"});
    EXPECT_TRUE(has(page_text(dir / "out.pdf", 12), "N000111 R4 D"));
    EXPECT_FALSE(has(pdf_text(dir / "out.pdf"), "R2 "));

    // On sheets of two labels from the second cell: ${#} counts labels,
    // not cells.
    std::u16string why;
    const std::optional<label_sheet> sheet = sht__parse_geometry("A6,1x2,76.2x38.1,5,5,0,0", why);
    ASSERT_TRUE(sheet) << plt__to_utf8(why);
    const sheet_layout layout(*sheet, sheet_options{2, false, false});
    const batch_run s = run_batch(lab.get(), dir / "t.csv", dir / "sheets.pdf", 1, u"qty", &layout);
    ASSERT_TRUE(s.out.complete) << plt__to_utf8(s.out.error);
    EXPECT_EQ(pdf_info(dir / "sheets.pdf").pages, 7); // 1 + 11 labels, two a page
    const std::string second = page_text(dir / "sheets.pdf", 2);
    EXPECT_TRUE(has(second, "N000101 R1 A") && has(second, "N000102 R3 C")) << second;
}

TEST(Counters, HostileCopiesCellsAreRefusedWithTheirRowAndNothingIsWritten)
{
    const std::string cells[] = {"-1",  "10001", "1e3", "",   "\xd9\xa3" /* Arabic 3 */, "99999999999999999999999999",
                                 "+3",  "3.0",   "3,", "0x10", "\xc2\xa0" "3" /* no-break space */,
                                 "\xef\xbc\x93" /* fullwidth 3 */, "\xc2\xb3" /* superscript 3 */, "3 3",
                                 std::string(1 << 20, '7')};
    label_ptr lab = box_label();
    for (const std::string &cell : cells) {
        temp_dir dir;
        write_file(dir / "t.csv", "item;qty\nA;1\n\"B\";\"" + cell + "\"\nC;1\n");
        const batch_run r = run_batch(lab.get(), dir / "t.csv", dir / "out.pdf", 1, u"qty");
        EXPECT_FALSE(r.out.complete) << cell.substr(0, 20);
        EXPECT_NE(r.out.error.find(u"Строка 3: в столбце «qty»"), std::u16string::npos)
            << plt__to_utf8(r.out.error);
        EXPECT_LT(r.out.error.size(), 200u) << "a huge cell is shown by its start";
        EXPECT_EQ(r.out.pages, 0);
        EXPECT_EQ(files_in(dir.path()), std::set<std::string>{"t.csv"}) << cell.substr(0, 20);
    }
    EXPECT_EQ(out__row_copies(u"10000"), 10000);
    EXPECT_EQ(out__row_copies(u"\t0 "), 0);

    temp_dir dir;
    write_file(dir / "t.csv", "item;qty\nA;0\nB;0\n");
    batch_run r = run_batch(lab.get(), dir / "t.csv", dir / "out.pdf", 1, u"qty");
    EXPECT_FALSE(r.out.complete);
    EXPECT_NE(r.out.error.find(u"у всех строк 0 копий"), std::u16string::npos) << plt__to_utf8(r.out.error);
    r = run_batch(lab.get(), dir / "t.csv", dir / "out.pdf", 1, u"штук");
    EXPECT_NE(r.out.error.find(u"нет столбца «штук»"), std::u16string::npos) << plt__to_utf8(r.out.error);
    EXPECT_EQ(files_in(dir.path()), std::set<std::string>{"t.csv"});
}

TEST(Counters, ATableColumnNamedWithHashIsRefusedByName)
{
    label_ptr lab = box_label();
    struct table {
        std::string bytes;
        std::u16string column;
    };
    const table tables[] = {
        {"item,#,qty\nA,1,1\n", u"«#»"},
        {"item;\" #row \"\nA;1\n", u"«#row»"},
        {"\xEF\xBB\xBFitem\t#date:yyyy\nA\t1\n", u"«#date:yyyy»"},
        {"item;" + std::string("#") + std::string(5000, 'x') + "\nA;1\n", u"«#xxx"},
    };
    for (const table &t : tables) {
        temp_dir dir;
        write_file(dir / "t.csv", t.bytes);
        const batch_run r = run_batch(lab.get(), dir / "t.csv", dir / "out.pdf");
        EXPECT_FALSE(r.out.complete);
        EXPECT_EQ(r.out.error.rfind(u"Строка 1: столбец " + t.column, 0), 0u) << plt__to_utf8(r.out.error);
        EXPECT_NE(r.out.error.find(u"заняты счётчиками"), std::u16string::npos);
        EXPECT_LT(r.out.error.size(), 400u);
        EXPECT_EQ(files_in(dir.path()), std::set<std::string>{"t.csv"});
    }
    // "№" and a "#" inside a name are ordinary columns.
    std::istringstream ok("№,a#b\n1,2\n");
    csv_summary s;
    csv_problem p;
    EXPECT_TRUE(csv__scan(ok, {}, s, p)) << plt__to_utf8(p.message);
}

TEST(Counters, CommandLineCopiesColumnAndCounters)
{
    temp_dir dir;
    label_ptr lab = box_label();
    const fs::path lbl = dir / "box.lbl";
    ASSERT_EQ(ino__save_file(u16(lbl), lab.get()), 1);
    write_file(dir / "t.csv", "item;штук\nA;1\nB;3\nC;0\nD;2\n");
    const std::string base = "env -u VELLUMO_PASSWORD '" + BIN + "' " + quoted(lbl) + " ";
    run_result r = run(base + "-o " + quoted(dir / "out.pdf") + " --csv " + quoted(dir / "t.csv") +
                       " --copies-column штук --copies 5");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(pdf_info(dir / "out.pdf").pages, 6);
    EXPECT_TRUE(has(page_text(dir / "out.pdf", 3), "N000102 R2 B"));
    EXPECT_EQ(page_codes(dir / "out.pdf", 4), std::set<std::string>{"B-4"});
    EXPECT_TRUE(has(page_text(dir / "out.pdf", 5), "N000104 R4 D"));

    // A cell that is not a number of copies: its line, nothing written.
    write_file(dir / "bad.csv", "item;штук\nA;1\nB;1\nC;-1\n");
    r = run(base + "-o " + quoted(dir / "bad.pdf") + " --csv " + quoted(dir / "bad.csv") + " --copies-column штук");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(has(r.err, "Строка 4: в столбце «штук» «-1» - не число копий")) << r.err;
    EXPECT_FALSE(fs::exists(dir / "bad.pdf"));
    r = run(base + "-o " + quoted(dir / "x.pdf") + " --csv " + quoted(dir / "t.csv") + " --copies-column нет");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(has(r.err, "нет столбца «нет»")) << r.err;
    r = run(base + "-o " + quoted(dir / "x.pdf") + " --copies-column штук");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(has(r.err, "--copies-column относится к --csv")) << r.err;
    r = run(base + "-o " + quoted(dir / "x.pdf") + " --var '#row=5'");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(has(r.err, "--var #row: имена, начинающиеся с «#», заняты счётчиками")) << r.err;
    EXPECT_FALSE(fs::exists(dir / "x.pdf"));

    // PNG files, one a label: each its own number.
    r = run(base + "-o " + quoted(dir / "p.png") + " --csv " + quoted(dir / "t.csv") + " --copies-column штук");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(zbar_codes(dir / "p-0006.png"), std::set<std::string>{"D-6"});
    EXPECT_FALSE(fs::exists(dir / "p-0007.png"));
}
