// The canvas's normal mode: selecting by clicks.  A press on a marker, a
// handle or nothing waits for the pointer's first movement: moved far
// enough, it becomes the drag the factory chooses; released first, it is a
// click.  Double-clicks toggle and right-clicks turn the anchor; a press on a
// guide drags the guide.
#include <QApplication>
#include <QCursor>

#include "canvas/canvas_mode.h"
#include "model/errors.h"
#include "platform/beep.h"

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

int index_of(const label *lab, const spot &s)
{
    const int index = ele__get_index(lab, s.e);
    if (index == -1)
        XFAIL("( s->mode_info.el = ele__get_index( s->lab, sp->e ) ) != -1");
    return index;
}

class select_mode final : public canvas_mode {
public:
    using canvas_mode::canvas_mode;
    int kind() const override { return CNV_NORMAL; }

    void press(QPoint p, Qt::KeyboardModifiers mods) override
    {
        if (guide *g = c.guide_at(p)) {
            drag_start on_guide;
            on_guide.what = drag_start::guide_line;
            on_guide.line = g;
            enter(cnv__mode_for_drag(c, on_guide));
            return;
        }
        // A drag or a click: the pointer's first movement decides.
        pending_ = true;
        start_ = drag_start{};
        start_.pixel = p;
        start_.mods = mods;
        if (const spot *s = c.hit(p)) {
            start_.what = s->kind == SPOT_MARKER ? drag_start::marker : drag_start::handle;
            start_.pressed = *s;
            c.setCursor(Qt::PointingHandCursor);
        }
    }

