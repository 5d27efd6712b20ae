// The schematic drawing of the elements: translucent edges, descriptions
// (over an element with nothing of its own to show), handles and anchor
// markers, and the spots they leave for hit testing.
#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "canvas/canvas.h"
#include "platform/qt_text.h"
#include "widgets/gradient.h"
#include "widgets/kit_resources.h"

namespace {

constexpr std::uint32_t clear_colour = 0x00000000u;

std::uint32_t element_colour(const element *e)
{
    switch (e->type) {
    case ELE_TEXT: return e->text.colour & 0xFFFFFFu;
    case ELE_BORDER: return e->border.colour & 0xFFFFFFu;
    case ELE_PICTURE: return e->picture.colour & 0xFFFFFFu;
    case ELE_BARCODE: return e->barcode.colour & 0xFFFFFFu;
    default: return 0;
    }
}

// One edge band: the rectangle [x0, x1) x [y0, y1) with its two ends
// coloured `a` (left or top) and `b`.
void edge(QPainter &p, int x0, int y0, int x1, int y1, bool horizontal, std::uint32_t a, std::uint32_t b)
{
    if (a == clear_colour && b == clear_colour) {
        // Both ends clear: from clear at each end to the colour in the middle
        // of the element's own colour, which the caller gives in `a` of the
        // halves.
        return;
    }
    if (a == b) {
        grd__fill(p, x0, y0, x1, y1, a & 0xFFFFFFu, 255);
        return;
    }
    if (horizontal)
        grd__hgradient(p, x0, y0, x1, y1, a, b, 255);
    else
        grd__vgradient(p, x0, y0, x1, y1, a, b, 255);
}

QFont description_font()
{
    QFont f = QApplication::font();
    f.setPointSizeF(8);
    return f;
}

// Text is laid out in 1/64 pixels: a box larger than this is narrowed about
// its centre and cut below, which changes nothing a description can show.
constexpr int text_box_limit = 1 << 16;

// The description's box made small enough to lay text out in, or an empty
// box when no part of its text can reach `area` (all in client pixels).
// `centre` and `top` are where the box's middle and top edge really lie,
// before the pixels were saturated.  `turned`: the text is turned about the
// box's centre.
QRect description_box(QRect r, const QRect &area, bool turned, double centre, double top)
{
    constexpr double far = 2.0 * CANVAS_PIXEL_LIMIT;
    if (r.width() > text_box_limit) {
        if (!(std::fabs(centre) < far))
            return QRect(); // centred beyond any view
        const int c = static_cast<int>(std::lround(centre));
        r.setLeft(c - text_box_limit / 2);
        r.setRight(c + text_box_limit / 2 - 1);
    }
    if (r.height() > text_box_limit) {
        if (!(top > -far))
            return QRect(); // it starts far above any view
        r.setBottom(r.top() + text_box_limit - 1);
    }
    const int reach = turned ? std::max(r.width(), r.height()) : 0;
    if (!r.adjusted(-reach, -reach, reach, reach).intersects(area))
        return QRect();
    return r;
}

} // namespace

// A description laid out once and drawn again while its text and room stay
// the same: word-wrapped, centred, from the top, cut at the bottom.
void canvas_window::draw_description(QPainter &p, const element *e, const QRect &r, const QString &text)
{
    text_cache_entry &c = text_cache_[e];
    if (c.text != text || c.width != r.width() || c.font != p.font()) {
        c.text = text;
        c.width = r.width();
        c.font = p.font();
        c.layout.setText(text);
        c.layout.setTextFormat(Qt::PlainText);
        QTextOption o(Qt::AlignHCenter);
        o.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        c.layout.setTextOption(o);
        c.layout.setTextWidth(r.width());
        c.layout.prepare(QTransform(), p.font());
    }
    const QSizeF size = c.layout.size();
    if (size.height() > r.height() || size.width() > r.width() + 1) {
        p.save();
        p.setClipRect(r, Qt::IntersectClip);
        p.drawStaticText(r.topLeft(), c.layout);
        p.restore();
    } else {
        p.drawStaticText(r.topLeft(), c.layout);
    }
}

void canvas_window::add_spot(int x, int y, int r, int kind, element *e)
{
    stock_.spots.push_front(spot{x, y, r, kind, e});
}

