// What every interaction mode shares, and the factory that chooses the drag
// a press starts.
#include "canvas/canvas_mode.h"

#include <algorithm>

#include "widgets/frame_host.h"

void canvas_mode::end()
{
    enter(cnv__select_mode(c));
}

frame_hub *canvas_mode::hub()
{
    return c.stock_.owner ? &c.stock_.owner->hub() : nullptr;
}

void canvas_mode::status(int part, const QString &text)
{
    if (c.stock_.owner)
        c.stock_.owner->set_status(part, text);
}

double canvas_mode::view_x(int pixel_x) const
{
    const canvas_stock &s = c.stock();
    return std::clamp(c.to_x(pixel_x), s.org_x, s.org_x + s.view_w);
}

double canvas_mode::view_y(int pixel_y) const
{
    const canvas_stock &s = c.stock();
    return std::clamp(c.to_y(pixel_y), s.org_y, s.org_y + s.view_h);
}

std::unique_ptr<canvas_mode> cnv__mode_for_drag(canvas_window &c, const drag_start &start)
{
    switch (start.what) {
    case drag_start::marker:
        return cnv__move_mode(c, ele__get_index(c.stock().lab, start.pressed.e));
    case drag_start::handle: {
        const int index = ele__get_index(c.stock().lab, start.pressed.e);
        switch (start.pressed.kind) {
        case SPOT_WIDTH:
        case SPOT_HEIGHT:
        case SPOT_CORNER:
            return cnv__resize_mode(c, index, start.pressed.kind);
        case SPOT_ROTATE:
            // Only a picture turns freely; the others by double-click.
            if (start.pressed.e->type == ELE_PICTURE)
                return cnv__rotate_mode(c, index, start.pressed);
            return nullptr;
        default:
            return nullptr; // the handles of automatic sizes only toggle
        }
    }
    case drag_start::guide_line:
        return cnv__guide_mode(c, start.line, false);
    case drag_start::nothing:
        break;
    }
    return cnv__band_mode(c, start.pixel, start.mods);
}
