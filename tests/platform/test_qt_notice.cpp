#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <chrono>

#include "exchange/rpc_client.h"
#include "exchange/server_ops.h"
#include "platform/message_boxes.h"
#include "platform/qt_notice.h"
#include "support/fakes.h"
#include "support/label_server.h"

namespace {

QDialog *visible_notice()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("zelta-network-notice") && w->isVisible())
            return qobject_cast<QDialog *>(w);
    return nullptr;
}

} // namespace

TEST(QtNetworkNotice, ShownDuringASlowCallAndClosedAfter)
{
    rpd__client_init();
    label_server server;
    server.delay_ms(700);
    qt_network_notice notice;
    scoped_seam<network_notice_service> use(&notice);
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes(&boxes);

    int ticks = 0;
    bool seen = false, modal = false;
    QString text, title;
    QTimer probe;
    probe.setInterval(30);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        ++ticks; // the event loop keeps running while the call waits
        if (QDialog *d = visible_notice()) {
            seen = true;
            modal = d->isModal() || d->windowModality() == Qt::ApplicationModal;
            title = d->windowTitle();
            if (auto *l = d->findChild<QLabel *>())
                text = l->text();
        }
    });
    probe.start();
    auto fonts = ino__list_fonts(server.url(), u"u", u"p");
    probe.stop();
    ASSERT_TRUE(fonts);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(modal);
    EXPECT_EQ(text, QStringLiteral("Идет сетевая операция..."));
    EXPECT_TRUE(title.isEmpty());
    EXPECT_GE(ticks, 10);
    QApplication::processEvents();
    EXPECT_EQ(visible_notice(), nullptr);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(QtNetworkNotice, CancelEndsTheCallWithAFault)
{
    rpd__client_init();
    label_server server;
    server.delay_ms(3000);
    qt_network_notice notice;
    scoped_seam<network_notice_service> use(&notice);
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes(&boxes);

    QTimer clicker;
    clicker.setInterval(50);
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (QDialog *d = visible_notice()) {
            if (auto *b = d->findChild<QPushButton *>(QStringLiteral("cancel")); b && b->isEnabled()) {
                EXPECT_EQ(b->text(), QStringLiteral("Отмена"));
                b->click();
            }
        }
    });
    clicker.start();
    auto t0 = std::chrono::steady_clock::now();
    auto l = ino__list_labels(nullptr, server.url(), u"u", u"p");
    auto took = std::chrono::steady_clock::now() - t0;
    clicker.stop();
    EXPECT_FALSE(l);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, u"Сетевая операция отменена пользователем.");
    EXPECT_TRUE(boxes.shown[0].caption.ends_with(u"при обращении к серверу"));
    EXPECT_LT(took, std::chrono::milliseconds(2900)); // did not wait for the answer
}
