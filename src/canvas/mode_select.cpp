// What the mouse does on the canvas: presses on markers, handles and
// nothing, the drags that follow (one small unit per operation), double-
// and right-clicks, the rubber band and creation while armed.  Every change
// goes to the frame as a change notification.
#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <cmath>

#include "canvas/canvas.h"
#include "platform/beep.h"
#include "widgets/frame_host.h"
#include "model/errors.h"

namespace {

// The anchor cycle of the right-click: clockwise from the bottom-left
// corner, then the centre.
int next_anchor(int q)
{
    switch (q) {
    case 0: return 4;
    case 4: return 1;
    case 1: return 5;
    case 5: return 2;
    case 2: return 6;
    case 6: return 3;
    case 3: return 7;
    case 7: return 8;
    case 8: return 0;
    default: return -1;
    }
}

bool anchor_on_right(int q) { return q == 2 || q == 3 || q == 6; }
bool anchor_centred_x(int q) { return q == 5 || q == 7 || q == 8; }
bool anchor_on_bottom(int q) { return q == 0 || q == 3 || q == 7; }
bool anchor_centred_y(int q) { return q == 4 || q == 6 || q == 8; }

// Runs left to right on the screen.
bool runs_horizontally(const element *e)
{
    if (e->type != ELE_PICTURE)
        return ele__same(e->angle, 0) || ele__same(e->angle, 180);
    return e->angle < 45 || (e->angle > 135 && e->angle < 225) || e->angle > 315;
}

// The pending press: what was hit, decided into a drag or a click by the
// pointer's first movement or the release.
struct pending {
    bool on_spot = false;
    spot s;
};
pending g_pending;

} // namespace

// ---------------------------------------------------------------- helpers

void canvas_window::send(int code, int index, double value)
{
    frame_notify n;
    n.sender = this;
    n.code = code;
    n.e1 = index;
    n.value = value;
    if (code == fn::quadrant)
        n.quadrant = static_cast<int>(value);
    if (code == fn::selection)
        n.action = static_cast<int>(value);
    if (stock_.owner)
        stock_.owner->hub().notify(n);
}

void canvas_window::select(int index, bool on)
{
    send(fn::selection, index, on ? fn::select : fn::deselect);
    redraw_element(index);
}

void canvas_window::deselect_all()
{
    for (int i = 0; i < stock_.lab->qty; ++i)
        if (stock_.lab->es[i]->state != ELE_UNSELECTED)
            select(i, false);
}

double canvas_window::pointer_angle(const element *e, double x, double y) const
{
    const double dx = x - e->x, dy = y - e->y;
    if (std::sqrt(dx * dx + dy * dy) < ELE_EPS)
        return 0;
    double a = std::atan2(dy, dx) * 180.0 / M_PI;
    if (a < 0)
        a += 360;
    return a >= 360 ? 0 : a;
}

void canvas_window::start_drag(int index, int op)
{
    stock_.mode = CNV_ELEMENT_DRAG;
    stock_.mode_info.el = index;
    stock_.mode_info.op = op;
    stock_.mode_info.g = nullptr;
    if (op == OP_MOVE_SELECTION) {
        // Where the dragged anchor started; nothing moved yet.
        stock_.mode_info.x = stock_.lab->es[index]->x;
        stock_.mode_info.y = stock_.lab->es[index]->y;
        stock_.mode_info.dx = stock_.mode_info.dy = 0;
    }
    grabMouse();
    setCursor(Qt::PointingHandCursor);
}

// ------------------------------------------------------------------ press

