// Reaching modal dialogs from a test: a timer polls for the first modal
// widget (of a type) and acts on it inside the dialog's own event loop.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

// Calls `act` on the first modal widget of type T once it shows.
template <typename T, typename F>
void when_modal_of(F act)
{
    auto *t = new QTimer;
    t->setInterval(10);
    QObject::connect(t, &QTimer::timeout, [t, act]() mutable {
        if (auto *w = qobject_cast<T *>(QApplication::activeModalWidget())) {
            t->stop();
            t->deleteLater();
            act(w);
        }
    });
    t->start();
}

// The same for a modal widget with a given object name.
template <typename F>
void when_modal_named(const QString &name, F act)
{
    auto *t = new QTimer;
    t->setInterval(10);
    QObject::connect(t, &QTimer::timeout, [t, act, name]() mutable {
        QWidget *w = QApplication::activeModalWidget();
        if (w && w->objectName() == name) {
            t->stop();
            t->deleteLater();
            act(w);
        }
    });
    t->start();
}
