// Labels to write and the outside readers that check what was written:
// poppler's pdfinfo, pdftotext and pdftoppm, and zbarimg.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "model/element.h"
#include "support/temp_dir.h"
#include "support/sample_label.h"

namespace out_test {

// Appends an element at the bottom; (x, y) is its lower left corner.
inline element *add(label *lab, int type, double x, double y, double w, double h)
{
    return sample_add(lab, type, x, y, w, h);
}

// A text whose box (its lower left corner at x, y) is one line high.
inline element *text(label *lab, const std::u16string &t, double x, double y, double size = 14)
{
    element *e = add(lab, ELE_TEXT, x, y, 200, size * 1.5);
    e->text.text = t;
    e->text.font = u"DejaVu Sans";
    e->text.size = size;
    return e;
}

inline element *barcode(label *lab, int type, const std::u16string &data, double x, double y, double w, double h)
{
    element *e = add(lab, ELE_BARCODE, x, y, w, h);
    e->barcode.type = type;
    e->barcode.code = data;
    return e;
}

struct run_result {
    int status = -1;
    std::string out, err;
};

inline std::string slurp(const std::filesystem::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs a shell command line; its output and errors are caught in files.
inline run_result run(const std::string &command)
{
    temp_dir d;
    const std::string o = (d / "out").string(), e = (d / "err").string();
    const int st = std::system((command + " >'" + o + "' 2>'" + e + "' </dev/null").c_str());
    run_result r;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.out = slurp(o);
    r.err = slurp(e);
    return r;
}

inline std::string quoted(const std::filesystem::path &p)
{
    return "'" + p.string() + "'";
}

// "Pages" and "Page size" of pdfinfo.
struct pdf_facts {
    int pages = 0;
    double width = 0, height = 0;
};
inline pdf_facts pdf_info(const std::filesystem::path &pdf)
{
    pdf_facts f;
    const run_result r = run("pdfinfo " + quoted(pdf));
    std::istringstream in(r.out);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Pages:", 0) == 0)
            f.pages = std::stoi(line.substr(6));
        else if (line.rfind("Page size:", 0) == 0)
            std::sscanf(line.c_str() + 10, "%lf x %lf", &f.width, &f.height);
    }
    return f;
}

inline std::string pdf_text(const std::filesystem::path &pdf)
{
    return run("pdftotext " + quoted(pdf) + " -").out;
}

// Every code zbarimg finds in the picture files, one set per file.
inline std::set<std::string> zbar_codes(const std::filesystem::path &picture)
{
    std::set<std::string> codes;
    std::istringstream in(run("zbarimg --raw -q " + quoted(picture)).out);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty())
            codes.insert(line);
    return codes;
}

// The pages of a PDF as PNG files at `dpi`, in page order.
inline std::vector<std::filesystem::path> pdf_pages(const std::filesystem::path &pdf, const std::filesystem::path &dir,
                                                    int dpi)
{
    run("pdftoppm -r " + std::to_string(dpi) + " -png " + quoted(pdf) + " " + quoted(dir / "page"));
    std::vector<std::filesystem::path> pages;
    for (const auto &e : std::filesystem::directory_iterator(dir))
        if (e.path().filename().string().rfind("page", 0) == 0)
            pages.push_back(e.path());
    std::sort(pages.begin(), pages.end());
    return pages;
}

inline void write_file(const std::filesystem::path &p, const std::string &bytes)
{
    std::ofstream(p, std::ios::binary) << bytes;
}

// The files of a folder, names only.
inline std::set<std::string> files_in(const std::filesystem::path &dir)
{
    std::set<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

} // namespace out_test
