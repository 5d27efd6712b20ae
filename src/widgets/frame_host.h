// What a frame offers the windows inside it: its hub, its commands, its
// status bar and the switch between edit and preview mode.
#pragma once

#include <QPoint>
#include <QString>
#include <Qt>

class frame_hub;
class QWidget;

class frame_host {
public:
    virtual ~frame_host() = default;
    virtual frame_hub &hub() = 0;
    // Runs a command of the frame (a menu item, a tool button, a key).
    virtual void command(int id, long param = 0) = 0;
    // The text of status-bar part 0..2.
    virtual void set_status(int part, const QString &text) = 0;
    virtual void enter_preview() = 0; // the preview fills the frame
    virtual void leave_preview() = 0; // back to editing
    // The frame window itself.
    virtual QWidget *window_widget() = 0;
    // The keyboard goes back to the canvas.
    virtual void focus_canvas() = 0;
    // The canvas's menu at a point of the screen: the selection's commands
    // (`on_element`), or those of the label.
    virtual void context_menu(QPoint global, bool on_element) = 0;
};

// Tab or Enter handed to the properties panel or the preview by the
// application's key routing.
class key_navigation_target {
public:
    virtual ~key_navigation_target() = default;
    virtual void key_navigation(int key, Qt::KeyboardModifiers modifiers) = 0;
};