void canvas_window::draw_marker(QPainter &p, element *e)
{
    const bool grouped = e->mark.group >= 0;
    const bool selected = grouped ? e->mark.any_selected != 0 : e->state != ELE_UNSELECTED;
    const QImage &ball = cmn__marker_ball(e->type, grouped, selected, e->disabled != 0);
    grd__blit_centred(p, ball, e->mark.px, e->mark.py);
    add_spot(e->mark.px, e->mark.py, cmn__marker_ball_radius, SPOT_MARKER, e);
}

void canvas_window::draw_elements(QPainter &p, const QRect &dirty)
{
    stock_.spots.clear();
    label *l = stock_.lab;
    for (int i = 0; i < l->qty; ++i) {
        element *e = l->es[i];
        e->mark.group = -1;
        e->mark.shown = 0;
        e->mark.any_selected = 0;
        e->mark.spare = 0;
        e->mark.px = px(e->x);
        e->mark.py = py(e->y);
    }
    // Markers closer than 2 pixels share one: the lowest index draws it.
    // Closer than 2 means the same pixel or a neighbour, so the candidates
    // of an element are found in the nine pixels around its own.
    std::unordered_map<std::uint64_t, std::vector<int>> at_pixel;
    at_pixel.reserve(static_cast<std::size_t>(l->qty));
    auto key = [](int x, int y) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)) << 32) | static_cast<std::uint32_t>(y);
    };
    for (int i = 0; i < l->qty; ++i)
        at_pixel[key(l->es[i]->mark.px, l->es[i]->mark.py)].push_back(i);
    std::vector<int> near;
    for (int i = 0; i < l->qty; ++i) {
        element *a = l->es[i];
        if (a->mark.group >= 0)
            continue;
        near.clear();
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                auto it = at_pixel.find(key(a->mark.px + dx, a->mark.py + dy));
                if (it != at_pixel.end())
                    for (int j : it->second)
                        if (j > i)
                            near.push_back(j);
            }
        std::sort(near.begin(), near.end());
        for (int j : near) {
            element *b = l->es[j];
            if (b->mark.group >= 0)
                continue;
            a->mark.group = i;
            b->mark.group = i;
            a->mark.shown = 1;
            b->mark.shown = 0;
            if (a->state != ELE_UNSELECTED || b->state != ELE_UNSELECTED)
                a->mark.any_selected = b->mark.any_selected = 1;
        }
    }
    p.setFont(description_font());
    for (int i = l->qty - 1; i >= 0; --i) {
        element *e = l->es[i];
        draw_element(p, e, i, dirty);
        if (e->mark.group < 0 || e->mark.shown)
            draw_marker(p, e);
    }
}

// Where an element is drawn, worked out once for its edges, description and
// handles (client pixels).
struct canvas_window::element_frame {
    element_layout l;
    int c = 0, d = 0, ee = 0, f = 0; // left, bottom, right and top of the box
    int t = 0;                        // edge thickness less one: 1 selected, 2 the lead of several
    std::uint32_t box = 0;            // the element's colour, opaque
    bool rotated_picture = false;     // drawn in a frame turned about its anchor
    QTransform turn;                  // that frame
};

void canvas_window::draw_element(QPainter &p, element *e, int index, const QRect &dirty)
{
    (void)index;
    layout_element(e);
    // Outside what is being repainted only the spots are made: the spot
    // list always covers every element on the screen.
    const bool visible = element_rect(e, 12).intersects(dirty);
    element_frame fr;
    fr.l = ele__layout(e, rotation_of(e).value_or(layout_rotation{}));
    if (e->state == ELE_SELECTED)
        fr.t = 1;
    else if (e->state == ELE_LEAD)
        fr.t = stock_.lab->sel < 2 ? 1 : 2;
    fr.box = 0xFF000000u | element_colour(e);
    fr.c = px(fr.l.x1);
    fr.d = py(fr.l.y1);
    fr.ee = px(fr.l.x2);
    fr.f = py(fr.l.y2);
    fr.rotated_picture = e->type == ELE_PICTURE && !ele__same(e->angle, 0);
    if (fr.rotated_picture) {
        const QPointF a(px(e->x), py(e->y));
        fr.turn.translate(a.x(), a.y());
        fr.turn.rotate(-e->angle);
        fr.turn.translate(-a.x(), -a.y());
    }
    if (fr.rotated_picture && visible) {
        // The whole picture element in a frame turned about its anchor.
        p.save();
        p.setTransform(fr.turn, true);
    }
    if (visible) {
        draw_edges(p, fr);
        if (shows_description(e))
            draw_element_text(p, e, fr, dirty);
    }
    // Handles: only on the one selected element.
    if (e->state != ELE_UNSELECTED && stock_.lab->sel == 1)
        draw_handles(p, e, fr, visible);
    if (fr.rotated_picture && visible)
        p.restore();
}

