// Texts: the font (its family as the label names it, or the fallback the
// font database takes), the lines, the justification.
#include "render/element_frame.h"
#include "platform/qt_text.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
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
            log->push_back(who + u"размер шрифта не задан, взят " +
                           rdr__number(static_cast<int>(default_font_size)) + u" пт");
        return default_font_size;
    }
    if (size > largest_font_size) {
        if (log)
            log->push_back(who + u"размер шрифта уменьшен до " +
                           rdr__number(static_cast<int>(largest_font_size)) + u" пт");
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
            log->push_back(who + u"шрифт «" + us(family) + u"» не найден, взят «" + us(used) + u"»");
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

void rdr__draw_text(QPainter &p, const element *e, const element_frame &f, const std::u16string &text,
                    render_log *log, const std::u16string &who)
{
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
