// The canvas holder: the canvas with its two rulers, two floating scroll
// bars and the preview button in the corner.
#pragma once

#include <QWidget>

#include "hub/frame_hub.h"

class canvas_window;
class float_scroll_bar;
class frame_host;
class picture_button;
class ruler;

struct cnh_stock {
    QWidget *win = nullptr;
    frame_host *owner = nullptr;
    canvas_window *canvas = nullptr;
    float_scroll_bar *hscroll = nullptr, *vscroll = nullptr;
    ruler *hruler = nullptr, *vruler = nullptr;
    picture_button *preview_btn = nullptr;
    label *lab = nullptr;
};

inline constexpr int CNH_RULER = 17;

class canvas_holder final : public QWidget {
    Q_OBJECT
public:
    canvas_holder(QWidget *parent, frame_host *owner, label *lab);
    canvas_window *canvas() const { return stock_.canvas; }
    const cnh_stock &stock() const { return stock_; }

protected:
    void resizeEvent(QResizeEvent *) override;
    void paintEvent(QPaintEvent *) override;

private:
    cnh_stock stock_;
};
