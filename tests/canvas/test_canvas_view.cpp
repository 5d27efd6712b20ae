// The canvas view and the schematic drawing: mapping, zoom, painting order,
// layout of every kind of element, markers, handles and exact pixels.
#include <QScreen>
#include <QWheelEvent>
#include <cmath>
#include <fstream>

#include "canvas_fixture.h"
#include "model/layout.h"
#include "platform/file_choice.h"
#include "support/fakes.h"
#include "support/shots.h"
#include "widgets/real_scroll_bar.h"
#include "widgets/frame_host.h"
#include "widgets/gradient.h"
#include "widgets/kit_resources.h"

namespace {

std::unique_ptr<element> make_element(int type, double w, double h, int quadrant, double angle = 0)
{
    auto e = std::make_unique<element>();
    e->type = type;
    e->x = 100;
    e->y = 100;
    e->width = w;
    e->height = h;
    e->quadrant = quadrant;
    e->angle = angle;
    return e;
}

} // namespace

TEST_F(CanvasTest, BaseScaleAndTheLabelsPixels)
{
    const double dpi = canvas->screen()->logicalDotsPerInchX();
    EXPECT_DOUBLE_EQ(canvas->stock().base_scale, dpi / 72.0);
    EXPECT_EQ(canvas->stock().zoom, 100);
    // Mapping with half-rounding and the origin at the bottom-left.
    const canvas_stock &s = canvas->stock();
    EXPECT_EQ(canvas->px(s.org_x), 0);
    EXPECT_EQ(canvas->py(s.org_y), canvas->height() - 1);
    EXPECT_NEAR(canvas->to_x(canvas->px(123.0)), 123.0, 1 / s.scale);
    // The label 300 x 400 covers px(0)..px(300) and py(400)..py(0) inclusive.
    QImage img = canvas->render();
    const int x0 = canvas->px(0), x1 = canvas->px(300), y0 = canvas->py(400), y1 = canvas->py(0);
    if (std::fabs(dpi - 96) < 1e-9) {
        EXPECT_EQ(x1 - x0 + 1, 401);
        EXPECT_EQ(y1 - y0 + 1, 534);
    }
    EXPECT_EQ(pixel(img, x0, y0), 0xFFFFFFu);
    EXPECT_EQ(pixel(img, x1, y1), 0xFFFFFFu);
    EXPECT_EQ(pixel(img, x0 - 1, y0), 0x808080u); // grey around it
    // The shadow: 3 pixels right of the label from 3 below its top; 3
    // below it from 3 right of its left.
    EXPECT_EQ(pixel(img, x1 + 1, y0 + 3), 0x404040u);
    EXPECT_EQ(pixel(img, x1 + 3, y1 + 3), 0x404040u);
    EXPECT_EQ(pixel(img, x1 + 1, y0 + 2), 0x808080u);
    EXPECT_EQ(pixel(img, x1 + 4, y1), 0x808080u);
    EXPECT_EQ(pixel(img, x0 + 3, y1 + 1), 0x404040u);
    EXPECT_EQ(pixel(img, x0 + 2, y1 + 1), 0x808080u);
}

TEST_F(CanvasTest, GridLinesUpToButNotOnTheExtentsEdge)
{
    // A label colour where (c + 204) mod 255 is easy to see: 0x102030.
    lab()->bgcolor = 0x102030;
    canvas->set_label(lab());
    canvas->show_grid(20, false);
    canvas->show_grid(10, true);
    QImage img = canvas->render();
    const QRgb grid = ((0x10 + 204) % 255) << 16 | ((0x20 + 204) % 255) << 8 | ((0x30 + 204) % 255);
    auto column_has_grid = [&](double x) {
        int c = canvas->px(x);
        for (int y = canvas->py(400); y <= canvas->py(0); ++y)
            if (pixel(img, c, y) == grid)
                return true;
        return false;
    };
    EXPECT_TRUE(column_has_grid(0));
    EXPECT_TRUE(column_has_grid(290));
    EXPECT_FALSE(column_has_grid(300));
    EXPECT_FALSE(column_has_grid(295));
    // The gaps of the dotted line show the label colour.
    int c = canvas->px(150), gaps = 0;
    for (int y = canvas->py(400); y <= canvas->py(0); ++y)
        gaps += pixel(img, c, y) == 0x102030u;
    EXPECT_GT(gaps, 50);
}

