// Drawing labels and pages for every output: the render library's drawing
// of a label at a resolution, on a device's painter or as an image.
#pragma once

#include <QImage>
#include <QSize>
#include <string>
#include <vector>

#include "model/limits.h"
#include "output/page_layout.h"
#include "output/thermal_options.h"
#include "render/render.h"

class QPainter;

// From the table of limits (model/limits.h).
inline constexpr int OUT_DEFAULT_DPI = LIM_DEFAULT_DPI;
inline constexpr int OUT_MIN_DPI = LIM_MIN_DPI;
inline constexpr int OUT_MAX_DPI = LIM_MAX_FILE_DPI;
// PDF pages are drawn at this resolution.  Texts, barcodes and EPS pictures
// stay vectors (a picture is Ghostscript's own PDF of it); a picture that
// cannot be placed so comes as an image of this resolution.
inline constexpr int OUT_PDF_DPI = 600;

struct doc_options {
    int dpi = OUT_DEFAULT_DPI;  // PNG: pixels per inch
    bool transparent = false;   // PNG: no background colour
    render_limits limits;       // what drawing one element may cost
    // The Ghostscript time of `limits` is the whole document's (a server's
    // call), not each page's.
    bool document_budget = false;
    // ZPL, TSPL and EPL: the printer's language is the format's, the rest
    // (its resolution among it) from here.
    thermal_options thermal;
};

// How drawing a page went beyond its problems.
struct page_outcome {
    render_outcome outcome;   // Ghostscript's time ran out, or it is being stopped
    double ghostscript_seconds = 0;
};

// A drawing problem of one label of a page.
struct page_problem {
    std::size_t label = 0; // its index among the page's labels
    std::u16string text;
    bool warning = false;  // drawn all the same, but not quite as meant
};

// Draws the label with its top left corner at the painter's origin at
// `dpi` device units per inch.  Elements the render library refuses are
// drawn as its red crossed box and named in `problems`, one line each.
page_outcome out__draw_page(QPainter &p, const label *lab, const render_variable_map &variables, double dpi,
                            render_edges edges, bool background, std::vector<std::u16string> &problems,
                            const render_limits &limits = {}, picture_source *pictures = nullptr);

// Draws every label of `page` at its place, then its outlines and crop
// marks, the page's top left corner at the painter's origin.  The Ghostscript time of `limits` is the page's,
// shared by its labels; drawing stops when it runs out.
page_outcome out__draw_labels(QPainter &p, const doc_page &page, double dpi, render_edges edges, bool background,
                              std::vector<page_problem> &problems, const render_limits &limits = {},
                              picture_source *pictures = nullptr);

// The page's outlines and crop marks, black lines OUT_MARK_WIDTH points
// wide (at least a dot of the device), over whatever is drawn; the page's
// top left corner at the painter's origin.  out__draw_labels draws them
// after the labels.
inline constexpr double OUT_MARK_WIDTH = 0.25;
void out__draw_marks(QPainter &p, const doc_page &page, double dpi);

// The page as an image at `dpi` (the image records that resolution): the
// page's paper (none when transparent) under its labels; null when a label
// is out of range or the image would be too large to hold.
QImage out__page_image(const doc_page &page, const doc_options &o, std::vector<page_problem> &problems,
                       render_outcome *outcome = nullptr, picture_source *pictures = nullptr);
// Pixel size of that image (at least 1 × 1).
QSize out__page_image_size(const doc_page &page, int dpi);

// The label as an image at `dpi`, alone on its page; null when the image
// would be too large to hold.
QImage out__image(const label *lab, const render_variable_map &variables, const doc_options &o,
                  std::vector<std::u16string> &problems, render_outcome *outcome = nullptr,
                  picture_source *pictures = nullptr);
// Pixel size of that image (at least 1 × 1).
QSize out__image_size(const label *lab, int dpi);
