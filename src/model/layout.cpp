#include "model/layout.h"

#include <algorithm>
#include <cmath>

#include "model/errors.h"

bool ele__same(double a, double b)
{
    return std::fabs(a - b) <= ELE_EPS;
}

bool ele__turned(const element *e)
{
    return e->type != ELE_PICTURE && (ele__same(e->angle, 90) || ele__same(e->angle, 270));
}

double ele__shown_size(double v)
{
    return -v > 1 ? -v : ELE_DEFAULT_SIZE;
}

void ele__rotate_point(double px, double py, double cx, double cy, double angle, double &ox, double &oy)
{
    if (ele__same(angle, 0)) {
        ox = px;
        oy = py;
        return;
    }
    const float rad = static_cast<float>(angle * M_PI / 180.0);
    const float c = std::cos(rad), s = std::sin(rad);
    ox = std::trunc(cx + (px - cx) * c - (py - cy) * s);
    oy = std::trunc(cy + (px - cx) * s + (py - cy) * c);
}

element_layout ele__layout(const element *e, const layout_rotation &rotation)
{
    element_layout l;
    double w = e->width, h = e->height;
    if (ele__turned(e))
        std::swap(w, h);
    const double x = e->x, y = e->y;
    const double dw = std::max(w, 0.0), dh = std::max(h, 0.0);
    const int q = e->quadrant >= 0 && e->quadrant <= 8 ? e->quadrant : 0;
    switch (q) {
    case 0: l.x1 = x; l.x2 = x + dw; l.y1 = y; l.y2 = y + dh; break;
    case 1: l.x1 = x; l.x2 = x + dw; l.y1 = y - dh; l.y2 = y; break;
    case 2: l.x1 = x - dw; l.x2 = x; l.y1 = y - dh; l.y2 = y; break;
    case 3: l.x1 = x - dw; l.x2 = x; l.y1 = y; l.y2 = y + dh; break;
    case 4: l.x1 = x; l.x2 = x + dw; l.y1 = y - dh / 2; l.y2 = y + dh / 2; break;
    case 5: l.x1 = x - dw / 2; l.x2 = x + dw / 2; l.y1 = y - dh; l.y2 = y; break;
    case 6: l.x1 = x - dw; l.x2 = x; l.y1 = y - dh / 2; l.y2 = y + dh / 2; break;
    case 7: l.x1 = x - dw / 2; l.x2 = x + dw / 2; l.y1 = y; l.y2 = y + dh; break;
    default: l.x1 = x - dw / 2; l.x2 = x + dw / 2; l.y1 = y - dh / 2; l.y2 = y + dh / 2; break;
    }
    const bool grows_right = q == 0 || q == 1 || q == 4, grows_left = q == 2 || q == 3 || q == 6;
    const bool grows_up = q == 0 || q == 3 || q == 7, grows_down = q == 1 || q == 2 || q == 5;
    if (w < 0) {
        double p = ele__shown_size(w);
        if (grows_right) {
            l.x1 = x;
            l.x2 = x + p;
            l.right = 0;
        } else if (grows_left) {
            l.x1 = x - p;
            l.x2 = x;
            l.left = 0;
        } else {
            l.x1 = x - p / 2;
            l.x2 = x + p / 2;
            l.left = l.right = 0;
        }
    }
    if (h < 0) {
        double qh = ele__shown_size(h);
        const bool keep_flags = e->type == ELE_TEXT && w < 0;
        if (grows_up) {
            l.y1 = y;
            l.y2 = y + qh;
            if (!keep_flags)
                l.top = 0;
        } else if (grows_down) {
            l.y1 = y - qh;
            l.y2 = y;
            if (!keep_flags)
                l.bottom = 0;
        } else {
            l.y1 = y - qh / 2;
            l.y2 = y + qh / 2;
            if (!keep_flags)
                l.top = l.bottom = 0;
        }
    }
    // Handles.
    const double xw = ele__same(x, l.x2) ? l.x1 : l.x2;
    const double yh = ele__same(y, l.y1) ? l.y2 : l.y1;
    l.wx = xw;
    l.wy = (l.y1 + l.y2) / 2;
    l.hx = (l.x1 + l.x2) / 2;
    l.hy = yh;
    l.cx = xw;
    l.cy = yh;
    l.rx = ele__same(x, l.x1) ? l.x1 + (l.x2 - l.x1) / 4 : l.x2 - (l.x2 - l.x1) / 4;
    l.ry = ele__same(y, l.y2) ? l.y2 - (l.y2 - l.y1) / 4 : l.y1 + (l.y2 - l.y1) / 4;
    if (rotation.active) {
        l.rx = rotation.x;
        l.ry = rotation.y;
        if (e->type == ELE_PICTURE && !ele__same(e->angle, 0))
            ele__rotate_point(rotation.x, rotation.y, x, y, -e->angle, l.rx, l.ry);
    }
    // Handle kinds.
    switch (e->type) {
    case ELE_TEXT:
        l.wkind = w < 0 ? SPOT_AUTO_WIDTH : SPOT_WIDTH;
        l.hkind = h >= 0 ? SPOT_HEIGHT : w < 0 ? SPOT_NONE : SPOT_AUTO_HEIGHT;
        l.ckind = l.wkind == SPOT_WIDTH && l.hkind == SPOT_HEIGHT ? SPOT_CORNER : SPOT_NONE;
        break;
    case ELE_PICTURE:
        l.wkind = w < 0 ? SPOT_AUTO_WIDTH : SPOT_WIDTH;
        l.hkind = h < 0 ? SPOT_AUTO_HEIGHT : SPOT_HEIGHT;
        l.ckind = l.wkind == SPOT_AUTO_WIDTH || l.hkind == SPOT_AUTO_HEIGHT ? SPOT_NONE : SPOT_CORNER;
        break;
    default:
        l.wkind = SPOT_WIDTH;
        l.hkind = SPOT_HEIGHT;
        l.ckind = SPOT_CORNER;
        break;
    }
    if (e->type != ELE_TEXT)
        l.left = l.top = l.right = l.bottom = 1;
    if (ele__turned(e)) {
        if (l.hkind == SPOT_NONE) {
            l.hkind = l.wkind;
            l.wkind = SPOT_NONE;
        } else if (l.wkind == SPOT_NONE) {
            l.wkind = l.hkind;
            l.hkind = SPOT_NONE;
        }
        // The horizontal handle of a turned element changes its height.
        if (l.wkind == SPOT_WIDTH)
            l.wkind = SPOT_HEIGHT;
        else if (l.wkind == SPOT_AUTO_WIDTH)
            l.wkind = SPOT_AUTO_HEIGHT;
        if (l.hkind == SPOT_HEIGHT)
            l.hkind = SPOT_WIDTH;
        else if (l.hkind == SPOT_AUTO_HEIGHT)
            l.hkind = SPOT_AUTO_WIDTH;
    }
    if (e->type == ELE_TEXT && e->width < 0 && e->height < 0) {
        l.left = l.top = l.right = l.bottom = 1;
        if (ele__same(e->angle, 0) || ele__same(e->angle, 180)) {
            if (grows_right)
                l.right = 0;
            else if (grows_left)
                l.left = 0;
            else
                l.left = l.right = 0;
        } else if (ele__same(e->angle, 90) || ele__same(e->angle, 270)) {
            if (grows_up)
                l.top = 0;
            else if (grows_down)
                l.bottom = 0;
            else
                l.top = l.bottom = 0;
        }
    }
    return l;
}

