#include "frame/properties.h"
#include "platform/qt_text.h"

#include <QCoreApplication>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>
#include <memory>

#include "exchange/inout.h"
#include "model/errors.h"
#include "model/gs1_data.h"
#include "model/lg_epsi.h"
#include "model/messages.h"
#include "model/misc.h"
#include "widgets/broadcast.h"
#include "widgets/clrflatbtn.h"
#include "widgets/controls.h"
#include "widgets/kit_resources.h"
#include "platform/translation.h"

namespace {

constexpr const char16_t *captions[ROW_COUNT] = {
    VL_TR("vellumo", "Описание:"), u"X:", u"Y:", VL_TR("vellumo", "Квадрант:"), VL_TR("vellumo", "Угол:"), VL_TR("vellumo", "Ширина:"), VL_TR("vellumo", "Высота:"),
    VL_TR("vellumo", "Текст:"), VL_TR("vellumo", "Шрифт:"), VL_TR("vellumo", "Размер:"), VL_TR("vellumo", "Выравнивание:"), VL_TR("vellumo", "Цвет:"),
    VL_TR("vellumo", "Стиль:"), VL_TR("vellumo", "Толщина:"), VL_TR("vellumo", "Цвет:"),
    VL_TR("vellumo", "Изображение:"), VL_TR("vellumo", "Файл из данных:"), VL_TR("vellumo", "Цвет:"),
    VL_TR("vellumo", "Код:"), VL_TR("vellumo", "Вид:"), VL_TR("vellumo", "Цвет:"), VL_TR("vellumo", "Подпечатка:"),
    VL_TR("vellumo", "Перенос слов:"), VL_TR("vellumo", "Уменьшать до:")};

constexpr int small_icon = 16;
constexpr int edge = 2;

QString number(double v)
{
    return QString::asprintf("%.2f", v);
}

std::vector<int> kind_rows(int type)
{
    switch (type) {
    case ELE_TEXT: return {ROW_TEXT, ROW_FONT, ROW_SIZE, ROW_SHRINK, ROW_WRAP, ROW_JUSTIFICATION, ROW_TEXT_COLOUR};
    case ELE_BORDER: return {ROW_STYLE, ROW_THICKNESS, ROW_BORDER_COLOUR};
    case ELE_PICTURE: return {ROW_PICTURE, ROW_PICTURE_FILE, ROW_PICTURE_COLOUR};
    case ELE_BARCODE: return {ROW_CODE, ROW_KIND, ROW_BARCODE_COLOUR, ROW_SUBPRINT};
    default: return {};
    }
}

std::uint32_t kind_colour(const element *e)
{
    switch (e->type) {
    case ELE_BORDER: return e->border.colour;
    case ELE_PICTURE: return e->picture.colour;
    case ELE_BARCODE: return e->barcode.colour;
    default: return e->text.colour;
    }
}

// A thickness as the list shows it: "0.0 (самая тонкая)" is 0.
bool thickness_value(const QString &text, double &out)
{
    for (const char16_t *t : cmn_thicknesses)
        if (text == QString::fromUtf16(pl__tr(t))) {
            out = text.section(QLatin1Char(' '), 0, 0).toDouble();
            return true;
        }
    return msc__parse_real(us(text), out);
}

} // namespace

properties_panel::properties_panel(QWidget *parent, frame_host *target, label *lab) : QWidget(parent)
{
    setObjectName(QStringLiteral("zelta-properties-window"));
    stock_.win = this;
    setAutoFillBackground(true);
    stock_.target = target;
    stock_.lab = lab;
    canvas_ = new QWidget(this);
    canvas_->setObjectName(QStringLiteral("rows"));
    bar_ = new QScrollBar(Qt::Vertical, this);
    bar_->hide();
    connect(bar_, &QScrollBar::valueChanged, this, [this](int v) { scroll_to(v); });
    stock_.header = ctl__centred_label(this, QCoreApplication::translate("vellumo", "Нет выбранных элементов."));
    stock_.header->setObjectName(QStringLiteral("header"));
    enter_state(0, nullptr);
}

// The rows are made when first needed (an element selected, the panel's
// width asked for, a field looked at): most of the panel's cost, and an
// editor often starts and stays a while with nothing selected.
void properties_panel::ensure_rows() const
{
    if (!rows_built_)
        const_cast<properties_panel *>(this)->build_rows();
}

