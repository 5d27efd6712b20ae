// The limits of drawing, one table for every program: the editor's export,
// vellumo-render and vellumo-server take their bounds from here, and the
// README and the manual print this table.  A limit that differs between the
// programs has a row per program, so that the difference is written down.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/element.h"

// A label's side (and an element's size, place, text size and line): above
// 0 and at most this many points (about 35 m); the editor's own bound, which
// ele__out_of_range applies.
inline constexpr double LIM_MAX_LABEL_SIDE_PT = ELE_MAX_LABEL_SIZE;

// Any image drawn: labels.render_label's JPEG, labels.render_document's
// PNG, the PNG of the export and of vellumo-render, an EPS picture drawn as
// an image.
inline constexpr long long LIM_MAX_IMAGE_PIXELS = 100LL * 1000 * 1000;

// Resolutions, in dots per inch.
inline constexpr int LIM_MIN_DPI = 10;
inline constexpr int LIM_DEFAULT_DPI = 300;
inline constexpr int LIM_MAX_FILE_DPI = 2400;   // the export and vellumo-render
inline constexpr int LIM_MAX_SERVER_DPI = 1200; // labels.render_label and labels.render_document

// labels.render_document: rows of one call and bytes of the document.
inline constexpr int LIM_MAX_DOCUMENT_ROWS = 10000;
inline constexpr std::int64_t LIM_MAX_DOCUMENT_BYTES = std::int64_t(256) << 20;

// An element's text after ${name} substitution (characters; the rest is
// left out with a log line) and the log of one render (characters; lines
// past it are left out).
inline constexpr std::size_t LIM_MAX_TEXT_CHARS = std::size_t(1) << 20;
inline constexpr std::size_t LIM_MAX_RENDER_LOG = std::size_t(1) << 20;