void canvas_window::mousePressEvent(QMouseEvent *e)
{
    const QPoint p = e->position().toPoint();
    if (e->button() == Qt::RightButton) {
        if (stock_.mode == CNV_NORMAL)
            if (const spot *s = hit(p))
                right_click(*s);
        return;
    }
    if (e->button() != Qt::LeftButton)
        return;
    if (stock_.mode == CNV_ARMED) {
        press_armed(p);
        return;
    }
    if (stock_.mode != CNV_NORMAL)
        return;
    if (guide *g = guide_at(p)) {
        stock_.mode_info.g = g;
        stock_.mode = CNV_GUIDE_DRAG;
        grabMouse();
        setCursor(Qt::PointingHandCursor);
        return;
    }
    // A drag or a click: the pointer's first movement decides.
    pending_press_ = true;
    press_pixel_ = p;
    press_mods_ = QApplication::keyboardModifiers() | e->modifiers();
    g_pending = pending{};
    if (const spot *s = hit(p)) {
        g_pending.on_spot = true;
        g_pending.s = *s;
        setCursor(Qt::PointingHandCursor);
    }
}

bool canvas_window::drag_detect(QPoint at)
{
    return (at - press_pixel_).manhattanLength() >= QApplication::startDragDistance();
}

void canvas_window::press_marker(const spot &s, Qt::KeyboardModifiers mods, bool drag)
{
    const int index = ele__get_index(stock_.lab, s.e);
    if (index == -1)
        XFAIL("( s->mode_info.el = ele__get_index( s->lab, sp->e ) ) != -1");
    const bool ctrl = mods & Qt::ControlModifier, alt = mods & Qt::AltModifier;
    element *e = s.e;
    auto alone = [&] {
        for (int i = 0; i < stock_.lab->qty; ++i)
            if (i != index && stock_.lab->es[i]->state != ELE_UNSELECTED)
                select(i, false);
        if (e->state == ELE_UNSELECTED)
            select(index, true);
    };
    if (!drag) {
        if (ctrl) {
            if (e->state == ELE_UNSELECTED)
                select(index, true);
        } else if (alt) {
            if (e->state != ELE_UNSELECTED)
                select(index, false);
        } else {
            alone();
        }
        return;
    }
    if (ctrl) {
        if (e->state == ELE_UNSELECTED)
            select(index, true);
    } else if (alt) {
        if (e->state != ELE_UNSELECTED) {
            select(index, false);
            return; // no drag
        }
    } else if (e->state == ELE_UNSELECTED) {
        alone();
    }
    start_drag(index, stock_.lab->sel <= 1 ? OP_MOVE : OP_MOVE_SELECTION);
    // The pointer jumps onto the anchor, as a move of its own.
    const QPoint anchor(px(e->x), py(e->y));
    QCursor::setPos(mapToGlobal(anchor));
    drag_step(anchor);
}

void canvas_window::press_handle(const spot &s, bool drag)
{
    if (!drag || s.kind == SPOT_AUTO_WIDTH || s.kind == SPOT_AUTO_HEIGHT)
        return;
    const int index = ele__get_index(stock_.lab, s.e);
    if (index == -1)
        XFAIL("( s->mode_info.el = ele__get_index( s->lab, sp->e ) ) != -1");
    if (s.kind == SPOT_ROTATE) {
        if (s.e->type != ELE_PICTURE)
            return;
        stock_.mode_info.x = to_x(s.x);
        stock_.mode_info.y = to_y(s.y);
        stock_.mode_info.angle_offset = s.e->angle - pointer_angle(s.e, stock_.mode_info.x, stock_.mode_info.y);
        start_drag(index, OP_ROTATE);
        redraw_with_trail(index);
        return;
    }
    start_drag(index, s.kind); // width, height or corner
}

void canvas_window::press_nothing(QPoint p, Qt::KeyboardModifiers mods, bool drag)
{
    canvas_mode_info &m = stock_.mode_info;
    m.x = to_x(p.x());
    m.y = to_y(p.y());
    m.op = 0;
    if (mods & Qt::AltModifier)
        m.op = 2; // remove
    if (mods & Qt::ControlModifier)
        m.op = 1; // add; Ctrl wins
    if (drag) {
        m.dx = m.dy = 0;
        stock_.mode = CNV_RUBBER_BAND;
        grabMouse();
        update();
    } else if (m.op == 0) {
        deselect_all();
    }
}

