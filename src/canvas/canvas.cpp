#include "canvas/canvas.h"

#include <QPainter>

#include "frame/frame_host.h"

canvas_window::canvas_window(QWidget *parent, frame_host *target, label *lab) : QWidget(parent)
{
    setObjectName(QStringLiteral("zelta-canvas-window"));
    stock_.win = this;
    stock_.target = target;
    stock_.lab = lab;
    setFocusPolicy(Qt::StrongFocus);
}

void canvas_window::notify(const frame_notify &) { update(); }
void canvas_window::set_label(label *lab) { stock_.lab = lab; update(); }
void canvas_window::relayout() { update(); }
bool canvas_window::is_idle() { return true; }
void canvas_window::redraw_element(int) { update(); }
void canvas_window::recompute_extent() { update(); }

void canvas_window::deselect_all()
{
    label *l = stock_.lab;
    for (int i = 0; i < l->qty; ++i) {
        if (l->es[i]->state == ELE_UNSELECTED)
            continue;
        frame_notify n;
        n.sender = this;
        n.code = fn::selection;
        n.action = fn::deselect;
        n.e1 = i;
        stock_.target->hub().notify(n);
    }
}

void canvas_window::normal_mode() { stock_.mode = 0; }

bool canvas_window::grid_shown(int step)
{
    return step == 10 ? stock_.grid10 : step == 20 ? stock_.grid20 : stock_.grid40;
}

void canvas_window::show_grid(int step, bool on)
{
    (step == 10 ? stock_.grid10 : step == 20 ? stock_.grid20 : stock_.grid40) = on;
    update();
}

void canvas_window::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0xa0, 0xa0, 0xa0));
}
