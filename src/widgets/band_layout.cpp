#include "widgets/band_layout.h"

#include <QWidget>

#include "widgets/controls.h"

void ql__distribute(ql_sequence &seq, int start, int total)
{
    long long free_space = total;
    for (ql_band *b : seq.bands) {
        if (b->flags & QL_FLEXIBLE) {
            b->length = -1;
        } else {
            b->length = b->size;
            free_space -= b->size;
        }
    }
    for (;;) {
        long long w = 0;
        bool open = false;
        for (ql_band *b : seq.bands)
            if ((b->flags & QL_FLEXIBLE) && b->length < 0) {
                w += b->weight;
                open = true;
            }
        if (!open)
            break;
        auto share = [&](const ql_band *b) { return w == 0 ? 0LL : free_space * b->weight / w; };
        ql_band *chosen = nullptr;
        for (ql_band *b : seq.bands)
            if ((b->flags & QL_FLEXIBLE) && b->length < 0 && share(b) < b->min) {
                chosen = b;
                break;
            }
        if (chosen) {
            chosen->length = chosen->min;
        } else {
            for (ql_band *b : seq.bands)
                if ((b->flags & QL_FLEXIBLE) && b->length < 0) {
                    chosen = b;
                    break;
                }
            long long s = share(chosen);
            // A share below zero (the fixed bands overflow) would read as
            // "unassigned": such a band gets nothing.
            chosen->length = s < 0 ? 0 : static_cast<int>(s);
        }
        free_space -= chosen->length;
    }
    int at = start;
    for (ql_band *b : seq.bands) {
        b->offset = at;
        at += b->length;
    }
}

void ql__propagate(ql_axis &axis)
{
    for (auto it = axis.rbegin(); it != axis.rend(); ++it) {
        if (!it->parent)
            continue;
        int sum = 0;
        for (const ql_band *b : it->bands)
            sum += (b->flags & QL_FLEXIBLE) ? b->min : b->size;
        int &m = (it->parent->flags & QL_FLEXIBLE) ? it->parent->min : it->parent->size;
        if (m < sum)
            m = sum;
    }
}

void ql__distribute_axis(ql_axis &axis, int extent)
{
    for (ql_sequence &s : axis) {
        if (s.parent)
            ql__distribute(s, s.parent->offset, s.parent->length);
        else
            ql__distribute(s, 0, extent);
    }
}

namespace {

void raise_to(ql_band *b, int v)
{
    int &m = (b->flags & QL_FLEXIBLE) ? b->min : b->size;
    if (m < v)
        m = v;
}

} // namespace

void ql__layout(const std::vector<ql_place> &places, ql_axis &h, ql_axis &v, int width, int height)
{
    for (const ql_place &p : places) {
        if (!p.control)
            continue;
        if (p.h && (p.h->flags & QL_FIT_TEXT))
            raise_to(p.h, ctl__fit_width(p.control));
        if (p.v && (p.v->flags & QL_FIT_TEXT))
            raise_to(p.v, ctl__fit_height(p.control));
    }
    ql__propagate(v);
    ql__propagate(h);
    ql__distribute_axis(h, width);
    ql__distribute_axis(v, height);
    for (const ql_place &p : places) {
        if (!p.control)
            continue;
        int x = p.h ? p.h->offset : 0;
        int y = p.v ? p.v->offset : 0;
        int w = p.h ? p.h->length : width;
        int hh = p.v ? p.v->length : height;
        p.control->setGeometry(x, y, w < 0 ? 0 : w, hh < 0 ? 0 : hh);
        p.control->update();
    }
}
