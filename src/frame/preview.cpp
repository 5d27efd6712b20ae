#include "frame/preview.h"
#include "platform/qt_text.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include "exchange/preview_core.h"
#include "exchange/server_ops.h"
#include "exchange/servers.h"
#include "hub/commands.h"
#include "hub/program_state.h"
#include "model/errors.h"
#include "model/messages.h"
#include "model/settings.h"
#include "platform/beep.h"
#include "platform/message_boxes.h"
#include "resources/icons.h"
#include "widgets/picture_view.h"
#include "widgets/broadcast.h"
#include "widgets/controls.h"
#include "widgets/kit_resources.h"
#include "widgets/picbtn.h"
#include "widgets/band_layout.h"

namespace {

constexpr int border = 1; // the system's border width

} // namespace

preview_window::preview_window(QWidget *parent, frame_host *target, label *lab) : QWidget(parent)
{
    setObjectName(QStringLiteral("zelta-preview-window"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Inactive, QPalette::Window));
    setPalette(pal);
    setFocusPolicy(Qt::StrongFocus);
    stock_.win = this;
    stock_.target = target;
    stock_.lab = lab;

    stock_.tab = new QTabWidget(this);
    stock_.picture = new scrollable_bitmap(stock_.tab);
    stock_.text = new QPlainTextEdit(stock_.tab);
    stock_.text->setReadOnly(true);
    stock_.text->setLineWrapMode(QPlainTextEdit::NoWrap);
    stock_.tab->addTab(stock_.picture, QCoreApplication::translate("vellumo", "Изображение"));
    stock_.tab->addTab(stock_.text, QCoreApplication::translate("vellumo", "Журнал обработки"));
    stock_.tab->setCurrentIndex(0);

    stock_.back = new picture_button(this, res__icon("edit"), res__icon("edit"));
    stock_.back->setToolTip(QCoreApplication::translate("vellumo", "Редактирование (F2)"));
    connect(stock_.back, &picture_button::clicked, this, [this] { come_back(); });

    // Group boxes first: lowest in the sibling order, never over their
    // contents.
    stock_.variables_group = new QGroupBox(QCoreApplication::translate("vellumo", " Переменные "), this);
    stock_.size_group = new QGroupBox(QCoreApplication::translate("vellumo", " Размер изображения "), this);

    stock_.list = new QTreeWidget(this);
    stock_.list->setColumnCount(2);
    stock_.list->setHeaderLabels({QCoreApplication::translate("vellumo", "Имя"), QCoreApplication::translate("vellumo", "Значение")});
    stock_.list->setRootIsDecorated(false);
    stock_.list->setSelectionMode(QAbstractItemView::SingleSelection);
    stock_.list->setAllColumnsShowFocus(true);
    connect(stock_.list, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (!item)
            return;
        stock_.name->setText(item->text(0));
        stock_.value->setText(item->text(1));
    });
    stock_.name_label = new QLabel(QCoreApplication::translate("vellumo", "Имя:"), this);
    stock_.name = new QLineEdit(this);
    stock_.value_label = new QLabel(QCoreApplication::translate("vellumo", "Значение:"), this);
    stock_.value = new QLineEdit(this);
    stock_.name->installEventFilter(this);
    stock_.value->installEventFilter(this);
    stock_.remember = new QPushButton(QCoreApplication::translate("vellumo", "Запомнить"), this);
    stock_.remove = new QPushButton(QCoreApplication::translate("vellumo", "Удалить"), this);
    connect(stock_.remember, &QPushButton::clicked, this, [this] { remember(); });
    connect(stock_.remove, &QPushButton::clicked, this, [this] { remove(); });

    stock_.small = new QRadioButton(QCoreApplication::translate("vellumo", "Небольшой"), this);
    stock_.medium = new QRadioButton(QCoreApplication::translate("vellumo", "Средний"), this);
    stock_.large = new QRadioButton(QCoreApplication::translate("vellumo", "Большой"), this);
    QRadioButton *radios[] = {stock_.small, stock_.medium, stock_.large};
    for (int i = 0; i < 3; ++i) {
        radios[i]->setAutoExclusive(true);
        connect(radios[i], &QRadioButton::clicked, this, [this, i] { pick_size(i); });
    }
    stock_.markup = new QCheckBox(QCoreApplication::translate("vellumo", "Разметка"), this);
    connect(stock_.markup, &QCheckBox::clicked, this, [](bool on) {
        settings::set(settings::preview_markup, on ? 1 : 0);
        cmn__broadcast(CMN_PREVIEW_OPTIONS_CHANGED);
    });
    show_options();

    stock_.view = new QPushButton(QCoreApplication::translate("vellumo", "Просмотр"), this);
    connect(stock_.view, &QPushButton::clicked, this, [this] { render(); });

    stock_.variables_group->lower();
    stock_.size_group->lower();
    fill_list();
    hide();
}

void preview_window::set_label(label *lab)
{
    stock_.lab = lab;
}

void preview_window::activate()
{
    activateWindow();
    setFocus();
}

