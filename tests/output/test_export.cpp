// One label to PDF, PNG and SVG, read back by programs that are not ours.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <sys/stat.h>

#include "output/document.h"
#include "output/output_support.h"
#include "platform/code_pages.h"
#include "render/eps_runner.h"
#include "support/shots.h"

using namespace out_test;
namespace fs = std::filesystem;

namespace {

struct code_sample {
    int type;
    std::u16string data;
    std::string decoded; // what a reader finds; "" for kinds zbar cannot read
};

// Every barcode kind, the data as a user types it, and what zbar reads.
const code_sample every_kind[] = {
    {0, u"ABC 12", "ABC 12"},
    {1, u"400638133393", "4006381333931"},
    {2, u"9638507", "96385074"},
    {3, u"400638133393", "4006381333931"},
    {4, u"03600029145", "0036000291452"},
    {5, u"9780306406157", "9780306406157"},
    {6, u"CODE39", "CODE39"},
    {7, u"Vellumo-128", "Vellumo-128"},
    {8, u"Set B", "Set B"},
    {9, u"12345678", "12345678"},
    {10, u"104 33 34 35", "ABC"},
    {11, u"12345670", "12345670"},
    {12, u"A123456B", "A123456B"},
    {13, u"1234567", ""},
    {14, u"1234ABCD", ""},
    {15, u"CODE93", "CODE93"},
};

std::vector<unsigned char> eps_of(const std::string &body, const char *box)
{
    std::string s = std::string("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: ") + box + "\n" + body + "\n%%EOF\n";
    return std::vector<unsigned char>(s.begin(), s.end());
}

// A tall label: a title, a border, each barcode kind one under the other
// and a black EPS square in the top right corner.
label_ptr every_kind_label()
{
    label_ptr lab = ele__label_new(500, 1250);
    lab->name = u"Все виды";
    lab->bgcolor = 0xFFFFFF;
    text(lab.get(), u"Проверка ${who}", 20, 1210, 16);
    element *b = add(lab.get(), ELE_BORDER, 5, 5, 490, 1240);
    b->border.thickness = 2;
    double y = 1130;
    for (const code_sample &s : every_kind) {
        barcode(lab.get(), s.type, s.data, 40, y, 320, 50);
        y -= 70;
    }
    element *p = add(lab.get(), ELE_PICTURE, 400, 1100, 80, 80);
    const auto eps = eps_of("0 setgray 0 0 100 100 rectfill", "0 0 100 100");
    p->picture.data = eps__load_mem(eps.data(), eps.size());
    ele__update_ratio(p);
    p->width = 80;
    p->height = 80;
    return lab;
}

std::string joined(const std::vector<std::u16string> &lines)
{
    std::string out;
    for (const auto &l : lines)
        out += plt__to_utf8(l) + "\n";
    return out;
}

} // namespace

TEST(Export, PdfIsVectorTextBarcodesAndThePicture)
{
    temp_dir dir;
    rdr__eps_set_job_root(dir.path().string());
    label_ptr lab = every_kind_label();
    const fs::path pdf = dir / "label.pdf";
    std::vector<std::u16string> problems;
    std::u16string error;
    ASSERT_TRUE(out__export(lab.get(), {{u"who", u"печати"}}, u16(pdf), {}, problems, error)) << plt__to_utf8(error);
    EXPECT_TRUE(problems.empty()) << joined(problems);

    const pdf_facts f = pdf_info(pdf);
    EXPECT_EQ(f.pages, 1);
    EXPECT_NEAR(f.width, 500, 0.01);
    EXPECT_NEAR(f.height, 1250, 0.01);
    // The text is text, with the preview variable in it.
    EXPECT_NE(pdf_text(pdf).find("Проверка печати"), std::string::npos) << pdf_text(pdf);

    temp_dir pages;
    const auto png = pdf_pages(pdf, pages.path(), 300);
    ASSERT_EQ(png.size(), 1u);
    const std::set<std::string> codes = zbar_codes(png[0]);
    for (const code_sample &s : every_kind) {
        if (s.decoded.empty())
            continue;
        EXPECT_TRUE(codes.count(s.decoded)) << "kind " << s.type << " " << s.decoded;
    }
    // The picture is there: its square is black on the page.
    QImage page(QString::fromStdString(png[0].string()));
    ASSERT_FALSE(page.isNull());
    const double px = 300.0 / 72;
    EXPECT_LT(qGray(page.pixel(int(440 * px), int((1250 - 1140) * px))), 40);
    EXPECT_GT(qGray(page.pixel(int(440 * px), int((1250 - 1090) * px))), 200);
    save_image_shot(page.scaled(page.width() / 4, page.height() / 4), QStringLiteral("export-pdf-page"));
}

