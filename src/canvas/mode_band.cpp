// The rubber band: dragged from a press on nothing, it shows its size in
// the status bar; released, the elements whose anchors lie inside are
// selected (with Ctrl added, with Alt taken away, without either they are
// the selection).
#include <QCursor>
#include <cmath>

#include "canvas/canvas_mode.h"

namespace {

class band_mode final : public canvas_mode {
public:
    band_mode(canvas_window &c, QPoint from, Qt::KeyboardModifiers mods)
        : canvas_mode(c), x_(c.to_x(from.x())), y_(c.to_y(from.y()))
    {
        if (mods & Qt::AltModifier)
            rule_ = remove;
        if (mods & Qt::ControlModifier)
            rule_ = add; // Ctrl wins
    }
    int kind() const override { return CNV_RUBBER_BAND; }

    void begin() override
    {
        c.grabMouse();
        c.update();
    }

    void move(QPoint pixel, Qt::MouseButtons) override
    {
        c.update();
        dx_ = view_x(pixel.x()) - x_;
        dy_ = view_y(pixel.y()) - y_;
        status(2, QString::asprintf("%.2f x %.2f", std::fabs(dx_), std::fabs(dy_)));
    }

    void release(QPoint) override { finish(); }
    void capture_lost() override { finish(); }

    // Called off: the selection stays as it was.
    bool cancel() override
    {
        end();
        c.update();
        c.releaseMouse();
        status(2, QString());
        return true;
    }

    bool band(double &x0, double &y0, double &x1, double &y1) const override
    {
        x0 = x_;
        y0 = y_;
        x1 = x_ + dx_;
        y1 = y_ + dy_;
        return true;
    }

private:
    enum rule { replace, add, remove };

    void finish()
    {
        const double x0 = std::min(x_, x_ + dx_), x1 = std::max(x_, x_ + dx_);
        const double y0 = std::min(y_, y_ + dy_), y1 = std::max(y_, y_ + dy_);
        end();
        c.update();
        label *l = lab();
        for (int i = 0; i < l->qty; ++i) {
            const element *e = l->es[i];
            const bool inside = e->x >= x0 && e->x <= x1 && e->y >= y0 && e->y <= y1;
            const bool selected = e->state != ELE_UNSELECTED;
            if (inside) {
                if (selected && rule_ == remove)
                    select(i, false);
                else if (!selected && rule_ != remove)
                    select(i, true);
            } else if (selected && rule_ == replace) {
                select(i, false);
            }
        }
        c.releaseMouse();
        status(2, QString());
    }

    double x_, y_;           // where the band was started, in points
    double dx_ = 0, dy_ = 0; // its size so far
    rule rule_ = replace;
};

} // namespace

std::unique_ptr<canvas_mode> cnv__band_mode(canvas_window &c, QPoint from, Qt::KeyboardModifiers mods)
{
    return std::make_unique<band_mode>(c, from, mods);
}
