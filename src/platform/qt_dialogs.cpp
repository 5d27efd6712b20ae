#include "platform/qt_dialogs.h"
#include "platform/qt_text.h"
#include "platform/qt_translation.h"
#include "platform/translation.h"

#include "platform/beep.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QTreeView>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace {

QMessageBox::Icon qt_icon(mb_icon i)
{
    switch (i) {
    case mb_icon::error: return QMessageBox::Critical;
    case mb_icon::warning: return QMessageBox::Warning;
    case mb_icon::question: return QMessageBox::Question;
    case mb_icon::information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

// The locale of the interface's language, for numbers and dates.
QLocale interface_locale()
{
    return qt_language() == u"ru" ? QLocale(QLocale::Russian, QLocale::Russia)
                                  : QLocale(QLocale::English, QLocale::UnitedStates);
}

// Sizes and dates of the file list in the interface's language: the file
// system model writes them in the system's, which may be another.
class russian_files final : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        const auto *fs = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (role != Qt::DisplayRole || !fs || index.column() < 1 || index.column() > 3)
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        if (index.column() == 2) // Qt's own word for a folder stays English
            return fs->isDir(source) ? QCoreApplication::translate("vellumo", "Папка") : QIdentityProxyModel::data(index, role);
        if (index.column() == 3)
            return interface_locale().toString(fs->lastModified(source), qt_language() == u"ru"
                                                                              ? QStringLiteral("dd.MM.yyyy HH:mm")
                                                                              : QStringLiteral("yyyy-MM-dd HH:mm"));
        if (fs->isDir(source))
            return QString();
        return size_text(fs->size(source));
    }

    static QString size_text(qint64 bytes)
    {
        static const char16_t *const units[] = {pl__tr(VL_TR("vellumo", "Б")), pl__tr(VL_TR("vellumo", "КиБ")), pl__tr(VL_TR("vellumo", "МиБ")), pl__tr(VL_TR("vellumo", "ГиБ")), pl__tr(VL_TR("vellumo", "ТиБ"))};
        double v = static_cast<double>(bytes);
        int u = 0;
        while (v >= 1024 && u < 4) {
            v /= 1024;
            ++u;
        }
        const QLocale loc = interface_locale();
        return (u == 0 ? loc.toString(bytes) : loc.toString(v, 'f', 1)) + QChar(0xA0) +
               QString::fromUtf16(units[u]);
    }
};

std::function<QSize()> g_load_size;
std::function<void(const QSize &)> g_save_size;

// Keeps the dialog's size when it closes.
class size_keeper final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Hide && g_save_size)
            if (auto *w = qobject_cast<QWidget *>(o); w && w->isWindow())
                g_save_size(w->size());
        return false;
    }
};

} // namespace

void qt_file_dialog_size_store(std::function<QSize()> load, std::function<void(const QSize &)> save)
{
    g_load_size = std::move(load);
    g_save_size = std::move(save);
}

void qt_readable_file_view(QFileDialog &dlg)
{
    dlg.setProxyModel(new russian_files(&dlg));
    const QFontMetrics fm(dlg.font());
    const int pad = fm.horizontalAdvance(QStringLiteral("MM"));
    const int size_w = fm.horizontalAdvance(russian_files::size_text(1023LL << 30)) + pad;
    const int date_w = fm.horizontalAdvance(QStringLiteral("00.00.0000 00:00")) + pad;
    const int type_w = fm.horizontalAdvance(QCoreApplication::translate("vellumo", "Документ PDF")) + pad;
    const int name_w = fm.horizontalAdvance(QString(28, QLatin1Char('m')));
    if (auto *tree = dlg.findChild<QTreeView *>(QStringLiteral("treeView"))) {
        tree->header()->setMinimumSectionSize(pad);
        tree->setColumnWidth(0, name_w);
        tree->setColumnWidth(1, size_w);
        tree->setColumnWidth(2, type_w);
        tree->setColumnWidth(3, date_w);
    }
    // The side bar and the frame besides the columns.
    QSize want(name_w + size_w + type_w + date_w + 200 + 4 * pad, 30 * fm.height());
    bool kept_size = false;
    if (g_load_size) {
        const QSize kept = g_load_size();
        kept_size = kept.isValid() && kept.width() >= 200 && kept.height() >= 150;
        if (kept_size)
            want = kept.boundedTo(QSize(8000, 8000));
    }
    // Embedded in a dialog of its own, the dialog around it grows to fit
    // (or takes the size it was left at).
    if (dlg.isWindow())
        dlg.resize(want);
    else if (QWidget *top = dlg.window(); top && top != &dlg)
        top->resize(kept_size ? want : top->size().expandedTo(want));
    auto *keeper = new size_keeper(&dlg);
    (dlg.isWindow() ? static_cast<QWidget *>(&dlg) : dlg.window())->installEventFilter(keeper);
}