TEST(Export, PageOfAWideLabelIsLandscapeOfItsSize)
{
    temp_dir dir;
    label_ptr lab = ele__label_new(283.46, 170.08); // 100 × 60 mm
    text(lab.get(), u"Широкая", 10, 10);
    const fs::path pdf = dir / "wide.pdf";
    std::vector<std::u16string> problems;
    std::u16string error;
    ASSERT_TRUE(out__export(lab.get(), {}, u16(pdf), {}, problems, error));
    const pdf_facts f = pdf_info(pdf);
    EXPECT_NEAR(f.width, 283.46, 0.5);
    EXPECT_NEAR(f.height, 170.08, 0.5);
    EXPECT_EQ(out__page_layout(lab.get()).orientation(), QPageLayout::Landscape);
}

TEST(Export, PngHasTheLabelsSizeInPixelsAndItsResolution)
{
    temp_dir dir;
    label_ptr lab = ele__label_new(144, 72); // 2 × 1 inch
    lab->bgcolor = 0x00FF00;
    barcode(lab.get(), 7, u"${code}", 10, 10, 124, 52);
    std::vector<std::u16string> problems;
    std::u16string error;
    for (int dpi : {300, 203, 600}) {
        const fs::path png = dir / ("l" + std::to_string(dpi) + ".PNG");
        doc_options o;
        o.dpi = dpi;
        ASSERT_TRUE(out__export(lab.get(), {{u"code", u"A-1"}}, u16(png), o, problems, error)) << plt__to_utf8(error);
        QImage img(QString::fromStdString(png.string()));
        EXPECT_EQ(img.width(), std::lround(2.0 * dpi));
        EXPECT_EQ(img.height(), std::lround(1.0 * dpi));
        EXPECT_NEAR(img.dotsPerMeterX() * 0.0254, dpi, 0.5);
        EXPECT_EQ(img.pixel(2, 2) & 0xFFFFFF, 0x00FF00u);
        EXPECT_EQ(zbar_codes(png), std::set<std::string>{"A-1"}) << dpi;
    }
    // Transparent: no background, the bars still there.
    doc_options o;
    o.transparent = true;
    const fs::path png = dir / "clear.png";
    ASSERT_TRUE(out__export(lab.get(), {{u"code", u"A-1"}}, u16(png), o, problems, error));
    QImage img(QString::fromStdString(png.string()));
    EXPECT_TRUE(img.hasAlphaChannel());
    EXPECT_EQ(qAlpha(img.pixel(2, 2)), 0);
    EXPECT_TRUE(problems.empty()) << joined(problems);
}

TEST(Export, SvgDrawsTheLabelAtItsSize)
{
    temp_dir dir;
    label_ptr lab = every_kind_label();
    const fs::path svg = dir / "label.svg";
    std::vector<std::u16string> problems;
    std::u16string error;
    ASSERT_TRUE(out__export(lab.get(), {{u"who", u"SVG"}}, u16(svg), {}, problems, error)) << plt__to_utf8(error);
    const std::string xml = slurp(svg);
    // Text stays text (a word to each <text>).
    EXPECT_NE(xml.find(">Проверка </text>"), std::string::npos);
    EXPECT_NE(xml.find(">SVG</text>"), std::string::npos);
    QSvgRenderer r(QString::fromStdString(svg.string()));
    ASSERT_TRUE(r.isValid());
    EXPECT_NEAR(r.viewBoxF().width() / r.viewBoxF().height(), 500.0 / 1250, 1e-3);
    // Drawn by Qt's SVG reader at 300 dpi, the barcodes read.
    QImage img(int(500 * 300 / 72.0), int(1250 * 300 / 72.0), QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        r.render(&p);
    }
    const fs::path png = dir / "svg.png";
    img.save(QString::fromStdString(png.string()));
    const auto codes = zbar_codes(png);
    EXPECT_TRUE(codes.count("Vellumo-128"));
    EXPECT_TRUE(codes.count("4006381333931"));
}

