// Barcodes as the render library draws them: their size at every
// resolution, every kind read back by readers that are not ours, refused
// data, and vector devices.
#include <QFile>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSvgGenerator>
#include <cmath>
#include <cstdio>
#include <thread>
#include <zint.h>

#include "model/tables.h"
#include "render/barcode.h"
#include "render_support.h"
#include "support/readers.h"
#include "support/shots.h"
#include "support/temp_dir.h"

namespace {

// The first and last dark column of a row (-1 when none).
std::pair<int, int> dark_span(const QImage &img, int row)
{
    int left = -1, right = -1;
    for (int x = 0; x < img.width(); ++x)
        if (qGray(img.pixel(x, row)) < 128) {
            if (left < 0)
                left = x;
            right = x;
        }
    return {left, right};
}

// The runs of one colour along a row between two columns: widths in pixels.
std::vector<int> runs(const QImage &img, int row, int from, int to)
{
    std::vector<int> out;
    bool dark = qGray(img.pixel(from, row)) < 128;
    int n = 0;
    for (int x = from; x <= to; ++x) {
        const bool d = qGray(img.pixel(x, row)) < 128;
        if (d != dark) {
            out.push_back(n);
            n = 0;
            dark = d;
        }
        ++n;
    }
    out.push_back(n);
    return out;
}

// libzint's own layout of the symbol without text: where the bars start and
// end within its width, in vector units (two per module).
struct symbol_span {
    double first = 0, last = 0, width = 0;
};
symbol_span zint_span(int symbology, const std::string &data)
{
    zint_symbol *s = ZBarcode_Create();
    s->symbology = symbology;
    s->input_mode = UNICODE_MODE;
    s->show_hrt = 0;
    symbol_span out;
    if (ZBarcode_Encode(s, reinterpret_cast<const unsigned char *>(data.data()), static_cast<int>(data.size())) <
            ZINT_ERROR &&
        ZBarcode_Buffer_Vector(s, 0) < ZINT_ERROR) {
        out.first = 1e9;
        for (const zint_vector_rect *r = s->vector->rectangles; r; r = r->next) {
            out.first = std::min<double>(out.first, r->x);
            out.last = std::max<double>(out.last, r->x + r->width);
        }
        out.width = s->vector->width;
    }
    ZBarcode_Delete(s);
    return out;
}

} // namespace

TEST(Barcodes, BarsFillTheirBoxAtEveryResolution)
{
    // A 160 × 50 point box: its bars span it (EAN-13 less its quiet zones)
    // within one module at every resolution, each bar and space within a
    // pixel of its true width, and zbarimg reads the picture the preview
    // gets.
    struct kind {
        int type;
        const char16_t *data;
        const char *decoded;
        int zint;
        const char *zint_data;
    } kinds[] = {{7, u"Vm-42", "Vm-42", BARCODE_CODE128, "Vm-42"},
                 {3, u"400638133393", "4006381333931", BARCODE_EANX, "400638133393"},
                 {6, u"CODE39", "CODE39", BARCODE_CODE39, "CODE39"},
                 {11, u"12345670", "12345670", BARCODE_C25INTER, "12345670"}};
    for (const kind &k : kinds) {
        const symbol_span span = zint_span(k.zint, k.zint_data);
        ASSERT_GT(span.width, 0) << k.type;
        std::vector<unsigned char> modules;
        std::string error;
        ASSERT_TRUE(rdr__zint_modules(k.zint, k.zint_data, modules, error)) << error;
        for (int dpi : {75, 150, 300, 600}) {
            label_ptr lab = blank_label(200, 100);
            add_barcode(lab.get(), k.type, k.data, 20, 25, 160, 50);
            const QImage img = draw_at(lab.get(), dpi);
            const QImage seen = through_jpeg(img);
            const double s = dpi / 72.0, box = 160 * s, module = box / (span.width / 2);
            const int row = static_cast<int>(50 * s); // the middle of the box
            const auto [left, right] = dark_span(seen, row);
            const double expected_left = 20 * s + box * span.first / span.width;
            const double expected_width = box * (span.last - span.first) / span.width;
            const int width = right - left + 1;
            std::printf("fill %s %d dpi: %.1f %% of the box (%d of %.0f px, bars expected %.0f px)\n",
                        k.decoded, dpi, 100.0 * width / box, width, box, expected_width);
            EXPECT_NEAR(width, expected_width, module) << k.decoded << " at " << dpi << " dpi";
            EXPECT_NEAR(left, expected_left, module) << k.decoded << " at " << dpi << " dpi";
            EXPECT_EQ(zbar_read(seen), k.decoded) << k.decoded << " at " << dpi << " dpi";
            // Bars and spaces of the picture itself: n modules are n × X
            // pixels give or take one.
            const auto [l, r] = dark_span(img, row);
            const std::vector<int> widths = runs(img, row, l, r);
            std::vector<int> counts;
            for (std::size_t i = 0; i < modules.size();) {
                std::size_t j = i;
                while (j < modules.size() && modules[j] == modules[i])
                    ++j;
                counts.push_back(static_cast<int>(j - i));
                i = j;
            }
            ASSERT_EQ(widths.size(), counts.size()) << k.decoded << " at " << dpi << " dpi";
            for (std::size_t i = 0; i < counts.size(); ++i)
                EXPECT_NEAR(widths[i], counts[i] * module, 1.0)
                    << k.decoded << " at " << dpi << " dpi, run " << i;
        }
    }
}

