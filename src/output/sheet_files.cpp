#include "output/sheet_files.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <optional>
#include <unordered_map>

#include "model/misc.h"
#include "output/atomic_file.h"
#include "output/output_messages.h"
#include "platform/ascii_text.h"
#include "platform/code_pages.h"
#include "platform/file_io.h"
#include "platform/qt_text.h"

namespace {

constexpr double MM = 72.0 / 25.4;

std::string utf8(QStringView s)
{
    return s.toString().toStdString();
}

std::u16string u16(std::string_view s)
{
    return plt__from_utf8(s);
}

// A value from a file as a message shows it: at most 40 characters.
std::u16string shown(QStringView s)
{
    return us(s.size() > 40 ? s.left(40).toString() + QStringLiteral("…") : s.toString());
}

// The whole file, at most SHT_MAX_FILE bytes; false with the reason.
bool read_bytes(const std::string &path, QByteArray &out, int &error)
{
    std::vector<unsigned char> bytes;
    if (!plt__read_blob(u16(path), bytes, SHT_MAX_FILE)) {
        error = errno;
        return false;
    }
    out = QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    return true;
}

// A pull parser over a file's bytes that stops at what a file of sheets
// never holds: declared entities and nesting deeper than SHT_MAX_DEPTH.
class guarded_xml {
public:
    explicit guarded_xml(const QByteArray &bytes) : r(bytes) {}

    // The next start or end of an element; false at the end of the
    // document or at a fault (problem() says which).
    bool next()
    {
        while (!fault_ && !r.atEnd()) {
            switch (r.readNext()) {
            case QXmlStreamReader::DTD:
                // Reported whole, before any entity of it is used.
                if (!r.entityDeclarations().isEmpty())
                    fault_ = pl__tr(sht_msg::entities);
                break;
            case QXmlStreamReader::EntityReference:
                unknown_entity();
                break;
            case QXmlStreamReader::StartElement:
                // Copied once here: attributes() gives a new copy each call.
                attrs_ = r.attributes();
                if (++depth > SHT_MAX_DEPTH) {
                    fault_ = msc__format(sht_msg::too_deep, SHT_MAX_DEPTH);
                    break;
                }
                start = true;
                return true;
            case QXmlStreamReader::EndElement:
                --depth;
                start = false;
                return true;
            default:
                break;
            }
        }
        return false;
    }

    bool at_start(QStringView name, int at_depth) const { return start && depth == at_depth && r.name() == name; }
    bool at_end(int at_depth) const { return !start && depth == at_depth - 1; }

    // The text of the element just started (that of elements within it
    // too), its end read.
    QString text()
    {
        QString t;
        const int at = depth;
        while (!fault_ && !r.atEnd()) {
            switch (r.readNext()) {
            case QXmlStreamReader::Characters:
                t += r.text();
                break;
            case QXmlStreamReader::EntityReference:
                unknown_entity();
                break;
            case QXmlStreamReader::StartElement:
                if (++depth > SHT_MAX_DEPTH)
                    fault_ = msc__format(sht_msg::too_deep, SHT_MAX_DEPTH);
                break;
            case QXmlStreamReader::EndElement:
                if (--depth < at) {
                    start = false;
                    return t;
                }
                break;
            default:
                break;
            }
        }
        return t;
    }

    void fail(std::u16string why) { fault_ = std::move(why); }

    // An entity of an external DTD, which is never read: its text would be
    // missing without a word.
    void unknown_entity() { fault_ = msc__format(sht_msg::unknown_entity, shown(r.name()).c_str()); }

    // Why the file could not be read through; nothing when it was.
    std::optional<std::u16string> problem() const
    {
        if (fault_)
            return fault_;
        if (!r.hasError())
            return std::nullopt;
        const long line = long(r.lineNumber());
        if (r.error() == QXmlStreamReader::PrematureEndOfDocumentError)
            return msc__format(sht_msg::xml_cut, line);
        return msc__format(sht_msg::xml_error, line);
    }

