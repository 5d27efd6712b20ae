#include <gtest/gtest.h>

#include "hub/clipboard.h"
#include "hub/commands.h"
#include "hub/frame_hub.h"
#include "model/settings.h"
#include "platform/code_pages.h"
#include "platform/file_choice.h"
#include "platform/message_boxes.h"
#include "support/fakes.h"
#include "support/hub_fakes.h"
#include "support/settings_home.h"

namespace {

label_ptr three_texts(const char16_t *name = u"L")
{
    label_ptr lab = ele__label_new(300, 400);
    lab->name = name;
    for (int i = 0; i < 3; ++i) {
        element *e = ele__add(lab.get(), i);
        e->type = ELE_TEXT;
        e->desc = std::u16string(1, static_cast<char16_t>(u'A' + i));
        e->x = 10.0 * (i + 1);
        e->y = 20.0 * (i + 1);
        e->width = e->height = 10;
        e->text.size = 12;
    }
    return lab;
}

class Hub : public testing::Test {
protected:
    Hub()
        : props("props", log), list("list", log), canvas(log),
          hub(shell, store, three_texts())
    {
        hub.attach(&props, &list, &canvas, &preview);
        canvas.hub = &hub;
    }
    ~Hub() override { element_clipboard::clear(); }

    settings_home home; // label properties are stored as settings

    // A notification as a view sends it.
    void send(const notify_sender *from, int code, int e1, double value = 0, int action = 0)
    {
        frame_notify n;
        n.sender = from;
        n.code = code;
        n.e1 = e1;
        n.value = value;
        n.action = action;
        hub.notify(n);
    }
    void select(int i) { send(&canvas, fn::selection, i, 0, fn::select); }
    std::u16string order() const
    {
        std::u16string s;
        for (int i = 0; i < hub.lab()->qty; ++i)
            s += hub.lab()->es[i]->desc;
        return s;
    }

    view_log log;
    fake_shell shell;
    fake_store store;
    fake_view props, list;
    fake_canvas canvas;
    fake_preview preview;
    frame_hub hub;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes{&boxes};
};

} // namespace

TEST_F(Hub, EachDragIsAStepOfItsOwnAndThePanelJoinsTheLastOne)
{
    hub.begin_gesture();
    for (int i = 0; i < 10; ++i) {
        send(&canvas, fn::x, 0, 11 + i);
        send(&canvas, fn::y, 0, 21 + i);
    }
    hub.end_gesture();
    EXPECT_EQ(hub.undo_count(), 1);
    EXPECT_EQ(hub.lab()->modified, 1);
    // y from the panel right after the drag joins it...
    send(&props, fn::y, 0, 60);
    EXPECT_EQ(hub.undo_count(), 1);
    // ...a second drag does not.
    hub.begin_gesture();
    send(&canvas, fn::x, 0, 50);
    hub.end_gesture();
    EXPECT_EQ(hub.undo_count(), 2);
    // Another group starts its own step; width and height share one.
    send(&canvas, fn::width, 0, 30);
    send(&props, fn::height, 0, 30);
    send(&canvas, fn::angle, 0, 45);
    EXPECT_EQ(hub.undo_count(), 4);
    hub.undo();
    hub.undo();
    EXPECT_EQ(hub.lab()->es[0]->width, 10);
    hub.undo(); // the second drag
    EXPECT_EQ(hub.lab()->es[0]->x, 20);
    EXPECT_EQ(hub.lab()->es[0]->y, 60);
    hub.undo(); // the first, with the panel's y
    EXPECT_EQ(hub.lab()->es[0]->x, 10);
    EXPECT_EQ(hub.lab()->es[0]->y, 20);
    EXPECT_EQ(hub.lab()->modified, 0);
    EXPECT_EQ(hub.last_change(), -1);
    send(&canvas, fn::x, 0, 70); // after undo a change is a new step
    EXPECT_EQ(hub.undo_count(), 1);
}

TEST_F(Hub, AStepOfACommandEndsTheRunBeforeIt)
{
    // A drag, a command, and a change of the drag's group: three steps, so
    // undoing the command never takes the later move with it.
    select(0);
    send(&canvas, fn::x, 0, 15);
    hub.command(cmd::rotate_90);
    send(&canvas, fn::x, 0, 25);
    EXPECT_EQ(hub.undo_count(), 4);
    hub.undo();
    EXPECT_EQ(hub.lab()->es[0]->x, 15);
    EXPECT_EQ(hub.lab()->es[0]->angle, 90);
    hub.undo();
    EXPECT_EQ(hub.lab()->es[0]->angle, 0);
    // The same after alignment and after a paste.
    select(1);
    hub.command(cmd::align_left);
    send(&canvas, fn::y, 0, 99);
    hub.undo();
    EXPECT_EQ(hub.lab()->es[0]->y, 20);
    EXPECT_EQ(hub.lab()->es[1]->x, hub.lab()->es[0]->x); // still aligned
}

TEST_F(Hub, SelectionChangesFoldIntoOneStepAndForwardInOrder)
{
    select(1);
    EXPECT_EQ(hub.undo_count(), 1);
    EXPECT_EQ(hub.lab()->modified, 1);
    EXPECT_EQ(hub.lab()->es[1]->state, ELE_LEAD);
    // Forwarded to the panel and the list, not back to the canvas; the
    // frame is the sender now.
    EXPECT_EQ(log.entries, (std::vector<std::string>{"props:1025", "list:1025"}));
    EXPECT_EQ(props.senders.back(), &hub);
    EXPECT_TRUE(canvas.codes.empty());

    log.entries.clear();
    send(&list, fn::description, 1, 0);
    EXPECT_EQ(log.entries, (std::vector<std::string>{"props:1028", "canvas:1028"}));
    EXPECT_EQ(hub.undo_count(), 2);

    // Selecting it again changes nothing and forwards nothing.
    log.entries.clear();
    int steps = hub.undo_count();
    select(1);
    EXPECT_TRUE(log.entries.empty());
    EXPECT_EQ(hub.undo_count(), steps);

    EXPECT_TRUE(shell.enabled[cmd::copy]);
    EXPECT_FALSE(shell.enabled[cmd::align_left]);
    select(2);
    EXPECT_TRUE(shell.enabled[cmd::align_left]);
    EXPECT_EQ(canvas.redraws, std::vector<int>{1}); // the lead looks different now
    EXPECT_EQ(hub.undo_count(), 3);
    // Any number of clicks from any view after that: still the one step.
    for (int round = 0; round < 30; ++round) {
        send(&list, fn::selection, round % 3, 0, fn::deselect);
        select((round + 1) % 3);
    }
    EXPECT_EQ(hub.undo_count(), 3);
    hub.undo();
    EXPECT_EQ(hub.lab()->sel, 1);
    EXPECT_EQ(hub.lab()->es[1]->state, ELE_LEAD);
    EXPECT_EQ(hub.lab()->es[1]->desc, u"");
}

TEST_F(Hub, ClicksNoLongerPushRealEditsOutOfTheHistory)
{
    send(&props, fn::description, 0);
    for (int i = 0; i < 2 * FRAME_UNDO_DEPTH; ++i) {
        select(i % 3);
        send(&canvas, fn::selection, i % 3, 0, fn::deselect);
    }
    EXPECT_EQ(hub.undo_count(), 2);
    hub.undo();
    hub.undo();
    EXPECT_EQ(hub.lab()->es[0]->desc, u"A");
    EXPECT_EQ(hub.lab()->modified, 0);
}

