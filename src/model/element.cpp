#include "model/element.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "model/errors.h"
#include "model/misc.h"
#include "model/xmalloc.h"
#include "platform/translation.h"

namespace {
bool positive(double v)
{
    return v > ELE_EPS;
}

// A picture element that never had a picture attached has ratio 0.
double usable_ratio(const element *e)
{
    return e->picture.ratio >= ELE_EPS ? e->picture.ratio : 1.0;
}
} // namespace

label::~label()
{
    for (std::int32_t i = qty - 1; i >= 0; --i)
        ele__remove(this, i);
    xfree(es);
}

label_ptr ele__label_new(double width, double height)
{
    label_ptr lab(new label);
    lab->width = width;
    lab->height = height;
    lab->alloced = 1;
    lab->es = static_cast<element **>(xmalloc(sizeof(element *) * 1));
    lab->es[0] = nullptr;
    return lab;
}

void ele__label_free(label *lab)
{
    delete lab;
}

element *ele__add(label *lab, std::int32_t index)
{
    if (lab->qty >= lab->alloced) {
        lab->alloced = lab->alloced > 0 ? lab->alloced * 2 : 1;
        lab->es = static_cast<element **>(
            xrealloc(lab->es, sizeof(element *) * static_cast<std::size_t>(lab->alloced)));
    }
    if (!(index <= lab->qty))
        XFAIL("index <= lab->qty");
    if (!(index >= 0))
        XFAIL("index >= 0");
    for (std::int32_t i = lab->qty; i > index; --i)
        lab->es[i] = lab->es[i - 1];
    ++lab->qty;
    auto *e = new element;
    lab->es[index] = e;
    return e;
}

void ele__remove(label *lab, std::int32_t index)
{
    --lab->qty;
    ele__free(lab->es[index]);
    for (std::int32_t i = index; i < lab->qty; ++i)
        lab->es[i] = lab->es[i + 1];
}

element *ele__replace(label *lab, std::int32_t index, element *e)
{
    ele__free(lab->es[index]);
    lab->es[index] = e;
    return e;
}

element *ele__copy(const element *e)
{
    auto *n = new element;
    n->desc = e->desc;
    n->x = e->x;
    n->y = e->y;
    n->width = e->width;
    n->height = e->height;
    n->angle = e->angle;
    n->quadrant = e->quadrant;
    n->type = e->type;
    n->text = e->text;
    n->border = e->border;
    n->picture.ratio = e->picture.ratio;
    n->picture.colour = e->picture.colour;
    n->picture.data = e->picture.data; // immutable: shared, not copied
    n->picture.source = e->picture.source;
    n->barcode = e->barcode;
    n->mark = e->mark;
    n->layer = e->layer;
    for (int i = 0; i < 4; ++i)
        n->bounds[i] = e->bounds[i];
    n->disabled = e->disabled;
    n->state = e->state;
    return n;
}

void ele__free(element *e)
{
    delete e;
}

namespace {
// -0 and 0 are told apart; a NaN is the same as the very same NaN.
bool same_bits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}
} // namespace

bool ele__identical(const element *a, const element *b)
{
    if (a == b)
        return true;
    for (int i = 0; i < 4; ++i)
        if (!same_bits(a->bounds[i], b->bounds[i]))
            return false;
    const element_text &ta = a->text, &tb = b->text;
    const element_border &ra = a->border, &rb = b->border;
    const element_picture &pa = a->picture, &pb = b->picture;
    const element_barcode &ba = a->barcode, &bb = b->barcode;
    return same_bits(a->x, b->x) && same_bits(a->y, b->y) && same_bits(a->width, b->width) &&
           same_bits(a->height, b->height) && same_bits(a->angle, b->angle) && a->quadrant == b->quadrant &&
           a->type == b->type && a->layer == b->layer && a->disabled == b->disabled && a->state == b->state &&
           a->desc == b->desc &&
           ta.text == tb.text && ta.font == tb.font && same_bits(ta.size, tb.size) &&
           ta.justification == tb.justification && ta.colour == tb.colour &&
           ta.stored_justification == tb.stored_justification && ta.wrap == tb.wrap &&
           same_bits(ta.shrink, tb.shrink) &&
           ra.style == rb.style && same_bits(ra.thickness, rb.thickness) && ra.colour == rb.colour &&
           same_bits(pa.ratio, pb.ratio) && pa.data == pb.data && pa.colour == pb.colour &&
           pa.source == pb.source &&
           ba.code == bb.code && ba.type == bb.type && ba.text == bb.text && ba.colour == bb.colour &&
           ba.stored_type == bb.stored_type;
}

