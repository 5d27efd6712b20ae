// Where "Печать" sends a label when label printers are kept: the system's
// printers (Qt's print dialog follows) or one of the label printers, with
// the copies a label printer makes and the label as its dots will print.
#pragma once

#include <QDialog>
#include <QWidget>
#include <vector>

#include "model/element.h"
#include "model/settings.h"
#include "render/render.h"

class QComboBox;
class QFormLayout;
class QLabel;
class QPushButton;
class QSpinBox;

// The choice of printer and the copies of each label: two rows of a
// dialog's form.
class print_target_box final : public QObject {
    Q_OBJECT
public:
    print_target_box(QWidget *parent, QFormLayout *form, std::vector<settings::label_printer> printers,
                     const QString &copies_text);
    // The label printer chosen; null for the system's printers.
    const settings::label_printer *printer() const;
    int copies() const;
    QComboBox *choice() const { return choice_; }
    QSpinBox *copies_box() const { return copies_; }
    // Keeps the choice for the next time.
    void keep() const;

signals:
    void changed();

private:
    std::vector<settings::label_printer> printers_;
    QFormLayout *form_;
    QComboBox *choice_;
    QSpinBox *copies_;
};

// "Печать" of one label: the printer, the copies and the label as it will
// print (the dots of a label printer).
class print_target_dialog final : public QDialog {
    Q_OBJECT
public:
    print_target_dialog(QWidget *parent, const label *lab, render_variable_map variables,
                        std::vector<settings::label_printer> printers);
    print_target_box *target() const { return target_; }
    QLabel *preview() const { return preview_; }
    QLabel *problem() const { return problem_; }

protected:
    void accept() override;

private:
    void show_target();

    const label *lab_;
    render_variable_map variables_;
    print_target_box *target_;
    QLabel *preview_, *problem_;
    QPushButton *ok_;
};

// The room a preview of a label takes in the print dialogs.
inline constexpr int PRINT_PREVIEW_W = 320, PRINT_PREVIEW_H = 200;