TEST_F(Hub, DeselectingTheLeadHandsItToTheLowestIndex)
{
    select(2);
    select(0);
    select(1);
    EXPECT_EQ(hub.lab()->es[2]->state, ELE_LEAD);
    canvas.redraws.clear();
    send(&canvas, fn::selection, 2, 0, fn::deselect);
    EXPECT_EQ(hub.lab()->sel, 2);
    EXPECT_EQ(hub.lab()->es[0]->state, ELE_LEAD);
    EXPECT_EQ(hub.lab()->es[1]->state, ELE_SELECTED);
    EXPECT_EQ(canvas.redraws, std::vector<int>{0});
    // Deselecting something unselected is ignored.
    int steps = hub.undo_count();
    send(&canvas, fn::selection, 2, 0, fn::deselect);
    EXPECT_EQ(hub.undo_count(), steps);
    // Recount repairs a count that is out of step.
    hub.lab()->es[2]->state = ELE_LEAD;
    send(&canvas, fn::selection, -1, 0, fn::recount);
    EXPECT_EQ(hub.lab()->sel, 3);
    EXPECT_EQ(ele__get_lead_element(hub.lab()), 0);
    EXPECT_EQ(hub.lab()->es[2]->state, ELE_SELECTED);
}

TEST_F(Hub, FrameSentNotificationsRecordNothing)
{
    frame_notify n;
    n.sender = &hub;
    n.code = fn::x;
    n.e1 = 0;
    n.value = 99;
    hub.notify(n);
    EXPECT_EQ(hub.undo_count(), 0);
    EXPECT_EQ(hub.lab()->es[0]->x, 99);
    EXPECT_EQ(log.entries, (std::vector<std::string>{"props:1032", "list:1032", "canvas:1032"}));
}

TEST_F(Hub, BadNotificationsChangeAndForwardNothing)
{
    hub.lab()->es[1]->type = ELE_BORDER;
    const int bad[][2] = {{fn::x, 3}, {fn::x, -1}, {fn::text, 1}, {fn::thickness, 0},
                          {fn::barcode_data, 0}, {fn::picture, 0}, {9999, 0}};
    for (const auto &b : bad)
        send(&canvas, b[0], b[1], 5);
    frame_notify p;
    p.sender = &canvas;
    p.code = fn::picture;
    p.e1 = 1;
    std::string eps = "%!PS\n%%BoundingBox: 0 0 1 1\n";
    p.picture = eps__load_mem(eps.data(), eps.size()); // a border has no picture
    hub.notify(p);
    EXPECT_EQ(hub.undo_count(), 0);
    EXPECT_TRUE(log.entries.empty());
    EXPECT_EQ(hub.lab()->modified, 0);
}

TEST_F(Hub, FieldsAreAppliedByKind)
{
    frame_notify n;
    n.sender = &props;
    n.code = fn::text;
    n.e1 = 0;
    n.text = u"Привет";
    n.sender = &props; // forwarding made the frame the sender
    hub.notify(n);
    EXPECT_EQ(*hub.lab()->es[0]->text.text, u"Привет");
    n.code = fn::quadrant;
    n.quadrant = 5;
    n.sender = &props; // forwarding made the frame the sender
    hub.notify(n);
    EXPECT_EQ(hub.lab()->es[0]->quadrant, 5);
    EXPECT_EQ(hub.new_quadrant(), 5);
    n.code = fn::colour;
    n.color = 0xFF102030;
    n.sender = &props; // forwarding made the frame the sender
    hub.notify(n);
    EXPECT_EQ(hub.lab()->es[0]->text.colour, 0xFF102030u);
    n.code = fn::toggle_enabled;
    n.sender = &props; // forwarding made the frame the sender
    hub.notify(n);
    EXPECT_EQ(hub.lab()->es[0]->disabled, 1);
    n.code = fn::justification;
    n.option = 3;
    hub.lab()->es[0]->text.stored_justification = u"odd";
    n.sender = &props; // forwarding made the frame the sender
    hub.notify(n);
    EXPECT_EQ(hub.lab()->es[0]->text.justification, 3);
    EXPECT_FALSE(hub.lab()->es[0]->text.stored_justification);
    EXPECT_EQ(hub.undo_count(), 5);
}

TEST_F(Hub, FontSizeKeepsAnAutomaticHeightFollowing)
{
    hub.lab()->es[0]->height = -12;
    log.entries.clear();
    send(&props, fn::font_size, 0, 18);
    EXPECT_EQ(hub.lab()->es[0]->text.size, 18);
    EXPECT_EQ(hub.lab()->es[0]->height, -18);
    EXPECT_EQ(hub.undo_count(), 1);
    // The height goes to all three views, after the font size.
    EXPECT_EQ(log.entries, (std::vector<std::string>{"list:1060", "canvas:1060", "props:1036",
                                                     "list:1036", "canvas:1036"}));
    send(&props, fn::font_size, 0, 0);
    EXPECT_DOUBLE_EQ(hub.lab()->es[0]->height, -43.43);
}

TEST_F(Hub, NewPictureSetsTheBoxSize)
{
    element *e = hub.lab()->es[2];
    e->type = ELE_PICTURE;
    frame_notify n;
    n.sender = &props;
    n.code = fn::picture;
    n.e1 = 2;
    std::string eps = "%!PS\n%%BoundingBox: 0 0 80 20\n";
    n.picture = eps__load_mem(eps.data(), eps.size());
    hub.notify(n);
    EXPECT_EQ(e->width, 80);
    EXPECT_EQ(e->height, 20);
    EXPECT_DOUBLE_EQ(e->picture.ratio, 4);
    EXPECT_EQ(hub.undo_count(), 1);
}

TEST_F(Hub, AHundredAndOneChangesGiveAHundredUndosThenABeep)
{
    for (int i = 0; i < FRAME_UNDO_DEPTH + 1; ++i)
        send(&props, fn::description, 0, 0);
    EXPECT_EQ(FRAME_UNDO_DEPTH, 100);
    EXPECT_EQ(hub.undo_count(), 100);
    EXPECT_TRUE(shell.enabled[cmd::undo]);
    for (int i = 0; i < 100; ++i)
        hub.command(cmd::undo);
    EXPECT_EQ(shell.beeps, 0);
    EXPECT_FALSE(shell.enabled[cmd::undo]);
    // The oldest snapshot was dropped: the label still shows the first change.
    EXPECT_EQ(hub.lab()->modified, 1);
    // Disabled, the command does nothing, as the greyed menu item would;
    // the history itself beeps when asked to undo with nothing left.
    hub.command(cmd::undo);
    EXPECT_EQ(shell.beeps, 0);
    hub.undo();
    EXPECT_EQ(shell.beeps, 1);
    EXPECT_EQ(canvas.lab, hub.lab());
    EXPECT_EQ(preview.lab, hub.lab());
    // Everything undone can be redone, and no further.
    for (int i = 0; i < 100; ++i)
        hub.command(cmd::redo);
    EXPECT_EQ(hub.undo_count(), 100);
    EXPECT_FALSE(shell.enabled[cmd::redo]);
    hub.redo();
    EXPECT_EQ(shell.beeps, 2);
}

