#include "server/render.h"
#include "platform/qt_text.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <set>

#include "model/layout.h"
#include "platform/code_pages.h"
#include "server/barcode.h"
#include "server/eps.h"

namespace {

constexpr double default_font_size = 10;
constexpr double largest_font_size = 2000;

QColor rgb(std::uint32_t colour)
{
    return QColor::fromRgb(0xFF000000u | (colour & 0xFFFFFFu));
}

// Where an element is drawn.  The point frame has its origin at the top
// left corner of the element's content box, x to the right along the
// element, y downwards, in points; the pixel frame is the same in device
// pixels.  The content box of a turned element (90 or 270 degrees) is its
// laid-out box turned back about the box's centre; any other element is
// turned about its anchor point.
struct element_frame {
    QTransform points;
    QTransform pixels;
    double w_pt = 0, h_pt = 0;
    double w_px = 0, h_px = 0;
    double ppx = 1, ppy = 1; // pixels per point along the element's axes
    bool right_angle = false;
};

element_frame frame_of(const element *e, const QTransform &base)
{
    const element_layout l = ele__layout(e);
    const double bw = l.x2 - l.x1, bh = l.y2 - l.y1;
    double cx, cy, cw, chh, px, py;
    if (ele__turned(e)) {
        px = (l.x1 + l.x2) / 2;
        py = (l.y1 + l.y2) / 2;
        cw = bh;
        chh = bw;
        cx = px - cw / 2;
        cy = py - chh / 2;
    } else {
        px = e->x;
        py = e->y;
        cx = l.x1;
        cy = l.y1;
        cw = bw;
        chh = bh;
    }
    // Label points, origin at the content's top left, y up.
    QTransform t = base;
    t.translate(px, py);
    t.rotate(e->angle);
    t.translate(cx - px, cy + chh - py);

    element_frame f;
    f.w_pt = cw;
    f.h_pt = chh;
    const QPointF o = t.map(QPointF(0, 0));
    const QPointF ux = t.map(QPointF(1, 0)) - o, uy = t.map(QPointF(0, 1)) - o;
    const double ppx = std::hypot(ux.x(), ux.y()), ppy = std::hypot(uy.x(), uy.y());
    f.ppx = ppx;
    f.ppy = ppy;
    f.points = QTransform::fromScale(1, -1) * t;
    f.pixels = QTransform::fromScale(1 / ppx, -1 / ppy) * t;
    const double turns = e->angle / 90;
    f.right_angle = std::fabs(turns - std::round(turns)) < 1e-9;
    f.w_px = cw * ppx;
    f.h_px = chh * ppy;
    if (f.right_angle) {
        // Whole pixels: the corner on a pixel corner, the sides whole.
        f.pixels = QTransform(std::round(f.pixels.m11()), std::round(f.pixels.m12()), std::round(f.pixels.m21()),
                              std::round(f.pixels.m22()), std::round(f.pixels.dx()), std::round(f.pixels.dy()));
        f.w_px = std::round(f.w_px);
        f.h_px = std::round(f.h_px);
    }
    return f;
}

// At most `limit` characters of a text for a log line, then "…".
std::u16string shown(const std::u16string &text, std::size_t limit = 200)
{
    return text.size() <= limit ? text : text.substr(0, limit) + u"…";
}

std::u16string who(const element *e, int index)
{
    std::u16string s = u"Элемент " + lsv__number(index + 1);
    if (!e->desc.empty())
        s += u" («" + shown(e->desc) + u"»)";
    return s + u": ";
}

// The log of one render: lines after `limit` characters are left out.
class render_log {
public:
    render_log(std::vector<std::u16string> &lines, std::size_t limit) : lines_(lines), limit_(limit) {}
    void push_back(std::u16string line)
    {
        if (units_ > limit_)
            return;
        units_ += line.size() + 1;
        lines_.push_back(std::move(line));
    }

private:
    std::vector<std::u16string> &lines_;
    std::size_t limit_;
    std::size_t units_ = 0;
};

void crossed_box(QPainter &p, const element_frame &f)
{
    p.save();
    p.setTransform(f.pixels);
    p.setRenderHint(QPainter::Antialiasing, !f.right_angle);
    QPen pen(QColor(255, 0, 0), 0);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const double w = std::max(f.w_px, 1.0), h = std::max(f.h_px, 1.0);
    p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    p.drawLine(QPointF(0.5, 0.5), QPointF(w - 0.5, h - 0.5));
    p.drawLine(QPointF(w - 0.5, 0.5), QPointF(0.5, h - 0.5));
    p.restore();
}

// The family names the font database knows, without foundry suffixes;
// read once, the fonts of a running server do not change.
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

const std::set<QString> &known_families()
{
    static const std::set<QString> families = read_families();
    return families;
}

QStringList split_lines(const QString &text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t.split(QLatin1Char('\n'));
}

void draw_text(QPainter &p, const element *e, int index, const element_frame &f, const std::u16string &text,
               const std::set<QString> &families, render_log &log)
{
    QString family = e->text.font ? qs(*e->text.font) : QString();
    QFont font;
    if (!family.isEmpty()) {
        font.setFamily(family);
        if (!families.count(family)) {
            const QString used = QFontInfo(font).family();
            log.push_back(who(e, index) + u"шрифт «" + us(family) + u"» не найден, взят «" + us(used) + u"»");
        }
    } else {
        font.setFamily(QStringLiteral("DejaVu Sans"));
    }
    double size = e->text.size;
    if (!(size > 0)) {
        log.push_back(who(e, index) + u"размер шрифта не задан, взят " +
                      lsv__number(static_cast<int>(default_font_size)) + u" пт");
        size = default_font_size;
    } else if (size > largest_font_size) {
        log.push_back(who(e, index) + u"размер шрифта уменьшен до " +
                      lsv__number(static_cast<int>(largest_font_size)) + u" пт");
        size = largest_font_size;
    }
    // Drawn in a frame of (about) device pixels with the font at its pixel
    // size: the glyph cache works there, unlike under a scaled painter.
    const double k = f.ppy > 0 ? f.ppy : 1;
    font.setPointSizeF(size * k);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(true);
    p.save();
    p.setTransform(QTransform::fromScale(1 / k, 1 / k) * f.points);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(font);
    p.setPen(rgb(e->text.colour));
    const QFontMetricsF fm(font, p.device());
    const double box_w = f.w_pt * k;
    double y = fm.ascent();
    const QStringList lines = split_lines(qs(text));
    if (e->text.justification != 3) {
        // One layout pass for all lines.
        const int align = e->text.justification == 1   ? Qt::AlignRight
                          : e->text.justification == 2 ? Qt::AlignHCenter
                                                       : Qt::AlignLeft;
        const double height = fm.lineSpacing() * static_cast<double>(lines.size()) + fm.height();
        p.drawText(QRectF(0, 0, box_w, height), align | Qt::AlignTop | Qt::TextDontClip, lines.join(QLatin1Char('\n')));
        p.restore();
        return;
    }
    for (const QString &line : lines) {
        switch (e->text.justification) {
        case 3: {
            // Words spread so that the line spans the box.
            const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            double sum = 0;
            for (const QString &w : words)
                sum += fm.horizontalAdvance(w);
            const double gap = words.size() > 1 ? (box_w - sum) / static_cast<double>(words.size() - 1) : 0;
            if (words.size() < 2 || gap < fm.horizontalAdvance(QLatin1Char(' '))) {
                p.drawText(QPointF(0, y), line);
                break;
            }
            double x = 0;
            for (const QString &w : words) {
                p.drawText(QPointF(x, y), w);
                x += fm.horizontalAdvance(w) + gap;
            }
            break;
        }
        default: p.drawText(QPointF(0, y), line); break;
        }
        y += fm.lineSpacing();
    }
    p.restore();
}

// Dash patterns in line widths: on, off, on, off...
std::vector<double> dash_pattern(int style)
{
    switch (style) {
    case 1: return {4, 2, 1, 2};
    case 2: return {4, 2, 1, 2, 1, 2};
    case 3: return {4, 2};
    case 4: return {1, 1};
    default: return {};
    }
}

void draw_border(QPainter &p, const element *e, const element_frame &f, double px_per_pt)
{
    p.save();
    p.setTransform(f.pixels);
    p.setRenderHint(QPainter::Antialiasing, !f.right_angle);
    // The line lies inside the box; thickness 0 is the thinnest line.
    double t = e->border.thickness > 0 ? e->border.thickness * px_per_pt : 1;
    if (f.right_angle)
        t = std::max(1.0, std::round(t));
    const double w = f.w_px, h = f.h_px;
    const QColor c = rgb(e->border.colour);
    const std::vector<double> pattern = dash_pattern(e->border.style);
    if (pattern.empty() || t * 2 >= std::min(w, h)) {
        // Four bands, exact to the pixel.
        const double tw = std::min(t, w / 2), th = std::min(t, h / 2);
        p.fillRect(QRectF(0, 0, w, th), c);
        p.fillRect(QRectF(0, h - th, w, th), c);
        p.fillRect(QRectF(0, th, tw, h - 2 * th), c);
        p.fillRect(QRectF(w - tw, th, tw, h - 2 * th), c);
        p.restore();
        return;
    }
    // Each side dashed from its corner on, the dashes filled as rectangles.
    auto side = [&](double length, const std::function<void(double from, double to)> &fill) {
        double at = 0;
        for (std::size_t i = 0; at < length; i = (i + 1) % pattern.size()) {
            const double step = std::max(1.0, f.right_angle ? std::round(pattern[i] * t) : pattern[i] * t);
            if (i % 2 == 0)
                fill(at, std::min(at + step, length));
            at += step;
        }
    };
    side(w, [&](double a, double b) {
        p.fillRect(QRectF(a, 0, b - a, t), c);
        p.fillRect(QRectF(w - b, h - t, b - a, t), c);
    });
    side(h - 2 * t, [&](double a, double b) {
        p.fillRect(QRectF(w - t, t + a, t, b - a), c);
        p.fillRect(QRectF(0, h - t - b, t, b - a), c);
    });
    p.restore();
}

void draw_markup(QPainter &p, const element *e, const element_frame &f, const QTransform &base)
{
    p.save();
    p.setTransform(f.pixels);
    p.setRenderHint(QPainter::Antialiasing, !f.right_angle);
    p.setPen(QPen(QColor(0, 0, 255), 0, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, std::max(f.w_px - 1, 0.0), std::max(f.h_px - 1, 0.0)));
    p.setTransform(QTransform());
    const QPointF a = base.map(QPointF(e->x, e->y));
    const QPointF c(std::floor(a.x()) + 0.5, std::floor(a.y()) + 0.5);
    p.setPen(QPen(QColor(255, 0, 0), 0));
    p.drawLine(c - QPointF(4, 0), c + QPointF(4, 0));
    p.drawLine(c - QPointF(0, 4), c + QPointF(0, 4));
    p.drawEllipse(c, 2.5, 2.5);
    p.restore();
}

} // namespace

