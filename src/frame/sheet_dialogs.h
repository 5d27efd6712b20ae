// Sheets of labels in the editor: the drawing of a sheet (its paper and its
// labels' shapes, a cell to start at chosen with a click), the chooser of a
// sheet from the catalogue with a search field, and the dialog making or
// changing one of the user's own sheets.
#pragma once

#include <QDialog>
#include <QPainterPath>
#include <QPixmap>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/sheet.h"
#include "output/page_layout.h"
#include "output/sheet_sources.h"
#include "platform/seam.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;

// Where the dialogs get the catalogue and keep the user's own sheets: the
// real one is the sheet sources' catalogue and the user's file in the
// configuration folder; tests install their own.
class sheet_shelf_service {
public:
    virtual ~sheet_shelf_service() = default;
    virtual sheet_catalogue catalogue() = 0;
    // The user's own sheets as kept; `error` set (and none) when the file
    // cannot be read.
    virtual std::vector<label_sheet> user_sheets(std::u16string &error) = 0;
    // Keeps them whole; false with `error` when they could not be written.
    virtual bool keep_user_sheets(const std::vector<label_sheet> &sheets, std::u16string &error) = 0;
};
template <>
sheet_shelf_service &seam<sheet_shelf_service>::fallback();

// The sheet drawn to fit the widget: the paper, each label's shape, the
// cells before `first` shaded as used.  A clickable view takes a click on a
// cell as the cell to start at.
class sheet_view final : public QWidget {
    Q_OBJECT
public:
    explicit sheet_view(QWidget *parent = nullptr);
    void set_sheet(const std::optional<label_sheet> &sheet);
    const std::optional<label_sheet> &sheet() const { return sheet_; }
    void set_clickable(bool on) { clickable_ = on; }
    // The cell to start at, from 1.
    long first() const { return first_; }
    void set_first(long first);
    // How many cells from `first` on the run fills on this sheet; the rest
    // are drawn blank.  Negative: all of them.
    void set_filled(long count);
    // The label as drawn in each cell the run fills (none: the cells are
    // only coloured).
    void set_picture(const QPixmap &picture);
    // Where cell `n` (from 1) is drawn: its middle in the widget.
    QPoint cell_middle(long n) const;
    QSize sizeHint() const override { return QSize(230, 300); }

signals:
    void first_chosen(long first);

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;

private:
    QTransform to_widget() const;
    QRectF drawn_area() const;
    long cell_at(QPointF widget_point) const;

    std::optional<label_sheet> sheet_;
    std::vector<sheet_cell> cells_;
    long first_ = 1;
    long filled_ = -1;
    QPixmap picture_;
    bool clickable_ = false;
};

// A label's outline at (x, y) on a sheet, in points.
QPainterPath shd__label_shape(const label_sheet &s, double x, double y);

// The chooser of a sheet: a search field filtering as one types, the list,
// the drawing of the chosen one, the user's own sheets made, changed and
// deleted here.
class sheet_chooser_dialog final : public QDialog {
    Q_OBJECT
public:
    sheet_chooser_dialog(QWidget *parent, const std::optional<label_sheet> &current);
    const label_sheet &result() const { return result_; }

    QLineEdit *search() const { return search_; }
    QTreeWidget *list() const { return list_; }
    sheet_view *view() const { return view_; }
    QLabel *refused() const { return refused_; }
    QPushButton *create_button() const { return create_; }
    QPushButton *change_button() const { return change_; }
    QPushButton *delete_button() const { return delete_; }
    // The sheet of the list's current row; null for none.
    const sheet_entry *chosen() const;

protected:
    void accept() override;

private:
    void fill();
    void chosen_changed();
    void create();
    void change();
    void remove();
    // The user's own sheets with `change` made; false (told) when they
    // could not be read or kept.
    bool keep(const std::function<void(std::vector<label_sheet> &)> &change);
    void select(const label_sheet &s);

    sheet_catalogue catalogue_;
    label_sheet result_;
    QLineEdit *search_;
    QTreeWidget *list_;
    sheet_view *view_;
    QLabel *refused_;
    QPushButton *create_, *change_, *delete_;
};

// One of the user's own sheets: paper, label size, columns and rows,
// margins, gaps and corner radius, all in mm.  A geometry the sheet's
// checks refuse keeps the dialog open with their message.
class own_sheet_dialog final : public QDialog {
    Q_OBJECT
public:
    own_sheet_dialog(QWidget *parent, const label_sheet &initial, bool is_new);
    const label_sheet &result() const { return result_; }

    QLineEdit *brand() const { return brand_; }
    QLineEdit *part() const { return part_; }
    QLineEdit *description() const { return desc_; }
    QComboBox *paper() const { return paper_; }
    QDoubleSpinBox *field(const char *name) const;
    QSpinBox *columns() const { return columns_; }
    QSpinBox *rows() const { return rows_; }
    QLabel *problem() const { return problem_; }

protected:
    void accept() override;

private:
    label_sheet read() const;
    void paper_changed();
    void redraw();

    label_sheet result_;
    QLineEdit *brand_, *part_, *desc_;
    QComboBox *paper_;
    QDoubleSpinBox *paper_w_, *paper_h_, *label_w_, *label_h_, *left_, *top_, *gap_x_, *gap_y_, *radius_;
    QSpinBox *columns_, *rows_;
    sheet_view *view_;
    QLabel *problem_;
};

// Runs the chooser; the sheet chosen, or nothing when cancelled.
std::optional<label_sheet> shd__choose(QWidget *parent, const std::optional<label_sheet> &current);

// Where a run on a sheet starts and what it draws besides the labels, as the
// print and export dialogs show it: the first sheet drawn with the cell to
// start at, copies of each label, outlines, crop marks.
class sheet_run_box final : public QWidget {
    Q_OBJECT
public:
    // `copies_caption`: "Копий каждой этикетки" for a table, "Копий" for one
    // label.
    sheet_run_box(QWidget *parent, const label_sheet &sheet, const QString &copies_caption);
    sheet_view *view() const { return view_; }
    QSpinBox *copies() const { return copies_; }
    QCheckBox *outlines() const { return outlines_; }
    QCheckBox *crop_marks() const { return crop_; }
    sheet_options options() const;

private:
    sheet_view *view_;
    QLabel *cell_;
    QSpinBox *copies_;
    QCheckBox *outlines_, *crop_;
};
