// EPS pictures in PDF files: Ghostscript's vector drawing of each placed as
// a form, checked with poppler and qpdf; the reader of Ghostscript's PDF
// fed with what other programs write and with hostile bytes.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <iterator>
#include <random>

#include "output/document.h"
#include "output/output_support.h"
#include "output/pdf_embed.h"
#include "platform/code_pages.h"
#include "render/eps_runner.h"
#include "support/shots.h"

using namespace out_test;
namespace fs = std::filesystem;

namespace {

std::vector<unsigned char> eps_bytes(const std::string &body, const char *box)
{
    std::string s = std::string("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: ") + box + "\n" + body + "\n%%EOF\n";
    return std::vector<unsigned char>(s.begin(), s.end());
}

// A picture with words in it, a red bar along its bottom and a blue
// square in its top right corner, its bounding box away from the origin.
const char *const worded_picture = "/Helvetica findfont 18 scalefont setfont\n"
                                   "0 setgray 110 150 moveto (Vellumo vector) show\n"
                                   "1 0 0 setrgbcolor 100 100 200 20 rectfill\n"
                                   "0 0 1 setrgbcolor 260 160 40 40 rectfill\n";

// Ghostscript's harder parts: a sampled image, a shading in a clip, a
// dashed line, a character of a font defined in the picture itself.
const char *const mixed_picture =
    "gsave 0 0 translate 100 50 scale 8 8 8 [8 0 0 8 0 0]\n"
    "{<00ff00ff00ff00ffff00ff00ff00ff0000ff00ff00ff00ffff00ff00ff00ff00"
    "00ff00ff00ff00ffff00ff00ff00ff0000ff00ff00ff00ffff00ff00ff00ff00>} image grestore\n"
    "gsave 0 50 100 50 rectclip\n"
    "<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 100 0] /Extend [true true]\n"
    "   /Function << /FunctionType 2 /Domain [0 1] /C0 [1 1 0] /C1 [0 0.6 0] /N 1 >> >> shfill grestore\n"
    "0 0 0.5 setrgbcolor 3 setlinewidth [6 4] 0 setdash 5 55 moveto 95 95 lineto stroke\n"
    "8 dict begin /FontType 3 def /FontMatrix [0.01 0 0 0.01 0 0] def /FontBBox [0 0 100 100] def\n"
    "/Encoding 256 array def 0 1 255 { Encoding exch /.notdef put } for Encoding 65 /box put\n"
    "/BuildChar { 100 0 0 0 100 100 setcachedevice pop 10 10 80 80 rectfill } def\n"
    "currentdict end /Boxes exch definefont pop\n"
    "/Boxes findfont 30 scalefont setfont 1 0 1 setrgbcolor 60 60 moveto (A) show\n";

element *picture(label *lab, const std::vector<unsigned char> &eps, double x, double y, double w, double h)
{
    element *p = add(lab, ELE_PICTURE, x, y, w, h);
    p->picture.data = eps__load_mem(eps.data(), eps.size());
    ele__update_ratio(p);
    p->width = w;
    p->height = h;
    return p;
}

// A label with the worded picture upright and turned a quarter, a text
// drawn over the first.
label_ptr picture_label()
{
    label_ptr lab = ele__label_new(400, 300);
    lab->name = u"Рисунки";
    lab->bgcolor = 0xFFFFFF;
    text(lab.get(), u"Над рисунком", 30, 250, 14);
    const auto eps = eps_bytes(worded_picture, "100 100 300 200");
    picture(lab.get(), eps, 20, 150, 200, 100);
    element *turned = picture(lab.get(), eps, 300, 20, 200, 100);
    turned->angle = 90;
    const auto mixed = eps_bytes(mixed_picture, "0 0 100 100");
    picture(lab.get(), mixed, 20, 20, 120, 120);
    return lab;
}

std::string check_with_qpdf(const fs::path &pdf)
{
    const run_result r = run("qpdf --check " + quoted(pdf));
    return r.status == 0 ? std::string() : r.out + r.err;
}

// The images poppler finds in the file, one "width×height" per use on a
// page (its mask apart).
std::vector<std::string> images(const fs::path &pdf)
{
    const run_result r = run("pdfimages -list " + quoted(pdf));
    std::vector<std::string> sizes;
    std::istringstream in(r.out);
    std::string line;
    for (int n = 0; std::getline(in, line); ++n) {
        std::istringstream cols(line);
        std::string page, num, type, width, height;
        cols >> page >> num >> type >> width >> height;
        if (n >= 2 && type == "image")
            sizes.push_back(width + "x" + height);
    }
    return sizes;
}

int count_of(const std::string &hay, const std::string &needle)
{
    int n = 0;
    for (std::size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + 1))
        ++n;
    return n;
}

