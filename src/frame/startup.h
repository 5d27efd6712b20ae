// Start-up and shutdown of the program, and the keyboard routing of the
// message loop: accelerators go to the frame that holds the focused window
// (never from an edit field, never from inside the preview); Tab and Enter
// in the properties panel or the preview go to that window.
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

// Start-up after the QApplication exists, in the program's order: dialogs
// and seams, shared lists and images, the XML-RPC client, the server list,
// the global options, the key routing, the first frame.
void app__startup();
// Qt's own texts (file chooser, colour dialog, questions) in Russian.
void app__install_translations();
// Shutdown after the loop: global options, server list, shared lists,
// element clipboard, XML-RPC client.
void app__shutdown();
// The whole program.
int app__main(int argc, char **argv);
