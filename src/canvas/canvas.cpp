// The canvas view: mapping, zoom, scrolling, extent, painting order,
// status texts and the frame's requests.
#include "canvas/canvas.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <cmath>

#include "canvas/canvas_mode.h"
#include "canvas/picture_worker.h"
#include "hub/commands.h"
#include "model/errors.h"
#include "platform/beep.h"
#include "widgets/real_scroll_bar.h"
#include "widgets/frame_host.h"
#include "widgets/gradient.h"
#include "widgets/ruler.h"

namespace {

// Points to pixels, saturated: whatever size or position a label holds,
// its pixels stay within the limit (NaN goes to the low end).
int half(double v)
{
    if (!(v > -CANVAS_PIXEL_LIMIT))
        return -CANVAS_PIXEL_LIMIT;
    if (v >= CANVAS_PIXEL_LIMIT)
        return CANVAS_PIXEL_LIMIT;
    return static_cast<int>(v + 0.5);
}

// Grid lines closer than this many pixels are thinned out.
constexpr double CANVAS_GRID_MIN_GAP = 5;

// The dash pattern's length, in pixels, of a grid step.
int dash_period(int step)
{
    return step == 10 ? 6 : 24;
}

} // namespace

canvas_window::canvas_window(QWidget *parent, frame_host *owner, label *lab) : QWidget(parent)
{
    setObjectName(QStringLiteral("zelta-canvas-window"));
    stock_.win = this;
    stock_.owner = owner;
    stock_.lab = lab;
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setCursor(Qt::ArrowCursor);
    snap_timer_.setSingleShot(true);
    connect(&snap_timer_, &QTimer::timeout, this, [this] {
        dispatch d(*this);
        mode_->rested();
    });
    reset_view();
    enter(cnv__select_mode(*this));
    layout_all();
    extent_changed();
}

canvas_window::~canvas_window() = default;

// ---------------------------------------------------------------- mapping

int canvas_window::px(double x) const
{
    return half((x - stock_.org_x) * stock_.scale);
}

int canvas_window::py(double y) const
{
    return (height() - 1) - half((y - stock_.org_y) * stock_.scale);
}

double canvas_window::to_x(double pixel_x) const
{
    return pixel_x / stock_.scale + stock_.org_x;
}

double canvas_window::to_y(double pixel_y) const
{
    return (height() - pixel_y - 1) / stock_.scale + stock_.org_y;
}

QPoint canvas_window::pointer() const
{
    return mapFromGlobal(QCursor::pos());
}

void canvas_window::pointer_position(double &x, double &y) const
{
    QPoint p = pointer();
    x = to_x(p.x());
    y = to_y(p.y());
}

// ------------------------------------------------------------ view state

void canvas_window::reset_view()
{
    QScreen *s = screen() ? screen() : QApplication::primaryScreen();
    double pxinch = s ? s->logicalDotsPerInchX() : 96.0;
    XASSERT(pxinch > 0);
    stock_.base_scale = stock_.scale = pxinch * 0.013888888888888888;
    stock_.zoom = 100;
    stock_.cbr = stock_.lab->bgcolor & 0xFFFFFFu;
    for (double &v : stock_.ext)
        v = 0;
    compute_view();
}

void canvas_window::compute_view()
{
    stock_.view_w = (width() - 1) / stock_.scale;
    stock_.view_h = (height() - 1) / stock_.scale;
}

std::optional<layout_rotation> canvas_window::rotation_of(const element *e) const
{
    return mode_ ? mode_->rotation_of(e) : std::nullopt;
}

void canvas_window::layout_element(element *e)
{
    ele__layout_store(e, rotation_of(e).value_or(layout_rotation{}));
}

void canvas_window::layout_all()
{
    for (int i = 0; i < stock_.lab->qty; ++i)
        layout_element(stock_.lab->es[i]);
}

