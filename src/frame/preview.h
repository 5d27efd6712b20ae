// The preview: the label as the server renders it, with its variables, the
// picture size and the markup switch.
#pragma once

#include <QWidget>

#include "hub/frame_hub.h"
#include "widgets/frame_host.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;
class picture_button;
class scrollable_bitmap;

struct prv_stock {
    QWidget *win = nullptr;
    frame_host *target = nullptr;
    scrollable_bitmap *picture = nullptr;
    QTreeWidget *list = nullptr;
    QLabel *name_label = nullptr;
    QLineEdit *name = nullptr;
    QLabel *value_label = nullptr;
    QLineEdit *value = nullptr;
    QPushButton *remember = nullptr;
    QPushButton *remove = nullptr;
    QRadioButton *large = nullptr;
    QRadioButton *medium = nullptr;
    QRadioButton *small = nullptr;
    QCheckBox *markup = nullptr;
    QGroupBox *variables_group = nullptr;
    QGroupBox *size_group = nullptr;
    QPushButton *view = nullptr;
    picture_button *back = nullptr;
    QTabWidget *tab = nullptr;
    QPlainTextEdit *text = nullptr;
    label *lab = nullptr;
    // The log of the last render as it was put into the log view.
    std::u16string log;
};

class preview_window final : public QWidget, public preview_view, public key_navigation_target {
    Q_OBJECT
public:
    preview_window(QWidget *parent, frame_host *target, label *lab);
    void set_label(label *lab) override;
    void activate() override;
    // Tab moves name → value → "Запомнить" → name.
    void key_navigation(int key, Qt::KeyboardModifiers modifiers) override;
    const prv_stock &stock() const { return stock_; }

    // "Просмотр", F5.
    void render();

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void showEvent(QShowEvent *e) override;
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void lay_out();
    void fill_list();
    void remember();
    void remove();
    void pick_size(int index);
    void show_options();
    void show_log(const std::u16string &log);
    void come_back();
    prv_stock stock_;
};