TEST(Export, RefusalsAndFailedWritesLeaveTheOldFileAlone)
{
    temp_dir dir;
    label_ptr lab = ele__label_new(100, 50);
    barcode(lab.get(), 3, u"not digits", 5, 5, 90, 40);
    std::vector<std::u16string> problems;
    std::u16string error;

    // An unknown extension: refused, nothing written.
    EXPECT_FALSE(out__export(lab.get(), {}, u16(dir / "label.jpg"), {}, problems, error));
    EXPECT_NE(error.find(u"Неизвестный формат файла"), std::u16string::npos);
    EXPECT_TRUE(files_in(dir.path()).empty());

    // The barcode that cannot be drawn is a problem, the file is written.
    error.clear();
    EXPECT_TRUE(out__export(lab.get(), {}, u16(dir / "label.pdf"), {}, problems, error));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find(u"штрихкод не нарисован"), std::u16string::npos) << plt__to_utf8(problems[0]);

    // A path through a file: nothing can be written there, by anyone.
    write_file(dir / "plain", "x");
    for (const char *name : {"a.pdf", "a.png", "a.svg"}) {
        error.clear();
        EXPECT_FALSE(out__export(lab.get(), {}, u16(dir / "plain" / name), {}, problems, error)) << name;
        EXPECT_NE(error.find(u"не записан"), std::u16string::npos) << plt__to_utf8(error);
    }

    // A name taken by a folder: said so, not blamed on a full disk, and the
    // folder and what it holds stay as they were.
    for (const char *name : {"f.pdf", "f.png", "f.svg"}) {
        fs::create_directory(dir / name);
        write_file(dir / name / "inside", "kept");
        error.clear();
        EXPECT_FALSE(out__export(lab.get(), {}, u16(dir / name), {}, problems, error)) << name;
        EXPECT_NE(error.find(u"не записан: на этом месте папка"), std::u16string::npos) << plt__to_utf8(error);
        EXPECT_TRUE(fs::is_directory(dir / name));
        EXPECT_EQ(files_in(dir / name), std::set<std::string>{"inside"});
    }

    // A folder that cannot be written into: the old file stays as it was
    // and no temporary file is left.
    const fs::path locked = dir / "locked";
    fs::create_directory(locked);
    write_file(locked / "old.pdf", "old bytes");
    ::chmod(locked.c_str(), 0555);
    // (A user who may write anywhere, root, cannot be refused this way.)
    if (::access(locked.c_str(), W_OK) != 0) {
        for (const char *name : {"old.pdf", "new.png", "new.svg"}) {
            error.clear();
            EXPECT_FALSE(out__export(lab.get(), {}, u16(locked / name), {}, problems, error)) << name;
            EXPECT_NE(error.find(u"не записан"), std::u16string::npos) << plt__to_utf8(error);
        }
        EXPECT_EQ(slurp(locked / "old.pdf"), "old bytes");
        EXPECT_EQ(files_in(locked), std::set<std::string>{"old.pdf"});
    }
    ::chmod(locked.c_str(), 0755);
}

TEST(Export, ImageTooLargeIsRefusedWithItsSize)
{
    temp_dir dir;
    label_ptr lab = ele__label_new(ELE_MAX_LABEL_SIZE, ELE_MAX_LABEL_SIZE);
    doc_options o;
    o.dpi = 2400;
    std::vector<std::u16string> problems;
    std::u16string error;
    EXPECT_FALSE(out__export(lab.get(), {}, u16(dir / "huge.png"), o, problems, error));
    EXPECT_NE(error.find(u"слишком велико"), std::u16string::npos) << plt__to_utf8(error);
    EXPECT_TRUE(files_in(dir.path()).empty());
    // Over a file already there: that file stays as it was.
    write_file(dir / "huge.png", "the old picture");
    EXPECT_FALSE(out__export(lab.get(), {}, u16(dir / "huge.png"), o, problems, error));
    EXPECT_EQ(slurp(dir / "huge.png"), "the old picture");
    EXPECT_EQ(files_in(dir.path()), std::set<std::string>{"huge.png"});
}