// Recomputes the extent; true when it moved.
bool canvas_window::extent_changed()
{
    const label *l = stock_.lab;
    double e[4] = {0, 0, l->width, l->height};
    for (int i = 0; i < l->qty; ++i) {
        const double *b = l->es[i]->bounds;
        e[0] = std::min(e[0], b[0]);
        e[1] = std::min(e[1], b[1]);
        e[2] = std::max(e[2], b[2]);
        e[3] = std::max(e[3], b[3]);
    }
    bool moved = false;
    for (int k = 0; k < 4; ++k)
        if (std::fabs(e[k] - stock_.ext[k]) > ELE_EPS) {
            stock_.ext[k] = e[k];
            moved = true;
        }
    return moved;
}

void canvas_window::recompute_extent()
{
    if (!extent_changed())
        return;
    compute_view();
    if (stock_.view_w > ELE_EPS && stock_.view_h > ELE_EPS)
        update_scroll_bars(false);
    update_rulers();
}

void canvas_window::update_scroll_bars(bool first)
{
    const int mask = first ? (FSB_SET_RANGE | FSB_SET_PAGE | FSB_SET_POSITION) : (FSB_SET_RANGE | FSB_SET_PAGE);
    double e[4] = {stock_.ext[0], stock_.ext[1], stock_.ext[2], stock_.ext[3]};
    if (!first && !is_idle()) {
        // While an element is dragged its growing extent would move a
        // centred view (or clamp a scrolled one) under the pointer: the
        // range keeps what is in view, so the view stays where it is.
        e[0] = std::min(e[0], stock_.org_x);
        e[2] = std::max(e[2], stock_.org_x + stock_.view_w);
        e[1] = std::min(e[1], stock_.org_y);
        e[3] = std::max(e[3], stock_.org_y + stock_.view_h);
    }
    if (stock_.hscroll)
        stock_.hscroll->set(mask, e[0], e[2], stock_.view_w, 0);
    if (stock_.vscroll)
        stock_.vscroll->set(mask, e[3], e[1], stock_.view_h, 0);
}

void canvas_window::update_ruler(bool horizontal)
{
    if (!stock_.hruler || !stock_.vruler)
        return;
    if (horizontal)
        stock_.hruler->set_range(stock_.org_x, stock_.org_x + stock_.view_w);
    else
        stock_.vruler->set_range(stock_.org_y, stock_.org_y + stock_.view_h);
}

void canvas_window::update_rulers()
{
    if (!stock_.hruler || !stock_.vruler)
        return;
    // The rulers start where the canvas starts: their pixels are the canvas's.
    stock_.hruler->set_conversion([this](double x) { return static_cast<double>(px(x)); }, this,
                                  [this](bool v) { begin_guide(v); });
    stock_.vruler->set_conversion([this](double y) { return static_cast<double>(py(y)); }, this,
                                  [this](bool v) { begin_guide(v); });
    update_ruler(true);
    update_ruler(false);
}

void canvas_window::attach(int which, QWidget *w)
{
    switch (which) {
    case 0: stock_.vscroll = static_cast<float_scroll_bar *>(w); break;
    case 1: stock_.hscroll = static_cast<float_scroll_bar *>(w); break;
    case 2: stock_.vruler = static_cast<ruler *>(w); break;
    case 3: stock_.hruler = static_cast<ruler *>(w); break;
    default: XFAIL("0");
    }
    if ((which == 2 || which == 3) && stock_.hruler && stock_.vruler)
        update_rulers();
}

void canvas_window::scrolled(bool horizontal, double position)
{
    double &org = horizontal ? stock_.org_x : stock_.org_y;
    if (org == position)
        return;
    org = position;
    update();
    update_ruler(horizontal);
}

void canvas_window::resizeEvent(QResizeEvent *)
{
    compute_view();
    if (stock_.view_w > ELE_EPS && stock_.view_h > ELE_EPS) {
        update_scroll_bars(!stock_.sized);
        stock_.sized = 1;
    }
    if (auto_fit_)
        apply_fit_rule();
    update_rulers();
    update();
}

