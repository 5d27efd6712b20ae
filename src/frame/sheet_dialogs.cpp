#include "frame/sheet_dialogs.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "model/errors.h"
#include "model/messages.h"
#include "model/misc.h"
#include "platform/code_pages.h"
#include "platform/message_boxes.h"
#include "platform/qt_text.h"
#include "widgets/controls.h"
#include "platform/translation.h"

namespace {

constexpr double MM = 72.0 / 25.4;

class installed_shelf final : public sheet_shelf_service {
public:
    sheet_catalogue catalogue() override { return sht__catalogue(); }
    std::vector<label_sheet> user_sheets(std::u16string &error) override
    {
        const std::string path = sht__default_paths().user_file;
        if (path.empty()) {
            error = pl__tr(VL_TR("vellumo", "Не найдена папка настроек для своих листов."));
            return {};
        }
        return sht__read_user_sheets(path, error);
    }
    bool keep_user_sheets(const std::vector<label_sheet> &sheets, std::u16string &error) override
    {
        const std::string path = sht__default_paths().user_file;
        if (path.empty()) {
            error = pl__tr(VL_TR("vellumo", "Не найдена папка настроек для своих листов."));
            return false;
        }
        if (!sht__write_user_sheets(path, sheets, error))
            return false;
        sht__reload();
        return true;
    }
};

QString mm(double points)
{
    return QString::number(points / MM, 'f', 1).replace(QStringLiteral(".0"), QString());
}

QString size_text(const label_sheet &s)
{
    return mm(s.label_width) + QStringLiteral("×") + mm(s.label_height) + QCoreApplication::translate("vellumo", " мм");
}

QString paper_text(const label_sheet &s)
{
    if (!s.paper.empty())
        return QString::fromStdString(s.paper);
    return mm(s.paper_width) + QStringLiteral("×") + mm(s.paper_height) + QCoreApplication::translate("vellumo", " мм");
}

// The papers the own sheet dialog offers, by the names the sheets keep.
struct paper_choice {
    const char *name; // for sht__paper and the sheet; null: a size of its own
    const char16_t *caption;
};
constexpr paper_choice paper_choices[] = {
    {"A4", u"A4"},           {"A5", u"A5"},         {"A3", u"A3"},          {"A6", u"A6"},
    {"US-Letter", u"Letter"}, {"US-Legal", u"Legal"}, {nullptr, VL_TR("vellumo", "Свой размер")},
};

} // namespace

template <>
sheet_shelf_service &seam<sheet_shelf_service>::fallback()
{
    static installed_shelf shelf;
    return shelf;
}

QPainterPath shd__label_shape(const label_sheet &s, double x, double y)
{
    QPainterPath p;
    const QRectF r(x, y, s.label_width, s.label_height);
    switch (s.shape) {
    case sheet_shape::rectangle:
        if (s.radius > 0)
            p.addRoundedRect(r, s.radius, s.radius);
        else
            p.addRect(r);
        break;
    case sheet_shape::round:
    case sheet_shape::ellipse:
        p.addEllipse(r);
        break;
    case sheet_shape::cd:
        p.addEllipse(r);
        if (s.hole > 0 && s.hole < std::min(s.label_width, s.label_height))
            p.addEllipse(r.center(), s.hole / 2, s.hole / 2);
        break;
    }
    return p;
}

// ---------------------------------------------------------------- sheet_view

sheet_view::sheet_view(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("sheet-view"));
    setMinimumSize(160, 200);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void sheet_view::set_sheet(const std::optional<label_sheet> &sheet)
{
    sheet_ = sheet;
    // A sheet the checks refuse is drawn as it is (its labels off the paper
    // or over each other), unless it has no labels to draw or too many.
    cells_.clear();
    if (sheet && std::isfinite(sheet->label_width) && std::isfinite(sheet->label_height) &&
        sht__count(*sheet) > 0)
        cells_ = sht__cells(*sheet);
    first_ = std::clamp<long>(first_, 1, std::max<long>(1, long(cells_.size())));
    update();
}