void properties_panel::build_rows()
{
    // Set first: the event filter, installed on each control as it comes,
    // looks at the rows while the later ones are still being made.
    rows_built_ = true;
    for (int r = 0; r < ROW_COUNT; ++r) {
        const std::size_t i = static_cast<std::size_t>(r);
        stock_.captions[i] = ctl__label(canvas_, QString::fromUtf16(pl__tr(captions[r])));
        QWidget *c = nullptr;
        switch (r) {
        case ROW_QUADRANT: c = cmn__quadrant_box(canvas_, -1); break;
        case ROW_FONT: c = ctl__combo(canvas_); break;
        case ROW_SIZE: c = ctl__sorted_combo(canvas_); break;
        case ROW_JUSTIFICATION: c = cmn__justification_box(canvas_, -1); break;
        case ROW_STYLE: c = cmn__line_style_box(canvas_, -1); break;
        case ROW_THICKNESS: c = ctl__combo(canvas_); break;
        case ROW_KIND: c = cmn__barcode_type_box(canvas_, -1); break;
        case ROW_SUBPRINT: c = cmn__yes_no_box(canvas_, -1); break;
        case ROW_TEXT_COLOUR:
        case ROW_BORDER_COLOUR:
        case ROW_PICTURE_COLOUR:
        case ROW_BARCODE_COLOUR: {
            auto *b = new colour_button(canvas_, 0);
            connect(b, &colour_button::colour_changed, this, [this](std::uint32_t c) { colour_chosen(c); });
            c = b;
            break;
        }
        case ROW_TEXT: {
            // Enter breaks the line here (the panel's key navigation puts
            // it in); Tab goes on to the next field.
            auto *t = new QPlainTextEdit(canvas_);
            t->setTabChangesFocus(true);
            t->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            connect(t, &QPlainTextEdit::textChanged, this, [this, t] {
                if (filling_)
                    shown_[ROW_TEXT] = t->toPlainText();
            });
            c = t;
            break;
        }
        case ROW_WRAP: {
            auto *b = ctl__check(canvas_, QString());
            connect(b, &QCheckBox::clicked, this, [this] { wrap_clicked(); });
            c = b;
            break;
        }
        case ROW_PICTURE: {
            auto *b = ctl__button(canvas_, QCoreApplication::translate("vellumo", "(указать)"));
            connect(b, &QPushButton::clicked, this, [this] { picture_clicked(); });
            c = b;
            break;
        }
        default: c = ctl__edit(canvas_); break;
        }
        c->setObjectName(QStringLiteral("row%1").arg(r));
        stock_.controls[i] = c;
        c->installEventFilter(this);
        if (auto *cb = qobject_cast<QComboBox *>(c)) {
            connect(cb, &QComboBox::activated, this, [this, r] { commit_list(r); });
            if (cb->lineEdit())
                cb->lineEdit()->installEventFilter(this);
        }
    }
    // What the panel itself last put into each field: leaving a field whose
    // text is still that sends nothing, even where the text rounds the value
    // ("%.2f") or stands for a text the element does not have yet.
    // (The text's own field, of several lines, keeps its text by itself.)
    for (int r : {ROW_X, ROW_Y, ROW_ANGLE, ROW_WIDTH, ROW_HEIGHT, ROW_SIZE, ROW_THICKNESS, ROW_FONT, ROW_CODE,
                  ROW_PICTURE_FILE, ROW_SHRINK}) {
        QLineEdit *field = edit(r) ? edit(r) : combo(r)->lineEdit();
        if (field)
            connect(field, &QLineEdit::textChanged, this, [this, r](const QString &t) {
                if (filling_)
                    shown_[static_cast<std::size_t>(r)] = t;
            });
    }
    connect(edit(ROW_CODE), &QLineEdit::textEdited, this, [this](const QString &t) { code_edited(t); });
    cmn__fill_fonts(combo(ROW_FONT));
    stock_.width_box = ctl__check(canvas_, QString());
    stock_.height_box = ctl__check(canvas_, QString());
    stock_.width_box->setObjectName(QStringLiteral("width-box"));
    stock_.height_box->setObjectName(QStringLiteral("height-box"));
    connect(stock_.width_box, &QCheckBox::clicked, this, [this] { size_box_clicked(true); });
    connect(stock_.height_box, &QCheckBox::clicked, this, [this] { size_box_clicked(false); });
}

QWidget *properties_panel::control(int row) const
{
    ensure_rows();
    return stock_.controls[static_cast<std::size_t>(row)];
}

QLineEdit *properties_panel::edit(int row) const
{
    return qobject_cast<QLineEdit *>(control(row));
}

QPlainTextEdit *properties_panel::lines(int row) const
{
    return qobject_cast<QPlainTextEdit *>(control(row));
}

void properties_panel::put_text(int row, const QString &text)
{
    filling_ = true;
    if (QLineEdit *f = edit(row))
        f->setText(text);
    else if (QPlainTextEdit *t = lines(row))
        t->setPlainText(text);
    else if (QComboBox *c = combo(row); c && c->isEditable())
        c->setEditText(text);
    filling_ = false;
}

QComboBox *properties_panel::combo(int row) const
{
    return qobject_cast<QComboBox *>(control(row));
}

colour_button *properties_panel::colour(int row) const
{
    return qobject_cast<colour_button *>(control(row));
}

// ------------------------------------------------------------------ state

void properties_panel::evaluate_state()
{
    const label *l = stock_.lab;
    if (l->sel == 0) {
        enter_state(0, nullptr);
    } else if (l->sel > 1) {
        enter_state(1, nullptr);
    } else {
        const int i = ele__get_first_selected(l);
        if (i < 0)
            XFAIL("i = ele__get_first_selected( s->lab ) != -1");
        enter_state(2, l->es[i]);
    }
}

