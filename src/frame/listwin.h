// The element list: one line per element in array order (its kind icon and
// description), selection kept in step with the canvas both ways, and the
// raise and lower buttons.
#pragma once

#include <QWidget>

#include "hub/frame_hub.h"

class frame_host;
class QTreeWidget;
class QItemSelection;
class picture_button;

struct list_stock {
    QWidget *win = nullptr;
    frame_host *target = nullptr;
    QTreeWidget *lv = nullptr;
    picture_button *raise = nullptr;
    picture_button *lower = nullptr;
    label *lab = nullptr;
    bool updating = false;
    int bar_height = 0;
};

class element_list final : public QWidget, public frame_view {
    Q_OBJECT
public:
    element_list(QWidget *parent, frame_host *target, label *lab);
    void notify(const frame_notify &n) override;
    void set_label(label *lab) override;
    void relayout() override;
    const list_stock &stock() const { return stock_; }
    // The icon of an element's line: its kind, the grey form when disabled.
    static int icon_index(const element *e);

protected:
    void resizeEvent(QResizeEvent *) override;
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    void rebuild();
    void insert_line(int index);
    void set_line(int index);
    void user_selection(const QItemSelection &selected, const QItemSelection &deselected);
    void refresh_buttons();
    list_stock stock_;
};
