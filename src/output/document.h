// Labels out of the program: PDF, PNG and SVG files and printers, one label
// or one page per row of a table of data.  Every page is the render
// library's drawing of the label, so paper shows what the canvas and the
// label server show; vector where the device allows (PDF, SVG, printers),
// whole pixels on images.
//
// Files are written to a temporary file beside the target and renamed over
// it once complete: a failed or cancelled export leaves the old file (or no
// file) and never a part of one.
#pragma once

#include <QImage>
#include <QPageLayout>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "exchange/csv_table.h"
#include "exchange/preview_var.h"
#include "render/render.h"

class QIODevice;
class QPagedPaintDevice;

enum class doc_format { none, pdf, png, svg };

// The format a file name asks for by its extension (any case), or none.
doc_format out__format_of(const std::u16string &path);

// From the table of limits (model/limits.h).
inline constexpr int OUT_DEFAULT_DPI = LIM_DEFAULT_DPI;
inline constexpr int OUT_MIN_DPI = LIM_MIN_DPI;
inline constexpr int OUT_MAX_DPI = LIM_MAX_FILE_DPI;
// PDF pages are drawn at this resolution.  Texts, barcodes and EPS pictures
// stay vectors (a picture is Ghostscript's own PDF of it); a picture that
// cannot be placed so comes as an image of this resolution.
inline constexpr int OUT_PDF_DPI = 600;

// Whether PDF files get EPS pictures as vectors (on unless a test turns it
// off); the images of OUT_PDF_DPI otherwise.
void out__set_vector_pictures(bool on);
// Whether vectors can be placed at all with this Qt: checked once, on a
// small document written in memory.
bool out__vector_pictures_work();

struct doc_options {
    int dpi = OUT_DEFAULT_DPI;  // PNG: pixels per inch
    bool transparent = false;   // PNG: no background colour
    render_limits limits;       // what drawing one element may cost
    // The Ghostscript time of `limits` is the whole document's (a server's
    // call), not each page's.
    bool document_budget = false;
};

// The names of every ${name} the label's enabled texts and barcodes use,
// each once, in the order they first appear.
std::vector<std::u16string> out__label_names(const label *lab);

// The variables for one label: for each name the label uses, the cell of
// the column of that name, else the preview variable, else empty text.
render_variable_map out__row_variables(const std::vector<std::u16string> &names,
                                       const std::vector<std::u16string> &columns,
                                       const std::vector<std::u16string> &cells,
                                       const std::vector<preview_var> &preview);
// Without a table: the preview variables, as the server's preview takes
// them; a name without one stays as written, as the canvas and the
// preview show it.
render_variable_map out__preview_variables(const std::vector<std::u16string> &names,
                                           const std::vector<preview_var> &preview);

// The names the label uses that no column of the table has.
std::vector<std::u16string> out__names_without_column(const std::vector<std::u16string> &names,
                                                      const std::vector<std::u16string> &columns);

// The page of a label: its size in points, portrait or landscape as the
// label is, no margins.
QPageLayout out__page_layout(const label *lab);

// How drawing a page went beyond its problems.
struct page_outcome {
    render_outcome outcome;   // Ghostscript's time ran out, or it is being stopped
    double ghostscript_seconds = 0;
};

// Draws the label with its top left corner at the painter's origin at
// `dpi` device units per inch.  Elements the render library refuses are
// drawn as its red crossed box and named in `problems`, one line each.
page_outcome out__draw_page(QPainter &p, const label *lab, const render_variable_map &variables, double dpi,
                            render_edges edges, bool background, std::vector<std::u16string> &problems,
                            const render_limits &limits = {}, picture_source *pictures = nullptr);

// The label as an image at `dpi` (the image records that resolution); null
// when the image would be too large to hold.
QImage out__image(const label *lab, const render_variable_map &variables, const doc_options &o,
                  std::vector<std::u16string> &problems, render_outcome *outcome = nullptr,
                  picture_source *pictures = nullptr);
// Pixel size of that image (at least 1 × 1).
QSize out__image_size(const label *lab, int dpi);

// One document being written: pages one after the other, then finish()
// puts the file in place.  Dropping it unfinished leaves nothing behind.
class page_sink {
public:
    virtual ~page_sink() = default;
    // False with `error` set when the page could not be written; problems
    // of the drawing itself go to `problems`.
    virtual bool page(const render_variable_map &variables, long number, std::vector<std::u16string> &problems,
                      std::u16string &error) = 0;
    virtual bool finish(std::u16string &error) = 0;

    // Whether Ghostscript's time ran out or Ghostscript was stopped on some
    // page so far: the pages are written, but not all of them whole.
    render_outcome outcome;
};

// A sink for `path` in its format: a PDF of as many pages as come; a PNG or
// SVG of one label, or with `numbered` one file per page (NAME-0001.png …).
// Null with `error` set when the format is unknown or the file cannot be
// started.
std::unique_ptr<page_sink> out__file_sink(const label *lab, const std::u16string &path, const doc_options &o,
                                          bool numbered, std::u16string &error);
// A PDF written into `device` (a buffer, a pipe), which stays open; pages
// stop with an error once the device holds more than `max_bytes`.
std::unique_ptr<page_sink> out__pdf_sink(const label *lab, QIODevice &device, const doc_options &o,
                                         std::int64_t max_bytes);

// A sink drawing on a printer (or any paged device the caller has set up:
// page layout, resolution); pages outside from..to (1-based, 0: no bound)
// are counted but not drawn.
std::unique_ptr<page_sink> out__device_sink(const label *lab, QPagedPaintDevice &device, int from = 0, int to = 0);

// The file of page `number` of a numbered output: NAME-0001.png.
std::u16string out__numbered_path(const std::u16string &path, long number);

// One label written to `path` with the preview variables: false with
// `error` when nothing was written.
bool out__export(const label *lab, const std::vector<preview_var> &preview, const std::u16string &path,
                 const doc_options &o, std::vector<std::u16string> &problems, std::u16string &error);

// Many labels from a table of data.
struct batch_request {
    const label *lab = nullptr;
    std::string csv_path;
    csv_options csv;
    std::vector<preview_var> preview;
    // Called before each page and once at the end (done == total); false
    // stops the batch: nothing is finished then.
    std::function<bool(long done, long total)> progress;
};

struct batch_outcome {
    bool complete = false;  // every page written and the output in place
    bool cancelled = false;
    long pages = 0;         // pages drawn
    long rows = 0;          // rows of the table
    std::u16string error;   // why the batch stopped (the table refused, a failed write)
    std::vector<std::u16string> problems; // drawing problems, each naming its line of the table
};

// Checks the whole table first (nothing is drawn from a refused one), then
// draws a page per row into `sink` and finishes it.
batch_outcome out__batch(const batch_request &req, page_sink &sink);
