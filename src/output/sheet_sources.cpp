#include "output/sheet_sources.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "output/sheet_files.h"
#include "platform/ascii_text.h"
#include "platform/qt_text.h"
#include "platform/settings_backend.h"

namespace {

constexpr double MM = 72.0 / 25.4;

// The built-in sheets: common A4 sheets, their labels edge to edge but for
// the 65, laid out in the middle of the page.
struct built_in_row {
    const char *part;
    const char *description;
    double width, height; // mm
    int columns, rows;
    double gap; // between columns, mm
};
// The descriptions are not translated: a label keeps its sheet, description
// and all, in its file.
constexpr built_in_row built_in_rows[] = { // not translated: stored
    {"A4-1", "1 этикетка 210 × 297 мм", 210, 297, 1, 1, 0},
    {"A4-2", "2 этикетки 210 × 148,5 мм", 210, 148.5, 1, 2, 0},
    {"A4-4", "4 этикетки 105 × 148,5 мм", 105, 148.5, 2, 2, 0},
    {"A4-8", "8 этикеток 105 × 74,25 мм", 105, 74.25, 2, 4, 0},
    {"A4-16", "16 этикеток 105 × 37 мм", 105, 37, 2, 8, 0},
    {"A4-21", "21 этикетка 70 × 42,4 мм", 70, 42.4, 3, 7, 0},
    {"A4-24", "24 этикетки 70 × 37 мм", 70, 37, 3, 8, 0},
    {"A4-40", "40 этикеток 52,5 × 29,7 мм", 52.5, 29.7, 4, 10, 0},
    {"A4-65", "65 этикеток 38,1 × 21,2 мм", 38.1, 21.2, 5, 13, 2.5},
};

std::vector<label_sheet> built_in_sheets()
{
    const paper_size *a4 = sht__paper("A4");
    std::vector<label_sheet> out;
    for (const built_in_row &r : built_in_rows) {
        label_sheet s;
        s.brand = SHT_BUILT_IN_BRAND;
        s.part = r.part;
        s.description = r.description;
        s.paper = a4->name;
        s.paper_width = a4->width;
        s.paper_height = a4->height;
        s.label_width = r.width * MM;
        s.label_height = r.height * MM;
        sheet_grid g;
        g.columns = r.columns;
        g.rows = r.rows;
        g.across = (r.width + r.gap) * MM;
        g.down = r.height * MM;
        g.left = (s.paper_width - (r.columns * r.width + (r.columns - 1) * r.gap) * MM) / 2;
        g.top = (s.paper_height - r.rows * r.height * MM) / 2;
        s.grids.push_back(g);
        out.push_back(std::move(s));
    }
    return out;
}

QString folded(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())).toCaseFolded();
}

// Millimetres to a tenth: "66.7", "70".
std::string mm_text(double points)
{
    const double v = std::round(points / MM * 10) / 10;
    char buf[48];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 1);
    if (ec != std::errc())
        return "?";
    std::string s(buf, end);
    if (s.ends_with(".0"))
        s.resize(s.size() - 2);
    return s;
}

int source_rank(sheet_source s)
{
    switch (s) {
    case sheet_source::user: return 0;
    case sheet_source::built_in: return 1;
    case sheet_source::glabels: return 2;
    case sheet_source::libreoffice: return 3;
    }
    return 4;
}

std::string env_or(const char *name, std::string fallback)
{
    const char *v = std::getenv(name);
    return v ? std::string(v) : fallback;
}

} // namespace

std::string sht__size_text(const label_sheet &s, std::string_view times)
{
    return mm_text(s.label_width) + std::string(times) + mm_text(s.label_height);
}

sheet_paths sht__default_paths()
{
    sheet_paths p;
    p.glabels_folder = env_or("VELLUMO_SHEET_GLABELS", "/usr/share/libglabels-3.0/templates");
    p.libreoffice_labels = env_or("VELLUMO_SHEET_LIBREOFFICE", "/usr/lib/libreoffice/share/labels/labels.xml");
    if (const char *v = std::getenv("VELLUMO_SHEET_USER"))
        p.user_file = v;
    else
        p.user_file = plt__config_folder() + "/sheets.xml";
    return p;
}

sheet_catalogue sht__load_catalogue(const sheet_paths &paths)
{
    sheet_catalogue c;
    if (!paths.user_file.empty()) {
        std::u16string error;
        for (label_sheet &s : sht__read_user_sheets(paths.user_file, error))
            c.sheets.push_back({std::move(s), sheet_source::user});
        if (!error.empty()) {
            ++c.refused;
            c.log.push_back(error);
        }
    }
    for (label_sheet &s : built_in_sheets())
        c.sheets.push_back({std::move(s), sheet_source::built_in});
    sht__add_glabels(c, paths.glabels_folder);
    sht__add_libreoffice(c, paths.libreoffice_labels);
    return c;
}

