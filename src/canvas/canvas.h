// The canvas: the label at a zoom, each element's real content (as the
// render library draws it) under its schematic box, with grids, guides,
// anchor markers and handles, and everything the mouse does to them.
// Painting lives in canvas.cpp, cnv_content.cpp and cnv_elements.cpp,
// guides in cnv_guides.cpp; what the mouse does is one interaction mode at
// a time (canvas_mode.h, mode_*.cpp).
#pragma once

#include <QElapsedTimer>
#include <QFont>
#include <QStaticText>
#include <unordered_map>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <array>
#include <deque>
#include <list>
#include <memory>
#include <optional>
#include <vector>

#include "hub/frame_hub.h"
#include "model/layout.h"
#include "render/render.h"

class canvas_mode;
class picture_worker;
class frame_host;
class float_scroll_bar;
class ruler;

// A hit-test target left by the drawing: an anchor marker or a handle.
struct spot {
    int x = 0, y = 0; // centre, client pixels
    int r = 0;        // hit radius
    int kind = 0;     // SPOT_MARKER .. SPOT_AUTO_HEIGHT
    element *e = nullptr;
};

struct guide {
    int vertical = 0; // 1: a vertical line at x = pos; 0: horizontal at y = pos
    double pos = 0;
};

// The interaction under way (canvas_stock::mode).
enum : int {
    CNV_NORMAL = 0,       // selecting by clicks
    CNV_RUBBER_BAND = 1,
    CNV_GUIDE_DRAG = 2,
    CNV_ELEMENT_DRAG = 3, // moving, resizing or turning an element
    CNV_ARMED = 4,        // a creation tool waits for a click
};

inline constexpr int CANVAS_SNAP_PERIOD = 700;

// Client pixel coordinates are kept within +-CANVAS_PIXEL_LIMIT: a sum or a
// difference of two of them, grown by a margin, is still an int.
inline constexpr int CANVAS_PIXEL_LIMIT = 1 << 29;

struct canvas_stock {
    QWidget *win = nullptr;
    frame_host *owner = nullptr;
    label *lab = nullptr;
    ruler *hruler = nullptr, *vruler = nullptr;
    float_scroll_bar *hscroll = nullptr, *vscroll = nullptr;
    int mode = CNV_NORMAL; // the kind of the interaction mode in charge
    double scale = 1;
    double org_x = 0, org_y = 0;
    double view_w = 0, view_h = 0;
    double ext[4] = {0, 0, 0, 0}; // min x, min y, max x, max y
    double base_scale = 1;
    int zoom = 100;
    int tracking = 0;
    std::uint32_t cbr = 0xFFFFFF; // the label's background colour
    int sized = 0;
    std::list<guide> guides; // newest first
    int grid[3] = {0, 0, 0};
    std::deque<spot> spots; // the front is the first found
};

class canvas_window final : public QWidget, public canvas_view {
    Q_OBJECT
public:
    canvas_window(QWidget *parent, frame_host *owner, label *lab);
    ~canvas_window() override;

    // frame_view
    void notify(const frame_notify &n) override;
    void set_label(label *lab) override;
    void relayout() override;
    // canvas_view
    bool is_idle() override;
    void redraw_element(int index) override;
    void recompute_extent() override;
    void deselect_all() override;
    void normal_mode() override;
    void restore_label(label *lab) override;

    // The view's own commands, asked for by the frame window once the hub
    // let them run.
    bool grid_shown(int step);        // step 10, 20 or 40
    void show_grid(int step, bool on);
    void zoom_to(int percent);        // the point under the pointer stays there
    void zoom_in();
    void zoom_out();
    // The zoom at which the extent (the label and whatever lies beyond it)
    // fits the canvas with a margin, at most 1000 %; 0 while the canvas is
    // too small for any.
    int fit_percent() const;
    // The same as a factor of the base scale, not rounded (0 as above).
    double fit_factor() const;
    void zoom_fit();
    // The label point under `pixel` stays there (the wheel's zoom).
    void zoom_about(int percent, QPoint pixel);
    // Until the user zooms, the view follows the canvas's size: 100 %, or
    // the fit when the label does not fit at 100 %.
    bool auto_fit() const { return auto_fit_; }
    // Escape: an armed tool goes back to the arrow, a drag is called off
    // (what it moved put back).  False when nothing was under way.
    bool cancel_operation();
    // The step of Ctrl+arrow: the finest grid shown, else 10 points.
    int grid_step() const;
    // The topmost element whose box holds a client pixel, or -1.
    int element_at(QPoint p) const;
    // The canvas's menu for a client pixel: on an element, that element
    // (selected alone unless it is selected already) and the selection's
    // commands; elsewhere the label's.
    void show_context_menu(QPoint p);
    void remove_guides();
    void arm(int kind);               // a creation tool: ELE_TEXT .. ELE_BARCODE
    // The elements' real content under their boxes, or the boxes alone.
    bool content_shown() const { return content_on_; }
    void show_content(bool on);
    // The preview variables changed: texts and barcodes show the new values.
    void variables_changed();
    // EPS pictures still being drawn in the background (for tests).
    int pictures_pending() const;
    // Elements whose content was drawn again by the last paints, since the
    // count was last read (for tests and benchmarks).
    int take_content_draws();

