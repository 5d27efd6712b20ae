#include "frame/listwin.h"

#include <QTreeWidget>

#include "frame/frame_host.h"
#include "resources/icons.h"
#include "widgets/controls.h"
#include "widgets/picbtn.h"

element_list::element_list(QWidget *parent, frame_host *target, label *lab) : QWidget(parent)
{
    setObjectName(QStringLiteral("zelta-list-window"));
    stock_.win = this;
    setAutoFillBackground(true);
    stock_.target = target;
    stock_.lab = lab;
    stock_.list = ctl__list_view(this);
    stock_.raise = new picture_button(this, res__icon("raise"), res__icon("raise"));
    stock_.lower = new picture_button(this, res__icon("lower"), res__icon("lower"));
}

void element_list::notify(const frame_notify &) {}

void element_list::set_label(label *lab)
{
    stock_.lab = lab;
}

void element_list::relayout() {}

void element_list::resizeEvent(QResizeEvent *)
{
    stock_.list->setGeometry(0, 0, width(), height() - 26);
    stock_.raise->setGeometry(0, height() - 24, 24, 24);
    stock_.lower->setGeometry(26, height() - 24, 24, 24);
}
