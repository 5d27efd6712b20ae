#include "frame/labelopt.h"
#include "platform/qt_text.h"

#include <QCoreApplication>
#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/errors.h"
#include "model/messages.h"
#include "model/misc.h"
#include "frame/sheet_dialogs.h"
#include "platform/code_pages.h"
#include "platform/message_boxes.h"
#include "widgets/clrflatbtn.h"
#include "widgets/controls.h"
#include "platform/translation.h"

label_options_dialog::label_options_dialog(QWidget *parent, const label &l) : QDialog(parent)
{
    setObjectName(QStringLiteral("zelta-label-options-dialog"));
    setWindowTitle(QCoreApplication::translate("vellumo", "Свойства этикетки"));
    setWindowModality(Qt::ApplicationModal);
    stock_.win = this;
    stock_.lab = &l;
    const label *lab = &l;
    auto *grid = new QGridLayout;
    auto field = [&](int row, const char16_t *caption, const QString &value, const char *name) {
        grid->addWidget(new QLabel(QString::fromUtf16(caption), this), row, 0);
        auto *e = new QLineEdit(value, this);
        e->setObjectName(QString::fromLatin1(name));
        grid->addWidget(e, row, 1);
        return e;
    };
    width_ = field(0, pl__tr(VL_TR("vellumo", "Ширина")), QString::asprintf("%.2f", lab->width), "width");
    height_ = field(1, pl__tr(VL_TR("vellumo", "Высота")), QString::asprintf("%.2f", lab->height), "height");
    grid->addWidget(new QLabel(QCoreApplication::translate("vellumo", "Цвет"), this), 2, 0);
    // The colour button sits where its placeholder would.
    stock_.colour = new colour_button(this, lab->bgcolor);
    stock_.colour->setFixedHeight(width_->sizeHint().height());
    grid->addWidget(stock_.colour, 2, 1);
    name_ = field(3, pl__tr(VL_TR("vellumo", "Имя")), qs(lab->name), "name");
    desc_ = field(4, pl__tr(VL_TR("vellumo", "Описание")), qs(lab->desc), "description");
    name_->setMinimumWidth(260);
    grid->addWidget(new QLabel(QCoreApplication::translate("vellumo", "Лист"), this), 5, 0);
    sheet_name_ = new QLabel(this);
    sheet_name_->setObjectName(QStringLiteral("sheet"));

    sheet_button_ = new QPushButton(QCoreApplication::translate("vellumo", "Выбрать..."), this);
    sheet_button_->setObjectName(QStringLiteral("choose-sheet"));
    no_sheet_ = new QPushButton(QCoreApplication::translate("vellumo", "Нет", "no sheet"), this);
    no_sheet_->setObjectName(QStringLiteral("no-sheet"));
    no_sheet_->setToolTip(QCoreApplication::translate("vellumo", "Каждая этикетка на своей странице"));
    grid->addWidget(sheet_name_, 5, 1);
    auto *sheet_row = new QHBoxLayout;
    sheet_row->addWidget(sheet_button_);
    sheet_row->addWidget(no_sheet_);
    sheet_row->addStretch();
    grid->addLayout(sheet_row, 6, 1);
    connect(sheet_button_, &QPushButton::clicked, this, [this] {
        if (std::optional<label_sheet> s = shd__choose(this, sheet_))
            set_sheet(s);
    });
    connect(no_sheet_, &QPushButton::clicked, this, [this] { set_sheet(std::nullopt); });
    sheet_ = lab->sheet;
    set_sheet(sheet_);
    width_->setText(QString::asprintf("%.2f", lab->width));
    height_->setText(QString::asprintf("%.2f", lab->height));
    QDialogButtonBox *box = ctl__ok_cancel(this);
    auto *v = new QVBoxLayout(this);
    v->addLayout(grid);
    v->addWidget(box);
    width_->setFocus();
    width_->selectAll();
}

void label_options_dialog::set_sheet(const std::optional<label_sheet> &sheet)
{
    sheet_ = sheet;
    no_sheet_->setEnabled(sheet.has_value());
    if (!sheet) {
        sheet_name_->setText(QCoreApplication::translate("vellumo", "Нет (этикетка на своей странице)"));
        return;
    }
    sheet_name_->setText(qs(msc__format(VL_TR("vellumo", "%1 (%2 шт.)"), plt__from_utf8(sht__name(*sheet)).c_str(),
                                        static_cast<long long>(sht__count(*sheet)))));
    width_->setText(QString::asprintf("%.2f", sheet->label_width));
    height_->setText(QString::asprintf("%.2f", sheet->label_height));
}

void label_options_dialog::accept()
{
    const label *lab = stock_.lab;
    double w = 0, h = 0;
    // Text that is not one number is no width at all.
    const int limit = static_cast<int>(ELE_MAX_LABEL_SIZE);
    if (!msc__parse_real(us(width_->text()), w) || w < ELE_EPS) {
        err__warning(msg::label_width_wrong);
        width_->setFocus();
        return;
    }
    if (w > ELE_MAX_LABEL_SIZE) {
        err__warning(msg::label_width_too_large, limit);
        width_->setFocus();
        return;
    }
    if (!msc__parse_real(us(height_->text()), h) || h < ELE_EPS) {
        err__warning(msg::label_height_wrong);
        height_->setFocus();
        return;
    }
    if (h > ELE_MAX_LABEL_SIZE) {
        err__warning(msg::label_height_too_large, limit);
        height_->setFocus();
        return;
    }
    if (!ele__anchors_inside(lab, w, h)) {
        message_box_request req;
        req.caption = msg::caption_app;
        req.text = msg::ask_move_elements;
        req.icon = mb_icon::question;
        req.buttons = mb_buttons::yes_no;
        req.topmost = true;
        if (seam<message_box_service>::get().show(req) != mb_answer::yes)
            return;
    }
    result_.width = w;
    result_.height = h;
    result_.bgcolor = stock_.colour->colour() & 0xFFFFFFu;
    result_.name = us(name_->text());
    result_.desc = us(desc_->text());
    result_.sheet = sheet_;
    QDialog::accept();
}

std::optional<label_options> lop__run(QWidget *parent, const label &lab)
{
    QPointer<QWidget> was = QApplication::activeWindow();
    label_options_dialog d(parent, lab);
    std::optional<label_options> confirmed;
    if (d.exec() == QDialog::Accepted)
        confirmed = d.result();
    if (was)
        was->activateWindow();
    return confirmed;
}
