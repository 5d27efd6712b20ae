// A batch from a table of data to PDF: a 100 × 150 mm label of 40 texts,
// 5 barcodes and 5 borders, 1,000 rows.  Against the floor of drawing the
// same label 1,000 times into one QPdfWriter with the values already in
// place, the batch (reading the table, substituting, pages) should cost at
// most 1.2 times as much; and its peak memory should not grow with the
// rows: 10,000 rows within 1.2 times the peak of 1,000.
//
//     bench_batch                 the whole benchmark
//     bench_batch --rows N DIR    one batch of N rows in DIR, then the
//                                 process's peak memory in KiB (for the
//                                 memory comparison, each in its own process)
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "bench_common.h"
#include "output/document.h"
#include "platform/code_pages.h"

namespace fs = std::filesystem;

namespace {

constexpr double MM = 72 / 25.4;

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

// The texts: ${t0}…${t9} four times over in lines of their own; barcodes of
// ${code} in several kinds; borders around groups.
label_ptr bench_label()
{
    label_ptr lab = ele__label_new(100 * MM, 150 * MM);
    lab->name = u"Ценник";
    lab->bgcolor = 0xFFFFFF;
    for (int i = 0; i < 40; ++i) {
        element *t = add(lab.get(), ELE_TEXT, 8 + (i % 2) * 140, 10 + (i / 2) * 10.5, 130, 10);
        t->text.text = u"Поле " + rdr__number(i) + u": ${t" + rdr__number(i % 10) + u"}";
        t->text.font = u"DejaVu Sans";
        t->text.size = 7;
    }
    const int kinds[5] = {7, 7, 6, 15, 8};
    for (int i = 0; i < 5; ++i) {
        element *b = add(lab.get(), ELE_BARCODE, 10 + (i % 2) * 140, 230 + (i / 2) * 55, 120, 45);
        b->barcode.type = kinds[i];
        b->barcode.code = u"${code}";
    }
    for (int i = 0; i < 5; ++i) {
        element *b = add(lab.get(), ELE_BORDER, 4 + i * 2, 4 + i * 2, 100 * MM - 8 - i * 4, 150 * MM - 8 - i * 4);
        b->border.thickness = 0.5 + i * 0.25;
    }
    return lab;
}

// The same label with a logo: an EPS of words, curves and a shading.
label_ptr picture_label()
{
    label_ptr lab = bench_label();
    const std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 200 80\n"
                            "gsave 0 0 200 80 rectclip << /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 200 0]\n"
                            "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 0.9 0.2] /C1 [0.1 0.4 0.8] /N 1 >> >>\n"
                            "shfill grestore 0 setgray 4 setlinewidth 10 10 moveto 60 70 140 10 190 70 curveto stroke\n"
                            "/Helvetica-Bold findfont 28 scalefont setfont 20 30 moveto (Vellumo) show\n%%EOF\n";
    element *p = add(lab.get(), ELE_PICTURE, 150, 380, 120, 48);
    p->picture.data = eps__load_mem(reinterpret_cast<const unsigned char *>(eps.data()), eps.size());
    ele__update_ratio(p);
    p->width = 120;
    p->height = 48;
    return lab;
}

std::u16string cell(int row, int column)
{
    return u"Значение " + rdr__number(row) + u"-" + rdr__number(column);
}

std::u16string code(int row)
{
    return u"C" + rdr__number(100000 + row);
}

void write_table(const fs::path &p, int rows)
{
    std::ofstream out(p, std::ios::binary);
    out << "code";
    for (int c = 0; c < 10; ++c)
        out << ";t" << c;
    out << "\r\n";
    for (int r = 0; r < rows; ++r) {
        out << plt__to_utf8(code(r));
        for (int c = 0; c < 10; ++c)
            out << ";\"" << plt__to_utf8(cell(r, c)) << "\"";
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
        std::printf("bench batch: failed: %s\n", plt__to_utf8(out.error).c_str());
        std::exit(1);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long peak_kib()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

// One batch of `rows` in its own process; its peak memory in KiB.
long child_peak(const char *self, int rows, const fs::path &dir)
{
    return bench_child_peak_kib(self, "--rows " + std::to_string(rows) + " '" + dir.string() + "'");
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
        run_batch(lab.get(), csv, dir / "rows.pdf");
        std::printf("%ld\n", peak_kib());
        return 0;
    }

    const fs::path dir = fs::temp_directory_path() / ("vellumo-bench-batch-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    constexpr int ROWS = 1000;
    write_table(dir / "rows.csv", ROWS);

    // The floor: the same pages, values already in place, one writer.
    std::vector<label_ptr> filled;
    for (int r = 0; r < ROWS; ++r) {
        label_ptr l = bench_label();
        for (int i = 0; i < l->qty; ++i) {
            element *e = l->es[i];
            if (e->type == ELE_TEXT) {
                std::u16string &t = *e->text.text;
                const std::size_t at = t.find(u"${t");
                const int column = t[at + 3] - u'0';
                t = t.substr(0, at) + cell(r, column);
            } else if (e->type == ELE_BARCODE) {
                e->barcode.code = code(r);
            }
        }
        filled.push_back(std::move(l));
    }
    auto floor_run = [&] {
        QPdfWriter pdf(QString::fromStdString((dir / "floor.pdf").string()));
        pdf.setResolution(OUT_PDF_DPI);
        pdf.setPageLayout(out__page_layout(lab.get()));
        QPainter p(&pdf);
        render_request r;
        r.scale_x = r.scale_y = OUT_PDF_DPI / 72.0;
        r.edges = render_edges::exact;
        std::vector<std::u16string> log;
        for (int i = 0; i < ROWS; ++i) {
            if (i > 0)
                pdf.newPage();
            log.clear();
            rdr__draw_label(p, filled[i].get(), r, log);
        }
    };
    const double floor = median_seconds(3, floor_run);
    const double batch = median_seconds(3, [&] { run_batch(lab.get(), dir / "rows.csv", dir / "batch.pdf"); });
    std::printf("bench batch-pdf-1000-rows: %.2f s\n", batch);
    std::printf("bench batch-pdf-pages-per-second: %.0f pages/s\n", ROWS / batch);
    std::printf("bench pdf-writer-floor-1000-pages: %.2f s\n", floor);
    int status = report_ratio("batch-vs-pdf-writer", batch / floor, 1.2);

    // With a logo: Ghostscript's drawing of it placed once as a vector,
    // against its 600 dpi image on every page.
    label_ptr logo = picture_label();
    const double vec = median_seconds(3, [&] { run_batch(logo.get(), dir / "rows.csv", dir / "vector.pdf"); });
    {
        // The logo went in as a form, not as its image.
        std::ifstream in(dir / "vector.pdf", std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.find("/Subtype /Form") == std::string::npos) {
            std::printf("bench batch-vector-logo: the logo is not a vector\n");
            return 1;
        }
    }
    out__set_vector_pictures(false);
    const double ras = median_seconds(3, [&] { run_batch(logo.get(), dir / "rows.csv", dir / "raster.pdf"); });
    out__set_vector_pictures(true);
    std::error_code size_ec;
    const double vec_mib = double(fs::file_size(dir / "vector.pdf", size_ec)) / (1 << 20);
    const double ras_mib = double(fs::file_size(dir / "raster.pdf", size_ec)) / (1 << 20);
    std::printf("bench batch-pdf-1000-rows-vector-logo: %.2f s\n", vec);
    std::printf("bench batch-pdf-1000-rows-image-logo: %.2f s\n", ras);
    std::printf("bench batch-pdf-size-vector-logo: %.1f MiB\n", vec_mib);
    std::printf("bench batch-pdf-size-image-logo: %.1f MiB\n", ras_mib);
    status |= report_ratio("batch-vector-logo-vs-no-logo", vec / batch, 1.2);

    const long small = child_peak(argv[0], 1000, dir);
    const long large = child_peak(argv[0], 10000, dir);
    std::printf("bench batch-peak-1000-rows: %.1f MiB\n", small / 1024.0);
    std::printf("bench batch-peak-10000-rows: %.1f MiB\n", large / 1024.0);
    if (small <= 0 || large <= 0) {
        std::printf("bench batch-peak: not measured\n");
        status = 1;
    } else {
        status |= report_ratio("batch-peak-10000-vs-1000", double(large) / double(small), 1.2);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return status;
}
