// Texts: the font (its family as the label names it, or the fallback the
// font database takes), the lines, the justification.
#include "model/misc.h"
#include "render/element_frame.h"
#include "platform/qt_text.h"
#include "platform/translation.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPolygonF>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double default_font_size = 10;
constexpr double largest_font_size = 2000;

// Read once: the fonts of a running program do not change.
std::set<QString> read_families()
{
    std::set<QString> out;
    for (const QString &f : QFontDatabase::families()) {
        QString name = f;
        const qsizetype bracket = name.indexOf(QLatin1String(" ["));
        if (bracket > 0 && name.endsWith(QLatin1Char(']')))
            name.truncate(bracket);
        out.insert(name);
    }
    return out;
}

QStringList split_lines(const QString &text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t.split(QLatin1Char('\n'));
}

// The size in points the text is drawn at.
double text_size(const element *e, render_log *log, const std::u16string &who)
{
    const double size = e->text.size;
    if (!(size > 0)) {
        if (log)
            log->push_back(who + msc__format(VL_TR("vellumo", "размер шрифта не задан, взят %1 пт"),
                                             static_cast<int>(default_font_size)));
        return default_font_size;
    }
    if (size > largest_font_size) {
        if (log)
            log->push_back(who + msc__format(VL_TR("vellumo", "размер шрифта уменьшен до %1 пт"),
                                             static_cast<int>(largest_font_size)));
        return largest_font_size;
    }
    return size;
}

// The text's font, `device_size` device units high, on a device of `dpi`
// dots per inch (a font's point size is measured in the device's inches).
QFont text_font(const element *e, double device_size, int dpi, render_log *log, const std::u16string &who)
{
    const QString family = e->text.font ? qs(*e->text.font) : QString();
    QFont font;
    if (!family.isEmpty()) {
        font.setFamily(family);
        if (log && !rdr__known_families().count(family)) {
            const QString used = QFontInfo(font).family();
            log->push_back(who + msc__format(VL_TR("vellumo", "шрифт «%1» не найден, взят «%2»"), us(family).c_str(),
                                             us(used).c_str()));
        }
    } else {
        font.setFamily(QStringLiteral("DejaVu Sans"));
    }
    font.setPointSizeF(device_size * 72.0 / (dpi > 0 ? dpi : 72));
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(true);
    return font;
}

int dpi_of(const QPaintDevice *device)
{
    return device ? device->logicalDpiY() : 72;
}

// ------------------------------------------------------------ fitting

// One line of a text laid out with the font's own advances, unhinted and
// unrounded: they scale with the size, so the line is as long on every
// device (QPainter::drawText rounds each glyph's advance to the device's
// pixels, a line of a raster as much as 1 % off the PDF's).
QTextLayout *line_layout(QTextLayout &l)
{
    QTextOption o;
    o.setUseDesignMetrics(true);
    o.setWrapMode(QTextOption::NoWrap);
    l.setTextOption(o);
    l.setCacheEnabled(false);
    l.beginLayout();
    QTextLine line = l.createLine();
    if (line.isValid())
        line.setPosition(QPointF(0, 0));
    l.endLayout();
    return &l;
}

double line_advance(const QFont &font, const QPaintDevice *device, const QString &s)
{
    if (s.isEmpty())
        return 0;
    QTextLayout l(s, font, const_cast<QPaintDevice *>(device));
    line_layout(l);
    return l.lineCount() > 0 ? l.lineAt(0).horizontalAdvance() : 0;
}

// Draws `s` with its baseline's left end at `at` (device units).
void draw_text_line(QPainter &p, const QString &s, QPointF at)
{
    if (s.isEmpty())
        return;
    QTextLayout l(s, p.font(), p.device());
    line_layout(l);
    if (l.lineCount() == 0)
        return;
    l.draw(&p, QPointF(at.x(), at.y() - l.lineAt(0).ascent()));
}


// Words are measured once, at this size on a device of 72 dots per inch
// (a device unit is a point), without hinting: what they measure at any
// other size is in proportion, the same for every device.
constexpr double reference_size = 100;
// A shrinking text goes no smaller than this, whatever its file says.
constexpr double smallest_shrink = 1;
// Steps of the search for the largest size that fits.
constexpr int size_steps = 16;

