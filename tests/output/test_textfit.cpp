// Texts that wrap and shrink into their box, as poppler reads them out of
// the PDF, as the pixels of PNG files at three resolutions and of the SVG
// show them.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <regex>

#include "exchange/server_ops.h"
#include "output/document.h"
#include "output/output_support.h"
#include "output/thermal.h"
#include "platform/code_pages.h"
#include "support/server_process.h"

using namespace out_test;
namespace fs = std::filesystem;

namespace {

// Label points with y downwards, as poppler gives them.
struct box {
    double left, top, right, bottom;
};

struct pdf_word {
    box b;
    std::string text;
};

std::vector<pdf_word> pdf_words(const fs::path &pdf)
{
    const std::string html = run("pdftotext -bbox " + quoted(pdf) + " -").out;
    static const std::regex word(
        R"re(<word xMin="([-0-9.]+)" yMin="([-0-9.]+)" xMax="([-0-9.]+)" yMax="([-0-9.]+)">([^<]*)</word>)re");
    std::vector<pdf_word> out;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), word); it != std::sregex_iterator(); ++it)
        out.push_back({{std::stod((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3]), std::stod((*it)[4])},
                       (*it)[5]});
    return out;
}

// The lines the words are on, top down: the words of each, left to right.
std::vector<std::vector<pdf_word>> pdf_lines(std::vector<pdf_word> words)
{
    std::sort(words.begin(), words.end(), [](const pdf_word &a, const pdf_word &b) {
        return std::fabs(a.b.top - b.b.top) > 0.5 ? a.b.top < b.b.top : a.b.left < b.b.left;
    });
    std::vector<std::vector<pdf_word>> lines;
    for (const pdf_word &w : words) {
        if (lines.empty() || std::fabs(lines.back().front().b.top - w.b.top) > 0.5)
            lines.emplace_back();
        lines.back().push_back(w);
    }
    return lines;
}

// A label of 300 × 200 points with one text of DejaVu Sans in a box whose
// lower left corner is at (x, y).
struct one_text {
    label_ptr lab = ele__label_new(300, 200);
    element *e;
    one_text(const std::u16string &text, double x, double y, double w, double h, double size)
    {
        lab->bgcolor = 0xFFFFFF;
        e = add(lab.get(), ELE_TEXT, x, y, w, h);
        e->text.text = text;
        e->text.font = u"DejaVu Sans";
        e->text.size = size;
    }
    box where() const { return {e->x, 200 - e->y - e->height, e->x + e->width, 200 - e->y}; }
};

std::vector<pdf_word> export_pdf(const one_text &t, const fs::path &pdf, std::vector<preview_var> vars = {})
{
    std::vector<std::u16string> problems;
    std::u16string error;
    EXPECT_TRUE(out__export(t.lab.get(), vars, u16(pdf), {}, problems, error)) << plt__to_utf8(error);
    return pdf_words(pdf);
}

// Poppler's boxes of words reach a hair past the glyphs' advances.
constexpr double slack = 0.3;

void expect_inside(const std::vector<pdf_word> &words, const box &b)
{
    for (const pdf_word &w : words) {
        EXPECT_GE(w.b.left, b.left - slack) << w.text;
        EXPECT_LE(w.b.right, b.right + slack) << w.text;
        EXPECT_GE(w.b.top, b.top - slack) << w.text;
        EXPECT_LE(w.b.bottom, b.bottom + slack) << w.text;
    }
}

std::string joined_words(const std::vector<pdf_word> &words)
{
    std::string s;
    for (const auto &line : pdf_lines(words))
        for (const pdf_word &w : line)
            s += (s.empty() ? "" : " ") + w.text;
    return s;
}

// 120 characters, no word longer than the box is wide at the smallest size.
const std::u16string long_name = u"Молоко ультрапастеризованное отборное цельное 3,2% жирности в бутылке "
                                 u"из стекла 0,9 л производства фермы Заречье в Твери";

} // namespace

