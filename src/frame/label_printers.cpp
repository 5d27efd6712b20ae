#include "frame/label_printers.h"

#include <QCoreApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "model/errors.h"
#include "model/messages.h"
#include "output/page_layout.h"
#include "output/sink.h"
#include "platform/code_pages.h"
#include "platform/message_boxes.h"
#include "platform/qt_text.h"
#include "widgets/controls.h"
#include "platform/translation.h"

namespace {

constexpr double MM = 72.0 / 25.4;

class wait_cursor {
public:
    wait_cursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~wait_cursor() { QGuiApplication::restoreOverrideCursor(); }
};

void tell(const std::u16string &text)
{
    message_box_request req;
    req.caption = msg::caption_app;
    req.text = text;
    req.icon = mb_icon::information;
    seam<message_box_service>::get().show(req);
}

const char16_t *language_shown(settings::label_printer_language l)
{
    switch (l) {
    case settings::label_printer_language::tspl: return u"TSPL";
    case settings::label_printer_language::epl: return u"EPL2";
    case settings::label_printer_language::zpl: break;
    }
    return u"ZPL II";
}

QDoubleSpinBox *mm_box(QWidget *parent, const char *name, double low, double high)
{
    auto *b = new QDoubleSpinBox(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setRange(low, high);
    b->setDecimals(3);
    b->setSingleStep(0.5);
    return b;
}

} // namespace

thermal_options lpr__options(const settings::label_printer &p, long copies)
{
    thermal_options o;
    switch (p.language) {
    case settings::label_printer_language::zpl: o.language = thermal_language::zpl; break;
    case settings::label_printer_language::tspl: o.language = thermal_language::tspl; break;
    case settings::label_printer_language::epl: o.language = thermal_language::epl; break;
    }
    switch (p.media) {
    case settings::label_printer_media::gap: o.media = thermal_media::gap; break;
    case settings::label_printer_media::mark: o.media = thermal_media::mark; break;
    case settings::label_printer_media::continuous: o.media = thermal_media::continuous; break;
    }
    o.dpi = p.dpi;
    o.head_width_mm = p.head_width_mm;
    o.darkness = p.darkness;
    o.speed = p.speed;
    o.gap_mm = p.gap_mm;
    o.offset_x_mm = p.offset_x_mm;
    o.offset_y_mm = p.offset_y_mm;
    o.copies = std::max(copies, 1L);
    return o;
}

std::u16string lpr__refusal(const settings::label_printer &p)
{
    std::u16string why = settings::label_printer_refusal(p);
    if (why.empty())
        why = out__thermal_options_refusal(lpr__options(p));
    return why;
}

std::u16string lpr__job_refusal(const label *lab, const settings::label_printer &p)
{
    std::u16string why = lpr__refusal(p);
    if (!why.empty())
        return msc__format(VL_TR("vellumo", "Принтер этикеток «%1»: %2"), p.name.c_str(), why.c_str());
    return out__thermal_label_refusal(lab, lpr__options(p));
}

QString lpr__entry_text(const settings::label_printer &p)
{
    return QCoreApplication::translate("vellumo", "Принтер этикеток: ") + qs(p.name);
}

QImage lpr__preview(const label *lab, const render_variable_map &variables, const thermal_options &o, QSize room)
{
    std::vector<page_problem> problems;
    const QImage dots = out__thermal_image(out__label_page(lab, variables, 1), o, problems);
    if (dots.isNull() || dots.width() <= 0 || dots.height() <= 0 || room.isEmpty())
        return {};
    // Enlarged by whole times, so that every dot is a block of one size;
    // reduced to fit when larger than the room.
    const int times = std::min(room.width() / dots.width(), room.height() / dots.height());
    if (times >= 1)
        return dots.scaled(dots.size() * times, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return dots.scaled(room, Qt::KeepAspectRatio, Qt::FastTransformation);
}

label_ptr lpr__test_label(const settings::label_printer &p)
{
    double w_mm = 50;
    if (p.head_width_mm > 0)
        w_mm = std::min(w_mm, p.head_width_mm);
    const double w = w_mm * MM, h = 25 * MM;
    label_ptr lab = ele__label_new(w, h);
    lab->name = pl__tr(VL_TR("vellumo", "Пробная этикетка"));
    lab->bgcolor = 0xFFFFFF;
    auto add = [&](int type, double x, double y, double ew, double eh) {
        element *e = ele__add(lab.get(), lab->qty);
        e->type = type;
        e->x = x;
        e->y = y;
        e->width = ew;
        e->height = eh;
        return e;
    };
    element *frame = add(ELE_BORDER, 1 * MM, 1 * MM, w - 2 * MM, h - 2 * MM);
    frame->border.thickness = 1;
    const double text_h = 15;
    element *name = add(ELE_TEXT, 3 * MM, h - 3 * MM - text_h, w - 6 * MM, text_h);
    name->text.text = p.name;
    name->text.font = u"DejaVu Sans";
    name->text.size = 10;
    // Half the width, centred: a quiet zone of more than ten modules
    // between the bars and the frame, so that any scanner reads it.
    element *code = add(ELE_BARCODE, w / 4, 3 * MM, w / 2, h - 7 * MM - text_h);
    code->barcode.type = 7; // CODE-128
    code->barcode.code = u"VELLUMO";
    return lab;
}

bool lpr__test_print(const settings::label_printer &p, std::u16string &error)
{
    if (error = lpr__refusal(p); !error.empty())
        return false;
    const label_ptr lab = lpr__test_label(p);
    const thermal_options o = lpr__options(p);
    if (error = out__thermal_label_refusal(lab.get(), o); !error.empty())
        return false;
    std::unique_ptr<thermal_connection> connection = out__thermal_connect(plt__to_utf8(p.connection), error);
    if (!connection)
        return false;
    std::unique_ptr<page_sink> sink = out__thermal_send_sink(lab.get(), std::move(connection), p.name, o);
    std::vector<std::u16string> problems;
    return sink->label_page(lab.get(), {}, 1, problems, error) && sink->finish(error);
}

std::unique_ptr<page_sink> lpr__open_sink(const label *lab, const settings::label_printer &p, long copies)
{
    if (const std::u16string why = lpr__job_refusal(lab, p); !why.empty()) {
        err__warning(u"%1", why.c_str());
        return nullptr;
    }
    const thermal_options o = lpr__options(p, copies);
    std::u16string error;
    std::unique_ptr<thermal_connection> connection;
    {
        wait_cursor busy; // a printer that does not answer takes its timeout
        connection = out__thermal_connect(plt__to_utf8(p.connection), error);
    }
    if (!connection) {
        err__warning(VL_TR("vellumo", "Принтер этикеток «%1» не отвечает, ничего не напечатано: %2"), p.name.c_str(), error.c_str());
        return nullptr;
    }
    return out__thermal_send_sink(lab, std::move(connection), p.name, o);
}

// ---------------------------------------------------------------- one printer

label_printer_dialog::label_printer_dialog(QWidget *parent, const settings::label_printer &p,
                                           std::vector<std::u16string> others)
    : QDialog(parent), others_(std::move(others))
{
    setObjectName(QStringLiteral("zelta-label-printer"));
    setWindowTitle(p.name.empty() ? QCoreApplication::translate("vellumo", "Новый принтер этикеток") : QCoreApplication::translate("vellumo", "Принтер этикеток"));
    setWindowModality(Qt::ApplicationModal);
    auto *form = new QFormLayout;
    name_ = new QLineEdit(qs(p.name), this);
    name_->setObjectName(QStringLiteral("name"));
    name_->setMaxLength(static_cast<int>(settings::label_printer_max_name));
    form->addRow(QCoreApplication::translate("vellumo", "Имя:"), name_);
    language_ = new QComboBox(this);
    language_->setObjectName(QStringLiteral("language"));
    for (auto l : {settings::label_printer_language::zpl, settings::label_printer_language::tspl,
                   settings::label_printer_language::epl})
        language_->addItem(qs(language_shown(l)), static_cast<int>(l));
    language_->setCurrentIndex(language_->findData(static_cast<int>(p.language)));
    form->addRow(QCoreApplication::translate("vellumo", "Язык:"), language_);
    dpi_ = new QComboBox(this);
    dpi_->setObjectName(QStringLiteral("dpi"));
    for (int d : {203, 300, 600})
        dpi_->addItem(QStringLiteral("%1 dpi").arg(d), d);
    // A resolution kept from elsewhere stays choosable.
    if (dpi_->findData(p.dpi) < 0)
        dpi_->addItem(QStringLiteral("%1 dpi").arg(p.dpi), p.dpi);
    dpi_->setCurrentIndex(dpi_->findData(p.dpi));
    form->addRow(QCoreApplication::translate("vellumo", "Разрешение:"), dpi_);
    connection_ = new QLineEdit(qs(p.connection), this);
    connection_->setObjectName(QStringLiteral("connection"));
    connection_->setMaxLength(static_cast<int>(settings::label_printer_max_connection));
    connection_->setPlaceholderText(QCoreApplication::translate("vellumo", "socket://АДРЕС[:ПОРТ] или /dev/usb/lp0"));
    connection_->setToolTip(QCoreApplication::translate("vellumo", "Сетевой принтер: socket://АДРЕС[:ПОРТ], порт 9100 по умолчанию; "
                                           "принтер USB: путь к устройству, например /dev/usb/lp0"));
    form->addRow(QCoreApplication::translate("vellumo", "Подключение:"), connection_);
    head_ = mm_box(this, "head_width", 0, settings::label_printer_max_head_mm);
    head_->setSpecialValueText(QCoreApplication::translate("vellumo", "не известна"));
    head_->setValue(p.head_width_mm);
    form->addRow(QCoreApplication::translate("vellumo", "Ширина головки, мм:"), head_);
    darkness_ = new QSpinBox(this);
    darkness_->setObjectName(QStringLiteral("darkness"));
    darkness_->setRange(-1, settings::label_printer_max_darkness);
    darkness_->setSpecialValueText(QCoreApplication::translate("vellumo", "как настроен принтер"));
    darkness_->setToolTip(QCoreApplication::translate("vellumo", "ZPL II: от 0 до 30; TSPL и EPL2: от 0 до 15"));
    darkness_->setValue(p.darkness);
    form->addRow(QCoreApplication::translate("vellumo", "Плотность:"), darkness_);
    speed_ = new QSpinBox(this);
    speed_->setObjectName(QStringLiteral("speed"));
    speed_->setRange(0, settings::label_printer_max_speed);
    speed_->setSpecialValueText(QCoreApplication::translate("vellumo", "как настроен принтер"));
    speed_->setSuffix(QCoreApplication::translate("vellumo", " дюйм/с"));
    speed_->setValue(p.speed);
    form->addRow(QCoreApplication::translate("vellumo", "Скорость:"), speed_);
    media_ = new QComboBox(this);
    media_->setObjectName(QStringLiteral("media"));
    media_->addItem(QCoreApplication::translate("vellumo", "Зазор"), static_cast<int>(settings::label_printer_media::gap));
    media_->addItem(QCoreApplication::translate("vellumo", "Чёрная метка"), static_cast<int>(settings::label_printer_media::mark));
    media_->addItem(QCoreApplication::translate("vellumo", "Непрерывная"), static_cast<int>(settings::label_printer_media::continuous));
    media_->setCurrentIndex(media_->findData(static_cast<int>(p.media)));
    form->addRow(QCoreApplication::translate("vellumo", "Носитель:"), media_);
    gap_ = mm_box(this, "gap", 0, settings::label_printer_max_gap_mm);
    gap_->setValue(p.gap_mm);
    form->addRow(QCoreApplication::translate("vellumo", "Зазор, мм:"), gap_);
    offset_x_ = mm_box(this, "offset_x", -settings::label_printer_max_offset_mm, settings::label_printer_max_offset_mm);
    offset_x_->setValue(p.offset_x_mm);
    form->addRow(QCoreApplication::translate("vellumo", "Смещение X, мм:"), offset_x_);
    offset_y_ = mm_box(this, "offset_y", -settings::label_printer_max_offset_mm, settings::label_printer_max_offset_mm);
    offset_y_->setValue(p.offset_y_mm);
    form->addRow(QCoreApplication::translate("vellumo", "Смещение Y, мм:"), offset_y_);
    // Continuous media has no gap to find.
    auto gap_enabled = [this] {
        gap_->setEnabled(media_->currentData().toInt() != static_cast<int>(settings::label_printer_media::continuous));
    };
    connect(media_, &QComboBox::currentIndexChanged, this, gap_enabled);
    gap_enabled();
    auto *v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addWidget(ctl__ok_cancel(this));
}

settings::label_printer label_printer_dialog::result() const
{
    settings::label_printer p;
    p.name = us(name_->text().trimmed());
    p.language = static_cast<settings::label_printer_language>(language_->currentData().toInt());
    p.dpi = dpi_->currentData().toInt();
    p.connection = us(connection_->text().trimmed());
    p.head_width_mm = head_->value();
    p.darkness = darkness_->value();
    p.speed = speed_->value();
    p.media = static_cast<settings::label_printer_media>(media_->currentData().toInt());
    p.gap_mm = gap_->value();
    p.offset_x_mm = offset_x_->value();
    p.offset_y_mm = offset_y_->value();
    return p;
}

void label_printer_dialog::accept()
{
    const settings::label_printer p = result();
    std::u16string why = lpr__refusal(p);
    if (why.empty() && std::find(others_.begin(), others_.end(), p.name) != others_.end())
        why = msc__format(VL_TR("vellumo", "Принтер этикеток «%1» уже есть: выберите другое имя."), p.name.c_str());
    if (!why.empty()) {
        err__warning(u"%1", why.c_str());
        return;
    }
    QDialog::accept();
}

// ---------------------------------------------------------------- the list

label_printers_dialog::label_printers_dialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("zelta-label-printers"));
    setWindowTitle(QCoreApplication::translate("vellumo", "Принтеры этикеток"));
    setWindowModality(Qt::ApplicationModal);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("printers"));
    list_->setMinimumWidth(420);
    add_ = new QPushButton(QCoreApplication::translate("vellumo", "Добавить..."), this);
    add_->setObjectName(QStringLiteral("add"));
    edit_ = new QPushButton(QCoreApplication::translate("vellumo", "Изменить..."), this);
    edit_->setObjectName(QStringLiteral("edit"));
    remove_ = new QPushButton(QCoreApplication::translate("vellumo", "Удалить"), this);
    remove_->setObjectName(QStringLiteral("remove"));
    test_ = new QPushButton(QCoreApplication::translate("vellumo", "Пробная печать"), this);
    test_->setObjectName(QStringLiteral("test_print"));
    auto *side = new QVBoxLayout;
    for (QPushButton *b : {add_, edit_, remove_, test_})
        side->addWidget(b);
    side->addStretch();
    auto *h = new QHBoxLayout;
    h->addWidget(list_, 1);
    h->addLayout(side);
    auto *close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    close->button(QDialogButtonBox::Close)->setText(QCoreApplication::translate("vellumo", "Закрыть"));
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *v = new QVBoxLayout(this);
    v->addLayout(h);
    v->addWidget(close);
    connect(add_, &QPushButton::clicked, this, [this] { add(); });
    connect(edit_, &QPushButton::clicked, this, [this] { edit(); });
    connect(remove_, &QPushButton::clicked, this, [this] { remove(); });
    connect(test_, &QPushButton::clicked, this, [this] { test_print(); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { edit(); });
    connect(list_, &QListWidget::currentRowChanged, this, [this] { buttons_enabled(); });
    fill(QString());
}

