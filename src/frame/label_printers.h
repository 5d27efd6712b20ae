// "Принтеры этикеток": thermal label printers the program speaks to
// directly (ZPL II, TSPL, EPL2 over a socket or a device file), kept in the
// settings, edited from "Настройки", tried with a test label.  The print
// dialogs offer them beside the system's printers.
#pragma once

#include <QDialog>
#include <QImage>
#include <memory>
#include <vector>

#include "model/element.h"
#include "model/settings.h"
#include "output/drawing.h"
#include "output/thermal.h"

class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

// The output's options for a kept printer, `copies` of each label.
thermal_options lpr__options(const settings::label_printer &p, long copies = 1);
// Why the printer cannot make a job: its own refusal, then the output's
// (darkness above what the language takes…); empty when it can.
std::u16string lpr__refusal(const settings::label_printer &p);
// Why `lab` cannot go to the printer: the printer's refusal, then the
// label's (wider than the head…); empty when it can.
std::u16string lpr__job_refusal(const label *lab, const settings::label_printer &p);
// "Принтер этикеток: NAME", as print dialogs list it.
QString lpr__entry_text(const settings::label_printer &p);

// The first label as the printer will print it: its dots, enlarged or
// reduced to fit `room` without blending them (each dot a block of pixels).
// A null image when it cannot be drawn.
QImage lpr__preview(const label *lab, const render_variable_map &variables, const thermal_options &o, QSize room);

// The test label of a printer: a frame, the printer's name and a CODE-128,
// as wide as the head (50 mm at most), 25 mm high.
label_ptr lpr__test_label(const settings::label_printer &p);
// Sends it; false with `error` (the printer refused, could not be reached).
bool lpr__test_print(const settings::label_printer &p, std::u16string &error);

// Connects to the printer and opens its sink for `lab`, after checking the
// printer and the label can make a job; null with every reason said to the
// user.
std::unique_ptr<page_sink> lpr__open_sink(const label *lab, const settings::label_printer &p, long copies);

// One printer's fields; OK checks them (and that no other printer of
// `others` has the name) and says what is wrong.
class label_printer_dialog final : public QDialog {
    Q_OBJECT
public:
    label_printer_dialog(QWidget *parent, const settings::label_printer &p, std::vector<std::u16string> others);
    settings::label_printer result() const;

    QLineEdit *name() const { return name_; }
    QComboBox *language() const { return language_; }
    QComboBox *dpi() const { return dpi_; }
    QLineEdit *connection() const { return connection_; }
    QDoubleSpinBox *head_width() const { return head_; }
    QSpinBox *darkness() const { return darkness_; }
    QSpinBox *speed() const { return speed_; }
    QComboBox *media() const { return media_; }
    QDoubleSpinBox *gap() const { return gap_; }
    QDoubleSpinBox *offset_x() const { return offset_x_; }
    QDoubleSpinBox *offset_y() const { return offset_y_; }

protected:
    void accept() override;

private:
    std::vector<std::u16string> others_;
    QLineEdit *name_, *connection_;
    QComboBox *language_, *dpi_, *media_;
    QDoubleSpinBox *head_, *gap_, *offset_x_, *offset_y_;
    QSpinBox *darkness_, *speed_;
};

// The list of printers: each change is kept at once.
class label_printers_dialog final : public QDialog {
    Q_OBJECT
public:
    explicit label_printers_dialog(QWidget *parent);
    QListWidget *list() const { return list_; }
    QPushButton *add_button() const { return add_; }
    QPushButton *edit_button() const { return edit_; }
    QPushButton *remove_button() const { return remove_; }
    QPushButton *test_button() const { return test_; }

private:
    void fill(const QString &current);
    void buttons_enabled();
    void add();
    void edit();
    void remove();
    void test_print();
    // The printer chosen in the list; null with none.
    const settings::label_printer *chosen() const;
    std::vector<std::u16string> names_except(const std::u16string &name) const;

    std::vector<settings::label_printer> printers_;
    QListWidget *list_;
    QPushButton *add_, *edit_, *remove_, *test_;
};

void lpr__run(QWidget *parent);