TEST_F(CanvasTest, SmallClientShowsOnlyGrey)
{
    canvas->resize(10, 300);
    QImage img = canvas->render();
    EXPECT_EQ(pixel(img, 5, 150), 0x808080u);
    EXPECT_TRUE(canvas->stock().spots.empty());
}

TEST_F(CanvasTest, ZoomStepsAndRefusals)
{
    canvas->zoom_to(5);
    EXPECT_EQ(canvas->stock().zoom, 5);
    canvas->zoom_in();
    EXPECT_EQ(canvas->stock().zoom, 6); // 5 x 1.1 truncates to 5: one more
    canvas->zoom_to(1);
    canvas->zoom_out(); // 0 %: refused
    EXPECT_EQ(canvas->stock().zoom, 1);
    EXPECT_DOUBLE_EQ(canvas->stock().scale, 0.01 * canvas->stock().base_scale);
    // One point wider than the window: refused.
    const int too_big = static_cast<int>(canvas->width() / canvas->stock().base_scale * 100) + 200;
    canvas->zoom_to(too_big);
    EXPECT_EQ(canvas->stock().zoom, 1);
    canvas->zoom_to(100);
    canvas->zoom_in();
    EXPECT_EQ(canvas->stock().zoom, 110);
    canvas->zoom_out();
    EXPECT_EQ(canvas->stock().zoom, 99);
}

TEST_F(CanvasTest, ZoomKeepsThePointUnderThePointer)
{
    canvas->zoom_to(100);
    const QPoint at(canvas->width() / 2, canvas->height() / 2);
    QCursor::setPos(canvas->mapToGlobal(at));
    const double x = canvas->to_x(at.x()), y = canvas->to_y(at.y());
    canvas->zoom_to(150);
    QPoint now = canvas->mapFromGlobal(QCursor::pos());
    EXPECT_NEAR(canvas->to_x(now.x()), x, 2 / canvas->stock().scale);
    EXPECT_NEAR(canvas->to_y(now.y()), y, 2 / canvas->stock().scale);
    // Ctrl and the wheel rolled away from the user zoom in.
    QWheelEvent wheel(QPointF(at), canvas->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &wheel);
    EXPECT_EQ(canvas->stock().zoom, 165);
}

TEST_F(CanvasTest, StatusTextsFollowThePointerAndClearOnLeaving)
{
    auto *status = static_cast<frame_status *>(frame->stock().status);
    const QPoint at(40, 60);
    QTest::mouseMove(canvas, at);
    EXPECT_EQ(status->text(1), QString::asprintf("%.2f, %.2f", canvas->to_x(at.x()), canvas->to_y(at.y())));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(canvas, &leave);
    EXPECT_TRUE(status->text(1).isEmpty());
}

TEST_F(CanvasTest, SmallLabelsAreCentredAndFarElementsWidenTheExtent)
{
    canvas->zoom_to(25);
    const canvas_stock &s = canvas->stock();
    // The whole label is visible: the view is centred on it.
    EXPECT_LT(s.org_x, 0);
    EXPECT_NEAR(s.org_x + s.view_w / 2, 150, 1);
    EXPECT_NEAR(s.org_y + s.view_h / 2, 200, 1);
    // An element beyond the label grows the scroll range.
    element *e = make(ELE_BORDER, 10, 10);
    (void)e;
    set(fn::width, 0, 500);
    EXPECT_DOUBLE_EQ(canvas->stock().ext[2], 510);
    double start, end, page, pos;
    frame->stock().holder->stock().hscroll->get(start, end, page, pos);
    EXPECT_DOUBLE_EQ(end, 510);
}

