#include "canvas/element_drag.h"

#include <QCursor>

void element_drag::begin()
{
    // Whatever it changes, the drag is one undo step of its own.
    if (frame_hub *h = hub())
        h->begin_gesture();
    c.grabMouse();
    c.setCursor(Qt::PointingHandCursor);
}

void element_drag::step(QPoint pixel)
{
    label *l = lab();
    if (el_ < 0 || el_ >= l->qty)
        return;
    const double sx = view_x(pixel.x()), sy = view_y(pixel.y());
    if (!apply(l->es[el_], sx, sy)) {
        c.recompute_extent();
        return;
    }
    if (scrolls())
        auto_scroll(sx, sy);
    if (redraws_with_trail())
        redraw_with_trail(el_);
    c.recompute_extent();
}

void element_drag::stop()
{
    stop_snap_timer();
    end(); // before the capture goes, so losing it ends nothing more
    c.releaseMouse();
    c.setCursor(Qt::ArrowCursor);
}

void element_drag::finish()
{
    stop();
    if (frame_hub *h = hub())
        h->end_gesture();
    redraw_with_trail(el_);
}

bool element_drag::cancel()
{
    stop();
    // The hub puts back what the drag changed, each view hearing of it.
    if (frame_hub *h = hub())
        h->cancel_gesture();
    redraw_with_trail(el_);
    c.recompute_extent();
    return true;
}

void element_drag::snap_look(double x, double y, bool vertical)
{
    snap_ = c.nearest_guide(x, y, vertical);
    if (snap_)
        start_snap_timer();
}

void element_drag::snap_either(double x, double y)
{
    snap_look(x, y, false);
    if (!snap_)
        snap_look(x, y, true);
}

void element_drag::rested()
{
    stop_snap_timer();
    guide *g = snap_;
    if (!g)
        return;
    const QPoint p = pointer();
    const double x = view_x(p.x()), y = view_y(p.y());
    if (c.nearest_guide(x, y, g->vertical != 0) != g)
        return;
    const QPoint target = g->vertical ? QPoint(c.px(g->pos), c.py(y)) : QPoint(c.px(x), c.py(g->pos));
    QCursor::setPos(c.mapToGlobal(target));
    // The pointer's jump is handled as a move of its own.
    step(target);
}