    QStringView attr(const char *name) const { return attrs_.value(QLatin1StringView(name)); }
    bool has(const char *name) const { return attrs_.hasAttribute(QLatin1StringView(name)); }

    QXmlStreamReader r;
    int depth = 0;
    bool start = false;

private:
    std::optional<std::u16string> fault_;
    QXmlStreamAttributes attrs_;
};

void log_file(sheet_catalogue &into, const std::string &path, const std::u16string &why)
{
    ++into.refused;
    into.log.push_back(msc__format(sht_msg::file_unread, u16(path).c_str(), why.c_str()));
}

// Reads the file into `bytes`; false (the failure logged unless the file is
// simply not there) when it cannot.
bool read_source(sheet_catalogue &into, const std::string &path, QByteArray &bytes)
{
    int error = 0;
    if (read_bytes(path, bytes, error))
        return true;
    if (error != ENOENT)
        log_file(into, path, plt__read_error_text(error));
    return false;
}

// Reading the attributes of one element into a sheet: the first fault is
// kept, later ones are not looked at.
struct attr_reader {
    const guarded_xml &x;
    std::optional<std::u16string> &why;

    // A length; `fallback` when the attribute is missing and may be.
    double length(const char *name, std::optional<double> fallback = std::nullopt)
    {
        if (why)
            return 0;
        if (!x.has(name)) {
            if (!fallback)
                why = msc__format(sht_msg::no_attribute, name);
            return fallback.value_or(0);
        }
        const QStringView v = x.attr(name);
        const auto points = sht__length(utf8(v.trimmed()));
        if (!points) {
            why = msc__format(sht_msg::not_length, shown(v).c_str(), name);
            return 0;
        }
        return *points;
    }