void canvas_window::press_armed(QPoint p)
{
    const double x = to_x(p.x()), y = to_y(p.y());
    const label *l = stock_.lab;
    if (x < 0 || y < 0 || x > l->width || y > l->height || hit(p)) {
        platform_beep();
        return;
    }
    frame_notify n;
    n.sender = this;
    n.code = fn::element_list;
    n.action = 1;
    n.e1 = 0;
    n.kind = stock_.mode_info.op;
    n.x = x;
    n.y = y;
    if (stock_.owner)
        stock_.owner->hub().notify(n);
}

// ------------------------------------------------------------------- move

void canvas_window::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint p = e->position().toPoint();
    // The last four pointer points, for the trail redraw.
    for (int i = 3; i > 0; --i)
        trail_[static_cast<std::size_t>(i)] = trail_[static_cast<std::size_t>(i - 1)];
    trail_[0] = p;
    trail_len_ = std::min(trail_len_ + 1, 4);
    stock_.tracking = 1;
    position_status(p);
    if (pending_press_ && (e->buttons() & Qt::LeftButton) && drag_detect(p)) {
        pending_press_ = false;
        if (g_pending.on_spot) {
            if (g_pending.s.kind == SPOT_MARKER)
                press_marker(g_pending.s, press_mods_, true);
            else
                press_handle(g_pending.s, true);
        } else {
            press_nothing(press_pixel_, press_mods_, true);
        }
        if (stock_.mode == CNV_NORMAL)
            setCursor(Qt::ArrowCursor);
    }
    switch (stock_.mode) {
    case CNV_NORMAL:
        if (!pending_press_)
            setCursor(guide_at(p) || hit(p) ? Qt::PointingHandCursor : Qt::ArrowCursor);
        break;
    case CNV_RUBBER_BAND: band_step(p); break;
    case CNV_GUIDE_DRAG: guide_step(p); break;
    case CNV_ELEMENT_DRAG: drag_step(p); break;
    default: break;
    }
}