TEST(ElementLayout, AutomaticTextWidthOpensEdgesByAnchor)
{
    auto a = make_element(ELE_TEXT, -43.43, 20, 0);
    element_layout l = ele__layout(a.get());
    EXPECT_DOUBLE_EQ(l.x1, 100);
    EXPECT_DOUBLE_EQ(l.x2, 143.43);
    EXPECT_EQ(l.right, 0);
    EXPECT_EQ(l.left, 1);
    EXPECT_EQ(l.wkind, SPOT_AUTO_WIDTH);
    auto b = make_element(ELE_TEXT, -80, 20, 8);
    l = ele__layout(b.get());
    EXPECT_DOUBLE_EQ(l.x1, 60);
    EXPECT_DOUBLE_EQ(l.x2, 140);
    EXPECT_EQ(l.left, 0);
    EXPECT_EQ(l.right, 0);
    // A magnitude of 1 or less shows the default size.
    auto c = make_element(ELE_TEXT, -0.5, 20, 0);
    EXPECT_DOUBLE_EQ(ele__layout(c.get()).x2, 143.43);
}

TEST(ElementLayout, BothSizesAutomaticAtNinetyAndFortyFive)
{
    auto a = make_element(ELE_TEXT, -43.43, -12, 0, 90);
    element_layout l = ele__layout(a.get());
    EXPECT_EQ(l.top, 0);
    EXPECT_EQ(l.left + l.right + l.bottom, 3);
    auto b = make_element(ELE_TEXT, -43.43, -12, 0, 45);
    l = ele__layout(b.get());
    EXPECT_EQ(l.left + l.right + l.top + l.bottom, 4);
    auto c = make_element(ELE_TEXT, -43.43, -12, 8, 0);
    l = ele__layout(c.get());
    EXPECT_EQ(l.left + l.right, 0);
    EXPECT_EQ(l.top + l.bottom, 2);
    EXPECT_EQ(l.hkind, SPOT_NONE);
    EXPECT_EQ(l.ckind, SPOT_NONE);
}

TEST(ElementLayout, OnlyTextsOpenEdgesAndTurnedBoxesSwapTheirHandles)
{
    auto border = make_element(ELE_BORDER, -50, 20, 0);
    element_layout l = ele__layout(border.get());
    EXPECT_EQ(l.left + l.right + l.top + l.bottom, 4);
    EXPECT_DOUBLE_EQ(l.x2 - l.x1, 50); // shown at its magnitude
    auto t = make_element(ELE_TEXT, 100, 20, 0, 90);
    l = ele__layout(t.get());
    EXPECT_DOUBLE_EQ(l.x2 - l.x1, 20);
    EXPECT_DOUBLE_EQ(l.y2 - l.y1, 100);
    EXPECT_EQ(l.wkind, SPOT_HEIGHT); // the horizontal handle changes the height
    EXPECT_EQ(l.hkind, SPOT_WIDTH);
    // Handles: width at the far side from the anchor, corner at both.
    auto r = make_element(ELE_BORDER, 40, 20, 2); // anchor top-right
    l = ele__layout(r.get());
    EXPECT_DOUBLE_EQ(l.wx, 60);
    EXPECT_DOUBLE_EQ(l.hy, 80);
    EXPECT_DOUBLE_EQ(l.cx, 60);
    EXPECT_DOUBLE_EQ(l.cy, 80);
    EXPECT_DOUBLE_EQ(l.rx, 100 - 10);
    EXPECT_DOUBLE_EQ(l.ry, 100 - 5);
}

