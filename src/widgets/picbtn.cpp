#include "widgets/picbtn.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>

picture_button::picture_button(QWidget *parent, QIcon enabled_icon, QIcon disabled_icon, QSize icon_size)
    : QWidget(parent), icon_size_(icon_size)
{
    setObjectName(QStringLiteral("zelta-picture-button"));
    stock_.win = this;
    stock_.enabled_icon = std::move(enabled_icon);
    stock_.disabled_icon = std::move(disabled_icon);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(Qt::ArrowCursor);
    show();
}

QSize picture_button::sizeHint() const
{
    return icon_size_ + QSize(8, 8);
}

void picture_button::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QStyleOptionButton opt;
    opt.initFrom(this);
    opt.state |= stock_.pressed ? QStyle::State_Sunken : QStyle::State_Raised;
    if (!isEnabled())
        opt.state &= ~QStyle::State_Enabled;
    p.fillRect(rect(), palette().button());
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &opt, &p, this);
    if (hasFocus()) {
        QStyleOptionFocusRect f;
        f.initFrom(this);
        f.rect = rect().adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &f, &p, this);
    }
    const QIcon &icon = isEnabled() ? stock_.enabled_icon : stock_.disabled_icon;
    QPixmap pm = icon.pixmap(icon_size_, devicePixelRatioF(), isEnabled() ? QIcon::Normal : QIcon::Disabled);
    QSize logical = pm.deviceIndependentSize().toSize();
    QPoint at((width() - logical.width()) / 2, (height() - logical.height()) / 2);
    if (stock_.pressed)
        at += QPoint(1, 1);
    p.drawPixmap(at, pm);
}

void picture_button::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton || !isEnabled())
        return;
    stock_.pressed = true;
    stock_.mouse_left = false;
    update();
}

void picture_button::mouse_left()
{
    stock_.mouse_left = true;
    if (stock_.pressed) {
        stock_.pressed = false; // the click is abandoned
        update();
    }
}

void picture_button::mouseMoveEvent(QMouseEvent *e)
{
    // While the button is held the pointer is grabbed: leaving is seen here.
    if (stock_.pressed && !rect().contains(e->position().toPoint())) {
        mouse_left();
        return;
    }
    if (stock_.mouse_left && stock_.pressed) {
        stock_.mouse_left = false;
        update();
    }
}

void picture_button::leaveEvent(QEvent *)
{
    mouse_left();
}

void picture_button::release()
{
    stock_.pressed = false;
    emit clicked();
    update();
}

void picture_button::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton && stock_.pressed)
        release();
}

void picture_button::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Space && !e->isAutoRepeat()) {
        if (isEnabled()) {
            stock_.pressed = true;
            update();
        }
        return;
    }
    QWidget::keyPressEvent(e);
}

void picture_button::keyReleaseEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Space && !e->isAutoRepeat()) {
        if (stock_.pressed)
            release();
        return;
    }
    QWidget::keyReleaseEvent(e);
}

void picture_button::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::EnabledChange) {
        stock_.pressed = false;
        stock_.mouse_left = false;
        update();
    }
    QWidget::changeEvent(e);
}

void picture_button::focusInEvent(QFocusEvent *)
{
    update();
}

void picture_button::focusOutEvent(QFocusEvent *)
{
    update();
}
