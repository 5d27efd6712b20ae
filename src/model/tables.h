// The tables of the label's facts, one table per fact: how each anchor
// position, justification, line style, barcode symbology and element kind
// is named where the user sees it and where a label is stored.  The label
// format reads and writes by them; the widget kit builds its lists from them.
#pragma once

#include <cstdint>
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
    {0, u"Слева внизу", 1},       {1, u"Слева вверху", 2},      {2, u"Справа вверху", 3},
    {3, u"Справа внизу", 4},      {4, u"Слева посередине", 12}, {5, u"Сверху посередине", 23},
    {6, u"Справа посередине", 34}, {7, u"Снизу посередине", 41}, {8, u"По центру", 0},
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

// Barcode symbologies: every accepted name, row by row; the first name of a
// code is the one written.  Matching is exact and case-sensitive.
inline constexpr name_code symbology_table[] = {
    {"AUTO", 0},
    {"EAN", 1},
    {"EAN8", 2}, {"EAN-8", 2},
    {"EAN13", 3}, {"EAN-13", 3},
    {"UPC", 4},
    {"ISBN", 5},
    {"39", 6}, {"CODE39", 6}, {"CODE-39", 6},
    {"128", 7}, {"CODE128", 7}, {"CODE-128", 7},
    {"128B", 8}, {"CODE128B", 8}, {"CODE-128B", 8},
    {"128C", 9}, {"CODE128C", 9}, {"CODE-128C", 9},
    {"128RAW", 10}, {"CODE128RAW", 10}, {"CODE-128RAW", 10},
    {"128R", 10}, {"CODE128R", 10}, {"CODE-128R", 10},
    {"I25", 11}, {"INTERLEAVED-2-OF-5", 11}, {"INTERLEAVED 2 OF 5", 11}, {"Interleaved 2 of 5", 11},
    {"CODABAR", 12},
    {"MSI", 13},
    {"PLESSEY", 14}, {"PLS", 14},
    {"93", 15}, {"CODE93", 15}, {"CODE-93", 15},
    {"QRCODE", 16},
    {"DATAMATRIX", 17},
    {"PDF417", 18},
    {"GS1-128", 19},
};
inline constexpr int symbology_count = 20;
// What the lists of the properties panel show for each code, in order.
inline constexpr const char16_t *symbology_shown[symbology_count] = {
    u"Автоподбор", u"EAN (автоподбор)", u"EAN-8",     u"EAN-13",   u"UPC",     u"ISBN",
    u"CODE-39",    u"CODE-128",         u"CODE-128B", u"CODE-128C", u"CODE-128RAW",
    u"Interleaved 2 of 5", u"CODABAR",  u"MSI",       u"PLESSEY",  u"CODE-93",
    u"QR-код",     u"DataMatrix",       u"PDF417",    u"GS1-128"};

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
