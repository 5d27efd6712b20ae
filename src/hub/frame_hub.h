// The frame's hub: owns the label and its undo history, applies every change
// notification, forwards it to the views and runs the document procedures
// (open, save, close) and the element commands.  It knows no widget: the
// editor window implements the shell and the views implement the view
// interfaces.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "hub/arrange.h"
#include "hub/frame_notify.h"
#include "hub/history.h"
#include "model/element.h"
#include "platform/message_boxes.h"
#include "platform/translation.h"

// A view of the frame's label: properties panel, element list or canvas.
class frame_view : public notify_sender {
public:
    virtual ~frame_view() = default;
    // A notification forwarded by the frame (its sender is then the frame).
    virtual void notify(const frame_notify &n) = 0;
    // Another label object is edited now.
    virtual void set_label(label *lab) = 0;
    // The element order or many elements changed.
    virtual void relayout() = 0;
};

// What the hub asks of the canvas.
class canvas_view : public frame_view {
public:
    // No mouse operation is under way (a creation tool may be armed).
    virtual bool is_idle() = 0;
    // The element is drawn again where it was and where it is now.
    virtual void redraw_element(int index) = 0;
    // The scrollable extent follows the elements' bounds.
    virtual void recompute_extent() = 0;
    // Deselects every element, reporting each deselection to the frame with
    // a selection notification of its own.
    virtual void deselect_all() = 0;
    // Back to plain selection: an armed creation tool is dropped.
    virtual void normal_mode() = 0;
    // Undo or redo brought back another state of the same label: shown as
    // set_label shows a label, but where the view was (zoom, scrolling).
    virtual void restore_label(label *lab) { set_label(lab); }
};

class properties_view : public frame_view {
public:
    // The description field takes the focus, its text selected.
    virtual void focus_description() = 0;
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

// The label's own properties, as the label options dialog edits them.
struct label_options {
    double width = 0;
    double height = 0;
    std::uint32_t bgcolor = 0;
    std::u16string name;
    std::u16string desc;
    // The sheet the label is printed on; none: a page of its own size.
    std::optional<label_sheet> sheet;
};

inline constexpr int FRAME_UNDO_DEPTH = 100;
inline constexpr char16_t FRAME_DEFAULT_DESC[] = VL_TR("vellumo", "Новый элемент");

class frame_hub : public notify_sender {
public:
    frame_hub(frame_shell &shell, document_store &store, label_ptr lab);
    ~frame_hub();
    frame_hub(const frame_hub &) = delete;
    frame_hub &operator=(const frame_hub &) = delete;

    void attach(properties_view *props, frame_view *list, canvas_view *canvas, preview_view *preview);

    label *lab() const { return lab_.get(); }
    int undo_count() const { return history_.count(); }
    int redo_count() const { return history_.redo_count(); }
    const label_snapshot &snapshot(int i) const { return history_.at(i); }
    const undo_history &history() const { return history_; }
    // The anchor code a new element gets: the last one chosen for any element.
    int new_quadrant() const { return new_quadrant_; }
    // The coalescing group of the last change from a view, or -1.
    int last_change() const { return last_change_; }
    // The next change from a view starts an undo step of its own.
    void end_coalescing() { last_change_ = -1; }
    bool preview_mode = false; // read-only outside: set_preview_mode changes it

    // A change from a view (sender = the view) or from the frame itself
    // (sender = this hub).
    void notify(frame_notify &n);

    // Undo history.  Recording a snapshot starts a step of its own: the
    // next change of a coalescing group does not join the one before.
    void record_snapshot();
    void discard_newest();
    void undo();
    void redo();

    // A drag on the canvas: its changes are one step of their own, joined
    // neither with the change before nor with the next drag.  Cancelled, its
    // elements go back where they were and the step is forgotten (the label
    // keeps the mark it had).
    void begin_gesture();
    void end_gesture();
    void cancel_gesture();
    // The selected elements moved by (dx, dy) points, as far as every anchor
    // stays on the label; a run of moves with no other change in between is
    // one step.  False when nothing could move.
    bool nudge(double dx, double dy);

    // Document state.
    std::u16string title() const;
    void update_title();
    bool save(bool save_as = false, bool network_only = false);
    void open();
    // A label loaded elsewhere (a recent file, a file dropped on the frame)
    // replaces this one as Open does: the changes saved first when the user
    // wants, the replaced label one undo away.  `load` runs only after the
    // question; false when nothing was opened.
    bool open_with(const std::function<label_ptr()> &load);
    // A label loaded for a frame of its own (the command line): it simply
    // becomes this frame's label, with nothing to undo.
    void start_with(label_ptr lab);
    // True when the frame may be destroyed.
    bool close();
    // A label stored on `server` was renamed there: a frame holding it takes
    // the new name, in its label and its history.
    static void renamed_on_server(const std::u16string &server, const std::u16string &old_name,
                                  const std::u16string &new_name);

    // The commands of the frame.  A command runs only when it is enabled by
    // the same rules the menu and the toolbar show (command_enabled) and its
    // guards allow it (preview mode, a busy canvas).
    void command(int id, long param = 0);
    bool command_enabled(int id) const;
    // Whether any command of the frame (the window's own too) may run now:
    // enabled, and not held by preview mode or by a mouse operation on the
    // canvas.  Zoom, About and the preview switch run during a drag; only
    // the document and program commands run in preview mode.
    bool may_run(int id) const;
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
    // The label properties command: one snapshot, then `edit` asks for the
    // label's new properties (nothing: cancelled, the snapshot is dropped and
    // the label keeps its modified mark).  Confirmed ones are applied, the
    // anchors moved inside a smaller label, and stored as what the next new
    // label gets; the views get the label again.
    void label_properties(const std::function<std::optional<label_options>(const label &)> &edit);
    document_store &store() { return store_; }

private:
    bool editable() const; // not in preview mode and the canvas idle
    void apply_label_options(const label_options &o);
    // The size and colour new labels get follow this label's.
    label_options label_defaults() const;
    void follow_label_defaults(const label_options &was);
    void remember_label_defaults();
    // Alignment, same size or distribution as one undo step.
    void arrange(int id);
    void apply(const std::vector<arrange_change> &changes);
    void forward(frame_notify &n, const notify_sender *original_sender);
    // Every selected element deselected by the frame itself.
    void deselect_all_by_frame();
    void self_notify(frame_notify n);
    void selection(frame_notify &n, bool &ignored);
    void list_change(int action, int index);
    // `restored`: undo or redo, the views keep where they show the label.
    void replace_label(label_ptr lab, bool restored = false);
    void renamed(const std::u16string &server, const std::u16string &old_name, const std::u16string &new_name);
    bool ask_save_changes();
    mb_answer ask_user(const char16_t *text, mb_icon icon, mb_buttons buttons);

    frame_shell &shell_;
    document_store &store_;
    label_ptr lab_;
    undo_history history_{FRAME_UNDO_DEPTH};
    properties_view *props_ = nullptr;
    frame_view *list_ = nullptr;
    canvas_view *canvas_ = nullptr;
    preview_view *preview_ = nullptr;
    int new_quadrant_ = 0;
    int last_change_ = -1;
    long records_ = 0;       // snapshots recorded since the frame began
    long gesture_from_ = -1; // records_ when the drag under way began
};

// New label of the size and colour the settings give ("label-width",
// "label-height", "label-color").
label_ptr frame_new_label();