    std::int32_t integer(const char *name)
    {
        if (why)
            return 0;
        if (!x.has(name)) {
            why = msc__format(sht_msg::no_attribute, name);
            return 0;
        }
        const QStringView v = x.attr(name);
        const std::string s = utf8(v.trimmed());
        std::int32_t n = 0;
        auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
        if (s.empty() || ec != std::errc() || end != s.data() + s.size()) {
            why = msc__format(sht_msg::not_integer, shown(v).c_str(), name);
            return 0;
        }
        return n;
    }
};

// ---------------------------------------------------------------- glabels

struct paper_entry {
    std::string name;
    double width = 0, height = 0;
};
using paper_table = std::unordered_map<std::string, paper_entry>;

std::string lower_ascii(std::string s)
{
    for (char &c : s)
        c = plt__ascii_lower(c);
    return s;
}

// glabels' paper-sizes.xml: the papers by id, case ignored.
paper_table read_papers(sheet_catalogue &into, const std::string &path)
{
    paper_table papers;
    QByteArray bytes;
    if (!read_source(into, path, bytes))
        return papers;
    guarded_xml x(bytes);
    while (x.next()) {
        if (!x.at_start(u"Paper-size", 2))
            continue;
        std::optional<std::u16string> why;
        attr_reader a{x, why};
        paper_entry p;
        p.name = utf8(x.attr("id"));
        p.width = a.length("width");
        p.height = a.length("height");
        if (!why && !p.name.empty() && papers.size() < std::size_t(SHT_MAX_SHEETS))
            papers.emplace(lower_ascii(p.name), p);
    }
    if (auto why = x.problem()) {
        log_file(into, path, *why);
        return {};
    }
    return papers;
}

// One <Template> as read, before equivalents are resolved.
struct glabels_template {
    label_sheet sheet;
    std::string file;        // its file, for the log
    std::string equiv;       // the part it repeats
    std::string size;        // the paper's id
    bool label = false;      // a shape was read
    bool roll = false;       // no sheet: a roll of labels
    bool in_label = false;
    std::optional<std::u16string> why; // refused
};

void start_template(const guarded_xml &x, glabels_template &t)
{
    attr_reader a{x, t.why};
    t.sheet.brand = utf8(x.attr("brand"));
    t.sheet.part = utf8(x.attr("part"));
    t.sheet.description = utf8(x.has("_description") ? x.attr("_description") : x.attr("description"));
    t.equiv = utf8(x.attr("equiv"));
    t.size = utf8(x.attr("size"));
    if (plt__ascii_iequal(t.size, "roll"))
        t.roll = true;
    else if (plt__ascii_iequal(t.size, "Other")) {
        t.sheet.paper_width = a.length("width");
        t.sheet.paper_height = a.length("height");
    }
}

void start_label(const guarded_xml &x, glabels_template &t)
{
    attr_reader a{x, t.why};
    label_sheet &s = t.sheet;
    const QStringView kind = x.r.name();
    t.label = true;
    if (kind == u"Label-rectangle") {
        s.shape = sheet_shape::rectangle;
        s.label_width = a.length("width");
        s.label_height = a.length("height");
        s.radius = a.length("round", 0.0);
    } else if (kind == u"Label-round") {
        s.shape = sheet_shape::round;
        s.label_width = s.label_height = 2 * a.length("radius");
    } else if (kind == u"Label-ellipse") {
        s.shape = sheet_shape::ellipse;
        s.label_width = a.length("width");
        s.label_height = a.length("height");
    } else if (kind == u"Label-cd") {
        // A disc, or a disc cut to a card (width and height given).
        s.shape = sheet_shape::cd;
        const double diameter = 2 * a.length("radius");
        s.label_width = a.length("width", diameter);
        s.label_height = a.length("height", diameter);
        s.hole = 2 * a.length("hole", 0.0);
    } else if (kind == u"Label-continuous") {
        t.roll = true;
    } else if (!t.why) {
        t.why = msc__format(sht_msg::unknown_shape, shown(kind).c_str());
    }
}

void add_layout(const guarded_xml &x, glabels_template &t)
{
    attr_reader a{x, t.why};
    sheet_grid g;
    g.columns = a.integer("nx");
    g.rows = a.integer("ny");
    g.left = a.length("x0", 0.0);
    g.top = a.length("y0", 0.0);
    g.across = a.length("dx", 0.0);
    g.down = a.length("dy", 0.0);
    // More grids than labels a sheet may hold is no sheet; sht__check says
    // so from the first grid past the limit.
    if (!t.why && std::int64_t(t.sheet.grids.size()) <= SHT_MAX_LABELS)
        t.sheet.grids.push_back(g);
}

// The templates of one file, appended to `out`; false with the reason when
// the file cannot be read through (nothing appended then).
bool read_templates(const QByteArray &bytes, const std::string &file, long &count, std::vector<glabels_template> &out,
                    std::u16string &why)
{
    guarded_xml x(bytes);
    std::vector<glabels_template> found;
    glabels_template *t = nullptr;
    while (x.next()) {
        if (x.depth == 1 && x.start && x.r.name() != u"Glabels-templates")
            x.fail(pl__tr(sht_msg::not_glabels));
        else if (x.at_start(u"Template", 2)) {
            if (++count > SHT_MAX_SHEETS) {
                x.fail(msc__format(sht_msg::too_many, SHT_MAX_SHEETS));
                break;
            }
            t = &found.emplace_back();
            t->file = file;
            start_template(x, *t);
        } else if (t && x.at_end(2)) {
            t = nullptr;
        } else if (t && x.start && x.depth == 3 && x.r.name().startsWith(u"Label-") && !t->label) {
            t->in_label = true;
            start_label(x, *t);
        } else if (t && t->in_label && x.at_end(3)) {
            t->in_label = false;
        } else if (t && t->in_label && x.at_start(u"Layout", 4)) {
            add_layout(x, *t);
        }
    }
    if (auto problem = x.problem()) {
        why = *problem;
        return false;
    }
    std::move(found.begin(), found.end(), std::back_inserter(out));
    return true;
}

void refuse(sheet_catalogue &into, const glabels_template &t, const std::u16string &why)
{
    ++into.refused;
    into.log.push_back(msc__format(sht_msg::sheet_refused, u16(t.file).c_str(), u16(sht__name(t.sheet)).c_str(),
                                   why.c_str()));
}

std::string template_key(const std::string &brand, const std::string &part)
{
    return lower_ascii(brand) + '\n' + lower_ascii(part);
}

} // namespace

