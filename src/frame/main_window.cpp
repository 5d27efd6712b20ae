#include "frame/main_window.h"

main_window::main_window(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("zelta-label-generator-frame"));
    setWindowTitle(QStringLiteral("Vellumo"));
    resize(800, 600);
}
