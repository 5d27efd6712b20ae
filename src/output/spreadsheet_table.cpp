#include "output/spreadsheet_table.h"

#include <QDate>
#include <QXmlStreamReader>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <unordered_map>
#include <unordered_set>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "model/messages.h"
#include "model/misc.h"
#include "output/spreadsheet_parts.h"
#include "output/zip_package.h"
#include "platform/code_pages.h"
#include "platform/file_io.h"
#include "platform/translation.h"

namespace {

using tok = QXmlStreamReader::TokenType;

std::u16string u16(QStringView s)
{
    return std::u16string(reinterpret_cast<const char16_t *>(s.utf16()), static_cast<std::size_t>(s.size()));
}

void append(std::u16string &to, QStringView s)
{
    to.append(reinterpret_cast<const char16_t *>(s.utf16()), static_cast<std::size_t>(s.size()));
}

const char16_t *c16(const std::string &utf8, std::u16string &keep)
{
    keep = plt__from_utf8(utf8);
    return keep.c_str();
}

// How a cell's format shows a number.
struct cell_format {
    enum kind_t { general, fixed, date, time } kind = general;
    int decimals = -1;
    bool percent = false;
    bool with_time = false, seconds = false; // a date's time of day
};

// A number format code of a workbook ("0.00", "#,##0", "dd/mm/yyyy h:mm",
// "0.0%"): its first section, without quoted texts, escapes and brackets.
cell_format classify_code(const QString &code)
{
    cell_format f;
    QString plain;
    bool quoted = false;
    int bracket = 0;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (quoted) {
            quoted = c != u'"';
            continue;
        }
        if (c == u'"') {
            quoted = true;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i; // the next character is shown as it is
        } else if (c == u'[') {
            ++bracket;
        } else if (c == u']') {
            bracket = std::max(0, bracket - 1);
        } else if (c == u';' && bracket == 0) {
            break;
        } else if (bracket == 0) {
            plain += c.toLower();
        }
    }
    const bool has_y = plain.contains(u'y'), has_d = plain.contains(u'd'), has_h = plain.contains(u'h'),
               has_s = plain.contains(u's'), has_m = plain.contains(u'm');
    if (has_y || has_d || (has_m && !has_h && !has_s)) {
        f.kind = cell_format::date;
        f.with_time = has_h || has_s;
        f.seconds = has_s;
        return f;
    }
    if (has_h || has_s || (has_m && (has_h || has_s))) {
        f.kind = cell_format::time;
        f.seconds = has_s;
        return f;
    }
    if (plain.contains(u'e') || plain.contains(u'/') || plain.contains(u'@') || plain == u"general" ||
        !(plain.contains(u'0') || plain.contains(u'#')))
        return f; // scientific, fractions, text, General: as much as the value needs
    f.kind = cell_format::fixed;
    f.percent = plain.contains(u'%');
    const qsizetype dot = plain.indexOf(u'.');
    f.decimals = 0;
    if (dot >= 0)
        for (qsizetype i = dot + 1; i < plain.size() && (plain[i] == u'0' || plain[i] == u'#' || plain[i] == u'?'); ++i)
            ++f.decimals;
    return f;
}

// The number formats a workbook has without listing them.
cell_format builtin_format(int id)
{
    cell_format f;
    switch (id) {
    case 1: case 3: case 37: case 38: f.kind = cell_format::fixed; f.decimals = 0; break;
    case 2: case 4: case 39: case 40: f.kind = cell_format::fixed; f.decimals = 2; break;
    case 9: f.kind = cell_format::fixed; f.decimals = 0; f.percent = true; break;
    case 10: f.kind = cell_format::fixed; f.decimals = 2; f.percent = true; break;
    case 14: case 15: case 16: case 17: case 27: case 28: case 29: case 30: case 31: case 34: case 35: case 36:
    case 50: case 51: case 52: case 53: case 54: case 57: case 58:
        f.kind = cell_format::date;
        break;
    case 22: f.kind = cell_format::date; f.with_time = true; break;
    case 18: case 20: case 32: case 55: case 56: f.kind = cell_format::time; break;
    case 19: case 21: case 33: case 45: case 46: case 47: f.kind = cell_format::time; f.seconds = true; break;
    default: break;
    }
    return f;
}

bool parse_double(QStringView s, double &out)
{
    // Whole numbers of up to 15 digits, most of a sheet's, are exact as
    // doubles: at once, without from_chars.
    if (!s.isEmpty() && s.size() <= 15) {
        long long v = 0;
        qsizetype i = 0;
        for (; i < s.size() && s[i].unicode() >= u'0' && s[i].unicode() <= u'9'; ++i)
            v = v * 10 + (s[i].unicode() - u'0');
        if (i == s.size()) {
            out = static_cast<double>(v);
            return true;
        }
    }
    s = s.trimmed();
    char b[64];
    if (s.isEmpty() || s.size() >= static_cast<qsizetype>(sizeof b))
        return false;
    std::size_t n = 0;
    for (const QChar c : s) {
        if (c.unicode() >= 0x80)
            return false;
        b[n++] = static_cast<char>(c.unicode());
    }
    const char *first = b, *last = b + n;
    if (*first == '+')
        ++first;
    const auto r = std::from_chars(first, last, out);
    return r.ec == std::errc() && r.ptr == last && std::isfinite(out);
}

std::u16string time_text(double fraction, bool seconds)
{
    long secs = std::lround(fraction * 86400.0);
    secs = std::clamp(secs, 0L, 86399L);
    return seconds ? msc__format(u"%1:%2:%3", u16(QString::number(secs / 3600).rightJustified(2, u'0')).c_str(),
                                 u16(QString::number(secs / 60 % 60).rightJustified(2, u'0')).c_str(),
                                 u16(QString::number(secs % 60).rightJustified(2, u'0')).c_str())
                   : msc__format(u"%1:%2", u16(QString::number(secs / 3600).rightJustified(2, u'0')).c_str(),
                                 u16(QString::number(secs / 60 % 60).rightJustified(2, u'0')).c_str());
}

void number_text(double v, int decimals, bool percent, std::u16string &out);
bool date_text(double serial, bool date1904, bool time, bool seconds, std::u16string &out);

// The value as the format shows it, into `out` (its room kept from cell
// to cell).
void format_value(double v, const cell_format &f, bool date1904, std::u16string &out)
{
    switch (f.kind) {
    case cell_format::date:
        if (!date_text(v, date1904, f.with_time, f.seconds, out))
            number_text(v, -1, false, out);
        return;
    case cell_format::time:
        if (v >= 0 && v < 1e7)
            out = time_text(v - std::floor(v), f.seconds);
        else
            number_text(v, -1, false, out);
        return;
    case cell_format::fixed:
        number_text(v, f.decimals, f.percent, out);
        return;
    default:
        number_text(v, -1, false, out);
        return;
    }
}

