// What the drags of an element share: the canvas in CNV_ELEMENT_DRAG with
// the mouse captured, one step per pointer movement, the view scrolling
// along, and the pointer snapping onto a guide it rests near.
#pragma once

#include "canvas/canvas_mode.h"

class element_drag : public canvas_mode {
public:
    element_drag(canvas_window &c, int index) : canvas_mode(c), el_(index) {}
    int kind() const override { return CNV_ELEMENT_DRAG; }
    void begin() override;
    void move(QPoint p, Qt::MouseButtons) override { step(p); }
    void release(QPoint) override { finish(); }
    void capture_lost() override { finish(); }
    void rested() override;
    bool cancel() override;
    void guides_removed() override { snap_ = nullptr; }
    const guide *snap_guide() const override { return snap_; }

protected:
    // The step's own work on element `e`, the pointer at (sx, sy) in points
    // kept inside the view.  False when the step is dropped whole.
    virtual bool apply(element *e, double sx, double sy) = 0;
    // Whether the view scrolls after the pointer, and whether the dragged
    // element is redrawn with the pointer's trail after a step.
    virtual bool scrolls() const { return true; }
    virtual bool redraws_with_trail() const { return true; }

    // After a step: the guide of one orientation to snap to, the delay
    // started again when there is one; or of either orientation.
    void snap_look(double x, double y, bool vertical);
    void snap_either(double x, double y);

    int el_;

private:
    void step(QPoint pixel);
    void finish();
    void stop(); // the mode ends, the mouse and the cursor go back
    guide *snap_ = nullptr;
};