    void move(QPoint p, Qt::MouseButtons buttons) override
    {
        if (pending_ && (buttons & Qt::LeftButton) &&
            (p - start_.pixel).manhattanLength() >= QApplication::startDragDistance()) {
            pending_ = false;
            begin_drag();
            if (stock().mode == CNV_NORMAL)
                c.setCursor(Qt::ArrowCursor);
            if (stock().mode != CNV_NORMAL) {
                current_mode().move(p, buttons); // the drag takes this movement too
                return;
            }
        }
        if (!pending_)
            c.setCursor(c.guide_at(p) || c.hit(p) ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }

    void release(QPoint) override
    {
        if (!pending_)
            return;
        pending_ = false;
        if (start_.what == drag_start::marker)
            click_marker();
        else if (start_.what == drag_start::nothing)
            click_nothing();
        c.setCursor(Qt::ArrowCursor);
    }

    void double_click(QPoint p) override
    {
        pending_ = false;
        if (const spot *s = c.hit(p)) {
            const spot copy = *s;
            toggle(copy);
        }
    }

    // A marker keeps its own meaning (the anchor turns); anywhere else the
    // right button opens the canvas's menu.
    void right_press(QPoint p) override
    {
        pending_ = false;
        if (const spot *s = c.hit(p); s && s->kind == SPOT_MARKER) {
            turn_anchor(*s);
            return;
        }
        c.show_context_menu(p);
    }

    // A press still waiting to become a click or a drag is forgotten.
    bool cancel() override
    {
        const bool was = pending_;
        pending_ = false;
        return was;
    }

    // The pressed element may be gone: the press is forgotten.
    void label_changed() override { pending_ = false; }

private:
    // A click on a marker: alone; with Ctrl added; with Alt taken away.
    void click_marker()
    {
        const int index = index_of(lab(), start_.pressed);
        element *e = start_.pressed.e;
        if (start_.mods & Qt::ControlModifier) {
            if (e->state == ELE_UNSELECTED)
                select(index, true);
        } else if (start_.mods & Qt::AltModifier) {
            if (e->state != ELE_UNSELECTED)
                select(index, false);
        } else {
            select_alone(index);
        }
    }

    // A click on nothing deselects everything, unless Ctrl or Alt is held.
    void click_nothing()
    {
        if (!(start_.mods & (Qt::ControlModifier | Qt::AltModifier)))
            c.deselect_all();
    }

    void select_alone(int index)
    {
        for (int i = 0; i < lab()->qty; ++i)
            if (i != index && lab()->es[i]->state != ELE_UNSELECTED)
                select(i, false);
        if (lab()->es[index]->state == ELE_UNSELECTED)
            select(index, true);
    }

    // The drag the press turned into.  A marker's selection is settled
    // first: with Ctrl it joins, with Alt a selected one leaves (and is not
    // dragged), without either an unselected one is selected alone; then
    // the pointer jumps onto the anchor, as a move of its own.
    void begin_drag()
    {
        if (start_.what == drag_start::marker) {
            const int index = index_of(lab(), start_.pressed);
            element *e = start_.pressed.e;
            if (start_.mods & Qt::ControlModifier) {
                if (e->state == ELE_UNSELECTED)
                    select(index, true);
            } else if (start_.mods & Qt::AltModifier) {
                if (e->state != ELE_UNSELECTED) {
                    select(index, false);
                    return;
                }
            } else if (e->state == ELE_UNSELECTED) {
                select_alone(index);
            }
            enter(cnv__mode_for_drag(c, start_));
            const QPoint anchor(c.px(e->x), c.py(e->y));
            QCursor::setPos(c.mapToGlobal(anchor));
            current_mode().move(anchor, Qt::LeftButton);
            return;
        }
        if (start_.what == drag_start::handle && start_.pressed.kind != SPOT_AUTO_WIDTH &&
            start_.pressed.kind != SPOT_AUTO_HEIGHT)
            index_of(lab(), start_.pressed);
        if (std::unique_ptr<canvas_mode> drag = cnv__mode_for_drag(c, start_))
            enter(std::move(drag));
    }

    // A double-click: on a marker every selected element like it is enabled
    // or disabled; on a handle the side turns automatic or back, the corner
    // gives a picture its own size, the rotation handle turns by 90°.
    void toggle(const spot &s)
    {
        const int index = ele__get_index(lab(), s.e);
        if (index < 0)
            return;
        element *e = s.e;
        if (s.kind == SPOT_MARKER) {
            const int was = e->disabled;
            for (int i = 0; i < lab()->qty; ++i) {
                element *o = lab()->es[i];
                if (o->state != ELE_UNSELECTED && o->disabled == was) {
                    send(fn::toggle_enabled, i, 0);
                    c.redraw_element(i);
                }
            }
            return;
        }
        switch (s.kind) {
        case SPOT_WIDTH:
            toggle_width(index, e);
            break;
        case SPOT_HEIGHT:
        case SPOT_AUTO_HEIGHT:
            toggle_height(index, e);
            break;
        case SPOT_CORNER:
            if (e->type == ELE_PICTURE && e->picture.data && e->picture.data->boxed) {
                send(fn::width, index, e->picture.data->width);
                send(fn::height, index, e->picture.data->height);
            }
            break;
        case SPOT_ROTATE: {
            const double a = ele__same(e->angle, 0)    ? 90
                             : ele__same(e->angle, 90)  ? 180
                             : ele__same(e->angle, 180) ? 270
                                                         : 0;
            send(fn::angle, index, a);
            break;
        }
        case SPOT_AUTO_WIDTH:
            if (e->type == ELE_TEXT)
                send(fn::width, index, ele__toggle_auto_width(e));
            else
                toggle_width(index, e);
            break;
        default:
            break;
        }
        redraw_with_trail(index);
        c.recompute_extent();
    }

    void toggle_width(int index, const element *e)
    {
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
    }

    void toggle_height(int index, const element *e)
    {
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
    }

    // A right-click on a selected element's marker: the next anchor.
    void turn_anchor(const spot &s)
    {
        if (s.kind != SPOT_MARKER || s.e->state == ELE_UNSELECTED)
            return;
        const int next = next_anchor(s.e->quadrant);
        if (next < 0)
            return;
        const int index = ele__get_index(lab(), s.e);
        send(fn::quadrant, index, next);
        redraw_with_trail(index);
        c.recompute_extent();
    }

    bool pending_ = false; // a press waiting to become a drag or a click
    drag_start start_;
};

} // namespace

std::unique_ptr<canvas_mode> cnv__select_mode(canvas_window &c)
{
    return std::make_unique<select_mode>(c);
}
