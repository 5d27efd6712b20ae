// The label options dialog "Свойства этикетки": size, background colour,
// name and description, edited in place.
#pragma once

#include <QDialog>

#include "model/element.h"

class QLineEdit;
class colour_button;

struct lop_stock {
    QWidget *win = nullptr;
    label *lab = nullptr;
    colour_button *colour = nullptr;
};

class label_options_dialog final : public QDialog {
    Q_OBJECT
public:
    label_options_dialog(QWidget *parent, label *lab);
    QLineEdit *width_edit() const { return width_; }
    QLineEdit *height_edit() const { return height_; }
    QLineEdit *name_edit() const { return name_; }
    QLineEdit *desc_edit() const { return desc_; }
    colour_button *colour() const { return stock_.colour; }

protected:
    void accept() override;

private:
    lop_stock stock_;
    QLineEdit *width_, *height_, *name_, *desc_;
};

// 1 when confirmed (the label has been changed), 0 when cancelled.
int lop__run(QWidget *parent, label *lab);