mb_answer qt_message_boxes::show(const message_box_request &req)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return console_message_boxes().show(req);

    QPointer<QWidget> was_active = QApplication::activeWindow();
    // The texts of the core's tables are looked up here, where they are shown
    // (a text already filled in or translated has no translation of its own).
    QMessageBox box(qt_icon(req.icon), QString::fromUtf16(pl__tr(req.caption.c_str())),
                    QString::fromUtf16(pl__tr(req.text.c_str())));
    box.setObjectName(QStringLiteral("zelta-message-box"));
    switch (req.buttons) {
    case mb_buttons::ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case mb_buttons::yes_no:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case mb_buttons::yes_no_cancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    }
    if (QAbstractButton *b = box.button(QMessageBox::Yes))
        b->setText(QCoreApplication::translate("vellumo", "Да"));
    if (QAbstractButton *b = box.button(QMessageBox::No))
        b->setText(QCoreApplication::translate("vellumo", "Нет"));
    if (QAbstractButton *b = box.button(QMessageBox::Cancel))
        b->setText(QCoreApplication::translate("vellumo", "Отмена"));
    // Every frame is blocked while a box is open.
    box.setWindowModality(Qt::ApplicationModal);
    if (req.topmost || req.owner == mb_owner::system)
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    int rc = box.exec();
    if (was_active)
        was_active->activateWindow();
    switch (rc) {
    case QMessageBox::Yes: return mb_answer::yes;
    case QMessageBox::No: return mb_answer::no;
    case QMessageBox::Cancel: return mb_answer::cancel;
    case QMessageBox::Ok: return mb_answer::ok;
    default:
        // Closed with Escape or the title bar.
        return req.buttons == mb_buttons::ok       ? mb_answer::ok
               : req.buttons == mb_buttons::yes_no ? mb_answer::no
                                                   : mb_answer::cancel;
    }
}

file_choice_result qt_file_choice::choose(const file_choice_request &req)
{
    QStringList filters;
    for (const file_filter &f : req.filters) {
        QString pats = qs(f.patterns);
        pats.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << QString::fromUtf16(pl__tr(f.name.c_str())) + QStringLiteral(" (") + pats + QLatin1Char(')');
    }
    QFileDialog dlg(QApplication::activeWindow(), QString::fromUtf16(pl__tr(req.title.c_str())));
    dlg.setObjectName(QStringLiteral("zelta-file-dialog"));
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setNameFilters(filters);
    if (req.selected_filter >= 0 && req.selected_filter < filters.size())
        dlg.selectNameFilter(filters.at(req.selected_filter));
    dlg.setAcceptMode(req.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(req.save ? QFileDialog::AnyFile
                             : (req.must_exist ? QFileDialog::ExistingFile : QFileDialog::AnyFile));
    dlg.setWindowModality(Qt::ApplicationModal);
    if (!req.default_suffix.empty())
        dlg.setDefaultSuffix(qs(req.default_suffix));
    const QString folder = qs(req.folder);
    dlg.setDirectory(!folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath());
    if (!req.initial_name.empty())
        dlg.selectFile(qs(req.initial_name));
    qt_readable_file_view(dlg);
    file_choice_result r;
    if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty()) {
        r.st = file_choice_result::status::chosen;
        r.path = us(dlg.selectedFiles().first());
    }
    return r;
}

std::optional<std::uint32_t> qt_colour_choice::choose(void *owner, std::uint32_t initial,
                                                       custom_colours &customs)
{
    for (int i = 0; i < 16; ++i)
        QColorDialog::setCustomColor(i, QColor::fromRgb(0xFF000000u | (customs[static_cast<std::size_t>(i)] & 0xFFFFFF)));
    QColorDialog dlg(QColor::fromRgb(0xFF000000u | (initial & 0xFFFFFF)), static_cast<QWidget *>(owner));
    dlg.setObjectName(QStringLiteral("zelta-colour-dialog"));
    dlg.setOption(QColorDialog::DontUseNativeDialog, true);
    dlg.setWindowModality(Qt::ApplicationModal);
    std::optional<std::uint32_t> out;
    if (dlg.exec() == QDialog::Accepted)
        out = dlg.selectedColor().rgb() & 0xFFFFFFu;
    // The user may have defined custom colours whatever the outcome.
    for (int i = 0; i < 16; ++i)
        customs[static_cast<std::size_t>(i)] = QColorDialog::customColor(i).rgb() & 0xFFFFFFu;
    return out;
}

bool qt_url_opener::open(const std::u16string &url)
{
    return QDesktopServices::openUrl(QUrl(qs(url)));
}

void qt_install_dialogs()
{
    static qt_message_boxes boxes;
    static qt_file_choice files;
    static qt_colour_choice colours;
    static qt_url_opener opener;
    seam<message_box_service>::set(&boxes);
    seam<file_choice_service>::set(&files);
    seam<colour_choice_service>::set(&colours);
    seam<url_opener_service>::set(&opener);
    platform_set_beeper([] { QApplication::beep(); });
}
