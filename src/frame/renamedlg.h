// The rename dialog "Переименование этикетки".
#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QLineEdit;
class QPushButton;

class rename_dialog final : public QDialog {
    Q_OBJECT
public:
    rename_dialog(QWidget *parent, const std::u16string &current);
    QLineEdit *name_edit() const { return name_; }
    QPushButton *ok_button() const { return ok_; }

private:
    QLineEdit *name_;
    QPushButton *ok_;
};

// The new name when confirmed.
std::optional<std::u16string> rnd__run(QWidget *parent, const std::u16string &current);
