#include "widgets/gradient.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

int channel(std::uint32_t c, int shift)
{
    return static_cast<int>((c >> shift) & 0xFF);
}

QRgb premultiplied(double a, double r, double g, double b)
{
    auto t = [](double v) { return static_cast<unsigned>(std::clamp(v, 0.0, 255.0)); };
    unsigned ab = t(a);
    return (ab << 24) | (t(r * a / 255.0) << 16) | (t(g * a / 255.0) << 8) | t(b * a / 255.0);
}

void order(int &a, int &b)
{
    if (a > b)
        std::swap(a, b);
}

} // namespace

QImage grd__ball(int r, std::uint32_t rim, std::uint32_t centre)
{
    const int n = 2 * r + 2;
    QImage img(n, n, QImage::Format_ARGB32_Premultiplied);
    const double mid = r + 1;
    const double h = (r + 1) - 0.25 * r;
    const double d = 1.25 * r * std::sqrt(2.0);
    for (int i = 0; i < n; ++i) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(i));
        for (int j = 0; j < n; ++j) {
            double dist = std::sqrt((i - mid) * (i - mid) + (j - mid) * (j - mid));
            double a = dist < r ? 255.0 : dist <= r + 1 ? 255.0 * (r + 1 - dist) : 0.0;
            double s = std::min(1.0, std::sqrt((j - h) * (j - h) + (i - h) * (i - h)) / d);
            double ch[3];
            for (int k = 0; k < 3; ++k) {
                int shift = 16 - 8 * k;
                ch[k] = channel(centre, shift) + s * (channel(rim, shift) - channel(centre, shift));
            }
            line[j] = premultiplied(a, ch[0], ch[1], ch[2]);
        }
    }
    return img;
}

namespace {

// What of the painter's surface can show, in its current coordinates, a
// pixel wider on every side: the clip, or the whole surface.
QRect visible_area(const QPainter &p)
{
    QRectF area;
    if (p.hasClipping()) {
        area = p.clipBoundingRect();
    } else if (const QPaintDevice *d = p.device()) {
        const qreal dpr = d->devicePixelRatioF() > 0 ? d->devicePixelRatioF() : 1.0;
        area = p.worldTransform().inverted().mapRect(QRectF(0, 0, d->width() / dpr, d->height() / dpr));
    }
    if (area.isEmpty())
        return QRect();
    // Far beyond any surface: the int conversion stays defined.
    const QRectF limit(-(1 << 30), -(1 << 30), 2.0 * (1 << 30), 2.0 * (1 << 30));
    return area.intersected(limit).toAlignedRect().adjusted(-1, -1, 1, 1);
}

// The part [ax, bx) x [ay, by) of a band that can show; empty when none.
QRect shown_part(const QPainter &p, int ax, int ay, int bx, int by)
{
    return QRect(QPoint(ax, ay), QPoint(bx - 1, by - 1)) & visible_area(p);
}

} // namespace

void grd__fill(QPainter &p, int ax, int ay, int bx, int by, std::uint32_t colour, int alpha)
{
    order(ax, bx);
    order(ay, by);
    if (bx == ax || by == ay)
        return;
    const QRect r = shown_part(p, ax, ay, bx, by);
    if (r.isEmpty())
        return;
    p.save();
    p.setOpacity(alpha / 255.0);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.fillRect(r, QColor::fromRgb(0xFF000000u | (colour & 0xFFFFFF)));
    p.restore();
}

QImage grd__gradient_part(int n, int from, int w, int h, std::uint32_t a, std::uint32_t b, bool horizontal)
{
    QImage img(std::max(w, 0), std::max(h, 0), QImage::Format_ARGB32_Premultiplied);
    const int len = horizontal ? w : h;
    // Alpha, red, green, blue of step k of the whole band: a + k (b - a) / n.
    double start[4], step[4];
    for (int k = 0; k < 4; ++k) {
        int shift = 24 - 8 * k;
        start[k] = channel(a, shift);
        step[k] = n > 0 ? (channel(b, shift) - channel(a, shift)) / static_cast<double>(n) : 0;
    }
    for (int i = 0; i < len; ++i) {
        const double k = static_cast<double>(from) + i;
        QRgb px = premultiplied(start[0] + k * step[0], start[1] + k * step[1], start[2] + k * step[2],
                                start[3] + k * step[3]);
        if (horizontal) {
            for (int y = 0; y < h; ++y)
                reinterpret_cast<QRgb *>(img.scanLine(y))[i] = px;
        } else {
            auto *line = reinterpret_cast<QRgb *>(img.scanLine(i));
            std::fill(line, line + w, px);
        }
    }
    return img;
}

namespace {

void gradient(QPainter &p, int ax, int ay, int bx, int by, std::uint32_t ca, std::uint32_t cb,
              int alpha, bool horizontal)
{
    // Colour A belongs to corner A's column (row): swap the colours when
    // ordering the corners swaps them.
    if (horizontal ? ax > bx : ay > by)
        std::swap(ca, cb);
    order(ax, bx);
    order(ay, by);
    if (bx == ax || by == ay)
        return;
    // Only the part that can show is made, coloured as in the whole band.
    const QRect r = shown_part(p, ax, ay, bx, by);
    if (r.isEmpty())
        return;
    const int n = horizontal ? bx - ax : by - ay;
    const int from = horizontal ? r.left() - ax : r.top() - ay;
    QImage img = grd__gradient_part(n, from, r.width(), r.height(), ca, cb, horizontal);
    p.save();
    p.setOpacity(alpha / 255.0);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawImage(r.topLeft(), img);
    p.restore();
}

} // namespace

void grd__hgradient(QPainter &p, int ax, int ay, int bx, int by, std::uint32_t a, std::uint32_t b, int alpha)
{
    gradient(p, ax, ay, bx, by, a, b, alpha, true);
}

void grd__vgradient(QPainter &p, int ax, int ay, int bx, int by, std::uint32_t a, std::uint32_t b, int alpha)
{
    gradient(p, ax, ay, bx, by, a, b, alpha, false);
}

void grd__blit_centred(QPainter &p, const QImage &ball, int x, int y)
{
    const QRect at(x - ball.width() / 2, y - ball.height() / 2, ball.width(), ball.height());
    if (at.intersects(visible_area(p)))
        p.drawImage(at.topLeft(), ball);
}
