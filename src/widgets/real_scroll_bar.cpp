#include "widgets/real_scroll_bar.h"

#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace {

// Pixels from a ratio of doubles: saturated, so that a page far larger than
// a tiny range (or the reverse) stays an int.
int round_half(double v)
{
    constexpr double limit = 1 << 30;
    if (!(v > -limit))
        return -(1 << 30);
    if (v >= limit)
        return 1 << 30;
    return static_cast<int>(v + 0.5);
}

} // namespace

fsb_inner fsb__update(fsb_stock &s, int length)
{
    fsb_inner in;
    const double span = std::fabs(s.end - s.start);
    const bool ascending = s.start < s.end;
    s.pixels_per_unit = span > 0 ? length / span : 0;
    if (span >= s.page) {
        if (ascending)
            s.position = std::clamp(s.position, s.start, s.end - s.page);
        else
            s.position = std::clamp(s.position, s.end, s.start - s.page);
    } else {
        // All of it visible: centred, so the position lies before the start.
        s.position = std::min(s.start, s.end) + (span - s.page) * 0.5;
    }
    if (!(span > 0) || length <= 0)
        return in;
    in.page = round_half(length / span * s.page);
    in.max_pos = length - in.page + 1;
    double d = ascending ? s.position - s.start : s.start - s.position - s.page;
    double room = span - s.page;
    in.pos = room > 0 ? round_half(d * in.max_pos / room) : 0;
    in.pos = std::clamp(in.pos, 0, std::max(0, in.max_pos));
    return in;
}

double fsb__value_at(const fsb_stock &s, int pos, int max_pos)
{
    const bool ascending = s.start < s.end;
    if (pos <= 0)
        return ascending ? s.start : s.start - s.page;
    if (pos >= max_pos)
        return ascending ? s.end - s.page : s.end;
    double f = static_cast<double>(pos) / max_pos;
    return ascending ? s.start + (s.end - s.start - s.page) * f
                     : s.end + (s.start - s.end - s.page) * (1 - f);
}

float_scroll_bar::float_scroll_bar(QWidget *parent, bool vertical) : QWidget(parent)
{
    setObjectName(QStringLiteral("zelta-float-scroll-bar"));
    stock_.win = this;
    stock_.parent = parent;
    stock_.vertical = vertical;
    if (vertical) {
        stock_.start = 0;
        stock_.end = 100.0;
    } else {
        stock_.start = 100.0;
        stock_.end = 0;
    }
    stock_.bar = new QScrollBar(vertical ? Qt::Vertical : Qt::Horizontal, this);
    stock_.bar->show();
    connect(stock_.bar, &QScrollBar::actionTriggered, this, &float_scroll_bar::action);
    show();
}

int float_scroll_bar::length() const
{
    return stock_.vertical ? height() : width();
}

void float_scroll_bar::update_bar()
{
    fsb_inner in = fsb__update(stock_, length());
    applying_ = true;
    stock_.bar->setRange(0, std::max(0, in.max_pos));
    stock_.bar->setPageStep(std::max(1, in.page));
    stock_.bar->setValue(in.pos);
    applying_ = false;
    emit position_changed(stock_.position);
}

void float_scroll_bar::set(int flags, double start, double end, double page, double position)
{
    if (flags & FSB_SET_RANGE) {
        stock_.start = start;
        stock_.end = end;
    }
    if (flags & FSB_SET_PAGE)
        stock_.page = page;
    if (flags & FSB_SET_POSITION)
        stock_.position = position;
    update_bar();
}

void float_scroll_bar::get(double &start, double &end, double &page, double &position) const
{
    start = stock_.start;
    end = stock_.end;
    page = stock_.page;
    position = stock_.position;
}

void float_scroll_bar::set_position(double position)
{
    if (std::fabs(position - stock_.position) > 1e-10) {
        stock_.position = position;
        update_bar();
    }
}

void float_scroll_bar::resizeEvent(QResizeEvent *)
{
    stock_.bar->setGeometry(rect());
    update_bar();
}

void float_scroll_bar::action(int a)
{
    if (applying_)
        return;
    const int len = length();
    const double span = std::fabs(stock_.end - stock_.start);
    if (!(span > 0))
        return;
    const int page = round_half(len / span * stock_.page);
    // Nothing to scroll when everything is visible.
    if (len < page)
        return;
    const int max_pos = len - page + 1;
    const int current = stock_.bar->value();
    int pos = current;
    switch (a) {
    case QAbstractSlider::SliderSingleStepSub: pos = current - len / 100 - 1; break;
    case QAbstractSlider::SliderSingleStepAdd: pos = current + len / 100 + 1; break;
    case QAbstractSlider::SliderPageStepSub: pos = current - len / 10 - 1; break;
    case QAbstractSlider::SliderPageStepAdd: pos = current + len / 10 + 1; break;
    case QAbstractSlider::SliderMove: pos = stock_.bar->sliderPosition(); break;
    case QAbstractSlider::SliderToMinimum: pos = 0; break;
    case QAbstractSlider::SliderToMaximum: pos = max_pos; break;
    default: return;
    }
    pos = std::clamp(pos, 0, max_pos);
    stock_.bar->setSliderPosition(pos);
    double v = fsb__value_at(stock_, pos, max_pos);
    if (std::fabs(v - stock_.position) > 1e-10) {
        stock_.position = v;
        emit position_changed(v);
    }
}
