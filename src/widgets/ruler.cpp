#include "widgets/ruler.h"

#include <QCursor>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <cmath>

ruler_scale ruler__scale(double start, double end, const ruler_conversion &to_px, int digit_width)
{
    ruler_scale out;
    const double span = end - start;
    if (!to_px || !(std::fabs(span) > 1e-10) || !std::isfinite(span))
        return out;
    const int k = static_cast<int>(std::floor(std::log10(std::fabs(span))));
    double step = std::pow(10.0, k - 1);
    for (int i = 0; i < 20 && std::fabs(to_px(2 * step) - to_px(step)) < 4.0 * digit_width; ++i)
        step *= 2;
    out.step = step;
    out.decimals = k > 0 ? 0 : k == 0 ? 1 : -k;
    const double first = std::ceil(start / step) * step;
    bool labelled = static_cast<long long>(std::fabs(start / step)) % 2 == 0;
    // A range can hold only so many ticks; more would be a meaningless smear.
    for (long long i = 0; i < 100000; ++i) {
        double v = first + static_cast<double>(i) * step;
        if (v > end + std::fabs(step) * 1e-9)
            break;
        out.ticks.push_back({v, labelled});
        labelled = !labelled;
    }
    return out;
}

ruler::ruler(QWidget *parent, bool vertical) : QWidget(parent)
{
    setObjectName(QStringLiteral("zelta-ruler"));
    stock_.win = this;
    stock_.vertical = vertical;
    stock_.font = QFont(QStringLiteral("DejaVu Sans"));
    // 7 points at the screen's logical resolution.
    qreal dpi = screen() ? screen()->logicalDotsPerInchY() : 96.0;
    stock_.font.setPixelSize(std::max(1, static_cast<int>(std::lround(RULER_FONT_SIZE * dpi / 72.0))));
    stock_.font.setStyleHint(QFont::SansSerif);
    setCursor(Qt::ArrowCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
    show();
}

ruler::~ruler()
{
    if (stock_.dragging)
        releaseMouse();
}

void ruler::set_range(double start, double end)
{
    stock_.start = start;
    stock_.end = end;
    update();
}

void ruler::set_conversion(ruler_conversion convert, QWidget *target, std::function<void(bool)> begin_guide)
{
    stock_.convert = std::move(convert);
    stock_.target = target;
    stock_.begin_guide = std::move(begin_guide);
    update();
}

int ruler::digit_width() const
{
    return QFontMetrics(stock_.font).horizontalAdvance(QLatin1Char('0'));
}

void ruler::paintEvent(QPaintEvent *)
{
    const qreal dpr = devicePixelRatioF();
    QImage off(size() * dpr, QImage::Format_ARGB32_Premultiplied);
    off.setDevicePixelRatio(dpr);
    const QColor face = palette().color(QPalette::Button);
    off.fill(face);
    {
        QPainter p(&off);
        p.setFont(stock_.font);
        p.setPen(palette().color(QPalette::ButtonText));
        const int w = width(), h = height();
        if (stock_.vertical)
            p.drawLine(w - 1, 0, w - 1, h - 1);
        else
            p.drawLine(0, h - 1, w - 1, h - 1);
        ruler_scale sc = ruler__scale(stock_.start, stock_.end, stock_.convert, digit_width());
        QFontMetrics fm(stock_.font);
        bool first = true;
        for (const ruler_tick &t : sc.ticks) {
            int at = static_cast<int>(std::lround(stock_.convert(t.value)));
            int inner = t.labelled ? 10 : 13;
            if (stock_.vertical)
                p.drawLine(17, at, inner, at);
            else
                p.drawLine(at, 17, at, inner);
            if (t.labelled) {
                QString label = QString::number(t.value, 'f', sc.decimals);
                if (label.startsWith(QLatin1Char('-')) && label.toDouble() == 0.0)
                    label.remove(0, 1); // no "-0"
                int tw = fm.horizontalAdvance(label);
                if (stock_.vertical) {
                    // Turned a quarter: read from bottom to top.
                    p.save();
                    int along = first ? at : at + tw / 2;
                    p.translate(0, along);
                    p.rotate(-90);
                    p.drawText(0, fm.ascent(), label);
                    p.restore();
                } else {
                    p.drawText(at - tw / 2, fm.ascent(), label);
                }
            }
            first = false;
        }
    }
    QPainter(this).drawImage(0, 0, off);
}

void ruler::begin_drag()
{
    stock_.dragging = true;
    grabMouse();
}

void ruler::end_drag()
{
    if (!stock_.dragging)
        return;
    stock_.dragging = false;
    releaseMouse();
}

void ruler::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton)
        begin_drag();
}

void ruler::mouseMoveEvent(QMouseEvent *e)
{
    if (!stock_.dragging || !stock_.target)
        return;
    QPoint global = e->globalPosition().toPoint();
    QPoint local = stock_.target->mapFromGlobal(global);
    if (stock_.target->rect().contains(local)) {
        end_drag();
        if (stock_.begin_guide)
            stock_.begin_guide(stock_.vertical);
    }
}

void ruler::mouseReleaseEvent(QMouseEvent *)
{
    end_drag(); // released without reaching the target: no guide
}

bool ruler::event(QEvent *e)
{
    if (stock_.dragging && (e->type() == QEvent::UngrabMouse || e->type() == QEvent::WindowDeactivate))
        stock_.dragging = false;
    return QWidget::event(e);
}
