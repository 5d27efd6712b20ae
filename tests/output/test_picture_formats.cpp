// PNG, JPEG and SVG pictures in every output: a PNG logo is one image of
// the PDF however many pages show it, an SVG stays vectors, transparency
// is kept; hostile pictures are refused, never decoded or followed;
// pictures from the data come from the table's folder, row by row.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <map>

#include "exchange/inout.h"
#include "model/picture_file.h"
#include "output/batch.h"
#include "output/output_support.h"
#include "platform/code_pages.h"
#include "render/picture_draw.h"
#include "support/python.h"

using namespace out_test;
namespace fs = std::filesystem;

namespace {

const std::string BIN = VELLUMO_RENDER_BIN;

const char *const red_blue_svg =
    "<svg xmlns='http://www.w3.org/2000/svg' width='80' height='40' viewBox='0 0 80 40'>"
    "<rect x='0' y='0' width='40' height='40' fill='#ff0000'/>"
    "<circle cx='60' cy='20' r='18' fill='#0000ff'/></svg>";

void save_png(const fs::path &p, QColor colour, int w = 80, int h = 40)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(colour);
    ASSERT_TRUE(img.save(QString::fromStdString(p.string()), "PNG"));
}

// A 200 × 100 pt label with a name and a picture (80 × 40 pt, its lower
// left corner at 100, 30).
label_ptr picture_label(lg_epsi_shared pic, const std::u16string &source = {})
{
    label_ptr lab = ele__label_new(200, 100);
    lab->name = u"Логотип";
    lab->bgcolor = 0xFFFFFF;
    text(lab.get(), u"${name}", 10, 70, 10);
    element *e = add(lab.get(), ELE_PICTURE, 100, 30, 80, 40);
    e->picture.data = std::move(pic);
    if (!source.empty())
        e->picture.source = source;
    ele__update_ratio(e);
    return lab;
}

lg_epsi_shared load(const fs::path &p)
{
    std::u16string why;
    lg_epsi_ptr pic = pic__load_file(u16(p), why);
    EXPECT_TRUE(pic) << p << ": " << plt__to_utf8(why);
    return lg_epsi_shared(std::move(pic));
}

// "pdfimages -list": the images used on pages (masks apart) and the
// objects they are.
struct image_uses {
    int uses = 0, masks = 0;
    std::set<std::string> objects;
};
image_uses images_of(const fs::path &pdf)
{
    const run_result r = run("pdfimages -list " + quoted(pdf));
    image_uses u;
    std::istringstream in(r.out);
    std::string line;
    for (int n = 0; std::getline(in, line); ++n) {
        std::istringstream cols(line);
        std::string c[11];
        for (std::string &s : c)
            cols >> s;
        if (n < 2)
            continue;
        if (c[2] == "image") {
            ++u.uses;
            u.objects.insert(c[10]);
        } else if (c[2] == "smask") {
            ++u.masks;
        }
    }
    return u;
}

// A pixel of a page image at a point of the label (from its top left).
QRgb at(const QImage &img, double x_pt, double y_pt, double dpi)
{
    return img.pixel(int(x_pt * dpi / 72), int(y_pt * dpi / 72));
}

bool near(QRgb c, int r, int g, int b, int tolerance = 40)
{
    return std::abs(qRed(c) - r) <= tolerance && std::abs(qGreen(c) - g) <= tolerance &&
           std::abs(qBlue(c) - b) <= tolerance;
}

} // namespace