TEST(ElementLayout, PictureAtThirtyDegreesHasTruncatedRotatedBounds)
{
    auto p = make_element(ELE_PICTURE, 40, 20, 0, 30);
    element_layout l = ele__layout(p.get());
    double b[4];
    ele__layout_bounds(p.get(), l, b);
    // Corners (100,100) (140,100) (140,120) (100,120) turned 30 degrees
    // about (100,100) in single precision, each truncated.
    const float c = std::cos(static_cast<float>(30 * M_PI / 180)), s = std::sin(static_cast<float>(30 * M_PI / 180));
    auto rx = [&](double x, double y) { return std::trunc(100 + (x - 100) * c - (y - 100) * s); };
    auto ry = [&](double x, double y) { return std::trunc(100 + (x - 100) * s + (y - 100) * c); };
    EXPECT_DOUBLE_EQ(b[0], std::min({rx(100, 100), rx(140, 100), rx(140, 120), rx(100, 120)}));
    EXPECT_DOUBLE_EQ(b[2], std::max({rx(100, 100), rx(140, 100), rx(140, 120), rx(100, 120)}));
    EXPECT_DOUBLE_EQ(b[3], std::max({ry(100, 100), ry(140, 100), ry(140, 120), ry(100, 120)}));
    EXPECT_EQ(b[0], std::trunc(b[0]));
    EXPECT_EQ(b[3], 137); // 100 + 40 sin 30 + 20 cos 30 = 137.3, truncated
}

