// The undo history keeps what each step changed and shares the rest.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "hub/history.h"

namespace {

lg_epsi_ptr picture(int w, int h, std::size_t pad = 0)
{
    std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 " + std::to_string(w) + " " +
                      std::to_string(h) + "\n";
    eps.append(pad, 'p');
    return eps__load_mem(eps.data(), eps.size());
}

// A picture, then texts A, B, C...
label_ptr sample(int texts)
{
    label_ptr lab = ele__label_new(300, 200);
    lab->name = u"Этикетка";
    element *p = ele__add(lab.get(), 0);
    p->type = ELE_PICTURE;
    p->picture.data = picture(20, 10, 100000);
    ele__update_ratio(p);
    for (int i = 0; i < texts; ++i) {
        element *t = ele__add(lab.get(), i + 1);
        t->type = ELE_TEXT;
        t->desc = std::u16string(1, static_cast<char16_t>(u'A' + i));
        t->text.text = u"Текст";
        t->x = 10.0 * i;
    }
    return lab;
}

} // namespace

TEST(History, UnchangedPicturesAndElementsAreHeldOnce)
{
    label_ptr lab = sample(3);
    undo_history h(20);
    for (int step = 0; step < 20; ++step) {
        h.record(*lab);
        lab->es[1 + step % 3]->x += 1; // every step moves one text
    }
    ASSERT_EQ(h.count(), 20);
    // One picture for the label and all twenty snapshots.
    const lg_epsi *pic = lab->es[0]->picture.data.get();
    for (int k = 0; k < 20; ++k)
        EXPECT_EQ(h.at(k).es[0]->picture.data.get(), pic);
    EXPECT_EQ(lab->es[0]->picture.data.use_count(), 2); // the label, and one shared element
    // The picture element itself is one object throughout; a text is copied
    // only in the steps after it moved.
    for (int k = 1; k < 20; ++k)
        EXPECT_EQ(h.at(k).es[0].get(), h.at(0).es[0].get());
    EXPECT_NE(h.at(1).es[1].get(), h.at(0).es[1].get()); // moved in the first step
    EXPECT_EQ(h.at(1).es[2].get(), h.at(0).es[2].get()); // still as it was
    EXPECT_NE(h.at(2).es[2].get(), h.at(1).es[2].get());
}

TEST(History, GoingBackGivesTheLabelAsItWasWithAllItsFields)
{
    label_ptr lab = sample(2);
    lab->es[1]->x = -0.0; // told apart from 0
    lab->es[1]->state = ELE_LEAD;
    lab->sel = 1;
    lab->bgcolor = 0x123456;
    lab->modified = 0;
    undo_history h(20);
    h.record(*lab);
    lab->es[1]->x = 0.0;
    lab->es[1]->text.stored_justification = u"stretch";
    lab->es[2]->barcode.stored_type = u"QR";
    lab->es[2]->bounds[3] = 7;
    h.record(*lab);
    lab->es[2]->desc = u"Новое";
    lab->name = u"Другая";
    label_ptr back = h.take_newest();
    EXPECT_EQ(h.count(), 1);
    EXPECT_EQ(back->qty, 3);
    EXPECT_EQ(back->name, u"Этикетка");
    EXPECT_EQ(back->es[2]->desc, u"B");
    EXPECT_EQ(*back->es[1]->text.stored_justification, u"stretch");
    EXPECT_EQ(*back->es[2]->barcode.stored_type, u"QR");
    EXPECT_EQ(back->es[2]->bounds[3], 7);
    EXPECT_FALSE(std::signbit(back->es[1]->x));
    back = h.take_newest();
    EXPECT_TRUE(std::signbit(back->es[1]->x));
    EXPECT_EQ(back->es[1]->state, ELE_LEAD);
    EXPECT_EQ(back->sel, 1);
    EXPECT_EQ(back->bgcolor, 0x123456u);
    EXPECT_EQ(back->modified, 0);
    EXPECT_FALSE(back->es[1]->text.stored_justification);
    EXPECT_EQ(back->es[0]->picture.data.get(), lab->es[0]->picture.data.get());
    EXPECT_EQ(h.count(), 0);
}