void sht__add_glabels(sheet_catalogue &into, const std::string &folder)
{
    namespace fs = std::filesystem;
    if (folder.empty())
        return;
    std::error_code ec;
    const fs::path dir = fs::path(folder);
    const fs::file_status st = fs::status(dir, ec);
    if (!fs::exists(st))
        return;
    if (!fs::is_directory(st)) {
        ++into.refused;
        into.log.push_back(msc__format(sht_msg::folder_unread, u16(folder).c_str(), pl__tr(sht_msg::not_folder)));
        return;
    }
    std::vector<std::string> names;
    fs::directory_iterator it(dir, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > 14 && name.ends_with("-templates.xml"))
            names.push_back(name);
    }
    if (ec) {
        ++into.refused;
        into.log.push_back(msc__format(sht_msg::folder_unread, u16(folder).c_str(),
                                       plt__read_error_text(ec.value()).c_str()));
        return;
    }
    std::sort(names.begin(), names.end());
    if (names.size() > std::size_t(SHT_MAX_FILES)) {
        ++into.refused;
        into.log.push_back(msc__format(sht_msg::too_many_files, u16(folder).c_str(), SHT_MAX_FILES));
        names.resize(std::size_t(SHT_MAX_FILES));
    }

    const paper_table papers = read_papers(into, (dir / "paper-sizes.xml").string());
    std::vector<glabels_template> all;
    long count = 0;
    std::size_t bytes_read = 0;
    for (const std::string &name : names) {
        const std::string path = (dir / name).string();
        QByteArray bytes;
        if (!read_source(into, path, bytes))
            continue;
        bytes_read += std::size_t(bytes.size());
        if (bytes_read > SHT_MAX_FOLDER) {
            ++into.refused;
            into.log.push_back(
                msc__format(sht_msg::folder_too_large, u16(folder).c_str(), long(SHT_MAX_FOLDER >> 20)));
            break;
        }
        std::u16string why;
        if (!read_templates(bytes, path, count, all, why)) {
            log_file(into, path, why);
            if (count > SHT_MAX_SHEETS)
                break;
        }
    }

    // Each template on its own, then the ones repeating another part of
    // their brand (perhaps one that repeats a third).
    enum class state : std::uint8_t { sheet, passed_over, refused, equivalent };
    std::vector<state> states(all.size(), state::refused);
    std::unordered_map<std::string, std::size_t> by_name;
    std::int64_t labels_left = SHT_MAX_LABELS_READ;
    auto out_of_labels = [&] {
        ++into.refused;
        into.log.push_back(msc__format(sht_msg::too_many_labels, u16(folder).c_str(), long(SHT_MAX_LABELS_READ)));
    };
    std::size_t end_of_reading = all.size();
    for (std::size_t i = 0; i < all.size(); ++i) {
        glabels_template &t = all[i];
        by_name.emplace(template_key(t.sheet.brand, t.sheet.part), i);
        label_sheet &s = t.sheet;
        if (s.part.empty())
            t.why = t.why.value_or(pl__tr(sht_msg::no_part));
        if (!t.equiv.empty() && !t.why) {
            states[i] = state::equivalent;
            continue;
        }
        if (t.roll || (!t.why && (!t.label || s.grids.empty()))) {
            states[i] = state::passed_over;
            continue;
        }
        if (!t.why && !plt__ascii_iequal(t.size, "Other")) {
            if (auto p = papers.find(lower_ascii(t.size)); p != papers.end()) {
                s.paper = p->second.name;
                s.paper_width = p->second.width;
                s.paper_height = p->second.height;
            } else if (const paper_size *known = sht__paper(t.size)) {
                s.paper = known->name;
                s.paper_width = known->width;
                s.paper_height = known->height;
            } else {
                t.why = msc__format(sht_msg::unknown_paper, u16(t.size).c_str());
            }
        }
        if (!t.why) {
            labels_left -= std::max<std::int64_t>(sht__count(s), 1);
            if (labels_left < 0) {
                out_of_labels();
                end_of_reading = i;
                break;
            }
            t.why = sht__check(s);
        }
        if (t.why) {
            refuse(into, t, *t.why);
            continue;
        }
        states[i] = state::sheet;
    }
    // Chains of equivalents are short (one or two steps in glabels' own
    // files); a longer one, or a ring, is taken for a missing part.
    constexpr int MAX_CHAIN = 16;
    for (std::size_t i = 0; i < end_of_reading; ++i) {
        if (states[i] != state::equivalent)
            continue;
        glabels_template &t = all[i];
        std::size_t at = i;
        for (int steps = 0; at < all.size() && states[at] == state::equivalent && steps <= MAX_CHAIN; ++steps) {
            auto next = by_name.find(template_key(all[at].sheet.brand, all[at].equiv));
            at = next == by_name.end() ? all.size() : next->second;
        }
        const std::u16string target = u16(t.sheet.brand.empty() ? t.equiv : t.sheet.brand + " " + t.equiv);
        if (at >= all.size() || states[at] == state::equivalent) {
            refuse(into, t, msc__format(sht_msg::equiv_missing, target.c_str()));
            states[i] = state::refused;
        } else if (states[at] == state::refused) {
            refuse(into, t, msc__format(sht_msg::equiv_refused, target.c_str()));
            states[i] = state::refused;
        } else if (states[at] == state::passed_over) {
            states[i] = state::passed_over;
        } else {
            labels_left -= sht__count(all[at].sheet);
            if (labels_left < 0) {
                out_of_labels();
                end_of_reading = i;
                break;
            }
            label_sheet copy = all[at].sheet;
            copy.part = t.sheet.part;
            if (!t.sheet.description.empty())
                copy.description = t.sheet.description;
            t.sheet = std::move(copy);
            states[i] = state::sheet;
        }
    }
    for (std::size_t i = 0; i < end_of_reading; ++i)
        if (states[i] == state::sheet)
            into.sheets.push_back({std::move(all[i].sheet), sheet_source::glabels});
}

