// Alignment to the lead element, same size as the lead, and even
// distribution, all from the laid-out boxes.
#include <QApplication>
#include <algorithm>
#include <cmath>
#include <vector>

#include "canvas/canvas.h"
#include "platform/beep.h"
#include "model/errors.h"

void canvas_window::align(int how)
{
    label *lab = stock_.lab;
    if (lab->sel < 2)
        return;
    const int lead = ele__get_lead_element(lab);
    if (lead == -1)
        XFAIL("( lead = ele__get_lead_element( s->lab ) ) != -1");
    const double ref = ele__edge(lab->es[lead], how);
    const bool vertical_move = how == 2 || how == 3 || how == 5;
    for (int i = 0; i < lab->qty; ++i) {
        element *e = lab->es[i];
        if (e->state != ELE_SELECTED)
            continue;
        const double a = ele__edge(e, how);
        if (std::fabs(a - ref) <= ELE_EPS)
            continue;
        if (vertical_move)
            send(fn::y, i, std::clamp(e->y + (ref - a), 0.0, lab->height));
        else
            send(fn::x, i, std::clamp(e->x + (ref - a), 0.0, lab->width));
        redraw_element(i);
        recompute_extent();
    }
}

void canvas_window::same_size(int how)
{
    label *lab = stock_.lab;
    if (lab->sel < 2)
        return;
    const int lead = ele__get_lead_element(lab);
    if (lead == -1)
        XFAIL("( lead = ele__get_lead_element( s->lab ) ) != -1");
    auto pass = [&](bool height) {
        const element *l = lab->es[lead];
        const double v = height ? l->height : l->width;
        if (v < 0) {
            platform_beep(); // an automatic size is no size to copy
            return false;
        }
        for (int i = 0; i < lab->qty; ++i) {
            element *e = lab->es[i];
            if (e->state != ELE_SELECTED)
                continue;
            const double b = height ? e->height : e->width;
            if (std::fabs(b - v) <= ELE_EPS)
                continue;
            if (b < 0 && e->type == ELE_PICTURE)
                continue;
            if (height && e->height < 0 && e->width < ELE_EPS)
                continue;
            send(height ? fn::height : fn::width, i, v);
            // A picture's automatic other side stays proportional.
            if (e->type == ELE_PICTURE && e->picture.ratio > ELE_EPS) {
                if (!height && e->height < 0)
                    send(fn::height, i, -(e->width / e->picture.ratio));
                else if (height && e->width < 0)
                    send(fn::width, i, -(e->picture.ratio * e->height));
            }
            redraw_element(i);
        }
        recompute_extent();
        return true;
    };
    if (how == 0 || how == 2)
        if (!pass(false))
            return;
    if (how == 1 || how == 2)
        pass(true);
}

void canvas_window::distribute(int horizontal)
{
    label *lab = stock_.lab;
    if (lab->sel < 2)
        return;
    struct bounds {
        int el;
        double lo;
    };
    std::vector<bounds> bnds;
    double min_lo = 0, max_hi = 0, sum = 0;
    const int lo_edge = horizontal ? 0 : 3, hi_edge = horizontal ? 1 : 2;
    for (int i = 0; i < lab->qty; ++i) {
        const element *e = lab->es[i];
        if (e->state == ELE_UNSELECTED)
            continue;
        const double lo = ele__edge(e, lo_edge), hi = ele__edge(e, hi_edge);
        if (bnds.empty()) {
            min_lo = lo;
            max_hi = hi;
        } else {
            min_lo = std::min(min_lo, lo);
            max_hi = std::max(max_hi, hi);
        }
        sum += hi - lo;
        bnds.push_back({i, lo});
    }
    if (bnds.size() < 2)
        return;
    std::sort(bnds.begin(), bnds.end(), [](const bounds &a, const bounds &b) { return a.lo < b.lo; });
    const double gap = (max_hi - min_lo - sum) / static_cast<double>(bnds.size() - 1);
    for (std::size_t k = 1; k + 1 < bnds.size(); ++k) {
        // The previous element's edge as it is now, after its own move.
        const double target = ele__edge(lab->es[bnds[k - 1].el], hi_edge) + gap;
        element *e = lab->es[bnds[k].el];
        const double shift = target - bnds[k].lo;
        if (horizontal)
            send(fn::x, bnds[k].el, std::clamp(e->x + shift, 0.0, lab->width));
        else
            send(fn::y, bnds[k].el, std::clamp(e->y + shift, 0.0, lab->height));
        redraw_element(bnds[k].el);
    }
    recompute_extent();
}
