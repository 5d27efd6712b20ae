// Inside the render library: where one element is drawn, and the drawing of
// its texts (render_text.cpp) for the rest of the library.
#pragma once

#include <QColor>
#include <QTransform>
#include <set>

#include "render/render.h"

// The point frame has its origin at the top left corner of the element's
// content box, x to the right along the element, y downwards, in points;
// the pixel frame is the same in device units.  The content box of a
// turned element (90 or 270 degrees) is its laid-out box turned back about
// the box's centre; any other element is turned about its anchor point.
struct element_frame {
    QTransform points;
    QTransform pixels;
    double w_pt = 0, h_pt = 0;
    double w_px = 0, h_px = 0;
    double ppx = 1, ppy = 1; // device units per point along the element's axes
    bool right_angle = false;
    bool snap = false;       // edges on whole device pixels (right angles on a raster)
};

// Label points (y up) to device units.
QTransform rdr__base_transform(const label *lab, const render_request &r);
element_frame rdr__frame_of(const element *e, const QTransform &base, bool snap_to_pixels);

inline QColor rdr__rgb(std::uint32_t colour)
{
    return QColor::fromRgb(0xFF000000u | (colour & 0xFFFFFFu));
}

// The family names the font database knows, without foundry suffixes.
const std::set<QString> &rdr__known_families();

// Draws the text in the element's box; log lines (the font fallback, a
// missing size) go to `log` when there is one.  `who` names the element.
// A text cut at its box is outlined in red when `mark_overflow`.
void rdr__draw_text(QPainter &p, const element *e, const element_frame &f, const std::u16string &text,
                    render_log *log, const std::u16string &who, bool mark_overflow);
// Whether the text is laid out by rdr__layout_text (it wraps or shrinks);
// any other text is drawn as its lines are written.
bool rdr__text_fits_box(const element *e);
// The part of the point frame the text may touch beyond its box.
QRectF rdr__text_extent(const element *e, const element_frame &f, const std::u16string &text,
                        const QPaintDevice *device);
