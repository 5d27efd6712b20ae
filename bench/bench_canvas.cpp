// The canvas with 2,000 elements in a 1600 x 1000 window at 100 %:
//  - a full repaint, next to QPainter filling 2,000 translucent rectangles
//    of the same size into the same image (at most 4 times);
//  - one step of a mouse drag of one element (the notification, the hub,
//    the partial redraw and the paint it causes), next to one full repaint
//    (at most a quarter).
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <cstdlib>

#include "bench_common.h"
#include "canvas/canvas.h"
#include "hub/frame_hub.h"
#include "model/xmalloc.h"
#include "widgets/frame_host.h"
#include "widgets/ormikcommon.h"

namespace {

struct quiet_shell : frame_shell {
    void set_title(const std::u16string &) override {}
    void enable_command(int, bool) override {}
    void check_tool(int) override {}
    void beep() override {}
};

struct no_store : document_store {
    bool save(label *, bool, bool) override { return false; }
    label_ptr open() override { return nullptr; }
};

struct host : frame_host {
    frame_hub *h = nullptr;
    QWidget *w = nullptr;
    frame_hub &hub() override { return *h; }
    void command(int, long) override {}
    void set_status(int, const QString &) override {}
    void enter_preview() override {}
    void leave_preview() override {}
    QWidget *window_widget() override { return w; }
};

label_ptr crowded_label()
{
    label_ptr lab = ele__label_new(1150, 720);
    lab->bgcolor = 0xFFFFFF;
    for (int i = 0; i < 2000; ++i) {
        element *e = ele__add(lab.get(), lab->qty);
        e->type = i % 4;
        e->x = 10 + (i % 50) * 22.5;
        e->y = 10 + (i / 50) * 17.5;
        e->width = i % 7 == 0 ? -43.43 : 43.43;
        e->height = 43.43;
        e->quadrant = i % 9;
        e->desc = u"Элемент";
        e->text.colour = 0x204080;
        e->border.colour = 0x208040;
        e->barcode.colour = 0x802040;
    }
    return lab;
}

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    xma__init();
    QApplication app(argc, argv);
    cmn__startup();
    quiet_shell shell;
    no_store store;
    frame_hub hub(shell, store, crowded_label());
    host owner;
    owner.h = &hub;
    canvas_window canvas(nullptr, &owner, hub.lab());
    owner.w = &canvas;
    hub.attach(nullptr, nullptr, &canvas, nullptr);
    canvas.resize(1600, 1000);
    canvas.show();
    QApplication::processEvents();
    canvas.zoom_to(100);
    canvas.show_grid(20, true);

    const double full = median_seconds(9, [&] { (void)canvas.render(); });

    // The floor: 2,000 translucent rectangles of an element's size.
    const int side = static_cast<int>(43.43 * canvas.stock().scale);
    QImage img(1600, 1000, QImage::Format_ARGB32_Premultiplied);
    const double floor = median_seconds(9, [&] {
        QPainter p(&img);
        p.setOpacity(0.5);
        for (int i = 0; i < 2000; ++i)
            p.fillRect(QRect((i % 50) * 30, (i / 50) * 23, side, side), QColor(0x20, 0x40, 0x80));
    });

    // One element dragged by its marker, 200 steps; each step is painted.
    element *e = hub.lab()->es[0];
    e->quadrant = 0;
    canvas.relayout();
    (void)canvas.render();
    QPoint p(canvas.px(e->x), canvas.py(e->y));
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton b, Qt::MouseButtons bs) {
        QMouseEvent ev(type, QPointF(at), canvas.mapToGlobal(QPointF(at)), b, bs, Qt::NoModifier);
        QApplication::sendEvent(&canvas, &ev);
    };
    send(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
    p += QPoint(QApplication::startDragDistance() + 2, 0);
    send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
    QApplication::processEvents();
    const int steps = 200;
    const double drag = median_seconds(3, [&] {
        for (int i = 0; i < steps; ++i) {
            p += QPoint(i % 2 ? 1 : 2, i % 3 ? 1 : 0);
            send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
            QApplication::processEvents(); // the paint of what the step invalidated
        }
    }) / steps;
    send(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    const bool moved = e->x > 10;
    if (!moved) {
        std::printf("bench canvas-drag: the element did not move\n");
        return 1;
    }
    std::printf("bench canvas-full-repaint-2000: %.2f ms\n", full * 1e3);
    std::printf("bench canvas-floor-2000-translucent-rects: %.2f ms\n", floor * 1e3);
    std::printf("bench canvas-drag-step: %.3f ms\n", drag * 1e3);
    int rc = report_ratio("canvas-repaint-vs-floor", full / floor, 4.0);
    rc |= report_ratio("canvas-drag-step-vs-repaint", drag / full, 0.25);
    hub.attach(nullptr, nullptr, nullptr, nullptr);
    return rc;
}