// An ISO date of a file ("2024-03-05", "2024-03-05T10:30:00.5") as
// dd.MM.yyyy, with its time when it has one that is not midnight.
std::u16string iso_date_text(QStringView s)
{
    const QDate d = QDate::fromString(s.left(10).toString(), Qt::ISODate);
    if (!d.isValid())
        return u16(s);
    std::u16string out = u16(d.toString(QStringLiteral("dd.MM.yyyy")));
    if (s.size() > 11 && (s[10] == u'T' || s[10] == u' ')) {
        const QStringView t = s.mid(11);
        const QTime tm = QTime::fromString(t.left(8).toString(), QStringLiteral("HH:mm:ss"));
        if (tm.isValid() && tm != QTime(0, 0))
            out += u" " + u16(tm.toString(tm.second() ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm")));
    }
    return out;
}

// ------------------------------------------------------------------ XML

// Tokens of one XML part, fed from the inflating zip part as the reader
// asks for them.
class xml_pump {
public:
    enum class fault { none, damaged, doctype, huge, zip };

    explicit xml_pump(std::unique_ptr<zip_part> part) : part_(std::move(part)) {}

    tok next()
    {
        for (;;) {
            const tok t = x.readNext();
            if (t == tok::Invalid) {
                if (x.error() == QXmlStreamReader::PrematureEndOfDocumentError && !eof_) {
                    if (!feed())
                        return tok::Invalid;
                    continue;
                }
                fail(fault::damaged);
                return tok::Invalid;
            }
            stuck_ = 0;
            if (t == tok::DTD) {
                // Entities declared here could grow without bound; no
                // spreadsheet program writes one.
                fail(fault::doctype);
                return tok::Invalid;
            }
            if (t == tok::EntityReference) {
                fail(fault::damaged);
                return tok::Invalid;
            }
            return t;
        }
    }

    // Skips the rest of the element just started.
    bool skip_element()
    {
        for (int depth = 1; depth > 0;) {
            const tok t = next();
            if (t == tok::Invalid || t == tok::EndDocument)
                return fail_if_clean();
            depth += t == tok::StartElement ? 1 : t == tok::EndElement ? -1 : 0;
        }
        return true;
    }

    bool fail_if_clean()
    {
        if (why == fault::none)
            fail(fault::damaged);
        return false;
    }

    void fail(fault f)
    {
        if (why == fault::none)
            why = f;
    }

    QXmlStreamReader x;
    fault why = fault::none;
    std::u16string zip_text; // for fault::zip
    const std::string &part_name() const { return part_->name(); }

private:
    bool feed()
    {
        // A token the reader cannot finish holds what it was given so far:
        // one longer than a row may be is refused, and the chunk grows with
        // it so that the reader does not start it over a thousand times.
        if (stuck_ > 2 * SHEET_MAX_ROW_TEXT + (std::size_t(1) << 20)) {
            fail(fault::huge);
            return false;
        }
        const std::size_t chunk = std::clamp<std::size_t>(stuck_, std::size_t(64) << 10, std::size_t(16) << 20);
        buf_.resize(chunk);
        zip_problem zp;
        const long n = part_->read(buf_.data(), chunk, zp);
        if (n < 0) {
            zip_text = zp.text;
            fail(fault::zip);
            return false;
        }
        if (n == 0) {
            eof_ = true;
            return true;
        }
        x.addData(QByteArray(buf_.data(), n));
        stuck_ += static_cast<std::size_t>(n);
        return true;
    }

    std::unique_ptr<zip_part> part_;
    std::vector<char> buf_;
    std::size_t stuck_ = 0;
    bool eof_ = false;
};

QStringView attr(const QXmlStreamAttributes &a, QLatin1StringView local)
{
    for (const QXmlStreamAttribute &at : a)
        if (at.name() == local)
            return at.value();
    return {};
}

QStringView attr_ns(const QXmlStreamAttributes &a, QLatin1StringView ns, QLatin1StringView local)
{
    for (const QXmlStreamAttribute &at : a)
        if (at.name() == local && at.namespaceUri() == ns)
            return at.value();
    return {};
}

// A part's name from a relationship's target: relative to `base`'s folder,
// or from the package's root when it starts with "/".  Empty when it
// leaves the package.
std::string resolve(const std::string &base, QStringView target)
{
    std::string t = target.toString().toStdString();
    std::vector<std::string> parts;
    std::string path = !t.empty() && t[0] == '/' ? t : base.substr(0, base.rfind('/') + 1) + t;
    std::size_t i = 0;
    while (i <= path.size()) {
        const std::size_t j = std::min(path.find('/', i), path.size());
        const std::string seg = path.substr(i, j - i);
        if (seg == "..") {
            if (parts.empty())
                return {};
            parts.pop_back();
        } else if (!seg.empty() && seg != ".") {
            if (seg.find('\\') != std::string::npos || seg.find(':') != std::string::npos)
                return {};
            parts.push_back(seg);
        }
        i = j + 1;
    }
    std::string out;
    for (const std::string &p : parts)
        out += (out.empty() ? "" : "/") + p;
    return out;
}

// The 0-based column of a cell reference ("C7" → 2), or -1.
long column_of(QStringView ref)
{
    long col = 0;
    qsizetype i = 0;
    for (; i < ref.size() && i < 4; ++i) {
        const char16_t c = ref[i].unicode();
        if (c >= u'A' && c <= u'Z')
            col = col * 26 + (c - u'A' + 1);
        else if (c >= u'a' && c <= u'z')
            col = col * 26 + (c - u'a' + 1);
        else
            break;
    }
    return i == 0 || (i < ref.size() && !ref[i].isDigit()) ? -1 : col - 1;
}

long whole(QStringView s, long fallback)
{
    bool ok = false;
    const qlonglong v = s.toLongLong(&ok);
    return ok && v >= 0 ? static_cast<long>(std::min<qlonglong>(v, 1LL << 40)) : fallback;
}

// A shared string's index as whole() reads it: plain digits at once,
// anything else (spaces, a sign, too many digits) by Qt.
long index_of(const std::u16string &s)
{
    if (s.empty() || s.size() > 15)
        return whole(QStringView(s), -1);
    long v = 0;
    for (const char16_t c : s) {
        if (c < u'0' || c > u'9')
            return whole(QStringView(s), -1);
        v = v * 10 + (c - u'0');
    }
    return std::min(v, 1L << 40);
}

const QLatin1StringView NS_TABLE("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QLatin1StringView NS_OFFICE("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QLatin1StringView NS_TEXT("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QLatin1StringView NS_STYLE("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
const QLatin1StringView NS_NUMBER("urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0");

} // namespace

// ------------------------------------------------------------ numbers

namespace {

void number_text(double v, int decimals, bool percent, std::u16string &out)
{
    out.clear();
    if (!std::isfinite(v))
        return;
    if (percent)
        v *= 100;
    char buf[400];
    std::to_chars_result r;
    if (decimals <= 0 && !percent && v == std::trunc(v) && std::fabs(v) < 1e15) {
        // A whole number: its digits as an integer's, as the double's with
        // no decimals are (and -0 is 0 either way).
        r = std::to_chars(buf, buf + sizeof buf - 2, static_cast<long long>(v));
    } else if (decimals >= 0)
        r = std::to_chars(buf, buf + sizeof buf - 2, v, std::chars_format::fixed, std::min(decimals, 30));
    else if (v == std::trunc(v) && std::fabs(v) < 1e15)
        r = std::to_chars(buf, buf + sizeof buf - 2, v, std::chars_format::fixed, 0);
    else {
        r = std::to_chars(buf, buf + sizeof buf - 2, v, std::chars_format::general, 15);
    }
    if (r.ec != std::errc())
        return;
    const char *from = buf;
    // No "-0" for a value that rounds to nothing.
    if (buf[0] == '-' && std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)).find_first_not_of("-0.") ==
                             std::string_view::npos)
        ++from;
    if (percent)
        *r.ptr++ = '%';
    out.assign(from, static_cast<const char *>(r.ptr)); // ASCII, one unit a character
}

// The date of a count of days from 1 January 1970 in the Gregorian
// calendar (the proleptic one before 1582, as QDate counts).
void civil_from_days(long z, int &y, int &m, int &d)
{
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

// False for a serial no calendar date of years 1 to 9999 has.
bool date_text(double serial, bool date1904, bool time, bool seconds, std::u16string &out)
{
    out.clear();
    if (!std::isfinite(serial) || serial < 0 || serial >= 2958466) // 31.12.9999
        return false;
    long day = static_cast<long>(std::floor(serial));
    double fraction = serial - day;
    if (std::lround(fraction * 86400.0) >= 86400) {
        ++day;
        fraction = 0;
    }
    if (day == 0 && !date1904)
        return false;
    int y = 0, m = 0, dd = 0;
    if (date1904) {
        civil_from_days(day - 24107, y, m, dd); // from 1.1.1904
    } else if (day == 60) {
        // The day the first spreadsheets counted though 1900 was no leap year.
        out = u"29.02.1900";
        if (time)
            out += u" " + time_text(fraction, seconds);
        return true;
    } else {
        civil_from_days(day < 60 ? day - 25568 : day - 25569, y, m, dd); // from 31.12.1899, 30.12.1899
    }
    // Four digits, or none: the 1904 system and a time rounded up to the
    // next day reach past 9999.
    if (y < 1 || y > 9999)
        return false;
    const char16_t digits[10] = {char16_t(u'0' + dd / 10),     char16_t(u'0' + dd % 10),       u'.',
                                 char16_t(u'0' + m / 10),      char16_t(u'0' + m % 10),        u'.',
                                 char16_t(u'0' + y / 1000),    char16_t(u'0' + y / 100 % 10),
                                 char16_t(u'0' + y / 10 % 10), char16_t(u'0' + y % 10)};
    out.assign(digits, 10);
    if (time)
        out += u" " + time_text(fraction, seconds);
    return true;
}

} // namespace

std::u16string sheet__number_text(double v, int decimals, bool percent)
{
    std::u16string out;
    number_text(v, decimals, percent, out);
    return out;
}

std::u16string sheet__date_text(double serial, bool date1904, bool time, bool seconds)
{
    std::u16string out;
    date_text(serial, date1904, time, seconds, out);
    return out;
}

// ------------------------------------------------------------ the book

struct spreadsheet_book {
    zip_package zip;
    std::string path;
    std::u16string shown;
    spreadsheet_kind kind = spreadsheet_kind::none;
    std::vector<std::u16string> names;

    // .xlsx
    std::vector<std::string> sheet_parts; // beside `names`
    std::string shared_part, styles_part;
    bool date1904 = false;
    std::u16string shared;             // every shared string, one after the other
    std::vector<std::size_t> shared_at; // where each begins; one more at the end
    std::vector<cell_format> xf;       // by style index
    bool prepared = false;

    // The rows scan accepted: an unnamed temporary file of records (the
    // row's number, its cells' count, each cell's length and UTF-16 units).
    int spool = -1;
    std::uint64_t spool_size = 0;

    ~spreadsheet_book()
    {
        if (spool >= 0)
            ::close(spool);
    }

    std::u16string file_problem(const std::u16string &what) const
    {
        return msc__format(VL_TR("vellumo", "Файл «%1»: %2."), shown.c_str(), what.c_str());
    }
    csv_problem row_problem(long line, const std::u16string &what) const
    {
        if (line <= 0)
            return {0, file_problem(what)};
        return {line, msc__format(VL_TR("vellumo", "Файл «%1», строка %2: %3."), shown.c_str(), line, what.c_str())};
    }
    // What an XML part's fault says.
    csv_problem pump_problem(const xml_pump &p, long line) const
    {
        std::u16string keep;
        const char16_t *part = c16(p.part_name(), keep);
        switch (p.why) {
        case xml_pump::fault::doctype:
            return row_problem(0, msc__format(VL_TR("vellumo", "часть «%1» содержит объявление DOCTYPE - такие файлы программа не "
                                              "читает"),
                                              part));
        case xml_pump::fault::huge:
            return row_problem(line, pl__tr(VL_TR("vellumo", "ячейка длиннее 16 МиБ")));
        case xml_pump::fault::zip:
            return row_problem(0, p.zip_text); // the part's, not a row's
        default:
            return row_problem(line, msc__format(VL_TR("vellumo", "часть «%1» повреждена (ошибка XML в её строке %2)"), part,
                                                 static_cast<long>(p.x.lineNumber())));
        }
    }

    std::unique_ptr<xml_pump> pump(const std::string &part, csv_problem &problem,
                                   std::uint64_t limit = ZIP_MAX_PART) const
    {
        zip_problem zp;
        std::unique_ptr<zip_part> p = zip.part(part, zp, limit);
        if (!p) {
            problem = row_problem(0, zp.text);
            return nullptr;
        }
        return std::make_unique<xml_pump>(std::move(p));
    }

    // The relationships of a part: (type's last word, target part).
    bool relationships(const std::string &of, std::vector<std::pair<std::string, std::string>> &rels,
                       std::vector<std::string> &ids, csv_problem &problem) const
    {
        const std::size_t slash = of.rfind('/');
        const std::string dir = slash == std::string::npos ? "" : of.substr(0, slash + 1);
        const std::string name = slash == std::string::npos ? of : of.substr(slash + 1);
        const std::string rels_part = dir + "_rels/" + name + ".rels";
        if (!zip.has(rels_part))
            return true;
        std::unique_ptr<xml_pump> p = pump(rels_part, problem, std::uint64_t(16) << 20);
        if (!p)
            return false;
        for (;;) {
            const tok t = p->next();
            if (t == tok::Invalid) {
                problem = pump_problem(*p, 0);
                return false;
            }
            if (t == tok::EndDocument)
                return true;
            if (t != tok::StartElement || p->x.name() != QLatin1StringView("Relationship"))
                continue;
            const QXmlStreamAttributes a = p->x.attributes();
            const QStringView type = attr(a, QLatin1StringView("Type"));
            const QString word = type.mid(type.lastIndexOf(u'/') + 1).toString();
            std::string target;
            if (attr(a, QLatin1StringView("TargetMode")) != QLatin1StringView("External")) {
                target = resolve(of, attr(a, QLatin1StringView("Target")));
                if (target.empty()) {
                    problem = row_problem(0, msc__format(VL_TR("vellumo", "ссылка «%1» ведёт за пределы архива"),
                                                         u16(attr(a, QLatin1StringView("Target"))).c_str()));
                    return false;
                }
            }
            rels.emplace_back(word.toStdString(), target);
            ids.push_back(attr(a, QLatin1StringView("Id")).toString().toStdString());
            if (rels.size() > 100000) {
                problem = row_problem(0, pl__tr(VL_TR("vellumo", "в архиве слишком много связей между частями")));
                return false;
            }
        }
    }

    bool open_xlsx(csv_problem &problem)
    {
        std::vector<std::pair<std::string, std::string>> rels;
        std::vector<std::string> ids;
        if (!relationships("", rels, ids, problem))
            return false;
        std::string workbook;
        for (const auto &r : rels)
            if (r.first == "officeDocument")
                workbook = r.second;
        if (workbook.empty())
            workbook = "xl/workbook.xml";
        rels.clear();
        ids.clear();
        if (!relationships(workbook, rels, ids, problem))
            return false;
        for (const auto &r : rels) {
            if (r.first == "sharedStrings")
                shared_part = r.second;
            else if (r.first == "styles")
                styles_part = r.second;
        }
        std::unique_ptr<xml_pump> p = pump(workbook, problem, std::uint64_t(64) << 20);
        if (!p)
            return false;
        for (;;) {
            const tok t = p->next();
            if (t == tok::Invalid) {
                problem = pump_problem(*p, 0);
                return false;
            }
            if (t == tok::EndDocument)
                break;
            if (t != tok::StartElement)
                continue;
            const QStringView n = p->x.name();
            if (n == QLatin1StringView("workbookPr")) {
                const QStringView v = attr(p->x.attributes(), QLatin1StringView("date1904"));
                date1904 = v == QLatin1StringView("1") || v == QLatin1StringView("true");
            } else if (n == QLatin1StringView("sheet")) {
                const QXmlStreamAttributes a = p->x.attributes();
                std::string id;
                for (const QXmlStreamAttribute &at : a)
                    if (at.name() == QLatin1StringView("id") && at.namespaceUri().endsWith(u"relationships"))
                        id = at.value().toString().toStdString();
                std::string part;
                for (std::size_t i = 0; i < ids.size(); ++i)
                    if (ids[i] == id && rels[i].first == "worksheet")
                        part = rels[i].second;
                names.push_back(u16(attr(a, QLatin1StringView("name"))));
                sheet_parts.push_back(part);
                if (names.size() > 100000) {
                    problem = row_problem(0, pl__tr(VL_TR("vellumo", "в книге слишком много листов")));
                    return false;
                }
            }
        }
        return true;
    }

    // The shared strings and the cell formats, read once for both passes.
    bool prepare_xlsx(csv_problem &problem)
    {
        if (prepared)
            return true;
        if (!styles_part.empty() && zip.has(styles_part) && !read_styles(problem))
            return false;
        if (!shared_part.empty() && zip.has(shared_part) && !read_shared(problem))
            return false;
        prepared = true;
        return true;
    }

    bool read_styles(csv_problem &problem)
    {
        std::unique_ptr<xml_pump> p = pump(styles_part, problem, std::uint64_t(64) << 20);
        if (!p)
            return false;
        std::unordered_map<int, QString> codes;
        std::vector<int> ids;
        bool in_xfs = false;
        for (;;) {
            const tok t = p->next();
            if (t == tok::Invalid) {
                problem = pump_problem(*p, 0);
                return false;
            }
            if (t == tok::EndDocument)
                break;
            if (t == tok::EndElement && p->x.name() == QLatin1StringView("cellXfs"))
                in_xfs = false;
            if (t != tok::StartElement)
                continue;
            const QStringView n = p->x.name();
            if (n == QLatin1StringView("cellXfs")) {
                in_xfs = true;
            } else if (n == QLatin1StringView("numFmt") && codes.size() < 65536) {
                const QXmlStreamAttributes a = p->x.attributes();
                codes[static_cast<int>(whole(attr(a, QLatin1StringView("numFmtId")), 0))] =
                    attr(a, QLatin1StringView("formatCode")).left(256).toString();
            } else if (in_xfs && n == QLatin1StringView("xf") && ids.size() < 65536) {
                ids.push_back(static_cast<int>(
                    std::min(whole(attr(p->x.attributes(), QLatin1StringView("numFmtId")), 0), 100000L)));
            }
        }
        for (int id : ids) {
            const auto c = codes.find(id);
            xf.push_back(c != codes.end() ? classify_code(c->second) : builtin_format(id));
        }
        return true;
    }

    bool read_shared(csv_problem &problem)
    {
        std::unique_ptr<xml_pump> p = pump(shared_part, problem);
        if (!p)
            return false;
        int in_rph = 0;
        bool in_si = false, in_t = false;
        for (;;) {
            const tok t = p->next();
            if (t == tok::Invalid) {
                problem = pump_problem(*p, 0);
                return false;
            }
            if (t == tok::EndDocument)
                break;
            if (t == tok::StartElement) {
                const QStringView n = p->x.name();
                if (n == QLatin1StringView("si")) {
                    in_si = true;
                    if (shared_at.size() >= SHEET_MAX_SHARED_STRINGS) {
                        problem = row_problem(0, msc__format(VL_TR("vellumo", "общих строк больше %1"),
                                                             static_cast<unsigned long>(SHEET_MAX_SHARED_STRINGS)));
                        return false;
                    }
                    shared_at.push_back(shared.size());
                } else if (n == QLatin1StringView("rPh")) {
                    ++in_rph;
                } else if (n == QLatin1StringView("t")) {
                    in_t = in_si && in_rph == 0;
                }
            } else if (t == tok::EndElement) {
                const QStringView n = p->x.name();
                if (n == QLatin1StringView("si"))
                    in_si = false;
                else if (n == QLatin1StringView("rPh"))
                    --in_rph;
                else if (n == QLatin1StringView("t"))
                    in_t = false;
            } else if (t == tok::Characters && in_t) {
                append(shared, p->x.text());
                if (shared.size() > SHEET_MAX_SHARED_TEXT) {
                    problem = row_problem(0, pl__tr(VL_TR("vellumo", "общих строк больше 128 МиБ")));
                    return false;
                }
            }
        }
        shared_at.push_back(shared.size());
        return true;
    }
};

// ------------------------------------------------------------ rows

namespace {

bool too_many_columns(long col)
{
    return col >= static_cast<long>(CSV_MAX_COLUMNS);
}

// The value of an .xlsx cell of type `type` with its saved value `v_` and
// inline string `is_`, as its style `style` shows it.
bool xlsx_value(const spreadsheet_book &b_, std::string_view type_, long style, std::u16string &v_,
            std::u16string &is_, std::u16string &out, long line, csv_problem &problem)
{
    if (type_ == "inlineStr") {
        out = std::move(is_);
        return true;
    }
    if (type_ == "s") {
        if (v_.empty())
            return true;
        const long i = index_of(v_);
        if (i < 0 || static_cast<std::size_t>(i) + 1 >= b_.shared_at.size()) {
            problem = b_.row_problem(line, msc__format(VL_TR("vellumo", "ячейка ссылается на общую строку %1, а их %2"),
                                                       u16(QStringView(v_)).c_str(),
                                                       static_cast<unsigned long>(b_.shared_at.size()
                                                                                      ? b_.shared_at.size() - 1
                                                                                      : 0)));
            return false;
        }
        const std::size_t from = b_.shared_at[static_cast<std::size_t>(i)];
        out.assign(b_.shared, from, b_.shared_at[static_cast<std::size_t>(i) + 1] - from);
        return true;
    }
    if (type_ == "str" || type_ == "e") {
        out = std::move(v_);
        return true;
    }
    if (v_.empty())
        return true;
    if (type_ == "b") {
        out = v_ == u"1" || v_ == u"true" ? u"ИСТИНА" : u"ЛОЖЬ"; // not translated: the cell's value, data of the label
        return true;
    }
    if (type_ == "d") {
        out = iso_date_text(QStringView(v_));
        return true;
    }
    double v = 0;
    if (!parse_double(QStringView(v_), v)) {
        out = std::move(v_); // what the file holds, rather than a number it is not
        return true;
    }
    const cell_format f = style >= 0 && static_cast<std::size_t>(style) < b_.xf.size()
                              ? b_.xf[static_cast<std::size_t>(style)]
                              : cell_format{};
    format_value(v, f, b_.date1904, out);
    return true;
}


} // namespace

bool sheet__xlsx_value(const spreadsheet_book &b, std::string_view type, long style, std::u16string &v,
                       std::u16string &is, std::u16string &out, long line, csv_problem &problem)
{
    return xlsx_value(b, type, style, v, is, out, line, problem);
}

csv_problem sheet__row_problem(const spreadsheet_book &b, long line, const std::u16string &what)
{
    return b.row_problem(line, what);
}

namespace {

class xlsx_stream final : public sheet_stream {
public:
    xlsx_stream(const spreadsheet_book &book, std::unique_ptr<xml_pump> p) : b_(book), p_(std::move(p)) {}

    result next(std::vector<std::u16string> &cells, long &line, csv_problem &problem) override
    {
        cells.clear();
        for (;;) {
            const tok t = p_->next();
            if (t == tok::Invalid) {
                problem = b_.pump_problem(*p_, last_ + 1);
                return failed;
            }
            if (t == tok::EndDocument)
                return end;
            if (t == tok::EndElement && p_->x.name() == QLatin1StringView("sheetData"))
                return end;
            if (t != tok::StartElement || p_->x.name() != QLatin1StringView("row"))
                continue;
            line = whole(attr(p_->x.attributes(), QLatin1StringView("r")), last_ + 1);
            if (line <= 0)
                line = last_ + 1;
            last_ = line;
            return read_row(cells, line, problem) ? row : failed;
        }
    }

private:
    bool read_row(std::vector<std::u16string> &cells, long line, csv_problem &problem)
    {
        if (line > SHEET_MAX_ROWS) {
            problem = b_.row_problem(line, msc__format(VL_TR("vellumo", "строк на листе больше %1"), SHEET_MAX_ROWS));
            return false;
        }
        long col = -1;
        std::size_t text = 0;
        for (;;) {
            const tok t = p_->next();
            if (t == tok::Invalid || t == tok::EndDocument) {
                p_->fail_if_clean();
                problem = b_.pump_problem(*p_, line);
                return false;
            }
            if (t == tok::EndElement && p_->x.name() == QLatin1StringView("row"))
                break;
            if (t != tok::StartElement)
                continue;
            if (p_->x.name() != QLatin1StringView("c")) {
                if (!p_->skip_element()) {
                    problem = b_.pump_problem(*p_, line);
                    return false;
                }
                continue;
            }
            const QXmlStreamAttributes a = p_->x.attributes();
            const QStringView ref = attr(a, QLatin1StringView("r"));
            const long at = ref.isEmpty() ? col + 1 : column_of(ref);
            col = at < 0 ? col + 1 : at;
            type_ = attr(a, QLatin1StringView("t")).toString();
            const long style = whole(attr(a, QLatin1StringView("s")), 0);
            if (!read_cell(line, problem))
                return false;
            std::u16string value;
            if (!cell_value(style, value, line, problem))
                return false;
            if (value.empty())
                continue;
            if (too_many_columns(col)) {
                problem = b_.row_problem(line, pl__tr(VL_TR("vellumo", "столбцов больше 10000")));
                return false;
            }
            text += value.size();
            if (text > SHEET_MAX_ROW_TEXT) {
                problem = b_.row_problem(line, pl__tr(VL_TR("vellumo", "строка таблицы длиннее 16 МиБ")));
                return false;
            }
            if (static_cast<std::size_t>(col) >= cells.size())
                cells.resize(static_cast<std::size_t>(col) + 1);
            cells[static_cast<std::size_t>(col)] = std::move(value);
        }
        return true;
    }

    // The saved value <v> and an inline string <is> of the cell just
    // started, to its end.
    bool read_cell(long line, csv_problem &problem)
    {
        v_.clear();
        is_.clear();
        int depth = 0, in_rph = 0;
        bool in_v = false, in_is = false, in_t = false;
        for (;;) {
            const tok t = p_->next();
            if (t == tok::Invalid || t == tok::EndDocument) {
                p_->fail_if_clean();
                problem = b_.pump_problem(*p_, line);
                return false;
            }
            if (t == tok::StartElement) {
                const QStringView n = p_->x.name();
                if (depth == 0 && n == QLatin1StringView("v"))
                    in_v = true;
                else if (depth == 0 && n == QLatin1StringView("is"))
                    in_is = true;
                else if (in_is && n == QLatin1StringView("rPh"))
                    ++in_rph;
                else if (in_is && in_rph == 0 && n == QLatin1StringView("t"))
                    in_t = true;
                ++depth;
            } else if (t == tok::EndElement) {
                if (--depth < 0)
                    return true;
                const QStringView n = p_->x.name();
                if (depth == 0)
                    in_v = in_is = false;
                else if (n == QLatin1StringView("rPh"))
                    --in_rph;
                else if (n == QLatin1StringView("t"))
                    in_t = false;
            } else if (t == tok::Characters) {
                if (in_v)
                    append(v_, p_->x.text());
                else if (in_t)
                    append(is_, p_->x.text());
                if (v_.size() + is_.size() > SHEET_MAX_ROW_TEXT) {
                    problem = b_.row_problem(line, pl__tr(VL_TR("vellumo", "ячейка длиннее 16 МиБ")));
                    return false;
                }
            }
        }
    }

    bool cell_value(long style, std::u16string &out, long line, csv_problem &problem)
    {
        const QByteArray t = type_.toLatin1();
        return xlsx_value(b_, std::string_view(t.constData(), static_cast<std::size_t>(t.size())), style, v_, is_,
                          out, line, problem);
    }

    const spreadsheet_book &b_;
    std::unique_ptr<xml_pump> p_;
    long last_ = 0;
    QString type_;
    std::u16string v_, is_;
};

// ------------------------------------------------------------ .ods

struct ods_cell {
    std::u16string text;
    long repeat = 1;
};

class ods_stream final : public sheet_stream {
public:
    ods_stream(spreadsheet_book &book, std::unique_ptr<xml_pump> p, const std::u16string &sheet)
        : b_(book), p_(std::move(p)), want_(sheet)
    {
    }

    // Goes to the sheet's table, collecting the book's sheet names on the
    // way; `rest`: after the sheet was read, the names of the sheets after
    // it.  False when the part is refused.
    bool find(bool rest, csv_problem &problem)
    {
        if (!rest)
            b_.names.clear();
        for (;;) {
            const tok t = p_->next();
            if (t == tok::Invalid) {
                problem = b_.pump_problem(*p_, 0);
                return false;
            }
            if (t == tok::EndDocument) {
                found_ = false;
                return true;
            }
            if (t != tok::StartElement)
                continue;
            const QStringView n = p_->x.name();
            if (n == QLatin1StringView("number-style") || n == QLatin1StringView("percentage-style") ||
                n == QLatin1StringView("currency-style")) {
                data_style_ = attr_ns(p_->x.attributes(), NS_STYLE, QLatin1StringView("name")).toString();
                percent_ = n == QLatin1StringView("percentage-style");
            } else if (n == QLatin1StringView("number") && p_->x.namespaceUri() == NS_NUMBER &&
                       !data_style_.isEmpty() && data_styles_.size() < 65536) {
                const QStringView d = attr_ns(p_->x.attributes(), NS_NUMBER, QLatin1StringView("decimal-places"));
                cell_format f;
                f.kind = cell_format::fixed;
                f.decimals = d.isEmpty() ? -1 : static_cast<int>(std::min(whole(d, 0), 30L));
                f.percent = percent_;
                if (f.decimals < 0)
                    f.kind = cell_format::general;
                data_styles_[data_style_] = f;
            } else if (n == QLatin1StringView("style") && p_->x.namespaceUri() == NS_STYLE &&
                       cell_styles_.size() < 65536) {
                const QXmlStreamAttributes a = p_->x.attributes();
                const QStringView ds = attr_ns(a, NS_STYLE, QLatin1StringView("data-style-name"));
                if (!ds.isEmpty())
                    cell_styles_[attr_ns(a, NS_STYLE, QLatin1StringView("name")).toString()] = ds.toString();
            } else if (n == QLatin1StringView("table") && p_->x.namespaceUri() == NS_TABLE) {
                const std::u16string name = u16(attr_ns(p_->x.attributes(), NS_TABLE, QLatin1StringView("name")));
                if (b_.names.size() < 100000)
                    b_.names.push_back(name);
                if (!found_ && (want_.empty() || want_ == name)) {
                    found_ = true;
                    return true;
                }
                if (!p_->skip_element()) {
                    problem = b_.pump_problem(*p_, 0);
                    return false;
                }
            }
        }
    }
    bool found() const { return found_; }

    result next(std::vector<std::u16string> &cells, long &line, csv_problem &problem) override
    {
        cells.clear();
        if (pending_ > 0) {
            --pending_;
            line = ++last_;
            cells = repeated_;
            return row;
        }
        for (;;) {
            const tok t = p_->next();
            if (t == tok::Invalid || t == tok::EndDocument) {
                p_->fail_if_clean();
                problem = b_.pump_problem(*p_, last_ + 1);
                return failed;
            }
            if (t == tok::EndElement && p_->x.name() == QLatin1StringView("table") &&
                p_->x.namespaceUri() == NS_TABLE)
                return end;
            if (t != tok::StartElement || p_->x.namespaceUri() != NS_TABLE)
                continue;
            const QStringView n = p_->x.name();
            if (n == QLatin1StringView("table-row")) {
                const long repeat =
                    std::max(1L, whole(attr_ns(p_->x.attributes(), NS_TABLE, QLatin1StringView("number-rows-repeated")), 1));
                const long first = last_ + 1;
                if (!read_row(cells, first, problem))
                    return failed;
                if (cells.empty()) {
                    // Blank rows, however many, are only counted.
                    last_ = std::min(last_ + repeat, 1L << 40);
                    continue;
                }
                if (first + repeat - 1 > SHEET_MAX_ROWS) {
                    problem = b_.row_problem(first, msc__format(VL_TR("vellumo", "строк на листе больше %1"), SHEET_MAX_ROWS));
                    return failed;
                }
                last_ = first;
                line = first;
                if (repeat > 1) {
                    repeated_ = cells;
                    pending_ = repeat - 1;
                }
                return row;
            }
            if (n == QLatin1StringView("table-column") || n == QLatin1StringView("shapes") ||
                n == QLatin1StringView("named-expressions") || n == QLatin1StringView("table-source")) {
                if (!p_->skip_element()) {
                    problem = b_.pump_problem(*p_, last_ + 1);
                    return failed;
                }
            }
            // Row groups and header rows hold rows: their rows come next.
        }
    }

private:
    bool read_row(std::vector<std::u16string> &cells, long line, csv_problem &problem)
    {
        long col = 0;
        std::size_t text = 0;
        for (;;) {
            const tok t = p_->next();
            if (t == tok::Invalid || t == tok::EndDocument) {
                p_->fail_if_clean();
                problem = b_.pump_problem(*p_, line);
                return false;
            }
            if (t == tok::EndElement && p_->x.name() == QLatin1StringView("table-row"))
                break;
            if (t != tok::StartElement)
                continue;
            const QStringView n = p_->x.name();
            if (p_->x.namespaceUri() != NS_TABLE ||
                (n != QLatin1StringView("table-cell") && n != QLatin1StringView("covered-table-cell"))) {
                if (!p_->skip_element()) {
                    problem = b_.pump_problem(*p_, line);
                    return false;
                }
                continue;
            }
            ods_cell c;
            if (!read_cell(c, line, problem))
                return false;
            if (c.text.empty()) {
                col = std::min(col + c.repeat, 1L << 40); // empty cells are only counted
                continue;
            }
            if (too_many_columns(col + c.repeat - 1)) {
                problem = b_.row_problem(line, pl__tr(VL_TR("vellumo", "столбцов больше 10000")));
                return false;
            }
            text += c.text.size() * static_cast<std::size_t>(c.repeat);
            if (text > SHEET_MAX_ROW_TEXT) {
                problem = b_.row_problem(line, pl__tr(VL_TR("vellumo", "строка таблицы длиннее 16 МиБ")));
                return false;
            }
            cells.resize(static_cast<std::size_t>(col + c.repeat));
            for (long k = 0; k < c.repeat; ++k)
                cells[static_cast<std::size_t>(col + k)] = c.text;
            col += c.repeat;
        }
        return true;
    }

    bool read_cell(ods_cell &c, long line, csv_problem &problem)
    {
        const QXmlStreamAttributes a = p_->x.attributes();
        c.repeat = std::max(1L, whole(attr_ns(a, NS_TABLE, QLatin1StringView("number-columns-repeated")), 1));
        const QStringView type = attr_ns(a, NS_OFFICE, QLatin1StringView("value-type"));
        const QStringView value = attr_ns(a, NS_OFFICE, QLatin1StringView("value"));
        const QStringView style = attr_ns(a, NS_TABLE, QLatin1StringView("style-name"));
        bool from_text = true;
        if (type == QLatin1StringView("float") || type == QLatin1StringView("currency") ||
            type == QLatin1StringView("percentage")) {
            double v = 0;
            if (parse_double(value, v)) {
                cell_format f;
                const auto cs = cell_styles_.find(style.toString());
                if (cs != cell_styles_.end()) {
                    const auto ds = data_styles_.find(cs->second);
                    if (ds != data_styles_.end())
                        f = ds->second;
                }
                if (type == QLatin1StringView("percentage"))
                    f.percent = true;
                c.text = sheet__number_text(v, f.kind == cell_format::fixed ? f.decimals : -1, f.percent);
                from_text = false;
            }
        } else if (type == QLatin1StringView("date")) {
            const QStringView d = attr_ns(a, NS_OFFICE, QLatin1StringView("date-value"));
            if (!d.isEmpty()) {
                c.text = iso_date_text(d.left(64));
                from_text = false;
            }
        } else if (type == QLatin1StringView("boolean")) {
            const QStringView v = attr_ns(a, NS_OFFICE, QLatin1StringView("boolean-value"));
            c.text = v == QLatin1StringView("true") ? u"ИСТИНА" : u"ЛОЖЬ"; // not translated: the cell's value, data of the label
            from_text = false;
        } else if (type == QLatin1StringView("string")) {
            const QStringView s = attr_ns(a, NS_OFFICE, QLatin1StringView("string-value"));
            if (!s.isEmpty()) {
                c.text = u16(s.left(SHEET_MAX_ROW_TEXT));
                from_text = false;
            }
        }
        // The paragraphs of the cell: its text, and the value of what the
        // attributes did not give.
        int depth = 0, skip = 0, paragraphs = 0;
        std::u16string shown;
        for (;;) {
            const tok t = p_->next();
            if (t == tok::Invalid || t == tok::EndDocument) {
                p_->fail_if_clean();
                problem = b_.pump_problem(*p_, line);
                return false;
            }
            if (t == tok::StartElement) {
                ++depth;
                const QStringView n = p_->x.name();
                const bool text_ns = p_->x.namespaceUri() == NS_TEXT;
                if (skip > 0 || !text_ns) {
                    // Notes, frames and pictures in a cell are not its value.
                    ++skip;
                } else if (n == QLatin1StringView("p") || n == QLatin1StringView("h")) {
                    if (paragraphs++ > 0)
                        shown += u'\n';
                } else if (n == QLatin1StringView("s")) {
                    const long k = std::clamp(
                        whole(attr_ns(p_->x.attributes(), NS_TEXT, QLatin1StringView("c")), 1), 1L, 1000L);
                    shown.append(static_cast<std::size_t>(k), u' ');
                } else if (n == QLatin1StringView("tab")) {
                    shown += u'\t';
                } else if (n == QLatin1StringView("line-break")) {
                    shown += u'\n';
                }
            } else if (t == tok::EndElement) {
                if (--depth < 0)
                    break;
                if (skip > 0)
                    --skip;
            } else if (t == tok::Characters && skip == 0 && depth > 0) {
                append(shown, p_->x.text());
            }
            if (shown.size() > SHEET_MAX_ROW_TEXT) {
                problem = b_.row_problem(line, pl__tr(VL_TR("vellumo", "ячейка длиннее 16 МиБ")));
                return false;
            }
        }
        if (from_text)
            c.text = std::move(shown);
        return true;
    }

    spreadsheet_book &b_;
    std::unique_ptr<xml_pump> p_;
    std::u16string want_;
    bool found_ = false;
    QString data_style_;
    bool percent_ = false;
    std::unordered_map<QString, cell_format> data_styles_;
    std::unordered_map<QString, QString> cell_styles_;
    long last_ = 0, pending_ = 0;
    std::vector<std::u16string> repeated_;
};

std::u16string trimmed(std::u16string s)
{
    auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == 0xA0 || c == 0xFEFF; };
    while (!s.empty() && blank(s.back()))
        s.pop_back();
    std::size_t i = 0;
    while (i < s.size() && blank(s[i]))
        ++i;
    return s.substr(i);
}

} // namespace

// ------------------------------------------------------------ spreadsheet

spreadsheet::spreadsheet() : book_(std::make_unique<spreadsheet_book>()) {}
spreadsheet::~spreadsheet() = default;

spreadsheet_kind spreadsheet::kind() const
{
    return book_->kind;
}

const std::vector<std::u16string> &spreadsheet::sheet_names() const
{
    return book_->names;
}

bool spreadsheet::open(const std::string &path, const std::u16string &shown, csv_problem &problem)
{
    spreadsheet_book &b = *book_;
    b.path = path;
    b.shown = shown;
    zip_problem zp;
    if (!b.zip.open(path, zp)) {
        problem = b.row_problem(0, zp.text);
        return false;
    }
    std::string mimetype;
    if (b.zip.has("mimetype") && !b.zip.read_all("mimetype", mimetype, zp, 256)) {
        problem = b.row_problem(0, zp.text);
        return false;
    }
    if (mimetype.rfind("application/vnd.oasis.opendocument.spreadsheet", 0) == 0 ||
        (mimetype.empty() && b.zip.has("content.xml") && !b.zip.has("[Content_Types].xml"))) {
        b.kind = spreadsheet_kind::ods;
        return true;
    }
    if (mimetype.empty() && b.zip.has("[Content_Types].xml")) {
        b.kind = spreadsheet_kind::xlsx;
        if (!b.open_xlsx(problem))
            return false;
        if (b.names.empty()) {
            problem = b.row_problem(0, pl__tr(VL_TR("vellumo", "в книге нет ни одного листа")));
            return false;
        }
        return true;
    }
    problem = b.row_problem(0, pl__tr(VL_TR("vellumo", "это zip-архив, но не таблица .xlsx или .ods")));
    return false;
}

namespace {

std::u16string name_list(const std::vector<std::u16string> &names)
{
    std::u16string out;
    for (std::size_t i = 0; i < names.size() && i < 20; ++i)
        out += (i ? u", «" : u"«") + names[i] + u"»";
    if (names.size() > 20)
        out += u", …";
    return out;
}

} // namespace

// The rows of the chosen sheet from its start.
static std::unique_ptr<sheet_stream> open_sheet(spreadsheet_book &b, const std::u16string &sheet, bool fast,
                                                csv_problem &problem)
{
    if (b.kind == spreadsheet_kind::xlsx) {
        std::size_t i = 0;
        if (!sheet.empty()) {
            i = std::find(b.names.begin(), b.names.end(), sheet) - b.names.begin();
            if (i == b.names.size()) {
                problem = b.row_problem(0, msc__format(VL_TR("vellumo", "листа «%1» в книге нет; листы: %2"), sheet.c_str(),
                                                       name_list(b.names).c_str()));
                return nullptr;
            }
        }
        if (b.sheet_parts[i].empty()) {
            problem = b.row_problem(0, msc__format(VL_TR("vellumo", "лист «%1» - не таблица (диаграмма или ссылка наружу)"),
                                                   b.names[i].c_str()));
            return nullptr;
        }
        if (!b.prepare_xlsx(problem))
            return nullptr;
        if (fast) {
            zip_problem zp;
            std::unique_ptr<zip_part> part = b.zip.part(b.sheet_parts[i], zp);
            if (!part) {
                problem = b.row_problem(0, zp.text);
                return nullptr;
            }
            return sheet__quick_xlsx(b, std::move(part));
        }
        std::unique_ptr<xml_pump> p = b.pump(b.sheet_parts[i], problem);
        if (!p)
            return nullptr;
        return std::make_unique<xlsx_stream>(b, std::move(p));
    }
    std::unique_ptr<xml_pump> p = b.pump("content.xml", problem);
    if (!p)
        return nullptr;
    auto s = std::make_unique<ods_stream>(b, std::move(p), sheet);
    if (!s->find(false, problem))
        return nullptr;
    if (!s->found()) {
        if (sheet.empty())
            problem = b.row_problem(0, pl__tr(VL_TR("vellumo", "в книге нет ни одного листа")));
        else
            problem = b.row_problem(0, msc__format(VL_TR("vellumo", "листа «%1» в книге нет; листы: %2"), sheet.c_str(),
                                                   name_list(b.names).c_str()));
        return nullptr;
    }
    return s;
}

namespace {

// Records written to the spool in large blocks.
class spool_writer {
public:
    explicit spool_writer(int fd) : fd_(fd) { buf_.reserve((std::size_t(1) << 20) + (std::size_t(64) << 10)); }
    template <class T>
    void put(T v)
    {
        buf_.append(reinterpret_cast<const char *>(&v), sizeof v);
    }
    void put(const std::u16string &s)
    {
        put(static_cast<std::uint32_t>(s.size()));
        buf_.append(reinterpret_cast<const char *>(s.data()), s.size() * sizeof(char16_t));
    }
    bool flush(bool all)
    {
        if (!all && buf_.size() < (std::size_t(1) << 20))
            return true;
        for (std::size_t done = 0; done < buf_.size();) {
            const ssize_t w = ::write(fd_, buf_.data() + done, buf_.size() - done);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return false;
            done += static_cast<std::size_t>(w);
        }
        written_ += buf_.size();
        buf_.clear();
        return true;
    }
    std::uint64_t written() const { return written_; }

private:
    int fd_;
    std::string buf_;
    std::uint64_t written_ = 0;
};

int new_spool()
{
    const char *tmp = std::getenv("TMPDIR");
    std::string name = std::string(tmp && *tmp ? tmp : "/tmp") + "/vellumo-sheet-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd >= 0)
        ::unlink(name.c_str());
    return fd;
}

} // namespace

bool spreadsheet::scan(const std::u16string &sheet, csv_summary &summary, csv_problem &problem)
{
    summary = {};
    problem = {};
    spreadsheet_book &b = *book_;
    if (b.spool >= 0)
        ::close(b.spool);
    b.spool = new_spool();
    b.spool_size = 0;
    if (b.spool < 0) {
        problem = b.row_problem(0, msc__format(VL_TR("vellumo", "не удалось создать временный файл: %1"),
                                               plt__read_error_text(errno).c_str()));
        return false;
    }
    // The common kind of sheet by the quick reader; what it does not know,
    // again from the start by Qt's.
    std::unique_ptr<sheet_stream> s = open_sheet(b, sheet, b.kind == spreadsheet_kind::xlsx, problem);
    if (!s)
        return false;
    std::vector<std::u16string> cells, header;
    long line = 0, header_line = 0;
    std::uint64_t written = 0;
    for (bool again = true; again;) {
        again = false;
        if (::ftruncate(b.spool, 0) != 0 || ::lseek(b.spool, 0, SEEK_SET) != 0) {
            problem = b.row_problem(0, msc__format(VL_TR("vellumo", "строки листа не удалось сохранить во временный файл: %1"),
                                                   plt__read_error_text(errno).c_str()));
            return false;
        }
        summary.rows = 0;
        header.clear();
        header_line = 0;
        spool_writer out(b.spool);
        for (;;) {
            const sheet_stream::result r = s->next(cells, line, problem);
            if (r == sheet_stream::unsure) {
                problem = {};
                s = open_sheet(b, sheet, false, problem);
                if (!s)
                    return false;
                again = true;
                break;
            }
            if (r == sheet_stream::failed)
                return false;
            if (r == sheet_stream::end)
                break;
            if (cells.empty())
                continue;
            if (header_line == 0) {
                header = std::move(cells);
                header_line = line;
                continue;
            }
            if (cells.size() > header.size()) {
                problem = b.row_problem(line, msc__format(VL_TR("vellumo", "ячеек %1, а столбцов в заголовке %2"),
                                                          static_cast<unsigned long>(cells.size()),
                                                          static_cast<unsigned long>(header.size())));
                return false;
            }
            out.put(static_cast<std::int64_t>(line));
            out.put(static_cast<std::uint32_t>(cells.size()));
            for (const std::u16string &c : cells)
                out.put(c);
            if (!out.flush(false)) {
                problem = b.row_problem(0, msc__format(VL_TR("vellumo", "строки листа не удалось сохранить во временный файл: %1"),
                                                       plt__read_error_text(errno ? errno : ENOSPC).c_str()));
                return false;
            }
            ++summary.rows;
        }
        if (!again && !out.flush(true)) {
            problem = b.row_problem(0, msc__format(VL_TR("vellumo", "строки листа не удалось сохранить во временный файл: %1"),
                                                   plt__read_error_text(errno ? errno : ENOSPC).c_str()));
            return false;
        }
        written = out.written();
    }
    b.spool_size = written;
    // The names of an .ods's sheets after this one.
    if (b.kind == spreadsheet_kind::ods && !static_cast<ods_stream *>(s.get())->find(true, problem))
        return false;
    if (header_line == 0) {
        problem = b.row_problem(0, pl__tr(VL_TR("vellumo", "на листе нет строки заголовка (названий столбцов)")));
        return false;
    }
    std::unordered_set<std::u16string> seen;
    for (std::u16string &raw : header) {
        std::u16string name = trimmed(std::move(raw));
        if (!name.empty() && !seen.insert(name).second) {
            problem = b.row_problem(header_line, msc__format(VL_TR("vellumo", "столбец «%1» назван дважды"), name.c_str()));
            summary = {};
            return false;
        }
        summary.columns.push_back(std::move(name));
    }
    summary.encoding = csv_encoding::utf8;
    return true;
}

std::unique_ptr<spreadsheet_rows> spreadsheet::rows(const csv_summary &summary)
{
    const int fd = book_->spool >= 0 ? ::dup(book_->spool) : -1;
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<spreadsheet_rows>(new spreadsheet_rows(fd, book_->spool_size, summary));
}

spreadsheet_rows::spreadsheet_rows(int fd, std::uint64_t size, const csv_summary &summary)
    : fd_(fd), size_(size), summary_(summary)
{
}

spreadsheet_rows::~spreadsheet_rows()
{
    ::close(fd_);
}

// At least `need` bytes from `pos_` on in the buffer: false past the end.
bool spreadsheet_rows::fill(std::size_t need)
{
    if (len_ - pos_ >= need)
        return true;
    if (pos_ > 0) {
        std::memmove(buf_.get(), buf_.get() + pos_, len_ - pos_);
        len_ -= pos_;
        pos_ = 0;
    }
    // Read in blocks of 1 MiB at least, straight into room that is never
    // cleared first.
    const std::size_t room = std::max<std::size_t>(need, std::size_t(1) << 20);
    if (cap_ < room) {
        std::unique_ptr<char[]> grown(new char[room]);
        if (len_)
            std::memcpy(grown.get(), buf_.get(), len_);
        buf_ = std::move(grown);
        cap_ = room;
    }
    while (len_ < need) {
        const ssize_t n = ::pread(fd_, buf_.get() + len_, cap_ - len_, static_cast<off_t>(at_));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        len_ += static_cast<std::size_t>(n);
        at_ += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool spreadsheet_rows::next(std::vector<std::u16string> &cells, long &line, csv_problem &problem)
{
    problem = {};
    auto take = [&](void *to, std::size_t n) {
        if (!fill(n))
            return false;
        std::memcpy(to, buf_.get() + pos_, n);
        pos_ += n;
        return true;
    };
    if (at_ >= size_ && pos_ == len_)
        return false;
    std::int64_t number = 0;
    std::uint32_t count = 0;
    if (!take(&number, sizeof number) || !take(&count, sizeof count) || count > summary_.columns.size()) {
        problem = {0, msc__format(msg::csv_changed, 0)};
        return false;
    }
    line = static_cast<long>(number);
    cells.resize(summary_.columns.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
        std::uint32_t len = 0;
        if (i >= count) {
            cells[i].clear();
            continue;
        }
        if (!take(&len, sizeof len) || len > SHEET_MAX_ROW_TEXT || !fill(len * sizeof(char16_t))) {
            problem = {line, msc__format(msg::csv_changed, static_cast<int>(line))};
            return false;
        }
        cells[i].resize(len);
        std::memcpy(cells[i].data(), buf_.get() + pos_, len * sizeof(char16_t));
        pos_ += len * sizeof(char16_t);
    }
    return true;
}
