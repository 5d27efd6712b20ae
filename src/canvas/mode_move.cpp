// Moving by a marker: the element alone follows the pointer, its anchor
// kept on the label and snapping onto guides; with several selected the
// whole selection moves by the pointer's offset, a step that would take any
// of them off the label being dropped whole.
#include <algorithm>

#include "canvas/element_drag.h"

namespace {

class move_one final : public element_drag {
public:
    using element_drag::element_drag;

private:
    bool apply(element *, double sx, double sy) override
    {
        const label *l = lab();
        send(fn::x, el_, std::clamp(sx, 0.0, l->width));
        send(fn::y, el_, std::clamp(sy, 0.0, l->height));
        snap_either(sx, sy);
        return true;
    }
};

class move_selection final : public element_drag {
public:
    move_selection(canvas_window &c, int index)
        : element_drag(c, index), x0_(c.stock().lab->es[index]->x), y0_(c.stock().lab->es[index]->y)
    {
    }

private:
    bool apply(element *, double sx, double sy) override
    {
        label *l = lab();
        const double x = std::clamp(sx, 0.0, l->width), y = std::clamp(sy, 0.0, l->height);
        // The pointer's offset from where the dragged element's anchor was
        // when the drag began, less what was moved already: an element
        // dragged with Alt that is not itself selected stays where it is,
        // and its offset must not be added again at every step.
        const double dx = x - (x0_ + moved_x_), dy = y - (y0_ + moved_y_);
        for (int i = 0; i < l->qty; ++i) {
            const element *s = l->es[i];
            if (s->state == ELE_UNSELECTED)
                continue;
            const double nx = s->x + dx, ny = s->y + dy;
            if (nx < 0 || ny < 0 || nx > l->width || ny > l->height)
                return false;
        }
        for (int i = 0; i < l->qty; ++i) {
            element *s = l->es[i];
            if (s->state == ELE_UNSELECTED)
                continue;
            send(fn::x, i, std::clamp(s->x + dx, 0.0, l->width));
            send(fn::y, i, std::clamp(s->y + dy, 0.0, l->height));
            c.redraw_element(i);
        }
        moved_x_ += dx;
        moved_y_ += dy;
        return true;
    }
    bool redraws_with_trail() const override { return false; } // each was redrawn

    double x0_, y0_;                  // the dragged element's anchor at the start
    double moved_x_ = 0, moved_y_ = 0; // what the selection moved since
};

} // namespace

std::unique_ptr<canvas_mode> cnv__move_mode(canvas_window &c, int index)
{
    if (c.stock().lab->sel <= 1)
        return std::make_unique<move_one>(c, index);
    return std::make_unique<move_selection>(c, index);
}
