// The program's top-level window.  For now an empty frame titled "Vellumo";
// the editor frame takes its place.
#pragma once

#include <QMainWindow>

class main_window : public QMainWindow {
    Q_OBJECT
public:
    explicit main_window(QWidget *parent = nullptr);
};
