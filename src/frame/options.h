// The options dialog "Настройки": layout mode, the delete question, the
// interface language, the printer's calibration and the label printers.
#pragma once

#include <QDialog>

struct frame_options {
    int mode = 1;
    int confdel = 1;
    int newwin = 1;
    // The setting `language`: "" as the system, "ru" or "en".  Takes effect
    // at the next start.
    QString language;
};

class QCheckBox;
class QComboBox;
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
    QComboBox *language_box() const { return language_; }
    // The record as OK leaves it (newwin always 0: it has no control).
    frame_options result() const;

private:
    QRadioButton *modes_[3];
    QCheckBox *confdel_;
    QComboBox *language_;
    QPushButton *calibrate_;
    QPushButton *label_printers_;
};

// Runs the dialog; the record is changed only by OK.  Always 1.  The record's
// language is read from the settings first and written back on OK.
int opt__run(QWidget *parent, frame_options &o);