// ---------------------------------------------------------------- LibreOffice

namespace {

// "S;HDist;VDist;Width;Height;Left;Upper;Cols;Rows;PWidth;PHeight" in
// hundredths of a mm.  Nothing with `continuous` set for a continuous
// label, nothing with `why` set for anything but a sheet.
std::optional<label_sheet> parse_measure(QStringView text, bool &continuous, std::u16string &why)
{
    const QList<QStringView> f = text.trimmed().split(u';');
    double v[11] = {};
    bool good = f.size() == 11;
    for (qsizetype i = 1; good && i < 11; ++i) {
        const std::string s = utf8(f[i].trimmed());
        auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v[i]);
        good = !s.empty() && ec == std::errc() && end == s.data() + s.size() && std::isfinite(v[i]) && v[i] >= 0;
    }
    // Columns and rows whole numbers in a grid's range.
    for (int i : {7, 8})
        good = good && v[i] == std::floor(v[i]) && v[i] <= 2147483647.0;
    if (good && f[0].trimmed() == u"C") {
        continuous = true;
        return std::nullopt;
    }
    if (!good || f[0].trimmed() != u"S") {
        why = msc__format(sht_msg::bad_measure, shown(text).c_str());
        return std::nullopt;
    }
    const double unit = MM / 100;
    label_sheet s;
    s.paper_width = v[9] * unit;
    s.paper_height = v[10] * unit;
    s.label_width = v[3] * unit;
    s.label_height = v[4] * unit;
    sheet_grid g;
    g.across = v[1] * unit;
    g.down = v[2] * unit;
    g.left = v[5] * unit;
    g.top = v[6] * unit;
    g.columns = std::int32_t(v[7]);
    g.rows = std::int32_t(v[8]);
    s.grids.push_back(g);
    // The paper's name where it is one of the known ones, upright, within
    // half a millimetre.
    for (const char *name : {"A4", "US-Letter", "A5", "A3", "A6", "US-Legal"}) {
        const paper_size *p = sht__paper(name);
        if (std::fabs(p->width - s.paper_width) <= 0.5 * MM && std::fabs(p->height - s.paper_height) <= 0.5 * MM) {
            s.paper = p->name;
            break;
        }
    }
    return s;
}

} // namespace