void preview_window::come_back()
{
    stock_.target->leave_preview();
}

// --------------------------------------------------------------- layout

void preview_window::lay_out()
{
    const int h_line = ctl__line_height(stock_.name);
    const int b = border;

    // Across: column, tab 70, gap, panel 30, gap.
    ql_band column = ql_band::fixed(17), tab = ql_band::flexible(70), gap1 = ql_band::fixed(2 * b),
            panel = ql_band::flexible(30), gap2 = ql_band::fixed(2 * b);
    ql_band margin_l = ql_band::fixed(6 * b), inner = ql_band::flexible(1), margin_r = ql_band::fixed(6 * b);
    ql_band label_col = ql_band::fixed(0), edit_col = ql_band::flexible(1);
    ql_band remember_col = ql_band::flexible(45, 0, QL_FIT_TEXT), button_gap = ql_band::flexible(6),
            remove_col = ql_band::flexible(45, 0, QL_FIT_TEXT);
    label_col.size = std::max(ctl__fit_width(stock_.name_label), ctl__fit_width(stock_.value_label));
    ql_axis across = {
        {nullptr, {&column, &tab, &gap1, &panel, &gap2}},
        {&panel, {&margin_l, &inner, &margin_r}},
        {&inner, {&label_col, &edit_col}},
        {&inner, {&remember_col, &button_gap, &remove_col}},
    };

    // Down: the picture button's square, the panel's groups and rows.
    ql_band square = ql_band::fixed(17), below = ql_band::flexible(1);
    ql_band vars = ql_band::flexible(70), sizes = ql_band::flexible(0), spacer1 = ql_band::flexible(1),
            view_row = ql_band::fixed(h_line), spacer2 = ql_band::flexible(1);
    ql_band v_caption = ql_band::fixed(h_line), v_list = ql_band::flexible(100), v_g1 = ql_band::fixed(6 * b),
            v_name = ql_band::fixed(h_line), v_g2 = ql_band::fixed(6 * b), v_value = ql_band::fixed(h_line),
            v_g3 = ql_band::fixed(6 * b), v_buttons = ql_band::fixed(h_line), v_g4 = ql_band::fixed(6 * b);
    ql_band s_caption = ql_band::fixed(h_line), s_small = ql_band::fixed(h_line), s_medium = ql_band::fixed(h_line),
            s_large = ql_band::fixed(h_line), s_gap = ql_band::fixed(h_line / 2), s_markup = ql_band::fixed(h_line),
            s_bottom = ql_band::fixed(h_line);
    ql_axis down = {
        {nullptr, {&square, &below}},
        {nullptr, {&vars, &sizes, &spacer1, &view_row, &spacer2}},
        {&vars, {&v_caption, &v_list, &v_g1, &v_name, &v_g2, &v_value, &v_g3, &v_buttons, &v_g4}},
        {&sizes, {&s_caption, &s_small, &s_medium, &s_large, &s_gap, &s_markup, &s_bottom}},
    };

    const std::vector<ql_place> places = {
        {stock_.back, &column, &square},
        {stock_.tab, &tab, nullptr},
        {stock_.variables_group, &panel, &vars},
        {stock_.size_group, &panel, &sizes},
        {stock_.list, &inner, &v_list},
        {stock_.name_label, &label_col, &v_name},
        {stock_.name, &edit_col, &v_name},
        {stock_.value_label, &label_col, &v_value},
        {stock_.value, &edit_col, &v_value},
        {stock_.remember, &remember_col, &v_buttons},
        {stock_.remove, &remove_col, &v_buttons},
        {stock_.small, &inner, &s_small},
        {stock_.medium, &inner, &s_medium},
        {stock_.large, &inner, &s_large},
        {stock_.markup, &inner, &s_markup},
        {stock_.view, &inner, &view_row},
    };
    ql__layout(places, across, down, width(), height());
    const int half = stock_.list->viewport()->width() / 2;
    stock_.list->setColumnWidth(0, half);
    stock_.list->setColumnWidth(1, half);
}

void preview_window::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    lay_out();
}

// ------------------------------------------------------------ variables

void preview_window::fill_list()
{
    stock_.list->clear();
    // Inserted at the top in list order: the newest first.
    for (const preview_var &v : prs__variables())
        stock_.list->insertTopLevelItem(0, new QTreeWidgetItem({qs(v.name), qs(v.value)}));
    const int half = stock_.list->viewport()->width() / 2;
    stock_.list->setColumnWidth(0, half);
    stock_.list->setColumnWidth(1, half);
}

void preview_window::remember()
{
    const int r = prv__remember(prs__variables(), us(stock_.name->text()), us(stock_.value->text()));
    if (r < 0) {
        platform_beep();
        return;
    }
    cmn__broadcast(CMN_VARIABLES_CHANGED, r);
}

void preview_window::remove()
{
    const std::u16string name = us(stock_.name->text());
    if (name.empty()) {
        platform_beep();
        return;
    }
    if (prv__forget(prs__variables(), name))
        cmn__broadcast(CMN_VARIABLES_CHANGED, 1);
}

