// Marking codes as the marking system's scanners take them: GS1 DataMatrix
// (FNC1 first, GS between the fields) from data holding GS, written to a
// label file, drawn by vellumo-render to PNG and PDF and read back by
// zxing-cpp with their exact bytes; the same from a table of data.
#include <gtest/gtest.h>

#include <QImage>

#include "exchange/inout.h"
#include "output/output_support.h"
#include "platform/code_pages.h"
#include "support/readers.h"

using namespace out_test;
namespace fs = std::filesystem;

namespace {

const std::string BIN = VELLUMO_RENDER_BIN;
const std::string GS = "\x1D";
const std::string GTIN = "0104601234567893";

// 13 characters of a serial, with those XML and the shell treat specially.
const std::string SERIAL = "21<q&\"J'>5Mb(z";

std::string tail(std::size_t n)
{
    const std::string set = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
    std::string t;
    for (std::size_t i = 0; i < n; ++i)
        t += set[(i * 7 + 3) % set.size()];
    return t;
}

run_result render(const std::string &args)
{
    return run("'" + BIN + "' " + args);
}

// The label: one barcode 1 inch square (GS1-128 wider) with `code`.
fs::path save_label(const fs::path &dir, int type, const std::u16string &code)
{
    label_ptr lab = ele__label_new(type == 19 ? 288 : 108, 108);
    lab->bgcolor = 0xFFFFFF;
    barcode(lab.get(), type, code, 18, 18, type == 19 ? 252 : 72, 72);
    const fs::path p = dir / "code.lbl";
    EXPECT_EQ(ino__save_file(u16(p), lab.get()), 1);
    return p;
}

// What zxing-cpp reads in a picture file, as "identifier bytes" lines.
std::vector<zxing_result> read_file(const fs::path &picture)
{
    QImage img(QString::fromStdString(picture.string()));
    EXPECT_FALSE(img.isNull()) << picture;
    return img.isNull() ? std::vector<zxing_result>{} : zxing_read(img);
}

std::string shown(const std::string &bytes)
{
    std::string s;
    for (char c : bytes)
        s += c == '\x1D' ? std::string("<GS>") : std::string(1, c);
    return s;
}

void expect_read(const fs::path &picture, const std::string &identifier, const std::string &bytes)
{
    const std::vector<zxing_result> found = read_file(picture);
    ASSERT_EQ(found.size(), 1u) << picture;
    EXPECT_EQ(found[0].identifier, identifier) << picture << " " << found[0].text;
    EXPECT_EQ(shown(found[0].bytes), shown(bytes)) << picture;
}

// The dark part of a picture is as wide as high: a square symbol.
void expect_square(const fs::path &picture)
{
    QImage img = QImage(QString::fromStdString(picture.string())).convertToFormat(QImage::Format_Grayscale8);
    int left = img.width(), right = -1, top = img.height(), bottom = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    EXPECT_NEAR(right - left, bottom - top, 2) << picture;
}

} // namespace

TEST(MarkingCodes, BothShapesReadBackAsGs1DataMatrixFromPngAndPdf)
{
    const std::string codes[] = {
        GTIN + SERIAL + GS + "91EE06" + GS + "92" + tail(44),
        GTIN + SERIAL + GS + "91EE06" + GS + "92" + tail(88),
        GTIN + "21" + "5Mb(z'" + GS + "93" + "dGz=",
    };
    for (const std::string &code : codes) {
        SCOPED_TRACE(shown(code));
        temp_dir dir;
        const fs::path lbl = save_label(dir.path(), 17, plt__from_utf8(code));
        for (int dpi : {203, 300}) {
            const fs::path png = dir / ("code" + std::to_string(dpi) + ".png");
            const run_result r = render(quoted(lbl) + " -o " + quoted(png) + " --dpi " + std::to_string(dpi));
            ASSERT_EQ(r.status, 0) << r.err;
            expect_read(png, "]d2", code);
            expect_square(png);
        }
        const run_result r = render(quoted(lbl) + " -o " + quoted(dir / "code.pdf"));
        ASSERT_EQ(r.status, 0) << r.err;
        const auto pages = pdf_pages(dir / "code.pdf", dir.path(), 300);
        ASSERT_EQ(pages.size(), 1u);
        expect_read(pages[0], "]d2", code);
    }

    // GS1-128 given raw: FNC1 after the serial only, as the GS says.
    temp_dir dir;
    const std::string raw = GTIN + "2112345" + GS + "3103000750" + "10LOT7";
    const fs::path lbl = save_label(dir.path(), 19, plt__from_utf8(raw));
    const run_result r = render(quoted(lbl) + " -o " + quoted(dir / "128.png") + " --dpi 300");
    ASSERT_EQ(r.status, 0) << r.err;
    expect_read(dir / "128.png", "]C1", raw);
}

TEST(MarkingCodes, DataMeantAsGs1ThatIsNotIsRefusedNeverDrawnAsPlainText)
{
    struct {
        int type;
        std::string code, why;
    } cases[] = {
        {17, "0104601234567894" "21ABC", "Bad checksum"}, // a GTIN's check digit: libzint says why
        {17, GTIN + "21AB C" + GS + "91EE06", "недопустимый знак"},
        {17, GTIN + "21ABC" + GS + GS + "91EE06", "нет идентификатора применения"},
        {17, "ABC" + GS + "DEF", "это код GS1"},
        {19, "ZZ" + GS, "начинаются с идентификатора применения"},
    };
    for (const auto &c : cases) {
        temp_dir dir;
        const fs::path lbl = save_label(dir.path(), c.type, plt__from_utf8(c.code));
        const run_result r = render(quoted(lbl) + " -o " + quoted(dir / "x.png"));
        EXPECT_EQ(r.status, 4) << shown(c.code) << ": " << r.err; // written, the barcode not drawn
        EXPECT_NE(r.err.find(c.why), std::string::npos) << shown(c.code) << ": " << r.err;
    }
}

TEST(MarkingCodes, ATableOfCodesWithGroupSeparatorsInItsCells)
{
    temp_dir dir;
    const fs::path lbl = save_label(dir.path(), 17, u"${code}");
    // As the marking system exports them: GS raw in the cells, one quoted.
    const std::string a = GTIN + SERIAL + GS + "91EE06" + GS + "92" + tail(44);
    const std::string b = GTIN + "21" + "5Mb(z'" + GS + "93" + "dGz=";
    std::string quoted_a;
    for (char c : a)
        quoted_a += c == '"' ? std::string("\"\"") : std::string(1, c);
    write_file(dir / "codes.csv", "name;code\r\nчай;\"" + quoted_a + "\"\r\nкофе;" + b + "\r\n");
    const run_result r = render(quoted(lbl) + " -o " + quoted(dir / "row.png") + " --csv " + quoted(dir / "codes.csv"));
    ASSERT_EQ(r.status, 0) << r.err;
    expect_read(dir / "row-0001.png", "]d2", a);
    expect_read(dir / "row-0002.png", "]d2", b);
}
