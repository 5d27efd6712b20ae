// The properties panel: the fields of the one selected element.
#pragma once

#include <QScrollArea>

#include "frame/frame_hub.h"
#include "frame/frame_host.h"

class QLabel;

struct prop_stock {
    QWidget *win = nullptr;
    QLabel *header = nullptr;
    frame_host *target = nullptr;
    label *lab = nullptr;
    int state = 0; // 0 none selected, 1 several, 2 one
    element *e = nullptr;
};

class properties_panel final : public QWidget, public properties_view, public key_navigation_target {
    Q_OBJECT
public:
    properties_panel(QWidget *parent, frame_host *target, label *lab);
    void notify(const frame_notify &n) override;
    void set_label(label *lab) override;
    void relayout() override;
    void focus_description() override;
    void key_navigation(int key, Qt::KeyboardModifiers modifiers) override;
    const prop_stock &stock() const { return stock_; }

protected:
    void resizeEvent(QResizeEvent *) override;

private:
    prop_stock stock_;
};
