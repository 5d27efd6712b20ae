// Reading a table of data kept as a spreadsheet against the same table as
// CSV: 100,000 rows (a name and a note from the book's shared strings, a
// 13-digit code, a price with two decimals, a count, a date), opened and
// checked and then read row by row as the batch reads them.  The .xlsx is
// written here as Excel writes one (shared strings, styles for the price and
// the date, deflated parts).  It should cost at most 2 times the CSV; and
// the reader's peak memory should not grow with the rows: 100,000 rows
// within 1.2 times the peak of 10,000 (only the book's distinct texts are
// kept, and there are as many in both).
//
//     bench_tables                  the whole benchmark
//     bench_tables --read FILE      one table read, then the process's peak
//                                   memory in KiB
//     bench_tables --write N FILE   the .xlsx of N rows, to look at
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <zip.h>

#include "bench_common.h"
#include "output/table_source.h"
#include "platform/code_pages.h"

namespace fs = std::filesystem;

namespace {

constexpr int NAMES = 1000;

std::string name_of(int i)
{
    return "Товар номер " + std::to_string(i % NAMES);
}

std::string note_of(int i)
{
    return i % 3 == 0 ? "акция" : i % 3 == 1 ? "новинка" : "склад";
}

// The values of row r as the reader shows them.
struct row_values {
    std::string name, code, price, count, date, note;
};

row_values values(int r)
{
    row_values v;
    v.name = name_of(r);
    v.code = std::to_string(4600000000000LL + r);
    char price[32];
    std::snprintf(price, sizeof price, "%d.%02d", 10 + r % 990, r % 100);
    v.price = price;
    v.count = std::to_string(r % 500);
    // 45292 is 01.01.2024; a date a day, round a year.
    const int day = r % 365;
    char date[32];
    const int days_in[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int m = 0, d = day;
    while (d >= days_in[m])
        d -= days_in[m++];
    std::snprintf(date, sizeof date, "%02d.%02d.2024", d + 1, m + 1);
    v.date = date;
    v.note = note_of(r);
    return v;
}

void write_csv(const fs::path &p, int rows)
{
    std::ofstream out(p, std::ios::binary);
    out << "name;code;price;count;date;note\n";
    for (int r = 0; r < rows; ++r) {
        const row_values v = values(r);
        out << v.name << ';' << v.code << ';' << v.price << ';' << v.count << ';' << v.date << ';' << v.note << '\n';
    }
}

bool add_part(zip_t *z, const char *name, const std::string &data)
{
    zip_source_t *src = zip_source_buffer(z, data.data(), data.size(), 0);
    if (!src)
        return false;
    const zip_int64_t i = zip_file_add(z, name, src, ZIP_FL_OVERWRITE);
    if (i < 0) {
        zip_source_free(src);
        return false;
    }
    zip_set_file_compression(z, static_cast<zip_uint64_t>(i), ZIP_CM_DEFLATE, 6);
    return true;
}

bool write_xlsx(const fs::path &p, int rows)
{
    const std::string ns = "http://schemas.openxmlformats.org/";
    const std::string types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><Types xmlns=\"" + ns +
        "package/2006/content-types\"><Default Extension=\"rels\" ContentType=\"application/"
        "vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/></Types>";
    const std::string root_rels = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"" + ns +
                                  "package/2006/relationships\"><Relationship Id=\"rId1\" Type=\"" + ns +
                                  "officeDocument/2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/>"
                                  "</Relationships>";
    const std::string workbook = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook xmlns=\"" + ns +
                                 "spreadsheetml/2006/main\" xmlns:r=\"" + ns +
                                 "officeDocument/2006/relationships\"><sheets><sheet name=\"Лист1\" sheetId=\"1\" "
                                 "r:id=\"rId1\"/></sheets></workbook>";
    const std::string rel = ns + "officeDocument/2006/relationships/";
    const std::string book_rels = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"" + ns +
                                  "package/2006/relationships\"><Relationship Id=\"rId1\" Type=\"" + rel +
                                  "worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" +
                                  rel + "styles\" Target=\"styles.xml\"/><Relationship Id=\"rId3\" Type=\"" + rel +
                                  "sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>";
    const std::string styles = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><styleSheet xmlns=\"" + ns +
                               "spreadsheetml/2006/main\"><cellXfs count=\"3\"><xf numFmtId=\"0\"/>"
                               "<xf numFmtId=\"2\" applyNumberFormat=\"1\"/><xf numFmtId=\"14\" "
                               "applyNumberFormat=\"1\"/></cellXfs></styleSheet>";
    // Shared strings: the header's six names, the names, the notes.
    std::string sst = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst xmlns=\"" + ns + "spreadsheetml/2006/main\">";
    for (const char *h : {"name", "code", "price", "count", "date", "note"})
        sst += std::string("<si><t>") + h + "</t></si>";
    for (int i = 0; i < NAMES; ++i)
        sst += "<si><t>" + name_of(i) + "</t></si>";
    for (int i = 0; i < 3; ++i)
        sst += "<si><t>" + note_of(i) + "</t></si>";
    sst += "</sst>";
    std::string sheet = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><worksheet xmlns=\"" + ns +
                        "spreadsheetml/2006/main\"><sheetData><row r=\"1\">";
    const char *letters = "ABCDEF";
    for (int c = 0; c < 6; ++c)
        sheet += std::string("<c r=\"") + letters[c] + "1\" t=\"s\"><v>" + std::to_string(c) + "</v></c>";
    sheet += "</row>";
    for (int r = 0; r < rows; ++r) {
        const std::string n = std::to_string(r + 2);
        const row_values v = values(r);
        sheet += "<row r=\"" + n + "\"><c r=\"A" + n + "\" t=\"s\"><v>" + std::to_string(6 + r % NAMES) +
                 "</v></c><c r=\"B" + n + "\"><v>" + v.code + "</v></c><c r=\"C" + n + "\" s=\"1\"><v>" +
                 std::to_string(10 + r % 990) + "." + std::to_string(100 + r % 100).substr(1) + "</v></c><c r=\"D" +
                 n + "\"><v>" + v.count + "</v></c><c r=\"E" + n + "\" s=\"2\"><v>" + std::to_string(45292 + r % 365) +
                 "</v></c><c r=\"F" + n + "\" t=\"s\"><v>" + std::to_string(6 + NAMES + r % 3) + "</v></c></row>";
    }
    sheet += "</sheetData></worksheet>";
    int err = 0;
    zip_t *z = zip_open(p.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z)
        return false;
    const bool ok = add_part(z, "[Content_Types].xml", types) && add_part(z, "_rels/.rels", root_rels) &&
                    add_part(z, "xl/workbook.xml", workbook) && add_part(z, "xl/_rels/workbook.xml.rels", book_rels) &&
                    add_part(z, "xl/styles.xml", styles) && add_part(z, "xl/sharedStrings.xml", sst) &&
                    add_part(z, "xl/worksheets/sheet1.xml", sheet);
    if (!ok) {
        zip_discard(z);
        return false;
    }
    return zip_close(z) == 0;
}

// Opens, checks and reads every row, as the batch does; the rows read.
long read_table(const fs::path &p, std::string *first_row = nullptr)
{
    data_table t;
    csv_problem problem;
    if (!t.open({p.string(), {}, {}}, problem)) {
        std::printf("bench tables: %s refused: %s\n", p.c_str(), plt__to_utf8(problem.message).c_str());
        std::exit(1);
    }
    std::unique_ptr<table_rows> rows = t.rows(problem);
    std::vector<std::u16string> cells;
    long line = 0, n = 0;
    while (rows && rows->next(cells, line, problem)) {
        if (n == 0 && first_row)
            for (const std::u16string &c : cells)
                *first_row += plt__to_utf8(c) + ";";
        ++n;
    }
    if (!problem.message.empty()) {
        std::printf("bench tables: %s: %s\n", p.c_str(), plt__to_utf8(problem.message).c_str());
        std::exit(1);
    }
    return n;
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

long child_peak(const char *self, const fs::path &file)
{
    return bench_child_peak_kib(self, "--read '" + file.string() + "'");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--write") == 0) // a book to look at
        return write_xlsx(argv[3], std::atoi(argv[2])) ? 0 : 1;
    if (argc == 3 && std::strcmp(argv[1], "--read") == 0) {
        read_table(argv[2]);
        std::printf("%ld\n", peak_kib());
        return 0;
    }

    const fs::path dir = fs::temp_directory_path() / ("vellumo-bench-tables-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    constexpr int ROWS = 100000;
    write_csv(dir / "rows.csv", ROWS);
    if (!write_xlsx(dir / "rows.xlsx", ROWS) || !write_xlsx(dir / "small.xlsx", ROWS / 10)) {
        std::printf("bench tables: the .xlsx was not written\n");
        return 1;
    }
    // Both read alike.
    std::string csv_first, xlsx_first;
    if (read_table(dir / "rows.csv", &csv_first) != ROWS || read_table(dir / "rows.xlsx", &xlsx_first) != ROWS ||
        csv_first != xlsx_first) {
        std::printf("bench tables: the two tables read differently: %s / %s\n", csv_first.c_str(), xlsx_first.c_str());
        return 1;
    }
    const double csv = median_seconds(3, [&] { read_table(dir / "rows.csv"); });
    const double xlsx = median_seconds(3, [&] { read_table(dir / "rows.xlsx"); });
    std::printf("bench table-csv-100000-rows: %.3f s\n", csv);
    std::printf("bench table-xlsx-100000-rows: %.3f s\n", xlsx);
    std::printf("bench table-xlsx-rows-per-second: %.0f rows/s\n", ROWS / xlsx);
    int status = report_ratio("table-xlsx-vs-csv", xlsx / csv, 2.0);

    const long small = child_peak(argv[0], dir / "small.xlsx");
    const long large = child_peak(argv[0], dir / "rows.xlsx");
    std::printf("bench table-xlsx-peak-10000-rows: %.1f MiB\n", small / 1024.0);
    std::printf("bench table-xlsx-peak-100000-rows: %.1f MiB\n", large / 1024.0);
    if (small <= 0 || large <= 0) {
        std::printf("bench table-xlsx-peak: not measured\n");
        status = 1;
    } else {
        status |= report_ratio("table-xlsx-peak-100000-vs-10000", double(large) / double(small), 1.2);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return status;
}
