// The label server's picture of a label, as the preview gets it: the label
// drawn by the render library at the requested resolution into an image,
// with a log of what happened, and that image as JPEG.
#pragma once

#include <QImage>
#include <string>
#include <vector>

#include "model/element.h"
#include "model/limits.h"
#include "render/render.h"

// A whole number as text, for log lines and messages.
inline std::u16string lsv__number(long long v)
{
    return rdr__number(v);
}

// From the table of limits (model/limits.h).
inline constexpr int LSV_MIN_DPI = LIM_MIN_DPI;
inline constexpr int LSV_MAX_DPI = LIM_MAX_SERVER_DPI;
inline constexpr long long LSV_MAX_PIXELS = LIM_MAX_IMAGE_PIXELS;

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

// lsv__render's picture as JPEG bytes (quality 0..100), encoded while it
// is drawn: rows no element still to draw can touch go to the encoder on a
// second thread.  False with no bytes when there is no picture: `outcome`
// or a log line says why, or `error` (the encoder's).
bool lsv__render_jpeg(const label *lab, const std::vector<render_variable> &variables, int xdpi, int ydpi,
                      bool markup, int quality, std::vector<unsigned char> &jpeg, std::string &error,
                      std::vector<std::u16string> &log, const render_limits &limits = {},
                      render_outcome *outcome = nullptr);

// JPEG bytes of an RGB32 image (quality 0..100); false with an error text.
bool lsv__encode_jpeg(const QImage &image, int quality, std::vector<unsigned char> &out, std::string &error);

// The font family names the server can draw with.
std::vector<std::u16string> lsv__font_families();

// PNG bytes of an image (alpha kept when it has any), written for speed:
// every row as the difference from the one above, zlib's run-length
// strategy — a label's flat colours pack within 1.5 times the default's
// size, several times faster (trying every filter on every row is what
// costs).  False with an error text.
bool lsv__encode_png(const QImage &image, std::string &out, std::string &error);