void sheet_view::set_first(long first)
{
    first_ = std::clamp<long>(first, 1, std::max<long>(1, long(cells_.size())));
    update();
}

void sheet_view::set_filled(long count)
{
    filled_ = count;
    update();
}

void sheet_view::set_picture(const QPixmap &picture)
{
    picture_ = picture;
    update();
}

QRectF sheet_view::drawn_area() const
{
    QRectF all(0, 0, sheet_->paper_width, sheet_->paper_height);
    for (const sheet_cell &c : cells_)
        all |= QRectF(c.x, c.y, sheet_->label_width, sheet_->label_height);
    return all;
}

QTransform sheet_view::to_widget() const
{
    if (!sheet_ || !(sheet_->paper_width > 0) || !(sheet_->paper_height > 0) || !std::isfinite(sheet_->paper_width) ||
        !std::isfinite(sheet_->paper_height))
        return {};
    // The paper, and the labels that leave it, fit the widget.
    const QRectF all = drawn_area();
    if (!std::isfinite(all.width()) || !std::isfinite(all.height()) || all.isEmpty())
        return {};
    const double room_w = std::max(1, width() - 8), room_h = std::max(1, height() - 8);
    const double k = std::min(room_w / all.width(), room_h / all.height());
    const double x = (width() - all.width() * k) / 2 - all.left() * k, y = (height() - all.height() * k) / 2 - all.top() * k;
    return QTransform(k, 0, 0, k, x, y);
}

QPoint sheet_view::cell_middle(long n) const
{
    if (!sheet_ || n < 1 || n > long(cells_.size()))
        return {};
    const sheet_cell &c = cells_[std::size_t(n - 1)];
    return to_widget().map(QPointF(c.x + sheet_->label_width / 2, c.y + sheet_->label_height / 2)).toPoint();
}

long sheet_view::cell_at(QPointF widget_point) const
{
    if (!sheet_ || cells_.empty())
        return 0;
    bool ok = false;
    const QPointF p = to_widget().inverted(&ok).map(widget_point);
    if (!ok)
        return 0;
    for (std::size_t i = 0; i < cells_.size(); ++i)
        if (QRectF(cells_[i].x, cells_[i].y, sheet_->label_width, sheet_->label_height).contains(p))
            return long(i) + 1;
    return 0;
}

void sheet_view::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!sheet_)
        return;
    const QTransform t = to_widget();
    p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
    p.setBrush(Qt::white);
    p.drawRect(t.mapRect(QRectF(0, 0, sheet_->paper_width, sheet_->paper_height)));
    const QColor used(0xC8, 0xC8, 0xC8), start(0xFF, 0xE0, 0x90);
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        const long n = long(i) + 1;
        const bool printed = n >= first_ && (filled_ < 0 || n < first_ + filled_);
        p.setBrush(n < first_ ? used : n == first_ && clickable_ ? start : printed ? QColor(0xDC, 0xE8, 0xFF) : Qt::white);
        const QRectF cell(cells_[i].x, cells_[i].y, sheet_->label_width, sheet_->label_height);
        const bool off = !QRectF(0, 0, sheet_->paper_width, sheet_->paper_height).adjusted(-0.5, -0.5, 0.5, 0.5).contains(cell);
        p.setPen(QPen(off ? QColor(0xC0, 0, 0) : QColor(0x40, 0x60, 0x90), n == first_ && clickable_ ? 2 : 1));
        const QPainterPath shape = t.map(shd__label_shape(*sheet_, cells_[i].x, cells_[i].y));
        p.drawPath(shape);
        if (printed && !picture_.isNull()) {
            p.save();
            p.setClipPath(shape);
            p.drawPixmap(t.mapRect(cell), picture_, QRectF(picture_.rect()));
            p.restore();
            p.setBrush(Qt::NoBrush);
            p.drawPath(shape); // the outline over the picture
        }
    }
}

