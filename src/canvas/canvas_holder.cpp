#include "canvas/canvas_holder.h"

#include "canvas/canvas.h"

canvas_holder::canvas_holder(QWidget *parent, frame_host *target, label *lab) : QWidget(parent)
{
    setObjectName(QStringLiteral("zelta-canvas-holder-window"));
    stock_.win = this;
    stock_.canvas = new canvas_window(this, target, lab);
}

void canvas_holder::resizeEvent(QResizeEvent *)
{
    stock_.canvas->setGeometry(rect());
}
