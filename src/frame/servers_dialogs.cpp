#include "frame/servers_dialogs.h"
#include "platform/qt_text.h"

#include <QCoreApplication>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "exchange/server_ops.h"
#include "hub/program_state.h"
#include "widgets/broadcast.h"
#include "widgets/controls.h"
#include "widgets/kit_resources.h"
#include "platform/translation.h"

namespace {

// The window that was active before a modal dialog is made active again.
class reactivate {
public:
    reactivate() : was_(QApplication::activeWindow()) {}
    ~reactivate()
    {
        if (was_)
            was_->activateWindow();
    }

private:
    QPointer<QWidget> was_;
};

} // namespace

// ------------------------------------------------------------- list views

void sdl__insert_columns(QTreeWidget *lv)
{
    ctl__add_column(lv, QCoreApplication::translate("vellumo", "Адрес"), 0, '<');
    ctl__add_column(lv, QCoreApplication::translate("vellumo", "Описание"), 1, '<');
}

void sdl__fill_list_view(QTreeWidget *lv)
{
    lv->clear();
    int row = 0;
    for (server_list &s : srv__list()) {
        if (!srv__live(s))
            continue;
        ctl__add_row(lv, row, "ss", s.address.c_str(), s.description.c_str());
        ctl__set_row_data(lv, row, static_cast<long long>(reinterpret_cast<std::intptr_t>(&s)));
        ++row;
    }
}

server_list *sdl__row_record(QTreeWidget *lv, int row)
{
    if (row < 0 || row >= lv->topLevelItemCount())
        return nullptr;
    auto *p = reinterpret_cast<server_list *>(static_cast<std::intptr_t>(ctl__row_data(lv, row)));
    // Only records still in the list count.
    for (server_list &s : srv__list())
        if (&s == p)
            return p;
    return nullptr;
}

// ------------------------------------------------------------ "Авторизация"

auth_dialog::auth_dialog(QWidget *parent, const std::u16string &address) : QDialog(parent), address_(address)
{
    setObjectName(QStringLiteral("zelta-auth-dialog"));
    setWindowTitle(QCoreApplication::translate("vellumo", "Авторизация"));
    setWindowModality(Qt::ApplicationModal);
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QCoreApplication::translate("vellumo", "Сервер:"), this), 0, 0);
    server_ = new QLabel(this);
    server_->setObjectName(QStringLiteral("server"));
    server_->setMinimumWidth(260);
    server_->setMaximumWidth(360);
    server_->setText(QFontMetrics(server_->font()).elidedText(qs(address), Qt::ElideMiddle, 360));
    server_->setToolTip(qs(address));
    grid->addWidget(server_, 0, 1);
    grid->addWidget(new QLabel(QCoreApplication::translate("vellumo", "Имя:"), this), 1, 0);
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("name"));
    grid->addWidget(name_, 1, 1);
    grid->addWidget(new QLabel(QCoreApplication::translate("vellumo", "Пароль:"), this), 2, 0);
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("password"));
    password_->setEchoMode(QLineEdit::Password);
    grid->addWidget(password_, 2, 1);
    auto *v = new QVBoxLayout(this);
    v->addLayout(grid);
    QDialogButtonBox *box = ctl__ok_cancel(this);
    ok_ = box->button(QDialogButtonBox::Ok);
    v->addWidget(box);
    connect(name_, &QLineEdit::textChanged, this, &auth_dialog::refresh);
    connect(password_, &QLineEdit::textChanged, this, &auth_dialog::refresh);
    if (server_list *s = srv__find(address); s && s->username && !s->username->empty()) {
        name_->setText(qs(*s->username));
        password_->setFocus();
    } else {
        name_->setFocus();
    }
    ok_->setEnabled(false);
    refresh();
    connect(this, &QDialog::accepted, this, [this] {
        srv__set_credentials(address_, us(password_->text()), us(name_->text()));
    });
}

void auth_dialog::refresh()
{
    ok_->setEnabled(!name_->text().isEmpty() && !password_->text().isEmpty());
}

bool auth_dialog::run()
{
    if (!srv__find(address_))
        return false;
    return exec() == QDialog::Accepted;
}

bool qt_credential_prompt::ask(platform_window owner, const std::u16string &address)
{
    reactivate back;
    auth_dialog d(static_cast<QWidget *>(owner), address);
    return d.run();
}

// ----------------------------------------------------------------- "Сервер"

