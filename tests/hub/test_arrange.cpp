// Alignment, same size and distribution as pure functions of a label, and
// as the hub applies them: one undo step, nothing for nothing to do.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "hub/arrange.h"
#include "hub/commands.h"
#include "hub/frame_hub.h"
#include "hub/frame_notify.h"
#include "platform/message_boxes.h"
#include "support/fakes.h"
#include "support/hub_fakes.h"

namespace {

// Borders of 40 × 20 at the given anchors; the first listed is the lead.
label_ptr borders(std::initializer_list<std::pair<double, double>> anchors)
{
    label_ptr lab = ele__label_new(400, 400);
    int i = 0;
    for (auto [x, y] : anchors) {
        element *e = ele__add(lab.get(), i);
        e->type = ELE_BORDER;
        e->x = x;
        e->y = y;
        e->width = 40;
        e->height = 20;
        e->state = i == 0 ? ELE_LEAD : ELE_SELECTED;
        ++i;
    }
    lab->sel = i;
    return lab;
}

lg_epsi_ptr picture(int w, int h)
{
    const std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 " + std::to_string(w) + " " +
                            std::to_string(h) + "\n";
    return eps__load_mem(eps.data(), eps.size());
}

// The label after the changes, made as the hub makes them.
void make(label &lab, const std::vector<arrange_change> &changes)
{
    for (const arrange_change &c : changes) {
        element *e = lab.es[c.index];
        switch (c.code) {
        case fn::x: e->x = c.value; break;
        case fn::y: e->y = c.value; break;
        case fn::width: e->width = c.value; break;
        case fn::height: e->height = c.value; break;
        default: FAIL() << "code " << c.code;
        }
    }
}

} // namespace

TEST(Arrange, AlignMovesTheOthersOntoTheLeadsEdgeWhateverTheirAnchors)
{
    label_ptr lab = borders({{200, 100}, {150, 200}, {100, 300}});
    lab->es[1]->quadrant = 8; // centred
    lab->es[2]->quadrant = 2; // top right
    std::vector<arrange_change> c = arr__align(*lab, ele_edge::left);
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].code, fn::x);
    make(*lab, c);
    EXPECT_DOUBLE_EQ(ele__edge(lab->es[1], ele_edge::left), 200);
    EXPECT_DOUBLE_EQ(ele__edge(lab->es[2], ele_edge::left), 200);
    EXPECT_DOUBLE_EQ(lab->es[0]->x, 200); // the lead stays
    // Top is the largest y; aligned elements give no second change.
    c = arr__align(*lab, ele_edge::top);
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[1].code, fn::y);
    make(*lab, c);
    EXPECT_DOUBLE_EQ(ele__edge(lab->es[2], ele_edge::top), ele__edge(lab->es[0], ele_edge::top));
    EXPECT_TRUE(arr__align(*lab, ele_edge::top).empty());
    EXPECT_TRUE(arr__align(*lab, ele_edge::left).empty());
}

TEST(Arrange, AlignKeepsAnchorsOnTheLabelAndNeedsTwoSelected)
{
    label_ptr lab = borders({{10, 100}, {300, 100}});
    lab->es[0]->quadrant = 2; // the lead's box reaches past the label's left side
    std::vector<arrange_change> c = arr__align(*lab, ele_edge::left);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].value, 0); // clamped, so the element stays short of the edge
    make(*lab, c);
    EXPECT_DOUBLE_EQ(ele__edge(lab->es[1], ele_edge::left), 0);
    lab->es[1]->state = ELE_UNSELECTED;
    lab->sel = 1;
    EXPECT_TRUE(arr__align(*lab, ele_edge::left).empty());
    EXPECT_TRUE(arr__same_size(*lab, size_side::both).changes.empty());
    EXPECT_TRUE(arr__distribute(*lab, spread_axis::horizontal).empty());
}

