// The scrollable bitmap: a picture that may be larger than the window, with
// scroll bars, centred on grey when smaller, copied to the clipboard on a
// double-click or on request.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <vector>

struct bma_stock {
    QWidget *win = nullptr;
    QImage picture;
    int x = 0; // scroll offsets in pixels
    int y = 0;
    int width = 0;
    int height = 0;
    // 24-bit BGR, bottom-up rows padded to 4 bytes; empty for the placeholder.
    std::vector<unsigned char> pixels;
};

// Bytes in one row of a 24-bit picture: 3 x width rounded up to 4.
inline int bma__stride(int width)
{
    return (3 * width + 3) & ~3;
}

// The offset that keeps its relative place when a picture of `old_max`
// pixels is replaced by one of `size`, in a client of `client` pixels.
int bma__keep_offset(int offset, int old_max, int size, int client);

class scrollable_bitmap final : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit scrollable_bitmap(QWidget *parent);
    // Shows a new picture: takes over a 24-bit bottom-up buffer of width x height.
    void set_picture(std::vector<unsigned char> pixels, int width, int height);
    // Puts the picture on the clipboard.
    void copy_to_clipboard();
    const bma_stock &stock() const { return stock_; }
    // Where the picture's top-left corner is drawn in the viewport.
    QPoint picture_origin() const;

protected:
    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *) override;
    void scrollContentsBy(int dx, int dy) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;

private:
    void update_ranges();
    void set_image(QImage image, std::vector<unsigned char> pixels);
    bma_stock stock_;
    bool had_range_ = false;
};