const QPaintDevice *points_device()
{
    static const QImage device = [] {
        QImage i(1, 1, QImage::Format_ARGB32_Premultiplied);
        i.setDotsPerMeterX(2835); // 72 dpi
        i.setDotsPerMeterY(2835);
        return i;
    }();
    return &device;
}

struct fit_word {
    QString text;
    double advance = 0;
    std::vector<double> pieces; // the advance of each grapheme, when it had to be broken
    std::vector<qsizetype> ends;
};

struct fit_paragraph {
    QString raw;         // as written (a text that does not wrap draws this)
    double raw_advance = -1;
    std::vector<int> words; // indices into the measured words
};

// A line in the making, in reference units.
struct fit_line {
    std::vector<QString> words;
    double width = 0;
    bool last = false; // the paragraph's last line
};

struct fit_lines {
    std::vector<fit_line> lines;
    bool broken = false; // a word longer than the width was broken
    double widest = 0;
};

class text_fitter {
public:
    text_fitter(const element *e, const std::u16string &text)
        : font_(text_font(e, reference_size, 72, nullptr, {})),
          fm_(font_, const_cast<QPaintDevice *>(points_device()))
    {
        space_ = measure(QStringLiteral(" "));
        QHash<QString, int> seen;
        for (const QString &line : split_lines(qs(text))) {
            fit_paragraph &p = paragraphs_.emplace_back();
            p.raw = line;
            for (const QString &w : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                auto it = seen.find(w);
                if (it == seen.end()) {
                    it = seen.insert(w, static_cast<int>(words_.size()));
                    fit_word &fw = words_.emplace_back();
                    fw.text = w;
                    fw.advance = measure(w);
                }
                p.words.push_back(it.value());
            }
        }
    }

    const QFontMetricsF &metrics() const { return fm_; }
    double space() const { return space_; }

    double advance(const QString &s) const { return measure(s); }

    // The paragraphs as they are written, one line each.
    fit_lines unwrapped()
    {
        fit_lines out;
        for (fit_paragraph &p : paragraphs_) {
            if (p.raw_advance < 0)
                p.raw_advance = measure(p.raw);
            fit_line &l = out.lines.emplace_back();
            l.words = {p.raw};
            l.width = p.raw_advance;
            l.last = true;
            out.widest = std::max(out.widest, l.width);
        }
        return out;
    }

    // The words on lines no wider than `limit` (reference units): a word
    // goes to the next line when it does not fit after the others, and is
    // broken between its characters when it does not fit a line alone.
    fit_lines wrapped(double limit)
    {
        fit_lines out;
        for (const fit_paragraph &p : paragraphs_) {
            fit_line cur;
            auto finish = [&](bool last) {
                cur.last = last;
                out.widest = std::max(out.widest, cur.width);
                out.lines.push_back(std::move(cur));
                cur = fit_line();
            };
            for (int wi : p.words) {
                fit_word &w = words_[static_cast<std::size_t>(wi)];
                const double with = cur.words.empty() ? w.advance : cur.width + space_ + w.advance;
                if (with <= limit) {
                    cur.words.push_back(w.text);
                    cur.width = with;
                    continue;
                }
                if (!cur.words.empty())
                    finish(false);
                if (w.advance <= limit) {
                    cur.words.push_back(w.text);
                    cur.width = w.advance;
                    continue;
                }
                // Longer than a line: as many characters as fit on each.
                out.broken = true;
                graphemes(w);
                qsizetype from = 0;
                double width = 0;
                for (std::size_t g = 0; g < w.pieces.size(); ++g) {
                    if (width > 0 && width + w.pieces[g] > limit) {
                        const qsizetype to = g > 0 ? w.ends[g - 1] : 0;
                        cur.words.push_back(w.text.mid(from, to - from));
                        cur.width = width;
                        finish(false);
                        from = to;
                        width = 0;
                    }
                    width += w.pieces[g];
                }
                cur.words.push_back(w.text.mid(from));
                cur.width = width;
            }
            finish(true);
        }
        return out;
    }

