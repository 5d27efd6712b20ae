#include "widgets/picture_view.h"

#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "resources/icons.h"

int bma__keep_offset(int offset, int old_max, int size, int client)
{
    long long v = old_max > 0 ? static_cast<long long>(size) * offset / old_max : 0;
    v = std::max<long long>(v, 0);
    v = std::min<long long>(v, size - client);
    return size <= client ? 0 : static_cast<int>(std::max<long long>(v, 0));
}

scrollable_bitmap::scrollable_bitmap(QWidget *parent) : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("zelta-scrollable-bitmap"));
    stock_.win = this;
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::ArrowCursor);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    set_image(res__image("placeholder").convertToFormat(QImage::Format_RGB32), {});
    show();
}

void scrollable_bitmap::set_image(QImage image, std::vector<unsigned char> pixels)
{
    const int old_w = stock_.width, old_h = stock_.height;
    stock_.picture = std::move(image);
    stock_.pixels = std::move(pixels);
    stock_.width = stock_.picture.width();
    stock_.height = stock_.picture.height();
    const QSize client = viewport()->size();
    stock_.x = bma__keep_offset(stock_.x, had_range_ ? old_w : 0, stock_.width, client.width());
    stock_.y = bma__keep_offset(stock_.y, had_range_ ? old_h : 0, stock_.height, client.height());
    had_range_ = true;
    update_ranges();
    viewport()->update();
}

void scrollable_bitmap::set_picture(std::vector<unsigned char> pixels, int width, int height)
{
    if (width <= 0 || height <= 0 ||
        pixels.size() < static_cast<std::size_t>(bma__stride(width)) * static_cast<std::size_t>(height))
        return;
    // Rows run bottom-up in the buffer.
    QImage view(pixels.data(), width, height, bma__stride(width), QImage::Format_BGR888);
    QImage image = view.mirrored(false, true).convertToFormat(QImage::Format_RGB32);
    set_image(std::move(image), std::move(pixels));
}

void scrollable_bitmap::update_ranges()
{
    const QSize client = viewport()->size();
    QScrollBar *h = horizontalScrollBar();
    QScrollBar *v = verticalScrollBar();
    // Offsets that now leave empty space come back.
    stock_.x = std::clamp(stock_.x, 0, std::max(0, stock_.width - client.width()));
    stock_.y = std::clamp(stock_.y, 0, std::max(0, stock_.height - client.height()));
    h->blockSignals(true);
    v->blockSignals(true);
    h->setRange(0, std::max(0, stock_.width - client.width()));
    h->setPageStep(std::max(1, client.width()));
    h->setSingleStep(std::max(1, client.width() / 10));
    h->setValue(stock_.x);
    v->setRange(0, std::max(0, stock_.height - client.height()));
    v->setPageStep(std::max(1, client.height()));
    v->setSingleStep(std::max(1, client.height() / 10));
    v->setValue(stock_.y);
    h->blockSignals(false);
    v->blockSignals(false);
}

QPoint scrollable_bitmap::picture_origin() const
{
    const QSize client = viewport()->size();
    int ox = stock_.width < client.width() ? (client.width() - stock_.width) / 2 : -stock_.x;
    int oy = stock_.height < client.height() ? (client.height() - stock_.height) / 2 : -stock_.y;
    return {ox, oy};
}

void scrollable_bitmap::paintEvent(QPaintEvent *)
{
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), QColor(0x80, 0x80, 0x80));
    p.drawImage(picture_origin(), stock_.picture);
}

void scrollable_bitmap::resizeEvent(QResizeEvent *e)
{
    QAbstractScrollArea::resizeEvent(e);
    update_ranges();
}

void scrollable_bitmap::scrollContentsBy(int, int)
{
    stock_.x = horizontalScrollBar()->value();
    stock_.y = verticalScrollBar()->value();
    viewport()->update();
}

void scrollable_bitmap::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton)
        copy_to_clipboard();
}

void scrollable_bitmap::copy_to_clipboard()
{
    if (QClipboard *c = QApplication::clipboard())
        c->setImage(stock_.picture);
}
