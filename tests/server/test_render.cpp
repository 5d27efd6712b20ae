// Rendering a label as the server does, checked on decoded pixels.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cmath>
#include <limits>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "model/layout.h"
#include "platform/code_pages.h"
#include "render/barcode.h"
#include "render/eps_runner.h"
#include "server/render.h"
#include "support/shots.h"
#include "support/temp_dir.h"
#include "support/zbar.h"
#include "support/sample_label.h"

#include <zint.h>

namespace fs = std::filesystem;

namespace {

label_ptr blank(double w, double h, std::uint32_t bg = 0xFFFFFF)
{
    label_ptr lab = ele__label_new(w, h);
    lab->name = u"Проба";
    lab->bgcolor = bg;
    return lab;
}

// Appends an element at the bottom (the last index).
element *add(label *lab, int type, double x, double y, double w, double h)
{
    return sample_add(lab, type, x, y, w, h);
}

QImage render(const label *lab, int xdpi, int ydpi, std::vector<std::u16string> *log_out = nullptr,
              const std::vector<render_variable> &vars = {}, bool markup = false)
{
    std::vector<std::u16string> log;
    QImage img = lsv__render(lab, vars, xdpi, ydpi, markup, log);
    if (log_out)
        *log_out = log;
    return img;
}

// Through the JPEG the server sends, decoded again.
QImage via_jpeg(const QImage &img)
{
    std::vector<unsigned char> jpeg;
    std::string error;
    EXPECT_TRUE(lsv__encode_jpeg(img, 90, jpeg, error)) << error;
    return QImage::fromData(jpeg.data(), static_cast<int>(jpeg.size()), "JPEG");
}

bool dark(const QImage &img, int x, int y)
{
    return qGray(img.pixel(x, y)) < 100;
}

bool near(QRgb a, QRgb b, int tolerance = 6)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

std::string joined(const std::vector<std::u16string> &log)
{
    std::string out;
    for (const std::u16string &l : log)
        out += plt__to_utf8(l) + "\n";
    return out;
}

bool logged(const std::vector<std::u16string> &log, const std::u16string &part)
{
    for (const std::u16string &l : log)
        if (l.find(part) != std::u16string::npos)
            return true;
    return false;
}

// What zbarimg reads from the image as the preview gets it, through JPEG.
std::string zbar(const QImage &img)
{
    return zbar_read(via_jpeg(img));
}

// The bounding rectangle of the dark pixels.
QRect dark_area(const QImage &img)
{
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (dark(img, x, y))
                r = r.united(QRect(x, y, 1, 1));
    return r;
}

} // namespace

TEST(Render, BackgroundColourAndSizeAtTwoResolutions)
{
    label_ptr lab = blank(144, 72, 0x3366CC);
    for (auto [dpi, w, h] : {std::tuple{72, 144, 72}, {300, 600, 300}}) {
        std::vector<std::u16string> log;
        QImage img = via_jpeg(render(lab.get(), dpi, dpi, &log));
        ASSERT_EQ(img.width(), w);
        ASSERT_EQ(img.height(), h);
        for (QPoint p : {QPoint(0, 0), QPoint(w - 1, h - 1), QPoint(w / 2, h / 3)})
            EXPECT_TRUE(near(img.pixel(p), qRgb(0x33, 0x66, 0xCC))) << dpi << " " << std::hex << img.pixel(p);
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log[0], u"Этикетка «Проба»: " + plt__from_utf8(std::to_string(dpi) + "×" + std::to_string(dpi)) +
                              u" точек на дюйм, " + plt__from_utf8(std::to_string(w) + "×" + std::to_string(h)) +
                              u" пикселей");
    }
    // x and y separately.
    QImage img = render(lab.get(), 144, 36);
    EXPECT_EQ(img.size(), QSize(288, 36));
}

