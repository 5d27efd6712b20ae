// Texts that fit their box, in a batch: a 60 × 40 mm price label whose
// product name (${name}, 20 to 160 characters a row) wraps and shrinks
// into its box, with a price and a barcode, 1,000 rows to PDF.  Against
// the same batch with the name drawn as a plain text, the fitting should
// cost at most 1.5 times as much; so should the fitted name with a PNG
// logo on every label.
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_common.h"
#include "bench_logo.h"
#include "output/batch.h"
#include "model/picture_file.h"
#include "output/document.h"
#include "platform/code_pages.h"

namespace fs = std::filesystem;

namespace {

constexpr double MM = 72 / 25.4;
constexpr int ROWS = 1000;

element *add(label *lab, int type, double x, double y, double w, double h)
{
    element *e = ele__add(lab, lab->qty);
    e->type = type;
    e->x = x;
    e->y = y;
    e->width = w;
    e->height = h;
    return e;
}

// What a price label holds beyond its plain elements; each batch below
// draws one such label.  Another element to measure (a picture) is a
// member here, its lines in price_label and a row in `batches`.
struct label_parts {
    bool fitted_name = false; // the name wraps and shrinks into its box
    bool logo = false;        // a PNG logo at the top right
};

label_ptr price_label(const label_parts &parts)
{
    label_ptr lab = ele__label_new(60 * MM, 40 * MM);
    lab->name = u"Ценник";
    lab->bgcolor = 0xFFFFFF;
    element *name = add(lab.get(), ELE_TEXT, 4, 60, 60 * MM - 8, 50);
    name->text.text = u"${name}";
    name->text.font = u"DejaVu Sans";
    name->text.size = 14;
    if (parts.fitted_name) {
        name->text.wrap = true;
        name->text.shrink = 5;
    }
    element *price = add(lab.get(), ELE_TEXT, 4, 36, 70, 20);
    price->text.text = u"${price} ₽";
    price->text.font = u"DejaVu Sans";
    price->text.size = 16;
    element *code = add(lab.get(), ELE_BARCODE, 80, 4, 60 * MM - 84, 50);
    code->barcode.type = 7;
    code->barcode.code = u"${code}";
    if (parts.logo) {
        std::u16string why;
        lg_epsi_ptr pic = pic__load_buffer(bench_logo_png(), picture_format::png, why);
        if (!pic) {
            std::printf("bench textfit: logo refused: %s\n", plt__to_utf8(why).c_str());
            std::exit(1);
        }
        element *p = add(lab.get(), ELE_PICTURE, 60 * MM - 54, 88, 50, 20);
        p->picture.data = std::move(pic);
        ele__update_ratio(p);
    }
    return lab;
}

// Names of 20 to 160 characters, words of 2 to 13 letters.
std::string product_name(int row)
{
    static const char *const words[] = {"молоко", "ультрапастеризованное", "3,2%", "в", "бутылке", "0,9", "л",
                                        "сыр",    "полутвёрдый",           "с",    "орехами", "весовой", "вкус",
                                        "сливочный", "упаковка", "вакуумная"};
    const std::size_t target = 20 + static_cast<std::size_t>(row * 37 % 141);
    std::string out;
    std::u16string measured;
    for (int i = row; measured.size() < target; ++i) {
        if (!out.empty())
            out += ' ';
        out += words[static_cast<std::size_t>(i * 7 + row) % std::size(words)];
        measured = plt__from_utf8(out);
    }
    return out;
}

void write_table(const fs::path &p)
{
    std::ofstream out(p, std::ios::binary);
    out << "name;price;code\r\n";
    for (int r = 0; r < ROWS; ++r)
        out << '"' << product_name(r) << "\";" << (49 + r % 900) << ",90;C" << (100000 + r) << "\r\n";
}

double run_batch(const label *lab, const fs::path &csv, const fs::path &pdf)
{
    const auto start = std::chrono::steady_clock::now();
    std::u16string error;
    auto sink = out__file_sink(lab, plt__from_utf8(pdf.string()), {}, true, error);
    if (!sink) {
        std::printf("bench textfit: no sink: %s\n", plt__to_utf8(error).c_str());
        std::exit(1);
    }
    batch_request req;
    req.lab = lab;
    req.csv_path = csv.string();
    const batch_outcome out = out__batch(req, *sink);
    if (!out.complete || !out.problems.empty() || out.labels != ROWS) {
        std::printf("bench textfit: the batch failed: %s\n", plt__to_utf8(out.error).c_str());
        std::exit(1);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const fs::path dir = fs::temp_directory_path() / ("vellumo-bench-textfit-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    write_table(dir / "rows.csv");
    struct batch {
        const char *name;
        label_parts parts;
        double seconds = 0;
    };
    batch batches[] = {
        {"plain", {}},
        {"fitted", {.fitted_name = true}},
        {"fitted-logo", {.fitted_name = true, .logo = true}},
    };
    for (batch &b : batches) {
        const label_ptr lab = price_label(b.parts);
        const fs::path pdf = dir / (std::string(b.name) + ".pdf");
        b.seconds = median_seconds(3, [&] { run_batch(lab.get(), dir / "rows.csv", pdf); });
        std::printf("bench textfit-%s-1000-rows: %.2f s\n", b.name, b.seconds);
    }
    // The floor is the plain batch, measured in the same run.
    const double ratio = batches[1].seconds / batches[0].seconds;
    const double with_logo = batches[2].seconds / batches[0].seconds;
    constexpr double floor = 1.5;
    std::printf("bench textfit_ratio: %.2f\n", ratio);
    std::printf("bench textfit_ratio-within-%g: %s\n", floor, ratio <= floor ? "yes" : "no");
    std::printf("bench textfit-logo_ratio: %.2f\n", with_logo);
    std::printf("bench textfit-logo_ratio-within-%g: %s\n", floor, with_logo <= floor ? "yes" : "no");
    std::error_code ec;
    fs::remove_all(dir, ec);
    return ratio <= floor && with_logo <= floor ? 0 : 1;
}