QImage page_image(const fs::path &pdf, const temp_dir &dir, int dpi = 150)
{
    const auto pages = pdf_pages(pdf, dir.path(), dpi);
    return pages.empty() ? QImage() : QImage(QString::fromStdString(pages[0].string())).convertToFormat(QImage::Format_RGB32);
}

// Share of pixels differing by more than `tolerance` levels in some channel.
double differing(const QImage &a, const QImage &b, int tolerance)
{
    if (a.size() != b.size())
        return 1;
    long long diff = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > tolerance || std::abs(qGreen(p) - qGreen(q)) > tolerance ||
                std::abs(qBlue(p) - qBlue(q)) > tolerance)
                ++diff;
        }
    return static_cast<double>(diff) / (a.width() * a.height());
}

struct vector_off {
    vector_off() { out__set_vector_pictures(false); }
    ~vector_off() { out__set_vector_pictures(true); }
};

// Ghostscript's PDF of the worded picture.
std::string gs_pdf()
{
    const auto eps = eps_bytes(worded_picture, "100 100 300 200");
    std::string error;
    const std::string pdf = rdr__eps_to_pdf(eps, 100, 100, 200, 100, error);
    EXPECT_FALSE(pdf.empty()) << error;
    return pdf;
}

} // namespace

TEST(PdfPictures, EpsPicturesAreVectorsWhereTheImageWouldBe)
{
    ASSERT_TRUE(out__vector_pictures_work());
    temp_dir dir;
    rdr__eps_set_job_root(dir.path().string());
    label_ptr lab = picture_label();
    const fs::path vec = dir / "vector.pdf", ras = dir / "raster.pdf";
    std::vector<std::u16string> problems;
    std::u16string error;
    ASSERT_TRUE(out__export(lab.get(), {}, u16(vec), {}, problems, error)) << plt__to_utf8(error);
    EXPECT_TRUE(problems.empty());
    {
        vector_off off;
        ASSERT_TRUE(out__export(lab.get(), {}, u16(ras), {}, problems, error)) << plt__to_utf8(error);
    }
    EXPECT_EQ(check_with_qpdf(vec), "");
    // The picture's words are words, twice; no image is left in the file.
    const std::string words = pdf_text(vec);
    EXPECT_EQ(count_of(words, "Vellumo vector"), 2) << words;
    EXPECT_NE(words.find("Над рисунком"), std::string::npos);
    // The only image is the one inside a picture, in its own 8 × 8 samples.
    EXPECT_EQ(images(vec), std::vector<std::string>{"8x8"});
    EXPECT_EQ(count_of(pdf_text(ras), "Vellumo vector"), 0);
    EXPECT_EQ(images(ras).size(), 3u);
    const pdf_facts f = pdf_info(vec);
    EXPECT_EQ(f.pages, 1);
    EXPECT_NEAR(f.width, 400, 0.01);
    EXPECT_NEAR(f.height, 300, 0.01);

    // Drawn where the image is drawn, turned as it is: the two pages agree
    // but for the edges of letters.
    temp_dir a, b;
    const QImage pv = page_image(vec, a), pr = page_image(ras, b);
    ASSERT_FALSE(pv.isNull());
    EXPECT_LT(differing(pv, pr, 96), 0.01);
    const double px = 150.0 / 72;
    // The red bar along the upright picture's bottom, the blue square in its
    // top right corner, the text over it.
    const QRgb bar = pv.pixel(int(100 * px), int((300 - 160) * px));
    EXPECT_GT(qRed(bar), 200);
    EXPECT_LT(qGreen(bar), 60);
    const QRgb square = pv.pixel(int(200 * px), int((300 - 230) * px));
    EXPECT_LT(qRed(square), 60);
    EXPECT_GT(qBlue(square), 200);
    save_image_shot(pv, QStringLiteral("export-pdf-vector-pictures"));
}

