#include "frame/opensave_dialog.h"
#include "platform/qt_dialogs.h"
#include "platform/qt_text.h"

#include <QCoreApplication>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "exchange/server_ops.h"
#include "exchange/servers.h"
#include "frame/renamedlg.h"
#include "frame/servers_dialogs.h"
#include "hub/frame_hub.h"
#include "model/errors.h"
#include "model/messages.h"
#include "model/misc.h"
#include "platform/beep.h"
#include "platform/message_boxes.h"
#include "widgets/controls.h"

namespace {

// The file chooser of the " Файл " tab.  Saving, a path whose folder does
// not exist is refused where it is typed, and the chooser stays open.
class file_chooser final : public QFileDialog {
public:
    explicit file_chooser(QWidget *parent) : QFileDialog(parent) {}

    void accept() override
    {
        if (acceptMode() == QFileDialog::AcceptSave) {
            const QStringList chosen = selectedFiles();
            if (!chosen.isEmpty()) {
                const QFileInfo target(chosen.first());
                const QString folder = target.absolutePath();
                if (!target.isDir() && !QFileInfo(folder).isDir()) {
                    err__warning(msg::folder_missing, us(QDir::toNativeSeparators(folder)).c_str());
                    return;
                }
            }
        }
        QFileDialog::accept();
    }
};

} // namespace