void canvas_window::drag_step(QPoint pixel)
{
    label *lab = stock_.lab;
    canvas_mode_info &m = stock_.mode_info;
    if (m.el < 0 || m.el >= lab->qty)
        return;
    element *e = lab->es[m.el];
    // The pointer in points, kept inside the view.
    const double sx = std::clamp(to_x(pixel.x()), stock_.org_x, stock_.org_x + stock_.view_w);
    const double sy = std::clamp(to_y(pixel.y()), stock_.org_y, stock_.org_y + stock_.view_h);
    double x = sx, y = sy;
    const bool turned = ele__turned(e);
    const int q = e->quadrant;
    if ((m.op == OP_WIDTH || m.op == OP_HEIGHT || m.op == OP_CORNER) && e->type == ELE_PICTURE &&
        !ele__same(e->angle, 0))
        ele__rotate_point(sx, sy, e->x, e->y, -e->angle, x, y); // the picture's own frame

    auto width_from = [&] {
        double w;
        if (!turned) {
            w = anchor_on_right(q) ? e->x - x : x - e->x;
            if (anchor_centred_x(q))
                w *= 2;
        } else {
            w = anchor_on_bottom(q) ? y - e->y : e->y - y;
            if (anchor_centred_y(q))
                w *= 2;
        }
        return w < ELE_EPS ? 1.0 : w;
    };
    auto height_from = [&] {
        double h;
        if (!turned) {
            h = anchor_on_bottom(q) ? y - e->y : e->y - y;
            if (anchor_centred_y(q))
                h *= 2;
        } else {
            h = anchor_on_right(q) ? e->x - x : x - e->x;
            if (anchor_centred_x(q))
                h *= 2;
        }
        return h < ELE_EPS ? 1.0 : h;
    };
    auto snap_either = [&] {
        snap_look(sx, sy, false);
        if (!m.g)
            snap_look(sx, sy, true);
    };

    switch (m.op) {
    case OP_MOVE:
        x = std::clamp(x, 0.0, lab->width);
        y = std::clamp(y, 0.0, lab->height);
        send(fn::x, m.el, x);
        send(fn::y, m.el, y);
        snap_either();
        break;
    case OP_WIDTH:
        send(fn::width, m.el, width_from());
        snap_look(sx, sy, runs_horizontally(e));
        break;
    case OP_HEIGHT:
        send(fn::height, m.el, height_from());
        snap_look(sx, sy, !runs_horizontally(e));
        break;
    case OP_CORNER: {
        const double w = width_from(), h = height_from();
        send(fn::width, m.el, w);
        send(fn::height, m.el, h);
        snap_either();
        break;
    }
    case OP_ROTATE: {
        double a = std::fmod(pointer_angle(e, x, y) + m.angle_offset, 360.0);
        if (a < 0)
            a += 360;
        m.x = x;
        m.y = y;
        send(fn::angle, m.el, a);
        break;
    }
    case OP_MOVE_SELECTION: {
        x = std::clamp(x, 0.0, lab->width);
        y = std::clamp(y, 0.0, lab->height);
        // The pointer's offset from where the dragged element's anchor was
        // when the drag began, less what was moved already: an element
        // dragged with Alt that is not itself selected stays where it is,
        // and its offset must not be added again at every step.
        const double dx = x - (m.x + m.dx), dy = y - (m.y + m.dy);
        for (int i = 0; i < lab->qty; ++i) {
            const element *s = lab->es[i];
            if (s->state == ELE_UNSELECTED)
                continue;
            const double nx = s->x + dx, ny = s->y + dy;
            if (nx < 0 || ny < 0 || nx > lab->width || ny > lab->height) {
                recompute_extent();
                return; // the whole step is skipped
            }
        }
        for (int i = 0; i < lab->qty; ++i) {
            element *s = lab->es[i];
            if (s->state == ELE_UNSELECTED)
                continue;
            send(fn::x, i, std::clamp(s->x + dx, 0.0, lab->width));
            send(fn::y, i, std::clamp(s->y + dy, 0.0, lab->height));
            redraw_element(i);
        }
        m.dx += dx;
        m.dy += dy;
        break;
    }
    default:
        break;
    }
    if (m.op != OP_ROTATE)
        auto_scroll(sx, sy);
    if (m.op != OP_MOVE_SELECTION)
        redraw_with_trail(m.el);
    recompute_extent();
}

void canvas_window::band_step(QPoint pixel)
{
    canvas_mode_info &m = stock_.mode_info;
    update();
    const double x = std::clamp(to_x(pixel.x()), stock_.org_x, stock_.org_x + stock_.view_w);
    const double y = std::clamp(to_y(pixel.y()), stock_.org_y, stock_.org_y + stock_.view_h);
    m.dx = x - m.x;
    m.dy = y - m.y;
    if (stock_.owner)
        stock_.owner->set_status(2, QString::asprintf("%.2f x %.2f", std::fabs(m.dx), std::fabs(m.dy)));
}

// ---------------------------------------------------------------- release

void canvas_window::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton)
        return;
    if (pending_press_) {
        pending_press_ = false;
        if (g_pending.on_spot) {
            if (g_pending.s.kind == SPOT_MARKER)
                press_marker(g_pending.s, press_mods_, false);
        } else {
            press_nothing(press_pixel_, press_mods_, false);
        }
        setCursor(Qt::ArrowCursor);
        return;
    }
    switch (stock_.mode) {
    case CNV_RUBBER_BAND: band_release(); break;
    case CNV_GUIDE_DRAG: guide_release(); break;
    case CNV_ELEMENT_DRAG: drag_release(); break;
    default: break;
    }
}

void canvas_window::drag_release()
{
    snap_timer_.stop();
    stock_.mode = CNV_NORMAL; // before the capture goes
    releaseMouse();
    redraw_with_trail(stock_.mode_info.el);
    setCursor(Qt::ArrowCursor);
}

