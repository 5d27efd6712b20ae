// A creation tool armed: a click inside the label, away from every marker
// and handle, asks the frame for a new element of the tool's kind there
// (the frame makes it and sends the canvas back to selecting); elsewhere the
// click only beeps.
#include "canvas/canvas_mode.h"
#include "hub/commands.h"
#include "platform/beep.h"
#include "widgets/frame_host.h"

namespace {

class create_mode final : public canvas_mode {
public:
    create_mode(canvas_window &c, int kind) : canvas_mode(c), kind_(kind) {}
    int kind() const override { return CNV_ARMED; }

    void press(QPoint p, Qt::KeyboardModifiers) override
    {
        const double x = c.to_x(p.x()), y = c.to_y(p.y());
        const label *l = lab();
        if (x < 0 || y < 0 || x > l->width || y > l->height || c.hit(p)) {
            platform_beep();
            return;
        }
        frame_notify n;
        n.sender = &c;
        n.code = fn::element_list;
        n.action = 1;
        n.e1 = 0;
        n.kind = kind_;
        n.x = x;
        n.y = y;
        if (stock().owner)
            stock().owner->hub().notify(n);
    }

    // Back to the arrow tool, as its own button would do it.
    bool cancel() override
    {
        if (stock().owner)
            stock().owner->command(cmd::normal_mode);
        else
            end();
        return true;
    }

    void right_press(QPoint p) override { c.show_context_menu(p); }

private:
    int kind_; // ELE_TEXT .. ELE_BARCODE
};

} // namespace

std::unique_ptr<canvas_mode> cnv__create_mode(canvas_window &c, int kind)
{
    return std::make_unique<create_mode>(c, kind);
}
