// The preview: the label as the server renders it, with its variables.
#pragma once

#include <QWidget>

#include "frame/frame_host.h"
#include "frame/frame_hub.h"

struct prv_stock {
    QWidget *win = nullptr;
    frame_host *target = nullptr;
    label *lab = nullptr;
};

class preview_window final : public QWidget, public preview_view, public key_navigation_target {
    Q_OBJECT
public:
    preview_window(QWidget *parent, frame_host *target, label *lab);
    void set_label(label *lab) override;
    void activate() override;
    void key_navigation(int key, Qt::KeyboardModifiers modifiers) override;
    const prv_stock &stock() const { return stock_; }

protected:
    void keyPressEvent(QKeyEvent *e) override;

private:
    prv_stock stock_;
};