    // The start of `s` that is at most `limit` wide (at least nothing).
    QString cut(const QString &s, double limit) const
    {
        QTextBoundaryFinder b(QTextBoundaryFinder::Grapheme, s);
        qsizetype keep = 0;
        double width = 0;
        qsizetype at = 0;
        while (b.toNextBoundary() >= 0) {
            const qsizetype next = b.position();
            width += measure(s.mid(at, next - at));
            if (width > limit)
                break;
            keep = next;
            at = next;
        }
        return s.left(keep);
    }

private:
    void graphemes(fit_word &w)
    {
        if (!w.pieces.empty())
            return;
        QTextBoundaryFinder b(QTextBoundaryFinder::Grapheme, w.text);
        qsizetype at = 0;
        while (b.toNextBoundary() >= 0) {
            const qsizetype next = b.position();
            const QString g = w.text.mid(at, next - at);
            auto known = grapheme_advances_.constFind(g);
            if (known == grapheme_advances_.constEnd())
                known = grapheme_advances_.insert(g, measure(g));
            w.pieces.push_back(known.value());
            w.ends.push_back(next);
            at = next;
        }
    }

    // The advance of `s` in reference units, as draw_text_line lays it.
    double measure(const QString &s) const
    {
        return line_advance(font_, points_device(), s);
    }

    QFont font_;
    QFontMetricsF fm_;
    QHash<QString, double> grapheme_advances_; // a long word's letters, each measured once
    double space_ = 0;
    std::vector<fit_word> words_;
    std::vector<fit_paragraph> paragraphs_;
};

} // namespace

text_layout rdr__layout_text(const element *e, double w, double h, const std::u16string &text)
{
    text_layout out;
    text_fitter fit(e, text);
    const QFontMetricsF &fm = fit.metrics();
    const double size = text_size(e, nullptr, {});
    const bool wrap = e->text.wrap && w > 0;
    out.fitting = e->text.shrink > 0 && std::isfinite(e->text.shrink);
    const double lowest = out.fitting ? std::clamp(e->text.shrink, std::min(smallest_shrink, size), size) : size;
    const double box_w = std::isfinite(w) ? std::max(w, 0.0) : 0.0;
    // The width the lines are laid into: a device's glyphs run up to about
    // 1 % longer or shorter than their reference (a PDF viewer's, a raster's
    // at its size), and a line that fills the box must stay inside it.
    const double fill_w = box_w * 0.99;
    const double box_h = std::isfinite(h) ? std::max(h, 0.0) : 0.0;

    // The lines at size `s`, with the width limit in reference units.
    auto lines_at = [&](double s) {
        return wrap ? fit.wrapped(fill_w * reference_size / s) : fit.unwrapped();
    };
    auto height_of = [&](std::size_t n, double s) {
        return (fm.lineSpacing() * static_cast<double>(n - 1) + fm.ascent() + fm.descent()) * s / reference_size;
    };
    // Whether the lines at size `s` fit the box (without a broken word, when
    // `whole_words`).
    const double slack = 1e-9;
    auto fits = [&](double s, bool whole_words) {
        const fit_lines l = lines_at(s);
        if (whole_words && l.broken)
            return false;
        return l.widest * s / reference_size <= fill_w + slack && height_of(l.lines.size(), s) <= box_h + slack;
    };
    // The largest size in [lo, hi] that fits, `lo` known to fit.
    auto largest = [&](double lo, double hi, bool whole_words) {
        for (int i = 0; i < size_steps && hi - lo > 1e-3; ++i) {
            const double mid = (lo + hi) / 2;
            (fits(mid, whole_words) ? lo : hi) = mid;
        }
        return lo;
    };

    double s = size;
    bool cut = false;
    if (out.fitting && !fits(size, wrap)) {
        if (fits(lowest, true))
            s = largest(lowest, size, true);
        else if (wrap && fits(lowest, false))
            s = largest(lowest, size, false);
        else {
            s = lowest;
            cut = true;
        }
    }
    fit_lines lines = lines_at(s);
    const double k = s / reference_size;
    if (cut) {
        // The lines that fit below each other (the first one always), each
        // cut at the box's right edge.
        std::size_t n = 1;
        while (n < lines.lines.size() && height_of(n + 1, s) <= box_h + slack)
            ++n;
        out.overflow = true;
        lines.lines.resize(n);
        for (fit_line &l : lines.lines)
            if (l.width * k > box_w + slack) {
                QString joined = l.words.size() == 1 ? l.words[0] : QStringList(l.words.begin(), l.words.end()).join(QLatin1Char(' '));
                l.words = {fit.cut(joined, box_w / k)};
                l.width = fit.advance(l.words[0]);
            }
    }

    out.size = s;
    out.line_spacing = fm.lineSpacing() * k;
    out.ascent = fm.ascent() * k;
    out.descent = fm.descent() * k;
    const int just = e->text.justification;
    double baseline = out.ascent;
    for (const fit_line &l : lines.lines) {
        text_line &tl = out.lines.emplace_back();
        tl.baseline = baseline;
        baseline += out.line_spacing;
        if (just == 3 && l.words.size() > 0) {
            // Filled: the words spread over the width, but for a wrapped
            // paragraph's last line; the words of a line as written are
            // taken apart first.
            QStringList words;
            for (const QString &w : l.words)
                words += wrap ? QStringList{w} : w.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            double sum = 0;
            std::vector<double> advances;
            for (const QString &w : words)
                sum += advances.emplace_back(fit.advance(w) * k);
            const double gap = words.size() > 1 ? (box_w - sum) / static_cast<double>(words.size() - 1) : 0;
            if (words.size() > 1 && !(wrap && l.last) && gap >= fit.space() * k) {
                double x = 0;
                for (qsizetype i = 0; i < words.size(); ++i) {
                    tl.runs.push_back({x, us(words[i])});
                    x += advances[static_cast<std::size_t>(i)] + gap;
                }
                tl.width = box_w;
                continue;
            }
        }
        const QString joined = l.words.size() == 1 ? l.words[0] : QStringList(l.words.begin(), l.words.end()).join(QLatin1Char(' '));
        tl.width = (l.words.size() == 1 ? l.width : fit.advance(joined)) * k;
        const double x = just == 1 ? box_w - tl.width : just == 2 ? (box_w - tl.width) / 2 : 0;
        tl.runs.push_back({x, us(joined)});
    }
    return out;
}

