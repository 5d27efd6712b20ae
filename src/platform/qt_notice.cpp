#include "platform/qt_notice.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

class notice_dialog final : public QDialog {
public:
    notice_dialog(QWidget *parent, network_call &call) : QDialog(parent), call_(call)
    {
        setObjectName(QStringLiteral("zelta-network-notice"));
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint); // no title
        setWindowTitle(QString());
        setWindowModality(Qt::ApplicationModal);
        auto *layout = new QVBoxLayout(this);
        text_ = new QLabel(QCoreApplication::translate("vellumo", "Идет сетевая операция..."), this);
        text_->setAlignment(Qt::AlignCenter);
        layout->addWidget(text_);
        cancel_ = new QPushButton(QCoreApplication::translate("vellumo", "Отмена"), this);
        cancel_->setObjectName(QStringLiteral("cancel"));
        layout->addWidget(cancel_, 0, Qt::AlignHCenter);
        connect(cancel_, &QPushButton::clicked, this, [this] { request_cancel(); });
        setFixedSize(sizeHint());
    }

    void reject() override { request_cancel(); } // Escape and the close box cancel

    void request_cancel()
    {
        if (!started_ || cancelled_)
            return;
        cancelled_ = true;
        cancel_->setEnabled(false);
        call_.cancel();
        accept(); // the call ends on its own; nothing waits for it
    }

    void begin()
    {
        started_ = true;
        call_.start();
    }

private:
    network_call &call_;
    QLabel *text_;
    QPushButton *cancel_;
    bool started_ = false;
    bool cancelled_ = false;
};

} // namespace

void qt_network_notice::run(platform_window parent, network_call &call)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        blocking_network_notice().run(parent, call);
        return;
    }
    QWidget *owner = static_cast<QWidget *>(parent);
    if (!owner)
        owner = QApplication::activeWindow();
    notice_dialog dlg(owner, call);
    call.on_done = [&dlg] { QMetaObject::invokeMethod(&dlg, "accept", Qt::QueuedConnection); };
    QTimer::singleShot(100, &dlg, [&dlg] { dlg.begin(); });
    dlg.exec();
    call.wait();
}
