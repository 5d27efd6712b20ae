#include "resources/icons.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QPixmapCache>
#include <cmath>
#include <functional>
#include <map>
#include <string>

namespace {

// Colours of one drawing: the real ones, or greys for the disabled form.
struct ink {
    bool off = false;
    QColor c(QColor col) const
    {
        if (!off)
            return col;
        int g = qGray(col.rgb());
        g = 150 + (g * 90) / 255; // washed-out grey
        return QColor(g, g, g, col.alpha());
    }
    QPen pen(QColor col, qreal w = 1.0) const
    {
        QPen p(c(col), w);
        p.setCapStyle(Qt::FlatCap);
        p.setJoinStyle(Qt::MiterJoin);
        return p;
    }
};

using painter_fn = std::function<void(QPainter &, const ink &)>;

struct picture {
    QSize size;
    painter_fn paint;
};

const QColor black(0x20, 0x20, 0x20);
const QColor blue(0x1e, 0x5a, 0xc8);
const QColor light_blue(0xa0, 0xc0, 0xff);
const QColor yellow(0xf0, 0xc8, 0x30);
const QColor red(0xd0, 0x20, 0x20);
const QColor green(0x20, 0x90, 0x40);
const QColor orange(0xff, 0xa0, 0x00);
const QColor paper(0xff, 0xff, 0xff);
const QColor shade(0x80, 0x80, 0x80); // fixed grey: button shadow

void box(QPainter &p, const ink &k, QRectF r, QColor line, QColor fill)
{
    p.setPen(k.pen(line));
    p.setBrush(k.c(fill));
    p.drawRect(r);
}

// Horizontal bar of an alignment picture.
void bar(QPainter &p, const ink &k, qreal x, qreal y, qreal w, qreal h)
{
    box(p, k, QRectF(x + 0.5, y + 0.5, w - 1, h - 1), blue, light_blue);
}

void arrow_h(QPainter &p, const ink &k, qreal x1, qreal x2, qreal y)
{
    p.setPen(k.pen(black));
    p.drawLine(QPointF(x1, y), QPointF(x2, y));
    p.setBrush(k.c(black));
    QPolygonF a{{x1, y}, {x1 + 3, y - 2.5}, {x1 + 3, y + 2.5}};
    QPolygonF b{{x2, y}, {x2 - 3, y - 2.5}, {x2 - 3, y + 2.5}};
    p.setPen(Qt::NoPen);
    p.drawPolygon(a);
    p.drawPolygon(b);
}

void arrow_v(QPainter &p, const ink &k, qreal y1, qreal y2, qreal x)
{
    p.save();
    p.translate(x, 0);
    p.rotate(90);
    arrow_h(p, k, y1, y2, 0);
    p.restore();
}

// Square with a dot at the anchor of code `q`.
void quadrant(QPainter &p, const ink &k, int q)
{
    box(p, k, QRectF(2.5, 2.5, 11, 11), shade, paper);
    static const QPointF at[] = {{2.5, 13.5}, {2.5, 2.5}, {13.5, 2.5},  {13.5, 13.5}, {2.5, 8},
                                 {8, 2.5},    {13.5, 8},  {8, 13.5},    {8, 8}};
    p.setPen(Qt::NoPen);
    p.setBrush(k.c(red));
    p.drawEllipse(at[q], 2.3, 2.3);
}

void line_style(QPainter &p, const ink &k, const QVector<qreal> &dashes)
{
    QPen pen = k.pen(black, 2);
    if (!dashes.isEmpty())
        pen.setDashPattern(dashes);
    p.setPen(pen);
    p.drawLine(QPointF(2, 8), QPointF(34, 8));
}

void justification(QPainter &p, const ink &k, int j)
{
    p.setPen(k.pen(black, 1.5));
    const qreal len[] = {12, 8, 11, 6};
    for (int i = 0; i < 4; ++i) {
        qreal y = 3.5 + i * 3;
        qreal l = j == 3 && i < 3 ? 12 : len[i];
        qreal x = j == 0 || j == 3 ? 2 : j == 1 ? 14 - l : 8 - l / 2;
        p.drawLine(QPointF(x, y), QPointF(x + l, y));
    }
}

void letter(QPainter &p, const ink &k, const QString &s, QColor col, QRectF r, int px, bool bold = true)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(px);
    f.setBold(bold);
    p.setFont(f);
    p.setPen(k.c(col));
    p.drawText(r, Qt::AlignCenter, s);
}

