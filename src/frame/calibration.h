// "Калибровка принтера": a page of marks to measure, printed as the printer
// prints it, and the dialog taking what was measured.  What it keeps moves
// and scales everything later printed on that printer.
#pragma once

#include <QDialog>
#include <QStringList>

#include "model/settings.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPainter;
class QPushButton;
class QPagedPaintDevice;

// Where the cross of the page is, from the paper's left and top edges, and
// how long its ruler lines are, in mm.
inline constexpr double CAL_CROSS_MM = 20;
inline constexpr double CAL_RULER_MM = 100;

// What was measured on the page, in mm.
struct calibration_measure {
    double left = CAL_CROSS_MM;  // from the left edge to the cross
    double top = CAL_CROSS_MM;   // from the top edge to the cross
    double ruler = CAL_RULER_MM; // the length of a ruler line
};
// The calibration undoing what was measured, and what a calibration would
// have measured.
settings::calibration cal__from_measure(const calibration_measure &m);
calibration_measure cal__to_measure(const settings::calibration &c);

// Draws the page of marks on `device` (set up with its page) and ends it;
// false when the device could not be painted on.
bool cal__print_page(QPagedPaintDevice &device);

class calibration_dialog final : public QDialog {
    Q_OBJECT
public:
    calibration_dialog(QWidget *parent, const QStringList &printers, const QString &current);
    QComboBox *printer() const { return printer_; }
    QDoubleSpinBox *left() const { return left_; }
    QDoubleSpinBox *top() const { return top_; }
    QDoubleSpinBox *ruler() const { return ruler_; }
    QPushButton *print_button() const { return print_; }
    QLabel *outcome() const { return outcome_; }

protected:
    void accept() override;

private:
    void printer_changed();
    void show_outcome();
    void print_page();

    QComboBox *printer_;
    QDoubleSpinBox *left_, *top_, *ruler_;
    QPushButton *print_;
    QLabel *outcome_;
};

// Runs the dialog over the installed printers (a message when there is none).
void cal__run(QWidget *parent);