TEST(History, ALabelTakenBackIsItsOwnAndTheRestStaysAsItWas)
{
    label_ptr lab = sample(2);
    undo_history h(20);
    h.record(*lab);
    h.record(*lab);
    label_ptr back = h.take_newest();
    // Changing what came back touches no snapshot.
    back->es[1]->desc = u"Изменено";
    back->es[1]->x = 99;
    back->es[0]->picture.data = picture(5, 5);
    ASSERT_EQ(h.count(), 1);
    EXPECT_EQ(h.at(0).es[1]->desc, u"A");
    EXPECT_EQ(h.at(0).es[1]->x, 0);
    EXPECT_EQ(h.at(0).es[0]->picture.data.get(), lab->es[0]->picture.data.get());
    // The next snapshot of it copies the changed element, shares the others.
    h.record(*back);
    EXPECT_NE(h.at(1).es[1].get(), h.at(0).es[1].get());
    EXPECT_EQ(h.at(1).es[2].get(), h.at(0).es[2].get());
}

TEST(History, ElementsAddedOrRemovedOnTopStillShareTheRest)
{
    label_ptr lab = sample(3);
    undo_history h(20);
    h.record(*lab);
    element *pasted = ele__add(lab.get(), 0);
    pasted->type = ELE_BORDER;
    h.record(*lab);
    ASSERT_EQ(h.at(1).es.size(), 5u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(h.at(1).es[static_cast<std::size_t>(i + 1)].get(), h.at(0).es[static_cast<std::size_t>(i)].get());
    ele__remove(lab.get(), 0);
    ele__remove(lab.get(), 0); // the picture goes too
    h.record(*lab);
    ASSERT_EQ(h.at(2).es.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(h.at(2).es[static_cast<std::size_t>(i)].get(), h.at(0).es[static_cast<std::size_t>(i + 1)].get());
    // A reordering shares nothing it cannot match, and is still right.
    std::swap(lab->es[0], lab->es[2]);
    h.record(*lab);
    label_ptr back = h.take_newest();
    EXPECT_EQ(back->es[0]->desc, u"C");
    EXPECT_EQ(back->es[2]->desc, u"A");
}

TEST(History, TheDepthDropsTheOldestAndASaveRenamesEverySnapshot)
{
    label_ptr lab = sample(1);
    undo_history h(3);
    for (int i = 0; i < 5; ++i) {
        lab->es[1]->x = i;
        h.record(*lab);
    }
    ASSERT_EQ(h.count(), 3);
    EXPECT_EQ(h.at(0).es[1]->x, 2);
    label_store place;
    place.local = 1;
    place.place = u"/tmp/x.lbl";
    h.stored_as(u"x.lbl", place);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(h.at(k).name, u"x.lbl");
        EXPECT_EQ(*h.at(k).store.place, u"/tmp/x.lbl");
        EXPECT_EQ(h.at(k).modified, 1);
    }
    h.discard_newest();
    EXPECT_EQ(h.take_newest()->es[1]->x, 3);
}

TEST(History, UndoAndRedoWalkBothWaysSharingWhatDidNotChange)
{
    label_ptr lab = sample(3);
    undo_history h(20);
    h.record(*lab);
    lab->es[1]->x = 5;
    h.record(*lab);
    lab->es[2]->x = 6;
    label_ptr back = h.undo(*lab); // x of A is 5, of B is 10 again
    EXPECT_EQ(back->es[1]->x, 5);
    EXPECT_EQ(back->es[2]->x, 10);
    ASSERT_EQ(h.redo_count(), 1);
    // The state to redo shares every element but the one that changed.
    EXPECT_NE(h.redo_at(0).es[2].get(), h.at(0).es[2].get());
    EXPECT_EQ(h.redo_at(0).es[3].get(), h.at(0).es[3].get());
    EXPECT_EQ(h.redo_at(0).es[0].get(), h.at(0).es[0].get());
    EXPECT_EQ(h.redo_at(0).es[0]->picture.data.get(), lab->es[0]->picture.data.get());
    label_ptr again = h.undo(*back);
    EXPECT_EQ(again->es[1]->x, 0);
    EXPECT_EQ(h.count(), 0);
    EXPECT_EQ(h.redo_count(), 2);
    label_ptr fwd = h.redo(*again);
    EXPECT_EQ(fwd->es[1]->x, 5);
    EXPECT_EQ(fwd->es[2]->x, 10);
    fwd = h.redo(*fwd);
    EXPECT_EQ(fwd->es[2]->x, 6);
    EXPECT_EQ(h.count(), 2);
    EXPECT_EQ(h.redo_count(), 0);
    // What came back is the label's own: changing it touches no snapshot.
    fwd->es[2]->x = 99;
    EXPECT_EQ(h.at(1).es[2]->x, 10);
}

TEST(History, ARecordTakenBackRestoresTheOldestItDroppedAndTheRedoItEmptied)
{
    label_ptr lab = sample(1);
    undo_history h(3);
    for (int i = 0; i < 4; ++i) {
        lab->es[1]->x = i;
        h.record(*lab);
    }
    lab->es[1]->x = 4;
    label_ptr cur = h.undo(*lab);
    ASSERT_EQ(h.count(), 2);
    h.record(*cur); // not full: nothing dropped, the redo emptied
    EXPECT_EQ(h.redo_count(), 0);
    h.discard_newest();
    EXPECT_EQ(h.redo_count(), 1);
    EXPECT_EQ(h.count(), 2);
    cur = h.redo(*cur);
    ASSERT_EQ(h.count(), 3);
    h.record(*cur); // full: the oldest goes, and comes back
    EXPECT_EQ(h.at(0).es[1]->x, 2);
    h.discard_newest();
    EXPECT_EQ(h.count(), 3);
    EXPECT_EQ(h.at(0).es[1]->x, 1);
    // Only the last record is taken back whole: a second discard just drops.
    h.discard_newest();
    EXPECT_EQ(h.count(), 2);
    EXPECT_EQ(h.at(0).es[1]->x, 1);
}

TEST(History, SavesAndRenamesReachTheSnapshotsToRedoToo)
{
    label_ptr lab = sample(1);
    lab->store.place = u"http://s/RPC2";
    undo_history h(5);
    h.record(*lab);
    h.record(*lab);
    label_ptr cur = h.undo(*lab);
    label_store place;
    place.place = u"http://s/RPC2";
    h.renamed(place, u"Этикетка", u"Новая");
    EXPECT_EQ(h.at(0).name, u"Новая");
    EXPECT_EQ(h.redo_at(0).name, u"Новая");
    h.renamed(place, u"Этикетка", u"Третья"); // no such name any more
    EXPECT_EQ(h.at(0).name, u"Новая");
    label_store file;
    file.local = 1;
    file.place = u"http://s/RPC2";
    h.renamed(file, u"Новая", u"Файл"); // a file of that path is another place
    EXPECT_EQ(h.at(0).name, u"Новая");
    h.stored_as(u"x.lbl", file);
    EXPECT_EQ(h.redo_at(0).name, u"x.lbl");
    EXPECT_EQ(h.redo_at(0).modified, 1);
    EXPECT_EQ(h.redo_at(0).store.local, 1);
}

TEST(HistoryCopies, IdenticalIsEveryFieldBitForBitButTheCanvasScratch)
{
    label_ptr lab = sample(1);
    element *a = lab->es[1];
    element *b = ele__copy(a);
    EXPECT_TRUE(ele__identical(a, b));
    b->mark.px = 77; // the canvas's own, recomputed before every use
    EXPECT_TRUE(ele__identical(a, b));
    auto differs = [&](auto change) {
        element *c = ele__copy(a);
        change(c);
        const bool same = ele__identical(a, c);
        ele__free(c);
        return !same;
    };
    EXPECT_TRUE(differs([](element *e) { e->x = -e->x - 0.0; }));
    EXPECT_TRUE(differs([](element *e) { e->bounds[1] = 1; }));
    EXPECT_TRUE(differs([](element *e) { e->state = ELE_SELECTED; }));
    EXPECT_TRUE(differs([](element *e) { e->disabled = 1; }));
    EXPECT_TRUE(differs([](element *e) { e->layer = 3; }));
    EXPECT_TRUE(differs([](element *e) { e->text.font = u"Serif"; }));
    EXPECT_TRUE(differs([](element *e) { e->text.stored_justification = u""; }));
    EXPECT_TRUE(differs([](element *e) { e->border.thickness = 0.5; }));
    EXPECT_TRUE(differs([](element *e) { e->barcode.text = 1; }));
    EXPECT_TRUE(differs([](element *e) { e->picture.colour = 1; }));
    EXPECT_TRUE(differs([&](element *e) { e->picture.data = lab->es[0]->picture.data; }));
    ele__free(b);
}
