#include "frame/renamedlg.h"

#include <QCoreApplication>
#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt_text.h"
#include "widgets/controls.h"

rename_dialog::rename_dialog(QWidget *parent, const std::u16string &current) : QDialog(parent)
{
    setObjectName(QStringLiteral("zelta-rename-dialog"));
    setWindowTitle(QCoreApplication::translate("vellumo", "Переименование этикетки"));
    setWindowModality(Qt::ApplicationModal);
    auto *h = new QHBoxLayout;
    h->addWidget(new QLabel(QCoreApplication::translate("vellumo", "Новое имя:"), this));
    name_ = new QLineEdit(qs(current), this);
    name_->setObjectName(QStringLiteral("name"));
    name_->setMinimumWidth(260);
    h->addWidget(name_);
    QDialogButtonBox *box = ctl__ok_cancel(this, QStringLiteral("OK"), QStringLiteral("Cancel"));
    ok_ = box->button(QDialogButtonBox::Ok);
    auto *v = new QVBoxLayout(this);
    v->addLayout(h);
    v->addWidget(box);
    name_->selectAll();
    name_->setFocus();
    ok_->setEnabled(false);
    connect(name_, &QLineEdit::textChanged, this, [this](const QString &t) { ok_->setEnabled(!t.isEmpty()); });
}

std::optional<std::u16string> rnd__run(QWidget *parent, const std::u16string &current)
{
    QPointer<QWidget> was = QApplication::activeWindow();
    rename_dialog d(parent, current);
    std::optional<std::u16string> out;
    if (d.exec() == QDialog::Accepted) {
        QString t = d.name_edit()->text();
        out = std::u16string(reinterpret_cast<const char16_t *>(t.utf16()), static_cast<std::size_t>(t.size()));
    }
    if (was)
        was->activateWindow();
    return out;
}
