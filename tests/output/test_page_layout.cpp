// The page layout between a run and its sink: where each label goes, pages
// handed whole to the sink, and pages counted apart from labels (a printer's
// range, the count of a run, problems naming their line).
#include <gtest/gtest.h>

#include <QPdfWriter>

#include "output/document.h"
#include "output/output_support.h"
#include "platform/code_pages.h"

using namespace out_test;
namespace fs = std::filesystem;

namespace {

// Several labels of a size on a page in a row, the first label of the run
// at position `first` of its page: what a sheet layout will do, kept to
// the tests.
class row_of_labels final : public page_layout {
public:
    row_of_labels(const label *lab, int per_page, int first) : lab_(lab), per_page_(per_page), first_(first) {}
    QPageLayout page() const override
    {
        const QSizeF s = page_size();
        const QPageSize size(QSizeF(std::min(s.width(), s.height()), std::max(s.width(), s.height())),
                             QPageSize::Point, QString(), QPageSize::ExactMatch);
        return QPageLayout(size, s.width() > s.height() ? QPageLayout::Landscape : QPageLayout::Portrait,
                           QMarginsF(), QPageLayout::Point);
    }
    QSizeF page_size() const override
    {
        const QSizeF one = out__label_size(lab_);
        return QSizeF(one.width() * per_page_, one.height());
    }
    std::uint32_t paper() const override { return 0xFFFFFF; }
    label_place place(long index) const override
    {
        const long at = index + first_;
        return {at / per_page_ + 1, QPointF(static_cast<double>(at % per_page_) * lab_->width, 0)};
    }

private:
    const label *lab_;
    int per_page_, first_;
};

// What a sink was given, page by page; refuses page `refuse` if set.
class recording_sink final : public page_sink {
public:
    bool page(const doc_page &p, std::vector<page_problem> &problems, std::u16string &error) override
    {
        pages.push_back(p);
        for (std::size_t i = 0; i < p.labels.size(); ++i)
            if (const auto v = p.labels[i].variables.find(u"bad"); v != p.labels[i].variables.end() && !v->second.empty())
                problems.push_back({i, u"не нарисовано"});
        if (p.number == refuse) {
            error = u"отказ";
            return false;
        }
        return true;
    }
    bool finish(std::u16string &) override
    {
        ++finished;
        return true;
    }
    std::vector<doc_page> pages;
    long refuse = 0;
    int finished = 0;
};

label_ptr tag()
{
    label_ptr lab = ele__label_new(220, 110);
    lab->name = u"Ценник";
    lab->bgcolor = 0xFFFFFF;
    text(lab.get(), u"${name}", 8, 80, 10);
    barcode(lab.get(), 7, u"${code}", 10, 8, 200, 55);
    return lab;
}

std::string rows_csv(int n)
{
    std::string csv = "name;code\n";
    for (int i = 1; i <= n; ++i)
        csv += "имя" + std::to_string(i) + ";K" + std::to_string(i) + "\n";
    return csv;
}

batch_request request(const label *lab, const fs::path &csv, const page_layout *layout)
{
    batch_request req;
    req.lab = lab;
    req.csv_path = csv.string();
    req.layout = layout;
    return req;
}

} // namespace

TEST(PageLayout, OneLabelPerPageIsTheLabelsOwnPage)
{
    label_ptr lab = ele__label_new(56.69, 170.08); // 20 × 60 mm, standing
    lab->bgcolor = 0x123456;
    const label_per_page layout(lab.get());
    for (long i : {0L, 1L, 41L}) {
        EXPECT_EQ(layout.place(i).page, i + 1);
        EXPECT_TRUE(layout.place(i).offset.isNull());
    }
    EXPECT_EQ(layout.pages_for(0), 0);
    EXPECT_EQ(layout.pages_for(7), 7);
    // The label's size to the fraction, not Qt's points rounded.
    EXPECT_DOUBLE_EQ(layout.page_size().width(), 56.69);
    EXPECT_DOUBLE_EQ(layout.page_size().height(), 170.08);
    EXPECT_EQ(layout.page().orientation(), QPageLayout::Portrait);
    EXPECT_EQ(layout.paper(), 0x123456u);

    const doc_page p = out__label_page(lab.get(), {{u"a", u"b"}}, 3);
    EXPECT_EQ(p.number, 3);
    EXPECT_EQ(p.size, layout.page_size());
    ASSERT_EQ(p.labels.size(), 1u);
    EXPECT_EQ(p.labels[0].variables.at(u"a"), u"b");
    EXPECT_EQ(out__page_image_size(p, 72), out__image_size(lab.get(), 72));

    // Sizes past the range are pages of the largest side, never nothing.
    lab->width = 0;
    lab->height = 1e9;
    EXPECT_EQ(out__label_size(lab.get()), QSizeF(1, ELE_MAX_LABEL_SIZE));
    EXPECT_EQ(out__page_layout(lab.get()).orientation(), QPageLayout::Portrait);
}