void sheet_view::mousePressEvent(QMouseEvent *e)
{
    if (!clickable_ || e->button() != Qt::LeftButton)
        return;
    const long n = cell_at(e->position());
    if (n < 1)
        return;
    set_first(n);
    emit first_chosen(n);
}

// ---------------------------------------------------------------- chooser

sheet_chooser_dialog::sheet_chooser_dialog(QWidget *parent, const std::optional<label_sheet> &current)
    : QDialog(parent), catalogue_(seam<sheet_shelf_service>::get().catalogue())
{
    setObjectName(QStringLiteral("zelta-sheet-chooser"));
    setWindowTitle(QCoreApplication::translate("vellumo", "Выбор листа"));
    setWindowModality(Qt::ApplicationModal);
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("search"));
    search_->setPlaceholderText(QCoreApplication::translate("vellumo", "производитель, номер, описание или размер (70x37)"));
    search_->setClearButtonEnabled(true);
    list_ = ctl__list_view(this);
    list_->setObjectName(QStringLiteral("sheets"));
    list_->setHeaderLabels({QCoreApplication::translate("vellumo", "Лист"), QCoreApplication::translate("vellumo", "Описание"), QCoreApplication::translate("vellumo", "Бумага"),
                            QCoreApplication::translate("vellumo", "Этикетка"), QCoreApplication::translate("vellumo", "Штук")});
    list_->setMinimumWidth(560);
    list_->setMinimumHeight(320);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    view_ = new sheet_view(this);
    refused_ = new QLabel(this);
    refused_->setObjectName(QStringLiteral("refused"));
    refused_->setWordWrap(true);
    refused_->setStyleSheet(QStringLiteral("color: #b00000"));
    if (catalogue_.refused > 0) {
        refused_->setText(qs(msc__format(VL_TR("vellumo", "Не прочитано файлов шаблонов: %1"), catalogue_.refused)));
        QStringList lines;
        for (std::size_t i = 0; i < catalogue_.log.size() && i < 20; ++i)
            lines << qs(catalogue_.log[i]);
        refused_->setToolTip(lines.join(QLatin1Char('\n')));
    }
    refused_->setVisible(catalogue_.refused > 0);
    create_ = new QPushButton(QCoreApplication::translate("vellumo", "Создать..."), this);
    create_->setObjectName(QStringLiteral("create"));
    change_ = new QPushButton(QCoreApplication::translate("vellumo", "Изменить..."), this);
    change_->setObjectName(QStringLiteral("change"));
    delete_ = new QPushButton(QCoreApplication::translate("vellumo", "Удалить"), this);
    delete_->setObjectName(QStringLiteral("delete"));
    auto *own = new QHBoxLayout;
    own->addWidget(new QLabel(QCoreApplication::translate("vellumo", "Свои листы:"), this));
    own->addWidget(create_);
    own->addWidget(change_);
    own->addWidget(delete_);
    own->addStretch();
    auto *left = new QVBoxLayout;
    auto *find = new QHBoxLayout;
    find->addWidget(new QLabel(QCoreApplication::translate("vellumo", "Найти:"), this));
    find->addWidget(search_);
    left->addLayout(find);
    left->addWidget(list_);
    left->addLayout(own);
    left->addWidget(refused_);
    auto *h = new QHBoxLayout;
    h->addLayout(left, 3);
    h->addWidget(view_, 1);
    QDialogButtonBox *box = ctl__ok_cancel(this);
    auto *v = new QVBoxLayout(this);
    v->addLayout(h);
    v->addWidget(box);
    connect(search_, &QLineEdit::textChanged, this, [this] { fill(); });
    connect(list_, &QTreeWidget::currentItemChanged, this, [this] { chosen_changed(); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });
    connect(create_, &QPushButton::clicked, this, [this] { create(); });
    connect(change_, &QPushButton::clicked, this, [this] { change(); });
    connect(delete_, &QPushButton::clicked, this, [this] { remove(); });
    fill();
    if (current)
        select(*current);
    chosen_changed();
    search_->setFocus();
}

