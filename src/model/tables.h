// The tables of the label's facts, one table per fact: how each anchor
// position, justification, line style, barcode kind and element kind is
// named where the user sees it and where a label is stored; and for the
// barcode kinds, how the render library draws them.  The label
// format reads and writes by them; the widget kit builds its lists from them.
#pragma once

#include "platform/translation.h"

#include <cstdint>
#include <iterator>
#include <optional>
#include <string_view>

// Anchor position (`quadrant` 0..8, in that order): its name in the lists
// of the properties panel and the code stored in labels.
struct anchor_row {
    std::int32_t quadrant;
    const char16_t *shown;
    std::int32_t stored;
};
inline constexpr anchor_row anchor_table[] = {
    {0, VL_TR("vellumo", "Слева внизу"), 1},       {1, VL_TR("vellumo", "Слева вверху"), 2},      {2, VL_TR("vellumo", "Справа вверху"), 3},
    {3, VL_TR("vellumo", "Справа внизу"), 4},      {4, VL_TR("vellumo", "Слева посередине"), 12}, {5, VL_TR("vellumo", "Сверху посередине"), 23},
    {6, VL_TR("vellumo", "Справа посередине"), 34}, {7, VL_TR("vellumo", "Снизу посередине"), 41}, {8, VL_TR("vellumo", "По центру"), 0},
};
// -1 for a quadrant outside 0..8.
std::int32_t anchor_to_stored(std::int32_t quadrant);
// -1 for a code not in the table.
std::int32_t anchor_from_stored(std::int32_t stored);

struct name_code {
    const char *name;
    std::int32_t code;
};

// Text justification: a name not in the table reads as -1.
inline constexpr name_code justification_table[] = {
    {"left", 0}, {"right", 1}, {"center", 2}, {"fill", 3}};

// Border line styles: a name not in the table reads as 0, a code not in the
// table is written "SOLID".
inline constexpr name_code line_style_table[] = {
    {"SOLID", 0}, {"DASH", 3}, {"DOT", 4}, {"DASHDOT", 1}, {"DASHDOTDOT", 2}};

// libzint's numbers for the symbologies the barcode kinds use (zint.h's
// BARCODE_* of the same names).  The model does not include libzint: the
// render library checks every number here against the header when it is
// compiled.
namespace libzint {
inline constexpr int none = 0; // drawn without libzint
inline constexpr int c25inter = 3, code39 = 8, eanx = 13, gs1_128 = 16, codabar = 18, code128 = 20,
                     code93 = 25, upca = 34, msi_plessey = 47, pdf417 = 55, qrcode = 58, code128b = 60,
                     isbnx = 69, datamatrix = 71, plessey = 86;
} // namespace libzint

// How the data of a barcode kind is checked and handed to libzint (the
// render library does each).
enum class barcode_check {
    plain,       // libzint's own checks only
    automatic,   // digits make EAN-8, UPC-A or EAN-13; anything else CODE-128
    ean,         // digits only; 8 and 13 carry their check digit
    ean8,        // 7 or 8 digits, the eighth the check digit
    ean13,       // 12 or 13 digits, the thirteenth the check digit
    upca,        // 11 or 12 digits, the twelfth the check digit
    even_digits, // an even number of digits (CODE-128C)
    raw128,      // CODE-128 symbol values, drawn without libzint
    codabar,     // start and stop characters (A…B) added when missing
    text,        // any text; UTF-8 beyond ASCII is marked as such
    text_or_gs1, // GS1 (square) when it starts with a bracketed identifier, holds a GS or
                 // starts with 01 and 14 digits (model/gs1_data.h), else text
    gs1,         // GS1 application identifiers, bracketed or raw with GS
};