void ele__layout_bounds(const element *e, const element_layout &l, double out[4])
{
    out[0] = std::min(l.x1, l.x2);
    out[1] = std::min(l.y1, l.y2);
    out[2] = std::max(l.x1, l.x2);
    out[3] = std::max(l.y1, l.y2);
    if (e->type == ELE_PICTURE && !ele__same(e->angle, 0)) {
        const double xs[] = {l.x1, l.x2, l.x2, l.x1}, ys[] = {l.y1, l.y1, l.y2, l.y2};
        for (int i = 0; i < 4; ++i) {
            double rx, ry;
            ele__rotate_point(xs[i], ys[i], e->x, e->y, e->angle, rx, ry);
            if (i == 0) {
                out[0] = out[2] = rx;
                out[1] = out[3] = ry;
            } else {
                out[0] = std::min(out[0], rx);
                out[1] = std::min(out[1], ry);
                out[2] = std::max(out[2], rx);
                out[3] = std::max(out[3], ry);
            }
        }
    }
}

element_layout ele__layout_store(element *e, const layout_rotation &rotation)
{
    element_layout l = ele__layout(e, rotation);
    ele__layout_bounds(e, l, e->bounds);
    return l;
}

double ele__edge(const element *e, ele_edge k)
{
    element_layout l = ele__layout(e);
    double b[4];
    ele__layout_bounds(e, l, b);
    switch (k) {
    case ele_edge::left: return b[0];
    case ele_edge::right: return b[2];
    case ele_edge::top: return b[3];
    case ele_edge::bottom: return b[1];
    case ele_edge::hcenter: return (b[0] + b[2]) / 2;
    case ele_edge::vcenter: return (b[1] + b[3]) / 2;
    }
    XFAIL("0");
}