void sheet_chooser_dialog::fill()
{
    const std::optional<label_sheet> was = chosen() ? std::optional<label_sheet>(chosen()->sheet) : std::nullopt;
    list_->clear();
    for (const sheet_entry *e : sht__search(catalogue_, us(search_->text()))) {
        const label_sheet &s = e->sheet;
        auto *item = new QTreeWidgetItem(list_);
        item->setText(0, qs(plt__from_utf8(sht__name(s))));
        item->setText(1, qs(plt__from_utf8(s.description)));
        item->setText(2, paper_text(s));
        item->setText(3, size_text(s));
        item->setText(4, QString::number(sht__count(s)));
        item->setData(0, Qt::UserRole, QVariant::fromValue<qlonglong>(e - catalogue_.sheets.data()));
        if (e->source == sheet_source::user)
            item->setToolTip(0, QCoreApplication::translate("vellumo", "Свой лист"));
    }
    for (int c = 0; c < 5; ++c)
        if (c != 1)
            list_->resizeColumnToContents(c);
    if (was)
        select(*was);
    chosen_changed();
}

const sheet_entry *sheet_chooser_dialog::chosen() const
{
    const QTreeWidgetItem *item = list_->currentItem();
    if (!item)
        return nullptr;
    const qlonglong i = item->data(0, Qt::UserRole).toLongLong();
    return i >= 0 && i < qlonglong(catalogue_.sheets.size()) ? &catalogue_.sheets[std::size_t(i)] : nullptr;
}

void sheet_chooser_dialog::select(const label_sheet &s)
{
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = list_->topLevelItem(i);
        const qlonglong n = item->data(0, Qt::UserRole).toLongLong();
        if (catalogue_.sheets[std::size_t(n)].sheet == s) {
            list_->setCurrentItem(item);
            list_->scrollToItem(item);
            return;
        }
    }
}

void sheet_chooser_dialog::chosen_changed()
{
    const sheet_entry *e = chosen();
    view_->set_sheet(e ? std::optional<label_sheet>(e->sheet) : std::nullopt);
    const bool own = e && e->source == sheet_source::user;
    change_->setEnabled(own);
    delete_->setEnabled(own);
    findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->setEnabled(e != nullptr);
}

bool sheet_chooser_dialog::keep(const std::function<void(std::vector<label_sheet> &)> &change)
{
    sheet_shelf_service &shelf = seam<sheet_shelf_service>::get();
    std::u16string error;
    // A file that cannot be read is never written over: the sheets in it
    // would be lost.
    std::vector<label_sheet> own = shelf.user_sheets(error);
    if (!error.empty()) {
        err__warning(VL_TR("vellumo", "Свои листы не прочитаны: %1"), error.c_str());
        return false;
    }
    change(own);
    if (!shelf.keep_user_sheets(own, error)) {
        err__warning(VL_TR("vellumo", "Свои листы не сохранены: %1"), error.c_str());
        return false;
    }
    list_->clear(); // its rows point into the catalogue
    std::erase_if(catalogue_.sheets, [](const sheet_entry &e) { return e.source == sheet_source::user; });
    std::vector<sheet_entry> mine;
    for (const label_sheet &s : own)
        mine.push_back({s, sheet_source::user});
    catalogue_.sheets.insert(catalogue_.sheets.begin(), mine.begin(), mine.end());
    return true;
}

void sheet_chooser_dialog::create()
{
    label_sheet s;
    s.paper = "A4";
    s.paper_width = 210 * MM;
    s.paper_height = 297 * MM;
    s.label_width = 70 * MM;
    s.label_height = 37 * MM;
    s.grids.push_back({3, 8, 0, 0, 70 * MM, 37 * MM});
    own_sheet_dialog d(this, s, true);
    if (d.exec() != QDialog::Accepted)
        return;
    const label_sheet made = d.result();
    if (!keep([&](std::vector<label_sheet> &own) { own.push_back(made); }))
        return;
    search_->clear();
    fill();
    select(made);
}

