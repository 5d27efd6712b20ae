// Thermal printers' jobs: 1,000 labels of 4 × 6 in from a table, each a
// name, an address, a CODE-128 and a QR code, to one ZPL job at 203 dpi,
// against the same labels as 203 dpi PNG files (a file per label): the job
// may cost no more than the PNG files.  Bytes per label of the job (its
// compressed graphic fields) are reported.  Peak memory must not grow with
// the rows: 10,000 labels within 1.2 times the peak of 1,000, each in its
// own process.
//
//     bench_thermal                 the whole benchmark
//     bench_thermal --rows N DIR    one ZPL run of N rows in DIR, then the
//                                   process's peak memory in KiB
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "bench_common.h"
#include "output/document.h"
#include "platform/code_pages.h"

namespace fs = std::filesystem;

namespace {

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

label_ptr bench_label()
{
    label_ptr lab = ele__label_new(288, 432); // 4 × 6 in
    lab->name = u"Отправление";
    lab->bgcolor = 0xFFFFFF;
    for (auto [y, text, size] : {std::tuple{380.0, u"${name}", 20.0}, std::tuple{300.0, u"${address}", 12.0}}) {
        element *t = add(lab.get(), ELE_TEXT, 14, y, 260, size * 3);
        t->text.text = text;
        t->text.font = u"DejaVu Sans";
        t->text.size = size;
        t->text.wrap = true;
    }
    element *b = add(lab.get(), ELE_BARCODE, 14, 150, 260, 110);
    b->barcode.type = 7; // CODE-128
    b->barcode.code = u"${code}";
    b->barcode.text = 1;
    element *q = add(lab.get(), ELE_BARCODE, 14, 14, 120, 120);
    q->barcode.type = 16; // QR
    q->barcode.code = u"https://example.ru/t/${code}";
    add(lab.get(), ELE_BORDER, 4, 4, 280, 424)->border.thickness = 2;
    return lab;
}

void write_table(const fs::path &p, int rows)
{
    std::ofstream out(p, std::ios::binary);
    out << "name;address;code\r\n";
    for (int r = 0; r < rows; ++r)
        out << "\"Получатель " << r << "\";\"г. Москва, ул. Садовая, д. " << r % 200 << ", кв. " << r % 97
            << "\";RU" << 100000000 + r << "\r\n";
}

double run_batch(const label *lab, const fs::path &csv, const fs::path &out)
{
    const auto start = std::chrono::steady_clock::now();
    std::u16string error;
    doc_options o;
    o.dpi = 203;
    o.thermal.dpi = 203;
    auto sink = out__file_sink(lab, plt__from_utf8(out.string()), o, true, error);
    if (!sink) {
        std::printf("bench thermal: failed: %s\n", plt__to_utf8(error).c_str());
        std::exit(1);
    }
    batch_request req;
    req.lab = lab;
    req.csv_path = csv.string();
    const batch_outcome done = out__batch(req, *sink);
    if (!done.complete || !done.problems.empty()) {
        std::printf("bench thermal: failed: %s\n", plt__to_utf8(done.error).c_str());
        std::exit(1);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    label_ptr lab = bench_label();

    if (argc == 4 && std::strcmp(argv[1], "--rows") == 0) {
        const fs::path dir = argv[3];
        const fs::path csv = dir / ("rows-" + std::string(argv[2]) + ".csv");
        write_table(csv, std::atoi(argv[2]));
        run_batch(lab.get(), csv, dir / "rows.zpl");
        std::printf("%ld\n", bench_peak_kib());
        return 0;
    }

    const fs::path dir = fs::temp_directory_path() / ("vellumo-bench-thermal-" + std::to_string(::getpid()));
    fs::create_directories(dir / "png");
    constexpr int ROWS = 1000;
    write_table(dir / "rows.csv", ROWS);
    // A first run of each warms fonts and caches; the median of three after.
    run_batch(lab.get(), dir / "rows.csv", dir / "job.zpl");
    const double zpl = median_seconds(
        3, [&] { return std::chrono::duration<double>(run_batch(lab.get(), dir / "rows.csv", dir / "job.zpl")); });
    run_batch(lab.get(), dir / "rows.csv", dir / "png" / "label.png");
    const double png = median_seconds(3, [&] {
        return std::chrono::duration<double>(run_batch(lab.get(), dir / "rows.csv", dir / "png" / "label.png"));
    });
    const double bytes = static_cast<double>(fs::file_size(dir / "job.zpl")) / ROWS;
    std::printf("bench thermal_zpl_labels_per_second: %.0f labels/s\n", ROWS / zpl);
    std::printf("bench thermal_png_labels_per_second: %.0f labels/s\n", ROWS / png);
    std::printf("bench thermal_zpl_bytes_per_label: %.0f bytes\n", bytes);
    const int speed = report_ratio("thermal_zpl_against_png", zpl / png, 1.0);

    const long small = bench_child_peak_kib(argv[0], "--rows 1000 '" + dir.string() + "'");
    const long large = bench_child_peak_kib(argv[0], "--rows 10000 '" + dir.string() + "'");
    std::printf("bench thermal_peak_kib: %ld at 1000 labels, %ld at 10000 labels\n", small, large);
    const int memory = small > 0 && large > 0 ? report_ratio("thermal_peak_memory", double(large) / small, 1.2) : 1;
    std::error_code ec;
    fs::remove_all(dir, ec);
    return speed == 0 && memory == 0 ? 0 : 1;
}
