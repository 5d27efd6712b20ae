// The real content of the elements under their schematic boxes: each
// element drawn by the render library into a picture of its own at the
// current zoom, kept while the element, the zoom and the preview variables
// stay the same, so that scrolling and dragging only copy pictures.  EPS
// pictures come from a background thread (picture_worker).
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string_view>

#include "canvas/canvas.h"
#include "canvas/picture_worker.h"
#include "hub/program_state.h"
#include "model/layout.h"
#include "platform/qt_text.h"
#include "render/barcode.h"
#include "widgets/frame_host.h"

namespace {

// Content pictures kept beyond what the last paint used.
constexpr long long kept_bytes = 256LL << 20;
// Pixels drawn around the screen for an element larger than it, so that a
// short scroll copies what is there.
constexpr int margin_px = 256;

struct key_maker {
    std::uint64_t h = 0x84222325cbf29ce4ull;
    void mix(std::uint64_t v) { h ^= v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2); }
    void num(double v)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        mix(bits);
    }
    void text(const std::optional<std::u16string> &s)
    {
        mix(s ? std::hash<std::u16string_view>()(*s) : 0x5bd1e995u);
        mix(s ? s->size() : ~0ull);
    }
};

} // namespace

void canvas_window::show_content(bool on)
{
    if (content_on_ == on)
        return;
    content_on_ = on;
    contents_.clear();
    update();
    content_status();
}

void canvas_window::variables_changed()
{
    update();
}

int canvas_window::pictures_pending() const
{
    return pictures_ ? pictures_->pending() : 0;
}

int canvas_window::take_content_draws()
{
    const int n = content_draws_;
    content_draws_ = 0;
    return n;
}

// Whether the schematic box shows its description and fill: when the
// element has nothing to show of its own (or content is off).
bool canvas_window::shows_description(const element *e) const
{
    if (!content_on_ || e->disabled)
        return true;
    if (e->type == ELE_PICTURE && !e->picture.data)
        return true;
    auto it = contents_.find(e);
    if (it == contents_.end())
        return true;
    return it->second.state == element_state::empty || it->second.state == element_state::pending;
}

void canvas_window::draw_contents(QPainter &p, const QRect &dirty)
{
    if (!content_on_)
        return;
    ++paints_;
    // The preview variables, read again when they changed.
    {
        key_maker k;
        for (const preview_var &v : prs__variables()) {
            k.text(v.name);
            k.text(v.value);
        }
        if (k.h != variables_key_ || variables_.empty() != prs__variables().empty()) {
            variables_key_ = k.h;
            std::vector<render_variable> list;
            for (const preview_var &v : prs__variables())
                list.push_back({v.name, v.value});
            variables_ = rdr__variable_map(list);
        }
    }
    if (!pictures_)
        pictures_ = std::make_unique<picture_worker>(this, [this] {
            ++pictures_arrived_;
            update();
        });
    const label *l = stock_.lab;
    const QPoint origin(px(0), py(l->height));
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (int i = l->qty - 1; i >= 0; --i)
        if (!l->es[i]->disabled)
            draw_content(p, i, dirty & rect(), origin);
    p.restore();
    // Pictures nobody looked at lately go when there are too many.
    long long bytes = 0;
    for (const auto &[e, c] : contents_)
        bytes += c.image.sizeInBytes();
    if (bytes > kept_bytes)
        for (auto it = contents_.begin(); it != contents_.end();)
            it = it->second.used < paints_ ? contents_.erase(it) : std::next(it);
    content_status();
}

