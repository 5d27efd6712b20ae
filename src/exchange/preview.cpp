#include "exchange/preview.h"

#include <QKeyEvent>

preview_window::preview_window(QWidget *parent, frame_host *target, label *lab) : QWidget(parent)
{
    setObjectName(QStringLiteral("zelta-preview-window"));
    stock_.win = this;
    setAutoFillBackground(true);
    stock_.target = target;
    stock_.lab = lab;
    setFocusPolicy(Qt::StrongFocus);
    hide();
}

void preview_window::set_label(label *lab)
{
    stock_.lab = lab;
}

void preview_window::activate()
{
    setFocus();
}

void preview_window::key_navigation(int, Qt::KeyboardModifiers) {}

void preview_window::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_F2 && e->modifiers() == Qt::NoModifier) {
        stock_.target->leave_preview();
        return;
    }
    QWidget::keyPressEvent(e);
}