std::vector<int> properties_panel::rows_in_use() const
{
    std::vector<int> rows{ROW_DESC, ROW_X, ROW_Y, ROW_QUADRANT, ROW_ANGLE, ROW_WIDTH, ROW_HEIGHT};
    if (stock_.state == 2 && stock_.e)
        for (int r : kind_rows(stock_.e->type))
            rows.push_back(r);
    return rows;
}

void properties_panel::enter_state(int state, element *e)
{
    stock_.state = state;
    stock_.e = e;
    if (state != 2) {
        stock_.header->setText(state == 0 ? QCoreApplication::translate("vellumo", "Нет выбранных элементов.")
                                          : QCoreApplication::translate("vellumo", "Выбрано несколько элементов."));
        stock_.header->show();
        canvas_->hide();
    } else {
        stock_.header->hide();
        ensure_rows();
        std::vector<int> in_use = rows_in_use();
        for (int r = 0; r < ROW_COUNT; ++r) {
            const bool on = std::find(in_use.begin(), in_use.end(), r) != in_use.end();
            stock_.captions[static_cast<std::size_t>(r)]->setVisible(on);
            stock_.controls[static_cast<std::size_t>(r)]->setVisible(on);
        }
        canvas_->show();
        fill();
    }
    lay_out();
}

void properties_panel::fill()
{
    element *e = stock_.e;
    if (!e)
        return;
    filling_ = true;
    edit(ROW_DESC)->setText(qs(e->desc));
    edit(ROW_X)->setText(number(e->x));
    edit(ROW_Y)->setText(number(e->y));
    edit(ROW_ANGLE)->setText(number(e->angle));
    combo(ROW_QUADRANT)->setCurrentIndex(-1);
    cmn__select_value(combo(ROW_QUADRANT), e->quadrant);
    size_display();
    switch (e->type) {
    case ELE_TEXT:
        lines(ROW_TEXT)->setPlainText(qs(e->text.text.value_or(u"")));
        qobject_cast<QCheckBox *>(control(ROW_WRAP))->setChecked(e->text.wrap);
        edit(ROW_SHRINK)->setText(e->text.shrink > 0 ? number(e->text.shrink) : QString());
        combo(ROW_FONT)->setEditText(qs(e->text.font.value_or(u"")));
        cmn__fill_font_sizes(combo(ROW_SIZE), e->text.size);
        combo(ROW_JUSTIFICATION)->setCurrentIndex(-1);
        cmn__select_value(combo(ROW_JUSTIFICATION), e->text.justification);
        colour(ROW_TEXT_COLOUR)->set_colour(e->text.colour);
        break;
    case ELE_BORDER:
        combo(ROW_STYLE)->setCurrentIndex(-1);
        cmn__select_value(combo(ROW_STYLE), e->border.style);
        cmn__fill_thickness(combo(ROW_THICKNESS), e->border.thickness);
        colour(ROW_BORDER_COLOUR)->set_colour(e->border.colour);
        break;
    case ELE_PICTURE:
        static_cast<QPushButton *>(control(ROW_PICTURE))
            ->setText(e->picture.data ? QCoreApplication::translate("vellumo", "Поменять") : QCoreApplication::translate("vellumo", "Указать"));
        edit(ROW_PICTURE_FILE)->setText(qs(e->picture.source.value_or(u"")));
        edit(ROW_PICTURE_FILE)->setToolTip(
            QCoreApplication::translate("vellumo", "Имя файла со столбцом таблицы, например ${логотип}: на каждой строке рисунок из "
                           "файла, названного в ней (от папки таблицы). Пусто: всегда рисунок элемента."));
        colour(ROW_PICTURE_COLOUR)->set_colour(e->picture.colour);
        break;
    case ELE_BARCODE:
        edit(ROW_CODE)->setText(qs(gs1__shown(e->barcode.code.value_or(u""))));
        combo(ROW_KIND)->setCurrentIndex(-1);
        cmn__select_value(combo(ROW_KIND), e->barcode.type);
        colour(ROW_BARCODE_COLOUR)->set_colour(e->barcode.colour);
        combo(ROW_SUBPRINT)->setCurrentIndex(-1);
        cmn__select_value(combo(ROW_SUBPRINT), e->barcode.text);
        break;
    default:
        break;
    }
    filling_ = false;
}

