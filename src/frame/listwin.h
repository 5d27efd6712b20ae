// The element list: one line per element in array order, selection in step
// with the canvas, raise and lower buttons.
#pragma once

#include <QWidget>

#include "frame/frame_hub.h"

class frame_host;
class QTreeWidget;
class picture_button;

struct list_stock {
    QWidget *win = nullptr;
    QTreeWidget *list = nullptr;
    picture_button *raise = nullptr;
    picture_button *lower = nullptr;
    frame_host *target = nullptr;
    label *lab = nullptr;
};

class element_list final : public QWidget, public frame_view {
    Q_OBJECT
public:
    element_list(QWidget *parent, frame_host *target, label *lab);
    void notify(const frame_notify &n) override;
    void set_label(label *lab) override;
    void relayout() override;
    const list_stock &stock() const { return stock_; }

protected:
    void resizeEvent(QResizeEvent *) override;

private:
    list_stock stock_;
};
