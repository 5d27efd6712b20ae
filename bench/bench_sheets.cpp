// Labels on sheets: 3,000 rows of a table onto Avery 5160 (US Letter, 30
// labels a sheet: 100 pages), each label a text and a CODE-128, to one PDF,
// through what vellumo-render runs (the table read from CSV, the batch, the
// sheet layout, the PDF sink).  The floor is ten times the rate of another
// label program measured at 6.0–8.9 s for the same job: 5,000 labels a
// second (3,000 labels in under 0.6 s).  Peak memory must not grow with the
// rows: 30,000 rows within 1.2 times the peak of 3,000, each in its own
// process.
//
//     bench_sheets                 the whole benchmark
//     bench_sheets --rows N DIR    one run of N rows in DIR, then the
//                                  process's peak memory in KiB
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
#include "output/sheet_sources.h"
#include "platform/code_pages.h"

namespace fs = std::filesystem;

namespace {

constexpr double MM = 72 / 25.4;
constexpr double RATE_FLOOR = 5000; // labels a second

// Avery 5160 from the catalogue, else its geometry: US Letter, 3 × 10
// labels of 2 5/8 × 1 in, 5/32 in from the left, 1/2 in from the top, 1/8 in
// between columns.
label_sheet avery_5160(bool &from_catalogue)
{
    if (const sheet_entry *e = sht__find(sht__catalogue(), "Avery 5160")) {
        from_catalogue = true;
        return e->sheet;
    }
    from_catalogue = false;
    std::u16string error;
    std::optional<label_sheet> s = sht__parse_geometry("US-Letter,3x10,66.675x25.4,3.969,12.7,3.175,0", error);
    if (!s) {
        std::printf("bench sheets: the sheet is refused: %s\n", plt__to_utf8(error).c_str());
        std::exit(1);
    }
    return *s;
}

label_ptr bench_label(const label_sheet &sheet)
{
    label_ptr lab = ele__label_new(sheet.label_width, sheet.label_height);
    lab->name = u"Адрес";
    lab->bgcolor = 0xFFFFFF;
    element *t = ele__add(lab.get(), lab->qty);
    t->type = ELE_TEXT;
    t->x = 6;
    t->y = 44;
    t->width = sheet.label_width - 12;
    t->height = 14;
    t->text.text = u"${name}";
    t->text.font = u"DejaVu Sans";
    t->text.size = 9;
    element *b = ele__add(lab.get(), lab->qty);
    b->type = ELE_BARCODE;
    b->x = 6;
    b->y = 4;
    b->width = 40 * MM;
    b->height = 36;
    b->barcode.type = 7; // CODE-128
    b->barcode.code = u"${code}";
    return lab;
}

void write_table(const fs::path &p, int rows)
{
    std::ofstream out(p, std::ios::binary);
    out << "name;code\r\n";
    for (int r = 0; r < rows; ++r)
        out << "\"Получатель " << r << ", ул. Садовая, д. " << r % 200 << "\";C" << 100000 + r << "\r\n";
}

double run_batch(const label *lab, const label_sheet &sheet, const fs::path &csv, const fs::path &pdf)
{
    const auto start = std::chrono::steady_clock::now();
    std::u16string error;
    auto sink = out__file_sink(lab, plt__from_utf8(pdf.string()), {}, true, error);
    if (!sink) {
        std::printf("bench sheets: failed: %s\n", plt__to_utf8(error).c_str());
        std::exit(1);
    }
    const sheet_layout layout(sheet);
    batch_request req;
    req.lab = lab;
    req.csv_path = csv.string();
    req.layout = &layout;
    const batch_outcome out = out__batch(req, *sink);
    if (!out.complete || !out.problems.empty()) {
        std::printf("bench sheets: failed: %s\n", plt__to_utf8(out.error).c_str());
        std::exit(1);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One run of `rows` in its own process; its peak memory in KiB.
long child_peak(const char *self, int rows, const fs::path &dir)
{
    return bench_child_peak_kib(self, "--rows " + std::to_string(rows) + " '" + dir.string() + "'");
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    bool from_catalogue = false;
    const label_sheet sheet = avery_5160(from_catalogue);
    label_ptr lab = bench_label(sheet);

    if (argc == 4 && std::strcmp(argv[1], "--rows") == 0) {
        const fs::path dir = argv[3];
        const fs::path csv = dir / ("rows-" + std::string(argv[2]) + ".csv");
        write_table(csv, std::atoi(argv[2]));
        run_batch(lab.get(), sheet, csv, dir / "rows.pdf");
        std::printf("%ld\n", bench_peak_kib());
        return 0;
    }

    const fs::path dir = fs::temp_directory_path() / ("vellumo-bench-sheets-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    constexpr int ROWS = 3000;
    write_table(dir / "rows.csv", ROWS);
    std::printf("bench sheets: %s\n", from_catalogue ? "Avery 5160 from the catalogue"
                                                     : "Avery 5160 not in the catalogue: its geometry");
    // The first run warms fonts and caches; the median of three after it.
    run_batch(lab.get(), sheet, dir / "rows.csv", dir / "sheets.pdf");
    const double seconds =
        median_seconds(3, [&] { return std::chrono::duration<double>(run_batch(lab.get(), sheet, dir / "rows.csv",
                                                                                dir / "sheets.pdf")); });
    const double rate = ROWS / seconds;
    std::printf("bench sheets_seconds: %.3f s for %d labels on %d pages\n", seconds, ROWS, (ROWS + 29) / 30);
    std::printf("bench sheets_labels_per_second: %.0f labels/s\n", rate);
    const bool fast = rate >= RATE_FLOOR;
    std::printf("bench sheets_labels_per_second-at-least-%g: %s\n", RATE_FLOOR, fast ? "yes" : "no");

    const long small = child_peak(argv[0], ROWS, dir), large = child_peak(argv[0], ROWS * 10, dir);
    std::printf("bench sheets_peak_kib: %ld at %d rows, %ld at %d rows\n", small, ROWS, large, ROWS * 10);
    const int memory = small > 0 && large > 0 ? report_ratio("sheets_peak_memory", double(large) / small, 1.2) : 1;
    std::error_code ec;
    fs::remove_all(dir, ec);
    return fast && memory == 0 ? 0 : 1;
}