server_edit_dialog::server_edit_dialog(QWidget *parent, const QString &address, const QString &description)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("zelta-server-edit-dialog"));
    setWindowTitle(QCoreApplication::translate("vellumo", "Сервер"));
    setWindowModality(Qt::ApplicationModal);
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QCoreApplication::translate("vellumo", "Адрес"), this), 0, 0);
    address_ = new QLineEdit(address, this);
    address_->setObjectName(QStringLiteral("address"));
    address_->setMinimumWidth(320);
    grid->addWidget(address_, 0, 1);
    grid->addWidget(new QLabel(QCoreApplication::translate("vellumo", "Описание"), this), 1, 0);
    description_ = new QLineEdit(description, this);
    description_->setObjectName(QStringLiteral("description"));
    grid->addWidget(description_, 1, 1);
    auto *v = new QVBoxLayout(this);
    v->addLayout(grid);
    QDialogButtonBox *box = ctl__ok_cancel(this);
    ok_ = box->button(QDialogButtonBox::Ok);
    v->addWidget(box);
    ok_->setEnabled(!address.isEmpty());
    connect(address_, &QLineEdit::textChanged, this, [this](const QString &t) { ok_->setEnabled(!t.isEmpty()); });
    address_->setFocus();
}

// --------------------------------------------------- "Информация о сервере"

server_info_dialog::server_info_dialog(QWidget *parent, const std::u16string &address)
    : QDialog(parent), address_(address)
{
    setObjectName(QStringLiteral("zelta-server-info-dialog"));
    setWindowTitle(QCoreApplication::translate("vellumo", "Информация о сервере"));
    setWindowModality(Qt::ApplicationModal);
    auto *grid = new QGridLayout;
    auto row = [&](int r, const char16_t *caption, QLabel *&value, const char *name) {
        grid->addWidget(new QLabel(QString::fromUtf16(caption), this), r, 0);
        value = new QLabel(this);
        value->setObjectName(QString::fromLatin1(name));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(value, r, 1);
    };
    QLabel *addr = nullptr;
    row(0, pl__tr(VL_TR("vellumo", "Адрес:")), addr, "address");
    addr->setText(qs(address));
    row(1, pl__tr(VL_TR("vellumo", "Название:")), name_, "name");
    row(2, pl__tr(VL_TR("vellumo", "Версия:")), version_, "version");
    row(3, u"API:", api_, "api");
    grid->addWidget(new QLabel(QCoreApplication::translate("vellumo", "Возможности:"), this), 4, 0, Qt::AlignTop);
    features_ = new QListWidget(this);
    features_->setObjectName(QStringLiteral("features"));
    features_->setSortingEnabled(true);
    grid->addWidget(features_, 4, 1);
    auto *v = new QVBoxLayout(this);
    v->addLayout(grid);
    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    box->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    v->addWidget(box);
    resize(420, 300);
}

bool server_info_dialog::run()
{
    std::u16string user, password;
    if (!srv__get_credentials(address_, user, password))
        return false;
    server_information info;
    if (!ino__server_info(address_, user, password, info))
        return false;
    name_->setText(qs(info.name));
    version_->setText(qs(info.version));
    api_->setText(qs(info.api));
    for (const std::u16string &f : info.features)
        features_->addItem(qs(f));
    exec();
    return true;
}

// -------------------------------------------------------- "Список серверов"

servers_dialog::servers_dialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("zelta-servers-dialog"));
    setWindowTitle(QCoreApplication::translate("vellumo", "Список серверов"));
    setWindowModality(Qt::ApplicationModal);
    auto *text = new QLabel(
        QCoreApplication::translate("vellumo", "Укажите адреса серверов, использующихся для взаимодействия с этой программой."), this);
    text->setWordWrap(true);
    list_ = ctl__list_view(this);
    list_->setObjectName(QStringLiteral("servers"));
    sdl__insert_columns(list_);
    sdl__fill_list_view(list_);
    auto *buttons = new QVBoxLayout;
    auto add_button = [&](const char16_t *label, const char *name, void (servers_dialog::*slot)()) {
        auto *b = new QPushButton(QString::fromUtf16(label), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setMinimumWidth(b->fontMetrics().horizontalAdvance(b->text()) + 28);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    add_button(pl__tr(VL_TR("vellumo", "&Добавить...")), "add", &servers_dialog::add);
    add_button(pl__tr(VL_TR("vellumo", "&Изменить...")), "edit", &servers_dialog::edit);
    add_button(pl__tr(VL_TR("vellumo", "&Удалить")), "delete", &servers_dialog::remove);
    buttons->addSpacing(12);
    add_button(pl__tr(VL_TR("vellumo", "Получить список шрифтов")), "fonts", &servers_dialog::fonts);
    add_button(pl__tr(VL_TR("vellumo", "Проверить")), "check", &servers_dialog::check);
    add_button(pl__tr(VL_TR("vellumo", "Забыть пароль")), "forget", &servers_dialog::forget);
    buttons->addStretch(1);
    QDialogButtonBox *box = ctl__ok_cancel(this);
    box->setOrientation(Qt::Vertical);
    buttons->addWidget(box);
    auto *h = new QHBoxLayout;
    h->addWidget(list_, 1);
    h->addLayout(buttons);
    auto *v = new QVBoxLayout(this);
    v->addWidget(text);
    v->addLayout(h, 1);
    connect(list_, &QTreeWidget::itemSelectionChanged, this, &servers_dialog::refresh_buttons);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { edit(); });
    refresh_buttons();
    list_->setFocus();
    resize(620, 340);
}