void canvas_window::auto_scroll(double x, double y)
{
    if (stock_.hscroll &&
        (x < stock_.org_x + 0.1 * stock_.view_w || x > stock_.org_x + 0.9 * stock_.view_w))
        stock_.hscroll->set_position(x - 0.5 * stock_.view_w);
    if (stock_.vscroll &&
        (y < stock_.org_y + 0.1 * stock_.view_h || y > stock_.org_y + 0.9 * stock_.view_h))
        stock_.vscroll->set_position(y - 0.5 * stock_.view_h);
}

void canvas_window::drag_scroll(double x, double y)
{
    // A few pixels from the edge count as at it (the pointer outside the
    // view is held on its edge).
    const double mx = 4 / stock_.scale, my = 4 / stock_.scale;
    if (stock_.hscroll) {
        if (x <= stock_.org_x + mx)
            stock_.hscroll->set_position(stock_.org_x - 0.1 * stock_.view_w);
        else if (x >= stock_.org_x + stock_.view_w - mx)
            stock_.hscroll->set_position(stock_.org_x + 0.1 * stock_.view_w);
    }
    if (stock_.vscroll) {
        if (y <= stock_.org_y + my)
            stock_.vscroll->set_position(stock_.org_y - 0.1 * stock_.view_h);
        else if (y >= stock_.org_y + stock_.view_h - my)
            stock_.vscroll->set_position(stock_.org_y + 0.1 * stock_.view_h);
    }
}

// ------------------------------------------------------------------ zoom

void canvas_window::set_zoom(double scale, int percent)
{
    stock_.scale = scale;
    stock_.zoom = percent;
    compute_view();
    update_scroll_bars(false);
    update();
}

void canvas_window::zoom_to(int percent)
{
    auto_fit_ = false;
    if (percent <= 0) {
        platform_beep();
        return;
    }
    const QPoint p = pointer();
    const double x = to_x(p.x()), y = to_y(p.y());
    const double s = percent * 0.01 * stock_.base_scale;
    if (s > width() || s > height()) { // one point wider than the window
        platform_beep();
        return;
    }
    set_zoom(s, percent);
    if (rect().contains(p)) {
        auto_scroll(x, y);
        // The point stays under the pointer.
        QCursor::setPos(mapToGlobal(QPoint(px(x), py(y))));
    }
    update_rulers();
}

void canvas_window::zoom_about(int percent, QPoint pixel)
{
    auto_fit_ = false;
    const double s = percent * 0.01 * stock_.base_scale;
    if (percent <= 0 || s > width() || s > height()) {
        platform_beep();
        return;
    }
    const double x = to_x(pixel.x()), y = to_y(pixel.y());
    set_zoom(s, percent);
    // The scroll bars keep their positions inside the range (or centre a
    // label smaller than the view), so near an edge the point moves a little.
    if (stock_.hscroll)
        stock_.hscroll->set_position(x - pixel.x() / s);
    if (stock_.vscroll)
        stock_.vscroll->set_position(y - (height() - pixel.y() - 1) / s);
    update_rulers();
}

namespace {

int zoomed_in(int zoom)
{
    const int p = static_cast<int>(zoom * 1.1);
    return p == zoom ? zoom + 1 : p;
}

int zoomed_out(int zoom)
{
    return static_cast<int>(zoom * 0.9);
}

// Room around the label when it is fitted, in pixels.
constexpr int fit_margin = 16;

} // namespace

void canvas_window::zoom_in()
{
    zoom_to(zoomed_in(stock_.zoom));
}

void canvas_window::zoom_out()
{
    zoom_to(zoomed_out(stock_.zoom));
}

double canvas_window::fit_factor() const
{
    const double *e = stock_.ext;
    const double w = (e[2] - e[0]) * stock_.base_scale, h = (e[3] - e[1]) * stock_.base_scale;
    const double room_w = width() - 1 - 2 * fit_margin, room_h = height() - 1 - 2 * fit_margin;
    if (room_w < 1 || room_h < 1)
        return 0;
    double f = 10.0; // 1000 %: the largest step the menu offers
    if (w > 0)
        f = std::min(f, room_w / w);
    if (h > 0)
        f = std::min(f, room_h / h);
    return std::isfinite(f) ? f : 0;
}

int canvas_window::fit_percent() const
{
    const double f = fit_factor();
    return f > 0 ? std::max(1, static_cast<int>(f * 100)) : 0;
}

