// The options dialog "Настройки": layout mode, the delete question, the
// printer's calibration and the label printers.
#pragma once

#include <QDialog>

struct frame_options {
    int mode = 1;
    int confdel = 1;
    int newwin = 1;
};

class QCheckBox;
class QPushButton;
class QRadioButton;

class options_dialog final : public QDialog {
    Q_OBJECT
public:
    options_dialog(QWidget *parent, const frame_options &o);
    QRadioButton *mode_button(int mode) const { return modes_[mode]; }
    QCheckBox *confdel_box() const { return confdel_; }
    QPushButton *calibrate_button() const { return calibrate_; }
    QPushButton *label_printers_button() const { return label_printers_; }
    // The record as OK leaves it (newwin always 0: it has no control).
    frame_options result() const;

private:
    QRadioButton *modes_[3];
    QCheckBox *confdel_;
    QPushButton *calibrate_;
    QPushButton *label_printers_;
};

// Runs the dialog; the record is changed only by OK.  Always 1.
int opt__run(QWidget *parent, frame_options &o);