namespace {
std::mutex catalogue_lock;
std::unique_ptr<sheet_catalogue> loaded;
// Catalogues read before the last sht__reload: another thread may still be
// reading one through the reference it was given.
std::vector<std::unique_ptr<sheet_catalogue>> retired;
} // namespace

const sheet_catalogue &sht__catalogue()
{
    std::lock_guard<std::mutex> hold(catalogue_lock);
    if (!loaded)
        loaded = std::make_unique<sheet_catalogue>(sht__load_catalogue(sht__default_paths()));
    return *loaded;
}

void sht__reload()
{
    std::lock_guard<std::mutex> hold(catalogue_lock);
    if (loaded)
        retired.push_back(std::move(loaded));
}

namespace {

bool ascii(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A word as the catalogue matches it, case folded: ASCII text (nearly all
// of the databases) is compared without converting it.
struct folded_word {
    QString text;
    std::string ascii;      // the folded word when it is all ASCII
    bool is_ascii = false;
    std::string size;       // for the size: its x, × or х as "x"
    bool size_ascii = false;

    explicit folded_word(const QString &w) : text(w.toCaseFolded())
    {
        const std::string u = text.toStdString();
        is_ascii = ::ascii(u);
        if (is_ascii)
            ascii = u;
        QString s = text;
        s.replace(QChar(u'×'), QChar(u'x')).replace(QChar(u'х'), QChar(u'x'));
        size = s.toStdString();
        size_ascii = ::ascii(size);
    }
};

bool contains_ascii(std::string_view hay, std::string_view lower_word)
{
    return std::search(hay.begin(), hay.end(), lower_word.begin(), lower_word.end(), [](char a, char b) {
               return plt__ascii_lower(a) == b;
           }) != hay.end();
}

bool contains(std::string_view hay, const folded_word &w)
{
    if (ascii(hay))
        return w.is_ascii && contains_ascii(hay, w.ascii);
    return folded(hay).contains(w.text);
}

bool matches(const label_sheet &s, const folded_word &w)
{
    return contains(s.brand, w) || contains(s.part, w) || contains(s.description, w) || contains(s.paper, w) ||
           (w.size_ascii && contains_ascii(sht__size_text(s), w.size));
}

bool name_is(const label_sheet &s, std::string_view wanted, const QString &wanted_folded)
{
    if (ascii(wanted) && ascii(s.brand) && ascii(s.part)) {
        if (s.brand.empty())
            return plt__ascii_iequal(s.part, wanted);
        return wanted.size() == s.brand.size() + 1 + s.part.size() &&
               plt__ascii_iequal(wanted.substr(0, s.brand.size()), s.brand) && wanted[s.brand.size()] == ' ' &&
               plt__ascii_iequal(wanted.substr(s.brand.size() + 1), s.part);
    }
    return folded(sht__name(s)) == wanted_folded;
}

} // namespace

const sheet_entry *sht__find(const sheet_catalogue &c, std::string_view name)
{
    while (!name.empty() && (name.front() == ' ' || name.front() == '\t'))
        name.remove_prefix(1);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
        name.remove_suffix(1);
    if (name.empty())
        return nullptr;
    const QString wanted = folded(name);
    const sheet_entry *best = nullptr;
    for (const sheet_entry &e : c.sheets) {
        if (best && source_rank(e.source) >= source_rank(best->source))
            continue;
        if (name_is(e.sheet, name, wanted))
            best = &e;
    }
    return best;
}

std::vector<const sheet_entry *> sht__search(const sheet_catalogue &c, std::u16string_view words)
{
    std::vector<folded_word> wanted;
    for (const QString &w : qs(words).simplified().split(QChar(u' '), Qt::SkipEmptyParts))
        wanted.emplace_back(w);
    std::vector<const sheet_entry *> found;
    for (const sheet_entry &e : c.sheets)
        if (std::all_of(wanted.begin(), wanted.end(), [&](const folded_word &w) { return matches(e.sheet, w); }))
            found.push_back(&e);
    return found;
}

std::string sht__list_line(const sheet_entry &e)
{
    const label_sheet &s = e.sheet;
    std::string line = sht__name(s);
    if (!s.description.empty())
        line += ", " + s.description;
    line += ", " + (s.paper.empty() ? mm_text(s.paper_width) + "x" + mm_text(s.paper_height) + " mm" : s.paper);
    line += ", " + sht__size_text(s, "x") + " mm, " + std::to_string(sht__count(s));
    return line;
}