    // A ruler handed over a drag: a guide is made under the pointer.
    void begin_guide(bool vertical);
    // The holder hands over its parts: 0 vertical scroll bar, 1 horizontal
    // scroll bar, 2 vertical ruler, 3 horizontal ruler.
    void attach(int which, QWidget *w);
    // Where the pointer is, in points, not clamped to the label.
    void pointer_position(double &x, double &y) const;
    // The scroll bars' position reports.
    void scrolled(bool horizontal, double position);

    // Point <-> pixel.
    int px(double x) const;
    int py(double y) const;
    double to_x(double pixel_x) const;
    double to_y(double pixel_y) const;

    const canvas_stock &stock() const { return stock_; }
    // The scene as the next paint draws it (for tests and benchmarks).
    QImage render();
    // Paints `area` of the scene into `img` (client size) as a paint of that
    // area does: only what meets it is drawn.
    void render_area(QImage &img, const QRect &area);
    // Grid lines drawn by the last paint (all grids together).
    int grid_lines_painted() const { return grid_lines_; }
    // The element's box on screen, grown by `grow` pixels.
    QRect element_rect(const element *e, int grow) const;
    // The spot under a client pixel, or null.
    const spot *hit(QPoint p) const;
    // The guide under a client pixel, or null.
    guide *guide_at(QPoint p);
    // The nearest guide of one orientation to a point in points, or null.
    guide *nearest_guide(double x, double y, bool vertical);
    // The guide an element drag snaps to when the pointer rests, or null.
    const guide *snap_guide() const;

protected:
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void contextMenuEvent(QContextMenuEvent *e) override;
    void leaveEvent(QEvent *e) override;
    bool event(QEvent *e) override;

private:
    friend class canvas_mode;
    // The mode in charge from now on; the one it replaces lives until the
    // outermost event that ended it is handled (events nest: moving the
    // pointer from inside a mode sends one).
    void enter(std::unique_ptr<canvas_mode> next);
    struct dispatch {
        explicit dispatch(canvas_window &c);
        ~dispatch();
        canvas_window &c;
    };
    // A view's change notification to the frame.
    void send(int code, int index, double value);
    void select(int index, bool on);
    // The rotation handle of an element being turned, for its layout.
    std::optional<layout_rotation> rotation_of(const element *e) const;

    // canvas.cpp
    void reset_view();
    // 100 %, or the fit when the extent does not fit at 100 %.
    void apply_fit_rule();
    void set_zoom(double scale, int percent);
    void compute_view();
    void update_scroll_bars(bool first);
    void update_rulers();
    void update_ruler(bool horizontal);
    void auto_scroll(double x, double y);
    // While dragging: the view stays where it is until the pointer reaches
    // its edge, then moves a tenth of the view that way.
    void drag_scroll(double x, double y);
    void paint_scene(QPainter &p, const QRect &client, const QRect &dirty);
    void invert_band(QImage &img);
    void paint_grid(QPainter &p, int step, const QRect &area);
    void position_status(QPoint pixel);
    QPoint pointer() const;
    void layout_all();
    void layout_element(element *e);
    bool extent_changed();
    // cnv_elements.cpp
    void draw_elements(QPainter &p, const QRect &dirty);
    struct element_frame;
    void draw_element(QPainter &p, element *e, int index, const QRect &dirty);
    void draw_edges(QPainter &p, const element_frame &fr);
    void draw_element_text(QPainter &p, const element *e, const element_frame &fr, const QRect &dirty);
    void draw_turned_text(QPainter &p, const element *e, const QRect &r, const QString &text);
    void draw_handles(QPainter &p, element *e, const element_frame &fr, bool visible);
    void draw_marker(QPainter &p, element *e);
    void draw_description(QPainter &p, const element *e, const QRect &r, const QString &text);
    void add_spot(int x, int y, int r, int kind, element *e);
    void redraw_with_trail(int index);
    // cnv_guides.cpp
    void draw_guides(QPainter &p, const QRect &area);
    // cnv_content.cpp
    void draw_contents(QPainter &p, const QRect &dirty);
    void draw_content(QPainter &p, int index, const QRect &area, const QPoint &origin);
    bool shows_description(const element *e) const;
    QRect content_rect(const element *e) const;
    void content_status();

    canvas_stock stock_;
    std::unique_ptr<canvas_mode> mode_;
    std::vector<std::unique_ptr<canvas_mode>> retired_;
    int dispatching_ = 0;
    struct text_cache_entry {
        QString text;
        int width = -1;
        QFont font;
        QStaticText layout;
    };
    std::unordered_map<const element *, text_cache_entry> text_cache_;
    // One element's content as drawn at the current zoom, relative to the
    // label's top left pixel; `covered` is the part drawn (the part on the
    // screen, with a margin, of a large element).
    struct content_entry {
        std::uint64_t key = 0;
        QRectF extent; // where drawing it may touch, relative to the label's corner
        QRect covered;
        QImage image;
        element_state state = element_state::drawn;
        std::u16string reason;
        unsigned long long used = 0;
    };
    std::unordered_map<const element *, content_entry> contents_;
    bool content_on_ = true;
    std::unique_ptr<picture_worker> pictures_;
    unsigned pictures_arrived_ = 0;  // part of the key of picture elements
    std::uint64_t variables_key_ = 0;
    render_variable_map variables_;
    unsigned long long paints_ = 0;
    int content_draws_ = 0;
    QString content_status_;
    QTimer snap_timer_;
    QImage scene_;
    std::array<QPoint, 4> trail_{};   // the last pointer points
    int trail_len_ = 0;
    int grid_lines_ = 0;
    bool auto_fit_ = true;
};
