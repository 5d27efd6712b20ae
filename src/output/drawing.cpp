#include "output/drawing.h"
#include "platform/translation.h"

#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

QSize pixels(QSizeF points, int dpi)
{
    const double w = std::round(points.width() * dpi / 72.0), h = std::round(points.height() * dpi / 72.0);
    return QSize(static_cast<int>(std::clamp(w, 1.0, 1e9)), static_cast<int>(std::clamp(h, 1.0, 1e9)));
}

// The label with its top left corner at `origin` (device units).
page_outcome draw_label(QPainter &p, const label *lab, const render_variable_map &variables, double dpi,
                        QPointF origin, render_edges edges, bool background, std::vector<std::u16string> &problems,
                        const render_limits &limits, picture_source *pictures,
                        std::vector<std::u16string> *warnings = nullptr)
{
    page_outcome page;
    render_request r;
    r.limits = limits;
    r.pictures = pictures;
    r.scale_x = r.scale_y = dpi / 72.0;
    r.origin = origin;
    r.variables = &variables;
    r.background = false;
    r.edges = edges;
    if (background)
        p.fillRect(QRectF(origin.x(), origin.y(), lab->width * r.scale_x, lab->height * r.scale_y),
                   QColor::fromRgb(0xFF000000u | (lab->bgcolor & 0xFFFFFFu)));
    std::vector<std::u16string> log;
    // Index 0 is on top: drawn from the last index up.
    for (int i = lab->qty - 1; i >= 0; --i) {
        if (lab->es[i]->disabled)
            continue;
        log.clear();
        // The Ghostscript time is the page's, shared by its pictures.
        const auto start = std::chrono::steady_clock::now();
        const element_result e = rdr__draw_element(p, lab, i, r, &log);
        if (lab->es[i]->type == ELE_PICTURE) {
            const double used = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            page.ghostscript_seconds += used;
            r.limits.ghostscript_seconds = std::max(0.0, r.limits.ghostscript_seconds - used);
        }
        if (e.state == element_state::refused)
            problems.push_back(log.empty() ? e.reason : log.back());
        if (!e.warning.empty() && warnings)
            warnings->push_back(e.warning);
        if (e.outcome.stopped || e.outcome.out_of_time) {
            if (e.state != element_state::refused)
                problems.push_back(e.outcome.stopped ? pl__tr(VL_TR("vellumo", "остановлено")) : pl__tr(VL_TR("vellumo", "время Ghostscript вышло")));
            page.outcome.stopped = page.outcome.stopped || e.outcome.stopped;
            page.outcome.out_of_time = page.outcome.out_of_time || e.outcome.out_of_time;
            break;
        }
    }
    return page;
}

} // namespace

page_outcome out__draw_page(QPainter &p, const label *lab, const render_variable_map &variables, double dpi,
                            render_edges edges, bool background, std::vector<std::u16string> &problems,
                            const render_limits &limits, picture_source *pictures)
{
    return draw_label(p, lab, variables, dpi, QPointF(0, 0), edges, background, problems, limits, pictures);
}

page_outcome out__draw_labels(QPainter &p, const doc_page &page, double dpi, render_edges edges, bool background,
                              std::vector<page_problem> &problems, const render_limits &limits,
                              picture_source *pictures)
{
    page_outcome drawn;
    render_limits left = limits;
    if (!page.picture_folder.empty())
        left.picture_folder = page.picture_folder;
    std::vector<std::u16string> said, warned;
    for (std::size_t i = 0; i < page.labels.size(); ++i) {
        const placed_label &l = page.labels[i];
        said.clear();
        warned.clear();
        const page_outcome one = draw_label(p, l.lab, l.variables, dpi, l.offset * (dpi / 72.0), edges, background,
                                            said, left, pictures, &warned);
        for (std::u16string &text : said)
            problems.push_back({i, std::move(text)});
        for (std::u16string &text : warned)
            problems.push_back({i, std::move(text), true});
        drawn.ghostscript_seconds += one.ghostscript_seconds;
        left.ghostscript_seconds = std::max(0.0, left.ghostscript_seconds - one.ghostscript_seconds);
        drawn.outcome.stopped = drawn.outcome.stopped || one.outcome.stopped;
        drawn.outcome.out_of_time = drawn.outcome.out_of_time || one.outcome.out_of_time;
        if (one.outcome.stopped || one.outcome.out_of_time)
            break;
    }
    out__draw_marks(p, page, dpi);
    return drawn;
}

void out__draw_marks(QPainter &p, const doc_page &page, double dpi)
{
    if (page.outlines.empty() && page.crop_marks.empty())
        return;
    p.save();
    p.scale(dpi / 72.0, dpi / 72.0);
    p.setRenderHint(QPainter::Antialiasing, true);
    // A thin line, but at least a dot of the device wide.
    QPen pen(Qt::black, std::max(OUT_MARK_WIDTH, 72.0 / dpi));
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    for (const QPainterPath &path : page.outlines)
        p.drawPath(path);
    if (!page.crop_marks.empty())
        p.drawLines(page.crop_marks.data(), static_cast<int>(page.crop_marks.size()));
    p.restore();
}

QSize out__page_image_size(const doc_page &page, int dpi)
{
    return pixels(page.size, dpi);
}

QSize out__image_size(const label *lab, int dpi)
{
    return pixels(out__label_size(lab), dpi);
}

QImage out__page_image(const doc_page &page, const doc_options &o, std::vector<page_problem> &problems,
                       render_outcome *outcome, picture_source *pictures)
{
    for (const placed_label &l : page.labels)
        if (ele__out_of_range(l.lab))
            return {};
    const int dpi = std::clamp(o.dpi, OUT_MIN_DPI, OUT_MAX_DPI);
    const QSize size = out__page_image_size(page, dpi);
    if (static_cast<double>(size.width()) * size.height() > static_cast<double>(LIM_MAX_IMAGE_PIXELS))
        return {};
    QImage img(size, o.transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (img.isNull())
        return img;
    const int per_metre = static_cast<int>(std::lround(dpi / 0.0254));
    img.setDotsPerMeterX(per_metre);
    img.setDotsPerMeterY(per_metre);
    img.fill(o.transparent ? 0u : 0xFF000000u | (page.paper & 0xFFFFFFu));
    QPainter p(&img);
    // A label that is its page has the paper's colour already; a
    // transparent image has no background at all.
    bool background = false;
    if (!o.transparent)
        for (const placed_label &l : page.labels)
            background = background || (l.lab->bgcolor & 0xFFFFFFu) != (page.paper & 0xFFFFFFu) ||
                         !l.offset.isNull() || out__label_size(l.lab) != page.size;
    const page_outcome drawn =
        out__draw_labels(p, page, dpi, render_edges::pixels, background, problems, o.limits, pictures);
    if (outcome)
        *outcome = drawn.outcome;
    return img;
}

QImage out__image(const label *lab, const render_variable_map &variables, const doc_options &o,
                  std::vector<std::u16string> &problems, render_outcome *outcome, picture_source *pictures)
{
    std::vector<page_problem> said;
    QImage img = out__page_image(out__label_page(lab, variables), o, said, outcome, pictures);
    for (page_problem &p : said)
        problems.push_back(std::move(p.text));
    return img;
}