void properties_panel::size_display()
{
    element *e = stock_.e;
    if (!e)
        return;
    // Called from fill() too, whose own filling goes on after it.
    const bool was_filling = filling_;
    filling_ = true;
    QLineEdit *w = edit(ROW_WIDTH), *h = edit(ROW_HEIGHT);
    QCheckBox *wb = stock_.width_box, *hb = stock_.height_box;
    auto show = [](QLineEdit *f, bool enabled, const QString &text) {
        f->setEnabled(enabled);
        f->setText(text);
    };
    auto box = [](QCheckBox *b, bool enabled, bool checked) {
        b->setEnabled(enabled);
        b->setChecked(checked);
    };
    if (e->type == ELE_TEXT) {
        if (e->width < 0) {
            show(w, false, QCoreApplication::translate("vellumo", "по тексту"));
            show(h, false, QCoreApplication::translate("vellumo", "по высоте шрифта"));
            box(wb, true, false);
            box(hb, false, false);
        } else if (e->height < 0) {
            show(w, true, number(e->width));
            show(h, false, QCoreApplication::translate("vellumo", "по тексту"));
            box(wb, true, true);
            box(hb, true, false);
        } else {
            show(w, true, number(e->width));
            show(h, true, number(e->height));
            box(wb, false, true);
            box(hb, true, true);
        }
    } else if (e->type == ELE_PICTURE) {
        if (e->width < 0) {
            show(w, false, QCoreApplication::translate("vellumo", "пропорционально"));
            show(h, true, number(e->height));
            box(wb, true, false);
            box(hb, false, true);
        } else if (e->height < 0) {
            show(w, true, number(e->width));
            show(h, false, QCoreApplication::translate("vellumo", "пропорционально"));
            box(wb, false, true);
            box(hb, true, false);
        } else {
            show(w, true, number(e->width));
            show(h, true, number(e->height));
            box(wb, true, true);
            box(hb, true, true);
        }
    } else {
        show(w, true, number(e->width));
        show(h, true, number(e->height));
        box(wb, false, true);
        box(hb, false, true);
    }
    filling_ = was_filling;
}

// ----------------------------------------------------------------- layout

void properties_panel::lay_out()
{
    const int bar_w = bar_->sizeHint().width();
    stock_.header->setGeometry(rect());
    if (stock_.state != 2) {
        stock_.content_height = 1;
        bar_->hide();
        return;
    }
    const std::vector<int> rows = rows_in_use();
    int cw = 0;
    for (int r : rows)
        cw = std::max(cw, ctl__text_width(stock_.captions[static_cast<std::size_t>(r)]));
    stock_.caption_width = cw;
    stock_.row_height = 3 * QFontMetrics(edit(ROW_DESC)->font()).height() / 2 + 2 * edge;
    const int old_range = stock_.content_height;
    int spans = 0;
    for (int r : rows)
        spans += r == ROW_TEXT ? PROP_TEXT_ROWS : 1;
    stock_.content_height = stock_.row_height * spans + 5;
    const bool scrolls = stock_.content_height > height();
    const int client_w = width() - (scrolls ? bar_w : 0);
    bar_->setVisible(scrolls);
    bar_->setGeometry(width() - bar_w, 0, bar_w, height());
    const int max = std::max(0, stock_.content_height - height());
    int pos = old_range > 1 ? static_cast<int>(static_cast<double>(stock_.content_height) * stock_.cy / old_range) : 0;
    pos = std::clamp(pos, 0, max);
    bar_->blockSignals(true);
    bar_->setRange(0, max);
    bar_->setPageStep(std::max(1, height()));
    bar_->setSingleStep(std::max(1, height() / std::max(1, stock_.row_height)));
    bar_->setValue(pos);
    bar_->blockSignals(false);
    stock_.cy = pos;
    canvas_->setGeometry(0, -stock_.cy, client_w, std::max(stock_.content_height, height()));
    int y = 5;
    const int rh = stock_.row_height;
    for (int r : rows) {
        const std::size_t i = static_cast<std::size_t>(r);
        const int h = r == ROW_TEXT ? rh * PROP_TEXT_ROWS : rh;
        stock_.captions[i]->setGeometry(5, y, cw, rh);
        int x = cw + 15;
        QCheckBox *box = r == ROW_WIDTH ? stock_.width_box : r == ROW_HEIGHT ? stock_.height_box : nullptr;
        if (box) {
            box->setGeometry(x, y, small_icon + 4, rh);
            box->show();
            x += small_icon + 10;
        }
        // A check box is as wide as its mark: a click beside it does nothing.
        const int w = r == ROW_WRAP ? stock_.controls[i]->sizeHint().width() : std::max(10, client_w - 20 - x);
        stock_.controls[i]->setGeometry(x, y, w, h);
        y += h;
    }
}

void properties_panel::scroll_to(int y)
{
    const int max = std::max(0, stock_.content_height - height());
    y = std::clamp(y, 0, max);
    if (y == stock_.cy)
        return;
    stock_.cy = y;
    canvas_->move(0, -y);
    if (bar_->value() != y)
        bar_->setValue(y);
}

void properties_panel::wheelEvent(QWheelEvent *e)
{
    if (stock_.state == 2 && bar_->isVisible())
        scroll_to(stock_.cy - e->angleDelta().y() / 120 * stock_.row_height);
}

void properties_panel::resizeEvent(QResizeEvent *)
{
    lay_out();
}

// ----------------------------------------------------------- notifications

void properties_panel::notify(const frame_notify &n)
{
    switch (n.code) {
    case fn::selection:
        evaluate_state();
        break;
    case fn::x:
    case fn::y:
    case fn::angle:
        if (stock_.state == 2 && stock_.e && stock_.lab->qty > n.e1 && stock_.lab->es[n.e1] == stock_.e) {
            filling_ = true;
            const int row = n.code == fn::x ? ROW_X : n.code == fn::y ? ROW_Y : ROW_ANGLE;
            const double v = n.code == fn::x ? stock_.e->x : n.code == fn::y ? stock_.e->y : stock_.e->angle;
            edit(row)->setText(number(v));
            filling_ = false;
        }
        break;
    case fn::width:
    case fn::height:
        if (stock_.state == 2)
            size_display();
        break;
    case fn::quadrant:
        if (stock_.state == 2 && stock_.e) {
            filling_ = true;
            cmn__select_value(combo(ROW_QUADRANT), stock_.e->quadrant);
            filling_ = false;
        }
        break;
    default:
        break;
    }
}