void preview_window::pick_size(int index)
{
    QRadioButton *radios[] = {stock_.small, stock_.medium, stock_.large};
    for (int i = 0; i < 3; ++i)
        radios[i]->setChecked(i == index);
    settings::set(settings::preview_size, index);
    cmn__broadcast(CMN_PREVIEW_OPTIONS_CHANGED); // every preview shows the new choice
}

// The stored size and markup, as the next render uses them.  A stored size
// outside 0..2 renders at the smallest resolution and shows as "Небольшой".
void preview_window::show_options()
{
    int size = settings::get(settings::preview_size);
    if (size < 0 || size > 2)
        size = 0;
    QRadioButton *radios[] = {stock_.small, stock_.medium, stock_.large};
    for (int i = 0; i < 3; ++i)
        radios[i]->setChecked(i == size);
    stock_.markup->setChecked(settings::get(settings::preview_markup) != 0);
}

void preview_window::showEvent(QShowEvent *e)
{
    show_options(); // another frame may have changed them while hidden
    QWidget::showEvent(e);
}

bool preview_window::event(QEvent *e)
{
    if (e->type() == cmn_broadcast_event::type()) {
        const int message = static_cast<cmn_broadcast_event *>(e)->message;
        if (message == CMN_VARIABLES_CHANGED)
            fill_list();
        else if (message == CMN_PREVIEW_OPTIONS_CHANGED)
            show_options();
        return true;
    }
    return QWidget::event(e);
}

bool preview_window::eventFilter(QObject *watched, QEvent *e)
{
    // An edit that gets the focus has its whole text selected.
    if (e->type() == QEvent::FocusIn && (watched == stock_.name || watched == stock_.value)) {
        auto *edit = static_cast<QLineEdit *>(watched);
        QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
    }
    return QWidget::eventFilter(watched, e);
}

void preview_window::key_navigation(int key, Qt::KeyboardModifiers)
{
    if (key != Qt::Key_Tab)
        return;
    QWidget *f = focusWidget();
    if (f == stock_.name)
        stock_.value->setFocus(Qt::TabFocusReason);
    else if (f == stock_.value)
        stock_.remember->setFocus(Qt::TabFocusReason);
    else if (f == stock_.remember)
        stock_.name->setFocus(Qt::TabFocusReason);
}

void preview_window::keyPressEvent(QKeyEvent *e)
{
    if (e->modifiers() == Qt::NoModifier) {
        switch (e->key()) {
        case Qt::Key_F2: come_back(); return;
        case Qt::Key_F3: stock_.picture->copy_to_clipboard(); return;
        case Qt::Key_F5: render(); return;
        default: break;
        }
    }
    QWidget::keyPressEvent(e);
}

// --------------------------------------------------------------- render

void preview_window::show_log(const std::u16string &log)
{
    stock_.log = prv__log_text(log);
    // The view shows each CR LF (and the CR CR LF of a log that had its own
    // carriage returns) as one line break.
    QString shown = qs(stock_.log);
    shown.replace(QLatin1String("\r\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    stock_.text->setPlainText(shown);
}

void preview_window::render()
{
    label *lab = stock_.lab;
    if (!lab)
        return;
    const bool on_server = lab->store.place && !lab->store.local;
    if (lab->modified && on_server) {
        message_box_request req;
        req.caption = msg::caption_app;
        req.text = msg::preview_save_question;
        req.icon = mb_icon::question;
        req.buttons = mb_buttons::yes_no;
        if (seam<message_box_service>::get().show(req) == mb_answer::yes)
            stock_.target->command(cmd::save, 1);
    } else if (!on_server) {
        stock_.target->command(cmd::save_as, 1);
    }
    lab = stock_.lab; // the frame may have handed over another label object
    if (!lab || (lab->store.place && lab->store.local) || lab->modified || !lab->store.place ||
        lab->store.place->empty()) {
        err__warning(msg::preview_save_to_server);
        return;
    }
    const std::u16string server = *lab->store.place;
    std::u16string user, password;
    if (!srv__get_credentials(server, user, password)) {
        activate();
        return;
    }
    show_options(); // what is shown is what is asked for
    const int resolution = prv__resolution(settings::get(settings::preview_size));
    std::vector<unsigned char> jpeg;
    std::u16string log;
    const int ok = ino__render_label(server, lab->name, prs__variables(), resolution, resolution,
                                     stock_.markup->isChecked(), user, password, jpeg, log);
    activate();
    if (!ok)
        return;
    show_log(log);
    std::vector<unsigned char> pixels;
    int w = 0, h = 0;
    const prv_decode d = prv__decode_jpeg(jpeg.data(), jpeg.size(), pixels, w, h);
    jpeg.clear();
    jpeg.shrink_to_fit();
    if (d == prv_decode::failed) {
        err__warning(msg::preview_jpeg_error);
        return;
    }
    stock_.picture->set_picture(std::move(pixels), w, h);
    if (d == prv_decode::partial)
        err__warning(msg::preview_jpeg_partial);
}
