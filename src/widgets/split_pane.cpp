#include "widgets/split_pane.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

two_layout two__layout(int w, int h, bool vertical, double split)
{
    two_layout out;
    if (w <= 0 || h <= 0)
        return out;
    if (vertical) {
        int a = static_cast<int>((h - 1) * split * 0.001);
        out.first = QRect(0, 0, w, a - 1);
        out.second = QRect(0, a + 1, w, h - a - 1);
    } else {
        int a = static_cast<int>((w - 1) * split * 0.001);
        out.first = QRect(0, 0, a - 1, h);
        out.second = QRect(a + 1, 0, w - a - 1, h);
    }
    return out;
}

double two__candidate(int coord, int extent)
{
    if (extent < 2)
        return -1;
    // The coordinate arrives as an unsigned 16-bit value: left of or above
    // the container it is huge and ignored.
    unsigned c = static_cast<unsigned>(coord) & 0xFFFFu;
    double v = c / static_cast<double>(extent - 1) * 1000.0;
    return v < TWO_MIN_SPLIT || v > TWO_MAX_SPLIT ? -1 : v;
}

split_container::split_container(QWidget *parent, QWidget *first, QWidget *second, bool vertical, int split)
    : QWidget(parent)
{
    setObjectName(vertical ? QStringLiteral("zelta-two-windows-vertical-container")
                           : QStringLiteral("zelta-two-windows-horizontal-container"));
    stock_.win = this;
    stock_.first = first;
    stock_.second = second;
    stock_.vertical = vertical;
    stock_.split = std::clamp(static_cast<double>(split), TWO_MIN_SPLIT, TWO_MAX_SPLIT);
    // The sizing arrow shows over the splitter gap only: a pane without a
    // cursor of its own gets the arrow instead of inheriting it.
    setCursor(vertical ? Qt::SizeVerCursor : Qt::SizeHorCursor);
    for (QWidget *c : {first, second})
        if (c) {
            c->setParent(this);
            if (!c->testAttribute(Qt::WA_SetCursor))
                c->setCursor(Qt::ArrowCursor);
            c->show();
        }
    relayout();
    show();
}

void split_container::release_children(QWidget *parent)
{
    for (QWidget *c : {stock_.first, stock_.second})
        if (c && c->parentWidget() == this)
            c->setParent(parent);
    stock_.first = stock_.second = nullptr;
}

void split_container::relayout()
{
    two_layout l = two__layout(width(), height(), stock_.vertical, stock_.split);
    if (l.first.isNull() && l.second.isNull())
        return;
    if (stock_.first)
        stock_.first->setGeometry(l.first);
    if (stock_.second)
        stock_.second->setGeometry(l.second);
}

void split_container::paintEvent(QPaintEvent *)
{
    // Only the splitter gap shows: the colour of an inactive border.
    QPainter(this).fillRect(rect(), palette().color(QPalette::Mid));
}

void split_container::resizeEvent(QResizeEvent *)
{
    relayout();
}

bool split_container::in_gap(QPoint p) const
{
    if (!rect().contains(p))
        return false;
    for (QWidget *c : {stock_.first, stock_.second})
        if (c && c->parentWidget() == this && c->isVisible() && c->geometry().contains(p))
            return false;
    return true;
}

void split_container::mousePressEvent(QMouseEvent *e)
{
    // A press a pane left unhandled (a caption, a blank area) reaches the
    // container too: only one in the gap between the panes moves the split.
    if (e->button() != Qt::LeftButton || !in_gap(e->position().toPoint())) {
        e->ignore();
        return;
    }
    stock_.dragging = true;
    grabMouse();
}

void split_container::mouseMoveEvent(QMouseEvent *e)
{
    if (!stock_.dragging)
        return;
    QPoint p = e->position().toPoint();
    double v = stock_.vertical ? two__candidate(p.y(), height()) : two__candidate(p.x(), width());
    if (v < 0)
        return;
    stock_.split = v;
    relayout();
}

void split_container::mouseReleaseEvent(QMouseEvent *)
{
    if (stock_.dragging) {
        stock_.dragging = false;
        releaseMouse();
    }
}

bool split_container::event(QEvent *e)
{
    // Losing the pointer ends a drag, as a cancelled mode would.
    if (stock_.dragging && (e->type() == QEvent::UngrabMouse || e->type() == QEvent::WindowDeactivate)) {
        stock_.dragging = false;
        releaseMouse();
    }
    return QWidget::event(e);
}