void properties_panel::set_label(label *lab)
{
    stock_.lab = lab;
    stock_.e = nullptr;
    evaluate_state();
}

void properties_panel::relayout()
{
    evaluate_state();
}

void properties_panel::focus_description()
{
    if (stock_.state != 2)
        return;
    edit(ROW_DESC)->setFocus();
    edit(ROW_DESC)->selectAll();
    // Right after a creation the keys belong to the field: say how to get
    // them back.
    if (stock_.target && edit(ROW_DESC)->hasFocus()) {
        creation_hint_ = true;
        stock_.target->set_status(0, QCoreApplication::translate("vellumo", "Esc — вернуться к холсту"));
    }
}

void properties_panel::end_creation_hint()
{
    if (!creation_hint_)
        return;
    creation_hint_ = false;
    if (stock_.target)
        stock_.target->set_status(0, QString());
}

void properties_panel::escape(int row)
{
    if (row == ROW_DESC && stock_.e)
        put_text(ROW_DESC, qs(stock_.e->desc));
    else
        put_text(row, shown_[static_cast<std::size_t>(row)]);
    end_creation_hint();
    if (stock_.target)
        stock_.target->focus_canvas();
}

int properties_panel::needed_width() const
{
    ensure_rows();
    int cw = 0;
    for (int r = 0; r < ROW_COUNT; ++r)
        cw = std::max(cw, ctl__text_width(stock_.captions[static_cast<std::size_t>(r)]));
    // The field: the longest text a size field shows, or a list's widest entry.
    const QFontMetrics fm(edit(ROW_DESC)->font());
    int field = 0;
    for (const char16_t *t : {pl__tr(VL_TR("vellumo", "по высоте шрифта")), pl__tr(VL_TR("vellumo", "пропорционально")),
                              pl__tr(VL_TR("vellumo", "по тексту")), u"-99999.99"})
        field = std::max(field, fm.horizontalAdvance(QString::fromUtf16(t)) + 2 * fm.averageCharWidth() + 8);
    for (int r : {ROW_QUADRANT, ROW_JUSTIFICATION, ROW_STYLE, ROW_KIND, ROW_SUBPRINT})
        if (const QComboBox *c = combo(r))
            field = std::max(field, c->sizeHint().width());
    const int bar_w = bar_ ? bar_->sizeHint().width() : 0;
    return 5 + cw + 15 + small_icon + 10 + field + 20 + bar_w;
}

bool properties_panel::event(QEvent *e)
{
    if (e->type() == cmn_broadcast_event::type() &&
        static_cast<cmn_broadcast_event *>(e)->message == CMN_FONTS_CHANGED) {
        if (!rows_built_)
            return true; // the list is filled when the rows are made
        filling_ = true;
        QComboBox *fonts = combo(ROW_FONT);
        const QString typed = fonts->currentText();
        fonts->clear();
        cmn__fill_fonts(fonts);
        if (stock_.state == 2 && stock_.e && stock_.e->type == ELE_TEXT)
            fonts->setEditText(qs(stock_.e->text.font.value_or(u"")));
        else
            fonts->setEditText(typed);
        filling_ = false;
        return true;
    }
    return QWidget::event(e);
}

bool properties_panel::eventFilter(QObject *o, QEvent *e)
{
    // The row of a control, or of the edit part of its list; -1 for none.
    auto row_of_object = [this](QObject *obj) {
        for (int r = 0; r < ROW_COUNT; ++r) {
            QWidget *c = control(r);
            if (obj == c || (qobject_cast<QComboBox *>(c) && static_cast<QComboBox *>(c)->lineEdit() == obj))
                return r;
        }
        return -1;
    };
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(e)->key() == Qt::Key_Escape &&
        stock_.state == 2) {
        const int r = row_of_object(o);
        auto *cb = qobject_cast<QComboBox *>(r >= 0 ? control(r) : nullptr);
        if (r >= 0 && !(cb && cb->view() && cb->view()->isVisible())) { // an open list closes first
            escape(r);
            return true;
        }
    }
    if (o == edit(ROW_CODE) && code_field_event(e))
        return true;
    if (e->type() == QEvent::FocusOut && o == edit(ROW_DESC))
        end_creation_hint();
    if (e->type() == QEvent::FocusOut && stock_.state == 2 && !filling_) {
        // The list's own edit part loses the focus to its list, too: only
        // a focus leaving the control counts.
        auto *fe = static_cast<QFocusEvent *>(e);
        if (fe->reason() != Qt::PopupFocusReason) {
            for (int r = 0; r < ROW_COUNT; ++r) {
                QWidget *c = control(r);
                if (o == c || (qobject_cast<QComboBox *>(c) && static_cast<QComboBox *>(c)->lineEdit() == o)) {
                    if (o != c && c->hasFocus())
                        break;
                    commit(r);
                    break;
                }
            }
        }
    }
    return QWidget::eventFilter(o, e);
}

