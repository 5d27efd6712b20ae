#include <QApplication>

#include "exchange/rpdialog.h"
#include "frame/main_window.h"
#include "model/xmalloc.h"
#include "platform/qt_dialogs.h"
#include "platform/qt_notice.h"

int main(int argc, char **argv)
{
    xma__init();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellumo"));
    QApplication::setApplicationVersion(QStringLiteral("1.2"));
    qt_install_dialogs();
    static qt_network_notice notice;
    platform_set_network_notice(&notice);
    rpd__client_init();

    int rc;
    {
        main_window w;
        w.show();
        rc = QApplication::exec();
    }
    rpd__client_term();
    return rc;
}
