// Where the labels of a run go: on which page, where on it, and how large
// that page is.  The batch asks the layout where each label goes and hands
// whole pages to a sink; sinks draw the pages they are given and never
// count rows.  Today's kind is one label per page, the page the label's
// own size; a sheet of several labels, or a run that starts at a later
// position of its first sheet, is another kind of layout.
#pragma once

#include <QLineF>
#include <QPageLayout>
#include <QPainterPath>
#include <QPointF>
#include <QSizeF>
#include <cstdint>
#include <string>
#include <vector>

#include "model/element.h"
#include "render/render.h"

struct doc_page;

// Where one label of a run goes.
struct label_place {
    long page = 1;  // page of the run, from 1
    QPointF offset; // the label's top left corner from the page's, in points
};

class page_layout {
public:
    virtual ~page_layout() = default;
    // The page as a device is set up for it: size and orientation, no
    // margins.
    virtual QPageLayout page() const = 0;
    // The colour under the labels where the page is an image.
    virtual std::uint32_t paper() const = 0;
    // Where label `index` of the run (from 0, in the order of the rows)
    // goes.  Pages follow one another: a later label never goes on an
    // earlier page.
    virtual label_place place(long index) const = 0;

    // The pages a run of `labels` labels takes, the last one perhaps not
    // full.
    long pages_for(long labels) const;
    // The page's size in points, as it is turned.
    virtual QSizeF page_size() const;
    // What the layout draws on a page besides the labels (a sheet's
    // outlines and crop marks); nothing by default.
    virtual void mark(doc_page &page) const { (void)page; }
};

// The size of a label as a page takes it: each side at least a point and
// at most the largest side the editor takes.
QSizeF out__label_size(const label *lab);

// The page of a label: its size in points, portrait or landscape as the
// label is, no margins.
QPageLayout out__page_layout(const label *lab);

// One label per page: every page is the label's own page, its colour the
// label's background.
class label_per_page final : public page_layout {
public:
    explicit label_per_page(const label *lab) : lab_(lab) {}
    QPageLayout page() const override { return out__page_layout(lab_); }
    // The label's own size, not the page's as Qt rounds it.
    QSizeF page_size() const override { return out__label_size(lab_); }
    std::uint32_t paper() const override { return lab_->bgcolor & 0xFFFFFFu; }
    label_place place(long index) const override { return {index + 1, QPointF(0, 0)}; }

private:
    const label *lab_;
};

// A label on a page, with the variables it is drawn with.
struct placed_label {
    const label *lab = nullptr;
    QPointF offset; // top left corner from the page's, in points
    render_variable_map variables;
    long line = 0; // the line of the table it comes from; 0 without a table
};

// A page to draw: its size and the labels on it.
struct doc_page {
    long number = 1;            // in the run, from 1
    QPageLayout layout;         // as a device is set up for it
    QSizeF size;                // in points
    std::uint32_t paper = 0xFFFFFF; // under the labels of an image
    std::vector<placed_label> labels;
    // Drawn over the labels, in points from the page's top left corner,
    // hairlines in black: the shapes of a sheet's labels (for a test print
    // on plain paper) and crop marks.
    std::vector<QPainterPath> outlines;
    std::vector<QLineF> crop_marks;
};

// Where a run on sheets starts, and what it draws besides the labels.
struct sheet_options {
    long first = 1; // the cell of the first sheet the run starts at, from 1
    bool outlines = false;
    bool crop_marks = false;
};

// Labels on sheets: the sheet's paper for each page, its labels in its
// cells across then down, the first sheet from cell `first` on.
class sheet_layout final : public page_layout {
public:
    // The sheet must be one sht__check finds sound; `first` is taken into
    // 1..cells.
    explicit sheet_layout(label_sheet sheet, sheet_options o = {});
    QPageLayout page() const override;
    QSizeF page_size() const override;
    std::uint32_t paper() const override { return 0xFFFFFF; }
    label_place place(long index) const override;
    void mark(doc_page &page) const override;

    const label_sheet &sheet() const { return sheet_; }
    const sheet_options &options() const { return options_; }
    long cells() const { return long(cells_.size()); }

private:
    label_sheet sheet_;
    sheet_options options_;
    std::vector<sheet_cell> cells_;
    // The same on every page: made once.
    std::vector<QPainterPath> outlines_;
    std::vector<QLineF> crop_marks_;
};

// The shape of a sheet's label with its top left corner at `at` (points):
// a rectangle with the sheet's corner radius, a circle, an ellipse, or a
// disc with its hole.
QPainterPath out__label_outline(const label_sheet &sheet, QPointF at);

// Crop marks of a sheet: at each corner of each label's box, two short
// lines continuing its sides outwards, a little away from the corner.  A
// mark stops short of any label and of the paper's edge; where labels
// touch there is none (a mark there would be printed on a label).
std::vector<QLineF> out__crop_marks(const label_sheet &sheet);

// Page `number` of the layout, with no labels on it yet.
doc_page out__blank_page(const page_layout &layout, long number);
// The label alone on its page, as one label per page places it.
doc_page out__label_page(const label *lab, render_variable_map variables, long number = 1);
