#include "frame/listwin.h"
#include "platform/qt_text.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTreeWidget>

#include "hub/commands.h"
#include "model/errors.h"
#include "resources/icons.h"
#include "widgets/controls.h"
#include "widgets/frame_host.h"
#include "widgets/picbtn.h"

namespace {

const std::vector<QIcon> &element_icons()
{
    static const std::vector<QIcon> icons = ctl__image_list(
        {"kind_text", "kind_border", "kind_picture", "kind_barcode", "kind_text_disabled",
         "kind_border_disabled", "kind_picture_disabled", "kind_barcode_disabled"});
    return icons;
}

} // namespace

element_list::element_list(QWidget *parent, frame_host *target, label *lab) : QWidget(parent)
{
    setObjectName(QStringLiteral("zelta-list-window"));
    stock_.win = this;
    setAutoFillBackground(true);
    stock_.target = target;
    stock_.lab = lab;
    QTreeWidget *lv = ctl__list_view(this);
    stock_.lv = lv;
    lv->setObjectName(QStringLiteral("elements"));
    lv->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lv->setHeaderHidden(true);
    ctl__add_column(lv, QCoreApplication::translate("vellumo", "Элемент"), 0, '<');
    // The one column is always as wide as the list's client area, with or
    // without the vertical scroll bar: a selected line is highlighted across
    // the whole list, and nothing scrolls sideways.
    lv->header()->setStretchLastSection(true);
    lv->header()->setMinimumSectionSize(0);
    lv->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lv->setIconSize(QSize(16, 16));
    lv->installEventFilter(this);
    connect(lv->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &s, const QItemSelection &d) { user_selection(s, d); });
    stock_.raise = new picture_button(this, res__icon("raise"), res__icon("raise"));
    stock_.lower = new picture_button(this, res__icon("lower"), res__icon("lower"));
    stock_.raise->setToolTip(QCoreApplication::translate("vellumo", "Выше"));
    stock_.lower->setToolTip(QCoreApplication::translate("vellumo", "Ниже"));
    stock_.bar_height = 16 * 4 / 3 + 4;
    connect(stock_.raise, &picture_button::clicked, this, [this] {
        if (stock_.target)
            stock_.target->hub().layer_command(frame_msg::raise);
    });
    connect(stock_.lower, &picture_button::clicked, this, [this] {
        if (stock_.target)
            stock_.target->hub().layer_command(frame_msg::lower);
    });
    rebuild();
}

int element_list::icon_index(const element *e)
{
    const int kind = e->type >= 0 && e->type < 4 ? e->type : 0;
    return kind + (e->disabled ? 4 : 0);
}

void element_list::set_line(int index)
{
    QTreeWidgetItem *it = stock_.lv->topLevelItem(index);
    if (!it || index >= stock_.lab->qty)
        return;
    const element *e = stock_.lab->es[index];
    it->setText(0, qs(e->desc));
    it->setIcon(0, element_icons()[static_cast<std::size_t>(icon_index(e))]);
}

void element_list::insert_line(int index)
{
    auto *it = new QTreeWidgetItem;
    stock_.lv->insertTopLevelItem(index, it);
    set_line(index);
    it->setSelected(stock_.lab->es[index]->state != ELE_UNSELECTED);
}

void element_list::rebuild()
{
    stock_.updating = true;
    stock_.lv->clear();
    for (int i = 0; i < stock_.lab->qty; ++i)
        insert_line(i);
    stock_.updating = false;
    refresh_buttons();
}

void element_list::refresh_buttons()
{
    stock_.raise->setEnabled(ele__can_raise(stock_.lab) != 0);
    stock_.lower->setEnabled(ele__can_lower(stock_.lab) != 0);
}

void element_list::notify(const frame_notify &n)
{
    switch (n.code) {
    case fn::selection: {
        stock_.updating = true;
        if (n.action == fn::recount) {
            if (stock_.lv->topLevelItemCount() != stock_.lab->qty)
                XFAIL("ListView_GetItemCount( s->lv ) == s->lab->qty");
            for (int i = 0; i < stock_.lab->qty; ++i)
                stock_.lv->topLevelItem(i)->setSelected(stock_.lab->es[i]->state != ELE_UNSELECTED);
        } else if (QTreeWidgetItem *it = stock_.lv->topLevelItem(n.e1)) {
            it->setSelected(n.action == fn::select);
            if (n.action == fn::select)
                stock_.lv->scrollToItem(it);
        }
        stock_.updating = false;
        refresh_buttons();
        break;
    }
    case fn::description:
    case fn::toggle_enabled:
        set_line(n.e1);
        break;
    case fn::element_list:
        stock_.updating = true;
        if (n.action == fn::inserted && n.e1 >= 0 && n.e1 <= stock_.lab->qty - 1)
            insert_line(n.e1);
        else if (n.action == fn::removed)
            delete stock_.lv->takeTopLevelItem(n.e1);
        stock_.updating = false;
        refresh_buttons();
        break;
    default:
        break;
    }
}

void element_list::user_selection(const QItemSelection &selected, const QItemSelection &deselected)
{
    if (stock_.updating || !stock_.target)
        return;
    // One notification per line whose state changed: deselections first, as
    // the list view reports a click on another line.
    auto send = [&](const QItemSelection &sel, bool now_selected) {
        std::vector<int> rows;
        for (const QModelIndex &i : sel.indexes())
            if (i.column() == 0)
                rows.push_back(i.row());
        std::sort(rows.begin(), rows.end());
        for (int row : rows) {
            if (row < 0 || row >= stock_.lab->qty)
                continue;
            const bool in_label = stock_.lab->es[row]->state != ELE_UNSELECTED;
            if (!(in_label || now_selected))
                continue;
            frame_notify n;
            n.sender = this;
            n.code = fn::selection;
            n.e1 = row;
            n.action = now_selected ? fn::select : fn::deselect;
            stock_.updating = true;
            stock_.target->hub().notify(n);
            stock_.updating = false;
        }
    };
    send(deselected, false);
    send(selected, true);
    refresh_buttons();
}

void element_list::set_label(label *lab)
{
    stock_.lab = lab;
    rebuild();
}

void element_list::relayout()
{
    rebuild();
}

void element_list::resizeEvent(QResizeEvent *)
{
    const int bar = stock_.bar_height;
    stock_.lv->setGeometry(0, 0, width(), std::max(0, height() - bar - 1));
    const int half = width() / 2;
    stock_.raise->setGeometry(0, height() - bar, half - 1, bar);
    stock_.lower->setGeometry(half + 1, height() - bar, width() - half - 1, bar);
}

bool element_list::eventFilter(QObject *o, QEvent *e)
{
    if (o == stock_.lv && e->type() == QEvent::MouseButtonPress)
        stock_.lv->setFocus();
    return QWidget::eventFilter(o, e);
}
