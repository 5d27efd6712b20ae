// A guide dragged, from a press on it or fresh out of a ruler: it follows the
// pointer inside the view; dragged back over its own ruler it is removed,
// and the ruler takes the drag on (a new guide if the pointer comes back).
#include <QApplication>
#include <algorithm>

#include "canvas/canvas_mode.h"
#include "model/misc.h"
#include "widgets/ruler.h"

namespace {

class guide_mode final : public canvas_mode {
public:
    guide_mode(canvas_window &c, guide *g, bool fresh)
        : canvas_mode(c), g_(g), fresh_(fresh), from_(g ? g->pos : 0)
    {
    }
    int kind() const override { return CNV_GUIDE_DRAG; }

    void begin() override
    {
        c.grabMouse();
        c.setCursor(Qt::PointingHandCursor);
    }

    void move(QPoint pixel, Qt::MouseButtons) override
    {
        if (!g_)
            return;
        repaint_band();
        // Over its own ruler the guide goes, and the ruler takes the drag back.
        ruler *own = g_->vertical ? stock().vruler : stock().hruler;
        const QPoint global = c.mapToGlobal(pixel);
        QWidget *under = QApplication::widgetAt(global);
        const bool over_own = own && own->isVisible() &&
                              (under == own || (!under && own->rect().contains(own->mapFromGlobal(global))));
        if (over_own) {
            guide *gone = g_;
            finish();
            if (gone->vertical)
                msc__debug_out(u"guide removed!\n");
            for (auto it = stock().guides.begin(); it != stock().guides.end(); ++it)
                if (&*it == gone) {
                    stock().guides.erase(it);
                    break;
                }
            g_ = nullptr;
            own->begin_drag();
            return;
        }
        g_->pos = g_->vertical ? view_x(pixel.x()) : view_y(pixel.y());
        const int cx = std::clamp(pixel.x(), 0, c.width() - 1), cy = std::clamp(pixel.y(), 0, c.height() - 1);
        if (g_->vertical)
            c.update(QRect(cx - 2, 0, 5, c.height()));
        else
            c.update(QRect(0, cy - 2, c.width(), 5));
    }

    void release(QPoint) override { finish(); }
    void capture_lost() override { finish(); }
    void guides_removed() override { g_ = nullptr; }

    // Called off: a guide just pulled out of its ruler goes, one that was
    // there goes back where it was.
    bool cancel() override
    {
        if (g_) {
            repaint_band();
            if (fresh_) {
                guide *gone = g_;
                stock().guides.remove_if([gone](const guide &g) { return &g == gone; });
            } else {
                g_->pos = from_;
                repaint_band();
            }
            g_ = nullptr;
        }
        finish();
        return true;
    }

private:
    // Where the guide is drawn now, to be painted again without it.
    void repaint_band()
    {
        if (g_->vertical) {
            const int x = c.px(g_->pos);
            c.update(QRect(x - 2, 0, 5, c.height()));
        } else {
            const int y = c.py(g_->pos);
            c.update(QRect(0, y - 2, c.width(), 5));
        }
    }

    void finish()
    {
        end();
        c.releaseMouse();
        c.setCursor(Qt::ArrowCursor);
    }

    guide *g_;
    bool fresh_;  // pulled out of a ruler by this drag
    double from_; // where it was when the drag began
};

} // namespace

std::unique_ptr<canvas_mode> cnv__guide_mode(canvas_window &c, guide *g, bool fresh)
{
    return std::make_unique<guide_mode>(c, g, fresh);
}
