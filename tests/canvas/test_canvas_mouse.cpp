// What the mouse does on the canvas, driven with real mouse events: clicks
// and drags on markers and handles, double- and right-clicks, the rubber
// band, guides with their snapping, creation, and the alignment commands.
#include <QCursor>
#include <QMouseEvent>
#include <cmath>
#include <fstream>

#include "hub/commands.h"
#include "platform/beep.h"
#include "platform/file_choice.h"
#include "widgets/ruler.h"
#include "widgets/toolbarsup.h"
#include <QAction>
#include "canvas_fixture.h"

namespace {

class Mouse : public CanvasTest {
protected:
    QPoint at(double x, double y) const { return QPoint(canvas->px(x), canvas->py(y)); }
    void send_mouse(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons,
                    Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QCursor::setPos(canvas->mapToGlobal(p));
        QMouseEvent e(type, QPointF(p), canvas->mapToGlobal(QPointF(p)), button, buttons, mods);
        QApplication::sendEvent(canvas, &e);
    }
    void press(QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        canvas->render(); // the spots of what is on the screen
        send_mouse(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton, mods);
    }
    void move(QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        send_mouse(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton, mods);
    }
    void hover(QPoint p) { send_mouse(QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton); }
    void release(QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        send_mouse(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton, mods);
    }
    void click(QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        press(p, mods);
        release(p, mods);
    }
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        press(from, mods);
        move(from + QPoint(QApplication::startDragDistance() + 2, 0), mods);
        move(to, mods);
        release(to, mods);
    }
    void double_click(QPoint p)
    {
        click(p);
        canvas->render();
        send_mouse(QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
        release(p);
    }
    void right_click(QPoint p)
    {
        canvas->render();
        send_mouse(QEvent::MouseButtonPress, p, Qt::RightButton, Qt::RightButton);
        send_mouse(QEvent::MouseButtonRelease, p, Qt::RightButton, Qt::NoButton);
    }
    QPoint handle(int kind)
    {
        canvas->render();
        for (const spot &s : canvas->stock().spots)
            if (s.kind == kind)
                return QPoint(s.x, s.y);
        ADD_FAILURE() << "no handle of kind " << kind;
        return {};
    }
    // Three borders at (50,50), (150,150), (250,250), 20 x 20, none selected.
    void three()
    {
        make(ELE_BORDER, 250, 250);
        make(ELE_BORDER, 150, 150);
        make(ELE_BORDER, 50, 50);
        for (int i = 0; i < 3; ++i) {
            set(fn::width, i, 20);
            set(fn::height, i, 20);
        }
        canvas->deselect_all();
    }
    int selected() const
    {
        int mask = 0;
        for (int i = 0; i < frame->hub().lab()->qty; ++i)
            if (frame->hub().lab()->es[i]->state != ELE_UNSELECTED)
                mask |= 1 << i;
        return mask;
    }
};

} // namespace

TEST_F(Mouse, ClickCtrlAndAltRulesOnMarkers)
{
    three();
    click(at(50, 50));
    EXPECT_EQ(selected(), 0b001);
    click(at(150, 150), Qt::ControlModifier);
    EXPECT_EQ(selected(), 0b011);
    click(at(50, 50), Qt::AltModifier);
    EXPECT_EQ(selected(), 0b010);
    click(at(250, 250)); // alone
    EXPECT_EQ(selected(), 0b100);
    EXPECT_EQ(lab()->es[2]->state, ELE_LEAD);
    // A click on nothing deselects; with Ctrl it does nothing.
    click(at(280, 20), Qt::ControlModifier);
    EXPECT_EQ(selected(), 0b100);
    click(at(280, 20));
    EXPECT_EQ(selected(), 0);
}

