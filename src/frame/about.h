// The about box "О программе...".
#pragma once

#include <QDialog>

class about_box final : public QDialog {
    Q_OBJECT
public:
    explicit about_box(QWidget *parent);
};

// Runs the box modally; the window active before is made active again.
// 1 for OK, 0 for the close box.
int abo__run(QWidget *parent);
