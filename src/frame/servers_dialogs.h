// The server list's windows: the prompt "Авторизация", the dialogs "Список
// серверов", "Сервер" and "Информация о сервере", and the list-view helpers
// the network tab of the open and save dialog shares.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "exchange/servers.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;

// Inserts the two left-aligned columns "Адрес" and "Описание".
void sdl__insert_columns(QTreeWidget *lv);
// One row per live record in list order; the row's data is the record.
void sdl__fill_list_view(QTreeWidget *lv);
// The record a row stands for.
server_list *sdl__row_record(QTreeWidget *lv, int row);

// "Авторизация".
class auth_dialog final : public QDialog {
    Q_OBJECT
public:
    auth_dialog(QWidget *parent, const std::u16string &address);
    // False at once (never shown) when the address names no live record.
    bool run();
    QLineEdit *name_edit() const { return name_; }
    QLineEdit *password_edit() const { return password_; }
    QPushButton *ok_button() const { return ok_; }
    QLabel *address_label() const { return server_; }

private:
    void refresh();
    std::u16string address_;
    QLabel *server_;
    QLineEdit *name_, *password_;
    QPushButton *ok_;
};

// The Qt prompt: the dialog above, application-modal.
class qt_credential_prompt final : public credential_prompt_service {
public:
    bool ask(platform_window owner, const std::u16string &address) override;
};

// "Сервер": the address and description of a server to add or replace.
class server_edit_dialog final : public QDialog {
    Q_OBJECT
public:
    server_edit_dialog(QWidget *parent, const QString &address, const QString &description);
    QLineEdit *address_edit() const { return address_; }
    QLineEdit *description_edit() const { return description_; }
    QPushButton *ok_button() const { return ok_; }

private:
    QLineEdit *address_, *description_;
    QPushButton *ok_;
};

// "Информация о сервере".
class server_info_dialog final : public QDialog {
    Q_OBJECT
public:
    server_info_dialog(QWidget *parent, const std::u16string &address);
    // Asks the server first; false at once (never shown) when the
    // credentials or the call fail.
    bool run();
    QLabel *name_label() const { return name_; }
    QLabel *version_label() const { return version_; }
    QLabel *api_label() const { return api_; }
    QListWidget *features() const { return features_; }

private:
    std::u16string address_;
    QLabel *name_, *version_, *api_;
    QListWidget *features_;
};

// "Список серверов".
class servers_dialog final : public QDialog {
    Q_OBJECT
public:
    explicit servers_dialog(QWidget *parent);
    QTreeWidget *list() const { return list_; }
    QPushButton *button(const char *name) const; // "add", "edit", "delete", "fonts", "check", "forget", "ok", "cancel"
    // What "&Добавить..." and "&Изменить..." do once the edit dialog is
    // confirmed.
    void edited(const std::u16string &address, const std::u16string &description, server_list *superseded);

protected:
    void reject() override;
    void accept() override;

private:
    void refresh_buttons();
    void refill();
    server_list *selected() const;
    void add();
    void edit();
    void remove();
    void check();
    void fonts();
    void forget();
    QTreeWidget *list_;
};

// Runs "Список серверов"; 1 when closed with OK (then the list is saved and
// the change broadcast).
int sdl__servers_dialog(QWidget *parent);

// The font fetch: credentials, "labels.list_fonts", and when at least one
// font came back the shared font list replaced and "font list changed"
// broadcast.  True when the list was replaced.
bool cmn__fetch_fonts(const std::u16string &address);

// Broadcast message after the server list dialog's OK.
inline constexpr int SRV_LIST_CHANGED = 0x8000;
