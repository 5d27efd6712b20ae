#include "platform/qt_dialogs.h"
#include "platform/qt_text.h"

#include "platform/beep.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QUrl>
#include <QFileDialog>
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

} // namespace

mb_answer qt_message_boxes::show(const message_box_request &req)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return console_message_boxes().show(req);

    QPointer<QWidget> was_active = QApplication::activeWindow();
    QMessageBox box(qt_icon(req.icon), qs(req.caption), qs(req.text));
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
        b->setText(QStringLiteral("Да"));
    if (QAbstractButton *b = box.button(QMessageBox::No))
        b->setText(QStringLiteral("Нет"));
    if (QAbstractButton *b = box.button(QMessageBox::Cancel))
        b->setText(QStringLiteral("Отмена"));
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
        filters << qs(f.name) + QStringLiteral(" (") + pats + QLatin1Char(')');
    }
    QFileDialog dlg(QApplication::activeWindow(), qs(req.title));
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
    if (!req.initial_name.empty())
        dlg.selectFile(qs(req.initial_name));
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