void canvas_window::band_release()
{
    canvas_mode_info &m = stock_.mode_info;
    const double x0 = std::min(m.x, m.x + m.dx), x1 = std::max(m.x, m.x + m.dx);
    const double y0 = std::min(m.y, m.y + m.dy), y1 = std::max(m.y, m.y + m.dy);
    stock_.mode = CNV_NORMAL;
    update();
    label *lab = stock_.lab;
    for (int i = 0; i < lab->qty; ++i) {
        const element *e = lab->es[i];
        const bool inside = e->x >= x0 && e->x <= x1 && e->y >= y0 && e->y <= y1;
        const bool selected = e->state != ELE_UNSELECTED;
        if (inside) {
            if (selected && m.op == 2)
                select(i, false);
            else if (!selected && m.op != 2)
                select(i, true);
        } else if (selected && m.op == 0) {
            select(i, false);
        }
    }
    releaseMouse();
    if (stock_.owner)
        stock_.owner->set_status(2, QString());
}

// ------------------------------------------------------ double/right click

void canvas_window::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton || stock_.mode != CNV_NORMAL)
        return;
    pending_press_ = false;
    if (const spot *s = hit(e->position().toPoint())) {
        const spot copy = *s;
        double_click(copy);
    }
}

void canvas_window::double_click(const spot &s)
{
    label *lab = stock_.lab;
    const int index = ele__get_index(lab, s.e);
    if (index < 0)
        return;
    element *e = s.e;
    if (s.kind == SPOT_MARKER) {
        const int was = e->disabled;
        for (int i = 0; i < lab->qty; ++i) {
            element *o = lab->es[i];
            if (o->state != ELE_UNSELECTED && o->disabled == was) {
                send(fn::toggle_enabled, i, 0);
                redraw_element(i);
            }
        }
        return;
    }
    auto width_toggle = [&] {
        switch (e->type) {
        case ELE_TEXT:
            if (e->height > 0)
                platform_beep(); // an automatic width only with an automatic height
            else
                send(fn::width, index, ele__toggle_auto_width(e));
            break;
        case ELE_PICTURE:
            if (e->width > ELE_EPS && e->height < 0)
                platform_beep(); // never both sides automatic
            else
                send(fn::width, index, ele__toggle_auto_width(e));
            break;
        default:
            break;
        }
    };
    auto height_toggle = [&] {
        switch (e->type) {
        case ELE_TEXT:
            if (e->width < 0)
                platform_beep();
            else
                send(fn::height, index, ele__toggle_auto_height(e));
            break;
        case ELE_PICTURE:
            if (e->height > ELE_EPS && e->width < 0)
                platform_beep();
            else
                send(fn::height, index, ele__toggle_auto_height(e));
            break;
        default:
            break;
        }
    };
    switch (s.kind) {
    case SPOT_WIDTH:
        width_toggle();
        break;
    case SPOT_HEIGHT:
    case SPOT_AUTO_HEIGHT:
        height_toggle();
        break;
    case SPOT_CORNER:
        if (e->type == ELE_PICTURE && e->picture.data && e->picture.data->boxed) {
            send(fn::width, index, e->picture.data->width);
            send(fn::height, index, e->picture.data->height);
        }
        break;
    case SPOT_ROTATE: {
        const double a = ele__same(e->angle, 0) ? 90 : ele__same(e->angle, 90) ? 180 : ele__same(e->angle, 180) ? 270 : 0;
        send(fn::angle, index, a);
        break;
    }
    case SPOT_AUTO_WIDTH:
        if (e->type == ELE_TEXT)
            send(fn::width, index, ele__toggle_auto_width(e));
        else
            width_toggle();
        break;
    default:
        break;
    }
    redraw_with_trail(index);
    recompute_extent();
}

void canvas_window::right_click(const spot &s)
{
    if (s.kind != SPOT_MARKER || s.e->state == ELE_UNSELECTED)
        return;
    const int next = next_anchor(s.e->quadrant);
    if (next < 0)
        return;
    const int index = ele__get_index(stock_.lab, s.e);
    send(fn::quadrant, index, next);
    redraw_with_trail(index);
    recompute_extent();
}

