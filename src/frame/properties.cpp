#include "frame/properties.h"

#include <QLabel>

#include "widgets/controls.h"

properties_panel::properties_panel(QWidget *parent, frame_host *target, label *lab) : QWidget(parent)
{
    setObjectName(QStringLiteral("zelta-properties-window"));
    stock_.win = this;
    setAutoFillBackground(true);
    stock_.target = target;
    stock_.lab = lab;
    stock_.header = ctl__centred_label(this, QStringLiteral("Нет выбранных элементов."));
}

void properties_panel::notify(const frame_notify &) {}
void properties_panel::set_label(label *lab) { stock_.lab = lab; }
void properties_panel::relayout() {}
void properties_panel::focus_description() {}
void properties_panel::key_navigation(int, Qt::KeyboardModifiers) {}

void properties_panel::resizeEvent(QResizeEvent *)
{
    stock_.header->setGeometry(4, 4, width() - 8, height() - 8);
}
