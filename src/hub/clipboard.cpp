#include "hub/clipboard.h"

#include <algorithm>

namespace {
std::vector<element *> &store()
{
    static std::vector<element *> s;
    return s;
}
} // namespace

namespace element_clipboard {

void clear()
{
    for (element *e : store())
        ele__free(e);
    store().clear();
}

void add_front(const element *e)
{
    store().insert(store().begin(), ele__copy(e));
}

bool is_empty()
{
    return store().empty();
}

const std::vector<element *> &entries()
{
    return store();
}

void bounds(double &min_x, double &min_y, double &max_x, double &max_y)
{
    min_x = min_y = max_x = max_y = 0;
    bool first = true;
    for (const element *e : store()) {
        if (first) {
            min_x = max_x = e->x;
            min_y = max_y = e->y;
            first = false;
            continue;
        }
        min_x = std::min(min_x, e->x);
        max_x = std::max(max_x, e->x);
        min_y = std::min(min_y, e->y);
        max_y = std::max(max_y, e->y);
    }
}

} // namespace element_clipboard
