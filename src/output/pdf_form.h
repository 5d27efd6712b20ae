// Reading the one-page PDF Ghostscript makes of an EPS picture, and writing
// that page out again as a form XObject of another PDF.  Plain C++ without
// Qt, so that a fuzzer can take it alone.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

struct pdf_form;

// The first page of `pdf` read as a form; null with `error` (English, for
// logs and tests) when it cannot be: damaged or cut short, encrypted,
// cross-references in streams, a turned page, content in several packed
// streams, more objects or deeper nesting than a picture has.  Hostile bytes
// are refused, never followed.
std::shared_ptr<const pdf_form> out__pdf_form(std::string_view pdf, std::string &error);

// The form's box (the page's media box cut to its crop box): x0, y0, x1, y1
// in points.
std::array<double, 4> out__pdf_form_box(const pdf_form &form);
// How many objects the form brings along (fonts, images, their parts).
std::size_t out__pdf_form_objects(const pdf_form &form);

// The form XObject (dictionary and stream, without "N 0 obj"), its box
// mapped onto the unit square an image is drawn in; the objects it brings
// are numbered from `base`.
std::string out__pdf_form_body(const pdf_form &form, long base);
// Object `i` of those it brings, numbered as above.
std::string out__pdf_form_object_body(const pdf_form &form, std::size_t i, long base);

// The size of the image whose dictionary starts at `at` (just after its
// "N G obj"); false when it is not an image's dictionary.
bool out__pdf_image_size(std::string_view bytes, std::size_t at, long long &width, long long &height);

// What the last trailer in `tail` (the end of a PDF file) says.
struct pdf_trailer {
    long size = 0;
    long root = -1;
    long info = -1;  // -1: none
    std::string id;  // the /ID array as written, or empty
    long long startxref = -1;
};
bool out__pdf_last_trailer(std::string_view tail, pdf_trailer &t);