TEST_F(Hub, GuardsRefuseCommandsInPreviewOrWhileBusy)
{
    select(0);
    hub.set_preview_mode(true);
    hub.command(cmd::undo);
    hub.command(cmd::remove);
    EXPECT_EQ(hub.lab()->qty, 3);
    EXPECT_EQ(hub.undo_count(), 1);
    hub.set_preview_mode(false);
    canvas.idle = false;
    hub.command(cmd::undo);
    hub.command(cmd::remove);
    hub.command(cmd::save);
    EXPECT_EQ(hub.undo_count(), 1);
    EXPECT_EQ(store.saves, 0);
    canvas.idle = true;
    hub.command(cmd::undo);
    EXPECT_EQ(hub.undo_count(), 0);
}

TEST_F(Hub, TitleFollowsStoreAndMark)
{
    EXPECT_EQ(shell.title, u"Vellumo");
    send(&props, fn::description, 0);
    EXPECT_EQ(shell.title, u"Vellumo"); // never stored: no name, no mark
    hub.command(cmd::save);
    EXPECT_EQ(shell.title, u"saved.lbl - Vellumo");
    EXPECT_FALSE(shell.enabled[cmd::save]);
    send(&props, fn::description, 0);
    EXPECT_EQ(shell.title, u"saved.lbl* - Vellumo");
    EXPECT_TRUE(shell.enabled[cmd::save]);
}

TEST_F(Hub, UndoAfterSaveShowsTheOldContentModifiedUnderTheNewPlace)
{
    send(&props, fn::x, 0, 111);
    ASSERT_TRUE(hub.save());
    EXPECT_EQ(hub.lab()->modified, 0);
    hub.undo();
    EXPECT_EQ(hub.lab()->es[0]->x, 10);
    EXPECT_EQ(hub.lab()->modified, 1);
    EXPECT_EQ(hub.lab()->name, u"saved.lbl");
    EXPECT_EQ(*hub.lab()->store.place, u"/labels/saved.lbl");
    EXPECT_EQ(shell.title, u"saved.lbl* - Vellumo");
    // A failed save changes nothing.
    store.results.push_back(false);
    EXPECT_FALSE(hub.save());
    EXPECT_EQ(hub.lab()->modified, 1);
}

TEST_F(Hub, OpenCanBeUndoneWithTheOldMark)
{
    label_ptr other = three_texts(u"other");
    other->store.place = u"/x/other.lbl";
    store.to_open.push_back(std::move(other));
    label *before = hub.lab();
    (void)before;
    hub.command(cmd::open); // not modified: no question
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(hub.lab()->name, u"other");
    EXPECT_EQ(hub.lab()->modified, 0);
    EXPECT_EQ(shell.title, u"other - Vellumo");
    EXPECT_EQ(props.lab, hub.lab());
    EXPECT_EQ(hub.undo_count(), 1);
    hub.undo();
    EXPECT_EQ(hub.lab()->name, u"L");
    EXPECT_EQ(hub.lab()->modified, 0);
}

TEST_F(Hub, SaveQuestionBeforeOpenAndClose)
{
    send(&props, fn::description, 0);
    // Cancel: nothing happens.
    boxes.answers.push_back(mb_answer::cancel);
    hub.open();
    EXPECT_EQ(store.opens, 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, u"Сохранить изменения в этикетке?");
    EXPECT_EQ(boxes.shown[0].caption, u"Vellumo 1.2");
    EXPECT_EQ(boxes.shown[0].buttons, mb_buttons::yes_no_cancel);
    EXPECT_EQ(boxes.shown[0].icon, mb_icon::question);
    // Yes and a save that fails or is cancelled: the label and its changes stay.
    boxes.answers.push_back(mb_answer::yes);
    store.results.push_back(false);
    store.to_open.push_back(three_texts(u"other"));
    hub.open();
    EXPECT_EQ(store.opens, 0);
    EXPECT_EQ(hub.lab()->name, u"L");
    EXPECT_EQ(hub.lab()->modified, 1);
    boxes.answers.push_back(mb_answer::yes);
    store.results.push_back(false);
    EXPECT_FALSE(hub.close());
    EXPECT_EQ(hub.lab()->modified, 1);
    boxes.answers.push_back(mb_answer::cancel);
    EXPECT_FALSE(hub.close());
    // Yes and a save that works: go on.
    boxes.answers.push_back(mb_answer::yes);
    hub.open();
    EXPECT_EQ(store.opens, 1);
    EXPECT_EQ(hub.lab()->name, u"other");
    // No: go on without saving.
    send(&props, fn::description, 0);
    int saves = store.saves;
    boxes.answers.push_back(mb_answer::no);
    EXPECT_TRUE(hub.close());
    EXPECT_EQ(store.saves, saves);
}

TEST_F(Hub, DeleteAsksOnlyForSeveralAndNoChangesNothing)
{
    select(0);
    select(1);
    select(2);
    int steps = hub.undo_count();
    boxes.answers.push_back(mb_answer::no);
    hub.command(cmd::remove);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, u"Вы действительно хотите удалить эти элементы?");
    EXPECT_EQ(boxes.shown[0].buttons, mb_buttons::yes_no);
    EXPECT_EQ(boxes.shown[0].icon, mb_icon::warning);
    EXPECT_EQ(hub.lab()->qty, 3);
    EXPECT_EQ(hub.undo_count(), steps);
    EXPECT_EQ(hub.lab()->modified, 1);

    frame_globals::confdel = 0;
    hub.command(cmd::remove); // no question when the option is off
    frame_globals::confdel = 1;
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(hub.lab()->qty, 0);
    EXPECT_EQ(hub.undo_count(), steps + 1);
    EXPECT_EQ(canvas.extents, 1);
    hub.undo();
    EXPECT_EQ(hub.lab()->qty, 3);
}

TEST_F(Hub, DeletingOneNeverAsksAndTellsTheViews)
{
    select(1);
    log.entries.clear();
    hub.command(cmd::remove);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(order(), u"AC");
    EXPECT_EQ(log.entries, (std::vector<std::string>{"props:1025", "list:1025", "canvas:1025",
                                                     "canvas:1072", "props:1072", "list:1072"}));
    select(0);
    select(1);
    hub.command(cmd::cut); // cut never asks
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(hub.lab()->qty, 0);
    EXPECT_FALSE(element_clipboard::is_empty());
}

TEST_F(Hub, PasteStacksCopiesOnTheOriginSelected)
{
    select(1);
    select(2);
    hub.command(cmd::copy);
    int steps = hub.undo_count();
    hub.command(cmd::paste);
    // One step, the deselection of what was selected included.
    EXPECT_EQ(hub.undo_count(), steps + 1);
    ASSERT_EQ(hub.lab()->qty, 5);
    EXPECT_EQ(order(), u"BCABC");
    EXPECT_EQ(hub.lab()->es[0]->x, 0);
    EXPECT_EQ(hub.lab()->es[0]->y, 0);
    EXPECT_EQ(hub.lab()->es[1]->x, 10);
    EXPECT_EQ(hub.lab()->es[1]->y, 20);
    EXPECT_EQ(hub.lab()->es[0]->state, ELE_SELECTED);
    EXPECT_EQ(hub.lab()->es[1]->state, ELE_LEAD); // the first pasted
    EXPECT_EQ(hub.lab()->sel, 2);
    hub.command(cmd::paste);
    EXPECT_EQ(order(), u"BCBCABC");
    EXPECT_EQ(hub.lab()->es[0]->x, 0);
    EXPECT_EQ(hub.lab()->es[2]->x, 0);
    EXPECT_EQ(hub.lab()->sel, 2);
}

