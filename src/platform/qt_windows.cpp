#include "platform/qt_windows.h"

#include <QWidget>

void plt__screen_to_client_rect(const QWidget *w, QRect &r)
{
    QPoint tl = w->mapFromGlobal(r.topLeft());
    QPoint br = w->mapFromGlobal(r.bottomRight());
    r = QRect(tl, br);
}

std::vector<QWidget *> plt__collect_visible_outside(QWidget *root, const QWidget *excluded)
{
    std::vector<QWidget *> out;
    const auto children = root->findChildren<QWidget *>();
    for (QWidget *c : children) {
        if (!c->isVisible() || c == excluded)
            continue;
        if (excluded && excluded->isAncestorOf(c))
            continue;
        out.push_back(c);
    }
    return out;
}