// The code field shows GS (marking codes) as its mark "␝": Ctrl+] or the
// field's menu puts one in, and a GS pasted in becomes the mark at once.
bool properties_panel::code_field_event(QEvent *e)
{
    QLineEdit *field = edit(ROW_CODE);
    if (e->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(e);
        // X11 gives Ctrl+] as the GS character itself; in a Cyrillic layout
        // the key is "ъ", found by its X11 key code.
        const bool ctrl = k->modifiers() & Qt::ControlModifier;
        if ((ctrl && (k->key() == Qt::Key_BracketRight || k->nativeScanCode() == 35)) ||
            k->text() == QString(QChar(GS1_GS))) {
            field->insert(QString(QChar(GS1_GS_MARK)));
            return true;
        }
    } else if (e->type() == QEvent::ContextMenu) {
        std::unique_ptr<QMenu> menu(field->createStandardContextMenu());
        menu->addSeparator();
        QAction *gs = menu->addAction(QCoreApplication::translate("vellumo", "Вставить разделитель GS\tCtrl+]"));
        gs->setObjectName(QStringLiteral("insert-gs"));
        gs->setEnabled(!field->isReadOnly());
        connect(gs, &QAction::triggered, field, [field] { field->insert(QString(QChar(GS1_GS_MARK))); });
        menu->exec(static_cast<QContextMenuEvent *>(e)->globalPos());
        return true;
    }
    return false;
}

void properties_panel::code_edited(const QString &text)
{
    if (!text.contains(QChar(GS1_GS)))
        return;
    QLineEdit *field = edit(ROW_CODE);
    const int at = field->cursorPosition();
    field->setText(QString(text).replace(QChar(GS1_GS), QChar(GS1_GS_MARK)));
    field->setCursorPosition(at);
}

// ----------------------------------------------------------------- commits

void properties_panel::send(frame_notify &n)
{
    n.sender = this;
    n.e1 = ele__get_index(stock_.lab, stock_.e);
    if (n.e1 < 0 || !stock_.target)
        return;
    stock_.target->hub().notify(n);
}

void properties_panel::refuse(int row, const char16_t *message, const QString &old_text)
{
    // The old value is back before the box takes the focus, so the field's
    // own loss of focus finds nothing to commit.
    put_text(row, old_text);
    if (message && *message)
        err__warning(u"%1", pl__tr(message));
    control(row)->setFocus();
}

bool properties_panel::storable(int row, const QString &text, const QString &old_text)
{
    if (char32_t c = ino__unsendable_char(us(text))) {
        put_text(row, old_text);
        err__warning(msg::character_unstorable, static_cast<unsigned>(c));
        control(row)->setFocus();
        return false;
    }
    return true;
}

// How a number field is read back: the change it sends, the element's value
// it edits, how it is checked, and the refusals' texts.
enum class prop_number_rule {
    anchor, // 0 .. the label's side (and never past the editor's limit)
    angle,  // any number, taken modulo 360
    size,   // 0 .. the editor's limit
};

struct prop_number_row {
    int row;
    int code;
    double (*value)(const element &);
    prop_number_rule rule;
    bool (*parse)(const QString &text, double &out);
    const char16_t *not_number; // null: the old value is put back silently
    const char16_t *negative;
    msc__fmt<int> too_large; // the largest value taken
    bool six_decimals; // the old value is put back as "%f", else "%.2f"
};

// A text field: the change it sends and the element's text it edits.
struct prop_text_row {
    int row;
    int code;
    const std::optional<std::u16string> &(*value)(const element &);
};

