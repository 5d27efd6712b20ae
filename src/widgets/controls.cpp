#include "widgets/controls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTreeWidget>
#include <cstdarg>

#include "platform/qt_text.h"
#include "resources/icons.h"

namespace {

constexpr int edge = 2; // the system's edge height

// A check box whose click leaves the state to its owner.
class owner_check final : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {}
};

// Grid lines between the cells of a list view.
class grid_delegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *p, const QStyleOptionViewItem &opt, const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(p, opt, index);
        p->save();
        p->setPen(opt.palette.color(QPalette::Midlight));
        p->drawLine(opt.rect.topRight(), opt.rect.bottomRight());
        p->drawLine(opt.rect.bottomLeft(), opt.rect.bottomRight());
        p->restore();
    }
};

template <typename W>
W *shown(W *w)
{
    w->show();
    w->update();
    return w;
}

} // namespace

QCheckBox *ctl__check(QWidget *parent, const QString &text)
{
    return shown(static_cast<QCheckBox *>(new owner_check(text, parent)));
}

QPushButton *ctl__button(QWidget *parent, const QString &text)
{
    return shown(new QPushButton(text, parent));
}

QDialogButtonBox *ctl__ok_cancel(QDialog *dialog, const QString &ok_text, const QString &cancel_text)
{
    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    const struct {
        QDialogButtonBox::StandardButton which;
        const QString &text;
        const char *name;
    } buttons[] = {{QDialogButtonBox::Ok, ok_text, "ok"}, {QDialogButtonBox::Cancel, cancel_text, "cancel"}};
    for (const auto &b : buttons) {
        QPushButton *button = box->button(b.which);
        button->setText(b.text);
        button->setIcon(QIcon());
        button->setObjectName(QString::fromLatin1(b.name));
    }
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

QTreeWidget *ctl__list_view(QWidget *parent)
{
    auto *lv = new QTreeWidget(parent);
    lv->setRootIsDecorated(false);
    lv->setItemsExpandable(false);
    lv->setUniformRowHeights(true);
    lv->setSelectionMode(QAbstractItemView::SingleSelection);
    lv->setSelectionBehavior(QAbstractItemView::SelectRows);
    lv->setAllColumnsShowFocus(true);
    lv->setColumnCount(0);
    lv->setItemDelegate(new grid_delegate(lv));
    lv->header()->setStretchLastSection(false);
    lv->header()->setSectionsMovable(false);
    lv->setFrameShape(QFrame::StyledPanel);
    return shown(lv);
}

QLineEdit *ctl__edit(QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return shown(e);
}

QLabel *ctl__label(QWidget *parent, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(false);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return shown(l);
}

QLabel *ctl__centred_label(QWidget *parent, const QString &text)
{
    QLabel *l = ctl__label(parent, text);
    l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return l;
}

QTabBar *ctl__tab(QWidget *parent)
{
    auto *t = new QTabBar(parent);
    t->setFocusPolicy(Qt::NoFocus);
    t->setDrawBase(true);
    return shown(t);
}

QComboBox *ctl__combo_ex(QWidget *parent)
{
    auto *c = new QComboBox(parent);
    c->setEditable(false);
    c->setMaxVisibleItems(16);
    return shown(c);
}

QComboBox *ctl__combo(QWidget *parent)
{
    auto *c = new QComboBox(parent);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setFocusPolicy(Qt::StrongFocus);
    return shown(c);
}

QComboBox *ctl__sorted_combo(QWidget *parent)
{
    QComboBox *c = ctl__combo(parent);
    c->setInsertPolicy(QComboBox::InsertAlphabetically);
    return c;
}

void ctl__add_column(QTreeWidget *lv, const QString &text, int index, char align)
{
    int n = lv->columnCount();
    if (index < 0 || index > n)
        index = n;
    QTreeWidgetItem *head = lv->headerItem();
    QStringList labels;
    for (int i = 0; i < n; ++i)
        labels << head->text(i);
    labels.insert(index, text);
    lv->setColumnCount(n + 1);
    lv->setHeaderLabels(labels);
    Qt::Alignment a = align == '>' ? Qt::AlignRight : align == '|' ? Qt::AlignHCenter : Qt::AlignLeft;
    head->setTextAlignment(index, a | Qt::AlignVCenter);
    lv->setProperty(("ctl-align-" + std::to_string(index)).c_str(), static_cast<int>(a));
    lv->resizeColumnToContents(index);
}

void ctl__add_row(QTreeWidget *lv, int row, const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    auto *item = new QTreeWidgetItem;
    int count = lv->topLevelItemCount();
    lv->insertTopLevelItem(row < 0 || row > count ? count : row, item);
    for (int col = 0; format[col]; ++col) {
        QString text;
        switch (format[col]) {
        case 'i': text = QString::number(va_arg(ap, int)); break;
        case 'u': text = QString::number(va_arg(ap, unsigned)); break;
        case 's': {
            const char16_t *s = va_arg(ap, const char16_t *);
            text = s ? qs(s) : QString();
            break;
        }
        default: text = QStringLiteral("[ERROR]"); break;
        }
        item->setText(col, text);
        QVariant a = lv->property(("ctl-align-" + std::to_string(col)).c_str());
        if (a.isValid())
            item->setTextAlignment(col, Qt::Alignment(a.toInt()) | Qt::AlignVCenter);
        lv->resizeColumnToContents(col);
    }
    va_end(ap);
}

void ctl__set_row_data(QTreeWidget *lv, int row, long long value)
{
    if (QTreeWidgetItem *it = lv->topLevelItem(row))
        it->setData(0, Qt::UserRole, QVariant::fromValue(value));
}

int ctl__selected_row(QTreeWidget *lv)
{
    for (int i = 0; i < lv->topLevelItemCount(); ++i)
        if (lv->topLevelItem(i)->isSelected())
            return i;
    return -1;
}

long long ctl__row_data(QTreeWidget *lv, int row)
{
    QTreeWidgetItem *it = lv->topLevelItem(row);
    return it ? it->data(0, Qt::UserRole).toLongLong() : 0;
}

std::u16string ctl__row_text(QTreeWidget *lv, int row, int column)
{
    QTreeWidgetItem *it = lv->topLevelItem(row);
    const QString cell = it ? it->text(column) : QString();
    // The cell is read into a buffer of `size` characters, terminator
    // included; a text that fills it may have been cut, so read again with
    // twice the room.
    for (std::size_t size = 1024;; size *= 2) {
        std::u16string buf(reinterpret_cast<const char16_t *>(cell.utf16()),
                           std::min(static_cast<std::size_t>(cell.size()), size - 1));
        if (buf.size() < size - 1)
            return buf;
    }
}

QString ctl__window_text(const QWidget *w)
{
    if (!w)
        return {};
    if (auto *l = qobject_cast<const QLabel *>(w))
        return l->text();
    if (auto *b = qobject_cast<const QAbstractButton *>(w))
        return b->text();
    if (auto *e = qobject_cast<const QLineEdit *>(w))
        return e->text();
    if (auto *c = qobject_cast<const QComboBox *>(w))
        return c->currentText();
    if (auto *g = qobject_cast<const QGroupBox *>(w))
        return g->title();
    if (auto *m = qobject_cast<const QPlainTextEdit *>(w))
        return m->toPlainText();
    return w->windowTitle();
}

int ctl__text_height(const QWidget *w)
{
    QFontMetrics fm(w->font());
    return fm.boundingRect(QRect(0, 0, 100000, 100000), 0, ctl__window_text(w)).height();
}

int ctl__text_width(const QWidget *w)
{
    QFontMetrics fm(w->font());
    return fm.boundingRect(QRect(0, 0, 100000, 100000), 0, ctl__window_text(w)).width();
}

int ctl__w_height(const QWidget *w)
{
    // The extent of "W" as the text measuring gives it: the font's line height.
    return QFontMetrics(w->font()).size(Qt::TextSingleLine, QStringLiteral("W")).height();
}

int ctl__line_height(const QWidget *w)
{
    return 3 * ctl__w_height(w) / 2 + 2 * edge;
}

QSize ctl__icon_size(const QIcon &icon)
{
    QList<QSize> sizes = icon.availableSizes();
    return sizes.isEmpty() ? QSize(16, 16) : sizes.first();
}

int ctl__fit_width(const QWidget *w)
{
    if (qobject_cast<const QAbstractButton *>(w))
        return w->sizeHint().width();
    return ctl__text_width(w);
}

int ctl__fit_height(const QWidget *w)
{
    if (qobject_cast<const QLineEdit *>(w) || qobject_cast<const QComboBox *>(w))
        return ctl__line_height(w);
    return ctl__text_height(w);
}

bool ctl__is_own_window(const QWidget *w)
{
    return w && w->objectName().startsWith(QLatin1String(CTL_OWN_PREFIX));
}

QWidget *ctl__own_ancestor(const QWidget *w)
{
    for (QWidget *p = w ? w->parentWidget() : nullptr; p; p = p->parentWidget())
        if (ctl__is_own_window(p))
            return p;
    return nullptr;
}

bool ctl__is_descendant(const QWidget *w, const QWidget *root)
{
    return w && root && (w == root || root->isAncestorOf(w));
}

std::vector<QIcon> ctl__image_list(const std::vector<const char *> &names)
{
    std::vector<QIcon> out;
    out.reserve(names.size());
    for (const char *n : names)
        out.push_back(res__icon(n));
    return out;
}