TEST(Barcodes, TurnedBarcodeFillsItsTurnedBox)
{
    // At 90 degrees the bars run along the box's height.
    label_ptr lab = blank_label(100, 200);
    element *b = add_barcode(lab.get(), 7, u"TURNED-90", 50, 20, 160, 50);
    b->angle = 90;
    const QImage img = draw_at(lab.get(), 300);
    const double s = 300 / 72.0;
    // The turned box: 25..75 × 20..180 points, the bars from its bottom up.
    const int column = static_cast<int>(50 * s);
    int top = -1, bottom = -1;
    for (int y = 0; y < img.height(); ++y)
        if (qGray(img.pixel(column, y)) < 128) {
            if (top < 0)
                top = y;
            bottom = y;
        }
    EXPECT_NEAR(bottom - top + 1, 160 * s, 2 * 160 * s / 100);
    EXPECT_EQ(zbar_read(img), "TURNED-90");
}

namespace {

// zxing's readings of a picture, one "Format<TAB>text" line each.
std::string zxing_lines(const QImage &img)
{
    std::string out;
    for (const zxing_result &r : zxing_read(img))
        out += r.format + "\t" + r.text + "\n";
    return out;
}

bool zxing_found(const QImage &img, const std::string &format, const std::string &text)
{
    for (const zxing_result &r : zxing_read(img))
        if (r.format == format && r.text == text)
            return true;
    return false;
}

// The bounding box of the dark pixels.
QRect dark_box(const QImage &img)
{
    int l = img.width(), t = img.height(), r = -1, b = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128) {
                l = std::min(l, x);
                r = std::max(r, x);
                t = std::min(t, y);
                b = std::max(b, y);
            }
    return r < 0 ? QRect() : QRect(QPoint(l, t), QPoint(r, b));
}

} // namespace

TEST(Barcodes, RasterBarsAreWholePixelsAtEveryQuarterTurn)
{
    // On a raster the bars are whole pixels of their own colour, nothing in
    // between, upright, turned or upside down, and the reader reads each;
    // a turned symbol is as big as the upright one turned, and upside down
    // (a transform that keeps the bars upright) it is the same pixels
    // turned.  Odd positions and sizes, so that rounding shows.
    const std::uint32_t colour = 0x2060A0;
    const QRgb ink = 0xFF000000u | colour;
    QImage upright;
    for (int angle : {0, 90, 180, 270}) {
        label_ptr lab = blank_label(420, 420);
        element *b = add_barcode(lab.get(), 7, u"Quarter-7", 190.3, 185.7, 160.45, 50.2);
        b->barcode.colour = colour;
        b->angle = angle;
        const QImage img = draw_at(lab.get(), 300);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = img.pixel(x, y);
                ASSERT_TRUE(c == 0xFFFFFFFFu || c == ink)
                    << angle << " degrees: pixel " << x << "," << y << " is " << std::hex << c;
            }
        EXPECT_EQ(zbar_read(img), "Quarter-7") << angle << " degrees";
        const QRect box = dark_box(img);
        ASSERT_FALSE(box.isEmpty()) << angle << " degrees";
        const QImage back = img.copy(box).transformed(QTransform().rotate(-angle)).convertToFormat(QImage::Format_RGB32);
        if (angle == 0)
            upright = back;
        EXPECT_EQ(back.size(), upright.size()) << angle << " degrees";
        if (angle == 180)
            EXPECT_TRUE(back == upright);
    }
}