void kind_text(QPainter &p, const ink &k) { letter(p, k, QStringLiteral("T"), blue, QRectF(0, 0, 16, 16), 14); }

void kind_border(QPainter &p, const ink &k)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(k.pen(green, 2));
    p.drawRect(QRectF(2, 3, 12, 10));
}

void kind_picture(QPainter &p, const ink &k)
{
    box(p, k, QRectF(1.5, 2.5, 13, 11), shade, QColor(0xd8, 0xec, 0xff));
    p.setPen(Qt::NoPen);
    p.setBrush(k.c(green));
    p.drawPolygon(QPolygonF{{2, 13}, {6, 7}, {9, 11}, {11, 9}, {14, 13}});
    p.setBrush(k.c(orange));
    p.drawEllipse(QPointF(11, 5.5), 1.6, 1.6);
}

void kind_barcode(QPainter &p, const ink &k)
{
    p.setPen(Qt::NoPen);
    p.setBrush(k.c(black));
    const qreal xs[] = {2, 4, 5.5, 8, 9.5, 12, 13.5};
    const qreal ws[] = {1, 0.7, 1.5, 0.7, 1.5, 0.7, 1};
    for (int i = 0; i < 7; ++i)
        p.drawRect(QRectF(xs[i], 2, ws[i], 12));
}

void page(QPainter &p, const ink &k)
{
    QPainterPath path;
    path.moveTo(3.5, 1.5);
    path.lineTo(10, 1.5);
    path.lineTo(13.5, 5);
    path.lineTo(13.5, 14.5);
    path.lineTo(3.5, 14.5);
    path.closeSubpath();
    p.setPen(k.pen(shade));
    p.setBrush(k.c(paper));
    p.drawPath(path);
    p.drawPolyline(QPolygonF{{10, 1.5}, {10, 5}, {13.5, 5}});
}

void pointer(QPainter &p, const ink &k)
{
    QPolygonF a{{4, 1.5}, {4, 13}, {6.8, 10.3}, {9, 14.5}, {10.8, 13.6}, {8.7, 9.5}, {12.5, 9.5}};
    p.setPen(k.pen(black));
    p.setBrush(k.c(paper));
    p.drawPolygon(a);
}

void tool_text(QPainter &p, const ink &k)
{
    letter(p, k, QStringLiteral("A"), black, QRectF(0, -1, 16, 14), 13);
    p.setPen(k.pen(blue, 1.5));
    p.drawLine(QPointF(2, 14.5), QPointF(14, 14.5));
}

void delete_cross(QPainter &p, const ink &k)
{
    QPen pen = k.pen(red, 2.6);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
    p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
}

