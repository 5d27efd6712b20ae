// Screenshots for people to look at: with VELLUMO_SHOTS set, a test saves
// the widget it shows as $VELLUMO_SHOTS/<name>.png.  A failing GUI test
// saves its widget under the build folder with save_failure_shot.
#pragma once

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <cstdlib>

inline void save_shot(QWidget *w, const QString &name)
{
    const char *dir = std::getenv("VELLUMO_SHOTS");
    if (!dir || !*dir || !w)
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    w->grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + name + QStringLiteral(".png"));
}

inline void save_image_shot(const QImage &img, const QString &name)
{
    const char *dir = std::getenv("VELLUMO_SHOTS");
    if (!dir || !*dir)
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    img.save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + name + QStringLiteral(".png"));
}

inline void save_failure_shot(QWidget *w, const QString &name)
{
    if (!w)
        return;
    QDir().mkpath(QStringLiteral("failed-shots"));
    w->grab().save(QStringLiteral("failed-shots/") + name + QStringLiteral(".png"));
}
