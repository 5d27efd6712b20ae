#include "widgets/broadcast.h"

#include <QApplication>
#include <QWidget>

#include "widgets/controls.h"

namespace {

void send_to_own(QWidget *w, int message, long long wparam, long long lparam)
{
    if (ctl__is_own_window(w)) {
        cmn_broadcast_event e(message, wparam, lparam);
        QCoreApplication::sendEvent(w, &e);
    }
    // The list is taken afresh: a receiver may add or remove children.
    const QObjectList kids = w->children();
    for (QObject *o : kids)
        if (auto *c = qobject_cast<QWidget *>(o))
            send_to_own(c, message, wparam, lparam);
}

} // namespace

QEvent::Type cmn_broadcast_event::type()
{
    static const QEvent::Type t = static_cast<QEvent::Type>(QEvent::registerEventType());
    return t;
}

void cmn__broadcast(int message, long long wparam, long long lparam)
{
    const QWidgetList tops = QApplication::topLevelWidgets();
    for (QWidget *w : tops)
        send_to_own(w, message, wparam, lparam);
}