TEST(Arrange, SameSizeCopiesTheLeadAndRefusesAnAutomaticOne)
{
    label_ptr lab = borders({{10, 10}, {100, 10}, {200, 10}});
    lab->es[0]->width = 70;
    lab->es[0]->height = 30;
    lab->es[2]->width = 70; // already as wide
    arrange_result r = arr__same_size(*lab, size_side::both);
    EXPECT_FALSE(r.refused);
    // Widths first, then heights, each in index order.
    ASSERT_EQ(r.changes.size(), 3u);
    EXPECT_EQ(r.changes[0].code, fn::width);
    EXPECT_EQ(r.changes[0].index, 1);
    EXPECT_EQ(r.changes[1].code, fn::height);
    EXPECT_EQ(r.changes[2].index, 2);
    // An automatic lead width: refused, nothing changes.
    lab->es[0]->type = ELE_TEXT;
    lab->es[0]->width = -43.43;
    r = arr__same_size(*lab, size_side::width);
    EXPECT_TRUE(r.refused);
    EXPECT_TRUE(r.changes.empty());
    // For both, a refused height keeps the widths.
    lab->es[0]->width = 50;
    lab->es[0]->height = -12;
    r = arr__same_size(*lab, size_side::both);
    EXPECT_TRUE(r.refused);
    ASSERT_EQ(r.changes.size(), 2u);
    EXPECT_EQ(r.changes[1].code, fn::width);
}

TEST(Arrange, SameSizeLeavesAPicturesAutomaticSideAndCountsNewWidths)
{
    label_ptr lab = borders({{10, 10}, {100, 10}, {200, 10}});
    // A picture of automatic width is left alone in the width pass.
    element *p = lab->es[1];
    p->type = ELE_PICTURE;
    p->picture.data = picture(20, 10);
    ele__update_ratio(p);
    p->width = -40;
    p->height = 25;
    // A text of automatic width and height gets the width, and so then the
    // height too.
    element *t = lab->es[2];
    t->type = ELE_TEXT;
    t->width = -43.43;
    t->height = -12;
    arrange_result r = arr__same_size(*lab, size_side::both);
    ASSERT_EQ(r.changes.size(), 3u);
    EXPECT_EQ(r.changes[0].index, 2);
    EXPECT_EQ(r.changes[0].code, fn::width);
    EXPECT_EQ(r.changes[1].index, 1); // the picture's height
    EXPECT_EQ(r.changes[2].index, 2);
    EXPECT_EQ(r.changes[2].code, fn::height);
    // Without the width pass the text's automatic width keeps its height.
    r = arr__same_size(*lab, size_side::height);
    ASSERT_EQ(r.changes.size(), 1u);
    EXPECT_EQ(r.changes[0].index, 1);
}

TEST(Arrange, DistributeLeavesTheEndsAndMakesEqualGapsEvenNegative)
{
    label_ptr lab = borders({{200, 50}, {60, 50}, {10, 50}});
    lab->es[0]->width = 20;
    lab->es[1]->width = 30;
    lab->es[2]->width = 40;
    std::vector<arrange_change> c = arr__distribute(*lab, spread_axis::horizontal);
    ASSERT_EQ(c.size(), 1u); // with three, only the middle one moves
    EXPECT_EQ(c[0].index, 1);
    make(*lab, c);
    const double gap1 = ele__edge(lab->es[1], ele_edge::left) - ele__edge(lab->es[2], ele_edge::right);
    const double gap2 = ele__edge(lab->es[0], ele_edge::left) - ele__edge(lab->es[1], ele_edge::right);
    EXPECT_NEAR(gap1, gap2, 1e-9);
    // Four overlapping more than their span: the later targets follow the
    // earlier moves, and every gap is the same negative one.
    label_ptr o = borders({{10, 0}, {40, 0}, {30, 0}, {35, 0}});
    for (int i = 0; i < 4; ++i)
        o->es[i]->width = 100;
    make(*o, arr__distribute(*o, spread_axis::horizontal));
    // Sorted by left edge: 0 (10), 2 (30), 3 (35), 1 (40); span 10..140.
    const double g = (130.0 - 400.0) / 3;
    EXPECT_NEAR(o->es[2]->x, 10 + 100 + g, 1e-9);
    EXPECT_NEAR(o->es[3]->x, o->es[2]->x + 100 + g, 1e-9);
    EXPECT_DOUBLE_EQ(o->es[1]->x, 40);
    // Vertically by bottom and top edges.
    label_ptr v = borders({{0, 10}, {0, 300}, {0, 100}});
    make(*v, arr__distribute(*v, spread_axis::vertical));
    EXPECT_NEAR(v->es[2]->y, 10 + 20 + (320.0 - 10 - 60) / 2, 1e-9);
}

