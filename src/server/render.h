// Rendering a label to a picture, as the label server sends it for the
// preview: points to pixels at the requested resolution, the elements from
// the bottom-most up, every variable substituted, a log of what happened.
#pragma once

#include <QImage>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/element.h"

struct render_variable {
    std::u16string name;
    std::u16string value;
};

// A whole number as text, for log lines and messages.
inline std::u16string lsv__number(long long v)
{
    const std::string s = std::to_string(v);
    return std::u16string(s.begin(), s.end());
}

inline constexpr int LSV_MIN_DPI = 10;
inline constexpr int LSV_MAX_DPI = 1200;
inline constexpr long long LSV_MAX_PIXELS = 100LL * 1000 * 1000;

// What one render may cost.
struct render_limits {
    double ghostscript_seconds = 30;   // Ghostscript time of the whole render
    std::size_t max_text = 1u << 20;   // characters of an element's text after substitution
    std::size_t max_log = 1u << 20;    // bytes of the log sent back (then "…")
};

// Why a render ended without a picture.
struct render_outcome {
    bool out_of_time = false; // its Ghostscript time ran out
    bool stopped = false;     // the server is stopping
};

// The pixel size of the label at that resolution (at least 1 × 1).
void lsv__render_size(const label *lab, int xdpi, int ydpi, long long &w, long long &h);

// The label drawn at `xdpi` × `ydpi` (checked by the caller: resolution in
// range, size below LSV_MAX_PIXELS).  Each log line is one event, in
// Russian; lines past `limits.max_log` bytes are left out.  With `markup`
// every element's box and anchor are drawn over it.  A null image when the
// render's Ghostscript time ran out or the server is stopping (`outcome`
// says which) or memory ran out (a log line says so).
QImage lsv__render(const label *lab, const std::vector<render_variable> &variables, int xdpi, int ydpi,
                   bool markup, std::vector<std::u16string> &log, const render_limits &limits = {},
                   render_outcome *outcome = nullptr);

// Variables by name; the first of equal names counts.
using render_variable_map = std::unordered_map<std::u16string, std::u16string>;
render_variable_map lsv__variable_map(const std::vector<render_variable> &variables);

// `text` with every ${name} replaced by its variable's value; names that
// are not variables stay as written.  Calls `note(name, value)` for each
// ${...} found (value null for an unknown name).  The result stops at
// `max_chars` characters (references past that are not looked at); `cut`
// then says so.
std::u16string lsv__substitute_in(const std::u16string &text, const render_variable_map &variables,
                               const std::function<void(const std::u16string &, const std::u16string *)> &note,
                               std::size_t max_chars = std::u16string::npos, bool *cut = nullptr);
inline std::u16string lsv__substitute(const std::u16string &text, const std::vector<render_variable> &variables,
                                      const std::function<void(const std::u16string &, const std::u16string *)> &note)
{
    return lsv__substitute_in(text, lsv__variable_map(variables), note);
}

// JPEG bytes of an RGB32 image (quality 0..100); false with an error text.
bool lsv__encode_jpeg(const QImage &image, int quality, std::vector<unsigned char> &out, std::string &error);

// The font families the server can draw with: names without the foundry
// suffix, no duplicates, sorted.
std::vector<std::u16string> lsv__font_families();