std::int32_t ele__get_index(const label *lab, const element *e)
{
    for (std::int32_t i = 0; i < lab->qty; ++i)
        if (lab->es[i] == e)
            return i;
    return -1;
}

std::int32_t ele__get_first_selected(const label *lab)
{
    for (std::int32_t i = 0; i < lab->qty; ++i)
        if (lab->es[i]->state != ELE_UNSELECTED)
            return i;
    return -1;
}

std::int32_t ele__get_lead_element(const label *lab)
{
    for (std::int32_t i = 0; i < lab->qty; ++i)
        if (lab->es[i]->state == ELE_LEAD)
            return i;
    return -1;
}

std::int32_t ele__count_selected(const label *lab)
{
    std::int32_t n = 0;
    for (std::int32_t i = 0; i < lab->qty; ++i)
        if (lab->es[i]->state != ELE_UNSELECTED)
            ++n;
    return n;
}

void ele__fix_lead(label *lab)
{
    if (lab->sel == 0)
        return;
    bool have_lead = false;
    element *first_selected = nullptr;
    for (std::int32_t i = 0; i < lab->qty; ++i) {
        element *e = lab->es[i];
        if (e->state == ELE_LEAD) {
            if (have_lead)
                e->state = ELE_SELECTED;
            have_lead = true;
        } else if (e->state == ELE_SELECTED && !first_selected) {
            first_selected = e;
        }
    }
    if (!have_lead && first_selected)
        first_selected->state = ELE_LEAD;
}

void ele__select(label *lab, std::int32_t index)
{
    element *e = lab->es[index];
    if (e->state != ELE_UNSELECTED)
        return;
    ++lab->sel;
    e->state = lab->sel == 1 ? ELE_LEAD : ELE_SELECTED;
}

void ele__deselect(label *lab, std::int32_t index)
{
    element *e = lab->es[index];
    if (e->state == ELE_UNSELECTED)
        return;
    --lab->sel;
    bool was_lead = e->state == ELE_LEAD;
    e->state = ELE_UNSELECTED;
    if (was_lead && lab->sel > 0)
        ele__fix_lead(lab);
}

int ele__can_raise(const label *lab)
{
    bool unselected_above = false;
    for (std::int32_t i = 0; i < lab->qty; ++i) {
        if (lab->es[i]->state == ELE_UNSELECTED)
            unselected_above = true;
        else if (unselected_above)
            return 1;
    }
    return 0;
}

void ele__raise(label *lab)
{
    for (std::int32_t i = 0; i < lab->qty; ++i) {
        if (lab->es[i]->state == ELE_UNSELECTED)
            continue;
        for (std::int32_t j = i - 1; j >= 0; --j) {
            if (lab->es[j]->state == ELE_UNSELECTED) {
                std::swap(lab->es[i], lab->es[j]);
                break;
            }
        }
    }
}

void ele__raise_to_top(label *lab)
{
    while (ele__can_raise(lab))
        ele__raise(lab);
}

int ele__can_lower(const label *lab)
{
    bool unselected_below = false;
    for (std::int32_t i = lab->qty - 1; i >= 0; --i) {
        if (lab->es[i]->state == ELE_UNSELECTED)
            unselected_below = true;
        else if (unselected_below)
            return 1;
    }
    return 0;
}

void ele__lower(label *lab)
{
    for (std::int32_t i = lab->qty - 1; i >= 0; --i) {
        if (lab->es[i]->state == ELE_UNSELECTED)
            continue;
        for (std::int32_t j = i + 1; j < lab->qty; ++j) {
            if (lab->es[j]->state == ELE_UNSELECTED) {
                std::swap(lab->es[i], lab->es[j]);
                break;
            }
        }
    }
}

void ele__lower_to_bottom(label *lab)
{
    while (ele__can_lower(lab))
        ele__lower(lab);
}

int ele__anchors_inside(const label *lab, double max_x, double max_y)
{
    for (std::int32_t i = 0; i < lab->qty; ++i)
        if (lab->es[i]->x > max_x || lab->es[i]->y > max_y)
            return 0;
    return 1;
}

