// Drawing a label as it prints, on any QPainter: the label server's
// pictures, the canvas, printers, PDF and SVG files, images.  One element
// at a time or the whole label, at a given scale; texts with their fonts,
// borders, libzint barcodes and EPS pictures through the fenced Ghostscript
// runner.  Several renders may run at once, each in its own thread with its
// own painter.
#pragma once

#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/element.h"
#include "model/limits.h"

class QPaintDevice;
class QPainter;

struct render_variable {
    std::u16string name;
    std::u16string value;
};

// Variables by name; the first of equal names counts.
using render_variable_map = std::unordered_map<std::u16string, std::u16string>;
render_variable_map rdr__variable_map(const std::vector<render_variable> &variables);

// `text` with every ${name} replaced by its variable's value; names that
// are not variables stay as written.  Calls `note(name, value)` for each
// ${...} found (value null for an unknown name).  The result stops at
// `max_chars` characters (references past that are not looked at); `cut`
// then says so.
std::u16string rdr__substitute_in(const std::u16string &text, const render_variable_map &variables,
                                  const std::function<void(const std::u16string &, const std::u16string *)> &note,
                                  std::size_t max_chars = std::u16string::npos, bool *cut = nullptr);
inline std::u16string rdr__substitute(const std::u16string &text, const std::vector<render_variable> &variables,
                                      const std::function<void(const std::u16string &, const std::u16string *)> &note)
{
    return rdr__substitute_in(text, rdr__variable_map(variables), note);
}

// A whole number as text, for log lines and messages.
inline std::u16string rdr__number(long long v)
{
    const std::string s = std::to_string(v);
    return std::u16string(s.begin(), s.end());
}

// What one render may cost.
struct render_limits {
    double ghostscript_seconds = 30;   // Ghostscript time of the whole render
    std::size_t max_text = LIM_MAX_TEXT_CHARS; // characters of an element's text after substitution
    std::size_t max_log = LIM_MAX_RENDER_LOG;  // characters of the log (then lines are left out)
    // The folder of the table of data a picture from the data takes its
    // files from (a picture element whose file name holds ${column}).
    // Empty: no files are read for such pictures; the element's own
    // picture stands in (the editor, the server).
    std::u16string picture_folder;
};

// Why a render ended before its last element.
struct render_outcome {
    bool out_of_time = false; // its Ghostscript time ran out
    bool stopped = false;     // Ghostscript runs are being stopped (the server is stopping)
};

// Pictures are drawn as images of at most this many pixels.
inline constexpr double RDR_MAX_PICTURE_PIXELS = static_cast<double>(LIM_MAX_IMAGE_PIXELS);

// An element's EPS picture at a pixel size, as a picture source gives it.
struct picture_answer {
    QImage image;               // null when there is none (yet)
    std::string error;          // why there is none, one line in Russian
    bool pending = false;       // it is being drawn elsewhere and comes later
    double seconds = 0;         // Ghostscript time this answer took
    bool out_of_budget = false; // the render's Ghostscript time ran out
    bool stopped = false;       // Ghostscript runs are being stopped
};

// Where a render gets its pictures.  The default runs Ghostscript in the
// calling thread; a view that must not wait gives its own.
class picture_source {
public:
    virtual ~picture_source() = default;
    // The picture of `e` (a picture element with a boxed picture) drawn at
    // px_w × px_h pixels, with at most `budget_seconds` of Ghostscript.
    virtual picture_answer picture(const element *e, int px_w, int px_h, double budget_seconds) = 0;
    // Whether it takes pictures of any pixel size (it places them some
    // other way than as images of that size); else the render refuses
    // those above 100 megapixels before asking.
    virtual bool any_size() const { return false; }
};

// The picture of `e` drawn by Ghostscript in the calling thread (what a
// render without a picture source uses).
picture_answer rdr__ghostscript_picture(const element *e, int px_w, int px_h, double budget_seconds);

