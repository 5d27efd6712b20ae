#include "output/page_layout.h"

#include <QPageSize>
#include <algorithm>
#include <cmath>

long page_layout::pages_for(long labels) const
{
    return labels > 0 ? place(labels - 1).page : 0;
}

QSizeF page_layout::page_size() const
{
    return page().fullRect(QPageLayout::Point).size();
}

QSizeF out__label_size(const label *lab)
{
    // Labels are at least a point and at most the largest side the editor
    // takes.
    auto side = [](double v) { return std::isfinite(v) ? std::clamp(v, 1.0, ELE_MAX_LABEL_SIZE) : 1.0; };
    return QSizeF(side(lab->width), side(lab->height));
}

QPageLayout out__page_layout(const label *lab)
{
    const QSizeF s = out__label_size(lab);
    const double w = s.width(), h = s.height();
    const QPageSize size(QSizeF(std::min(w, h), std::max(w, h)), QPageSize::Point, QString(),
                         QPageSize::ExactMatch);
    return QPageLayout(size, w > h ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Point);
}

doc_page out__blank_page(const page_layout &layout, long number)
{
    doc_page p;
    p.number = number;
    p.layout = layout.page();
    p.size = layout.page_size();
    p.paper = layout.paper();
    layout.mark(p);
    return p;
}

doc_page out__label_page(const label *lab, render_variable_map variables, long number)
{
    const label_per_page layout(lab);
    doc_page p = out__blank_page(layout, number);
    const label_place at = layout.place(number - 1);
    p.labels.push_back({lab, at.offset, std::move(variables), 0});
    return p;
}

sheet_layout::sheet_layout(label_sheet sheet, sheet_options o)
    : sheet_(std::move(sheet)), options_(o), cells_(sht__cells(sheet_))
{
    if (cells_.empty())
        cells_.push_back({0, 0});
    options_.first = std::clamp<long>(options_.first, 1, long(cells_.size()));
    if (options_.outlines) {
        outlines_.reserve(cells_.size());
        for (const sheet_cell &c : sht__cells(sheet_))
            outlines_.push_back(out__label_outline(sheet_, QPointF(c.x, c.y)));
    }
    if (options_.crop_marks)
        crop_marks_ = out__crop_marks(sheet_);
}

QPageLayout sheet_layout::page() const
{
    const QSizeF s = page_size();
    const double w = s.width(), h = s.height();
    const QPageSize size(QSizeF(std::min(w, h), std::max(w, h)), QPageSize::Point, QString(),
                         QPageSize::FuzzyMatch);
    return QPageLayout(size, w > h ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Point);
}

QSizeF sheet_layout::page_size() const
{
    return QSizeF(sheet_.paper_width, sheet_.paper_height);
}

label_place sheet_layout::place(long index) const
{
    const long n = long(cells_.size());
    const long cell = index + options_.first - 1;
    const sheet_cell &c = cells_[std::size_t(cell % n)];
    return {cell / n + 1, QPointF(c.x, c.y)};
}

void sheet_layout::mark(doc_page &page) const
{
    page.outlines = outlines_;
    page.crop_marks = crop_marks_;
}

QPainterPath out__label_outline(const label_sheet &sheet, QPointF at)
{
    const QRectF box(at, QSizeF(sheet.label_width, sheet.label_height));
    QPainterPath path;
    switch (sheet.shape) {
    case sheet_shape::rectangle: {
        const double r = std::min({sheet.radius, box.width() / 2, box.height() / 2});
        if (r > 0)
            path.addRoundedRect(box, r, r);
        else
            path.addRect(box);
        break;
    }
    case sheet_shape::round:
    case sheet_shape::ellipse:
        path.addEllipse(box);
        break;
    case sheet_shape::cd:
        path.addEllipse(box);
        if (sheet.hole > 0)
            path.addEllipse(box.center(), sheet.hole / 2, sheet.hole / 2);
        break;
    }
    return path;
}

namespace {

// A crop mark starts this far from its corner and is at most this long;
// it keeps this far from any label, and one shorter than the least is
// left out.
constexpr double MARK_GAP = 2.0;
constexpr double MARK_LENGTH = 12.0;
constexpr double MARK_CLEARANCE = 1.0;
constexpr double MARK_LEAST = 3.0;

struct span {
    double lo, hi;
};

} // namespace

std::vector<QLineF> out__crop_marks(const label_sheet &sheet)
{
    std::vector<QLineF> marks;
    const std::vector<sheet_cell> cells = sht__cells(sheet);
    const double w = sheet.label_width, h = sheet.label_height;
    if (cells.empty() || !(w > 0) || !(h > 0))
        return marks;
    // The labels by their left edges: those a mark may meet are found by
    // a binary search, not by a walk over every label of a large sheet.
    std::vector<sheet_cell> by_x = cells;
    std::sort(by_x.begin(), by_x.end(), [](const sheet_cell &a, const sheet_cell &b) { return a.x < b.x; });
    const double m = MARK_CLEARANCE;
    // Labels whose boxes, widened by the clearance, meet the box x0..x1 ×
    // y0..y1.
    auto meeting = [&](double x0, double x1, double y0, double y1, auto &&each) {
        auto from = std::lower_bound(by_x.begin(), by_x.end(), x0 - w - m,
                                     [](const sheet_cell &c, double x) { return c.x < x; });
        for (auto it = from; it != by_x.end() && it->x - m <= x1; ++it)
            if (it->x + w + m >= x0 && it->y - m <= y1 && it->y + h + m >= y0)
                each(*it);
    };
    // A mark from (x, y) going (dx, dy) (one of them ±1): where it ends
    // before the first label or the paper's edge, or nothing.
    auto mark = [&](double x, double y, int dx, int dy) {
        const double sx = x + dx * MARK_GAP, sy = y + dy * MARK_GAP;
        double reach = MARK_LENGTH;
        // The paper's edge.
        if (dx > 0)
            reach = std::min(reach, sheet.paper_width - sx);
        if (dx < 0)
            reach = std::min(reach, sx);
        if (dy > 0)
            reach = std::min(reach, sheet.paper_height - sy);
        if (dy < 0)
            reach = std::min(reach, sy);
        const double ex = sx + dx * MARK_LENGTH, ey = sy + dy * MARK_LENGTH;
        bool blocked = false;
        meeting(std::min(sx, ex), std::max(sx, ex), std::min(sy, ey), std::max(sy, ey), [&](const sheet_cell &c) {
            // The label's widened box along the mark's line.
            const span s = dx != 0 ? span{c.x - m, c.x + w + m} : span{c.y - m, c.y + h + m};
            const double at = dx != 0 ? sx : sy;
            const int dir = dx != 0 ? dx : dy;
            if (s.lo <= at && at <= s.hi)
                blocked = true;
            else if (dir > 0 && s.lo > at)
                reach = std::min(reach, s.lo - at);
            else if (dir < 0 && s.hi < at)
                reach = std::min(reach, at - s.hi);
        });
        if (!blocked && reach >= MARK_LEAST)
            marks.emplace_back(sx, sy, sx + dx * reach, sy + dy * reach);
    };
    for (const sheet_cell &c : cells) {
        const double l = c.x, t = c.y, r = c.x + w, b = c.y + h;
        mark(l, t, -1, 0);
        mark(l, t, 0, -1);
        mark(r, t, 1, 0);
        mark(r, t, 0, -1);
        mark(l, b, -1, 0);
        mark(l, b, 0, 1);
        mark(r, b, 1, 0);
        mark(r, b, 0, 1);
    }
    return marks;
}