void ele__clamp_anchors(label *lab, double max_x, double max_y)
{
    for (std::int32_t i = 0; i < lab->qty; ++i) {
        element *e = lab->es[i];
        if (e->x > max_x)
            e->x = max_x;
        if (e->y > max_y)
            e->y = max_y;
    }
}

void ele__update_ratio(element *e)
{
    e->picture.ratio = 1.0;
    const lg_epsi *p = e->picture.data.get();
    if (p && p->width >= ELE_EPS && p->height >= ELE_EPS) {
        double r = static_cast<double>(p->width) / static_cast<double>(p->height);
        if (r >= ELE_EPS)
            e->picture.ratio = r;
    }
}

std::optional<double> ele__proportional_side(const element *e, bool width_set)
{
    if (e->type != ELE_PICTURE || !(e->picture.ratio > ELE_EPS))
        return std::nullopt;
    const double set = width_set ? e->width : e->height;
    const double other = width_set ? e->height : e->width;
    if (set < 0 || !(other < 0)) // an automatic side set, or no automatic side left
        return std::nullopt;
    return width_set ? -(e->width / e->picture.ratio) : -(e->picture.ratio * e->height);
}

double ele__toggle_auto_width(const element *e)
{
    switch (e->type) {
    case ELE_PICTURE: {
        double v = usable_ratio(e) * e->height;
        return positive(e->width) ? -v : v;
    }
    case ELE_TEXT:
        return positive(e->width) ? -ELE_DEFAULT_SIZE : ELE_DEFAULT_SIZE;
    default:
        return 0;
    }
}

double ele__toggle_auto_height(const element *e)
{
    switch (e->type) {
    case ELE_PICTURE: {
        double v = e->width / usable_ratio(e);
        return positive(e->height) ? -v : v;
    }
    case ELE_TEXT: {
        double s = positive(e->text.size) ? e->text.size : ELE_DEFAULT_SIZE;
        return positive(e->height) ? -s : s;
    }
    default:
        return 0;
    }
}

std::optional<std::u16string> ele__out_of_range(const label *lab)
{
    const double most = ELE_MAX_LABEL_SIZE;
    const int limit = static_cast<int>(most);
    auto fits = [most](double v) { return std::isfinite(v) && v > 0 && v <= most; };
    if (!fits(lab->width) || !fits(lab->height))
        return msc__format(VL_TR("vellumo", "Размер этикетки %{1:.10g} × %{2:.10g} пт вне допустимого (допускается больше 0 и не больше %3 пт)"),
                           lab->width, lab->height, limit);
    auto within = [most](double v) { return std::isfinite(v) && std::fabs(v) <= most; };
    for (int i = 0; i < lab->qty; ++i) {
        const element *e = lab->es[i];
        const std::u16string who = msc__format(VL_TR("vellumo", "Элемент %1 «%2»: "), i + 1, e->desc.c_str());
        const char16_t *what = nullptr;
        std::u16string value;
        if (!within(e->width) || !within(e->height)) {
            what = pl__tr(VL_TR("vellumo", "размер"));
            value = msc__format(VL_TR("vellumo", "%{1:.10g} × %{2:.10g} пт"), std::fabs(e->width), std::fabs(e->height));
        } else if (!within(e->x) || !within(e->y) || !std::isfinite(e->angle)) {
            what = pl__tr(VL_TR("vellumo", "точка крепления"));
            value = msc__format(u"(%{1:.10g}, %{2:.10g})", e->x, e->y);
        } else if (e->type == ELE_TEXT && !within(e->text.size)) {
            what = pl__tr(VL_TR("vellumo", "размер шрифта"));
            value = msc__format(VL_TR("vellumo", "%{1:.10g} пт"), e->text.size);
        } else if (e->type == ELE_BORDER && !within(e->border.thickness)) {
            what = pl__tr(VL_TR("vellumo", "толщина линии"));
            value = msc__format(VL_TR("vellumo", "%{1:.10g} пт"), e->border.thickness);
        }
        if (what)
            return who + msc__format(VL_TR("vellumo", "%1 %2 вне допустимого (допускается не больше %3 пт)"), what, value.c_str(), limit);
    }
    return std::nullopt;
}