TEST_F(Hub, ClipboardCrossesFramesAndClampsIntoTheOtherLabel)
{
    hub.lab()->es[2]->x = 300;
    hub.lab()->es[2]->y = 400;
    select(0);
    select(2);
    hub.command(cmd::copy);

    view_log log2;
    fake_shell shell2;
    fake_store store2;
    fake_view p2("props", log2), l2("list", log2);
    fake_canvas c2(log2);
    label_ptr small = ele__label_new(100, 50);
    frame_hub other(shell2, store2, std::move(small));
    other.attach(&p2, &l2, &c2, nullptr);
    c2.hub = &other;
    other.command(cmd::paste);
    ASSERT_EQ(other.lab()->qty, 2);
    EXPECT_EQ(other.lab()->es[0]->x, 0);
    EXPECT_EQ(other.lab()->es[0]->y, 0);
    EXPECT_EQ(other.lab()->es[1]->x, 100); // 300 - 10, clamped
    EXPECT_EQ(other.lab()->es[1]->y, 50);
}

TEST_F(Hub, CommandsThatMayChangeNothing)
{
    int steps = hub.undo_count();
    hub.command(cmd::paste); // empty clipboard
    EXPECT_EQ(hub.undo_count(), steps);
    select(0);
    select(1);
    select(2);
    steps = hub.undo_count();
    hub.command(cmd::select_all); // everything selected already
    EXPECT_EQ(hub.undo_count(), steps);
    hub.command(cmd::enable); // all enabled already: a step all the same
    EXPECT_EQ(hub.undo_count(), steps + 1);
    hub.command(cmd::rotate_0);
    EXPECT_EQ(hub.undo_count(), steps + 2);
    hub.command(cmd::disable);
    EXPECT_EQ(hub.lab()->es[1]->disabled, 1);
    hub.command(cmd::rotate_90);
    EXPECT_EQ(hub.lab()->es[2]->angle, 90);
    EXPECT_EQ(hub.undo_count(), steps + 4);
}

TEST_F(Hub, SelectAllSelectsTheRestInOrder)
{
    select(1);
    int steps = hub.undo_count();
    hub.command(cmd::select_all);
    EXPECT_EQ(hub.undo_count(), steps + 1);
    EXPECT_EQ(hub.lab()->sel, 3);
    EXPECT_EQ(hub.lab()->es[1]->state, ELE_LEAD);
}

TEST_F(Hub, LayerCommandsStepOnlyWhenTheyMove)
{
    hub.command(cmd::raise);
    EXPECT_EQ(hub.undo_count(), 0);
    select(2);
    int steps = hub.undo_count();
    hub.command(cmd::raise_to_top);
    EXPECT_EQ(order(), u"CAB");
    EXPECT_EQ(hub.undo_count(), steps + 1);
    EXPECT_EQ(canvas.relayouts, 1);
    EXPECT_EQ(props.relayouts, 1);
    hub.command(cmd::raise);
    EXPECT_EQ(hub.undo_count(), steps + 1);
    hub.command(cmd::lower);
    EXPECT_EQ(order(), u"ACB");
}

TEST_F(Hub, CreatingElements)
{
    select(0);
    // The anchor last chosen for any element is the new element's.
    frame_notify q;
    q.sender = &props;
    q.code = fn::quadrant;
    q.e1 = 1;
    q.quadrant = 4;
    hub.notify(q);
    EXPECT_EQ(hub.new_quadrant(), 4);
    int steps = hub.undo_count();
    frame_notify req;
    req.sender = &canvas;
    req.code = fn::element_list;
    req.action = 1;
    req.kind = ELE_TEXT;
    req.x = 15;
    req.y = 25;
    hub.notify(req);
    element *e = hub.lab()->es[0];
    EXPECT_EQ(e->desc, u"Новый элемент");
    EXPECT_DOUBLE_EQ(e->width, 43.43);
    EXPECT_DOUBLE_EQ(e->height, 43.43);
    EXPECT_EQ(e->x, 15);
    EXPECT_EQ(e->quadrant, 4);
    EXPECT_EQ(e->state, ELE_LEAD);
    EXPECT_EQ(hub.lab()->sel, 1);
    EXPECT_EQ(props.focus, 1);
    EXPECT_EQ(canvas.normal, 1);
    EXPECT_EQ(hub.undo_count(), steps + 1); // the deselection is part of the creation

    // A picture asks for its file; a cancel creates nothing.
    scripted_file_choice files;
    scoped_seam<file_choice_service> use(&files);
    req.kind = ELE_PICTURE;
    steps = hub.undo_count();
    hub.notify(req);
    EXPECT_EQ(hub.lab()->qty, 4);
    EXPECT_EQ(hub.undo_count(), steps);
    EXPECT_EQ(canvas.normal, 2);
}

TEST_F(Hub, DiscardingTheNewestSnapshotKeepsTheMark)
{
    send(&props, fn::description, 0);
    hub.record_snapshot(); // as the label properties dialog does
    EXPECT_EQ(hub.undo_count(), 2);
    hub.discard_newest(); // the dialog was cancelled
    EXPECT_EQ(hub.undo_count(), 1);
    EXPECT_EQ(hub.lab()->modified, 1);
}

TEST_F(Hub, LabelPropertiesAreAppliedByTheHubAsOneStep)
{
    // Cancelled: the history as it was, the label marked modified.
    hub.label_properties([](const label &) { return std::optional<label_options>(); });
    EXPECT_EQ(hub.undo_count(), 0);
    EXPECT_EQ(hub.lab()->modified, 1);
    // The dialog sees the label as it is and changes nothing itself.
    double seen = 0;
    label_options o;
    o.width = 25;
    o.height = 45;
    o.bgcolor = 0xFF123456;
    o.name = u"Новое имя";
    o.desc = u"Описание";
    hub.label_properties([&](const label &l) {
        seen = l.width;
        return std::optional<label_options>(o);
    });
    EXPECT_EQ(seen, 300);
    EXPECT_EQ(hub.undo_count(), 1);
    const label *l = hub.lab();
    EXPECT_EQ(l->width, 25);
    EXPECT_EQ(l->bgcolor, 0x123456u); // only the colour bits
    EXPECT_EQ(l->name, u"Новое имя");
    EXPECT_EQ(l->desc, u"Описание");
    // Anchors outside the smaller label are moved onto its edges.
    EXPECT_EQ(l->es[2]->x, 25);
    EXPECT_EQ(l->es[2]->y, 45);
    EXPECT_EQ(l->es[0]->x, 10);
    // The views get the label again; undo brings the old one back.
    EXPECT_EQ(canvas.lab, l);
    hub.undo();
    EXPECT_EQ(hub.lab()->width, 300);
    EXPECT_EQ(hub.lab()->es[2]->x, 30);
    // New labels follow: the undone size is not what Ctrl+N opens, the
    // redone one is; an undo of something else leaves the defaults alone.
    EXPECT_EQ(settings::get(settings::label_width), 300);
    hub.redo();
    EXPECT_EQ(settings::get(settings::label_width), 25);
    EXPECT_EQ(settings::get(settings::label_color), 0x123456);
    settings::set(settings::label_width, 77.0);
    send(&props, fn::description, 0);
    hub.undo();
    EXPECT_EQ(settings::get(settings::label_width), 77);
}