// Where edges fall: on device pixels (sharp bars and lines on images),
// exactly where the scale puts them (PDF, SVG, printers), or chosen by the
// painter's device.  `dots` is a thermal printer's: on pixels, and every
// module of a barcode the same whole number of them.
enum class render_edges { automatic, pixels, exact, dots };

struct render_request {
    double scale_x = 1, scale_y = 1; // device units per point
    QPointF origin;                  // the label's top left corner on the device
    const render_variable_map *variables = nullptr;
    bool markup = false;    // each element's box and anchor drawn over the label
    bool background = true; // the label filled with its colour first
    render_edges edges = render_edges::automatic;
    render_limits limits;
    picture_source *pictures = nullptr; // null: Ghostscript, synchronously
    bool overflow_marks = false; // a text cut at its box is marked there (the canvas)
    // Told, as a whole label is drawn, that the device's rows above `y`
    // will not change any more; last comes infinity, once the label is done
    // (not when it stops early).  A label on an image, with no transform
    // of the painter's own, is then drawn in two bands, the top one first,
    // where it can be cut without drawing a picture twice.
    std::function<void(double y)> rows_done;
};

// The log of one render, one event per line, in Russian: lines after
// `limit` characters are left out.  Lines already in `lines` count.
class render_log {
public:
    render_log(std::vector<std::u16string> &lines, std::size_t limit);
    void push_back(std::u16string line);

private:
    std::vector<std::u16string> &lines_;
    std::size_t limit_;
    std::size_t units_ = 0;
};

// The whole label: its background, the elements from the last index up
// (index 0 ends on top), disabled elements left out, every ${name}
// replaced, then the markup when asked for.  The painter's state is kept.
render_outcome rdr__draw_label(QPainter &p, const label *lab, const render_request &r,
                               std::vector<std::u16string> &log);

// What became of one element.
enum class element_state {
    drawn,   // its content is on the device
    empty,   // it has nothing to show (a text of nothing but blanks)
    refused, // the red crossed box instead: `reason` says why
    pending, // its picture comes later (the picture source is drawing it)
};
struct element_result {
    element_state state = element_state::drawn;
    std::u16string reason;
    render_outcome outcome;
    // Drawn, but not quite as meant (a barcode's modules rounded to whole
    // dots): why, naming the element.
    std::u16string warning;
};

// One element of the label as rdr__draw_label draws it (disabled or not);
// log lines go to `log` when one is given.
element_result rdr__draw_element(QPainter &p, const label *lab, int index, const render_request &r,
                                  std::vector<std::u16string> *log = nullptr);

// The device rectangle that drawing the element may touch on `device`
// (a text running past its box included).
QRectF rdr__element_extent(const label *lab, const element *e, const render_request &r, const QPaintDevice *device);

// Where the label's pictures lie on the device (enabled picture elements'
// boxes, turned as they are): the part of an image drawn at 1 bit that is
// diffused rather than cut at a threshold, so that photographs and logos
// keep their greys.
QPainterPath rdr__picture_area(const label *lab, const render_request &r);

// How a text sits in its box, in points from the box's top left corner,
// whatever the device: the words of a wrapping text on their lines, the
// size a shrinking text takes.  Every device draws these lines.
struct text_run {
    double x = 0; // left end of the run
    std::u16string text;
};
struct text_line {
    double baseline = 0;
    double width = 0; // from the first run's start to the last one's end
    std::vector<text_run> runs;
};
struct text_layout {
    double size = 0;       // points
    double line_spacing = 0;
    double ascent = 0, descent = 0;
    std::vector<text_line> lines;
    bool fitting = false;  // a shrinking text: kept inside its box
    bool overflow = false; // it did not fit at its smallest size and is cut
};
// `text` (variables already replaced) in the element's box of w × h points.
text_layout rdr__layout_text(const element *e, double w, double h, const std::u16string &text);

// The font family names a render can use: without the foundry suffix, no
// duplicates, sorted.
std::vector<std::u16string> rdr__font_families();
