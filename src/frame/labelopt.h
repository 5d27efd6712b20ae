// The label options dialog "Свойства этикетки": size, background colour,
// name and description of a label.  It only reads the label; the hub applies
// what was confirmed.
#pragma once

#include <QDialog>

#include "hub/frame_hub.h"

class QLabel;
class QLineEdit;
class QPushButton;
class colour_button;

struct lop_stock {
    QWidget *win = nullptr;
    const label *lab = nullptr;
    colour_button *colour = nullptr;
};

class label_options_dialog final : public QDialog {
    Q_OBJECT
public:
    label_options_dialog(QWidget *parent, const label &lab);
    // What was confirmed (set by accept).
    const label_options &result() const { return result_; }
    QLineEdit *width_edit() const { return width_; }
    QLineEdit *height_edit() const { return height_; }
    QLineEdit *name_edit() const { return name_; }
    QLineEdit *desc_edit() const { return desc_; }
    colour_button *colour() const { return stock_.colour; }
    QLabel *sheet_name() const { return sheet_name_; }
    QPushButton *sheet_button() const { return sheet_button_; }
    QPushButton *no_sheet_button() const { return no_sheet_; }
    // The sheet as the dialog holds it now.
    const std::optional<label_sheet> &sheet() const { return sheet_; }
    // A sheet chosen: the label takes its size (what the chooser's OK does).
    void set_sheet(const std::optional<label_sheet> &sheet);

protected:
    void accept() override;

private:
    lop_stock stock_;
    QLineEdit *width_, *height_, *name_, *desc_;
    QLabel *sheet_name_;
    QPushButton *sheet_button_, *no_sheet_;
    std::optional<label_sheet> sheet_;
    label_options result_;
};

// The confirmed properties (after "Сдвинуть элементы?" was answered Yes
// where anchors would fall outside), or nothing when cancelled.
std::optional<label_options> lop__run(QWidget *parent, const label &lab);