void canvas_window::zoom_fit()
{
    auto_fit_ = false;
    const int p = fit_percent();
    if (p <= 0) {
        platform_beep();
        return;
    }
    set_zoom(p * 0.01 * stock_.base_scale, p);
    update_rulers();
}

void canvas_window::apply_fit_rule()
{
    if (!stock_.sized || width() <= 2 * fit_margin || height() <= 2 * fit_margin)
        return;
    // A label too large to be seen whole even at 1 % (the smallest zoom)
    // stays at 100 %: at 1 % it would be as unreadable and no more whole.
    const double f = fit_factor();
    const int p = f >= 0.01 && f < 1 ? static_cast<int>(f * 100) : 100;
    if (p != stock_.zoom) {
        set_zoom(p * 0.01 * stock_.base_scale, p);
        update_rulers();
    }
}

void canvas_window::wheelEvent(QWheelEvent *e)
{
    const QPoint at = e->position().toPoint();
    const QPoint angle = e->angleDelta();
    if (e->modifiers() & Qt::ControlModifier) {
        // Rolled away from the user: closer, about the pointer.
        const int d = angle.y() != 0 ? angle.y() : angle.x();
        if (d != 0)
            zoom_about(d > 0 ? zoomed_in(stock_.zoom) : zoomed_out(stock_.zoom), at);
        position_status(at);
        e->accept();
        return;
    }
    // Scrolling: a notch is the desktop's lines of 16 pixels; a touchpad
    // gives pixels itself.
    double dx, dy;
    if (!e->pixelDelta().isNull()) {
        dx = e->pixelDelta().x();
        dy = e->pixelDelta().y();
    } else {
        const double notch = QApplication::wheelScrollLines() * 16.0 / 120.0;
        dx = angle.x() * notch;
        dy = angle.y() * notch;
    }
    if ((e->modifiers() & Qt::ShiftModifier) && dx == 0) {
        dx = dy; // Shift turns the wheel sideways
        dy = 0;
    }
    if (dx == 0 && dy == 0)
        return;
    auto_fit_ = false;
    // Rolled away: up, or with Shift to the left.
    if (dx != 0 && stock_.hscroll)
        stock_.hscroll->set_position(stock_.org_x - dx / stock_.scale);
    if (dy != 0 && stock_.vscroll)
        stock_.vscroll->set_position(stock_.org_y + dy / stock_.scale);
    position_status(at);
    e->accept();
}

// ------------------------------------------------------------- keyboard

int canvas_window::grid_step() const
{
    for (int i = 0; i < 3; ++i)
        if (stock_.grid[i])
            return i == 0 ? 10 : i == 1 ? 20 : 40;
    return 10;
}

bool canvas_window::cancel_operation()
{
    dispatch d(*this);
    return mode_->cancel();
}