TEST(PdfPictures, ABatchPlacesOnePictureOnEveryPageFromOneObject)
{
    temp_dir dir;
    rdr__eps_set_job_root(dir.path().string());
    rdr__eps_cache_clear();
    label_ptr lab = picture_label();
    text(lab.get(), u"${n}", 30, 20, 12);
    std::string csv = "n\n";
    for (int i = 1; i <= 40; ++i)
        csv += "row" + std::to_string(i) + "\n";
    write_file(dir / "rows.csv", csv);
    const fs::path pdf = dir / "batch.pdf";
    std::u16string error;
    auto sink = out__file_sink(lab.get(), u16(pdf), {}, false, error);
    ASSERT_TRUE(sink) << plt__to_utf8(error);
    batch_request req;
    req.lab = lab.get();
    req.csv_path = (dir / "rows.csv").string();
    const int runs = rdr__eps_runs();
    const batch_outcome out = out__batch(req, *sink);
    ASSERT_TRUE(out.complete) << plt__to_utf8(out.error);
    EXPECT_EQ(out.pages, 40);
    // Ghostscript ran once for each of the two pictures, whatever the rows.
    EXPECT_EQ(rdr__eps_runs() - runs, 2);
    EXPECT_EQ(check_with_qpdf(pdf), "");
    EXPECT_EQ(pdf_info(pdf).pages, 40);
    const std::string words = pdf_text(pdf);
    EXPECT_EQ(count_of(words, "Vellumo vector"), 80);
    EXPECT_NE(words.find("row40"), std::string::npos);
    EXPECT_EQ(images(pdf), std::vector<std::string>(40, "8x8"));
    // Two pictures (one of them in two elements), two forms.
    EXPECT_EQ(count_of(slurp(pdf), "/Subtype /Form"), 2);
}

TEST(PdfPictures, TheServersDocumentsHaveThemToo)
{
    temp_dir dir;
    rdr__eps_set_job_root(dir.path().string());
    label_ptr lab = picture_label();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    auto sink = out__pdf_sink(lab.get(), buffer, {}, 1 << 30);
    std::vector<std::u16string> problems;
    std::u16string error;
    ASSERT_TRUE(sink->label_page(lab.get(), {}, 1, problems, error));
    ASSERT_TRUE(sink->finish(error)) << plt__to_utf8(error);
    write_file(dir / "doc.pdf", buffer.data().toStdString());
    EXPECT_EQ(check_with_qpdf(dir / "doc.pdf"), "");
    EXPECT_EQ(count_of(pdf_text(dir / "doc.pdf"), "Vellumo vector"), 2);
}

TEST(PdfPictures, APictureThatFailsIsStillRefusedWithItsReason)
{
    temp_dir dir;
    rdr__eps_set_job_root(dir.path().string());
    label_ptr lab = ele__label_new(200, 200);
    picture(lab.get(), eps_bytes("1 0 div", "0 0 50 50"), 10, 10, 100, 100);
    picture(lab.get(), eps_bytes("0 0 1 setrgbcolor 0 0 50 50 rectfill", "0 0 50 50"), 100, 100, 50, 50);
    const fs::path pdf = dir / "bad.pdf";
    std::vector<std::u16string> problems;
    std::u16string error;
    ASSERT_TRUE(out__export(lab.get(), {}, u16(pdf), {}, problems, error)) << plt__to_utf8(error);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(plt__to_utf8(problems[0]).find("ошибку PostScript"), std::string::npos) << plt__to_utf8(problems[0]);
    EXPECT_EQ(check_with_qpdf(pdf), "");
    EXPECT_TRUE(images(pdf).empty());
}

