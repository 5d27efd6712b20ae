// The element commands of the frame: delete, cut, copy, paste, select all,
// enable, disable, rotate, alignment, same size, distribution and the
// creation of a new element.  Each records one snapshot, then drives its
// changes through notifications the frame sends to itself.
#include <algorithm>
#include <cmath>

#include "exchange/inout.h"
#include "hub/clipboard.h"
#include "hub/commands.h"
#include "hub/frame_hub.h"
#include "model/messages.h"
#include "platform/message_boxes.h"
#include "platform/translation.h"

void frame_hub::delete_selection(bool ask)
{
    label *l = lab_.get();
    if (l->sel == 0)
        return;
    if (ask && l->sel > 1 && frame_globals::confdel) {
        if (ask_user(msg::ask_delete_elements, mb_icon::warning,
                mb_buttons::yes_no) != mb_answer::yes)
            return;
    }
    record_snapshot();
    while (lab_->sel > 0) {
        int i = ele__get_first_selected(lab_.get());
        if (i < 0) { // a count out of step with the states: trust the states
            lab_->sel = 0;
            break;
        }
        frame_notify n;
        n.code = fn::selection;
        n.action = fn::deselect;
        n.e1 = i;
        self_notify(std::move(n));
        list_change(fn::removed, i);
        ele__remove(lab_.get(), i);
    }
    if (canvas_)
        canvas_->recompute_extent();
}

void frame_hub::copy()
{
    const label *l = lab_.get();
    if (l->sel == 0)
        return;
    element_clipboard::clear();
    for (int i = 0; i < l->qty; ++i)
        if (l->es[i]->state != ELE_UNSELECTED)
            element_clipboard::add_front(l->es[i]);
}

void frame_hub::cut()
{
    if (lab_->sel == 0)
        return;
    copy();
    delete_selection(false);
}

void frame_hub::paste()
{
    if (element_clipboard::is_empty())
        return;
    record_snapshot();
    double x0, y0, x1, y1;
    element_clipboard::bounds(x0, y0, x1, y1);
    // The paste is one step: the frame deselects, recording nothing more.
    deselect_all_by_frame();
    for (const element *entry : element_clipboard::entries()) {
        ele__add(lab_.get(), 0);
        element *e = ele__replace(lab_.get(), 0, ele__copy(entry));
        e->state = ELE_UNSELECTED;
        e->x = std::clamp(e->x - x0, 0.0, std::max(0.0, lab_->width));
        e->y = std::clamp(e->y - y0, 0.0, std::max(0.0, lab_->height));
        list_change(fn::inserted, 0);
        frame_notify n;
        n.code = fn::selection;
        n.action = fn::select;
        n.e1 = 0;
        self_notify(std::move(n));
    }
}

void frame_hub::deselect_all_by_frame()
{
    for (int i = 0; i < lab_->qty; ++i) {
        if (lab_->es[i]->state == ELE_UNSELECTED)
            continue;
        frame_notify n;
        n.code = fn::selection;
        n.action = fn::deselect;
        n.e1 = i;
        self_notify(std::move(n));
    }
}

void frame_hub::select_all()
{
    label *l = lab_.get();
    if (ele__count_selected(l) == l->qty)
        return;
    record_snapshot();
    for (int i = 0; i < lab_->qty; ++i) {
        if (lab_->es[i]->state != ELE_UNSELECTED)
            continue;
        frame_notify n;
        n.code = fn::selection;
        n.action = fn::select;
        n.e1 = i;
        self_notify(std::move(n));
    }
}

void frame_hub::set_enabled(bool enabled)
{
    record_snapshot();
    for (int i = 0; i < lab_->qty; ++i) {
        element *e = lab_->es[i];
        if (e->state == ELE_UNSELECTED || (e->disabled == 0) == enabled)
            continue;
        frame_notify n;
        n.code = fn::toggle_enabled;
        n.e1 = i;
        self_notify(std::move(n));
    }
}

void frame_hub::rotate(double angle)
{
    record_snapshot();
    for (int i = 0; i < lab_->qty; ++i) {
        element *e = lab_->es[i];
        if (e->state == ELE_UNSELECTED || std::fabs(e->angle - angle) <= ELE_EPS)
            continue;
        frame_notify n;
        n.code = fn::angle;
        n.e1 = i;
        n.value = angle;
        self_notify(std::move(n));
    }
}

void frame_hub::create_element(int kind, double x, double y)
{
    if (kind < ELE_TEXT || kind > ELE_BARCODE)
        return;
    shell_.check_tool(cmd::normal_mode);
    lg_epsi_ptr pic;
    if (kind == ELE_PICTURE) {
        const label *lab = lab_.get();
        pic = ele__choose_picture([lab](const std::u16string &path, std::uint64_t size) {
            return ino__picture_refusal(lab, nullptr, path, size);
        });
        if (!pic) {
            if (canvas_)
                canvas_->normal_mode();
            return;
        }
    }
    record_snapshot();
    element *e = ele__add(lab_.get(), 0);
    e->x = x;
    e->y = y;
    e->type = kind;
    e->quadrant = new_quadrant_;
    e->desc = pl__tr(FRAME_DEFAULT_DESC);
    if (pic) {
        e->width = pic->width;
        e->height = pic->height;
        e->picture.data = std::move(pic);
        ele__update_ratio(e);
    } else {
        e->width = ELE_DEFAULT_SIZE;
        e->height = ELE_DEFAULT_SIZE;
    }
    list_change(fn::inserted, 0);
    deselect_all_by_frame(); // part of the creation's one step
    frame_notify n;
    n.code = fn::selection;
    n.action = fn::select;
    n.e1 = 0;
    self_notify(std::move(n));
    if (props_)
        props_->focus_description();
    if (canvas_)
        canvas_->normal_mode();
}

void frame_hub::arrange(int id)
{
    const label &l = *lab_;
    switch (id) {
    case cmd::align_left: apply(arr__align(l, ele_edge::left)); break;
    case cmd::align_right: apply(arr__align(l, ele_edge::right)); break;
    case cmd::align_top: apply(arr__align(l, ele_edge::top)); break;
    case cmd::align_bottom: apply(arr__align(l, ele_edge::bottom)); break;
    case cmd::align_hcenter: apply(arr__align(l, ele_edge::hcenter)); break;
    case cmd::align_vcenter: apply(arr__align(l, ele_edge::vcenter)); break;
    case cmd::distribute_h: apply(arr__distribute(l, spread_axis::horizontal)); break;
    case cmd::distribute_v: apply(arr__distribute(l, spread_axis::vertical)); break;
    default: {
        const size_side side = id == cmd::same_width    ? size_side::width
                               : id == cmd::same_height ? size_side::height
                                                        : size_side::both;
        arrange_result r = arr__same_size(l, side);
        apply(r.changes);
        if (r.refused)
            shell_.beep(); // an automatic size is no size to copy
        break;
    }
    }
}

void frame_hub::apply(const std::vector<arrange_change> &changes)
{
    if (changes.empty())
        return;
    record_snapshot();
    for (const arrange_change &c : changes) {
        frame_notify n;
        n.code = c.code;
        n.e1 = c.index;
        n.value = c.value;
        self_notify(std::move(n));
    }
}
