// The ruler: a scale of label units beside the canvas, and the start of a
// new guide dragged out of it onto the canvas.
#pragma once

#include <QFont>
#include <QWidget>
#include <functional>
#include <vector>

struct ruler_tick {
    double value;
    bool labelled;
};

struct ruler_scale {
    double step = 0;
    int decimals = 0;
    std::vector<ruler_tick> ticks;
};

// Maps a value in label units to a window pixel (x for a horizontal ruler,
// y for a vertical one).
using ruler_conversion = std::function<double(double)>;

// The step, decimals and ticks for a visible range; `digit_width` is the
// width of "0" in the ruler's font.  No ticks for a span of (almost) 0.
ruler_scale ruler__scale(double start, double end, const ruler_conversion &to_px, int digit_width);

inline constexpr int RULER_FONT_SIZE = 7;

struct ruler_stock {
    QWidget *win = nullptr;
    QWidget *target = nullptr; // the drag target (the canvas)
    QFont font;
    double start = -20.0;
    double end = 30.0;
    ruler_conversion convert;
    std::function<void(bool vertical)> begin_guide; // the target makes a guide under the pointer
    bool vertical = false;
    bool dragging = false;
};

class ruler final : public QWidget {
    Q_OBJECT
public:
    ruler(QWidget *parent, bool vertical);
    ~ruler() override;
    // The range of points the ruler shows.
    void set_range(double start, double end);
    // How points become pixels, and the window a drag out of the ruler
    // goes to, with what makes a guide there.
    void set_conversion(ruler_conversion convert, QWidget *target, std::function<void(bool)> begin_guide);
    // Begins a drag as a button press does (a guide pulled back over it).
    void begin_drag();
    bool dragging() const { return stock_.dragging; }
    const ruler_stock &stock() const { return stock_; }
    int digit_width() const;

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    bool event(QEvent *e) override;

private:
    void end_drag();
    ruler_stock stock_;
};