TEST_F(CanvasTest, AutomaticWidthTextFadesToClear)
{
    make(ELE_TEXT, 50, 300);
    set(fn::width, 0, -80);
    frame_notify n;
    n.sender = frame->stock().props;
    n.code = fn::colour;
    n.e1 = 0;
    n.color = 0xFFFF0000; // red: over the white label, green shows how much
    frame->hub().notify(n);
    canvas->deselect_all();
    QImage img = canvas->render();
    element *e = lab()->es[0];
    element_layout l = ele__layout(e);
    const int c = canvas->px(l.x1), ee = canvas->px(l.x2), d = canvas->py(l.y1);
    // Unselected: bands one pixel thick.  The bottom edge starts in the
    // element's colour at the left (past the marker) and fades to nothing
    // at the open right end; no right edge.
    EXPECT_LT(qGreen(img.pixel(c + 10, d)), 40);
    EXPECT_GT(qGreen(img.pixel(ee, d)), 230);
    EXPECT_EQ(img.pixel(ee, (d + canvas->py(l.y2)) / 2) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(img.pixel(c, (d + canvas->py(l.y2)) / 2) & 0xFFFFFF, 0xFF0000u); // the left edge
    // Anchor code 8: clear at both ends, full colour in the middle.
    set(fn::quadrant, 0, 8);
    img = canvas->render();
    l = ele__layout(e);
    const int c8 = canvas->px(l.x1), e8 = canvas->px(l.x2), d8 = canvas->py(l.y1), m = (c8 + e8 + 1) / 2;
    EXPECT_LT(qGreen(img.pixel(m, d8)), 30);
    EXPECT_GT(qGreen(img.pixel(c8, d8)), 230);
    EXPECT_GT(qGreen(img.pixel(e8, d8)), 230);
}

TEST_F(CanvasTest, GroupedMarkersAndHandlesOnlyForOneSelected)
{
    make(ELE_BORDER, 100, 100);
    make(ELE_TEXT, 100.3, 100.2); // within a pixel
    select_only({0});
    QImage img = canvas->render();
    // One marker spot for the pair, naming the lower index.
    int markers = 0;
    const spot *marker = nullptr;
    for (const spot &s : canvas->stock().spots)
        if (s.kind == SPOT_MARKER) {
            ++markers;
            marker = &s;
        }
    ASSERT_EQ(markers, 1);
    EXPECT_EQ(marker->e, lab()->es[0]);
    EXPECT_EQ(lab()->es[0]->mark.group, 0);
    EXPECT_EQ(lab()->es[1]->mark.group, 0);
    // The grey group ball, in its selected form since one is selected.
    EXPECT_EQ(img.pixel(marker->x, marker->y), cmn__marker_ball(0, true, true, false).pixel(6, 6));
    // One selected: handles (width, height, rotation, corner).
    int handles = 0;
    for (const spot &s : canvas->stock().spots)
        handles += s.kind != SPOT_MARKER;
    EXPECT_EQ(handles, 4);
    // Hit order: the marker first, then corner, rotation, height, width.
    EXPECT_EQ(canvas->stock().spots.front().kind, SPOT_MARKER);
    EXPECT_EQ(canvas->stock().spots[1].kind, SPOT_CORNER);
    EXPECT_EQ(canvas->stock().spots[2].kind, SPOT_ROTATE);

    // Two selected: no handles; the lead's edges 3 pixels, the other's 2.
    set(fn::x, 1, 200);
    select_only({0, 1});
    ASSERT_EQ(lab()->es[0]->state, ELE_LEAD);
    img = canvas->render();
    handles = 0;
    for (const spot &s : canvas->stock().spots)
        handles += s.kind != SPOT_MARKER;
    EXPECT_EQ(handles, 0);
    auto band = [&](element *e) {
        element_layout l = ele__layout(e);
        const int x = (canvas->px(l.x1) + canvas->px(l.x2)) / 2, d = canvas->py(l.y1);
        int n = 0;
        while (n < 10 && qAlpha(img.pixel(x, d - n)) == 255 && (img.pixel(x, d - n) & 0xFFFFFF) == 0)
            ++n;
        return n;
    };
    EXPECT_EQ(band(lab()->es[0]), 3);
    EXPECT_EQ(band(lab()->es[1]), 2);
}

TEST_F(CanvasTest, PictureWithoutPictureShowsItsDescriptionInRed)
{
    // A picture element whose picture bytes hold no box.
    element *e = ele__add(lab(), 0);
    e->type = ELE_PICTURE;
    e->x = 50;
    e->y = 200;
    e->width = e->height = 80;
    e->desc = u"Логотип";
    canvas->set_label(lab());
    QImage img = canvas->render();
    element_layout l = ele__layout(e);
    int red = 0;
    for (int y = canvas->py(l.y2); y < canvas->py(l.y1); ++y)
        for (int x = canvas->px(l.x1); x < canvas->px(l.x2); ++x)
            red += qRed(img.pixel(x, y)) > 200 && qGreen(img.pixel(x, y)) < 80;
    EXPECT_GT(red, 10);
}

TEST_F(CanvasTest, ScreenshotOfEveryKindInSeveralStates)
{
    temp_dir d;
    std::ofstream(d / "logo.eps") << "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 90 60\n";
    scripted_file_choice files;
    scoped_seam<file_choice_service> use(&files);
    files.results.push_back({file_choice_result::status::chosen, u16(d / "logo.eps"), 0});
    canvas->show_grid(10, true);
    make(ELE_TEXT, 20, 360);
    set(fn::width, 0, -43.43);
    make(ELE_BORDER, 20, 250);
    set(fn::width, 0, 120);
    set(fn::height, 0, 60);
    make(ELE_BARCODE, 170, 250);
    set(fn::width, 0, 110);
    set(fn::height, 0, 50);
    make(ELE_PICTURE, 120, 120);
    set(fn::angle, 0, 30);
    make(ELE_TEXT, 40, 60);
    set(fn::angle, 0, 90);
    set(fn::toggle_enabled, 0, 0);
    make(ELE_BORDER, 230, 60);
    set(fn::quadrant, 0, 8);
    canvas->zoom_to(150);
    frame->resize(1100, 900);
    QApplication::processEvents();
    // The EPS picture comes from the background: the shots show it drawn.
    canvas->render();
    for (int i = 0; i < 400 && canvas->pictures_pending() > 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        QApplication::processEvents();
    }
    save_shot(frame, QStringLiteral("canvas-every-kind-one-selected"));
    select_only({0, 1, 3});
    QApplication::processEvents();
    save_shot(frame, QStringLiteral("canvas-every-kind-three-selected"));
    EXPECT_EQ(lab()->qty, 6);
}