TEST(Export, VariablesComeFromTheColumnThenThePreviewThenNothing)
{
    label_ptr lab = ele__label_new(100, 100);
    text(lab.get(), u"${a} ${b} ${c} ${a}", 0, 0);
    barcode(lab.get(), 7, u"${d}", 0, 50, 50, 50);
    text(lab.get(), u"${c}", 0, 30);
    element *off = text(lab.get(), u"${hidden}", 0, 0);
    off->disabled = 1;
    const auto names = out__label_names(lab.get());
    EXPECT_EQ(names, (std::vector<std::u16string>{u"a", u"b", u"c", u"d"}));
    const std::vector<preview_var> preview = {{u"b", u"из просмотра"}, {u"a", u"не это"}};
    const auto vars = out__row_variables(names, {u"x", u"a", u"d"}, {u"1", u"из таблицы", u""}, preview);
    EXPECT_EQ(vars.at(u"a"), u"из таблицы");
    EXPECT_EQ(vars.at(u"b"), u"из просмотра");
    EXPECT_EQ(vars.at(u"c"), u"");
    EXPECT_EQ(vars.at(u"d"), u""); // an empty cell stays empty
    EXPECT_EQ(out__names_without_column(names, {u"a", u"d"}), (std::vector<std::u16string>{u"b", u"c"}));
    // One label without a table shows what the preview shows: a name with
    // no preview variable stays as written, in the file too.
    const auto single = out__preview_variables(names, preview);
    EXPECT_EQ(single.at(u"b"), u"из просмотра");
    EXPECT_EQ(single.count(u"c"), 0u);
    temp_dir dir;
    std::vector<std::u16string> problems;
    std::u16string error;
    ASSERT_TRUE(out__export(lab.get(), preview, u16(dir / "one.pdf"), {}, problems, error)) << plt__to_utf8(error);
    const std::string words = pdf_text(dir / "one.pdf");
    EXPECT_NE(words.find("не это из прос"), std::string::npos) << words;
    EXPECT_NE(words.find("${c}"), std::string::npos) << words;
    EXPECT_EQ(out__numbered_path(u"/tmp/x.y/out.png", 7), u"/tmp/x.y/out-0007.png");
    EXPECT_EQ(out__numbered_path(u"/tmp/x.y/out", 12345), u"/tmp/x.y/out-12345");
}

TEST(Export, PdfIntoMemoryStopsAtItsLimit)
{
    label_ptr lab = ele__label_new(200, 100);
    // Different text on every page, so that pages do not compress away.
    text(lab.get(), u"${t}", 5, 5, 6);
    for (std::int64_t limit : {std::int64_t(0), std::int64_t(20000)}) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        auto sink = out__pdf_sink(lab.get(), buffer, {}, limit);
        ASSERT_TRUE(sink);
        std::u16string error;
        std::vector<std::u16string> problems;
        int pages = 0;
        bool ok = true;
        for (; ok && pages < 200; ++pages) {
            render_variable_map vars{{u"t", u"страница " + rdr__number(pages) + std::u16string(60, u'x')}};
            ok = sink->label_page(lab.get(), vars, pages + 1, problems, error);
        }
        ok = ok && sink->finish(error);
        if (limit == 0) {
            EXPECT_TRUE(ok) << plt__to_utf8(error);
            EXPECT_TRUE(bytes.startsWith("%PDF-"));
            EXPECT_GT(bytes.size(), 20000);
        } else {
            EXPECT_FALSE(ok);
            EXPECT_EQ(error, u"документ больше 256 МиБ");
            EXPECT_LT(pages, 200);
        }
    }
}

namespace {

// The height of the human-readable line under a barcode: from the bottom
// of the box up, the rows of ink between columns x0 and x1 until the gap
// above them.  Each row counts with its darkest pixel (antialiased edges
// count in part), so the figure is finer than a pixel.
double digits_height(const QImage &img, int x0, int x1, int box_top, int box_bottom)
{
    auto darkness = [&](int y) {
        int darkest = 255;
        for (int x = x0; x <= x1; ++x)
            darkest = std::min(darkest, qGray(img.pixel(x, y)));
        return (255 - darkest) / 255.0;
    };
    int y = std::min(box_bottom, img.height() - 1);
    while (y > box_top && darkness(y) < 0.02)
        --y;
    double h = 0;
    for (; y > box_top && darkness(y) >= 0.02; --y)
        h += darkness(y);
    return h;
}

} // namespace