TEST_F(Hub, APictureGivenOneSideKeepsItsProportionsThroughTheOther)
{
    element *p = hub.lab()->es[1];
    p->type = ELE_PICTURE;
    const std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 30 10\n";
    p->picture.data = eps__load_mem(eps.data(), eps.size());
    ele__update_ratio(p);
    p->width = 30;
    p->height = -10; // automatic
    send(&props, fn::width, 1, 60);
    EXPECT_DOUBLE_EQ(p->height, -20);
    EXPECT_EQ(hub.undo_count(), 1); // one step for both
    // The panel that sent the width hears of the height.
    EXPECT_EQ(props.codes.back(), fn::height);
    // Making a side automatic or sizing the automatic one changes nothing else.
    send(&props, fn::height, 1, 15);
    EXPECT_DOUBLE_EQ(p->width, 60);
    p->width = -45;
    send(&canvas, fn::height, 1, 5);
    EXPECT_DOUBLE_EQ(p->width, -15);
    // A text has no proportions to keep.
    element *t = hub.lab()->es[0];
    t->height = -12;
    send(&canvas, fn::width, 0, 80);
    EXPECT_DOUBLE_EQ(t->height, -12);
}

#include <filesystem>
#include <fstream>

#include "hub/opensave.h"
#include "support/temp_dir.h"

TEST(HubWithFiles, SaveAndOpenRunEndToEndThroughLblFiles)
{
    temp_dir dir;
    scripted_open_save dialogs;
    open_save_service *prev = seam<open_save_service>::set(&dialogs);
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes(&boxes);
    fake_shell shell;
    osd_store store;
    frame_hub hub(shell, store, three_texts());

    // The file tab confirms box.lbl (the dialog has added the extension).
    osd_res chosen;
    chosen.name = chosen.buf = u16(dir / "box.lbl");
    chosen.file_ofs = static_cast<int>(u16(dir.path()).size() + 1);
    dialogs.results.push_back(chosen);
    hub.command(cmd::save_as);
    ASSERT_TRUE(std::filesystem::exists(dir / "box.lbl"));
    EXPECT_EQ(hub.lab()->name, u"box.lbl");
    EXPECT_EQ(*hub.lab()->store.place, u16(dir / "box.lbl"));
    EXPECT_EQ(shell.title, u"box.lbl - Vellumo");
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_FALSE(dialogs.asked[0].open);
    EXPECT_FALSE(dialogs.asked[0].network_only);

    // A second save goes straight to the same file.
    view_log log;
    fake_view someone("someone", log);
    frame_notify n;
    n.sender = &someone; // any view but the frame
    n.code = fn::x;
    n.value = 77;
    hub.notify(n);
    hub.command(cmd::save);
    EXPECT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(hub.lab()->modified, 0);

    // Open it in another frame.
    fake_shell shell2;
    frame_hub other(shell2, store, frame_new_label());
    dialogs.results.push_back(chosen);
    other.command(cmd::open);
    ASSERT_EQ(other.lab()->qty, 3);
    EXPECT_TRUE(dialogs.asked.back().open);
    EXPECT_EQ(other.lab()->es[0]->x, 77);
    EXPECT_EQ(*other.lab()->store.place, u16(dir / "box.lbl"));
    EXPECT_EQ(other.lab()->store.local, 1);
    EXPECT_EQ(shell2.title, u"box.lbl - Vellumo");
    // A cancelled dialog opens nothing.
    dialogs.results.push_back(std::nullopt);
    other.command(cmd::open);
    EXPECT_EQ(other.undo_count(), 1);
    EXPECT_TRUE(boxes.shown.empty());
    seam<open_save_service>::set(prev);
}

TEST_F(Hub, CommandsRunOnlyWhenTheMenuWouldOfferThem)
{
    // Nothing selected: the selection commands change nothing and record
    // nothing, whoever calls them.
    for (int id : {cmd::enable, cmd::disable, cmd::rotate_90, cmd::remove, cmd::cut, cmd::copy,
                   cmd::raise, cmd::lower})
        hub.command(id);
    EXPECT_EQ(hub.undo_count(), 0);
    EXPECT_EQ(hub.lab()->modified, 0);
    // An unmodified label is not saved.
    hub.command(cmd::save);
    EXPECT_EQ(store.saves, 0);
    // Every rule agrees with what the shell was told.
    select(0);
    for (int id : cmd::need_one_selected)
        EXPECT_EQ(hub.command_enabled(id), shell.enabled[id]) << id;
    for (int id : cmd::need_two_selected)
        EXPECT_FALSE(hub.command_enabled(id)) << id;
    hub.command(cmd::rotate_90);
    EXPECT_EQ(hub.lab()->es[0]->angle, 90);
    hub.command(cmd::save);
    EXPECT_EQ(store.saves, 1);
    // Preview mode greys the 51 commands; leaving it brings them back.
    hub.set_preview_mode(true);
    for (int id : cmd::greyed_in_preview)
        EXPECT_FALSE(shell.enabled.count(id) && shell.enabled[id]) << id;
    EXPECT_TRUE(hub.command_enabled(cmd::save_as));
    EXPECT_TRUE(hub.command_enabled(cmd::open));
    hub.set_preview_mode(false);
    EXPECT_TRUE(shell.enabled[cmd::rotate_0]);
    EXPECT_FALSE(shell.enabled[cmd::align_left]);
}

TEST_F(Hub, FailedSaveLeavesNameAndPlaceAsTheyWere)
{
    // A store that names the label and sets its place, then fails to write,
    // as a save dialog followed by a full disk does.
    struct failing_store : document_store {
        bool save(label *lab, bool, bool) override
        {
            lab->name = u"new.lbl";
            lab->store.place = u"/nowhere/new.lbl";
            lab->store.local = 1;
            ++saves;
            return false;
        }
        label_ptr open() override { return nullptr; }
        int saves = 0;
    } failing;
    label_ptr lab = three_texts(u"server label");
    lab->store.place = u"http://srv/RPC2";
    lab->store.local = 0;
    frame_hub h(shell, failing, std::move(lab));
    h.attach(&props, &list, &canvas, &preview);
    frame_notify n;
    n.sender = &props;
    n.code = fn::x;
    n.e1 = 0;
    n.value = 50;
    h.notify(n);
    EXPECT_EQ(shell.title, u"server label* - Vellumo");
    h.command(cmd::save_as);
    EXPECT_EQ(failing.saves, 1);
    EXPECT_EQ(h.lab()->name, u"server label");
    EXPECT_EQ(*h.lab()->store.place, u"http://srv/RPC2");
    EXPECT_EQ(h.lab()->store.local, 0);
    EXPECT_EQ(h.lab()->modified, 1);
    EXPECT_EQ(shell.title, u"server label* - Vellumo");
}