void sht__add_libreoffice(sheet_catalogue &into, const std::string &file)
{
    if (file.empty())
        return;
    QByteArray bytes;
    if (!read_source(into, file, bytes))
        return;
    guarded_xml x(bytes);
    std::vector<label_sheet> found;
    std::vector<std::u16string> refused;
    std::string brand;
    QString name, measure;
    bool in_label = false;
    long count = 0;
    std::int64_t labels_left = SHT_MAX_LABELS_READ;
    while (x.next()) {
        if (x.depth == 1 && x.start && x.r.name() != u"manufacturers")
            x.fail(pl__tr(sht_msg::not_libreoffice));
        else if (x.at_start(u"manufacturer", 2))
            brand = utf8(x.attr("name").trimmed());
        else if (x.at_start(u"label", 3)) {
            in_label = true;
            name.clear();
            measure.clear();
            if (++count > SHT_MAX_SHEETS)
                x.fail(msc__format(sht_msg::too_many, SHT_MAX_SHEETS));
        } else if (in_label && x.at_start(u"name", 4))
            name = x.text().simplified();
        else if (in_label && x.at_start(u"measure", 4))
            measure = x.text();
        else if (in_label && x.at_end(3)) {
            in_label = false;
            bool continuous = false;
            std::u16string why;
            std::optional<label_sheet> s = parse_measure(measure, continuous, why);
            if (continuous)
                continue;
            const qsizetype space = name.indexOf(u' ');
            const std::string part = utf8(space < 0 ? QStringView(name) : QStringView(name).left(space));
            if (s) {
                s->brand = brand;
                s->part = part;
                s->description = utf8(name);
                labels_left -= std::max<std::int64_t>(sht__count(*s), 1);
                if (labels_left < 0) {
                    refused.push_back(msc__format(sht_msg::too_many_labels, u16(file).c_str(),
                                                  long(SHT_MAX_LABELS_READ)));
                    break;
                }
                if (part.empty())
                    why = pl__tr(sht_msg::no_part);
                else if (auto bad = sht__check(*s))
                    why = *bad;
            }
            if (!why.empty()) {
                const std::string shown_name = brand.empty() ? part : brand + " " + part;
                refused.push_back(msc__format(sht_msg::sheet_refused, u16(file).c_str(), u16(shown_name).c_str(),
                                              why.c_str()));
                continue;
            }
            found.push_back(std::move(*s));
        }
    }
    if (auto why = x.problem()) {
        log_file(into, file, *why);
        return;
    }
    into.refused += long(refused.size());
    std::move(refused.begin(), refused.end(), std::back_inserter(into.log));
    for (label_sheet &s : found)
        into.sheets.push_back({std::move(s), sheet_source::libreoffice});
}