namespace {

bool parse_real(const QString &text, double &out)
{
    return msc__parse_real(us(text), out);
}

// An empty field: the text does not shrink.
bool parse_shrink(const QString &text, double &out)
{
    if (text.trimmed().isEmpty()) {
        out = 0;
        return true;
    }
    return msc__parse_real(us(text), out);
}

constexpr prop_number_row number_rows[] = {
    {ROW_X, fn::x, [](const element &e) { return e.x; }, prop_number_rule::anchor, parse_real,
     msg::anchor_outside, msg::anchor_outside, msg::anchor_too_far, false},
    {ROW_Y, fn::y, [](const element &e) { return e.y; }, prop_number_rule::anchor, parse_real,
     msg::anchor_outside, msg::anchor_outside, msg::anchor_too_far, false},
    {ROW_ANGLE, fn::angle, [](const element &e) { return e.angle; }, prop_number_rule::angle, parse_real,
     msg::angle_not_number, nullptr, nullptr, false},
    {ROW_WIDTH, fn::width, [](const element &e) { return e.width; }, prop_number_rule::size, parse_real,
     msg::element_width_not_number, msg::element_width_negative, msg::element_width_too_large, false},
    {ROW_HEIGHT, fn::height, [](const element &e) { return e.height; }, prop_number_rule::size, parse_real,
     msg::element_height_not_number, msg::element_height_negative, msg::element_height_too_large, false},
    {ROW_SIZE, fn::font_size, [](const element &e) { return e.text.size; }, prop_number_rule::size, parse_real,
     msg::font_size_not_number, msg::font_size_negative, msg::font_size_too_large, true},
    {ROW_THICKNESS, fn::thickness, [](const element &e) { return e.border.thickness; }, prop_number_rule::size,
     thickness_value, msg::thickness_not_number, msg::thickness_negative, msg::thickness_too_large, true},
    {ROW_SHRINK, fn::text_shrink, [](const element &e) { return e.text.shrink; }, prop_number_rule::size,
     parse_shrink, msg::shrink_size_not_number, msg::shrink_size_negative, msg::font_size_too_large, false},
};

constexpr prop_text_row text_rows[] = {
    {ROW_TEXT, fn::text, [](const element &e) -> const std::optional<std::u16string> & { return e.text.text; }},
    {ROW_FONT, fn::font, [](const element &e) -> const std::optional<std::u16string> & { return e.text.font; }},
    {ROW_CODE, fn::barcode_data,
     [](const element &e) -> const std::optional<std::u16string> & { return e.barcode.code; }},
    {ROW_PICTURE_FILE, fn::picture_file,
     [](const element &e) -> const std::optional<std::u16string> & { return e.picture.source; }},
};

template <class Row, std::size_t N>
const Row *row_of(const Row (&rows)[N], int row)
{
    for (const Row &r : rows)
        if (r.row == row)
            return &r;
    return nullptr;
}

} // namespace

QString properties_panel::text_of(int row) const
{
    if (const QPlainTextEdit *t = lines(row))
        return t->toPlainText();
    return edit(row) ? edit(row)->text() : combo(row)->currentText();
}

void properties_panel::commit(int row)
{
    element *e = stock_.e;
    if (stock_.state != 2 || !e || ele__get_index(stock_.lab, e) < 0)
        return;
    const prop_number_row *number = row_of(number_rows, row);
    const prop_text_row *text = row_of(text_rows, row);
    // A field still showing what the panel put there sends nothing.
    if ((number || text) && text_of(row) == shown_[static_cast<std::size_t>(row)])
        return;
    if (number)
        commit_number(*number, *e);
    else if (text)
        commit_text(*text, *e);
    else if (row == ROW_DESC)
        commit_description(*e);
}

void properties_panel::commit_description(const element &e)
{
    const QString t = edit(ROW_DESC)->text();
    if (t.isEmpty()) {
        refuse(ROW_DESC, msg::description_empty, qs(e.desc));
        return;
    }
    if (!storable(ROW_DESC, t, qs(e.desc)) || us(t) == e.desc)
        return;
    frame_notify n;
    n.code = fn::description;
    n.text = us(t);
    send(n);
}

void properties_panel::commit_text(const prop_text_row &r, const element &e)
{
    QString t = text_of(r.row);
    const std::optional<std::u16string> &old = r.value(e);
    // The code's GS is shown as its mark and stored as itself.
    const bool code = r.row == ROW_CODE;
    if (code)
        t.replace(QChar(GS1_GS), QChar(GS1_GS_MARK));
    const std::u16string shown_old = code ? gs1__shown(old.value_or(u"")) : old.value_or(u"");
    if (!storable(r.row, t, qs(shown_old)))
        return;
    const std::u16string value = code ? gs1__stored(us(t)) : us(t);
    if (old && *old == value)
        return;
    frame_notify n;
    n.code = r.code;
    n.text = value;
    send(n);
}

void properties_panel::commit_number(const prop_number_row &r, const element &e)
{
    if (!control(r.row)->isEnabled())
        return; // an automatic size: nothing typed there counts
    const double old = r.value(e);
    const QString old_text = r.row == ROW_SHRINK && !(old > 0) ? QString()
                             : r.six_decimals                ? QString::asprintf("%f", old)
                                                             : number(old);
    double v = 0;
    if (!r.parse(text_of(r.row), v)) {
        refuse(r.row, r.not_number, old_text);
        return;
    }
    switch (r.rule) {
    case prop_number_rule::anchor: {
        const double side = r.code == fn::x ? stock_.lab->width : stock_.lab->height;
        if (v < 0 || v > side) {
            refuse(r.row, r.negative, old_text);
            return;
        }
        if (v > ELE_MAX_LABEL_SIZE) { // a label from elsewhere may be larger
            refuse(r.row, msc__format(r.too_large, static_cast<int>(ELE_MAX_LABEL_SIZE)).c_str(), old_text);
            return;
        }
        break;
    }
    case prop_number_rule::angle:
        if (v >= 360 || v <= -360) {
            v = std::fmod(v, 360.0);
            filling_ = true;
            edit(r.row)->setText(number(v));
            filling_ = false;
        }
        break;
    case prop_number_rule::size:
        if (v < 0) {
            refuse(r.row, r.negative, old_text);
            return;
        }
        if (v > ELE_MAX_LABEL_SIZE) {
            refuse(r.row, msc__format(r.too_large, static_cast<int>(ELE_MAX_LABEL_SIZE)).c_str(), old_text);
            return;
        }
        break;
    }
    if (std::fabs(v - old) <= ELE_EPS)
        return;
    frame_notify n;
    n.code = r.code;
    n.value = v;
    send(n);
}

