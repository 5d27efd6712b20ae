#include <QApplication>

#include "frame/main_window.h"
#include "model/xmalloc.h"
#include "platform/qt_dialogs.h"

int main(int argc, char **argv)
{
    xma__init();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellumo"));
    QApplication::setApplicationVersion(QStringLiteral("1.2"));
    qt_install_dialogs();

    main_window w;
    w.show();
    return QApplication::exec();
}
