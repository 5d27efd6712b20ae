#include "render/render.h"
#include "platform/qt_text.h"

#include <QPaintEngine>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

#include "model/layout.h"
#include "model/picture_file.h"
#include "model/misc.h"
#include "platform/code_pages.h"
#include "platform/translation.h"
#include "render/barcode.h"
#include "render/counters.h"
#include "render/element_frame.h"
#include "render/eps_runner.h"
#include "render/picture_draw.h"

namespace {

// Drawing a label in bands costs a measure of every element and text:
// labels with more elements or text than this are drawn whole.
constexpr int band_max_elements = 2000;
constexpr std::size_t band_max_text = 10000;

// At most `limit` characters of a text for a log line, then "…".
std::u16string shown(const std::u16string &text, std::size_t limit = 200)
{
    return text.size() <= limit ? text : text.substr(0, limit) + u"…";
}

std::u16string who(const element *e, int index)
{
    if (e->desc.empty())
        return msc__format(VL_TR("vellumo", "Элемент %1: "), index + 1);
    return msc__format(VL_TR("vellumo", "Элемент %1 («%2»): "), index + 1, shown(e->desc).c_str());
}

// Edges fall on device pixels on a raster device, where they are anywhere
// else (PDF, SVG, printers, recorded pictures).
bool snaps(const QPainter &p, render_edges edges)
{
    if (edges != render_edges::automatic)
        return edges == render_edges::pixels || edges == render_edges::dots;
    const QPaintEngine *engine = p.paintEngine();
    if (!engine)
        return false;
    switch (engine->type()) {
    case QPaintEngine::Raster:
    case QPaintEngine::OpenGL:
    case QPaintEngine::OpenGL2:
    case QPaintEngine::X11:
        return true;
    default:
        return false;
    }
}

void crossed_box(QPainter &p, const element_frame &f)
{
    p.save();
    p.setTransform(f.pixels);
    p.setRenderHint(QPainter::Antialiasing, !f.snap);
    QPen pen(QColor(255, 0, 0), 0);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (f.snap) {
        // Lines through the middle of the outer pixels.
        const double w = std::max(f.w_px, 1.0), h = std::max(f.h_px, 1.0);
        p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
        p.drawLine(QPointF(0.5, 0.5), QPointF(w - 0.5, h - 0.5));
        p.drawLine(QPointF(w - 0.5, 0.5), QPointF(0.5, h - 0.5));
    } else {
        const double w = f.w_px, h = f.h_px;
        p.drawRect(QRectF(0, 0, w, h));
        p.drawLine(QPointF(0, 0), QPointF(w, h));
        p.drawLine(QPointF(w, 0), QPointF(0, h));
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

void draw_border(QPainter &p, const element *e, const element_frame &f, double units_per_pt)
{
    p.save();
    p.setTransform(f.pixels);
    p.setRenderHint(QPainter::Antialiasing, !f.snap);
    // The line lies inside the box; thickness 0 is the thinnest line.
    double t = e->border.thickness > 0 ? e->border.thickness * units_per_pt : f.snap ? 1 : std::min(1.0, units_per_pt);
    if (f.snap)
        t = std::max(1.0, std::round(t));
    const double w = f.w_px, h = f.h_px;
    const QColor c = rdr__rgb(e->border.colour);
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
            const double step = f.snap ? std::max(1.0, std::round(pattern[i] * t)) : std::max(pattern[i] * t, 1e-3);
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
    p.setRenderHint(QPainter::Antialiasing, !f.snap);
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

// Pictures drawn by Ghostscript in the calling thread.
class ghostscript_pictures final : public picture_source {
public:
    picture_answer picture(const element *e, int px_w, int px_h, double budget_seconds) override
    {
        return rdr__ghostscript_picture(e, px_w, px_h, budget_seconds);
    }
};

// What one render shares between its elements.
struct render_state {
    const label *lab;
    const render_request &r;
    render_log *log;
    QTransform base;
    bool snap;
    double gs_left;
    picture_source *pictures;
    ghostscript_pictures own_pictures;
    render_variable_map no_variables;

    render_state(QPainter &p, const label *l, const render_request &request, render_log *lg)
        : lab(l), r(request), log(lg), base(rdr__base_transform(l, request)), snap(snaps(p, request.edges)),
          gs_left(request.limits.ghostscript_seconds), pictures(request.pictures ? request.pictures : &own_pictures)
    {
    }
    const render_variable_map &variables() const { return r.variables ? *r.variables : no_variables; }
};

std::u16string substituted(render_state &s, const element *e, int index, const std::optional<std::u16string> &text)
{
    if (!text || text->find(u"${") == std::u16string::npos) {
        if (!text || text->size() <= s.r.limits.max_text)
            return text.value_or(u"");
    }
    bool cut = false;
    std::function<void(const std::u16string &, const std::u16string *)> note;
    if (s.log)
        note = [&](const std::u16string &name, const std::u16string *value) {
            if (value)
                s.log->push_back(who(e, index) + msc__format(VL_TR("vellumo", "${%1} заменено на «%2»"), shown(name).c_str(),
                                                             shown(*value).c_str()));
            else
                s.log->push_back(who(e, index) + msc__format(VL_TR("vellumo", "переменная ${%1} не задана, оставлена как есть"),
                                                             shown(name).c_str()));
        };
    std::u16string out = rdr__substitute_in(*text, s.variables(), note, s.r.limits.max_text, &cut);
    if (cut && s.log)
        s.log->push_back(who(e, index) + msc__format(VL_TR("vellumo", "текст длиннее %1 знаков, взято начало"),
                                                     static_cast<long long>(s.r.limits.max_text)));
    return out;
}

element_result refused(QPainter &p, render_state &s, const element *e, int index, const element_frame &f,
                       std::u16string reason)
{
    if (s.log)
        s.log->push_back(who(e, index) + reason);
    crossed_box(p, f);
    return {element_state::refused, std::move(reason), {}};
}

// A PNG, JPEG or SVG picture: drawn by Qt, SVG as vectors.
element_result draw_qt_picture(QPainter &p, render_state &s, const element *e, int index, const element_frame &f,
                               const lg_epsi_shared &pic)
{
    if (!pic->boxed)
        return refused(p, s, e, index, f,
                       msc__format(VL_TR("vellumo", "рисунок не нарисован: файл %1 испорчен или небезопасен"),
                                   pic__format_name(pic->format) ? pic__format_name(pic->format) : ""));
    std::string error;
    const QRectF box(0, 0, f.w_px, f.h_px);
    if (pic->format == picture_format::svg) {
        p.save();
        p.setTransform(f.pixels);
        p.setRenderHint(QPainter::Antialiasing, true);
        const bool ok = rdr__draw_svg(p, *pic, box, error);
        p.restore();
        if (!ok)
            return refused(p, s, e, index, f, msc__format(VL_TR("vellumo", "рисунок не нарисован: %1"), error.c_str()));
        return {};
    }
    const QImage image = rdr__picture_image(pic, error);
    if (image.isNull())
        return refused(p, s, e, index, f, msc__format(VL_TR("vellumo", "рисунок не нарисован: %1"), error.c_str()));
    p.save();
    p.setTransform(f.pixels);
    p.setRenderHint(QPainter::SmoothPixmapTransform, !f.snap);
    p.drawImage(box, image);
    p.restore();
    return {};
}

element_result draw_picture(QPainter &p, render_state &s, const element *e, int index, const element_frame &f)
{
    lg_epsi_shared from_data;
    if (e->picture.source && pic__is_data_source(*e->picture.source) && !s.r.limits.picture_folder.empty()) {
        const std::u16string name = substituted(s, e, index, e->picture.source);
        std::u16string why;
        if (pic__is_data_source(name))
            why = pl__tr(VL_TR("vellumo", "в данных нет столбца для имени файла"));
        else
            from_data = rdr__data_picture(s.r.limits.picture_folder, name, why);
        // EPS files from the data would need Ghostscript per row; only
        // the formats Qt draws are taken.
        if (from_data && from_data->format == picture_format::eps) {
            from_data.reset();
            why = pl__tr(VL_TR("vellumo", "из данных берутся рисунки PNG, JPEG и SVG, а это EPS"));
        }
        if (!from_data)
            return refused(p, s, e, index, f, msc__format(VL_TR("vellumo", "рисунок «%1» не нарисован: %2"), shown(name).c_str(), why.c_str()));
    }
    const lg_epsi_shared &shared = from_data ? from_data : e->picture.data;
    const lg_epsi *pic = shared.get();
    if (!pic || pic->data.empty())
        return refused(p, s, e, index, f, pl__tr(VL_TR("vellumo", "рисунок не нарисован: в элементе нет рисунка")));
    if (pic->format != picture_format::eps)
        return draw_qt_picture(p, s, e, index, f, shared);
    const double pw = std::ceil(f.w_px - 1e-6), ph = std::ceil(f.h_px - 1e-6);
    std::string error;
    picture_answer a;
    if (!pic->boxed)
        error = plt__to_utf8(pl__tr(VL_TR("vellumo", "у рисунка нет размеров (%%BoundingBox)")));
    else if (!(pw >= 1 && ph >= 1))
        error = plt__to_utf8(pl__tr(VL_TR("vellumo", "рисунок меньше точки")));
    else if (pw * ph > RDR_MAX_PICTURE_PIXELS && !s.pictures->any_size())
        error = plt__to_utf8(pl__tr(VL_TR("vellumo", "рисунок больше 100 мегапикселей")));
    else {
        a = s.pictures->picture(e, static_cast<int>(pw), static_cast<int>(ph), s.gs_left);
        s.gs_left -= a.seconds;
        error = a.error;
        if (a.pending)
            return {element_state::pending, {}, {}};
        if (a.stopped)
            return {element_state::refused, pl__tr(VL_TR("vellumo", "остановлено")), {false, true}};
        if (a.out_of_budget) {
            if (s.log)
                s.log->push_back(who(e, index) +
                                 msc__format(VL_TR("vellumo", "рисунок не нарисован: время Ghostscript на изображение (%1 с) вышло"),
                                             static_cast<long long>(s.r.limits.ghostscript_seconds)));
            return {element_state::refused, pl__tr(VL_TR("vellumo", "время Ghostscript вышло")), {true, false}};
        }
    }
    if (a.image.isNull())
        return refused(p, s, e, index, f, msc__format(VL_TR("vellumo", "рисунок не нарисован: %1"), error.c_str()));
    p.save();
    p.setTransform(f.pixels);
    p.setRenderHint(QPainter::SmoothPixmapTransform, !f.snap);
    p.drawImage(QRectF(0, 0, f.w_px, f.h_px), a.image);
    p.restore();
    return {};
}

element_result draw_one(QPainter &p, render_state &s, int index)
{
    const element *e = s.lab->es[index];
    const element_frame f = rdr__frame_of(e, s.base, s.snap);
    switch (e->type) {
    case ELE_TEXT: {
        const std::u16string text = substituted(s, e, index, e->text.text);
        if (text.find_first_not_of(u" \t\r\n") == std::u16string::npos)
            return {element_state::empty, {}, {}};
        rdr__draw_text(p, e, f, text, s.log, s.log ? who(e, index) : std::u16string(), s.r.overflow_marks);
        return {};
    }
    case ELE_BORDER:
        draw_border(p, e, f, std::min(s.r.scale_x, s.r.scale_y));
        return {};
    case ELE_BARCODE: {
        const std::string data = plt__to_utf8(substituted(s, e, index, e->barcode.code));
        std::string error, warning;
        p.save();
        p.setTransform(f.pixels);
        const bool ok = rdr__draw_barcode(p, e->barcode.type, data, e->barcode.text != 0, rdr__rgb(e->barcode.colour),
                                          f.w_px, f.h_px, f.snap, error, s.r.edges == render_edges::dots, &warning);
        p.restore();
        if (!ok)
            return refused(p, s, e, index, f, msc__format(VL_TR("vellumo", "штрихкод не нарисован: %1"), error.c_str()));
        element_result drawn;
        if (!warning.empty()) {
            drawn.warning = who(e, index) + plt__from_utf8(warning);
            if (s.log)
                s.log->push_back(drawn.warning);
        }
        return drawn;
    }
    case ELE_PICTURE:
        return draw_picture(p, s, e, index, f);
    default:
        return refused(p, s, e, index, f, msc__format(VL_TR("vellumo", "неизвестный вид элемента %1"), e->type));
    }
}

} // namespace

picture_answer rdr__ghostscript_picture(const element *e, int px_w, int px_h, double budget_seconds)
{
    picture_answer a;
    const lg_epsi *pic = e->picture.data.get();
    eps_limits gs;
    gs.budget_seconds = budget_seconds;
    eps_run run;
    a.image = rdr__render_eps(pic->data, pic->llx, pic->lly, pic->width, pic->height, px_w, px_h, a.error, gs, &run);
    a.seconds = run.seconds;
    a.out_of_budget = run.out_of_budget;
    a.stopped = run.stopped;
    return a;
}

render_log::render_log(std::vector<std::u16string> &lines, std::size_t limit) : lines_(lines), limit_(limit)
{
    for (const std::u16string &l : lines_)
        units_ += l.size() + 1;
}

void render_log::push_back(std::u16string line)
{
    if (units_ > limit_)
        return;
    units_ += line.size() + 1;
    lines_.push_back(std::move(line));
}

QTransform rdr__base_transform(const label *lab, const render_request &r)
{
    return QTransform(r.scale_x, 0, 0, -r.scale_y, r.origin.x(), r.origin.y() + lab->height * r.scale_y);
}

element_frame rdr__frame_of(const element *e, const QTransform &base, bool snap_to_pixels)
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
    f.ppx = ppx > 0 ? ppx : 1;
    f.ppy = ppy > 0 ? ppy : 1;
    f.points = QTransform::fromScale(1, -1) * t;
    f.pixels = QTransform::fromScale(1 / f.ppx, -1 / f.ppy) * t;
    const double turns = e->angle / 90;
    f.right_angle = std::fabs(turns - std::round(turns)) < 1e-9;
    f.w_px = cw * f.ppx;
    f.h_px = chh * f.ppy;
    f.snap = snap_to_pixels && f.right_angle;
    if (f.snap) {
        // Whole pixels: the corner on a pixel corner, the sides whole.
        f.pixels = QTransform(std::round(f.pixels.m11()), std::round(f.pixels.m12()), std::round(f.pixels.m21()),
                              std::round(f.pixels.m22()), std::round(f.pixels.dx()), std::round(f.pixels.dy()));
        f.w_px = std::round(f.w_px);
        f.h_px = std::round(f.h_px);
    }
    return f;
}

render_variable_map rdr__variable_map(const std::vector<render_variable> &variables)
{
    render_variable_map map;
    map.reserve(variables.size());
    for (const render_variable &v : variables)
        if (!rdr__is_counter_name(v.name))
            map.try_emplace(v.name, v.value);
    return map;
}

std::u16string rdr__substitute_in(const std::u16string &text, const render_variable_map &variables,
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
    std::optional<QDateTime> now;
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
        // A counter the run did not set: the label is the first of its run,
        // drawn now.
        std::optional<std::u16string> counter;
        if (!value && rdr__is_counter_name(name)) {
            if (!now)
                now = QDateTime::currentDateTime();
            counter = rdr__counter_value(name, 1, 1, *now);
            if (counter)
                value = &*counter;
        }
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

namespace {

// Whether `text` names a counter: the run's date and time are read from
// the clock when a label is drawn on its own, and two drawings may differ.
bool names_counter(const std::optional<std::u16string> &text)
{
    return text && text->find(u"${#") != std::u16string::npos;
}

// One pass over the label: its background, each enabled element from the
// last index up through `one(i)` (index 0 ends on top), then the markup.
// It ends early where the render stops or its pictures run out of time.
template <typename Draw>
render_outcome draw_pass(QPainter &p, const render_state &s, Draw one)
{
    const label *lab = s.lab;
    if (s.r.background) {
        const QRectF area = s.base.mapRect(QRectF(0, 0, lab->width, lab->height));
        p.fillRect(s.snap ? QRectF(area.toAlignedRect()) : area, rdr__rgb(lab->bgcolor));
    }
    for (int i = lab->qty - 1; i >= 0; --i) {
        if (rdr__render_stopping())
            return {false, true};
        if (lab->es[i]->disabled)
            continue;
        const render_outcome o = one(i);
        if (o.stopped || o.out_of_time)
            return o;
    }
    if (s.r.markup)
        for (int i = lab->qty - 1; i >= 0; --i)
            if (!lab->es[i]->disabled)
                draw_markup(p, lab->es[i], rdr__frame_of(lab->es[i], s.base, s.snap), s.base);
    return {};
}

// A label drawn in two bands of device rows, the top one first, so that
// its rows can be told done halfway: each element is drawn, clipped, in
// each band its extent meets.  Its log lines come from the first of them
// (from the top band when it meets neither).
struct label_bands {
    int split = 0;                // the first row of the bottom band; 0: one band
    std::vector<QRectF> extents;  // each element's, as rdr__element_extent gives it
};

// Where the bands part: a row, a multiple of 16, between a fifth and a half
// of the height, crossed by no element that must not be drawn twice
// (pictures: Ghostscript's time; texts and barcodes with counters: the
// clock, read twice, could differ).  The top band is drawn while nothing
// else happens, so the split leans to a third of the height; an element
// drawn in both bands costs about as much as 32 rows more.  Texts are
// measured for it, so a label with much text is drawn in one band.
label_bands plan_bands(const QPainter &p, const label *lab, const render_request &r)
{
    label_bands b;
    // Images only: on a vector device an element would be there twice.
    const QPaintDevice *device = p.device();
    const int h = device && device->devType() == QInternal::Image ? device->height() : 0;
    if (h < 64 || !p.transform().isIdentity() || lab->qty > band_max_elements)
        return b;
    std::size_t chars = 0;
    for (int i = 0; i < lab->qty; ++i)
        if (lab->es[i]->type == ELE_TEXT && lab->es[i]->text.text)
            chars += lab->es[i]->text.text->size();
    if (chars > band_max_text)
        return b;
    b.extents.resize(static_cast<std::size_t>(lab->qty));
    std::vector<bool> whole(static_cast<std::size_t>(lab->qty));
    for (int i = 0; i < lab->qty; ++i) {
        const element *e = lab->es[i];
        if (e->disabled)
            continue;
        b.extents[static_cast<std::size_t>(i)] = rdr__element_extent(lab, e, r, device);
        whole[static_cast<std::size_t>(i)] = e->type == ELE_PICTURE ||
                                             (e->type == ELE_TEXT && names_counter(e->text.text)) ||
                                             (e->type == ELE_BARCODE && names_counter(e->barcode.code));
    }
    double best = std::numeric_limits<double>::infinity();
    for (int y = (h / 5 + 15) / 16 * 16; y <= h / 2; y += 16) {
        double cost = std::abs(y - h / 3) / 16.0;
        for (int i = 0; i < lab->qty && cost < best; ++i) {
            const QRectF &x = b.extents[static_cast<std::size_t>(i)];
            // A NaN extent crosses every row.
            if (lab->es[i]->disabled || x.bottom() <= y || x.top() >= y)
                continue;
            cost += whole[static_cast<std::size_t>(i)] ? std::numeric_limits<double>::infinity() : 2;
        }
        if (cost < best) {
            best = cost;
            b.split = y;
        }
    }
    return b;
}

render_outcome draw_bands(QPainter &p, const label *lab, const render_request &r, const label_bands &b,
                          std::vector<std::u16string> &lines)
{
    const int w = p.device()->width(), h = p.device()->height();
    const QRect band[2] = {QRect(0, 0, w, b.split), QRect(0, b.split, w, h - b.split)};
    auto meets = [&](int i, int k) {
        const QRectF &x = b.extents[static_cast<std::size_t>(i)];
        return !(x.bottom() <= band[k].top() || x.top() >= band[k].top() + band[k].height());
    };
    std::vector<int> first(static_cast<std::size_t>(lab->qty));
    for (int i = 0; i < lab->qty; ++i)
        first[static_cast<std::size_t>(i)] = !meets(i, 0) && meets(i, 1) ? 1 : 0;
    // Each band's log lines and where each element's lie among them, put
    // in the order of the elements at the end.  Each band keeps as much as
    // the whole log may, so that every line the whole keeps is there.
    std::vector<std::u16string> band_lines[2];
    std::vector<std::pair<std::size_t, std::size_t>> own(static_cast<std::size_t>(lab->qty));
    render_log band_log[2] = {render_log(band_lines[0], r.limits.max_log), render_log(band_lines[1], r.limits.max_log)};
    render_state s(p, lab, r, nullptr);
    render_outcome outcome;
    for (int k = 0; k < 2 && !outcome.stopped && !outcome.out_of_time; ++k) {
        p.save();
        p.setClipRect(band[k], p.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        outcome = draw_pass(p, s, [&](int i) {
            const bool owner = first[static_cast<std::size_t>(i)] == k;
            if (!owner && !meets(i, k))
                return render_outcome{};
            s.log = owner ? &band_log[k] : nullptr;
            const std::size_t from = band_lines[k].size();
            const render_outcome o = draw_one(p, s, i).outcome;
            if (owner)
                own[static_cast<std::size_t>(i)] = {from, band_lines[k].size()};
            return o;
        });
        p.restore();
        if (k == 0 && !outcome.stopped && !outcome.out_of_time)
            r.rows_done(b.split);
    }
    render_log log(lines, r.limits.max_log);
    for (int i = lab->qty - 1; i >= 0; --i) {
        if (lab->es[i]->disabled)
            continue;
        const auto [from, to] = own[static_cast<std::size_t>(i)];
        for (std::size_t l = from; l < to; ++l)
            log.push_back(std::move(band_lines[first[static_cast<std::size_t>(i)]][l]));
    }
    if (!outcome.stopped && !outcome.out_of_time)
        r.rows_done(std::numeric_limits<double>::infinity());
    return outcome;
}

} // namespace

render_outcome rdr__draw_label(QPainter &p, const label *lab, const render_request &r,
                               std::vector<std::u16string> &lines)
{
    if (r.rows_done) {
        const label_bands b = plan_bands(p, lab, r);
        if (b.split > 0)
            return draw_bands(p, lab, r, b, lines);
    }
    render_log log(lines, r.limits.max_log);
    render_state s(p, lab, r, &log);
    p.save();
    const render_outcome outcome = draw_pass(p, s, [&](int i) { return draw_one(p, s, i).outcome; });
    p.restore();
    if (r.rows_done && !outcome.stopped && !outcome.out_of_time)
        r.rows_done(std::numeric_limits<double>::infinity());
    return outcome;
}

element_result rdr__draw_element(QPainter &p, const label *lab, int index, const render_request &r,
                                  std::vector<std::u16string> *lines)
{
    if (index < 0 || index >= lab->qty)
        return {element_state::empty, {}, {}};
    // A page of a document stops between its elements as a label does.
    if (rdr__render_stopping())
        return {element_state::empty, {}, {false, true}};
    std::vector<std::u16string> none;
    render_log log(lines ? *lines : none, r.limits.max_log);
    render_state s(p, lab, r, lines ? &log : nullptr);
    p.save();
    element_result out = draw_one(p, s, index);
    p.restore();
    return out;
}

QPainterPath rdr__picture_area(const label *lab, const render_request &r)
{
    const QTransform base = rdr__base_transform(lab, r);
    QPainterPath area;
    for (int i = 0; i < lab->qty; ++i) {
        const element *e = lab->es[i];
        if (e->disabled || e->type != ELE_PICTURE)
            continue;
        const element_frame f = rdr__frame_of(e, base, false);
        area.addPolygon(f.points.map(QPolygonF(QRectF(0, 0, f.w_pt, f.h_pt))));
        area.closeSubpath();
    }
    return area;
}

QRectF rdr__element_extent(const label *lab, const element *e, const render_request &r, const QPaintDevice *device)
{
    const QTransform base = rdr__base_transform(lab, r);
    const element_frame f = rdr__frame_of(e, base, false);
    QRectF box(0, 0, f.w_pt, f.h_pt);
    if (e->type == ELE_TEXT && e->text.text && !e->text.text->empty()) {
        static const render_variable_map none;
        const std::u16string text =
            rdr__substitute_in(*e->text.text, r.variables ? *r.variables : none, nullptr, r.limits.max_text);
        box |= rdr__text_extent(e, f, text, device);
    }
    // Two device units around it for the edges' antialiasing and rounding.
    return f.points.mapRect(box).adjusted(-2, -2, 2, 2);
}