// The stand-in is found however the writer's bytes are cut into writes.
TEST(PdfPictures, TheStandInIsFoundAcrossAnyCutOfTheBytes)
{
    std::string why;
    const auto form = out__pdf_form(gs_pdf(), why);
    ASSERT_TRUE(form) << why;
    // What QPdfWriter writes for a page with two stand-ins among other images.
    QBuffer raw;
    raw.open(QIODevice::WriteOnly);
    QImage first(1, 5003, QImage::Format_RGB32), second(1, 5004, QImage::Format_RGB32), other(40, 30, QImage::Format_RGB32);
    first.fill(Qt::gray);
    second.fill(Qt::darkGray);
    other.fill(Qt::green);
    {
        QPdfWriter writer(&raw);
        QPainter p(&writer);
        p.drawImage(QRectF(10, 10, 100, 50), other);
        p.drawImage(QRectF(10, 100, 100, 50), first);
        writer.newPage();
        p.drawImage(QRectF(10, 100, 100, 50), second);
        p.drawImage(QRectF(200, 100, 100, 50), first);
    }
    const QByteArray bytes = raw.data();
    std::string expected;
    std::mt19937 rng(7);
    for (int cut : {0, 1, 3, 17, 1000, -1}) {
        QBuffer target;
        target.open(QIODevice::WriteOnly);
        pdf_tap tap(target);
        tap.watch(first.size());
        tap.watch(second.size());
        qsizetype at = 0;
        while (at < bytes.size()) {
            const qsizetype n = cut == 0    ? bytes.size()
                                : cut == -1 ? std::uniform_int_distribution<qsizetype>(1, 4000)(rng)
                                            : cut;
            const qsizetype len = std::min(n, bytes.size() - at);
            ASSERT_EQ(tap.write(bytes.constData() + at, len), len);
            at += len;
        }
        ASSERT_TRUE(tap.place({{first.size(), form}, {second.size(), form}}, why)) << "cut " << cut << ": " << why;
        const std::string out = target.data().toStdString();
        if (expected.empty())
            expected = out;
        EXPECT_EQ(out, expected) << "cut " << cut;
    }
    temp_dir dir;
    write_file(dir / "placed.pdf", expected);
    EXPECT_EQ(check_with_qpdf(dir / "placed.pdf"), "");
    EXPECT_EQ(count_of(pdf_text(dir / "placed.pdf"), "Vellumo vector"), 3);
    EXPECT_EQ(images(dir / "placed.pdf"), std::vector<std::string>{"40x30"}); // the green one

    // A size never written is an error, not a silent stand-in on paper.
    QBuffer target;
    target.open(QIODevice::WriteOnly);
    pdf_tap tap(target);
    tap.watch(QSize(1, 9999));
    ASSERT_EQ(tap.write(bytes), bytes.size());
    EXPECT_FALSE(tap.place({{QSize(1, 9999), form}}, why));
}

TEST(PdfPictures, GhostscriptsPdfReadAsAForm)
{
    std::string why;
    const auto form = out__pdf_form(gs_pdf(), why);
    ASSERT_TRUE(form) << why;
    EXPECT_NEAR(out__pdf_form_size(*form).width(), 200, 0.01);
    EXPECT_NEAR(out__pdf_form_size(*form).height(), 100, 0.01);
    EXPECT_GE(out__pdf_form_objects(*form), 1u); // the font at least
}

// Other writers' ways of the same page: qpdf rewrites Ghostscript's file
// uncompressed, linearized, with object streams and encrypted.
TEST(PdfPictures, OtherWritersFilesAreReadOrRefusedNeverFollowed)
{
    temp_dir dir;
    write_file(dir / "gs.pdf", gs_pdf());
    struct variant {
        const char *options;
        bool readable;
    };
    for (const variant &v : {variant{"--qdf --object-streams=disable", true},
                             variant{"--linearize --object-streams=disable", true},
                             variant{"--object-streams=generate", false},
                             variant{"--encrypt user owner 256 --", false}}) {
        const fs::path out = dir / "variant.pdf";
        const run_result r = run(std::string("qpdf ") + v.options + " " + quoted(dir / "gs.pdf") + " " + quoted(out));
        ASSERT_TRUE(r.status == 0 || r.status == 3) << v.options << ": " << r.err;
        std::string why;
        const auto form = out__pdf_form(slurp(out), why);
        EXPECT_EQ(form != nullptr, v.readable) << v.options << ": " << why;
        if (form) {
            EXPECT_NEAR(out__pdf_form_size(*form).width(), 200, 0.01) << v.options;
        }
    }
}

