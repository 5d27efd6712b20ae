// Guides: pulled out of the rulers, found under the pointer or near it (for
// the snapping of element drags), drawn translucent, removed all at once.
// Dragging one is an interaction mode of its own (mode_guide.cpp).
#include <QPainter>
#include <cmath>

#include "canvas/canvas.h"
#include "canvas/canvas_mode.h"
#include "widgets/gradient.h"

void canvas_window::begin_guide(bool vertical)
{
    const QPoint p = pointer();
    if (!rect().contains(p))
        return;
    stock_.guides.push_front(guide{vertical ? 1 : 0, vertical ? to_x(p.x()) : to_y(p.y())});
    enter(cnv__guide_mode(*this, &stock_.guides.front(), true));
    update();
}

guide *canvas_window::guide_at(QPoint p)
{
    if (!rect().contains(p))
        return nullptr;
    const double x = to_x(p.x()), y = to_y(p.y()), tolerance = 1 / stock_.scale;
    for (guide &g : stock_.guides)
        if (std::fabs((g.vertical ? x : y) - g.pos) < tolerance)
            return &g;
    return nullptr;
}

void canvas_window::remove_guides()
{
    dispatch d(*this);
    if (stock_.mode == CNV_GUIDE_DRAG)
        mode_->release(pointer());
    mode_->guides_removed();
    stock_.guides.clear();
    update();
}

void canvas_window::draw_guides(QPainter &p, const QRect &area)
{
    const std::uint32_t colour = ~stock_.cbr & 0xFFFFFFu;
    const int top = std::max(py(stock_.org_y + stock_.view_h), area.top());
    const int bottom = std::min(py(stock_.org_y), area.bottom() + 1);
    const int left = std::max(px(stock_.org_x), area.left());
    const int right = std::min(px(stock_.org_x + stock_.view_w), area.right() + 1);
    for (const guide &g : stock_.guides) {
        if (g.vertical) {
            const int x = px(g.pos);
            if (x >= area.left() && x <= area.right() && top < bottom)
                grd__fill(p, x, top, x + 1, bottom, colour, 130);
        } else {
            const int y = py(g.pos);
            if (y >= area.top() && y <= area.bottom() && left < right)
                grd__fill(p, left, y, right, y + 1, colour, 130);
        }
    }
}

guide *canvas_window::nearest_guide(double x, double y, bool vertical)
{
    const int at = vertical ? px(x) : py(y);
    guide *best = nullptr;
    int best_d = 10;
    for (guide &g : stock_.guides) {
        if ((g.vertical != 0) != vertical)
            continue;
        const int d = std::abs((vertical ? px(g.pos) : py(g.pos)) - at);
        if (d >= 10)
            continue;
        if (d == 0)
            return nullptr; // already on a guide
        if (d < best_d) { // a tie keeps the one found first, the newer
            best = &g;
            best_d = d;
        }
    }
    return best;
}
