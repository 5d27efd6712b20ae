// Barcodes for the renderer: the kinds of the label (barcode_kinds in
// model/tables.h) drawn by libzint, plus the raw CODE-128 form that libzint
// has no input for.  Bars fill the
// box they are given; two-dimensional symbols keep square modules.
#pragma once

#include <string>
#include <vector>

class QPainter;
class QColor;

// What libzint is asked to encode for a kind's code and data (UTF-8):
// the zint symbology, its input mode and the data as zint should get it, or
// an error text when the data cannot be that symbology.  `raw128` is set
// for CODE-128RAW, which is drawn without zint; `two_d` for symbols of
// square modules (QR, DataMatrix, PDF417), which keep their proportions.
struct barcode_choice {
    int symbology = 0;
    int input_mode = 0;
    int eci = 0;
    int option_3 = 0; // DM_SQUARE for GS1 DataMatrix
    bool strict = false; // a warning of libzint refuses the data (GS1)
    std::string data;
    bool raw128 = false;
    bool two_d = false;
    std::string error;
};
barcode_choice rdr__barcode_choice(int type, const std::string &data);

// CODE-128 from its symbol values written as decimal numbers separated by
// spaces ("104 33 34 35"): the start code (103 A, 104 B, 105 C) comes first
// and Start B is put in front when it is missing; the check symbol and the
// stop pattern are added.  The modules (1 bar, 0 space) without quiet zones,
// or false with an error text.
bool rdr__code128_raw_modules(const std::string &data, std::vector<unsigned char> &modules, std::string &error);

// The modules of the single row of a zint-encoded symbol (for tests and
// drawing), or false with zint's error text.
bool rdr__zint_modules(int symbology, const std::string &data, std::vector<unsigned char> &modules,
                       std::string &error);

// Why the data cannot be drawn as that kind ("" when it can): the same
// checks and libzint's own as drawing makes, without drawing.
std::string rdr__barcode_refusal(int type, const std::string &data);

// Draws the barcode into the rectangle (0, 0, w, h) of the painter's current
// frame, whose unit is one device unit and whose y runs down.  A linear
// barcode fills the rectangle; a two-dimensional one is the largest symbol
// of its own proportions that fits, centred.  With `snap` every edge is
// rounded to the nearest device pixel and drawn without antialiasing, so
// bars differ from their true width by at most a pixel.  False with an
// error text when the data is refused; nothing is drawn then.
// With `whole_modules` as well (a thermal printer's dots) every module is
// the same whole number of pixels: a linear symbol takes the nearest such
// width, centred on the box, a two-dimensional one the largest that fits;
// `warning` then tells of a module narrower than a pixel or a linear
// symbol whose width changed by more than 10 %.
bool rdr__draw_barcode(QPainter &p, int type, const std::string &data, bool human_readable,
                       const QColor &colour, double w, double h, bool snap, std::string &error,
                       bool whole_modules = false, std::string *warning = nullptr);
