#include "widgets/clrflatbtn.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "model/settings.h"
#include "platform/colour_choice.h"

colour_button::colour_button(QWidget *parent, std::uint32_t rgb) : QWidget(parent)
{
    setObjectName(QStringLiteral("color-flat-button"));
    stock_.win = this;
    stock_.enabled = isEnabled();
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::ArrowCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
    set_colour(rgb);
    show();
}

void colour_button::set_colour(std::uint32_t rgb)
{
    stock_.color = rgb & 0xFFFFFFu;
    update();
}

std::uint32_t colour_button::colour() const
{
    return 0xFF000000u | stock_.color;
}

void colour_button::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QColor c = QColor::fromRgb(0xFF000000u | stock_.color);
    if (stock_.enabled) {
        p.fillRect(rect(), c);
    } else {
        // Backward diagonal hatching in the colour, the gaps in its inverse.
        p.fillRect(rect(), QColor::fromRgb(0xFF000000u | (~stock_.color & 0xFFFFFFu)));
        p.fillRect(rect(), QBrush(c, Qt::BDiagPattern));
    }
    // The sunken edge.
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(0, 0, width() - 1, 0);
    p.drawLine(0, 0, 0, height() - 1);
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(width() - 1, 0, width() - 1, height() - 1);
    p.drawLine(0, height() - 1, width() - 1, height() - 1);
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(2, 2, -3, -3));
    }
}

void colour_button::pick()
{
    if (!stock_.enabled)
        return;
    custom_colours customs;
    for (int i = 0; i < settings::custom_color_count; ++i)
        customs[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(settings::get_custom_color(i)) & 0xFFFFFFu;
    std::optional<std::uint32_t> chosen = seam<colour_choice_service>::get().choose(this, stock_.color, customs);
    if (chosen) {
        set_colour(*chosen);
        emit colour_changed(colour());
    }
    // Custom colours are kept whether or not the user confirmed.
    for (int i = 0; i < settings::custom_color_count; ++i)
        settings::set_custom_color(i, static_cast<std::int32_t>(customs[static_cast<std::size_t>(i)]));
}

void colour_button::mousePressEvent(QMouseEvent *e)
{
    // The press is the button's own, so that its release comes back here
    // wherever the button sits.
    if (e->button() == Qt::LeftButton) {
        e->accept();
        return;
    }
    QWidget::mousePressEvent(e);
}

void colour_button::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        pick();
}

void colour_button::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        pick();
        return;
    }
    QWidget::keyPressEvent(e);
}

void colour_button::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::EnabledChange && stock_.enabled != isEnabled()) {
        stock_.enabled = isEnabled();
        update();
    }
    QWidget::changeEvent(e);
}
