#include "canvas/canvas_holder.h"

#include <QCoreApplication>
#include <QPainter>
#include <QStyle>

#include "canvas/canvas.h"
#include "resources/icons.h"
#include "widgets/real_scroll_bar.h"
#include "widgets/frame_host.h"
#include "widgets/picbtn.h"
#include "widgets/ruler.h"

canvas_holder::canvas_holder(QWidget *parent, frame_host *owner, label *lab) : QWidget(parent)
{
    setObjectName(QStringLiteral("zelta-canvas-holder-window"));
    stock_.win = this;
    stock_.owner = owner;
    stock_.lab = lab;
    stock_.canvas = new canvas_window(this, owner, lab);
    stock_.hscroll = new float_scroll_bar(this, false);
    stock_.vscroll = new float_scroll_bar(this, true);
    canvas_window *c = stock_.canvas;
    connect(stock_.hscroll, &float_scroll_bar::position_changed, c, [c](double p) { c->scrolled(true, p); });
    connect(stock_.vscroll, &float_scroll_bar::position_changed, c, [c](double p) { c->scrolled(false, p); });
    c->attach(1, stock_.hscroll);
    c->attach(0, stock_.vscroll);
    stock_.hruler = new ruler(this, false);
    stock_.vruler = new ruler(this, true);
    c->attach(3, stock_.hruler);
    c->attach(2, stock_.vruler);
    stock_.preview_btn = new picture_button(this, res__icon("preview"), res__icon("preview"));
    stock_.preview_btn->setObjectName(QStringLiteral("zelta-picture-button"));
    stock_.preview_btn->setToolTip(QCoreApplication::translate("vellumo", "Предпросмотр (F2)"));
    stock_.preview_btn->setFocusPolicy(Qt::NoFocus);
    connect(stock_.preview_btn, &picture_button::clicked, this, [this] {
        if (stock_.owner)
            stock_.owner->enter_preview();
    });
}

void canvas_holder::resizeEvent(QResizeEvent *)
{
    const int W = width(), H = height(), R = CNH_RULER;
    const int V = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int S = V;
    stock_.canvas->setGeometry(R, R, W - V - R, H - S - R);
    stock_.hscroll->setGeometry(0, H - S, W - V, S);
    stock_.vscroll->setGeometry(W - V, 0, V, H - S);
    stock_.hruler->setGeometry(R, 0, W - V - R, R);
    stock_.vruler->setGeometry(0, R, R, H - S - R);
    stock_.preview_btn->setGeometry(0, 0, R, R);
}

void canvas_holder::paintEvent(QPaintEvent *)
{
    // The corner between the scroll bars.
    QPainter(this).fillRect(rect(), palette().color(QPalette::Mid));
}
