// The box of an element: where it lies for its anchor code and automatic
// sizes, which of its edges are drawn, its handles and its bounds.  The
// canvas draws and edits by it, the label server renders into it.
#pragma once

#include "model/element.h"

struct element_layout {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0; // the unrotated box, x1 <= x2, y1 <= y2
    // 1: the edge is drawn; 0: open (the element grows that way).
    int left = 1, top = 1, right = 1, bottom = 1;
    double wx = 0, wy = 0; // width handle
    double hx = 0, hy = 0; // height handle
    double cx = 0, cy = 0; // corner handle
    double rx = 0, ry = 0; // rotation handle
    int wkind = 1, hkind = 2, ckind = 3;
};

// Spot and handle kinds.
enum : int {
    SPOT_MARKER = 0,
    SPOT_WIDTH = 1,
    SPOT_HEIGHT = 2,
    SPOT_CORNER = 3,
    SPOT_ROTATE = 4,
    SPOT_AUTO_WIDTH = 5,
    SPOT_AUTO_HEIGHT = 6,
    SPOT_NONE = 7,
};

// A rotation drag under way: the rotation handle follows the pointer.
struct layout_rotation {
    bool active = false;
    double x = 0, y = 0;
};

// Two positions are the same within 1e-10.
bool ele__same(double a, double b);
// A non-picture at 90 or 270 degrees: its box is turned.
bool ele__turned(const element *e);
// The automatic size shown for a negative dimension.
double ele__shown_size(double v);

// The layout of an element (a quadrant outside 0..8 is placed as 0).
element_layout ele__layout(const element *e, const layout_rotation &rotation = {});
// Lays the element out and stores its bounds; returns the layout.
element_layout ele__layout_store(element *e, const layout_rotation &rotation = {});
// The bounds (min x, min y, max x, max y) of a layout: for a picture at an
// angle, around the four rotated corners.
void ele__layout_bounds(const element *e, const element_layout &l, double out[4]);

// A point rotated by `angle` degrees about (cx, cy), counter-clockwise,
// with single-precision cosine and sine and the results truncated to whole
// points; an angle of (almost) 0 leaves it as it is.
void ele__rotate_point(double px, double py, double cx, double cy, double angle, double &ox, double &oy);

// The edges of an element's laid-out box; top is the largest y.
enum class ele_edge { left, right, top, bottom, hcenter, vcenter };
// Edge k of an element's laid-out box; a picture at an angle by its rotated
// corners.
double ele__edge(const element *e, ele_edge k);