void label_printers_dialog::fill(const QString &current)
{
    printers_ = settings::get_label_printers();
    list_->clear();
    for (const settings::label_printer &p : printers_) {
        auto *item = new QListWidgetItem(
            qs(p.name) + QStringLiteral(" - ") + qs(language_shown(p.language)) +
                QStringLiteral(", %1 dpi, ").arg(p.dpi) + qs(p.connection),
            list_);
        item->setData(Qt::UserRole, qs(p.name));
        if (qs(p.name) == current)
            list_->setCurrentItem(item);
    }
    if (!list_->currentItem() && list_->count() > 0)
        list_->setCurrentRow(0);
    buttons_enabled();
}

void label_printers_dialog::buttons_enabled()
{
    const bool one = chosen() != nullptr;
    edit_->setEnabled(one);
    remove_->setEnabled(one);
    test_->setEnabled(one);
}

const settings::label_printer *label_printers_dialog::chosen() const
{
    const int row = list_->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= printers_.size())
        return nullptr;
    return &printers_[static_cast<std::size_t>(row)];
}

std::vector<std::u16string> label_printers_dialog::names_except(const std::u16string &name) const
{
    std::vector<std::u16string> out;
    for (const settings::label_printer &p : printers_)
        if (p.name != name)
            out.push_back(p.name);
    return out;
}

