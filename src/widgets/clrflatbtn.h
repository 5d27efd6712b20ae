// The colour button: a flat swatch of a colour that opens the colour
// dialog; hatched over the inverse colour while disabled.
#pragma once

#include <QWidget>
#include <cstdint>

struct cfb_stock {
    QWidget *win = nullptr;
    std::uint32_t color = 0; // 0xRRGGBB
    bool enabled = true;
};

class colour_button final : public QWidget {
    Q_OBJECT
public:
    colour_button(QWidget *parent, std::uint32_t rgb);
    // Shows a new colour; the top byte is ignored.
    void set_colour(std::uint32_t rgb);
    // The colour shown, as 0xFFRRGGBB.
    std::uint32_t colour() const;
    // Opens the colour dialog (what a click, Space or Enter does).
    void pick();
    const cfb_stock &stock() const { return stock_; }

signals:
    // The user picked a colour: 0xFFRRGGBB.
    void colour_changed(std::uint32_t colour);

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    cfb_stock stock_;
};