// ---------------------------------------------------------------- the user's own

namespace {

constexpr std::pair<sheet_shape, const char16_t *> shape_names[] = {
    {sheet_shape::rectangle, u"rectangle"},
    {sheet_shape::round, u"round"},
    {sheet_shape::ellipse, u"ellipse"},
    {sheet_shape::cd, u"cd"},
};

// A number as the file keeps it: the shortest text read back to the same
// double, whatever the locale.
QString number_text(double v)
{
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    (void)ec;
    return QString::fromLatin1(buf, end - buf);
}

// Text XML 1.0 carries unchanged: valid UTF-8 with no control characters
// (an attribute's line breaks would come back as spaces).
bool carried(const std::string &s)
{
    const QString q = QString::fromStdString(s);
    if (q.toStdString() != s)
        return false;
    for (qsizetype i = 0; i < q.size(); ++i) {
        const char16_t c = q[i].unicode();
        if (c < 0x20 || c == 0x7F || c == 0xFFFE || c == 0xFFFF)
            return false;
    }
    return true;
}

} // namespace

std::vector<label_sheet> sht__read_user_sheets(const std::string &path, std::u16string &error)
{
    error.clear();
    QByteArray bytes;
    int err = 0;
    if (!read_bytes(path, bytes, err)) {
        if (err != ENOENT)
            error = msc__format(sht_msg::file_unread, u16(path).c_str(), plt__read_error_text(err).c_str());
        return {};
    }
    guarded_xml x(bytes);
    std::vector<label_sheet> sheets;
    label_sheet *s = nullptr;
    std::optional<std::u16string> why;
    std::u16string first_refused;
    std::int64_t labels_left = SHT_MAX_LABELS_READ;
    auto finish = [&] {
        if (!why && s->part.empty())
            why = pl__tr(sht_msg::no_part);
        labels_left -= std::max<std::int64_t>(sht__count(*s), 1);
        if (labels_left < 0)
            x.fail(msc__format(sht_msg::too_many_labels, u16(path).c_str(), long(SHT_MAX_LABELS_READ)));
        else if (!why)
            why = sht__check(*s);
        if (why) {
            if (first_refused.empty())
                first_refused = msc__format(sht_msg::sheet_refused, u16(path).c_str(), u16(sht__name(*s)).c_str(),
                                            why->c_str());
            sheets.pop_back();
        }
        s = nullptr;
    };
    while (x.next()) {
        if (x.depth == 1 && x.start && x.r.name() != u"vellumo-sheets") {
            x.fail(pl__tr(sht_msg::not_user));
        } else if (x.at_start(u"sheet", 2)) {
            if (long(sheets.size()) >= SHT_MAX_SHEETS) {
                x.fail(msc__format(sht_msg::too_many, SHT_MAX_SHEETS));
                break;
            }
            s = &sheets.emplace_back();
            why.reset();
            attr_reader a{x, why};
            s->brand = utf8(x.attr("brand"));
            s->part = utf8(x.attr("part"));
            s->description = utf8(x.attr("description"));
            s->paper = utf8(x.attr("paper"));
            const QStringView shape = x.attr("shape");
            auto known = std::find_if(std::begin(shape_names), std::end(shape_names),
                                      [&](const auto &n) { return shape == n.second; });
            if (known == std::end(shape_names))
                why = msc__format(sht_msg::unknown_shape, shown(shape).c_str());
            else
                s->shape = known->first;
            s->paper_width = a.length("paper-width");
            s->paper_height = a.length("paper-height");
            s->label_width = a.length("width");
            s->label_height = a.length("height");
            s->radius = a.length("radius", 0.0);
            s->hole = a.length("hole", 0.0);
        } else if (s && x.at_start(u"grid", 3)) {
            attr_reader a{x, why};
            sheet_grid g;
            g.columns = a.integer("columns");
            g.rows = a.integer("rows");
            g.left = a.length("left");
            g.top = a.length("top");
            g.across = a.length("across", 0.0);
            g.down = a.length("down", 0.0);
            if (!why && std::int64_t(s->grids.size()) <= SHT_MAX_LABELS)
                s->grids.push_back(g);
        } else if (s && x.at_end(2)) {
            finish();
        }
    }
    if (auto problem = x.problem()) {
        error = msc__format(sht_msg::file_unread, u16(path).c_str(), problem->c_str());
        return {};
    }
    error = first_refused;
    return sheets;
}