void label_printers_dialog::add()
{
    settings::label_printer fresh;
    fresh.connection = u"socket://";
    label_printer_dialog d(this, fresh, names_except(u""));
    if (d.exec() != QDialog::Accepted)
        return;
    // Kept as the settings hold it now: another window may have changed it.
    std::vector<settings::label_printer> all = settings::get_label_printers();
    all.push_back(d.result());
    settings::set_label_printers(all);
    fill(qs(d.result().name));
}

void label_printers_dialog::edit()
{
    const settings::label_printer *p = chosen();
    if (!p)
        return;
    const settings::label_printer was = *p;
    label_printer_dialog d(this, was, names_except(was.name));
    if (d.exec() != QDialog::Accepted)
        return;
    const settings::label_printer now = d.result();
    std::vector<settings::label_printer> all = settings::get_label_printers();
    bool replaced = false;
    for (settings::label_printer &q : all)
        if (q.name == was.name && !replaced) {
            q = now;
            replaced = true;
        }
    if (!replaced)
        all.push_back(now);
    settings::set_label_printers(all);
    // The print dialogs' last choice follows a rename.
    if (now.name != was.name && settings::get(settings::print_target).value_or(u"") == was.name)
        settings::set(settings::print_target, now.name);
    fill(qs(now.name));
}

