// Barcodes for the renderer: the label's symbology codes mapped onto libzint,
// plus the raw CODE-128 form that libzint has no input for.
#pragma once

#include <string>
#include <vector>

class QPainter;
class QColor;

// What libzint is asked to encode for a symbology code and data (UTF-8):
// the zint symbology and the data as zint should get it, or an error text
// when the data cannot be that symbology.  `raw128` is set for CODE-128RAW,
// which is drawn without zint.
struct barcode_choice {
    int symbology = 0;
    std::string data;
    bool raw128 = false;
    std::string error;
};
barcode_choice lsv__barcode_choice(int type, const std::string &data);

// CODE-128 from its symbol values written as decimal numbers separated by
// spaces ("104 33 34 35"): the start code (103 A, 104 B, 105 C) comes first
// and Start B is put in front when it is missing; the check symbol and the
// stop pattern are added.  The modules (1 bar, 0 space) without quiet zones,
// or false with an error text.
bool lsv__code128_raw_modules(const std::string &data, std::vector<unsigned char> &modules, std::string &error);

// The modules of the single row of a zint-encoded symbol (for tests and
// drawing), or false with zint's error text.
bool lsv__zint_modules(int symbology, const std::string &data, std::vector<unsigned char> &modules,
                       std::string &error);

// Draws the barcode into the rectangle (0, 0, w, h) of the painter's current
// frame, whose unit is one device pixel and whose y runs down.  With `snap`
// each module is a whole number of pixels and bars are drawn without
// antialiasing.  False with an error text when the data is refused; nothing
// is drawn then.
bool lsv__draw_barcode(QPainter &p, int type, const std::string &data, bool human_readable,
                       const QColor &colour, double w, double h, bool snap, std::string &error);