void folder(QPainter &p, const ink &k)
{
    QPainterPath back;
    back.moveTo(1.5, 4);
    back.lineTo(5.5, 4);
    back.lineTo(7, 5.5);
    back.lineTo(13.5, 5.5);
    back.lineTo(13.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.setPen(k.pen(QColor(0x9a, 0x70, 0x10)));
    p.setBrush(k.c(QColor(0xe8, 0xb8, 0x40)));
    p.drawPath(back);
    p.setBrush(k.c(yellow));
    p.drawPolygon(QPolygonF{{1.5, 13.5}, {4, 7.5}, {15, 7.5}, {13.5, 13.5}});
}

void floppy(QPainter &p, const ink &k)
{
    box(p, k, QRectF(1.5, 1.5, 13, 13), QColor(0x10, 0x30, 0x70), blue);
    box(p, k, QRectF(4.5, 1.5, 7, 5), shade, paper);
    box(p, k, QRectF(3.5, 9.5, 9, 5), shade, QColor(0xd0, 0xd0, 0xd0));
}

void undo_arrow(QPainter &p, const ink &k)
{
    QPainterPath path;
    path.moveTo(4, 6);
    path.cubicTo(9, 2.5, 15, 5, 13, 11);
    path.cubicTo(12, 13, 10, 13.5, 8, 13.5);
    QPen pen = k.pen(blue, 2);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(k.c(blue));
    p.drawPolygon(QPolygonF{{1.5, 7.5}, {6.5, 2.5}, {7.5, 9}});
}

void help(QPainter &p, const ink &k)
{
    p.setPen(k.pen(QColor(0x10, 0x30, 0x70)));
    p.setBrush(k.c(blue));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    letter(p, k, QStringLiteral("?"), paper, QRectF(0, 0.5, 16, 16), 11);
}

void mode_picture(QPainter &p, const ink &k, int mode)
{
    // 32 x 24: canvas grey with a label, properties yellow, list white.
    const QColor canvas(0xa0, 0xa0, 0xa0), props(0xff, 0xf4, 0xc0), list(0xff, 0xff, 0xff);
    box(p, k, QRectF(0.5, 0.5, 31, 23), black, paper);
    auto pane = [&](QRectF r, QColor c, bool label) {
        box(p, k, r, shade, c);
        if (label)
            box(p, k, QRectF(r.center().x() - 3, r.center().y() - 3, 6, 6), black, paper);
    };
    switch (mode) {
    case 0:
        pane(QRectF(1.5, 1.5, 18, 21), canvas, true);
        pane(QRectF(20.5, 1.5, 10, 10), props, false);
        pane(QRectF(20.5, 12.5, 10, 10), list, false);
        break;
    case 1:
        pane(QRectF(1.5, 1.5, 29, 12), canvas, true);
        pane(QRectF(1.5, 14.5, 14, 8), props, false);
        pane(QRectF(16.5, 14.5, 14, 8), list, false);
        break;
    default:
        pane(QRectF(1.5, 1.5, 8, 21), list, false);
        pane(QRectF(10.5, 1.5, 11, 21), canvas, true);
        pane(QRectF(22.5, 1.5, 8, 21), props, false);
        break;
    }
}

void label_tag(QPainter &p, const ink &k, qreal s)
{
    // A price label with a hole and three lines of text: the program's mark.
    QPainterPath tag;
    tag.moveTo(4 * s, 2 * s);
    tag.lineTo(26 * s, 2 * s);
    tag.lineTo(30 * s, 6 * s);
    tag.lineTo(30 * s, 26 * s);
    tag.lineTo(26 * s, 30 * s);
    tag.lineTo(4 * s, 30 * s);
    tag.lineTo(2 * s, 28 * s);
    tag.lineTo(2 * s, 4 * s);
    tag.closeSubpath();
    p.setPen(k.pen(QColor(0x10, 0x30, 0x70), 1.5 * s));
    p.setBrush(k.c(QColor(0xff, 0xf4, 0xc0)));
    p.drawPath(tag);
    p.setBrush(k.c(paper));
    p.drawEllipse(QPointF(24 * s, 8 * s), 2.2 * s, 2.2 * s);
    p.setPen(k.pen(blue, 2 * s));
    p.drawLine(QPointF(6 * s, 14 * s), QPointF(24 * s, 14 * s));
    p.drawLine(QPointF(6 * s, 19 * s), QPointF(20 * s, 19 * s));
    p.setPen(Qt::NoPen);
    p.setBrush(k.c(black));
    for (int i = 0; i < 7; ++i)
        p.drawRect(QRectF((6 + i * 3) * s, 22 * s, (i % 2 ? 1.0 : 2.0) * s, 5 * s));
}

std::map<std::string, picture> &registry()
{
    static std::map<std::string, picture> r;
    if (!r.empty())
        return r;
    const QSize s16(16, 16);
    auto add = [&](const char *name, QSize size, painter_fn fn) { r[name] = picture{size, std::move(fn)}; };
    add("new", s16, [](QPainter &p, const ink &k) {
        page(p, k);
        p.setPen(Qt::NoPen);
        p.setBrush(k.c(yellow));
        QPolygonF star;
        for (int i = 0; i < 10; ++i) {
            qreal a = M_PI / 5 * i - M_PI / 2, rad = i % 2 ? 1.6 : 3.6;
            star << QPointF(11.5 + rad * std::cos(a), 11.5 + rad * std::sin(a));
        }
        p.drawPolygon(star);
    });
    add("open", s16, folder);
    add("save", s16, floppy);
    add("undo", s16, undo_arrow);
    add("redo", s16, [](QPainter &p, const ink &k) {
        p.translate(16, 0);
        p.scale(-1, 1); // the undo arrow, turned the other way
        undo_arrow(p, k);
    });
    add("pointer", s16, pointer);
    add("tool_text", s16, tool_text);
    add("tool_border", s16, [](QPainter &p, const ink &k) {
        p.setBrush(Qt::NoBrush);
        QPen pen = k.pen(green, 2);
        p.setPen(pen);
        p.drawRect(QRectF(2, 3, 12, 10));
        p.setPen(k.pen(green, 1));
        p.setPen(QPen(k.c(green), 1, Qt::DotLine));
        p.drawRect(QRectF(4.5, 5.5, 7, 5));
    });
    add("tool_barcode", s16, kind_barcode);
    add("tool_picture", s16, kind_picture);
    add("delete", s16, delete_cross);
    // Alignment: a guide line and two bars lined up on it.
    add("align_left", s16, [](QPainter &p, const ink &k) {
        bar(p, k, 2, 3, 12, 4);
        bar(p, k, 2, 9, 8, 4);
        p.setPen(k.pen(red));
        p.drawLine(QPointF(1.5, 0.5), QPointF(1.5, 15.5));
    });
    add("align_right", s16, [](QPainter &p, const ink &k) {
        bar(p, k, 2, 3, 12, 4);
        bar(p, k, 6, 9, 8, 4);
        p.setPen(k.pen(red));
        p.drawLine(QPointF(14.5, 0.5), QPointF(14.5, 15.5));
    });
    add("align_hcenter", s16, [](QPainter &p, const ink &k) {
        bar(p, k, 2, 3, 12, 4);
        bar(p, k, 4, 9, 8, 4);
        p.setPen(k.pen(red));
        p.drawLine(QPointF(8, 0.5), QPointF(8, 15.5));
    });
    add("align_top", s16, [](QPainter &p, const ink &k) {
        bar(p, k, 3, 2, 4, 12);
        bar(p, k, 9, 2, 4, 8);
        p.setPen(k.pen(red));
        p.drawLine(QPointF(0.5, 1.5), QPointF(15.5, 1.5));
    });
    add("align_bottom", s16, [](QPainter &p, const ink &k) {
        bar(p, k, 3, 2, 4, 12);
        bar(p, k, 9, 6, 4, 8);
        p.setPen(k.pen(red));
        p.drawLine(QPointF(0.5, 14.5), QPointF(15.5, 14.5));
    });
    add("align_vcenter", s16, [](QPainter &p, const ink &k) {
        bar(p, k, 3, 2, 4, 12);
        bar(p, k, 9, 4, 4, 8);
        p.setPen(k.pen(red));
        p.drawLine(QPointF(0.5, 8), QPointF(15.5, 8));
    });
    add("same_width", s16, [](QPainter &p, const ink &k) {
        bar(p, k, 2, 1, 12, 4);
        bar(p, k, 2, 11, 12, 4);
        arrow_h(p, k, 2, 14, 8);
    });
    add("same_height", s16, [](QPainter &p, const ink &k) {
        bar(p, k, 1, 2, 4, 12);
        bar(p, k, 11, 2, 4, 12);
        arrow_v(p, k, 2, 14, 8);
    });
    add("same_size", s16, [](QPainter &p, const ink &k) {
        bar(p, k, 1, 1, 6, 6);
        bar(p, k, 9, 9, 6, 6);
    });
    add("distribute_h", s16, [](QPainter &p, const ink &k) {
        bar(p, k, 0, 4, 3, 8);
        bar(p, k, 6.5, 4, 3, 8);
        bar(p, k, 13, 4, 3, 8);
        p.setPen(k.pen(red));
        p.drawLine(QPointF(3.5, 14.5), QPointF(6, 14.5));
        p.drawLine(QPointF(10, 14.5), QPointF(12.5, 14.5));
    });
    add("distribute_v", s16, [](QPainter &p, const ink &k) {
        bar(p, k, 4, 0, 8, 3);
        bar(p, k, 4, 6.5, 8, 3);
        bar(p, k, 4, 13, 8, 3);
        p.setPen(k.pen(red));
        p.drawLine(QPointF(14.5, 3.5), QPointF(14.5, 6));
        p.drawLine(QPointF(14.5, 10), QPointF(14.5, 12.5));
    });
    add("help", s16, help);
    for (int q = 0; q < 9; ++q)
        r["quadrant_" + std::to_string(q)] =
            picture{s16, [q](QPainter &p, const ink &k) { quadrant(p, k, q); }};
    const QSize lines(36, 16);
    add("line_solid", lines, [](QPainter &p, const ink &k) { line_style(p, k, {}); });
    add("line_dash", lines, [](QPainter &p, const ink &k) { line_style(p, k, {3, 2}); });
    add("line_dot", lines, [](QPainter &p, const ink &k) { line_style(p, k, {1, 1}); });
    add("line_dashdot", lines, [](QPainter &p, const ink &k) { line_style(p, k, {3, 1.5, 1, 1.5}); });
    add("line_dashdotdot", lines,
        [](QPainter &p, const ink &k) { line_style(p, k, {3, 1.5, 1, 1.5, 1, 1.5}); });
    add("kind_text", s16, kind_text);
    add("kind_border", s16, kind_border);
    add("kind_picture", s16, kind_picture);
    add("kind_barcode", s16, kind_barcode);
    // A disabled element: its kind, struck through.
    const char *kinds[] = {"kind_text", "kind_border", "kind_picture", "kind_barcode"};
    for (const char *kn : kinds) {
        painter_fn base = r[kn].paint;
        r[std::string(kn) + "_disabled"] = picture{s16, [base](QPainter &p, const ink &k) {
                                                       ink grey{true};
                                                       base(p, grey);
                                                       QPen pen = k.pen(red, 1.6);
                                                       pen.setCapStyle(Qt::RoundCap);
                                                       p.setPen(pen);
                                                       p.drawLine(QPointF(2, 14), QPointF(14, 2));
                                                   }};
    }
    for (int j = 0; j < 4; ++j) {
        static const char *names[] = {"just_left", "just_right", "just_center", "just_fill"};
        r[names[j]] = picture{s16, [j](QPainter &p, const ink &k) { justification(p, k, j); }};
    }
    add("raise", s16, [](QPainter &p, const ink &k) {
        p.setPen(Qt::NoPen);
        p.setBrush(k.c(blue));
        p.drawPolygon(QPolygonF{{8, 2}, {14, 9}, {10.5, 9}, {10.5, 14}, {5.5, 14}, {5.5, 9}, {2, 9}});
    });
    add("lower", s16, [](QPainter &p, const ink &k) {
        p.setPen(Qt::NoPen);
        p.setBrush(k.c(blue));
        p.drawPolygon(QPolygonF{{8, 14}, {14, 7}, {10.5, 7}, {10.5, 2}, {5.5, 2}, {5.5, 7}, {2, 7}});
    });
    add("preview", s16, [](QPainter &p, const ink &k) {
        box(p, k, QRectF(1.5, 2.5, 11, 9), shade, paper);
        p.setPen(k.pen(blue, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(9, 9), 3.5, 3.5);
        p.drawLine(QPointF(11.5, 11.5), QPointF(14.5, 14.5));
    });
    add("edit", s16, [](QPainter &p, const ink &k) {
        p.setPen(k.pen(black));
        p.setBrush(k.c(yellow));
        p.drawPolygon(QPolygonF{{3, 13}, {4, 10}, {11.5, 2.5}, {13.5, 4.5}, {6, 12}});
    });
    add("status_position", s16, [](QPainter &p, const ink &k) {
        p.setPen(k.pen(black));
        p.drawLine(QPointF(8, 1), QPointF(8, 15));
        p.drawLine(QPointF(1, 8), QPointF(15, 8));
        p.setBrush(Qt::NoBrush);
        p.setPen(k.pen(red));
        p.drawEllipse(QPointF(8, 8), 3.5, 3.5);
    });
    add("status_size", s16, [](QPainter &p, const ink &k) {
        box(p, k, QRectF(3.5, 3.5, 9, 9), shade, QColor(0xe8, 0xf0, 0xff));
        arrow_h(p, k, 1, 15, 14.5);
    });
    add("app", QSize(32, 32), [](QPainter &p, const ink &k) { label_tag(p, k, 1.0); });
    add("mode_0", QSize(32, 24), [](QPainter &p, const ink &k) { mode_picture(p, k, 0); });
    add("mode_1", QSize(32, 24), [](QPainter &p, const ink &k) { mode_picture(p, k, 1); });
    add("mode_2", QSize(32, 24), [](QPainter &p, const ink &k) { mode_picture(p, k, 2); });
    add("about", QSize(240, 120), [](QPainter &p, const ink &k) {
        QLinearGradient g(0, 0, 240, 120);
        g.setColorAt(0, k.c(QColor(0xe8, 0xf0, 0xff)));
        g.setColorAt(1, k.c(QColor(0xff, 0xf4, 0xd8)));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRect(QRectF(0, 0, 240, 120));
        p.save();
        p.translate(12, 12);
        label_tag(p, k, 3.0);
        p.restore();
        letter(p, k, QStringLiteral("Vellumo"), QColor(0x10, 0x30, 0x70), QRectF(112, 30, 124, 40), 26);
        letter(p, k, QCoreApplication::translate("vellumo", "этикетки"), blue, QRectF(112, 66, 124, 24), 15, false);
    });
    add("placeholder", QSize(200, 140), [](QPainter &p, const ink &k) {
        p.setPen(Qt::NoPen);
        p.setBrush(k.c(QColor(0xf4, 0xf4, 0xf4)));
        p.drawRect(QRectF(0, 0, 200, 140));
        QPen dash = k.pen(shade, 2);
        dash.setDashPattern({4, 3});
        p.setPen(dash);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(20, 15, 160, 90));
        p.save();
        p.translate(84, 28);
        label_tag(p, k, 1.0);
        p.restore();
        letter(p, k, QCoreApplication::translate("vellumo", "Нет изображения"), shade, QRectF(20, 66, 160, 20), 13, false);
        letter(p, k, QCoreApplication::translate("vellumo", "Просмотр (F5)"), shade, QRectF(20, 112, 160, 20), 11, false);
    });
    return r;
}

// Draws a picture into an image of the asked size.
QImage render(const picture &pic, QSize size, qreal dpr, bool disabled)
{
    QSize px(qMax(1, qRound(size.width() * dpr)), qMax(1, qRound(size.height() * dpr)));
    QImage img(px, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setRenderHint(QPainter::TextAntialiasing, true);
        p.scale(px.width() / qreal(pic.size.width()), px.height() / qreal(pic.size.height()));
        pic.paint(p, ink{disabled});
    }
    res__recolour(img);
    img.setDevicePixelRatio(dpr);
    return img;
}

void cross(QPainter &p, const ink &k)
{
    p.setPen(k.pen(red, 2));
    p.drawLine(QPointF(2, 2), QPointF(14, 14));
    p.drawLine(QPointF(14, 2), QPointF(2, 14));
}

const picture &lookup(const char *name)
{
    static const picture unknown{QSize(16, 16), cross};
    auto &r = registry();
    auto it = r.find(name ? name : "");
    return it == r.end() ? unknown : it->second;
}

class drawn_icon final : public QIconEngine {
public:
    explicit drawn_icon(std::string name, std::string disabled = {})
        : name_(std::move(name)), disabled_(disabled.empty() ? name_ : std::move(disabled)) {}
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override
    {
        qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawImage(rect, render(lookup(which(mode)), rect.size(), dpr, mode == QIcon::Disabled));
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        QString key = QStringLiteral("vellumo-icon-%1-%2x%3-%4-%5-%6")
                          .arg(QString::fromUtf8(which(mode)))
                          .arg(size.width())
                          .arg(size.height())
                          .arg(scale)
                          .arg(int(mode))
                          .arg(QApplication::palette().cacheKey());
        QPixmap pm;
        if (QPixmapCache::find(key, &pm))
            return pm;
        QSize logical = size;
        pm = QPixmap::fromImage(render(lookup(which(mode)), logical, scale, mode == QIcon::Disabled));
        QPixmapCache::insert(key, pm);
        return pm;
    }
    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        QSize natural = lookup(name_.c_str()).size;
        return natural.scaled(size, Qt::KeepAspectRatio);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QSize n = lookup(name_.c_str()).size;
        return {n, n * 2};
    }
    QIconEngine *clone() const override { return new drawn_icon(name_, disabled_); }
    QString key() const override { return QStringLiteral("vellumo-drawn"); }

private:
    const char *which(QIcon::Mode mode) const
    {
        return mode == QIcon::Disabled ? disabled_.c_str() : name_.c_str();
    }
    std::string name_;
    std::string disabled_; // the picture whose greyed form shows a disabled button
};

} // namespace