TEST(Arrange, ARotatedPictureIsAlignedByItsTurnedCornersInWholePoints)
{
    label_ptr lab = borders({{100, 100}, {200, 200}});
    element *p = lab->es[1];
    p->type = ELE_PICTURE;
    p->picture.data = picture(40, 20);
    ele__update_ratio(p);
    p->angle = 30;
    make(*lab, arr__align(*lab, ele_edge::left));
    EXPECT_DOUBLE_EQ(ele__edge(p, ele_edge::left), 100);
    EXPECT_EQ(ele__edge(p, ele_edge::left), std::floor(ele__edge(p, ele_edge::left)));
}

namespace {

class Arranging : public testing::Test {
protected:
    Arranging() : props("props", log), list("list", log), canvas(log),
                  hub(shell, store, borders({{200, 100}, {150, 200}, {100, 300}}))
    {
        hub.attach(&props, &list, &canvas, nullptr);
        canvas.hub = &hub;
    }
    void move(int index, double x)
    {
        frame_notify n;
        n.sender = &canvas;
        n.code = fn::x;
        n.e1 = index;
        n.value = x;
        hub.notify(n);
    }
    view_log log;
    fake_shell shell;
    fake_store store;
    fake_view props, list;
    fake_canvas canvas;
    frame_hub hub;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes{&boxes};
};

} // namespace

TEST_F(Arranging, AnAlignmentIsOneUndoStepOfItsOwn)
{
    move(1, 120); // a drag: the x group is open
    ASSERT_EQ(hub.undo_count(), 1);
    hub.command(cmd::align_left);
    EXPECT_EQ(hub.undo_count(), 2); // not folded into the drag
    EXPECT_DOUBLE_EQ(ele__edge(hub.lab()->es[2], ele_edge::left), 200);
    // Every view hears each change; the canvas redraws through them.
    EXPECT_EQ(std::count(canvas.codes.begin(), canvas.codes.end(), fn::x), 2);
    move(0, 50); // the next drag starts a step of its own
    EXPECT_EQ(hub.undo_count(), 3);
    hub.undo();
    hub.undo();
    EXPECT_DOUBLE_EQ(hub.lab()->es[1]->x, 120); // back to the drag's result
    EXPECT_DOUBLE_EQ(hub.lab()->es[2]->x, 100);
    // Nothing to do: no step.
    hub.command(cmd::align_left);
    const int steps = hub.undo_count();
    hub.command(cmd::align_left);
    EXPECT_EQ(hub.undo_count(), steps);
}

TEST_F(Arranging, SameSizeRefusalBeepsAndAPicturesAutomaticSideFollows)
{
    element *p = hub.lab()->es[1];
    p->type = ELE_PICTURE;
    p->picture.data = picture(20, 10);
    ele__update_ratio(p);
    p->height = -20; // automatic
    hub.lab()->es[0]->width = 70;
    hub.command(cmd::same_width);
    EXPECT_DOUBLE_EQ(p->width, 70);
    EXPECT_DOUBLE_EQ(p->height, -35); // still automatic, in proportion
    EXPECT_EQ(hub.undo_count(), 1);
    hub.lab()->es[0]->type = ELE_TEXT;
    hub.lab()->es[0]->width = -43.43;
    hub.command(cmd::same_width);
    EXPECT_EQ(shell.beeps, 1);
    EXPECT_EQ(hub.undo_count(), 1);
}

TEST_F(Arranging, ABusyCanvasOrPreviewModeHoldsTheCommands)
{
    canvas.idle = false;
    EXPECT_FALSE(hub.may_run(cmd::align_left));
    EXPECT_FALSE(hub.may_run(cmd::grid_10));
    EXPECT_TRUE(hub.may_run(cmd::zoom_in)); // zooming goes on during a drag
    EXPECT_TRUE(hub.may_run(cmd::about));
    hub.command(cmd::align_left);
    EXPECT_EQ(hub.undo_count(), 0);
    canvas.idle = true;
    hub.set_preview_mode(true);
    EXPECT_FALSE(hub.may_run(cmd::align_left));
    EXPECT_FALSE(hub.may_run(cmd::zoom_in));
    EXPECT_TRUE(hub.may_run(cmd::save_as));
    EXPECT_TRUE(hub.may_run(cmd::new_label));
    hub.set_preview_mode(false);
    EXPECT_TRUE(hub.may_run(cmd::align_left));
    // Fewer than two selected: greyed, so not run.
    hub.lab()->es[1]->state = hub.lab()->es[2]->state = ELE_UNSELECTED;
    hub.lab()->sel = 1;
    EXPECT_FALSE(hub.may_run(cmd::distribute_h));
}