TEST(TextFitInOutputs, NamesOfEachRowShrinkAndWrapInsideTheirBoxInThePdf)
{
    ASSERT_EQ(long_name.size(), 120u);
    temp_dir dir;
    one_text t(u"${name}", 20, 40, 160, 70, 24);
    t.e->text.wrap = true;
    t.e->text.shrink = 5;
    // A long name: every word there, in order, inside the box, smaller.
    const auto lw = export_pdf(t, dir / "long.pdf", {{u"name", long_name}});
    EXPECT_EQ(joined_words(lw), plt__to_utf8(long_name));
    expect_inside(lw, t.where());
    const auto lines = pdf_lines(lw);
    EXPECT_GE(lines.size(), 3u);
    // A short one in the same box keeps the full size: its height is that
    // of a plain text of 24 points.
    const auto sw = export_pdf(t, dir / "short.pdf", {{u"name", u"Чай"}});
    one_text plain(u"Чай", 20, 40, 160, 70, 24);
    const auto pw = export_pdf(plain, dir / "plain.pdf");
    ASSERT_EQ(sw.size(), 1u);
    ASSERT_EQ(pw.size(), 1u);
    const double full = pw[0].b.bottom - pw[0].b.top;
    EXPECT_NEAR(sw[0].b.bottom - sw[0].b.top, full, 0.05);
    EXPECT_LT(lw[0].b.bottom - lw[0].b.top, full * 0.75);
    // The lines fill the box: a size much smaller than needed would leave
    // its lower part empty.
    EXPECT_GT(lines.back().front().b.bottom, t.where().bottom - full);
}

TEST(TextFitInOutputs, LongWordsBreakLineFeedsStartLinesAndCutTextStaysInside)
{
    temp_dir dir;
    // A word wider than the box goes on over several lines, none wider
    // than the box.
    const std::u16string word = u"Сверхпрочныйвысокотемпературныйгерметик";
    one_text w(word + u" ок", 20, 20, 60, 150, 12);
    w.e->text.wrap = true;
    const auto ww = export_pdf(w, dir / "word.pdf");
    const auto wl = pdf_lines(ww);
    ASSERT_GE(wl.size(), 3u);
    std::string pieces;
    for (const pdf_word &p : ww)
        if (p.text != "ок")
            pieces += p.text;
    EXPECT_EQ(pieces, plt__to_utf8(word));
    for (const pdf_word &p : ww) {
        EXPECT_GE(p.b.left, 20 - slack) << p.text;
        EXPECT_LE(p.b.right, 80 + slack) << p.text;
    }

    // A line feed starts a new line in every mode, the plain one too.
    for (int mode = 0; mode < 3; ++mode) {
        one_text lf(u"один\nдва три", 20, 40, 200, 100, 12);
        lf.e->text.wrap = mode == 1;
        lf.e->text.shrink = mode == 2 ? 6 : 0;
        const auto l = pdf_lines(export_pdf(lf, dir / ("lf" + std::to_string(mode) + ".pdf")));
        ASSERT_EQ(l.size(), 2u) << mode;
        EXPECT_EQ(l[0][0].text, "один");
        EXPECT_EQ(l[1][0].text, "два");
        EXPECT_NEAR(l[0][0].b.left, l[1][0].b.left, 0.01);
    }

    // Too long even at the smallest size: cut at the box's edges, nothing
    // outside it; the first words are the ones kept, on the lines that fit.
    for (bool wrap : {false, true}) {
        one_text cut(long_name + u"\n" + long_name + u"\n" + long_name, 20, 40, 90, 30, 14);
        cut.e->text.wrap = wrap;
        cut.e->text.shrink = 10;
        const auto cw = export_pdf(cut, dir / (wrap ? "cut-wrap.pdf" : "cut.pdf"));
        ASSERT_FALSE(cw.empty());
        expect_inside(cw, cut.where());
        EXPECT_EQ(cw[0].text, "Молоко");
        const auto cl = pdf_lines(cw);
        EXPECT_EQ(cl.size(), 2u) << wrap; // 10 points: two lines in 30
        EXPECT_NEAR(cw[0].b.bottom - cw[0].b.top, 10 * 1.164, 0.3); // DejaVu Sans's height
    }
}