TEST_F(Mouse, DraggingAnUnselectedMarkerSelectsItAloneAndMovesIt)
{
    three();
    click(at(150, 150));
    const int steps = frame->hub().undo_count();
    press(at(50, 50) + QPoint(2, 1));
    move(at(50, 50) + QPoint(3 + QApplication::startDragDistance(), 1));
    EXPECT_EQ(selected(), 0b001);
    // The pointer jumped onto the anchor first.
    EXPECT_EQ(canvas->mapFromGlobal(QCursor::pos()), at(50, 50));
    move(at(80, 90));
    release(at(80, 90));
    EXPECT_NEAR(lab()->es[0]->x, 80, 1);
    EXPECT_NEAR(lab()->es[0]->y, 90, 1);
    EXPECT_TRUE(canvas->is_idle());
    // One drag is one undo step (after the selection's own steps), and
    // undoing it puts the element back.
    const int after = frame->hub().undo_count();
    frame->hub().undo();
    EXPECT_EQ(lab()->es[0]->x, 50);
    EXPECT_EQ(lab()->es[0]->y, 50);
    EXPECT_GT(after, steps);
}

TEST_F(Mouse, AltDragMovesTheOneOrTheSelection)
{
    three();
    // At most one selected: the Alt-dragged element moves alone and the
    // selection stays as it was.
    click(at(250, 250));
    drag(at(50, 50), at(60, 70), Qt::AltModifier);
    EXPECT_NEAR(lab()->es[0]->x, 60, 1);
    EXPECT_EQ(selected(), 0b100);
    EXPECT_EQ(lab()->es[2]->x, 250);
    // Two selected: the selection moves by the pointer's offset from the
    // dragged element's anchor.
    click(at(150, 150), Qt::ControlModifier);
    ASSERT_EQ(selected(), 0b110);
    const double x0 = lab()->es[0]->x;
    drag(at(x0, lab()->es[0]->y), at(x0 + 10, lab()->es[0]->y + 5), Qt::AltModifier);
    EXPECT_NEAR(lab()->es[1]->x, 160, 1);
    EXPECT_NEAR(lab()->es[2]->x, 260, 1);
    EXPECT_NEAR(lab()->es[2]->y, 255, 1);
    // Alt-dragging a selected marker deselects it and drags nothing.
    drag(at(160, 155), at(100, 100), Qt::AltModifier);
    EXPECT_EQ(selected(), 0b100);
    EXPECT_NEAR(lab()->es[1]->x, 160, 1);
}

TEST_F(Mouse, MovesStopAtTheLabelEdge)
{
    three();
    click(at(50, 50));
    drag(at(50, 50), at(-30, 20));
    EXPECT_EQ(lab()->es[0]->x, 0); // one element: clamped to the edge
    // A selection stops entirely while any member would leave.
    click(at(250, 250), Qt::ControlModifier);
    ASSERT_EQ(selected(), 0b101);
    press(at(250, 250));
    move(at(250, 250) + QPoint(QApplication::startDragDistance() + 2, 0));
    const double x2 = lab()->es[2]->x, y2 = lab()->es[2]->y, x0 = lab()->es[0]->x;
    move(at(235, 250)); // element 0 would go below x 0
    EXPECT_EQ(lab()->es[2]->x, x2);
    EXPECT_EQ(lab()->es[2]->y, y2);
    EXPECT_EQ(lab()->es[0]->x, x0);
    move(at(260, 300));
    release(at(260, 300));
    EXPECT_NEAR(lab()->es[2]->x, 260, 1);
    EXPECT_NEAR(lab()->es[2]->y, 300, 1);
    EXPECT_NEAR(lab()->es[0]->x, 10, 1);
    EXPECT_NEAR(lab()->es[0]->y, 20 + 50, 1);
}

TEST_F(Mouse, WidthHandlesNeverGoBelowOneAndCentredAnchorsDouble)
{
    make(ELE_BORDER, 100, 100);
    set(fn::width, 0, 40);
    set(fn::height, 0, 20);
    drag(handle(SPOT_WIDTH), at(60, 110)); // past the anchor
    EXPECT_DOUBLE_EQ(lab()->es[0]->width, 1.0);
    set(fn::quadrant, 0, 8);
    set(fn::width, 0, 40);
    drag(handle(SPOT_WIDTH), at(130, 100));
    EXPECT_NEAR(lab()->es[0]->width, 60, 1.5); // twice the distance from the anchor
    // Centred: the height handle sits at the bottom, dragged down.
    drag(handle(SPOT_HEIGHT), at(100, 75));
    EXPECT_NEAR(lab()->es[0]->height, 50, 1.5);
    drag(handle(SPOT_CORNER), at(110, 90));
    EXPECT_NEAR(lab()->es[0]->width, 20, 1.5);
    EXPECT_NEAR(lab()->es[0]->height, 20, 1.5);
}

