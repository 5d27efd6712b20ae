// The interactions of the mouse with the canvas, one small class each:
// selecting by clicks (the canvas's normal mode), the rubber band, a guide
// dragged, an element or the selection moved, a handle resizing, a picture
// turned, and the creation tool armed.  The canvas holds one mode at a time
// and hands it the mouse; a mode keeps its own state from its press to its
// release and, when it ends, puts the next mode in its place.  The drag a
// press starts is chosen by cnv__mode_for_drag from what was pressed.
#pragma once

#include <QPoint>
#include <Qt>
#include <memory>
#include <optional>

#include "canvas/canvas.h"

class canvas_mode {
public:
    explicit canvas_mode(canvas_window &canvas) : c(canvas) {}
    virtual ~canvas_mode() = default;
    canvas_mode(const canvas_mode &) = delete;
    canvas_mode &operator=(const canvas_mode &) = delete;

    // What the canvas's stock shows as its `mode` (CNV_NORMAL ...).
    virtual int kind() const = 0;
    // The mode has just taken charge (the capture, the cursor...).
    virtual void begin() {}

    // The mouse, as the canvas receives it.
    virtual void press(QPoint, Qt::KeyboardModifiers) {}
    virtual void right_press(QPoint) {}
    virtual void move(QPoint, Qt::MouseButtons) {}
    virtual void release(QPoint) {}
    virtual void double_click(QPoint) {}
    // The mouse capture went elsewhere: the operation ends as a release
    // would end it.
    virtual void capture_lost() {}
    // The pointer rested for CANVAS_SNAP_PERIOD during a drag.
    virtual void rested() {}
    // Escape: the operation is called off, leaving things as they were
    // before it; false when there was nothing to call off.
    virtual bool cancel() { return false; }

    // The label object or its elements changed under the mode.
    virtual void label_changed() {}
    // Every guide is gone.
    virtual void guides_removed() {}

    // For the painting: the rubber band's corners in points, and the
    // rotation handle of an element being turned.
    virtual bool band(double &, double &, double &, double &) const { return false; }
    virtual std::optional<layout_rotation> rotation_of(const element *) const { return std::nullopt; }
    // The guide a drag would snap to when the pointer rests, or null.
    virtual const guide *snap_guide() const { return nullptr; }

protected:
    canvas_window &c;
    canvas_stock &stock() { return c.stock_; }
    label *lab() { return c.stock_.lab; }

    // The next mode takes over (this one lives until its event is done).
    void enter(std::unique_ptr<canvas_mode> next) { c.enter(std::move(next)); }
    // Back to selecting.
    void end();
    // The mode in charge now (this one, or the one it just handed over to).
    canvas_mode &current_mode() { return *c.mode_; }

    // A change of an element, reported to the frame as a view does.
    void send(int code, int index, double value) { c.send(code, index, value); }
    void select(int index, bool on) { c.select(index, on); }
    void redraw_with_trail(int index) { c.redraw_with_trail(index); }
    void auto_scroll(double x, double y) { c.drag_scroll(x, y); }
    void status(int part, const QString &text);
    void start_snap_timer() { c.snap_timer_.start(CANVAS_SNAP_PERIOD); }
    // The frame's hub, or null for a canvas without a frame.
    frame_hub *hub();
    void stop_snap_timer() { c.snap_timer_.stop(); }
    QPoint pointer() const { return c.pointer(); }
    // The pointer in points, kept inside the view.
    double view_x(int pixel_x) const;
    double view_y(int pixel_y) const;
};

// What a drag started on.
struct drag_start {
    enum { marker, handle, nothing, guide_line } what = nothing;
    spot pressed;        // the marker or handle
    guide *line = nullptr;
    QPoint pixel;        // where the button went down
    Qt::KeyboardModifiers mods;
};

// The mode a drag from `start` runs in: a marker moves its element (or the
// selection, when several are selected), a width, height or corner handle
// resizes, the rotation handle turns a picture, nothing draws a rubber band,
// a guide moves.  Null for a press that starts no drag (the handles of
// automatic sizes, the rotation handle of anything but a picture).
std::unique_ptr<canvas_mode> cnv__mode_for_drag(canvas_window &c, const drag_start &start);

// The modes the canvas enters by itself.
std::unique_ptr<canvas_mode> cnv__select_mode(canvas_window &c);
std::unique_ptr<canvas_mode> cnv__create_mode(canvas_window &c, int kind);
// `fresh`: pulled out of a ruler just now (called off, it goes).
std::unique_ptr<canvas_mode> cnv__guide_mode(canvas_window &c, guide *g, bool fresh = false);

// The drags the factory chooses between.
std::unique_ptr<canvas_mode> cnv__band_mode(canvas_window &c, QPoint from, Qt::KeyboardModifiers mods);
std::unique_ptr<canvas_mode> cnv__move_mode(canvas_window &c, int index);
std::unique_ptr<canvas_mode> cnv__resize_mode(canvas_window &c, int index, int handle);
std::unique_ptr<canvas_mode> cnv__rotate_mode(canvas_window &c, int index, const spot &handle);
