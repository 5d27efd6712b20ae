#include <gtest/gtest.h>

#include <string>

#include "model/element.h"

namespace {

label_ptr abcd()
{
    label_ptr lab = ele__label_new(300, 400);
    const char16_t *names[] = {u"A", u"B", u"C", u"D"};
    for (int i = 0; i < 4; ++i)
        ele__add(lab.get(), i)->desc = names[i];
    return lab;
}

std::u16string order(const label *lab)
{
    std::u16string s;
    for (int i = 0; i < lab->qty; ++i)
        s += lab->es[i]->desc;
    return s;
}

void select(label *lab, std::initializer_list<int> idx)
{
    for (int i : idx)
        ele__select(lab, i);
}

lg_epsi_ptr picture(const std::string &box)
{
    std::string s = "%!PS\n%%BoundingBox: " + box + "\n";
    return eps__load_mem(s.data(), s.size());
}

} // namespace

TEST(Label, NewLabelIsEmptyAndZeroed)
{
    label_ptr lab = ele__label_new(300, 400);
    EXPECT_EQ(lab->width, 300);
    EXPECT_EQ(lab->height, 400);
    EXPECT_EQ(lab->qty, 0);
    EXPECT_EQ(lab->alloced, 1);
    EXPECT_EQ(lab->sel, 0);
    EXPECT_EQ(lab->bgcolor, 0u);
    EXPECT_EQ(lab->modified, 0);
    EXPECT_EQ(lab->name, u"");
    EXPECT_EQ(lab->desc, u"");
    EXPECT_FALSE(lab->store.place);
    EXPECT_EQ(ele__get_first_selected(lab.get()), -1);
    EXPECT_EQ(ele__get_lead_element(lab.get()), -1);
    element stranger;
    EXPECT_EQ(ele__get_index(lab.get(), &stranger), -1);
    EXPECT_EQ(ele__anchors_inside(lab.get(), 0, 0), 1);
    ele__label_free(nullptr);
}

TEST(Label, AddGrowsByDoublingAndShifts)
{
    label_ptr lab = ele__label_new(10, 10);
    std::vector<int> caps;
    for (int i = 0; i < 5; ++i) {
        element *e = ele__add(lab.get(), lab->qty);
        e->layer = i;
        caps.push_back(lab->alloced);
    }
    EXPECT_EQ(caps, (std::vector<int>{1, 2, 4, 4, 8}));
    // A new element is zero-filled.
    element *z = lab->es[4];
    EXPECT_EQ(z->x, 0);
    EXPECT_EQ(z->type, ELE_TEXT);
    EXPECT_FALSE(z->text.text);
    EXPECT_FALSE(z->picture.data);
    EXPECT_EQ(z->state, 0);

    element *front = ele__add(lab.get(), 0);
    front->layer = 99;
    ASSERT_EQ(lab->qty, 6);
    EXPECT_EQ(lab->es[0], front);
    for (int i = 1; i < 6; ++i)
        EXPECT_EQ(lab->es[i]->layer, i - 1);
    EXPECT_EQ(ele__get_index(lab.get(), lab->es[3]), 3);

    ele__remove(lab.get(), 0);
    ele__remove(lab.get(), 2);
    ASSERT_EQ(lab->qty, 4);
    EXPECT_EQ(lab->es[0]->layer, 0);
    EXPECT_EQ(lab->es[1]->layer, 1);
    EXPECT_EQ(lab->es[2]->layer, 3);
    EXPECT_EQ(lab->alloced, 8); // never shrinks

    element *r = new element;
    r->layer = 42;
    EXPECT_EQ(ele__replace(lab.get(), 1, r), r);
    EXPECT_EQ(lab->es[1]->layer, 42);
}

TEST(Layers, RaiseAndRaiseToTop)
{
    label_ptr lab = abcd();
    select(lab.get(), {1, 3});
    ASSERT_EQ(ele__can_raise(lab.get()), 1);
    ele__raise(lab.get());
    EXPECT_EQ(order(lab.get()), u"BADC");
    lab = abcd();
    select(lab.get(), {1, 3});
    ele__raise_to_top(lab.get());
    EXPECT_EQ(order(lab.get()), u"BDAC");
    EXPECT_EQ(ele__can_raise(lab.get()), 0);
    ele__raise(lab.get()); // nothing to do
    EXPECT_EQ(order(lab.get()), u"BDAC");
}