TEST(PageLayout, BatchHandsWholePagesAndCountsPagesApartFromLabels)
{
    temp_dir dir;
    write_file(dir / "t.csv", rows_csv(6));
    label_ptr lab = tag();
    // Three a page, the run starting at the second position of its first.
    const row_of_labels layout(lab.get(), 3, 1);
    EXPECT_EQ(layout.pages_for(6), 3);
    batch_request req = request(lab.get(), dir / "t.csv", &layout);
    long last_done = -1, last_total = -1;
    req.progress = [&](long done, long total) {
        last_done = done;
        last_total = total;
        return true;
    };
    recording_sink sink;
    const batch_outcome out = out__batch(req, sink);
    ASSERT_TRUE(out.complete) << plt__to_utf8(out.error);
    EXPECT_EQ(out.rows, 6);
    EXPECT_EQ(out.labels, 6);
    EXPECT_EQ(out.pages, 3);
    EXPECT_EQ(last_done, 6);
    EXPECT_EQ(last_total, 6);
    EXPECT_EQ(sink.finished, 1);
    ASSERT_EQ(sink.pages.size(), 3u);
    const std::vector<std::size_t> counts{2, 3, 1};
    long row = 0;
    for (std::size_t n = 0; n < sink.pages.size(); ++n) {
        const doc_page &p = sink.pages[n];
        EXPECT_EQ(p.number, static_cast<long>(n + 1));
        EXPECT_EQ(p.size, QSizeF(660, 110));
        ASSERT_EQ(p.labels.size(), counts[n]) << n;
        for (const placed_label &l : p.labels) {
            ++row;
            // Each label with its own row's values, at its own place.
            EXPECT_EQ(l.variables.at(u"code"), u"K" + rdr__number(row));
            EXPECT_EQ(l.line, row + 1);
            EXPECT_EQ(l.offset, layout.place(row - 1).offset);
        }
    }
    EXPECT_EQ(sink.pages[0].labels[0].offset, QPointF(220, 0));
}

TEST(PageLayout, ProblemsAndRefusedPagesNameTheLineOfTheirLabel)
{
    temp_dir dir;
    write_file(dir / "t.csv", "name;code;bad\nа;1;\nб;2;\nв;3;x\nг;4;\nд;5;x\n");
    label_ptr lab = tag();
    text(lab.get(), u"${bad}", 8, 95, 8);
    const row_of_labels layout(lab.get(), 2, 0);
    recording_sink sink;
    sink.refuse = 3; // the last page, line 6 alone on it
    const batch_outcome out = out__batch(request(lab.get(), dir / "t.csv", &layout), sink);
    EXPECT_FALSE(out.complete);
    EXPECT_EQ(out.pages, 2);
    EXPECT_EQ(out.labels, 5);
    EXPECT_EQ(sink.finished, 0);
    // The second label of the second page; the refused page's problem goes
    // with it.
    EXPECT_EQ(out.problems, std::vector<std::u16string>{u"Строка 4: не нарисовано"});
    EXPECT_EQ(out.error, u"Строка 6: отказ");
}

TEST(PageLayout, ALastPageNotFullIsHandedOverAtTheEnd)
{
    label_ptr lab = tag();
    const row_of_labels layout(lab.get(), 4, 2);
    recording_sink sink;
    page_filler filler(layout, sink);
    std::vector<run_problem> problems;
    std::u16string error;
    for (long line = 1; line <= 3; ++line)
        ASSERT_TRUE(filler.add(lab.get(), {}, line, problems, error));
    // Positions 2 and 3 fill the first page; the third label waits.
    EXPECT_EQ(filler.pages(), 1);
    EXPECT_EQ(filler.labels(), 3);
    ASSERT_TRUE(filler.flush(problems, error));
    ASSERT_EQ(sink.pages.size(), 2u);
    EXPECT_EQ(sink.pages[1].labels.size(), 1u);
    EXPECT_TRUE(sink.pages[1].labels[0].offset.isNull());
    // Nothing twice.
    ASSERT_TRUE(filler.flush(problems, error));
    EXPECT_EQ(sink.pages.size(), 2u);
    EXPECT_EQ(filler.pages(), 2);
}