// The four edges: a drawn edge in the element's colour, an open one (the
// element grows that way) fading from the drawn ones, two open ends of one
// edge fading towards both.
void canvas_window::draw_edges(QPainter &p, const element_frame &fr)
{
    const element_layout &l = fr.l;
    const int c = fr.c, d = fr.d, ee = fr.ee, f = fr.f, t = fr.t;
    const std::uint32_t box = fr.box;
    auto end = [&](bool drawn) { return drawn ? box : clear_colour; };
    // Bottom and top: ends meet the left and right edges.
    auto horizontal_edge = [&](int y0, int y1) {
        std::uint32_t a = end(l.left), b = end(l.right);
        if (a == clear_colour && b == clear_colour) {
            const int m = (c + ee + 1) / 2;
            grd__hgradient(p, c, y0, m, y1, clear_colour, box, 255);
            grd__hgradient(p, m, y0, ee + 1, y1, box, clear_colour, 255);
        } else {
            edge(p, c, y0, ee + 1, y1, true, a, b);
        }
    };
    auto vertical_edge = [&](int x0, int x1) {
        std::uint32_t a = end(l.top), b = end(l.bottom);
        if (a == clear_colour && b == clear_colour) {
            const int m = (d + f) / 2;
            grd__vgradient(p, x0, f, x1, m, clear_colour, box, 255);
            grd__vgradient(p, x0, m, x1, d, box, clear_colour, 255);
        } else {
            edge(p, x0, f, x1, d, false, a, b);
        }
    };
    if (l.bottom)
        horizontal_edge(d - t, d + 1);
    if (l.top)
        horizontal_edge(f, f + t + 1);
    if (l.left)
        vertical_edge(c, c + t + 1);
    if (l.right)
        vertical_edge(ee - t, ee + 1);
}

// The description inside the edges: word-wrapped from the top, or turned
// with a turned text; red for a picture element without a picture.
void canvas_window::draw_element_text(QPainter &p, const element *e, const element_frame &fr, const QRect &dirty)
{
    if (e->desc.empty())
        return;
    const int c = fr.c, d = fr.d, ee = fr.ee, f = fr.f, t = fr.t;
    const bool turned_text = !fr.rotated_picture && !ele__same(e->angle, 0);
    QRect r(QPoint(c + t + 1, f + t + 1), QPoint(ee - t - 2, d - t - 2));
    if (r.isValid()) {
        // Where the box's middle and top edge are, unsaturated.
        const element_layout &l = fr.l;
        const double left = (l.x1 - stock_.org_x) * stock_.scale, right = (l.x2 - stock_.org_x) * stock_.scale;
        const double top = (height() - 1) - (l.y2 - stock_.org_y) * stock_.scale;
        r = description_box(r, fr.rotated_picture ? fr.turn.inverted().mapRect(dirty) : dirty, turned_text,
                            (left + right) / 2, top);
        if (r.isNull())
            return;
    }
    QColor ink = QColor::fromRgb(e->type == ELE_PICTURE && !e->picture.data ? 0xFFFF0000u : fr.box);
    p.setPen(ink);
    const QString text = qs(e->desc);
    if (turned_text)
        draw_turned_text(p, e, r, text);
    else if (r.width() > 0 && r.height() > 0)
        draw_description(p, e, r, text);
}