TEST(Barcodes, TwoDimensionalAndGs1KindsReadBackWithOtherReaders)
{
    // Each later kind drawn into a box of other proportions: zbarimg reads
    // QR and GS1-128, dmtxread DataMatrix, zxing-cpp every one of them.
    const std::string gs1 = "(01)04601234567893(17)261231(10)ABC";
    const std::string gs1_read = "01046012345678931726123110ABC"; // zbar: identifiers without brackets
    struct kind {
        int type;
        std::string data;
        double w, h;
        const char *zxing_format;
    } kinds[] = {
        {16, "https://vellumo.example/молоко?p=89,90", 120, 80, "QRCode"},
        {17, "ЧЗ 0104601234567893215Abc", 80, 120, "DataMatrix"},
        {17, gs1, 100, 100, "DataMatrix"},
        {18, "PDF417 Vellumo 1234567890", 200, 80, "PDF417"},
        {19, gs1, 220, 60, "Code128"},
    };
    for (const kind &k : kinds) {
        SCOPED_TRACE(std::to_string(k.type) + " " + k.data);
        for (int dpi : {150, 300}) {
            label_ptr lab = blank_label(k.w + 40, k.h + 40);
            add_barcode(lab.get(), k.type, plt__from_utf8(k.data), 20, 20, k.w, k.h);
            std::vector<std::u16string> log;
            const QImage img = draw_at(lab.get(), dpi, &log);
            EXPECT_TRUE(log.empty()) << log_text(log);
            const double s = dpi / 72.0;
            const QRect box = dark_box(img);
            ASSERT_FALSE(box.isNull());
            // Inside the element's box.
            EXPECT_GE(box.left(), std::floor(20 * s) - 1);
            EXPECT_LE(box.right(), std::ceil((20 + k.w) * s) + 1);
            EXPECT_GE(box.top(), std::floor(20 * s) - 1);
            EXPECT_LE(box.bottom(), std::ceil((20 + k.h) * s) + 1);
            if (k.type == 16 || k.type == 17) {
                // Square symbols: as large as the shorter side, centred.
                const double side = std::min(k.w, k.h) * s;
                EXPECT_NEAR(box.width(), side, side * 0.03);
                EXPECT_NEAR(box.height(), side, side * 0.03);
                EXPECT_NEAR(box.center().x(), (20 + k.w / 2) * s, 2);
                EXPECT_NEAR(box.center().y(), (20 + k.h / 2) * s, 2);
            } else {
                // PDF417 and GS1-128 fill the width.
                EXPECT_NEAR(box.width(), k.w * s, k.w * s * 0.03);
            }
            const std::string expected = k.type == 19 || (k.type == 17 && k.data == gs1) ? gs1 : k.data;
            if (k.type == 16) {
                EXPECT_EQ(zbar_read(img), k.data);
            }
            if (k.type == 19) {
                EXPECT_EQ(zbar_read(img), gs1_read);
            }
            if (k.type == 17) {
                // dmtxread gives GS1 data without its leading FNC1 and
                // writes the ECI marker of UTF-8 (26) as a byte of its own.
                std::string read = dmtx_read(img);
                if (!read.empty() && read[0] == '\x1a')
                    read.erase(0, 1);
                EXPECT_EQ(read, k.data == gs1 ? gs1_read : k.data) << "dmtxread";
            }
            const std::string zx = k.type == 19 || (k.type == 17 && k.data == gs1) ? gs1_read : k.data;
            EXPECT_TRUE(zxing_found(img, k.zxing_format, zx) || zxing_found(img, k.zxing_format, expected))
                << dpi << " dpi, zxing read:\n"
                << zxing_lines(img);
        }
    }
}