TEST(Layers, BlocksKeepTheirOrderLoweringMirrorsRaising)
{
    label_ptr lab = abcd();
    select(lab.get(), {1, 2});
    ele__raise(lab.get());
    EXPECT_EQ(order(lab.get()), u"BCAD");
    lab = abcd();
    select(lab.get(), {0, 2});
    ASSERT_EQ(ele__can_lower(lab.get()), 1);
    ele__lower(lab.get());
    EXPECT_EQ(order(lab.get()), u"BADC");
    lab = abcd();
    select(lab.get(), {0, 2});
    ele__lower_to_bottom(lab.get());
    EXPECT_EQ(order(lab.get()), u"BDAC");
    EXPECT_EQ(ele__can_lower(lab.get()), 0);
    EXPECT_EQ(ele__can_raise(lab.get()), 1);

    lab = abcd();
    EXPECT_EQ(ele__can_raise(lab.get()), 0); // nothing selected
    EXPECT_EQ(ele__can_lower(lab.get()), 0);
    select(lab.get(), {0, 1, 2, 3});
    EXPECT_EQ(ele__can_raise(lab.get()), 0); // everything selected
    EXPECT_EQ(ele__can_lower(lab.get()), 0);
}

TEST(Selection, LeadFollowsSelectAndDeselect)
{
    label_ptr lab = abcd();
    label *l = lab.get();
    ele__select(l, 0);
    EXPECT_EQ(l->sel, 1);
    EXPECT_EQ(l->es[0]->state, ELE_LEAD);
    ele__select(l, 2);
    EXPECT_EQ(l->es[2]->state, ELE_SELECTED);
    ele__select(l, 2); // already selected
    EXPECT_EQ(l->sel, 2);
    ele__deselect(l, 0);
    EXPECT_EQ(l->sel, 1);
    EXPECT_EQ(l->es[0]->state, 0);
    EXPECT_EQ(ele__get_lead_element(l), 2);
    ele__deselect(l, 2);
    EXPECT_EQ(l->sel, 0);
    EXPECT_EQ(ele__get_lead_element(l), -1);
    EXPECT_EQ(ele__get_first_selected(l), -1);
}

TEST(Selection, FixLeadKeepsFirstLeadOrPromotesFirstSelected)
{
    label_ptr lab = abcd();
    label *l = lab.get();
    l->es[1]->state = ELE_LEAD;
    l->es[2]->state = ELE_LEAD;
    l->es[3]->state = ELE_SELECTED;
    l->sel = ele__count_selected(l);
    ele__fix_lead(l);
    EXPECT_EQ(l->sel, 3);
    EXPECT_EQ(l->es[1]->state, ELE_LEAD);
    EXPECT_EQ(l->es[2]->state, ELE_SELECTED);

    l->es[1]->state = ELE_UNSELECTED;
    l->es[2]->state = ELE_SELECTED;
    l->sel = ele__count_selected(l);
    ele__fix_lead(l);
    EXPECT_EQ(ele__get_lead_element(l), 2);
    EXPECT_EQ(ele__get_first_selected(l), 2);

    // sel 0: nothing happens, even with stale states.
    l->sel = 0;
    l->es[2]->state = ELE_SELECTED;
    l->es[3]->state = ELE_SELECTED;
    ele__fix_lead(l);
    EXPECT_EQ(ele__get_lead_element(l), -1);
}

TEST(Sizes, TogglesFollowTheKind)
{
    element t;
    t.type = ELE_TEXT;
    t.height = 20;
    t.text.size = 12;
    EXPECT_DOUBLE_EQ(ele__toggle_auto_height(&t), -12);
    t.height = -12;
    EXPECT_DOUBLE_EQ(ele__toggle_auto_height(&t), 12);
    t.text.size = 0;
    t.height = 0; // exactly 0 counts as automatic
    EXPECT_DOUBLE_EQ(ele__toggle_auto_height(&t), 43.43);
    t.width = 5;
    EXPECT_DOUBLE_EQ(ele__toggle_auto_width(&t), -43.43);
    t.width = -5;
    EXPECT_DOUBLE_EQ(ele__toggle_auto_width(&t), 43.43);

    element p;
    p.type = ELE_PICTURE;
    p.picture.data = picture("0 0 200 100");
    ele__update_ratio(&p);
    EXPECT_DOUBLE_EQ(p.picture.ratio, 2.0);
    p.width = 50;
    p.height = 30;
    EXPECT_DOUBLE_EQ(ele__toggle_auto_width(&p), -60);
    EXPECT_DOUBLE_EQ(ele__toggle_auto_height(&p), -25);
    p.height = -30;
    EXPECT_DOUBLE_EQ(ele__toggle_auto_height(&p), 25);

    element b;
    b.type = ELE_BORDER;
    b.width = b.height = 10;
    EXPECT_EQ(ele__toggle_auto_width(&b), 0);
    EXPECT_EQ(ele__toggle_auto_height(&b), 0);
    b.type = ELE_BARCODE;
    EXPECT_EQ(ele__toggle_auto_height(&b), 0);
}

