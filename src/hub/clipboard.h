// The element clipboard shared by every frame of the process.
#pragma once

#include <vector>

#include "model/element.h"

namespace element_clipboard {
void clear();                       // frees the copies
void add_front(const element *e);   // a deep copy, in front of the others
bool is_empty();
const std::vector<element *> &entries(); // front first
// Smallest and largest x and y over the entries (all 0 when empty).
void bounds(double &min_x, double &min_y, double &max_x, double &max_y);
} // namespace element_clipboard
