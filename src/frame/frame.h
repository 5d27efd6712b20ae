// The editor frame: the top-level window in which one label is edited, with
// its menu, toolbar, status bar, the canvas, element list, properties panel
// and preview in one of three layouts, and edit and preview modes.
#pragma once

#include <QMainWindow>
#include <array>
#include <map>
#include <memory>

#include "hub/frame_hub.h"
#include "widgets/frame_host.h"

class QAction;
class QLabel;
class QMenu;
class canvas_holder;
class canvas_window;
class element_list;
class preview_window;
class properties_panel;
class split_container;
class toolbar_host;

struct frame_stock {
    QWidget *win = nullptr;
    bool preview_mode = false;
    canvas_window *canvas = nullptr;
    canvas_holder *holder = nullptr;
    element_list *list = nullptr;
    properties_panel *props = nullptr;
    preview_window *preview = nullptr;
    toolbar_host *toolbar = nullptr;
    QWidget *status = nullptr;
    bool status_icons_set = false;
    int mode = 1;
    split_container *master = nullptr;
    split_container *slave = nullptr;
};

// The status bar: three parts, the right edges at W - 2w, W - w and W.
class frame_status final : public QWidget {
    Q_OBJECT
public:
    explicit frame_status(QWidget *parent);
    void set_text(int part, const QString &text);
    QString text(int part) const;
    void attach_icons();
    QLabel *part(int i) const { return parts_[static_cast<std::size_t>(i)]; }
    // w: 20 characters of "test string for a.." in the bar's font, or what
    // "-99999.99, -99999.99" needs after the icon when that is more.
    int part_width() const;
    // The room the icon of parts 1 and 2 takes before their text.
    static constexpr int icon_room = 22;

protected:
    void resizeEvent(QResizeEvent *) override;

private:
    std::array<QLabel *, 3> parts_{};
    std::array<QLabel *, 2> icons_{};
};

class label_frame final : public QMainWindow, public frame_shell, public frame_host {
    Q_OBJECT
public:
    // A new frame with a new label; `store` holds the labels (file and
    // network dialogs).
    explicit label_frame(document_store &store);
    ~label_frame() override;

    // frame_shell
    void set_title(const std::u16string &title) override;
    void enable_command(int id, bool enabled) override;
    void check_tool(int id) override;
    void beep() override;

    // frame_host
    frame_hub &hub() override { return *hub_; }
    void command(int id, long param = 0) override;
    void set_status(int part, const QString &text) override;
    void enter_preview() override;
    void leave_preview() override;
    QWidget *window_widget() override { return this; }
    void focus_canvas() override;
    void context_menu(QPoint global, bool on_element) override;

    // The canvas's menu while it is open (null otherwise).
    QMenu *open_context_menu() const;
    // "Файл → Недавние" as it would show now.
    QMenu *recent_menu() const { return recent_menu_; }
    void fill_recent_menu();
    // A label file opened in this frame as Open opens one: the changes
    // saved first when the user wants, the label replaced one undo away.
    // False when it was not opened (the user was told why).
    bool open_file(const QString &path);
    const frame_stock &stock() const { return stock_; }
    QAction *menu_action(int id) const;
    int ratio(bool master) const;
    // Rebuilds the containers for a layout mode (0, 1 or 2).
    void set_layout_mode(int mode);
    // Open frames in this process.
    static int open_frames();

protected:
    void closeEvent(QCloseEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dropEvent(QDropEvent *e) override;

private:
    void build_menu();
    void open_recent(int index);
    // With no ratios stored: the split in half, and the properties panel as
    // wide as its longest caption and field need.
    void first_run_ratios(int &master, int &slave) const;
    void build_layout();
    void size_children();
    void toggle_grid(int command);
    // Shows or hides a grid; `store` writes the choice to the settings.
    void show_grid(int command, bool on, bool store);
    // The canvas with or without the elements' content; `store` keeps the choice.
    void show_content(bool on, bool store);
    void label_properties();
    void options();
    void manual();
    void store_settings();
    void set_mode_commands(bool preview);

    frame_stock stock_;
    std::unique_ptr<frame_hub> hub_;
    QWidget *area_ = nullptr; // between the toolbar and the status bar
    std::map<int, QAction *> menu_actions_;
    bool settings_stored_ = false;
    QMenu *recent_menu_ = nullptr;
    QMenu *context_menu_ = nullptr;
};

// The .lbl files among dropped addresses (local files only).
QStringList frame_dropped_labels(const QList<QUrl> &urls);
