// Resizing by a width, height or corner handle: the side runs from the
// anchor to the pointer (twice that for a centred anchor), at least a point;
// a picture at an angle is resized in its own turned frame.  The resized
// side's edge snaps onto a guide.
#include "canvas/element_drag.h"

namespace {

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

class resize_mode final : public element_drag {
public:
    resize_mode(canvas_window &c, int index, int handle) : element_drag(c, index), handle_(handle) {}

private:
    bool apply(element *e, double sx, double sy) override
    {
        double x = sx, y = sy;
        if (e->type == ELE_PICTURE && !ele__same(e->angle, 0))
            ele__rotate_point(sx, sy, e->x, e->y, -e->angle, x, y); // the picture's own frame
        switch (handle_) {
        case SPOT_WIDTH:
            send(fn::width, el_, width_to(e, x, y));
            snap_look(sx, sy, runs_horizontally(e));
            break;
        case SPOT_HEIGHT:
            send(fn::height, el_, height_to(e, x, y));
            snap_look(sx, sy, !runs_horizontally(e));
            break;
        default: { // the corner
            const double w = width_to(e, x, y), h = height_to(e, x, y);
            send(fn::width, el_, w);
            send(fn::height, el_, h);
            snap_either(sx, sy);
            break;
        }
        }
        return true;
    }

    // The width (height) that puts the element's edge at (x, y); a turned
    // element's width runs up the screen.
    static double width_to(const element *e, double x, double y)
    {
        const int q = e->quadrant;
        double w;
        if (!ele__turned(e)) {
            w = anchor_on_right(q) ? e->x - x : x - e->x;
            if (anchor_centred_x(q))
                w *= 2;
        } else {
            w = anchor_on_bottom(q) ? y - e->y : e->y - y;
            if (anchor_centred_y(q))
                w *= 2;
        }
        return w < ELE_EPS ? 1.0 : w;
    }
    static double height_to(const element *e, double x, double y)
    {
        const int q = e->quadrant;
        double h;
        if (!ele__turned(e)) {
            h = anchor_on_bottom(q) ? y - e->y : e->y - y;
            if (anchor_centred_y(q))
                h *= 2;
        } else {
            h = anchor_on_right(q) ? e->x - x : x - e->x;
            if (anchor_centred_x(q))
                h *= 2;
        }
        return h < ELE_EPS ? 1.0 : h;
    }

    int handle_; // SPOT_WIDTH, SPOT_HEIGHT or SPOT_CORNER
};

} // namespace

std::unique_ptr<canvas_mode> cnv__resize_mode(canvas_window &c, int index, int handle)
{
    return std::make_unique<resize_mode>(c, index, handle);
}