TEST(TextFitInOutputs, TheSameLinesInPngSvgTheServersJpegAndAThermalPrintersDotsAsInThePdf)
{
    temp_dir dir;
    one_text t(long_name, 20, 40, 160, 90, 30);
    t.e->text.wrap = true;
    t.e->text.shrink = 6;
    const auto lines = pdf_lines(export_pdf(t, dir / "t.pdf"));
    ASSERT_GE(lines.size(), 3u);
    const box b = t.where();
    // Each line of the PDF holds ink on its rows, and the ink on each row
    // ends where the PDF's line ends: the same words on the line.  Below
    // the last line, nothing.
    auto same_lines = [&](const QImage &drawn, double px, const std::string &what) {
        const QImage img = drawn.convertToFormat(QImage::Format_Grayscale8);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const int top = static_cast<int>(std::ceil(lines[i].front().b.top * px));
            const int bottom = static_cast<int>(std::floor(lines[i].front().b.bottom * px));
            int right = -1;
            for (int y = top; y < bottom; ++y)
                for (int x = static_cast<int>(b.left * px) - 2; x < img.width(); ++x)
                    if (qGray(img.pixel(x, y)) < 128)
                        right = std::max(right, x);
            ASSERT_GE(right, 0) << what << " line " << i;
            // A device's glyphs run up to about 1 % off the PDF's; a word
            // on another line moves the end by a word.
            const double length = lines[i].back().b.right - b.left;
            EXPECT_NEAR(right / px, lines[i].back().b.right, 0.02 * length + 1 + 1.5 / px) << what << " line " << i;
        }
        for (int y = static_cast<int>(std::ceil(lines.back().front().b.bottom * px)) + 1; y < b.bottom * px; ++y)
            for (int x = static_cast<int>(b.left * px); x < b.right * px; ++x)
                ASSERT_GE(qGray(img.pixel(x, y)), 128) << what << " " << x << "," << y;
    };
    for (int dpi : {75, 300, 600}) {
        const fs::path png = dir / ("t" + std::to_string(dpi) + ".png");
        doc_options o;
        o.dpi = dpi;
        std::vector<std::u16string> problems;
        std::u16string error;
        ASSERT_TRUE(out__export(t.lab.get(), {}, u16(png), o, problems, error));
        same_lines(QImage(QString::fromStdString(png.string())), dpi / 72.0, "png " + std::to_string(dpi));
    }
    // The SVG, drawn by Qt's SVG reader at 300 dpi.
    const fs::path svg = dir / "t.svg";
    std::vector<std::u16string> problems;
    std::u16string error;
    ASSERT_TRUE(out__export(t.lab.get(), {}, u16(svg), {}, problems, error)) << plt__to_utf8(error);
    QSvgRenderer r(QString::fromStdString(svg.string()));
    ASSERT_TRUE(r.isValid());
    const double px = 300 / 72.0;
    QImage img(static_cast<int>(300 * px), static_cast<int>(200 * px), QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        r.render(&p);
    }
    same_lines(img, px, "svg");

    // The label server's JPEG of the stored label, at 150 dpi.
    t.lab->name = u"Молоко";
    server_process server((dir / "store").string());
    ASSERT_TRUE(server.running());
    ASSERT_EQ(ino__save_label(server.url(), t.lab.get(), u"u", u"p"), 1);
    std::vector<unsigned char> jpeg;
    std::u16string log;
    ASSERT_EQ(ino__render_label(server.url(), t.lab->name, {}, 150, 150, false, u"u", u"p", jpeg, log), 1);
    QImage served;
    ASSERT_TRUE(served.loadFromData(jpeg.data(), static_cast<int>(jpeg.size()), "JPEG"));
    // The same ink as this program's own 150 dpi PNG, row by row (JPEG's
    // blur aside): the same lines, each ending where the PNG's does.
    doc_options at150;
    at150.dpi = 150;
    ASSERT_TRUE(out__export(t.lab.get(), {}, u16(dir / "t150.png"), at150, problems, error));
    const QImage own = QImage(QString::fromStdString((dir / "t150.png").string())).convertToFormat(QImage::Format_Grayscale8);
    const QImage got = served.convertToFormat(QImage::Format_Grayscale8);
    ASSERT_EQ(got.size(), own.size());
    auto ink_end = [](const QImage &img, int y) {
        int right = -1;
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128)
                right = x;
        return right;
    };
    int rows_with_ink = 0;
    for (int y = 0; y < own.height(); ++y) {
        const int a = ink_end(own, y), b = ink_end(got, y);
        rows_with_ink += a >= 0;
        EXPECT_NEAR(a, b, 2) << "row " << y;
    }
    EXPECT_GT(rows_with_ink, 60);

    // A thermal printer's dots at 203 dpi.
    std::vector<page_problem> said;
    const QImage dots = out__thermal_image(out__label_page(t.lab.get(), {}), thermal_options{}, said);
    EXPECT_TRUE(said.empty());
    same_lines(dots.convertToFormat(QImage::Format_RGB32), 203 / 72.0, "thermal 203 dpi");
}