TEST_F(Hub, ViewsMayLookAtTheOldLabelWhileSwitching)
{
    // A view that reads its old label when told about the new one (as a
    // list dropping its rows does); run under ASan this reads freed memory
    // unless the old label outlives the switch.
    struct reading_view : fake_view {
        using fake_view::fake_view;
        void set_label(label *l) override
        {
            if (lab)
                seen_qty += lab->qty + static_cast<int>(lab->name.size());
            fake_view::set_label(l);
        }
        int seen_qty = 0;
    };
    view_log vlog;
    reading_view reader("reader", vlog);
    reader.lab = hub.lab();
    hub.attach(&props, &reader, &canvas, &preview);
    send(&props, fn::description, 0);
    hub.undo();
    EXPECT_EQ(reader.seen_qty, 3 + 1);
    label_ptr other = three_texts(u"other");
    store.to_open.push_back(std::move(other));
    hub.open();
    EXPECT_EQ(reader.seen_qty, 2 * (3 + 1));
    EXPECT_EQ(reader.lab, hub.lab());
}

namespace {

// A widget-like view: another base first, the view second, so the view's
// address differs from the object's.
struct widget_base {
    virtual ~widget_base() = default;
    char payload[40] = {};
};
struct two_base_view : widget_base, fake_view {
    using fake_view::fake_view;
    two_base_view(const char *name, view_log &log) : fake_view(name, log) {}
};

} // namespace

TEST_F(Hub, AViewWithTwoBasesNeverGetsItsOwnNotificationBack)
{
    view_log vlog;
    two_base_view w("widget", vlog);
    hub.attach(&props, &w, &canvas, &preview);
    frame_notify n;
    n.sender = &w; // as a widget sends it: from the most derived object
    n.code = fn::description;
    n.e1 = 0;
    n.text = u"typed";
    hub.notify(n);
    EXPECT_EQ(hub.lab()->es[0]->desc, u"typed");
    EXPECT_TRUE(w.codes.empty());
    EXPECT_EQ(props.codes.back(), fn::description);
    EXPECT_EQ(canvas.codes.back(), fn::description);
}