namespace {

// A PDF of one page from its objects' bodies (object 1 is the catalogue).
std::string handmade(const std::vector<std::string> &bodies, const std::string &trailer_extra = "")
{
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> at;
    for (const std::string &b : bodies) {
        at.push_back(pdf.size());
        pdf += std::to_string(at.size()) + " 0 obj\n" + b + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(at.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t a : at) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", a);
        pdf += entry;
    }
    pdf += "trailer\n<</Size " + std::to_string(at.size() + 1) + " /Root 1 0 R" + trailer_extra +
           ">>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

std::vector<std::string> page_with(const std::string &page_extra, const std::string &resources = "<<>>")
{
    return {"<</Type /Catalog /Pages 2 0 R>>", "<</Type /Pages /Kids [3 0 R] /Count 1>>",
            "<</Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] /Contents 4 0 R /Resources " + resources + page_extra +
                ">>",
            "<</Length 13>>\nstream\n0 0 5 5 re f\n\nendstream"};
}

} // namespace

TEST(PdfPictures, HostileBytesAreRefusedQuickly)
{
    std::string why;
    // The plain page is read: the cases below differ from it in one thing.
    ASSERT_TRUE(out__pdf_form(handmade(page_with("")), why)) << why;

    const std::string good = gs_pdf();
    // Cut anywhere: refused or read, never a crash.
    for (std::size_t n = 0; n < good.size(); n += std::max<std::size_t>(1, good.size() / 97))
        out__pdf_form(std::string_view(good).substr(0, n), why);
    EXPECT_FALSE(out__pdf_form(std::string_view(good).substr(0, good.size() / 2), why));

    struct hostile {
        const char *what;
        std::string pdf;
    };
    std::vector<hostile> cases;
    cases.push_back({"turned page", handmade(page_with(" /Rotate 90"))});
    // The plain page with one of its objects (by index) written otherwise.
    auto with = [](std::size_t index, const std::string &body) {
        std::vector<std::string> b = page_with("");
        b[index] = body;
        return handmade(b);
    };
    cases.push_back({"empty media box", with(2, "<</Type /Page /Parent 2 0 R /MediaBox [0 0 0 10] /Contents 4 0 R>>")});
    cases.push_back({"length past the end", with(3, "<</Length 99999999999>>\nstream\n0 0 5 5 re f\n\nendstream")});
    cases.push_back({"length that is its own object", with(3, "<</Length 4 0 R>>\nstream\n0 0 5 5 re f\n\nendstream")});
    cases.push_back(
        {"number with an exponent", with(2, "<</Type /Page /Parent 2 0 R /MediaBox [0 0 1e400 10] /Contents 4 0 R>>")});
    cases.push_back({"deep nesting", handmade(page_with("", "<</X " + std::string(100000, '[') +
                                                                std::string(100000, ']') + ">>"))});
    cases.push_back({"resources reaching the page tree", handmade(page_with("", "<</X 2 0 R>>"))});
    cases.push_back({"page tree in a loop", handmade({"<</Type /Catalog /Pages 2 0 R>>",
                                                      "<</Type /Pages /Kids [2 0 R] /Count 1>>"})});
    cases.push_back({"encrypted", handmade(page_with(""), " /Encrypt <</Filter /Standard>>")});
    cases.push_back({"previous section in a loop", [] {
                         std::string p = handmade(page_with(""));
                         const std::size_t sx = p.rfind("startxref\n") + 10;
                         const std::string off = p.substr(sx, p.find('\n', sx) - sx);
                         p.replace(p.rfind(">>\nstartxref"), 2, " /Prev " + off + ">>");
                         return p;
                     }()});
    for (const hostile &h : cases) {
        why.clear();
        EXPECT_FALSE(out__pdf_form(h.pdf, why)) << h.what;
        EXPECT_FALSE(why.empty()) << h.what;
    }

    // A chain of 200,000 objects each naming the next: a limit, not the stack.
    {
        std::vector<std::string> b = page_with("", "<</X 5 0 R>>");
        for (int i = 5; i < 200005; ++i)
            b.push_back("<</Next " + std::to_string(i + 1) + " 0 R>>");
        EXPECT_FALSE(out__pdf_form(handmade(b), why));
        EXPECT_EQ(why, "too many objects");
    }
    // Objects naming each other in a ring are copied once each.
    {
        std::vector<std::string> b = page_with("", "<</X 5 0 R>>");
        b.push_back("<</Next 6 0 R>>");
        b.push_back("<</Next 5 0 R /Missing 99 0 R>>");
        const auto form = out__pdf_form(handmade(b), why);
        ASSERT_TRUE(form) << why;
        EXPECT_EQ(out__pdf_form_objects(*form), 2u);
    }
}

// A picture too large for an image of 600 dpi is still a vector; one that
// quits half way is refused as it is everywhere else, once for a whole
// batch; the fonts of pictures travel with the file.
TEST(PdfPictures, LargeQuittingAndFontedPictures)
{
    temp_dir dir;
    rdr__eps_set_job_root(dir.path().string());
    rdr__eps_cache_clear();
    label_ptr lab = ele__label_new(2000, 2000);
    // 1990 × 995 pt: 274 megapixels at 600 dpi.
    picture(lab.get(), eps_bytes(worded_picture, "100 100 300 200"), 5, 5, 1990, 995);
    const fs::path big = dir / "big.pdf";
    std::vector<std::u16string> problems;
    std::u16string error;
    ASSERT_TRUE(out__export(lab.get(), {}, u16(big), {}, problems, error)) << plt__to_utf8(error);
    EXPECT_TRUE(problems.empty()) << (problems.empty() ? "" : plt__to_utf8(problems[0]));
    EXPECT_EQ(count_of(pdf_text(big), "Vellumo vector"), 1);
    // Helvetica of the picture is in the file, as every font of it.
    const std::string fonts = run("pdffonts " + quoted(big)).out;
    EXPECT_NE(fonts.find("Helvetica"), std::string::npos) << fonts;
    std::istringstream lines(fonts);
    std::string line;
    for (int n = 0; std::getline(lines, line); ++n) {
        std::istringstream cols(line);
        std::vector<std::string> c{std::istream_iterator<std::string>(cols), std::istream_iterator<std::string>()};
        if (n >= 2 && c.size() >= 6) {
            EXPECT_EQ(c[c.size() - 5], "yes") << line; // "emb"
        }
    }

    label_ptr quits = ele__label_new(200, 200);
    text(quits.get(), u"${n}", 10, 150, 12);
    picture(quits.get(), eps_bytes("0 0 1 setrgbcolor 0 0 50 50 rectfill quit", "0 0 50 50"), 10, 10, 100, 100);
    write_file(dir / "rows.csv", "n\n1\n2\n3\n4\n5\n6\n7\n8\n");
    const fs::path pdf = dir / "quits.pdf";
    auto sink = out__file_sink(quits.get(), u16(pdf), {}, false, error);
    ASSERT_TRUE(sink);
    batch_request req;
    req.lab = quits.get();
    req.csv_path = (dir / "rows.csv").string();
    const int runs = rdr__eps_runs();
    const batch_outcome out = out__batch(req, *sink);
    ASSERT_TRUE(out.complete) << plt__to_utf8(out.error);
    ASSERT_EQ(out.problems.size(), 8u);
    EXPECT_NE(plt__to_utf8(out.problems[0]).find("quit"), std::string::npos) << plt__to_utf8(out.problems[0]);
    // As a vector, then as an image: twice, not twice a row.
    EXPECT_EQ(rdr__eps_runs() - runs, 2);
    EXPECT_EQ(check_with_qpdf(pdf), "");
}

// Images of pictures are drawn once for a document, on printers and in PNG
// batches as in PDF, failures included; a picture whose vector runs out of
// its own time is not tried again as an image.
TEST(PdfPictures, EveryDocumentDrawsAPictureOnceAndATimeoutOnce)
{
    temp_dir dir;
    rdr__eps_set_job_root(dir.path().string());
    rdr__eps_cache_clear();
    label_ptr lab = ele__label_new(200, 200);
    text(lab.get(), u"${n}", 10, 170, 12);
    picture(lab.get(), eps_bytes("0 0 1 setrgbcolor 0 0 50 50 rectfill", "0 0 50 50"), 10, 10, 60, 60);
    picture(lab.get(), eps_bytes("1 0 div", "0 0 50 50"), 100, 10, 60, 60);
    write_file(dir / "rows.csv", "n\n1\n2\n3\n4\n5\n6\n");
    auto batch = [&](page_sink &sink) {
        batch_request req;
        req.lab = lab.get();
        req.csv_path = (dir / "rows.csv").string();
        rdr__eps_cache_clear();
        const int runs = rdr__eps_runs();
        const batch_outcome out = out__batch(req, sink);
        EXPECT_TRUE(out.complete) << plt__to_utf8(out.error);
        EXPECT_EQ(out.problems.size(), 6u); // the failing picture, on every row
        return rdr__eps_runs() - runs;
    };
    std::u16string error;
    auto png = out__file_sink(lab.get(), u16(dir / "row.png"), {}, true, error);
    ASSERT_TRUE(png);
    EXPECT_EQ(batch(*png), 2);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString((dir / "printed.pdf").string()));
    printer.setPageLayout(out__page_layout(lab.get()));
    auto device = out__device_sink(lab.get(), printer);
    EXPECT_EQ(batch(*device), 2);

    label_ptr slow = ele__label_new(200, 200);
    picture(slow.get(), eps_bytes("{ } loop", "0 0 50 50"), 10, 10, 60, 60);
    std::vector<std::u16string> problems;
    rdr__eps_cache_clear();
    const int runs = rdr__eps_runs();
    ASSERT_TRUE(out__export(slow.get(), {}, u16(dir / "slow.pdf"), {}, problems, error));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(plt__to_utf8(problems[0]).find("не уложился"), std::string::npos) << plt__to_utf8(problems[0]);
    EXPECT_EQ(rdr__eps_runs() - runs, 1);
}