void label_printers_dialog::remove()
{
    const settings::label_printer *p = chosen();
    if (!p)
        return;
    const std::u16string name = p->name;
    message_box_request req;
    req.caption = msg::caption_app;
    req.text = msc__format(VL_TR("vellumo", "Удалить принтер этикеток «%1»?"), name.c_str());
    req.icon = mb_icon::question;
    req.buttons = mb_buttons::yes_no;
    if (seam<message_box_service>::get().show(req) != mb_answer::yes)
        return;
    std::vector<settings::label_printer> all = settings::get_label_printers();
    std::erase_if(all, [&](const settings::label_printer &q) { return q.name == name; });
    settings::set_label_printers(all);
    fill(QString());
}

void label_printers_dialog::test_print()
{
    const settings::label_printer *p = chosen();
    if (!p)
        return;
    const settings::label_printer printer = *p;
    std::u16string error;
    bool ok = false;
    {
        wait_cursor busy;
        ok = lpr__test_print(printer, error);
    }
    if (ok)
        tell(msc__format(VL_TR("vellumo", "Пробная этикетка отправлена на принтер «%1»."), printer.name.c_str()));
    else
        err__warning(VL_TR("vellumo", "Пробная этикетка не напечатана: %1"), error.c_str());
}

void lpr__run(QWidget *parent)
{
    label_printers_dialog d(parent);
    d.exec();
}