TEST(NewLabel, HandEditedSettingsNeverGiveAnUnusableLabel)
{
    temp_dir dir;
    const char *old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    std::filesystem::create_directories(dir / "ZELTA");
    auto write = [&](const std::string &w, const std::string &h, const std::string &c) {
        std::ofstream(dir / "ZELTA" / "ORMIK.reg")
            << "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\ZELTA\\ORMIK]\n"
            << "\"label-width\"=hex:" << w << "\n\"label-height\"=hex:" << h
            << "\n\"label-color\"=dword:" << c << "\n";
    };
    // NaN and -inf.
    write("00,00,00,00,00,00,f8,7f", "00,00,00,00,00,00,f0,ff", "ff00ff00");
    label_ptr a = frame_new_label();
    EXPECT_EQ(a->width, 300);
    EXPECT_EQ(a->height, 400);
    EXPECT_EQ(a->bgcolor, 0x0000FF00u);
    // Zero and a negative size.
    write("00,00,00,00,00,00,00,00", "00,00,00,00,00,00,59,c0", "00123456");
    label_ptr b = frame_new_label();
    EXPECT_EQ(b->width, 300);
    EXPECT_EQ(b->height, 400);
    EXPECT_EQ(b->bgcolor, 0x00123456u);
    // Good values are kept: 210 x 297.
    write("00,00,00,00,00,40,6a,40", "00,00,00,00,00,90,72,40", "00000000");
    label_ptr c = frame_new_label();
    EXPECT_EQ(c->width, 210);
    EXPECT_EQ(c->height, 297);
    EXPECT_EQ(c->bgcolor, 0u);
    if (old)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

TEST_F(Hub, RedoBringsBackWhatUndoTookWithTheSelectionAndTheMark)
{
    EXPECT_FALSE(shell.enabled[cmd::redo]);
    select(2);
    send(&props, fn::x, 2, 123);
    send(&props, fn::description, 2);
    const label *before = hub.lab();
    (void)before;
    hub.command(cmd::undo);
    EXPECT_TRUE(shell.enabled[cmd::redo]);
    EXPECT_EQ(hub.redo_count(), 1);
    hub.command(cmd::undo);
    EXPECT_EQ(hub.lab()->es[2]->x, 30);
    hub.command(cmd::redo);
    EXPECT_EQ(hub.lab()->es[2]->x, 123);
    EXPECT_EQ(hub.lab()->es[2]->desc, u"C"); // the later change is still to redo
    EXPECT_EQ(hub.lab()->es[2]->state, ELE_LEAD);
    EXPECT_EQ(hub.lab()->sel, 1);
    EXPECT_EQ(hub.lab()->modified, 1);
    EXPECT_TRUE(shell.enabled[cmd::copy]); // the selection commands follow
    hub.command(cmd::redo);
    EXPECT_EQ(hub.lab()->es[2]->desc, u"");
    EXPECT_FALSE(shell.enabled[cmd::redo]);
    EXPECT_EQ(hub.undo_count(), 3);
    // The views got the label back, the canvas keeping its view.
    EXPECT_EQ(canvas.lab, hub.lab());
    EXPECT_EQ(props.lab, hub.lab());
    EXPECT_EQ(hub.last_change(), -1);
}

TEST_F(Hub, AnyNewChangeEmptiesTheRedoList)
{
    send(&props, fn::description, 0);
    send(&props, fn::description, 1);
    hub.undo();
    ASSERT_EQ(hub.redo_count(), 1);
    send(&canvas, fn::x, 0, 77); // a change of a coalescing group
    EXPECT_EQ(hub.redo_count(), 0);
    EXPECT_FALSE(shell.enabled[cmd::redo]);
    hub.undo();
    hub.undo();
    ASSERT_EQ(hub.redo_count(), 2);
    select(0); // a click
    EXPECT_EQ(hub.redo_count(), 0);
    send(&props, fn::description, 1);
    hub.undo();
    ASSERT_EQ(hub.redo_count(), 1);
    hub.command(cmd::select_all); // a command
    EXPECT_EQ(hub.redo_count(), 0);
    hub.undo();
    ASSERT_EQ(hub.redo_count(), 1);
    ASSERT_EQ(hub.lab()->es[0]->state, ELE_LEAD);
    EXPECT_TRUE(hub.nudge(1, 0)); // a key
    EXPECT_EQ(hub.redo_count(), 0);
}

TEST_F(Hub, RedoAfterASaveKnowsWhatIsStored)
{
    send(&props, fn::x, 0, 111);
    ASSERT_TRUE(hub.save());
    hub.undo();
    EXPECT_EQ(shell.title, u"saved.lbl* - Vellumo");
    hub.redo(); // exactly what was saved
    EXPECT_EQ(hub.lab()->es[0]->x, 111);
    EXPECT_EQ(hub.lab()->modified, 0);
    EXPECT_EQ(shell.title, u"saved.lbl - Vellumo");
    hub.undo();
    ASSERT_TRUE(hub.save()); // the older state is stored now
    hub.redo();
    EXPECT_EQ(hub.lab()->es[0]->x, 111);
    EXPECT_EQ(hub.lab()->modified, 1);
    EXPECT_EQ(hub.lab()->name, u"saved.lbl");
}

TEST_F(Hub, RedoWaitsLikeUndoInPreviewAndDuringADrag)
{
    send(&props, fn::description, 0);
    hub.undo();
    canvas.idle = false;
    EXPECT_FALSE(hub.may_run(cmd::redo));
    hub.command(cmd::redo);
    EXPECT_EQ(hub.redo_count(), 1);
    canvas.idle = true;
    hub.set_preview_mode(true);
    EXPECT_FALSE(shell.enabled[cmd::redo]);
    hub.command(cmd::redo);
    EXPECT_EQ(hub.redo_count(), 1);
    hub.set_preview_mode(false);
    EXPECT_TRUE(shell.enabled[cmd::redo]);
    hub.command(cmd::redo);
    EXPECT_EQ(hub.redo_count(), 0);
}

TEST_F(Hub, PastingSeveralIsOneUndoAndOneRedo)
{
    select(0);
    select(1);
    select(2);
    hub.command(cmd::copy);
    const int steps = hub.undo_count();
    hub.command(cmd::paste);
    EXPECT_EQ(hub.undo_count(), steps + 1);
    EXPECT_EQ(hub.lab()->qty, 6);
    hub.command(cmd::undo);
    EXPECT_EQ(hub.lab()->qty, 3);
    EXPECT_EQ(hub.lab()->sel, 3); // as it was before the paste
    hub.command(cmd::redo);
    EXPECT_EQ(hub.lab()->qty, 6);
    EXPECT_EQ(hub.lab()->sel, 3);
    EXPECT_EQ(hub.lab()->es[0]->state, ELE_SELECTED);
    EXPECT_EQ(hub.lab()->es[3]->state, ELE_UNSELECTED);
}

TEST_F(Hub, ACancelledDragPutsTheElementsBackAndLeavesNoStep)
{
    send(&props, fn::description, 0);
    hub.undo();
    ASSERT_EQ(hub.redo_count(), 1);
    select(0);
    select(1);
    const int steps = hub.undo_count();
    hub.begin_gesture();
    for (int i = 1; i <= 5; ++i) {
        send(&canvas, fn::x, 0, 10 + i);
        send(&canvas, fn::x, 1, 20 + i);
        send(&canvas, fn::width, 0, 10 + i);
        send(&canvas, fn::angle, 1, 5.0 * i);
    }
    // Whatever it changed, a drag is one step.
    EXPECT_EQ(hub.undo_count(), steps + 1);
    canvas.codes.clear();
    hub.cancel_gesture();
    // Back where they were; the canvas heard each change.
    EXPECT_EQ(hub.lab()->es[0]->x, 10);
    EXPECT_EQ(hub.lab()->es[1]->x, 20);
    EXPECT_EQ(hub.lab()->es[0]->width, 10);
    EXPECT_EQ(hub.lab()->es[1]->angle, 0);
    EXPECT_EQ(canvas.codes, (std::vector<int>{fn::x, fn::width, fn::x, fn::angle}));
    EXPECT_EQ(hub.undo_count(), steps);
    EXPECT_EQ(hub.redo_count(), 0); // the clicks before emptied it, not the drag
    // An ended drag is a step like any other.
    hub.begin_gesture();
    send(&canvas, fn::angle, 0, 15);
    send(&canvas, fn::height, 0, 15);
    hub.end_gesture();
    EXPECT_EQ(hub.undo_count(), steps + 1);
    hub.cancel_gesture(); // too late: nothing happens
    EXPECT_EQ(hub.lab()->es[0]->angle, 15);
    send(&props, fn::height, 0, 16); // the panel right after joins its group
    EXPECT_EQ(hub.undo_count(), steps + 1);
    send(&props, fn::width, 0, 16);
    EXPECT_EQ(hub.undo_count(), steps + 1);
    send(&props, fn::angle, 0, 16);
    EXPECT_EQ(hub.undo_count(), steps + 2);
}

TEST_F(Hub, ACancelledMoveForgetsItsStepTheMarkAndKeepsRedo)
{
    send(&props, fn::description, 0);
    hub.undo();
    ASSERT_EQ(hub.redo_count(), 1);
    ASSERT_EQ(hub.lab()->modified, 0);
    hub.begin_gesture();
    send(&canvas, fn::x, 0, 50);
    send(&canvas, fn::y, 0, 60);
    EXPECT_EQ(hub.redo_count(), 0);
    EXPECT_EQ(hub.lab()->modified, 1);
    hub.cancel_gesture();
    EXPECT_EQ(hub.lab()->es[0]->x, 10);
    EXPECT_EQ(hub.lab()->es[0]->y, 20);
    EXPECT_EQ(hub.undo_count(), 0);
    EXPECT_EQ(hub.redo_count(), 1);
    EXPECT_EQ(hub.lab()->modified, 0);
    EXPECT_FALSE(shell.enabled[cmd::undo]);
    EXPECT_TRUE(shell.enabled[cmd::redo]);
    // A drag that changed nothing leaves nothing to take back.
    hub.begin_gesture();
    hub.cancel_gesture();
    EXPECT_EQ(hub.redo_count(), 1);
    // Nor does a cancel after the history was full drop its oldest step.
    for (int i = 0; i < FRAME_UNDO_DEPTH; ++i)
        send(&props, fn::description, 0);
    const std::u16string oldest = hub.snapshot(0).es[0]->desc;
    hub.begin_gesture();
    send(&canvas, fn::x, 0, 33);
    hub.cancel_gesture();
    EXPECT_EQ(hub.undo_count(), FRAME_UNDO_DEPTH);
    EXPECT_EQ(hub.snapshot(0).es[0]->desc, oldest);
}

TEST_F(Hub, KeyboardMovesAreOneStepPerRunAndStayOnTheLabel)
{
    EXPECT_FALSE(hub.nudge(1, 0)); // nothing selected
    EXPECT_EQ(hub.undo_count(), 0);
    select(0);
    select(1);
    const int steps = hub.undo_count();
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(hub.nudge(1, 0));
    EXPECT_TRUE(hub.nudge(0, -10));
    EXPECT_EQ(hub.undo_count(), steps + 1);
    EXPECT_EQ(hub.lab()->es[0]->x, 15);
    EXPECT_EQ(hub.lab()->es[1]->x, 25);
    EXPECT_EQ(hub.lab()->es[0]->y, 10);
    EXPECT_EQ(hub.lab()->es[2]->x, 30); // not selected
    // The selection stops as a whole where its first anchor meets the edge.
    EXPECT_TRUE(hub.nudge(-40, 0));
    EXPECT_EQ(hub.lab()->es[0]->x, 0);
    EXPECT_EQ(hub.lab()->es[1]->x, 10);
    EXPECT_TRUE(hub.nudge(0, -40));
    EXPECT_EQ(hub.lab()->es[0]->y, 0);
    EXPECT_EQ(hub.lab()->es[1]->y, 20);
    EXPECT_FALSE(hub.nudge(-1, -1)); // against both edges: nothing
    EXPECT_TRUE(hub.nudge(1000, 1000));
    EXPECT_EQ(hub.lab()->es[1]->x, 300);
    EXPECT_EQ(hub.lab()->es[1]->y, 400);
    EXPECT_EQ(hub.lab()->es[0]->x, 290);
    EXPECT_EQ(hub.undo_count(), steps + 1);
    // Anything else between two runs ends the first.
    send(&props, fn::description, 2);
    EXPECT_TRUE(hub.nudge(-1, 0));
    EXPECT_TRUE(hub.nudge(-1, 0));
    EXPECT_EQ(hub.undo_count(), steps + 3);
    hub.undo();
    EXPECT_EQ(hub.lab()->es[0]->x, 290);
    hub.undo();
    hub.undo();
    EXPECT_EQ(hub.lab()->es[0]->x, 10);
    EXPECT_EQ(hub.lab()->es[1]->y, 40);
    // An anchor already off the label is never pulled further away.
    hub.lab()->es[0]->x = -5;
    EXPECT_TRUE(hub.nudge(2, 0));
    EXPECT_EQ(hub.lab()->es[0]->x, 0); // clamped onto the label as it moves
    EXPECT_FALSE(hub.nudge(-2, 0));
    // Not in preview mode, not while the canvas drags.
    hub.set_preview_mode(true);
    EXPECT_FALSE(hub.nudge(1, 0));
    hub.set_preview_mode(false);
    canvas.idle = false;
    EXPECT_FALSE(hub.nudge(1, 0));
}

TEST_F(Hub, ACancelledLabelPropertiesDialogLeavesAFullHistoryAndRedoAsTheyWere)
{
    for (int i = 0; i < FRAME_UNDO_DEPTH; ++i)
        send(&props, fn::x, 0, i % 2 ? 5 : 6), send(&props, fn::description, 0);
    hub.undo();
    const int steps = hub.undo_count();
    const label_snapshot *oldest = &hub.snapshot(0);
    const std::u16string oldest_desc = oldest->es[0]->desc;
    const double oldest_x = oldest->es[0]->x;
    hub.label_properties([](const label &) { return std::optional<label_options>(); });
    EXPECT_EQ(hub.undo_count(), steps);
    EXPECT_EQ(hub.redo_count(), 1);
    EXPECT_EQ(hub.snapshot(0).es[0]->desc, oldest_desc);
    EXPECT_EQ(hub.snapshot(0).es[0]->x, oldest_x);
    // Full, with nothing to redo.
    hub.redo();
    ASSERT_EQ(hub.undo_count(), FRAME_UNDO_DEPTH);
    const double first_x = hub.snapshot(0).es[0]->x;
    hub.label_properties([](const label &) { return std::optional<label_options>(); });
    EXPECT_EQ(hub.undo_count(), FRAME_UNDO_DEPTH);
    EXPECT_EQ(hub.snapshot(0).es[0]->x, first_x);
}

TEST_F(Hub, OpenWithAsksFirstAndCanBeUndone)
{
    send(&props, fn::description, 0);
    boxes.answers.push_back(mb_answer::cancel);
    int loads = 0;
    EXPECT_FALSE(hub.open_with([&] {
        ++loads;
        return three_texts(u"other");
    }));
    EXPECT_EQ(loads, 0); // cancelled before anything was read
    boxes.answers.push_back(mb_answer::no);
    EXPECT_FALSE(hub.open_with([&] {
        ++loads;
        return label_ptr();
    })); // a load that failed changes nothing
    EXPECT_EQ(hub.lab()->name, u"L");
    boxes.answers.push_back(mb_answer::no);
    EXPECT_TRUE(hub.open_with([&] { return three_texts(u"other"); }));
    EXPECT_EQ(hub.lab()->name, u"other");
    EXPECT_EQ(canvas.lab, hub.lab());
    hub.undo();
    EXPECT_EQ(hub.lab()->name, u"L");
}

TEST_F(Hub, AFrameStartedWithALabelHasNothingToUndo)
{
    label_ptr l = three_texts(u"started");
    l->store.place = u"/x/started.lbl";
    l->store.local = 1;
    hub.start_with(std::move(l));
    EXPECT_EQ(hub.undo_count(), 0);
    EXPECT_EQ(shell.title, u"started - Vellumo");
    EXPECT_EQ(props.lab, hub.lab());
    EXPECT_FALSE(shell.enabled[cmd::undo]);
}

TEST_F(Hub, ALabelRenamedOnItsServerIsRenamedInEveryFrameThatHoldsIt)
{
    auto on_server = [](const char16_t *name, const char16_t *server) {
        label_ptr l = three_texts(name);
        l->store.place = server;
        l->store.local = 0;
        return l;
    };
    hub.start_with(on_server(u"Прайс", u"http://a/RPC2"));
    send(&props, fn::description, 0);
    fake_shell other_shell, third_shell;
    frame_hub other(other_shell, store, on_server(u"Прайс", u"http://b/RPC2"));
    label_ptr file = three_texts(u"Прайс");
    file->store.place = u"/labels/Прайс";
    file->store.local = 1;
    frame_hub third(third_shell, store, std::move(file));

    frame_hub::renamed_on_server(u"http://a/RPC2", u"Прайс", u"Прайс-2025");
    EXPECT_EQ(hub.lab()->name, u"Прайс-2025");
    EXPECT_EQ(shell.title, u"Прайс-2025* - Vellumo");
    EXPECT_EQ(other.lab()->name, u"Прайс"); // another server
    EXPECT_EQ(third.lab()->name, u"Прайс"); // a file
    // The history follows, so undoing does not bring the old name back and
    // a save goes to the new one.
    hub.undo();
    EXPECT_EQ(hub.lab()->name, u"Прайс-2025");
    frame_hub::renamed_on_server(u"http://a/RPC2", u"Нет такой", u"Другая");
    EXPECT_EQ(hub.lab()->name, u"Прайс-2025");
}

TEST_F(Hub, APictureTooLargeForTheLabelIsRefusedAndPicturesKeepTheirOwnFolder)
{
    // A 200 MB EPS could be drawn but never saved or sent: refused before
    // it is read, naming the file and the limit.  A picture that fits comes
    // in, and the next picture dialog opens in its folder, which the label
    // dialogs do not share.
    temp_dir dir;
    const std::filesystem::path big = dir / "huge.eps", small = dir / "logo.eps";
    std::ofstream(big) << "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n";
    std::filesystem::resize_file(big, 200u << 20);
    std::ofstream(small) << "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n0 0 10 10 rectfill\n";
    scripted_file_choice files;
    scoped_seam<file_choice_service> use(&files);
    files.results.push_back({file_choice_result::status::chosen, u16(big), 0});
    files.results.push_back({file_choice_result::status::chosen, u16(small), 0});
    frame_notify req;
    req.sender = &canvas;
    req.code = fn::element_list;
    req.action = 1;
    req.kind = ELE_PICTURE;
    const int qty = hub.lab()->qty;
    hub.notify(req);
    EXPECT_EQ(hub.lab()->qty, qty);
    ASSERT_FALSE(boxes.shown.empty());
    const std::u16string said = boxes.shown.back().text;
    EXPECT_NE(said.find(u"«" + u16(big) + u"» не вставлено: в нём 200,0 МиБ"), std::u16string::npos)
        << plt__to_utf8(said);
    EXPECT_NE(said.find(u"больше 128 МиБ"), std::u16string::npos) << plt__to_utf8(said);
    EXPECT_TRUE(files.asked[0].folder.empty());
    hub.notify(req);
    EXPECT_EQ(hub.lab()->qty, qty + 1);
    ASSERT_EQ(files.asked.size(), 2u);
    EXPECT_EQ(files.asked[1].folder, u16(dir.path()));
    EXPECT_EQ(settings::get(settings::picture_folder).value_or(u""), u16(dir.path()));
    EXPECT_FALSE(settings::get(settings::last_folder).has_value());
}
