// vellumo-icons: writes the program icon as the files a desktop installs,
// drawn by the same code as the icon in the program's windows.
//
//   vellumo-icons OUTDIR
//
// OUTDIR/hicolor/NxN/apps/vellumo.png for the usual sizes and
// OUTDIR/hicolor/scalable/apps/vellumo.svg.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdio>
#include <cstdlib>

#include "resources/icons.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Использование: vellumo-icons ПАПКА\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/hicolor");

    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
        if (!QDir().mkpath(dir)) {
            std::fprintf(stderr, "vellumo-icons: не удалось создать папку %s\n", qPrintable(dir));
            return 1;
        }
        const QImage image = res__image("app", QSize(size, size));
        if (!image.save(dir + QStringLiteral("/vellumo.png"), "PNG")) {
            std::fprintf(stderr, "vellumo-icons: не удалось записать %s/vellumo.png\n", qPrintable(dir));
            return 1;
        }
    }

    const QString dir = out + QStringLiteral("/scalable/apps");
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "vellumo-icons: не удалось создать папку %s\n", qPrintable(dir));
        return 1;
    }
    const QSize natural = res__size("app");
    QSvgGenerator svg;
    svg.setFileName(dir + QStringLiteral("/vellumo.svg"));
    svg.setSize(natural);
    svg.setViewBox(QRect(QPoint(0, 0), natural));
    svg.setTitle(QStringLiteral("Vellumo"));
    svg.setDescription(QStringLiteral("Значок программы Vellumo"));
    {
        QPainter painter;
        if (!painter.begin(&svg)) {
            std::fprintf(stderr, "vellumo-icons: не удалось записать %s/vellumo.svg\n", qPrintable(dir));
            return 1;
        }
        res__paint("app", painter, QSizeF(natural));
    }
    return 0;
}