void properties_panel::commit_list(int row)
{
    if (stock_.state != 2 || !stock_.e || filling_)
        return;
    frame_notify n;
    const int v = cmn__choice_value(combo(row));
    switch (row) {
    case ROW_QUADRANT:
        n.code = fn::quadrant;
        n.quadrant = v;
        break;
    case ROW_STYLE:
        n.code = fn::line_style;
        n.line_style = v;
        break;
    case ROW_JUSTIFICATION:
        n.code = fn::justification;
        n.option = v;
        break;
    case ROW_KIND:
        n.code = fn::barcode_kind;
        n.option = v;
        break;
    case ROW_SUBPRINT:
        n.code = fn::subprint;
        n.option = v;
        break;
    case ROW_SIZE:
    case ROW_THICKNESS:
    case ROW_FONT:
        commit(row);
        return;
    default:
        return;
    }
    if (v < 0)
        return;
    send(n); // sent on every choice, the same one again included
}

void properties_panel::size_box_clicked(bool width)
{
    element *e = stock_.e;
    if (stock_.state != 2 || !e)
        return;
    QCheckBox *b = width ? stock_.width_box : stock_.height_box;
    b->setChecked(!b->isChecked()); // the panel flips its own box
    if (e->type == ELE_TEXT || e->type == ELE_PICTURE) {
        frame_notify n;
        n.code = width ? fn::width : fn::height;
        n.value = width ? ele__toggle_auto_width(e) : ele__toggle_auto_height(e);
        send(n);
    }
    size_display();
}

void properties_panel::wrap_clicked()
{
    element *e = stock_.e;
    if (stock_.state != 2 || !e || e->type != ELE_TEXT)
        return;
    // The box leaves its state to the panel: it shows what the element got.
    auto *b = qobject_cast<QCheckBox *>(control(ROW_WRAP));
    frame_notify n;
    n.code = fn::text_wrap;
    n.option = e->text.wrap ? 0 : 1;
    send(n);
    b->setChecked(e->text.wrap);
}

void properties_panel::picture_clicked()
{
    if (stock_.state != 2 || !stock_.e || stock_.e->type != ELE_PICTURE)
        return;
    const label *lab = stock_.lab;
    const element *replaced = stock_.e;
    lg_epsi_ptr pic = ele__choose_picture([lab, replaced](const std::u16string &path, std::uint64_t size) {
        return ino__picture_refusal(lab, replaced, path, size);
    });
    if (pic) {
        frame_notify n;
        n.code = fn::picture;
        n.picture = std::move(pic);
        send(n);
        fill();
    }
    control(ROW_PICTURE)->setFocus();
}

void properties_panel::colour_chosen(std::uint32_t c)
{
    if (stock_.state != 2 || !stock_.e)
        return;
    if ((kind_colour(stock_.e) & 0xFFFFFFu) == (c & 0xFFFFFFu))
        return;
    frame_notify n;
    n.code = fn::colour;
    n.color = 0xFF000000u | (c & 0xFFFFFFu);
    send(n);
}

// ------------------------------------------------------------------- focus

std::vector<QWidget *> properties_panel::focus_order() const
{
    ensure_rows();
    std::vector<QWidget *> order{control(ROW_DESC), control(ROW_X), control(ROW_Y), control(ROW_QUADRANT),
                                 control(ROW_ANGLE), stock_.width_box, control(ROW_WIDTH), stock_.height_box,
                                 control(ROW_HEIGHT)};
    if (stock_.e)
        for (int r : kind_rows(stock_.e->type))
            order.push_back(control(r));
    return order;
}

void properties_panel::key_navigation(int key, Qt::KeyboardModifiers modifiers)
{
    if (stock_.state != 2)
        return;
    QWidget *focus = QApplication::focusWidget();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && focus == control(ROW_TEXT)) {
        lines(ROW_TEXT)->insertPlainText(QStringLiteral("\n"));
        return;
    }
    const std::vector<QWidget *> order = focus_order();
    int at = -1;
    for (std::size_t i = 0; i < order.size(); ++i)
        if (order[i] == focus || (focus && order[i]->isAncestorOf(focus)))
            at = static_cast<int>(i);
    if (at < 0)
        return;
    const bool back = (modifiers & Qt::ControlModifier) || key == Qt::Key_Backtab;
    const int n = static_cast<int>(order.size());
    // The next enabled control, wrapping round once.
    for (int step = 1; step <= n; ++step) {
        const int i = ((at + (back ? -step : step)) % n + n) % n;
        if (order[static_cast<std::size_t>(i)]->isEnabled()) {
            order[static_cast<std::size_t>(i)]->setFocus(back ? Qt::BacktabFocusReason : Qt::TabFocusReason);
            if (auto *f = qobject_cast<QLineEdit *>(order[static_cast<std::size_t>(i)]))
                f->selectAll();
            return;
        }
    }
}
