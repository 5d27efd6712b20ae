#include "frame/options.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "frame/calibration.h"
#include "frame/label_printers.h"
#include "resources/icons.h"
#include "widgets/controls.h"

options_dialog::options_dialog(QWidget *parent, const frame_options &o) : QDialog(parent)
{
    setObjectName(QStringLiteral("zelta-options-dialog"));
    setWindowTitle(QStringLiteral("Настройки"));
    setWindowModality(Qt::ApplicationModal);
    auto *look = new QGroupBox(QStringLiteral(" Внешний вид "), this);
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
    auto *general = new QGroupBox(QStringLiteral(" Общие настройки "), this);
    auto *gv = new QVBoxLayout(general);
    confdel_ = new QCheckBox(QStringLiteral("Спрашивать подтверждение удаления элемента"), general);
    confdel_->setObjectName(QStringLiteral("confdel"));
    confdel_->setChecked(o.confdel == 1);
    gv->addWidget(confdel_);
    auto *printing = new QGroupBox(QStringLiteral(" Печать "), this);
    auto *pv = new QHBoxLayout(printing);
    calibrate_ = new QPushButton(QStringLiteral("Калибровка принтера..."), printing);
    calibrate_->setObjectName(QStringLiteral("calibrate"));
    pv->addWidget(calibrate_);
    label_printers_ = new QPushButton(QStringLiteral("Принтеры этикеток..."), printing);
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
    return o;
}

int opt__run(QWidget *parent, frame_options &o)
{
    QPointer<QWidget> was = QApplication::activeWindow();
    options_dialog d(parent, o);
    if (d.exec() == QDialog::Accepted)
        o = d.result();
    if (was)
        was->activateWindow();
    return 1;
}