void sheet_chooser_dialog::change()
{
    const sheet_entry *e = chosen();
    if (!e || e->source != sheet_source::user)
        return;
    const label_sheet was = e->sheet;
    own_sheet_dialog d(this, was, false);
    if (d.exec() != QDialog::Accepted)
        return;
    const label_sheet now = d.result();
    bool found = false;
    if (!keep([&](std::vector<label_sheet> &own) {
            for (label_sheet &s : own)
                if (s == was) {
                    s = now;
                    found = true;
                    break;
                }
            // Gone from the file meanwhile (another window): kept as new.
            if (!found)
                own.push_back(now);
        }))
        return;
    fill();
    select(now);
}

void sheet_chooser_dialog::remove()
{
    const sheet_entry *e = chosen();
    if (!e || e->source != sheet_source::user)
        return;
    const label_sheet was = e->sheet;
    message_box_request req;
    req.caption = msg::caption_app;
    req.text = msc__format(VL_TR("vellumo", "Удалить свой лист «%1»?"), plt__from_utf8(sht__name(was)).c_str());
    req.icon = mb_icon::question;
    req.buttons = mb_buttons::yes_no;
    if (seam<message_box_service>::get().show(req) != mb_answer::yes)
        return;
    if (!keep([&](std::vector<label_sheet> &own) {
            if (auto at = std::find(own.begin(), own.end(), was); at != own.end())
                own.erase(at);
        }))
        return;
    fill();
}

void sheet_chooser_dialog::accept()
{
    const sheet_entry *e = chosen();
    if (!e)
        return;
    if (auto why = sht__check(e->sheet)) {
        err__warning(u"%1", why->c_str());
        return;
    }
    result_ = e->sheet;
    QDialog::accept();
}

std::optional<label_sheet> shd__choose(QWidget *parent, const std::optional<label_sheet> &current)
{
    sheet_chooser_dialog d(parent, current);
    if (d.exec() != QDialog::Accepted)
        return std::nullopt;
    return d.result();
}

// ---------------------------------------------------------------- own sheet

