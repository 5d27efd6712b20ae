// A table of 1,000 rows to PDF where every label has a PNG logo, against
// the same labels without it: the logo is decoded once and written once,
// so it may cost at most half as much again.  The same logo named by the
// table (a picture from the data) is measured too.
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_common.h"
#include "bench_logo.h"
#include "model/picture_file.h"
#include "output/document.h"
#include "platform/code_pages.h"

namespace fs = std::filesystem;

namespace {

constexpr double MM = 72 / 25.4;
// `bench_picture_batch ROWS` measures another number of rows.
int ROWS = 1000;

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

// A price tag: ten texts, a barcode and a border.
label_ptr tag()
{
    label_ptr lab = ele__label_new(58 * MM, 40 * MM);
    lab->name = u"Ценник";
    lab->bgcolor = 0xFFFFFF;
    for (int i = 0; i < 10; ++i) {
        element *t = add(lab.get(), ELE_TEXT, 6, 8 + i * 7, 80, 7);
        t->text.text = u"${t" + rdr__number(i) + u"}";
        t->text.font = u"DejaVu Sans";
        t->text.size = 5;
    }
    element *b = add(lab.get(), ELE_BARCODE, 90, 8, 60, 30);
    b->barcode.type = 7;
    b->barcode.code = u"${code}";
    element *r = add(lab.get(), ELE_BORDER, 2, 2, 58 * MM - 4, 40 * MM - 4);
    r->border.thickness = 0.5;
    return lab;
}

element *add_logo(label *lab, const std::vector<unsigned char> &png)
{
    std::u16string why;
    lg_epsi_ptr pic = pic__load_buffer(std::vector<unsigned char>(png), picture_format::png, why);
    if (!pic) {
        std::printf("bench picture-batch: logo refused: %s\n", plt__to_utf8(why).c_str());
        std::exit(1);
    }
    element *p = add(lab, ELE_PICTURE, 95, 60, 60, 24);
    p->picture.data = std::move(pic);
    ele__update_ratio(p);
    return p;
}

void write_table(const fs::path &p)
{
    std::ofstream out(p, std::ios::binary);
    out << "code;logo";
    for (int c = 0; c < 10; ++c)
        out << ";t" << c;
    out << "\r\n";
    for (int r = 0; r < ROWS; ++r) {
        out << "C" << 100000 + r << ";logo.png";
        for (int c = 0; c < 10; ++c)
            out << ";\"Значение " << r << "-" << c << "\"";
        out << "\r\n";
    }
}

double run_batch(const label *lab, const fs::path &csv, const fs::path &pdf)
{
    const auto start = std::chrono::steady_clock::now();
    std::u16string error;
    auto sink = out__file_sink(lab, plt__from_utf8(pdf.string()), {}, true, error);
    batch_request req;
    req.lab = lab;
    req.csv_path = csv.string();
    const batch_outcome out = out__batch(req, *sink);
    if (!out.complete || !out.problems.empty()) {
        std::printf("bench picture-batch: failed: %s %s\n", plt__to_utf8(out.error).c_str(),
                    out.problems.empty() ? "" : plt__to_utf8(out.problems[0]).c_str());
        std::exit(1);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 2 && std::atoi(argv[1]) > 0)
        ROWS = std::atoi(argv[1]);
    const fs::path dir = fs::temp_directory_path() / ("vellumo-bench-picture-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path csv = dir / "rows.csv";
    write_table(csv);
    const std::vector<unsigned char> png = bench_logo_png();
    std::ofstream(dir / "logo.png", std::ios::binary).write(reinterpret_cast<const char *>(png.data()),
                                                            static_cast<std::streamsize>(png.size()));

    label_ptr plain = tag();
    label_ptr with_logo = tag();
    add_logo(with_logo.get(), png);
    label_ptr from_data = tag();
    add_logo(from_data.get(), png)->picture.source = u"${logo}";

    run_batch(plain.get(), csv, dir / "warm.pdf"); // fonts and the like
    const double t_plain = median_seconds(3, [&] { return std::chrono::duration<double>(run_batch(plain.get(), csv, dir / "plain.pdf")); });
    const double t_logo = median_seconds(3, [&] { return std::chrono::duration<double>(run_batch(with_logo.get(), csv, dir / "logo.pdf")); });
    const double t_data = median_seconds(3, [&] { return std::chrono::duration<double>(run_batch(from_data.get(), csv, dir / "data.pdf")); });
    const auto size_of = [&](const char *name) { return static_cast<double>(fs::file_size(dir / name)) / 1024; };
    std::printf("bench picture-batch-plain: %.0f pages/s\n", ROWS / t_plain);
    std::printf("bench picture-batch-png-logo: %.0f pages/s\n", ROWS / t_logo);
    std::printf("bench picture-batch-png-from-data: %.0f pages/s\n", ROWS / t_data);
    std::printf("bench picture-batch-pdf-growth: %.0f KiB\n", size_of("logo.pdf") - size_of("plain.pdf"));
    const int a = report_ratio("picture-batch-png-logo-vs-plain", t_logo / t_plain, 1.5);
    const int b = report_ratio("picture-batch-png-from-data-vs-plain", t_data / t_plain, 1.5);
    std::error_code ec;
    fs::remove_all(dir, ec);
    return a | b;
}
