#include "frame/about.h"

#include <QCoreApplication>
#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/version.h"
#include "resources/icons.h"

about_box::about_box(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("zelta-about-box"));
    setWindowTitle(QCoreApplication::translate("vellumo", "О программе..."));
    setWindowModality(Qt::ApplicationModal);
    auto *v = new QVBoxLayout(this);
    auto *heading = new QLabel(QCoreApplication::translate("vellumo", "Редактор этикеток ORMIK"), this);
    QFont f = heading->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.3);
    heading->setFont(f);
    heading->setAlignment(Qt::AlignCenter);
    v->addWidget(heading);
    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picture"));
    picture->setPixmap(res__icon("about").pixmap(res__size("about"), devicePixelRatioF()));
    picture->setAlignment(Qt::AlignCenter);
    v->addWidget(picture, 1);
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QCoreApplication::translate("vellumo", "Версия:"), this), 0, 0, Qt::AlignRight);
    auto *version = new QLabel(QStringLiteral(VELLUMO_VERSION), this);
    version->setObjectName(QStringLiteral("version"));
    grid->addWidget(version, 0, 1);
    v->addLayout(grid);
    v->addWidget(new QLabel(QCoreApplication::translate("vellumo", "Vellumo — редактор этикеток для печати с сервера."), this));
    v->addWidget(new QLabel(QCoreApplication::translate("vellumo", "Этикетки хранятся в файлах .lbl и на серверах этикеток."), this));
    auto *box = new QDialogButtonBox(this);
    QPushButton *ok = box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok"));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    v->addWidget(box);
}

int abo__run(QWidget *parent)
{
    QPointer<QWidget> was = QApplication::activeWindow();
    about_box box(parent);
    int rc = box.exec() == QDialog::Accepted ? 1 : 0;
    if (was)
        was->activateWindow();
    return rc;
}