TEST(Render, BorderLinesOnTheRowsOfItsBox)
{
    // Box 10..60 × 10..40 points on a label 100 points high: rows 60..89.
    label_ptr lab = blank(100, 100);
    element *b = add(lab.get(), ELE_BORDER, 10, 10, 50, 30);
    b->border.thickness = 0;
    QImage img = render(lab.get(), 72, 72);
    for (int x : {10, 30, 59}) {
        EXPECT_TRUE(dark(img, x, 60)) << x;
        EXPECT_TRUE(dark(img, x, 89)) << x;
        EXPECT_FALSE(dark(img, x, 59)) << x;
        EXPECT_FALSE(dark(img, x, 90)) << x;
    }
    EXPECT_FALSE(dark(img, 30, 61));
    EXPECT_FALSE(dark(img, 30, 88));
    for (int y : {60, 75, 89}) {
        EXPECT_TRUE(dark(img, 10, y));
        EXPECT_TRUE(dark(img, 59, y));
        EXPECT_FALSE(dark(img, 9, y));
        EXPECT_FALSE(dark(img, 60, y));
    }
    EXPECT_FALSE(dark(img, 11, 75));
    EXPECT_FALSE(dark(img, 58, 75));
    // Two points at 300 dpi: eight pixels, inside the box (rows 250..374).
    b->border.thickness = 2;
    b->border.colour = 0x0000FF;
    img = render(lab.get(), 300, 300);
    EXPECT_EQ(img.pixel(100, 250), qRgb(0, 0, 0xFF));
    EXPECT_EQ(img.pixel(100, 257), qRgb(0, 0, 0xFF));
    EXPECT_EQ(img.pixel(100, 258), qRgb(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(img.pixel(100, 249), qRgb(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(img.pixel(100, 374), qRgb(0, 0, 0xFF));
    EXPECT_EQ(img.pixel(100, 375), qRgb(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(img.pixel(42, 300), qRgb(0, 0, 0xFF));
    EXPECT_EQ(img.pixel(41, 300), qRgb(0xFF, 0xFF, 0xFF));
    // A dashed line leaves gaps on its edge.
    b->border.style = 3;
    img = render(lab.get(), 300, 300);
    int gaps = 0;
    for (int x = 50; x < 240; ++x)
        gaps += img.pixel(x, 252) == qRgb(0xFF, 0xFF, 0xFF);
    EXPECT_GT(gaps, 20);
}

TEST(Render, TextAtNinetyDegreesFillsTheTurnedBox)
{
    // Laid out by the canvas: width and height swap, anchor at the bottom
    // left: the box is 100..124 × 50..250 points.
    label_ptr lab = blank(300, 300);
    element *t = add(lab.get(), ELE_TEXT, 100, 50, 200, 24);
    t->angle = 90;
    t->text.text = u"WWWWWWWWW";
    t->text.size = 20;
    const element_layout l = ele__layout(t);
    ASSERT_DOUBLE_EQ(l.x2 - l.x1, 24);
    ASSERT_DOUBLE_EQ(l.y2 - l.y1, 200);
    QImage img = render(lab.get(), 72, 72);
    const QRect ink = dark_area(img);
    ASSERT_FALSE(ink.isNull());
    const QRect box(100, 300 - 250, 24, 200);
    EXPECT_TRUE(box.contains(ink)) << ink.x() << "," << ink.y() << " " << ink.width() << "×" << ink.height();
    EXPECT_GT(ink.height(), 150); // runs along the box
    EXPECT_LT(ink.width(), 24);
    // Reading upwards: the first letter is at the bottom.
    t->text.text = u"W";
    const QRect first = dark_area(render(lab.get(), 72, 72));
    EXPECT_GT(first.y(), 200);

    // At 0 degrees the same element lies along x.
    t->angle = 0;
    t->text.text = u"WWWWWWWWW";
    const QRect flat = dark_area(render(lab.get(), 72, 72));
    EXPECT_GT(flat.width(), 150);
    EXPECT_LT(flat.height(), 24);
    EXPECT_TRUE(QRect(100, 300 - 74, 200, 24).contains(flat));
}

TEST(Render, TextJustificationLinesAndFontFallback)
{
    label_ptr lab = blank(300, 100);
    element *t = add(lab.get(), ELE_TEXT, 0, 0, 300, 100);
    t->text.text = u"I";
    t->text.size = 20;
    t->text.font = u"DejaVu Sans";
    std::vector<std::u16string> log;
    const QRect left = dark_area(render(lab.get(), 72, 72, &log));
    t->text.justification = 1;
    const QRect right = dark_area(render(lab.get(), 72, 72));
    t->text.justification = 2;
    const QRect centre = dark_area(render(lab.get(), 72, 72));
    EXPECT_LT(left.x(), 10);
    EXPECT_GT(right.right(), 290);
    EXPECT_NEAR(centre.center().x(), 150, 6);
    EXPECT_FALSE(logged(log, u"шрифт")) << joined(log);

    // Fill: the words spread over the whole width.
    t->text.justification = 3;
    t->text.text = u"I I I";
    const QRect filled = dark_area(render(lab.get(), 72, 72));
    EXPECT_LT(filled.x(), 10);
    EXPECT_GT(filled.right(), 290);

    // Several lines go down the box.
    t->text.justification = 0;
    t->text.text = u"I\nI\r\nI";
    const QRect lines = dark_area(render(lab.get(), 72, 72));
    EXPECT_GT(lines.height(), 55);

    t->text.font = u"Нет такого шрифта";
    render(lab.get(), 72, 72, &log);
    EXPECT_TRUE(logged(log, u"шрифт «Нет такого шрифта» не найден, взят «")) << joined(log);
    t->text.size = 0;
    render(lab.get(), 72, 72, &log);
    EXPECT_TRUE(logged(log, u"размер шрифта не задан")) << joined(log);
}

TEST(Render, StackingOrderDisabledElementsAndMarkup)
{
    label_ptr lab = blank(100, 100);
    element *top = add(lab.get(), ELE_BORDER, 10, 10, 40, 40);
    top->border.thickness = 30; // a filled square
    top->border.colour = 0xFF0000;
    element *under = add(lab.get(), ELE_BORDER, 30, 30, 40, 40);
    under->border.thickness = 30;
    under->border.colour = 0x00FF00;
    QImage img = render(lab.get(), 72, 72);
    EXPECT_EQ(img.pixel(40, 100 - 40), qRgb(0xFF, 0, 0)); // index 0 on top
    EXPECT_EQ(img.pixel(60, 100 - 60), qRgb(0, 0xFF, 0));
    top->disabled = 1;
    img = render(lab.get(), 72, 72);
    EXPECT_EQ(img.pixel(40, 100 - 40), qRgb(0, 0xFF, 0));
    EXPECT_EQ(img.pixel(15, 100 - 15), qRgb(0xFF, 0xFF, 0xFF));

    // Markup: each box outlined and each anchor marked.
    label_ptr plain = blank(100, 100);
    add(plain.get(), ELE_TEXT, 20, 20, 50, 30)->text.text = u"";
    std::vector<std::u16string> log;
    img = render(plain.get(), 72, 72, &log, {}, true);
    int blue = 0;
    for (int x = 20; x < 70; ++x)
        blue += qBlue(img.pixel(x, 100 - 50)) > 200 && qRed(img.pixel(x, 100 - 50)) < 100;
    EXPECT_GT(blue, 10);
    EXPECT_GT(qRed(img.pixel(20, 80)), 200);
    EXPECT_LT(qGreen(img.pixel(20, 80)), 100);
    QImage clean = render(plain.get(), 72, 72);
    EXPECT_EQ(clean.pixel(20, 80), qRgb(0xFF, 0xFF, 0xFF));
}

TEST(Render, BarcodesDecodeBackToTheirData)
{
    struct sample {
        int type;
        std::u16string data;
        std::string decoded;
    };
    const sample samples[] = {
        {3, u"400638133393", "4006381333931"},  // EAN-13, check digit added
        {3, u"4006381333931", "4006381333931"}, // EAN-13 given whole
        {7, u"Vellumo-128", "Vellumo-128"},
        {11, u"12345670", "12345670"},
        {0, u"ABC 12", "ABC 12"},            // automatic: CODE-128
        {0, u"96385074", "96385074"},        // automatic: EAN-8
        {10, u"104 33 34 35", "ABC"},        // raw CODE-128 values in code set B
        {6, u"CODE39", "CODE39"},
    };
    for (const sample &s : samples) {
        label_ptr lab = blank(300, 150);
        element *b = add(lab.get(), ELE_BARCODE, 40, 30, 220, 90);
        b->barcode.type = s.type;
        b->barcode.code = s.data;
        b->barcode.text = 1;
        std::vector<std::u16string> log;
        QImage img = render(lab.get(), 300, 300, &log);
        EXPECT_EQ(zbar(img), s.decoded) << "type " << s.type << " " << plt__to_utf8(s.data) << "\n" << joined(log);
        EXPECT_EQ(log.size(), 1u) << joined(log);
    }
    // Turned by 90 degrees it still reads.
    label_ptr lab = blank(200, 300);
    element *b = add(lab.get(), ELE_BARCODE, 50, 40, 220, 90);
    b->barcode.type = 7;
    b->barcode.code = u"TURNED";
    b->angle = 90;
    EXPECT_EQ(zbar(render(lab.get(), 300, 300)), "TURNED");
}

TEST(Render, RefusedBarcodeDataIsALogLineAndARedCrossedBox)
{
    for (auto [type, data] : {std::pair{3, u"12345"}, {7, u"Привет"}, {9, u"123"}, {10, u"104 200"}, {2, u"ABCDEFG"},
                              {7, u""}, {99, u"1"}}) {
        label_ptr lab = blank(200, 100);
        element *b = add(lab.get(), ELE_BARCODE, 20, 20, 100, 50);
        b->barcode.type = type;
        b->barcode.code = data;
        b->desc = u"код";
        std::vector<std::u16string> log;
        QImage img = render(lab.get(), 72, 72, &log);
        ASSERT_EQ(log.size(), 2u) << joined(log);
        EXPECT_EQ(log[1].rfind(u"Элемент 1 («код»): штрихкод не нарисован: ", 0), 0u) << joined(log);
        // The frame's corner and the middle of the cross are red.
        EXPECT_EQ(img.pixel(20, 100 - 70), qRgb(0xFF, 0, 0)) << type;
        EXPECT_GT(qRed(img.pixel(70, 100 - 45)), 200) << type;
        EXPECT_LT(qGreen(img.pixel(70, 100 - 45)), 120) << type;
    }
}

TEST(Render, RawCode128MatchesTheLibrarysPatterns)
{
    // Every value of code set B, drawn from our own table, against zint's
    // CODE-128B of the same character.
    for (int v = 0; v < 95; ++v) {
        std::vector<unsigned char> ours, theirs;
        std::string error;
        ASSERT_TRUE(rdr__code128_raw_modules("104 " + std::to_string(v), ours, error)) << error;
        ASSERT_TRUE(rdr__zint_modules(BARCODE_CODE128B, std::string(1, static_cast<char>(32 + v)), theirs, error))
            << error;
        EXPECT_EQ(ours, theirs) << "value " << v;
    }
    // Code set C pairs and a shift to set A within, against zint's choice.
    std::vector<unsigned char> ours, theirs;
    std::string error;
    ASSERT_TRUE(rdr__code128_raw_modules("105 12 34 56", ours, error));
    ASSERT_TRUE(rdr__zint_modules(BARCODE_CODE128, "123456", theirs, error));
    EXPECT_EQ(ours, theirs);
    EXPECT_FALSE(rdr__code128_raw_modules("104 abc", ours, error));
    EXPECT_FALSE(rdr__code128_raw_modules("104 33 103", ours, error));
    EXPECT_FALSE(rdr__code128_raw_modules("   ", ours, error));
    EXPECT_FALSE(rdr__code128_raw_modules("99999999999999999999", ours, error));
}

TEST(Render, VariablesAreSubstitutedInTextsAndBarcodes)
{
    label_ptr lab = blank(300, 150);
    element *b = add(lab.get(), ELE_BARCODE, 40, 30, 220, 90);
    b->barcode.type = 3;
    b->barcode.code = u"${code}";
    element *t = add(lab.get(), ELE_TEXT, 0, 130, 300, 20);
    t->text.text = u"Цена: ${price} ₽ ${нет}";
    t->text.size = 12;
    const std::vector<render_variable> vars = {{u"code", u"400638133393"}, {u"price", u"99,50"}};
    std::vector<std::u16string> log;
    QImage img = render(lab.get(), 300, 300, &log, vars);
    EXPECT_EQ(zbar(img), "4006381333931");
    EXPECT_TRUE(logged(log, u"${code} заменено на «400638133393»")) << joined(log);
    EXPECT_TRUE(logged(log, u"${price} заменено на «99,50»")) << joined(log);
    EXPECT_TRUE(logged(log, u"переменная ${нет} не задана, оставлена как есть")) << joined(log);

    // The text drawn is the substituted one.
    label_ptr written = blank(300, 150);
    element *w = add(written.get(), ELE_TEXT, 0, 130, 300, 20);
    w->text.text = u"Цена: 99,50 ₽ ${нет}";
    w->text.size = 12;
    lab->es[0]->disabled = 1;
    EXPECT_EQ(render(lab.get(), 72, 72, nullptr, vars), render(written.get(), 72, 72));

    // Substitution itself: not recursive, unclosed and empty names.
    std::vector<std::u16string> seen;
    auto note = [&](const std::u16string &n, const std::u16string *) { seen.push_back(n); };
    EXPECT_EQ(rdr__substitute(u"${a}${a}-${b", {{u"a", u"${a}"}}, note), u"${a}${a}-${b");
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(rdr__substitute(u"${}x", {{u"", u"empty"}}, note), u"emptyx");
    EXPECT_EQ(rdr__substitute(u"$ {a} $${a}", {{u"a", u"1"}}, note), u"$ {a} $1");
}

namespace {

std::vector<unsigned char> eps_of(const std::string &body, const char *box = "0 0 100 50")
{
    std::string s = std::string("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: ") + box + "\n" + body + "\n%%EOF\n";
    return std::vector<unsigned char>(s.begin(), s.end());
}

element *picture(label *lab, const std::vector<unsigned char> &eps, double x, double y, double w, double h)
{
    element *p = add(lab, ELE_PICTURE, x, y, w, h);
    p->picture.data = eps__load_mem(eps.data(), eps.size());
    ele__update_ratio(p);
    p->width = w;
    p->height = h;
    return p;
}

} // namespace

TEST(Render, EpsPictureFillsItsBox)
{
    temp_dir jobs;
    rdr__eps_set_job_root(jobs.path().string());
    rdr__eps_cache_clear();
    // A black rectangle over the whole bounding box, which does not start
    // at 0 0.
    label_ptr lab = blank(300, 200);
    picture(lab.get(), eps_of("0 setgray 10 20 100 50 rectfill", "10 20 110 70"), 50, 40, 200, 100);
    std::vector<std::u16string> log;
    const int runs = rdr__eps_runs();
    QImage img = render(lab.get(), 72, 72, &log);
    EXPECT_EQ(log.size(), 1u) << joined(log);
    // Box 50..250 × 40..140 points: rows 60..159, columns 50..249.
    for (QPoint p : {QPoint(50, 60), QPoint(249, 60), QPoint(50, 159), QPoint(249, 159), QPoint(150, 110)})
        EXPECT_TRUE(dark(img, p.x(), p.y())) << p.x() << "," << p.y();
    for (QPoint p : {QPoint(49, 100), QPoint(250, 100), QPoint(150, 59), QPoint(150, 160)})
        EXPECT_FALSE(dark(img, p.x(), p.y())) << p.x() << "," << p.y();
    // The same picture at the same size comes from the cache.
    EXPECT_EQ(rdr__eps_runs(), runs + 1);
    EXPECT_EQ(render(lab.get(), 72, 72), img);
    EXPECT_EQ(rdr__eps_runs(), runs + 1);
    render(lab.get(), 144, 144);
    EXPECT_EQ(rdr__eps_runs(), runs + 2);

    // A DOS binary EPS header is cut off.
    std::vector<unsigned char> plain = eps_of("0 setgray 0 0 100 50 rectfill");
    std::vector<unsigned char> dos = {0xC5, 0xD0, 0xD3, 0xC6, 30, 0, 0, 0};
    const auto len = static_cast<std::uint32_t>(plain.size());
    for (int i = 0; i < 4; ++i)
        dos.push_back(static_cast<unsigned char>(len >> (8 * i)));
    dos.resize(30, 0);
    dos.insert(dos.end(), plain.begin(), plain.end());
    label_ptr bin = blank(100, 50);
    picture(bin.get(), dos, 0, 0, 100, 50);
    img = render(bin.get(), 72, 72, &log);
    EXPECT_TRUE(dark(img, 50, 25)) << joined(log);
    EXPECT_TRUE(fs::is_empty(jobs.path()));
    rdr__eps_set_job_root({});
}

TEST(Render, HostileEpsEndsInALogLineAndLeavesNothing)
{
    temp_dir jobs;
    rdr__eps_set_job_root(jobs.path().string());
    rdr__eps_cache_clear();
    const fs::path planted = fs::temp_directory_path() / ("vellumo-planted-" + std::to_string(::getpid()));
    fs::remove(planted);
    const std::string write_tmp = "(" + planted.string() + ") (w) file dup (owned) writestring closefile";
    const std::string write_own_tmp = "(/tmp/vellumo-own) (w) file closefile {} loop";
    for (const std::string &body : {std::string("{} loop"), write_tmp, std::string("4000000000 string pop"),
                                    std::string("quit"), std::string("1 0 div"), write_own_tmp}) {
        label_ptr lab = blank(200, 100);
        picture(lab.get(), eps_of("0 setgray 0 0 100 50 rectfill " + body), 0, 0, 200, 100)->desc = u"рисунок";
        std::vector<std::u16string> log;
        QImage img = render(lab.get(), 72, 72, &log);
        ASSERT_EQ(log.size(), 2u) << body << "\n" << joined(log);
        EXPECT_EQ(log[1].rfind(u"Элемент 1 («рисунок»): рисунок не нарисован: ", 0), 0u) << joined(log);
        // A picture that never ends is stopped by its own time (2 s of its
        // processor, or ten times that of the wall clock on a busy machine).
        if (body == "{} loop") {
            EXPECT_NE(joined(log).find("не уложился"), std::string::npos) << body << "\n" << joined(log);
        }
        EXPECT_EQ(img.pixel(0, 0), qRgb(0xFF, 0, 0)) << body; // the red crossed box
        EXPECT_FALSE(fs::exists(planted)) << body;
        EXPECT_TRUE(fs::is_empty(jobs.path())) << body;
    }
    // No Ghostscript of ours is still running.
    for (const auto &proc : fs::directory_iterator("/proc")) {
        std::ifstream in(proc.path() / "cmdline", std::ios::binary);
        std::string cmdline((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(cmdline.find(jobs.path().string()), std::string::npos) << proc.path() << " " << cmdline;
    }
    rdr__eps_set_job_root({});
}

TEST(Render, PicturesWithoutABoxOrDataAreLogged)
{
    label_ptr lab = blank(100, 100);
    element *p = add(lab.get(), ELE_PICTURE, 0, 0, 50, 50);
    std::vector<std::u16string> log;
    render(lab.get(), 72, 72, &log);
    EXPECT_TRUE(logged(log, u"в элементе нет рисунка")) << joined(log);
    std::vector<unsigned char> bytes = {'%', '!', 'P', 'S', '\n'};
    p->picture.data = eps__keep_unboxed(std::move(bytes));
    render(lab.get(), 72, 72, &log);
    EXPECT_TRUE(logged(log, u"нет размеров")) << joined(log);
}

TEST(Render, JpegEncodingKeepsSizeAndColour)
{
    QImage img(333, 17, QImage::Format_RGB32);
    img.fill(qRgb(200, 10, 30));
    std::vector<unsigned char> jpeg;
    std::string error;
    ASSERT_TRUE(lsv__encode_jpeg(img, 90, jpeg, error));
    QImage back = QImage::fromData(jpeg.data(), static_cast<int>(jpeg.size()), "JPEG");
    ASSERT_EQ(back.size(), img.size());
    EXPECT_TRUE(near(back.pixel(100, 8), qRgb(200, 10, 30)));
    // Other formats are converted first.
    QImage argb = img.convertToFormat(QImage::Format_ARGB32);
    ASSERT_TRUE(lsv__encode_jpeg(argb, 90, jpeg, error));
}

TEST(Render, APriceTagLooksRight)
{
    // A label as a shop would make it, through the JPEG the preview gets;
    // with VELLUMO_SHOTS set it is saved for people to look at.
    label_ptr lab = blank(283, 170, 0xFFFFF0);
    element *frame = add(lab.get(), ELE_BORDER, 4, 4, 275, 162);
    frame->border.thickness = 1.5;
    element *dashed = add(lab.get(), ELE_BORDER, 10, 10, 263, 150);
    dashed->border.style = 3;
    dashed->border.colour = 0x808080;
    element *title = add(lab.get(), ELE_TEXT, 141, 150, 250, 24);
    title->quadrant = 5; // hangs from its top centre
    title->text.text = u"Молоко «Утро», 3,2 %";
    title->text.size = 16;
    title->text.justification = 2;
    title->text.font = u"DejaVu Sans";
    element *price = add(lab.get(), ELE_TEXT, 270, 118, 120, 40);
    price->quadrant = 2;
    price->text.text = u"${цена} ₽";
    price->text.size = 28;
    price->text.justification = 1;
    price->text.colour = 0xC00000;
    price->text.font = u"DejaVu Serif";
    element *side = add(lab.get(), ELE_TEXT, 26, 20, 90, 14);
    side->angle = 90;
    side->text.text = u"ГОСТ 31450";
    side->text.size = 8;
    element *code = add(lab.get(), ELE_BARCODE, 40, 20, 140, 70);
    code->barcode.type = 3;
    code->barcode.code = u"4600000000008";
    code->barcode.text = 1;
    element *picture_el = picture(lab.get(), eps_of("0.2 0.4 0.8 setrgbcolor 50 25 24 0 360 arc fill", "0 0 100 50"),
                                  200, 20, 70, 35);
    (void)picture_el;
    std::vector<std::u16string> log;
    QImage img = via_jpeg(render(lab.get(), 150, 150, &log, {{u"цена", u"89,90"}}, false));
    save_image_shot(img, QStringLiteral("server-render-price-tag"));
    save_image_shot(via_jpeg(render(lab.get(), 150, 150, nullptr, {{u"цена", u"89,90"}}, true)),
                    QStringLiteral("server-render-price-tag-markup"));
    EXPECT_EQ(zbar(render(lab.get(), 300, 300, nullptr, {{u"цена", u"89,90"}})), "4600000000008");
    EXPECT_EQ(log.size(), 2u) << joined(log); // the heading and the substitution
}

TEST(Render, SubstitutedTextStopsAtItsCap)
{
    const render_variable_map vars = {{u"a", u"12345"}, {u"b", u""}};
    int notes = 0;
    auto note = [&](const std::u16string &, const std::u16string *) { ++notes; };
    bool cut = false;
    EXPECT_EQ(rdr__substitute_in(u"${a}${a}${a}${a}${a}${a}", vars, note, 12, &cut), u"123451234512");
    EXPECT_TRUE(cut);
    EXPECT_EQ(notes, 3); // references past the cap are not looked at
    notes = 0;
    EXPECT_EQ(rdr__substitute_in(u"ab${a}", vars, note, 7, &cut), u"ab12345");
    EXPECT_FALSE(cut);
    EXPECT_EQ(rdr__substitute_in(u"ab${a}!", vars, note, 7, &cut), u"ab12345");
    EXPECT_TRUE(cut);
    EXPECT_EQ(rdr__substitute_in(u"${b}${b}xyz", vars, note, 2, &cut), u"xy");
    EXPECT_TRUE(cut);
    EXPECT_EQ(rdr__substitute_in(u"${нет}", vars, note, 3, &cut), u"${н");
    EXPECT_TRUE(cut);

    // In a render the text is cut and the log says so; later lines stop at
    // the log's cap.
    label_ptr lab = blank(300, 100);
    element *t = add(lab.get(), ELE_TEXT, 0, 50, 300, 20);
    t->text.text = u"${a}${a}${a}${a}";
    t->text.size = 10;
    render_limits limits;
    limits.max_text = 8;
    std::vector<std::u16string> log;
    render_outcome outcome;
    QImage img = lsv__render(lab.get(), {{u"a", u"12345"}}, 72, 72, false, log, limits, &outcome);
    EXPECT_FALSE(img.isNull());
    EXPECT_TRUE(logged(log, u"Элемент 1: текст длиннее 8 знаков, взято начало")) << joined(log);
    limits.max_log = 10;
    log.clear();
    lsv__render(lab.get(), {{u"a", u"12345"}}, 72, 72, false, log, limits, &outcome);
    EXPECT_EQ(log.size(), 1u) << joined(log); // the first line already passes 10 characters
    EXPECT_FALSE(outcome.out_of_time || outcome.stopped);
}

namespace {

// A label whose elements sit across the middle rows, turned, dashed,
// thick, refused, with substitutions that log a line each, in both halves.
label_ptr busy_label()
{
    label_ptr lab = blank(200, 300);
    element *e = add(lab.get(), ELE_BORDER, 5, 5, 190, 290);
    e->border.thickness = 6;
    e = add(lab.get(), ELE_BORDER, 15, 15, 170, 270);
    e->border.thickness = 1.5;
    e->border.style = 2;
    e = add(lab.get(), ELE_TEXT, 100, 40, 200, 20);
    e->text.text = u"Повёрнутый текст через середину ${a}";
    e->text.size = 14;
    e->angle = 90;
    e = add(lab.get(), ELE_TEXT, 20, 150, 120, 20);
    e->text.text = u"Наклон на 30° ${a}";
    e->angle = 30;
    for (int i = 0; i < 9; ++i) {
        e = add(lab.get(), ELE_TEXT, 20, 20 + i * 30, 60, 14);
        e->text.text = u"Строка ${a}, выходит за рамку " + plt__from_utf8(std::to_string(i));
        e->text.size = 9 + i % 4;
    }
    for (double y : {250.0, 30.0}) {
        e = add(lab.get(), ELE_BARCODE, 110, y, 70, 20);
        e->barcode.type = 3;
        e->barcode.code = u"не цифры";
    }
    e = add(lab.get(), ELE_BARCODE, 30, 110, 140, 80);
    e->barcode.type = 7;
    e->barcode.code = u"${a}-128";
    e->barcode.text = 1;
    e = add(lab.get(), ELE_TEXT, 120, 60, 60, 12);
    e->text.text = u"№ ${#} от ${#date}";
    return lab;
}

} // namespace

// The server encodes rows as they are done while it draws the rest: its
// JPEG and log are those of drawing first and encoding after.
TEST(Render, EncodedWhileDrawnAsWhenDrawnFirst)
{
    const std::vector<render_variable> vars = {{u"a", u"42"}};
    label_ptr lab = busy_label();
    for (bool markup : {false, true}) {
        std::vector<std::u16string> log, piped_log;
        std::vector<unsigned char> jpeg, piped;
        std::string error;
        ASSERT_TRUE(lsv__encode_jpeg(render(lab.get(), 150, 150, &log, vars, markup), 90, jpeg, error));
        ASSERT_TRUE(lsv__render_jpeg(lab.get(), vars, 150, 150, markup, 90, piped, error, piped_log)) << error;
        EXPECT_TRUE(piped == jpeg) << markup;
        EXPECT_EQ(joined(piped_log), joined(log));
    }

    // Drawn in two bands, the top one told done first; the same pixels.
    auto banded = [&](const label *l, std::vector<double> &told) {
        QImage img(417, 625, QImage::Format_RGB32);
        img.fill(Qt::white);
        const render_variable_map by_name = rdr__variable_map(vars);
        render_request r;
        r.scale_x = r.scale_y = 150 / 72.0;
        r.variables = &by_name;
        r.edges = render_edges::pixels;
        r.rows_done = [&told](double y) { told.push_back(y); };
        QPainter p(&img);
        std::vector<std::u16string> log;
        rdr__draw_label(p, l, r, log);
        return img;
    };
    std::vector<double> told;
    QImage img = banded(lab.get(), told);
    ASSERT_EQ(told.size(), 2u);
    EXPECT_GT(told[0], 625 / 5 - 1);
    EXPECT_LT(told[0], 625 / 2 + 1);
    EXPECT_TRUE(std::isinf(told[1]));
    EXPECT_EQ(img, render(lab.get(), 150, 150, nullptr, vars));

    // A picture across every row it could be cut at: one band.
    temp_dir jobs;
    rdr__eps_set_job_root(jobs.path().string());
    picture(lab.get(), eps_of("0.5 setgray 0 0 100 50 rectfill"), 150, 20, 30, 260);
    told.clear();
    img = banded(lab.get(), told);
    EXPECT_EQ(told, std::vector<double>{std::numeric_limits<double>::infinity()});
    EXPECT_EQ(img, render(lab.get(), 150, 150, nullptr, vars));
    rdr__eps_set_job_root({});

    // Stopped halfway: no picture, no bytes, no wait.
    label_ptr again = busy_label();
    int asked = 0;
    render_stop_scope stop([&asked] { return ++asked > 8; });
    std::vector<std::u16string> log;
    std::vector<unsigned char> jpeg = {1};
    std::string error;
    render_outcome outcome;
    EXPECT_FALSE(lsv__render_jpeg(again.get(), vars, 150, 150, false, 90, jpeg, error, log, {}, &outcome));
    EXPECT_TRUE(outcome.stopped);
    EXPECT_TRUE(jpeg.empty());
    EXPECT_TRUE(error.empty());
}