namespace {

// A text that wraps or shrinks: the laid-out lines, each run at its place,
// the font at the size the layout took.  A shrinking text stays in its box;
// where it was cut, the canvas outlines the box in red.
void draw_laid_out(QPainter &p, const element *e, const element_frame &f, const std::u16string &text,
                   render_log *log, const std::u16string &who, bool mark_overflow)
{
    text_size(e, log, who); // its log lines
    const text_layout l = rdr__layout_text(e, f.w_pt, f.h_pt, text);
    const double k = f.ppy > 0 ? f.ppy : 1;
    const QFont font = text_font(e, l.size * k, dpi_of(p.device()), log, who);
    p.save();
    p.setTransform(QTransform::fromScale(1 / k, 1 / k) * f.points);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    if (l.fitting)
        p.setClipRect(QRectF(0, 0, f.w_pt * k, f.h_pt * k), Qt::IntersectClip);
    p.setFont(font);
    p.setPen(rdr__rgb(e->text.colour));
    for (const text_line &line : l.lines)
        for (const text_run &run : line.runs)
            draw_text_line(p, qs(run.text), QPointF(run.x * k, line.baseline * k));
    p.restore();
    if (l.overflow && mark_overflow) {
        p.save();
        p.setTransform(f.pixels);
        p.setRenderHint(QPainter::Antialiasing, false);
        QPen pen(QColor(255, 0, 0), 2);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(1, 1, std::max(f.w_px - 2, 0.0), std::max(f.h_px - 2, 0.0)));
        // A notch at the bottom right corner, where the text goes on.
        const double c = std::min({8.0, f.w_px, f.h_px});
        p.setBrush(QColor(255, 0, 0));
        p.drawPolygon(QPolygonF({QPointF(f.w_px, f.h_px - c), QPointF(f.w_px, f.h_px), QPointF(f.w_px - c, f.h_px)}));
        p.restore();
    }
}

} // namespace

const std::set<QString> &rdr__known_families()
{
    static const std::set<QString> families = read_families();
    return families;
}

std::vector<std::u16string> rdr__font_families()
{
    std::vector<std::u16string> out;
    for (const QString &f : rdr__known_families())
        out.push_back(us(f));
    return out;
}

bool rdr__text_fits_box(const element *e)
{
    return e->text.wrap || (e->text.shrink > 0 && std::isfinite(e->text.shrink));
}