bool sht__write_user_sheets(const std::string &path, const std::vector<label_sheet> &sheets, std::u16string &error)
{
    error.clear();
    for (const label_sheet &s : sheets) {
        std::optional<std::u16string> why;
        if (s.part.empty())
            why = pl__tr(sht_msg::no_part);
        else if (!carried(s.brand) || !carried(s.part) || !carried(s.description) || !carried(s.paper))
            why = pl__tr(sht_msg::bad_text);
        else
            why = sht__check(s);
        if (why) {
            error = msc__format(sht_msg::user_sheet_refused, u16(sht__name(s)).c_str(), why->c_str());
            return false;
        }
    }
    if (long(sheets.size()) > SHT_MAX_SHEETS) {
        error = msc__format(sht_msg::file_unread, u16(path).c_str(),
                            msc__format(sht_msg::too_many, SHT_MAX_SHEETS).c_str());
        return false;
    }

    QByteArray bytes;
    QXmlStreamWriter w(&bytes);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("vellumo-sheets"));
    w.writeAttribute(QStringLiteral("version"), QStringLiteral("1"));
    for (const label_sheet &s : sheets) {
        w.writeStartElement(QStringLiteral("sheet"));
        w.writeAttribute(QStringLiteral("brand"), QString::fromStdString(s.brand));
        w.writeAttribute(QStringLiteral("part"), QString::fromStdString(s.part));
        w.writeAttribute(QStringLiteral("description"), QString::fromStdString(s.description));
        w.writeAttribute(QStringLiteral("paper"), QString::fromStdString(s.paper));
        for (const auto &[shape, name] : shape_names)
            if (shape == s.shape)
                w.writeAttribute(QStringLiteral("shape"), qs(name));
        w.writeAttribute(QStringLiteral("paper-width"), number_text(s.paper_width));
        w.writeAttribute(QStringLiteral("paper-height"), number_text(s.paper_height));
        w.writeAttribute(QStringLiteral("width"), number_text(s.label_width));
        w.writeAttribute(QStringLiteral("height"), number_text(s.label_height));
        w.writeAttribute(QStringLiteral("radius"), number_text(s.radius));
        w.writeAttribute(QStringLiteral("hole"), number_text(s.hole));
        for (const sheet_grid &g : s.grids) {
            w.writeEmptyElement(QStringLiteral("grid"));
            w.writeAttribute(QStringLiteral("columns"), QString::number(g.columns));
            w.writeAttribute(QStringLiteral("rows"), QString::number(g.rows));
            w.writeAttribute(QStringLiteral("left"), number_text(g.left));
            w.writeAttribute(QStringLiteral("top"), number_text(g.top));
            w.writeAttribute(QStringLiteral("across"), number_text(g.across));
            w.writeAttribute(QStringLiteral("down"), number_text(g.down));
        }
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndDocument();

    // Through a symbolic link (a configuration folder kept elsewhere) the
    // file it points at is replaced, as the settings file is.
    const std::u16string file = u16(plt__resolve_link(path));
    const QString folder = QFileInfo(qs(file)).absolutePath();
    if (!QDir().mkpath(folder)) {
        error = out__not_written(file, pl__tr(out_msg::cannot_create));
        return false;
    }
    atomic_file out(file);
    if (!out.open(error))
        return false;
    out.file.write(bytes);
    return out.commit(error);
}