QPushButton *servers_dialog::button(const char *name) const
{
    return findChild<QPushButton *>(QString::fromLatin1(name));
}

void servers_dialog::refresh_buttons()
{
    bool any = ctl__selected_row(list_) >= 0;
    for (const char *n : {"edit", "delete", "check", "fonts", "forget"})
        button(n)->setEnabled(any);
}

void servers_dialog::refill()
{
    sdl__fill_list_view(list_);
    refresh_buttons();
}

server_list *servers_dialog::selected() const
{
    return sdl__row_record(list_, ctl__selected_row(list_));
}

void servers_dialog::edited(const std::u16string &address, const std::u16string &description,
                            server_list *superseded)
{
    std::list<server_list> &l = srv__list();
    server_list n;
    n.address = address;
    n.description = description;
    n.edit_mark = server_list::added;
    l.push_front(std::move(n)); // shown first
    if (superseded) {
        for (auto it = l.begin(); it != l.end(); ++it) {
            if (&*it != superseded)
                continue;
            if (it->edit_mark == server_list::added)
                l.erase(it);
            else
                it->edit_mark = server_list::superseded;
            break;
        }
    }
    refill();
}

void servers_dialog::add()
{
    server_edit_dialog d(this, {}, {});
    if (d.exec() == QDialog::Accepted)
        edited(us(d.address_edit()->text()), us(d.description_edit()->text()), nullptr);
}

void servers_dialog::edit()
{
    int row = ctl__selected_row(list_);
    server_list *s = sdl__row_record(list_, row);
    if (!s)
        return;
    server_edit_dialog d(this, qs(ctl__row_text(list_, row, 0)), qs(ctl__row_text(list_, row, 1)));
    if (d.exec() == QDialog::Accepted)
        edited(us(d.address_edit()->text()), us(d.description_edit()->text()), s);
}

void servers_dialog::remove()
{
    server_list *s = selected();
    if (!s)
        return;
    std::list<server_list> &l = srv__list();
    for (auto it = l.begin(); it != l.end(); ++it) {
        if (&*it != s)
            continue;
        if (it->edit_mark == server_list::added)
            l.erase(it);
        else
            it->edit_mark = server_list::deleted;
        break;
    }
    refill();
}

void servers_dialog::check()
{
    int row = ctl__selected_row(list_);
    if (row < 0)
        return;
    server_info_dialog d(this, ctl__row_text(list_, row, 0));
    d.run();
}

void servers_dialog::fonts()
{
    int row = ctl__selected_row(list_);
    if (row >= 0)
        cmn__fetch_fonts(ctl__row_text(list_, row, 0));
}

void servers_dialog::forget()
{
    int row = ctl__selected_row(list_);
    if (row >= 0)
        srv__forget_password(ctl__row_text(list_, row, 0)); // not undone by "Отмена"
}

void servers_dialog::accept()
{
    std::list<server_list> &l = srv__list();
    for (auto it = l.begin(); it != l.end();) {
        if (it->edit_mark == server_list::superseded || it->edit_mark == server_list::deleted) {
            it = l.erase(it);
        } else {
            it->edit_mark = server_list::clean;
            ++it;
        }
    }
    srv__save_list();
    QDialog::accept();
}

void servers_dialog::reject()
{
    std::list<server_list> &l = srv__list();
    for (auto it = l.begin(); it != l.end();) {
        if (it->edit_mark == server_list::added) {
            it = l.erase(it);
        } else {
            it->edit_mark = server_list::clean;
            ++it;
        }
    }
    QDialog::reject();
}

int sdl__servers_dialog(QWidget *parent)
{
    reactivate back;
    servers_dialog d(parent);
    if (d.exec() != QDialog::Accepted)
        return 0;
    cmn__broadcast(SRV_LIST_CHANGED);
    return 1;
}

bool cmn__fetch_fonts(const std::u16string &address)
{
    std::u16string user, password;
    if (!srv__get_credentials(address, user, password))
        return false;
    std::optional<std::vector<std::u16string>> fonts = ino__list_fonts(address, user, password);
    if (!fonts || fonts->empty())
        return false;
    prs__fonts() = std::move(*fonts);
    cmn__broadcast(CMN_FONTS_CHANGED);
    return true;
}