void canvas_window::draw_content(QPainter &p, int index, const QRect &area, const QPoint &origin)
{
    const label *l = stock_.lab;
    const element *e = l->es[index];
    const qreal dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    render_request r;
    r.scale_x = r.scale_y = stock_.scale * dpr;
    r.variables = &variables_;
    r.background = false;
    r.edges = render_edges::pixels;
    r.pictures = pictures_.get();
    r.overflow_marks = true;
    key_maker k;
    for (double v : {e->x, e->y, e->width, e->height, e->angle, l->height, r.scale_x})
        k.num(v);
    k.mix(static_cast<std::uint64_t>(e->quadrant));
    k.mix(static_cast<std::uint64_t>(e->type));
    switch (e->type) {
    case ELE_TEXT:
        k.text(e->text.text);
        k.text(e->text.font);
        k.num(e->text.size);
        k.mix(static_cast<std::uint64_t>(e->text.justification));
        k.mix(e->text.wrap ? 1u : 0u);
        k.num(e->text.shrink);
        k.mix(e->text.colour);
        k.mix(variables_key_);
        break;
    case ELE_BORDER:
        k.mix(static_cast<std::uint64_t>(e->border.style));
        k.num(e->border.thickness);
        k.mix(e->border.colour);
        break;
    case ELE_PICTURE:
        k.mix(reinterpret_cast<std::uintptr_t>(e->picture.data.get()));
        k.mix(e->picture.colour);
        k.mix(pictures_arrived_);
        break;
    case ELE_BARCODE:
        k.text(e->barcode.code);
        k.mix(static_cast<std::uint64_t>(e->barcode.type));
        k.mix(static_cast<std::uint64_t>(e->barcode.text));
        k.mix(e->barcode.colour);
        k.mix(variables_key_);
        break;
    default: break;
    }

    static const QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
    const QPoint o(static_cast<int>(std::lround(origin.x() * dpr)), static_cast<int>(std::lround(origin.y() * dpr)));
    const QRect client(QPoint(0, 0), QSize(static_cast<int>(std::ceil(width() * dpr)),
                                           static_cast<int>(std::ceil(height() * dpr))));
    const int m = static_cast<int>(margin_px * dpr);
    // Only the part near the screen is ever drawn: whatever the element's
    // size, the rectangles stay within what an int holds.
    const QRectF reach = QRectF(client.translated(-o).adjusted(-m, -m, m, m));
    content_entry &c = contents_[e];
    if (c.key != k.h || c.extent.isNull()) {
        // Where the element may draw does not change while its key stays.
        c.extent = rdr__element_extent(l, e, r, &probe);
        c.key = k.h;
        c.covered = QRect();
    }
    const QRectF extent = c.extent;
    if (!(std::isfinite(extent.left()) && std::isfinite(extent.top()) && std::isfinite(extent.width()) &&
          std::isfinite(extent.height())))
        return;
    const QRect ext = (extent & reach).toAlignedRect();
    const QRect phys_area(QPoint(static_cast<int>(std::floor(area.left() * dpr)),
                                 static_cast<int>(std::floor(area.top() * dpr))),
                          QPoint(static_cast<int>(std::ceil((area.right() + 1) * dpr)) - 1,
                                 static_cast<int>(std::ceil((area.bottom() + 1) * dpr)) - 1));
    const QRect needed = ext & phys_area.translated(-o);
    if (needed.isEmpty())
        return;
    c.used = paints_;
    if (c.covered.isNull() || !c.covered.contains(needed)) {
        c.covered = ext;
        c.image = QImage(c.covered.size(), QImage::Format_ARGB32_Premultiplied);
        c.image.fill(Qt::transparent);
        element_result res;
        {
            // Whole pixels: the picture's corner moves the label by a
            // whole number of pixels, so edges fall as they would on the
            // whole label.
            QPainter ip(&c.image);
            render_request at = r;
            at.origin = QPointF(-c.covered.topLeft());
            res = rdr__draw_element(ip, l, index, at);
        }
        c.image.setDevicePixelRatio(dpr);
        c.state = res.state;
        c.reason = res.reason;
        if (c.state == element_state::empty || c.state == element_state::pending)
            c.image = QImage();
        ++content_draws_;
    }
    if (!c.image.isNull())
        p.drawImage(QPointF((o + c.covered.topLeft()) / dpr), c.image);
}

// The reason a selected element shows the red crossed box, in the status
// bar while it is the only one selected.
void canvas_window::content_status()
{
    QString text;
    const label *l = stock_.lab;
    if (content_on_ && l->sel == 1) {
        const int lead = ele__get_first_selected(l);
        const element *e = lead >= 0 ? l->es[lead] : nullptr;
        auto it = e ? contents_.find(e) : contents_.end();
        if (it != contents_.end() && it->second.state == element_state::refused && !e->disabled)
            text = qs(it->second.reason);
    }
    if (text != content_status_) {
        content_status_ = text;
        if (stock_.owner)
            stock_.owner->set_status(0, text);
    }
}