open_save_dialog::open_save_dialog(QWidget *owner, osd_res &res) : QDialog(owner)
{
    setObjectName(QStringLiteral("zelta-open-save-dialog"));
    setWindowTitle(res.open ? QCoreApplication::translate("vellumo", "Открыть") : QCoreApplication::translate("vellumo", "Сохранить как"));
    setWindowModality(Qt::ApplicationModal);
    stock_.win = this;
    stock_.res = &res;

    tabs_ = ctl__tab(this);
    tabs_->setObjectName(QStringLiteral("tabs"));
    tabs_->addTab(QCoreApplication::translate("vellumo", " Файл "));
    tabs_->addTab(QCoreApplication::translate("vellumo", " Сеть "));
    pages_ = new QStackedWidget(this);

    // " Файл ": the file chooser itself.
    auto *files = new file_chooser(pages_);
    stock_.files = files;
    files->setObjectName(QStringLiteral("files"));
    files->setWindowFlags(Qt::Widget);
    files->setOption(QFileDialog::DontUseNativeDialog, true);
    // Patterns match case by case here: both spellings of the extension.
    files->setNameFilters({QCoreApplication::translate("vellumo", "Этикетки (*.LBL *.lbl)"), QCoreApplication::translate("vellumo", "Все файлы (*)")});
    files->setDefaultSuffix(QStringLiteral("lbl"));
    files->setAcceptMode(res.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    files->setFileMode(res.open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // Where the last file was chosen, and for a save the label's own name.
    // Never the folder a picture was last taken from: labels keep their own.
    files->setDirectory(!res.folder.empty() && QFileInfo(qs(res.folder)).isDir() ? qs(res.folder) : QDir::homePath());
    if (!res.open && !res.buf.empty())
        files->selectFile(qs(res.buf));
    pages_->addWidget(files);
    connect(files, &QFileDialog::finished, this, [this](int result) {
        if (result != QDialog::Accepted || stock_.files->selectedFiles().isEmpty()) {
            reject();
            return;
        }
        osd_res &r = *stock_.res;
        const QString path = stock_.files->selectedFiles().first();
        r.network = false;
        r.buf = us(path);
        r.name = r.buf;
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        r.file_ofs = static_cast<int>(slash + 1);
        accept();
    });

    // " Сеть ".
    auto *net = new QWidget(pages_);
    net->setObjectName(QStringLiteral("network"));
    servers_ = ctl__list_view(net);
    servers_->setObjectName(QStringLiteral("servers"));
    sdl__insert_columns(servers_);
    labels_ = ctl__list_view(net);
    labels_->setObjectName(QStringLiteral("labels"));
    ctl__add_column(labels_, QCoreApplication::translate("vellumo", "Имя"), 0, '<');
    ctl__add_column(labels_, QCoreApplication::translate("vellumo", "Описание"), 1, '<');
    labels_->setEnabled(false);
    caption_ = ctl__label(net, QCoreApplication::translate("vellumo", "Этикетка:  "));
    caption_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    name_ = ctl__edit(net);
    name_->setObjectName(QStringLiteral("name"));
    hint_ = ctl__label(net, QCoreApplication::translate("vellumo", "Укажите сервер и имя этикетки"));
    rename_ = ctl__button(net, QCoreApplication::translate("vellumo", "Переименовать..."));
    rename_->setObjectName(QStringLiteral("rename"));
    delete_ = ctl__button(net, QCoreApplication::translate("vellumo", "Удалить"));
    delete_->setObjectName(QStringLiteral("delete"));
    ok_ = ctl__button(net, QStringLiteral("OK"));
    ok_->setObjectName(QStringLiteral("ok"));
    cancel_ = ctl__button(net, QCoreApplication::translate("vellumo", "Отмена"));
    cancel_->setObjectName(QStringLiteral("cancel"));
    rename_->setEnabled(false);
    delete_->setEnabled(false);
    ok_->setEnabled(false);
    if (res.open)
        name_->setEnabled(false); // the name is picked from the list

    // Two halves: the servers, the hint and "Этикетка:" on the left; the
    // labels, their two buttons (half each) and the name with OK and
    // "Отмена" on the right.  What the left half holds takes no width of
    // its own, so the halves stay equal.
    auto *grid = new QGridLayout(net);
    grid->addWidget(servers_, 0, 0);
    grid->addWidget(labels_, 0, 1);
    grid->addWidget(hint_, 1, 0);
    auto *manage = new QHBoxLayout;
    manage->addWidget(rename_, 1);
    manage->addWidget(delete_, 1);
    grid->addLayout(manage, 1, 1);
    grid->addWidget(caption_, 2, 0);
    auto *name_row = new QHBoxLayout;
    name_row->addWidget(name_, 1);
    name_row->addWidget(ok_);
    name_row->addWidget(cancel_);
    grid->addLayout(name_row, 2, 1);
    for (QWidget *w : {static_cast<QWidget *>(servers_), static_cast<QWidget *>(labels_),
                       static_cast<QWidget *>(hint_), static_cast<QWidget *>(caption_)}) {
        QSizePolicy p = w->sizePolicy();
        p.setHorizontalPolicy(QSizePolicy::Ignored);
        w->setSizePolicy(p);
    }
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 1);
    // The last column takes what the first leaves.
    servers_->header()->setStretchLastSection(true);
    labels_->header()->setStretchLastSection(true);
    pages_->addWidget(net);

    sdl__fill_list_view(servers_);
    servers_->resizeColumnToContents(0);
    connect(servers_, &QTreeWidget::itemSelectionChanged, this, [this] { server_chosen(); });
    connect(labels_, &QTreeWidget::itemSelectionChanged, this, [this] { label_chosen(); });
    // A double-click on a label, or Enter, confirms as OK does (as on the
    // file tab).
    connect(labels_, &QTreeWidget::itemDoubleClicked, this, [this] { network_ok(); });
    labels_->installEventFilter(this);
    name_->installEventFilter(this);
    connect(name_, &QLineEdit::textChanged, this, [this](const QString &t) {
        if (!stock_.res->open)
            ok_->setEnabled(!t.isEmpty());
    });
    connect(delete_, &QPushButton::clicked, this, [this] { remove(); });
    connect(rename_, &QPushButton::clicked, this, [this] { rename(); });
    connect(ok_, &QPushButton::clicked, this, [this] { network_ok(); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto *v = new QVBoxLayout(this);
    v->addWidget(tabs_);
    v->addWidget(pages_, 1);
    resize(760, 500);
    qt_readable_file_view(*files); // wider when its columns need it, or as it was left

    const int first = res.network_only ? 1 : (res.network ? 1 : 0);
    tabs_->setCurrentIndex(first);
    show_tab(first);
    connect(tabs_, &QTabBar::currentChanged, this, [this](int t) { tab_changed(t); });
}

void open_save_dialog::show_tab(int tab)
{
    shown_tab_ = tab;
    pages_->setCurrentIndex(tab);
}

void open_save_dialog::tab_changed(int tab)
{
    if (refusing_)
        return;
    if (stock_.res->network_only && tab != 1) {
        // Only a server will do: the tab goes back, with the error beep.
        refusing_ = true;
        tabs_->setCurrentIndex(1);
        refusing_ = false;
        platform_beep();
        return;
    }
    show_tab(tab);
}

std::u16string open_save_dialog::selected_server() const
{
    const int row = ctl__selected_row(servers_);
    return row < 0 ? std::u16string() : ctl__row_text(servers_, row, 0);
}

void open_save_dialog::server_chosen()
{
    labels_->clear();
    rename_->setEnabled(false);
    delete_->setEnabled(false);
    labels_->setEnabled(false);
    ok_->setEnabled(false);
    name_->clear();
    const std::u16string server = selected_server();
    if (server.empty())
        return;
    list_labels(server);
}

void open_save_dialog::list_labels(const std::u16string &server)
{
    labels_->clear();
    setEnabled(false);
    std::u16string user, password;
    const bool have = srv__get_credentials_for(this, server, user, password);
    std::optional<std::vector<label_list>> found;
    if (have)
        found = ino__list_labels(this, server, user, password);
    setEnabled(true);
    if (!found) {
        // No credentials or no list: no server chosen.
        servers_->blockSignals(true);
        servers_->clearSelection();
        servers_->blockSignals(false);
        return;
    }
    labels_->blockSignals(true);
    int row = 0;
    for (const label_list &l : *found)
        ctl__add_row(labels_, row++, "ss", l.name.c_str(), l.desc.c_str());
    labels_->resizeColumnToContents(0);
    labels_->resizeColumnToContents(1);
    labels_->blockSignals(false);
    labels_->setEnabled(true);
    servers_->setFocus();
}

void open_save_dialog::label_chosen()
{
    const int row = ctl__selected_row(labels_);
    const bool any = row >= 0;
    name_->setText(any ? qs(ctl__row_text(labels_, row, 0)) : QString());
    rename_->setEnabled(any);
    delete_->setEnabled(any);
    ok_->setEnabled(any || (!stock_.res->open && !name_->text().isEmpty()));
}

void open_save_dialog::remove()
{
    const std::u16string server = selected_server();
    const int row = ctl__selected_row(labels_);
    if (server.empty() || row < 0)
        return;
    message_box_request req;
    req.caption = msg::caption_app;
    req.text = msg::ask_delete_label;
    req.icon = mb_icon::warning;
    req.buttons = mb_buttons::yes_no;
    if (seam<message_box_service>::get().show(req) != mb_answer::yes)
        return;
    const std::u16string name = ctl__row_text(labels_, row, 0);
    setEnabled(false);
    std::u16string user, password;
    int ok = 0;
    if (srv__get_credentials_for(this, server, user, password))
        ok = ino__drop_label(this, server, name, user, password);
    setEnabled(true);
    activateWindow();
    if (ok)
        server_chosen();
}

void open_save_dialog::rename()
{
    const std::u16string server = selected_server();
    const int row = ctl__selected_row(labels_);
    if (server.empty() || row < 0)
        return;
    const std::u16string old_name = ctl__row_text(labels_, row, 0);
    std::optional<std::u16string> new_name = rnd__run(this, old_name);
    if (!new_name)
        return;
    setEnabled(false);
    std::u16string user, password;
    int ok = 0;
    if (srv__get_credentials_for(this, server, user, password))
        ok = ino__rename_label(this, server, old_name, *new_name, user, password);
    setEnabled(true);
    activateWindow();
    if (!ok)
        return;
    // A frame holding the label under its old name follows, so that saving
    // it does not bring the old name back.
    frame_hub::renamed_on_server(server, old_name, *new_name);
    server_chosen();
}

bool open_save_dialog::eventFilter(QObject *o, QEvent *e)
{
    if (e->type() == QEvent::KeyPress && (o == labels_ || o == name_)) {
        const int key = static_cast<QKeyEvent *>(e)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && ok_->isEnabled()) {
            network_ok();
            return true;
        }
    }
    return QDialog::eventFilter(o, e);
}

// Saving onto a name the server already has replaces that label: asked as
// the file tab asks.  A name in the list is known to be there; a name typed
// is looked up afresh, since another user may have saved it meanwhile.
bool open_save_dialog::may_replace(const std::u16string &server, const std::u16string &name)
{
    bool exists = false;
    for (int row = 0; row < labels_->topLevelItemCount() && !exists; ++row)
        exists = ctl__row_text(labels_, row, 0) == name;
    if (!exists) {
        setEnabled(false);
        std::u16string user, password;
        std::optional<std::vector<label_list>> found;
        if (srv__get_credentials_for(this, server, user, password))
            found = ino__list_labels(this, server, user, password);
        setEnabled(true);
        activateWindow();
        if (!found)
            return false; // the server did not answer (said in its box): the dialog stays
        for (const label_list &l : *found)
            exists |= l.name == name;
    }
    if (!exists)
        return true;
    message_box_request req;
    req.caption = msg::caption_app;
    req.text = msc__format(msg::ask_replace_label, name.c_str(), server.c_str());
    req.icon = mb_icon::warning;
    req.buttons = mb_buttons::yes_no;
    return seam<message_box_service>::get().show(req) == mb_answer::yes;
}

void open_save_dialog::network_ok()
{
    const std::u16string server = selected_server();
    if (server.empty() || name_->text().isEmpty())
        return; // no server or no name: nothing happens
    if (!stock_.res->open && !may_replace(server, us(name_->text())))
        return;
    osd_res &r = *stock_.res;
    r.server = server;
    r.name = us(name_->text());
    r.network = true;
    accept();
}

int qt_open_save::run(platform_window owner, osd_res &res)
{
    QPointer<QWidget> was = QApplication::activeWindow();
    open_save_dialog d(static_cast<QWidget *>(owner), res);
    const int rc = d.exec() == QDialog::Accepted ? 1 : 0;
    if (was)
        was->activateWindow();
    return rc;
}