QIcon res__icon(const char *name)
{
    return QIcon(new drawn_icon(name ? name : ""));
}

QIcon res__icon(const char *normal, const char *disabled)
{
    return QIcon(new drawn_icon(normal ? normal : "", disabled ? disabled : ""));
}

QSize res__size(const char *name)
{
    return lookup(name).size;
}

QImage res__image(const char *name, QSize size, qreal dpr, bool disabled)
{
    const picture &pic = lookup(name);
    return render(pic, size.isValid() ? size : pic.size, dpr, disabled);
}

void res__paint(const char *name, QPainter &painter, QSizeF size)
{
    const picture &pic = lookup(name);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(size.width() / pic.size.width(), size.height() / pic.size.height());
    pic.paint(painter, ink{});
    painter.restore();
}

QStringList res__names()
{
    QStringList out;
    for (const auto &[name, pic] : registry())
        out << QString::fromStdString(name);
    return out;
}

void res__recolour(QImage &image)
{
    if (image.format() != QImage::Format_ARGB32_Premultiplied && image.format() != QImage::Format_ARGB32 &&
        image.format() != QImage::Format_RGB32)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QPalette pal = QApplication::palette();
    const QRgb map_from[3] = {0x808080, 0xC0C0C0, 0xDFDFDF};
    const QRgb map_to[3] = {pal.color(QPalette::Dark).rgb() & 0xFFFFFF,
                            pal.color(QPalette::Button).rgb() & 0xFFFFFF,
                            pal.color(QPalette::Light).rgb() & 0xFFFFFF};
    const bool premultiplied = image.format() == QImage::Format_ARGB32_Premultiplied;
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            QRgb c = premultiplied ? qUnpremultiply(line[x]) : line[x];
            if (qAlpha(c) == 0)
                continue;
            for (int k = 0; k < 3; ++k)
                if ((c & 0xFFFFFF) == map_from[k]) {
                    QRgb n = (c & 0xFF000000u) | map_to[k];
                    line[x] = premultiplied ? qPremultiply(n) : n;
                    break;
                }
        }
    }
}
