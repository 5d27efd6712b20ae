// The frame's hub: owns the label and its undo history, applies every change
// notification, forwards it to the views and runs the document procedures
// (open, save, close) and the element commands.  It knows no widget: the
// editor window implements the shell and the views implement the view
// interfaces.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "hub/frame_notify.h"
#include "model/element.h"
#include "platform/message_boxes.h"

// A view of the frame's label: properties panel, element list or canvas.
class frame_view : public notify_sender {
public:
    virtual ~frame_view() = default;
    // A notification forwarded by the frame (its sender is then the frame).
    virtual void notify(const frame_notify &n) = 0;
    // Message 1045: another label object is edited now.
    virtual void set_label(label *lab) = 0;
    // Message 1026: the element order or many elements changed.
    virtual void relayout() = 0;
};

class canvas_view : public frame_view {
public:
    virtual bool is_idle() = 0;                 // 1083: no mouse operation under way
    virtual void redraw_element(int index) = 0; // 1068
    virtual void recompute_extent() = 0;        // 1055
    // 1073: deselects every element, reporting each deselection to the frame
    // with a selection notification of its own.
    virtual void deselect_all() = 0;
    virtual void normal_mode() = 0; // 1075

    // Requests of the frame's own commands.
    virtual bool grid_shown(int step) { (void)step; return false; } // 1039-1041: 10, 20, 40
    virtual void show_grid(int step, bool on) { (void)step; (void)on; } // 1042-1044
    virtual void zoom_to(int percent) { (void)percent; }              // 1046
    virtual void zoom_in() {}                                         // 1047
    virtual void zoom_out() {}                                        // 1048
    virtual void remove_guides() {}                                   // 1049
    virtual void arm(int kind) { (void)kind; }                        // 1074: 0..3
    // 1079: 0 left, 1 right, 2 top, 3 bottom, 4 horizontal centre, 5 vertical centre.
    virtual void align(int how) { (void)how; }
    virtual void distribute(int horizontal) { (void)horizontal; } // 1080
    virtual void same_size(int how) { (void)how; }                 // 1081: 0 width, 1 height, 2 both
};

class properties_view : public frame_view {
public:
    virtual void focus_description() = 0; // 1082
};

class preview_view {
public:
    virtual ~preview_view() = default;
    virtual void set_label(label *lab) = 0;
    // Entering preview mode: the preview is shown and takes the focus.
    virtual void activate() {}
};

// What the frame window does for the hub.
class frame_shell {
public:
    virtual ~frame_shell() = default;
    virtual void set_title(const std::u16string &title) = 0;
    virtual void enable_command(int id, bool enabled) = 0;
    virtual void check_tool(int id) = 0;
    virtual void beep() = 0;
};

// Where labels are stored and loaded (the open and save dialogs).
class document_store {
public:
    virtual ~document_store() = default;
    // Stores the label, setting its store place on success; true when stored.
    virtual bool save(label *lab, bool save_as, bool network_only) = 0;
    // A newly loaded label, or nothing.
    virtual label_ptr open() = 0;
};

// Process-wide options read at start-up and written at exit.
struct frame_globals {
    static int confdel; // ask before deleting several elements
    static int newwin;
};

inline constexpr int FRAME_UNDO_DEPTH = 20;
inline constexpr char16_t FRAME_DEFAULT_DESC[] = u"Новый элемент";

class frame_hub : public notify_sender {
public:
    frame_hub(frame_shell &shell, document_store &store, label_ptr lab);
    ~frame_hub();
    frame_hub(const frame_hub &) = delete;
    frame_hub &operator=(const frame_hub &) = delete;

    void attach(properties_view *props, frame_view *list, canvas_view *canvas, preview_view *preview);

    label *lab() const { return lab_.get(); }
    int undo_count() const { return ul_; }
    const label *snapshot(int i) const { return undo_[static_cast<std::size_t>(i)].get(); }
    int new_quadrant = 0;
    int last_change = -1;
    bool preview_mode = false; // read-only outside: set_preview_mode changes it

    // A change from a view (sender = the view) or from the frame itself
    // (sender = this hub).
    void notify(frame_notify &n);

    // Undo history.
    void record_snapshot();
    void discard_newest();
    void undo();

    // Document state.
    std::u16string title() const;
    void update_title();
    bool save(bool save_as = false, bool network_only = false);
    void open();
    // True when the frame may be destroyed.
    bool close();

    // The commands of the frame.  A command runs only when it is enabled by
    // the same rules the menu and the toolbar show (command_enabled) and its
    // guards allow it (preview mode, a busy canvas).
    void command(int id, long param = 0);
    bool command_enabled(int id) const;
    // Edit mode (false) or preview mode (true), with the commands greyed in
    // preview mode refreshed.
    void set_preview_mode(bool on);
    void delete_selection(bool ask);
    void cut();
    void copy();
    void paste();
    void select_all();
    void set_enabled(bool enabled);
    void rotate(double angle);
    void layer_command(int message);
    // The creation request of the canvas (kind 0..3 at x, y).
    void create_element(int kind, double x, double y);

    void refresh_undo_save();
    void refresh_selection_commands();
    void refresh_preview_commands();
    // After a confirmed label properties dialog: the commands, the title and
    // the label handed to the canvas, the panel and the list again.
    void label_properties_done();
    document_store &store() { return store_; }

private:
    bool editable() const; // not in preview mode and the canvas idle
    void forward(frame_notify &n, const notify_sender *original_sender);
    void self_notify(frame_notify n);
    void selection(frame_notify &n, bool &ignored);
    void list_change(int action, int index);
    void replace_label(label_ptr lab);
    bool ask_save_changes();
    mb_answer ask_user(const char16_t *text, mb_icon icon, mb_buttons buttons);

    frame_shell &shell_;
    document_store &store_;
    label_ptr lab_;
    std::array<label_ptr, FRAME_UNDO_DEPTH> undo_;
    int ul_ = 0;
    properties_view *props_ = nullptr;
    frame_view *list_ = nullptr;
    canvas_view *canvas_ = nullptr;
    preview_view *preview_ = nullptr;
};

// New label of the size and colour the settings give ("label-width",
// "label-height", "label-color").
label_ptr frame_new_label();
