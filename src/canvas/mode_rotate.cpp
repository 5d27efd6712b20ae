// Turning a picture by its rotation handle: the angle follows the pointer's
// direction from the anchor, less where on the handle the drag began, and
// the handle is drawn under the pointer.  No snapping, no scrolling.
#include <cmath>

#include "canvas/element_drag.h"

namespace {

// The direction from the element's anchor to (x, y), 0 <= a < 360 degrees.
double pointer_angle(const element *e, double x, double y)
{
    const double dx = x - e->x, dy = y - e->y;
    if (std::sqrt(dx * dx + dy * dy) < ELE_EPS)
        return 0;
    double a = std::atan2(dy, dx) * 180.0 / M_PI;
    if (a < 0)
        a += 360;
    return a >= 360 ? 0 : a;
}

class rotate_mode final : public element_drag {
public:
    rotate_mode(canvas_window &c, int index, const spot &handle)
        : element_drag(c, index), x_(c.to_x(handle.x)), y_(c.to_y(handle.y)),
          offset_(handle.e->angle - pointer_angle(handle.e, x_, y_))
    {
    }

    void begin() override
    {
        element_drag::begin();
        redraw_with_trail(el_);
    }

    std::optional<layout_rotation> rotation_of(const element *e) const override
    {
        const label *l = c.stock().lab;
        if (el_ < 0 || el_ >= l->qty || l->es[el_] != e)
            return std::nullopt;
        layout_rotation r;
        r.active = true;
        r.x = x_;
        r.y = y_;
        return r;
    }

private:
    bool apply(element *e, double sx, double sy) override
    {
        double a = std::fmod(pointer_angle(e, sx, sy) + offset_, 360.0);
        if (a < 0)
            a += 360;
        x_ = sx;
        y_ = sy;
        send(fn::angle, el_, a);
        return true;
    }
    bool scrolls() const override { return false; }

    double x_, y_;   // the handle, following the pointer
    double offset_;  // the element's angle less the pointer's at the start
};

} // namespace

std::unique_ptr<canvas_mode> cnv__rotate_mode(canvas_window &c, int index, const spot &handle)
{
    return std::make_unique<rotate_mode>(c, index, handle);
}
