#include "frame/options.h"

#include <QCoreApplication>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "frame/calibration.h"
#include "frame/label_printers.h"
#include "model/settings.h"
#include "resources/icons.h"
#include "widgets/controls.h"

options_dialog::options_dialog(QWidget *parent, const frame_options &o) : QDialog(parent)
{
    setObjectName(QStringLiteral("zelta-options-dialog"));
    setWindowTitle(QCoreApplication::translate("vellumo", "Настройки"));
    setWindowModality(Qt::ApplicationModal);
    auto *look = new QGroupBox(QCoreApplication::translate("vellumo", " Внешний вид "), this);
    auto *h = new QHBoxLayout(look);
    static const char *icons[] = {"mode_0", "mode_1", "mode_2"};
    for (int i = 0; i < 3; ++i) {
        modes_[i] = new QRadioButton(look);
        modes_[i]->setObjectName(QStringLiteral("mode%1").arg(i));
        modes_[i]->setIcon(res__icon(icons[i]));
        modes_[i]->setIconSize(QSize(64, 48));
        modes_[i]->setChecked(o.mode == i);
        h->addWidget(modes_[i]);
    }
    auto *general = new QGroupBox(QCoreApplication::translate("vellumo", " Общие настройки "), this);
    auto *gv = new QVBoxLayout(general);
    confdel_ = new QCheckBox(QCoreApplication::translate("vellumo", "Спрашивать подтверждение удаления элемента"), general);
    confdel_->setObjectName(QStringLiteral("confdel"));
    confdel_->setChecked(o.confdel == 1);
    gv->addWidget(confdel_);
    // The language: as the system (the locale), or one chosen; each
    // language's name in itself.
    auto *lang_row = new QHBoxLayout;
    auto *lang_label = new QLabel(QCoreApplication::translate("vellumo", "Язык:"), general);
    language_ = new QComboBox(general);
    language_->setObjectName(QStringLiteral("language"));
    language_->addItem(QCoreApplication::translate("vellumo", "Как в системе"), QString());
    language_->addItem(QStringLiteral("Русский"), QStringLiteral("ru")); // not translated: the language's own name
    language_->addItem(QStringLiteral("English"), QStringLiteral("en"));
    const int at = language_->findData(o.language);
    language_->setCurrentIndex(at < 0 ? 0 : at);
    lang_label->setBuddy(language_);
    lang_row->addWidget(lang_label);
    lang_row->addWidget(language_);
    lang_row->addStretch();
    gv->addLayout(lang_row);
    auto *lang_note = new QLabel(QCoreApplication::translate("vellumo", "Язык сменится при следующем запуске программы."),
                                 general);
    lang_note->setObjectName(QStringLiteral("language_note"));
    lang_note->setWordWrap(true);
    gv->addWidget(lang_note);
    auto *printing = new QGroupBox(QCoreApplication::translate("vellumo", " Печать "), this);
    auto *pv = new QHBoxLayout(printing);
    calibrate_ = new QPushButton(QCoreApplication::translate("vellumo", "Калибровка принтера..."), printing);
    calibrate_->setObjectName(QStringLiteral("calibrate"));
    pv->addWidget(calibrate_);
    label_printers_ = new QPushButton(QCoreApplication::translate("vellumo", "Принтеры этикеток..."), printing);
    label_printers_->setObjectName(QStringLiteral("label_printers"));
    pv->addWidget(label_printers_);
    pv->addStretch();
    connect(calibrate_, &QPushButton::clicked, this, [this] { cal__run(this); });
    connect(label_printers_, &QPushButton::clicked, this, [this] { lpr__run(this); });
    QDialogButtonBox *box = ctl__ok_cancel(this);
    auto *v = new QVBoxLayout(this);
    v->addWidget(look);
    v->addWidget(general);
    v->addWidget(printing);
    v->addWidget(box);
}

frame_options options_dialog::result() const
{
    frame_options o;
    o.mode = modes_[0]->isChecked() ? 0 : modes_[1]->isChecked() ? 1 : 2;
    o.confdel = confdel_->isChecked() ? 1 : 0;
    o.newwin = 0;
    o.language = language_->currentData().toString();
    return o;
}

namespace {

// The language setting as the dialog shows it: "" for anything but the two.
QString options_language()
{
    const QString v = QString::fromStdU16String(settings::get(settings::language).value_or(u""));
    return v == u"ru" || v == u"en" ? v : QString();
}

} // namespace

int opt__run(QWidget *parent, frame_options &o)
{
    QPointer<QWidget> was = QApplication::activeWindow();
    o.language = options_language();
    options_dialog d(parent, o);
    if (d.exec() == QDialog::Accepted) {
        o = d.result();
        // Only a change is written: a setting never changed stays absent;
        // empty is "as the system".
        if (o.language != options_language())
            settings::set(settings::language, o.language.toStdU16String());
    }
    if (was)
        was->activateWindow();
    return 1;
}
