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
    (void)page;
}
