// Where pages go: a document being written, one page after the other.
// Each format has its sink (PDF, PNG, SVG, a printer); sinks draw the
// pages they are given and know nothing of tables or rows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "output/drawing.h"
#include "output/page_layout.h"

class QIODevice;
class QPagedPaintDevice;

// One document being written: pages one after the other, then finish()
// puts the file in place.  Dropping it unfinished leaves nothing behind.
class page_sink {
public:
    virtual ~page_sink() = default;
    // False with `error` set when the page could not be written; problems
    // of the drawing itself go to `problems`, each naming its label.
    virtual bool page(const doc_page &page, std::vector<page_problem> &problems, std::u16string &error) = 0;
    virtual bool finish(std::u16string &error) = 0;

    // The label alone on page `number` of its own size (one label per
    // page): a single export, a print of one label.
    bool label_page(const label *lab, const render_variable_map &variables, long number,
                    std::vector<std::u16string> &problems, std::u16string &error);

    // Whether Ghostscript's time ran out or Ghostscript was stopped on some
    // page so far: the pages are written, but not all of them whole.
    render_outcome outcome;
    // What was drawn, but maybe not as the user meant (a barcode's modules
    // rounded to a printer's dots), each naming its element; the pages are
    // written all the same.
    std::vector<std::u16string> warnings;
};

// A sink for `path` in its format (the table in formats.h): a PDF of as
// many pages as come; a PNG or SVG of one page, or with `numbered` one
// file per page (NAME-0001.png …).  Null with `error` set when the format
// is unknown or the file cannot be started.  `lab` is the document's
// label: its name titles the file.
std::unique_ptr<page_sink> out__file_sink(const label *lab, const std::u16string &path, const doc_options &o,
                                          bool numbered, std::u16string &error);
// A PDF written into `device` (a buffer, a pipe), which stays open; pages
// stop with an error once the device holds more than `max_bytes`.
std::unique_ptr<page_sink> out__pdf_sink(const label *lab, QIODevice &device, const doc_options &o,
                                         std::int64_t max_bytes);

// A sink drawing on a printer (or any paged device the caller has set up:
// page layout, resolution); pages outside from..to (1-based page numbers
// of the run, 0: no bound) are passed over.
// `shift` moves and scales everything drawn on each page (a printer's
// calibration).
struct page_shift {
    QPointF offset;   // in points, right and down
    double scale = 1; // about the page's top left corner
};
std::unique_ptr<page_sink> out__device_sink(const label *lab, QPagedPaintDevice &device, int from = 0, int to = 0,
                                            page_shift shift = {});
// The page as drawn with `shift`: a point p of it goes to offset + scale·p
// (labels, outlines, crop marks).  The labels' offsets are in points of the
// scaled drawing: draw them at the resolution times the scale.
doc_page out__shifted_page(const doc_page &page, const page_shift &shift);

// The page as an SVG document written into `device`: false when it could
// not be written; how drawing went in `outcome`.
bool out__svg_write(const label *lab, const doc_page &page, QIODevice &device, std::vector<page_problem> &problems,
                    render_outcome &outcome, picture_source *pictures = nullptr);

// The file of page `number` of a numbered output: NAME-0001.png.
std::u16string out__numbered_path(const std::u16string &path, long number);

// Whether PDF files get EPS pictures as vectors (on unless a test turns it
// off); the images of OUT_PDF_DPI otherwise.
void out__set_vector_pictures(bool on);
// Whether vectors can be placed at all with this Qt: checked once, on a
// small document written in memory.
bool out__vector_pictures_work();