own_sheet_dialog::own_sheet_dialog(QWidget *parent, const label_sheet &s, bool is_new) : QDialog(parent)
{
    setObjectName(QStringLiteral("zelta-own-sheet"));
    setWindowTitle(is_new ? QCoreApplication::translate("vellumo", "Новый лист") : QCoreApplication::translate("vellumo", "Свой лист"));
    setWindowModality(Qt::ApplicationModal);
    auto *form = new QFormLayout;
    auto line = [&](const std::string &value, const char *name) {
        auto *e = new QLineEdit(qs(plt__from_utf8(value)), this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    brand_ = line(s.brand, "brand");
    part_ = line(s.part, "part");
    desc_ = line(s.description, "description");
    form->addRow(QCoreApplication::translate("vellumo", "Производитель:"), brand_);
    form->addRow(QCoreApplication::translate("vellumo", "Название:"), part_);
    form->addRow(QCoreApplication::translate("vellumo", "Описание:"), desc_);
    auto length = [&](double points, const char *name, double most) {
        auto *b = new QDoubleSpinBox(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setDecimals(2);
        b->setRange(0, most);
        b->setSingleStep(0.5);
        b->setSuffix(QCoreApplication::translate("vellumo", " мм"));
        b->setValue(std::isfinite(points) ? points / MM : 0);
        return b;
    };
    auto pair = [&](QWidget *a, QWidget *b) {
        auto *h = new QHBoxLayout;
        h->addWidget(a, 1);
        h->addWidget(new QLabel(QStringLiteral("×"), this));
        h->addWidget(b, 1);
        return h;
    };
    paper_ = new QComboBox(this);
    paper_->setObjectName(QStringLiteral("paper"));
    for (const paper_choice &c : paper_choices)
        paper_->addItem(QString::fromUtf16(pl__tr(c.caption)), c.name ? QString::fromLatin1(c.name) : QString());
    const double most_paper = SHT_MAX_PAPER / MM;
    paper_w_ = length(s.paper_width, "paper-width", most_paper);
    paper_h_ = length(s.paper_height, "paper-height", most_paper);
    form->addRow(QCoreApplication::translate("vellumo", "Бумага:"), paper_);
    form->addRow(QCoreApplication::translate("vellumo", "Размер бумаги:"), pair(paper_w_, paper_h_));
    label_w_ = length(s.label_width, "label-width", most_paper);
    label_h_ = length(s.label_height, "label-height", most_paper);
    form->addRow(QCoreApplication::translate("vellumo", "Этикетка (ширина × высота):"), pair(label_w_, label_h_));
    const sheet_grid g = s.grids.empty() ? sheet_grid{} : s.grids.front();
    columns_ = new QSpinBox(this);
    columns_->setObjectName(QStringLiteral("columns"));
    columns_->setRange(1, int(SHT_MAX_LABELS));
    columns_->setValue(std::clamp(g.columns, 1, int(SHT_MAX_LABELS)));
    rows_ = new QSpinBox(this);
    rows_->setObjectName(QStringLiteral("rows"));
    rows_->setRange(1, int(SHT_MAX_LABELS));
    rows_->setValue(std::clamp(g.rows, 1, int(SHT_MAX_LABELS)));
    form->addRow(QCoreApplication::translate("vellumo", "Столбцов × строк:"), pair(columns_, rows_));
    left_ = length(g.left, "left", most_paper);
    top_ = length(g.top, "top", most_paper);
    form->addRow(QCoreApplication::translate("vellumo", "Отступ слева × сверху:"), pair(left_, top_));
    gap_x_ = length(g.columns > 1 ? g.across - s.label_width : 0, "gap-across", most_paper);
    gap_y_ = length(g.rows > 1 ? g.down - s.label_height : 0, "gap-down", most_paper);
    form->addRow(QCoreApplication::translate("vellumo", "Промежуток по горизонтали × вертикали:"), pair(gap_x_, gap_y_));
    radius_ = length(s.radius, "radius", most_paper);
    form->addRow(QCoreApplication::translate("vellumo", "Радиус углов:"), radius_);
    int at = paper_->count() - 1; // a size of its own
    if (const paper_size *known = sht__paper(s.paper))
        for (int i = 0; i < paper_->count(); ++i)
            if (const paper_size *p = sht__paper(paper_->itemData(i).toString().toStdString());
                p && p->width == known->width && p->height == known->height && !s.paper.empty()) {
                at = i;
                break;
            }
    paper_->setCurrentIndex(at);
    view_ = new sheet_view(this);
    view_->setMinimumSize(180, 240);
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("problem"));
    problem_->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("color: #b00000"));
    problem_->hide();
    auto *h = new QHBoxLayout;
    h->addLayout(form);
    h->addWidget(view_);
    auto *v = new QVBoxLayout(this);
    v->addLayout(h);
    v->addWidget(problem_);
    v->addWidget(ctl__ok_cancel(this));
    connect(paper_, &QComboBox::currentIndexChanged, this, [this] { paper_changed(); });
    for (QDoubleSpinBox *b : {paper_w_, paper_h_, label_w_, label_h_, left_, top_, gap_x_, gap_y_, radius_})
        connect(b, &QDoubleSpinBox::valueChanged, this, [this] { redraw(); });
    for (QSpinBox *b : {columns_, rows_})
        connect(b, &QSpinBox::valueChanged, this, [this] { redraw(); });
    paper_changed();
    part_->setFocus();
}

QDoubleSpinBox *own_sheet_dialog::field(const char *name) const
{
    return findChild<QDoubleSpinBox *>(QString::fromLatin1(name));
}

void own_sheet_dialog::paper_changed()
{
    const QString name = paper_->currentData().toString();
    const paper_size *p = name.isEmpty() ? nullptr : sht__paper(name.toStdString());
    if (p) {
        paper_w_->setValue(p->width / MM);
        paper_h_->setValue(p->height / MM);
    }
    paper_w_->setEnabled(!p);
    paper_h_->setEnabled(!p);
    redraw();
}

label_sheet own_sheet_dialog::read() const
{
    label_sheet s;
    s.brand = plt__to_utf8(us(brand_->text().trimmed()));
    s.part = plt__to_utf8(us(part_->text().trimmed()));
    s.description = plt__to_utf8(us(desc_->text().trimmed()));
    const QString name = paper_->currentData().toString();
    const paper_size *p = name.isEmpty() ? nullptr : sht__paper(name.toStdString());
    s.paper = p ? p->name : "";
    s.paper_width = p ? p->width : paper_w_->value() * MM;
    s.paper_height = p ? p->height : paper_h_->value() * MM;
    s.shape = sheet_shape::rectangle;
    s.label_width = label_w_->value() * MM;
    s.label_height = label_h_->value() * MM;
    s.radius = radius_->value() * MM;
    sheet_grid g;
    g.columns = columns_->value();
    g.rows = rows_->value();
    g.left = left_->value() * MM;
    g.top = top_->value() * MM;
    g.across = s.label_width + gap_x_->value() * MM;
    g.down = s.label_height + gap_y_->value() * MM;
    s.grids.push_back(g);
    return s;
}

void own_sheet_dialog::redraw()
{
    view_->set_sheet(read());
}

void own_sheet_dialog::accept()
{
    const label_sheet s = read();
    std::optional<std::u16string> why;
    if (s.part.empty() && s.brand.empty())
        why = pl__tr(VL_TR("vellumo", "Введите название листа."));
    else if (s.radius * 2 > std::min(s.label_width, s.label_height))
        why = pl__tr(VL_TR("vellumo", "Радиус углов больше половины стороны этикетки."));
    else
        why = sht__check(s);
    if (why) {
        problem_->setText(qs(*why));
        problem_->show();
        (s.part.empty() && s.brand.empty() ? static_cast<QWidget *>(part_) : label_w_)->setFocus();
        return;
    }
    problem_->hide();
    result_ = s;
    QDialog::accept();
}

// ---------------------------------------------------------------- sheet run

sheet_run_box::sheet_run_box(QWidget *parent, const label_sheet &sheet, const QString &copies_caption)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("sheet-run"));
    view_ = new sheet_view(this);
    view_->set_clickable(true);
    view_->set_sheet(sheet);
    view_->setMinimumSize(200, 260);
    cell_ = new QLabel(this);
    cell_->setObjectName(QStringLiteral("first-cell"));
    cell_->setWordWrap(true);
    copies_ = new QSpinBox(this);
    copies_->setObjectName(QStringLiteral("copies"));
    copies_->setRange(1, int(SHT_MAX_LABELS));
    outlines_ = new QCheckBox(QCoreApplication::translate("vellumo", "Контуры этикеток"), this);
    outlines_->setObjectName(QStringLiteral("outlines"));
    crop_ = new QCheckBox(QCoreApplication::translate("vellumo", "Метки обрезки"), this);
    crop_->setObjectName(QStringLiteral("crop-marks"));
    auto *form = new QFormLayout;
    form->addRow(QCoreApplication::translate("vellumo", "Лист:"), new QLabel(qs(plt__from_utf8(sht__name(sheet))), this));
    form->addRow(copies_caption + QLatin1Char(':'), copies_);
    form->addRow(QString(), outlines_);
    form->addRow(QString(), crop_);
    form->addRow(cell_);
    auto *h = new QHBoxLayout(this);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(view_);
    h->addLayout(form);
    auto show_first = [this] {
        cell_->setText(qs(msc__format(VL_TR("vellumo", "Начать с этикетки %1 (щёлкните по ней на листе)"), view_->first())));
    };
    connect(view_, &sheet_view::first_chosen, this, show_first);
    show_first();
}

sheet_options sheet_run_box::options() const
{
    sheet_options o;
    o.first = view_->first();
    o.outlines = outlines_->isChecked();
    o.crop_marks = crop_->isChecked();
    return o;
}
