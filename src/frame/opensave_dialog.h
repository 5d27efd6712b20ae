// The program's own open and save dialog: a " Файл " tab holding a file
// chooser and a " Сеть " tab with the servers, the labels of the chosen
// server and their delete and rename.
#pragma once

#include <QDialog>

#include "hub/opensave.h"

class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTabBar;
class QTreeWidget;

struct osd_stock {
    QWidget *win = nullptr;
    QFileDialog *files = nullptr;
    osd_res *res = nullptr;
};

class open_save_dialog final : public QDialog {
    Q_OBJECT
public:
    open_save_dialog(QWidget *owner, osd_res &res);

    QTabBar *tabs() const { return tabs_; }
    QFileDialog *files() const { return stock_.files; }
    QTreeWidget *servers() const { return servers_; }
    QTreeWidget *labels() const { return labels_; }
    QLineEdit *name_edit() const { return name_; }
    QPushButton *ok_button() const { return ok_; }
    QPushButton *cancel_button() const { return cancel_; }
    QPushButton *delete_button() const { return delete_; }
    QPushButton *rename_button() const { return rename_; }
    QLabel *hint() const { return hint_; }
    // The address of the selected server, or empty.
    std::u16string selected_server() const;

protected:
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    void show_tab(int tab);
    void tab_changed(int tab);
    void server_chosen();
    void list_labels(const std::u16string &server);
    void label_chosen();
    void remove();
    void rename();
    void network_ok();
    bool may_replace(const std::u16string &server, const std::u16string &name);

    osd_stock stock_;
    QTabBar *tabs_;
    QStackedWidget *pages_;
    QTreeWidget *servers_, *labels_;
    QLineEdit *name_;
    QLabel *hint_, *caption_;
    QPushButton *ok_, *cancel_, *delete_, *rename_;
    int shown_tab_ = 0;
    bool refusing_ = false;
};

// The Qt dialog behind the open-save seam.
class qt_open_save final : public open_save_service {
public:
    int run(platform_window owner, osd_res &res) override;
};