TEST(PictureFormats, APngLogoOnAHundredPagesIsOneImageOfThePdf)
{
    temp_dir dir;
    save_png(dir / "logo.png", QColor(200, 0, 0));
    label_ptr lab = picture_label(load(dir / "logo.png"));
    ASSERT_EQ(ino__save_file(u16(dir / "logo.lbl"), lab.get()), 1);
    std::string csv = "name\n";
    for (int i = 1; i <= 100; ++i)
        csv += "Товар " + std::to_string(i) + "\n";
    write_file(dir / "rows.csv", csv);
    const run_result r = run("'" + BIN + "' " + quoted(dir / "logo.lbl") + " -o " + quoted(dir / "all.pdf") +
                             " --csv " + quoted(dir / "rows.csv"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(pdf_info(dir / "all.pdf").pages, 100);
    const image_uses u = images_of(dir / "all.pdf");
    EXPECT_EQ(u.uses, 100);
    EXPECT_EQ(u.objects.size(), 1u) << "one image object for every page";
    EXPECT_EQ(u.masks, 0);
    // It is where the picture is, on the last page too.
    temp_dir pages;
    run("pdftoppm -r 72 -f 100 -l 100 -png " + quoted(dir / "all.pdf") + " " + quoted(pages / "p"));
    const std::set<std::string> made = files_in(pages.path());
    ASSERT_EQ(made.size(), 1u);
    const QImage last(QString::fromStdString((pages / *made.begin()).string()));
    EXPECT_TRUE(near(at(last, 140, 50, 72), 200, 0, 0)) << std::hex << at(last, 140, 50, 72);
    EXPECT_TRUE(near(at(last, 60, 50, 72), 255, 255, 255));
}

TEST(PictureFormats, AnSvgLogoStaysVectorsInPdfAndSvg)
{
    temp_dir dir;
    write_file(dir / "logo.svg", red_blue_svg);
    label_ptr lab = picture_label(load(dir / "logo.svg"));
    std::vector<std::u16string> problems;
    std::u16string error;
    for (const char *name : {"logo.pdf", "logo.svg.svg", "logo.png"})
        ASSERT_TRUE(out__export(lab.get(), {}, u16(dir / name), {}, problems, error)) << plt__to_utf8(error);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(images_of(dir / "logo.pdf").uses, 0);
    const std::string svg = slurp(dir / "logo.svg.svg");
    EXPECT_EQ(svg.find("<image"), std::string::npos);
    EXPECT_NE(svg.find("#ff0000"), std::string::npos);
    // Drawn in its box, stretched to it: red on the left half, blue in the
    // middle of the right one.
    temp_dir pages;
    const std::vector<fs::path> pdf = pdf_pages(dir / "logo.pdf", pages.path(), 144);
    ASSERT_EQ(pdf.size(), 1u);
    for (const QImage &img : {QImage(QString::fromStdString(pdf[0].string())),
                              QImage(QString::fromStdString((dir / "logo.png").string()))}) {
        const double dpi = img.width() * 72.0 / 200;
        EXPECT_TRUE(near(at(img, 120, 50, dpi), 255, 0, 0)) << std::hex << at(img, 120, 50, dpi);
        EXPECT_TRUE(near(at(img, 160, 50, dpi), 0, 0, 255)) << std::hex << at(img, 160, 50, dpi);
        EXPECT_TRUE(near(at(img, 185, 50, dpi), 255, 255, 255)); // outside the box
    }
}

TEST(PictureFormats, TransparencyIsKept)
{
    temp_dir dir;
    save_png(dir / "glass.png", QColor(0, 0, 255, 128));
    label_ptr lab = picture_label(load(dir / "glass.png"));
    doc_options o;
    o.transparent = true;
    o.dpi = 144;
    std::vector<std::u16string> problems;
    std::u16string error;
    ASSERT_TRUE(out__export(lab.get(), {}, u16(dir / "glass-out.png"), o, problems, error));
    const QImage img = QImage(QString::fromStdString((dir / "glass-out.png").string()))
                           .convertToFormat(QImage::Format_ARGB32);
    const QRgb inside = at(img, 140, 50, 144), outside = at(img, 60, 20, 144);
    EXPECT_NEAR(qAlpha(inside), 128, 3);
    EXPECT_NEAR(qBlue(inside), 255, 3);
    EXPECT_EQ(qAlpha(outside), 0);
    // A PDF keeps it as the image's soft mask.
    ASSERT_TRUE(out__export(lab.get(), {}, u16(dir / "glass.pdf"), {}, problems, error));
    const image_uses u = images_of(dir / "glass.pdf");
    EXPECT_EQ(u.uses, 1);
    EXPECT_EQ(u.masks, 1);
}

TEST(PictureFormats, HostilePicturesAreRefusedQuicklyAndNeverDecoded)
{
    temp_dir dir;
    // A PNG declaring 100000 × 100000 pixels with a few bytes of data, as
    // Python's zlib writes it.
    ASSERT_EQ(run_python(R"(
import struct, sys, zlib
def chunk(t, d):
    return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
open(sys.argv[1], 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 100000, 100000, 8, 6, 0, 0, 0)) +
    chunk(b'IDAT', zlib.compress(b'\x00' * 100000)) + chunk(b'IEND', b''))
)",
                         {(dir / "bomb.png").string()}),
              0);
    {
        QImage img(300, 200, QImage::Format_RGB32);
        img.fill(Qt::green);
        ASSERT_TRUE(img.save(QString::fromStdString((dir / "whole.jpg").string()), "JPEG"));
        const std::string whole = slurp(dir / "whole.jpg");
        write_file(dir / "cut.jpg", whole.substr(0, whole.size() / 2));
    }
    const std::string bomb_bytes = slurp(dir / "bomb.png");
    const std::vector<unsigned char> bomb(bomb_bytes.begin(), bomb_bytes.end());

    const auto start = std::chrono::steady_clock::now();
    std::u16string why;
    EXPECT_FALSE(pic__load_file(u16(dir / "bomb.png"), why));
    EXPECT_NE(why.find(u"100000 × 100000"), std::u16string::npos);
    EXPECT_FALSE(pic__load_file(u16(dir / "cut.jpg"), why));
    EXPECT_NE(why.find(u"обрывается"), std::u16string::npos);
    EXPECT_TRUE(pic__load_file(u16(dir / "whole.jpg"), why));

    // The render library looks at the declared size itself before it
    // decodes, whatever the core let through.
    auto forged = std::make_shared<lg_epsi>();
    forged->format = picture_format::png;
    forged->data = bomb;
    forged->width = forged->height = 100;
    forged->urx = forged->ury = 100;
    const std::optional<std::u16string> said = rdr__verify_picture(*forged);
    ASSERT_TRUE(said);
    EXPECT_NE(said->find(u"100000 × 100000"), std::u16string::npos) << plt__to_utf8(*said);
    std::vector<std::u16string> problems;
    std::u16string error;
    label_ptr lab = picture_label(forged);
    ASSERT_TRUE(out__export(lab.get(), {}, u16(dir / "forged.png"), {}, problems, error));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find(u"100000 × 100000"), std::u16string::npos) << plt__to_utf8(problems[0]);

    // A stored label's hostile SVG (a script, an outside reference, entities)
    // is kept but never handed to the SVG library: a crossed box.
    for (const char *svg :
         {"<svg width='10' height='10'><script>fetch('http://example.com')</script></svg>",
          "<svg width='10' height='10'><image href='file:///etc/passwd' width='10' height='10'/></svg>",
          "<!DOCTYPE svg [<!ENTITY a 'aaaaaaaaaa'><!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'>"
          "<!ENTITY c '&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;'><!ENTITY d '&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;'>]>"
          "<svg width='10' height='10'><text>&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;</text></svg>"}) {
        const std::string s(svg);
        lg_epsi_shared kept(pic__load_stored(std::vector<unsigned char>(s.begin(), s.end()), picture_format::svg));
        ASSERT_TRUE(kept);
        EXPECT_FALSE(kept->boxed);
        label_ptr l = picture_label(kept);
        problems.clear();
        ASSERT_TRUE(out__export(l.get(), {}, u16(dir / "svg.pdf"), {}, problems, error));
        ASSERT_EQ(problems.size(), 1u) << svg;
        EXPECT_NE(problems[0].find(u"небезопасен"), std::u16string::npos) << plt__to_utf8(problems[0]);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(PictureFormats, PicturesFromTheDataComeFromTheTablesFolderRowByRow)
{
    temp_dir dir;
    fs::create_directories(dir / "data" / "logos");
    save_png(dir / "data" / "logos" / "red.png", QColor(220, 0, 0));
    write_file(dir / "data" / "logos" / "two.svg", red_blue_svg);
    write_file(dir / "data" / "evil.svg", "<svg width='1' height='1'><script>x()</script></svg>");
    write_file(dir / "data" / "cut.png", slurp(dir / "data" / "logos" / "red.png").substr(0, 60));
    // The label's own picture stands in where there is no table.
    save_png(dir / "stand-in.png", QColor(0, 160, 0));
    label_ptr lab = picture_label(load(dir / "stand-in.png"), u"${логотип}");
    ASSERT_EQ(ino__save_file(u16(dir / "l.lbl"), lab.get()), 1);
    write_file(dir / "data" / "rows.csv", "name,логотип\n"
                                          "A,logos/red.png\n"
                                          "B,logos/two.svg\n"
                                          "C,нет-такого.png\n"
                                          "D,evil.svg\n"
                                          "E,cut.png\n"
                                          "F,\n"
                                          "G,logos/red.png\n");
    // Run from another folder: names are the table's folder's.
    const run_result r = run("cd / && '" + BIN + "' " + quoted(dir / "l.lbl") + " -o " + quoted(dir / "out.pdf") +
                             " --csv " + quoted(dir / "data" / "rows.csv"));
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_NE(r.err.find("Строка 4: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("нет-такого.png"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Строка 5: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("сценарий"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Строка 6: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Строка 7: "), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Строка 2: "), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Строка 8: "), std::string::npos) << r.err;
    ASSERT_EQ(pdf_info(dir / "out.pdf").pages, 7); // the batch went on
    // The red PNG of rows A and G is one image; the SVG no image at all.
    EXPECT_EQ(images_of(dir / "out.pdf").objects.size(), 1u);
    temp_dir pages;
    const std::vector<fs::path> p = pdf_pages(dir / "out.pdf", pages.path(), 72);
    ASSERT_EQ(p.size(), 7u);
    const QImage a(QString::fromStdString(p[0].string())), b(QString::fromStdString(p[1].string()));
    EXPECT_TRUE(near(at(a, 140, 50, 72), 220, 0, 0)) << std::hex << at(a, 140, 50, 72);
    EXPECT_TRUE(near(at(b, 160, 50, 72), 0, 0, 255)) << std::hex << at(b, 160, 50, 72);

    // Without a table the element's own picture is drawn.
    const run_result one = run("'" + BIN + "' " + quoted(dir / "l.lbl") + " -o " + quoted(dir / "one.png") +
                               " --dpi 72");
    EXPECT_EQ(one.status, 0) << one.err;
    const QImage own(QString::fromStdString((dir / "one.png").string()));
    EXPECT_TRUE(near(at(own, 140, 50, 72), 0, 160, 0)) << std::hex << at(own, 140, 50, 72);
}