void canvas_window::keyPressEvent(QKeyEvent *e)
{
    const int key = e->key();
    if (key == Qt::Key_Escape) {
        if (!cancel_operation())
            e->ignore();
        return;
    }
    double dx = 0, dy = 0;
    switch (key) {
    case Qt::Key_Left: dx = -1; break;
    case Qt::Key_Right: dx = 1; break;
    case Qt::Key_Up: dy = 1; break; // label y grows upward
    case Qt::Key_Down: dy = -1; break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    const double step = e->modifiers() & Qt::ControlModifier ? grid_step()
                        : e->modifiers() & Qt::ShiftModifier  ? 10
                                                               : 1;
    if (stock_.owner && is_idle())
        stock_.owner->hub().nudge(dx * step, dy * step);
    e->accept();
}

// ----------------------------------------------------------- context menu

int canvas_window::element_at(QPoint p) const
{
    for (int i = 0; i < stock_.lab->qty; ++i)
        if (element_rect(stock_.lab->es[i], 0).contains(p))
            return i;
    return -1;
}

void canvas_window::show_context_menu(QPoint p)
{
    if (!stock_.owner)
        return;
    int index = -1;
    if (const spot *s = hit(p))
        index = ele__get_index(stock_.lab, s->e);
    if (index < 0)
        index = element_at(p);
    if (index >= 0 && stock_.lab->es[index]->state == ELE_UNSELECTED) {
        // A click on an element not selected makes it the selection first.
        for (int i = 0; i < stock_.lab->qty; ++i)
            if (i != index && stock_.lab->es[i]->state != ELE_UNSELECTED)
                select(i, false);
        select(index, true);
    }
    stock_.owner->context_menu(mapToGlobal(p), index >= 0);
}

void canvas_window::contextMenuEvent(QContextMenuEvent *e)
{
    e->accept();
    // The mouse's menu opens on the press itself; this is the keyboard's
    // (the menu key, Shift+F10): at the lead element, or the canvas's middle.
    if (e->reason() != QContextMenuEvent::Keyboard || !stock_.owner)
        return;
    dispatch d(*this);
    const int lead = ele__get_lead_element(stock_.lab);
    if (lead >= 0 && stock_.lab->sel > 0) {
        const element *el = stock_.lab->es[lead];
        const QPoint at(std::clamp(px(el->x), 0, width() - 1), std::clamp(py(el->y), 0, height() - 1));
        stock_.owner->context_menu(mapToGlobal(at), true);
    } else {
        stock_.owner->context_menu(mapToGlobal(rect().center()), false);
    }
}

// ---------------------------------------------------------------- status

void canvas_window::position_status(QPoint pixel)
{
    if (!stock_.owner)
        return;
    if (rect().contains(pixel))
        stock_.owner->set_status(1, QString::asprintf("%.2f, %.2f", to_x(pixel.x()), to_y(pixel.y())));
    else
        stock_.owner->set_status(1, QString());
}

void canvas_window::leaveEvent(QEvent *)
{
    stock_.tracking = 0;
    if (stock_.owner)
        stock_.owner->set_status(1, QString());
}

// -------------------------------------------------------------- requests

void canvas_window::relayout()
{
    layout_all();
    recompute_extent();
    update();
}

void canvas_window::set_label(label *lab)
{
    mode_->label_changed();
    stock_.lab = lab;
    text_cache_.clear();
    contents_.clear();
    reset_view();
    layout_all();
    extent_changed();
    compute_view();
    if (stock_.view_w > ELE_EPS && stock_.view_h > ELE_EPS)
        update_scroll_bars(true);
    // Another label is seen whole: at 100 %, or fitted when it is larger.
    auto_fit_ = true;
    apply_fit_rule();
    update_rulers();
    update();
}

void canvas_window::restore_label(label *lab)
{
    mode_->label_changed();
    stock_.lab = lab;
    text_cache_.clear();
    stock_.cbr = lab->bgcolor & 0xFFFFFFu;
    layout_all();
    extent_changed();
    compute_view();
    // Zoom and scrolling stay; the range follows the label.
    if (stock_.view_w > ELE_EPS && stock_.view_h > ELE_EPS)
        update_scroll_bars(false);
    update_rulers();
    update();
}

bool canvas_window::is_idle()
{
    return stock_.mode == CNV_NORMAL || stock_.mode == CNV_ARMED;
}

canvas_window::dispatch::dispatch(canvas_window &c) : c(c)
{
    ++c.dispatching_;
}

canvas_window::dispatch::~dispatch()
{
    if (--c.dispatching_ == 0)
        c.retired_.clear();
}

void canvas_window::enter(std::unique_ptr<canvas_mode> next)
{
    if (mode_)
        retired_.push_back(std::move(mode_));
    mode_ = std::move(next);
    stock_.mode = mode_->kind();
    mode_->begin();
}

const guide *canvas_window::snap_guide() const
{
    return mode_->snap_guide();
}

void canvas_window::send(int code, int index, double value)
{
    frame_notify n;
    n.sender = this;
    n.code = code;
    n.e1 = index;
    n.value = value;
    if (code == fn::quadrant)
        n.quadrant = static_cast<int>(value);
    if (code == fn::selection)
        n.action = static_cast<int>(value);
    if (stock_.owner)
        stock_.owner->hub().notify(n);
}

void canvas_window::select(int index, bool on)
{
    send(fn::selection, index, on ? fn::select : fn::deselect);
    redraw_element(index);
}

void canvas_window::deselect_all()
{
    for (int i = 0; i < stock_.lab->qty; ++i)
        if (stock_.lab->es[i]->state != ELE_UNSELECTED)
            select(i, false);
}

void canvas_window::redraw_element(int index)
{
    if (index < 0 || index >= stock_.lab->qty)
        return;
    element *e = stock_.lab->es[index];
    update(element_rect(e, 10));
    if (content_on_)
        update(content_rect(e));
    layout_element(e);
    update(element_rect(e, 10));
    if (content_on_)
        update(content_rect(e));
}

QRect canvas_window::content_rect(const element *e) const
{
    const label *l = stock_.lab;
    render_request r;
    r.scale_x = r.scale_y = stock_.scale;
    r.origin = QPointF(px(0), py(l->height));
    static const QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
    const QRectF ext = rdr__element_extent(l, e, r, &probe) & QRectF(rect().adjusted(-2, -2, 2, 2));
    if (!(std::isfinite(ext.left()) && std::isfinite(ext.top()) && std::isfinite(ext.width()) &&
          std::isfinite(ext.height())))
        return rect();
    return ext.toAlignedRect().adjusted(-1, -1, 1, 1) & rect();
}

QRect canvas_window::element_rect(const element *e, int grow) const
{
    const double *b = e->bounds;
    QRect r(QPoint(px(b[0]), py(b[3])), QPoint(px(b[2]), py(b[1])));
    return r.normalized().adjusted(-grow, -grow, grow, grow);
}

void canvas_window::normal_mode()
{
    if (stock_.mode != CNV_NORMAL)
        enter(cnv__select_mode(*this));
}

void canvas_window::arm(int kind)
{
    enter(cnv__create_mode(*this, kind));
}

bool canvas_window::grid_shown(int step)
{
    return stock_.grid[step == 10 ? 0 : step == 20 ? 1 : 2] != 0;
}

void canvas_window::show_grid(int step, bool on)
{
    stock_.grid[step == 10 ? 0 : step == 20 ? 1 : 2] = on ? 1 : 0;
    update();
}

void canvas_window::notify(const frame_notify &n)
{
    switch (n.code) {
    case fn::selection:
        if (n.action != fn::recount)
            redraw_element(n.e1);
        else
            update();
        break;
    case fn::element_list:
        if (n.action == fn::inserted && n.e1 >= 0 && n.e1 < stock_.lab->qty) {
            layout_element(stock_.lab->es[n.e1]);
            redraw_element(n.e1);
            recompute_extent();
        } else {
            if (n.action == fn::removed)
                mode_->label_changed(); // a pressed element may be the one going
            update();
        }
        break;
    case fn::description: case fn::x: case fn::y: case fn::angle: case fn::width: case fn::height:
    case fn::quadrant: case fn::justification: case fn::colour: case fn::toggle_enabled:
        redraw_element(n.e1);
        recompute_extent();
        break;
    case fn::text: case fn::font: case fn::font_size: case fn::text_wrap: case fn::text_shrink:
    case fn::thickness: case fn::line_style: case fn::barcode_data: case fn::barcode_kind: case fn::picture:
    case fn::picture_file:
        // The content shows them; the schematic box does not.  A picture
        // may change the box through width and height, which arrive by
        // themselves.
        if (content_on_)
            redraw_element(n.e1);
        break;
    default:
        break;
    }
}

// --------------------------------------------------------------- painting

// The lines of one grid that cross `area` (client pixels), each drawn only
// over that area: the loops never run longer than the view is wide or high,
// however large the label.
void canvas_window::paint_grid(QPainter &p, int step, const QRect &area)
{
    const std::uint32_t c = stock_.cbr;
    auto ch = [&](int shift) { return static_cast<int>((((c >> shift) & 0xFF) + 204) % 255); };
    const QColor colour(ch(16), ch(8), ch(0));
    const QColor gaps = QColor::fromRgb(0xFF000000u | c);
    QPen gap_pen(gaps, 1);
    QPen pen(colour, 1);
    pen.setCapStyle(Qt::FlatCap);
    // The platform's cosmetic patterns: dot, dash-dot and dash.
    if (step == 10)
        pen.setDashPattern({3, 3});
    else if (step == 20)
        pen.setDashPattern({9, 6, 3, 6});
    else
        pen.setDashPattern({18, 6});
    // The grid lies on the label only, never on the grey around it where
    // an element sticks out.
    const label *l = stock_.lab;
    const double e[4] = {0, 0, l->width, l->height};
    const int top = py(e[3]), bottom = py(e[1]), left = px(e[0]), right = px(e[2]);
    // Lines closer than a few pixels would run together into stripes:
    // zoomed out, every second (fourth, ...) line is drawn.
    double every = step;
    while (every * stock_.scale < CANVAS_GRID_MIN_GAP && every < 1e12)
        every *= 2;
    // A line starts at the extent's edge; where that edge lies before the
    // area, the line starts at the last whole pattern before it, so that a
    // part repainted looks as it did.
    // It ends a pixel past the area, as its end pixel is not drawn.
    auto line = [&](bool vertical, int at, int from, int to) {
        const int lo = vertical ? area.top() : area.left(), hi = vertical ? area.bottom() : area.right();
        if (from > hi || to < lo)
            return;
        int first = std::max(from, lo);
        first -= (first - from) % dash_period(step);
        const int last = std::min(to, hi + 1);
        const QLine l = vertical ? QLine(at, first, at, last) : QLine(first, at, last, at);
        // The gaps show the label colour, as an opaque background would.
        p.setPen(gap_pen);
        p.drawLine(l);
        p.setPen(pen);
        p.drawLine(l);
        ++grid_lines_;
    };
    // The multiples of the step from `lo` to `hi` (points, a pixel beyond
    // the area on each side) inside the extent [ext_lo, ext_hi).  At most as
    // many as `pixels` hold, and where the numbers are too large to tell one
    // step from the next, one.
    auto each = [&](double lo, double hi, double ext_lo, double ext_hi, int pixels, auto &&draw) {
        double k = std::ceil(std::max(ext_lo, lo) / every);
        const double most = pixels / (every * stock_.scale) + 3;
        for (double i = 0; i < most; ++i) {
            const double v = k * every;
            if (!(v < ext_hi && v <= hi))
                return;
            draw(v);
            if (k + 1 == k)
                return;
            k += 1;
        }
    };
    each(to_x(area.left() - 1), to_x(area.right() + 1), e[0], e[2], area.width() + 2,
         [&](double x) { line(true, px(x), top, bottom); });
    each(to_y(area.bottom() + 1), to_y(area.top() - 1), e[1], e[3], area.height() + 2,
         [&](double y) { line(false, py(y), left, right); });
}

void canvas_window::paint_scene(QPainter &p, const QRect &client, const QRect &dirty)
{
    p.fillRect(client, QColor(0x80, 0x80, 0x80));
    if (client.width() <= 10 || client.height() <= 10)
        return;
    // Only what meets the area being painted is drawn.
    const QRect area = dirty & client;
    const label *l = stock_.lab;
    const int x0 = px(0), x1 = px(l->width), y1 = py(0), y0 = py(l->height);
    // Both edge rows and columns belong to the label.
    p.fillRect(QRect(QPoint(x0, y0), QPoint(x1, y1)) & area, QColor::fromRgb(0xFF000000u | stock_.cbr));
    const QColor shadow(0x40, 0x40, 0x40);
    p.fillRect(QRect(x1 + 1, y0 + 3, 3, y1 - y0 + 1) & area, shadow);
    p.fillRect(QRect(x0 + 3, y1 + 1, x1 - x0 + 1, 3) & area, shadow);
    p.setRenderHint(QPainter::Antialiasing, false);
    grid_lines_ = 0;
    if (stock_.grid[0])
        paint_grid(p, 10, area);
    if (stock_.grid[1])
        paint_grid(p, 20, area);
    if (stock_.grid[2])
        paint_grid(p, 40, area);
    draw_contents(p, area);
    draw_guides(p, area);
    draw_elements(p, area);
}

// The rubber band inverts the pixels under its outline.
void canvas_window::invert_band(QImage &img)
{
    double x0, y0, x1, y1;
    if (!mode_->band(x0, y0, x1, y1))
        return;
    const qreal dpr = img.devicePixelRatio();
    QRect band = QRect(QPoint(px(x0), py(y0)), QPoint(px(x1), py(y1))).normalized();
    auto invert = [&](int x, int y) {
        for (int dy = 0; dy < std::max(1, static_cast<int>(dpr)); ++dy)
            for (int dx = 0; dx < std::max(1, static_cast<int>(dpr)); ++dx) {
                int ix = static_cast<int>(x * dpr) + dx, iy = static_cast<int>(y * dpr) + dy;
                if (ix < 0 || iy < 0 || ix >= img.width() || iy >= img.height())
                    continue;
                QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(iy));
                line[ix] = (line[ix] & 0xFF000000u) | (~line[ix] & 0x00FFFFFFu);
            }
    };
    // Only the part of the outline on the image is walked.
    const int w = static_cast<int>(img.width() / dpr), h = static_cast<int>(img.height() / dpr);
    for (int x = std::max(band.left(), -1); x <= std::min(band.right(), w); ++x) {
        invert(x, band.top());
        if (band.bottom() != band.top())
            invert(x, band.bottom());
    }
    for (int y = std::max(band.top() + 1, -1); y < std::min(band.bottom(), h + 1); ++y) {
        invert(band.left(), y);
        if (band.right() != band.left())
            invert(band.right(), y);
    }
}

