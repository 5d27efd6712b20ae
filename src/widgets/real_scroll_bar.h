// The floating scroll bar: a standard scroll bar driven by a range, a page
// and a position in label units (real numbers), ascending or descending.
#pragma once

#include <QWidget>

class QScrollBar;

struct fsb_stock {
    QWidget *win = nullptr;
    QWidget *parent = nullptr;
    QScrollBar *bar = nullptr;
    bool vertical = false;
    double start = 0;
    double end = 100.0;
    double page = 10.0;
    double position = 0;
    double pixels_per_unit = 0;
};

// The inner bar's integer state for a given real state and pixel length.
struct fsb_inner {
    int page = 0;
    int max_pos = 0; // M
    int pos = 0;
};

// Clamps `s.position` as the bar does and gives the inner bar's state.
fsb_inner fsb__update(fsb_stock &s, int length);
// The real position an inner position stands for.
double fsb__value_at(const fsb_stock &s, int pos, int max_pos);

enum : int { FSB_SET_RANGE = 1, FSB_SET_PAGE = 2, FSB_SET_POSITION = 4 };

class float_scroll_bar final : public QWidget {
    Q_OBJECT
public:
    float_scroll_bar(QWidget *parent, bool vertical);
    // Sets the parts named by `flags`, then updates the bar.
    void set(int flags, double start, double end, double page, double position);
    // The range, page and position as they are.
    void get(double &start, double &end, double &page, double &position) const;
    // Moves to a new position when it differs by more than 1e-10.
    void set_position(double position);
    const fsb_stock &stock() const { return stock_; }
    QScrollBar *inner() const { return stock_.bar; }
    void update_bar();

signals:
    // Sent after every update (also when nothing moved) and every scroll.
    void position_changed(double position);

protected:
    void resizeEvent(QResizeEvent *) override;

private:
    void action(int a);
    int length() const;
    fsb_stock stock_;
    bool applying_ = false;
};