void lsv__render_size(const label *lab, int xdpi, int ydpi, long long &w, long long &h)
{
    const double fw = lab->width * xdpi / 72.0, fh = lab->height * ydpi / 72.0;
    w = std::isfinite(fw) && fw >= 1 ? static_cast<long long>(std::min(std::round(fw), 1e15)) : 1;
    h = std::isfinite(fh) && fh >= 1 ? static_cast<long long>(std::min(std::round(fh), 1e15)) : 1;
}

render_variable_map lsv__variable_map(const std::vector<render_variable> &variables)
{
    render_variable_map map;
    map.reserve(variables.size());
    for (const render_variable &v : variables)
        map.try_emplace(v.name, v.value);
    return map;
}

std::u16string lsv__substitute_in(const std::u16string &text, const render_variable_map &variables,
                               const std::function<void(const std::u16string &, const std::u16string *)> &note,
                               std::size_t max_chars, bool *cut)
{
    if (cut)
        *cut = false;
    std::u16string out;
    auto append = [&](const std::u16string &from, std::size_t at, std::size_t n) {
        if (out.size() >= max_chars) {
            if (n && cut)
                *cut = true;
            return;
        }
        if (n > max_chars - out.size()) {
            n = max_chars - out.size();
            if (cut)
                *cut = true;
        }
        out.append(from, at, n);
    };
    std::size_t i = 0;
    while (i < text.size() && out.size() < max_chars) {
        const std::size_t open = text.find(u"${", i);
        if (open == std::u16string::npos)
            break;
        const std::size_t close = text.find(u'}', open + 2);
        if (close == std::u16string::npos)
            break;
        append(text, i, open - i);
        const std::u16string name = text.substr(open + 2, close - open - 2);
        const auto found = variables.find(name);
        const std::u16string *value = found == variables.end() ? nullptr : &found->second;
        if (note)
            note(name, value);
        if (value)
            append(*value, 0, value->size());
        else
            append(text, open, close - open + 1);
        i = close + 1;
    }
    if (out.size() < max_chars)
        append(text, i, text.size() - std::min(i, text.size()));
    else if (i < text.size() && cut)
        *cut = true;
    return out;
}

