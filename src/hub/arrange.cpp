#include "hub/arrange.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "hub/frame_notify.h"
#include "model/errors.h"

namespace {

int lead_of(const label &lab)
{
    const int lead = ele__get_lead_element(&lab);
    if (lead == -1)
        XFAIL("( lead = ele__get_lead_element( s->lab ) ) != -1");
    return lead;
}

bool moves_vertically(ele_edge edge)
{
    return edge == ele_edge::top || edge == ele_edge::bottom || edge == ele_edge::vcenter;
}

// An element's edge as it would be with its anchor elsewhere.
double edge_at(const element *e, ele_edge edge, double x, double y)
{
    if (x == e->x && y == e->y)
        return ele__edge(e, edge);
    std::unique_ptr<element, void (*)(element *)> moved(ele__copy(e), ele__free);
    moved->x = x;
    moved->y = y;
    return ele__edge(moved.get(), edge);
}

} // namespace

std::vector<arrange_change> arr__align(const label &lab, ele_edge edge)
{
    std::vector<arrange_change> out;
    if (lab.sel < 2)
        return out;
    const double ref = ele__edge(lab.es[lead_of(lab)], edge);
    const bool vertical = moves_vertically(edge);
    for (int i = 0; i < lab.qty; ++i) {
        const element *e = lab.es[i];
        if (e->state != ELE_SELECTED)
            continue;
        const double a = ele__edge(e, edge);
        if (std::fabs(a - ref) <= ELE_EPS)
            continue;
        if (vertical)
            out.push_back({i, fn::y, std::clamp(e->y + (ref - a), 0.0, lab.height)});
        else
            out.push_back({i, fn::x, std::clamp(e->x + (ref - a), 0.0, lab.width)});
    }
    return out;
}

arrange_result arr__same_size(const label &lab, size_side side)
{
    arrange_result r;
    if (lab.sel < 2)
        return r;
    const element *lead = lab.es[lead_of(lab)];
    // The widths given in the first pass count in the second.
    std::vector<double> width(static_cast<std::size_t>(lab.qty));
    for (int i = 0; i < lab.qty; ++i)
        width[static_cast<std::size_t>(i)] = lab.es[i]->width;
    auto pass = [&](bool height) {
        const double v = height ? lead->height : lead->width;
        if (v < 0) {
            r.refused = true; // an automatic size is no size to copy
            return false;
        }
        for (int i = 0; i < lab.qty; ++i) {
            const element *e = lab.es[i];
            if (e->state != ELE_SELECTED)
                continue;
            const double w = width[static_cast<std::size_t>(i)];
            const double b = height ? e->height : w;
            if (std::fabs(b - v) <= ELE_EPS)
                continue;
            if (b < 0 && e->type == ELE_PICTURE)
                continue;
            if (height && e->height < 0 && w < ELE_EPS)
                continue;
            r.changes.push_back({i, height ? fn::height : fn::width, v});
            if (!height)
                width[static_cast<std::size_t>(i)] = v;
        }
        return true;
    };
    if (side == size_side::width || side == size_side::both)
        if (!pass(false))
            return r;
    if (side == size_side::height || side == size_side::both)
        pass(true);
    return r;
}

std::vector<arrange_change> arr__distribute(const label &lab, spread_axis axis)
{
    std::vector<arrange_change> out;
    if (lab.sel < 2)
        return out;
    const bool horizontal = axis == spread_axis::horizontal;
    const ele_edge lo_edge = horizontal ? ele_edge::left : ele_edge::bottom;
    const ele_edge hi_edge = horizontal ? ele_edge::right : ele_edge::top;
    struct bounds {
        int el;
        double lo;
    };
    std::vector<bounds> bnds;
    double min_lo = 0, max_hi = 0, sum = 0;
    for (int i = 0; i < lab.qty; ++i) {
        const element *e = lab.es[i];
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
        return out;
    std::sort(bnds.begin(), bnds.end(), [](const bounds &a, const bounds &b) { return a.lo < b.lo; });
    const double gap = (max_hi - min_lo - sum) / static_cast<double>(bnds.size() - 1);
    // Where each element's anchor is once the changes before it are made.
    std::vector<double> xs(static_cast<std::size_t>(lab.qty)), ys(static_cast<std::size_t>(lab.qty));
    for (int i = 0; i < lab.qty; ++i) {
        xs[static_cast<std::size_t>(i)] = lab.es[i]->x;
        ys[static_cast<std::size_t>(i)] = lab.es[i]->y;
    }
    for (std::size_t k = 1; k + 1 < bnds.size(); ++k) {
        // The previous element's edge as it is now, after its own move.
        const auto prev = static_cast<std::size_t>(bnds[k - 1].el);
        const double target = edge_at(lab.es[prev], hi_edge, xs[prev], ys[prev]) + gap;
        const auto at = static_cast<std::size_t>(bnds[k].el);
        const element *e = lab.es[at];
        const double shift = target - bnds[k].lo;
        if (horizontal) {
            xs[at] = std::clamp(e->x + shift, 0.0, lab.width);
            out.push_back({bnds[k].el, fn::x, xs[at]});
        } else {
            ys[at] = std::clamp(e->y + shift, 0.0, lab.height);
            out.push_back({bnds[k].el, fn::y, ys[at]});
        }
    }
    return out;
}