TEST(PageLayout, APrinterRangeCountsPagesNotLabels)
{
    temp_dir dir;
    write_file(dir / "t.csv", rows_csv(5));
    label_ptr lab = tag();
    const row_of_labels layout(lab.get(), 2, 0);
    QPdfWriter printer(QString::fromStdString((dir / "printed.pdf").string()));
    printer.setPageLayout(layout.page());
    printer.setResolution(300);
    // Pages 2 and 3 of 3: rows 3 to 5.
    auto sink = out__device_sink(lab.get(), printer, 2, 3);
    const batch_outcome out = out__batch(request(lab.get(), dir / "t.csv", &layout), *sink);
    ASSERT_TRUE(out.complete) << plt__to_utf8(out.error);
    EXPECT_EQ(out.pages, 3);
    EXPECT_EQ(out.labels, 5);
    const pdf_facts f = pdf_info(dir / "printed.pdf");
    EXPECT_EQ(f.pages, 2);
    EXPECT_NEAR(f.width, 440, 0.5);
    const std::string text = pdf_text(dir / "printed.pdf");
    for (const char *shown : {"имя3", "имя4", "имя5"})
        EXPECT_NE(text.find(shown), std::string::npos) << shown << "\n" << text;
    for (const char *left : {"имя1", "имя2"})
        EXPECT_EQ(text.find(left), std::string::npos) << left;
}

TEST(PageLayout, ImagePagesDrawEachLabelAtItsPlace)
{
    temp_dir dir;
    write_file(dir / "t.csv", rows_csv(3));
    label_ptr lab = tag();
    lab->bgcolor = 0xFFFF00;
    const row_of_labels layout(lab.get(), 2, 0);
    std::u16string error;
    doc_options o;
    o.dpi = 150;
    auto sink = out__file_sink(lab.get(), u16(dir / "p.png"), o, true, error);
    ASSERT_TRUE(sink) << plt__to_utf8(error);
    const batch_outcome out = out__batch(request(lab.get(), dir / "t.csv", &layout), *sink);
    ASSERT_TRUE(out.complete) << plt__to_utf8(out.error);
    EXPECT_EQ(files_in(dir.path()), (std::set<std::string>{"p-0001.png", "p-0002.png", "t.csv"}));
    EXPECT_EQ(zbar_codes(dir / "p-0001.png"), (std::set<std::string>{"K1", "K2"}));
    EXPECT_EQ(zbar_codes(dir / "p-0002.png"), std::set<std::string>{"K3"});
    // The second page's empty place is paper; each label has its colour.
    const QImage second(QString::fromStdString((dir / "p-0002.png").string()));
    ASSERT_EQ(second.size(), QSize(917, 229));
    EXPECT_EQ(second.pixel(5, 5) & 0xFFFFFFu, 0xFFFF00u);
    EXPECT_EQ(second.pixel(912, 5) & 0xFFFFFFu, 0xFFFFFFu);
}

TEST(OutputFormats, OneTableForNamesFiltersAndMessages)
{
    EXPECT_EQ(out__format_of(u"/a.b/Этикетка.PdF"), doc_format::pdf);
    EXPECT_EQ(out__format_of(u"/a.png/x"), doc_format::none);
    EXPECT_EQ(out__format_of(u"x.svg"), doc_format::svg);
    EXPECT_EQ(out__format(doc_format::none), nullptr);
    for (const output_format &row : out__formats()) {
        EXPECT_EQ(out__format_of(u"x." + std::u16string(row.extension)), row.format);
        // A format is one file of all pages or a file per page, not both.
        EXPECT_NE(row.all_pages, row.numbered);
        EXPECT_NE(row.sink, nullptr);
    }
    // What the dialogs and messages show, word for word.
    const std::vector<file_filter> table = out__file_filters(true);
    ASSERT_EQ(table.size(), 5u);
    EXPECT_EQ(table[0].name, u"Документ PDF");
    EXPECT_EQ(table[1].patterns, u"*.png");
    EXPECT_EQ(table[2].patterns, u"*.zpl");
    ASSERT_EQ(out__file_filters(false).size(), 6u);
    EXPECT_EQ(out__file_filters(false)[2].name, u"Рисунок SVG");
    EXPECT_EQ(out__format_list(true, true, u", ", u" или "),
              u"PDF (.pdf), PNG (.png), ZPL (.zpl), TSPL (.tspl) или EPL (.epl)");
    EXPECT_EQ(out__format_list(false, false, u", ", u" или "), u".pdf, .png, .svg, .zpl, .tspl или .epl");

    temp_dir dir;
    label_ptr lab = tag();
    std::u16string error;
    EXPECT_FALSE(out__file_sink(lab.get(), u16(dir / "x.jpg"), {}, false, error));
    EXPECT_EQ(error, u"Неизвестный формат файла «" + u16(dir / "x.jpg") +
                         u"»: программа сохраняет этикетки в PDF (.pdf), PNG (.png), SVG (.svg), ZPL (.zpl), "
                         u"TSPL (.tspl) и EPL (.epl).");
}