QImage lsv__render(const label *lab, const std::vector<render_variable> &variables, int xdpi, int ydpi,
                   bool markup, std::vector<std::u16string> &lines, const render_limits &limits,
                   render_outcome *outcome)
{
    render_outcome own;
    render_outcome &result = outcome ? *outcome : own;
    result = {};
    render_log log(lines, limits.max_log);
    long long w = 1, h = 1;
    lsv__render_size(lab, xdpi, ydpi, w, h);
    QImage img(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB32);
    if (img.isNull()) {
        log.push_back(u"не хватило памяти для изображения");
        return img;
    }
    // 72 dots per inch, so that a font's point is one unit of the device.
    img.setDotsPerMeterX(2835);
    img.setDotsPerMeterY(2835);
    img.fill(rgb(lab->bgcolor));
    log.push_back(u"Этикетка «" + shown(lab->name) + u"»: " + lsv__number(xdpi) + u"×" + lsv__number(ydpi) +
                  u" точек на дюйм, " + lsv__number(static_cast<int>(w)) + u"×" +
                  lsv__number(static_cast<int>(h)) + u" пикселей");

    const double sx = xdpi / 72.0, sy = ydpi / 72.0;
    QTransform base;
    base.translate(0, lab->height * sy);
    base.scale(sx, -sy);
    const std::set<QString> &families = known_families();
    const render_variable_map by_name = lsv__variable_map(variables);
    double gs_left = limits.ghostscript_seconds;

    QPainter p(&img);
    // Index 0 is on top: draw from the last index up.
    for (int i = lab->qty - 1; i >= 0; --i) {
        if (lsv__eps_stopping()) {
            result.stopped = true;
            return {};
        }
        const element *e = lab->es[i];
        if (e->disabled)
            continue;
        const element_frame f = frame_of(e, base);
        auto substituted = [&](const std::optional<std::u16string> &s) {
            bool cut = false;
            std::u16string text = lsv__substitute_in(
                s.value_or(u""), by_name,
                [&](const std::u16string &name, const std::u16string *value) {
                    if (value)
                        log.push_back(who(e, i) + u"${" + shown(name) + u"} заменено на «" + shown(*value) + u"»");
                    else
                        log.push_back(who(e, i) + u"переменная ${" + shown(name) + u"} не задана, оставлена как есть");
                },
                limits.max_text, &cut);
            if (cut)
                log.push_back(who(e, i) + u"текст длиннее " + lsv__number(static_cast<long long>(limits.max_text)) +
                              u" знаков, взято начало");
            return text;
        };
        switch (e->type) {
        case ELE_TEXT:
            draw_text(p, e, i, f, substituted(e->text.text), families, log);
            break;
        case ELE_BORDER:
            draw_border(p, e, f, std::min(sx, sy));
            break;
        case ELE_BARCODE: {
            const std::string data = msc__to_utf8(substituted(e->barcode.code));
            std::string error;
            p.save();
            p.setTransform(f.pixels);
            const bool ok = lsv__draw_barcode(p, e->barcode.type, data, e->barcode.text != 0, rgb(e->barcode.colour),
                                              f.w_px, f.h_px, f.right_angle, error);
            p.restore();
            if (!ok) {
                log.push_back(who(e, i) + u"штрихкод не нарисован: " + msc__from_utf8(error));
                crossed_box(p, f);
            }
            break;
        }
        case ELE_PICTURE: {
            std::string error;
            const lg_epsi *pic = e->picture.data.get();
            const double pw = std::ceil(f.w_px - 1e-6), ph = std::ceil(f.h_px - 1e-6);
            QImage picture;
            if (!pic || pic->data.empty())
                error = "в элементе нет рисунка";
            else if (!pic->boxed)
                error = "у рисунка нет размеров (%%BoundingBox)";
            else if (!(pw >= 1 && ph >= 1))
                error = "рисунок меньше точки";
            else if (pw * ph > static_cast<double>(LSV_MAX_PIXELS))
                error = "рисунок больше 100 мегапикселей";
            else {
                eps_limits gs;
                gs.budget_seconds = gs_left;
                eps_run run;
                picture = lsv__render_eps(pic->data, pic->llx, pic->lly, pic->width, pic->height,
                                          static_cast<int>(pw), static_cast<int>(ph), error, gs, &run);
                gs_left -= run.seconds;
                if (run.stopped) {
                    result.stopped = true;
                    return {};
                }
                if (run.out_of_budget) {
                    result.out_of_time = true;
                    log.push_back(who(e, i) + u"рисунок не нарисован: время Ghostscript на изображение (" +
                                  lsv__number(static_cast<long long>(limits.ghostscript_seconds)) + u" с) вышло");
                    return {};
                }
            }
            if (picture.isNull()) {
                log.push_back(who(e, i) + u"рисунок не нарисован: " + msc__from_utf8(error));
                crossed_box(p, f);
                break;
            }
            p.save();
            p.setTransform(f.pixels);
            p.setRenderHint(QPainter::SmoothPixmapTransform, !f.right_angle);
            p.drawImage(QRectF(0, 0, f.w_px, f.h_px), picture);
            p.restore();
            break;
        }
        default:
            log.push_back(who(e, i) + u"неизвестный вид элемента " + lsv__number(e->type));
            crossed_box(p, f);
            break;
        }
    }
    if (markup)
        for (int i = lab->qty - 1; i >= 0; --i)
            if (!lab->es[i]->disabled)
                draw_markup(p, lab->es[i], frame_of(lab->es[i], base), base);
    p.end();
    return img;
}