TEST_F(Mouse, DoubleClicksOnHandles)
{
    make(ELE_TEXT, 100, 100);
    set(fn::width, 0, 40);
    set(fn::height, 0, 20);
    const int beeps = platform_beep_count();
    double_click(handle(SPOT_WIDTH)); // a fixed height: only a beep
    EXPECT_EQ(platform_beep_count(), beeps + 1);
    EXPECT_EQ(lab()->es[0]->width, 40);
    double_click(handle(SPOT_HEIGHT)); // height becomes automatic
    EXPECT_LT(lab()->es[0]->height, 0);
    double_click(handle(SPOT_WIDTH)); // now the width may follow too
    EXPECT_LT(lab()->es[0]->width, 0);
    // Rotation: a border at 45 degrees goes to 0; then 0 -> 90 -> 180.
    make(ELE_BORDER, 200, 200);
    set(fn::angle, 0, 45);
    double_click(handle(SPOT_ROTATE));
    EXPECT_EQ(lab()->es[0]->angle, 0);
    double_click(handle(SPOT_ROTATE));
    EXPECT_EQ(lab()->es[0]->angle, 90);
    // Marker: the enabled flag toggles.
    double_click(at(200, 200));
    EXPECT_EQ(lab()->es[0]->disabled, 1);
}

TEST_F(Mouse, RightClickCyclesTheAnchorOfASelectedElementOnly)
{
    three();
    right_click(at(50, 50));
    EXPECT_EQ(lab()->es[0]->quadrant, 0); // not selected: nothing
    click(at(50, 50));
    const int cycle[] = {4, 1, 5, 2, 6, 3, 7, 8, 0};
    for (int expected : cycle) {
        right_click(at(50, 50));
        EXPECT_EQ(lab()->es[0]->quadrant, expected);
    }
    EXPECT_EQ(frame->hub().new_quadrant(), 0);
}

TEST_F(Mouse, RubberBandsInEitherDirectionAndWithKeys)
{
    three();
    click(at(250, 250));
    // Right to left over the first two: the third goes (replace).
    drag(at(200, 20), at(20, 200));
    EXPECT_EQ(selected(), 0b011);
    drag(at(20, 20), at(200, 200), Qt::NoModifier);
    EXPECT_EQ(selected(), 0b011);
    // Ctrl adds, Alt removes.
    drag(at(240, 240), at(260, 260), Qt::ControlModifier);
    EXPECT_EQ(selected(), 0b111);
    drag(at(140, 140), at(260, 260), Qt::AltModifier);
    EXPECT_EQ(selected(), 0b001);
    // The size shows in the status bar while dragging, and goes after.
    auto *status = static_cast<frame_status *>(frame->stock().status);
    press(at(10, 10));
    move(at(10, 10) + QPoint(QApplication::startDragDistance() + 2, 0));
    move(at(40, 30));
    EXPECT_FALSE(status->text(2).isEmpty());
    EXPECT_FALSE(canvas->is_idle());
    release(at(40, 30));
    EXPECT_TRUE(status->text(2).isEmpty());
}

TEST_F(Mouse, CreationWhileArmed)
{
    frame->command(cmd::tool_border);
    EXPECT_TRUE(canvas->is_idle()); // armed counts as idle
    const int beeps = platform_beep_count();
    click(at(-20, 100)); // outside the label
    EXPECT_EQ(platform_beep_count(), beeps + 1);
    EXPECT_EQ(lab()->qty, 0);
    click(at(100, 100));
    ASSERT_EQ(lab()->qty, 1);
    EXPECT_EQ(lab()->es[0]->type, ELE_BORDER);
    EXPECT_NEAR(lab()->es[0]->x, 100, 1);
    EXPECT_EQ(lab()->es[0]->desc, u"Новый элемент");
    EXPECT_EQ(canvas->stock().mode, CNV_NORMAL);
    EXPECT_TRUE(frame->stock().toolbar->action(cmd::normal_mode)->isChecked());
}