QImage canvas_window::render()
{
    QImage img(size(), QImage::Format_ARGB32_Premultiplied);
    {
        QPainter p(&img);
        paint_scene(p, rect(), rect());
    }
    invert_band(img);
    return img;
}

void canvas_window::render_area(QImage &img, const QRect &area)
{
    {
        QPainter p(&img);
        p.setClipRect(area);
        paint_scene(p, rect(), area);
    }
    invert_band(img);
}

void canvas_window::paintEvent(QPaintEvent *e)
{
    const qreal dpr = devicePixelRatioF();
    if (scene_.size() != size() * dpr) {
        scene_ = QImage(size() * dpr, QImage::Format_ARGB32_Premultiplied);
        scene_.setDevicePixelRatio(dpr);
    }
    render_area(scene_, e->rect());
    QPainter w(this);
    w.drawImage(e->rect(), scene_, QRectF(e->rect().topLeft() * dpr, e->rect().size() * dpr));
}

bool canvas_window::event(QEvent *e)
{
    dispatch d(*this);
    if (e->type() == QEvent::MouseButtonPress)
        setFocus(Qt::MouseFocusReason); // a click makes the canvas the keyboard's target
    if (e->type() == QEvent::UngrabMouse) {
        // The capture lost while an operation runs ends it as a release would.
        mode_->capture_lost();
    }
    return QWidget::event(e);
}

// ------------------------------------------------------------------ mouse

void canvas_window::mousePressEvent(QMouseEvent *e)
{
    const QPoint p = e->position().toPoint();
    if (e->button() == Qt::RightButton)
        mode_->right_press(p);
    else if (e->button() == Qt::LeftButton)
        mode_->press(p, QApplication::keyboardModifiers() | e->modifiers());
}

void canvas_window::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint p = e->position().toPoint();
    // The last four pointer points, for the trail redraw.
    for (int i = 3; i > 0; --i)
        trail_[static_cast<std::size_t>(i)] = trail_[static_cast<std::size_t>(i - 1)];
    trail_[0] = p;
    trail_len_ = std::min(trail_len_ + 1, 4);
    stock_.tracking = 1;
    position_status(p);
    mode_->move(p, e->buttons());
}

void canvas_window::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton)
        mode_->release(e->position().toPoint());
}

void canvas_window::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton)
        mode_->double_click(e->position().toPoint());
}