TEST(Export, BarcodeDigitsKeepTheirSizeOnEveryDevice)
{
    // The digits under EAN-13, CODE-128 and CODE-128RAW: on a PNG at 75, 300
    // and 600 dpi and on a PDF page they are as high as on the canvas at
    // 100 % (an image at the screen's 96 dpi) scaled by the resolution; a QR
    // code beside each still reads.  The font's size once went to the
    // device as points, so digits grew with the resolution over the bars.
    temp_dir dir;
    const struct {
        int type;
        std::u16string data;
        std::string decoded;
        double from, to; // columns of the box under which only digits lie
    } kinds[] = {{3, u"460000000000", "4600000000008", 0.22, 0.42},
                 {7, u"VELLUMO-42", "VELLUMO-42", 0.35, 0.65},
                 {10, u"104 33 34 35 36", "ABCD", 0.35, 0.65}};
    for (const auto &k : kinds) {
        SCOPED_TRACE(k.decoded);
        label_ptr lab = ele__label_new(400, 140);
        lab->bgcolor = 0xFFFFFF;
        element *b = barcode(lab.get(), k.type, k.data, 20, 20, 260, 100);
        b->barcode.text = 1;
        barcode(lab.get(), 16, u"рядом", 300, 40, 80, 80);
        auto measure = [&](const QImage &img, double dpi) {
            const double s = dpi / 72.0;
            return digits_height(img, static_cast<int>((20 + 260 * k.from) * s), static_cast<int>((20 + 260 * k.to) * s),
                                 static_cast<int>(20 * s), static_cast<int>(120 * s));
        };
        // The canvas at 100 %: its image at the screen's resolution.
        QImage screen(560, 200, QImage::Format_ARGB32_Premultiplied);
        screen.fill(Qt::white);
        const double screen_dpi = screen.logicalDpiY();
        {
            QPainter p(&screen);
            render_request r;
            r.scale_x = r.scale_y = screen_dpi / 72.0;
            std::vector<std::u16string> log;
            rdr__draw_label(p, lab.get(), r, log);
        }
        const double on_screen = measure(screen, screen_dpi) / screen_dpi;
        ASSERT_GT(on_screen * 72, 6); // the digits are there, some points high
        EXPECT_LT(on_screen * 72, 100.0 / 3);
        const auto check = [&](const QImage &img, double dpi, const std::string &what) {
            const double h = measure(img, dpi) / dpi;
            std::printf("digits of %s on %s: %.2f pt (canvas %.2f pt)\n", k.decoded.c_str(), what.c_str(), h * 72,
                        on_screen * 72);
            EXPECT_NEAR(h / on_screen, 1.0, 0.05) << what;
            const std::set<std::string> found = [&] {
                const fs::path f = dir / "read.png";
                img.save(QString::fromStdString(f.string()));
                return zbar_codes(f);
            }();
            if (dpi >= 203) { // bars of 1.6 pixels are beyond zbar at 75 dpi, digits or not
                EXPECT_TRUE(found.count(k.decoded)) << what;
            }
            EXPECT_TRUE(found.count("рядом")) << what;
        };
        std::vector<std::u16string> problems;
        std::u16string error;
        for (int dpi : {75, 300, 600}) {
            doc_options o;
            o.dpi = dpi;
            const fs::path png = dir / ("code-" + std::to_string(dpi) + ".png");
            ASSERT_TRUE(out__export(lab.get(), {}, u16(png), o, problems, error))
                << plt__to_utf8(error);
            check(QImage(QString::fromStdString(png.string())), dpi, std::to_string(dpi) + " dpi PNG");
        }
        const fs::path pdf = dir / "code.pdf";
        ASSERT_TRUE(out__export(lab.get(), {}, u16(pdf), {}, problems, error))
            << plt__to_utf8(error);
        const fs::path pages = dir / "pages";
        fs::create_directories(pages);
        const auto page = pdf_pages(pdf, pages, 300);
        ASSERT_EQ(page.size(), 1u);
        check(QImage(QString::fromStdString(page[0].string())), 300, "PDF");
        fs::remove_all(pages);
        EXPECT_TRUE(problems.empty()) << joined(problems);
    }
}

TEST(Export, EveryBarcodeWithItsTextReadsBackAtPrinterResolutionsAndFromPdf)
{
    // A 58 × 40 mm price tag per kind, the text under the bars, as a
    // thermal printer's 203 dpi and office printers' 300 and 600 dpi get it
    // and as a PDF: the digits never reach into the bars.
    temp_dir dir;
    for (const code_sample &s : every_kind) {
        if (s.decoded.empty())
            continue; // no reader of ours knows MSI or Plessey
        SCOPED_TRACE(s.decoded);
        label_ptr lab = ele__label_new(164, 113);
        lab->bgcolor = 0xFFFFFF;
        text(lab.get(), u"Чай чёрный", 8, 88, 12);
        element *b = barcode(lab.get(), s.type, s.data, 8, 8, 148, 70);
        b->barcode.text = 1;
        std::vector<std::u16string> problems;
        std::u16string error;
        for (int dpi : {203, 300, 600}) {
            doc_options o;
            o.dpi = dpi;
            const fs::path png = dir / "tag.png";
            ASSERT_TRUE(out__export(lab.get(), {}, u16(png), o, problems, error));
            EXPECT_TRUE(zbar_codes(png).count(s.decoded)) << dpi << " dpi";
        }
        const fs::path pdf = dir / "tag.pdf";
        ASSERT_TRUE(out__export(lab.get(), {}, u16(pdf), {}, problems, error));
        const fs::path pages = dir / "pages";
        fs::create_directories(pages);
        for (const fs::path &page : pdf_pages(pdf, pages, 300))
            EXPECT_TRUE(zbar_codes(page).count(s.decoded)) << "PDF";
        fs::remove_all(pages);
        EXPECT_TRUE(problems.empty()) << joined(problems);
    }
}
