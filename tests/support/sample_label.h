// The sample label the label format, server client and label server tests
// send around: one element of each kind, every field set to something other
// than its default, texts with line breaks and markup characters, a picture
// of some size; and the field-by-field comparison of two labels.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "model/element.h"

struct sample_options {
    std::u16string name = u"Этикетка <&> \"1\"";
    // Line breaks as a label may hold them (CR LF, LF and a lone CR), or LF
    // only, for a peer whose XML parser turns every CR into LF.
    bool lf_only = false;
    // Bytes of the picture's body besides its header: a large picture makes
    // a large call.
    std::size_t picture_padding = 1000;
};

// Appends an element of `type` at the bottom (the last index), its box's
// lower left corner at (x, y).
inline element *sample_add(label *lab, int type, double x, double y, double w, double h)
{
    element *e = ele__add(lab, lab->qty);
    e->type = type;
    e->x = x;
    e->y = y;
    e->width = w;
    e->height = h;
    return e;
}

// An EPS picture with the bounding box `box` ("llx lly urx ury").
inline lg_epsi_ptr sample_picture(const std::string &box, std::size_t pad = 0)
{
    std::string s = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: " + box + "\n" + std::string(pad, 'x') +
                    "\nshowpage\n";
    return eps__load_mem(s.data(), s.size());
}

// A text (0), a border (1), a picture (2) and a barcode (3).
inline label_ptr sample_label(const sample_options &o = {})
{
    label_ptr lab = ele__label_new(300, 400);
    lab->name = o.name;
    lab->desc = o.lf_only ? u"Строка 1\nСтрока 2\nконец\n" : u"Строка 1\r\nСтрока 2\nконец\r";
    lab->bgcolor = 0x00ABCDEF;

    element *t = ele__add(lab.get(), 0);
    t->type = ELE_TEXT;
    t->desc = u"Текст";
    t->x = 10.25;
    t->y = 20.5;
    t->width = -43.43;
    t->height = 15;
    t->angle = 90;
    t->quadrant = 5;
    t->text.text = o.lf_only ? u"Цена: 100 ₽ & <b>\t\n" : u"Цена: 100 ₽ & <b>\t\r\n";
    t->text.font = u"DejaVu Sans";
    t->text.size = 12.5;
    t->text.justification = 2;
    t->text.colour = 0x112233;

    element *b = ele__add(lab.get(), 1);
    b->type = ELE_BORDER;
    b->desc = u"Рамка";
    b->x = 0;
    b->y = 400;
    b->width = 100;
    b->height = 50;
    b->quadrant = 8;
    b->border.style = 2;
    b->border.thickness = 0.75;
    b->border.colour = 0xFF0000;
    b->disabled = 1;

    element *p = ele__add(lab.get(), 2);
    p->type = ELE_PICTURE;
    p->desc = u"Картинка";
    p->x = 300;
    p->y = 0;
    p->angle = 360;
    p->picture.data = sample_picture("0 0 200 100", o.picture_padding);
    ele__update_ratio(p);
    p->width = 80;
    p->height = -40;
    p->quadrant = 0;
    p->picture.colour = 0x00FF00;

    element *c = ele__add(lab.get(), 3);
    c->type = ELE_BARCODE;
    c->desc = u"Код";
    c->x = 1e-7;
    c->y = 123.456789012345;
    c->width = 0;
    c->height = 30;
    c->quadrant = 3;
    c->barcode.code = u"4600000000003";
    c->barcode.type = 8;
    c->barcode.text = 1;
    c->barcode.colour = 0x0000FF;
    return lab;
}

// Doubles travel with six decimals: equal within half the last one.
inline constexpr double six_decimals = 5e-7;

inline void expect_same(const label *a, const label *b)
{
    EXPECT_NEAR(a->width, b->width, six_decimals);
    EXPECT_NEAR(a->height, b->height, six_decimals);
    EXPECT_EQ(a->bgcolor & 0xFFFFFF, b->bgcolor);
    EXPECT_EQ(a->name, b->name);
    EXPECT_EQ(a->desc, b->desc);
    ASSERT_EQ(a->qty, b->qty);
    for (int i = 0; i < a->qty; ++i) {
        SCOPED_TRACE(i);
        const element *x = a->es[i], *y = b->es[i];
        EXPECT_EQ(x->type, y->type);
        EXPECT_EQ(x->desc, y->desc);
        EXPECT_NEAR(x->x, y->x, six_decimals);
        EXPECT_NEAR(x->y, y->y, six_decimals);
        EXPECT_NEAR(x->width, y->width, six_decimals);
        EXPECT_NEAR(x->height, y->height, six_decimals);
        EXPECT_NEAR(x->angle, y->angle, six_decimals);
        EXPECT_EQ(x->quadrant, y->quadrant);
        EXPECT_EQ(x->disabled, y->disabled);
        EXPECT_EQ(y->layer, i);
        EXPECT_EQ(y->state, 0);
        switch (x->type) {
        case ELE_TEXT:
            EXPECT_EQ(x->text.text.value_or(u""), y->text.text.value_or(u""));
            EXPECT_EQ(x->text.font.value_or(u""), y->text.font.value_or(u""));
            EXPECT_NEAR(x->text.size, y->text.size, six_decimals);
            EXPECT_EQ(x->text.justification, y->text.justification);
            EXPECT_EQ(x->text.colour, y->text.colour);
            EXPECT_EQ(x->text.wrap, y->text.wrap);
            EXPECT_NEAR(x->text.shrink, y->text.shrink, six_decimals);
            break;
        case ELE_BORDER:
            EXPECT_EQ(x->border.style, y->border.style);
            EXPECT_NEAR(x->border.thickness, y->border.thickness, six_decimals);
            EXPECT_EQ(x->border.colour, y->border.colour);
            break;
        case ELE_PICTURE:
            ASSERT_TRUE(y->picture.data);
            EXPECT_EQ(x->picture.data->data, y->picture.data->data);
            EXPECT_NEAR(x->picture.ratio, y->picture.ratio, six_decimals);
            EXPECT_EQ(x->picture.colour, y->picture.colour);
            break;
        case ELE_BARCODE:
            EXPECT_EQ(x->barcode.code.value_or(u""), y->barcode.code.value_or(u""));
            EXPECT_EQ(x->barcode.type, y->barcode.type);
            EXPECT_EQ(x->barcode.text, y->barcode.text);
            EXPECT_EQ(x->barcode.colour, y->barcode.colour);
            break;
        }
    }
}
