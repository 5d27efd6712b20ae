// The picture button: a push button showing an icon instead of text, with
// its own press, leave and release rules.
#pragma once

#include <QIcon>
#include <QWidget>

struct picbtn_stock {
    QWidget *win = nullptr;
    QIcon enabled_icon;
    QIcon disabled_icon;
    bool pressed = false;
    bool mouse_left = false;
};

class picture_button final : public QWidget {
    Q_OBJECT
public:
    picture_button(QWidget *parent, QIcon enabled_icon, QIcon disabled_icon, QSize icon_size = {16, 16});
    QSize sizeHint() const override;
    const picbtn_stock &stock() const { return stock_; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void leaveEvent(QEvent *) override;
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void changeEvent(QEvent *e) override;
    void focusInEvent(QFocusEvent *) override;
    void focusOutEvent(QFocusEvent *) override;

private:
    void mouse_left();
    void release();
    picbtn_stock stock_;
    QSize icon_size_;
};