TEST(Barcodes, EveryKindOfTheTableIsDrawnAndReadBack)
{
    // Each row of the kinds' table with data of its own (a kind added to
    // the table without a sample here fails), drawn at 300 dpi and read by
    // zbarimg, dmtxread or zxing-cpp: the data checks and the libzint
    // symbology of the row make the symbol the reader expects.  MSI and
    // Plessey have no reader here; they must draw without a complaint.
    struct sample {
        const char *kind; // the name written
        std::string data;
        const char *read; // what the reader gives; null: no reader
        char reader;      // 'z' zbarimg, 'd' dmtxread, 'x' zxing-cpp
        const char *zxing_format;
    } samples[] = {
        {"AUTO", "4006381333931", "4006381333931", 'z', nullptr},
        {"EAN", "9638507", "96385074", 'z', nullptr},
        {"EAN8", "96385074", "96385074", 'z', nullptr},
        {"EAN13", "400638133393", "4006381333931", 'z', nullptr},
        {"UPC", "03600029145", "036000291452", 'x', "UPCA"},
        {"ISBN", "9780306406157", "9780306406157", 'z', nullptr},
        {"39", "CODE39", "CODE39", 'z', nullptr},
        {"128", "Vm-42", "Vm-42", 'z', nullptr},
        {"128B", "Vm-42", "Vm-42", 'z', nullptr},
        {"128C", "123456", "123456", 'z', nullptr},
        {"128RAW", "104 33 34 35", "ABC", 'z', nullptr},
        {"I25", "12345670", "12345670", 'z', nullptr},
        {"CODABAR", "40156", "A40156B", 'z', nullptr},
        {"MSI", "1234567", nullptr, 0, nullptr},
        {"PLESSEY", "12345AB", nullptr, 0, nullptr},
        {"93", "CODE93", "CODE93", 'z', nullptr},
        {"QRCODE", "Vellumo 1", "Vellumo 1", 'z', nullptr},
        {"DATAMATRIX", "Vellumo 2", "Vellumo 2", 'd', nullptr},
        {"PDF417", "Vellumo 3", "Vellumo 3", 'x', "PDF417"},
        {"GS1-128", "(01)04601234567893", "0104601234567893", 'z', nullptr},
    };
    for (const barcode_kind &k : barcode_kinds) {
        SCOPED_TRACE(k.stored[0]);
        const sample *s = nullptr;
        for (const sample &c : samples)
            if (std::string(c.kind) == k.stored[0])
                s = &c;
        ASSERT_TRUE(s) << "no sample for this kind";
        EXPECT_EQ(rdr__barcode_refusal(k.code, s->data), "");
        const double w = k.two_d ? 100 : 220, h = k.two_d ? 100 : 70;
        label_ptr lab = blank_label(w + 40, h + 40);
        add_barcode(lab.get(), k.code, plt__from_utf8(s->data), 20, 20, w, h);
        std::vector<std::u16string> log;
        const QImage img = draw_at(lab.get(), 300, &log);
        EXPECT_TRUE(log.empty()) << log_text(log);
        ASSERT_FALSE(dark_box(img).isNull());
        if (!s->read)
            continue;
        if (s->reader == 'z')
            EXPECT_EQ(zbar_read(img), s->read);
        else if (s->reader == 'd')
            EXPECT_EQ(dmtx_read(img), s->read);
        else
            EXPECT_TRUE(zxing_found(img, s->zxing_format, s->read)) << zxing_lines(img);
    }
}

TEST(Barcodes, RefusedDataGivesTheCrossedBoxAndLibzintsReason)
{
    struct bad {
        int type;
        std::string data;
    } cases[] = {
        {19, "04601234567893"},                 // no identifier
        {19, "(01)04601234567890"},             // wrong check digit
        {19, "(17)261399"},                     // no such date
        {17, "(01)0460123456789"},              // GS1 DataMatrix, too short a GTIN
        {16, std::string(8000, '7')},           // more than a QR code holds
        {18, std::string(3000, 'x')},           // more than PDF417 holds
        {16, ""},
    };
    for (const bad &b : cases) {
        SCOPED_TRACE(std::to_string(b.type) + " " + b.data.substr(0, 40));
        const std::string refusal = rdr__barcode_refusal(b.type, b.data);
        EXPECT_FALSE(refusal.empty());
        label_ptr lab = blank_label(200, 100);
        add_barcode(lab.get(), b.type, plt__from_utf8(b.data), 20, 20, 160, 60);
        std::vector<std::u16string> log;
        const QImage img = draw_at(lab.get(), 150, &log);
        ASSERT_EQ(log.size(), 1u);
        EXPECT_NE(log_text(log).find(refusal), std::string::npos) << log_text(log);
        // The red cross: a red pixel on the box's diagonal.
        const double s = 150 / 72.0;
        const QColor mid = img.pixelColor(static_cast<int>(100 * s), static_cast<int>(50 * s));
        EXPECT_GT(mid.red(), 150);
        EXPECT_LT(mid.green(), 120);
        EXPECT_EQ(zbar_read(img), "");
    }
}

