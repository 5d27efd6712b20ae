// Many labels from a table of data: a page per row, each row's values on
// its page, nothing written from a refused table or a cancelled batch.
#include <gtest/gtest.h>

#include <QPrinter>
#include <sys/stat.h>
#include <unistd.h>

#include "output/document.h"
#include "output/output_support.h"
#include "platform/code_pages.h"

using namespace out_test;
namespace fs = std::filesystem;

namespace {

// A price tag: the name, the price and the article's code as CODE-128.
label_ptr price_tag()
{
    label_ptr lab = ele__label_new(220, 110);
    lab->name = u"Ценник";
    lab->bgcolor = 0xFFFFFF;
    text(lab.get(), u"${name}", 8, 92, 10);
    text(lab.get(), u"${price} ${currency}", 8, 75, 10);
    barcode(lab.get(), 7, u"${code}", 10, 8, 200, 55);
    return lab;
}

// Windows-1251 bytes of a text of ASCII and Russian letters.
std::string cp1251(const std::u16string &s)
{
    std::string out;
    for (char16_t c : s) {
        if (c < 0x80)
            out += static_cast<char>(c);
        else if (c >= 0x410 && c <= 0x44F)
            out += static_cast<char>(0xC0 + (c - 0x410));
        else if (c == u'Ё')
            out += static_cast<char>(0xA8);
        else if (c == u'ё')
            out += static_cast<char>(0xB8);
        else
            out += '?';
    }
    return out;
}

std::unique_ptr<page_sink> sink_for(const label *lab, const fs::path &out, bool numbered = true)
{
    std::u16string error;
    auto s = out__file_sink(lab, u16(out), {}, numbered, error);
    EXPECT_TRUE(s) << plt__to_utf8(error);
    return s;
}

batch_outcome run_batch(const label *lab, const fs::path &csv, const fs::path &out, csv_options o = {},
                        std::vector<preview_var> preview = {})
{
    batch_request req;
    req.lab = lab;
    req.csv_path = csv.string();
    req.csv = o;
    req.preview = std::move(preview);
    auto sink = sink_for(lab, out);
    if (!sink)
        return {};
    return out__batch(req, *sink);
}

} // namespace

TEST(Batch, ManyRowsGiveAPageEachOfTheirOwnValues)
{
    // Every page is drawn, rasterised and read back: rows enough for page
    // numbers of three digits.
    constexpr int rows = 150;
    temp_dir dir;
    // A byte-order mark, CR LF, quoted cells with separators, quotes and
    // line breaks, Cyrillic, an empty cell and blank lines at the end.
    std::string csv = "\xEF\xBB\xBFname;code;price;note\r\n";
    for (int i = 1; i <= rows; ++i) {
        csv += "\"Товар \"\"№" + std::to_string(i) + "\"\"; сорт\";R" + std::to_string(i * 7) + ";" +
               (i % 5 ? std::to_string(i) + ",50" : "") + ";" + (i == 3 ? "\"две\r\nстроки\"" : "") + "\r\n";
    }
    csv += "\r\n\r\n";
    write_file(dir / "prices.csv", csv);
    label_ptr lab = price_tag();
    long last_done = -1, calls = 0;
    batch_request req;
    req.lab = lab.get();
    req.csv_path = (dir / "prices.csv").string();
    req.preview = {{u"currency", u"руб."}, {u"price", u"не из таблицы"}};
    req.progress = [&](long done, long total) {
        EXPECT_EQ(total, rows);
        EXPECT_GE(done, last_done);
        last_done = done;
        ++calls;
        return true;
    };
    auto sink = sink_for(lab.get(), dir / "prices.pdf");
    const batch_outcome out = out__batch(req, *sink);
    ASSERT_TRUE(out.complete) << plt__to_utf8(out.error);
    EXPECT_EQ(out.pages, rows);
    EXPECT_EQ(out.rows, rows);
    EXPECT_TRUE(out.problems.empty());
    EXPECT_EQ(last_done, rows);
    EXPECT_GE(calls, rows + 1);

    const pdf_facts f = pdf_info(dir / "prices.pdf");
    EXPECT_EQ(f.pages, rows);
    EXPECT_NEAR(f.width, 220, 0.01);
    EXPECT_NEAR(f.height, 110, 0.01);
    const std::string text = pdf_text(dir / "prices.pdf");
    EXPECT_NE(text.find("Товар \"№1\"; сорт"), std::string::npos);
    EXPECT_NE(text.find("Товар \"№150\"; сорт"), std::string::npos);
    EXPECT_NE(text.find("149,50 руб."), std::string::npos);
    // Row 5's price cell is empty: empty, not the preview's value.
    EXPECT_EQ(text.find("не из таблицы"), std::string::npos);

    // Every page's barcode holds its own row's code, in row order.
    temp_dir pages;
    const auto png = pdf_pages(dir / "prices.pdf", pages.path(), 200);
    ASSERT_EQ(png.size(), std::size_t(rows));
    std::string all;
    for (const auto &p : png)
        all += " " + quoted(p);
    const run_result r = run("zbarimg --raw -q" + all);
    std::istringstream lines(r.out);
    std::string line;
    int row = 0;
    while (std::getline(lines, line)) {
        ++row;
        EXPECT_EQ(line, "R" + std::to_string(row * 7)) << "page " << row;
        if (line != "R" + std::to_string(row * 7))
            break;
    }
    EXPECT_EQ(row, rows);
}

