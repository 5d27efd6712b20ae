// Guides: pulled out of the rulers, moved, pulled back to be removed, drawn
// translucent, and the snapping of element drags onto them.
#include <QApplication>
#include <QCursor>
#include <QPainter>
#include <cmath>

#include "canvas/canvas.h"
#include "widgets/gradient.h"
#include "model/misc.h"
#include "widgets/ruler.h"

void canvas_window::begin_guide(bool vertical)
{
    const QPoint p = pointer();
    if (!rect().contains(p))
        return;
    stock_.guides.push_front(guide{vertical ? 1 : 0, vertical ? to_x(p.x()) : to_y(p.y())});
    stock_.mode_info.g = &stock_.guides.front();
    stock_.mode = CNV_GUIDE_DRAG;
    grabMouse();
    setCursor(Qt::PointingHandCursor);
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

void canvas_window::guide_band(const guide &g)
{
    if (g.vertical) {
        const int x = px(g.pos);
        update(QRect(x - 2, 0, 5, height()));
    } else {
        const int y = py(g.pos);
        update(QRect(0, y - 2, width(), 5));
    }
}

void canvas_window::guide_step(QPoint pixel)
{
    guide *g = stock_.mode_info.g;
    if (!g)
        return;
    guide_band(*g);
    // Over its own ruler the guide goes, and the ruler takes the drag back.
    ruler *own = g->vertical ? stock_.vruler : stock_.hruler;
    const QPoint global = mapToGlobal(pixel);
    QWidget *under = QApplication::widgetAt(global);
    const bool over_own = own && own->isVisible() &&
                          (under == own || (!under && own->rect().contains(own->mapFromGlobal(global))));
    if (over_own) {
        stock_.mode = CNV_NORMAL;
        releaseMouse();
        setCursor(Qt::ArrowCursor);
        if (g->vertical)
            msc__debug_out(u"guide removed!\n");
        for (auto it = stock_.guides.begin(); it != stock_.guides.end(); ++it)
            if (&*it == g) {
                stock_.guides.erase(it);
                break;
            }
        stock_.mode_info.g = nullptr;
        own->begin_drag();
        return;
    }
    double x = std::clamp(to_x(pixel.x()), stock_.org_x, stock_.org_x + stock_.view_w);
    double y = std::clamp(to_y(pixel.y()), stock_.org_y, stock_.org_y + stock_.view_h);
    g->pos = g->vertical ? x : y;
    const int cx = std::clamp(pixel.x(), 0, width() - 1), cy = std::clamp(pixel.y(), 0, height() - 1);
    if (g->vertical)
        update(QRect(cx - 2, 0, 5, height()));
    else
        update(QRect(0, cy - 2, width(), 5));
}

void canvas_window::guide_release()
{
    stock_.mode = CNV_NORMAL;
    releaseMouse();
    setCursor(Qt::ArrowCursor);
}

void canvas_window::remove_guides()
{
    if (stock_.mode == CNV_GUIDE_DRAG)
        guide_release();
    stock_.mode_info.g = nullptr;
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

// After a drag step: the guide to snap to, and the delay restarted.
void canvas_window::snap_look(double x, double y, bool vertical)
{
    stock_.mode_info.g = nearest_guide(x, y, vertical);
    if (stock_.mode_info.g)
        snap_timer_.start(CANVAS_SNAP_PERIOD);
}

void canvas_window::snap_timer()
{
    if (stock_.mode != CNV_ELEMENT_DRAG)
        return;
    snap_timer_.stop();
    guide *g = stock_.mode_info.g;
    if (!g)
        return;
    const QPoint p = pointer();
    const double x = std::clamp(to_x(p.x()), stock_.org_x, stock_.org_x + stock_.view_w);
    const double y = std::clamp(to_y(p.y()), stock_.org_y, stock_.org_y + stock_.view_h);
    if (nearest_guide(x, y, g->vertical != 0) != g)
        return;
    const QPoint target = g->vertical ? QPoint(px(g->pos), py(y)) : QPoint(px(x), py(g->pos));
    QCursor::setPos(mapToGlobal(target));
    // The pointer's jump is handled as a move of its own.
    drag_step(target);
}
