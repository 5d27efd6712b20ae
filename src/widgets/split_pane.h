// The split container: two children side by side (horizontal) or one above
// the other (vertical), with a two-pixel splitter the user drags.  The split
// is kept in thousandths of the extent, between 200 and 800.
#pragma once

#include <QRect>
#include <QWidget>

struct two_stock {
    QWidget *win = nullptr;
    QWidget *first = nullptr;
    QWidget *second = nullptr;
    bool vertical = false;
    bool dragging = false;
    double split = 500;
};

struct two_layout {
    QRect first, second;
};

inline constexpr double TWO_MIN_SPLIT = 200;
inline constexpr double TWO_MAX_SPLIT = 800;

// The children's rectangles for a client of w x h; empty when either is 0.
two_layout two__layout(int w, int h, bool vertical, double split);
// The split a pointer at `coord` along an extent asks for, or a negative
// value when it is outside 200..800 and must be ignored.
double two__candidate(int coord, int extent);

class split_container final : public QWidget {
    Q_OBJECT
public:
    split_container(QWidget *parent, QWidget *first, QWidget *second, bool vertical, int split);
    // Where the split is, in thousandths of the container, truncated.
    int ratio() const { return static_cast<int>(stock_.split); }
    QWidget *first() const { return stock_.first; }
    QWidget *second() const { return stock_.second; }
    bool vertical() const { return stock_.vertical; }
    // Gives the children back to `parent` (for a layout rebuild).
    void release_children(QWidget *parent);
    void relayout();
    // A point (container pixels) in the splitter gap, on no pane.
    bool in_gap(QPoint p) const;
    bool dragging() const { return stock_.dragging; }

protected:
    void resizeEvent(QResizeEvent *) override;
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    bool event(QEvent *e) override;

private:
    two_stock stock_;
};
