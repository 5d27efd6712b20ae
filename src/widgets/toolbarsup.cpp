#include "widgets/toolbarsup.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include "resources/icons.h"
#include "platform/translation.h"

toolbar_host::toolbar_host(QWidget *parent, QWidget *target, const tbs_row *table, int qty,
                           int image_width, int image_height)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("zelta-toolbar-support-window//s"));
    stock_.host = this;
    stock_.target = target;
    stock_.table = table;
    stock_.qty = qty;
    stock_.image_width = image_width;
    stock_.image_height = image_height;
    setAutoFillBackground(true);

    stock_.tb = new QToolBar(this);
    stock_.tb->setObjectName(QStringLiteral("toolbar"));
    stock_.tb->hide();
    stock_.tb->setIconSize(QSize(image_width, image_height));
    stock_.tb->setMovable(false);
    stock_.tb->setFloatable(false);
    stock_.tb->setToolButtonStyle(Qt::ToolButtonIconOnly);
    build_images();
    QActionGroup *group = nullptr;
    for (int i = 0; i < qty; ++i) {
        const tbs_row &row = table[i];
        if (row.style == TBS_SEPARATOR) {
            stock_.tb->addSeparator();
            group = nullptr; // a separator ends a check group
            continue;
        }
        QAction *a = stock_.tb->addAction(stock_.normal[static_cast<std::size_t>(i)], QString());
        a->setToolTip(QString::fromUtf16(pl__tr(row.tooltip)));
        a->setData(row.command);
        if (row.style == TBS_CHECK_GROUP) {
            if (!group) {
                group = new QActionGroup(this);
                group->setExclusive(true);
            }
            a->setCheckable(true);
            group->addAction(a);
        }
        const int id = row.command;
        connect(a, &QAction::triggered, this, [this, id] { emit command(id); });
        actions_[id] = a;
    }
    stock_.tb->adjustSize();
    stock_.tb->show();
    show();
}

void toolbar_host::build_images()
{
    stock_.normal.clear();
    stock_.disabled.clear();
    for (int i = 0; i < stock_.qty; ++i) {
        const tbs_row &row = stock_.table[i];
        // Every row has its picture, so row i and image i stay aligned.
        stock_.normal.push_back(res__icon(row.normal_image, row.disabled_image));
        stock_.disabled.push_back(res__icon(row.disabled_image));
    }
}

void toolbar_host::enable(int command, bool on)
{
    if (QAction *a = action(command))
        a->setEnabled(on);
}

void toolbar_host::check(int command, bool on)
{
    if (QAction *a = action(command))
        a->setChecked(on);
}

QAction *toolbar_host::action(int command) const
{
    auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

QString toolbar_host::tooltip_for(int command) const
{
    for (int i = 0; i < stock_.qty; ++i)
        if (stock_.table[i].command == command && stock_.table[i].style != TBS_SEPARATOR)
            return QString::fromUtf16(pl__tr(stock_.table[i].tooltip));
    return {};
}

int toolbar_host::needed_height() const
{
    return stock_.tb->sizeHint().height() + style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
}

void toolbar_host::resizeEvent(QResizeEvent *)
{
    stock_.tb->setGeometry(0, 0, width(), stock_.tb->sizeHint().height());
}

void toolbar_host::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::EnabledChange && !isEnabled()) {
        for (auto &[id, a] : actions_)
            a->setEnabled(false);
    } else if (e->type() == QEvent::PaletteChange && stock_.qty > 0) {
        // Pictures drawn with the fixed greys follow the new colours.
        build_images();
        for (int i = 0; i < stock_.qty; ++i)
            if (QAction *a = action(stock_.table[i].command); a && stock_.table[i].style != TBS_SEPARATOR)
                a->setIcon(stock_.normal[static_cast<std::size_t>(i)]);
        update();
    }
    QWidget::changeEvent(e);
}