TEST(Sizes, RatioIsOneWhenItCannotBeComputed)
{
    element p;
    p.type = ELE_PICTURE;
    p.picture.data = picture("0 0 100 0");
    ASSERT_TRUE(p.picture.data);
    ele__update_ratio(&p);
    EXPECT_EQ(p.picture.ratio, 1.0);
    p.picture.data.reset();
    p.picture.ratio = 7;
    ele__update_ratio(&p);
    EXPECT_EQ(p.picture.ratio, 1.0);
    // Never-attached picture: the toggles do not divide by zero.
    element q;
    q.type = ELE_PICTURE;
    q.width = 10;
    EXPECT_DOUBLE_EQ(ele__toggle_auto_height(&q), 10);
}

TEST(Anchors, InsideAndClamp)
{
    label_ptr lab = abcd();
    lab->es[0]->x = 100;
    lab->es[1]->y = 50;
    lab->es[2]->x = 100.5;
    lab->es[2]->y = 80;
    EXPECT_EQ(ele__anchors_inside(lab.get(), 100.5, 80), 1);
    EXPECT_EQ(ele__anchors_inside(lab.get(), 100, 80), 0);
    EXPECT_EQ(ele__anchors_inside(lab.get(), 200, 79), 0);
    ele__clamp_anchors(lab.get(), 60, 60);
    EXPECT_EQ(lab->es[0]->x, 60);
    EXPECT_EQ(lab->es[1]->y, 50);
    EXPECT_EQ(lab->es[2]->x, 60);
    EXPECT_EQ(lab->es[2]->y, 60);
    EXPECT_EQ(ele__anchors_inside(lab.get(), 60, 60), 1);
}

TEST(Copies, IndependentSharingOnlyThePicturesBytes)
{
    label_ptr lab = ele__label_new(300, 400);
    element *t = ele__add(lab.get(), 0);
    t->type = ELE_TEXT;
    t->text.text = u"Текст";
    t->text.font = u"Arial";
    t->state = ELE_LEAD;
    t->bounds[2] = 5;
    element *p = ele__add(lab.get(), 1);
    p->type = ELE_PICTURE;
    p->picture.data = picture("0 0 10 20");
    element *bc = ele__add(lab.get(), 2);
    bc->type = ELE_BARCODE;
    bc->barcode.code = u"123";
    lab->sel = 1;

    element *c[3];
    for (int i = 0; i < 3; ++i) {
        c[i] = ele__copy(lab->es[i]);
        EXPECT_NE(c[i], lab->es[i]);
    }
    EXPECT_EQ(c[0]->state, ELE_LEAD);
    EXPECT_EQ(c[0]->bounds[2], 5);
    // A picture never changes once an element holds it: the copy shares it.
    const lg_epsi *orig_pic = lab->es[1]->picture.data.get();
    const lg_epsi *copy_pic = c[1]->picture.data.get();
    ASSERT_TRUE(copy_pic);
    EXPECT_EQ(orig_pic, copy_pic);
    EXPECT_EQ(lab->es[1]->picture.data.use_count(), 2);
    // A new picture in the original leaves the copy's as it was.
    std::vector<unsigned char> bytes = orig_pic->data;
    lab->es[1]->picture.data = picture("0 0 30 40");
    EXPECT_EQ(c[1]->picture.data->data, bytes);
    EXPECT_EQ(c[1]->picture.data.use_count(), 1);
    lab.reset(); // freeing the original leaves the copies intact
    EXPECT_EQ(c[1]->picture.data->data, bytes);
    EXPECT_EQ(*c[0]->text.text, u"Текст");
    EXPECT_EQ(*c[0]->text.font, u"Arial");
    EXPECT_EQ(*c[2]->barcode.code, u"123");
    for (element *e : c)
        ele__free(e);
}