TEST(Batch, WindowsCyrillicTableAndPngPerRow)
{
    temp_dir dir;
    std::u16string table = u"name,code,price\r\n";
    table += u"Ёлка,E1,10\r\nЩётка,E2,20\r\nЯблоко,E3,30\r\n";
    write_file(dir / "ansi.csv", cp1251(table));
    label_ptr lab = price_tag();
    const batch_outcome out = run_batch(lab.get(), dir / "ansi.csv", dir / "tag.png");
    ASSERT_TRUE(out.complete) << plt__to_utf8(out.error);
    EXPECT_EQ(out.pages, 3);
    EXPECT_EQ(files_in(dir.path()), (std::set<std::string>{"ansi.csv", "tag-0001.png", "tag-0002.png", "tag-0003.png"}));
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(zbar_codes(dir / ("tag-000" + std::to_string(i) + ".png")),
                  std::set<std::string>{"E" + std::to_string(i)});

    // As a PDF the Russian names read back as Russian.
    const batch_outcome pdf = run_batch(lab.get(), dir / "ansi.csv", dir / "tag.pdf");
    ASSERT_TRUE(pdf.complete);
    const std::string text = pdf_text(dir / "tag.pdf");
    for (const char *name : {"Ёлка", "Щётка", "Яблоко"})
        EXPECT_NE(text.find(name), std::string::npos) << name;

    // Told it is UTF-8 when it is not: refused at the first line that is
    // not, instead of printing "����" on every tag.
    csv_options utf8;
    utf8.encoding = csv_encoding::utf8;
    const batch_outcome forced = run_batch(lab.get(), dir / "ansi.csv", dir / "forced.pdf", utf8);
    EXPECT_FALSE(forced.complete);
    EXPECT_NE(forced.error.find(u"Строка 2: байты, недопустимые в кодировке UTF-8"), std::u16string::npos)
        << plt__to_utf8(forced.error);
    EXPECT_FALSE(fs::exists(dir / "forced.pdf"));
}

TEST(Batch, RefusedTablesNameTheirLineAndWriteNothing)
{
    struct bad {
        const char *what;
        std::string bytes;
        std::u16string message_part;
    };
    const bad tables[] = {
        {"more cells", "name,code\nA,1\nB,2,3\n", u"Строка 3"},
        {"unterminated quote", "name,code\nA,1\n\"B,2\nC,3\n", u"Строка 3"},
        {"binary", std::string("name,code\nA,1\n\x01\x02\x00\x03,4\n", 19), u"двоичные"},
        {"no header", "", u""},
        {"header only", "name,code\r\n\r\n", u"нет ни одной строки"},
    };
    label_ptr lab = price_tag();
    for (const bad &t : tables) {
        for (const char *out : {"out.pdf", "out.png"}) {
            temp_dir dir;
            write_file(dir / "t.csv", t.bytes);
            const batch_outcome r = run_batch(lab.get(), dir / "t.csv", dir / out);
            EXPECT_FALSE(r.complete) << t.what;
            EXPECT_FALSE(r.error.empty()) << t.what;
            EXPECT_NE(r.error.find(t.message_part), std::u16string::npos) << t.what << ": " << plt__to_utf8(r.error);
            EXPECT_EQ(r.pages, 0) << t.what;
            EXPECT_EQ(files_in(dir.path()), std::set<std::string>{"t.csv"}) << t.what;
        }
    }
    // Above 1 GiB: refused before it is read (a sparse file).
    temp_dir dir;
    {
        std::ofstream big(dir / "big.csv", std::ios::binary);
        big << "name,code\n";
    }
    fs::resize_file(dir / "big.csv", (std::uintmax_t(1) << 30) + 1);
    const batch_outcome r = run_batch(lab.get(), dir / "big.csv", dir / "out.pdf");
    EXPECT_FALSE(r.complete);
    EXPECT_NE(r.error.find(u"1 ГиБ"), std::u16string::npos) << plt__to_utf8(r.error);
    EXPECT_EQ(files_in(dir.path()), std::set<std::string>{"big.csv"});
    // A table that does not exist.
    const batch_outcome missing = run_batch(lab.get(), dir / "none.csv", dir / "out.pdf");
    EXPECT_FALSE(missing.complete);
    EXPECT_FALSE(missing.error.empty());
}