namespace {

struct jpeg_failure {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpeg_fail(j_common_ptr info)
{
    auto *f = reinterpret_cast<jpeg_failure *>(info->err);
    (*info->err->format_message)(info, f->message);
    std::longjmp(f->jump, 1);
}

} // namespace

bool lsv__encode_jpeg(const QImage &image, int quality, std::vector<unsigned char> &out, std::string &error)
{
    const QImage src = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    jpeg_compress_struct c{};
    jpeg_failure failure{};
    c.err = jpeg_std_error(&failure.mgr);
    failure.mgr.error_exit = jpeg_fail;
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    // Nothing below this point may own C++ objects: a failure jumps back.
    if (setjmp(failure.jump)) {
        jpeg_destroy_compress(&c);
        std::free(buffer);
        error = failure.message;
        return false;
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = static_cast<JDIMENSION>(src.width());
    c.image_height = static_cast<JDIMENSION>(src.height());
    c.input_components = 4;
    c.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(src.constScanLine(static_cast<int>(c.next_scanline)));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    out.assign(buffer, buffer + size);
    std::free(buffer);
    return true;
}

std::vector<std::u16string> lsv__font_families()
{
    std::vector<std::u16string> out;
    for (const QString &f : known_families())
        out.push_back(us(f));
    return out;
}