TEST_F(Mouse, GuidesPulledOutAndBack)
{
    ruler *vr = frame->stock().holder->stock().vruler;
    ruler *hr = frame->stock().holder->stock().hruler;
    const QPoint p(200, 150);
    QCursor::setPos(canvas->mapToGlobal(p));
    canvas->begin_guide(true);
    ASSERT_EQ(canvas->stock().guides.size(), 1u);
    EXPECT_EQ(canvas->stock().guides.front().vertical, 1);
    EXPECT_NEAR(canvas->stock().guides.front().pos, canvas->to_x(200), 1e-9);
    EXPECT_EQ(canvas->stock().mode, CNV_GUIDE_DRAG);
    move(QPoint(250, 150));
    EXPECT_NEAR(canvas->stock().guides.front().pos, canvas->to_x(250), 1e-9);
    // Dragged past the view's edge it stops at the edge.
    move(QPoint(canvas->width() + 50, 150));
    EXPECT_LE(canvas->stock().guides.front().pos, canvas->stock().org_x + canvas->stock().view_w + 1e-9);
    // Back over its own ruler: gone, and the ruler pulls a new one.
    const QPoint over_ruler = canvas->mapFromGlobal(vr->mapToGlobal(QPoint(8, 100)));
    move(over_ruler);
    EXPECT_TRUE(canvas->stock().guides.empty());
    EXPECT_TRUE(vr->dragging());
    EXPECT_EQ(canvas->stock().mode, CNV_NORMAL);
    QMouseEvent back(QEvent::MouseMove, QPointF(20, 20), canvas->mapToGlobal(QPointF(20, 20)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCursor::setPos(canvas->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(vr, &back);
    EXPECT_EQ(canvas->stock().guides.size(), 1u);
    release(QPoint(20, 20));

    // A horizontal guide dragged over the vertical ruler stays.
    QCursor::setPos(canvas->mapToGlobal(QPoint(100, 100)));
    canvas->begin_guide(false);
    move(over_ruler);
    EXPECT_EQ(canvas->stock().guides.size(), 2u);
    release(over_ruler);
    // A press on a guide drags it; remove-all during a drag ends it.
    const int gy = canvas->py(canvas->stock().guides.front().pos);
    press(QPoint(300, gy));
    EXPECT_EQ(canvas->stock().mode, CNV_GUIDE_DRAG);
    canvas->remove_guides(); // the frame's Remove guides arriving mid-drag
    EXPECT_TRUE(canvas->stock().guides.empty());
    EXPECT_EQ(canvas->stock().mode, CNV_NORMAL);
    (void)hr;
}

TEST_F(Mouse, SnappingWaitsForThePointerToRest)
{
    make(ELE_BORDER, 100, 100);
    set(fn::width, 0, 20);
    set(fn::height, 0, 20);
    // Two vertical guides at the same distance: the newer one wins.
    const int gx = canvas->px(150);
    QCursor::setPos(canvas->mapToGlobal(QPoint(gx, 50)));
    canvas->begin_guide(true);
    release(QPoint(gx, 50));
    auto wait_snap = [] { QTest::qWait(CANVAS_SNAP_PERIOD + 250); };

    // 0 pixels from the guide: no snap.
    press(at(100, 100));
    move(at(100, 100) + QPoint(QApplication::startDragDistance() + 2, 0));
    move(QPoint(gx, canvas->py(100)));
    EXPECT_EQ(canvas->snap_guide(), nullptr);
    // 5 pixels away, resting: the pointer and the anchor jump onto it.
    move(QPoint(gx - 5, canvas->py(100)));
    wait_snap();
    EXPECT_EQ(canvas->mapFromGlobal(QCursor::pos()).x(), gx);
    EXPECT_EQ(canvas->px(lab()->es[0]->x), gx);
    // 10 pixels away: nothing.
    move(QPoint(gx - 10, canvas->py(100)));
    wait_snap();
    EXPECT_EQ(canvas->px(lab()->es[0]->x), gx - 10);
    // Moving on and on near the guide never snaps: every move restarts the delay.
    for (int i = 0; i < 6; ++i) {
        move(QPoint(gx - 3 - (i % 2), canvas->py(100)));
        QTest::qWait(CANVAS_SNAP_PERIOD / 3);
    }
    EXPECT_NE(canvas->px(lab()->es[0]->x), gx);
    release(QPoint(gx - 4, canvas->py(100)));

    // A newer guide at the same distance on the other side wins.
    QCursor::setPos(canvas->mapToGlobal(QPoint(gx - 8, 50)));
    canvas->begin_guide(true);
    release(QPoint(gx - 8, 50));
    ASSERT_EQ(canvas->stock().guides.size(), 2u);
    guide *found = canvas->nearest_guide(canvas->to_x(gx - 4), 100, true);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found, &canvas->stock().guides.front()); // the newer one
    EXPECT_NEAR(found->pos, canvas->to_x(gx - 8), 1e-9);
    // Horizontal guides are not candidates for a vertical snap.
    EXPECT_EQ(canvas->nearest_guide(canvas->to_x(gx - 40), 100, true), nullptr);
}

TEST_F(Mouse, AlignmentSizingAndDistribution)
{
    // Different anchor codes: left edges line up, not anchors.
    make(ELE_BORDER, 200, 100); // index 2 after the next two
    make(ELE_BORDER, 150, 200);
    make(ELE_BORDER, 100, 300);
    for (int i = 0; i < 3; ++i) {
        set(fn::width, i, 40);
        set(fn::height, i, 20);
    }
    set(fn::quadrant, 1, 8); // centred
    set(fn::quadrant, 2, 2); // top-right
    select_only({0, 1, 2});  // 0 is the lead
    frame->command(cmd::align_left);
    EXPECT_DOUBLE_EQ(ele__edge(lab()->es[1], ele_edge::left), 100);
    EXPECT_DOUBLE_EQ(ele__edge(lab()->es[2], ele_edge::left), 100);
    EXPECT_DOUBLE_EQ(lab()->es[2]->x, 140); // its anchor is its right edge
    // Top is the largest y.
    frame->command(cmd::align_top);
    EXPECT_DOUBLE_EQ(ele__edge(lab()->es[1], ele_edge::top), 320);
    EXPECT_DOUBLE_EQ(lab()->es[2]->y, 320);
    // Same width: an automatic lead width only beeps.
    set(fn::width, 0, -43.43);
    const int beeps = platform_beep_count();
    frame->command(cmd::same_width);
    EXPECT_EQ(platform_beep_count(), beeps + 1);
    set(fn::width, 0, 70);
    frame->command(cmd::same_size);
    EXPECT_DOUBLE_EQ(lab()->es[1]->width, 70);
    EXPECT_DOUBLE_EQ(lab()->es[2]->height, 20);
}

TEST_F(Mouse, DistributionMakesEqualGapsEvenNegativeOnes)
{
    make(ELE_BORDER, 200, 50);
    make(ELE_BORDER, 60, 50);
    make(ELE_BORDER, 10, 50);
    set(fn::width, 0, 20);
    set(fn::width, 1, 30);
    set(fn::width, 2, 40);
    for (int i = 0; i < 3; ++i)
        set(fn::height, i, 10);
    select_only({0, 1, 2});
    frame->command(cmd::distribute_h);
    // Leftmost and rightmost stay; the two gaps are equal.
    EXPECT_DOUBLE_EQ(lab()->es[0]->x, 10);
    EXPECT_DOUBLE_EQ(lab()->es[2]->x, 200);
    const double gap1 = ele__edge(lab()->es[1], ele_edge::left) - ele__edge(lab()->es[0], ele_edge::right);
    const double gap2 = ele__edge(lab()->es[2], ele_edge::left) - ele__edge(lab()->es[1], ele_edge::right);
    EXPECT_NEAR(gap1, gap2, 1e-9);
    EXPECT_NEAR(gap1, (240 - 10 - 90) / 2.0, 1e-9);
    // Overlapping more than the span: a negative gap.
    set(fn::x, 0, 10);
    set(fn::x, 1, 40);
    set(fn::x, 2, 30);
    for (int i = 0; i < 3; ++i)
        set(fn::width, i, 100);
    frame->command(cmd::distribute_h);
    // Sorted: 0 (10..110), 2 (30..130), 1 (40..140); gap (130 - 300) / 2.
    EXPECT_DOUBLE_EQ(lab()->es[2]->x, 25);
    const double g1 = ele__edge(lab()->es[2], ele_edge::left) - ele__edge(lab()->es[0], ele_edge::right);
    const double g2 = ele__edge(lab()->es[1], ele_edge::left) - ele__edge(lab()->es[2], ele_edge::right);
    EXPECT_DOUBLE_EQ(g1, -85);
    EXPECT_DOUBLE_EQ(g2, -85);
}

TEST_F(Mouse, APressedElementThatGoesBeforeTheDragIsForgotten)
{
    three();
    click(at(50, 50));
    // Pressed, then deleted by its key before the pointer moved far enough.
    press(at(50, 50));
    frame->command(cmd::remove);
    ASSERT_EQ(lab()->qty, 2);
    move(at(50, 50) + QPoint(QApplication::startDragDistance() + 2, 0));
    move(at(120, 120));
    release(at(120, 120));
    EXPECT_EQ(canvas->stock().mode, CNV_NORMAL);
    EXPECT_EQ(lab()->es[0]->x, 150);
    EXPECT_EQ(lab()->es[1]->x, 250);
    // Pressed, then the label replaced by Undo: the same.
    click(at(150, 150));
    press(at(150, 150));
    frame->command(cmd::undo);
    move(at(150, 150) + QPoint(QApplication::startDragDistance() + 2, 0));
    move(at(200, 60));
    release(at(200, 60));
    EXPECT_EQ(canvas->stock().mode, CNV_NORMAL);
    for (int i = 0; i < lab()->qty; ++i)
        EXPECT_NE(lab()->es[i]->x, 200);
}

#include "canvas/canvas_mode.h"

TEST_F(Mouse, TheDragAPressStartsIsChosenByWhatWasPressed)
{
    make(ELE_TEXT, 100, 100);
    set(fn::width, 0, 40);
    set(fn::height, 0, 20);
    canvas->render();
    auto start_on = [&](int kind) {
        drag_start s;
        for (const spot &sp : canvas->stock().spots)
            if (sp.kind == kind) {
                s.pressed = sp;
                s.what = kind == SPOT_MARKER ? drag_start::marker : drag_start::handle;
            }
        EXPECT_NE(s.pressed.e, nullptr) << "no spot of kind " << kind;
        return s;
    };
    auto kind_of = [&](const drag_start &s) {
        std::unique_ptr<canvas_mode> m = cnv__mode_for_drag(*canvas, s);
        return m ? m->kind() : -1;
    };
    EXPECT_EQ(kind_of(start_on(SPOT_MARKER)), CNV_ELEMENT_DRAG);
    EXPECT_EQ(kind_of(start_on(SPOT_WIDTH)), CNV_ELEMENT_DRAG);
    EXPECT_EQ(kind_of(start_on(SPOT_CORNER)), CNV_ELEMENT_DRAG);
    EXPECT_EQ(kind_of(start_on(SPOT_ROTATE)), -1); // a text turns by double-click only
    drag_start nothing;
    nothing.pixel = at(250, 300);
    EXPECT_EQ(kind_of(nothing), CNV_RUBBER_BAND);
    // Nothing of what the factory made took the mouse or the canvas.
    EXPECT_EQ(canvas->stock().mode, CNV_NORMAL);
    // An automatic height has a handle of its own that only toggles.
    set(fn::height, 0, -12);
    canvas->render();
    EXPECT_EQ(kind_of(start_on(SPOT_AUTO_HEIGHT)), -1);
}

TEST_F(Mouse, DraggingAnElementOutOfTheLabelKeepsTheViewStillUntilTheEdge)
{
    // Fitted, the label is centred in the window: an element dragged past
    // its edge grew the extent step by step, and the centred view slid
    // under the pointer.  Now the view stays until the pointer reaches the
    // window's edge, and then moves that way.
    canvas->zoom_fit();
    element *e = make(ELE_BORDER, 280, 200);
    set(fn::width, 0, 40);
    set(fn::height, 0, 40);
    (void)e;
    const double org_x = canvas->stock().org_x, org_y = canvas->stock().org_y;
    const QPoint from = at(280, 200); // the anchor's marker
    press(from);
    move(from + QPoint(QApplication::startDragDistance() + 2, 0));
    for (int dx = 10; from.x() + dx < canvas->width() - 20; dx += 10) {
        move(from + QPoint(dx, 0));
        EXPECT_NEAR(canvas->stock().org_x, org_x, 1e-9) << dx;
        EXPECT_NEAR(canvas->stock().org_y, org_y, 1e-9) << dx;
    }
    // The anchor stops at the label's edge, the box sticks out past it.
    EXPECT_EQ(lab()->es[0]->x, 300);
    EXPECT_GE(canvas->stock().ext[2], 330);
    release(from + QPoint(60, 0));

    // Zoomed in, the pointer at the window's edge scrolls that way.
    set(fn::x, 0, 60);
    canvas->zoom_to(300);
    canvas->scrolled(true, 0);
    canvas->scrolled(false, 150);
    const double left = canvas->stock().org_x;
    const QPoint anchor = at(lab()->es[0]->x, lab()->es[0]->y);
    ASSERT_TRUE(canvas->rect().contains(anchor));
    press(anchor);
    move(anchor - QPoint(QApplication::startDragDistance() + 2, 0));
    move(QPoint(canvas->width() / 2, anchor.y()));
    EXPECT_NEAR(canvas->stock().org_x, left, 1e-9);
    move(QPoint(canvas->width() + 30, anchor.y()));
    EXPECT_GT(canvas->stock().org_x, left);
    release(QPoint(canvas->width() + 30, anchor.y()));
}

TEST_F(Mouse, TheGridLiesOnTheLabelOnlyAndThinsOutWhenZoomedOut)
{
    lab()->bgcolor = 0x102030;
    canvas->set_label(lab());
    canvas->show_grid(10, true);
    const QRgb grid = ((0x10 + 204) % 255) << 16 | ((0x20 + 204) % 255) << 8 | ((0x30 + 204) % 255);
    // An element sticking out to the right: the grey there stays grey.
    make(ELE_BORDER, 290, 200);
    set(fn::width, 0, 200);
    canvas->zoom_fit();
    QImage img = canvas->render();
    int outside = 0;
    for (int x = canvas->px(302); x < canvas->px(480) && x < img.width(); ++x)
        for (int y = canvas->py(390); y <= canvas->py(10); ++y)
            outside += pixel(img, x, y) == grid;
    EXPECT_EQ(outside, 0);

    // A large label far out: 10 pt lines would be a pixel apart and run
    // into stripes; those drawn are a few pixels apart, both ways.
    label_options o;
    o.width = 20000;
    o.height = 20000;
    o.bgcolor = 0x102030;
    frame->hub().label_properties([&](const label &) { return std::optional<label_options>(o); });
    canvas->zoom_fit();
    img = canvas->render();
    // A line's pixels run along it: a column holds a vertical line where
    // its grid pixels have grid pixels above or below them.
    auto is_grid = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < img.width() && y < img.height() && pixel(img, x, y) == grid;
    };
    auto lines = [&](bool columns) {
        std::vector<int> at;
        const int n = columns ? img.width() : img.height();
        for (int i = 0; i < n; ++i) {
            int hits = 0;
            for (int j = 0; j < (columns ? img.height() : img.width()); ++j) {
                const int x = columns ? i : j, y = columns ? j : i;
                hits += is_grid(x, y) && (columns ? is_grid(x, y - 1) || is_grid(x, y + 1)
                                                  : is_grid(x - 1, y) || is_grid(x + 1, y));
            }
            if (hits > 20)
                at.push_back(i);
        }
        return at;
    };
    for (bool columns : {true, false}) {
        const std::vector<int> at = lines(columns);
        ASSERT_GT(at.size(), 5u) << columns;
        for (std::size_t k = 1; k < at.size(); ++k)
            EXPECT_GE(at[k] - at[k - 1], 4) << columns << " at " << at[k];
    }
}