TEST(Barcodes, LibzintsRefusalsAreSaidInRussianWithItsOwnWordsInBrackets)
{
    // What libzint itself refuses: the person reads why in Russian first;
    // libzint's English text stays, bracketed, for looking the error up.
    struct bad {
        int type;
        std::string data;
        const char *russian;
    } cases[] = {
        {16, std::string(8000, '7'), "длина данных не подходит"},
        {7, "Привет", "нельзя записать"},
        {19, "(01)04601234567890", "не соответствуют стандарту"},
        {3, "4600000000001", "контрольная цифра"},
    };
    for (const bad &b : cases) {
        SCOPED_TRACE(std::to_string(b.type) + " " + b.data.substr(0, 40));
        const std::string refusal = rdr__barcode_refusal(b.type, b.data);
        ASSERT_FALSE(refusal.empty());
        EXPECT_GE(static_cast<unsigned char>(refusal[0]), 0x80u) << refusal; // a Cyrillic letter first
        EXPECT_NE(refusal.find(b.russian), std::string::npos) << refusal;
        const std::size_t open = refusal.find(" (");
        ASSERT_NE(open, std::string::npos) << refusal;
        EXPECT_NE(refusal.find("Error ", open), std::string::npos) << refusal;
        EXPECT_EQ(refusal.back(), ')') << refusal;
    }
}

TEST(Barcodes, PdfPagesKeepExactEdgesAndRead)
{
    // On a vector device edges are where the scale puts them: the bars of
    // a CODE-128 and an EAN-13 fill their box on a PDF page, as poppler
    // draws it at 600 dpi, within a module, and zbarimg reads them.
    temp_dir dir;
    const QString pdf = QString::fromStdString((dir / "label.pdf").string());
    label_ptr lab = blank_label(200, 200);
    add_barcode(lab.get(), 7, u"PDF-128", 20.3, 120.7, 160.45, 50);
    add_barcode(lab.get(), 3, u"400638133393", 20.3, 20.7, 160.45, 50);
    {
        QPdfWriter writer(pdf);
        writer.setResolution(72);
        writer.setPageSize(QPageSize(QSizeF(200, 200), QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter p(&writer);
        render_request r;
        std::vector<std::u16string> log;
        rdr__draw_label(p, lab.get(), r, log);
        EXPECT_TRUE(log.empty()) << log_text(log);
    }
    const std::string png = (dir / "page").string();
    ASSERT_EQ(std::system(("pdftoppm -r 600 -png -singlefile '" + pdf.toStdString() + "' '" + png + "'").c_str()), 0);
    const QImage page(QString::fromStdString(png + ".png"));
    ASSERT_FALSE(page.isNull());
    const double s = 600 / 72.0;
    struct one {
        double top; // points from the page's top to the box's middle
        int zint;
        const char *data;
        const char *read;
    } codes[] = {{200 - 145.7, BARCODE_CODE128, "PDF-128", "PDF-128"},
                 {200 - 45.7, BARCODE_EANX, "400638133393", "4006381333931"}};
    for (const one &c : codes) {
        const symbol_span span = zint_span(c.zint, c.data);
        const double box = 160.45 * s, module = box / (span.width / 2);
        const int row = static_cast<int>(c.top * s);
        const auto [left, right] = dark_span(page, row);
        EXPECT_NEAR(right - left + 1, box * (span.last - span.first) / span.width, module) << c.data;
        EXPECT_NEAR(left, 20.3 * s + box * span.first / span.width, module) << c.data;
        const QImage strip = page.copy(0, static_cast<int>((c.top - 30) * s), page.width(), static_cast<int>(60 * s));
        EXPECT_EQ(zbar_read(strip), c.read);
    }
}
