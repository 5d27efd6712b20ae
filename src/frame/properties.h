// The properties panel: the fields of the one selected element as rows of
// a caption and a control; one line of text with none or several selected.
// Every accepted edit goes to the frame as a change notification.
#pragma once

#include <QWidget>
#include <array>
#include <vector>

#include "hub/frame_hub.h"
#include "widgets/frame_host.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
class colour_button;
struct prop_number_row;
struct prop_text_row;

// The rows; each kind shows and walks its own in its own order.  The text's
// field takes several lines.
enum prop_row : int {
    ROW_DESC, ROW_X, ROW_Y, ROW_QUADRANT, ROW_ANGLE, ROW_WIDTH, ROW_HEIGHT,
    ROW_TEXT, ROW_FONT, ROW_SIZE, ROW_JUSTIFICATION, ROW_TEXT_COLOUR,
    ROW_STYLE, ROW_THICKNESS, ROW_BORDER_COLOUR,
    ROW_PICTURE, ROW_PICTURE_FILE, ROW_PICTURE_COLOUR,
    ROW_CODE, ROW_KIND, ROW_BARCODE_COLOUR, ROW_SUBPRINT,
    ROW_WRAP, ROW_SHRINK,
    ROW_COUNT
};
// How many rows' height the text's field takes.
inline constexpr int PROP_TEXT_ROWS = 3;

struct prop_stock {
    QWidget *win = nullptr;
    QLabel *header = nullptr;
    frame_host *target = nullptr;
    label *lab = nullptr;
    int state = 0; // 0 none selected, 1 several, 2 one
    element *e = nullptr;
    std::array<QLabel *, ROW_COUNT> captions{};
    std::array<QWidget *, ROW_COUNT> controls{};
    QCheckBox *width_box = nullptr;
    QCheckBox *height_box = nullptr;
    int caption_width = 0;
    int row_height = 0;
    int content_height = 1;
    int cy = 0;
};

class properties_panel final : public QWidget, public properties_view, public key_navigation_target {
    Q_OBJECT
public:
    properties_panel(QWidget *parent, frame_host *target, label *lab);
    void notify(const frame_notify &n) override;
    void set_label(label *lab) override;
    void relayout() override;
    void focus_description() override;
    // Tab and Enter routed here by the key routing: the next control.
    void key_navigation(int key, Qt::KeyboardModifiers modifiers) override;
    const prop_stock &stock() const
    {
        ensure_rows();
        return stock_;
    }
    QWidget *control(int row) const;
    QLineEdit *edit(int row) const;
    QPlainTextEdit *lines(int row) const;
    QComboBox *combo(int row) const;
    colour_button *colour(int row) const;
    QScrollBar *scroll_bar() const { return bar_; }
    // The Tab order of the current element's rows.
    std::vector<QWidget *> focus_order() const;
    // The width that shows the longest caption of any kind and the widest
    // field (a list's longest entry, "по высоте шрифта") whole, with the
    // size box and the scroll bar.
    int needed_width() const;

protected:
    void resizeEvent(QResizeEvent *) override;
    bool eventFilter(QObject *o, QEvent *e) override;
    bool event(QEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;

private:
    void ensure_rows() const;
    void build_rows();
    void evaluate_state();
    void enter_state(int state, element *e);
    void fill();
    void size_display();
    void lay_out();
    void scroll_to(int y);
    std::vector<int> rows_in_use() const;
    // A field left: its text checked by the row's rules and sent.
    void commit(int row);
    void commit_description(const element &e);
    void commit_text(const prop_text_row &r, const element &e);
    void commit_number(const prop_number_row &r, const element &e);
    void commit_list(int row);
    QString text_of(int row) const;
    void size_box_clicked(bool width);
    void wrap_clicked();
    // A field's text put back (a refused or escaped edit).
    void put_text(int row, const QString &text);
    void picture_clicked();
    void colour_chosen(std::uint32_t colour);
    void send(frame_notify &n);
    void refuse(int row, const char16_t *message, const QString &old_text);
    bool storable(int row, const QString &text, const QString &old_text);
    bool code_field_event(QEvent *e);
    void code_edited(const QString &text);
    // Escape in a field: its text as the panel showed it, and the keyboard
    // back to the canvas; nothing is sent.
    void escape(int row);
    void end_creation_hint();

    prop_stock stock_;
    QScrollBar *bar_ = nullptr;
    QWidget *canvas_ = nullptr; // the rows, moved by the scroll position
    bool rows_built_ = false;
    bool filling_ = false;      // no commits while the panel fills its own fields
    bool creation_hint_ = false; // the status bar tells how to get back to the canvas
    std::array<QString, ROW_COUNT> shown_{}; // a number field's text as the panel put it
};