// Barcode kinds, one row each, in the order of the properties panel's list;
// the code is the row's index and `element::barcode.type`.  `stored` holds
// every name a label file may give the kind (the first is the one written;
// matching is exact and case-sensitive), `shown` what the list shows,
// `zint` the libzint symbology, `two_d` marks symbols of square modules
// that keep their proportions.
inline constexpr int barcode_names_max = 6;
struct barcode_kind {
    std::int32_t code;
    const char *stored[barcode_names_max];
    const char16_t *shown;
    int zint;
    bool two_d;
    barcode_check check;
};
inline constexpr barcode_kind barcode_kinds[] = {
    {0, {"AUTO"}, VL_TR("vellumo", "Автоподбор"), libzint::code128, false, barcode_check::automatic},
    {1, {"EAN"}, VL_TR("vellumo", "EAN (автоподбор)"), libzint::eanx, false, barcode_check::ean},
    {2, {"EAN8", "EAN-8"}, u"EAN-8", libzint::eanx, false, barcode_check::ean8},
    {3, {"EAN13", "EAN-13"}, u"EAN-13", libzint::eanx, false, barcode_check::ean13},
    {4, {"UPC"}, u"UPC", libzint::upca, false, barcode_check::upca},
    {5, {"ISBN"}, u"ISBN", libzint::isbnx, false, barcode_check::plain},
    {6, {"39", "CODE39", "CODE-39"}, u"CODE-39", libzint::code39, false, barcode_check::plain},
    {7, {"128", "CODE128", "CODE-128"}, u"CODE-128", libzint::code128, false, barcode_check::plain},
    {8, {"128B", "CODE128B", "CODE-128B"}, u"CODE-128B", libzint::code128b, false, barcode_check::plain},
    {9, {"128C", "CODE128C", "CODE-128C"}, u"CODE-128C", libzint::code128, false, barcode_check::even_digits},
    {10, {"128RAW", "CODE128RAW", "CODE-128RAW", "128R", "CODE128R", "CODE-128R"}, u"CODE-128RAW", libzint::none,
     false, barcode_check::raw128},
    {11, {"I25", "INTERLEAVED-2-OF-5", "INTERLEAVED 2 OF 5", "Interleaved 2 of 5"}, u"Interleaved 2 of 5",
     libzint::c25inter, false, barcode_check::plain},
    {12, {"CODABAR"}, u"CODABAR", libzint::codabar, false, barcode_check::codabar},
    {13, {"MSI"}, u"MSI", libzint::msi_plessey, false, barcode_check::plain},
    {14, {"PLESSEY", "PLS"}, u"PLESSEY", libzint::plessey, false, barcode_check::plain},
    {15, {"93", "CODE93", "CODE-93"}, u"CODE-93", libzint::code93, false, barcode_check::plain},
    {16, {"QRCODE"}, VL_TR("vellumo", "QR-код"), libzint::qrcode, true, barcode_check::text},
    {17, {"DATAMATRIX"}, u"DataMatrix", libzint::datamatrix, true, barcode_check::text_or_gs1},
    {18, {"PDF417"}, u"PDF417", libzint::pdf417, true, barcode_check::text},
    {19, {"GS1-128"}, u"GS1-128", libzint::gs1_128, false, barcode_check::gs1},
};
inline constexpr int barcode_kind_count = static_cast<int>(std::size(barcode_kinds));

// The row of a code, or null for a code not in the table.
const barcode_kind *barcode_kind_of(std::int32_t code);
// The code of a stored name, or nothing for a name not in the table.
std::optional<std::int32_t> barcode_code_of(std::string_view stored);
// The name written for a code, or null for a code not in the table.
const char *barcode_stored_name(std::int32_t code);

// Element kinds by `element::type`.
inline constexpr const char *kind_names[] = {"text", "border", "drawing", "barcode"};

// First row whose name matches exactly, or nothing.
template <std::size_t N>
std::optional<std::int32_t> table_code(const name_code (&table)[N], std::string_view name)
{
    for (const name_code &r : table)
        if (name == r.name)
            return r.code;
    return std::nullopt;
}
// First name written for a code, or null.
template <std::size_t N>
const char *table_name(const name_code (&table)[N], std::int32_t code)
{
    for (const name_code &r : table)
        if (r.code == code)
            return r.name;
    return nullptr;
}
