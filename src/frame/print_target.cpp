#include "frame/print_target.h"

#include <QCoreApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "frame/label_printers.h"
#include "output/batch.h"
#include "output/drawing.h"
#include "platform/qt_text.h"
#include "widgets/controls.h"

print_target_box::print_target_box(QWidget *parent, QFormLayout *form, std::vector<settings::label_printer> printers,
                                   const QString &copies_text)
    : QObject(parent), printers_(std::move(printers)), form_(form)
{
    setObjectName(QStringLiteral("print-target"));
    choice_ = new QComboBox(parent);
    choice_->setObjectName(QStringLiteral("printer"));
    choice_->addItem(QCoreApplication::translate("vellumo", "Системный принтер (выбор в следующем окне)"), -1);
    const std::u16string last = settings::get(settings::print_target).value_or(u"");
    for (std::size_t i = 0; i < printers_.size(); ++i) {
        choice_->addItem(lpr__entry_text(printers_[i]), static_cast<int>(i));
        if (printers_[i].name == last)
            choice_->setCurrentIndex(choice_->count() - 1);
    }
    copies_ = new QSpinBox(parent);
    copies_->setObjectName(QStringLiteral("copies"));
    copies_->setRange(1, static_cast<int>(OUT_MAX_COPIES));
    copies_->setToolTip(QCoreApplication::translate("vellumo", "Копии делает принтер этикеток; системный принтер спросит их сам"));
    form_->addRow(QCoreApplication::translate("vellumo", "Принтер:"), choice_);
    form_->addRow(copies_text, copies_);
    connect(choice_, &QComboBox::currentIndexChanged, this, [this] {
        form_->setRowVisible(copies_, printer() != nullptr);
        emit changed();
    });
    form_->setRowVisible(copies_, printer() != nullptr);
}

const settings::label_printer *print_target_box::printer() const
{
    const int i = choice_->currentData().toInt();
    if (i < 0 || static_cast<std::size_t>(i) >= printers_.size())
        return nullptr;
    return &printers_[static_cast<std::size_t>(i)];
}

int print_target_box::copies() const
{
    return copies_->value();
}

void print_target_box::keep() const
{
    const settings::label_printer *p = printer();
    settings::set(settings::print_target, p ? std::u16string_view(p->name) : std::u16string_view());
}

print_target_dialog::print_target_dialog(QWidget *parent, const label *lab, render_variable_map variables,
                                         std::vector<settings::label_printer> printers)
    : QDialog(parent), lab_(lab), variables_(std::move(variables))
{
    setObjectName(QStringLiteral("zelta-print-target"));
    setWindowTitle(QCoreApplication::translate("vellumo", "Печать"));
    setWindowModality(Qt::ApplicationModal);
    auto *form = new QFormLayout;
    target_ = new print_target_box(this, form, std::move(printers), QCoreApplication::translate("vellumo", "Копий:"));
    preview_ = new QLabel(this);
    preview_->setObjectName(QStringLiteral("preview"));
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setMinimumSize(PRINT_PREVIEW_W, PRINT_PREVIEW_H);
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("problem"));
    problem_->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("color: #b00000"));
    QDialogButtonBox *buttons = ctl__ok_cancel(this, QCoreApplication::translate("vellumo", "Печать"));
    ok_ = buttons->button(QDialogButtonBox::Ok);
    auto *v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addWidget(preview_);
    v->addWidget(problem_);
    v->addWidget(buttons);
    connect(target_, &print_target_box::changed, this, [this] { show_target(); });
    show_target();
}

void print_target_dialog::show_target()
{
    const settings::label_printer *p = target_->printer();
    const std::u16string why = p ? lpr__job_refusal(lab_, *p) : std::u16string();
    problem_->setText(qs(why));
    problem_->setVisible(!why.empty());
    ok_->setEnabled(why.empty());
    const QSize room(PRINT_PREVIEW_W, PRINT_PREVIEW_H);
    QImage shown;
    if (p && why.empty()) {
        // The dots the printer gets, each a block of pixels.
        shown = lpr__preview(lab_, variables_, lpr__options(*p), room);
    } else if (!p) {
        doc_options o;
        const double w = std::max(lab_->width, 1.0), h = std::max(lab_->height, 1.0);
        o.dpi = std::clamp(static_cast<int>(72 * std::min(room.width() / w, room.height() / h)), OUT_MIN_DPI, 300);
        std::vector<std::u16string> ignored;
        shown = out__image(lab_, variables_, o, ignored);
        if (!shown.isNull() && (shown.width() > room.width() || shown.height() > room.height()))
            shown = shown.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    preview_->setPixmap(shown.isNull() ? QPixmap() : QPixmap::fromImage(shown));
}

void print_target_dialog::accept()
{
    target_->keep();
    QDialog::accept();
}
