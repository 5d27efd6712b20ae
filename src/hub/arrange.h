// Alignment to the lead element, same size as the lead, and even
// distribution: pure functions of a label and its selection, each giving the
// changes to make.  The hub applies them as one undo step; the canvas and the
// window only ask for them.
#pragma once

#include <vector>

#include "model/element.h"
#include "model/layout.h"

// One value to set: `code` is the notification code (fn::x, fn::y,
// fn::width or fn::height) of element `index`.
struct arrange_change {
    int index = 0;
    int code = 0;
    double value = 0;
};

enum class size_side { width, height, both };
enum class spread_axis { horizontal, vertical };

struct arrange_result {
    std::vector<arrange_change> changes; // in the order they are made
    bool refused = false; // the lead's size to copy is automatic: a beep
};

// Every other selected element's edge onto the lead's, its anchor kept on
// the label (so an element that would need it outside is left short).
// Nothing with fewer than two selected.
std::vector<arrange_change> arr__align(const label &lab, ele_edge edge);
// The lead's width, then height (for `both`) onto every other selected
// element; a picture's automatic side is left alone (the hub keeps it in
// proportion).  Refused when the lead's side is automatic; for `both` a
// refused height keeps the widths.
arrange_result arr__same_size(const label &lab, size_side side);
// The selected elements (the lead too) spread with equal gaps between their
// boxes; the first and the last in order stay.  The gap may be negative.
std::vector<arrange_change> arr__distribute(const label &lab, spread_axis axis);
