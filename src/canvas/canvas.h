// The canvas: the label drawn schematically at a zoom, edited with the mouse.
#pragma once

#include <QWidget>

#include "frame/frame_hub.h"

class frame_host;

struct canvas_stock {
    QWidget *win = nullptr;
    frame_host *target = nullptr;
    label *lab = nullptr;
    bool grid10 = false, grid20 = false, grid40 = false;
    int mode = 0;
    int zoom = 100;
};

class canvas_window final : public QWidget, public canvas_view {
    Q_OBJECT
public:
    canvas_window(QWidget *parent, frame_host *target, label *lab);
    void notify(const frame_notify &n) override;
    void set_label(label *lab) override;
    void relayout() override;
    bool is_idle() override;
    void redraw_element(int index) override;
    void recompute_extent() override;
    void deselect_all() override;
    void normal_mode() override;
    bool grid_shown(int step) override;
    void show_grid(int step, bool on) override;
    void zoom_to(int percent) override { stock_.zoom = percent; }
    void zoom_in() override { ++stock_.zoom; }
    void zoom_out() override { --stock_.zoom; }
    const canvas_stock &stock() const { return stock_; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    canvas_stock stock_;
};