TEST(Batch, CancelledLeavesNoPdfAndTheOldOneStays)
{
    temp_dir dir;
    std::string csv = "name,code\n";
    for (int i = 0; i < 50; ++i)
        csv += "n" + std::to_string(i) + ",C" + std::to_string(i) + "\n";
    write_file(dir / "t.csv", csv);
    write_file(dir / "out.pdf", "the previous batch");
    label_ptr lab = price_tag();
    batch_request req;
    req.lab = lab.get();
    req.csv_path = (dir / "t.csv").string();
    req.progress = [](long done, long) { return done < 10; };
    {
        auto sink = sink_for(lab.get(), dir / "out.pdf");
        const batch_outcome out = out__batch(req, *sink);
        EXPECT_TRUE(out.cancelled);
        EXPECT_FALSE(out.complete);
        EXPECT_EQ(out.pages, 10);
    }
    EXPECT_EQ(slurp(dir / "out.pdf"), "the previous batch");
    EXPECT_EQ(files_in(dir.path()), (std::set<std::string>{"out.pdf", "t.csv"}));
}

TEST(Batch, ProblemsOfARowNameItsLineAndTheRestIsWritten)
{
    temp_dir dir;
    // EAN-13 takes digits only: the second data row (line 3) is refused.
    write_file(dir / "t.csv", "code\n400638133393\nnot digits\n978030640615\n");
    label_ptr lab = ele__label_new(200, 100);
    barcode(lab.get(), 3, u"${code}", 10, 10, 180, 80);
    const batch_outcome out = run_batch(lab.get(), dir / "t.csv", dir / "out.pdf");
    EXPECT_TRUE(out.complete);
    EXPECT_EQ(out.pages, 3);
    ASSERT_EQ(out.problems.size(), 1u);
    EXPECT_EQ(out.problems[0].rfind(u"Строка 3: ", 0), 0u) << plt__to_utf8(out.problems[0]);
    EXPECT_EQ(pdf_info(dir / "out.pdf").pages, 3);
}

TEST(Batch, PrintsToAPdfPrinterWithItsPageRange)
{
    temp_dir dir;
    write_file(dir / "t.csv", "name;code\nодин;P1\nдва;P2\nтри;P3\nчетыре;P4\n");
    label_ptr lab = price_tag();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString((dir / "printed.pdf").string()));
    printer.setFullPage(true);
    printer.setPageLayout(out__page_layout(lab.get()));
    batch_request req;
    req.lab = lab.get();
    req.csv_path = (dir / "t.csv").string();
    auto sink = out__device_sink(lab.get(), printer, 2, 3);
    const batch_outcome out = out__batch(req, *sink);
    ASSERT_TRUE(out.complete) << plt__to_utf8(out.error);
    const pdf_facts f = pdf_info(dir / "printed.pdf");
    EXPECT_EQ(f.pages, 2);
    EXPECT_NEAR(f.width, 220, 0.5);
    EXPECT_NEAR(f.height, 110, 0.5);
    const std::string text = pdf_text(dir / "printed.pdf");
    EXPECT_NE(text.find("два"), std::string::npos) << text;
    EXPECT_NE(text.find("три"), std::string::npos);
    EXPECT_EQ(text.find("один"), std::string::npos);
    EXPECT_EQ(text.find("четыре"), std::string::npos);
    temp_dir pages;
    const auto png = pdf_pages(dir / "printed.pdf", pages.path(), 300);
    ASSERT_EQ(png.size(), 2u);
    EXPECT_EQ(zbar_codes(png[0]), std::set<std::string>{"P2"});
    EXPECT_EQ(zbar_codes(png[1]), std::set<std::string>{"P3"});
}
