// The keyboard routing of the program: accelerators go to the frame that
// holds the focused window (never from an edit field, never from inside the
// preview); Tab and Enter in the properties panel or the preview go to that
// window.  One application event filter does it all, so that only it
// decides where a key goes.
#pragma once

#include <QObject>

class QKeyEvent;
class QWidget;
class label_frame;

// The frame whose accelerators a key in `w` reaches, or null.
label_frame *app__frame_for_keys(QWidget *w);
// The command the accelerator table gives a key, or 0.
int app__accelerator(const QKeyEvent *e);

class key_router final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *o, QEvent *e) override;
};
