// The canvas with 2,000 elements in a 1600 x 1000 window at 100 %, drawn
// schematically ("Показывать содержимое" off):
//  - a full repaint, next to QPainter filling 2,000 translucent rectangles
//    of the same size into the same image (at most 4 times);
//  - one step of a mouse drag of one element (the notification, the hub,
//    the partial redraw and the paint it causes), next to one full repaint
//    (at most a quarter).
// Then 2,000 elements with content (texts, borders, barcodes):
//  - a full repaint with content, next to the render library drawing the
//    same label alone into an image of the same size (at most 1.5 times),
//    and the first repaint after a zoom, which draws every element's
//    content again (printed, for comparison);
//  - a drag step next to that full repaint (at most a quarter).
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <cstdlib>

#include "bench_common.h"
#include "canvas/canvas.h"
#include "hub/frame_hub.h"
#include "model/xmalloc.h"
#include "render/render.h"
#include "widgets/frame_host.h"
#include "widgets/kit_resources.h"

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
    void focus_canvas() override {}
    void context_menu(QPoint, bool) override {}
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

// Texts of several sizes and justifications, dashed and solid borders,
// CODE-128, EAN-13 and QR codes, in the same grid.
label_ptr content_label()
{
    label_ptr lab = ele__label_new(1150, 720);
    lab->bgcolor = 0xFFFFFF;
    for (int i = 0; i < 2000; ++i) {
        element *e = ele__add(lab.get(), lab->qty);
        e->type = i % 3 == 2 ? ELE_BARCODE : i % 3;
        e->x = 10 + (i % 50) * 22.5;
        e->y = 10 + (i / 50) * 17.5;
        e->width = 20;
        e->height = 15;
        e->desc = u"Элемент";
        e->text.text = i % 2 ? u"Цена 89,90" : u"Молоко";
        e->text.size = 4 + i % 5;
        e->text.font = u"DejaVu Sans";
        e->text.justification = i % 3;
        e->text.colour = 0x204080;
        e->border.colour = 0x208040;
        e->border.thickness = 1 + i % 2;
        e->border.style = i % 5 == 0 ? 3 : 0;
        e->barcode.colour = 0x000000;
        e->barcode.type = i % 4 == 0 ? 16 : i % 4 == 1 ? 3 : 7;
        e->barcode.code = i % 4 == 1 ? std::u16string(u"460000000000") : u"V" + std::u16string(1, u'0' + i % 10);
    }
    return lab;
}

// One step of a mouse drag of the first element, painted; the median of
// 200 steps.
double drag_step(canvas_window &canvas, frame_hub &hub)
{
    element *e = hub.lab()->es[0];
    e->quadrant = 0;
    canvas.relayout();
    (void)canvas.render();
    QPoint p(canvas.px(e->x), canvas.py(e->y));
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton b, Qt::MouseButtons bs) {
        QMouseEvent ev(type, QPointF(at), canvas.mapToGlobal(QPointF(at)), b, bs, Qt::NoModifier);
        QApplication::sendEvent(&canvas, &ev);
    };
    const double x0 = e->x;
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
    return e->x > x0 ? drag : -1;
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
    canvas.show_content(false);

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
    const double drag = drag_step(canvas, hub);
    if (drag < 0) {
        std::printf("bench canvas-drag: the element did not move\n");
        return 1;
    }
    std::printf("bench canvas-full-repaint-2000: %.2f ms\n", full * 1e3);
    std::printf("bench canvas-floor-2000-translucent-rects: %.2f ms\n", floor * 1e3);
    std::printf("bench canvas-drag-step: %.3f ms\n", drag * 1e3);
    int rc = report_ratio("canvas-repaint-vs-floor", full / floor, 4.0);
    rc |= report_ratio("canvas-drag-step-vs-repaint", drag / full, 0.25);
    hub.attach(nullptr, nullptr, nullptr, nullptr);

    // The same with content.
    frame_hub hub2(shell, store, content_label());
    host owner2;
    owner2.h = &hub2;
    canvas_window shown(nullptr, &owner2, hub2.lab());
    owner2.w = &shown;
    hub2.attach(nullptr, nullptr, &shown, nullptr);
    shown.resize(1600, 1000);
    shown.show();
    QApplication::processEvents();
    shown.zoom_to(100);
    shown.scrolled(true, 0);
    shown.scrolled(false, 0);
    shown.show_grid(20, true);
    (void)shown.render();
    const double with_content = median_seconds(9, [&] { (void)shown.render(); });
    // Every element's content drawn again: the first paint at a new zoom.
    const double cold = median_seconds(5, [&] {
        shown.show_content(false);
        shown.show_content(true);
        const auto a = std::chrono::steady_clock::now();
        (void)shown.render();
        return std::chrono::steady_clock::now() - a;
    });
    // The render library alone, the label at the same place and scale.
    QImage alone(1600, 1000, QImage::Format_ARGB32_Premultiplied);
    render_request r;
    r.scale_x = r.scale_y = shown.stock().scale;
    r.origin = QPointF(shown.px(0), shown.py(hub2.lab()->height));
    r.edges = render_edges::pixels;
    const double library = median_seconds(9, [&] {
        alone.fill(Qt::gray);
        QPainter p(&alone);
        std::vector<std::u16string> log;
        rdr__draw_label(p, hub2.lab(), r, log);
    });
    const double drag2 = drag_step(shown, hub2);
    if (drag2 < 0) {
        std::printf("bench canvas-content-drag: the element did not move\n");
        return 1;
    }
    std::printf("bench canvas-content-full-repaint-2000: %.2f ms\n", with_content * 1e3);
    std::printf("bench canvas-content-first-repaint-2000: %.2f ms\n", cold * 1e3);
    std::printf("bench render-library-label-2000: %.2f ms\n", library * 1e3);
    std::printf("bench canvas-content-drag-step: %.3f ms\n", drag2 * 1e3);
    std::printf("bench canvas-content-first-repaint-vs-library: %.2f ratio\n", cold / library);
    rc |= report_ratio("canvas-content-repaint-vs-library", with_content / library, 1.5);
    rc |= report_ratio("canvas-content-drag-step-vs-repaint", drag2 / with_content, 0.25);
    hub2.attach(nullptr, nullptr, nullptr, nullptr);
    return rc;
}