// Turned text: in the bounding box of the rectangle's turned corners.
void canvas_window::draw_turned_text(QPainter &p, const element *e, const QRect &r, const QString &text)
{
    const int flags = Qt::TextWordWrap | Qt::AlignHCenter | Qt::AlignTop;
    const double rad = e->angle * M_PI / 180.0, cs = std::cos(rad), sn = std::sin(rad);
    const double cx = (r.left() + r.right() + 1) / 2.0, cy = (r.top() + r.bottom() + 1) / 2.0;
    int minx = 0, maxx = 0, miny = 0, maxy = 0;
    const int xs[] = {r.left(), r.right() + 1, r.right() + 1, r.left()};
    const int ys[] = {r.top(), r.top(), r.bottom() + 1, r.bottom() + 1};
    for (int k = 0; k < 4; ++k) {
        int rx = static_cast<int>(cx + (xs[k] - cx) * cs + (ys[k] - cy) * sn);
        int ry = static_cast<int>(cy - (xs[k] - cx) * sn + (ys[k] - cy) * cs);
        if (k == 0 || rx < minx) minx = k == 0 ? rx : std::min(minx, rx);
        if (k == 0 || rx > maxx) maxx = k == 0 ? rx : std::max(maxx, rx);
        if (k == 0 || ry < miny) miny = k == 0 ? ry : std::min(miny, ry);
        if (k == 0 || ry > maxy) maxy = k == 0 ? ry : std::max(maxy, ry);
    }
    p.save();
    p.translate(cx, cy);
    p.rotate(-e->angle);
    p.translate(-cx, -cy);
    p.drawText(QRect(QPoint(minx, miny), QPoint(maxx - 1, maxy - 1)), flags, text);
    p.restore();
}

// The balls of the width, height, rotation and corner handles (drawn only
// when visible), and the spots they leave (always, turned with a turned
// picture).
void canvas_window::draw_handles(QPainter &p, element *e, const element_frame &fr, bool visible)
{
    const element_layout &l = fr.l;
    auto ball_for = [](int kind) -> const QImage * {
        switch (kind) {
        case SPOT_WIDTH:
        case SPOT_HEIGHT: return &cmn__handle_ball(CMN_BALL_BLUE);
        case SPOT_AUTO_WIDTH:
        case SPOT_AUTO_HEIGHT: return &cmn__handle_ball(CMN_BALL_WHITE);
        default: return nullptr;
        }
    };
    const QPoint wpt(px(l.wx), py(l.wy)), hpt(px(l.hx), py(l.hy)), rpt(px(l.rx), py(l.ry)), cpt(px(l.cx), py(l.cy));
    if (visible) {
        if (const QImage *b = ball_for(l.wkind))
            grd__blit_centred(p, *b, wpt.x(), wpt.y());
        if (const QImage *b = ball_for(l.hkind))
            grd__blit_centred(p, *b, hpt.x(), hpt.y());
        grd__blit_centred(p, cmn__handle_ball(CMN_BALL_ORANGE), rpt.x(), rpt.y());
        if (l.ckind != SPOT_NONE)
            grd__blit_centred(p, cmn__handle_ball(CMN_BALL_YELLOW), cpt.x(), cpt.y());
    }
    auto spot_at = [&](QPoint pt, int kind) {
        if (kind == SPOT_NONE)
            return;
        QPointF at = fr.rotated_picture ? fr.turn.map(QPointF(pt)) : QPointF(pt);
        add_spot(static_cast<int>(at.x()), static_cast<int>(at.y()), cmn__handle_ball_radius, kind, e);
    };
    spot_at(wpt, l.wkind);
    spot_at(hpt, l.hkind);
    spot_at(rpt, SPOT_ROTATE);
    spot_at(cpt, l.ckind);
}

const spot *canvas_window::hit(QPoint pt) const
{
    for (const spot &s : stock_.spots) {
        const double dx = pt.x() - s.x, dy = pt.y() - s.y;
        if (std::sqrt(dx * dx + dy * dy) <= s.r)
            return &s;
    }
    return nullptr;
}

void canvas_window::redraw_with_trail(int index)
{
    if (index < 0 || index >= stock_.lab->qty)
        return;
    element *e = stock_.lab->es[index];
    auto area = [&] {
        QRect r = element_rect(e, 0);
        for (int i = 0; i < trail_len_; ++i)
            r |= QRect(trail_[static_cast<std::size_t>(i)], QSize(1, 1));
        return r.adjusted(-6, -6, 6, 6);
    };
    update(area());
    layout_element(e);
    update(area());
}
