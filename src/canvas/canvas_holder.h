// The canvas holder: rulers, scroll bars, the preview corner button and the
// canvas.
#pragma once

#include <QWidget>

#include "frame/frame_hub.h"

class canvas_window;
class frame_host;

struct cnh_stock {
    QWidget *win = nullptr;
    canvas_window *canvas = nullptr;
};

class canvas_holder final : public QWidget {
    Q_OBJECT
public:
    canvas_holder(QWidget *parent, frame_host *target, label *lab);
    canvas_window *canvas() const { return stock_.canvas; } // 1054

protected:
    void resizeEvent(QResizeEvent *) override;

private:
    cnh_stock stock_;
};