void rdr__draw_text(QPainter &p, const element *e, const element_frame &f, const std::u16string &text,
                    render_log *log, const std::u16string &who, bool mark_overflow)
{
    if (rdr__text_fits_box(e)) {
        draw_laid_out(p, e, f, text, log, who, mark_overflow);
        return;
    }
    const double size = text_size(e, log, who);
    // Drawn in a frame of (about) device units with the font at its device
    // size: the glyph cache works there, unlike under a scaled painter.
    const double k = f.ppy > 0 ? f.ppy : 1;
    const QFont font = text_font(e, size * k, dpi_of(p.device()), log, who);
    p.save();
    p.setTransform(QTransform::fromScale(1 / k, 1 / k) * f.points);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(font);
    p.setPen(rdr__rgb(e->text.colour));
    const QFontMetricsF fm(font, p.device());
    const double box_w = f.w_pt * k;
    const QStringList lines = split_lines(qs(text));
    if (e->text.justification != 3) {
        // One layout pass for all lines.
        const int align = e->text.justification == 1   ? Qt::AlignRight
                          : e->text.justification == 2 ? Qt::AlignHCenter
                                                       : Qt::AlignLeft;
        const double height = fm.lineSpacing() * static_cast<double>(lines.size()) + fm.height();
        p.drawText(QRectF(0, 0, box_w, height), align | Qt::AlignTop | Qt::TextDontClip,
                   lines.join(QLatin1Char('\n')));
        p.restore();
        return;
    }
    // Filled: the words of each line spread so that it spans the box.
    double y = fm.ascent();
    for (const QString &line : lines) {
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        // Each word is measured once (shaping is most of a word's cost).
        std::vector<double> advances;
        advances.reserve(static_cast<std::size_t>(words.size()));
        double sum = 0;
        for (const QString &w : words)
            sum += advances.emplace_back(fm.horizontalAdvance(w));
        const double gap = words.size() > 1 ? (box_w - sum) / static_cast<double>(words.size() - 1) : 0;
        if (words.size() < 2 || gap < fm.horizontalAdvance(QLatin1Char(' '))) {
            p.drawText(QPointF(0, y), line);
        } else {
            double x = 0;
            for (qsizetype i = 0; i < words.size(); ++i) {
                p.drawText(QPointF(x, y), words[i]);
                x += advances[static_cast<std::size_t>(i)] + gap;
            }
        }
        y += fm.lineSpacing();
    }
    p.restore();
}

QRectF rdr__text_extent(const element *e, const element_frame &f, const std::u16string &text,
                        const QPaintDevice *device)
{
    if (rdr__text_fits_box(e)) {
        const text_layout l = rdr__layout_text(e, f.w_pt, f.h_pt, text);
        QRectF r(0, 0, f.w_pt, f.h_pt);
        for (const text_line &line : l.lines)
            for (const text_run &run : line.runs)
                r |= QRectF(run.x, line.baseline - l.ascent, line.width, l.ascent + l.descent);
        // Glyphs may reach a little beyond their advance and their line,
        // and the canvas's mark of a cut text lies on the box's edge.
        const double m = l.size / 3 + 2;
        return r.adjusted(-m, -m, m, m);
    }
    const double size = text_size(e, nullptr, {});
    const double k = f.ppy > 0 ? f.ppy : 1;
    const QFont font = text_font(e, size * k, dpi_of(device), nullptr, {});
    const QFontMetricsF fm(font, const_cast<QPaintDevice *>(device));
    double widest = 0;
    const QStringList lines = split_lines(qs(text));
    for (const QString &line : lines)
        widest = std::max(widest, fm.horizontalAdvance(line));
    const double box_w = f.w_pt * k;
    const double left = e->text.justification == 1 ? box_w - widest
                        : e->text.justification == 2 ? (box_w - widest) / 2
                                                     : 0;
    const double bottom = fm.lineSpacing() * static_cast<double>(lines.size()) + fm.descent();
    // Glyphs may reach a little beyond their advance and their line.
    const double m = fm.height() / 3 + 2;
    const QRectF r(QPointF(std::min(0.0, left) - m, -m),
                   QPointF(std::max(box_w, left + widest) + m, std::max(f.h_pt * k, bottom) + m));
    return QRectF(r.topLeft() / k, r.bottomRight() / k);
}
